#pragma once
// Private-profile (ini) files, read and written with the rules of the game's
// original platform so that its files read alike here:
//  - section and key names match case-insensitively (ASCII); blanks around
//    names and values are ignored;
//  - the first matching section, and in it the first matching key, win;
//  - a value is the text after the first '=', trimmed, with one matching pair of
//    surrounding quotes ("..." or '...') removed;
//  - lines whose first non-blank character is ';' are comments; there are no
//    inline comments; lines without '=' (other than section headers) are ignored;
//  - CRLF and LF line ends are both accepted; a UTF-8 byte-order mark is skipped.
// Paths go through ResolveReadPath (backslashes, letter case).
// A file is parsed once and kept while its size, modification time and identity
// stay the same (our own writes drop the kept copy). Files larger than
// kMaxIniBytes are not read: every key reads as missing.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace os {

// Configuration files are a few kilobytes; anything larger is not one of ours.
constexpr size_t kMaxIniBytes = size_t(1) << 20;

// One value as GetProfileString reads it, with where it came from.
struct ProfileValue {
    std::string text; // the value, or the default, cut to bufferSize - 1 characters
    int line = 0;     // the key's line in the file (from 1); 0 when the default was used
    // Why the file's values are not read (too large, unreadable); handed out once
    // per version of the file, so a caller can log it once. Empty otherwise.
    std::string fault;
};
ProfileValue ReadProfileValue(const char* section, const char* key, const char* def,
                              std::string_view path, size_t bufferSize = 256);

// Copies the value, or def when the file, the section or the key is missing
// (null def reads as ""), into buf, cut to size - 1 characters and terminated.
// Returns the number of characters copied. A null section or key gives the
// default. Nothing is written when buf is null or size is 0.
size_t GetProfileString(const char* section, const char* key, const char* def, char* buf,
                        size_t size, std::string_view path);

// The same, returned as a string cut to bufferSize - 1 characters.
std::string GetProfileString(const char* section, const char* key, const char* def,
                             std::string_view path, size_t bufferSize = 256);

// Sets key=value in the section: replaces the value of the first matching key
// in place (the key's own spelling and the blanks around '=' stay), else adds
// the line after the section's last line that is neither blank nor a comment,
// else appends a blank line, "[section]" and the key line at the end of the
// file. Every other line is kept byte for byte; added lines use the file's
// dominant line end (LF for a new file). The old text is read where
// ResolveReadPath finds it; the new one goes to the user folder (Path.h), whose
// folders are made as needed, as SafeWrite.h writes (a failed write leaves the
// old file intact; a link there is replaced by the file).
// Returns false when nothing was written: null or empty section or key, a line
// break in any argument, '=' in the key or ']' in the section, or an I/O error.
bool WriteProfileString(const char* section, const char* key, const char* value,
                        std::string_view path);

// One key of a write of several.
struct ProfileEntry {
    const char* section;
    const char* key;
    const char* value;
};
// Sets every entry in turn as WriteProfileString would, and replaces the file
// once with the outcome. Nothing is written when any entry could not be (or
// there is none).
// With `replaceUnreadable`, an old file that cannot be read (too large, a
// link to nothing, no permission) is written anew from these entries alone
// instead of failing the write; one that can be read keeps every other line.
bool WriteProfileStrings(std::span<const ProfileEntry> entries, std::string_view path,
                         bool replaceUnreadable = false);

// Drops every kept file, so the next read parses anew.
void ForgetProfileFiles();

} // namespace os
