#pragma once
// The quest's sand trough below the board, drawn by the dune effect:
//
//   "Sandbox.jpg"         256 x 256: the sand body; rows [0, 128) the normal sand
//                         (row 127 lies on the trough's floor), rows [128, 256)
//                         the glowing frenzy sand; repeats across its width.
//   "SandboxGlass.tga"    256 x 128: the glass pane, tinted by the layout's glass colour.
//   "SandboxFront.png"    256 x 128: the trough's rim and the glints on its glass.
//   "ScoreFrenzyStar.png" 64 x 64: one star of the frenzy bar; repeats across.
//
// The front panel is kPanelWidth x kPanelHeight units, drawn 1:1 from three
// strips of the glass and front textures: panel x [0, 242) from texels
// (0, 0), [242, 418) from (40, 42) and [418, 658) from (16, 84), each strip
// 42 rows high, with two more panel columns beside each strip where the
// texture has room (so a strip's end filters into its neighbour's first
// columns, not into nothing). The sand box proper (the window of the panel) starts at
// kWindowX, kWindowY inside the panel and is kBoxWidth x kBoxHeight.
#include "ArtCommon.h"

namespace gen {

constexpr int kPanelWidth = 658, kPanelHeight = 42;
constexpr int kWindowX = 9, kWindowY = 4;
constexpr int kBoxWidth = 640, kBoxHeight = 30;

Sheet PaintSandSurface();
Sheet PaintSandboxGlass();
Sheet PaintSandboxFront();
Sheet PaintFrenzyStar();

}  // namespace gen
