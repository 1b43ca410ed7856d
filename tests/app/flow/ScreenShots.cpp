// A picture of every screen a player meets, for reviewing the look: the game
// plays itself headless through the flow harness (forms with their real
// z-order, depth, texts and backdrops) and writes one PNG per screen into
// GV_SHOTS_DIR (default "screens" in the working folder). Not part of the
// test run; see README. A screen that cannot be reached is reported and the
// walk goes on with the next. The test run takes the menus' pictures alone,
// in memory, under each way the software back end draws a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "platform/Rand15.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

// The pictures go to PNG files, or into `kept` (with their names) where given.
class Shots {
public:
    explicit Shots(FlowHarness& h,
                   std::vector<std::pair<std::string, FlowHarness::Picture>>* kept = nullptr)
        : h_(h), kept_(kept) {
        if (kept_)
            return;
        const char* dir = std::getenv("GV_SHOTS_DIR");
        dir_ = dir && *dir ? dir : "screens";
        std::filesystem::create_directories(dir_);
    }
    // Lets the screen settle (fades end), then takes its picture.
    void Take(const std::string& name, float settle = 1.0f) {
        h_.Frames(static_cast<int>(settle / FlowHarness::kDt));
        if (kept_) {
            kept_->emplace_back(name, h_.Drawn());
            return;
        }
        const std::filesystem::path file = dir_ / (name + ".png");
        EXPECT_TRUE(h_.SavePicture(file.string())) << file;
        std::printf("%s\n", file.string().c_str());
    }
    // A step on the way; a failed one is reported and the walk goes on.
    bool Step(bool done, const std::string& what) {
        EXPECT_TRUE(done) << what;
        return done;
    }

private:
    FlowHarness& h_;
    std::vector<std::pair<std::string, FlowHarness::Picture>>* kept_;
    std::filesystem::path dir_;
};

// From the new player's form: the main menu, each menu it opens and the help
// pages, back at the main menu.
void WalkMenus(FlowHarness& h, Shots& shot, const std::string& name) {
    CScreensManager& s = *h.Game().Screens;
    ASSERT_TRUE(h.WaitForForm(s.NewProfileForm));
    for (size_t i = s.TypedProfileName.size(); i > 0; --i)
        h.Type("\b");
    h.Type(name);
    shot.Take("01_new_player", 0.2f);
    ASSERT_TRUE(h.ClickControl(s.NewProfileForm, 195));
    shot.Take("02_main_menu");
    const struct {
        int32_t open;
        const char* picture;
        const CSharedPtr<CUxForm>& form;
        int32_t close;
    } menus[] = {{2, "03_options", s.OptionsForm, 230},
                 {6, "04_players", s.ProfilesForm, 181},
                 {5, "06_high_scores", s.HighScoresForm, 250},
                 {20, "07_trophies", s.TrophiesForm, FlowHarness::kIdAwardsClose}};
    for (const auto& m : menus)
        if (shot.Step(h.ClickControl(s.MainMenuForm, m.open) && h.WaitForForm(m.form), m.picture)) {
            shot.Take(m.picture);
            // A trophy of the right-hand column pointed at: its story.
            if (m.form == s.TrophiesForm) {
                CTrophies& t = *h.Game().Trophies;
                t.Levels[2] = t.ShownLevels[2] = 1;
                t.RefreshWindows();
                const CUxWindow& medal = *s.TrophyGroups200[2].Windows[0];
                h.MoveTo(medal.Position.X, medal.Position.Y);
                shot.Take("07_trophies_story", 0.2f);
                t.Levels[2] = t.ShownLevels[2] = 0;
                t.RefreshWindows();
            }
            shot.Step(h.ClickControl(m.form, m.close), m.picture);
        }
    if (shot.Step(h.ClickControl(s.MainMenuForm, 4) && h.WaitForForm(s.HelpForm), "help")) {
        for (int page = 1; page <= 3; ++page) {
            shot.Take("05_help_" + std::to_string(page));
            h.ClickControl(s.HelpForm, 272);
        }
        shot.Step(h.ClickControl(s.HelpForm, 270), "help closes");
    }
}

} // namespace

TEST(ScreenShots, DISABLED_EveryScreen) {
    FlowHarness h(7, false, false);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    Shots shot(h);
    const std::string name(12, 'W'); // the widest name a player can give
    WalkMenus(h, shot, name);
    if (HasFatalFailure())
        return;

    // Every message box the game asks or tells something with, over the menu.
    const struct {
        int title, text, buttons;
    } boxes[] = {{34, -1, CScreensManager::kSetYesNo},     {63, -1, CScreensManager::kSetYesNo},
                 {31, -1, CScreensManager::kSetYesCancel}, {105, 106, CScreensManager::kSetOk},
                 {105, 107, CScreensManager::kSetOk},      {46, 47, CScreensManager::kSetOk},
                 {48, 49, CScreensManager::kSetOk},        {-1, 59, CScreensManager::kSetYesNo},
                 {-1, 60, CScreensManager::kSetOk}};
    int boxNumber = 0;
    for (const auto& b : boxes) {
        const std::string title = b.title < 0 ? "" : GetString(b.title);
        const std::string text = b.text < 0 ? "" : GetString(b.text);
        s.ShowMessageBox(b.title == 31 ? FormatText(title, {name}).c_str() : title.c_str(),
                         text.c_str(), b.buttons, CScreensManager::kPurposeNotice);
        s.FadeIn(s.MsgBoxForm, CScreensManager::kBoxFade);
        shot.Take("08_message_box_" + std::to_string(++boxNumber), 0.5f);
        s.FadeOut(s.MsgBoxForm, CScreensManager::kBoxFade);
        h.Frames(15);
    }

    // The quest: the story, the map, level 1 with its first tip and the swap
    // pointer, the pause menu, the results, the shop with an item's
    // description, the map.
    ASSERT_TRUE(h.ClickControl(s.MainMenuForm, 1));
    if (shot.Step(h.WaitForForm(s.IntroForm, 4.0f), "story")) {
        shot.Take("09_story", 1.5f);
        shot.Step(h.PassStory(), "the story's pages");
    }
    ASSERT_TRUE(h.WaitForForm(s.MapForm, 4.0f));
    shot.Take("09_map");
    ASSERT_TRUE(h.ClickControl(s.MapForm, 150));
    h.ClickCards = false; // the card as it waits for its click
    shot.Take("10_level_1_intro", 2.0f);
    h.CloseTips = false;
    h.Click(0.0f, 0.0f);
    h.ClickCards = true;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    if (shot.Step(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 3.0f), "first tip")) {
        shot.Take("11_level_1_tip", 0.5f);
        g.CloseTip();
        if (h.RunUntil([&] { return g.TipOpen == kTipPointing; }, 3.0f))
            shot.Take("11_level_1_swap_pointer", 0.5f);
    }
    h.CloseTips = true;
    shot.Take("12_level_1", 1.5f);
    h.Key(os::Vk::Escape);
    if (shot.Step(h.WaitForForm(s.GameMenuForm), "pause menu")) {
        shot.Take("13_paused", 0.2f);
        shot.Step(h.ClickControl(s.GameMenuForm, 11), "resume");
    }
    g.Profile->QuestTutorial = 0;
    h.Field().TutorialNumber = 0;
    g.Level = 3; // its star pays for an item, and the bonus previews show
    h.Field().GemsToCollect = 0;
    if (shot.Step(h.WaitForForm(s.StatisticsForm, 10.0f), "results")) {
        shot.Take("14_level_results");
        h.ClickControl(s.StatisticsForm, 30);
    }
    if (shot.Step(h.WaitForForm(s.ShopForm, 6.0f) &&
                      h.RunUntil([&] { return g.Shop->fadeLevel >= 1.0f; }, 3.0f),
                  "shop")) {
        // The pointer on the red totem's panel: its description.
        const CSharedPtr<CUxWindow>& picture = s.ShopItemList20[5];
        h.MoveTo(picture->Position.X, picture->Position.Y);
        // The new offers have faded in.
        shot.Take("15_shop", CShopScreen::kSlowTime + 0.5f);
        // "Done" with the star unspent: the question over the shaded shop.
        if (h.ClickControl(s.ShopForm, CShopScreen::kIdDone) && h.WaitForForm(s.MsgBoxForm)) {
            shot.Take("15_shop_question", 0.5f);
            shot.Step(h.ClickControl(s.MsgBoxForm, 203), "the shop's question");
        }
        shot.Step(h.PassShop(), "leaving the shop");
        shot.Take("16_map_after_shop", 2.0f);
    }

    // From the map on: each stage's first level with its backdrop, each
    // bonus level (its rules, then its play), the newspaper between two
    // stages, and the closing page after the last level.
    const struct {
        int level;
        const char* picture; // the level in play, or nothing
        const char* bonus;   // the bonus level that follows, or nothing
    } levels[] = {{5, nullptr, "19_bonus_accuracy"},   {6, "17_level_6", nullptr},
                  {10, nullptr, "20_bonus_memory"},    {12, "17_level_12", nullptr},
                  {15, nullptr, "21_bonus_attention"}, {20, "17_level_20", "22_bonus_reaction"},
                  {30, "17_level_30", nullptr},        {41, nullptr, nullptr}};
    bool newspaper = false;
    for (const auto& l : levels) {
        const std::string what = "level " + std::to_string(l.level);
        if (!shot.Step(h.WaitForForm(s.MapForm, 8.0f), what + ": no map"))
            break;
        g.Level = l.level;
        if (!shot.Step(h.ClickControl(s.MapForm, 150) &&
                           h.RunUntil([&] { return g.SubState == kSubPlay; }, 8.0f),
                       what + " does not start"))
            break;
        if (l.picture)
            shot.Take(l.picture, 1.5f);
        h.Field().GemsToCollect = 0;
        if (!shot.Step(h.WaitForForm(s.StatisticsForm, 10.0f) &&
                           h.ClickControl(s.StatisticsForm, 30),
                       what + ": no results"))
            break;
        if (l.level == 41) {
            if (shot.Step(h.RunUntil([&] { return s.WinForm->Visible && s.WinForm->Alpha >= 1.0f; },
                                     20.0f),
                          "closing page"))
                shot.Take("23_closing_page");
            break;
        }
        // A bonus level follows every fifth level: its rules, its play, then
        // it is lost on the spot.
        if (h.RunUntil([&] { return g.SubState == kSubBonus; }, 3.0f)) {
            if (l.bonus) {
                shot.Take(l.bonus, 1.0f);
                h.Click(0.0f, 0.0f); // past the rules
                shot.Take(std::string(l.bonus) + "_play", 2.0f);
            }
            g.EndBonusLevel(0);
        } else {
            shot.Step(l.bonus == nullptr, std::string(l.bonus ? l.bonus : "") + " does not come");
        }
        const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
        h.PassShop();
        if (!newspaper &&
            h.RunUntil([&] { return ready(s.NewspaperForm) || ready(s.MapForm); }, 8.0f) &&
            ready(s.NewspaperForm)) {
            shot.Take("18_newspaper");
            newspaper = true;
        }
        if (!shot.Step(h.BackToMap(), what + ": no way back to the map (mode " +
                                          std::to_string(g.Mode) + "." +
                                          std::to_string(g.SubState) + ")"))
            break;
    }
}

// The menus' pictures are the same to the bit whether the frames are drawn
// whole or by damage, on one thread or on three.
TEST(ScreenShots, MenusAlikeByDamageAndOnThreads) {
    using Pictures = std::vector<std::pair<std::string, FlowHarness::Picture>>;
    Pictures first;
    for (const auto& [damage, threads] :
         {std::pair{"0", "1"}, {"1", "1"}, {"0", "3"}, {"1", "3"}}) {
        const std::string setting = std::string("damage ") + damage + ", threads " + threads;
        const testsupport::ScopedEnv byDamage("GLORVANE_DAMAGE", damage);
        const testsupport::ScopedEnv onThreads("GLORVANE_SOFT_THREADS", threads);
        Rand15::Global().Seed(7); // the backdrops' phases, drawn at the start
        FlowHarness h(7, false, false);
        if (!h.Skip().empty())
            GTEST_SKIP() << h.Skip();
        ASSERT_EQ(h.Failure(), "") << h.Log();
        Pictures pictures;
        Shots shot(h, &pictures);
        WalkMenus(h, shot, "Player");
        ASSERT_FALSE(HasFatalFailure()) << setting;
        if (first.empty()) {
            // The story's picture: the trophy pointed at shows its medal in
            // its metal's colour, beside it one not earned in grey, both seen
            // up and left of the pointer, clear of the story's box.
            CScreensManager& s = *h.Game().Screens;
            const auto story = std::find_if(pictures.begin(), pictures.end(), [](const auto& p) {
                return p.first == "07_trophies_story";
            });
            ASSERT_NE(story, pictures.end());
            FlowHarness::Colour earned, locked;
            for (auto [trophy, c] : {std::pair{2, &earned}, {1, &locked}}) {
                const CUxWindow& medal = *s.TrophyGroups200[trophy].Windows[0];
                *c = h.MeanColour(story->second, medal.Position.X - 0.2f * medal.Width,
                                  medal.Position.Y + 0.2f * medal.Height, 0.2f * medal.Width,
                                  0.2f * medal.Height);
            }
            const auto colour = [](const FlowHarness::Colour& c) {
                return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
            };
            EXPECT_GT(colour(earned), 4.0 * colour(locked) + 30.0)
                << "the earned medal (" << earned.r << ", " << earned.g << ", " << earned.b
                << ") against a locked one (" << locked.r << ", " << locked.g << ", " << locked.b
                << ")";
            first = std::move(pictures);
            continue;
        }
        ASSERT_EQ(pictures.size(), first.size()) << setting;
        for (size_t i = 0; i < first.size(); ++i) {
            const FlowHarness::Picture &was = first[i].second, &is = pictures[i].second;
            ASSERT_EQ(is.width, was.width) << first[i].first << ", " << setting;
            ASSERT_EQ(is.height, was.height) << first[i].first << ", " << setting;
            ASSERT_FALSE(is.argb.empty()) << first[i].first << ", " << setting;
            size_t at = 0;
            while (at < is.argb.size() && is.argb[at] == was.argb[at])
                ++at;
            EXPECT_EQ(at, is.argb.size())
                << first[i].first << ", " << setting << ": differs first at pixel ("
                << at % static_cast<size_t>(is.width) << ", " << at / static_cast<size_t>(is.width)
                << ")";
        }
    }
}
