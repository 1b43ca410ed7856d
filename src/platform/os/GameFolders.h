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
// Environment variable naming the cache folder outright.
constexpr const char* kCacheFolderVariable = "GLORVANE_CACHE_DIR";
// The data folder of an install, relative to the executable's folder (bin/),
// so that a moved prefix still works.
constexpr const char* kInstalledDataFolder = "../share/glorvane";
// The user folder inside $XDG_DATA_HOME and the cache folder inside
// $XDG_CACHE_HOME (or their defaults below the home folder).
constexpr const char* kUserFolderName = "glorvane";
// What a folder holds when it holds the game's data.
constexpr const char* kDataMarker = "Data";
// What the folder finding looks at; empty strings stand for unset variables.
struct FolderEnvironment {
    std::string dataOverride;  // GLORVANE_DATA_DIR
    std::string userOverride;  // GLORVANE_USER_DIR
    std::string xdgDataHome;   // XDG_DATA_HOME
    std::string home;          // HOME, else the password database's home folder
    std::string exeFolder;     // the folder of /proc/self/exe
    std::string cacheOverride; // GLORVANE_CACHE_DIR
    std::string xdgCacheHome;  // XDG_CACHE_HOME
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

// The cache folder, for what the game can make again from its data (the
// decoded sounds): the override; else $XDG_CACHE_HOME/glorvane when that is
// an absolute path; else $HOME/.cache/glorvane.
std::string ChooseCacheFolder(const FolderEnvironment& env);

// True when `folder` holds a "Data" folder.
bool HoldsGameData(const std::string& folder);

// Names the cache folder (absolute, no trailing '/'); empty: none, and what
// would be cached is kept beside the data it is made from.
void SetCacheFolder(std::string cacheFolder);
// SetGameFolders and SetCacheFolder with the folders ChooseDataFolder,
// ChooseUserFolder and ChooseCacheFolder find for this process.
void UseFoundGameFolders();

// The cache folder last set (empty when unset).
const std::string& CacheFolder();

// Brings the files an older game wrote into its data folder over to the user
// folder, once: when the user folder has no players folder and the data
// folder's holds anything, each of `gamePaths` (files or folders, the players
// folder among them) that the data folder has and the user folder lacks is
// copied (regular files and folders; links are left). The data folder is left
// as it was.
//
// The copy is whole or not at all: it is built in a staging folder beside the
// user folder (its name followed by kCopyStagingSuffix, marked inside as the
// game's own), each file written safely (SafeWrite.h), and moved into the
// user folder only when complete, the players folder last, so that its
// presence means a finished copy. A marked staging folder found at the start
// is an unfinished copy a killed game left; it is thrown away. A folder of
// that name the game did not mark is left as it is (an empty one excepted),
// and the copy fails while it is there. What is copied never includes the
// user folder or the staging folder, even when they lie in the data folder.
//
// A copy that fails changes nothing the game reads, and leaves the note
// kCopyOwedNote in the user folder: until a copy succeeds, every start copies
// again even though the player has made a players folder since. A player of
// the same name (in any case) already there is kept whole, never copied over
// or mixed; the note goes once the copy is made.
struct OldFilesCopy {
    enum class Outcome { Nothing, Copied, Failed };
    Outcome outcome = Outcome::Nothing;
    std::string problem; // when Failed: what went wrong, naming the file
    std::string file;    // when Failed: the file or folder that stopped the copy
    std::string folder;  // the older game's players folder
};
constexpr const char* kCopyStagingSuffix = ".copying";
constexpr const char* kCopyStagingMark = ".glorvane-staging"; // inside the staging folder
constexpr const char* kCopyOwedNote = "OldPlayersNotCopied.txt";
OldFilesCopy CopyOldGameFiles(std::initializer_list<std::string_view> gamePaths);

// For tests: the open of every file for which `fails` (given its path in the
// data folder) answers true fails as that of a file that cannot be read does.
// Null: none fails.
void FailOldFileCopyWhen(std::function<bool(const std::string&)> fails);

} // namespace os
