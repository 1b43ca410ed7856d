#include "engine/BitmapFont.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/Texture.h"
#include "platform/os/Path.h"

namespace {

// Reads `count` little-endian 32-bit words; false when the file ends first.
bool ReadWords(FILE* file, uint32_t* out, size_t count) {
    unsigned char bytes[48];
    while (count > 0) {
        size_t n = count < 12 ? count : 12;
        if (std::fread(bytes, 4, n, file) != n)
            return false;
        for (size_t i = 0; i < n; ++i)
            out[i] = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                     uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24;
        out += n;
        count -= n;
    }
    return true;
}

bool ReadInt(FILE* file, int32_t* out) {
    uint32_t w;
    if (!ReadWords(file, &w, 1))
        return false;
    *out = static_cast<int32_t>(w);
    return true;
}

bool ReadFloats(FILE* file, float* out, size_t count) {
    uint32_t words[12];
    while (count > 0) {
        size_t n = count < 12 ? count : 12;
        if (!ReadWords(file, words, n))
            return false;
        std::memcpy(out, words, n * sizeof(float));
        out += n;
        count -= n;
    }
    return true;
}

} // namespace

CBitmapFont::CBitmapFont(CSharedPtr<CTexture> texture) : Texture(texture) {}

CBitmapFont::~CBitmapFont() = default;

int CBitmapFont::LoadDescription(std::string_view path, std::string* fault) {
    FILE* file = os::Open(path, "rb");
    if (!file) {
        if (fault)
            *fault = "the file cannot be opened";
        return 0;
    }
    bool ok = ReadInt(file, &Header1) && ReadInt(file, &Header2) && ReadInt(file, &Header3) &&
              ReadInt(file, &Header4);
    if (ok) {
        Header3f = static_cast<float>(Header3);
        Header4f = static_cast<float>(Header4);
        ok = ReadFloats(file, &SpaceAdvance, 1) && ReadFloats(file, &CellWidth, 1);
    }
    for (int i = 0; ok && i < 256; ++i) {
        // Each record goes in whole or not at all, so a cut file never leaves
        // a glyph half old and half new.
        float record[12];
        ok = ReadFloats(file, record, 12);
        if (ok)
            std::memcpy(&Glyphs[i], record, sizeof record);
    }
    if (!ok && fault) {
        std::fseek(file, 0, SEEK_END);
        *fault = "the file holds " + std::to_string(std::ftell(file)) + " bytes, " +
                 std::to_string(kDescriptionBytes) + " expected";
    }
    std::fclose(file);
    if (!ok)
        return 0;
    SpaceAdvance = Glyphs[32].Advance;
    return 1;
}
