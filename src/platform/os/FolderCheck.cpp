#include "platform/os/FolderCheck.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/GameFolders.h"
#include "platform/os/Path.h"

namespace os {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWithoutData = "the game cannot start without its data";

std::string DataAdvice() {
    return std::string("Set ") + kDataFolderVariable + " to the folder that holds the game's \"" +
           kDataMarker + "\" folder.";
}

// `text` broken at blanks into lines of at most `length` characters (a word
// longer than that stands alone).
void Wrap(const std::string& text, size_t length, std::vector<std::string>* lines) {
    std::string line;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > length) {
            lines->push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    if (!line.empty())
        lines->push_back(line);
}

// A folder on lines of its own, cut after a '/' when it is longer than a
// line may be.
void FolderLines(const std::string& folder, std::vector<std::string>* lines) {
    size_t at = 0;
    while (folder.size() - at > kBoxFolderLength) {
        size_t cut = folder.rfind('/', at + kBoxFolderLength - 1);
        cut = cut == std::string::npos || cut < at ? at + kBoxFolderLength : cut + 1;
        lines->push_back(folder.substr(at, cut - at));
        at = cut;
    }
    lines->push_back(folder.substr(at));
}

// What is wrong with the data folder, or empty.
std::string DataFault(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? std::string("does not exist")
                               : std::string("cannot be read (") + std::strerror(errno) + ")";
    if (!S_ISDIR(st.st_mode))
        return "is a file, not a folder";
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
    problems.dataFault = DataFault(data);
    if (!problems.dataFault.empty())
        problems.data = "The data folder " + data + " " + problems.dataFault + ": " +
                        kWithoutData + ". " + DataAdvice();
    if (const std::string fault = UserFault(user); !fault.empty())
        problems.user = "The user folder " + user + " " + fault +
                        ": no player, quest, trophy, option or record can be saved. Set " +
                        kUserFolderVariable + " to a folder the game can write in.";
    return problems;
}

std::vector<std::string> StartFailureLines(const std::string& error,
                                           const FolderProblems& problems) {
    std::vector<std::string> lines;
    if (problems.dataFault.empty()) {
        Wrap("The game cannot start: one of its files is missing or damaged.", kBoxLineLength,
             &lines);
    } else {
        Wrap("The game cannot start: its pictures and sounds are not where it looks for them, "
             "in the data folder",
             kBoxLineLength, &lines);
        FolderLines(DataFolder(), &lines);
        Wrap("which " + problems.dataFault + ". " + DataAdvice(), kBoxLineLength, &lines);
    }
    lines.emplace_back();
    Wrap("(" + error + ")", kBoxLineLength, &lines);
    return lines;
}

} // namespace os
