// The shop between quest levels: creating it at Init, opening it after a
// level, its frame and clicks, leaving it for the map, and the upgrades the
// quest record hands every level start.
#include <algorithm>

#include "app/Game.h"
#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "playerdata/QuestState.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxForm.h"

namespace {

constexpr float kShopFade = 2.0f;
constexpr float kBoxFade = 4.0f;
constexpr int32_t kTxtStarsLeft = 59;
constexpr int32_t kTxtNoStars = 60;
constexpr int32_t kIdYes = 202;
constexpr int32_t kMaxStars = CQuestState::kMaxStars;

} // namespace

int32_t CGame::CreateShop() {
    if (Screens.IsNull() || Field.IsNull())
        return 0;
    Shop = CSharedPtr<CShopScreen>(new CShopScreen(Screens, Field, Particles[4], SpriteLayers[2],
                                                   Particles[5], TextLayer, Fonts.front()));
    Shop->LoadLayout((Paths.ConfigPath + "Skin.cfg").c_str(), "Shop", 0);
    const CTotemPanel& panel = Field->Totems;
    Shop->SetControlTextures(panel.TexShopColor, panel.TexShopBW, GameTexture("Cloud"),
                             Device->GetTexture("ShopCtrls1"), Device->GetTexture("ShopCtrls2"),
                             GameTexture("StarParticle"), GameTexture("Halo1"),
                             Device->GetTexture("ShopPointer"));
    Shop->graphicsFolder = Paths.GfxPath;
    Shop->upgrades.LoadTexts((Paths.TxtPath + "Shop.txt").c_str());
    return 1;
}

int32_t CGame::GoldenStars() const {
    return Shop.IsNull() ? 0 : Shop->upgrades.stars;
}

void CGame::SetGoldenStars(int32_t stars) {
    if (Shop.IsNull())
        return;
    Shop->upgrades.stars = std::clamp(stars, 0, kMaxStars);
    // A level starts from the record: a star won in a level that is then
    // lost must not be lost with it.
    if (!Quest.IsNull())
        Quest->Stars = Shop->upgrades.stars;
}

void CGame::StartQuestUpgrades() {
    if (Shop.IsNull())
        return;
    CUpgradeState& u = Shop->upgrades;
    u.ResetForNewQuest();
    u.stars = 0;
    if (Quest.IsNull())
        return;
    std::copy(u.tier.begin(), u.tier.end(), Quest->Upgrades.begin());
    Quest->Stars = 0;
}

void CGame::ApplyQuestUpgrades() {
    if (Shop.IsNull())
        return;
    CUpgradeState& u = Shop->upgrades;
    if (!Quest.IsNull()) {
        std::copy(Quest->Upgrades.begin(), Quest->Upgrades.end(), u.tier.begin());
        u.stars = Quest->Stars;
        // A save's tiers index texts, tables and shapes: keep them in range.
        u.ClampTiers();
    }
    // A shop before this level shows the offers of this level first and
    // reveals those of the next one when it has opened.
    u.SetOfferedTiers(Level);
    u.ApplyToLevel(Params);
    Shop->WriteTiers();
}

void CGame::CaptureUpgrades(CQuestState& q) const {
    if (Shop.IsNull())
        return;
    q.Stars = std::clamp(Shop->upgrades.stars, 0, kMaxStars);
    std::copy(Shop->upgrades.tier.begin(), Shop->upgrades.tier.end(), q.Upgrades.begin());
}

void CGame::CommitShopStars() {
    if (!Shop.IsNull())
        Shop->CommitPendingStars();
}

void CGame::OpenShop(int32_t level) {
    Level = std::clamp(level, 1, kQuestLevels);
    Resumed = 0;
    // An exit while the shop opens saves nothing new.
    if (!Quest.IsNull())
        Quest->State = CQuestState::kNothingToSave;
    LeaveLevelScreen();
    Mode = kModeLevel;
    SubState = kSubShop;
    ModeTime = 0.0f;
    if (Shop.IsNull() || Screens.IsNull()) {
        AutoSaveAfterLevel();
        LeaveShop();
        return;
    }
    Screens->ShopForm->SetEnabled(1);
    Screens->FadeIn(Screens->ShopForm, kShopFade);
    Shop->Enter(1, kShopFade, Level + 1);
}

void CGame::LeaveShop() {
    DropTip();
    // The record keeps the won level, taken in the shop with what was bought:
    // a resumed save opens the shop again before the next level.
    CommitShopStars();
    CaptureShopForSave();
    WriteMainSave();
    if (!Shop.IsNull())
        Shop->Enter(0, kShopFade, Level + 1);
    if (!Screens.IsNull())
        Screens->FadeOut(Screens->ShopForm, kShopFade);
    Level = std::min(Level + 1, kQuestLevels);
    // The map shows the flag still on the level won; it walks on from there.
    ShowQuestMap(1);
}

void CGame::CloseShop() {
    if (Shop.IsNull() || !Shop->IsOpen())
        return;
    DropTip();
    Shop->Enter(0, kShopFade, Level + 1);
    if (!Screens.IsNull())
        Screens->FadeOut(Screens->ShopForm, kShopFade);
}

void CGame::UpdateShop(float dt) {
    if (Shop.IsNull() || NonQuest != 0)
        return;
    if (Shop->Update(dt, CursorX, CursorY) != 1 || !InShop())
        return;
    // The automatic copies of a won level, once its shop has opened.
    if (LevelCompleted)
        AutoSaveAfterLevel();
    // The tip points at what is on sale once the new offers are out.
    OfferShopTip();
}

bool CGame::InShop() const {
    return Mode == kModeLevel && SubState == kSubShop;
}

int32_t CGame::OnShopClick(int32_t id) {
    if (Shop.IsNull() || Screens.IsNull() || !InShop())
        return 0;
    CScreensManager& s = *Screens;
    auto ask = [&](int32_t text, int32_t buttons, int32_t purpose) {
        s.ShowMessageBox("", GetString(text).c_str(), buttons, purpose);
        s.ShopForm->SetEnabled(0);
        s.FadeIn(s.MsgBoxForm, kBoxFade);
    };
    if (id == CShopScreen::kIdDone) {
        if (Shop->fadeLevel < 1.0f)
            return 1;
        if (Shop->CountActiveItems() > 0 && Shop->HasAffordableItem())
            ask(kTxtStarsLeft, CScreensManager::kSetYesNo, CScreensManager::kPurposeLeaveShop);
        else
            LeaveShop();
        return 1;
    }
    if (id >= CShopScreen::kIdFirstBuy && id < CShopScreen::kIdFirstBuy + CShopScreen::kItems) {
        if (Shop->CountActiveItems() < 1)
            ask(kTxtNoStars, CScreensManager::kSetOk, CScreensManager::kPurposeNoStars);
        else
            Shop->OnItemClick(id - CShopScreen::kIdFirstBuy, 1);
        return 1;
    }
    if (id >= CShopScreen::kIdFirstSell && id < CShopScreen::kIdFirstSell + CShopScreen::kItems) {
        Shop->OnItemClick(id - CShopScreen::kIdFirstSell, 0);
        return 1;
    }
    if (id == kIdYes && s.MsgBoxPurpose == CScreensManager::kPurposeLeaveShop) {
        LeaveShop();
        return 1;
    }
    return 0;
}
