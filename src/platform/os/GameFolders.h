#pragma once
// Where the game's files live: the data and the user folder are found here
// for this process and named to Path.h, which lays the user folder over the
// data folder (see there); the files an older game wrote into its data folder
// are copied over once.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/os/Path.h"

namespace os {

// Environment variable naming the data folder outright.
constexpr const char* kDataFolderVariable = "GLORVANE_DATA_DIR";
// Environment variable naming the user folder outright.
constexpr const char* kUserFolderVariable = "GLORVANE_USER_DIR";
// The data folder of an install, relative to the executable's folder (bin/),
// so that a moved prefix still works.
constexpr const char* kInstalledDataFolder = "../share/glorvane";
// The user folder inside $XDG_DATA_HOME (or its default below the home folder).
constexpr const char* kUserFolderName = "glorvane";
// What a folder holds when it holds the game's data.
constexpr const char* kDataMarker = "Data";
// What the folder finding looks at; empty strings stand for unset variables.
struct FolderEnvironment {
    std::string dataOverride; // GLORVANE_DATA_DIR
    std::string userOverride; // GLORVANE_USER_DIR
    std::string xdgDataHome;  // XDG_DATA_HOME
    std::string home;         // HOME, else the password database's home folder
    std::string exeFolder;    // the folder of /proc/self/exe
};

// The environment of this process.
FolderEnvironment ReadFolderEnvironment();

// The data folder: the override; else the executable's folder when it holds
// the game's data (a "Data" folder, as in a build's game folder); else the
// installed data folder beside the executable's bin/. `holdsData` is asked
// about the executable's folder.
std::string ChooseDataFolder(const FolderEnvironment& env,
                             const std::function<bool(const std::string&)>& holdsData);
// The user folder: the override; else $XDG_DATA_HOME/glorvane when that is an
// absolute path; else $HOME/.local/share/glorvane.
std::string ChooseUserFolder(const FolderEnvironment& env);

// True when `folder` holds a "Data" folder.
bool HoldsGameData(const std::string& folder);

// SetGameFolders with the folders ChooseDataFolder and ChooseUserFolder find
// for this process.
void UseFoundGameFolders();

// Brings the files an older game wrote into its data folder over to the user
// folder, once: when the user folder has no players folder and the data
// folder's holds anything, each of `gamePaths` (files or folders,
// the players folder among them) that the data folder has and the user
// folder lacks is copied (regular files and folders; links are left). The
// data folder is left as it was. True when anything was copied.
bool CopyOldGameFiles(std::initializer_list<std::string_view> gamePaths);

} // namespace os
