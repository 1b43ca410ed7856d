#pragma once
// Scratch files for the engine tests: a unique temporary folder that is removed
// with everything in it when the test ends.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "gv_engine_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            ADD_FAILURE() << "cannot create a temporary folder";
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& name) const { return (path_ / name).string(); }

    // Writes the bytes exactly as given (no line-end translation); creates folders.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << bytes;
        return p.string();
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};
