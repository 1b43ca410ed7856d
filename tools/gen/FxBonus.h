#pragma once
// The bonus sheets, in the texel layouts the bonuses cut out of them (all
// sizes in texels, rectangles [x0, x1) x [y0, y1)):
//
// "Bonus1.png" 256 x 256, the dynamite: tier t at (86 (t mod 2), 92 (t div 2)),
//   86 x 92; the fuse part [172, 256) x [0, 92); eight fizzing spark frames
//   of 32 x 32 at (32 k, 188).
// "Bonus2.tga" 256 x 256, the lightning amulet: variant v at (88 (v mod 2),
//   92 (v div 2)), 88 x 92; the dark halo [178, 254) x [2, 78) and the glow
//   [178, 254) x [82, 158) (colour times alpha); the core [224, 248) x [160, 184);
//   eight crackle frames of 32 x 64 at (32 k, 188).
// "Bonus3.tga" 256 x 256, the clock and the chest: the clock's rim shadow
//   [0, 90)^2, its face [90, 180) x [0, 90), number plates v = 1..3 at
//   [180, 256) x [76 (v - 1), 76 v), the hands' shadows and hands in the bottom
//   rows ([162, 204) short, [204, 256) long; shadows y [228, 242), hands
//   [242, 256)); four chests of 50 x 36 at (4, 94 + 36 t); eight coin frames of
//   24 x 24 at (54 + 24 (k div 4), 94 + 24 (k mod 4)).
// "Bonus4.tga" 256 x 256, the seer's medallion: variants 0..2 at (0, 0),
//   (88, 0), (0, 88), 88 x 88; the left half of variant 3 [88, 132) x [88, 176)
//   (its right half is variant 2's); the glass [178, 252) x [2, 76); the frame
//   shadow [140, 232) x [88, 182); the hint arrow [0, 64) x [180, 212).
// "Bonus5.tga" 256 x 128, the kinship spark: a streak that repeats across the
//   width in the top half; rings [0, 64) x [64, 128); core [64, 128) x [64, 128).
// "AllGems.png" 256 x 128: the gem of colour c (7: steel) at (48 (c mod 4),
//   48 (c div 4)), 48 x 48.
// "AccuracyToken.png" 256 x 256, the token of the accuracy bonus level: a
//   glowing colourless gem in the lower-left cell of a 4 x 4 grid,
//   [0, 64) x [192, 256); the other cells stay clear.
//
// Parts drawn with additive blending keep straight colour; parts that darken
// or screen store colour times alpha (see Store in ArtCommon.h).
#include "ArtCommon.h"

namespace gen {

// The fuse wires wound round the dynamite: segment i from (x0, y0) to
// (x1, y1) in texels of a 128 x 128 picture centred on the bonus, and the
// width of the band the fuse spark runs in. "Bonus.cfg" holds the same values.
struct WireRing {
    float x0, y0, x1, y1, width;
};
constexpr WireRing kWireRings[3] = {
    {34, 46, 94, 46, 10}, {34, 68, 94, 68, 10}, {34, 90, 94, 90, 10}};

Sheet PaintDynamite();
// The first tier of the dynamite and the lightning amulet alone, as the
// board shows them on their tokens (86 x 92 and 88 x 92 texels).
FloatImage PaintDynamitePicture();
FloatImage PaintAmuletPicture();
Sheet PaintFlashSheet();
Sheet PaintClockSheet();
Sheet PaintAdviserSheet();
Sheet PaintSolidaritySheet();
Sheet PaintGemPictures();

// The accuracy token's cell size and the size of the gem inside it (the rest
// is its glow and the gutter).
constexpr int kAccuracyCell = 64;
constexpr int kAccuracyGemSize = 52;
Sheet PaintAccuracyToken();

}  // namespace gen
