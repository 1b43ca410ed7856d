#pragma once
// Guard against a second copy of the game: an exclusive lock on a file named
// after the game's mutex name. The lock goes away with the process, so a crash
// never leaves a stale guard behind. A second copy that finds the lock taken
// leaves a request file beside it, which the running copy takes as a wish to
// see its window again.
#include <string>

namespace os {

// What the lock's folder is chosen from; empty strings stand for unset
// variables.
struct LockEnvironment {
    std::string runtime;   // XDG_RUNTIME_DIR
    std::string stateHome; // XDG_STATE_HOME
    std::string home;      // HOME, else the password database's home folder
};
LockEnvironment ReadLockEnvironment();

// The folder of the lock: $XDG_RUNTIME_DIR when it is an absolute directory;
// else the game's folder in the user's state folder ($XDG_STATE_HOME/glorvane
// when that is absolute, else ~/.local/state/glorvane), made when missing.
// A lock anyone could make first would let another user keep the game from
// starting, so the folder is only used when it is a folder (not a link) of
// this user that no one else can write in; its mode is made 0700. Empty when
// there is no such folder.
std::string LockFolder(const LockEnvironment& env);

class SingleInstance {
public:
    // Locks "<folder>/<name>.lock" in LockFolder(ReadLockEnvironment()); with
    // none the game runs unguarded.
    explicit SingleInstance(const std::string& mutexName);
    // The same in a given folder (tests).
    SingleInstance(const std::string& mutexName, const std::string& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True only when another holder has the lock. A lock file that cannot be
    // created at all (read-only folder, ...) is not taken as a second instance:
    // the game then runs unguarded rather than not at all.
    bool AlreadyRunning() const { return heldElsewhere_; }
    bool Holds() const { return fd_ >= 0; }
    const std::string& LockPath() const { return path_; }

    // From the copy that is refused: asks the holder to come to the front.
    // False when the request cannot be left.
    bool RequestRaise() const;
    // From the holder: true once for each request left since the last call
    // (one system call; cheap enough for a few checks a second).
    bool TakeRaiseRequest() const;

private:
    void Acquire();
    std::string path_;
    std::string raisePath_;
    int fd_ = -1;
    bool heldElsewhere_ = false;
};

} // namespace os
