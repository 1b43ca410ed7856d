#pragma once
// Where the pictures of the stage backdrops put things (pixels of the 1024 x
// 768 screen, top-left origin, and texel rectangles of their atlases), their
// painters and their sections of "Background.cfg". The painters and the
// configuration text read the same numbers, so the two cannot disagree.
//
//   Jungle.jpg: the jungle clearing (rows [0, 768)) with six jade glyph
//     sockets carved up the temple's stair; below it the six lit sockets and
//     the shaft of light that rises from a lit one.
//   JungleFog, JungleMask: the tileable mist and where it hangs (grey and
//     alpha alike); JungleFlareRays: the sunbeams through the canopy;
//     JungleFlashMask.bmp: where fireflies may glow (256 x 102, 24-bit grey).
//   Valley.jpg: the valley at dusk (rows [0, 768)) with the faint stars of a
//     constellation; below it the eight lit stars and the line of light that
//     joins two of them. It is laid with the screen blend over the clouds.
//   ValleyCloud: the tileable cloud sheet; ValleyMask: where the sheet fades
//     out towards its far edge; ValleyFlareRays: the setting sun's rays.
#include <filesystem>
#include <string>

#include "ArtBackdropLayout.h"

namespace gen {
namespace backdrops {

// ---- Door --------------------------------------------------------------------
// The stone leaf that sinks, and the doorway behind it. Its art sits at fixed
// places of the 512 x 1024 foliage sheet, which is why it is 170 x 268.
constexpr Box kDoorLeaf{427, 288, 170, 268};
constexpr int kDoorFloor = 266; // below the leaf's top edge: the floor line
constexpr int kDoorGems = 10;
constexpr int kDoorGemPatch = 36;
// Sockets on the two jambs, five a side from the top.
inline Box DoorGemScreen(int k) {
    const int x = k < 5 ? 404 : 620;
    const int y = 328 + 52 * (k % 5);
    return {x - kDoorGemPatch / 2, y - kDoorGemPatch / 2, kDoorGemPatch, kDoorGemPatch};
}
inline Box DoorGemTexels(int k) {
    return {4 + 44 * k, 776, kDoorGemPatch, kDoorGemPatch};
}
constexpr int kDoorGemColours[kDoorGems] = {0, 1, 2, 3, 4, 5, 6, 0, 1, 2};
constexpr uint32_t kDoorGemLight[kDoorGems] = {0x60ff9a, 0xffd850, 0xff5a40, 0x60a0ff, 0xffa040,
                                               0xf0f4ff, 0xc070ff, 0x60ff9a, 0xffd850, 0xff5a40};
// The light a lit gem throws sideways along the wall: drawn along +u.
constexpr Box kDoorRayTexels{4, 820, 150, 28};
constexpr int kDoorShadowW = 512, kDoorShadowH = 128;
constexpr int kDoorMaskW = 256, kDoorMaskH = 64;
constexpr int kFoliageW = 512, kFoliageH = 1024;
constexpr Box kCurtainTexels[2] = {{0, 0, 508, 348}, {4, 352, 508, 356}};
constexpr Box kDoorwayTexels{2, 714, 166, 264};
constexpr int kLeafTexelX = 170, kShadeTexelX = 340, kLeafTexelY = 712;
// Sand pours from the leaf's top corners onto the lowest step.
constexpr int kSandFloor[2] = {548, 552};

// ---- Treasury ----------------------------------------------------------------
constexpr int kTreasuryGems = 12;
constexpr int kTreasuryGemPatch = 40;
// Sockets set along a shallow arc over the hoard.
inline float TreasuryGemX(int k) {
    return 92.0f + 76.4f * float(k);
}
inline float TreasuryGemY(int k) {
    const float t = (TreasuryGemX(k) - 512.0f) / 420.0f;
    return 300.0f + 90.0f * t * t;
}
inline Box TreasuryGemScreen(int k) {
    return {int(TreasuryGemX(k)) - kTreasuryGemPatch / 2,
            int(TreasuryGemY(k)) - kTreasuryGemPatch / 2, kTreasuryGemPatch, kTreasuryGemPatch};
}
inline Box TreasuryGemTexels(int k) {
    return {4 + 48 * k, 776, kTreasuryGemPatch, kTreasuryGemPatch};
}
constexpr int kTreasuryGemColours[kTreasuryGems] = {0, 1, 2, 3, 4, 5, 6, 3, 2, 1, 0, 6};
// The beam rising from a lit gem, drawn along +u and turned upright.
constexpr Box kTreasuryBeamTexels{4, 830, 160, 36};
// The chest stands where the backdrop draws it: the chest, its shadow and the
// ornament at fixed places of the 512 x 512 elements sheet.
constexpr Box kChestScreen{329, 302, 302, 264};
constexpr Box kChestTexels{0, 232, 302, 264};
constexpr Box kOrnamentTexels{0, 0, 482, 232};
constexpr Box kChestShadowTexels{306, 236, 32, 160};
constexpr int kElementsSheet = 512;
constexpr int kTreasuryMask = 256, kTreasuryRays = 256;

// Opaque 1024 x 1024: the scene, then the gem patches and the ray.
FloatImage PaintDoorPicture();
// 512 x 128: how much the passing shadow darkens (colour).
FloatImage PaintDoorShadow();
// 256 x 64: where the shadow shows (black at its far edge).
FloatImage PaintDoorMask();
// 512 x 1024, premultiplied: the two curtains, the doorway, the leaf and its
// shade.
FloatImage PaintDoorFoliage();

FloatImage PaintTreasuryPicture();
// 256 x 256, opaque: the sun-ray sheet.
FloatImage PaintTreasuryRays();
// 256 x 256: where the dust and the sun rays show (the shaft of light).
FloatImage PaintTreasuryMask();
// 512 x 512, premultiplied: the ornament, the chest and its shadow strip.
FloatImage PaintTreasuryElements();

// ---- Jungle and Valley -------------------------------------------------------
// Their pictures written into `gfx`; false with the reason in `error`.
bool WriteJungleArt(const std::filesystem::path& gfx, std::string& error);
bool WriteValleyArt(const std::filesystem::path& gfx, std::string& error);

// The sections "[Jungle]", "[Valley]", "[Door]" and "[Treasury]".
std::string JungleConfigText();
std::string ValleyConfigText();
std::string DoorConfigText();
std::string TreasuryConfigText();

} // namespace backdrops
} // namespace gen
