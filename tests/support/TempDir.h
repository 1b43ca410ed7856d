#pragma once
// A fresh folder per test below the system temp folder, removed with everything
// in it when the object goes; whole-file reads and writes; a working directory
// changed for one scope.
// Every test executable has tests/ on its include path: "support/TempDir.h".
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

// Writes the bytes exactly as given (no line-end translation), replacing the
// file; the folder must exist. False when the file cannot be written.
inline bool WriteFile(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// True when anything stands at the path, a dangling link included.
inline bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

class TempDir {
public:
    TempDir() {
        std::error_code ec;
        std::string pattern =
            (std::filesystem::temp_directory_path(ec) / "gv_test_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
        else
            ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Ok() const { return !path_.empty(); }

    // The folder itself, without a trailing separator.
    const std::string& Path() const { return path_; }
    // The same as a filesystem path, to build paths on with '/'.
    std::filesystem::path Root() const { return path_; }
    // A name below the folder ("a/b.txt"); Path("") is the folder with a
    // trailing separator.
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return Path(name); }
    // The folder with its trailing separator, as the game passes folders.
    std::string Folder() const { return path_ + "/"; }

    // Writes the file below the folder, making the folders on its way; returns
    // its path. Nothing is written when the folder could not be made.
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::string p = Path(name);
        if (!Ok())
            return p;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ec);
        WriteFile(p, bytes);
        return p;
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    bool Exists(const std::string& name) const { return FileExists(Path(name)); }

private:
    std::string path_;
};

// Changes the working directory for the scope of one test.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path old_;
};

// Sets an environment variable for a scope; what it held before comes back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* before = std::getenv(name);
        had_ = before != nullptr;
        kept_ = before ? before : "";
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_.c_str(), kept_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, kept_;
    bool had_ = false;
};

} // namespace testsupport
