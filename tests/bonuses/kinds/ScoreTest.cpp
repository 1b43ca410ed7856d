// The score bonus: coins by tier, the coin animation clock, the sparkle that
// follows the coins at its own rate, and the coin burst when fired.
#include <cmath>

#include "KindsTestSupport.h"
#include "bonuses/BonusScore.h"
#include "effects/MultiOriginSystemKeeper.h"
#include "effects/SimpleSpriteSystemKeeper.h"

using namespace kindstest;

namespace {

using ScoreTest = KindsTest;

CBonusScore& AsScore(const CSharedPtr<CBonus>& b) {
    return static_cast<CBonusScore&>(*b);
}

int LiveParticles(const CSharedPtr<CParticleSystem>& s) {
    int n = 0;
    for (const CCollectedParticle2& p : static_cast<CCollection2ParticleSystem&>(*s).Pool)
        n += p.Alive ? 1 : 0;
    return n;
}

TEST_F(ScoreTest, CoinsAndChestByTier) {
    const int32_t coins[6] = {3, 5, 7, 10, 10, 10};
    const int32_t tiers[6] = {0, 1, 2, 3, 4, -1};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(tiers[i]);
        CSharedPtr<CBonus> b = Make(CBonus::kScore, tiers[i], i, 2);
        CBonusScore& s = AsScore(b);
        ASSERT_EQ(s.Sprites.size(), static_cast<size_t>(coins[i]) + 1);
        EXPECT_EQ(s.CoinPhases.size(), static_cast<size_t>(coins[i]));
        // Tiers beyond the four chests of the sheet show the nearest one.
        const int32_t row = std::clamp(tiers[i], 0, 3);
        EXPECT_FLOAT_EQ(s.Sprites[0]->Frames[0].V, (94.0f + 36.0f * row) / 256.0f);
        EXPECT_FLOAT_EQ(s.Sprites[0]->Frames[2].V, (130.0f + 36.0f * row) / 256.0f);
        // Coins start a quarter turn round and spread evenly.
        EXPECT_FLOAT_EQ(s.Sprites[1]->Angle, 3.1415927f / 2.0f);
        EXPECT_EQ(s.Sprites[1]->Frames.size(), 4u * 8u);
    }
}

TEST_F(ScoreTest, CoinPhasesWrapAndFramesStayInRange) {
    CSharedPtr<CBonus> b = Make(CBonus::kScore, 2);
    CBonusScore& s = AsScore(b);
    const float before = s.CoinPhases[0];
    Frame(0.1f);  // three frames at 30 per second
    EXPECT_NEAR(s.CoinPhases[0], std::fmod(before + 3.0f, 8.0f), 1e-4f);
    for (int f = 0; f < 50; ++f) {
        Frame(0.37f);
        for (size_t i = 0; i < s.CoinPhases.size(); ++i) {
            EXPECT_GE(s.CoinPhases[i], 0.0f);
            EXPECT_LT(s.CoinPhases[i], 8.0f);
            EXPECT_EQ(s.Sprites[i + 1]->CurrentFrame,
                      static_cast<int32_t>(std::floor(s.CoinPhases[i])));
        }
    }
}

TEST_F(ScoreTest, SparkleFollowsTheCoinsAtItsOwnRate) {
    CSharedPtr<CBonus> b = Make(CBonus::kScore, 0);
    CBonusScore& s = AsScore(b);
    ASSERT_FALSE(s.Orbit.IsNull());
    const auto& emitters = s.OrbitKeeper->Emitters();
    ASSERT_EQ(emitters.size(), 3u);
    // Sixty sparkles a second for all the coins together; in a quarter of a
    // second none has ended yet, so the live ones are all that started.
    for (int f = 0; f < 15; ++f)
        Frame(1.0f / 60.0f);
    const int started = LiveParticles(s.Orbit);
    EXPECT_GE(started, 10);
    EXPECT_LE(started, 22);
    // The origins turn with the coins.
    const float r = b->Scale * g_bonusParams.Score.CoinOrbitRadius;
    const float angle = s.Sprites[1]->Angle;
    EXPECT_NEAR(emitters[0].Offset.X, std::cos(angle) * r, 1e-3f);
    EXPECT_NEAR(emitters[0].Offset.Y, std::sin(angle) * r, 1e-3f);
    const float next = angle + 2.0f * 3.1415927f / 3.0f;
    EXPECT_NEAR(emitters[1].Offset.X, std::cos(next) * r, 1e-3f);
}

TEST_F(ScoreTest, FiringBurstsTheCoinsAndReportsTheTier) {
    CSharedPtr<CBonus> b = Make(CBonus::kScore, 1);
    CSharedPtr<CParticleSystem> orbit = AsScore(b).Orbit;
    b->Fire();
    EXPECT_EQ(Codes(b->Events), (std::vector<int32_t>{CBonusEvent::kScoreFired}));
    EXPECT_EQ(b->Events[0].A, 1);
    EXPECT_TRUE(AsScore(b).Orbit.IsNull());
    EXPECT_TRUE(EmissionEnded(*orbit));
    // The burst: one falling coin per coin of the ring, in a system of 20.
    ASSERT_EQ(particles1->BlendedSystems().size(), 2u);
    CCollection2ParticleSystem* burst = nullptr;
    CSimpleSpriteSystemKeeper* keeper = nullptr;
    for (const auto& system : particles1->BlendedSystems()) {
        auto* c = dynamic_cast<CCollection2ParticleSystem*>(system.Get());
        if (c && dynamic_cast<CSimpleSpriteSystemKeeper*>(c->Keeper.Get())) {
            burst = c;
            keeper = static_cast<CSimpleSpriteSystemKeeper*>(c->Keeper.Get());
        }
    }
    ASSERT_NE(burst, nullptr);
    EXPECT_EQ(keeper->Sprites().size(), 5u);
    EXPECT_EQ(burst->Capacity, 20);

    Frame(0.02f);
    EXPECT_TRUE(Listed(b));
    Frame(0.02f);
    EXPECT_FALSE(Listed(b));
    Frame(0.02f);
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
}

TEST_F(ScoreTest, HideShowAndLayerFlagRebuildTheSparkle) {
    CSharedPtr<CBonus> b = Make(CBonus::kScore, 0);
    CSharedPtr<CParticleSystem> first = AsScore(b).Orbit;
    b->Hide();
    EXPECT_TRUE(AsScore(b).Orbit.IsNull());
    EXPECT_TRUE(EmissionEnded(*first));
    EXPECT_EQ(sprite1->GetDrawn().size(), 0u);
    b->Show();
    ASSERT_FALSE(AsScore(b).Orbit.IsNull());
    EXPECT_EQ(AsScore(b).Orbit->Capacity, 120);
    EXPECT_EQ(sprite1->GetDrawn().size(), 4u);
    b->SetLayerFlag(0);
    EXPECT_EQ(SpriteCount(*sprite3), 4u);
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
    EXPECT_EQ(particles2->BlendedSystems().size(), 1u);
    // Made for the upper layers from the start.
    CSharedPtr<CBonus> upper = Make(CBonus::kScore, 0, 5, 5, 1);
    EXPECT_EQ(SpriteCount(*sprite3), 8u);
    EXPECT_EQ(particles2->BlendedSystems().size(), 2u);
}

} // namespace
