// The Memory challenge played through: dealing the six boards, turning pairs
// and mismatches, the refused clicks, the last pair, the three rounds of a bonus
// level as the game object drives them, and the time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "ChallengeTestSupport.h"
#include "playfield/MemoryGame.h"

namespace {

using chtest::ChallengeFixture;
using chtest::kFrame;
using chtest::RunFor;
using chtest::RunUntil;

struct Place {
    int32_t column, row;
};

class MemoryTest : public ChallengeFixture {
protected:
    void SetUp() override {
        ChallengeFixture::SetUp();
        game_.reset(new CMemoryGame());
        game_->SoundBank = bank_;
        game_->CreateGrid(caps_);
        // As the launcher passes the field's geometry.
        game_->SetPlacement(-332.0f, 332.0f, 5.0f, 83.0f, 83.0f, 83.0f, 83.0f);
        game_->Round = 1;
    }
    void TearDown() override {
        game_.reset();
        ChallengeFixture::TearDown();
    }

    // Lays out the board and lets the cards land.
    void Deal(int kind) {
        game_->SetUp(kind);
        RunUntil(
            *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 3.0f);
        ASSERT_EQ(game_->State, CMemoryGame::kWaitingForClick);
    }

    float ClickX(int32_t column) const {
        return game_->OriginX + (game_->ColumnOrigin + column + 0.5f) * game_->CellWidth;
    }
    float ClickY(int32_t row) const {
        return game_->OriginY - (game_->RowOrigin + row + 0.5f) * game_->CellHeight;
    }
    int32_t Click(Place p) { return game_->OnClick(ClickX(p.column), ClickY(p.row)); }

    std::vector<Place> OpenPlaces() const {
        std::vector<Place> out;
        for (int32_t r = 0; r < game_->Rows; ++r)
            for (int32_t c = 0; c < game_->Columns; ++c)
                if (!game_->CardAt(c, r).IsNull() && !game_->IsMatched(c, r))
                    out.push_back({c, r});
        return out;
    }
    int32_t KindAt(Place p) const { return game_->CardAt(p.column, p.row)->Kind; }

    // Two unmatched places with the same picture (first = second when none).
    std::pair<Place, Place> FindPair() const {
        const std::vector<Place> open = OpenPlaces();
        for (size_t i = 0; i < open.size(); ++i)
            for (size_t j = i + 1; j < open.size(); ++j)
                if (KindAt(open[i]) == KindAt(open[j]))
                    return {open[i], open[j]};
        return {Place{-1, -1}, Place{-1, -1}};
    }
    std::pair<Place, Place> FindMismatch() const {
        const std::vector<Place> open = OpenPlaces();
        for (size_t j = 1; j < open.size(); ++j)
            if (KindAt(open[0]) != KindAt(open[j]))
                return {open[0], open[j]};
        return {Place{-1, -1}, Place{-1, -1}};
    }

    // Opens both cards of a pair; the results of the frames until the game
    // waits again (or reports the last pair).
    std::vector<int32_t> PlayPair() {
        const auto [a, b] = FindPair();
        EXPECT_EQ(Click(a), CMemoryGame::kCardTurned);
        RunUntil(
            *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 1.0f);
        EXPECT_EQ(Click(b), CMemoryGame::kCardTurned);
        std::vector<int32_t> results;
        for (int i = 0; i < 120; ++i) {
            const int32_t r = game_->Update(kFrame);
            if (r != CMemoryGame::kNothing)
                results.push_back(r);
            if (r == CMemoryGame::kLastPairFound || game_->State == CMemoryGame::kWaitingForClick)
                break;
        }
        return results;
    }

    std::unique_ptr<CMemoryGame> game_;
};

TEST_F(MemoryTest, EverySizeKindDealsItsShapeWithTheRightPictureCounts) {
    struct Expected {
        int kind, columns, rows, cards;
        std::map<int, int> pictures;
    };
    const Expected table[] = {
        {1, 4, 3, 12, {{0, 4}, {1, 4}, {2, 4}}},
        {2, 6, 3, 18, {{0, 4}, {1, 4}, {2, 4}, {3, 6}}},
        {3, 6, 6, 28, {{0, 6}, {1, 6}, {2, 6}, {3, 6}, {4, 4}}},
        {4, 6, 4, 16, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}},
        {5, 8, 4, 18, {{0, 4}, {1, 4}, {2, 4}, {3, 6}}},
        {6, 8, 5, 28, {{0, 6}, {1, 6}, {2, 6}, {3, 6}, {4, 4}}},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.kind);
        game_->SetUp(e.kind);
        EXPECT_EQ(game_->State, CMemoryGame::kDealing);
        EXPECT_EQ(game_->Columns, e.columns);
        EXPECT_EQ(game_->Rows, e.rows);
        ASSERT_EQ(game_->Cards.size(), static_cast<size_t>(e.rows));
        std::map<int, int> pictures;
        int cards = 0;
        for (int32_t r = 0; r < e.rows; ++r) {
            ASSERT_EQ(game_->Cards[r].size(), static_cast<size_t>(e.columns));
            for (int32_t c = 0; c < e.columns; ++c) {
                const CSharedPtr<CGridCell> card = game_->CardAt(c, r);
                if (card.IsNull())
                    continue;
                ++cards;
                ++pictures[card->Kind];
                EXPECT_EQ(card->State, CGridCell::kFlyingIn);
                EXPECT_EQ(card->GlowLevel, 0);
                // Each card drops from ten rows above its place.
                EXPECT_FLOAT_EQ(card->X, ClickX(c));
                EXPECT_FLOAT_EQ(card->Y, ClickY(r) + 10.0f * game_->CellHeight);
                EXPECT_EQ(card->Z, 5.0f);
            }
        }
        EXPECT_EQ(cards, e.cards);
        EXPECT_EQ(pictures, e.pictures);
        EXPECT_EQ(game_->Board->CellCount(), static_cast<size_t>(e.cards));
        EXPECT_EQ(ListedSprites(), 2u * e.cards); // the last round's cards are gone
    }
}

TEST_F(MemoryTest, TheIrregularBoardsHaveTheirHoles) {
    auto shape = [&] {
        std::vector<std::string> rows;
        for (int32_t r = 0; r < game_->Rows; ++r) {
            std::string row;
            for (int32_t c = 0; c < game_->Columns; ++c)
                row += game_->CardAt(c, r).IsNull() ? '.' : 'X';
            rows.push_back(row);
        }
        return rows;
    };
    game_->SetUp(3);
    EXPECT_EQ(shape(), (std::vector<std::string>{".XXXX.", "XXXXXX", "X.XX.X", "XXXXXX", "XX..XX",
                                                 ".XXXX."}));
    EXPECT_EQ(game_->ColumnOrigin, 1);
    EXPECT_EQ(game_->RowOrigin, 2);
    game_->SetUp(6);
    EXPECT_EQ(shape(), (std::vector<std::string>{"...XX...", ".XXXXX.X", "X.XXXXXX", "XXXXXXXX",
                                                 ".XXXX..X"}));
    EXPECT_EQ(game_->ColumnOrigin, 0);
    EXPECT_EQ(game_->RowOrigin, 3);
}

TEST_F(MemoryTest, DealingEndsWhenEveryCardHasLanded) {
    game_->SetUp(1);
    RunFor(*game_, 0.9f);
    EXPECT_EQ(game_->State, CMemoryGame::kDealing);
    EXPECT_EQ(game_->OnClick(ClickX(0), ClickY(0)), CMemoryGame::kClickIgnored);
    EXPECT_EQ(Plays("Drop.wav"), 0);
    RunFor(*game_, 0.2f);
    EXPECT_EQ(game_->State, CMemoryGame::kWaitingForClick);
    EXPECT_EQ(Plays("Drop.wav"), 1);
    EXPECT_FLOAT_EQ(game_->CardAt(3, 2)->Y, ClickY(2));
}

TEST_F(MemoryTest, APairStaysOpenScoresAndLeavesTheGameWaiting) {
    Deal(2);
    const auto [a, b] = FindPair();
    ASSERT_EQ(Click(a), CMemoryGame::kCardTurned);
    EXPECT_EQ(game_->State, CMemoryGame::kTurning);
    EXPECT_EQ(Plays("BonusClick.wav"), 1);
    // While the card turns, clicks are ignored.
    EXPECT_EQ(Click(b), CMemoryGame::kClickIgnored);
    RunUntil(
        *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 1.0f);
    EXPECT_TRUE(game_->CardAt(a.column, a.row)->IsOpen());
    EXPECT_EQ(game_->FirstColumn, a.column);

    ASSERT_EQ(Click(b), CMemoryGame::kCardTurned);
    std::vector<int32_t> results = RunUntil(
        *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 1.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CMemoryGame::kPairFound});
    EXPECT_TRUE(game_->IsMatched(a.column, a.row));
    EXPECT_TRUE(game_->IsMatched(b.column, b.row));
    EXPECT_EQ(game_->FirstColumn, -1);
    EXPECT_EQ(game_->SecondColumn, -1);
    EXPECT_EQ(Plays("GoodClick.wav"), 1);
    // The second card first, then the first.
    EXPECT_FLOAT_EQ(game_->PairPosition[0], ClickX(b.column));
    EXPECT_FLOAT_EQ(game_->PairPosition[1], ClickY(b.row));
    EXPECT_FLOAT_EQ(game_->PairPosition[2], ClickX(a.column));
    EXPECT_FLOAT_EQ(game_->PairPosition[3], ClickY(a.row));
    // Matched cards stay open and refuse clicks with the wrong-click sound.
    RunFor(*game_, 1.0f);
    EXPECT_TRUE(game_->CardAt(a.column, a.row)->IsOpen());
    EXPECT_EQ(Click(a), CMemoryGame::kClickRefused);
    EXPECT_EQ(Plays("Wrong.wav"), 1);
    EXPECT_EQ(game_->State, CMemoryGame::kWaitingForClick);
}

TEST_F(MemoryTest, AMismatchTurnsBackAfterHalfASecond) {
    Deal(1);
    const auto [a, b] = FindMismatch();
    ASSERT_EQ(Click(a), CMemoryGame::kCardTurned);
    // The open card refuses a second click; the turn is unchanged.
    RunUntil(
        *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 1.0f);
    EXPECT_EQ(Click(a), CMemoryGame::kClickRefused);
    EXPECT_EQ(Plays("Wrong.wav"), 1);
    EXPECT_EQ(game_->FirstColumn, a.column);
    EXPECT_EQ(game_->SecondColumn, -1);

    ASSERT_EQ(Click(b), CMemoryGame::kCardTurned);
    RunUntil(
        *game_, [&] { return game_->Phase == CMemoryGame::kShowingMismatch; }, 1.0f);
    ASSERT_EQ(game_->Phase, CMemoryGame::kShowingMismatch);
    // Shown for the close delay: 0.5 s (30 frames of 1/60 s, give or take one).
    int frames = 0;
    int32_t r = CMemoryGame::kNothing;
    while (r == CMemoryGame::kNothing && frames < 100) {
        EXPECT_EQ(Click(a), CMemoryGame::kClickIgnored);
        r = game_->Update(kFrame);
        ++frames;
    }
    EXPECT_EQ(r, CMemoryGame::kMismatchClosing);
    EXPECT_NEAR(frames, 30, 1);
    EXPECT_EQ(game_->Phase, CMemoryGame::kClosing);
    EXPECT_EQ(game_->CardAt(a.column, a.row)->State, CGridCell::kClosing);
    EXPECT_EQ(game_->CardAt(b.column, b.row)->State, CGridCell::kClosing);
    // Both close; only then does the board take clicks again.
    EXPECT_EQ(Click(a), CMemoryGame::kClickIgnored);
    RunUntil(
        *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 1.0f);
    EXPECT_EQ(game_->CardAt(a.column, a.row)->GlowLevel, 0);
    EXPECT_EQ(game_->CardAt(b.column, b.row)->GlowLevel, 0);
    EXPECT_FALSE(game_->IsMatched(a.column, a.row));
    EXPECT_EQ(Click(a), CMemoryGame::kCardTurned);
}

TEST_F(MemoryTest, TheLastPairReportsTheSolvedBoardWithoutTheGoodSound) {
    Deal(1);
    std::vector<int32_t> all;
    for (int pair = 0; pair < 6; ++pair) {
        const std::vector<int32_t> r = PlayPair();
        all.insert(all.end(), r.begin(), r.end());
    }
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(std::count(all.begin(), all.end(), CMemoryGame::kPairFound), 5);
    EXPECT_EQ(all.back(), CMemoryGame::kLastPairFound);
    EXPECT_EQ(Plays("GoodClick.wav"), 5);
    EXPECT_EQ(game_->State, CMemoryGame::kTurning);
    // Without FlyOut the next frame returns to waiting; nothing is left to click.
    EXPECT_EQ(game_->Update(kFrame), CMemoryGame::kNothing);
    EXPECT_EQ(game_->State, CMemoryGame::kWaitingForClick);
    EXPECT_TRUE(OpenPlaces().empty());
}

TEST_F(MemoryTest, ClicksOffTheBoardOrOnHolesAreIgnored) {
    Deal(3); // column origin 1, row origin 2; (0, 0) is a hole
    EXPECT_EQ(Click({0, 0}), CMemoryGame::kClickIgnored);
    EXPECT_EQ(Click({-1, 2}), CMemoryGame::kClickIgnored);
    EXPECT_EQ(Click({6, 2}), CMemoryGame::kClickIgnored);
    EXPECT_EQ(Click({2, 6}), CMemoryGame::kClickIgnored);
    EXPECT_EQ(game_->OnClick(1.0e30f, -1.0e30f), CMemoryGame::kClickIgnored);
    EXPECT_EQ(game_->OnClick(std::nanf(""), 0.0f), CMemoryGame::kClickIgnored);
    EXPECT_EQ(Plays("Wrong.wav"), 0);
    EXPECT_EQ(game_->State, CMemoryGame::kWaitingForClick);
}

TEST_F(MemoryTest, AClickJustLeftOfTheAreaCountsAsItsFirstColumn) {
    Deal(5); // column origin 0; the bottom row is full
    const float x = game_->OriginX - 0.5f * game_->CellWidth;
    EXPECT_EQ(game_->OnClick(x, ClickY(3)), CMemoryGame::kCardTurned);
    EXPECT_EQ(game_->FirstColumn, 0);
    EXPECT_EQ(game_->FirstRow, 3);
}

TEST_F(MemoryTest, ABonusLevelIsThreeRoundsOfGrowingBoards) {
    // The game object's part: SetUp(3g + round - 2) after each cleared board.
    const int group = 1;
    game_->SetUp(3 * group - 2);
    std::vector<int> kinds;
    int roundsOver = 0;
    for (int guard = 0; guard < 5 && roundsOver < 3; ++guard) {
        RunUntil(
            *game_, [&] { return game_->State == CMemoryGame::kWaitingForClick; }, 3.0f);
        kinds.push_back(static_cast<int>(game_->Board->CellCount()));
        std::vector<int32_t> last;
        while (!OpenPlaces().empty())
            last = PlayPair();
        ASSERT_FALSE(last.empty());
        EXPECT_EQ(last.back(), CMemoryGame::kLastPairFound);
        game_->FlyOut(); // event 8
        EXPECT_EQ(game_->State, CMemoryGame::kClearingAway);
        std::vector<int32_t> results = RunFor(*game_, 1.5f);
        EXPECT_EQ(results, std::vector<int32_t>{CMemoryGame::kBoardCleared}); // event 9, once
        EXPECT_EQ(ListedSprites(), 0u);
        ++roundsOver;
        if (game_->Round < 3) {
            game_->SetUp(3 * group + game_->Round - 2);
            ++game_->Round;
        }
    }
    EXPECT_EQ(roundsOver, 3);
    EXPECT_EQ(game_->Round, 3);
    EXPECT_EQ(kinds, (std::vector<int>{12, 18, 28}));
}

TEST_F(MemoryTest, TimeOutFliesTheCardsAwayAndEndsTheRound) {
    Deal(4);
    PlayPair();
    const auto [a, b] = FindMismatch();
    Click(a);
    RunFor(*game_, 0.1f); // a card is still turning when the time runs out
    game_->FlyOut();
    EXPECT_EQ(game_->State, CMemoryGame::kClearingAway);
    EXPECT_EQ(Click(b), CMemoryGame::kClickIgnored);
    for (const auto& row : game_->Cards)
        for (const auto& card : row)
            EXPECT_TRUE(card.IsNull());
    std::vector<int32_t> results = RunFor(*game_, 2.0f);
    EXPECT_EQ(results, std::vector<int32_t>{CMemoryGame::kBoardCleared});
    EXPECT_EQ(game_->Board->CellCount(), 0u);
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST_F(MemoryTest, CardsTakenOffByTheFieldDoNotFlyOut) {
    Deal(1);
    PlayPair();
    // What the field's memory effects do with a matched card.
    int broken = 0;
    for (int32_t r = 0; r < game_->Rows; ++r)
        for (int32_t c = 0; c < game_->Columns; ++c)
            if (game_->IsMatched(c, r) && !game_->CardAt(c, r).IsNull()) {
                EXPECT_GE(game_->Board->RemoveCell(game_->CardAt(c, r)), 0);
                game_->Cards[r][c] = CSharedPtr<CGridCell>();
                ++game_->BrokenCards;
                ++broken;
            }
    EXPECT_EQ(broken, 2);
    EXPECT_EQ(ListedSprites(), 20u);
    game_->FlyOut();
    EXPECT_EQ(RunFor(*game_, 1.5f), std::vector<int32_t>{CMemoryGame::kBoardCleared});
}

TEST_F(MemoryTest, ANewRoundClearsWhatIsLeftOfTheOldOne) {
    Deal(2);
    game_->FlyOut();
    RunFor(*game_, 0.3f); // still in the air
    game_->SetUp(3);
    EXPECT_EQ(game_->Board->CellCount(), 28u);
    EXPECT_EQ(ListedSprites(), 56u);
    game_.reset();
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST_F(MemoryTest, WithoutABoardOrSoundTheGameStillRuns) {
    CMemoryGame bare;
    bare.SetUp(1);
    EXPECT_EQ(bare.State, CMemoryGame::kDealing);
    EXPECT_EQ(bare.Update(kFrame), CMemoryGame::kNothing);
    EXPECT_EQ(bare.State, CMemoryGame::kWaitingForClick); // no card to wait for
    EXPECT_EQ(bare.OnClick(0.0f, 0.0f), CMemoryGame::kClickIgnored);
    bare.FlyOut();
    EXPECT_EQ(bare.Update(kFrame), CMemoryGame::kBoardCleared);
}

} // namespace
