#include "engine/Random.h"

#include <cmath>

#include "platform/Rand15.h"

namespace {

uint32_t ToChannel(float v) {
    const float scaled = std::floor(v * 255.0f);
    if (!(scaled > 0.0f)) // also NaN
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint32_t>(scaled);
}

} // namespace

float RandomFloat() {
    return static_cast<float>(Rand15::Global().Next() / static_cast<double>(Rand15::kMax));
}

uint32_t RandomColour(float low1, float high1, float low2, float high2) {
    const float k = 3.0f * RandomFloat();
    const float m = RandomFloat() * (high1 - low1);
    const float p = low1 + m;
    const float q = high1 - m;
    const float s = low2 + RandomFloat() * (high2 - low2);
    float r, g, b;
    if (k <= 1.0f) {
        r = p, g = q, b = s;
    } else if (k <= 2.0f) {
        r = s, g = p, b = q;
    } else {
        r = q, g = s, b = p;
    }
    return 0xFF000000u | ToChannel(r) << 16 | ToChannel(g) << 8 | ToChannel(b);
}

uint32_t ParseHex(std::string_view text) {
    uint32_t value = 0;
    const std::size_t n = text.size() < 8 ? text.size() : 8;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\0') // a C string ends here
            break;
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        value = value << 4 | digit;
    }
    return value;
}
