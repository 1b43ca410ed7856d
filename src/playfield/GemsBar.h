#pragma once
// The gem bar beside the board: one column of slots per gem colour, filled as
// gems arrive. It follows the board (Place) and fades in with it (Start). A gem
// on its way asks GemTarget for the slot it will occupy; AddGem takes it in.
// Given a sprite layer, every collected gem is shown as a tinted sprite.
//
// Layout, section "GemsBar" of "Skin.cfg" (offsets from the placed point, y up):
//   FirstSlot   "x y"  slot 0 of colour 0            default "-300 -72"
//   ColumnStep  "x y"  from one colour to the next    default "0 -84"
//   SlotStep    "x y"  from one slot to the next      default "-16 0"
//   Depth       "z"    added to the placed depth      default "-1"
//   GemSize     "s"    edge of a shown gem            default "28"
//   Slots       "n"    gems a groove holds at SlotStep default "9"; a colour
//                      with more packs them closer, so the row never grows
//                      past its groove
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/FadeValue.h"
#include "engine/SharedPtr.h"

class CSpriteLayer;
class CSpriteQuad;
class CTexture;

class CGemsBar {
public:
    static constexpr int32_t kColours = 7;

    CGemsBar();
    ~CGemsBar();
    CGemsBar(const CGemsBar&) = delete;
    CGemsBar& operator=(const CGemsBar&) = delete;

    // Reads the layout keys (each with its default).
    void LoadLayout(std::string_view skinPath);
    // Shows collected gems as sprites of `texture` in `layer` (optional).
    void SetDisplay(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture);

    // The point the bar hangs from (the board frame's position).
    void Place(float x, float y, float z);
    // Fade and gem sprites.
    void Update(float dt);
    // Fades in (on) or out with that speed per second.
    void Start(int32_t on, float speed);
    // A new level: no gem collected, sprites removed.
    void Reset();

    // One collected gem of that colour (colours outside 0..6 are ignored).
    void AddGem(int32_t colour);
    // The slot where the ordinal-th (from 1) gem of that colour now on its way
    // lands: slot collected[colour] + ordinal - 1 of the colour's column. A
    // colour outside 0..6 uses the nearest column; an ordinal below 1 counts as 1.
    void GemTarget(float out[3], int32_t colour, int32_t ordinal) const;

    int32_t Collected(int32_t colour) const;
    int32_t TotalCollected() const;

    CFadeValue Fade;
    float Position[3] = {0.0f, 0.0f, 0.0f};
    float FirstSlot[2] = {-300.0f, -72.0f};
    float ColumnStep[2] = {0.0f, -84.0f};
    float SlotStep[2] = {-16.0f, 0.0f};
    float Depth = -1.0f;
    float GemSize = 28.0f;
    int32_t Slots = 9;

private:
    // Slot `slot` of the colour's row while the row holds `filled` gems.
    void SlotPoint(float out[3], int32_t colour, int32_t slot, int32_t filled) const;
    void PlaceSprites();

    std::array<int32_t, kColours> Counts{};
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CTexture> Texture;
    struct Shown {
        CSharedPtr<CSpriteQuad> Sprite;
        int32_t Colour;
        int32_t Slot;
    };
    std::vector<Shown> Sprites;
};
