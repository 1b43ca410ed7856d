#include "platform/os/Path.h"

#include "platform/os/Ascii.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace os {
namespace {

struct Folders {
    std::string data;
    std::string user;
};

Folders& TheFolders() {
    static Folders folders;
    return folders;
}

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

// Case-corrects every component of a mapped path (see ResolveReadPath) past
// its first `given` characters, which name a folder taken as written.
std::string ResolveMapped(const std::string& mapped, size_t given = 0) {
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
        if (resolving && pos >= given && !part.empty() && part != "." && part != "..") {
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

// True when the user folder lies over the data folder for this mapped path.
bool Overlaid(const std::string& mapped) {
    return !UserFolder().empty() && !mapped.empty() && mapped[0] != '/';
}

// True when a mapped relative path lies below the players' folder.
bool InPlayersFolder(std::string_view mapped) {
    while (mapped.substr(0, 2) == "./")
        mapped.remove_prefix(2);
    const std::string_view first = mapped.substr(0, mapped.find('/'));
    return EqualsNoCase(first, kPlayersFolder);
}

// The folder is the one the player named: a missing one is made as he spelt
// it, never matched against a neighbour that differs in case; only the game's
// own path below it is.
std::string InFolder(const std::string& folder, const std::string& mapped) {
    return ResolveMapped(folder + "/" + mapped, folder.size() + 1);
}

// Makes the folders that hold `path` that are not there yet.
void MakeParentFolders(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    std::error_code ec;
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
}

// Copies a file of the data folder to where the user folder keeps it.
bool CopyUp(const std::string& from, const std::string& to) {
    std::error_code ec;
    return std::filesystem::copy_file(from, to, ec) && !ec;
}

} // namespace

void SetGameFolders(std::string dataFolder, std::string userFolder) {
    TheFolders().data = std::move(dataFolder);
    TheFolders().user = std::move(userFolder);
}

const std::string& DataFolder() {
    return TheFolders().data;
}

const std::string& UserFolder() {
    return TheFolders().user;
}

std::string MapPath(std::string_view gamePath) {
    std::string out(gamePath);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string ResolveReadPath(std::string_view gamePath) {
    const std::string mapped = MapPath(gamePath);
    if (!Overlaid(mapped))
        return ResolveMapped(mapped);
    std::string user = InFolder(UserFolder(), mapped);
    if (NameExists(user) || InPlayersFolder(mapped))
        return user;
    std::string data = InFolder(DataFolder(), mapped);
    return NameExists(data) ? data : user;
}

std::string ResolveWriteTarget(std::string_view gamePath) {
    const std::string mapped = MapPath(gamePath);
    return Overlaid(mapped) ? InFolder(UserFolder(), mapped) : ResolveMapped(mapped);
}

std::string ResolveWritePath(std::string_view gamePath) {
    // The folders there already keep their case; the missing ones are made as
    // the game spells them.
    std::string target = ResolveWriteTarget(gamePath);
    if (Overlaid(MapPath(gamePath)))
        MakeParentFolders(target);
    return target;
}

bool MakeFolders(std::string_view gamePath) {
    const std::string target = ResolveWriteTarget(gamePath);
    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    return std::filesystem::is_directory(target, ec);
}

std::vector<std::string> ResolveEveryPath(std::string_view gamePath) {
    const std::string mapped = MapPath(gamePath);
    if (!Overlaid(mapped))
        return {ResolveMapped(mapped)};
    std::vector<std::string> out{InFolder(UserFolder(), mapped)};
    if (!InPlayersFolder(mapped) && DataFolder() != UserFolder())
        out.push_back(InFolder(DataFolder(), mapped));
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
    const bool writes = sysMode.find_first_of("wa+") != std::string::npos;
    if (!writes)
        return std::fopen(ResolveReadPath(gamePath).c_str(), sysMode.c_str());
    const std::string target = ResolveWritePath(gamePath);
    if (sysMode[0] == 'r' && !NameExists(target)) {
        const std::string source = ResolveReadPath(gamePath);
        if (source != target && !CopyUp(source, target))
            return nullptr;
    }
    return std::fopen(target.c_str(), sysMode.c_str());
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
