// The Attention challenge played through: laying out the cups, showing and
// closing them, the shuffle and its timing, the right and the wrong pick, and
// ten rounds of growing difficulty as the game object drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ChallengeTestSupport.h"
#include "playfield/ThimblesGame.h"

namespace {

using chtest::ChallengeFixture;
using chtest::kFrame;
using chtest::RunFor;
using chtest::RunUntil;

class ThimblesTest : public ChallengeFixture {
protected:
    void SetUp() override {
        ChallengeFixture::SetUp();
        game_.reset(new CThimblesGame());
        game_->SoundBank = bank_;
        game_->CreateGrid(caps_);
        game_->SetPlacement(-332.0f, 332.0f, 5.0f, 83.0f, 83.0f, 83.0f, 83.0f);
        game_->Round = 1;
        game_->Wins = 0;
    }
    void TearDown() override {
        game_.reset();
        ChallengeFixture::TearDown();
    }

    // Lays out a round and plays it up to the choice; the results on the way.
    std::vector<int32_t> PlayToChoice(int round, int group) {
        game_->SetUp(round, group);
        return RunUntil(
            *game_, [&] { return game_->State == CThimblesGame::kWaitingForClick; }, 30.0f);
    }
    int32_t TokenPlace() const {
        const auto it = std::find(game_->Places.begin(), game_->Places.end(), 1);
        return static_cast<int32_t>(it - game_->Places.begin());
    }
    int32_t ClickPlace(int32_t p) { return game_->OnClick(game_->PlaceX(p), game_->RestY()); }

    // The game object's answer to a won round: the cup breaks, the rest fly out.
    void BreakTokenCupAndFlyOut() {
        CSharedPtr<CGridCell> cup = game_->Cup(CThimblesGame::kTokenCup);
        ASSERT_FALSE(cup.IsNull());
        ASSERT_TRUE(cup->IsOpen());
        EXPECT_GE(game_->Board->RemoveCell(cup), 0);
        game_->Cups.erase(game_->Cups.begin() + CThimblesGame::kTokenCup);
        ++game_->Wins;
        game_->FlyOut();
    }

    std::unique_ptr<CThimblesGame> game_;
};

TEST_F(ThimblesTest, ThreeOpenCupsDropInWithTheTokenInTheMiddle) {
    game_->SetUp(1, 1);
    EXPECT_EQ(game_->State, CThimblesGame::kDealing);
    ASSERT_EQ(game_->Cups.size(), 3u);
    EXPECT_EQ(game_->Places, (std::vector<int32_t>{0, 1, 2}));
    for (int i = 0; i < 3; ++i) {
        const CGridCell& cup = *game_->Cups[i];
        SCOPED_TRACE(i);
        if (i == 1) {
            EXPECT_GE(cup.Kind, 0);
            EXPECT_LE(cup.Kind, 6);
        } else {
            EXPECT_EQ(cup.Kind, CThimblesGame::kEmptyPicture);
        }
        EXPECT_TRUE(cup.IsOpen());
        EXPECT_EQ(cup.HighSprite->Visible, 1);
        EXPECT_EQ(cup.LowSprite->Visible, 0);
        EXPECT_EQ(cup.State, CGridCell::kFlyingIn);
        EXPECT_FLOAT_EQ(cup.X, -332.0f + 2.0f * (i + 1) * 83.0f);
        EXPECT_FLOAT_EQ(cup.Y, 332.0f + 3.5f * 83.0f);
    }
    RunFor(*game_, 1.05f);
    EXPECT_EQ(game_->State, CThimblesGame::kShowing);
    EXPECT_EQ(Plays("Drop.wav"), 1);
    for (const auto& cup : game_->Cups)
        EXPECT_FLOAT_EQ(cup->Y, game_->RestY());
}

TEST_F(ThimblesTest, TheSwapsGetFasterAndMoreWithEveryWin) {
    game_->SetUp(1, 1);
    EXPECT_EQ(game_->SwapCount, 3);
    EXPECT_FLOAT_EQ(game_->SwapTime, 0.75f);
    EXPECT_FLOAT_EQ(game_->SwapPause, 0.25f);
    game_->SetUp(1, 2);
    EXPECT_FLOAT_EQ(game_->SwapTime, 0.65f);
    game_->Wins = 2;
    game_->SetUp(3, 1);
    EXPECT_EQ(game_->SwapCount, 5);
    EXPECT_NEAR(game_->SwapTime, 0.75f * 0.85f * 0.85f, 1e-6f);
    EXPECT_NEAR(game_->SwapPause, 0.25f * 0.85f * 0.85f, 1e-6f);
    // A new round starts from a clean board.
    EXPECT_EQ(game_->Board->CellCount(), 3u);
    EXPECT_EQ(ListedSprites(), 6u);
}

TEST_F(ThimblesTest, TheCupsCloseAndExactlySwapCountSwapsFollow) {
    game_->Wins = 2;
    game_->SetUp(3, 1);
    RunUntil(
        *game_, [&] { return game_->State == CThimblesGame::kShowing; }, 2.0f);
    audio_->ClearCalls();
    RunUntil(
        *game_, [&] { return game_->Phase == 1; }, 2.0f);
    EXPECT_EQ(Plays("BonusClick.wav"), 3); // one per closing cup
    RunUntil(
        *game_, [&] { return game_->State == CThimblesGame::kShuffling; }, 2.0f);
    for (const auto& cup : game_->Cups)
        EXPECT_EQ(cup->GlowLevel, 0);
    EXPECT_EQ(game_->SwapsDone, 0);

    // The first swap starts in the first shuffling frame.
    EXPECT_EQ(game_->Update(kFrame), CThimblesGame::kNothing);
    EXPECT_EQ(game_->SwapsDone, 1);
    float elapsed = kFrame;
    bool sawArc = false;
    int32_t result = CThimblesGame::kNothing;
    int swapsSeen = 1;
    while (result == CThimblesGame::kNothing && elapsed < 20.0f) {
        const int before = game_->SwapsDone;
        result = game_->Update(kFrame);
        elapsed += kFrame;
        if (game_->SwapsDone != before && result == CThimblesGame::kNothing)
            ++swapsSeen;
        if (game_->Phase == 0 && game_->Timer > 0.45f * game_->SwapTime &&
            game_->Timer < 0.55f * game_->SwapTime) {
            const CGridCell& a = *game_->Cup(game_->MovingCupA);
            const CGridCell& b = *game_->Cup(game_->MovingCupB);
            EXPECT_GT(a.Y, game_->RestY() + 1.4f * 83.0f);
            EXPECT_LT(b.Y, game_->RestY() - 1.4f * 83.0f);
            EXPECT_NEAR(a.X, b.X, 0.2f * 166.0f);
            EXPECT_GT(game_->FromPlace, game_->ToPlace);
            sawArc = true;
        }
    }
    EXPECT_EQ(result, CThimblesGame::kShuffleEnded);
    EXPECT_EQ(swapsSeen, 5);
    EXPECT_TRUE(sawArc);
    EXPECT_EQ(game_->State, CThimblesGame::kWaitingForClick);
    // Five swaps and five pauses, each step losing at most a frame.
    const float expected = 5.0f * (game_->SwapTime + game_->SwapPause);
    EXPECT_GE(elapsed, expected - kFrame);
    EXPECT_LE(elapsed, expected + 6.0f * kFrame);
    EXPECT_EQ(Plays("Drop.wav"), 5); // one landing per swap
    // Every cup stands exactly on its place.
    std::vector<int32_t> sorted = game_->Places;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{0, 1, 2}));
    for (int p = 0; p < 3; ++p) {
        const CGridCell& cup = *game_->Cup(game_->Places[p]);
        EXPECT_EQ(cup.X, game_->PlaceX(p));
        EXPECT_EQ(cup.Y, game_->RestY());
    }
}

TEST_F(ThimblesTest, PickingTheTokenCupWinsTheRound) {
    EXPECT_EQ(PlayToChoice(1, 1), std::vector<int32_t>{CThimblesGame::kShuffleEnded});
    const int32_t place = TokenPlace();
    audio_->ClearCalls();
    ASSERT_EQ(ClickPlace(place), CThimblesGame::kCupChosen);
    EXPECT_EQ(game_->State, CThimblesGame::kRevealing);
    EXPECT_EQ(game_->ClickedCup, 1);
    EXPECT_EQ(Plays("BonusClick.wav"), 1);
    // A second click is no longer a choice.
    EXPECT_EQ(ClickPlace(place), CThimblesGame::kClickIgnored);

    std::vector<int32_t> results = RunUntil(
        *game_, [&] { return game_->Phase == 1; }, 2.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CThimblesGame::kCupOpen});
    EXPECT_TRUE(game_->Cup(1)->IsOpen());
    EXPECT_EQ(game_->Cup(0)->GlowLevel, 0);
    EXPECT_EQ(game_->Cup(2)->GlowLevel, 0);
    EXPECT_FLOAT_EQ(game_->Cup(1)->X, game_->PlaceX(place));

    BreakTokenCupAndFlyOut();
    results = RunFor(*game_, 2.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CThimblesGame::kCupsGone});
    EXPECT_EQ(ListedSprites(), 0u);
    EXPECT_EQ(game_->Wins, 1);
}

TEST_F(ThimblesTest, PickingAnEmptyCupOpensAllThreeAndEndsTheRound) {
    PlayToChoice(1, 1);
    const int32_t wrong = (TokenPlace() + 1) % 3;
    ASSERT_EQ(ClickPlace(wrong), CThimblesGame::kCupChosen);
    EXPECT_NE(game_->ClickedCup, 1);
    audio_->ClearCalls();
    std::vector<int32_t> results = RunUntil(
        *game_, [&] { return game_->Phase == 2; }, 2.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CThimblesGame::kCupOpen});
    EXPECT_EQ(Plays("BonusClick.wav"), 1);
    EXPECT_EQ(game_->Cup(1)->State, CGridCell::kOpening);
    // All three open, then they fly off by themselves.
    results = RunUntil(
        *game_, [&] { return game_->Phase == 1; }, 2.0f);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(game_->Cups.empty());
    results = RunFor(*game_, 2.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CThimblesGame::kCupsGone});
    EXPECT_EQ(game_->Wins, 0);
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST_F(ThimblesTest, ClicksMissingTheCupsOrOutOfTurnChangeNothing) {
    game_->SetUp(1, 1);
    RunUntil(
        *game_, [&] { return game_->State == CThimblesGame::kShuffling; }, 5.0f);
    EXPECT_EQ(ClickPlace(0), CThimblesGame::kClickIgnored);
    RunUntil(
        *game_, [&] { return game_->State == CThimblesGame::kWaitingForClick; }, 10.0f);
    // Between two cups, and exactly on a cup's edge (the test is strict).
    EXPECT_EQ(game_->OnClick(game_->PlaceX(0) + 83.0f, game_->RestY()),
              CThimblesGame::kClickIgnored);
    EXPECT_EQ(game_->OnClick(game_->PlaceX(1) + 42.0f, game_->RestY()),
              CThimblesGame::kClickIgnored);
    EXPECT_EQ(game_->OnClick(game_->PlaceX(1), game_->RestY() - 42.0f),
              CThimblesGame::kClickIgnored);
    EXPECT_EQ(game_->OnClick(std::nanf(""), game_->RestY()), CThimblesGame::kClickIgnored);
    EXPECT_EQ(game_->State, CThimblesGame::kWaitingForClick);
    for (const auto& cup : game_->Cups)
        EXPECT_EQ(cup->State, CGridCell::kAtRest);
    EXPECT_EQ(game_->OnClick(game_->PlaceX(1) + 41.0f, game_->RestY() + 41.0f),
              CThimblesGame::kCupChosen);
}

TEST_F(ThimblesTest, TenRoundsOfRightAnswersGrowHarder) {
    const int group = 2;
    std::vector<int32_t> swapCounts;
    float lastSwapTime = 1.0f;
    game_->SetUp(1, group);
    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE(round);
        RunUntil(
            *game_, [&] { return game_->State == CThimblesGame::kWaitingForClick; }, 40.0f);
        ASSERT_EQ(game_->State, CThimblesGame::kWaitingForClick);
        swapCounts.push_back(game_->SwapCount);
        EXPECT_LT(game_->SwapTime, lastSwapTime);
        lastSwapTime = game_->SwapTime;
        ASSERT_EQ(ClickPlace(TokenPlace()), CThimblesGame::kCupChosen);
        RunUntil(
            *game_, [&] { return game_->Phase == 1; }, 2.0f);
        BreakTokenCupAndFlyOut();
        EXPECT_EQ(RunFor(*game_, 1.5f), std::vector<int32_t>{CThimblesGame::kCupsGone});
        // Event 9: the next round, until the tenth.
        if (game_->Round < 10) {
            game_->SetUp(game_->Round + 1, group);
            ++game_->Round;
        }
    }
    EXPECT_EQ(game_->Wins, 10);
    EXPECT_EQ(game_->Round, 10);
    EXPECT_EQ(swapCounts, (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(ThimblesTest, WithoutABoardTheGameStillRunsItsStates) {
    CThimblesGame bare;
    bare.SetUp(1, 1);
    EXPECT_TRUE(bare.Cups.empty());
    EXPECT_EQ(bare.Update(kFrame), CThimblesGame::kNothing);
    EXPECT_EQ(bare.State, CThimblesGame::kShowing);
    EXPECT_EQ(bare.OnClick(0.0f, 0.0f), CThimblesGame::kClickIgnored);
    bare.FlyOut();
}

} // namespace
