// Values and texts put into the forms' controls: the level-screen counter and
// lives, captions, the message box, sliders, the high-score table, the
// profile rows, panels and HUD, and the intro texture.
#include <algorithm>

#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Path.h"
#include "playerdata/ProfileList.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/ScoreTable.h"
#include "playfield/LevelRules.h"
#include "screens/ScreensManager.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxScroller.h"
#include "ui/UxStatic.h"

namespace {

// String-table texts.
constexpr int32_t kTxtLevelStage = 8; // "Level %d-%d"
constexpr int32_t kTxtLevel = 9;      // "Level %d"
constexpr int32_t kTxtBonusLevel = 15;
constexpr int32_t kTxtRound = 16;
constexpr int32_t kTxtNewPlayerRow = 26;
constexpr int32_t kTxtNotSavedTitle = 241;
// The first of the notices of ENotSaved, in its order.
constexpr int32_t kTxtNotSavedFirst = 242;

// The new entry in white, every other row in the menus' warm gold.
constexpr uint32_t kRowHighlight = 0xFFFFFFFFu;
constexpr uint32_t kRowNormal = 0xFFF8DC8Au;
// Between a message box's title and its text.
constexpr float kMessageBoxGap = 12.0f;

void SetShown(const CSharedPtr<CUxWindow>& w, int32_t flag) {
    if (!w.IsNull())
        w->SetVisible(flag);
}

} // namespace

void CScreensManager::SetWindowsAlpha(const CWindowList& windows, float a) {
    for (const CSharedPtr<CUxWindow>& w : windows)
        if (!w.IsNull())
            w->SetAlpha(a);
}

void CScreensManager::SetWindowsVisible(const CWindowList& windows, int32_t flag) {
    for (const CSharedPtr<CUxWindow>& w : windows)
        SetShown(w, flag);
}

void CScreensManager::ResetWindowsPointerState(const CWindowList& windows) {
    for (const CSharedPtr<CUxWindow>& w : windows)
        if (!w.IsNull())
            w->ResetPointerState();
}

void CScreensManager::SetWindowText(const CSharedPtr<CUxWindow>& window, std::string_view text) {
    if (auto* s = dynamic_cast<CUxStatic*>(window.Get()))
        s->SetText(text);
}

std::string CScreensManager::WindowText(const CSharedPtr<CUxWindow>& window) {
    const auto* s = dynamic_cast<const CUxStatic*>(window.Get());
    const CTextSprite* text = s ? s->MainText() : nullptr;
    if (!text)
        return std::string();
    std::string t = text->GetText();
    std::replace(t.begin(), t.end(), '\v', ' ');
    return t;
}

void CScreensManager::SetWindowChecked(const CSharedPtr<CUxWindow>& window, int32_t checked) {
    if (auto* c = dynamic_cast<CUxCheckbox*>(window.Get()))
        c->SetChecked(checked);
}

void CScreensManager::SetClampedFraction(float f) {
    EasedTarget = std::clamp(f, 0.0f, 1.0f);
}

void CScreensManager::SetCounter(int32_t value, int32_t animate) {
    if (CountersFrozen)
        return;
    CounterValue = value;
    if (animate)
        Counter.SetTarget(value);
    else
        Counter.Set(value);
    SetWindowText(CounterLabel, FormatText("%d", {Counter.Shown}));
}

void CScreensManager::InitHudCounters(int32_t value, int32_t lives, float timeFraction) {
    CounterValue = value;
    SetCounter(value, 0);
    LivesShown = lives;
    SetWindowText(LivesLabel, FormatText("%d", {lives}));
    SetTimerDial(timeFraction, 1);
    if (QuestMarkers.size() >= 2)
        QuestMarkers[1]->SetVisible(0);
}

void CScreensManager::HideOverlayList() {
    SetWindowsVisible(BackgroundBlinkWindows, 0);
    BackgroundBlinkTimer = 0.0f;
}

void CScreensManager::SetLevelText(int32_t level) {
    std::string text;
    if (CountersFrozen) {
        text = FormatText(GetString(kTxtLevel), {level});
    } else {
        int32_t stage = 1, inStage = 1;
        CLevelRules::SplitLevel(level, stage, inStage);
        text = FormatText(GetString(kTxtLevelStage), {stage, inStage});
    }
    SetWindowText(NewLevelCaption, text);
}

void CScreensManager::SetNewLevelText(const char* text) {
    SetWindowText(NewLevelCaption, text ? text : "");
}

void CScreensManager::SetupMemoryTexts(int32_t n, int32_t round, int32_t rounds) {
    SetWindowText(MemoryCaption, FormatText(GetString(kTxtBonusLevel), {n}));
    SetWindowText(MemoryRoundCaption, FormatText(GetString(kTxtRound), {round, rounds}));
}

void CScreensManager::SetupArcadeTexts(int32_t n) {
    SetWindowText(ArcadeCaption, FormatText(GetString(kTxtBonusLevel), {n}));
}

void CScreensManager::SetupThimblesTexts(int32_t n, int32_t round, int32_t rounds) {
    SetWindowText(ThimblesCaption, FormatText(GetString(kTxtBonusLevel), {n}));
    SetWindowText(ThimblesRoundCaption, FormatText(GetString(kTxtRound), {round, rounds}));
    SetShown(ThimblesControl3, 0);
}

void CScreensManager::SetupBlinkerTexts(int32_t n) {
    SetWindowText(BlinkerCaption, FormatText(GetString(kTxtBonusLevel), {n}));
    for (const CSharedPtr<CUxWindow>& w : {BlinkerControl2, BlinkerControl3, BlinkerControl4})
        SetShown(w, 1);
}

bool CScreensManager::TextInk(const CSharedPtr<CUxWindow>& window, CScreenBox& ink) {
    bool any = false;
    if (window.IsNull())
        return false;
    for (const CSharedPtr<CTextSprite>& t : window->Texts) {
        if (t.IsNull() || t->GetText().find_first_not_of(" \n\v") == std::string::npos)
            continue;
        const CTextSprite::Box b = t->LayoutBox();
        ink = any ? CScreenBox{std::min(ink.L, b.Left), std::min(ink.B, b.Bottom),
                               std::max(ink.R, b.Right), std::max(ink.T, b.Top)}
                  : CScreenBox{b.Left, b.Bottom, b.Right, b.Top};
        any = true;
    }
    return any;
}

void CScreensManager::ShowMessageBox(const char* title, const char* text, int32_t buttonSet,
                                     int32_t purpose) {
    std::string head = title ? title : "", body = text ? text : "";
    if (body.empty()) {
        // The question's first line, or else its first sentence, heads it.
        size_t end = head.find('\n');
        if (end == std::string::npos)
            for (size_t k = head.find_first_of("!?.");
                 k != std::string::npos && k + 1 < head.size();
                 k = head.find_first_of("!?.", k + 1))
                if (head[k + 1] == ' ') {
                    end = k + 1;
                    break;
                }
        if (end != std::string::npos && end + 1 < head.size()) {
            body = head.substr(end + 1);
            head.resize(end);
        }
    }
    SetWindowText(MsgBoxTitle, head);
    SetWindowText(MsgBoxText, body);
    for (int32_t g = 0; g < kButtonSets; ++g)
        SetWindowsVisible(MsgBoxButtonSets[static_cast<size_t>(g)], g == buttonSet ? 1 : 0);
    MsgBoxPurpose = purpose;
    CentreMessageBoxText();
}

void CScreensManager::TellNotSaved(ENotSaved what, const std::string& gamePath) {
    const std::string target = os::ResolveWriteTarget(gamePath);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? target : target.substr(0, slash);
    LogObject("Unable to save " + target + "\n");
    const std::string note =
        GetString(kTxtNotSavedFirst + static_cast<int32_t>(what)) + "\n" + folder;
    if (MsgBoxPurpose != kPurposeNotSaved)
        NotSavedText.clear();
    if (NotSavedText.find(note) == std::string::npos)
        NotSavedText += (NotSavedText.empty() ? "" : "\n") + note;
    ShowMessageBox(GetString(kTxtNotSavedTitle).c_str(), NotSavedText.c_str(), kSetOk,
                   kPurposeNotSaved);
    FadeIn(MsgBoxForm, kBoxFade);
}

void CScreensManager::CentreMessageBoxText() {
    auto* title = dynamic_cast<CUxStatic*>(MsgBoxTitle.Get());
    auto* text = dynamic_cast<CUxStatic*>(MsgBoxText.Get());
    if (title == nullptr || text == nullptr || title->ScaleY == 0.0f || text->ScaleY == 0.0f)
        return;
    // Both captions span the room between the frame's top and the buttons;
    // each starts its first line at the middle of it.
    title->SetNoteShift(0.0f, 0.0f);
    text->SetNoteShift(0.0f, 0.0f);
    const float top = text->Position.Y + text->Height / 2.0f;
    const float bottom = text->Position.Y - text->Height / 2.0f;
    CScreenBox head, body;
    const bool hasHead = TextInk(MsgBoxTitle, head), hasBody = TextInk(MsgBoxText, body);
    const float headH = hasHead ? head.T - head.B : 0.0f, bodyH = hasBody ? body.T - body.B : 0.0f;
    const float gap = hasHead && hasBody ? kMessageBoxGap : 0.0f;
    const float blockTop = (top + bottom + headH + gap + bodyH) / 2.0f;
    if (hasHead)
        title->SetNoteShift(0.0f, (blockTop - head.T) / title->ScaleY);
    if (hasBody)
        text->SetNoteShift(0.0f, (blockTop - headH - gap - body.T) / text->ScaleY);
}

void CScreensManager::SetVolumeSliders(float sound, float music) {
    if (auto* s = dynamic_cast<CUxScroller*>(SoundSlider.Get()))
        s->SetValue(sound);
    if (auto* m = dynamic_cast<CUxScroller*>(MusicSlider.Get()))
        m->SetValue(music);
}

void CScreensManager::FillHighScoreTable(int32_t tableIndex) {
    if (!ScoreTable || tableIndex < 0 || tableIndex >= ScoreTableCount)
        return;
    const CScoreTable& table = ScoreTable[tableIndex];
    const size_t rows = std::min({static_cast<size_t>(CScoreTable::kRows), HighScoreRows.size(),
                                  HighScoreNames.size(), HighScoreScores.size()});
    for (size_t r = 0; r < rows; ++r) {
        const auto row = static_cast<int32_t>(r);
        SetWindowText(HighScoreNames[r], table.GetName(row));
        SetWindowText(HighScoreScores[r], FormatText("%d", {table.Rows[r].Score}));
        const uint32_t colour = tableIndex == HighScoreTableIndex && row == HighScoreNewRow
                                    ? kRowHighlight
                                    : kRowNormal;
        for (const CWindowList* list : {&HighScoreRows, &HighScoreNames, &HighScoreScores})
            (*list)[r]->SetTextColour(colour);
    }
}

void CScreensManager::ShowCountIcons(int32_t n) {
    for (size_t i = 0; i < LifeIcons.size(); ++i)
        SetShown(LifeIcons[i], static_cast<int32_t>(i) < n ? 1 : 0);
}

void CScreensManager::ShowIntroPage(int32_t page) {
    IntroPage = page;
    for (size_t i = 0; i < IntroPages.size(); ++i)
        SetShown(IntroPages[i], static_cast<int32_t>(i) == page ? 1 : 0);
}

void CScreensManager::HideTutorialGroups() {
    for (const CWindowGroup& g : TutorialGroups)
        SetWindowsVisible(g.Windows, 0);
}

void CScreensManager::ShowTutorialGroup(int32_t group) {
    if (group >= 0 && group < static_cast<int32_t>(TutorialGroups.size()))
        SetWindowsVisible(TutorialGroups[static_cast<size_t>(group)].Windows, 1);
    // Of the tip box's plaques, only the one that fits its text.
    if (group == 1)
        for (size_t k = 0; k < TipPlaques.size(); ++k)
            SetShown(TipPlaques[k], k == TipPlaque ? 1 : 0);
}

void CScreensManager::ShowLevelPanel(int32_t skip, int32_t visible) {
    if (skip)
        return;
    SetWindowsVisible(LevelPanelWindows, visible);
    for (const CSharedPtr<CUxWindow>& frame : LevelPanelFrames)
        SetShown(frame, visible && frame == LevelPanelFrame ? 1 : 0);
}

void CScreensManager::ShowLevelHud(int32_t visible) {
    SetWindowsVisible(HudWindows, visible);
    SetShown(HudControl203, visible);
    bool shown = false;
    for (size_t i = LastLifeMarkers.size(); i-- > 0;) {
        const bool here = visible && !shown && i < LifeIcons.size() && LifeIcons[i]->Visible;
        SetShown(LastLifeMarkers[i], here ? 1 : 0);
        shown = shown || here;
    }
}

void CScreensManager::RefreshProfileList() {
    const int32_t n = ProfileList.IsNull() ? 0 : ProfileList->Count();
    if (ProfileScroll >= n)
        ProfileScroll = n - 1;
    if (ProfileSelected >= n)
        ProfileSelected = n - 1;
    for (int32_t k = 0; k < static_cast<int32_t>(ProfileRows.size()); ++k) {
        const CSharedPtr<CUxWindow>& row = ProfileRows[static_cast<size_t>(k)];
        const int32_t e = ProfileScroll + k;
        if (e < n && (e >= 0 || e == -1)) {
            SetWindowText(row, e == -1 ? GetString(kTxtNewPlayerRow)
                                       : ProfileList->Profiles[static_cast<size_t>(e)]->Name);
            SetWindowChecked(row, e == ProfileSelected ? 1 : 0);
            row->Active = 1;
        } else {
            SetWindowText(row, "");
            SetWindowChecked(row, 0);
            row->Active = 0;
        }
    }
}

int32_t CScreensManager::RecreateIntroTexture(int32_t create) {
    if (Device.IsNull() || Device->FindTexture("Intro") < 0)
        return 0;
    CSharedPtr<CTexture> intro = Device->GetTexture("Intro");
    if (create) {
        if (!intro->HasTexture() && gpu::Failed(intro->Recreate(Device->GetDevice()))) {
            LogObject("Error recreating Intro Texture\n");
            return 0;
        }
    } else if (intro->HasTexture()) {
        intro->ReleaseTexture();
    }
    return 1;
}
