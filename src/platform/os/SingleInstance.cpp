#include "platform/os/SingleInstance.h"

#include "platform/os/GameFolders.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <utility>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

bool IsDirectory(const char* path) {
    struct stat st;
    return path != nullptr && path[0] == '/' && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Mutex names may hold characters that mean something in a path ("Global\...").
std::string SafeFileName(const std::string& name) {
    std::string out;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '_' || c == '-';
        out += plain ? c : '_';
    }
    if (out.empty() || out[0] == '.')
        out.insert(out.begin(), '_');
    return out;
}

constexpr const char* kLockSuffix = ".lock";
constexpr const char* kRaiseSuffix = ".raise";

// The request file beside the lock: the lock's name with its own ending.
std::string RaisePath(const std::string& lockPath) {
    return lockPath.substr(0, lockPath.size() - std::string(kLockSuffix).size()) + kRaiseSuffix;
}

// The game's own folder below the state folder: a folder of this user, not a
// link, written by no one else.
std::string OwnFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ec);
    mkdir(folder.c_str(), 0700);
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return {};
    if ((st.st_mode & 0777) != 0700 && chmod(folder.c_str(), 0700) != 0)
        return {};
    return folder;
}

} // namespace

LockEnvironment ReadLockEnvironment() {
    LockEnvironment env;
    for (auto [value, name] : {std::pair{&env.runtime, "XDG_RUNTIME_DIR"},
                               std::pair{&env.stateHome, "XDG_STATE_HOME"},
                               std::pair{&env.home, "HOME"}})
        if (const char* v = std::getenv(name))
            *value = v;
    if (env.home.empty())
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
            env.home = pw->pw_dir;
    return env;
}

std::string LockFolder(const LockEnvironment& env) {
    if (IsDirectory(env.runtime.c_str()))
        return env.runtime;
    if (!env.stateHome.empty() && env.stateHome[0] == '/')
        return OwnFolder(env.stateHome + "/" + kUserFolderName);
    if (!env.home.empty() && env.home[0] == '/')
        return OwnFolder(env.home + "/.local/state/" + kUserFolderName);
    return {};
}

namespace {

std::string DefaultLockPath(const std::string& mutexName) {
    const std::string folder = LockFolder(ReadLockEnvironment());
    return folder.empty() ? std::string() : folder + "/" + SafeFileName(mutexName) + kLockSuffix;
}

} // namespace

SingleInstance::SingleInstance(const std::string& mutexName)
    : path_(DefaultLockPath(mutexName)), raisePath_(path_.empty() ? "" : RaisePath(path_)) {
    if (!path_.empty())
        Acquire();
}

SingleInstance::SingleInstance(const std::string& mutexName, const std::string& folder)
    : path_(folder + "/" + SafeFileName(mutexName) + kLockSuffix), raisePath_(RaisePath(path_)) {
    Acquire();
}

SingleInstance::~SingleInstance() {
    // The file stays: removing it would let a third instance lock a new file
    // while a second one still holds the old, unlinked one.
    if (fd_ >= 0)
        close(fd_);
}

void SingleInstance::Acquire() {
    // Close-on-exec matters: a browser started by the game must not inherit the
    // descriptor and keep the lock after the game has exited.
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        fd_ = fd;
        // A request left for a copy that has gone is not for this one.
        TakeRaiseRequest();
        return;
    }
    heldElsewhere_ = (errno == EWOULDBLOCK);
    close(fd);
}

bool SingleInstance::RequestRaise() const {
    const int fd = open(raisePath_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

bool SingleInstance::TakeRaiseRequest() const {
    return unlink(raisePath_.c_str()) == 0;
}

} // namespace os
