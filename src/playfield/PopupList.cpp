#include "playfield/PopupList.h"

#include <algorithm>

#include "engine/BitmapFont.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"

namespace {
// The factor labels over Score bonuses are this much smaller than the product.
constexpr float kMarkScale = 0.7f;
// What a text keeps clear of its plaque's edges (the rim and a margin).
constexpr float kPlaqueInset = 24.0f;
// A plaque stands this far behind its text.
constexpr float kPlaqueBehind = 0.5f;
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
        Layer->Add(sprite);
        if (style.Plaque && !PlaqueLayer.IsNull() && !PlaquePicture.IsNull()) {
            const CSpriteQuad& from = *PlaquePicture;
            CSharedPtr<CSpriteQuad> plaque(new CSpriteQuad(x, y, z + kPlaqueBehind, from.Width,
                                                           from.Height, 0xFFFFFFFFu, from.Texture,
                                                           1));
            if (from.Frames.size() >= 4)
                plaque->SetFrameCorners(0, from.Frames.data());
            plaque->DepthTest = plaque->DepthWrite = 0;
            // Over the board's other blended sprites.
            plaque->Key = CSpriteLayer::kLowestKey + 1;
            popup->Plaque = plaque;
            PlaqueLayer->Add(plaque);
        }
    }
    KeepUnderCeiling(*popup);
    ApplyToSprite(*popup);
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
        KeepUnderCeiling(p);
        // Full strength for the first half of its life, then a linear fade.
        const float half = 0.5f * p.Lifetime;
        p.Alpha = p.Age < half ? 1.0f : std::clamp(1.0f - (p.Age - half) / half, 0.0f, 1.0f);
        ApplyToSprite(p);
        ++i;
    }
    Messages.Update();
}

void CPopupList::Clear() {
    for (CSharedPtr<CPopup>& p : Popups)
        Drop(*p);
    Popups.clear();
    Messages.Clear();
}

void CPopupList::SetPlaque(CSharedPtr<CSpriteLayer> layer, const CSpriteQuad& picture) {
    PlaqueLayer = layer;
    PlaquePicture = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(0.0f, 0.0f, 0.0f, picture.Width, picture.Height, 0xFFFFFFFFu,
                        picture.Texture, 1));
    if (picture.Frames.size() >= 4)
        PlaquePicture->SetFrameCorners(0, picture.Frames.data());
}

bool CPopupList::PlaqueRoom(float& width, float& height) const {
    if (PlaqueLayer.IsNull() || PlaquePicture.IsNull())
        return false;
    width = std::max(PlaquePicture->Width - 2.0f * kPlaqueInset, 0.0f);
    height = std::max(PlaquePicture->Height - 2.0f * kPlaqueInset, 0.0f);
    return true;
}

void CPopupList::SetCeiling(float top) {
    Ceiling = top;
    HasCeiling = true;
}

CLaneBox CPopupList::InkOf(const CPopup& popup) const {
    const CLaneBox ink = TextBoxOf(popup);
    if (popup.Plaque.IsNull())
        return ink;
    // The plaque stands centred behind the letters.
    const float x = (ink.Left + ink.Right) / 2.0f, y = (ink.Bottom + ink.Top) / 2.0f;
    const float w = popup.Plaque->Width / 2.0f, h = popup.Plaque->Height / 2.0f;
    return CLaneBox{x - w, y - h, x + w, y + h};
}

CLaneBox CPopupList::TextBoxOf(const CPopup& popup) {
    const CVector3& at = popup.Position;
    if (popup.Sprite.IsNull() || popup.Sprite->GlyphCount() == 0)
        return CLaneBox{at.X, at.Y, at.X, at.Y};
    // The sprite's layout, where the popup stands.
    const CTextSprite::Box b = popup.Sprite->LayoutBox();
    const float dx = at.X - popup.Sprite->Position.X, dy = at.Y - popup.Sprite->Position.Y;
    return CLaneBox{b.Left + dx, b.Bottom + dy, b.Right + dx, b.Top + dy};
}

void CPopupList::Rescale(CPopup& popup, float scale) {
    popup.Scale = scale;
    if (!popup.Sprite.IsNull())
        popup.Sprite->Build(scale, scale);
    KeepUnderCeiling(popup);
    ApplyToSprite(popup);
}

void CPopupList::MoveBy(CPopup& popup, float dy) {
    popup.Position.Y += dy;
    KeepUnderCeiling(popup);
    ApplyToSprite(popup);
}

void CPopupList::KeepUnderCeiling(CPopup& popup) {
    if (!HasCeiling)
        return;
    const float over = InkOf(popup).Top - Ceiling;
    if (over > 0.0f)
        popup.Position.Y -= over;
}

void CPopupList::Drop(CPopup& popup) {
    if (!Layer.IsNull() && !popup.Sprite.IsNull())
        Layer->Remove(popup.Sprite);
    popup.Sprite = CSharedPtr<CTextSprite>();
    if (!PlaqueLayer.IsNull() && !popup.Plaque.IsNull())
        PlaqueLayer->Remove(popup.Plaque);
    popup.Plaque = CSharedPtr<CSpriteQuad>();
}

void CPopupList::ApplyToSprite(CPopup& popup) {
    if (popup.Sprite.IsNull())
        return;
    popup.Sprite->Position = popup.Position;
    popup.Sprite->FadeAlpha = popup.Alpha;
    popup.Sprite->ApplyColour();
    if (popup.Plaque.IsNull())
        return;
    const CLaneBox box = InkOf(popup);
    popup.Plaque->Position = CVector3((box.Left + box.Right) / 2.0f, (box.Bottom + box.Top) / 2.0f,
                                      popup.Position.Z + kPlaqueBehind);
    popup.Plaque->SetAlpha(popup.Alpha);
}
