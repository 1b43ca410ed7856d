#pragma once
// What stands in the way of the game's folders (Path.h), found at start-up so
// that the player learns which folder is wrong and what to set before the
// game fails on a missing picture or a save that cannot be written.
#include <string>
#include <vector>

namespace os {

// A sentence each, naming the folder, what is wrong with it and the
// environment variable that chooses another; empty where all is well.
struct FolderProblems {
    std::string data;
    std::string user;
    std::string dataFault; // what is wrong with the data folder alone, or empty
};

// The data folder must hold the game's "Data" folder; the user folder must be
// a folder the game can write in (it is made here when it is missing, as the
// first write would make it). With no game folders set nothing is checked.
FolderProblems CheckGameFolders();

// Characters a line of the start-up error box holds: the desktop's dialog
// does not wrap, and a line of its text grows the box as wide as it is.
constexpr size_t kBoxLineLength = 72;
// A folder keeps a line of its own whole up to this length, to be read and
// copied as one; a longer one is cut after a '/'.
constexpr size_t kBoxFolderLength = 150;

// The lines of the box that tells the player the game cannot start: first
// what is wrong in a player's words; when the data folder is at fault, that
// folder on a line of its own, what is wrong with it and what to set; last
// `error`, what failed as the log says it. No line is longer than
// kBoxLineLength, but for a folder (kBoxFolderLength).
std::vector<std::string> StartFailureLines(const std::string& error,
                                           const FolderProblems& problems);

} // namespace os
