#include "playerdata/SafeFile.h"

#include <unistd.h>

#include <utility>

#include "platform/os/Dir.h"

CSafeFile::CSafeFile(std::string path)
    : path_(std::move(path)), temp_(os::TemporaryPathFor(path_)) {}

CSafeFile::~CSafeFile() {
    Abort();
}

FILE* CSafeFile::Open() {
    Abort();
    failed_ = false;
    const int fd = os::CreateFreshFile(temp_);
    if (fd < 0)
        return nullptr;
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr)
        close(fd);
    return file_;
}

bool CSafeFile::Write(const void* data, size_t size) {
    if (file_ == nullptr || failed_)
        return false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        failed_ = true;
    return !failed_;
}

bool CSafeFile::Commit() {
    if (file_ == nullptr)
        return false;
    bool ok = !failed_ && std::ferror(file_) == 0 && std::fflush(file_) == 0;
    // The data must be on the disk before the name points at it; otherwise a
    // power cut could leave the new name on an empty file.
    ok = ok && fsync(fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok && os::RenameReplacing(temp_, path_))
        return true;
    os::RemoveFile(temp_);
    return false;
}

void CSafeFile::Abort() {
    if (file_ == nullptr)
        return;
    std::fclose(file_);
    file_ = nullptr;
    os::RemoveFile(temp_);
}
