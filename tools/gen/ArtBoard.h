#pragma once
// The board's surroundings, drawn 1:1 in virtual units (one texel per unit at
// the 1024 x 768 reference screen):
//
// "FieldBack.jpg" 672 x 672: dark stone tiles, one per cell (83 units) of the
//   8 x 8 board, with a faint inlay; texel (4, 4) is the board's top-left corner.
// "FieldFrame.png" 1024 x 1024:
//   [0, 700) x [0, 748): the carved stone and gold frame round the board (the
//     board's top-left corner at texel (18, 18)) with the plinth that holds the
//     sand trough below it (the trough's window at [30, 670) x [706, 736));
//   [716, 1003) x [0, 748): the stone tablet left of the board that carries the
//     level display and the gem bar (one groove per gem colour);
//   [0, 256) x [760, 1016): a soft warm light laid over the board's top-left.
//
// "Data/Config/Skin.cfg" places these pieces as the board frame's elements;
// kBoardPieces lists them as the skin file must give them.
#include <array>

#include "ArtCommon.h"

namespace gen {

constexpr int kCells = 8;
constexpr float kCellUnits = 83.0f;
constexpr int kBackSize = 672, kBackMargin = 4;
constexpr int kFrameTexture = 1024;
constexpr int kFrameMargin = 18, kFrameWidth = 700, kFrameHeight = 748;
// The tablet reaches right to the board frame's outer edge, one texel under
// it, so no backdrop shows between the two.
constexpr int kTabletX = 716, kTabletWidth = 294;
constexpr int kLightY = 760, kLightSize = 256;
// Where the sand trough's front panel (FxSandbox.h) lies on the frame piece:
// its top-left texel. The plinth is painted with a dark niche behind the
// trough's window there.
constexpr int kTroughPanelX = 21, kTroughPanelY = 702;
// The tablet's left edge, in units from the board's top-left corner.
constexpr float kTabletOffset = -311.0f;

// Where the gem bar's rows lie on the tablet (texels of the tablet piece):
// colour c's row at y kGemRowTop + c * kGemRowStep, slots from x kGemSlotX
// every kGemSlotStep. A groove holds kGemSlots gems of kGemSize and ends
// short of the column of standing totems at the tablet's right; the rows end
// above the level screen's menu button.
constexpr float kGemRowTop = 410.5f, kGemRowStep = 44.0f, kGemSlotX = 52.0f, kGemSlotStep = 20.0f;
constexpr int kGemSlots = 9;
constexpr float kGemSize = 28.0f;
constexpr float kGrooveLeft = 40.0f, kGrooveRight = kGemSlotX + kGemSlotStep * (kGemSlots - 1) + 18;
// Colour c's groove: its centre (texels of the tablet piece) and half size.
constexpr Vec2 GrooveCentre(int c) {
    return {0.5f * (kGrooveLeft + kGrooveRight), kGemRowTop + kGemRowStep * float(c)};
}
constexpr Vec2 kGrooveHalf{0.5f * (kGrooveRight - kGrooveLeft), 15.0f};

// One frame element as the skin file gives it: the rectangle (x, y: top-left
// corner in units from the board origin, y up; width, height), the texture
// rectangle, the texture (0 the frame picture, 1 the background), the colour
// and the blend method (0 normal, 1 add).
struct BoardPiece {
    float x, y, width, height;
    float u0, v0, u1, v1;
    int texture;
    int r, g, b, a;
    int method;
};
constexpr std::array<BoardPiece, 4> kBoardPieces = {{
    // The tiles, under everything.
    {-kBackMargin, kBackMargin, kBackSize, kBackSize, 0, 0, 1, 1, 1, 255, 255, 255, 255, 0},
    // Warm light from the top left over the tiles.
    {-kFrameMargin, kFrameMargin, 560, 560, 0, kLightY / 1024.0f, kLightSize / 1024.0f,
     (kLightY + kLightSize) / 1024.0f, 0, 255, 214, 160, 44, 1},
    // The frame and the trough's plinth.
    {-kFrameMargin, kFrameMargin, kFrameWidth, kFrameHeight, 0, 0, kFrameWidth / 1024.0f, kFrameHeight / 1024.0f,
     0, 255, 255, 255, 255, 0},
    // The tablet.
    {kTabletOffset, kFrameMargin, kTabletWidth, kFrameHeight, kTabletX / 1024.0f, 0,
     (kTabletX + kTabletWidth) / 1024.0f, kFrameHeight / 1024.0f, 0, 255, 255, 255, 255, 0},
}};

// The colour of gem colour c (0..6) as the tablet's grooves show it (sRGB hex).
uint32_t GemGrooveColour(int colour);

FloatImage PaintFieldBack();
FloatImage PaintFieldFrame();

}  // namespace gen
