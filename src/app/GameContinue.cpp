// Continuing a saved quest: the continue dialog, the resume of a loaded record
// (in the shop, or in play with the saved board), the shop between levels with
// its automatic save, the automatic copy restored after a lost life, and the
// quit sequence of "save and quit".
#include <algorithm>
#include <cmath>

#include "app/Game.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "platform/Rand15.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelRules.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

constexpr int32_t kTxtVeteranQuestion = 63;
constexpr int32_t kTxtSaveDamagedTitle = 105;
constexpr int32_t kTxtSaveFromCopy = 106;
constexpr int32_t kTxtSaveLost = 107;

constexpr int32_t kIdContinueQuest = 211;
constexpr float kMenuFade = 2.0f;
constexpr float kBoxFade = 4.0f;

// Counter sets of the play field: the quest totals and the level's; the play
// time is the one counter kept as a float.
constexpr size_t kQuestTotals = 1;
constexpr size_t kLevelTotals = 2;
constexpr int32_t kPlayTimeCounter = 1;

// The warning cue never waits for more than this many seconds.
constexpr float kFirstWarning = 30.0f;
// Restored sand stays just below a full box, so no frenzy starts by itself.
constexpr double kMaxRestoredSand = 0.95;

int32_t GemsOnSavedBoard(const CQuestState& q) {
    int32_t n = 0;
    for (int32_t r = 0; r < CQuestState::kBoardSize; ++r)
        for (int32_t c = 0; c < CQuestState::kBoardSize; ++c) {
            const int32_t v = q.Cell(CQuestState::kColourGrid, c, r);
            n += v < 0 && v >= -CQuestState::kColours ? 1 : 0;
        }
    return n;
}

} // namespace

int32_t CGame::OfferContinue() {
    if (Profile.IsNull() || Screens.IsNull())
        return 0;
    const bool hadMain = CQuestSlots(ProfileFolder()).Exists(CQuestSlots::kMain);
    const int32_t slot = LoadQuestToContinue();
    if (slot == CQuestSlots::kNone && !hadMain)
        return 0;
    CScreensManager& s = *Screens;
    const bool loaded = slot != CQuestSlots::kNone;
    if (loaded) {
        // A save taken in the shop goes on with the level after it.
        const CQuestState& q = *Quest;
        const int32_t next = q.SavedSubState == CQuestState::kTakenInShop ? 1 : 0;
        s.SetStartQuestText(std::min(q.Level + next, kQuestLevels), q.Difficulty);
    } else {
        CScreensManager::SetWindowText(s.StartQuestControl1, "");
    }
    for (const CSharedPtr<CUxWindow>& c : s.StartQuestForm->Children)
        if (!c.IsNull() && c->Id == kIdContinueQuest)
            c->SetVisible(loaded ? 1 : 0);
    s.FadeIn(s.StartQuestForm, kMenuFade);
    if (slot == CQuestSlots::kMain)
        return 1;
    // The main save could not be read: the player is told what is offered.
    s.ShowMessageBox(GetString(kTxtSaveDamagedTitle).c_str(),
                     GetString(loaded ? kTxtSaveFromCopy : kTxtSaveLost).c_str(),
                     CScreensManager::kSetOk, CScreensManager::kPurposeLevelNotice);
    s.StartQuestForm->SetEnabled(0);
    s.FadeIn(s.MsgBoxForm, kBoxFade);
    return 1;
}

void CGame::AskNewQuest() {
    if (Screens.IsNull())
        return;
    if (!Profile.IsNull() && Profile->Veteran) {
        Screens->ShowMessageBox(GetString(kTxtVeteranQuestion).c_str(), "",
                                CScreensManager::kSetYesNo, CScreensManager::kPurposeDifficulty);
        Screens->FadeIn(Screens->MsgBoxForm, kBoxFade);
        return;
    }
    Screens->FadeOut(Screens->StartQuestForm, kMenuFade);
    BeginNewQuest(0);
}

void CGame::ApplyQuestRecord(const CQuestState& q) {
    NonQuest = 0;
    QuestId = q.QuestId;
    Difficulty = q.Difficulty == 1 ? 1 : 0;
    Level = std::clamp(q.Level, 1, kQuestLevels);
    Lives = std::max(q.Lives, 1);
    LevelCompleted = 0;
    LossFlag = 0;
    BonusKind = kBonusNone;
    // The stars and tiers go to the shop, which a shop save opens first.
    ApplyQuestUpgrades();
    if (Field.IsNull())
        return;
    CPlayField& f = *Field;
    f.Counters.Assign(q.Counters);
    f.Trophy1Progress = q.Trophy1Progress;
    f.Trophy5Progress = q.Trophy5Progress;
    f.Trophy7Progress = q.Trophy7Progress;
    f.ExtraLives = q.ExtraLives;
    // A record of the shop holds the sand its won level handed on.
    if (q.SavedSubState == CQuestState::kTakenInShop) {
        f.SandLevel = q.SandLevel;
        f.SandTime = q.SandTime;
    }
}

void CGame::ResumeQuest() {
    if (Quest.IsNull() || Quest->State != CQuestState::kWorthSaving) {
        ShowMainMenu();
        return;
    }
    const CQuestState& q = *Quest;
    ApplyQuestRecord(q);
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(Level, stage, inStage);
    ShowStageBackdrop(stage);
    if (q.SavedSubState == CQuestState::kTakenInShop) {
        ResumeInShop();
        return;
    }
    // A save from the results holds no board: the level starts afresh.
    const bool inPlay = q.SavedSubState == CQuestState::kTakenInPlay && q.HasBoard();
    StartLevel(Level);
    if (inPlay)
        RestoreSavedPlay(q);
}

void CGame::ResumeInShop() {
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(Level, stage, inStage);
    ShowStageBackdrop(stage);
    if (!Backgrounds.IsNull())
        Backgrounds->SetStage(inStage, 1);
    OpenShop(Level);
}

void CGame::RestoreSavedPlay(const CQuestState& q) {
    if (Field.IsNull())
        return;
    CPlayField& f = *Field;
    // StartLevel began the level totals again; the save has them. A restart of
    // the level (no copy to go back to) starts from the quest totals without
    // what the level had added; maxima cannot be taken back and stay.
    f.Counters.Assign(q.Counters);
    CCounterSet& start = LevelStartCounters.Sets[kQuestTotals];
    const CCounterSet& level = q.Counters.Sets[kLevelTotals];
    for (int32_t i = 0; i < CCounterSet::kCounters; ++i) {
        if (i == kPlayTimeCounter)
            start.AddFloat(-level.GetFloat(i), i);
        else
            start.Add(-level.Get(i), i);
    }
    TimeLeft = std::clamp(q.TimeLeft, 1.0f, std::max(TimeLimit, 1.0f));
    WarningThreshold = std::min({q.TimeStep, TimeLeft, kFirstWarning});

    // The board comes from the save on the first fill; its gems are already
    // on it, the rest are still to come, and the bar shows those collected.
    const int32_t remaining = std::clamp(q.GemsRemaining, 0, LevelGems);
    f.GemsToCollect = remaining;
    f.GemPool = std::max(remaining - GemsOnSavedBoard(q), 0);
    if (!GemsBar.IsNull())
        for (int32_t i = remaining; i < LevelGems; ++i)
            GemsBar->AddGem(Rand15::Global().Next() % CGemsBar::kColours);
    f.SavedState = Quest.Get();
    f.Source = CPlayField::kSavedBoard;

    f.TimerRateStep = std::max(q.SandRateStep, 0);
    if (CSandbox* sandbox = FieldSandbox()) {
        const double level = std::clamp(static_cast<double>(q.SandLevel), 0.0, kMaxRestoredSand);
        std::fill(sandbox->Profile.begin(), sandbox->Profile.end(), level);
        std::fill(sandbox->DisplayProfile.begin(), sandbox->DisplayProfile.end(), level);
        sandbox->MeanLevel = level;
        sandbox->FrenzyProgress = std::max(q.SandTime, 0.0);
        sandbox->FrenzyGain = FrenzyGain(f);
    }
    // Until the intro ends, an exit keeps the save as it is on disk.
    Resumed = 1;
}

void CGame::EndResume() {
    if (!Resumed)
        return;
    Resumed = 0;
    if (!Quest.IsNull())
        Quest->State = CQuestState::kNothingToSave;
}

int32_t CGame::RestoreAfterLoss() {
    if (NonQuest != 0 || !LoadQuestAutoSave(Lives < 1 ? 1 : 0))
        return 0;
    ApplyQuestRecord(*Quest);
    // The copy stands as the main save too, so quitting now cannot undo the
    // lost life.
    WriteQuestRecord(*Quest);
    return 1;
}

void CGame::StartQuitSequence() {
    if (!Field.IsNull()) {
        Field->DropAllCaps();
        Field->StopPlay();
    }
    HideCard();
    Mode = kModeLevel;
    SubState = kSubQuit;
    ModeTime = 0.0f;
    EndDelay = Paths.LevelEndDelay;
}

void CGame::UpdateQuitSequence() {
    if (EndDelay > 0.0f)
        return;
    LeaveLevelScreen();
    ShowMainMenu();
    OfferHighScore();
}
