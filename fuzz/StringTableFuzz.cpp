// The string table's two files. A byte 0x01 in the input splits it into the
// string file and the define file; without one the input is tried as each of
// them beside a well-formed partner, so seeds of both kinds reach every rule.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/StringTable.h"

namespace {

const uint8_t* Bytes(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}

void LoadAndLook(const uint8_t* strings, size_t stringsSize, const uint8_t* defines,
                 size_t definesSize) {
    const std::string s = fuzz::WriteInput("Data/Txt/Strings.txt", strings, stringsSize);
    const std::string d = fuzz::WriteInput("Data/TextID.dat", defines, definesSize);
    LoadStringTable(s, d);
    char buffer[8];
    for (int32_t id = -2; id < 64; ++id) {
        (void)GetString(id);
        (void)GetString(id, buffer, sizeof buffer);
    }
    (void)FindStringDefine("A", buffer, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0x01) {
            LoadAndLook(data, i, data + i + 1, size - i - 1);
            return 0;
        }
    }
    const char* defines = "define A 1\ndefine B 2\n";
    const char* strings = "STRINGS\nA \"a\\n\"\nB \"b\"\nUXF\nF \"f\"\n";
    LoadAndLook(data, size, Bytes(defines), std::char_traits<char>::length(defines));
    LoadAndLook(Bytes(strings), std::char_traits<char>::length(strings), data, size);
    (void)UnescapeText(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
