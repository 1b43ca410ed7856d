#pragma once
// The cards of the bonus-level boards (memory kinds 20..28): seven picture
// cards, each a temple symbol inlaid in one of the token gems on a pale
// limestone tile with a gold frame (20 jade serpent, 21 topaz sun, 22 ruby
// mask, 23 sapphire idol, 24 amber jaguar paw, 25 pearl moon, 26 amethyst
// pyramid), the blank card 27 (the same tile, empty) and the common back 28
// (dark carved stone with gold inlay).
//
// A card turns over in steps: its frames are the card flat and turned ever
// further away (narrower and dimmer), as the animation file lays them out.
#include <vector>

#include "Raster.h"

namespace gen {

struct CardFrame {
    FloatImage picture;  // "MemCapsN.tga"
    FloatImage light;    // "MemCapsN_l.tga": what the cursor light adds
};

// The frames of every memory record (8..16, kinds 20..28, in that order), each
// kMemoryCell x kMemoryCell: frame 0 flat, then turned away.
std::vector<std::vector<CardFrame>> PaintCards();

}  // namespace gen
