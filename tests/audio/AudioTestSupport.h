#pragma once
// Shared pieces of the audio tests: a scratch folder, a captured object log, the
// sample files of the bank's slots, and control over the random generator.
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "platform/Rand15.h"

namespace audiotest {

// A fresh folder below the system temp dir, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("gv_audio_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder with a trailing separator, as the game passes folders.
    std::string Folder() const { return path_.string() + "/"; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
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
    void Clear() const { ResetObjectLog(); }

private:
    std::string previous_;
    std::string path_;
};

// Empty files for every fixed slot of the bank, and the given numbered variants
// of the Terminator and Combo slots (the fake back end only needs them to exist).
inline void WriteSlotFiles(const ScratchDir& dir, const std::vector<int>& terminators = {0},
                           const std::vector<int>& combos = {2}) {
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot) {
        const std::string name = CSoundBank::SlotFileName(slot);
        if (name.find('%') == std::string::npos)
            dir.Write(name, "");
    }
    for (int n : terminators)
        dir.Write("Terminator" + std::to_string(n) + ".wav", "");
    for (int n : combos)
        dir.Write("Combo" + std::to_string(n) + ".wav", "");
}

// Makes the generator's next 15-bit value `value` (0..32767), so the next
// RandomFloat is value / 32767.
inline void SetNextRandom(int value) {
    constexpr uint32_t a = 214013u, c = 2531011u;
    uint32_t inverse = a; // Newton's iteration for a^-1 mod 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - a * inverse;
    const uint32_t wanted = static_cast<uint32_t>(value) << 16;
    Rand15::Global().Seed((wanted - c) * inverse);
}

} // namespace audiotest
