#pragma once
// The game names files the way its original platform did: backslash separators
// ("Data\\Config\\Options.ini") and names whose letter case need not match the
// disk. These helpers turn such a name into one that opens on Linux.
#include <cstdio>
#include <string>
#include <string_view>

namespace os {

// Backslashes become '/'; nothing else changes. Relative paths stay relative, so
// the system resolves them against the current directory.
std::string MapPath(std::string_view gamePath);

// MapPath, then every component that does not exist with its exact name is
// looked up case-insensitively (ASCII) in its folder; when several names differ
// only in case, the exact one wins, else the first in byte order. From the first
// component that has no match on, the rest of the path stays as written: a file
// about to be created keeps its given name inside its case-corrected folder, and
// a path that matches nothing comes back as MapPath gave it.
std::string ResolvePath(std::string_view gamePath);

// fopen of ResolvePath(gamePath), for reading and writing alike. A 't' in the
// mode (text mode) is accepted and ignored; line ends are handled by the
// readers in TextFile.h. The file is not inherited by child processes.
FILE* Open(std::string_view gamePath, const char* mode);

// The working directory, without a trailing '/' (except for "/" itself); empty
// when it cannot be read.
std::string CurrentDirectory();

} // namespace os
