// The records' own motion rules over a few steps.
#include <cmath>

#include <gtest/gtest.h>

#include "effects/ParticleEnvironment.h"
#include "effects/Particles.h"
#include "platform/Rand15.h"

namespace {

class ParticleMotionTest : public ::testing::Test {
protected:
    void SetUp() override { Rand15::Global().Seed(777); }
    CParticleEnvironment env;
};

TEST_F(ParticleMotionTest, SparkFallsAndFadesToNothingAfterFourThirdsOfASecond) {
    CSpark s;
    EXPECT_EQ(s.Alive, 0);
    s.Init(0xAA123456, 0.75f, 0, 0, 0, 1, 0, 0, 0.01f, 1.5f, 0.02f);
    EXPECT_EQ(s.Alive, 1);
    EXPECT_EQ(s.Colour, 0x123456u);
    EXPECT_FLOAT_EQ(s.LengthScale, 0.015f);
    EXPECT_FLOAT_EQ(s.StreakLength, 0.01f);
    const CVector3 g{0.0f, -9.8f, 0.0f};
    s.GravityFactor = 0.5f;
    s.Update(0.5f, g);
    // Moves with the old velocity, then gravity acts.
    EXPECT_FLOAT_EQ(s.Position.X, 0.5f);
    EXPECT_FLOAT_EQ(s.Position.Y, 0.0f);
    EXPECT_FLOAT_EQ(s.Velocity.Y, -2.45f);
    const float third = 1.0f / 3.0f;
    CSpark t;
    t.Init(0, 0.75f, 0, 0, 0, 0, 0, 0, 0.01f, 1.5f, 0.02f);
    for (int i = 0; i < 3; ++i)
        t.Update(third, g);
    EXPECT_GT(t.Life, 0.0f);
    t.Update(third, g);
    EXPECT_EQ(t.Life, 0.0f);
    t.Update(third, g);
    EXPECT_EQ(t.Life, 0.0f);  // never below
}

TEST_F(ParticleMotionTest, SmokeDriftsRisesAndGrows) {
    CSmoke s;
    s.Init(0x00FF8000, 0.5f, 1, 2, 3, 0.2f, 0, 0, 0.1f, 0.2f, 0.04f, 0.3f);
    EXPECT_EQ(s.Alpha, 1.0f);
    EXPECT_FLOAT_EQ(s.Red, 255.0f);
    EXPECT_FLOAT_EQ(s.Green, 128.0f);
    EXPECT_GE(s.Frame, 0.0f);
    EXPECT_LT(s.Frame, 16.0f);
    EXPECT_GE(s.Spin, -300.0f);
    EXPECT_LE(s.Spin, 300.0f);
    s.Spin = 0.0f;
    s.Update(0.5f, env);
    EXPECT_FLOAT_EQ(s.Position.X, 1.1f);
    EXPECT_FLOAT_EQ(s.Position.Y, 2.15f);  // lift
    EXPECT_FLOAT_EQ(s.Velocity.X, 0.2f * 0.75f);  // drag 0.5 a second
    EXPECT_FLOAT_EQ(s.Size, 0.2f);
    EXPECT_FLOAT_EQ(s.Growth, 0.22f);
    EXPECT_FLOAT_EQ(s.Alpha, 0.75f);
}

TEST_F(ParticleMotionTest, SmokeStopsDeadInsteadOfReversing) {
    CSmoke s;
    s.Init(0, 0.1f, 0, 0, 0, 1, 0, 0, 0.1f, 0, 0, 0);
    s.Update(3.0f, env);  // drag x dt = 1.5
    EXPECT_FLOAT_EQ(s.Position.X, 3.0f);
    EXPECT_EQ(s.Velocity.X, 0.0f);
}

TEST_F(ParticleMotionTest, SmokeSpinDampsToZeroWithoutChangingSign) {
    CSmoke s;
    s.Init(0, 0.0f, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0, 0);
    s.Angle = 1000.0f;
    s.Spin = 100.0f;
    s.Update(1.0f, env);
    EXPECT_FLOAT_EQ(s.Angle, 76.0f);  // wrapped past a full turn
    EXPECT_FLOAT_EQ(s.Spin, 90.0f);
    s.Update(20.0f, env);  // 90 - 0.1 x 90 x 20 would be negative
    EXPECT_EQ(s.Spin, 0.0f);
    s.Spin = -50.0f;
    s.Angle = 10.0f;
    s.Update(1.0f, env);
    EXPECT_FLOAT_EQ(s.Angle, 984.0f);
}

TEST_F(ParticleMotionTest, SmokeFadesInToItsPeakThenOut) {
    CSmoke s;
    s.Init(0, 0.0f, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0, 0);
    s.AlphaRate = -2.0f;
    s.FadeOutRate = 1.0f;
    s.PeakAlpha = 1.0f;
    s.Alpha = 0.9f;
    s.Update(0.1f, env);  // reaches 1.1: 0.05 s too far, spent fading out
    EXPECT_FLOAT_EQ(s.Alpha, 0.95f);
    EXPECT_FLOAT_EQ(s.AlphaRate, 1.0f);
    s.Update(2.0f, env);
    EXPECT_EQ(s.Alpha, 0.0f);
}

TEST_F(ParticleMotionTest, FireballBrakesHardAndFades) {
    CFireball f;
    f.Init(0x112233, 2.0f, 0, 0, 0, 1, 0, 0, 0.01f, 0.5f, 0.0f);
    EXPECT_EQ(f.Alpha, 1.0f);
    EXPECT_GE(std::fabs(f.Spin), 1024.0f);
    EXPECT_LE(std::fabs(f.Spin), 2048.0f);
    f.Update(0.1f, env);
    EXPECT_FLOAT_EQ(f.Position.X, 0.1f);
    EXPECT_FLOAT_EQ(f.Velocity.X, 0.55f);  // drag 4.5 a second, no lift
    EXPECT_FLOAT_EQ(f.Position.Y, 0.0f);
    EXPECT_FLOAT_EQ(f.Size, 0.06f);
    EXPECT_FLOAT_EQ(f.Alpha, 0.8f);
    f.Update(1.0f, env);
    EXPECT_EQ(f.Alpha, 0.0f);
}

TEST_F(ParticleMotionTest, ThunderboltJointJumpsWithinItsRadius) {
    CThunderbolt t;
    t.Init(0xFFFFFF, 1, 2, 3, 0.5f, 0.01f);
    EXPECT_FLOAT_EQ((t.Second - t.Position).Length(), 0.0f);
    // At 0.05 s or more a frame, it jumps every frame.
    for (int i = 0; i < 20; ++i) {
        CVector3 before = t.Second;
        t.Update(0.05f);
        EXPECT_NEAR((t.Second - t.Position).Length(), 0.5f, 1e-5f);
        EXPECT_GE(t.Brightness, 0.75f);
        EXPECT_LE(t.Brightness, 1.0f);
        EXPECT_NE((before - t.Second).Length(), 0.0f);
    }
    t.Move(1, 0, 0);
    EXPECT_FLOAT_EQ(t.Position.X, 2.0f);
    EXPECT_NEAR((t.Second - t.Position).Length(), 0.5f, 1e-5f);
    // With no time passing it never jumps (barring a draw of exactly 0).
    CVector3 held = t.Second;
    int jumps = 0;
    for (int i = 0; i < 50; ++i) {
        t.Update(0.0f);
        if ((held - t.Second).Length() != 0.0f)
            ++jumps;
        held = t.Second;
    }
    EXPECT_LE(jumps, 1);
}

TEST_F(ParticleMotionTest, SpellFadesOutFromFullAlpha) {
    CSpell s;
    s.Init(0x00FFFF, 0.5f, 0, 0, 0, 1, 0, 0, 0.1f, 10.0f, 100.0f);
    EXPECT_EQ(s.Alpha, 1.0f);
    EXPECT_FLOAT_EQ(s.PhaseSpeed, 5.0f);
    s.Update(0.5f);
    EXPECT_FLOAT_EQ(s.Alpha, 0.75f);
    EXPECT_FLOAT_EQ(s.Position.X, 0.5f);
    EXPECT_FLOAT_EQ(s.Angle, 60.0f);
    EXPECT_EQ(s.Finished, 0);
    s.Update(1.6f);
    EXPECT_EQ(s.Alpha, 0.0f);
    EXPECT_EQ(s.Finished, 1);
}

TEST_F(ParticleMotionTest, SpellFadesInAndEndsAtFullBrightness) {
    CSpell s;
    s.Init(0, -0.5f, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0);
    EXPECT_EQ(s.Alpha, 0.0f);
    s.Update(1.0f);
    EXPECT_FLOAT_EQ(s.Alpha, 0.5f);
    s.Update(1.5f);
    EXPECT_EQ(s.Alpha, 1.0f);
    EXPECT_EQ(s.Finished, 1);
}

TEST_F(ParticleMotionTest, SpellAtPhaseTwoTurnsRoundAndFadesOut) {
    CSpell s;
    s.Init(0, -0.5f, 0, 0, 0, 0, 0, 0, 0.1f, 0, -10.0f);
    s.PhaseSpeed = 2.0f;
    s.Phase = 2.0f;
    s.Alpha = 0.9f;
    s.Update(0.4f);  // 1.1: the 0.2 s past the top are spent fading out at 2
    EXPECT_NEAR(s.Phase, -0.6f, 1e-5f);
    EXPECT_NEAR(s.Alpha, 0.6f, 1e-5f);
    EXPECT_FLOAT_EQ(s.Angle, 1020.0f);
    s.Update(0.1f);
    EXPECT_NEAR(s.Alpha, 0.4f, 1e-5f);
    EXPECT_EQ(s.Finished, 0);
    s.Update(0.25f);
    EXPECT_EQ(s.Finished, 1);
    EXPECT_EQ(s.Alpha, 0.0f);
}

TEST_F(ParticleMotionTest, SpellRampPhaseHandsOverToThePlainFade) {
    CSpell s;
    s.Init(0, 0.5f, 0, 0, 0, 0, 0, 0, 0.1f, 0, 0);
    s.Phase = 0.0f;
    s.Update(0.1f);  // phase 0.5
    EXPECT_FLOAT_EQ(s.Alpha, 0.5f);
    s.Update(0.14f);  // phase 1.2: 0.04 s into the fade
    EXPECT_FLOAT_EQ(s.Phase, 1.0f);
    EXPECT_NEAR(s.Alpha, 0.98f, 1e-5f);
}

TEST_F(ParticleMotionTest, CollectedParticleStartsAsACentredQuad) {
    CCollectedParticle2 p;
    EXPECT_EQ(p.Alive, 0);
    p.Init(0x80102030, 1, 2, 3, 7, 0.5f, 4.0f, 2.0f, 100.0f);
    EXPECT_EQ(p.Alive, 1);
    EXPECT_EQ(p.Colour, 0x102030u);
    EXPECT_FLOAT_EQ(p.Blue, 48.0f);
    EXPECT_EQ(p.Frame, 7);
    EXPECT_FLOAT_EQ(p.Size, 4.0f);
    EXPECT_FLOAT_EQ(p.Width, 4.0f);
    EXPECT_FLOAT_EQ(p.Height, 2.0f);
    EXPECT_FLOAT_EQ(p.Uv[2].U, 1.0f);
    EXPECT_FLOAT_EQ(p.Uv[2].V, 1.0f);
    EXPECT_FLOAT_EQ(p.Corners[0].S, -0.5f);
    EXPECT_FLOAT_EQ(p.Corners[0].T, 0.5f);
    EXPECT_FLOAT_EQ(p.Corners[2].T, -0.5f);
    CCollectedParticle2 copy = p;
    copy.Move(1, 1, 1);
    EXPECT_FLOAT_EQ(copy.Position.Z, 4.0f);
    EXPECT_FLOAT_EQ(copy.Corners[1].S, 0.5f);
}

TEST(ParticleAngleTest, AnglesWrapIntoOneTurn) {
    EXPECT_FLOAT_EQ(WrapParticleAngle(1030.0f), 6.0f);
    EXPECT_FLOAT_EQ(WrapParticleAngle(-6.0f), 1018.0f);
    EXPECT_FLOAT_EQ(WrapParticleAngle(-2048.0f), 1024.0f);
    EXPECT_FLOAT_EQ(WrapParticleAngle(512.0f), 512.0f);
}

} // namespace
