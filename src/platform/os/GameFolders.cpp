#include "platform/os/GameFolders.h"

#include "platform/os/Dir.h"
#include "platform/os/Path.h"
#include "platform/os/SafeWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
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

std::function<bool(const std::string&)>& CopyFault() {
    static std::function<bool(const std::string&)> fails;
    return fails;
}

// The open of an older game's file for the copy; a file a test names fails
// here as one that cannot be read does.
int OpenOldFile(const std::string& path) {
    if (CopyFault() && CopyFault()(path)) {
        errno = EACCES;
        return -1;
    }
    return open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
}

bool NameExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    bool Close() {
        const bool ok = fd_ < 0 || close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

// One run of the copy of an older game's files into the staging folder and
// from there into the user folder (see CopyOldGameFiles).
class OldCopy {
public:
    explicit OldCopy(std::string stagingFolder) : staging(std::move(stagingFolder)) {}

    // A folder never walked into: what the copy writes.
    void LeaveOut(const std::string& folder) {
        struct stat st;
        if (stat(folder.c_str(), &st) == 0)
            leftOut_.emplace_back(st.st_dev, st.st_ino);
    }

    // Copies a file or a folder tree; links and other special files are left
    // out. False at the first thing that fails.
    bool Tree(const std::string& from, const std::string& to) {
        struct stat st;
        if (lstat(from.c_str(), &st) != 0)
            return errno == ENOENT || Fail("cannot read ", from);
        if (S_ISREG(st.st_mode))
            return File(from, to);
        if (!S_ISDIR(st.st_mode) ||
            std::find(leftOut_.begin(), leftOut_.end(), std::pair(st.st_dev, st.st_ino)) !=
                leftOut_.end())
            return true;
        if (mkdir(to.c_str(), 0777) != 0 && errno != EEXIST)
            return Fail("cannot make ", to);
        std::vector<std::string> names;
        DIR* dir = opendir(from.c_str());
        if (dir == nullptr)
            return Fail("cannot read ", from);
        while (const dirent* e = readdir(dir))
            if (std::string_view name = e->d_name; name != "." && name != "..")
                names.emplace_back(name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            if (!Tree(from + "/" + name, to + "/" + name))
                return false;
        return true;
    }

    // Moves a staged file or folder to where the user folder keeps `gamePath`;
    // what the user folder has already stays as it is. A folder there takes
    // what it lacks from the staged one when `merge` is set; otherwise (a
    // player's own folder) it is kept whole, never mixed with another's files.
    bool MoveIntoPlace(const std::string& from, const std::string& gamePath, bool merge = true) {
        const std::string target = ResolveWriteTarget(gamePath);
        struct stat there, staged;
        if (lstat(from.c_str(), &staged) != 0)
            return true;
        if (lstat(target.c_str(), &there) != 0) {
            std::error_code ec;
            fs::create_directories(fs::path(target).parent_path(), ec);
            return rename(from.c_str(), target.c_str()) == 0 || Fail("cannot move to ", target);
        }
        if (!merge || !S_ISDIR(there.st_mode) || !S_ISDIR(staged.st_mode))
            return true;
        const bool players = MapPath(gamePath) == kPlayersFolder;
        std::vector<DirEntry> entries;
        ListDir(from + "/*", &entries);
        for (const DirEntry& e : entries)
            if (!MoveIntoPlace(from + "/" + e.name, gamePath + "/" + e.name, !players))
                return false;
        return true;
    }

    OldFilesCopy Failed(const char* what, const std::string& path) {
        Fail(what, path);
        return Result(OldFilesCopy::Outcome::Failed);
    }
    // Throws the staging folder away after a failure.
    OldFilesCopy Abandon() {
        RemoveTree(staging);
        return Result(OldFilesCopy::Outcome::Failed);
    }
    OldFilesCopy Result(OldFilesCopy::Outcome outcome) const {
        return {outcome, problem_, file_};
    }

    const std::string staging;

private:
    bool Fail(const char* what, const std::string& path) {
        if (problem_.empty()) {
            problem_ = what + path;
            file_ = path;
        }
        return false;
    }

    // Copies one file through a safe write: a file cut short is never seen
    // under its own name in the staging folder. The player's copy is made
    // readable and writable for him whatever mode the old file had.
    bool File(const std::string& from, const std::string& to) {
        Fd in(OpenOldFile(from));
        if (in.Get() < 0)
            return Fail("cannot read ", from);
        SafeWrite out(to);
        if (out.Open() == nullptr)
            return Fail("cannot write ", to);
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = read(in.Get(), buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return Fail("cannot read ", from);
            if (n == 0)
                break;
            if (!out.Write(buf, static_cast<size_t>(n)))
                return Fail("cannot write ", to);
        }
        return out.Commit() || Fail("cannot write ", to);
    }

    std::vector<std::pair<dev_t, ino_t>> leftOut_;
    std::string problem_;
    std::string file_;
};

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

void FailOldFileCopyWhen(std::function<bool(const std::string&)> fails) {
    CopyFault() = std::move(fails);
}

namespace {

// Makes the staging folder, marked as the copy's own.
bool MakeStaging(const std::string& staging) {
    if (mkdir(staging.c_str(), 0700) != 0)
        return false;
    const int fd = open((staging + "/" + kCopyStagingMark).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && close(fd) == 0)
        return true;
    rmdir(staging.c_str());
    return false;
}

// Throws away a staging folder a killed game left. One without the mark goes
// only when it is empty (a game killed between making it and marking it);
// else it is not ours and stays. True when the name is free afterwards.
bool ClearStaging(const std::string& staging) {
    if (!NameExists(staging))
        return true;
    if (NameExists(staging + "/" + kCopyStagingMark))
        return RemoveTree(staging);
    return rmdir(staging.c_str()) == 0;
}

OldFilesCopy CopyOnce(const Folders& f, std::initializer_list<std::string_view> gamePaths,
                      bool owed) {
    OldCopy copy(f.user + kCopyStagingSuffix);
    const std::string players(kPlayersFolder);
    const bool stagingFree = ClearStaging(copy.staging);
    // A players' folder in the user folder, even an empty one, means the
    // player has been here: the old ones were copied or deleted since;
    // unless a copy that failed is still owed.
    if (IsFolder(ResolveWriteTarget(players)) && !owed)
        return {};
    if (!HasEntries(f.data + "/" + players + "/*"))
        return {};
    if (!stagingFree)
        return copy.Failed("cannot copy through a folder that is not the game's own: ",
                           copy.staging);
    std::error_code ec;
    fs::create_directories(f.user, ec);
    if (!MakeStaging(copy.staging))
        return copy.Failed("cannot make ", copy.staging);
    copy.LeaveOut(f.user);
    copy.LeaveOut(copy.staging);
    std::vector<std::string> staged;
    for (std::string_view gamePath : gamePaths) {
        std::string mapped = MapPath(gamePath);
        while (!mapped.empty() && mapped.back() == '/')
            mapped.pop_back();
        if (mapped.empty() || mapped[0] == '/')
            continue;
        const std::string from = ResolveReadPath(f.data + "/" + mapped);
        if (!NameExists(from))
            continue;
        const std::string to = copy.staging + "/" + mapped;
        fs::create_directories(fs::path(to).parent_path(), ec);
        if (!copy.Tree(from, to))
            return copy.Abandon();
        const std::string top = mapped.substr(0, mapped.find('/'));
        if (std::find(staged.begin(), staged.end(), top) == staged.end())
            staged.push_back(top);
    }
    // The players' folder goes last: once it is there, the copy is done.
    std::stable_partition(staged.begin(), staged.end(),
                          [&](const std::string& top) { return top != players; });
    for (const std::string& top : staged)
        if (!copy.MoveIntoPlace(copy.staging + "/" + top, top))
            return copy.Abandon();
    RemoveTree(copy.staging);
    return copy.Result(OldFilesCopy::Outcome::Copied);
}

} // namespace

OldFilesCopy CopyOldGameFiles(std::initializer_list<std::string_view> gamePaths) {
    const Folders f = TheFolders();
    if (f.user.empty() || f.data == f.user)
        return {};
    const bool owed = NameExists(ResolveWriteTarget(kCopyOwedNote));
    OldFilesCopy copy = CopyOnce(f, gamePaths, owed);
    copy.folder = ResolveReadPath(f.data + "/" + std::string(kPlayersFolder));
    if (copy.outcome == OldFilesCopy::Outcome::Failed)
        WriteFileSafely(kCopyOwedNote,
                        "The players of " + copy.folder + " could not be copied here yet (" +
                            copy.problem + "). The game copies them at its next start; a "
                            "player made here meanwhile is kept, as is any of the same name.\n");
    else if (owed)
        RemoveFile(kCopyOwedNote);
    return copy;
}

} // namespace os
