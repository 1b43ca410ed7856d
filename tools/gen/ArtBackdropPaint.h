#pragma once
// The painters of the backdrop pictures (ArtMuseum.cpp, ArtMainMenu.cpp).
#include <string>

#include "ArtBackdropLayout.h"

namespace gen {
namespace backdrops {

inline Rgb ToRgb(Rgba c) {
    return {c.r, c.g, c.b};
}

// Configuration values of a rectangle: "x y w h" and "left top right
// bottom"; of a colour: "R G B A".
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
