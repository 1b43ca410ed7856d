// The Accuracy challenge played through: the launch rhythm, a token's flight
// and trail, hits and the flight into the slots, the last slot, the time-out,
// and a game without a sprite layer or particle manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ChallengeTestSupport.h"
#include "effects/ParticleSystem.h"
#include "engine/SpriteQuad.h"
#include "playfield/ArcadeGame.h"

namespace {

using chtest::ChallengeFixture;
using chtest::kFrame;
using chtest::RunFor;
using chtest::RunUntil;

constexpr float kRowX = -180.5f, kRowY = -342.5f, kZ = 4.0f;

class ArcadeTest : public ChallengeFixture {
protected:
    void SetUp() override {
        ChallengeFixture::SetUp();
        layer_ = MakeSpriteLayer();
        particles_ = MakeParticles();
        tokenTexture_ = device->CreateTargetTexture("Token", 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                                    gpu::Pool::Managed);
        game_.reset(new CArcadeGame());
        game_->SetTextures(layer_, particles_, tokenTexture_, tokenTexture_);
        game_->SoundBank = bank_;
        game_->SetResources(512.0f, 200.0f, kZ, 640.0f, 500.0f, kRowX, kRowY, kZ, 32.0f, 32.0f, 19);
    }
    void TearDown() override {
        game_.reset();
        layer_ = CSharedPtr<CSpriteLayer>();
        particles_ = CSharedPtr<CParticleSystemsManager>();
        tokenTexture_ = CSharedPtr<CTexture>();
        ChallengeFixture::TearDown();
    }

    // Frames of the game and of the particle manager, as the game object runs them.
    std::vector<int32_t> Frames(float seconds) {
        std::vector<int32_t> results;
        for (float t = 0.0f; t < seconds; t += kFrame) {
            particles_->Update(kFrame);
            if (const int32_t r = game_->Update(kFrame); r != CArcadeGame::kNothing)
                results.push_back(r);
        }
        return results;
    }

    size_t Flying() const {
        return static_cast<size_t>(std::count_if(
            game_->Tokens.begin(), game_->Tokens.end(),
            [](const CSharedPtr<CArcadeItem>& t) { return t->State == CArcadeItem::kFlying; }));
    }
    size_t LayerSprites() const { return layer_->GetDrawn().size() + layer_->GetParked().size(); }
    int32_t ClickOn(const CArcadeItem& token) {
        return game_->OnClick(token.Sprite->Position.X, token.Sprite->Position.Y);
    }

    CSharedPtr<CSpriteLayer> layer_;
    CSharedPtr<CParticleSystemsManager> particles_;
    CSharedPtr<CTexture> tokenTexture_;
    std::unique_ptr<CArcadeGame> game_;
};

TEST_F(ArcadeTest, StartSetsTheRhythmAndSpeedOfTheGroup) {
    EXPECT_EQ(game_->State, CArcadeGame::kIdle);
    EXPECT_EQ(game_->Update(1.5f), CArcadeGame::kNothing);
    EXPECT_TRUE(game_->Tokens.empty());
    game_->Start(2);
    EXPECT_EQ(game_->State, CArcadeGame::kLaunching);
    EXPECT_FLOAT_EQ(game_->Speed, 275.0f);
    game_->Start(1);
    EXPECT_FLOAT_EQ(game_->Speed, 175.0f);
    EXPECT_FLOAT_EQ(game_->LaunchPeriod, 1.0f);
    EXPECT_EQ(game_->Hits, 0);
    EXPECT_EQ(game_->Launched, 0);
}

TEST_F(ArcadeTest, TheFirstTokenLeavesOneSecondAfterStartAndTheRestFollow) {
    game_->Start(1);
    game_->Update(0.5f);
    game_->Update(0.49f);
    EXPECT_TRUE(game_->Tokens.empty());
    EXPECT_EQ(game_->Launched, 0);
    game_->Update(0.02f);
    ASSERT_EQ(game_->Tokens.size(), 1u);
    EXPECT_EQ(game_->Launched, 1);
    EXPECT_NEAR(game_->LaunchTimer, 0.01f, 1e-5f);
    // One launch a second whatever the player does (the first ones are
    // still in the air: a flight takes at least two seconds at this speed).
    int launches = 1;
    for (float t = 0.0f; t < 1.5f; t += kFrame) {
        const size_t before = game_->Tokens.size();
        game_->Update(kFrame);
        launches += game_->Tokens.size() > before;
    }
    EXPECT_EQ(launches, 2);
    EXPECT_EQ(LayerSprites(), 2u);
}

TEST_F(ArcadeTest, ATokenSwingsOutOnAParabolaAndComesBackToTheEdge) {
    game_->Start(1);
    game_->Update(0.999f);
    game_->Update(0.001f);
    ASSERT_EQ(game_->Tokens.size(), 1u);
    game_->LaunchPeriod = 1000.0f; // this test follows one token alone
    CSharedPtr<CArcadeItem> token = game_->Tokens[0];
    const CSpriteQuad& sprite = *token->Sprite;
    const float edge = 512.0f + 64.0f;
    EXPECT_EQ(token->C, edge);
    EXPECT_NEAR(sprite.Position.X, edge, 1.0f);
    EXPECT_LE(sprite.Position.Y, 200.0f);
    EXPECT_GE(sprite.Position.Y, -300.0f);
    EXPECT_EQ(sprite.Position.Z, kZ);
    EXPECT_EQ(sprite.Width, 64.0f);
    EXPECT_EQ(sprite.PackedColour, CArcadeGame::kTokenColour);
    EXPECT_EQ(sprite.DestBlend, gpu::Blend::One);
    EXPECT_EQ(sprite.SpinOn, 1);
    EXPECT_GE(std::fabs(sprite.SpinSpeed), 0.75f * 1.5707964f - 1e-4f);
    EXPECT_LE(std::fabs(sprite.SpinSpeed), 1.25f * 1.5707964f + 1e-4f);
    EXPECT_FLOAT_EQ(sprite.Frames[0].U, 0.0f);
    EXPECT_FLOAT_EQ(sprite.Frames[0].V, 0.75f);
    EXPECT_FLOAT_EQ(sprite.Frames[2].U, 0.25f);
    EXPECT_FLOAT_EQ(sprite.Frames[2].V, 1.0f);
    ASSERT_FALSE(token->Trail.IsNull());
    CSharedPtr<CParticleSystem> trail = token->Trail;

    // Farthest left at half time, between 0.7 and 1.0 area widths from the edge.
    const float T = token->Duration;
    const float leaveY = token->F, returnY = token->YAt(T);
    EXPECT_NEAR(token->XAt(T), edge, 1e-2f);
    EXPECT_LE(token->XAt(T * 0.5f), 512.0f - 0.7f * 640.0f + 1e-2f);
    EXPECT_GE(token->XAt(T * 0.5f), 512.0f - 640.0f - 1e-2f);
    EXPECT_LT(token->XAt(T * 0.5f), token->XAt(T * 0.45f));
    EXPECT_LT(token->XAt(T * 0.5f), token->XAt(T * 0.55f));
    EXPECT_NEAR(token->YAt(T * 0.5f), 0.5f * (leaveY + returnY), 1e-2f);
    game_->Update(T * 0.5f - 0.001f);
    EXPECT_NEAR(sprite.Position.X, token->XAt(T * 0.5f), 1e-2f);
    EXPECT_NEAR(sprite.Position.Y, token->YAt(T * 0.5f), 1e-2f);
    EXPECT_NEAR(trail->Position.X, sprite.Position.X, 1e-3f);

    // Not hit: back at the edge it is gone, sprite and trail with it.
    game_->Update(T * 0.5f - 0.01f);
    EXPECT_EQ(game_->Tokens.size(), 1u);
    game_->Update(0.02f);
    EXPECT_TRUE(game_->Tokens.empty());
    token = CSharedPtr<CArcadeItem>();
    EXPECT_EQ(LayerSprites(), 0u);
    EXPECT_FLOAT_EQ(trail->EmissionDuration, trail->ElapsedTime);
    for (int i = 0; i < 400; ++i)
        particles_->Update(kFrame);
    EXPECT_EQ(trail.UseCount(), 1u); // the manager dropped the finished trail
    EXPECT_EQ(game_->Hits, 0);
}

TEST_F(ArcadeTest, AHitTokenBurstsAndFliesIntoTheNextSlot) {
    game_->Start(1);
    Frames(1.3f);
    ASSERT_EQ(game_->Tokens.size(), 1u);
    CSharedPtr<CArcadeItem> token = game_->Tokens[0];
    const size_t systems = particles_->BlendedSystems().size();
    const float spin = token->Sprite->SpinSpeed;
    // A click beside the token misses.
    EXPECT_EQ(game_->OnClick(token->Sprite->Position.X + 33.0f, token->Sprite->Position.Y),
              CArcadeGame::kMissed);
    ASSERT_EQ(ClickOn(*token), CArcadeGame::kHit);
    EXPECT_EQ(token->State, CArcadeItem::kCollecting);
    EXPECT_EQ(game_->Hits, 1);
    EXPECT_EQ(Plays("Explode2.wav"), 1);
    EXPECT_EQ(particles_->BlendedSystems().size(), systems + 1); // the burst
    EXPECT_FLOAT_EQ(std::fabs(token->Sprite->SpinSpeed), 7.0f * std::fabs(spin));
    // The same token cannot be hit twice.
    EXPECT_EQ(ClickOn(*token), CArcadeGame::kMissed);

    game_->Update(0.25f);
    EXPECT_NEAR(token->Sprite->Width, 48.0f, 1e-3f);
    game_->Update(0.26f);
    EXPECT_EQ(token->State, CArcadeItem::kInSlot);
    EXPECT_EQ(token->Sprite->Position.X, kRowX + 0.5f * 32.0f);
    EXPECT_EQ(token->Sprite->Position.Y, kRowY - 16.0f);
    EXPECT_EQ(token->Sprite->Position.Z, kZ);
    EXPECT_EQ(token->Sprite->Width, 32.0f);
    EXPECT_EQ(token->Sprite->Height, 32.0f);
    EXPECT_EQ(token->Sprite->SpinOn, 0);
    EXPECT_EQ(token->Sprite->Angle, 0.0f);
    EXPECT_TRUE(token->Trail.IsNull());
    // It rests there for good; the next hit takes the next slot.
    Frames(3.0f);
    EXPECT_EQ(token->Sprite->Position.X, kRowX + 16.0f);
    ASSERT_GE(Flying(), 1u);
    for (const auto& t : game_->Tokens)
        if (t->State == CArcadeItem::kFlying) {
            ASSERT_EQ(ClickOn(*t), CArcadeGame::kHit);
            EXPECT_EQ(t->TargetX, kRowX + 1.5f * 32.0f);
            break;
        }
}

TEST_F(ArcadeTest, AClickOnOverlappingTokensTakesOnlyTheFirst) {
    game_->Start(1);
    Frames(2.05f);
    ASSERT_EQ(game_->Tokens.size(), 2u);
    CArcadeItem& first = *game_->Tokens[0];
    CArcadeItem& second = *game_->Tokens[1];
    second.Sprite->Position = first.Sprite->Position;
    ASSERT_EQ(ClickOn(first), CArcadeGame::kHit);
    EXPECT_EQ(first.State, CArcadeItem::kCollecting);
    EXPECT_EQ(second.State, CArcadeItem::kFlying);
    EXPECT_EQ(game_->Hits, 1);
}

TEST_F(ArcadeTest, FillingTheLastSlotStopsTheLaunchesAndEndsTheChallenge) {
    game_->SetResources(512.0f, 200.0f, kZ, 640.0f, 500.0f, kRowX, kRowY, kZ, 32.0f, 32.0f, 2);
    game_->Start(1);
    RunUntil(
        *game_, [&] { return game_->Tokens.size() >= 3; }, 5.0f);
    ASSERT_EQ(Flying(), 3u);
    ASSERT_EQ(ClickOn(*game_->Tokens[0]), CArcadeGame::kHit);
    EXPECT_EQ(game_->State, CArcadeGame::kLaunching);
    ASSERT_EQ(ClickOn(*game_->Tokens[1]), CArcadeGame::kHit);
    EXPECT_EQ(game_->State, CArcadeGame::kFinishing);
    // The third dashes back to the edge.
    const CArcadeItem& rest = *game_->Tokens[2];
    EXPECT_FLOAT_EQ(rest.Duration, 0.1f);
    EXPECT_FLOAT_EQ(rest.XAt(0.1f), 512.0f + 64.0f);
    // Further clicks are not taken.
    EXPECT_EQ(ClickOn(rest), CArcadeGame::kMissed);

    std::vector<int32_t> results;
    float over = -1.0f;
    for (float t = 0.0f; t < 3.0f; t += kFrame) {
        const int32_t r = game_->Update(kFrame);
        if (r != CArcadeGame::kNothing) {
            results.push_back(r);
            over = t;
        }
        if (t > 0.12f) {
            EXPECT_EQ(game_->Tokens.size(), 2u);
        }
    }
    EXPECT_EQ(results, std::vector<int32_t>{CArcadeGame::kOver});
    // When the last collected token reached its slot.
    EXPECT_NEAR(over, 0.5f, 2.0f * kFrame);
    EXPECT_EQ(game_->Hits, 2);
    EXPECT_EQ(LayerSprites(), 2u);
}

TEST_F(ArcadeTest, TimeOutBeforeAnyHitEndsOnceTheTokensHaveGone) {
    game_->Start(1);
    Frames(3.5f);
    ASSERT_GE(Flying(), 2u);
    // The game object's part when the time is up.
    game_->State = CArcadeGame::kFinishing;
    game_->ResetTargets();
    game_->Launched = 1;
    EXPECT_EQ(game_->Update(0.05f), CArcadeGame::kNothing);
    EXPECT_EQ(game_->Update(0.06f), CArcadeGame::kOver);
    EXPECT_TRUE(game_->Tokens.empty());
    EXPECT_EQ(LayerSprites(), 0u);
    EXPECT_EQ(game_->Update(kFrame), CArcadeGame::kNothing);
    EXPECT_EQ(game_->Hits, 0);
}

TEST_F(ArcadeTest, DestroyingTheGameTakesItsSpritesOffTheLayer) {
    game_->Start(2);
    Frames(2.2f);
    ASSERT_EQ(LayerSprites(), 2u);
    game_.reset();
    EXPECT_EQ(LayerSprites(), 0u);
}

TEST(ArcadeBare, WithoutLayerParticlesOrSoundTheGameStillPlays) {
    Rand15::Global().Seed(chtest::kSeed);
    CArcadeGame game;
    game.SetResources(512.0f, 200.0f, 0.0f, 640.0f, 500.0f, 0.0f, 0.0f, 0.0f, 32.0f, 32.0f, 1);
    game.Start(1);
    game.Update(1.0f);
    ASSERT_EQ(game.Tokens.size(), 1u);
    EXPECT_TRUE(game.Tokens[0]->Trail.IsNull());
    const CSpriteQuad& s = *game.Tokens[0]->Sprite;
    EXPECT_EQ(game.OnClick(s.Position.X, s.Position.Y), CArcadeGame::kHit);
    EXPECT_EQ(game.State, CArcadeGame::kFinishing);
    EXPECT_EQ(game.Update(0.6f), CArcadeGame::kOver);
    // A group that gives no speed still sends tokens that come back.
    game.Start(-5);
    game.Update(0.5f);
    game.Update(0.5f);
    ASSERT_EQ(game.Tokens.size(), 2u);
    EXPECT_TRUE(std::isfinite(game.Tokens[1]->A));
    EXPECT_GT(game.Tokens[1]->Duration, 0.0f);
}

} // namespace
