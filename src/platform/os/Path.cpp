#include "platform/os/Path.h"

#include "platform/os/Ascii.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

bool NameExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::optional<std::string> FindNoCase(const std::string& folder, std::string_view name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::optional<std::string> best;
    while (dirent* entry = readdir(dir)) {
        std::string_view candidate = entry->d_name;
        if (candidate == "." || candidate == "..")
            continue;
        if (EqualsNoCase(candidate, name) && (!best || candidate < *best))
            best = std::string(candidate);
    }
    closedir(dir);
    return best;
}

} // namespace

std::string MapPath(std::string_view gamePath) {
    std::string out(gamePath);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string ResolvePath(std::string_view gamePath) {
    std::string mapped = MapPath(gamePath);
    if (mapped.empty() || NameExists(mapped))
        return mapped;

    std::string out;
    size_t pos = 0;
    if (mapped[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool resolving = true;
    while (pos <= mapped.size()) {
        size_t slash = mapped.find('/', pos);
        if (slash == std::string::npos)
            slash = mapped.size();
        std::string_view part = std::string_view(mapped).substr(pos, slash - pos);
        std::string piece(part);
        if (resolving && !part.empty() && part != "." && part != "..") {
            if (!NameExists(out + piece)) {
                auto match = FindNoCase(out.empty() ? std::string(".") : out, part);
                if (match)
                    piece = *match;
                else
                    resolving = false;
            }
        }
        out += piece;
        if (slash < mapped.size())
            out += '/';
        pos = slash + 1;
    }
    return out;
}

FILE* Open(std::string_view gamePath, const char* mode) {
    if (mode == nullptr)
        return nullptr;
    std::string sysMode;
    for (const char* m = mode; *m; ++m)
        if (*m != 't')
            sysMode += *m;
    sysMode += 'e';
    return std::fopen(ResolvePath(gamePath).c_str(), sysMode.c_str());
}

std::string CurrentDirectory() {
    std::string buf(256, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size()) != nullptr) {
            buf.resize(std::strlen(buf.c_str()));
            return buf;
        }
        if (errno != ERANGE || buf.size() > (1u << 20))
            return std::string();
        buf.resize(buf.size() * 2);
    }
}

} // namespace os
