#pragma once
// What stands in the way of the game's folders (Path.h), found at start-up so
// that the player learns which folder is wrong and what to set before the
// game fails on a missing picture or a save that cannot be written.
#include <string>

namespace os {

// A sentence each, naming the folder, what is wrong with it and the
// environment variable that chooses another; empty where all is well.
struct FolderProblems {
    std::string data;
    std::string user;
};

// The data folder must hold the game's "Data" folder; the user folder must be
// a folder the game can write in (it is made here when it is missing, as the
// first write would make it). With no game folders set nothing is checked.
FolderProblems CheckGameFolders();

} // namespace os
