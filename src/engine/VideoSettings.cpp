#include "engine/VideoSettings.h"

#include <utility>

#include "engine/IniHelpers.h"
#include "platform/os/Ini.h"
#include "platform/os/Path.h"

namespace {

constexpr const char* kSection = "Settings";

}  // namespace

CVideoSettings::CVideoSettings() : file_(DefaultFile()) {}

CVideoSettings::CVideoSettings(std::string file) : file_(std::move(file)) {}

std::string CVideoSettings::DefaultFile() {
    return "Data\\Config\\Options.ini";
}

void CVideoSettings::Load() {
    block_.adapter = GetIniInt(file_, kSection, "Adapter", "0");
    block_.colorMode = GetIniInt(file_, kSection, "ColorMode", "-1");
    block_.fullScreen = GetIniInt(file_, kSection, "FullScreen", "0");
    block_.width = GetIniInt(file_, kSection, "Width", "640");
    block_.height = GetIniInt(file_, kSection, "Height", "480");
    block_.videoSync = GetIniInt(file_, kSection, "VideoSync", "1");
}

bool CVideoSettings::Save() const {
    if (block_.adapter < 0 || block_.colorMode < 0)
        return false;
    const std::string adapter = std::to_string(block_.adapter);
    const std::string width = std::to_string(block_.width);
    const std::string height = std::to_string(block_.height);
    const std::string colorMode = std::to_string(block_.colorMode);
    // One replace of the file for all the keys: each replace is flushed to the disk.
    const os::ProfileEntry entries[] = {
        {kSection, "Adapter", adapter.c_str()},
        {kSection, "Width", width.c_str()},
        {kSection, "Height", height.c_str()},
        {kSection, "ColorMode", colorMode.c_str()},
        {kSection, "FullScreen", block_.fullScreen ? "1" : "0"},
        {kSection, "VideoSync", block_.videoSync ? "1" : "0"},
    };
    return os::WriteProfileStrings(entries, file_);
}
