#include "engine/IniHelpers.h"

#include <cmath>
#include <type_traits>

#include "engine/TextNumbers.h"
#include "platform/os/Ini.h"

namespace {

std::string ReadValue(std::string_view file, const char* section, const char* key,
                      const char* def) {
    return os::GetProfileString(section, key, def, file, kIniBufferSize);
}

template <class T, int N>
T* ReadScanned(T* out, std::string_view file, const char* section, const char* key,
               const char* def) {
    const std::string text = ReadValue(file, section, key, def);
    if constexpr (std::is_same_v<T, float>)
        ScanFloats(text.c_str(), out, N);
    else
        ScanInts(text.c_str(), out, N);
    return out;
}

uint32_t ToChannel(float v) {
    const float whole = std::floor(v);
    if (!(whole > 0.0f)) // also NaN
        return 0;
    if (whole >= 255.0f)
        return 255;
    return static_cast<uint32_t>(whole);
}

} // namespace

int32_t GetIniInt(std::string_view file, const char* section, const char* key, const char* def) {
    return ParseDecimalInt(ReadValue(file, section, key, def).c_str());
}

float GetIniFloat(std::string_view file, const char* section, const char* key, const char* def) {
    return ParseDecimalFloat(ReadValue(file, section, key, def).c_str());
}

float* GetIniFloat2(float* out, std::string_view file, const char* section, const char* key,
                    const char* def) {
    return ReadScanned<float, 2>(out, file, section, key, def);
}

float* GetIniFloat3(float* out, std::string_view file, const char* section, const char* key,
                    const char* def) {
    return ReadScanned<float, 3>(out, file, section, key, def);
}

float* GetIniFloat4(float* out, std::string_view file, const char* section, const char* key,
                    const char* def) {
    return ReadScanned<float, 4>(out, file, section, key, def);
}

int32_t* GetIniInt2(int32_t* out, std::string_view file, const char* section, const char* key,
                    const char* def) {
    return ReadScanned<int32_t, 2>(out, file, section, key, def);
}

uint32_t PackIniColour(const float rgba[4]) {
    return ToChannel(rgba[3]) << 24 | ToChannel(rgba[0]) << 16 | ToChannel(rgba[1]) << 8 |
           ToChannel(rgba[2]);
}

uint32_t GetIniColour(std::string_view file, const char* section, const char* key,
                      const char* def) {
    float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ScanFloats(ReadValue(file, section, key, def).c_str(), rgba, 4);
    return PackIniColour(rgba);
}

std::size_t GetIniRaw(std::string_view file, const char* section, const char* key, const char* def,
                      char* buffer, std::size_t size) {
    return os::GetProfileString(section, key, def, buffer, size, file);
}

std::string& GetIniString(std::string& out, std::string_view file, const char* section,
                          const char* key, const char* def, std::size_t bufferSize) {
    if (bufferSize > kIniBufferSize)
        bufferSize = kIniBufferSize;
    out = os::GetProfileString(section, key, def, file, bufferSize);
    return out;
}
