#pragma once
// Contact sheets of the generated effect, bonus, board and scene pictures,
// drawn the way the game draws them (bilinear reads, the four blend modes of
// the sprites and frame pieces, 1:1 virtual units on a 1024 x 768 screen), to
// look at them and to measure what a player would see.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/image/Image.h"

namespace fxpreview {

enum class Blend { Normal, Add, Multiply, Screen };

// An RGB picture in display values (0..1).
class Canvas {
public:
    Canvas(int width, int height, float r = 0, float g = 0, float b = 0);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Draws the texture rectangle (u0, v0)-(u1, v1) of `t` on the parallelogram
    // with centre (cx, cy) and half axes (ax, ay) (towards the rectangle's right
    // edge) and (bx, by) (towards its bottom edge), in canvas pixels, tinted by
    // `tint` (r, g, b, a 0..1).
    void Quad(const img::Image& t, float u0, float v0, float u1, float v1, float cx, float cy, float ax, float ay,
              float bx, float by, const float tint[4], Blend blend);
    // Axis-aligned shorthand: a w x h rectangle centred at (cx, cy).
    void Rect(const img::Image& t, float u0, float v0, float u1, float v1, float cx, float cy, float w, float h,
              const float tint[4], Blend blend);
    // Copies another canvas scaled by 1 / `shrink` (box filter) to (x, y).
    void Paste(const Canvas& other, int x, int y, int shrink);

    // A w x h part from (x, y), enlarged `zoom` times (nearest texel).
    Canvas Crop(int x, int y, int w, int h, int zoom) const;
    // RGB bytes, rows top to bottom.
    std::vector<uint8_t> Bytes() const;
    // Mean colour of a rectangle.
    void Mean(int x0, int y0, int x1, int y1, float out[3]) const;
    float* At(int x, int y) { return &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3]; }
    const float* At(int x, int y) const { return &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3]; }

private:
    int width_, height_;
    std::vector<float> rgb_;
};

// Bilinear read (u, v in 0..1, clamped), channels 0..1.
void Sample(const img::Image& t, float u, float v, float out[4]);

// The pictures of a game folder, by path relative to it ("Data/Gfx/Spark.bmp").
using Pictures = std::map<std::string, img::Image>;

// The quest screen as the game shows it: a backdrop, the board frame pieces
// of the skin file, tokens from "Caps.png" when present, the bonuses on some
// cells, a bolt, the sand trough and the gem bar.
Canvas ComposeBoard(const Pictures& pictures, const std::string& skinFile, const std::string& gemsFile);
// Every effect and bonus texture on black and on a grey check.
Canvas ComposeSprites(const Pictures& pictures);
// The backdrops, the loading picture and the splash cards at half size.
Canvas ComposeScenes(const Pictures& pictures);

}  // namespace fxpreview
