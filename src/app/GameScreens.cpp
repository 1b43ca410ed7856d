// The screens object in the game: its creation at start-up, the level
// screen's HUD (counter, timer dial, lives and the low-time alarm of the
// Quest form), the card over the board (the Quest form's level panel) and the
// message popups that rise from the board.
#include <algorithm>
#include <cmath>

#include "app/Game.h"
#include "bonuses/BonusManager.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/TextSprite.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "ui/UxWindow.h"

namespace {

// The level panel holds the card's title, then its text.
constexpr size_t kCardTitle = 0;
constexpr size_t kCardText = 1;
constexpr float kMessageRise = 18.0f;
constexpr float kMessageDepth = -60.0f;
// What a message keeps clear of the board's sides (virtual units).
constexpr float kMessageMargin = 24.0f;
// Marks the popups that are messages (score popups use the style table).
constexpr int32_t kMessageStyle = -1000;
// A message that another waits for lives no longer than a combo's (half of
// it at full strength, then its fade), so that a run of them does not fall
// behind the game; one already fading keeps its own pace.
constexpr float kWaitedForLife = 1.5f;

// The life of a message of `life` seconds, `age` seconds old, once another
// waits for it: its full-strength half never shortened below `age`.
float WaitedForLife(float life, float age) {
    return std::min(life, std::max(kWaitedForLife, 2.0f * age));
}

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
    // A message already rising from the board's centre moves out of its way.
    for (const CSharedPtr<CPopup>& p : MessagePopups())
        KeepClearOfCard(*p);
}

void CGame::HideCard() {
    CardShown = 0;
    CardTitle.clear();
    if (!Screens.IsNull())
        Screens->ShowLevelPanel(0, 0);
}

float CGame::PopMessage(const std::string& text, float duration, uint32_t colour, float scale) {
    if (Field.IsNull() || text.empty())
        return GameClock;
    // A popup lives a second when given no time of its own.
    const float d = duration > 0.0f && std::isfinite(duration) ? duration : 1.0f;
    // Its turn comes when the message on screen and those waiting have gone,
    // each shortened as it is waited for.
    float start = GameClock;
    for (const CSharedPtr<CPopup>& p : MessagePopups())
        start = std::max(start, GameClock + WaitedForLife(p->Lifetime, p->Age) - p->Age);
    for (const CWaitingMessage& m : WaitingMessages)
        start += WaitedForLife(m.Duration, 0.0f);
    WaitingMessages.push_back(CWaitingMessage{text, d, colour, scale});
    ShowNextMessage();
    return start + d;
}

void CGame::ShowNextMessage() {
    if (Field.IsNull() || WaitingMessages.empty())
        return;
    const std::vector<CSharedPtr<CPopup>> shown = MessagePopups();
    if (!shown.empty()) {
        for (const CSharedPtr<CPopup>& p : shown)
            p->Lifetime = WaitedForLife(p->Lifetime, p->Age);
        return;
    }
    const CWaitingMessage m = std::move(WaitingMessages.front());
    WaitingMessages.pop_front();
    const float side = static_cast<float>(CPlayField::kBoardSide);
    const float cellW = Layout.CellWidth > 0.0f ? Layout.CellWidth : 83.0f;
    const float cellH = Layout.CellHeight > 0.0f ? Layout.CellHeight : 83.0f;
    CPopupStyle style;
    style.Colour = m.Colour;
    style.Scale = m.Scale;
    style.RiseSpeed = kMessageRise;
    style.Lifetime = WaitingMessages.empty() ? m.Duration : WaitedForLife(m.Duration, 0.0f);
    style.TitleFace = true;
    CSharedPtr<CPopup> popup;
    Field->Popups.SpawnText(popup, m.Text, style, kMessageStyle,
                            Layout.BaseOrigin[0] + side * cellW / 2.0f,
                            Layout.BaseOrigin[1] - side * cellH / 2.0f, kMessageDepth);
    // A long message is drawn smaller, so that it stays over the board.
    if (popup.IsNull() || popup->Sprite.IsNull())
        return;
    const CTextSprite::Box ink = popup->Sprite->LayoutBox();
    const float w = ink.Right - ink.Left, h = ink.Top - ink.Bottom;
    const float fit = std::min({1.0f, (side * cellW - 2.0f * kMessageMargin) / std::max(w, 1.0f),
                                (side * cellH - 2.0f * kMessageMargin) / std::max(h, 1.0f)});
    if (fit < 1.0f) {
        popup->Scale *= fit;
        popup->Sprite->Build(popup->Scale, popup->Scale);
    }
    KeepClearOfCard(*popup);
}

bool CGame::MessagesPending() const {
    return !WaitingMessages.empty() || !MessagePopups().empty();
}

void CGame::ClearPopups() {
    WaitingMessages.clear();
    if (!Field.IsNull())
        Field->Popups.Clear();
}

void CGame::KeepClearOfCard(CPopup& popup) {
    CScreenBox card;
    if (Screens.IsNull() || popup.Sprite.IsNull() || !Screens->LevelPanelBox(card))
        return;
    // The way its letters go from now until it has gone.
    const CTextSprite::Box ink = popup.Sprite->LayoutBox();
    const float rise = std::max(popup.RiseSpeed, 0.0f) * std::max(popup.Lifetime - popup.Age, 0.0f);
    const float bottom = ink.Bottom, top = ink.Top + rise;
    if (ink.Right <= card.L || ink.Left >= card.R || top + kMessageMargin <= card.B ||
        bottom - kMessageMargin >= card.T)
        return;
    // It rises in the middle of the larger part of the board the card
    // leaves free, above or below it.
    const float side = static_cast<float>(CPlayField::kBoardSide);
    const float cellH = Layout.CellHeight > 0.0f ? Layout.CellHeight : 83.0f;
    const float boardTop = Layout.BaseOrigin[1], boardBottom = boardTop - side * cellH;
    const float below = card.B - kMessageMargin - boardBottom;
    const float above = boardTop - card.T - kMessageMargin;
    const float middle = below >= above ? boardBottom + below / 2.0f : boardTop - above / 2.0f;
    popup.Position.Y += middle - (bottom + top) / 2.0f;
    popup.Sprite->Position = popup.Position;
}

std::vector<CSharedPtr<CPopup>> CGame::MessagePopups() const {
    std::vector<CSharedPtr<CPopup>> messages;
    if (Field.IsNull())
        return messages;
    for (const CSharedPtr<CPopup>& p : Field->Popups.GetPopups())
        if (p->Style == kMessageStyle)
            messages.push_back(p);
    return messages;
}

std::vector<std::string> CGame::MessageTexts() const {
    std::vector<std::string> texts;
    for (const CSharedPtr<CPopup>& p : MessagePopups())
        texts.push_back(p->Text);
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
