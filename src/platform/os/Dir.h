#pragma once
// Folder helpers for the profile folders: listing, creating, removing and
// renaming, and the temporary files that safe writes rename into place. Every
// path goes through Path.h (backslashes, letter case, and the user folder laid
// over the data folder: a listing shows both, everything else changes the user
// folder only, see GameFolders.h).
#include <string>
#include <string_view>
#include <vector>

namespace os {

struct DirEntry {
    std::string name;         // as it is on disk
    bool isDirectory = false; // a symlink to a folder counts as a folder here
    bool isSymlink = false;
};

// Lists the entries of a folder that match a pattern, given together as the
// game did: "Players\\*.*", "Players\\Ann\\*", "Data\\Lvl\\*.lvl". The pattern
// is the last component; '*' matches any run of characters and '?' any one,
// without regard to ASCII case, and "*.*" matches every name, dotted or not.
// "." and ".." are never listed. Entries come sorted by name, ignoring case.
// A name both the user and the data folder hold is listed once, as the user
// folder's.
// False when the folder cannot be read (the list is then empty).
bool ListDir(std::string_view pattern, std::vector<DirEntry>* out);

// Matching rule of ListDir, for one name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// mkdir in the user folder (with the folders above it there); false when the
// folder exists already, or its parent is missing, in both folders.
bool CreateDir(std::string_view path);

// rmdir: removes an empty folder only.
bool RemoveDir(std::string_view path);

// Removes a folder and everything below it. Symbolic links are removed as
// links, never followed, so nothing outside the folder is touched; when the
// path itself is a link or a file, only that name goes. False when anything
// could not be removed (what could be, is).
bool RemoveTree(std::string_view path);

// Removes a file (not a folder). Removals and renames touch only the user
// folder.
bool RemoveFile(std::string_view path);

// Renames a file or folder. Like the game's original platform, this fails when
// the new name exists already instead of replacing it.
bool Rename(std::string_view from, std::string_view to);

// Renames a file over whatever has the new name, in one step: a reader sees
// the old file or the new one, never neither. Both names must lie on the same
// file system (a temporary file beside its target). False when it failed; the
// old file is then untouched.
bool RenameReplacing(std::string_view from, std::string_view to);

// The temporary file a safe write fills before renaming it over `path`:
// beside it, named after the target's stem cut to eight characters, with
// ".tmp" ("Players\\Ann\\Settings.tmp" for "Players\\Ann\\Settings.ini").
// The name is never longer than twelve characters.
std::string TemporaryPathFor(std::string_view path);

} // namespace os
