// The screen state machine and the quest flow: level start and intro, play
// with the level clock, the level result, the restart after a lost level,
// game over and the end of the quest. A quest starts from the menus
// (GameMenus.cpp) and runs level after level with the map between them, with
// the bonus-level challenges after every fifth level and the shop between
// levels (GameShop.cpp).
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "app/Game.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/ObjectLog.h"
#include "engine/PlayFieldStore.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelRules.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

// Text IDs (Data\TextID.dat).
constexpr int32_t kTxtTimeIsUp = 10;
constexpr int32_t kTxtLevelComplete = 39;
constexpr int32_t kTxtGoldenStar = 41;
constexpr int32_t kTxtTimeBonus = 42;
constexpr int32_t kTxtLifeLostTitle = 44;
constexpr int32_t kTxtGameOverTitle = 46;
constexpr int32_t kTxtGameOver = 47;
constexpr int32_t kTxtGemsGoal = 61;
constexpr int32_t kTxtHudLives = 66;
constexpr int32_t kTxtClickToContinue = 69;
constexpr int32_t kTxtFirstStage = 92;
constexpr int32_t kStageNames = 5;

// Screen times (seconds). A click ends the waiting ones early (GameInput.cpp).
// The cards that ask for a click (the level's, the lost life's) wait for one.
constexpr float kUntilClicked = std::numeric_limits<float>::infinity();
// The time a won level's card stands, after the star, before the results come.
constexpr float kLevelCardTime = 1.5f;
constexpr float kShopTransitionTime = 0.5f;
// The chest finale alone on screen before the closing page.
constexpr float kQuestEndTime = 4.0f;
constexpr float kFieldFade = 2.0f;  // board fade-in speed per second
constexpr float kFormFade = 2.0f;   // the level forms' fades

constexpr int32_t kNewQuestLives = 3;
constexpr int32_t kTimeBonusPerSecond = 100;
// Bonus levels follow every fifth level up to this one.
constexpr int32_t kBonusEvery = 5;
constexpr int32_t kLastBonusAfter = 40;
constexpr int32_t kBonusGroupSize = 4;

// The totem panel's fades at the level start and end (half a second).
constexpr float kTotemFade = 2.0f;

// The warning cue: at 30 and 15 seconds, at 10, then every second.
constexpr float kFirstWarning = 30.0f;

void EnterScreen(CGame& g, int32_t mode, int32_t subState, float wait) {
    g.Mode = mode;
    g.SubState = subState;
    g.ModeTime = 0.0f;
    g.EndDelay = wait;
}

void Play(const CGame& g, ESound sound) {
    if (!g.SoundBank.IsNull())
        g.SoundBank->PlaySample(g.SoundBank->Group(sound), 0, 0);
}


std::string StageName(int32_t stage) {
    return GetString(kTxtFirstStage + std::clamp(stage, 1, kStageNames) - 1);
}

// The cue of the level clock, and the next threshold below the one passed.
void SoundTimeWarning(CGame& g) {
    if (!(g.WarningThreshold > 0.0f) || g.TimeLeft > g.WarningThreshold)
        return;
    // Every threshold starts the level screen's alarm: its dial blinks and
    // its warning sounds (once a second in the last ten).
    if (!g.Screens.IsNull())
        g.Screens->ToggleSoundCue(1);
    else
        Play(g, ESound::Warning);
    if (g.WarningThreshold > 15.0f)
        g.WarningThreshold = 15.0f;
    else if (g.WarningThreshold > 10.0f)
        g.WarningThreshold = 10.0f;
    else
        g.WarningThreshold = std::ceil(g.TimeLeft) - 1.0f;
    // A big jump of the clock must not replay every cue it skipped.
    while (g.WarningThreshold > 0.0f && g.TimeLeft <= g.WarningThreshold)
        g.WarningThreshold = g.WarningThreshold > 15.0f   ? 15.0f
                             : g.WarningThreshold > 10.0f ? 10.0f
                                                          : std::ceil(g.TimeLeft) - 1.0f;
}

// A level's end is told at once: whatever the board was still saying (the
// last chain's combos) gives way to it.
void EndBoardTalk(CGame& g) {
    if (!g.Field.IsNull())
        g.Field->Popups.Messages.GiveWay();
}

// The totem panel leaves with the level screen: its own sprites fade out and
// so does every figure.
void HideTotems(CGame& g) {
    if (g.Field.IsNull())
        return;
    g.Field->Totems.Show(0, kTotemFade);
    g.Field->Totems.FadeOutAll(kTotemFade);
}

// Begins the play of a level whose intro has ended.
void BeginPlay(CGame& g) {
    g.EndResume();
    g.HideCard();
    EnterScreen(g, kModeLevel, kSubPlay, 0.0f);
    if (CSandbox* sandbox = g.FieldSandbox()) {
        sandbox->DrainRate = CLevelRules::SpeedForLevel(g.Level);
        sandbox->Running = 1;
    }
    // The wait for the level panel starts with the clock.
    if (!g.Field.IsNull())
        g.Field->MoveTimer = 0.0f;
    g.PanelMoveTimer = 0.0f;
    // A tip the board asked for during the intro shows now.
    if (g.TipOpen == kTipPending) {
        g.TipOpen = kTipNone;
        g.ShowTip(g.TipNumber, g.TipStep);
    }
}

// The quest is over, lost or won: its score into the high-score table, the
// level screen gone, and the screen that tells of it.
void EndQuest(CGame& g, ESound sound, int32_t music, int32_t mode, int32_t subState, float wait) {
    if (!g.Field.IsNull())
        g.SubmitHighScore(g.Field->Counters.Sets[1].Get(0));
    g.LeaveLevelScreen();
    Play(g, sound);
    g.RequestMusic(music);
    EnterScreen(g, mode, subState, wait);
}

// Once the player has read that screen: an ended quest leaves no save to
// continue; the menus, with the high-score entry when the score made it.
void BackToMenus(CGame& g) {
    g.DeleteQuestSaves(g.NonQuest, 1);
    g.SaveProfileSettings();
    g.ShowMainMenu();
    g.OfferHighScore();
}

} // namespace

void CGame::StartNewQuest() {
    DeleteQuestSaves(0, 1);
    QuestId = os::NewGuid();
    if (Quest.IsNull())
        Quest = CSharedPtr<CQuestState>(new CQuestState());
    Quest->State = CQuestState::kNewQuest;
    Resumed = 0;
    if (!Profile.IsNull()) {
        Profile->ClearTutorialFlags();
        SaveProfileSettings();
    }
    Level = 1;
    Lives = kNewQuestLives;
    StartQuestUpgrades();
    LossFlag = 0;
    LevelCompleted = 0;
    BonusesPlayed = 0;
    BonusKind = kBonusNone;
    if (!Field.IsNull()) {
        Field->Counters.Clear();
        Field->Trophy1Progress = Field->Trophy5Progress = Field->Trophy7Progress = 0;
        // A new quest starts with an empty sand box.
        Field->SandLevel = Field->SandTime = 0.0;
    }
    if (!Backgrounds.IsNull())
        Backgrounds->SetBackground(CBackgroundsManager::kMuseum);
}

void CGame::StartLevel(int32_t level) {
    if (Field.IsNull())
        return;
    Level = std::clamp(level, 1, kQuestLevels);
    CPlayField& field = *Field;

    // Whatever the last screen left behind goes.
    LevelCompleted = 0;
    LevelCardDue = 0;
    ResultsShown = 0;
    NewspaperShown = 0;
    LossFlag = 0;
    DropTip();
    ReopenWhenIdle = 0;
    CaptureClock = 0.0f;
    HintTimer = 0.0f;
    PanelTimer = 0.0f;
    BonusKind = kBonusNone;
    BonusIntro = 0;
    LeftDown = 0;
    DragColumn = DragRow = -1;
    HideCard();
    ClearPopups();

    // The level's rules.
    Params.GameMode = 0;
    Params.Level = Level;
    Params.Speed = CLevelRules::SpeedForLevel(Level);
    ApplyQuestUpgrades();

    // The level totals start from zero; the quest totals are kept so that a
    // lost level can start again from where it began.
    field.Counters.Sets[2].Reset();
    LevelStartCounters.Assign(field.Counters);

    // The board: caps mode, colours, the level file, a fresh field. A level
    // without a gem count must not keep the last level's goal, and the end of
    // the last level (level over, closed input) must not carry over.
    if (!Caps.IsNull())
        Caps->SetTextureMode(0);
    field.HardMode = Difficulty;
    field.LevelNumber = Level;
    field.SetColours(Level);
    field.GemPool = field.GemsToCollect = 5;
    if (!GemsBar.IsNull())
        GemsBar->Reset();
    const std::string path = Paths.LevelsPath + "l" + std::to_string(Level) + ".lvl";
    if (!field.LoadLevel(path))
        LogObject("Unable to load level " + path + "\n");
    field.Reset(0);
    field.Totems.Reset();
    field.Totems.BuildPanelSprites(0);
    field.Totems.Show(1, kTotemFade);
    field.LevelOver = 0;
    field.SetActive(false);
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    // The gem bar hangs from the board's frame.
    if (!GemsBar.IsNull() && !field.Store.IsNull())
        GemsBar->Place(field.Store->Offset[0], field.Store->Offset[1], field.Store->Offset[2]);
    LevelGems = field.GemsToCollect;
    OfferTotemTip();

    // The sand box waits for the play.
    StartLevelSandbox();

    // The stage picture and the captions.
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(Level, stage, inStage);
    // The stage's backdrop, showing the levels already won in the stage.
    ShowStageBackdrop(stage);
    if (!Backgrounds.IsNull())
        Backgrounds->SetStage(inStage - 1, 1);

    TimeLimit = TimeLeft = Params.LevelTime;
    WarningThreshold = kFirstWarning;

    // The level screen's HUD with the level's figures; the caption and the
    // goal while the board builds.
    std::string caption;
    if (!Screens.IsNull()) {
        Screens->CountersFrozen = NonQuest;
        ShowLevelHud(true);
        Screens->SetLevelText(Level);
        caption = CScreensManager::WindowText(Screens->NewLevelCaption);
    }
    ShowCard(caption, StageName(stage) + "\n" + FormatText(GetString(kTxtGemsGoal), {LevelGems}) +
                          "\n" + GetString(kTxtClickToContinue));
    field.Show(true, 1, kFieldFade);

    RequestMusic(kMusicGameplay, true);
    Play(*this, ESound::NewLevel);
    EnterScreen(*this, kModeLevelIntro, kSubNone, kUntilClicked);
    IntroStep = 0;
}

void CGame::RequestMusic(int32_t state, bool force) {
    if (!force && state == MusicState)
        return;
    MusicState = state;
    if (!Music.IsNull())
        Music->RequestState(state);
}

void CGame::AwardStar(float shown) {
    SetGoldenStars(GoldenStars() + 1);
    Play(*this, ESound::BonusStar);
    PopMessage(GetString(kTxtGoldenStar), shown, kMsgGold, 44.0f, true);
}

void CGame::RunScreen(float dt) {
    // The shop runs through a quest (its closing fade outlives the page).
    UpdateShop(dt);
    // The in-level menu holds the level where it stands, its waits too.
    if (GameMenuOpen)
        return;
    ModeTime += dt;
    if (EndDelay > 0.0f)
        EndDelay = std::max(0.0f, EndDelay - dt);
    const bool onBoard = Mode == kModeLevelIntro || Mode == kModeLevel ||
                         Mode == kModeShopTransition || Mode == kModeQuestEnd;
    if (onBoard && !Field.IsNull()) {
        Field->Update(dt, CursorX, CursorY);
        DispatchFieldEvents();
    } else if (!Field.IsNull() && !Field->Store.IsNull() && Field->Store->Fade.Shown) {
        // The board left with the level screen still fades out under the
        // menus (its frame, gem bar and totems); nothing on it is played.
        Field->Update(dt, CursorX, CursorY);
        Field->Events.clear();
    } else if (!Field.IsNull()) {
        Field->UpdateOffBoard(dt);
    }

    switch (Mode) {
    case kModeAfterLoad:
        StartFlow();
        break;
    case kModeMenu:
        UpdateMapStep(dt);
        break;
    case kModeLevelIntro:
        UpdateLevelIntro(dt);
        break;
    case kModeLevel:
        switch (SubState) {
        case kSubPlay:
            UpdatePlay(dt);
            break;
        case kSubBonus:
            UpdateBonusLevel(dt);
            break;
        case kSubResult:
            UpdateLevelResult(dt);
            break;
        case kSubLostLevel:
            UpdateLostLevel(dt);
            break;
        case kSubQuit:
            UpdateQuitSequence();
            break;
        default:
            break;
        }
        break;
    case kModeShopTransition:
        UpdateShopTransition(dt);
        break;
    case kModeQuestEnd:
        UpdateQuestEnd(dt);
        break;
    default:
        break;
    }

    RefreshHud();
}

void CGame::UpdateLevelIntro(float /*dt*/) {
    // A negative step waits for an intro form; there is none yet.
    if (IntroStep < 0)
        return;
    if (EndDelay <= 0.0f)
        BeginPlay(*this);
}

void CGame::UpdatePlay(float dt) {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;

    // The board is given back to the player once a rebuild (or tip 7) has
    // finished moving.
    if (ReopenWhenIdle && field.IsIdle(false)) {
        field.SetActive(false);
        ReopenWhenIdle = 0;
    }
    UpdateDrag();
    UpdateTutorial();

    // The clock stops while a tip is read and while the board is rebuilt.
    if (TipOpen != kTipNone || ReopenWhenIdle) {
        UpdateLevelPanel(dt, false);
        return;
    }
    TimeLeft = std::max(0.0f, TimeLeft - dt);
    field.Counters.AddFloatToTotals(dt, 1);
    SoundTimeWarning(*this);
    if (TimeLeft <= 0.0f) {
        LoseLevel();
        return;
    }
    UpdateQuestCapture(dt);
    UpdateIdleHint(dt);
    UpdateLevelPanel(dt, true);
}

void CGame::WinLevel() {
    if (Field.IsNull() || Mode != kModeLevel || SubState != kSubPlay)
        return;
    CPlayField& field = *Field;
    field.StopPlay();
    KeepLevelSandbox();
    Play(*this, ESound::EndLevel);
    LevelCompleted = 1;
    ++field.Trophy1Progress;
    ++field.Trophy5Progress;
    DropTip();

    // The time bonus: a fixed number of points for every whole second left.
    const int32_t seconds = static_cast<int32_t>(std::floor(std::max(TimeLeft, 0.0f)));
    const int32_t bonus = seconds * kTimeBonusPerSecond;
    LevelTimeBonus = bonus;
    field.Counters.AddToSets(bonus, 0);
    RecordLevelResults();
    CheckQuestTrophies();
    SaveProfileSettings();

    // The time left went into the bonus: the dial empties at once. The star
    // shows as it is earned, while the board empties; the card comes once it
    // has gone (one message on the board at a time), so the star stands as
    // long as a message that another waits for.
    if (!Screens.IsNull())
        Screens->SetTimerDial(0.0f, 1);
    EndBoardTalk(*this);
    AwardStar(CMessageLane::kWaitedForLife);
    LevelCardDue = 1;
    // The won level lights its decoration on the backdrop.
    if (!Backgrounds.IsNull()) {
        int32_t stage = 1, inStage = 1;
        CLevelRules::SplitLevel(Level, stage, inStage);
        Backgrounds->SetStage(inStage, 0);
    }
    // The results follow the card (UpdateLevelResult).
    EnterScreen(*this, kModeLevel, kSubResult, 0.0f);
}

void CGame::UpdateLevelResult(float /*dt*/) {
    // The level's last messages are read before the game goes on; a won
    // level's card after them.
    if (MessagesPending())
        return;
    if (LevelCardDue) {
        LevelCardDue = 0;
        ShowCard(GetString(kTxtLevelComplete),
                 FormatText(GetString(kTxtTimeBonus), {LevelTimeBonus}));
        EndDelay = kLevelCardTime;
        return;
    }
    if (EndDelay > 0.0f)
        return;
    // A quest level's results, the last one's too, wait on their form until
    // the player goes on.
    if (BonusKind == kBonusNone && ResultsShown != 2) {
        if (ResultsShown == 0)
            ShowLevelResults();
        return;
    }
    // Awards of the level are shown before the game goes on.
    if (HoldForTrophies())
        return;
    ResultsShown = 0;
    HideCard();
    HideTotems(*this);
    // The end of a bonus level leads on to the next quest level.
    if (BonusKind != kBonusNone) {
        if (!Screens.IsNull())
            Screens->FadeOut(BonusForm(BonusKind), CScreensManager::kMenuFade);
        BonusKind = kBonusNone;
        EnterScreen(*this, kModeShopTransition, kSubNone, kShopTransitionTime);
        return;
    }
    if (Level >= kQuestLevels) {
        StartGameEnd();
        return;
    }
    if (Level % kBonusEvery == 0 && Level <= kLastBonusAfter) {
        const int32_t key = Level / kBonusEvery;
        StartBonusLevel(key, key <= kBonusGroupSize ? 1 : 2);
        return;
    }
    EnterScreen(*this, kModeShopTransition, kSubNone, kShopTransitionTime);
}

void CGame::UpdateShopTransition(float /*dt*/) {
    if (EndDelay > 0.0f)
        return;
    // The shop for the next level; leaving it shows that level on the map.
    OpenShop(Level);
}

void CGame::LoseLevel() {
    if (Field.IsNull() || Mode != kModeLevel || SubState != kSubPlay)
        return;
    CPlayField& field = *Field;
    TimeLeft = 0.0f;
    DropTip();
    EndBoardTalk(*this);
    PopMessage(GetString(kTxtTimeIsUp), Paths.LevelEndDelay, kMsgRed, kMsgScaleLargest);
    field.DropAllCaps();
    field.StopPlay();
    Play(*this, ESound::LifeLost);
    LossFlag = 1;
    field.Trophy1Progress = 0;
    // The board empties before the life is counted.
    IntroStep = kLossCounting;
    EnterScreen(*this, kModeLevel, kSubLostLevel, Paths.LevelEndDelay);
}

void CGame::UpdateLostLevel(float /*dt*/) {
    // "TIME IS UP!" has gone before the card comes.
    if (EndDelay > 0.0f || MessagesPending())
        return;
    if (IntroStep == kLossCounting) {
        CountLostLife();
        // Awards won in play are shown before the game ends.
        if (IntroStep == kLossQuestOver)
            return;
        ShowCard(GetString(kTxtLifeLostTitle), GetString(kTxtHudLives) + ": " +
                                                   std::to_string(Lives) + "\n" +
                                                   GetString(kTxtClickToContinue));
        Play(*this, ESound::LifeLostBack);
        EndDelay = kUntilClicked;
        ModeTime = 0.0f;
        return;
    }
    if (IntroStep == kLossRestored) {
        ResumeInShop();
        return;
    }
    if (IntroStep == kLossQuestOver) {
        if (!HoldForTrophies())
            ShowGameOver();
        return;
    }
    // Without saved copies the level starts again with the totals it began with.
    if (!Field.IsNull())
        Field->Counters.Assign(LevelStartCounters);
    StartLevel(Level);
}

void CGame::ShowGameOver() {
    // No life left: the message waits for its OK (CloseGameOver); the menus
    // and a new quest follow.
    EndQuest(*this, ESound::Bad, kMusicMainMenu, kModeLevel, kSubGameOver, 0.0f);
    if (Screens.IsNull()) {
        CloseGameOver();
        return;
    }
    Screens->ShowMessageBox(GetString(kTxtGameOverTitle).c_str(), GetString(kTxtGameOver).c_str(),
                            CScreensManager::kSetOk, CScreensManager::kPurposeGameOver);
    Screens->FadeIn(Screens->MsgBoxForm, CScreensManager::kBoxFade);
}

void CGame::CloseGameOver() {
    if (Mode == kModeLevel && SubState == kSubGameOver)
        BackToMenus(*this);
}

void CGame::StartGameEnd() {
    // The treasury's chest finale plays on alone before the closing page
    // comes over it.
    EndQuest(*this, ESound::Win, kMusicStoryline, kModeQuestEnd, kSubNone, kQuestEndTime);
}

void CGame::UpdateQuestEnd(float /*dt*/) {
    if (EndDelay > 0.0f || Screens.IsNull() || Screens->WinForm->Visible)
        return;
    // The closing page stands alone: no map or newspaper page under it.
    Screens->FadeOut(Screens->MapForm, kFormFade);
    Screens->FadeOut(Screens->NewspaperForm, kFormFade);
    Screens->ShowFinalNewspaper();
    Screens->FadeIn(Screens->WinForm, kFormFade);
}

void CGame::CloseGameEnd() {
    if (Mode != kModeQuestEnd)
        return;
    if (!Screens.IsNull())
        Screens->FadeOut(Screens->WinForm, kFormFade);
    // A player who has seen the quest through is offered the hard mode at the
    // next new quest (the settings are saved with the trophy).
    if (NonQuest == 0 && !Profile.IsNull())
        Profile->Veteran = 1;
    AwardQuestTrophy();
    BackToMenus(*this);
}
