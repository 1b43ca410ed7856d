// The shop's construction, layout and texts, tier bookkeeping, opening and
// closing, and its frame.
#include "screens/ShopScreen.h"

#include <algorithm>
#include <cmath>

#include "bonuses/Bonus.h"
#include "bonuses/BonusManager.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SpriteCrackKeeper.h"
#include "engine/IniHelpers.h"
#include "engine/Random.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/TextLayer.h"
#include "engine/TextPass.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "playfield/LevelParams.h"
#include "playfield/LevelRules.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "ui/UxWindow.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kTexel = 1.0f / 512.0f;
// Page pixels (1024 x 768, y down) to virtual units.
constexpr float kHalfWidth = 512.5f;
constexpr float kHalfHeight = 384.5f;
constexpr float kMaxLevelTime = 720.0f;
// Fades of a newly offered item (slow) and of a bought one.
constexpr float kSlowFade = 0.5f;
constexpr float kQuickFade = 5.0f;
constexpr float kQuickTime = 0.05f;
constexpr float kGroupFade = 5.0f;
// A fade without a speed happens at once.
constexpr float kInstantFade = 1000.0f;
// The rays turn a square 0.703125 wide about the texture's centre.
constexpr float kRaysHalf = 0.3515625f;
// The sand box: the glass lies a tenth behind the front, the dust 1.1 in
// front of the glass.
constexpr float kGlassBehind = 0.1f;
constexpr float kDustBefore = 1.1f;
constexpr int32_t kDustCount = 160;
constexpr float kDustRate = 40.0f;
constexpr float kDustSpeed = 12.0f;
constexpr float kEndless = 10000000.0f;
constexpr float kNoteScale = 22.0f;
// Stub bursts: two halos turning either way and the cover cracking apart.
constexpr float kHaloBehind = 3.0f;
constexpr float kHaloStartScale = 0.1f;
constexpr float kHaloGrowth = 1.9f;
constexpr int32_t kHaloOrderShift = -2;
constexpr float kCrackSize = 28.0f;
constexpr float kCrackCover[4] = {0.765625f, 0.765625f, 0.875f, 0.875f};
constexpr int32_t kCrackGrid = 4;
constexpr float kCrackFloor = -400.0f;
constexpr float kCrackGravity = 300.0f;
constexpr float kCrackSpeed = 150.0f;
constexpr float kCrackSpeedSpread = 2500.0f;
constexpr int32_t kCrackCount = 40;
// Pointer pulses over the slots that can still take a star.
constexpr float kPulseSize = 24.0f;
constexpr float kPulseEndSize = 72.0f;
constexpr int32_t kPulseOrderShift = -4;

float SafeSpeed(float speed) {
    return speed > 0.0f ? speed : kInstantFade;
}

uint32_t ScaleAlpha(uint32_t argb, float factor) {
    const auto a = static_cast<uint32_t>(std::floor(static_cast<float>(argb >> 24) * factor));
    return (std::min(a, 255u) << 24) | (argb & 0x00FFFFFFu);
}

size_t At(int32_t i) {
    return static_cast<size_t>(i);
}

} // namespace

CShopScreen::CShopScreen(CSharedPtr<CScreensManager> s, CSharedPtr<CPlayField> field,
                         CSharedPtr<CParticleSystemsManager> a, CSharedPtr<CSpriteLayer> layer,
                         CSharedPtr<CParticleSystemsManager> b, CSharedPtr<CTextLayer> texts,
                         CSharedPtr<CBitmapFont> f)
    : screens(s), playField(field), effectsA(a), sprites(layer), effectsB(b), textLayer(texts),
      font(f) {
    stars.reserve(80);
    covers.reserve(60);
}

CShopScreen::~CShopScreen() {
    stars.clear();
    auto remove = [this](std::vector<CSharedPtr<CSpriteQuad>>& list) {
        if (!sprites.IsNull())
            for (const auto& s : list)
                sprites->Remove(s);
        list.clear();
    };
    remove(sandboxSprites);
    remove(covers);
    remove(stubs);
    StopEffects();
    if (!note.IsNull() && !textLayer.IsNull())
        textLayer->Remove(note);
}

// ---------------------------------------------------------------------------
// Layout and textures

void CShopScreen::LoadLayout(const char* file, const char* section, int32_t value) {
    gameValue = value;
    CShopLayout& l = layout;
    l.NoteFormat = GetString(kTxtSeconds);
    auto f = [&](const char* key, const char* def) { return GetIniFloat(file, section, key, def); };
    auto rect = [&](float out[4], const char* key, const char* def) {
        GetIniFloat4(out, file, section, key, def);
        for (int k = 0; k < 4; ++k)
            out[k] *= kTexel;
    };
    auto colour = [&](const char* key, const char* def) {
        return GetIniColour(file, section, key, def);
    };
    auto alphaOf = [](uint32_t argb) { return static_cast<float>(argb >> 24) / 255.0f; };

    GetIniFloat2(l.BackgroundTSpeed, file, section, "BackgroundTSpeed", "0.25 -0.1545");
    GetIniFloat2(l.BackgroundTSize, file, section, "BackgroundTSize", "1 0.75");
    l.BonusZShift = f("BonusZShift", "-20");
    l.SandboxRaysW = -f("SandboxRaysW", "-0.125") * kPi;
    l.SandboxFrontZOrderShift = GetIniInt(file, section, "SandboxFrontZOrderShift", "-10");
    float front[3] = {};
    GetIniFloat3(front, file, section, "SandboxFrontPos", "425 304 -20");
    GetIniFloat2(l.SandboxFrontSize, file, section, "SandboxFrontSize", "178 60");
    l.SandboxFrontPos = CVector3(front[0] + l.SandboxFrontSize[0] / 2.0f - kHalfWidth,
                                 kHalfHeight - (front[1] + l.SandboxFrontSize[1] / 2.0f), front[2]);
    rect(l.SandboxFrontT, "SandboxFrontT", "162 440 340 500");
    rect(l.SandboxGlassT, "SandboxGlassT", "0 380 178 440");
    l.SandboxGlassColor = colour("SandboxGlassColor", "108 200 247 255");
    l.SandboxDustSize = f("SandboxDustSize", "10");
    l.SandboxDustColor = colour("SandboxDustColor", "247 217 107 127");
    l.SandboxDustAlpha = alphaOf(l.SandboxDustColor);
    float noteAt[3] = {};
    GetIniFloat3(noteAt, file, section, "SandboxNote", "514 334 -21");
    l.SandboxNote = CVector3(noteAt[0] - kHalfWidth, kHalfHeight - noteAt[1], noteAt[2]);
    l.SandboxNoteColor = colour("SandboxNoteColor", "255 255 72 255");
    l.SandboxNoteAlpha = alphaOf(l.SandboxNoteColor);
    auto shifts = [&](float table[CShopLayout::kShiftTables][CUpgradeState::kMaxTiers][2],
                      const char* pattern) {
        for (int32_t n = 3; n <= CUpgradeState::kMaxTiers; ++n)
            for (int32_t place = 1; place <= n; ++place) {
                float* s = table[n - 3][place - 1];
                GetIniFloat2(s, file, section, FormatText(pattern, {n, place}).c_str(), "31 -5");
                s[1] = -s[1];
            }
    };
    shifts(l.StarShift, "Star%dShift%d");
    l.StarsZShift = f("StarsZShift", "-30");
    l.StarsZOrderShift = GetIniInt(file, section, "StarsZOrderShift", "-30");
    float bank[3] = {};
    GetIniFloat3(bank, file, section, "StarsSrcPanel", "381 743 264");
    l.StarsSrcPanel = CVector3(bank[0] - kHalfWidth, kHalfHeight - bank[1], bank[2]);
    l.StarFlySpeed = f("StarFlySpeed", "2500");
    GetIniFloat2(l.StarStationToFly, file, section, "StarStationToFly", "-2 -1");
    l.StarStationToFly[1] = -l.StarStationToFly[1];
    l.StarTailSize = f("StarTailSize", "32");
    l.StarTailColor = colour("StarTailColor", "255 255 127 255");
    l.StarTailIntensity = f("StarTailIntensity", "80");
    l.StubHaloColor = colour("StubHaloColor", "255 127 127 255");
    l.StubHaloSize = f("StubHaloSize", "80");
    l.StubHaloLifeTime = f("StubHaloLifeTime", "0.5");
    l.StubT = f("StubT", "0.4");
    shifts(l.StubShift, "Stub%dShift%d");
    l.DisabledAlpha = f("DisabledAlpha", "0.5");
    l.PointersT = f("PointersT", "1");
    l.PointersColor = colour("PointersColor", "255 255 120 255");
    l.PointersLifeTime = f("PointersLifeTime", "1");
}

void CShopScreen::SetControlTextures(CSharedPtr<CTexture> frontColour, CSharedPtr<CTexture> glassBW,
                                     CSharedPtr<CTexture> dust, CSharedPtr<CTexture> starsA,
                                     CSharedPtr<CTexture> starsB, CSharedPtr<CTexture> tail,
                                     CSharedPtr<CTexture> halo, CSharedPtr<CTexture> pointer) {
    textures = {frontColour, glassBW, dust, starsA, starsB, tail, halo, pointer};
}

// ---------------------------------------------------------------------------
// Tiers

void CShopScreen::WriteTiers() {
    if (!playField.IsNull())
        upgrades.WriteTiers(playField->Totems.Tiers);
}

void CShopScreen::SetItemTier(int32_t item, int32_t newTier, int32_t slow) {
    if (!CUpgradeState::IsItem(item))
        return;
    const size_t i = At(item);
    switch (upgrades.kind[i]) {
    case CUpgradeState::kTotem: {
        upgrades.tier[i] = newTier;
        const int32_t colour = upgrades.object[i];
        if (playField.IsNull() || colour < 0 || colour >= kColours)
            return;
        playField->Totems.SetTier(colour, newTier, slow ? kSlowFade : kQuickFade);
        totemCopies[At(colour)] = playField->Totems.ShopTotems[At(colour)];
        return;
    }
    case CUpgradeState::kBonus: {
        const int32_t slot = item - CUpgradeState::kFirstBonusItem;
        if (upgrades.tier[i] < 0 && !screens.IsNull())
            screens->RemoveWindowEffect(screens->ShopGroups60[At(slot)],
                                        slow ? kSlowFade : kQuickFade);
        DropBonusPreview(slot, kQuickTime);
        upgrades.tier[i] = newTier;
        if (screens.IsNull() || screens->ShopGroups60[At(slot)].Windows.empty())
            return;
        const CSharedPtr<CUxWindow>& w = screens->ShopGroups60[At(slot)].Windows.front();
        ShowBonusPreview(slot, w->Position.X, w->Position.Y, w->Position.Z + layout.BonusZShift,
                         slow ? kSlowTime : kQuickTime);
        return;
    }
    default:
        break;
    }
    upgrades.tier[i] = newTier;
    if (screens.IsNull())
        return;
    if (item == CUpgradeState::kItemLevelTime) {
        const float longest = playField.IsNull() || playField->LevelParams == nullptr
                                  ? kMaxLevelTime
                                  : playField->LevelParams->MaxLevelTime;
        screens->SetTimeUpgradeDial(CLevelRules::UpgradeTierValue(newTier) / longest);
    } else if (item == CUpgradeState::kItemSeconds) {
        SetNoteText();
    } else if (item == CUpgradeState::kItemCount) {
        for (int32_t j = 0; j < static_cast<int32_t>(screens->ShopGroups100.size()); ++j) {
            if (j == newTier)
                screens->AddWindowEffect(screens->ShopGroups100[At(j)], kGroupFade);
            else
                screens->RemoveWindowEffect(screens->ShopGroups100[At(j)], kGroupFade);
        }
    }
}

void CShopScreen::RefreshItemButtons() {
    for (int32_t item = 0; item < kItems; ++item) {
        const size_t i = At(item);
        if (const CSharedPtr<CUxWindow> a = Control(kCodeSell, item); !a.IsNull())
            a->SetEnabled(upgrades.tier[i] > 0 ? 1 : 0);
        const CSharedPtr<CUxWindow> b = Control(kCodeBuy, item);
        if (b.IsNull())
            continue;
        const bool onSale = upgrades.tier[i] >= 0 && upgrades.offered[i] >= 1;
        const int32_t pending = upgrades.tier[i] + CountTokens(CShopStar::kToItem, item);
        b->SetEnabled(onSale && pending < upgrades.offered[i] ? 1 : 0);
    }
}

int32_t CShopScreen::CountActiveItems() const {
    return upgrades.stars + CountTokens(CShopStar::kDropReturn) +
           CountTokens(CShopStar::kSaleReturn) + CountTokens(CShopStar::kDragged);
}

bool CShopScreen::HasAffordableItem() const {
    for (int32_t item = 0; item < kItems; ++item) {
        const size_t i = At(item);
        // The "+" button's rule: an item not on sale takes no star.
        if (upgrades.tier[i] < 0 || upgrades.offered[i] < 1)
            continue;
        if (upgrades.tier[i] + CountTokens(CShopStar::kToItem, item) < upgrades.offered[i])
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Opening and closing

void CShopScreen::Enter(int32_t open, float speed, int32_t lvl) {
    pointerTimer = 0.0f;
    level = lvl;
    if (open)
        OpenPage(speed);
    else
        ClosePage(speed);
}

float CShopScreen::OfferAlpha(int32_t item) const {
    return upgrades.offered[At(item)] < 1 ? layout.DisabledAlpha : 1.0f;
}

void CShopScreen::TintDecorations(int32_t list, bool offered) {
    if (screens.IsNull())
        return;
    CScreensManager& s = *screens;
    const CWindowList* windows[3] = {&s.ShopTintWindowsA, &s.ShopTintWindowsB, &s.ShopTintWindowsC};
    const std::vector<uint32_t>* colours[3] = {&s.ShopTintColoursA, &s.ShopTintColoursB,
                                               &s.ShopTintColoursC};
    const CWindowList& w = *windows[list];
    const std::vector<uint32_t>& c = *colours[list];
    for (size_t k = 0; k < w.size() && k < c.size(); ++k)
        if (!w[k].IsNull())
            w[k]->SetColour(offered ? c[k] : ScaleAlpha(c[k], layout.DisabledAlpha));
}

void CShopScreen::ReleasePageTexture(bool recreate) {
    if (screens.IsNull() || screens->Device.IsNull() ||
        screens->Device->FindTexture("ShopFrame") < 0)
        return;
    CSharedPtr<CTexture> frame = screens->Device->GetTexture("ShopFrame");
    if (recreate && !frame->HasTexture())
        frame->Recreate(screens->Device->GetDevice());
    else if (!recreate && frame->HasTexture())
        frame->ReleaseTexture();
}

void CShopScreen::OpenPage(float speed) {
    if (speed > 0.0f) {
        fadeDirection = 1;
        fadeSpeed = speed;
    } else {
        fadeDirection = 0;
        fadeSpeed = 0.0f;
        fadeLevel = 1.0f;
    }
    const float fade = SafeSpeed(speed);
    ReleasePageTexture(true);
    if (!playField.IsNull()) {
        CTotemPanel& panel = playField->Totems;
        if (!graphicsFolder.empty())
            panel.RecreateTextures(1, graphicsFolder);
        WriteTiers();
        panel.RefreshTiers(fade);
        totemCopies = panel.ShopTotems;
    }
    SetItemTier(CUpgradeState::kItemLevelTime, upgrades.tier[CUpgradeState::kItemLevelTime], 0);
    TintDecorations(0, upgrades.offered[CUpgradeState::kItemLevelTime] > 0);
    MakeSandbox(fade);
    TintDecorations(1, upgrades.offered[CUpgradeState::kItemSeconds] > 0);
    if (!screens.IsNull()) {
        for (int32_t j = 0; j < static_cast<int32_t>(screens->ShopGroups100.size()); ++j)
            CScreensManager::SetWindowsVisible(screens->ShopGroups100[At(j)].Windows,
                                               j == upgrades.tier[CUpgradeState::kItemCount] ? 1
                                                                                             : 0);
    }
    TintDecorations(2, upgrades.offered[CUpgradeState::kItemCount] > 0);
    for (int32_t slot = 0; slot < CUpgradeState::kBonusItems; ++slot) {
        const int32_t item = CUpgradeState::kFirstBonusItem + slot;
        if (screens.IsNull() || At(slot) >= screens->ShopGroups60.size())
            break;
        const CWindowList& group = screens->ShopGroups60[At(slot)].Windows;
        if (upgrades.tier[At(item)] < 0) {
            CScreensManager::SetWindowsVisible(group, 1);
            CScreensManager::SetWindowsAlpha(group, 1.0f);
            DropBonusPreview(slot, 0.0f);
        } else {
            CScreensManager::SetWindowsVisible(group, 0);
            if (!group.empty())
                ShowBonusPreview(slot, group.front()->Position.X, group.front()->Position.Y,
                                 group.front()->Position.Z + layout.BonusZShift, 1.0f / fade);
        }
    }
    BuildStars(speed);
    BuildSlotCovers(speed);
    RefreshItemButtons();
    for (int32_t item = 0; item < kItems; ++item) {
        const uint32_t c = upgrades.offered[At(item)] < 1 ? kDimmed : kOpaqueWhite;
        for (int32_t code : {kCodePicture, kCodeSell, kCodeBuy})
            if (const CSharedPtr<CUxWindow> w = Control(code, item); !w.IsNull())
                w->SetColour(c);
    }
    lastHover = {-1, -1, -1};
    if (!screens.IsNull())
        CScreensManager::SetWindowText(screens->ShopControl1, GetString(kTxtHint));
    shownStars = -1;
    ShowStarCount();
}

void CShopScreen::MakeSandbox(float speed) {
    auto retire = [this](std::vector<CSharedPtr<CSpriteQuad>>& list) {
        if (!sprites.IsNull())
            for (const auto& s : list)
                sprites->Remove(s);
        list.clear();
    };
    retire(sandboxSprites);
    const bool dim = upgrades.offered[CUpgradeState::kItemSeconds] < 1;
    const float dimming = dim ? layout.DisabledAlpha : 1.0f;
    const float formDepth = FormDepth();
    const CVector3& p = layout.SandboxFrontPos;
    auto add = [&](int32_t texture, float z, const float uv[4], int32_t order, uint32_t colour) {
        CSharedPtr<CSpriteQuad> s(new CSpriteQuad(p.X, p.Y, z, layout.SandboxFrontSize[0],
                                                  layout.SandboxFrontSize[1], colour,
                                                  textures[At(texture)], 1));
        s->SetFrameRect(0, uv[0], uv[1], uv[2], uv[3]);
        s->Key = order;
        AddFadingIn(s, speed);
        sandboxSprites.push_back(s);
    };
    const int32_t frontOrder = FormOrder() + layout.SandboxFrontZOrderShift;
    add(0, p.Z + formDepth, layout.SandboxFrontT, frontOrder,
        dim ? ScaleAlpha(kOpaqueWhite, dimming) : kOpaqueWhite);
    add(1, p.Z + formDepth - kGlassBehind, layout.SandboxGlassT, frontOrder - 1,
        ScaleAlpha(layout.SandboxGlassColor, dimming));

    MakeDust(dimming);

    if (!note.IsNull() && !textLayer.IsNull())
        textLayer->Remove(note);
    note = CSharedPtr<CTextSprite>();
    if (font.IsNull() || textLayer.IsNull())
        return;
    note = CSharedPtr<CTextSprite>(new CTextSprite(font));
    note->PassTag = TextPass::kTop;
    note->Position =
        CVector3(layout.SandboxNote.X, layout.SandboxNote.Y, layout.SandboxNote.Z + formDepth);
    note->ScaleX = note->ScaleY = kNoteScale;
    note->Alignment = CTextSprite::AlignCentre;
    note->Colour = ScaleAlpha(layout.SandboxNoteColor, dimming);
    SetNoteText();
    SetNoteAlpha();
    textLayer->Add(note);
}

void CShopScreen::MakeDust(float dimming) {
    if (!sandboxDust.IsNull())
        sandboxDust->EndEmission();
    sandboxDust = CSharedPtr<CParticleSystem>();
    if (effectsA.IsNull())
        return;
    // Dust drifts up from the sand along the box; dimmed with the box.
    const CVector3& p = layout.SandboxFrontPos;
    const float s = layout.SandboxDustSize;
    const float a = layout.SandboxDustAlpha;
    const float z = p.Z + FormDepth() - kGlassBehind + kDustBefore;
    CSmokesSpringParametres block(p.X, p.Y, z, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                  layout.SandboxFrontSize[0] - 1.5f * s,
                                  layout.SandboxFrontSize[1] * 0.25f, 1.0f, 0.25f,
                                  ScaleAlpha(layout.SandboxDustColor, dimming), 0);
    block.Speed = kDustSpeed;
    block.SpeedVariation = kDustSpeed * 0.25f;
    block.Lift = kDustSpeed;
    block.LiftVariation = kDustSpeed * 0.25f;
    block.Size = s;
    block.SizeVariation = s * 0.5f;
    block.Growth = s * 0.1f;
    block.GrowthVariation = s * 0.025f;
    block.FadeOutRate = a;
    block.FadeOutVariation = a * 0.25f;
    block.FadeInRate = 2.0f * a;
    block.EmissionDuration = kEndless;
    block.EmissionRate = kDustRate;
    block.ParticleCount = kDustCount;
    sandboxDust = effectsA->AddSmokes(block, kDustCount, textures[2]);
}

void CShopScreen::SetNoteAlpha() {
    if (note.IsNull())
        return;
    note->AlphaMultiplier = layout.SandboxNoteAlpha * fadeLevel;
    note->ApplyColour();
}

void CShopScreen::SetNoteText() {
    if (note.IsNull())
        return;
    const auto seconds = static_cast<int32_t>(
        CLevelRules::UpgradeStepValue(upgrades.tier[CUpgradeState::kItemSeconds]));
    note->SetText(FormatText(layout.NoteFormat, {seconds}));
    note->Rebuild();
}

void CShopScreen::ShowBonusPreview(int32_t slot, float x, float y, float z, float time) {
    DropBonusPreview(slot, kQuickTime);
    const int32_t item = CUpgradeState::kFirstBonusItem + slot;
    if (playField.IsNull() || playField->Bonuses.IsNull() || upgrades.tier[At(item)] < 0)
        return;
    CSharedPtr<CBonus> bonus;
    playField->Bonuses->CreateBonus(bonus, upgrades.object[At(item)], upgrades.tier[At(item)], 0,
                                    1);
    if (bonus.IsNull())
        return;
    bonus->Pos[0] = x;
    bonus->Pos[1] = y;
    bonus->Pos[2] = z;
    bonus->SetLayerFlag(0);
    bonus->FarScale = 1.0f;
    bonus->FlyIn(x, y, z, playField->TokenSize, 0, 0, 1, time);
    bonusPreviews[At(slot)] = bonus;
}

void CShopScreen::DropBonusPreview(int32_t slot, float time) {
    CSharedPtr<CBonus>& bonus = bonusPreviews[At(slot)];
    if (bonus.IsNull())
        return;
    bonus->FarScale = 1.0f;
    bonus->FlyOut(time);
    bonus = CSharedPtr<CBonus>();
}

void CShopScreen::AddFadingIn(const CSharedPtr<CSpriteQuad>& s, float speed) const {
    if (speed > 0.0f) {
        s->SetAlpha(0.0f);
        s->FadeSpeed = speed;
        s->FadeTo(1.0f);
    }
    if (!sprites.IsNull())
        sprites->Add(s);
}

void CShopScreen::Retire(const CSharedPtr<CSpriteQuad>& s, float speed) {
    s->FadeSpeed = speed;
    s->FadeTo(0.0f);
    s->LifeOn = 1;
    s->RemainingLife = 1.0f / speed;
}

void CShopScreen::ClosePage(float speed) {
    CommitPendingStars();
    if (speed > 0.0f) {
        fadeDirection = -1;
        fadeSpeed = speed;
    } else {
        fadeDirection = 0;
        fadeLevel = fadeSpeed = 0.0f;
    }
    const float fade = SafeSpeed(speed);
    totemCopies = {};
    if (!playField.IsNull())
        playField->Totems.FadeOutAll(fade);
    for (const CSharedPtr<CSpriteQuad>& s : sandboxSprites)
        Retire(s, fade);
    sandboxSprites.clear();
    // The dust in the air settles with the page and goes with it.
    if (!sandboxDust.IsNull())
        sandboxDust->EndEmission();
    for (int32_t slot = 0; slot < CUpgradeState::kBonusItems; ++slot)
        DropBonusPreview(slot, 1.0f / fade);
    for (const CSharedPtr<CShopStar>& t : stars)
        t->Fade(false, fade);
    for (const CSharedPtr<CSpriteQuad>& c : covers)
        Retire(c, fade);
    // The next opening builds its own covers: the list addresses them by
    // position.
    covers.clear();
    if (!sprites.IsNull())
        for (const auto& s : stubs)
            sprites->Remove(s);
    stubs.clear();
    // Closed at once: nothing of the page may stay behind.
    if (fadeDirection == 0)
        DropPage();
}

void CShopScreen::StopEffects() {
    // The dust in the air and the covers' pieces still falling go with the
    // page, not over the next screen.
    if (!sandboxDust.IsNull())
        sandboxDust->Stop();
    sandboxDust = CSharedPtr<CParticleSystem>();
    for (const CSharedPtr<CParticleSystem>& p : coverPieces)
        if (!p.IsNull())
            p->Stop();
    coverPieces.clear();
}

void CShopScreen::DropPage() {
    if (!note.IsNull() && !textLayer.IsNull())
        textLayer->Remove(note);
    note = CSharedPtr<CTextSprite>();
    stars.clear();
    StopEffects();
    if (!playField.IsNull())
        playField->Totems.DropShopSprites();
    ReleasePageTexture(false);
    if (!playField.IsNull() && !graphicsFolder.empty() && playField->Totems.ShopTextures)
        playField->Totems.RecreateTextures(0, graphicsFolder);
}

// ---------------------------------------------------------------------------
// The frame

int32_t CShopScreen::Update(float dt, float x, float y) {
    int32_t result = 0;
    CUxForm* form = screens.IsNull() ? nullptr : screens->ShopForm.Get();
    if (form != nullptr && form->Visible && form->Active)
        ShowHover(x, y);

    // Tokens move over a snapshot; the ones that arrive land afterwards, so
    // that landing (which rebuilds the bank) never changes the list under
    // the loop.
    const std::vector<CSharedPtr<CShopStar>> moving = stars;
    std::vector<CSharedPtr<CShopStar>> arrived;
    for (const CSharedPtr<CShopStar>& t : moving) {
        if (t->state == CShopStar::kDragged)
            t->SetPosition(std::floor(x) - 0.5f, std::floor(y) + 0.5f, t->z);
        if (t->Update(dt))
            arrived.push_back(t);
    }
    for (const CSharedPtr<CShopStar>& t : arrived) {
        const auto it = std::find(stars.begin(), stars.end(), t);
        if (it != stars.end())
            Arrive(static_cast<size_t>(it - stars.begin()));
    }

    ShowStarCount();

    RunFade(dt, result);
    if (form != nullptr && form->Visible)
        TurnRaysAndBackground(dt);
    if (!stubs.empty())
        FireStubs(dt);
    if (form != nullptr && form->Visible && form->Enabled && form->Active)
        PulsePointers(dt);
    return result;
}

void CShopScreen::RunFade(float dt, int32_t& result) {
    if (fadeDirection == 1) {
        if (fadeSpeed > 0.0f)
            fadeLevel += dt * fadeSpeed;
        if (fadeLevel >= 1.0f || !(fadeSpeed > 0.0f)) {
            fadeDirection = 0;
            fadeSpeed = 0.0f;
            fadeLevel = 1.0f;
        }
        SetNoteAlpha();
        if (fadeLevel >= 1.0f) {
            RevealNewOffers(level);
            result = 1;
        }
    } else if (fadeDirection == -1) {
        if (fadeSpeed > 0.0f)
            fadeLevel -= dt * fadeSpeed;
        if (fadeLevel <= 0.0f || !(fadeSpeed > 0.0f)) {
            fadeDirection = 0;
            fadeSpeed = fadeLevel = 0.0f;
            DropPage();
        } else {
            SetNoteAlpha();
        }
    }
}

void CShopScreen::ShowHover(float x, float y) {
    int32_t item = -1, set = -1;
    bool buy = false;
    for (int32_t i = 0; i < kItems && item < 0; ++i)
        if (Hit(Control(kCodePlate, i), x, y) || Hit(Control(kCodePicture, i), x, y)) {
            item = i;
            set = 1;
        }
    // The buttons win over the item's picture and plate.
    for (int32_t i = 0; i < kItems; ++i) {
        if (Hit(Control(kCodeSell, i), x, y)) {
            item = i;
            set = 0;
            break;
        }
        if (Hit(Control(kCodeBuy, i), x, y)) {
            item = i;
            buy = true;
            set = upgrades.tier[At(i)] < upgrades.offered[At(i)] ? 2 : 1;
            break;
        }
    }
    int32_t index = -1;
    if (item >= 0)
        index = !buy && upgrades.offered[At(item)] < 0 ? 0 : upgrades.tier[At(item)] + 1;
    const std::array<int32_t, 3> hover = {item, index, item < 0 ? -1 : set};
    if (hover == lastHover || screens.IsNull())
        return;
    lastHover = hover;
    CScreensManager::SetWindowText(
        screens->ShopControl1, item < 0 ? GetString(kTxtHint) : upgrades.Text(set, item, index));
}

void CShopScreen::ShowStarCount() {
    if (upgrades.stars == shownStars || screens.IsNull())
        return;
    shownStars = upgrades.stars;
    CScreensManager::SetWindowText(screens->ShopStarCount,
                                   FormatText(GetString(kTxtStars), {shownStars}));
}

void CShopScreen::TurnRaysAndBackground(float dt) {
    raysAngle += layout.SandboxRaysW * dt;
    if (raysAngle < 0.0f)
        raysAngle += kTwoPi;
    else if (raysAngle >= kTwoPi)
        raysAngle -= kTwoPi;
    const CSharedPtr<CUxWindow>& rays = screens->ShopControl6;
    if (!rays.IsNull() && !rays->Pictures.empty()) {
        const float p = std::cos(raysAngle) * kRaysHalf, q = std::sin(raysAngle) * -kRaysHalf;
        const CTexCoord corners[4] = {{0.5f - p + q, 0.5f - p - q},
                                      {0.5f + p + q, 0.5f - p + q},
                                      {0.5f + p - q, 0.5f + p + q},
                                      {0.5f - p - q, 0.5f + p - q}};
        rays->Pictures.front()->SetFrameCorners(0, corners);
    }
    const CSharedPtr<CUxWindow>& back = screens->ShopBackground;
    if (back.IsNull() || back->Pictures.empty() || back->Pictures.front()->Frames.size() < 4)
        return;
    // The slow scroll of the whole background moves in steps: the frames
    // between redraw nothing of it.
    const float step = backgroundClock.Tick(dt);
    if (step == 0.0f)
        return;
    CSpriteQuad& s = *back->Pictures.front();
    auto wrap = [](float v) { return v - std::floor(v); };
    const float u = wrap(s.Frames[0].U + step * layout.BackgroundTSpeed[0]);
    const float v = wrap(s.Frames[0].V + step * layout.BackgroundTSpeed[1]);
    const float w = layout.BackgroundTSize[0], h = layout.BackgroundTSize[1];
    const CTexCoord corners[4] = {{u, v}, {u + w, v}, {u + w, v + h}, {u, v + h}};
    s.SetFrameCorners(0, corners);
}

void CShopScreen::FireStubs(float dt) {
    stubTimer += dt;
    // A non-positive period fires the whole queue at once.
    int32_t n = static_cast<int32_t>(stubs.size());
    if (layout.StubT > 0.0f) {
        n = static_cast<int32_t>(std::floor(stubTimer / layout.StubT));
        if (n <= 0)
            return;
        stubTimer -= static_cast<float>(n) * layout.StubT;
    } else {
        stubTimer = 0.0f;
    }
    const float life = layout.StubHaloLifeTime > 0.0f ? layout.StubHaloLifeTime : kQuickTime;
    for (; n > 0 && !stubs.empty(); --n) {
        const CSharedPtr<CSpriteQuad> stub = stubs.front();
        stubs.erase(stubs.begin());
        const CVector3 at = stub->Position;
        for (const float turn : {kPi, -kPi}) {
            CSharedPtr<CSpriteQuad> halo(new CSpriteQuad(
                at.X, at.Y, at.Z - kHaloBehind, layout.StubHaloSize * kHaloStartScale,
                layout.StubHaloSize * kHaloStartScale, layout.StubHaloColor, textures[6], 1));
            halo->Key = FormOrder() + kHaloOrderShift + layout.StarsZOrderShift;
            halo->SetRotation(RandomFloat() * kTwoPi);
            halo->SpinOn = 1;
            halo->SpinSpeed = turn;
            halo->FadeSpeed = 1.0f / life;
            halo->FadeTo(0.0f);
            halo->WidthSpeed = halo->HeightSpeed = layout.StubHaloSize * kHaloGrowth / life;
            halo->ScaleTo(layout.StubHaloSize, layout.StubHaloSize);
            halo->LifeOn = 1;
            halo->RemainingLife = life;
            if (!sprites.IsNull())
                sprites->Add(halo);
        }
        if (!effectsB.IsNull()) {
            CSharedPtr<CSpriteCrackKeeper> keeper(new CSpriteCrackKeeper());
            keeper->SetParameters(kCrackSize, kCrackSize, kCrackCover[0], kCrackCover[1],
                                  kCrackCover[2], kCrackCover[3], kCrackGrid, kCrackGrid, 0.25f);
            keeper->Floor = kCrackFloor;
            keeper->Gravity = kCrackGravity;
            keeper->Speed = kCrackSpeed;
            keeper->SpeedSpread = kCrackSpeedSpread / 10.0f;
            keeper->BuildPieces();
            CCollection2Parametres block(at.X, at.Y, at.Z - 1.0f, nullptr,
                                         CSharedPtr<CCollection2Keeper>(keeper), 0);
            block.KeeperEmission = 1;
            coverPieces.push_back(effectsB->AddCollection(block, kCrackCount, textures[3]));
        }
        PlaySound(true);
        if (!sprites.IsNull())
            sprites->Remove(stub);
    }
}

void CShopScreen::PulsePointers(float dt) {
    if (!(layout.PointersT > 0.0f))
        return;
    pointerTimer += dt;
    if (pointerTimer < layout.PointersT)
        return;
    pointerTimer -= layout.PointersT;
    const float life = layout.PointersLifeTime > 0.0f ? layout.PointersLifeTime : kQuickTime;
    for (int32_t item = 0; item < kItems; ++item) {
        const size_t i = At(item);
        for (int32_t j = std::max(upgrades.tier[i], 0); j < upgrades.offered[i]; ++j) {
            const CVector3 at = ItemSlot(item, j, false);
            CSharedPtr<CSpriteQuad> pulse(new CSpriteQuad(at.X, at.Y, at.Z - 1.0f, kPulseSize,
                                                          kPulseSize, layout.PointersColor,
                                                          textures[7], 1));
            pulse->Key = FormOrder() + kPulseOrderShift + layout.StarsZOrderShift;
            pulse->FadeSpeed = 1.0f / life;
            pulse->FadeTo(0.0f);
            pulse->WidthSpeed = pulse->HeightSpeed = (kPulseEndSize - kPulseSize) / life;
            pulse->ScaleTo(kPulseEndSize, kPulseEndSize);
            pulse->LifeOn = 1;
            pulse->RemainingLife = life;
            if (!sprites.IsNull())
                sprites->Add(pulse);
        }
    }
}
