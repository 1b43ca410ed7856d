#include "platform/os/GameFolders.h"

#include "platform/os/Dir.h"
#include "platform/os/Path.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {
namespace {

namespace fs = std::filesystem;

struct Folders {
    const std::string& data;
    const std::string& user;
};

Folders TheFolders() {
    return {DataFolder(), UserFolder()};
}

// What may be made again from the data (the decoded sounds); kept apart from
// the players' files so that clearing a cache loses nothing a player earned.
std::string& TheCacheFolder() {
    static std::string folder;
    return folder;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An absolute, lexically normal path without a trailing '/'.
std::string Normal(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec)
        p = path;
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasEntries(std::string_view gamePattern) {
    std::vector<DirEntry> entries;
    return ListDir(gamePattern, &entries) && !entries.empty();
}

// Copies a file or folder tree; links and other special files are left out.
bool CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(from, ec);
    if (fs::is_regular_file(st)) {
        fs::create_directories(to.parent_path(), ec);
        return fs::copy_file(from, to, fs::copy_options::skip_existing, ec) && !ec;
    }
    if (!fs::is_directory(st))
        return false;
    fs::create_directories(to, ec);
    bool any = false;
    for (const auto& entry : fs::directory_iterator(from, ec))
        any = CopyTree(entry.path(), to / entry.path().filename()) || any;
    return any;
}

} // namespace

FolderEnvironment ReadFolderEnvironment() {
    FolderEnvironment env;
    env.dataOverride = Variable(kDataFolderVariable);
    env.userOverride = Variable(kUserFolderVariable);
    env.xdgDataHome = Variable("XDG_DATA_HOME");
    env.cacheOverride = Variable(kCacheFolderVariable);
    env.xdgCacheHome = Variable("XDG_CACHE_HOME");
    env.home = Variable("HOME");
    if (env.home.empty())
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
            env.home = pw->pw_dir;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        env.exeFolder = exe.parent_path().string();
    return env;
}

std::string ChooseDataFolder(const FolderEnvironment& env,
                             const std::function<bool(const std::string&)>& holdsData) {
    if (!env.dataOverride.empty())
        return Normal(env.dataOverride);
    if (holdsData(env.exeFolder))
        return Normal(env.exeFolder);
    return Normal(env.exeFolder + "/" + kInstalledDataFolder);
}

namespace {

// A folder named by an override, else by an XDG base-directory variable (which
// is ignored when relative), else by its default below the home folder.
std::string XdgFolder(const std::string& override, const std::string& xdgHome,
                      const std::string& home, const char* homeDefault) {
    if (!override.empty())
        return Normal(override);
    if (!xdgHome.empty() && xdgHome[0] == '/')
        return Normal(xdgHome + "/" + kUserFolderName);
    return Normal(home + homeDefault + kUserFolderName);
}

} // namespace

std::string ChooseUserFolder(const FolderEnvironment& env) {
    return XdgFolder(env.userOverride, env.xdgDataHome, env.home, "/.local/share/");
}

std::string ChooseCacheFolder(const FolderEnvironment& env) {
    return XdgFolder(env.cacheOverride, env.xdgCacheHome, env.home, "/.cache/");
}

bool HoldsGameData(const std::string& folder) {
    return !folder.empty() && IsFolder(folder + "/" + kDataMarker);
}

void UseFoundGameFolders() {
    const FolderEnvironment env = ReadFolderEnvironment();
    SetGameFolders(ChooseDataFolder(env, HoldsGameData), ChooseUserFolder(env));
    SetCacheFolder(ChooseCacheFolder(env));
}

void SetCacheFolder(std::string cacheFolder) {
    TheCacheFolder() = Normal(cacheFolder);
}

const std::string& CacheFolder() {
    return TheCacheFolder();
}

bool CopyOldGameFiles(std::initializer_list<std::string_view> gamePaths) {
    const Folders f = TheFolders();
    if (f.user.empty() || f.data == f.user)
        return false;
    const std::string players(kPlayersFolder);
    // A players' folder in the user folder, even an empty one, means the
    // player has been here: the old ones were copied or deleted since.
    if (IsFolder(ResolveWriteTarget(players)))
        return false;
    if (!HasEntries(f.data + "/" + players + "/*"))
        return false;
    bool copied = false;
    for (std::string_view gamePath : gamePaths) {
        std::string mapped = MapPath(gamePath);
        while (!mapped.empty() && mapped.back() == '/')
            mapped.pop_back();
        if (mapped.empty() || mapped[0] == '/')
            continue;
        // What the user folder has already stays as it is.
        copied =
            CopyTree(ResolveReadPath(f.data + "/" + mapped), ResolveWriteTarget(mapped)) || copied;
    }
    return copied;
}

} // namespace os
