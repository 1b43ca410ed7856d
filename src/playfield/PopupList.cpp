#include "playfield/PopupList.h"

#include <algorithm>

#include "engine/BitmapFont.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"

namespace {
// The factor labels over Score bonuses are this much smaller than the product.
constexpr float kMarkScale = 0.7f;
} // namespace

CPopupList::~CPopupList() { Clear(); }

void CPopupList::SetDisplay(CSharedPtr<CTextLayer> layer, CSharedPtr<CBitmapFont> font,
                            int32_t passTag, CSharedPtr<CBitmapFont> titleFont) {
    for (CSharedPtr<CPopup>& p : Popups)
        Drop(*p);
    Layer = layer;
    Font = font;
    TitleFont = titleFont;
    PassTag = passTag;
}

void CPopupList::SpawnText(CSharedPtr<CPopup>& out, const std::string& text,
                           const CPopupStyle& style, int32_t styleIndex, float x, float y,
                           float z) {
    CSharedPtr<CPopup> popup(new CPopup);
    popup->Text = text;
    popup->Position = CVector3(x, y, z);
    popup->Style = styleIndex;
    popup->Colour = style.Colour;
    popup->Scale = style.Scale;
    popup->RiseSpeed = style.RiseSpeed;
    popup->Lifetime = style.Lifetime > 0.0f ? style.Lifetime : 1.0f;
    if (!Layer.IsNull() && !Font.IsNull()) {
        CSharedPtr<CTextSprite> sprite(
            new CTextSprite(style.TitleFace && !TitleFont.IsNull() ? TitleFont : Font));
        sprite->PassTag = PassTag;
        sprite->Alignment = CTextSprite::AlignCentre;
        sprite->Colour = popup->Colour;
        sprite->SetText(text);
        sprite->Build(popup->Scale, popup->Scale);
        popup->Sprite = sprite;
        ApplyToSprite(*popup);
        Layer->Add(sprite);
    }
    Popups.push_back(popup);
    out = popup;
}

void CPopupList::SpawnNumberPopup(CSharedPtr<CPopup>& out, int32_t points, int32_t style, float x,
                                  float y, float z) {
    const int32_t last = std::max<int32_t>(static_cast<int32_t>(Styles->Styles.size()) - 1, 0);
    const int32_t index = std::clamp(style, 0, last);
    SpawnText(out, std::to_string(points), Styles->StyleAt(index), index, x, y, z);
}

void CPopupList::SpawnMultiplierPopup(CSharedPtr<CPopup>& out, int32_t points, int32_t product,
                                      const std::vector<CScoreBonusMark>& bonuses, float x,
                                      float y, float z) {
    SpawnText(out, std::to_string(points) + " x " + std::to_string(product), Styles->Multiplier,
              -1, x, y, z);
    CPopupStyle small = Styles->Multiplier;
    small.Scale *= kMarkScale;
    for (const CScoreBonusMark& mark : bonuses) {
        CSharedPtr<CPopup> label;
        SpawnText(label, "x" + std::to_string(mark.Value), small, -1, mark.X, mark.Y, mark.Z);
    }
}

void CPopupList::Update(float dt) {
    for (size_t i = 0; i < Popups.size();) {
        CPopup& p = *Popups[i];
        p.Age += dt;
        if (!(p.Age < p.Lifetime)) {
            Drop(p);
            Popups.erase(Popups.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        p.Position.Y += p.RiseSpeed * dt;
        // Full strength for the first half of its life, then a linear fade.
        const float half = 0.5f * p.Lifetime;
        p.Alpha = p.Age < half ? 1.0f : std::clamp(1.0f - (p.Age - half) / half, 0.0f, 1.0f);
        ApplyToSprite(p);
        ++i;
    }
}

void CPopupList::Clear() {
    for (CSharedPtr<CPopup>& p : Popups)
        Drop(*p);
    Popups.clear();
}

void CPopupList::Drop(CPopup& popup) {
    if (!Layer.IsNull() && !popup.Sprite.IsNull())
        Layer->Remove(popup.Sprite);
    popup.Sprite = CSharedPtr<CTextSprite>();
}

void CPopupList::ApplyToSprite(CPopup& popup) {
    if (popup.Sprite.IsNull())
        return;
    popup.Sprite->Position = popup.Position;
    popup.Sprite->FadeAlpha = popup.Alpha;
    popup.Sprite->ApplyColour();
}
