#pragma once
// A bitmap font: one texture holding the pictures of up to 256 characters, and a
// description of where each picture lies in it and how it is placed on a line.
// Text sprites share a font through a CSharedPtr and lay out their glyphs from
// its metrics.
#include <cstdint>
#include <string_view>

#include "engine/SharedPtr.h"

class CTexture;

// One character's metrics, in font units (text sprites multiply them by their
// scale); texture coordinates run from 0 to 1.
struct CFontGlyph {
    float Width;      // width of the picture
    float Height;     // height of the picture
    float Left;       // from the pen position to the picture's left edge
    float Unused[3];  // kept as read, not used for drawing
    float Advance;    // how far the pen moves after this glyph
    float ULeft;      // texture u of the left edge
    float VTop;       // texture v of the top edge
    float URight;     // texture u of the right edge
    float VBottom;    // texture v of the bottom edge
    float Top;        // from the pen line down to the picture's top edge
};
static_assert(sizeof(CFontGlyph) == 48);

class CBitmapFont {
public:
    // The description file: 4 int32 header fields, the space advance and the cell
    // width as floats, then 256 glyph records of 12 floats, all little-endian.
    static constexpr long kFileSize = 24 + 256 * 48;

    explicit CBitmapFont(CSharedPtr<CTexture> texture);
    ~CBitmapFont();
    CBitmapFont(const CBitmapFont&) = delete;
    CBitmapFont& operator=(const CBitmapFont&) = delete;

    // Reads the description file (a game path). 1 on success; 0 when the file
    // cannot be opened or ends before all 12312 bytes are read, in which case the
    // fields read before the short one keep their new values. On success the
    // space advance becomes glyph 32's advance, whatever the file says.
    // `fault`, when given, receives the reason of a failure for the log.
    int LoadDescription(std::string_view path, std::string* fault = nullptr);
    // The size of a description file: four words, two floats, 256 glyph records.
    static constexpr long kDescriptionBytes = 24 + 256 * 48;

    CSharedPtr<CTexture> Texture;
    int32_t Header1 = 0;
    int32_t Header2 = 0;
    int32_t Header3 = 0;
    int32_t Header4 = 0;
    float Header3f = 0.0f;
    float Header4f = 0.0f;
    float SpaceAdvance = 0.0f;  // a blank's advance in proportional text
    float CellWidth = 0.0f;     // every character's cell in fixed-pitch text
    CFontGlyph Glyphs[256] = {};
};
