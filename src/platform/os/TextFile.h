#pragma once
// Whole-file and line reading. The game's data files may come with Windows line
// ends; its readers expect what a text-mode read gave on its original platform:
// every CRLF pair arrives as a single '\n'.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace os {

// Files larger than this are refused by the whole-file readers (no data file
// of the game comes near it).
constexpr size_t kMaxWholeFileBytes = size_t(64) << 20;

// Reads the file's bytes unchanged (path through ResolveReadPath). False when it
// cannot be opened or read, or is larger than maxBytes; *out is then empty.
bool ReadFileBytes(std::string_view gamePath, std::string* out,
                   size_t maxBytes = kMaxWholeFileBytes);

// As ReadFileBytes, with line ends normalised by NormalizeLineEnds.
bool ReadTextFile(std::string_view gamePath, std::string* out,
                  size_t maxBytes = kMaxWholeFileBytes);

// Every "\r\n" becomes "\n", and a '\r' that ends the text is dropped. Other
// '\r' characters stay, as they would in a text-mode read.
void NormalizeLineEnds(std::string* text);

// fgets with text-mode line ends: reads up to size - 1 characters, stopping
// after a '\n'; a "\r\n" pair is stored as "\n" even when it straddles the end
// of the buffer, and a '\r' just before the end of the file is dropped. Returns
// buf, or null at the end of the file, on a read error, or when size < 2.
char* ReadLine(char* buf, int size, FILE* file);
// The same, returning the number of characters stored (0 where ReadLine gives
// null). Lines may hold NUL bytes; this count, not strlen, is their length.
int ReadLineCounted(char* buf, int size, FILE* file);

} // namespace os
