#include "totems/TotemConfig.h"

#include <cmath>
#include <cstdio>

#include "engine/ObjectLog.h"
#include "engine/TextNumbers.h"
#include "platform/os/Ini.h"

namespace {

constexpr std::size_t kValueBuffer = 256;
// Larger magnitudes are no position, size or time the panel can use.
constexpr float kLargest = 1.0e7f;
constexpr float kChannelMax = 255.0f;
constexpr int kMaxNumbers = 8;

bool Usable(float v) {
    return std::isfinite(v) && std::fabs(v) <= kLargest;
}

// The numbers of a text: how many of the first n were read, all usable.
bool ScanAll(const std::string& text, float* out, int n) {
    float tmp[kMaxNumbers] = {};
    if (n > kMaxNumbers || ScanFloats(text.c_str(), tmp, n) != n)
        return false;
    for (int i = 0; i < n; ++i)
        if (!Usable(tmp[i]))
            return false;
    for (int i = 0; i < n; ++i)
        out[i] = tmp[i];
    return true;
}

} // namespace

std::string IndexedKey(const char* pattern, int32_t i) {
    char key[64];
    std::snprintf(key, sizeof key, pattern, i);
    return key;
}

std::string IndexedKey(const char* pattern, int32_t i, int32_t j) {
    char key[64];
    std::snprintf(key, sizeof key, pattern, i, j);
    return key;
}

std::string CTotemConfig::Raw(const char* key, const char* def) const {
    return os::GetProfileString(Section, key, def, File, kValueBuffer);
}

void CTotemConfig::Warn(const char* key, const char* reason) const {
    LogObject("Warning! Bad value in Totems.cfg\n");
    LogObject(File + " [" + Section + "] " + key + ": " + reason + "\n");
}

void CTotemConfig::Floats(const char* key, const char* def, float* out, int n) const {
    if (ScanAll(Raw(key, def), out, n))
        return;
    Warn(key, n == 1 ? "not a number" : "too few numbers");
    ScanAll(def, out, n);
}

float CTotemConfig::Float(const char* key, const char* def) const {
    float v = 0.0f;
    Floats(key, def, &v, 1);
    return v;
}

float CTotemConfig::Positive(const char* key, const char* def) const {
    float v = Float(key, def);
    if (v > 0.0f)
        return v;
    Warn(key, "must be above 0");
    ScanAll(def, &v, 1);
    return v;
}

float CTotemConfig::NonNegative(const char* key, const char* def) const {
    float v = Float(key, def);
    if (v >= 0.0f)
        return v;
    Warn(key, "must not be below 0");
    ScanAll(def, &v, 1);
    return v;
}

int32_t CTotemConfig::Int(const char* key, const char* def, int32_t low, int32_t high) const {
    const std::string text = Raw(key, def);
    int32_t v = 0;
    if (ScanInts(text.c_str(), &v, 1) == 1 && v >= low && v <= high)
        return v;
    Warn(key, "not a whole number in range");
    ScanInts(def, &v, 1);
    return v;
}

uint32_t CTotemConfig::Colour(const char* key, const char* def) const {
    float c[4] = {};
    bool ok = ScanAll(Raw(key, def), c, 4);
    for (int i = 0; ok && i < 4; ++i)
        ok = c[i] >= 0.0f && c[i] <= kChannelMax;
    if (!ok) {
        Warn(key, "needs four channels 0..255");
        ScanAll(def, c, 4);
    }
    auto byte = [&](int i) { return static_cast<uint32_t>(std::floor(c[i])); };
    return byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2);
}

CVector3 CTotemConfig::Point(const char* key, const char* def, float offsetX) const {
    float p[3] = {};
    Floats(key, def, p, 3);
    return CVector3(p[0] - offsetX, kScreenY - p[1], p[2]);
}

void CTotemConfig::Rect(const char* key, const char* def, CVector3& centre, float size[2]) const {
    float r[5] = {};
    Floats(key, def, r, 5);
    centre = CVector3(r[0] - kScreenX + r[3] / 2.0f, kScreenY - r[1] - r[4] / 2.0f, r[2]);
    size[0] = r[3];
    size[1] = r[4];
}
