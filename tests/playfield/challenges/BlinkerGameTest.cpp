// The Reaction challenge played through: the deal, the flashing with its blank
// limit, misses and catches as the play field answers them, the open-card
// index after a caught card was broken, seven catches and the time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ChallengeTestSupport.h"
#include "playfield/BlinkerGame.h"

namespace {

using chtest::ChallengeFixture;
using chtest::kFrame;
using chtest::RunFor;
using chtest::RunUntil;

class BlinkerTest : public ChallengeFixture {
protected:
    void SetUp() override {
        ChallengeFixture::SetUp();
        game_.reset(new CBlinkerGame());
        game_->SoundBank = bank_;
        game_->CreateGrid(caps_);
        game_->SetPlacement(-332.0f, 332.0f, 5.0f, 83.0f, 83.0f, 83.0f, 83.0f);
    }
    void TearDown() override {
        game_.reset();
        ChallengeFixture::TearDown();
    }

    void DealAndStart(int group) {
        game_->SetUp(group);
        RunUntil(
            *game_, [&] { return game_->State == CBlinkerGame::kFlashing; }, 3.0f);
        ASSERT_EQ(game_->State, CBlinkerGame::kFlashing);
    }

    // Waits until a card of the wanted sort flashes fully open.
    bool WaitForOpen(bool token) {
        RunUntil(
            *game_,
            [&] {
                const CSharedPtr<CGridCell> c = game_->OpenCardCell();
                return game_->State == CBlinkerGame::kFlashing &&
                       game_->Phase == CBlinkerGame::kOpen && !c.IsNull() && c->IsOpen() &&
                       CBlinkerGame::IsBlank(*c) != token;
            },
            60.0f);
        const CSharedPtr<CGridCell> c = game_->OpenCardCell();
        return !c.IsNull() && c->IsOpen() && CBlinkerGame::IsBlank(*c) != token;
    }

    // What the play field and the game object do with a catch: the field's
    // answer, then the won card breaks (the first fully open card).
    void AnswerCatch() {
        game_->ConfirmCatch();
        for (size_t i = 0; i < game_->Cards.size(); ++i)
            if (game_->Cards[i]->IsOpen()) {
                EXPECT_GE(game_->Board->RemoveCell(game_->Cards[i]), 0);
                game_->Cards.erase(game_->Cards.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
        ADD_FAILURE() << "no open card to break";
    }

    // A click, and the frames until it is judged; the judgement.
    int32_t ClickAndJudge() {
        game_->OnClick();
        for (int i = 0; i < 30; ++i)
            if (const int32_t r = game_->Update(kFrame); r != CBlinkerGame::kNothing)
                return r;
        return CBlinkerGame::kNothing;
    }
    // Clicks on an open token; the judgement.
    int32_t Catch() { return WaitForOpen(true) ? ClickAndJudge() : -1; }

    std::unique_ptr<CBlinkerGame> game_;
};

TEST_F(BlinkerTest, EighteenCardsTwelveTokensSixBlanksOnASixByThreeGrid) {
    game_->SetUp(1);
    EXPECT_EQ(game_->State, CBlinkerGame::kDealing);
    ASSERT_EQ(game_->Cards.size(), 18u);
    int blanks = 0;
    for (size_t i = 0; i < 18; ++i) {
        const CGridCell& card = *game_->Cards[i];
        const int row = 2 + static_cast<int>(i) / 6, column = 1 + static_cast<int>(i) % 6;
        EXPECT_GE(card.Kind, 0);
        EXPECT_LE(card.Kind, 7);
        blanks += card.Kind == 7;
        EXPECT_FLOAT_EQ(card.X, -332.0f + (column + 0.5f) * 83.0f);
        EXPECT_FLOAT_EQ(card.Y, 332.0f - (row - 10 + 0.5f) * 83.0f);
        EXPECT_EQ(card.State, CGridCell::kFlyingIn);
        EXPECT_EQ(card.GlowLevel, 0);
    }
    EXPECT_EQ(blanks, 6);
    EXPECT_FLOAT_EQ(game_->OpenTime, 0.85f);
    EXPECT_FLOAT_EQ(game_->DarkTime, 0.25f);
    EXPECT_FLOAT_EQ(game_->AfterCatchPause, 1.0f);
    EXPECT_FLOAT_EQ(game_->AfterMissPause, 3.0f);
    EXPECT_FLOAT_EQ(game_->Penalty, 3.0f);
    game_->SetUp(2);
    EXPECT_FLOAT_EQ(game_->OpenTime, 0.75f);
    EXPECT_EQ(ListedSprites(), 36u);

    RunFor(*game_, 1.05f);
    EXPECT_EQ(game_->State, CBlinkerGame::kFlashing);
    EXPECT_EQ(game_->OpenCard, -1);
    EXPECT_EQ(Plays("Drop.wav"), 1);
    EXPECT_FLOAT_EQ(game_->Cards[17]->Y, 332.0f - 4.5f * 83.0f);
}

TEST_F(BlinkerTest, CardsFlashOneAtATimeAndNeverFourBlanksInARow) {
    DealAndStart(1);
    std::vector<int> flashed; // kinds in flash order
    int previousPhase = game_->Phase;
    int open = 0;
    for (float t = 0.0f; t < 120.0f; t += kFrame) {
        game_->Update(kFrame);
        if (game_->Phase == CBlinkerGame::kOpen && previousPhase == CBlinkerGame::kDark)
            flashed.push_back(game_->OpenCardCell()->Kind);
        previousPhase = game_->Phase;
        open = 0;
        for (const auto& c : game_->Cards)
            open += c->GlowLevel > 0;
        ASSERT_LE(open, 1);
    }
    ASSERT_GT(flashed.size(), 80u);
    int run = 0, longest = 0, blanks = 0;
    for (int k : flashed) {
        run = k == CBlinkerGame::kBlankKind ? run + 1 : 0;
        longest = std::max(longest, run);
        blanks += k == CBlinkerGame::kBlankKind;
    }
    EXPECT_LE(longest, 3);
    EXPECT_GT(blanks, 0);
    EXPECT_EQ(Plays("BonusClick.wav"), static_cast<int>(2 * flashed.size()) - (previousPhase == 1));
}

TEST_F(BlinkerTest, AClickInTheDarkIsAMissAndCostsAPause) {
    DealAndStart(1);
    ASSERT_EQ(game_->Phase, CBlinkerGame::kDark);
    EXPECT_EQ(game_->OnClick(), CBlinkerGame::kNothing);
    EXPECT_EQ(game_->State, CBlinkerGame::kJudging);
    EXPECT_EQ(game_->Update(kFrame), CBlinkerGame::kMiss);
    // The field's answer; the game object takes the penalty from the time.
    game_->ConfirmMiss();
    EXPECT_EQ(game_->Penalty, 3.0f);
    EXPECT_TRUE(RunFor(*game_, 2.9f).empty());
    EXPECT_EQ(game_->State, CBlinkerGame::kJudging);
    RunFor(*game_, 0.15f);
    EXPECT_EQ(game_->State, CBlinkerGame::kFlashing);
    EXPECT_EQ(game_->Phase, CBlinkerGame::kDark);
    EXPECT_EQ(game_->OpenCard, -1);
}

TEST_F(BlinkerTest, AClickOnABlankIsAMissAndTheBlankCloses) {
    DealAndStart(1);
    ASSERT_TRUE(WaitForOpen(false));
    EXPECT_EQ(ClickAndJudge(), CBlinkerGame::kMiss);
    game_->ConfirmMiss();
    RunFor(*game_, 3.2f);
    EXPECT_EQ(game_->State, CBlinkerGame::kFlashing);
    // Closed again (or closing), and no card is taken for open.
    for (const auto& c : game_->Cards)
        EXPECT_NE(c->State, CGridCell::kOpening);
}

TEST_F(BlinkerTest, AClickWhileACardTurnsOpenIsJudgedWhenTheTurnEnds) {
    DealAndStart(1);
    RunUntil(
        *game_,
        [&] {
            const CSharedPtr<CGridCell> c = game_->OpenCardCell();
            return !c.IsNull() && c->State == CGridCell::kOpening && !CBlinkerGame::IsBlank(*c);
        },
        60.0f);
    ASSERT_FALSE(game_->OpenCardCell().IsNull());
    game_->OnClick();
    int frames = 0;
    int32_t r = CBlinkerGame::kNothing;
    while (r == CBlinkerGame::kNothing && frames < 60) {
        r = game_->Update(kFrame);
        ++frames;
    }
    EXPECT_EQ(r, CBlinkerGame::kCatch);
    EXPECT_GT(frames, 1);
    EXPECT_TRUE(game_->OpenCardCell()->IsOpen());
    // The judgement stands until the field answers it.
    EXPECT_EQ(game_->Update(kFrame), CBlinkerGame::kCatch);
}

TEST_F(BlinkerTest, ACatchSpeedsUpAndTheBrokenCardLeavesNoOpenIndex) {
    DealAndStart(1);
    ASSERT_EQ(Catch(), CBlinkerGame::kCatch);
    const int32_t caughtIndex = game_->OpenCard;
    ASSERT_GE(caughtIndex, 0);
    AnswerCatch();
    EXPECT_EQ(game_->Catches, 1);
    EXPECT_FLOAT_EQ(game_->OpenTime, 0.85f * 0.95f);
    EXPECT_FLOAT_EQ(game_->DarkTime, 0.25f * 0.98f);
    EXPECT_EQ(game_->Cards.size(), 17u);
    EXPECT_EQ(ListedSprites(), 34u);
    // The card that moved up into the caught card's index is a token: a stale
    // index would turn the next click in the dark into a catch.
    if (static_cast<size_t>(caughtIndex) < game_->Cards.size())
        game_->Cards[caughtIndex]->Kind = 0;

    EXPECT_TRUE(RunFor(*game_, 0.95f).empty());
    EXPECT_EQ(game_->State, CBlinkerGame::kJudging);
    RunFor(*game_, 0.1f);
    ASSERT_EQ(game_->State, CBlinkerGame::kFlashing);
    ASSERT_EQ(game_->Phase, CBlinkerGame::kDark);
    EXPECT_EQ(game_->OpenCard, -1);
    game_->OnClick();
    EXPECT_EQ(game_->Update(kFrame), CBlinkerGame::kMiss);
}

TEST_F(BlinkerTest, SevenCatchesClearTheBoard) {
    DealAndStart(1);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Catch(), CBlinkerGame::kCatch);
        AnswerCatch();
        if (i < 6) {
            RunUntil(
                *game_, [&] { return game_->State == CBlinkerGame::kFlashing; }, 2.0f);
            ASSERT_EQ(game_->OpenCard, -1);
        }
    }
    EXPECT_NEAR(game_->OpenTime, 0.85f * std::pow(0.95f, 7.0f), 1e-5f);
    EXPECT_NEAR(game_->DarkTime, 0.25f * std::pow(0.98f, 7.0f), 1e-5f);
    EXPECT_EQ(game_->Board->CellCount(), 11u);
    // After the last pause the cards fly out; 110 once the board is empty.
    RunUntil(
        *game_, [&] { return game_->State == CBlinkerGame::kClearingAway; }, 1.5f);
    ASSERT_EQ(game_->State, CBlinkerGame::kClearingAway);
    EXPECT_TRUE(game_->Cards.empty());
    std::vector<int32_t> results = RunFor(*game_, 1.5f);
    EXPECT_EQ(results, std::vector<int32_t>{CBlinkerGame::kCardsGone});
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST_F(BlinkerTest, TimeOutWhileFlashingFliesTheCardsAway) {
    DealAndStart(2);
    RunFor(*game_, 2.0f);
    ASSERT_EQ(game_->State, CBlinkerGame::kFlashing);
    // The game object's part when the bonus-level time is up.
    game_->State = CBlinkerGame::kClearingAway;
    game_->Phase = 0;
    game_->FlyOut();
    EXPECT_EQ(game_->OpenCard, -1);
    EXPECT_EQ(game_->OnClick(), CBlinkerGame::kNothing);
    EXPECT_EQ(game_->State, CBlinkerGame::kClearingAway);
    EXPECT_EQ(RunFor(*game_, 1.5f), std::vector<int32_t>{CBlinkerGame::kCardsGone});
    EXPECT_EQ(ListedSprites(), 0u);
}

TEST_F(BlinkerTest, ABoardOfBlanksStillFlashes) {
    DealAndStart(1);
    for (const auto& c : game_->Cards)
        c->Kind = CBlinkerGame::kBlankKind;
    game_->BlanksInARow = 5;
    RunUntil(
        *game_, [&] { return game_->Phase == CBlinkerGame::kOpen; }, 1.0f);
    EXPECT_EQ(game_->Phase, CBlinkerGame::kOpen);
    EXPECT_EQ(game_->BlanksInARow, 6);
}

TEST_F(BlinkerTest, WithoutCardsNothingFlashesAndEveryClickIsAMiss) {
    CBlinkerGame bare;
    bare.SetUp(1);
    EXPECT_TRUE(bare.Cards.empty());
    bare.Update(kFrame);
    EXPECT_EQ(bare.State, CBlinkerGame::kFlashing);
    for (int i = 0; i < 60; ++i)
        bare.Update(kFrame);
    EXPECT_EQ(bare.OpenCard, -1);
    bare.OnClick();
    EXPECT_EQ(bare.Update(kFrame), CBlinkerGame::kMiss);
}

} // namespace
