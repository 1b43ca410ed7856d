#include "playerdata/SafeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "platform/os/Dir.h"
#include "platform/os/Path.h"

namespace {

constexpr size_t kMaxTempStem = 8;

} // namespace

CSafeFile::CSafeFile(std::string path) : path_(std::move(path)), temp_(TemporaryPath(path_)) {}

CSafeFile::~CSafeFile() {
    Abort();
}

std::string CSafeFile::TemporaryPath(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = path.substr(start);
    const size_t dot = stem.find('.');
    if (dot != std::string::npos)
        stem.resize(dot);
    if (stem.size() > kMaxTempStem)
        stem.resize(kMaxTempStem);
    if (stem.empty())
        stem = "Save";
    return path.substr(0, start) + stem + ".tmp";
}

FILE* CSafeFile::Open() {
    Abort();
    failed_ = false;
    // A fresh file of our own: whatever had the temporary name goes first, and
    // a link put there in between is refused rather than written through.
    const std::string real = os::ResolvePath(temp_);
    unlink(real.c_str());
    const int fd = open(real.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
