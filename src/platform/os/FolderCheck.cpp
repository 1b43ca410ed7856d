#include "platform/os/FolderCheck.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/GameFolders.h"
#include "platform/os/Path.h"

namespace os {
namespace {

namespace fs = std::filesystem;

// What is wrong with the data folder, or empty.
std::string DataFault(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return std::string("cannot be read (") + std::strerror(errno) + ")";
    if (!S_ISDIR(st.st_mode))
        return "is not a folder";
    if (!HoldsGameData(folder))
        return std::string("holds no game data (no \"") + kDataMarker + "\" folder in it)";
    return {};
}

// What is wrong with the user folder, or empty.
std::string UserFault(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return "cannot be made (" + (ec ? ec.message() : std::string(std::strerror(errno))) + ")";
    if (!S_ISDIR(st.st_mode))
        return "is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return std::string("cannot be written (") + std::strerror(errno) + ")";
    return {};
}

} // namespace

FolderProblems CheckGameFolders() {
    FolderProblems problems;
    const std::string& data = DataFolder();
    const std::string& user = UserFolder();
    if (data.empty() && user.empty())
        return problems;
    if (const std::string fault = DataFault(data); !fault.empty())
        problems.data = "The data folder " + data + " " + fault +
                        ": the game cannot start without its data. Set " + kDataFolderVariable +
                        " to the folder that holds the game's \"" + kDataMarker + "\" folder.";
    if (const std::string fault = UserFault(user); !fault.empty())
        problems.user = "The user folder " + user + " " + fault +
                        ": no player, quest, trophy, option or record can be saved. Set " +
                        kUserFolderVariable + " to a folder the game can write in.";
    return problems;
}

} // namespace os
