// The screens object in the game: its creation at start-up, the level
// screen's HUD (counter, timer dial, lives and the low-time alarm of the
// Quest form), the card over the board (the Quest form's level panel) and the
// texts the game gives the board's message lane.
#include <algorithm>
#include <cmath>

#include "app/Game.h"
#include "bonuses/BonusManager.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "ui/UxWindow.h"

namespace {

// The level panel holds the card's title, then its text.
constexpr size_t kCardTitle = 0;
constexpr size_t kCardText = 1;
} // namespace

int32_t CGame::CreateScreens() {
    Screens = CSharedPtr<CScreensManager>(
        new CScreensManager(Device, SharedVertexBuffer, SharedIndexBuffer, TextLayer, Fonts));
    Screens->ScoreTable = &Scores;
    if (!Screens->LoadForms(&Paths, &Layout, &Params))
        return Fail("Unable to create forms");
    Renderer->SetFormsDrawer(Screens);
    return 1;
}

void CGame::AttachScreens() {
    CScreensManager& s = *Screens;
    Field->Adviser.Attach(s.QuestControl1, s.QuestCheckControl,
                          Bonuses->Textures[CBonusManager::kBonus4], SpriteLayers[1]);
    s.SoundBank = SoundBank;
    // The board's announcements stand on the card's shortest plaque.
    if (!s.LevelPanelFrames.empty() && !s.LevelPanelFrames.back()->Pictures.empty())
        Field->Popups.SetPlaque(SpriteLayers[0], *s.LevelPanelFrames.back()->Pictures.front());
    s.AssignScreenTextures(Device->GetTexture("MapBack"), Device->GetTexture("Trophies"));
}

void CGame::RefreshHud() {
    if (Screens.IsNull() || Field.IsNull())
        return;
    CScreensManager& s = *Screens;
    s.SetCounter(Field->Counters.Sets[1].Get(0), 1);
    // The dial follows the clock while it runs; a level's result empties it
    // at once (WinLevel).
    if (Mode == kModeLevel && SubState == kSubBonus) {
        if (BonusTimeLimit > 0.0f)
            s.SetClampedFraction(BonusTime / BonusTimeLimit);
    } else if ((Mode == kModeLevel && SubState == kSubPlay) || Mode == kModeLevelIntro) {
        if (TimeLimit > 0.0f)
            s.SetClampedFraction(TimeLeft / TimeLimit);
    }
    if (s.LivesShown != Lives) {
        s.LivesShown = Lives;
        CScreensManager::SetWindowText(s.LivesLabel, std::to_string(Lives));
        s.ShowCountIcons(Lives);
        s.ShowLevelHud(s.HudWindows.empty() ? 1 : s.HudWindows.front()->Visible);
    }
}

void CGame::ShowLevelHud(bool shown) {
    if (Screens.IsNull())
        return;
    CScreensManager& s = *Screens;
    if (shown) {
        float fraction = TimeLimit > 0.0f ? TimeLeft / TimeLimit : 1.0f;
        if (BonusKind != kBonusNone)
            fraction = BonusTimeLimit > 0.0f ? BonusTime / BonusTimeLimit : 1.0f;
        s.InitHudCounters(Field.IsNull() ? 0 : Field->Counters.Sets[1].Get(0), Lives, fraction);
        s.ShowCountIcons(Lives);
        if (!s.QuestForm->Visible)
            s.FadeIn(s.QuestForm, CScreensManager::kMenuFade);
    }
    s.ShowLevelHud(shown ? 1 : 0);
    if (!shown)
        s.ToggleSoundCue(0);
}

void CGame::ShowCard(const std::string& title, const std::string& text) {
    CardShown = 1;
    CardTitle = title;
    if (Screens.IsNull())
        return;
    CScreensManager& s = *Screens;
    if (s.LevelPanelWindows.size() > kCardTitle)
        CScreensManager::SetWindowText(s.LevelPanelWindows[kCardTitle], title);
    if (s.LevelPanelWindows.size() > kCardText)
        CScreensManager::SetWindowText(s.LevelPanelWindows[kCardText], text);
    s.FitLevelPanel();
    if (!s.QuestForm->Visible)
        s.FadeIn(s.QuestForm, CScreensManager::kMenuFade);
    s.ShowLevelPanel(0, 1);
    // The board's messages rise clear of it.
    CScreenBox card;
    if (!Field.IsNull() && s.LevelPanelBox(card))
        Field->Popups.Messages.KeepClearOf(CLaneBox{card.L, card.B, card.R, card.T});
}

void CGame::HideCard() {
    CardShown = 0;
    CardTitle.clear();
    if (!Field.IsNull())
        Field->Popups.Messages.KeepClearOfNothing();
    if (!Screens.IsNull())
        Screens->ShowLevelPanel(0, 0);
}

float CGame::PopMessage(const std::string& text, float duration, uint32_t colour, float scale,
                        bool plaque) {
    if (Field.IsNull())
        return GameClock;
    return GameClock + Field->Popups.Messages.Post(text, duration, colour, scale, plaque);
}

bool CGame::MessagesPending() const {
    return !Field.IsNull() && Field->Popups.Messages.Pending();
}

void CGame::ClearPopups() {
    if (!Field.IsNull())
        Field->Popups.Clear();
}

std::vector<std::string> CGame::MessageTexts() const {
    std::vector<std::string> texts;
    if (!Field.IsNull() && !Field->Popups.Messages.OnScreen().IsNull())
        texts.push_back(Field->Popups.Messages.OnScreen()->Text);
    return texts;
}

CSharedPtr<CUxWindow> CGame::BonusForm(int32_t kind) const {
    if (Screens.IsNull())
        return CSharedPtr<CUxWindow>();
    switch (kind) {
    case kBonusMemory:
        return Screens->MemoryForm;
    case kBonusAccuracy:
        return Screens->ArcadeForm;
    case kBonusAttention:
        return Screens->ThimblesForm;
    case kBonusReaction:
        return Screens->BlinkerForm;
    default:
        return CSharedPtr<CUxWindow>();
    }
}
