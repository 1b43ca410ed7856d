#pragma once
// The full-screen pictures, 1024 x 768 (the loading picture 1024 x 1024):
// painted procedurally in layers (sky, far shapes in haze, near shapes, light
// and dust) with the game's one light from the top left and a soft vignette.
//
//   Scenes 1, 2, 3, 5: the museum hall, the jungle, the mountain valley at
//     dusk and the treasury, the ground the stage backdrops paint their
//     pieces over; 1 and 5 are also saved as Backdrop1 (behind the intro) and
//     Backdrop5 (behind the menu forms).
//   Loading: the temple gate at dusk with the title; rows [0, 768) are the
//     picture, and rows [802, 850) x columns [2, 266) the filled loading bar that
//     the engine reveals from the left over the empty trough painted in the
//     picture at kBarX, kBarY (264 x 48).
//   Splash 1: the studio's card; splash 2: the game's title card.
#include <string>

#include "ArtCommon.h"

namespace gen {

constexpr int kSceneWidth = 1024, kSceneHeight = 768;
constexpr int kLoadingSize = 1024;
// The loading bar: where the engine draws it on the picture (texels of the
// 1024 x 768 picture) and where its filled look lies in the texture.
constexpr int kBarX = 380, kBarY = 642, kBarWidth = 264, kBarHeight = 48;
constexpr int kBarTexX = 2, kBarTexY = 802;

// Stage 1, 2, 3 or 5 (any other: the treasury).
FloatImage PaintBackdrop(int stage);
// False, with the reason, when the lettering cannot be set (no font).
bool PaintLoading(const std::string& title, FloatImage& out, std::string& error);
bool PaintStudioCard(FloatImage& out, std::string& error);
bool PaintTitleCard(const std::string& title, FloatImage& out, std::string& error);

}  // namespace gen
