// The star bank, the item slots, the covers over tiers not yet on sale, and
// the player's clicks and drags.
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxForm.h"
#include "ui/UxWindow.h"

namespace {

constexpr float kTexel = 1.0f / 512.0f;
// A bank token's width: tokens stand this far apart while the bank has room.
constexpr float kBankStep = 48.0f;
constexpr float kBankHalf = kBankStep / 2.0f;
constexpr float kCoverSize = 28.0f;
constexpr float kCoverRect[4] = {392.0f, 392.0f, 448.0f, 448.0f};
constexpr float kCoverBehind = 0.1f;
// Item 1's covers are drawn one key later than the others'.
constexpr int32_t kCoverOrder = 2;
constexpr int32_t kItemOneCoverOrder = 1;
constexpr float kFarLeft = -1000000.0f;

size_t At(int32_t i) {
    return static_cast<size_t>(i);
}

} // namespace

// ---------------------------------------------------------------------------
// Helpers

bool CShopScreen::Hit(const CSharedPtr<CUxWindow>& c, float x, float y) {
    if (c.IsNull())
        return false;
    const float hw = c->Width / 2.0f, hh = c->Height / 2.0f;
    return c->Position.X - hw < x && x <= c->Position.X + hw && c->Position.Y - hh < y &&
           y <= c->Position.Y + hh;
}

CSharedPtr<CUxWindow> CShopScreen::Control(int32_t code, int32_t item) const {
    if (screens.IsNull() || !CUpgradeState::IsItem(item))
        return CSharedPtr<CUxWindow>();
    const CScreensManager& s = *screens;
    const CWindowList* list = code == kCodeSell      ? &s.ShopItemList20
                              : code == kCodeBuy     ? &s.ShopItemList40
                              : code == kCodePicture ? &s.ShopItemList200
                                                     : &s.ShopItemList220;
    return At(item) < list->size() ? (*list)[At(item)] : CSharedPtr<CUxWindow>();
}

int32_t CShopScreen::FormOrder() const {
    return screens.IsNull() || screens->ShopForm.IsNull() ? 0 : screens->ShopForm->ZOrder;
}

float CShopScreen::FormDepth() const {
    return screens.IsNull() || screens->ShopForm.IsNull() ? 0.0f : screens->ShopForm->Position.Z;
}

bool CShopScreen::FormTakesInput() const {
    return !screens.IsNull() && !screens->ShopForm.IsNull() && screens->ShopForm->Enabled &&
           screens->ShopForm->Active;
}

void CShopScreen::PlaySound(bool explosion) const {
    if (screens.IsNull() || screens->SoundBank.IsNull())
        return;
    CSoundBank& bank = *screens->SoundBank;
    bank.PlaySampleAt(bank.Group(explosion ? ESound::Explode2 : ESound::Upgrade), 0.0f, 0, 0);
}

int32_t CShopScreen::CountTokens(int32_t state, int32_t item) const {
    return static_cast<int32_t>(std::count_if(stars.begin(), stars.end(), [&](const auto& t) {
        return t->state == state && (item < 0 || t->item == item);
    }));
}

size_t CShopScreen::FindToken(int32_t state, int32_t item) const {
    for (size_t k = 0; k < stars.size(); ++k)
        if (stars[k]->state == state && (item < 0 || stars[k]->item == item))
            return k;
    return stars.size();
}

size_t CShopScreen::RightmostOnItem(int32_t item) const {
    size_t best = stars.size();
    float bestX = kFarLeft;
    for (size_t k = 0; k < stars.size(); ++k)
        if (stars[k]->state == CShopStar::kOnItem && stars[k]->item == item &&
            stars[k]->x > bestX) {
            bestX = stars[k]->x;
            best = k;
        }
    return best;
}

CSharedPtr<CShopStar> CShopScreen::NewToken() const {
    CSharedPtr<CShopStar> t(new CShopStar());
    t->Attach(effectsB, sprites, textures[3], textures[4], textures[5]);
    t->SetTail(layout.StarTailSize, layout.StarTailIntensity, layout.StarTailColor);
    return t;
}

float CShopScreen::BankSpacing(int32_t n) const {
    const float w = layout.StarsSrcPanel.Z;
    if (static_cast<float>(n) * kBankStep <= w)
        return kBankStep;
    // One token needs no spacing, however narrow the bank.
    return n <= 1 ? 0.0f : (w - kBankStep) / static_cast<float>(n - 1);
}

CVector3 CShopScreen::BankSlot(int32_t k) const {
    const CVector3& b = layout.StarsSrcPanel;
    const float s = BankSpacing(upgrades.stars);
    return CVector3(std::floor(b.X + kBankHalf + static_cast<float>(k) * s) + 0.5f, b.Y,
                    FormDepth() + layout.StarsZShift);
}

CVector3 CShopScreen::BankEntry(int32_t m) const {
    const CVector3& b = layout.StarsSrcPanel;
    float x = static_cast<float>(m + 1) * kBankStep <= b.Z
                  ? b.X + kBankHalf + static_cast<float>(m) * kBankStep
                  : b.X + b.Z - kBankHalf;
    x += layout.StarStationToFly[0];
    return CVector3(x, b.Y - layout.StarStationToFly[1], FormDepth() + layout.StarsZShift - 1.0f);
}

CVector3 CShopScreen::ItemSlot(int32_t item, int32_t j, bool flying) const {
    const CSharedPtr<CUxWindow> c = Control(kCodeSell, item);
    const int32_t tiers = CUpgradeState::IsItem(item) ? upgrades.tierCount[At(item)] : 3;
    const int32_t place = std::clamp(j, 0, tiers - 1);
    const float* shift = layout.StarShift[std::clamp(tiers, 3, 4) - 3][place];
    const float z = FormDepth() + layout.StarsZShift - (flying ? 1.0f : 0.0f);
    if (c.IsNull())
        return CVector3(shift[0], shift[1], z);
    return CVector3(c->Position.X + shift[0], c->Position.Y + shift[1], z);
}

// ---------------------------------------------------------------------------
// Tokens

void CShopScreen::BuildStars(float speed) {
    stars.clear();
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    for (int32_t item = 0; item < kItems; ++item)
        for (int32_t j = 0; j < upgrades.tier[At(item)]; ++j) {
            CSharedPtr<CShopStar> t = NewToken();
            const CVector3 p = ItemSlot(item, j, false);
            t->RestOnItem(p.X, p.Y, p.Z, order);
            t->item = item;
            t->Fade(true, speed);
            stars.push_back(t);
        }
    for (int32_t k = 0; k < upgrades.stars; ++k) {
        CSharedPtr<CShopStar> t = NewToken();
        const CVector3 p = BankSlot(k);
        t->RestInBank(p.X, p.Y, p.Z, order);
        t->Fade(true, speed);
        stars.push_back(t);
    }
}

void CShopScreen::RelayoutBank() {
    stars.erase(std::remove_if(stars.begin(), stars.end(),
                               [](const auto& t) { return t->state == CShopStar::kInBank; }),
                stars.end());
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    for (int32_t k = 0; k < upgrades.stars; ++k) {
        CSharedPtr<CShopStar> t = NewToken();
        const CVector3 p = BankSlot(k);
        t->RestInBank(p.X, p.Y, p.Z, order);
        stars.push_back(t);
    }
}

void CShopScreen::Arrive(size_t index) {
    const CSharedPtr<CShopStar> from = stars[index];
    CSharedPtr<CShopStar> t = NewToken();
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    if (from->state == CShopStar::kToItem) {
        const int32_t item = from->item;
        const CVector3 p = ItemSlot(item, upgrades.tier[At(item)], false);
        t->RestOnItem(p.X, p.Y, p.Z, order);
        t->item = item;
        stars[index] = t;
        SetItemTier(item, upgrades.tier[At(item)] + 1, 0);
        RefreshItemButtons();
        PlaySound(false);
        return;
    }
    const CVector3 p = BankSlot(0);
    t->RestInBank(p.X, p.Y, p.Z, order);
    stars[index] = t;
    ++upgrades.stars;
    RelayoutBank();
    RefreshItemButtons();
}

void CShopScreen::CommitPendingStars() {
    // Every token first, then the bank laid out once: laying it out rebuilds
    // the bank's tokens, which must not happen under the loop.
    bool toBank = false, toItems = false;
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    for (CSharedPtr<CShopStar>& token : stars) {
        const int32_t state = token->state;
        if (state == CShopStar::kDropReturn || state == CShopStar::kSaleReturn ||
            state == CShopStar::kDragged) {
            CSharedPtr<CShopStar> t = NewToken();
            const CVector3 p = BankSlot(0);
            t->RestInBank(p.X, p.Y, p.Z, order);
            token = t;
            ++upgrades.stars;
            toBank = true;
        } else if (state == CShopStar::kToItem) {
            const int32_t item = token->item;
            CSharedPtr<CShopStar> t = NewToken();
            const CVector3 p = ItemSlot(item, upgrades.tier[At(item)], false);
            t->RestOnItem(p.X, p.Y, p.Z, order);
            t->item = item;
            token = t;
            SetItemTier(item, upgrades.tier[At(item)] + 1, 0);
            toItems = true;
        }
    }
    if (toBank)
        RelayoutBank();
    if (toBank || toItems)
        RefreshItemButtons();
}

int32_t CShopScreen::OnItemClick(int32_t item, int32_t up) {
    if (!CUpgradeState::IsItem(item))
        return 0;
    const size_t i = At(item);
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    if (up) {
        // An item not on sale (absent, or nothing offered) takes no star.
        if (upgrades.tier[i] < 0 || upgrades.offered[i] < 1)
            return 0;
        const int32_t pending = upgrades.tier[i] + CountTokens(CShopStar::kToItem, item);
        if (upgrades.offered[i] <= pending)
            return 0;
        const bool fromBank = upgrades.stars >= 1;
        size_t source = stars.size();
        CVector3 start;
        if (fromBank) {
            source = FindToken(CShopStar::kInBank);
            start = BankEntry(upgrades.stars - 1);
        } else {
            for (size_t k = 0; k < stars.size() && source == stars.size(); ++k)
                if (stars[k]->IsReturning())
                    source = k;
            if (source < stars.size())
                start = CVector3(stars[source]->x, stars[source]->y, stars[source]->z);
        }
        if (source >= stars.size())
            return 0;
        CSharedPtr<CShopStar> t = NewToken();
        const CVector3 to = ItemSlot(item, pending, true);
        t->FlyToItem(start.X, start.Y, start.Z, to.X, to.Y, to.Z, layout.StarFlySpeed, order);
        t->item = item;
        stars[source] = t;
        if (fromBank) {
            --upgrades.stars;
            RelayoutBank();
        }
        RefreshItemButtons();
        return 1;
    }
    if (upgrades.tier[i] < 1)
        return 0;
    const size_t source = RightmostOnItem(item);
    if (source >= stars.size())
        return 0;
    const CShopStar& from = *stars[source];
    CSharedPtr<CShopStar> t = NewToken();
    const CVector3 to = BankEntry(upgrades.stars);
    t->FlyBackFromItem(from.x, from.y, from.z, to.X, to.Y, to.Z, layout.StarFlySpeed, order);
    stars[source] = t;
    SetItemTier(item, upgrades.tier[i] - 1, 0);
    PlaySound(false);
    RefreshItemButtons();
    return 1;
}

void CShopScreen::OnButtonDown(float x, float y) {
    if (!FormTakesInput())
        return;
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    const float z = FormDepth() + layout.StarsZShift - 1.0f;
    if (upgrades.stars > 0 && Hit(screens->ShopControl7, x, y)) {
        const size_t source = FindToken(CShopStar::kInBank);
        if (source >= stars.size())
            return;
        CSharedPtr<CShopStar> t = NewToken();
        t->StartDrag(x, y, z, order);
        stars[source] = t;
        --upgrades.stars;
        RelayoutBank();
        return;
    }
    for (int32_t item = 0; item < kItems; ++item) {
        if (!Hit(Control(kCodePlate, item), x, y) && !Hit(Control(kCodePicture, item), x, y))
            continue;
        const size_t source = RightmostOnItem(item);
        if (source >= stars.size())
            continue;
        CSharedPtr<CShopStar> t = NewToken();
        t->StartDrag(x, y, z, order);
        stars[source] = t;
        SetItemTier(item, upgrades.tier[At(item)] - 1, 0);
        RefreshItemButtons();
        PlaySound(false);
        return;
    }
}

void CShopScreen::OnButtonUp(float x, float y) {
    if (!FormTakesInput())
        return;
    const size_t dragged = FindToken(CShopStar::kDragged);
    if (dragged >= stars.size())
        return;
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    if (!Hit(screens->ShopControl7, x, y)) {
        for (int32_t item = 0; item < kItems; ++item) {
            const bool over =
                Hit(Control(kCodePlate, item), x, y) || Hit(Control(kCodePicture, item), x, y) ||
                Hit(Control(kCodeSell, item), x, y) || Hit(Control(kCodeBuy, item), x, y);
            const size_t i = At(item);
            if (!over || upgrades.tier[i] < 0 || upgrades.offered[i] < 1)
                continue;
            const int32_t pending = upgrades.tier[i] + CountTokens(CShopStar::kToItem, item);
            if (upgrades.tier[i] >= upgrades.offered[i] || pending >= upgrades.offered[i])
                continue;
            const CShopStar& from = *stars[dragged];
            CSharedPtr<CShopStar> t = NewToken();
            const CVector3 to = ItemSlot(item, pending, true);
            t->FlyToItem(from.x, from.y, from.z, to.X, to.Y, to.Z, layout.StarFlySpeed, order);
            t->item = item;
            stars[dragged] = t;
            break;
        }
    }
    for (CSharedPtr<CShopStar>& token : stars) {
        if (token->state != CShopStar::kDragged)
            continue;
        CSharedPtr<CShopStar> t = NewToken();
        const CVector3 to = BankEntry(upgrades.stars);
        t->FlyBackFromDrop(token->x, token->y, token->z, to.X, to.Y, to.Z, layout.StarFlySpeed,
                           order);
        token = t;
    }
}

// ---------------------------------------------------------------------------
// Covers

void CShopScreen::BuildSlotCovers(float speed) {
    const int32_t order = FormOrder() + layout.StarsZOrderShift;
    const float z = FormDepth() + layout.StarsZShift + kCoverBehind;
    const uint32_t dimmed =
        (static_cast<uint32_t>(std::floor(layout.DisabledAlpha * 255.0f)) & 0xFFu) << 24 |
        0x00FFFFFFu;
    for (int32_t item = 0; item < kItems; ++item) {
        const size_t i = At(item);
        const int32_t tiers = upgrades.tierCount[i];
        const uint32_t colour = upgrades.offered[i] > 0 ? kOpaqueWhite : dimmed;
        const CSharedPtr<CUxWindow> c = Control(kCodeSell, item);
        const float cx = c.IsNull() ? 0.0f : c->Position.X;
        const float cy = c.IsNull() ? 0.0f : c->Position.Y;
        for (int32_t k = std::min(std::max(upgrades.offered[i], 0), tiers); k < tiers; ++k) {
            const float* shift = layout.StubShift[std::clamp(tiers, 3, 4) - 3][k];
            CSharedPtr<CSpriteQuad> cover(new CSpriteQuad(
                cx + shift[0], cy + shift[1], z, kCoverSize, kCoverSize, colour, textures[3], 1));
            cover->SetFrameRect(0, kCoverRect[0] * kTexel, kCoverRect[1] * kTexel,
                                kCoverRect[2] * kTexel, kCoverRect[3] * kTexel);
            cover->Key = order + (item == 1 ? kItemOneCoverOrder : kCoverOrder);
            AddFadingIn(cover, speed);
            covers.push_back(cover);
        }
    }
}

void CShopScreen::RevealNewOffers(int32_t lvl) {
    const std::vector<int32_t> old = upgrades.offered;
    upgrades.SetOfferedTiers(lvl);
    size_t base = 0;
    for (int32_t item = 0; item < kItems; ++item) {
        const size_t i = At(item);
        const int32_t tiers = upgrades.tierCount[i];
        if (old[i] < upgrades.offered[i]) {
            if (upgrades.tier[i] < 0)
                SetItemTier(item, 0, 1);
            if (old[i] < 1)
                for (int32_t code : {kCodePicture, kCodeSell, kCodeBuy})
                    if (const CSharedPtr<CUxWindow> w = Control(code, item); !w.IsNull())
                        w->SetColour(kOpaqueWhite);
        }
        const int32_t o = std::clamp(old[i], 0, tiers),
                      n = std::clamp(upgrades.offered[i], 0, tiers);
        if (o < n) {
            if (old[i] < 1)
                for (size_t k = base; k < base + At(tiers - o) && k < covers.size(); ++k)
                    covers[k]->SetColour(kOpaqueWhite);
            for (int32_t k = 0; k < n - o && base < covers.size(); ++k) {
                stubs.push_back(covers[base]);
                covers.erase(covers.begin() + static_cast<std::ptrdiff_t>(base));
            }
        }
        if (tiers - n > 0)
            base += At(tiers - n);
    }
    auto newly = [&](int32_t item) { return upgrades.offered[At(item)] > 0 && old[At(item)] < 1; };
    if (newly(CUpgradeState::kItemLevelTime))
        TintDecorations(0, true);
    if (newly(CUpgradeState::kItemSeconds)) {
        TintDecorations(1, true);
        if (sandboxSprites.size() >= 2) {
            sandboxSprites[0]->SetColour(kOpaqueWhite);
            sandboxSprites[1]->SetColour(layout.SandboxGlassColor);
        }
        if (!sandboxDust.IsNull())
            MakeDust(1.0f);
        if (!note.IsNull()) {
            note->Colour = layout.SandboxNoteColor;
            note->ApplyColour();
        }
    }
    if (newly(CUpgradeState::kItemCount))
        TintDecorations(2, true);
    RefreshItemButtons();
}
