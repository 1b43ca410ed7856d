#pragma once
// A software stand-in for the game's text pass, for looking at generated fonts:
// lays a line out from a font description the way text sprites do (pen line at
// the top of the line, glyph top and left offsets, advances, all times the
// scale) and draws each glyph's texel rectangle with bilinear filtering,
// tinted, blended source-alpha over the canvas.
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/BitmapFont.h"
#include "platform/image/Image.h"

struct PreviewCanvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // opaque, rows top to bottom

    PreviewCanvas(int w, int h, uint8_t r, uint8_t g, uint8_t b);
    // Fills rows [y0, y1) with a vertical gradient, to check texts on light and dark.
    void Gradient(int y0, int y1, const uint8_t top[3], const uint8_t bottom[3]);
};

// Bounding box of what a text put on the canvas (pixels whose colour changed).
struct InkBox {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; right < left when empty
    bool Empty() const { return right < left; }
};

// Draws `text` with its first line's pen line at (x, y) (pixels, y down), at
// `scale` pixels per font unit, tinted with `tint` (RGB). Returns the ink box
// and sets `penEnd` to the pen's final x.
InkBox DrawPreviewText(PreviewCanvas& canvas, const CBitmapFont& font, const img::Image& texture,
                       std::string_view text, float x, float y, float scale, const uint8_t tint[3],
                       float* penEnd = nullptr);
