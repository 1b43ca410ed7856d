// Quitting a quest at any moment (the window closed, a stop signal, "save and
// quit" from the in-level menu) leaves the save a player would expect: the
// quest saves itself at set moments (the shop's copies, the periodic capture
// in play), and between them a quit must neither undo a lost life nor lose a
// won level. The in-level menu is offered on every level screen where such a
// quit can be settled.
#include <algorithm>

#include "app/Game.h"
#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"

bool CGame::GameMenuOffered() const {
    // The trophy screen at a level's end lies over the menu; it closes first.
    if (TrophiesFrom != kTrophiesClosed)
        return false;
    if (Mode == kModeLevelIntro || Mode == kModeShopTransition)
        return true;
    return Mode == kModeLevel && (SubState == kSubPlay || SubState == kSubBonus ||
                                  SubState == kSubResult || SubState == kSubLostLevel);
}

bool CGame::EndWonQuestForQuit() {
    // The closing page's own way out, or the last level won and its results
    // or awards still on screen: nothing is left to play, so the quest ends
    // as leaving the closing page ends it, rather than keep a save that
    // would play the last level again.
    const bool lastLevelWon = NonQuest == 0 && LevelCompleted && Level >= kQuestLevels &&
                              BonusKind == kBonusNone && Mode == kModeLevel &&
                              SubState == kSubResult;
    if (lastLevelWon)
        StartGameEnd();
    if (Mode != kModeQuestEnd)
        return false;
    CloseGameEnd();
    return true;
}

bool CGame::SettleForQuit() {
    // A level's awards are the player's once earned, whether the trophy
    // screen has shown them or not: the quest goes on past its results (in
    // the shop), where nothing would show them again.
    KeepWaitingAwards(ProfileFolder());
    if (EndWonQuestForQuit())
        return false;
    CommitShopStars();
    SettleQuestForQuit();
    return true;
}

void CGame::SettleQuestForQuit() {
    if (NonQuest != 0 || Profile.IsNull())
        return;
    const bool afterWin = Mode == kModeShopTransition ||
                          (Mode == kModeLevel && (SubState == kSubResult || SubState == kSubBonus ||
                                                  SubState == kSubShop));
    if (LevelCompleted && afterWin) {
        // The last capture in play would have the won level played again:
        // the copies are written now as the shop would have written them.
        AutoSaveAfterLevel();
    } else if (Mode == kModeLevel && SubState == kSubLostLevel) {
        CountLostLife();
        // The last life went: the quest is over and its score goes to the
        // table now, as the game-over screen would have sent it.
        if (IntroStep == kLossQuestOver && !Field.IsNull())
            SubmitHighScore(Field->Counters.Sets[1].Get(0));
    } else if (Mode == kModeLevelIntro && !Resumed &&
               (Quest.IsNull() || Quest->State != CQuestState::kWorthSaving)) {
        // The first level of a new quest has nothing saved yet.
        SaveLevelFromStart();
    }
}

void CGame::CountLostLife() {
    if (Mode != kModeLevel || SubState != kSubLostLevel || IntroStep != kLossCounting)
        return;
    Lives = std::max(Lives - 1, 0);
    if (RestoreAfterLoss()) {
        IntroStep = kLossRestored;
        return;
    }
    if (Lives > 0) {
        IntroStep = kLossRestart;
        SaveLevelFromStart();
        return;
    }
    // Game over ends the quest: nothing is left to continue.
    IntroStep = kLossQuestOver;
    DeleteQuestSaves(NonQuest, 1);
    if (!Quest.IsNull())
        Quest->State = CQuestState::kNothingToSave;
}

void CGame::SaveLevelFromStart() {
    if (NonQuest != 0 || Profile.IsNull())
        return;
    CaptureQuestState(1);
    CQuestState& q = *Quest;
    // A record without a board (as if taken at a level's results) resumes
    // with the level built afresh.
    q.SavedSubState = CQuestState::kTakenAtResults;
    q.DropBoard();
    q.Counters.Assign(LevelStartCounters);
    q.State = CQuestState::kWorthSaving;
    WriteQuestRecord(q);
}
