#pragma once
// Scratch files and a captured object log for the play field model tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "gv_pfmodel_XXXXXX").string();
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

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path p = path_ / name;
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

// Points the object log at a scratch file for the life of the object.
class CapturedLog {
public:
    explicit CapturedLog(const ScratchDir& dir)
        : previous_(ObjectLogPath()), path_(dir.Path("Objects.log")) {
        SetObjectLogPath(path_);
        ResetObjectLog();
    }
    ~CapturedLog() { SetObjectLogPath(previous_); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::string Text() const { return ScratchDir::Read(path_); }
    void Clear() { ResetObjectLog(); }

private:
    std::string previous_;
    std::string path_;
};
