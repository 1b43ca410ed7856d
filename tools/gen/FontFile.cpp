#include "FontFile.h"

#include "GenCommon.h"

namespace gen {

std::vector<uint8_t> EncodeFontDescription(const FontDescription& d) {
    std::vector<uint8_t> out;
    out.reserve(kFontDescriptionBytes);
    for (int32_t h : d.header)
        PutLe32(out, uint32_t(h));
    PutFloat(out, d.spaceAdvance);
    PutFloat(out, d.cellWidth);
    for (const GlyphMetrics& g : d.glyphs) {
        const float fields[12] = {g.width,   g.height, g.left,   g.unused[0],
                                  g.unused[1], g.unused[2], g.advance, g.uLeft,
                                  g.vTop,    g.uRight, g.vBottom, g.top};
        for (float f : fields)
            PutFloat(out, f);
    }
    return out;
}

}  // namespace gen
