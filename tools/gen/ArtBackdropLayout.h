#pragma once
// Where the backdrop pictures put things: screen rectangles (pixels of the
// 1024 x 768 screen, top-left origin) and the texel rectangles of the atlases.
// The painters and the configuration writer both read these, so the two
// cannot disagree.
#include "ArtCommon.h"

namespace gen {
namespace backdrops {

struct Box {
    int x, y, w, h;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
};

// A square patch of `size` texels centred on a screen point, and the k-th of
// a row of such patches packed below a scene's 768 rows.
inline Box PatchAround(float x, float y, int size) {
    return {int(x) - size / 2, int(y) - size / 2, size, size};
}
inline Box PatchCell(int k, int size) {
    return {4 + (size + 8) * k, 776, size, size};
}

// ---- Museum ----------------------------------------------------------------
constexpr int kPictureSize = 1024;
constexpr int kRelics = 5;
// The relics lie on cushions in a glass case in front of the alcove.
constexpr float kCushionX0 = 332.0f, kCushionStep = 90.0f, kCushionY = 642.0f;
constexpr float kRelicY = 628.0f;
constexpr int kRelicPatch = 56; // a relic on its cushion, cut from the hall
inline float RelicX(int k) {
    return kCushionX0 + kCushionStep * float(k);
}
inline Box RelicScreen(int k) {
    return {int(RelicX(k)) - kRelicPatch / 2, int(kRelicY) - kRelicPatch / 2, kRelicPatch,
            kRelicPatch};
}
inline Box RelicTexels(int k) {
    return {4 + 64 * k, 776, kRelicPatch, kRelicPatch};
}
// Token colours of the five relics.
constexpr int kRelicColours[kRelics] = {0, 1, 2, 3, 6};
constexpr uint32_t kRelicLight[kRelics] = {0x60ff9a, 0xffd850, 0xff5a40, 0x60a0ff, 0xc070ff};
// The beam that rises from a relic: drawn along +u, turned upright.
constexpr Box kBeamTexels{4, 848, 192, 44};
constexpr float kBeamAngle = 90.0f;
constexpr float kBeamLift = 8.0f; // the beam starts a little above the relic's centre
// The map of light that unrolls in the alcove.
constexpr Box kMapTexels{320, 772, 200, 248};
constexpr Box kMapScreen{412, 96, 200, 248};
// The fan of light turning on the alcove's sun disc.
constexpr float kFanX = 512.0f, kFanY = 380.0f, kFanSize = 700.0f;
constexpr int kFanTexture = 256;
constexpr int kDustTexture = 256;
constexpr int kDustMaskTexture = 256;
// The light shafts from the high windows: the dust shows inside them.
constexpr float kShaftAngle = 1.05f, kShaftSpacing = 110.0f, kShaftSeed = 9.0f;

// ---- Main menu ---------------------------------------------------------------
constexpr int kElementsW = 512, kElementsH = 1024;
constexpr Box kFoliageTexels{4, 4, 476, 716};
constexpr Box kFoliageScreen{0, 0, 476, 716};
constexpr Box kFaceTexels{4, 728, 176, 188};
constexpr Box kFaceScreen{562, 232, 176, 188};
// Eyes and lips inside the face.
constexpr Box kEyesInFace{52, 62, 72, 30};
constexpr Box kLipsInFace{62, 130, 52, 28};
constexpr Box kClosedEyesTexels{4, 922, 72, 30};
constexpr Box kLipsOpenTexels[2] = {{80, 922, 52, 28}, {136, 922, 52, 28}};
constexpr Box kVineTexels[2] = {{184, 728, 40, 292}, {228, 728, 40, 292}};
constexpr Box kVineScreen[2] = {{548, 0, 40, 292}, {744, 0, 40, 292}};
constexpr Box kClothMapTexels{272, 728, 120, 180};
constexpr Box kClothMapScreen{868, 52, 120, 180};
constexpr Box kIdolTexels{396, 728, 72, 180};
constexpr Box kIdolScreen{884, 420, 72, 180};
constexpr Box kGlowTexels{272, 912, 200, 106};
constexpr Box kGlowScreen{424, 0, 600, 318};
constexpr Box kLeafTexels[3] = {{474, 730, 34, 34}, {474, 770, 34, 34}, {474, 810, 34, 34}};
// The front branch, drawn above the menu forms.
constexpr int kFrontW = 512, kFrontH = 256;
constexpr Box kFrontScreen{9, 94, 404, 242};
// The strip of sky below the picture and where it shows on the screen.
constexpr int kSkyV = 780, kSkyTexH = 208;
constexpr Box kSkyScreen{262, 0, 762, 312};
constexpr int kSkyMaskW = 256, kSkyMaskH = 128, kSkyMaskUsedW = 254, kSkyMaskUsedH = 104;
constexpr int kLeafMask = 256;
// The sun rising behind the temple.
constexpr float kSunX = 780.0f, kSunY = 150.0f;

} // namespace backdrops
} // namespace gen
