// The totem panel in the running game: loaded at Init from the generated
// data, totems bought by the test standing on their places at the level
// start, selected and launched by requests of their colour, their powers
// changing the real board (Red blasts, Green gems, Blue strikes on steel,
// White paint) or the level (Orange time, Yellow points, Violet bonuses), and
// the figures back on their places afterwards.
#include <algorithm>
#include <initializer_list>
#include <optional>
#include <set>
#include <utility>

#include "AppTestSupport.h"
#include "app/Game.h"
#include "bonuses/BonusManager.h"
#include "platform/sound/Audio.h"
#include "playfield/PlayField.h"
#include "playerdata/QuestState.h"
#include "screens/UpgradeState.h"

using namespace apptest;

namespace {

int CountCaps(const CPlayField& f) {
    int n = 0;
    for (const auto& row : f.Board)
        for (const auto& cap : row)
            n += cap.IsNull() ? 0 : 1;
    return n;
}

// The game started from a copy of the generated folder, its flow running.
class TotemGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!copy.Missing().empty())
            GTEST_SKIP() << copy.Missing();
        enter.emplace(copy.Path());
        gl.emplace();
        ASSERT_EQ(gl->Problem(), "");
        game = std::make_unique<CGame>(gl->Renderer(), gl->Window(), CSharedPtr<snd::Audio>());
        ASSERT_EQ(game->PreInit(), 1) << game->LastError();
        ASSERT_EQ(game->InitAndStartFlow(), 1) << game->LastError();
    }

    GameCopy copy;
    std::optional<EnterDir> enter;
    std::optional<GlStack> gl;
    std::unique_ptr<CGame> game;
};

// A totem bought in the shop: the quest record keeps it, and the next level
// start hands it to the panel.
void Buy(CGame& game, int colour, int tier) {
    if (game.Quest.IsNull())
        game.Quest = CSharedPtr<CQuestState>(new CQuestState());
    const CUpgradeState items;
    for (size_t i = 0; i < items.kind.size(); ++i)
        if (items.kind[i] == CUpgradeState::kTotem && items.object[i] == colour)
            game.Quest->Upgrades[i] = tier;
}

} // namespace

TEST_F(TotemGame, ARedTotemBoughtByTheTestFiresOnTheRealBoard) {
    CTotemPanel& totems = game->Field->Totems;
    // Every colour's shapes came from the generated file, and the time bonus
    // counts with the panel's digits.
    for (const auto& shapes : totems.Shapes) {
        ASSERT_FALSE(shapes.IsNull());
        EXPECT_FALSE(shapes->Main[3].Positions.empty());
    }
    EXPECT_TRUE(game->Bonuses->Textures[CBonusManager::kTwirl2] == totems.TimeDigits);
    EXPECT_EQ(copy.Log().find("Warning"), std::string::npos) << copy.Log();

    // The shop would write the tier; the level then starts again with it.
    Buy(*game, 2, 3);
    game->StartLevel(1);
    int frames = 0;
    for (; frames < 900 && CountCaps(*game->Field) < 64; ++frames)
        ASSERT_GE(game->Frame(16), 0);
    ASSERT_EQ(CountCaps(*game->Field), 64);
    const CSharedPtr<CTotem> standing = totems.Places[2];
    ASSERT_FALSE(standing.IsNull());
    EXPECT_EQ(standing->Mode, CTotem::kStanding);
    EXPECT_FALSE(standing->Parts().empty());
    // Only the Red place is uncovered: a base, six covers and six contours.
    EXPECT_EQ(totems.PanelSprites.size(), 13u);

    // Two red matches: the first selects, the second launches at level 2.
    totems.PushRequest(2);
    totems.PushRequest(2);
    int blasts = 0, launches = 0;
    bool emptied = false;
    for (frames = 0; frames < 600 && !(blasts > 0 && totems.IsIdle() && totems.Selected < 0);
         ++frames) {
        ASSERT_GE(game->Frame(16), 0);
        for (const CTotemAction& a : totems.Actions) {
            blasts += a.kind == CTotemAction::kRed ? 1 : 0;
            launches += a.kind == CTotemAction::kLaunched ? 1 : 0;
        }
        emptied = emptied || CountCaps(*game->Field) < 64;
    }
    EXPECT_EQ(launches, 1);
    // Tier 3 at level 2: four orbs, four shots; then it stays armed.
    EXPECT_EQ(blasts, 4);
    EXPECT_TRUE(emptied) << "the shots blew up no cap";
    EXPECT_EQ(game->Field->Counters.Sets[2].Get(6), 1);
    EXPECT_EQ(totems.Selected, 2);
    ASSERT_FALSE(totems.Places[2].IsNull());
    EXPECT_EQ(totems.Places[2]->State, CTotem::kRearmed);

    // The third request launches level 3; afterwards the figure flies home
    // and a standing figure takes its place.
    totems.PushRequest(2);
    blasts = 0;
    for (frames = 0; frames < 600 && !(blasts > 0 && totems.Selected < 0 &&
                                       totems.Places[2]->Mode == CTotem::kStanding);
         ++frames) {
        ASSERT_GE(game->Frame(16), 0);
        for (const CTotemAction& a : totems.Actions)
            blasts += a.kind == CTotemAction::kRed ? 1 : 0;
    }
    EXPECT_EQ(blasts, 4);
    EXPECT_EQ(totems.Places[2]->Mode, CTotem::kStanding);
    EXPECT_EQ(game->Field->Counters.Sets[2].Get(6), 2);
}

// Starts level 1 with the given tiers and runs it until the board is full
// and in play (the clock runs only then); no tip stops it.
static void PlayWithTiers(CGame& game, std::initializer_list<std::pair<int, int>> tiers) {
    for (const auto& [colour, tier] : tiers)
        Buy(game, colour, tier);
    game.StartLevel(1);
    for (int frames = 0; frames < 900 && !(CountCaps(*game.Field) == 64 &&
                                           game.Mode == kModeLevel && game.SubState == kSubPlay);
         ++frames)
        ASSERT_GE(apptest::FramePastCard(game, 16), 0);
    ASSERT_EQ(game.SubState, kSubPlay);
    game.TipOpen = 0;
}

// Two requests of `colour`; frames until the figure is home again. Returns
// the number of records of `kind` and the frames it took.
static std::pair<int, int> LaunchAndCount(CGame& game, int32_t colour, int32_t kind) {
    CTotemPanel& totems = game.Field->Totems;
    totems.PushRequest(colour);
    totems.PushRequest(colour);
    int records = 0, frames = 0;
    for (; frames < 600 && !(records > 0 && totems.IsIdle() && totems.Selected < 0 &&
                             totems.Places[static_cast<size_t>(colour)]->Mode == CTotem::kStanding);
         ++frames) {
        if (game.Frame(16) < 0)
            break;
        for (const CTotemAction& a : totems.Actions)
            records += a.kind == kind ? 1 : 0;
    }
    return {records, frames};
}

TEST_F(TotemGame, OrangeYellowAndVioletTotemsActOnTheRunningGame) {
    PlayWithTiers(*game, {{1, 2}, {4, 2}, {6, 2}});
    if (HasFatalFailure())
        return;

    // Orange: tier 2 buys 45 seconds; the clock ran for the frames meanwhile.
    game->TimeLeft = game->TimeLimit / 2.0f;
    const float before = game->TimeLeft;
    auto [grants, frames] = LaunchAndCount(*game, 4, CTotemAction::kOrange);
    EXPECT_EQ(grants, 1);
    EXPECT_GT(game->TimeLeft, before + 45.0f - static_cast<float>(frames) * 0.016f - 1.0f);
    EXPECT_LE(game->TimeLeft, before + 45.0f);

    // Yellow: tier 2 at level 2 scores 1500 points.
    const auto points = game->Field->Counters.Sets[1].Get(0);
    EXPECT_EQ(LaunchAndCount(*game, 1, CTotemAction::kYellow).first, 1);
    EXPECT_EQ(game->Field->Counters.Sets[1].Get(0), points + 1500);

    // Violet: tier 2 brings two bonuses the level allows onto the board.
    game->Params.BonusTiers.assign(CLevelParams::kBonusTypes, 0);
    const size_t bonuses = game->Bonuses->Bonuses.size();
    EXPECT_EQ(LaunchAndCount(*game, 6, CTotemAction::kViolet).first, 2);
    EXPECT_EQ(game->Bonuses->Bonuses.size(), bonuses + 2);
}

TEST(TotemLaunch, AMissingTotemPictureFailsInitNamingIt) {
    GameCopy copy;
    if (!copy.Missing().empty())
        GTEST_SKIP() << copy.Missing();
    fs::remove(copy.Path() / "Data" / "Gfx" / "VioletGlowRays.tga");
    EnterDir enter(copy.Path());
    GlStack gl;
    ASSERT_EQ(gl.Problem(), "");
    CGame game(gl.Renderer(), gl.Window(), CSharedPtr<snd::Audio>());
    ASSERT_EQ(game.PreInit(), 1);
    EXPECT_EQ(game.Init(), 0);
    EXPECT_EQ(game.LastError(), "Error loading Totems Textures");
    EXPECT_TRUE(InOrder(copy.Log(), {"Unable to load VioletGlowRays.tga Texture!\n",
                                     "Error loading Totems Textures\n"}))
        << copy.Log();
    game.RestoreGamma();
}

static int CountCapsWhere(const CPlayField& f, bool (*keep)(const CCap&)) {
    int n = 0;
    for (const auto& row : f.Board)
        for (const auto& cap : row)
            n += !cap.IsNull() && keep(*cap) ? 1 : 0;
    return n;
}

TEST_F(TotemGame, GreenBlueAndWhiteTotemsChangeTheRealBoard) {
    PlayWithTiers(*game, {{0, 2}, {3, 3}, {5, 2}});
    if (HasFatalFailure())
        return;
    CPlayField& f = *game->Field;
    CTotemPanel& totems = f.Totems;

    // Green: tier 2 collects the gems on the board with its rays and sends
    // five new ones onto plain caps.
    const auto gems = [](const CCap& c) { return c.Gem != 0; };
    ASSERT_GT(CountCapsWhere(f, gems), 0);
    f.GemPool = 5;
    EXPECT_GT(LaunchAndCount(*game, 0, CTotemAction::kGreen).first, 0);
    EXPECT_EQ(CountCapsWhere(f, gems), 5);
    EXPECT_EQ(f.GemPool, 0);

    // Blue: three caps turn to steel; tier 3 strikes each with its neighbours
    // (row 0 has no upper one) after one request, and stays armed.
    const auto steel = [](const CCap& c) { return c.Colour >= CCap::kFirstSpecialColour; };
    for (int i = 0; i < 3; ++i)
        f.CapAt(2 * i + 1, 3 * i)->Colour = CCap::kSteel;
    totems.PushRequest(3);
    totems.PushRequest(3);
    int requests = 0, strikes = 0;
    for (int frames = 0; frames < 600 && totems.Places[3]->State != CTotem::kRearmed; ++frames) {
        ASSERT_GE(game->Frame(16), 0);
        for (const CTotemAction& a : totems.Actions)
            if (a.kind == CTotemAction::kBlue)
                (a.value != 0 ? requests : strikes) += 1;
    }
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(strikes, 5 + 4 + 5);
    EXPECT_EQ(CountCapsWhere(f, steel), 0);
    // Level 3 ends the steel for the level and raises the shields.
    totems.PushRequest(3);
    for (int frames = 0; frames < 600 && !(totems.Selected < 0 && totems.IsIdle()); ++frames)
        ASSERT_GE(game->Frame(16), 0);
    EXPECT_EQ(f.SteelLimit, 0);
    EXPECT_EQ(totems.BlueFlag, 1);

    // White: tier 2 throws nine drops of one colour; each painted cap shows
    // it in the frame it lands.
    totems.PushRequest(5);
    totems.PushRequest(5);
    int painted = 0, ends = 0;
    std::set<int32_t> colours;
    for (int frames = 0; frames < 600 && !(ends > 0 && totems.Selected < 0); ++frames) {
        ASSERT_GE(game->Frame(16), 0);
        for (const CTotemAction& a : totems.Actions) {
            if (a.kind != CTotemAction::kWhite)
                continue;
            ends += a.value < 0 ? 1 : 0;
            if (a.value != 0)
                continue;
            ++painted;
            colours.insert(a.value2);
            const CSharedPtr<CCap> cap = f.CapAt(a.column, a.row);
            ASSERT_FALSE(cap.IsNull());
            EXPECT_EQ(cap->Colour, a.value2);
        }
    }
    EXPECT_EQ(painted, 9);
    EXPECT_EQ(colours.size(), 1u);
    EXPECT_EQ(ends, 1);
}
