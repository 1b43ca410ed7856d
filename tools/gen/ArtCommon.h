#pragma once
// Helpers shared by the effect, bonus, board and scene pictures: a renderer
// that spreads the rows of a supersampled picture over threads, resampling,
// the 8-bit sheet that atlases are assembled in, the file writers, lighting of
// height fields, shared noise and the game's palette.
//
// Every helper is deterministic: a texel depends only on its own samples, so
// the thread count never changes a byte.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Raster.h"
#include "Sdf.h"

namespace gen {

// Runs `body(first, step)` on the machine's cores: rows first, first + step, ...
template <class Body>
void ParallelRows(int height, const Body& body) {
    unsigned threads = std::thread::hardware_concurrency();
    threads = threads == 0 ? 1 : (threads > 8 ? 8 : threads);
    if (height < 16 || threads == 1) {
        body(0, 1);
        return;
    }
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(body, int(t), int(threads));
    body(0, int(threads));
    for (std::thread& t : pool)
        t.join();
}

// RenderSupersampled with the rows spread over the machine's cores. `shade`
// must only read shared state.
template <class Shader>
FloatImage RenderParallel(int width, int height, int factor, const Shader& shade) {
    FloatImage out(width, height);
    if (width <= 0 || height <= 0)
        return out;
    const float inv = 1.0f / float(factor);
    const float weight = inv * inv;
    const auto rows = [&](int first, int step) {
        for (int y = first; y < height; y += step)
            for (int x = 0; x < width; ++x) {
                Rgba sum;
                for (int sy = 0; sy < factor; ++sy) {
                    const float fy = float(y) + (float(sy) + 0.5f) * inv;
                    for (int sx = 0; sx < factor; ++sx)
                        sum = sum + shade(float(x) + (float(sx) + 0.5f) * inv, fy);
                }
                out.At(x, y) = sum * weight;
            }
    };
    // Small pictures are not worth the threads.
    if (width * height * factor * factor < 100000)
        rows(0, 1);
    else
        ParallelRows(height, rows);
    return out;
}

// Supersampling where the picture needs it: every texel is first shaded once
// at its centre; texels that differ from a neighbour by more than `threshold`
// (in any channel, linear light) are shaded again at 2 x 2 points, and those
// on a strong edge (more than four times that) at 3 x 3 points, and filtered.
// Large pictures with smooth regions cost little more than one sample a
// texel, and every edge is still smoothed.
template <class Shader>
FloatImage RenderAdaptive(int width, int height, float threshold, const Shader& shade) {
    FloatImage centre(width, height), out(width, height);
    if (width <= 0 || height <= 0)
        return out;
    ParallelRows(height, [&](int first, int step) {
        for (int y = first; y < height; y += step)
            for (int x = 0; x < width; ++x)
                centre.At(x, y) = shade(float(x) + 0.5f, float(y) + 0.5f);
    });
    ParallelRows(height, [&](int first, int step) {
        for (int y = first; y < height; y += step)
            for (int x = 0; x < width; ++x) {
                const Rgba& c = centre.At(x, y);
                float diff = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                            continue;
                        const Rgba& n = centre.At(nx, ny);
                        diff = std::max({diff, std::fabs(n.r - c.r), std::fabs(n.g - c.g), std::fabs(n.b - c.b),
                                         std::fabs(n.a - c.a)});
                    }
                if (diff <= threshold) {
                    out.At(x, y) = c;
                    continue;
                }
                const int factor = diff > 4.0f * threshold ? 3 : 2;
                const float inv = 1.0f / float(factor);
                Rgba sum;
                for (int sy = 0; sy < factor; ++sy)
                    for (int sx = 0; sx < factor; ++sx)
                        sum = sum + shade(float(x) + (float(sx) + 0.5f) * inv, float(y) + (float(sy) + 0.5f) * inv);
                out.At(x, y) = sum * (inv * inv);
            }
    });
    return out;
}

// Paints `count` pictures with paint(k), spread over the machine's cores.
template <class Paint>
std::vector<FloatImage> PaintCells(int count, const Paint& paint) {
    std::vector<FloatImage> cells(size_t(std::max(count, 0)));
    ParallelRows(count < 16 ? 16 : count, [&](int first, int step) {
        for (int k = first; k < count; k += step)
            cells[size_t(k)] = paint(k);
    });
    return cells;
}

// Area-averaging resample of a premultiplied picture to any size.
FloatImage Resample(const FloatImage& src, int width, int height);

// Bilinear read of a picture at texel coordinates (texel centres at +0.5),
// clamped to its border.
Rgba SampleBilinear(const FloatImage& image, float x, float y);

// How a cell's colour is stored next to its alpha.
enum class Store {
    Straight,       // straight alpha, transparent texels take the edge colour
    Premultiplied,  // colour times alpha: for additive, screen and darkening blends
};

// An 8-bit RGBA picture assembled from separately converted cells.
class Sheet {
public:
    Sheet(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Converts `cell` on its own and copies it with its top-left corner at (x, y).
    void Put(const FloatImage& cell, int x, int y, Store store);
    const std::vector<uint8_t>& Bytes() const { return rgba_; }
    // Colour only (alpha dropped), for pictures saved without alpha.
    std::vector<uint8_t> RgbBytes() const;
    // The alpha channel as grey.
    std::vector<uint8_t> AlphaBytes() const;

private:
    int width_, height_;
    std::vector<uint8_t> rgba_;
};

// Writers; false with the reason in `error`.
bool SavePng(const std::filesystem::path& path, const Sheet& sheet, std::string& error);
bool SaveTga(const std::filesystem::path& path, const Sheet& sheet, std::string& error);
// 32-bit BMP with its alpha in the fourth byte.
bool SaveBmp(const std::filesystem::path& path, const Sheet& sheet, std::string& error);
// JPEG of the colour (opaque pictures: composed over black).
bool SaveJpeg(const std::filesystem::path& path, const FloatImage& image, int quality, std::string& error);
bool SaveJpegRgb(const std::filesystem::path& path, const std::vector<uint8_t>& rgb, int width, int height,
                 int quality, std::string& error);
bool SaveJpegGrey(const std::filesystem::path& path, const std::vector<uint8_t>& grey, int width, int height,
                  int quality, std::string& error);

// The game's palette (sRGB hex, turned into linear light by Hex()).
namespace palette {
constexpr uint32_t kGold = 0xd4a43a, kGoldLight = 0xf8dc8a, kGoldDark = 0x6e4810;
constexpr uint32_t kJade = 0x2f9a6a, kJadeLight = 0x7fe0aa;
constexpr uint32_t kTurquoise = 0x1fb5b0, kTurquoiseLight = 0x8ff0e6;
constexpr uint32_t kTorch = 0xffa040, kTorchLight = 0xffd890, kEmber = 0xd0501a;
constexpr uint32_t kJungleDeep = 0x0c2216, kJungle = 0x1d4a2a, kJungleLight = 0x3f7d3c;
constexpr uint32_t kDuskViolet = 0x2a1c48, kDusk = 0x5a3a78, kDuskPink = 0xc0708a;
constexpr uint32_t kStoneDark = 0x221e1b, kStone = 0x5a5046, kStoneLight = 0x9a8c78;
constexpr uint32_t kSand = 0xd8b878;
}  // namespace palette
// The sRGB byte values in linear light (FromHex's conversion, tabled once).
const float* SrgbByteTable();
inline Rgb Hex(uint32_t rgb) {
    const float* t = SrgbByteTable();
    return {t[(rgb >> 16) & 0xFF], t[(rgb >> 8) & 0xFF], t[rgb & 0xFF]};
}

// Lambert and a specular spot for a surface normal under the game's one light
// (from the top left, in front); `shine` is the specular exponent.
struct Lit {
    float diffuse = 0, specular = 0;
};
Lit LightNormal(Vec3 normal, float shine);
// Normal of a height field from its slopes (dh/dx, dh/dy in picture axes, +y down).
inline Vec3 SlopeNormal(float dhdx, float dhdy) { return Normalize(Vec3{-dhdx, -dhdy, 1.0f}); }

// Polished gold under the game's light for a surface normal; `tone` 0..1
// darkens (0) or brightens (1) the metal a little.
Rgb GoldShade(Vec3 normal, float tone = 0.5f);
// A matt surface of colour `base` (diffuse with a little ambient and a faint
// sheen).
Rgb MattShade(Vec3 normal, Rgb base, float sheen = 0.1f);

// Large tileable noise fields built once and shared (thread-safe reads):
// 0: 512 texels, 4 base cells, 6 octaves (clouds, stone, foliage masses);
// 1: 256 texels, 16 base cells, 4 octaves (grain and fine texture).
const NoiseField& SharedNoise(int which);
// Fractal noise in [0, 1] at picture point (x, y) with `scale` picture texels
// per noise texel, from shared field `which`.
inline float Noise(int which, float x, float y, float scale) {
    return SharedNoise(which).Sample(x / scale, y / scale);
}

// Radial falloff helpers: 1 at the centre, 0 at radius 1 and beyond.
inline float SoftDisc(float r) { return r >= 1.0f ? 0.0f : (1.0f - r * r) * (1.0f - r * r); }
inline float Glow(float r, float sharpness) { return std::exp(-r * r * sharpness); }

// Gradient of a distance function by central differences (step `e`).
template <class Sd>
Vec2 SdGradient(const Sd& sd, Vec2 p, float e = 0.25f) {
    const float dx = sd(Vec2{p.x + e, p.y}) - sd(Vec2{p.x - e, p.y});
    const float dy = sd(Vec2{p.x, p.y + e}) - sd(Vec2{p.x, p.y - e});
    return Normalize(Vec2{dx, dy});
}
// Normal of a bevelled edge: inside a shape (d < 0, `grad` the outward
// gradient) the surface rises over `width` from the outline; `steep` is the
// bevel's slope. Flat (0, 0, 1) further in.
inline Vec3 BevelNormal(float d, Vec2 grad, float width, float steep) {
    if (d >= 0 || d <= -width)
        return {0, 0, 1};
    // Rounded: steepest at the outline, easing into the top.
    const float t = 1.0f + d / width;
    const float s = steep * t * t;
    return Normalize(Vec3{grad.x * s, grad.y * s, 1.0f});
}

// `top` over `bottom` for an opaque colour of coverage `a`.
inline Rgb Blend(Rgb bottom, Rgb top, float a) { return MixRgb(bottom, top, Clamp01(a)); }

}  // namespace gen
