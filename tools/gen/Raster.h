#pragma once
// Float pictures for the procedural art: premultiplied-alpha RGBA in linear
// light, supersampled drawing filtered down, compositing, resampling, value
// noise, and the final conversion to 8-bit sRGB with straight alpha in which
// transparent texels carry the colour of the nearest edge (so that bilinear
// filtering never pulls a dark fringe into a cut-out picture).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen {

// Colour in linear light, premultiplied by `a` when used as a pixel.
struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};
inline Rgba operator+(Rgba p, Rgba q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a}; }
inline Rgba operator*(Rgba p, float s) { return {p.r * s, p.g * s, p.b * s, p.a * s}; }
// `top` over `bottom`, both premultiplied.
inline Rgba Over(Rgba top, Rgba bottom) { return top + bottom * (1.0f - top.a); }

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb p, Rgb q) { return {p.r + q.r, p.g + q.g, p.b + q.b}; }
inline Rgb operator-(Rgb p, Rgb q) { return {p.r - q.r, p.g - q.g, p.b - q.b}; }
inline Rgb operator*(Rgb p, float s) { return {p.r * s, p.g * s, p.b * s}; }
inline Rgb operator*(Rgb p, Rgb q) { return {p.r * q.r, p.g * q.g, p.b * q.b}; }
inline Rgb MixRgb(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
// An opaque colour as a premultiplied pixel of coverage `alpha`.
inline Rgba Premultiply(Rgb c, float alpha) { return {c.r * alpha, c.g * alpha, c.b * alpha, alpha}; }

float SrgbToLinear(float v);
float LinearToSrgb(float v);
// An sRGB colour given as 0xRRGGBB, in linear light.
Rgb FromHex(uint32_t rgb);
// Rec. 709 luminance of a linear colour.
float Luminance(Rgb c);
// Moves a colour towards its own grey: 0 keeps it, 1 makes it grey.
Rgb Desaturate(Rgb c, float amount);

class FloatImage {
public:
    FloatImage() = default;
    FloatImage(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgba& At(int x, int y) { return px_[size_t(y) * size_t(width_) + size_t(x)]; }
    const Rgba& At(int x, int y) const { return px_[size_t(y) * size_t(width_) + size_t(x)]; }
    std::vector<Rgba>& Pixels() { return px_; }
    const std::vector<Rgba>& Pixels() const { return px_; }

    // Copies `src` with its top-left corner at (x, y), replacing what is there;
    // parts outside this picture are dropped.
    void Blit(const FloatImage& src, int x, int y);
    // Draws `src` over this picture at (x, y).
    void BlitOver(const FloatImage& src, int x, int y);
    // Multiplies every pixel (colour and alpha) by `s`.
    void Scale(float s);

private:
    int width_ = 0, height_ = 0;
    std::vector<Rgba> px_;
};

// Box-filters a picture drawn at `factor` times the size down to its final
// size (width and height must be multiples of `factor`).
FloatImage Downsample(const FloatImage& big, int factor);

// Squeezes a picture horizontally about its centre by `scale` (0 < scale <= 1),
// averaging every source texel that falls into an output texel: a card turned
// part of the way. The picture keeps its size; the sides become transparent.
FloatImage SqueezeHorizontally(const FloatImage& src, float scale);

// Evaluates `shade(x, y)` at `factor` x `factor` sample points per output
// texel (x, y in output texels, sample centres) and filters down. `shade`
// returns a premultiplied linear colour.
template <class Shader>
FloatImage RenderSupersampled(int width, int height, int factor, Shader shade) {
    FloatImage out(width, height);
    const float inv = 1.0f / float(factor);
    const float weight = inv * inv;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgba sum;
            for (int sy = 0; sy < factor; ++sy) {
                const float fy = float(y) + (float(sy) + 0.5f) * inv;
                for (int sx = 0; sx < factor; ++sx)
                    sum = sum + shade(float(x) + (float(sx) + 0.5f) * inv, fy);
            }
            out.At(x, y) = sum * weight;
        }
    }
    return out;
}

// 8-bit conversion: sRGB colour, straight alpha, RGBA rows top to bottom.
// Texels whose alpha rounds to 0 take the colour of the nearest texel that is
// not transparent (searched up to `bleed` texels away; farther ones stay
// black). Alpha itself is untouched.
std::vector<uint8_t> ToRgba8(const FloatImage& image, int bleed = 8);
// The same with the colour premultiplied by alpha in display values: for
// pictures that are added onto the screen (light overlays), whose edges must
// fade to black. Transparent texels are black.
std::vector<uint8_t> ToRgba8Premultiplied(const FloatImage& image);
// The same, dropping alpha (for pictures without an alpha channel): RGB rows,
// the colour composed over black.
std::vector<uint8_t> ToRgb8(const FloatImage& image);

// --- Noise ---------------------------------------------------------------

uint32_t Hash32(uint32_t v);
// A pseudo-random value in [0, 1) from a few integers: deterministic.
float HashUnit(int a, int b = 0, int c = 0);

// Tileable fractal value noise sampled on a grid: built once, then read with
// bilinear filtering, so drawing with it costs a lookup per sample.
class NoiseField {
public:
    // A `size` x `size` grid (wrapping) of `octaves` octaves of value noise,
    // the first with `baseCells` cells across, each next one twice as fine and
    // `persistence` times as strong. Values roughly in [0, 1].
    NoiseField(int size, int baseCells, int octaves, float persistence, uint32_t seed);
    // Bilinear lookup; u, v in grid texels (wrap around).
    float Sample(float u, float v) const;
    int Size() const { return size_; }

private:
    int size_;
    std::vector<float> values_;
};

}  // namespace gen
