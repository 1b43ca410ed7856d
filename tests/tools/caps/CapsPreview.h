#pragma once
// Draws the generated caps textures the way the caps passes draw them
// (bilinear texture reads, straight-alpha blending, the additive light pass
// with the cursor spot, the chain pass) into a picture, to look at the tokens
// at their size on the board and to measure what a player would see.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image/Image.h"

namespace capspreview {

struct Frame {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// An RGB picture in display values (0..1), blended the way the game blends.
class Canvas {
public:
    Canvas(int width, int height, float r, float g, float b);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Fills a rectangle (texels) with a colour.
    void Fill(int x0, int y0, int x1, int y1, float r, float g, float b);
    // Sprite pass: the frame of `texture` on a square of half size `half`
    // centred at (cx, cy), blended by its alpha.
    void DrawSprite(const img::Image& texture, const Frame& frame, float cx, float cy, float half);
    // Light pass: `light`'s frame times the cursor spot, added; (dx, dy) is the
    // sprite centre minus the light point, in the same units as `half` (y down).
    void DrawLight(const img::Image& light, const Frame& frame, const img::Image& spot, float cx, float cy,
                   float half, float dx, float dy);
    // Chain pass for chain level 1 or 2 over a token of half size `half`.
    void DrawChain(const img::Image& chain, int level, float cx, float cy, float half);

    // RGB bytes, rows top to bottom.
    std::vector<uint8_t> Bytes() const;
    // Mean colour (display values) of a rectangle.
    void Mean(int x0, int y0, int x1, int y1, float out[3]) const;

private:
    int width_, height_;
    std::vector<float> rgb_;
};

// The contact sheet of a game folder's caps textures: the tokens at board
// size over a dark and a light board, their dark variants, chains, the glint
// frames, the cursor light, the cards and a card turning over, and a few
// tokens at twice the size. Null when a texture does not load.
bool ComposeSheet(const std::string& gameRoot, std::vector<uint8_t>& rgb, int& width, int& height,
                  std::string& error);

// Bilinear read of a straight-alpha texture at texture coordinates (u, v),
// clamped to the texture; channels 0..1.
void Sample(const img::Image& texture, float u, float v, float out[4]);

}  // namespace capspreview
