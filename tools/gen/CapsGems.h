#pragma once
// The board tokens: seven cut gems, each colour with its own outline so that
// they can be told apart without colour (emerald: tall step-cut octagon, topaz:
// rhombus, ruby: square cushion, sapphire: shield, amber: wide hexagon,
// diamond: round brilliant, amethyst: triangle), and the riveted steel block.
//
// Every picture is drawn from signed distances at 4 x 4 samples per texel:
// the crown is a set of flat facets (the lower envelope of planes), lit by one
// light from the top left, with a bright rim towards the light, a dark rim
// away from it, a specular spot, light ridges between facets and a soft inner
// glow where the light leaves the stone; a small soft shadow falls to the
// bottom right inside the cell.
#include <vector>

#include "Raster.h"

namespace gen {

// The colours of a gem, in linear light: the deep shade inside the stone, its
// body colour and the bright colour where light comes through.
struct GemColours {
    Rgb deep, body, bright;
};
// Token colour 0..6 (green, yellow, red, blue, orange, white, violet).
GemColours TokenColours(int colour);

// One frame of one token in its three looks, each kTokenCell x kTokenCell.
struct TokenFrame {
    FloatImage normal;  // "Caps.png"
    FloatImage dark;    // "Caps_d.png": the same token dimmed and greyed
    FloatImage light;   // "Caps_l.tga": what the cursor light adds (additive)
};

// All kTokenFrames frames of token record `record` (0..6 colours, 7 steel):
// frame 0 at rest, then the glint sweep with its swelling glow.
std::vector<TokenFrame> PaintToken(int record);

// Token record `record` at rest in its normal look, drawn for a square cell of
// `texels` (the board's cell is kTokenCell): the same shapes and light at any
// size, for pictures that show a token larger or smaller.
FloatImage PaintTokenAtRest(int record, int texels);

}  // namespace gen
