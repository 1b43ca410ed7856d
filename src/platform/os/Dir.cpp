#include "platform/os/Dir.h"

#include "platform/os/Ascii.h"
#include "platform/os/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

// Each level of RemoveTree holds one open folder; deeper trees than this are
// not something the game creates.
constexpr int kMaxTreeDepth = 256;

bool IsDotName(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes everything inside the open folder `fd` (takes ownership of it).
bool RemoveContents(int fd, int depth) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(dir))
        if (!IsDotName(e->d_name))
            names.emplace_back(e->d_name);

    bool ok = true;
    int dfd = dirfd(dir);
    for (const std::string& name : names) {
        struct stat st;
        if (fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // O_NOFOLLOW: should the folder be swapped for a link after the
            // check, the open fails instead of walking into the link's target.
            int sub =
                depth < kMaxTreeDepth
                    ? openat(dfd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                    : -1;
            if (sub < 0 || !RemoveContents(sub, depth + 1))
                ok = false;
            if (unlinkat(dfd, name.c_str(), AT_REMOVEDIR) != 0)
                ok = false;
        } else if (unlinkat(dfd, name.c_str(), 0) != 0) {
            ok = false;
        }
    }
    closedir(dir);
    return ok;
}

bool MatchFrom(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match; on a mismatch, let the last '*' swallow one
    // more character.
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*")
        return true;
    return MatchFrom(name, pattern);
}

bool ListDir(std::string_view pattern, std::vector<DirEntry>* out) {
    out->clear();
    std::string mapped = MapPath(pattern);
    size_t slash = mapped.rfind('/');
    std::string folder = slash == std::string::npos ? "." : mapped.substr(0, slash + 1);
    std::string namePattern = slash == std::string::npos ? mapped : mapped.substr(slash + 1);
    if (namePattern.empty())
        namePattern = "*";

    // The user folder's entries first: a name both folders have is the user's.
    bool listed = false;
    for (const std::string& place : ResolveEveryPath(folder)) {
        DIR* dir = opendir(place.c_str());
        if (dir == nullptr)
            continue;
        listed = true;
        const size_t before = out->size();
        int dfd = dirfd(dir);
        while (dirent* e = readdir(dir)) {
            if (IsDotName(e->d_name) || !MatchesPattern(e->d_name, namePattern))
                continue;
            const bool shadowed =
                std::any_of(out->begin(), out->begin() + static_cast<std::ptrdiff_t>(before),
                            [&](const DirEntry& d) { return d.name == e->d_name; });
            if (shadowed)
                continue;
            DirEntry entry;
            entry.name = e->d_name;
            struct stat st;
            if (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                entry.isSymlink = S_ISLNK(st.st_mode);
            if (fstatat(dfd, e->d_name, &st, 0) == 0)
                entry.isDirectory = S_ISDIR(st.st_mode);
            out->push_back(std::move(entry));
        }
        closedir(dir);
    }
    if (!listed)
        return false;
    std::sort(out->begin(), out->end(), [](const DirEntry& a, const DirEntry& b) {
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(), [](char x, char y) {
                char lx = AsciiLower(x), ly = AsciiLower(y);
                return lx != ly ? (unsigned char)lx < (unsigned char)ly
                                : (unsigned char)x < (unsigned char)y;
            });
    });
    return true;
}

bool CreateDir(std::string_view path) {
    std::string mapped = MapPath(path);
    while (mapped.size() > 1 && mapped.back() == '/')
        mapped.pop_back();
    const size_t slash = mapped.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : mapped.substr(0, slash);
    // Seen through both folders: the parent must be there in one of them, and
    // the folder in neither; it is made in the user folder.
    struct stat st;
    if (lstat(ResolveReadPath(mapped).c_str(), &st) == 0 || stat(ResolveReadPath(parent).c_str(), &st) != 0)
        return false;
    return mkdir(ResolveWritePath(mapped).c_str(), 0777) == 0;
}

bool RemoveDir(std::string_view path) {
    return rmdir(ResolveWriteTarget(path).c_str()) == 0;
}

bool RemoveTree(std::string_view path) {
    std::string real = ResolveWriteTarget(path);
    if (real.empty())
        return false;
    struct stat st;
    if (lstat(real.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return unlink(real.c_str()) == 0;
    int fd = open(real.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = RemoveContents(fd, 1);
    return rmdir(real.c_str()) == 0 && ok;
}

bool RemoveFile(std::string_view path) {
    return unlink(ResolveWriteTarget(path).c_str()) == 0;
}

bool Rename(std::string_view from, std::string_view to) {
    std::string src = ResolveWriteTarget(from);
    std::string dst = ResolveWriteTarget(to);
    struct stat a, b;
    if (lstat(src.c_str(), &a) != 0)
        return false;
    if (lstat(dst.c_str(), &b) == 0) {
        if (a.st_dev != b.st_dev || a.st_ino != b.st_ino)
            return false;
        // Only the letter case changes: keep the resolved folder, take the new
        // name as written.
        std::string mapped = MapPath(to);
        size_t slash = dst.rfind('/');
        size_t mslash = mapped.rfind('/');
        std::string name = mslash == std::string::npos ? mapped : mapped.substr(mslash + 1);
        dst = (slash == std::string::npos ? std::string() : dst.substr(0, slash + 1)) + name;
        if (dst == src)
            return true;
        return rename(src.c_str(), dst.c_str()) == 0;
    }
    if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot refuse a replacement itself; the check above has
    // to do.
    return rename(src.c_str(), dst.c_str()) == 0;
}

bool RenameReplacing(std::string_view from, std::string_view to) {
    return rename(ResolveWriteTarget(from).c_str(), ResolveWritePath(to).c_str()) == 0;
}

std::string TemporaryPathFor(std::string_view path) {
    constexpr size_t kMaxStem = 8;
    const size_t slash = path.find_last_of("\\/");
    const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    std::string_view stem = path.substr(start);
    stem = stem.substr(0, std::min(stem.find('.'), kMaxStem));
    return std::string(path.substr(0, start)) + (stem.empty() ? "Save" : std::string(stem)) + ".tmp";
}

} // namespace os
