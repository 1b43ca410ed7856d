#pragma once
// Random GUIDs: the quest save identifies each quest by one.
#include <cstdint>
#include <string>

namespace os {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    bool operator==(const Guid&) const = default;
};
static_assert(sizeof(Guid) == 16, "a GUID is stored as 16 raw bytes");

// 122 random bits with the version-4 and variant bits set, as the original
// platform's GUID generator made them.
Guid NewGuid();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string FormatGuid(const Guid& guid);

} // namespace os
