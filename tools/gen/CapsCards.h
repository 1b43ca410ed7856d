#pragma once
// The cards of the bonus-level boards (memory kinds 20..28): seven picture
// cards, each one of the board's gems (20 emerald, 21 topaz, 22 ruby, 23
// sapphire, 24 amber, 25 pearl, 26 amethyst; the token's own rest picture) set
// in a well carved into a pale limestone tile with a gold frame, the blank card
// 27 (the same tile, its well empty) and the common back 28 (dark carved stone
// with gold inlay). The challenges' rules speak of gems hidden under cards:
// these are the gems a player matches on the board.
//
// A card turns over in steps: its frames are the card flat and turned ever
// further away (narrower and dimmer), as the animation file lays them out.
#include <vector>

#include "CapsGems.h"
#include "Raster.h"

namespace gen {

struct CardFrame {
    FloatImage picture;  // "MemCapsN.tga"
    FloatImage light;    // "MemCapsN_l.tga": what the cursor light adds
};

// How large a gem is set on its card: the token's picture, kCardGemSize
// texels square, centred in the card's kMemoryCell square.
constexpr int kCardGemSize = 112;

// The frames of every memory record (8..16, kinds 20..28, in that order), each
// kMemoryCell x kMemoryCell: frame 0 flat, then turned away. `tokens` holds
// the frames of the token records (PaintToken), the gems the cards show.
std::vector<std::vector<CardFrame>> PaintCards(const std::vector<std::vector<TokenFrame>>& tokens);

}  // namespace gen
