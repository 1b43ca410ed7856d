#include "engine/IniHelpers.h"

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "engine/ObjectLog.h"
#include "engine/TextNumbers.h"
#include "platform/os/Ini.h"

namespace {

struct Value {
    std::string text;
    int line = 0;
};

Value ReadValue(std::string_view file, const char* section, const char* key, const char* def) {
    os::ProfileValue v = os::ReadProfileValue(section, key, def, file, kIniBufferSize);
    if (!v.fault.empty()) {
        LogObject("Warning! Configuration file not read, built-in values are used\n");
        LogFileFault(file, 0, v.fault);
    }
    return Value{std::move(v.text), v.line};
}

std::string Number(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

// Scans up to n floats of the value into out. A field that reads as no finite
// number (nan, inf, 1e99) would reach casts and sums as undefined behaviour, so
// it takes the default's field instead (or keeps its value where the default
// gives none), with a warning.
template <int N>
void ScanFiniteFloats(float* out, std::string_view file, const char* section, const char* key,
                      const char* def) {
    const Value v = ReadValue(file, section, key, def);
    float scanned[N];
    float fallback[N];
    for (int i = 0; i < N; ++i)
        scanned[i] = fallback[i] = out[i];
    const int read = ScanFloats(v.text.c_str(), scanned, N);
    ScanFloats(def != nullptr ? def : "", fallback, N);
    for (int i = 0; i < N; ++i) {
        if (i < read && !std::isfinite(scanned[i])) {
            const float used = std::isfinite(fallback[i]) ? fallback[i] : 0.0f;
            WarnIniValue(file, section, key, v.line, QuoteToken(v.text) + " is no finite number",
                         "the default " + Number(used));
            scanned[i] = used;
        }
        out[i] = scanned[i];
    }
}

template <class T, int N>
T* ReadScanned(T* out, std::string_view file, const char* section, const char* key,
               const char* def) {
    if constexpr (std::is_same_v<T, float>)
        ScanFiniteFloats<N>(out, file, section, key, def);
    else
        ScanInts(ReadValue(file, section, key, def).text.c_str(), out, N);
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

void WarnIniValue(std::string_view file, const char* section, const char* key, int line,
                  std::string_view problem, std::string_view used) {
    std::string warning = "Warning! Bad value of ";
    warning.append(key ? key : "").append(" in ").append(file).append(", using ").append(used);
    LogObject(warning + "\n");
    std::string reason = "[";
    reason.append(section ? section : "").append("] ").append(key ? key : "").append(": ");
    LogFileFault(file, line, reason.append(problem));
}

int IniKeyLine(std::string_view file, const char* section, const char* key) {
    return os::ReadProfileValue(section, key, "", file).line;
}

int32_t GetIniInt(std::string_view file, const char* section, const char* key, const char* def) {
    return ParseDecimalInt(ReadValue(file, section, key, def).text.c_str());
}

float GetIniFloat(std::string_view file, const char* section, const char* key, const char* def) {
    float value = 0.0f;
    ScanFiniteFloats<1>(&value, file, section, key, def);
    return value;
}

int32_t GetIniIntClamped(std::string_view file, const char* section, const char* key,
                         const char* def, int32_t low, int32_t high) {
    const Value v = ReadValue(file, section, key, def);
    const int32_t value = ParseDecimalInt(v.text.c_str());
    if (value >= low && value <= high)
        return value;
    const int32_t used = value < low ? low : high;
    WarnIniValue(file, section, key, v.line,
                 QuoteToken(v.text) + " is outside " + std::to_string(low) + ".." +
                     std::to_string(high),
                 std::to_string(used));
    return used;
}

float GetIniFloatClamped(std::string_view file, const char* section, const char* key,
                         const char* def, float low, float high) {
    const float value = GetIniFloat(file, section, key, def);
    if (value >= low && value <= high)
        return value;
    const float used = value < low ? low : high;
    WarnIniValue(file, section, key, IniKeyLine(file, section, key),
                 Number(value) + " is outside " + Number(low) + ".." + Number(high), Number(used));
    return used;
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
    ScanFiniteFloats<4>(rgba, file, section, key, def);
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
