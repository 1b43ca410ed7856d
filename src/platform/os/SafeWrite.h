#pragma once
// Every file the game writes goes through here, so that a crash, a full disk
// or a killed process never costs the last good copy: the bytes go to a
// temporary file beside the target (TemporaryPathFor, Dir.h), are flushed to
// the disk, and the temporary file is then renamed over the target in one step.
//
// A link at the target is replaced by the written file, never written
// through: the game's files stay inside the user folder, and a link a player
// (or anyone else) put there cannot make the game overwrite a file elsewhere.
// A regular file that is replaced keeps its permission bits.
#include <cstdio>
#include <string>
#include <string_view>

namespace os {

class SafeWrite {
public:
    // `path`, a game path, goes through ResolveWritePath (Path.h) when the
    // file opens.
    explicit SafeWrite(std::string path);
    // An uncommitted file is thrown away.
    ~SafeWrite();
    SafeWrite(const SafeWrite&) = delete;
    SafeWrite& operator=(const SafeWrite&) = delete;

    // The temporary file open for binary writing; null when it cannot be made
    // (or the target is a folder or another kind of file that is no file).
    FILE* Open();
    // Writes `size` bytes; false (and the file is spoilt) on a short write.
    bool Write(const void* data, size_t size);
    // Flush, sync, close and rename over the target. False when any step failed;
    // the target is then unchanged and the temporary file removed.
    bool Commit();
    // Closes and removes the temporary file; the target is unchanged.
    void Abort();

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string target_; // resolved when opened
    std::string temp_;
    FILE* file_ = nullptr;
    bool failed_ = false;
};

// Open, Write and Commit of a whole file at once.
bool WriteFileSafely(std::string_view gamePath, std::string_view data);

} // namespace os
