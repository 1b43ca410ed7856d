#include "platform/os/Guid.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <sys/random.h>

namespace os {
namespace {

void RandomBytes(uint8_t* out, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = getrandom(out + got, n - got, 0);
        if (r > 0)
            got += static_cast<size_t>(r);
        else if (r < 0 && errno != EINTR)
            break;
    }
    if (got == n)
        return;
    std::random_device device;
    for (size_t i = got; i < n; ++i)
        out[i] = static_cast<uint8_t>(device());
}

} // namespace

Guid NewGuid() {
    uint8_t b[16];
    RandomBytes(b, sizeof b);
    Guid g;
    g.data1 = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    g.data2 = static_cast<uint16_t>(b[4] << 8 | b[5]);
    g.data3 = static_cast<uint16_t>(((b[6] << 8 | b[7]) & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i)
        g.data4[i] = b[8 + i];
    g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);
    return g;
}

std::string FormatGuid(const Guid& g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                  static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

} // namespace os
