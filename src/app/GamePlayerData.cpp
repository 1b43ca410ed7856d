// The game object's side of the player data: the profile chosen at start-up,
// the high-score and record tables, and the quest record with its save files.
// The file work lives in playerdata/; here is only what the game decides.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "app/Game.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/Renderer.h"
#include "engine/StringTable.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Ini.h"
#include "platform/os/Path.h"
#include "platform/os/Window.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ProfileList.h"
#include "playerdata/QuestSlots.h"
#include "playerdata/QuestState.h"

namespace {

constexpr const char* kScoreTableFile = "Game0.tbl";
constexpr const char* kBestScoresFile = "Sc.bst";
constexpr const char* kBestTimesFile = "Ti.bst";
constexpr int32_t kBestTimeLow = 15;
constexpr int32_t kBestTimeHigh = 1215;
constexpr float kCaptureEvery = 3.0f;
// Far beyond any level; keeps a broken counter from overflowing the cast.
constexpr float kMaxPlayedSeconds = 359999.0f;

// Fewest lives a player sent back two levels keeps, by level.
int32_t MinimumLives(int32_t level) {
    if (level < 6)
        return 3;
    return level <= 30 ? 4 : 3;
}

std::string ColorModeOf(uint32_t format) {
    switch (format) {
    case gpu::Fmt::R8G8B8:
        return "24";
    case gpu::Fmt::A8R8G8B8:
    case gpu::Fmt::X8R8G8B8:
        return "32";
    default:
        return "16";
    }
}

} // namespace

void CGame::LoadPlayerTables() {
    // The tables are written there as soon as a record falls; a folder that
    // is not there yet must not cost the player the record.
    os::MakeFolders(Paths.GameDataPath);
    Scores.Load(Paths.GameDataPath + kScoreTableFile);
    BestScores = CSharedPtr<CLevelBestTable>(new CLevelBestTable(kQuestLevels));
    if (!BestScores->Load(Paths.GameDataPath + kBestScoresFile))
        BestScores->SetDefaultScores();
    BestTimes = CSharedPtr<CLevelBestTable>(new CLevelBestTable(kQuestLevels));
    if (!BestTimes->Load(Paths.GameDataPath + kBestTimesFile))
        BestTimes->FillEvenly(kBestTimeLow, kBestTimeHigh);
}

void CGame::ChooseStartupProfile() {
    Profiles = CSharedPtr<CProfileList>(new CProfileList(Paths.PlayersPath));
    std::string name = ProfileOptions.Profile;
    // No profile on disk: the first run asks for a name (GameMenus.cpp), and
    // the option names no one that could be made.
    const int32_t index = Profiles->ChooseAtStartup(name);
    if (index < 0 && !IsValidProfileName(ProfileOptions.Profile))
        ProfileOptions.Profile = CProfileOptions().Profile;
    if (index >= 0 && name != ProfileOptions.Profile) {
        ProfileOptions.Profile = name;
        ProfileOptions.Save(OptionsPath);
    }
    MakeProfileCurrent(index);
}

void CGame::MakeProfileCurrent(int32_t index) {
    const std::string previousFolder = ProfileFolder();
    if (Profiles.IsNull() || index < 0 || index >= Profiles->Count()) {
        Profile = CSharedPtr<CProfileSettings>();
        Motion.ProfilePath.clear();
    } else {
        Profile = Profiles->Profiles[static_cast<size_t>(index)];
        Motion.ProfilePath = Profiles->FolderOf(Profile->Name);
    }
    if (!Field.IsNull())
        Field->Tutorial = Profile.Get();
    SwitchProfileTrophies(previousFolder);
}

std::string CGame::ProfileFolder() const {
    return Profile.IsNull() ? std::string() : Motion.ProfilePath;
}

void CGame::SaveProfileSettings() {
    if (!Profile.IsNull())
        NoteSaved(Profile->Save(ProfileFolder()), ENotSaved::Settings,
                  ProfileFolder() + "\\Settings.ini");
}

int32_t CGame::SubmitHighScore(int32_t score) {
    HighScoreRow = -1;
    if (score < 1 || Scores.FindRank(score) >= CScoreTable::kRows)
        return 0;
    HighScoreRow = Scores.Insert(score, Profile.IsNull() ? std::string() : Profile->Name, QuestId);
    // A score that could not be kept is not offered as a new high score.
    if (!NoteSaved(Scores.Save(), ENotSaved::HighScores, Paths.GameDataPath + kScoreTableFile))
        HighScoreRow = -1;
    return 1;
}

int32_t CGame::PlayedSeconds() const {
    if (Field.IsNull())
        return 0;
    const float played = Field->Counters.Sets[2].GetFloat(1);
    return static_cast<int32_t>(std::floor(std::min(std::max(played, 0.0f), kMaxPlayedSeconds)));
}

void CGame::RecordLevelResults() {
    NewTimeRecord = NewScoreRecord = 0;
    if (Field.IsNull() || BestTimes.IsNull() || BestScores.IsNull())
        return;
    const std::string name = Profile.IsNull() ? std::string() : Profile->Name;
    const int32_t seconds = PlayedSeconds();
    if (BestTimes->IsLower(seconds, Level)) {
        BestTimes->SetRecord(seconds, Level, name);
        NoteSaved(BestTimes->Save(Paths.GameDataPath + kBestTimesFile) != 0,
                  ENotSaved::BestTimes, Paths.GameDataPath + kBestTimesFile);
        NewTimeRecord = 1;
    }
    const int32_t score = Field->Counters.Sets[2].Get(0);
    if (BestScores->IsHigher(score, Level)) {
        BestScores->SetRecord(score, Level, name);
        NoteSaved(BestScores->Save(Paths.GameDataPath + kBestScoresFile) != 0,
                  ENotSaved::BestScores, Paths.GameDataPath + kBestScoresFile);
        NewScoreRecord = 1;
    }
    LevelSecondsLeft = static_cast<int32_t>(std::max(TimeLeft, 0.0f));
}

void CGame::CaptureQuestState(int32_t takeShop) {
    if (Quest.IsNull())
        Quest = CSharedPtr<CQuestState>(new CQuestState());
    CQuestState& q = *Quest;
    const bool quest = NonQuest == 0;
    const bool inShop = Mode == kModeLevel && SubState == kSubShop;
    q.NonQuest = NonQuest;
    q.QuestId = QuestId;
    q.Difficulty = Difficulty;
    q.Level = Level;
    q.SavedSubState = inShop                                         ? CQuestState::kTakenInShop
                      : Mode == kModeLevel && SubState == kSubResult ? CQuestState::kTakenAtResults
                                                                     : CQuestState::kTakenInPlay;
    if (quest) {
        q.TimeLeft = TimeLeft;
        q.TimeStep = TimeLeft > 30.0f   ? 30.0f
                     : TimeLeft > 15.0f ? 15.0f
                     : TimeLeft > 10.0f ? 10.0f
                                        : std::floor(std::max(TimeLeft, 0.0f));
        q.Lives = Lives;
        q.GemGoal = std::clamp(LevelGems, 0, CQuestState::kMaxGems);
    } else {
        q.TimeLeft = q.TimeStep = 0.0f;
        q.Lives = 1;
        q.SandTime = 0.0;
    }
    if (takeShop && quest)
        CaptureUpgrades(q);
    if (inShop)
        q.DropBoard();
    else
        q.ClearBoard();
    if (Field.IsNull())
        return;

    const CPlayField& f = *Field;
    q.Counters.Assign(f.Counters);
    q.ExtraLives = f.ExtraLives;
    q.Trophy1Progress = f.Trophy1Progress;
    q.Trophy5Progress = f.Trophy5Progress;
    q.Trophy7Progress = f.Trophy7Progress;
    // The sand in the box, the frenzy progress and how many frenzies the
    // level has had (the frenzy gain shrinks with them).
    // Once a level is won (and in its shop) that is the sand handed on to the
    // next level, as the won level kept it.
    const CSandbox* sandbox = FieldSandbox();
    const bool handedOn = inShop || LevelCompleted != 0;
    q.SandLevel = handedOn  ? static_cast<float>(f.SandLevel)
                  : sandbox ? static_cast<float>(sandbox->MeanLevel)
                            : 0.0f;
    q.SandRateStep = std::max(f.TimerRateStep, 0);
    if (quest) {
        q.SandTime = handedOn ? f.SandTime : sandbox ? sandbox->FrenzyProgress : 0.0;
        q.GemsRemaining = std::clamp(f.GemsToCollect, 0, CQuestState::kMaxGems);
    }
    q.AdviserTime = f.Adviser.TimeLeft > 0.0f ? f.Adviser.TimeLeft : 0.0f;
    // The totem the player has called to the board; a saved board asks for it
    // again when it is resumed. (Requests wait only while the board is busy,
    // when nothing is captured.)
    q.PendingTotem = quest && !inShop && f.Totems.HasSelection() ? f.Totems.Selected : -1;
    q.BlueTotemFlag = quest && !inShop && f.Totems.BlueFlag != 0 ? 1 : 0;
    if (!inShop)
        f.CaptureBoard(q);
}

void CGame::DeleteQuestSaves(int32_t skip, int32_t alsoSecond) {
    if (skip == 0 && !Profile.IsNull())
        CQuestSlots(ProfileFolder()).Delete(alsoSecond != 0);
}

void CGame::RotateQuestAutoSaves(int32_t skip) {
    if (skip == 0 && !Profile.IsNull()) {
        const CQuestSlots slots(ProfileFolder());
        NoteSaved(slots.Rotate(), ENotSaved::Quest, slots.PathOf(CQuestSlots::kSecondCopy));
    }
}

int32_t CGame::RestoreQuestAutoSave(int32_t skip) {
    if (skip != 0 || Profile.IsNull())
        return 0;
    return CQuestSlots(ProfileFolder()).RestoreFirstFromSecond() ? 1 : 0;
}

int32_t CGame::LoadQuestAutoSave(int32_t second) {
    if (Quest.IsNull())
        Quest = CSharedPtr<CQuestState>(new CQuestState());
    if (Profile.IsNull())
        return 0;
    CQuestState& q = *Quest;
    const CQuestSlots slots(ProfileFolder());
    RestoredCopy = second ? 1 : 0;
    if (!q.Load(slots.PathOf(second ? CQuestSlots::kSecondCopy : CQuestSlots::kFirstCopy)))
        return 0;
    if (q.SavedSubState != CQuestState::kTakenInShop) {
        // Not a copy to go back to: nothing of it may be saved as the quest.
        q.State = CQuestState::kNothingToSave;
        return 0;
    }
    if (second) {
        q.Lives = std::max(q.Lives, MinimumLives(q.Level));
    } else {
        q.Lives = Lives;
        if (!Field.IsNull())
            q.ExtraLives = Field->ExtraLives;
    }
    if (!Field.IsNull()) {
        if (LossFlag) {
            Field->Trophy1Progress = 0;
            q.Trophy1Progress = 0;
        }
        q.Trophy5Progress = Field->Trophy5Progress;
    }
    if (second)
        RestoreQuestAutoSave(NonQuest);
    LevelCompleted = 0;
    return 1;
}

void CGame::AutoSaveAfterLevel() {
    CommitShopStars();
    if (NonQuest != 0 || !LevelCompleted || Profile.IsNull())
        return;
    RotateQuestAutoSaves(NonQuest);
    CaptureQuestState(1);
    // Before the shop has opened (a quit at the results or in a bonus level)
    // the copy is still the shop's: no board, and the next run opens the shop.
    Quest->SavedSubState = CQuestState::kTakenInShop;
    Quest->DropBoard();
    Quest->BlueTotemFlag = 0;
    Quest->State = CQuestState::kWorthSaving;
    const CQuestSlots slots(ProfileFolder());
    NoteSaved(slots.SaveMainAndFirstCopy(*Quest), ENotSaved::Quest,
              slots.PathOf(CQuestSlots::kMain));
    // The won level is in its copies: nothing writes them again.
    LevelCompleted = 0;
}

int32_t CGame::LoadQuestToContinue() {
    NonQuest = 0;
    if (Quest.IsNull())
        Quest = CSharedPtr<CQuestState>(new CQuestState());
    if (Profile.IsNull())
        return CQuestSlots::kNone;
    return CQuestSlots(ProfileFolder()).LoadToContinue(*Quest);
}

int32_t CGame::WriteMainSave() {
    if (Mode != kModeLevel || Quest.IsNull() || Quest->State != CQuestState::kWorthSaving ||
        Resumed || Profile.IsNull())
        return 0;
    return WriteQuestRecord(*Quest);
}

int32_t CGame::WriteQuestRecord(const CQuestState& record) {
    const std::string path = CQuestSlots(ProfileFolder()).PathOf(CQuestSlots::kMain);
    return NoteSaved(record.Save(path) != 0, ENotSaved::Quest, path) ? 1 : 0;
}

bool CGame::NoteSaved(bool saved, ENotSaved what, const std::string& gamePath) {
    if (!saved && !Screens.IsNull())
        Screens->TellNotSaved(what, gamePath);
    return saved;
}

void CGame::CaptureShopForSave() {
    if (NonQuest != 0 || Mode != kModeLevel || SubState != kSubShop)
        return;
    // A shop still opening holds nothing new (its copies are not written yet).
    if (!Shop.IsNull() && Shop->fadeLevel < 1.0f)
        return;
    CaptureQuestState(1);
    Quest->State = CQuestState::kWorthSaving;
}

void CGame::SaveQuest() {
    if (BonusKind != kBonusNone)
        EndBonusLevel(0);
    SaveQuestIfActive(1);
}

void CGame::SaveQuestIfActive(int32_t flag) {
    if (!SettleForQuit())
        return;
    if (flag == 0)
        CaptureShopForSave();
    WriteMainSave();
    if (!Field.IsNull())
        SubmitHighScore(Field->Counters.Sets[1].Get(0));
    StartQuitSequence();
}

void CGame::SaveOnExit() {
    if (!SettleForQuit())
        return;
    CaptureShopForSave();
    WriteMainSave();
}

void CGame::UpdateQuestCapture(float dt) {
    if (NonQuest != 0 || Resumed || Field.IsNull() || Mode != kModeLevel || SubState != kSubPlay)
        return;
    CaptureClock += dt;
    if (CaptureClock < kCaptureEvery || !Field->IsIdle(false))
        return;
    const bool first = Quest.IsNull() || Quest->State == CQuestState::kNothingToSave;
    CaptureQuestState(first ? 1 : 0);
    Quest->State = CQuestState::kWorthSaving;
    CaptureClock = 0.0f;
}

bool CGame::SaveVideoOptions() {
    if (Renderer.IsNull())
        return true;
    const bool fullScreen = IsFullScreen();
    uint32_t width = 0, height = 0, format = 0;
    Renderer->GetCurrentMode(fullScreen, &width, &height, &format);
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string colours = ColorModeOf(format);
    const os::ProfileEntry entries[] = {{"Settings", "Width", w.c_str()},
                                        {"Settings", "Height", h.c_str()},
                                        {"Settings", "ColorMode", colours.c_str()},
                                        {"Settings", "FullScreen", fullScreen ? "1" : "0"}};
    return os::WriteProfileStrings(entries, OptionsPath);
}
