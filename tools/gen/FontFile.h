#pragma once
// The glyph description file the game reads next to each font texture
// (Font.uxd and the additional fonts' .uxd files).
//
// Units: every glyph metric is in font units, where 1.0 is the font's
// character height (header 3). A text drawn at scale s has characters s
// virtual pixels tall; at s == character height one texel of the font
// texture covers one virtual pixel. Texture coordinates run 0..1 with v = 0
// at the top row of the picture.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen {

struct GlyphMetrics {
    float width = 0;    // picture width
    float height = 0;   // picture height
    float left = 0;     // pen position to the picture's left edge
    float unused[3] = {0, 0, 0};
    float advance = 0;  // pen movement after the glyph
    float uLeft = 0, vTop = 0, uRight = 0, vBottom = 0;
    float top = 0;      // top of the line (pen line) down to the picture's top edge
};

struct FontDescription {
    // 1, 2: texture width and height in texels. 3: the character height in
    // texels, which is also the size in virtual pixels at which the font is
    // drawn texel for texel. 4: the same height again, as the natural line step.
    int32_t header[4] = {0, 0, 0, 0};
    float spaceAdvance = 0;  // glyph 32's advance (the game reads it from there)
    float cellWidth = 0;     // fixed-pitch cell: the widest digit
    std::array<GlyphMetrics, 256> glyphs{};
};

constexpr size_t kFontDescriptionBytes = 24 + 256 * 48;

// The file's bytes: little-endian, exactly kFontDescriptionBytes long.
std::vector<uint8_t> EncodeFontDescription(const FontDescription& description);

}  // namespace gen
