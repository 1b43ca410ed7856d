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

// The two folders the game's files live in (GameFolders.h finds them): the data
// folder holds what ships with the game and is only ever read, the user folder
// holds everything the game writes. A relative game path is read from the user
// folder when it is there, else from the data folder; it is written, created,
// renamed and removed in the user folder only.

// Top-level folder of what the game writes for its players. It is never read
// from the data folder: an old copy there would come back after the player
// deleted his own (CopyOldGameFiles brings such a copy over once).
constexpr std::string_view kPlayersFolder = "Players";

// Names both folders, absolute and lexically normal without a trailing '/' (as
// GameFolders.h finds them). Both empty: relative game
// paths resolve against the working directory alone (a tool or test that works
// in one folder). The user folder need not exist yet; it is made on the first
// write.
void SetGameFolders(std::string dataFolder, std::string userFolder);
// The folders last set (empty when unset).
const std::string& DataFolder();
const std::string& UserFolder();

// Where to read a game path from. A relative path, while the game folders
// are set, is looked up in the user folder, then in the data folder (never
// below the players folder), each as below; when neither has it, the user
// folder's spelling comes back; the two folders themselves are taken as named,
// never matched in another case. Otherwise: MapPath, then every component that
// does not exist with its exact name is looked up case-insensitively (ASCII)
// in its folder; when several names differ only in case, the exact one wins,
// else the first in byte order. From the first component that has no match
// on, the rest of the path stays as written: a file about to be created keeps
// its given name inside its case-corrected folder, and a path that matches
// nothing comes back as MapPath gave it.
std::string ResolveReadPath(std::string_view gamePath);

// Where a write, rename or removal of a game path takes place: a relative one
// lies in the user folder (case-corrected as above). Other paths are
// ResolveReadPath's. Nothing is made.
std::string ResolveWriteTarget(std::string_view gamePath);

// ResolveWriteTarget, with the folders above it made when it lies in the user
// folder: where a new file is written. Elsewhere (an absolute path, or no
// game folders set) a missing folder fails the write, as it did on the game's
// original platform.
std::string ResolveWritePath(std::string_view gamePath);

// Makes the folder a game path names, and those above it, where
// ResolveWriteTarget puts it. True when it is a folder afterwards.
bool MakeFolders(std::string_view gamePath);

// Every place a game path may lie, the user folder's first: two for a relative
// path while the game folders are set (one below the players folder), else
// ResolveReadPath's one. A listing reads them all.
std::vector<std::string> ResolveEveryPath(std::string_view gamePath);

// fopen of ResolveReadPath(gamePath) for reading, of ResolveWritePath(gamePath)
// when the mode writes or appends; an update ("r+") of a file only the data
// folder has first copies it to the user folder. A 't' in the
// mode (text mode) is accepted and ignored; line ends are handled by the
// readers in TextFile.h. The file is not inherited by child processes.
FILE* Open(std::string_view gamePath, const char* mode);

// The working directory, without a trailing '/' (except for "/" itself); empty
// when it cannot be read.
std::string CurrentDirectory();

} // namespace os
