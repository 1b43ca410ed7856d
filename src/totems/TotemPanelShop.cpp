// Tiers, the shop's display of each colour, and the panel's own sprites.
#include <algorithm>

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "totems/TotemPanel.h"

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// The question sign's place in the shop picture.
constexpr float kQSignUV[4] = {0.8828125f, 0.359375f, 0.953125f, 0.46875f};
// Depth keys of the panel's own sprites above its bottom.
constexpr int32_t kBaseAbove = 3;
constexpr int32_t kCoverAbove = 2;
constexpr int32_t kContourAbove = 1;

} // namespace

void CTotemPanel::RetireSprite(const CSharedPtr<CSpriteQuad>& sprite, float fadeSpeed) {
    sprite->FadeSpeed = fadeSpeed;
    sprite->LifeOn = 1;
    sprite->RemainingLife = fadeSpeed > 0.0f ? 1.0f / fadeSpeed : 0.0f;
    sprite->FadeTo(0.0f);
}

CSharedPtr<CSpriteQuad> CTotemPanel::AddPanelSprite(const CVector3& pos, const float size[2],
                                                    uint32_t colour, CSharedPtr<CTexture> texture,
                                                    int32_t blend, int32_t key) {
    CSharedPtr<CSpriteQuad> s(
        new CSpriteQuad(pos.X, pos.Y, pos.Z, size[0], size[1], colour, texture, 1));
    if (blend != CSpriteQuad::BlendNormal)
        s->SetBlend(1, blend);
    s->Key = key;
    return s;
}

void CTotemPanel::RemoveShopFigure(CSharedPtr<CTotem> figure, float fadeSpeed) {
    if (figure.IsNull())
        return;
    for (CSharedPtr<CTotem>& slot : Places)
        if (slot == figure)
            slot = CSharedPtr<CTotem>();
    for (CSharedPtr<CTotem>& slot : ShopTotems)
        if (slot == figure)
            slot = CSharedPtr<CTotem>();
    Disarm(*figure, fadeSpeed);
}

void CTotemPanel::SetTier(int32_t colour, int32_t tier, float fadeSpeed) {
    if (colour < 0 || colour >= kColours)
        return;
    const auto c = static_cast<size_t>(colour);
    if (!ShopTotems[c].IsNull())
        RemoveShopFigure(ShopTotems[c], fadeSpeed);
    RetireShopSprites(ShopSprites[c], fadeSpeed);
    Tiers[c] = tier;

    const ShopPlace& p = Shop[c];
    auto fadeIn = [&](CSharedPtr<CSpriteQuad> s) {
        s->SetAlpha(0.0f);
        s->FadeSpeed = fadeSpeed;
        if (!ShopDisplayLayer().IsNull())
            ShopDisplayLayer()->Add(s);
        ShopSprites[c].push_back(s);
        s->FadeTo(1.0f);
    };
    if (tier < 0) {
        CSharedPtr<CSpriteQuad> dark =
            AddPanelSprite(p.PicPos, p.PicSize, ShopContourDarkColour, TexShopMul,
                           CSpriteQuad::BlendMultiply, ShopZOrder);
        dark->SetFrameRect(0, p.PicUV[0], p.PicUV[1], p.PicUV[2], p.PicUV[3]);
        fadeIn(dark);
        CSharedPtr<CSpriteQuad> outline =
            AddPanelSprite(p.PicPos, p.PicSize, ShopContourColour, TexShopBW,
                           CSpriteQuad::BlendNormal, ShopZOrder - 1);
        outline->SetFrameRect(0, p.PicUV[0], p.PicUV[1], p.PicUV[2], p.PicUV[3]);
        fadeIn(outline);
        const float qSize[2] = {kQSignWidth, kQSignHeight};
        CSharedPtr<CSpriteQuad> sign =
            AddPanelSprite(p.QSignPos, qSize, ShopQSignColour, TexShopColor,
                           CSpriteQuad::BlendNormal, ShopZOrder - 2);
        sign->SetFrameRect(0, kQSignUV[0], kQSignUV[1], kQSignUV[2], kQSignUV[3]);
        fadeIn(sign);
    } else if (tier == 0) {
        CSharedPtr<CSpriteQuad> offer =
            AddPanelSprite(p.PicPos, p.PicSize, ShopAvailableColour, TexShopColor,
                           CSpriteQuad::BlendNormal, ShopZOrder);
        offer->SetFrameRect(0, p.PicUV[0], p.PicUV[1], p.PicUV[2], p.PicUV[3]);
        fadeIn(offer);
    } else {
        ShopTotems[c] = CreateTotem(colour, CTotem::kShopFigure, tier, 1);
        if (!ShopTotems[c].IsNull())
            ShopTotems[c]->SetPosition(p.TotemPos.X, p.TotemPos.Y, p.TotemPos.Z);
    }
}

void CTotemPanel::RefreshTiers(float fadeSpeed) {
    for (int32_t c = 0; c < kColours; ++c)
        SetTier(c, Tiers[static_cast<size_t>(c)], fadeSpeed);
}

int32_t CTotemPanel::CountOwnedTotems() const {
    return static_cast<int32_t>(
        std::count_if(Tiers.begin(), Tiers.end(), [](int32_t t) { return t >= 1; }));
}

void CTotemPanel::BuildPanelSprites(int32_t shown) {
    if (!SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : PanelSprites)
            SpriteLayer->Remove(s);
    PanelSprites.clear();
    Shown = shown;
    auto add = [&](CSharedPtr<CSpriteQuad> s) {
        s->Shown = shown;
        if (!SpriteLayer.IsNull())
            SpriteLayer->Add(s);
        PanelSprites.push_back(s);
    };
    CSharedPtr<CSpriteQuad> base =
        AddPanelSprite(BasePos, BaseSize, kOpaqueWhite, TexBase, CSpriteQuad::BlendScreen,
                       BottomZOrder + kBaseAbove);
    base->SetFrameRect(0, BaseUV[0], BaseUV[1], BaseUV[2], BaseUV[3]);
    add(base);
    for (int32_t i = 0; i < kColours; ++i) {
        const DarkCover& d = Dark[static_cast<size_t>(i)];
        if (Tiers[static_cast<size_t>(i)] >= 1)
            continue;
        CSharedPtr<CSpriteQuad> cover =
            AddPanelSprite(d.Pos, d.Size, kOpaqueWhite, d.Texture == 0 ? TexBase : TexDark,
                           CSpriteQuad::BlendMultiply, BottomZOrder + kCoverAbove);
        cover->SetFrameCorners(0, d.UV);
        add(cover);
    }
    for (int32_t i = 0; i < kColours; ++i) {
        const DarkCover& d = Dark[static_cast<size_t>(i)];
        if (Tiers[static_cast<size_t>(i)] >= 1)
            continue;
        CSharedPtr<CSpriteQuad> contour =
            AddPanelSprite(d.ContourPos, d.Size, ContourColour, TexContour,
                           CSpriteQuad::BlendNormal, BottomZOrder + kContourAbove);
        contour->SetFrameRect(0, d.ContourUV[0], d.ContourUV[1], d.ContourUV[2], d.ContourUV[3]);
        add(contour);
    }
}

void CTotemPanel::Show(int32_t show, float fadeSpeed) {
    Shown = show;
    for (const CSharedPtr<CSpriteQuad>& s : PanelSprites) {
        if (fadeSpeed != 0.0f) {
            s->FadeSpeed = fadeSpeed;
            if (show == 0) {
                s->FadeTo(0.0f);
                continue;
            }
            if (!s->Shown) {
                if (!SpriteLayer.IsNull())
                    SpriteLayer->SetDynamic(s, 1);
                s->Shown = 1;
                s->SetAlpha(0.0f);
            }
            s->FadeTo(1.0f);
        } else if (s->Shown != show) {
            if (!SpriteLayer.IsNull())
                SpriteLayer->SetDynamic(s, show);
            s->Shown = show;
            if (show)
                s->SetAlpha(1.0f);
        }
    }
}

void CTotemPanel::FadeOutAll(float fadeSpeed) {
    for (CSharedPtr<CTotem>& slot : Places)
        slot = CSharedPtr<CTotem>();
    for (CSharedPtr<CTotem>& slot : ShopTotems)
        slot = CSharedPtr<CTotem>();
    for (const CSharedPtr<CTotem>& f : Active)
        Disarm(*f, fadeSpeed);
    // A sprite already fading more slowly than the page would outlive it.
    for (const CSharedPtr<CSpriteQuad>& s : RetiringShopSprites)
        if (s->RemainingLife > 0.0f && s->FadeSpeed < fadeSpeed)
            RetireSprite(s, fadeSpeed);
    for (auto& list : ShopSprites)
        RetireShopSprites(list, fadeSpeed);
}

void CTotemPanel::RetireShopSprites(std::vector<CSharedPtr<CSpriteQuad>>& list, float fadeSpeed) {
    std::erase_if(RetiringShopSprites,
                  [](const CSharedPtr<CSpriteQuad>& s) { return s->RemainingLife <= 0.0f; });
    for (const CSharedPtr<CSpriteQuad>& s : list) {
        RetireSprite(s, fadeSpeed);
        RetiringShopSprites.push_back(s);
    }
    list.clear();
}

void CTotemPanel::DropShopSprites() {
    const CSharedPtr<CSpriteLayer>& layer = ShopDisplayLayer();
    if (!layer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : RetiringShopSprites)
            layer->Remove(s);
    RetiringShopSprites.clear();
}
