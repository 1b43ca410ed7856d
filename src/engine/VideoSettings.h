#pragma once
// The video settings: ten words that the program loads from the "Settings"
// section of "Options.ini", hands to the renderer's device set-up (which
// corrects and completes them) and writes back.
#include <cstdint>
#include <string>

struct VideoSettingsBlock {
    int32_t adapter = 0;
    int32_t colorMode = -1;   // bits per pixel of the full-screen mode; -1 = not chosen
    uint32_t format = 0;      // display format chosen by the device set-up
    int32_t fullScreen = 0;
    int32_t width = 640;      // 0 = choose
    int32_t height = 480;     // 0 = choose
    int32_t videoSync = 1;    // wait for the vertical retrace in full screen
    uint32_t libraryHandle = 0;   // kept for the program entry; no meaning here
    uint32_t instanceHandle = 0;
    int32_t gpuClass = 0;     // set when the set-up had to choose a mode
};

class CVideoSettings {
public:
    // The file is "<working dir>/Data\Config\Options.ini".
    CVideoSettings();
    explicit CVideoSettings(std::string file);

    void Set(const VideoSettingsBlock& block) { block_ = block; }
    const VideoSettingsBlock& Get() const { return block_; }

    // Reads Adapter, ColorMode, FullScreen, Width, Height and VideoSync (a
    // missing key gives its default, text that is no number 0); the other words
    // stay.
    void Load();
    // Writes Adapter, Width, Height, ColorMode, FullScreen and VideoSync, but only
    // when the adapter and the colour mode are both 0 or more. False when nothing
    // was written.
    bool Save() const;

    const std::string& File() const { return file_; }

    static std::string DefaultFile();

private:
    VideoSettingsBlock block_;
    std::string file_;
};
