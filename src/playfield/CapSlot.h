#pragma once
// The token selector: the cap the player has picked as the first half of a
// swap. The field reads its colour and held cap and clears it when the cap
// leaves the board; the game object's click handler selects. When given a
// sprite layer it shows a pulsing highlight over the held cap.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "playfield/Cap.h"

class CSpriteLayer;
class CSpriteQuad;
class CTexture;

class CCapSlot {
public:
    enum SlotState : int32_t { kEmpty = 0, kHolding = 1 };

    CCapSlot() = default;
    ~CCapSlot();
    CCapSlot(const CCapSlot&) = delete;
    CCapSlot& operator=(const CCapSlot&) = delete;

    // The highlight: a sprite of `texture` (whole texture) in `layer`, `scale`
    // times the cap's drawn size. Without a layer the slot is logic only.
    void SetDisplay(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture,
                    float scale = 1.25f);

    // Holds the cap (a null handle clears the slot) and takes its colour.
    void Select(CSharedPtr<CCap> cap);
    // Moves the highlight onto the held cap and pulses it.
    void Update(float dt);
    // State 0, the held cap released, the highlight hidden.
    void Clear();

    bool Holds(const CSharedPtr<CCap>& cap) const { return !Cap.IsNull() && Cap == cap; }

    int32_t State = kEmpty;
    CSharedPtr<CCap> Cap;
    int32_t Colour = -1;  // colour of the held cap; -1 when empty
    float Time = 0.0f;    // seconds since the selection

private:
    void ShowHighlight(bool shown);

    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CTexture> Texture;
    CSharedPtr<CSpriteQuad> Highlight;
    float Scale = 1.25f;
};
