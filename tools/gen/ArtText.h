#pragma once
// Lettering for the loading picture and the splash cards: a line of text
// rasterised with FreeType from the game's display face into a coverage mask,
// and the blurred copies of it that give the letters their bevel, shadow and
// glow.
#include <string>
#include <vector>

#include "ArtCommon.h"

namespace gen {

// A grey picture (0..1) read with bilinear filtering.
class Mask {
public:
    Mask() = default;
    Mask(int width, int height) : width_(width), height_(height), v_(size_t(width) * size_t(height), 0.0f) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    float& At(int x, int y) { return v_[size_t(y) * size_t(width_) + size_t(x)]; }
    float At(int x, int y) const { return v_[size_t(y) * size_t(width_) + size_t(x)]; }
    // Bilinear read at (x, y) in mask texels (texel centres at +0.5); 0 outside.
    float Sample(float x, float y) const;
    // A copy blurred by `passes` box passes of radius `radius` (about a Gaussian).
    Mask Blurred(int radius, int passes) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<float> v_;
};

// A line of text set in the display face at `emPixels` texels per em, with
// `margin` empty texels round it; `tracking` adds space between letters (em
// fraction). `baseline` receives the baseline's row. False, with the reason in
// `error`, when no usable face is found.
bool SetText(const std::string& text, float emPixels, int margin, float tracking, Mask& out, int& baseline,
             std::string& error);

// Carved gold lettering drawn from a text mask placed with its centre at
// (cx, cy) of the picture, `scale` mask texels per picture texel. Gives the
// letters (premultiplied, over nothing) at picture point p; `shadow` and `glow`
// are the blurred masks that SetTitleMasks makes.
struct TitleMasks {
    Mask letters, bevel, shadow, glow;
    float cx = 0, cy = 0, scale = 1;
};
bool SetTitleMasks(const std::string& text, float emPixels, float tracking, float scale, float cx, float cy,
                   TitleMasks& out, std::string& error);
// `metal` 0 gold, 1 pale jade-white; `glowColour` the halo behind the letters.
Rgba TitleAt(const TitleMasks& m, Vec2 p, int metal, Rgb glowColour, float glowStrength);

}  // namespace gen
