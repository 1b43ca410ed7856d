// The menus played by clicking their controls at window pixels, the message
// box's answers by purpose, and the map, pages and overlays of the stages.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/flow/FlowHarness.h"
#include "audio/MusicPlayer.h"
#include "backgrounds/BackgroundsManager.h"
#include "engine/RenderDevice.h"
#include "engine/StringTable.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "platform/os/Guid.h"
#include "platform/os/Ini.h"
#include "platform/os/Window.h"
#include "playerdata/GameOptions.h"
#include "playerdata/ProfileList.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/ScoreTable.h"
#include "screens/ScreensManager.h"
#include "ui/UxButton.h"
#include "ui/UxScroller.h"
#include "ui/UxStatic.h"

using namespace flowtest;

namespace {

namespace fs = std::filesystem;

#define START_MENUS(h)                                                                             \
    do {                                                                                           \
        if (!(h).Skip().empty())                                                                   \
            GTEST_SKIP() << (h).Skip();                                                            \
        ASSERT_EQ((h).Failure(), "") << (h).Log();                                                 \
    } while (0)

// The text a static shows, as it was given: the soft breaks of the wrap are
// blanks again, and a text of blanks only is empty.
std::string Text(const CSharedPtr<CUxWindow>& w) {
    const auto* s = dynamic_cast<const CUxStatic*>(w.Get());
    std::string text =
        s != nullptr && s->MainText() != nullptr ? s->MainText()->GetText() : std::string();
    for (char& c : text)
        c = c == '\v' ? ' ' : c;
    return text.find_first_not_of(' ') == std::string::npos ? std::string() : text;
}

bool Shown(const CSharedPtr<CUxWindow>& w) {
    return !w.IsNull() && w->Visible != 0;
}

int32_t Checked(const CSharedPtr<CUxWindow>& w) {
    const auto* c = dynamic_cast<const CUxCheckbox*>(w.Get());
    return c != nullptr ? c->Checked : -1;
}

} // namespace

TEST(MenuFlow, APlayerWalksTheMenusIntoALevelAndBack) {
    FlowHarness h(5, false, false);
    START_MENUS(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;

    // The desktop knows the window: it carries the game's icon and the class
    // the menu entry names.
    EXPECT_TRUE(h.Window().HasIcon());
    const std::string windowClass = os::kWindowClass;
    const std::string entry = apptest::ReadFile(std::filesystem::path(GV_BINARY_DIR) / "packaging" /
                                                (windowClass + ".desktop"));
    EXPECT_NE(entry.find("\nStartupWMClass=" + windowClass + "\n"), std::string::npos) << entry;

    // The first run asks for a name, with no way back; the default is offered.
    ASSERT_TRUE(h.WaitForForm(s.NewProfileForm));
    EXPECT_EQ(Text(s.NewProfileControl1), GetString(22) + "|");
    EXPECT_TRUE(!Shown(s.NewProfileControl2) && Shown(s.NewProfileControl5));
    h.Key(os::Vk::Escape); // no way out of the first name

    // Blanks only are empty; 12 characters at most; left arrow and backspace.
    for (size_t i = s.TypedProfileName.size(); i > 0; --i)
        h.Type("\b");
    h.Type("   ");
    h.Key(os::Vk::Return);
    EXPECT_EQ(Text(s.NewProfileControl3), GetString(29));
    h.Type("Ab.cdefghijklmnop");
    EXPECT_EQ(s.TypedProfileName, "Abcdefghijkl") << "'.' refused, then 12 characters";
    h.Key(os::Vk::Left);
    h.Type("\b\b\b\b\b\b\b\b\b\b");
    EXPECT_EQ(s.TypedProfileName, "A");
    h.Type("nna ");
    h.Key(os::Vk::Return);
    ASSERT_FALSE(g.Profile.IsNull());
    EXPECT_EQ(g.Profile->Name + g.ProfileOptions.Profile, "AnnaAnna") << "the blank is trimmed";
    ASSERT_TRUE(h.WaitForForm(s.MainMenuForm));
    EXPECT_EQ(Text(s.MainMenuControl1), GetString(25) + "Anna");

    // The player list: the new-player row, a name in use in other letters,
    // then a second player.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 6) && h.WaitForForm(s.ProfilesForm));
    EXPECT_EQ(Text(s.ProfileRows[0]), GetString(26));
    EXPECT_EQ(Checked(s.ProfileRows[1]), 1);
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 185) && h.WaitForForm(s.NewProfileForm));
    EXPECT_TRUE(Shown(s.NewProfileControl2)) << "opened from the list: a way back";
    for (size_t i = s.TypedProfileName.size(); i > 0; --i)
        h.Type("\b");
    h.Type("ANNA");
    ASSERT_TRUE(h.ClickControl(s.NewProfileForm, 195));
    EXPECT_EQ(Text(s.NewProfileControl3), GetString(28));
    h.Type("\b\b\b\bBob");
    ASSERT_TRUE(h.ClickControl(s.NewProfileForm, 195) && h.WaitForForm(s.ProfilesForm));
    EXPECT_EQ(s.ProfileName(s.ProfileSelected), "Bob");

    // A folder that differs from Bob's in letter case only, made outside the
    // game: deleting it leaves Bob alone. Cancel first keeps it.
    fs::create_directories("Players/BOB");
    s.ProfileList->Enumerate();
    s.ProfileSelected = s.FindProfileExact("BOB");
    s.RefreshProfileList();
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 182));
    EXPECT_TRUE(s.MsgBoxPurpose == CScreensManager::kPurposeDeletePlayer &&
                !s.ProfilesForm->Active);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 201) && h.ClickControl(s.ProfilesForm, 182));
    EXPECT_TRUE(fs::exists("Players/BOB"));
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 202) && h.WaitForForm(s.ProfilesForm));
    EXPECT_TRUE(!fs::exists("Players/BOB") && fs::exists("Players/Bob"));
    // Bob is chosen: the game takes him.
    s.ProfileSelected = s.FindProfileExact("Bob");
    s.RefreshProfileList();
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 180) && h.WaitForForm(s.MainMenuForm));
    EXPECT_EQ(g.Profile->Name, "Bob");
    EXPECT_EQ(Text(s.MainMenuControl1), GetString(25) + "Bob");

    // Options: the music slider is heard while it moves; OK keeps it and the
    // switches.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 2) && h.WaitForForm(s.OptionsForm));
    EXPECT_EQ(g.Backgrounds->MainMenu().FrontAlpha, 0.0f) << "the branch leaves the wide form";
    const CUxWindow& slider = *s.MusicSlider;
    h.Click(slider.Position.X + 0.35f * slider.Width, slider.Position.Y);
    const float music = dynamic_cast<const CUxScroller&>(slider).Value;
    EXPECT_GT(music, 0.7f);
    EXPECT_FLOAT_EQ(g.Music->GetVolume(), music) << "heard at once";
    const int32_t tips = Checked(s.OptionsControl5);
    ASSERT_TRUE(h.ClickControl(s.OptionsForm, 235) && h.ClickControl(s.OptionsForm, 230));
    CSoundOptions sound;
    CProfileSettings bob;
    sound.Load(g.OptionsPath);
    bob.Load("Players/Bob");
    EXPECT_NEAR(sound.MusicVolume, music, 0.001f);
    EXPECT_EQ(bob.QuestTutorial, tips ? 0 : 1);
    // The game's pointer box switches the window's pointer both ways at once,
    // keeps the choice in the options, and the choice outlives the resets of
    // the full-screen switch below.
    ASSERT_FALSE(h.Window().ShowsCursorPicture()) << "the system's pointer by default";
    for (const bool want : {true, false, true}) {
        ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 2) && h.ClickControl(s.OptionsForm, 234) &&
                    h.ClickControl(s.OptionsForm, 230));
        EXPECT_EQ(h.Window().ShowsCursorPicture(), want);
        CGraphicsOptions graphics;
        graphics.Load(g.OptionsPath);
        EXPECT_EQ(graphics.GraphicalCursor, want ? 1 : 0);
    }
    // Full screen and back: drawn, clickable (Help below), kept in the options;
    // the window comes back framed.
    for (const char* want : {"1", "0"}) {
        ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 2) && h.ClickControl(s.OptionsForm, 233) &&
                    h.ClickControl(s.OptionsForm, 230) && h.WaitForForm(s.MainMenuForm));
        EXPECT_EQ(g.IsFullScreen(), want[0] == '1');
        EXPECT_EQ(os::GetProfileString("Settings", "FullScreen", "", g.OptionsPath), want);
        EXPECT_GE(g.Render(), 0);
        EXPECT_TRUE(h.Window().ShowsCursorPicture());
    }
    EXPECT_EQ(SDL_GetWindowFlags(h.Window().Sdl()) & SDL_WINDOW_BORDERLESS, 0u);

    // No website link is shipped: without its logos the link stays hidden.
    EXPECT_FALSE(Shown(s.WebsiteButton) || Shown(s.LogoPictureNA) || Shown(s.LogoPictureA));
    // Every picture keeps all 8 bits of its alpha: masks and dust stay soft.
    for (const CSharedPtr<CTexture>& t : g.Device->GetTextures())
        EXPECT_TRUE(t->GetFormat() != gpu::Fmt::A1R5G5B5 && t->GetFormat() != gpu::Fmt::A4R4G4B4)
            << t->GetName();

    // Help: the pages stop at the first and the last.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 4) && h.ClickControl(s.HelpForm, 271));
    EXPECT_EQ(s.HelpPage, 1);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(h.ClickControl(s.HelpForm, 272));
    EXPECT_EQ(s.HelpPage, 3);
    EXPECT_TRUE(Shown(s.HelpGroups[2].Windows[0]));
    ASSERT_TRUE(h.ClickControl(s.HelpForm, 270));

    // High scores from the table, and back: a score entered since shows in
    // its row, and every row its place, name and score on one line, the best
    // at the top.
    ASSERT_EQ(g.Scores.Insert(g.Scores.Rows[2].Score + 1, "Zora", os::NewGuid()), 2);
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 5) && h.WaitForForm(s.HighScoresForm));
    ASSERT_EQ(s.HighScoreRows.size(), size_t{CScoreTable::kRows});
    EXPECT_EQ(Text(s.HighScoreNames[2]).substr(0, 4), "Zora");
    for (size_t row = 0; row < s.HighScoreRows.size(); ++row) {
        const int32_t r = static_cast<int32_t>(row);
        const CUxWindow &place = *s.HighScoreRows[row], &name = *s.HighScoreNames[row],
                        &score = *s.HighScoreScores[row];
        EXPECT_EQ(Text(s.HighScoreRows[row]), std::to_string(row + 1) + ".") << "the row's place";
        EXPECT_EQ(Text(s.HighScoreNames[row]), g.Scores.GetName(r)) << "row " << row;
        EXPECT_EQ(Text(s.HighScoreScores[row]), std::to_string(g.Scores.Rows[row].Score))
            << "row " << row;
        EXPECT_TRUE(std::fabs(name.Position.Y - place.Position.Y) < 1.0f &&
                    std::fabs(score.Position.Y - place.Position.Y) < 1.0f &&
                    place.Position.X < name.Position.X && name.Position.X < score.Position.X)
            << "row " << row << ": its place, name and score are not on one line";
        if (row > 0)
            EXPECT_LT(place.Position.Y, s.HighScoreRows[row - 1]->Position.Y)
                << "row " << row << " is not below the one before";
    }
    ASSERT_TRUE(h.ClickControl(s.HighScoresForm, 250));

    // A quest: the map with level 1, the level, the in-level menu on Escape.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.PassStory());
    EXPECT_EQ(Text(s.MapControl10), "1-1");
    EXPECT_EQ(g.MusicState, kMusicStoryline);
    ASSERT_TRUE(h.PlayOnFromMap());
    EXPECT_EQ(Text(s.NewLevelCaption), "Level 1-1");
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
    h.Key(os::Vk::Escape);
    ASSERT_TRUE(h.WaitForForm(s.GameMenuForm));
    const float left = g.TimeLeft;
    h.Frames(30);
    EXPECT_FLOAT_EQ(g.TimeLeft, left) << "the level stands still behind the menu";
    ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 11));
    h.Frames(30);
    EXPECT_LT(g.TimeLeft, left);
    // Options left with Escape: the stored music is heard again.
    h.Key(os::Vk::Escape);
    ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 12) && h.WaitForForm(s.OptionsForm));
    h.Click(slider.Position.X - 0.35f * slider.Width, slider.Position.Y);
    ASSERT_LT(g.Music->GetVolume(), 0.3f);
    h.Key(os::Vk::Escape);
    EXPECT_NEAR(g.Music->GetVolume(), music, 0.001f);
    h.Key(os::Vk::Escape);
    ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 13) && h.WaitForForm(s.MainMenuForm));
    EXPECT_EQ(g.Mode, kModeMenu);
    EXPECT_TRUE(h.RunUntil([&] { return !Shown(s.QuestForm); }, 0.5f));
}

TEST(MenuInput, MessageBoxAnswersFollowThePurpose) {
    FlowHarness h(7, false, false);
    START_MENUS(h);
    CScreensManager& s = *h.Game().Screens;
    s.FadeOut(s.NewProfileForm, CScreensManager::kMenuFade);
    // Purpose, button set, the button clicked, whether it is handed on and
    // whether the box stays; a button that does not belong does nothing.
    const struct {
        int32_t purpose, set, button;
        bool passed, stays;
    } rows[] = {{1, 1, 200, false, true},  {2, 2, 203, false, false}, {2, 2, 202, true, false},
                {4, 0, 200, true, false},  {9, 0, 200, false, false}, {10, 0, 200, true, true},
                {11, 2, 203, true, false}, {7, 2, 202, true, false},  {8, 1, 201, false, true},
                {12, 0, 200, false, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "purpose " << r.purpose << " button " << r.button);
        s.ShowMessageBox("Title", "Text", r.set, r.purpose);
        s.FadeIn(s.MsgBoxForm, CScreensManager::kBoxFade);
        float x = 0.0f, y = 0.0f;
        ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm) && h.ControlCentre(s.MsgBoxForm, r.button, &x, &y));
        h.Press(x, y);
        EXPECT_EQ(s.HandleButtonUp(x, y) == 1 && s.Events[0].Id == r.button, r.passed);
        h.Frames(20);
        EXPECT_EQ(Shown(s.MsgBoxForm), r.stays);
        if (r.purpose == CScreensManager::kPurposeHighScore)
            EXPECT_TRUE(Shown(s.HighScoresForm)) << "the table follows its message";
        for (const CSharedPtr<CUxForm>& f : {s.MsgBoxForm, s.HighScoresForm, s.StartQuestForm})
            s.FadeOut(f, CScreensManager::kBoxFade);
        h.Frames(10);
    }
}

TEST(MenuPages, MapNewspaperHelpAndOverlays) {
    FlowHarness h(9, false, false);
    START_MENUS(h);
    CScreensManager& s = *h.Game().Screens;
    const CQuestFieldLayout& layout = h.Game().Layout;

    // Level 1: no story, the flag on the first marker of stage 1, no marker
    // shown yet.
    s.SetMapLevelLabel(1, 0);
    EXPECT_EQ(Text(s.MapControl10) + Text(s.MapControl1), "1-1");
    EXPECT_FALSE(Shown(s.MapStoryBox));
    const CVector3 first = s.MapStageMarkers[0][0]->Offset;
    EXPECT_FLOAT_EQ(s.MapControl31->Offset.X, first.X + layout.FlagShift[0]);
    EXPECT_FLOAT_EQ(s.MapControl31->Offset.Y, first.Y + layout.FlagShift[1]);
    EXPECT_FLOAT_EQ(s.MapControl30->Offset.X, s.MapControl31->Offset.X + layout.ShadowShift[0]);
    EXPECT_FALSE(Shown(s.MapStageMarkers[0][0]));

    // Level 12 is stage 3, level 1: its story, stage 3's picture, two finished
    // stages; one step before, the flag stands on level 11 (stage 2, last).
    s.SetMapLevelLabel(12, 1);
    EXPECT_EQ(Text(s.MapControl10), "3-1");
    EXPECT_EQ(Text(s.MapControl1), s.StoryPages[10]);
    EXPECT_TRUE(Shown(s.MapStoryBox));
    EXPECT_TRUE(Shown(s.MapLists2[1][0]) && Shown(s.MapList11[1]));
    EXPECT_FALSE(Shown(s.MapLists2[0][0]) || Shown(s.MapList11[2]));
    const CVector3 last2 = s.MapStageMarkers[1][5]->Offset;
    EXPECT_FLOAT_EQ(s.MapControl31->Offset.X, last2.X + layout.FlagShift[0]);
    s.SetMapLevelLabel(14, 0);
    EXPECT_TRUE(Shown(s.MapStageMarkers[2][1]));
    EXPECT_FALSE(Shown(s.MapStageMarkers[2][2]) || Shown(s.MapStageMarkers[1][0]));
    // Past the fifth stage: no flag, no story, the last picture.
    s.SetMapLevelLabel(42, 0);
    EXPECT_FALSE(Shown(s.MapControl31));
    EXPECT_EQ(Text(s.MapControl1), "");
    EXPECT_TRUE(Shown(s.MapLists2[3][0]));

    // The overlays of a stage are in video memory only while it is shown.
    CRenderDevice& device = *s.Device;
    const auto loaded = [&](const char* name) { return device.GetTexture(name)->HasTexture(); };
    s.RecreateMapDiffTextures(5);
    EXPECT_TRUE(loaded("MapDiff4_1") && loaded("MapDiff5_1") && loaded("MapDiff5_2"));
    EXPECT_FALSE(loaded("MapDiff3") || loaded("MapDiff4_2"));
    s.RecreateMapDiffTextures(3);
    EXPECT_TRUE(loaded("MapDiff3"));
    EXPECT_FALSE(loaded("MapDiff4_1") || loaded("MapDiff5_1"));
    s.RecreateMapDiffTextures(1);
    EXPECT_FALSE(loaded("MapDiff3"));

    // A newspaper page is loaded once; pages past the last stay on it.
    const CSharedPtr<CTexture> paper = device.GetTexture("Newspaper5");
    ASSERT_EQ(s.ShowNewspaperPage(1), 1);
    const uint64_t serial = paper->GetSerial();
    ASSERT_EQ(s.ShowNewspaperPage(1), 1);
    EXPECT_EQ(paper->GetSerial(), serial) << "the same page is not loaded again";
    ASSERT_EQ(s.ShowNewspaperPage(7), 1);
    EXPECT_NE(paper->GetPath().find("Newspaper4.jpg"), std::string::npos);
    EXPECT_TRUE(Shown(s.NewspaperGroups[3].Windows[0]) && !Shown(s.NewspaperGroups[1].Windows[0]));
    ASSERT_EQ(s.ShowFinalNewspaper(), 1);
    EXPECT_NE(paper->GetPath().find("Newspaper5.jpg"), std::string::npos);
}

// Back from the quest-start dialog, "New quest" over a saved quest, the player
// list scrolled, a choice cancelled and an existing player chosen, and that
// player, a veteran, starting a quest on Hard.
TEST(MenuFlow, SavedQuestsPlayerListAndAVeteransHardQuest) {
    FlowHarness h(43);
    START_MENUS(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    g.Profile->QuestTutorial = 0;
    const std::string first = g.Profile->Name;

    // Level 1 won: the shop's save, then the map's way back to the menu.
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    h.Field().GemsToCollect = 0;
    ASSERT_TRUE(h.ClickControl(s.StatisticsForm, 30, 10.0f) && h.PassShop(15.0f) &&
                h.ClickControl(s.MapForm, 151));

    // Play offers to continue; Back leads to the main menu, not the map.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.WaitForForm(s.StartQuestForm));
    EXPECT_EQ(CScreensManager::WindowText(s.StartQuestControl1), "1-2\nNormal");
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 212) && h.WaitForForm(s.MainMenuForm));
    h.Frames(10);
    EXPECT_FALSE(Shown(s.MapForm) || Shown(s.StartQuestForm));

    // "New quest": No keeps the dialog, Yes starts level 1 afresh.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.ClickControl(s.StartQuestForm, 210));
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 203) && h.WaitForForm(s.StartQuestForm));
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 210) && h.ClickControl(s.MsgBoxForm, 202));
    ASSERT_TRUE(h.PassStory() && h.WaitForForm(s.MapForm));
    EXPECT_EQ(Text(s.MapControl10), "1-1");
    EXPECT_EQ(g.Level * 10 + g.Difficulty, 10);
    EXPECT_EQ(g.GoldenStars(), 0) << "the saved quest's star is not carried over";
    ASSERT_TRUE(h.ClickControl(s.MapForm, 151) && h.WaitForForm(s.MainMenuForm));

    // Seven more players, made outside the game; Vera has won a quest.
    for (const char* name : {"Ada", "Ben", "Cid", "Dot", "Eve", "Fay", "Vera"})
        fs::create_directories(std::string("Players/") + name);
    std::ofstream("Players/Vera/Settings.ini") << "[Main]\nVeteran=1\n";
    s.ProfileList->Enumerate();
    s.ProfileSelected = s.FindProfileExact(first);
    s.RefreshProfileList();
    ASSERT_EQ(s.ProfileList->Count(), 8);
    const int32_t vera = s.FindProfileExact("Vera");
    ASSERT_GE(vera, s.kProfileRows - 1) << "Vera is below the list's first page";

    // A row chosen, then Cancel: the player stays who they were.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 6) && h.WaitForForm(s.ProfilesForm));
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 186));
    EXPECT_EQ(Checked(s.ProfileRows[1]), 1);
    EXPECT_NE(s.ProfileName(s.ProfileSelected), first);
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 181) && h.WaitForForm(s.MainMenuForm));
    EXPECT_EQ(g.Profile->Name, first);
    EXPECT_EQ(Text(s.MainMenuControl1), GetString(25) + first);

    // Scrolled down to Vera (and one row back up and down again), chosen.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 6) && h.WaitForForm(s.ProfilesForm));
    const int32_t top = s.ProfileScroll;
    while (s.ProfileScroll + s.kProfileRows - 1 < vera)
        ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 184));
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 183) && h.ClickControl(s.ProfilesForm, 184));
    EXPECT_GT(s.ProfileScroll, top);
    const int32_t row = vera - s.ProfileScroll;
    EXPECT_EQ(Text(s.ProfileRows[static_cast<size_t>(row)]), "Vera");
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 185 + row));
    ASSERT_TRUE(h.ClickControl(s.ProfilesForm, 180) && h.WaitForForm(s.MainMenuForm));
    ASSERT_EQ(g.Profile->Name, "Vera");
    EXPECT_EQ(g.Profile->Veteran, 1);

    // A veteran is asked for the difficulty: Yes is Hard.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1) && h.WaitForForm(s.MsgBoxForm));
    EXPECT_EQ(s.MsgBoxPurpose, CScreensManager::kPurposeDifficulty);
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 202) && h.PassStory() && h.WaitForForm(s.MapForm));
    EXPECT_EQ(g.Difficulty, 1);
    ASSERT_TRUE(h.ClickControl(s.MapForm, 150) &&
                h.RunUntil([&] { return g.Mode == kModeLevelIntro; }, 6.0f));
    EXPECT_EQ(g.Level * 10 + g.Difficulty, 11);
}
