// The game's side of the menus: what the screens hand on (the main menu's
// buttons, the chosen player, the options, the quest's start and its map, the
// in-level menu, the answers of the game's message boxes), the volume sliders
// while they move, and the keys and characters of the name entry.
#include <algorithm>
#include <string>

#include "app/Game.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/DuneEffect.h"
#include "engine/Renderer.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "platform/os/Ini.h"
#include "platform/os/Window.h"
#include "playerdata/LevelBestTable.h"
#include "playerdata/ProfileList.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/CapSlot.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelRules.h"
#include "screens/ScreensManager.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxScroller.h"

namespace {

constexpr int32_t kTxtDefaultPlayer = 22;
constexpr int32_t kTxtHighScoreTitle = 48;
constexpr int32_t kTxtHighScore = 49;
constexpr int32_t kTxtOldPlayersTitle = 250;
constexpr int32_t kTxtOldPlayersFolder = 251;
constexpr int32_t kTxtOldPlayersFile = 252;
constexpr int32_t kTxtOldPlayersNext = 253;

constexpr float kMenuFade = 2.0f;
constexpr float kBoxFade = 4.0f;

// Control ids of the forms (their DEFINE names in the form files).
enum : int32_t {
    kIdPlay = 1,
    kIdOptions = 2,
    kIdQuit = 3,
    kIdResume = 11,
    kIdGameMenuOptions = 12,
    kIdLeaveQuest = 13,
    kIdTrophies = 20,
    kIdResultsDone = 30,
    kIdMapPlay = 150,
    kIdMapMenu = 151,
    kIdNewspaperDone = 159,
    kIdWinDone = 161,
    kIdPlayerChosen = 180,
    kIdPlayerKept = 181,
    kIdFirstPlayer = 195,
    kIdOk = 200,
    kIdYes = 202,
    kIdNo = 203,
    kIdContinueQuest = 211,
    kIdOptionsOk = 230,
    kIdSoundSlider = 231,
    kIdMusicSlider = 232,
    kIdFullScreen = 233,
    kIdGameCursor = 234,
    kIdTips = 235,
    kIdTrophiesClose = 260,
};

// The counters of a set (the play field's totals).
enum : int32_t {
    kScoreCounter = 0,
    kTimeCounter = 1,
    kTokensCounter = 2,
    kRowsCounter = 3,
    kFrenzyCounter = 7,
    kChainCounter = 8,
};
constexpr size_t kQuestTotals = 1;
constexpr size_t kLevelTotals = 2;
// Statistics code 13 (index 12): the line shown for a new record.
constexpr size_t kNewRecordLabel = 12;

CUxCheckbox* Checkbox(const CSharedPtr<CUxWindow>& w) {
    return dynamic_cast<CUxCheckbox*>(w.Get());
}

float SliderValue(const CSharedPtr<CUxWindow>& w, float fallback) {
    const auto* s = dynamic_cast<const CUxScroller*>(w.Get());
    return s ? s->Value : fallback;
}

} // namespace

void CGame::ShowMainMenu() {
    Mode = kModeMenu;
    SubState = kSubNone;
    ModeTime = 0.0f;
    GameMenuOpen = 0;
    if (!Backgrounds.IsNull())
        Backgrounds->SetBackground(CBackgroundsManager::kMainMenu);
    RequestMusic(kMusicMainMenu);
    if (Screens.IsNull())
        return;
    Screens->UpdateWelcomeText();
    Screens->FadeIn(Screens->MainMenuForm, kMenuFade);
}

void CGame::StartFlow() {
    if (!Screens.IsNull())
        Screens->ProfileSelected = Profile.IsNull() ? -1 : Screens->FindProfileExact(Profile->Name);
    ShowMainMenu();
    if (Screens.IsNull())
        return;
    if (Profile.IsNull()) {
        // The first run: a player is made before anything else.
        Screens->FadeOut(Screens->MainMenuForm, kMenuFade);
        Screens->PrepareNewProfileForm(GetString(kTxtDefaultPlayer).c_str(), 0);
        Screens->FadeIn(Screens->NewProfileForm, kMenuFade);
    }
    TellOldPlayersNotCopied();
}

void CGame::TellOldPlayersNotCopied() {
    if (OldPlayersNotice.empty())
        return;
    // Where the older players are and the file that stopped their copy, each
    // on a line of its own; OK closes the box and nothing else.
    const size_t cut = OldPlayersNotice.find('\n');
    const std::string text = GetString(kTxtOldPlayersFolder) + "\n" +
                             OldPlayersNotice.substr(0, cut) + "\n" +
                             GetString(kTxtOldPlayersFile) + "\n" +
                             OldPlayersNotice.substr(cut + 1) + "\n" +
                             GetString(kTxtOldPlayersNext);
    OldPlayersNotice.clear();
    Screens->ShowMessageBox(GetString(kTxtOldPlayersTitle).c_str(), text.c_str(),
                            CScreensManager::kSetOk, CScreensManager::kPurposeNotSaved);
    Screens->FadeIn(Screens->MsgBoxForm, kBoxFade);
}

void CGame::UpdateScreens(float dt) {
    if (Screens.IsNull())
        return;
    const int32_t n = Screens->Update(CursorX, CursorY, dt);
    for (int32_t i = 0; i < n; ++i)
        OnScreenEvent(Screens->Events[static_cast<size_t>(i)]);
}

void CGame::OnScreenEvent(const CUxEvent& e) {
    OnStoryFaded(e);
    if (e.Kind != CUxEvent::kValueChanged)
        return;
    // The sliders are heard at once; the options keep them when OK is clicked.
    if (e.Id == kIdSoundSlider && !SoundBank.IsNull())
        SoundBank->SetVolume(Sound.SoundOn ? e.Value : 0.0f);
    else if (e.Id == kIdMusicSlider && !Music.IsNull())
        Music->SetVolume(e.Value);
}

void CGame::SelectMenuProfile() {
    if (Screens.IsNull() || Screens->ProfileList.IsNull())
        return;
    const std::string name = Screens->ProfileName(Screens->ProfileSelected);
    if (Profiles.IsNull())
        Profiles = CSharedPtr<CProfileList>(new CProfileList(Paths.PlayersPath));
    Profiles->Enumerate();
    int32_t index = -1;
    for (int32_t i = 0; i < Profiles->Count(); ++i)
        if (Profiles->Profiles[static_cast<size_t>(i)]->Name == name)
            index = i;
    MakeProfileCurrent(index);
    if (index >= 0) {
        // Unsaved, the next start would open on another player.
        ProfileOptions.Profile = name;
        NoteSaved(ProfileOptions.Save(OptionsPath), ENotSaved::Options, OptionsPath);
    }
}

void CGame::OpenOptions(int32_t fromGameMenu) {
    if (Screens.IsNull())
        return;
    OptionsFrom = fromGameMenu;
    Screens->SetVolumeSliders(Sound.SoundVolume, Sound.MusicVolume);
    if (CUxCheckbox* c = Checkbox(Screens->OptionsControl3))
        c->SetChecked(IsFullScreen() ? 1 : 0);
    if (CUxCheckbox* c = Checkbox(Screens->OptionsControl4))
        c->SetChecked(Graphics.GraphicalCursor);
    if (CUxCheckbox* c = Checkbox(Screens->OptionsControl5))
        c->SetChecked(!Profile.IsNull() && Profile->QuestTutorial ? 1 : 0);
    Screens->FadeOut(fromGameMenu ? Screens->GameMenuForm : Screens->MainMenuForm, kMenuFade);
    Screens->FadeIn(Screens->OptionsForm, kMenuFade);
}

void CGame::ApplyOptions() {
    if (Screens.IsNull())
        return;
    Sound.SoundVolume =
        std::clamp(SliderValue(Screens->SoundSlider, Sound.SoundVolume), 0.0f, 1.0f);
    Sound.MusicVolume =
        std::clamp(SliderValue(Screens->MusicSlider, Sound.MusicVolume), 0.0f, 1.0f);
    HearStoredVolumes();
    bool saved = Sound.Save(OptionsPath);

    if (const CUxCheckbox* c = Checkbox(Screens->OptionsControl4)) {
        Graphics.GraphicalCursor = c->Checked;
        saved = os::WriteProfileString("Graphics", "Cursor", c->Checked ? "GRAPHICAL" : "STANDARD",
                                       OptionsPath) &&
                saved;
        ApplyCursorChoice();
    }
    if (const CUxCheckbox* c = Checkbox(Screens->OptionsControl5); c && !Profile.IsNull()) {
        Profile->QuestTutorial = c->Checked;
        SaveProfileSettings();
    }
    if (const CUxCheckbox* c = Checkbox(Screens->OptionsControl3))
        SwitchFullScreen(c->Checked != 0);
    saved = SaveVideoOptions() && saved;

    Screens->FadeOut(Screens->OptionsForm, kMenuFade);
    Screens->FadeIn(OptionsFrom ? Screens->GameMenuForm : Screens->MainMenuForm, kMenuFade);
    NoteSaved(saved, ENotSaved::Options, OptionsPath);
}

void CGame::OpenGameMenu() {
    if (Screens.IsNull() || GameMenuOpen || !GameMenuOffered())
        return;
    GameMenuOpen = 1;
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    Screens->FadeIn(Screens->GameMenuForm, kMenuFade);
}

void CGame::HearStoredVolumes() {
    if (!SoundBank.IsNull())
        SoundBank->SetVolume(Sound.SoundOn ? Sound.SoundVolume : 0.0f);
    if (!Music.IsNull())
        Music->SetVolume(Sound.MusicVolume);
}

void CGame::CloseGameMenu() {
    if (!GameMenuOpen || Screens.IsNull())
        return;
    GameMenuOpen = 0;
    // Options left without their OK keep what is stored, and the sliders
    // moved meanwhile are heard no more.
    if (Screens->OptionsForm->Visible)
        HearStoredVolumes();
    Screens->FadeOut(Screens->GameMenuForm, kMenuFade);
    Screens->FadeOut(Screens->OptionsForm, kMenuFade);
}

void CGame::LeaveLevelScreen() {
    CloseGameMenu();
    // A bonus level left half-way takes its banner with it.
    if (BonusKind != kBonusNone && !Screens.IsNull())
        Screens->FadeOut(BonusForm(BonusKind), kMenuFade);
    BonusKind = kBonusNone;
    CloseShop();
    if (!Field.IsNull()) {
        Field->StopPlay();
        Field->Show(false, 0, kMenuFade);
        // The sand box and the gem bar fade with the board.
        if (!Field->Dune.IsNull())
            Field->Dune->Create(0, kMenuFade);
        if (!GemsBar.IsNull())
            GemsBar->Start(0, kMenuFade);
        Field->Totems.Show(0, kMenuFade);
        Field->Totems.FadeOutAll(kMenuFade);
    }
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    HideCard();
    DropTip();
    ShowLevelHud(false);
    if (Screens.IsNull())
        return;
    Screens->FadeOut(Screens->QuestForm, kMenuFade);
    Screens->FadeOut(Screens->NewLevelForm, kMenuFade);
    Screens->FadeOut(Screens->StatisticsForm, kMenuFade);
}

int32_t CGame::OfferHighScore() {
    if (HighScoreRow < 0 || Screens.IsNull())
        return 0;
    CScreensManager& s = *Screens;
    s.HighScoreNewRow = HighScoreRow;
    HighScoreRow = -1;
    s.FillHighScoreTable(s.HighScoreTableIndex);
    s.ShowMessageBox(GetString(kTxtHighScoreTitle).c_str(), GetString(kTxtHighScore).c_str(),
                     CScreensManager::kSetOk, CScreensManager::kPurposeHighScore);
    s.FadeOut(s.MainMenuForm, kMenuFade);
    s.FadeIn(s.MsgBoxForm, kBoxFade);
    return 1;
}

void CGame::ChooseQuest() {
    if (Screens.IsNull())
        return;
    Screens->FadeOut(Screens->MainMenuForm, kMenuFade);
    if (!OfferContinue())
        AskNewQuest();
}

void CGame::BeginNewQuest(int32_t difficulty) {
    Difficulty = difficulty;
    StartNewQuest();
    ShowStory();
}

void CGame::ShowLevelResults() {
    ResultsShown = 1;
    // The results replace the level's card; a fading card would show through.
    HideCard();
    if (Screens.IsNull() || Field.IsNull()) {
        ResultsShown = 2;
        return;
    }
    CScreensManager& s = *Screens;
    const CCounterSet& level = Field->Counters.Sets[kLevelTotals];
    const size_t index = static_cast<size_t>(Level - 1);
    const auto best = [&](const CSharedPtr<CLevelBestTable>& t) {
        return !t.IsNull() && index < t->Values.size() ? t->Values[index] : 0;
    };
    const std::string values[] = {
        std::to_string(level.Get(kScoreCounter) - LevelTimeBonus),
        std::to_string(LevelTimeBonus),
        std::to_string(Field->Counters.Sets[kQuestTotals].Get(kScoreCounter)),
        FormatWholeSeconds(PlayedSeconds()),
        std::to_string(best(BestScores))};
    for (size_t r = 0; r < s.StatisticsList200.size() && r < std::size(values); ++r)
        CScreensManager::SetWindowText(s.StatisticsList200[r], values[r]);
    CScreensManager::SetWindowsVisible(s.StatisticsList300, 0);
    const std::string holder =
        !BestTimes.IsNull() && index < BestTimes->Names.size() ? BestTimes->Names[index] : "";
    const std::string more[] = {FormatWholeSeconds(best(BestTimes)),
                                holder,
                                std::to_string(level.Get(kChainCounter)),
                                std::to_string(level.Get(kRowsCounter)),
                                std::to_string(level.Get(kTokensCounter)),
                                std::to_string(level.Get(kFrenzyCounter))};
    // Codes 1 to 12 are label and value pairs; the values are the even ones.
    for (size_t i = 0; i < std::size(more); ++i)
        CScreensManager::SetWindowText(s.StatisticsControls[2 * i + 1], more[i]);
    const CSharedPtr<CUxWindow>& record = s.StatisticsControls[kNewRecordLabel];
    if (!record.IsNull())
        record->SetVisible(NewTimeRecord || NewScoreRecord ? 1 : 0);
    s.FadeIn(s.StatisticsForm, kMenuFade);
}

void CGame::ShowQuestMap(int32_t beforeStep) {
    Mode = kModeMenu;
    SubState = kSubNone;
    ModeTime = 0.0f;
    MapStepping = beforeStep != 0 ? 1 : 0;
    MapStepTimer = 0.0f;
    RequestMusic(kMusicStoryline);
    if (Screens.IsNull())
        return;
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(Level, stage, inStage);
    Screens->RecreateMapDiffTextures(stage);
    Screens->SetMapLevelLabel(Level, beforeStep);
    // A new stage opens with the newspaper page of the one just finished;
    // its Continue leads on to the map.
    if (stage > 1 && inStage == 1 && !NewspaperShown) {
        NewspaperShown = 1;
        Screens->ShowNewspaperPage(stage - 2);
        Screens->FadeIn(Screens->NewspaperForm, kMenuFade);
        return;
    }
    Screens->FadeIn(Screens->MapForm, kMenuFade);
}

int32_t CGame::OnMenuClick(int32_t id) {
    CScreensManager& s = *Screens;
    if (OnShopClick(id) || OnStoryClick(id))
        return 0;
    switch (id) {
    case kIdPlay:
        ChooseQuest();
        break;
    case kIdOptions:
        OpenOptions(0);
        break;
    case kIdQuit:
        return 1;
    case kIdTrophies:
        OpenTrophies(kTrophiesFromMenu);
        break;
    case kIdTrophiesClose:
        CloseTrophies();
        break;
    case kIdResume:
        CloseGameMenu();
        break;
    case kIdGameMenuOptions:
        OpenOptions(1);
        break;
    case kIdLeaveQuest:
        CloseGameMenu();
        SaveQuest();
        break;
    case kIdContinueQuest:
        ResumeQuest();
        break;
    case kIdOptionsOk:
        ApplyOptions();
        break;
    case kIdMapPlay:
        FinishMapStep();
        s.FadeOut(s.MapForm, kMenuFade);
        StartLevel(Level);
        break;
    case kIdMapMenu:
        FinishMapStep();
        s.FadeOut(s.MapForm, kMenuFade);
        ShowMainMenu();
        break;
    case kIdNewspaperDone:
        s.FadeOut(s.NewspaperForm, kMenuFade);
        s.FadeIn(s.MapForm, kMenuFade);
        break;
    case kIdResultsDone:
        s.FadeOut(s.StatisticsForm, kMenuFade);
        if (ResultsShown == 1)
            ResultsShown = 2;
        break;
    case kIdWinDone:
        CloseGameEnd();
        break;
    case kIdOk:
        if (s.MsgBoxPurpose == CScreensManager::kPurposeGameOver)
            CloseGameOver();
        else if (s.MsgBoxPurpose == CScreensManager::kPurposeLevelNotice)
            s.StartQuestForm->SetEnabled(1); // the notice over the continue dialog was read
        break;
    case kIdPlayerChosen:
    case kIdPlayerKept:
    case kIdFirstPlayer:
        SelectMenuProfile();
        break;
    case kIdYes:
    case kIdNo:
        if (s.MsgBoxPurpose == CScreensManager::kPurposeNewQuest)
            AskNewQuest();
        else if (s.MsgBoxPurpose == CScreensManager::kPurposeDifficulty)
            BeginNewQuest(id == kIdYes ? 1 : 0);
        break;
    case CScreensManager::kIdQuestMenu:
        OpenGameMenu();
        break;
    default:
        break;
    }
    return 0;
}
