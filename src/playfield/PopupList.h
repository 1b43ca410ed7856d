#pragma once
// Floating popups of the board: a number that rises from where points were
// won and fades out, and the board's messages, which come one at a time
// through the list's message lane. The list ages, moves and drops its popups,
// none rising over the ceiling it is given (the board's top rail); given a
// text layer and a font, each popup is also a text sprite of that layer (added
// when spawned, removed when it expires or the list is cleared). Without them
// the list is the same model, undrawn (each popup a point).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "playfield/ComboStyles.h"
#include "playfield/MessageLane.h"

class CBitmapFont;
class CSpriteLayer;
class CSpriteQuad;
class CTextLayer;
class CTextSprite;

struct CPopup {
    std::string Text;
    CVector3 Position;   // present point (world units)
    int32_t Style = 0;   // its style's index in the table; -1 for any other
    uint32_t Colour = 0xFFFFFFFFu;
    float Scale = 1.0f;
    float RiseSpeed = 0.0f;
    float Age = 0.0f;
    float Lifetime = 1.0f;
    float Alpha = 1.0f;  // 1 for the first half of its life, then down to 0
    CSharedPtr<CTextSprite> Sprite;
    CSharedPtr<CSpriteQuad> Plaque;  // behind the text, when its style asks
};

// A Score bonus that took part in a multiplied score: where it was and its factor.
struct CScoreBonusMark {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    int32_t Value = 0;
};

class CPopupList {
public:
    CPopupList() : Messages(*this) {}
    ~CPopupList();
    CPopupList(const CPopupList&) = delete;
    CPopupList& operator=(const CPopupList&) = delete;

    // Draw popups as texts of this layer and font, with that pass tag; styles
    // that ask for the titles' face are drawn in `titleFont` (when given).
    void SetDisplay(CSharedPtr<CTextLayer> layer, CSharedPtr<CBitmapFont> font, int32_t passTag,
                    CSharedPtr<CBitmapFont> titleFont = CSharedPtr<CBitmapFont>());
    // Popups whose style asks for a plaque stand on a copy of this picture
    // (its texture, frame and size), drawn in that sprite layer behind them.
    void SetPlaque(CSharedPtr<CSpriteLayer> layer, const CSpriteQuad& picture);
    // The room a text has on the plaque (false without one).
    bool PlaqueRoom(float& width, float& height) const;
    // The style table used (g_comboStyles unless set).
    void SetStyles(const CComboStyles* styles) { Styles = styles ? styles : &g_comboStyles; }

    // "%d" of the points, rising from (x, y, z) in the style of that index
    // (clamped to the table).
    void SpawnNumberPopup(CSharedPtr<CPopup>& out, int32_t points, int32_t style, float x, float y,
                          float z);
    // "points x product" at (x, y, z) in the multiplier style, and a small "x%d"
    // over every Score bonus that gave a factor.
    void SpawnMultiplierPopup(CSharedPtr<CPopup>& out, int32_t points, int32_t product,
                              const std::vector<CScoreBonusMark>& bonuses, float x, float y,
                              float z);
    // Any text in a style (`styleIndex` its index in the table, or -1).
    void SpawnText(CSharedPtr<CPopup>& out, const std::string& text, const CPopupStyle& style,
                   int32_t styleIndex, float x, float y, float z);

    // No popup's box rises over `top` (a popup spawned higher is lowered), or
    // no limit.
    void SetCeiling(float top);
    void ClearCeiling() { HasCeiling = false; }

    // Ages, raises and fades every popup; expired ones leave the list. Then
    // the next message may come.
    void Update(float dt);
    // Drops every popup, and the waiting messages.
    void Clear();

    // The box a popup covers: its plaque, else its letters (its point when
    // undrawn).
    CLaneBox InkOf(const CPopup& popup) const;
    // The box of its letters alone.
    static CLaneBox TextBoxOf(const CPopup& popup);
    // The popup drawn at another scale.
    void Rescale(CPopup& popup, float scale);
    // The popup moved up by `dy` (down when negative).
    void MoveBy(CPopup& popup, float dy);

    const std::vector<CSharedPtr<CPopup>>& GetPopups() const { return Popups; }
    size_t Count() const { return Popups.size(); }

    // The board's messages.
    CMessageLane Messages;

private:
    void Drop(CPopup& popup);
    void ApplyToSprite(CPopup& popup);
    // Lowered as far as the ceiling asks.
    void KeepUnderCeiling(CPopup& popup);

    const CComboStyles* Styles = &g_comboStyles;
    std::vector<CSharedPtr<CPopup>> Popups;
    CSharedPtr<CTextLayer> Layer;
    CSharedPtr<CBitmapFont> Font;
    CSharedPtr<CBitmapFont> TitleFont;
    int32_t PassTag = 1;
    CSharedPtr<CSpriteLayer> PlaqueLayer;
    CSharedPtr<CSpriteQuad> PlaquePicture;
    float Ceiling = 0.0f;
    bool HasCeiling = false;
};
