#pragma once
// Writing a player file so that a crash, a full disk or a killed process never
// costs the last good copy: the bytes go to a temporary file beside the target,
// are flushed to the disk, and the temporary file is then renamed over the
// target in one step. The temporary name follows os::TemporaryPathFor, short
// enough for a profile's deletion to remove it too.
#include <cstdio>
#include <string>

class CSafeFile {
public:
    explicit CSafeFile(std::string path);
    // An uncommitted file is thrown away.
    ~CSafeFile();
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // The temporary file open for binary writing; null when it cannot be made.
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
    std::string temp_;
    FILE* file_ = nullptr;
    bool failed_ = false;
};
