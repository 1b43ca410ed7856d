#include "engine/TextNumbers.h"

#include <cctype>
#include <cstdlib>

namespace {

int32_t ClampToInt32(long long v) {
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

const char* SkipSpace(const char* p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

} // namespace

int32_t ParseDecimalInt(const char* text) {
    if (!text)
        return 0;
    const long long v = std::strtoll(text, nullptr, 10);
    return ClampToInt32(v);
}

float ParseDecimalFloat(const char* text) {
    if (!text)
        return 0.0f;
    return std::strtof(text, nullptr);
}

int ScanFloats(const char* text, float* out, int n) {
    if (!text)
        return 0;
    const char* p = text;
    int read = 0;
    while (read < n) {
        p = SkipSpace(p);
        char* end = nullptr;
        const float v = std::strtof(p, &end);
        if (end == p)
            break;
        out[read++] = v;
        p = end;
    }
    return read;
}

int ScanInts(const char* text, int32_t* out, int n) {
    if (!text)
        return 0;
    const char* p = text;
    int read = 0;
    while (read < n) {
        p = SkipSpace(p);
        char* end = nullptr;
        const long long v = std::strtoll(p, &end, 10);
        if (end == p)
            break;
        out[read++] = ClampToInt32(v);
        p = end;
    }
    return read;
}
