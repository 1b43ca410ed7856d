#pragma once
// The shop's star pictures, at the texel rectangles the shop draws from (both
// textures 512 x 512):
// "Menu/ShopCtrls1.png": the small star of a filled slot at (336, 392)-(392, 448)
//   and the stone cover of a closed slot at (392, 392)-(448, 448);
// "Menu/ShopCtrls2.png": eight 84-texel frames of the spinning star, frame k at
//   x 336 + 84 (k / 4), y 84 (k % 4), and the bank's star at (336, 336)-(432, 432).
// And the game's own pointer, "Menu/Cursor.png" (kCursorSize square): a gold
// arrow with a jade inlay whose tip is the picture's top-left pixel, the
// pointer's hot spot.
//
// The shop page itself, in pixels of the 1024 x 768 screen (y down): one card
// per item, each with its picture, its name, a plate of star slots and the
// "-" and "+" buttons below; the star bank's tray, the description and the
// "done" button along the bottom. "Menu/ShopFrame.png" is the carved wall with
// the cards' recesses; "Menu/ShopColor.png", "Menu/ShopBW.png" and
// "Menu/ShopMul.png" (512 x 512) share one layout: the totem portraits, the
// question sign, the time dial's disc and the frenzy sand box's front (colour)
// and glass (black and white).
#include <array>

#include "ArtCommon.h"
#include "MenuArt.h"

namespace gen {

constexpr int kShopItems = 16;
// Items that are totems, by colour index (green, yellow, red, blue, orange,
// white, violet).
constexpr int kShopTotemItems[7] = {9, 3, 5, 2, 4, 1, 0};

struct ShopCard {
    AtlasRect card, picture, name, plate, minus, plus;
    int tiers = 4;
};
ShopCard ShopCardOf(int item);
// Where slot `place` (0 up) of an item with `tiers` tiers lies from the centre
// of its "-" button (y down): the Star and Stub shift keys of [Shop].
Vec2 ShopSlotShift(int tiers, int place);

// The title's plaque, whole on the screen above the cards (the totems' row
// begins kShopCardsTop down).
constexpr AtlasRect kShopTitle{332, 2, 360, 72};
constexpr int kShopCardsTop = 80;
// Along the bottom: the description of the pointed item (wide enough for
// its longest text in four lines), the star bank and "done".
constexpr AtlasRect kShopDescription{22, 698, 534, 66};
constexpr AtlasRect kShopBank{566, 720, 264, 46};
constexpr AtlasRect kShopDone{840, 708, 160, 50};

// The shared 512 x 512 layout of ShopColor, ShopBW and ShopMul.
constexpr int kShopAtlas = 512;
AtlasRect ShopPortraitCell(int colour);
constexpr AtlasRect kShopQSign{452, 184, 36, 56};
constexpr AtlasRect kShopDialDisc{303, 380, 88, 88};
constexpr AtlasRect kShopSandFront{0, 330, 178, 60};
constexpr AtlasRect kShopSandGlass{0, 400, 178, 60};
// Where the sand box's front lies on the page.
AtlasRect ShopSandOnPage();
constexpr int kShopPointer = 64, kShopRays = 256, kShopBack = 512;
// The rest of ShopCtrls1: the arched niche of an item's picture, the beds of
// the wide displays and of a bonus, and the slot plates of three- and
// four-tier items, their sockets where the slots lie.
constexpr AtlasRect kShopNiche{0, 0, 192, 256};
// Both beds are the size of the pictures they lie under on the page. A
// bonus's bed holds the bonus at its board size (about 94 pixels a side)
// on its floor, inside a rim of kShopBedRim texels kShopBedMargin from
// the edge.
constexpr AtlasRect kShopBedSquare{200, 0, 144, 108};
constexpr AtlasRect kShopBedWide{0, 264, 308, 72};
constexpr int kShopBedMargin = 1, kShopBedRim = 4;
constexpr AtlasRect kShopPlate[2] = {{0, 432, 256, 60}, {0, 368, 256, 60}}; // 3, 4 tiers
// The time dial's hand, pointing left from the pivot it turns about, which
// lies 10 / 27 of its length right of its middle (two texels a unit).
constexpr AtlasRect kShopHand{200, 112, 54, 16};
constexpr int kShopHandLength = 27, kShopHandWidth = 8, kShopHandPivot = 10;

FloatImage PaintShopFrame();
// The golden mist behind the cards, seamless both ways.
FloatImage PaintShopBack();
FloatImage PaintShopRays();
FloatImage PaintShopPointer();
enum class ShopSheet { Colour, BlackWhite, Multiply };
FloatImage PaintShopSheet(ShopSheet sheet);

constexpr int kShopCtrlsSize = 512;
constexpr int kSpinFrame = 84, kSpinFrames = 8, kSpinX = 336;
constexpr int kBankStarX = 336, kBankStarY = 336, kBankStar = 96;
constexpr int kSlotStarX = 336, kCoverX = 392, kSlotY = 392, kSlot = 56;
constexpr int kCursorSize = 32;

// The Golden Star the shop's bank shows, in a `size` square.
FloatImage PaintGoldenStar(int size);
FloatImage PaintShopCtrls1();
FloatImage PaintShopCtrls2();
FloatImage PaintCursor();

} // namespace gen
