#include "platform/os/SafeWrite.h"

#include "platform/os/Dir.h"
#include "platform/os/Path.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace os {

SafeWrite::SafeWrite(std::string path) : path_(std::move(path)) {}

SafeWrite::~SafeWrite() {
    Abort();
}

FILE* SafeWrite::Open() {
    Abort();
    failed_ = false;
    target_ = ResolveWritePath(path_);
    struct stat st;
    const bool existed = lstat(target_.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return nullptr;
    // Whatever had the temporary name (a killed game's leftover) goes first;
    // a link put there in between is refused rather than written through.
    temp_ = TemporaryPathFor(target_);
    unlink(temp_.c_str());
    const int fd = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    if ((existed && S_ISREG(st.st_mode) && fchmod(fd, st.st_mode & 07777) != 0) ||
        (file_ = fdopen(fd, "wb")) == nullptr) {
        close(fd);
        unlink(temp_.c_str());
        return nullptr;
    }
    return file_;
}

bool SafeWrite::Write(const void* data, size_t size) {
    if (file_ == nullptr || failed_)
        return false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        failed_ = true;
    return !failed_;
}

bool SafeWrite::Commit() {
    if (file_ == nullptr)
        return false;
    bool ok = !failed_ && std::ferror(file_) == 0 && std::fflush(file_) == 0;
    // The data must be on the disk before the name points at it; otherwise a
    // power cut could leave the new name on an empty file.
    ok = ok && fsync(fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    // rename replaces a link at the target rather than following it.
    if (ok && rename(temp_.c_str(), target_.c_str()) == 0)
        return true;
    unlink(temp_.c_str());
    return false;
}

void SafeWrite::Abort() {
    if (file_ == nullptr)
        return;
    std::fclose(file_);
    file_ = nullptr;
    unlink(temp_.c_str());
}

bool WriteFileSafely(std::string_view gamePath, std::string_view data) {
    SafeWrite file{std::string(gamePath)};
    return file.Open() != nullptr && file.Write(data.data(), data.size()) && file.Commit();
}

} // namespace os
