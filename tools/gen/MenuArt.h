#pragma once
// The menu look: the carved-stone and gold frame that every menu panel is
// tiled from, and one atlas holding the controls in all their looks.
//
// "Menu/SkinCorners.png" kSkinBorder*2 square: the four corners of a panel, each
//   in its own quarter, as a panel of that size would show them.
// "Menu/SkinSides.png" 4 strips of kSkinBorder across, kSkinTile down: left,
//   right, bottom and top border (the last two on their side, outer edge at
//   the strip's left for the bottom border and at its right for the top one).
// "Menu/SkinBack.jpg" kSkinTile square: the panel's inside, tiling seamlessly.
// "Menu/Controls.png" kAtlasSize square: buttons, check boxes, the slider,
//   the scroll arrows; MenuAtlas() says where each picture lies.
#include <array>

#include "ArtCommon.h"

namespace gen {

// Texels of the skin pictures; panels draw them at half size (two texels a unit).
constexpr int kSkinBorder = 64, kSkinTile = 256;
constexpr int kAtlasSize = 512;

// Looks of the controls, in the order the forms name their states.
enum class ButtonLook { Normal, Pressed, Over, Disabled, Count };
enum class CheckLook { Normal, Checked, Over, Disabled, OverChecked, CheckedDisabled, Count };

struct AtlasRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// Where each control picture lies in the controls atlas.
struct MenuAtlasLayout {
    std::array<AtlasRect, size_t(ButtonLook::Count)> button;
    std::array<AtlasRect, size_t(CheckLook::Count)> check;
    AtlasRect track, trackDisabled, thumb, arrowUp, arrowDown, slot;
    // The level clock: its face, the disc its coloured sectors are cut from,
    // and the hand; a life, a level marker on the map, the map's flag, and
    // the banner behind large captions; the tutorial's pointer, pointing up
    // and down (its tip at the middle of the picture's top or bottom edge).
    AtlasRect dialFace, dialDisc, hand, life, marker, flag, banner, pointerUp, pointerDown;
};
const MenuAtlasLayout& MenuAtlas();

// The plaques that titles, captions and call-outs stand on: the menus'
// riveted frame, or for call-outs over the board its lighter variant (a
// gold bead and a thin inner line round a paler stone face).
enum class PlaqueLook { Frame, Light };
// How far in from a plaque's outer edge its rim ends, in screen units: what
// a plaque holds keeps kPlaqueMargin more inside it. The menu panels' own
// frame is drawn from the skin pictures; its rim ends kPanelRim in.
constexpr int kPlaqueRim[2] = {16, 11};
constexpr int kPanelRim = 25;
constexpr int kPlaqueMargin = 8;
// How far in from the edge of a button's picture (in its texels) the gold
// inlay round its face ends: a button's or a list row's text keeps
// kPlaqueMargin more inside it.
constexpr int kButtonBezel = 18;
// A plaque of w x h screen units, one texel a unit.
FloatImage PaintPlaque(int w, int h, PlaqueLook look);

// How far p lies from the nearest joint of a wall of blocks `height` high and
// twice as wide, each row shifted by half a block; bx, by get p's place in
// its block.
float BlockJoint(Vec2 p, float height, float& bx, float& by);

FloatImage PaintSkinCorners();
FloatImage PaintSkinSides();
FloatImage PaintSkinBack();
// The atlas, packed by MenuAtlas().
FloatImage PaintMenuControls();

} // namespace gen
