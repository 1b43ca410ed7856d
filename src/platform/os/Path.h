#pragma once
// The game names files the way its original platform did: backslash separators
// ("Data\\Config\\Options.ini") and names whose letter case need not match the
// disk. These helpers turn such a name into one that opens on Linux.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Backslashes become '/'; nothing else changes. Relative paths stay relative, so
// the system resolves them against the current directory.
std::string MapPath(std::string_view gamePath);

// The path to read a game path from. A relative path, while the game folders
// are set (GameFolders.h), is looked up in the user folder, then in the data
// folder, each as below; when neither has it, the user folder's spelling comes
// back. Otherwise: MapPath, then every component that does not exist with its exact name is
// looked up case-insensitively (ASCII) in its folder; when several names differ
// only in case, the exact one wins, else the first in byte order. From the first
// component that has no match on, the rest of the path stays as written: a file
// about to be created keeps its given name inside its case-corrected folder, and
// a path that matches nothing comes back as MapPath gave it.
std::string ResolvePath(std::string_view gamePath);

// The path to write a game path to: a relative one lies in the user folder
// (case-corrected as above), and the folders above it are made there. Other
// paths are ResolvePath's.
std::string ResolveWritePath(std::string_view gamePath);

// As ResolveWritePath, without making anything: where a write, rename or
// removal takes place.
std::string ResolveUserPath(std::string_view gamePath);

// Every place a game path may lie, the user folder's first: two for a relative
// path while the game folders are set (one below the players folder), else
// ResolvePath's one. A listing reads them all.
std::vector<std::string> ResolveEveryPath(std::string_view gamePath);

// fopen of ResolvePath(gamePath) for reading, of ResolveWritePath(gamePath)
// when the mode writes or appends; an update ("r+") of a file only the data
// folder has first copies it to the user folder. A 't' in the
// mode (text mode) is accepted and ignored; line ends are handled by the
// readers in TextFile.h. The file is not inherited by child processes.
FILE* Open(std::string_view gamePath, const char* mode);

// The working directory, without a trailing '/' (except for "/" itself); empty
// when it cannot be read.
std::string CurrentDirectory();

} // namespace os
