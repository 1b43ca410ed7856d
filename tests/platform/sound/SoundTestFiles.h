#pragma once
// Temporary sound files for the sound tests.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sndtest {

// A fresh folder below the system temp dir, removed with everything in it.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("gv_sound_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Folder() const { return path_.string(); }

    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string p = File(name);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p;
    }

private:
    std::filesystem::path path_;
};

// A sine tone with a slow amplitude swell, different per channel, interleaved.
inline std::vector<int16_t> Tone(int frames, int channels, int rate, double hz = 440.0) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i) / rate;
            const double amp = 0.3 + 0.2 * std::sin(2 * pi * 3.0 * t);
            out[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(20000.0 * amp * std::sin(2 * pi * hz * (c + 1) * t));
        }
    return out;
}

} // namespace sndtest
