#pragma once
// The shop's star pictures, at the texel rectangles the shop draws from (both
// textures 512 x 512):
// "Menu/ShopCtrls1.png": the small star of a filled slot at (336, 392)-(392, 448)
//   and the stone cover of a closed slot at (392, 392)-(448, 448);
// "Menu/ShopCtrls2.png": eight 84-texel frames of the spinning star, frame k at
//   x 336 + 84 (k / 4), y 84 (k % 4), and the bank's star at (336, 336)-(432, 432).
// And the two website logos of the main menu, "fsdata/logo_a.png" (pointed at)
// and "fsdata/logo_na.png".
#include "ArtCommon.h"

namespace gen {

constexpr int kShopCtrlsSize = 512;
constexpr int kSpinFrame = 84, kSpinFrames = 8, kSpinX = 336;
constexpr int kBankStarX = 336, kBankStarY = 336, kBankStar = 96;
constexpr int kSlotStarX = 336, kCoverX = 392, kSlotY = 392, kSlot = 56;
constexpr int kLogoWidth = 128, kLogoHeight = 48;

FloatImage PaintShopCtrls1();
FloatImage PaintShopCtrls2();
FloatImage PaintLogo(bool lit);

} // namespace gen
