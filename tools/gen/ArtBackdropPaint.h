#pragma once
// The painters of the backdrop pictures and what they share.
#include <filesystem>
#include <string>

#include "ArtBackdropLayout.h"

namespace gen {
namespace backdrops {

// The JPEG quality of every backdrop picture.
constexpr int kBackdropQuality = 94;

inline Rgb ToRgb(Rgba c) {
    return {c.r, c.g, c.b};
}

// A picture as TGA with an "_alpha" companion that carries its alpha as grey.
bool SaveTgaPair(const std::filesystem::path& gfx, const std::string& base, const FloatImage& image,
                 Store store, std::string& error);
// A picture as one TGA with its alpha.
bool SaveTgaOne(const std::filesystem::path& path, const FloatImage& image, std::string& error);
// Configuration values: "x y w h", "left top right bottom", "R G B A".
std::string Rect(const Box& b);
std::string Corners(const Box& b);
std::string Colour(uint32_t rgb, int alpha);

// The 1024 x 1024 picture of a stage backdrop: the scene in its top 768
// rows, black below until the pieces are put there.
FloatImage StagePicture(const FloatImage& scene);
// A gem of token colour `colour` (`gemSize` texels, its light scaled by
// `light`) over the picture's own texels of rectangle `b`.
FloatImage GemPatch(const FloatImage& scene, const Box& b, int colour, int gemSize, float light);
// The beam of a lit gem, `b.w` x `b.h` along +u: bright at u = 0, fading
// away from it and widening a little.
FloatImage PaintLightBeam(const Box& b);

// The scene's texels inside `b` (opaque), each recoloured by
// light(point, colour): a lit variant of a piece of the scene.
template <class Light>
FloatImage ScenePatch(const FloatImage& scene, const Box& b, const Light& light) {
    FloatImage patch(b.w, b.h);
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) {
            const Vec2 p{float(b.x + x) + 0.5f, float(b.y + y) + 0.5f};
            const Rgb c = light(p, ToRgb(scene.At(b.x + x, b.y + y)));
            patch.At(x, y) = Rgba{c.r, c.g, c.b, 1.0f};
        }
    return patch;
}

// A square picture of light about its centre, premultiplied: rays(angle, r)
// is the brightness at that angle and radius (0 centre, 1 edge).
template <class Rays> FloatImage RayFan(int size, uint32_t colour, const Rays& rays) {
    const float half = 0.5f * float(size);
    return RenderParallel(size, size, 4, [&](float x, float y) {
        const Vec2 q{x - half, y - half};
        return Premultiply(Hex(colour), Clamp01(rays(std::atan2(q.y, q.x), Length(q) / half)));
    });
}

// Opaque 1024 x 1024: the hall, then the relic patches, beam and map.
FloatImage PaintMuseumPicture();
// 256 x 256, premultiplied: tileable motes.
FloatImage PaintMuseumDust();
// 256 x 256: white where the shafts of light let the dust show.
FloatImage PaintMuseumDustMask();
// 256 x 256, premultiplied: the fan of light.
FloatImage PaintMuseumFan();

// The scene (opaque 1024 x 1024: the picture, then the sky strip) and the
// 256 x 128 mask, white where the sky strip shows through the canopy.
struct MainBackPictures {
    FloatImage back, skyMask;
};
MainBackPictures PaintMainBack();
// 256 x 256: white where falling leaves show.
FloatImage PaintLeafMask();
// 512 x 1024, premultiplied: every element of the menu's scene.
FloatImage PaintMainElements();
// 512 x 256, premultiplied: the front branch.
FloatImage PaintFrontBranch();

} // namespace backdrops
} // namespace gen
