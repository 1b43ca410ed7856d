// The won pieces of the card challenges breaking on the field.
#include "RulesDriver.h"
#include "playfield/BlinkerGame.h"
#include "playfield/MemoryGame.h"
#include "playfield/ThimblesGame.h"

namespace rulestest {
namespace {

class ResultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(3);
        d.ClearSounds();
    }

    template <class Game> CSharedPtr<Game> Make() {
        CPlayField& f = d.Field();
        CSharedPtr<Game> game(new Game());
        game->CreateGrid(f.CapsManager);
        game->SetPlacement(f.Origin[0], f.Origin[1], f.Origin[2], f.CellWidth, f.CellWidth,
                           f.CellWidth, f.CellHeight);
        return game;
    }

    size_t SystemsA() { return RulesDriver::Systems(d.Field().ParticlesA); }
    size_t SystemsB() { return RulesDriver::Systems(d.Field().ParticlesB); }
    size_t Grains() { return d.Sandbox()->Grains.size(); }

    RulesDriver d;
};

TEST_F(ResultsTest, AClosedTokenCupBreaksNothing) {
    CPlayField& f = d.Field();
    CSharedPtr<CThimblesGame> game = Make<CThimblesGame>();
    game->SetUp(1, 1);
    f.Thimbles = game;
    game->Cup(CThimblesGame::kTokenCup)->SetGlowLevel(0);
    f.SpawnThimblesEffects(0.13f);
    EXPECT_EQ(game->CardsOnBoard(), 3u);
    EXPECT_EQ(Grains(), 0u);
    EXPECT_EQ(SystemsA() + SystemsB(), 0u);
    EXPECT_EQ(d.AllPlays(), 0);
    // No game at all: nothing either.
    f.Thimbles = CSharedPtr<CThimblesGame>();
    f.SpawnThimblesEffects(0.13f);
    f.SpawnBlinkerEffects(0.088f);
    f.SpawnMemoryEffects(0.13f);
    EXPECT_EQ(d.AllPlays(), 0);
}

TEST_F(ResultsTest, TheOpenTokenCupShattersAndDropsItsSand) {
    CPlayField& f = d.Field();
    CSharedPtr<CThimblesGame> game = Make<CThimblesGame>();
    game->SetUp(1, 1);
    f.Thimbles = game;
    const CSharedPtr<CGridCell> cup = game->Cup(CThimblesGame::kTokenCup);
    const CSharedPtr<CGridCell> other = game->Cup(2);
    ASSERT_TRUE(cup->IsOpen());

    f.SpawnThimblesEffects(0.13f);
    EXPECT_EQ(game->CardsOnBoard(), 2u);
    EXPECT_TRUE(game->Cup(CThimblesGame::kTokenCup).IsNull());
    EXPECT_TRUE(game->Cup(2) == other); // the other cups keep their numbers
    EXPECT_TRUE(cup->HighSprite.IsNull() || f.CapsManager->ReleaseCap(cup->HighSprite) == -1);
    ASSERT_EQ(Grains(), 1u);
    EXPECT_FLOAT_EQ(d.Sandbox()->Grains[0].Amount, 0.13f);
    EXPECT_EQ(SystemsA(), 1u); // the shatter
    EXPECT_EQ(SystemsB(), 2u); // the sand and its dust
    EXPECT_EQ(d.Plays("Explode.wav"), 1);
    EXPECT_EQ(d.AllPlays(), 1);

    // Broken once: a second call finds no cup.
    f.SpawnThimblesEffects(0.13f);
    EXPECT_EQ(d.AllPlays(), 1);
    // The round can still fly the rest away.
    game->FlyOut();
    for (int i = 0; i < 120; ++i)
        game->Update(RulesDriver::kDt);
    EXPECT_EQ(game->CardsOnBoard(), 0u);
}

TEST_F(ResultsTest, TheFirstCaughtCardBreaksOnePerCall) {
    CPlayField& f = d.Field();
    CSharedPtr<CBlinkerGame> game = Make<CBlinkerGame>();
    game->SetUp(1);
    f.Blinker = game;
    ASSERT_EQ(game->Cards.size(), 18u);
    f.SpawnBlinkerEffects(0.088f);
    EXPECT_EQ(game->Cards.size(), 18u); // nothing open yet

    const CSharedPtr<CGridCell> first = game->Cards[3];
    const CSharedPtr<CGridCell> second = game->Cards[9];
    first->SetGlowLevel(CGridCell::kOpenLevel);
    second->SetGlowLevel(CGridCell::kOpenLevel);
    game->OpenCard = 9;
    f.SpawnBlinkerEffects(0.088f);
    ASSERT_EQ(game->Cards.size(), 17u);
    EXPECT_TRUE(std::find(game->Cards.begin(), game->Cards.end(), first) == game->Cards.end());
    EXPECT_TRUE(game->Cards[8] == second);
    EXPECT_TRUE(game->OpenCardCell() == second);
    EXPECT_EQ(game->CardsOnBoard(), 17u);
    EXPECT_EQ(Grains(), 1u);
    EXPECT_EQ(d.Plays("Explode.wav"), 1);

    f.SpawnBlinkerEffects(0.088f);
    EXPECT_EQ(game->Cards.size(), 16u);
    EXPECT_EQ(game->OpenCard, -1);
    EXPECT_EQ(Grains(), 2u);
    EXPECT_EQ(d.Plays("Explode.wav"), 2);
}

TEST_F(ResultsTest, EveryMatchedMemoryCardBreaksWithOneSound) {
    CPlayField& f = d.Field();
    CSharedPtr<CMemoryGame> game = Make<CMemoryGame>();
    game->SetUp(1);
    f.Memory = game;
    const size_t cards = game->CardsOnBoard();
    ASSERT_GE(cards, 4u);

    f.SpawnMemoryEffects(0.13f);
    EXPECT_EQ(game->CardsOnBoard(), cards);
    EXPECT_EQ(d.AllPlays(), 0);
    EXPECT_EQ(game->BrokenCards, 0);

    // Mark three cards matched, wherever cards lie.
    int marked = 0;
    for (size_t r = 0; r < game->Cards.size() && marked < 3; ++r)
        for (size_t c = 0; c < game->Cards[r].size() && marked < 3; ++c)
            if (!game->Cards[r][c].IsNull()) {
                game->Matched[r][c] = 1;
                ++marked;
            }
    ASSERT_EQ(marked, 3);
    f.SpawnMemoryEffects(0.13f);
    EXPECT_EQ(game->CardsOnBoard(), cards - 3);
    EXPECT_EQ(game->BrokenCards, 3);
    EXPECT_EQ(Grains(), 3u);
    EXPECT_EQ(SystemsA(), 6u); // shatter and sand of each card
    EXPECT_EQ(SystemsB(), 3u); // the dust trails
    EXPECT_EQ(d.Plays("Explode.wav"), 1);
    EXPECT_EQ(d.AllPlays(), 1);

    // Broken cards are gone from the arrangement: nothing breaks twice.
    f.SpawnMemoryEffects(0.13f);
    EXPECT_EQ(game->BrokenCards, 3);
    EXPECT_EQ(d.AllPlays(), 1);
}

TEST_F(ResultsTest, ARaggedMemoryArrangementIsWalkedSafely) {
    CPlayField& f = d.Field();
    CSharedPtr<CMemoryGame> game = Make<CMemoryGame>();
    game->SetUp(1);
    f.Memory = game;
    // Matched flags shorter than the cards, and flags without cards.
    game->Matched.resize(1);
    game->Matched[0].assign(2, 1);
    game->Matched.push_back(std::vector<int32_t>(40, 1));
    int32_t expected = 0;
    for (size_t c = 0; c < 2 && c < game->Cards[0].size(); ++c)
        expected += game->Cards[0][c].IsNull() ? 0 : 1;
    if (game->Cards.size() > 1)
        for (const auto& card : game->Cards[1])
            expected += card.IsNull() ? 0 : 1;
    f.SpawnMemoryEffects(0.13f);
    EXPECT_EQ(game->BrokenCards, expected);
}

} // namespace
} // namespace rulestest
