// The shared emission loop (timing, counts, capacity, overflow), the
// environment's tables and bounds.
#include <cmath>

#include "ParticleTestSupport.h"
#include "effects/SparksParticleSystem.h"

using namespace particletest;

namespace {

class EmissionTest : public ParticleFixture {
protected:
    // Sparks that never fade, at a rate of 8 per second.
    CSparksSpringParametres Sparks(int32_t timed, float duration, int32_t count = 50) {
        CSparksSpringParametres p(0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0xFFFFFF);
        p.Timed = timed;
        p.EmissionDuration = duration;
        p.ParticleCount = count;
        p.EmissionRate = 8.0f;
        p.FadeRate = 0.0f;
        return p;
    }
    CSparksParticleSystem* Add(const CSparksSpringParametres& p, int32_t capacity) {
        handle = manager->AddSparks(p, capacity, texture);
        return static_cast<CSparksParticleSystem*>(handle.Get());
    }
    CSharedPtr<CParticleSystem> handle;
};

TEST_F(EmissionTest, TimedEmissionStopsInsideTheStepThatCrossesItsEnd) {
    auto p = Sparks(1, 0.6875f);
    p.FadeRate = 0.75f;
    CSparksParticleSystem* s = Add(p, 100);
    EXPECT_EQ(s->Update(0.25f), 1);  // 2 due
    EXPECT_EQ(s->LiveCount, 2);
    s->Update(0.25f);  // 2 more
    EXPECT_EQ(s->LiveCount, 4);
    EXPECT_EQ(s->Emitting, 1);
    // Crosses the end 0.0625 s early: only 0.1875 s count, 1.5 due -> 1.
    s->Update(0.25f);
    EXPECT_EQ(s->Emitting, 0);
    EXPECT_EQ(s->LiveCount, 5);
    // The step the particles took was cut as well.
    EXPECT_FLOAT_EQ(s->Pool[4].Life, 1.0f - 0.75f * 0.1875f);
    EXPECT_FLOAT_EQ(s->Pool[0].Life, 1.0f - 0.75f * (0.25f + 0.25f + 0.1875f));
    // The half particle left in the accumulator is never emitted.
    s->Update(0.25f);
    EXPECT_EQ(s->LiveCount, 5);
}

TEST_F(EmissionTest, CountedEmissionEmitsExactlyItsCount) {
    CSparksParticleSystem* s = Add(Sparks(0, 0.0f, 50), 100);
    int updates = 0;
    while (s->Emitting && updates < 100) {
        s->Update(0.3f);  // 2.4 due a step
        ++updates;
    }
    EXPECT_EQ(s->LiveCount, 50);
    EXPECT_EQ(s->RemainingCount, 0);
    s->Update(1.0f);
    EXPECT_EQ(s->LiveCount, 50);

    // Ending the emission early does nothing to a counted emission.
    CSparksParticleSystem* t = Add(Sparks(0, 0.0f, 4), 100);
    t->Update(0.25f);
    t->EndEmission();
    t->Update(0.25f);
    EXPECT_EQ(t->LiveCount, 4);
}

TEST_F(EmissionTest, EndEmissionStopsATimedEmissionAtTheNextUpdate) {
    CSparksParticleSystem* s = Add(Sparks(1, 10.0f), 100);
    s->Update(0.25f);
    s->EndEmission();
    s->Update(0.25f);
    EXPECT_EQ(s->Emitting, 0);
    EXPECT_EQ(s->LiveCount, 2);
}

TEST_F(EmissionTest, AFrameEmitsNoMoreThanTheCapacity) {
    auto p = Sparks(1, 10.0f);
    p.EmissionRate = 1000.0f;
    CSparksParticleSystem* s = Add(p, 10);
    s->Update(0.1f);  // 100 due
    EXPECT_EQ(s->LiveCount, 10);
    EXPECT_EQ(s->UsedSlots, 10);
    int32_t v = 0, i = 0;
    s->GetBufferNeeds(&v, &i);
    EXPECT_EQ(v, 40);
    EXPECT_EQ(i, 60);
}

TEST_F(EmissionTest, AFullPoolReplacesTheParticlesInTheLowestSlots) {
    auto p = Sparks(1, 10.0f);
    p.FadeRate = 1.0f;
    CSparksParticleSystem* s = Add(p, 3);
    s->Update(0.25f);  // slots 0 and 1
    s->Update(0.25f);  // slot 2, then over slot 0
    EXPECT_EQ(s->LiveCount, 3);
    EXPECT_FLOAT_EQ(s->Pool[0].Life, 0.75f);  // restarted
    EXPECT_FLOAT_EQ(s->Pool[1].Life, 0.5f);
    EXPECT_FLOAT_EQ(s->Pool[2].Life, 0.75f);
}

TEST_F(EmissionTest, FreedSlotsAreReusedFromTheBottom) {
    auto p = Sparks(1, 10.0f);
    CSparksParticleSystem* s = Add(p, 8);
    s->Update(0.5f);  // slots 0..3
    s->Pool[1].Alive = 0;
    s->Pool[3].Alive = 0;
    s->Update(0.25f);  // 2 more: into 1 and 3
    EXPECT_TRUE(s->Pool[1].Alive);
    EXPECT_TRUE(s->Pool[3].Alive);
    EXPECT_FALSE(s->Pool[4].Alive);
    EXPECT_EQ(s->UsedSlots, 4);
}

TEST_F(EmissionTest, DeadTopSlotsLowerTheUsedSlots) {
    auto p = Sparks(0, 0.0f, 4);
    CSparksParticleSystem* s = Add(p, 8);
    s->Update(0.5f);
    EXPECT_EQ(s->UsedSlots, 4);
    // Slot 2 dies first: the top is still used.
    s->Pool[2].Position.X = 5000.0f;
    s->Update(0.01f);
    EXPECT_EQ(s->UsedSlots, 4);
    s->Pool[3].Position.X = 5000.0f;
    s->Update(0.01f);
    EXPECT_EQ(s->UsedSlots, 2);
    EXPECT_EQ(s->LiveCount, 2);
}

TEST_F(EmissionTest, NoRateMeansNoParticlesAndNoNan) {
    auto timed = Sparks(1, 0.5f);
    timed.EmissionRate = 0.0f;
    CSparksParticleSystem* s = Add(timed, 8);
    EXPECT_EQ(s->Update(0.25f), 1);  // still emitting (nothing) for its duration
    EXPECT_EQ(s->LiveCount, 0);
    EXPECT_FALSE(std::isnan(s->Accumulator));
    EXPECT_EQ(s->Update(0.25f), 0);

    // A counted emission at no rate could never finish: it ends at once.
    auto counted = Sparks(0, 0.0f, 10);
    counted.EmissionRate = -5.0f;
    CSparksParticleSystem* t = Add(counted, 8);
    EXPECT_EQ(t->Update(0.25f), 0);
    EXPECT_EQ(t->LiveCount, 0);

    counted.EmissionRate = NAN;
    CSparksParticleSystem* u = Add(counted, 8);
    EXPECT_EQ(u->Update(0.25f), 0);
}

TEST_F(EmissionTest, AllParticlesDeadMeansNothingToDraw) {
    auto p = Sparks(0, 0.0f, 3);
    p.FadeRate = 2.0f;
    CSparksParticleSystem* s = Add(p, 8);
    EXPECT_EQ(s->Update(0.25f), 1);
    EXPECT_EQ(s->Update(0.25f), 1);
    EXPECT_EQ(s->Update(0.25f), 0);
    int32_t v = -1, i = -1;
    s->GetBufferNeeds(&v, &i);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(s->UsedSlots, 0);
    EXPECT_EQ(Fill(*s).Quads(), 0u);
}

TEST_F(EmissionTest, NegativeCapacityMakesAnEmptyPool) {
    CSparksParticleSystem* s = Add(Sparks(0, 0.0f, 3), -5);
    EXPECT_EQ(s->Capacity, 0);
    EXPECT_EQ(s->Update(0.5f), 0);
}

TEST_F(EmissionTest, ParticlesDieOutsideTheBounds) {
    CSparksParticleSystem* s = Add(StillSparks(999.0f, 0, 0, 1), 4);
    EXPECT_EQ(s->Update(0.1f), 1);
    EXPECT_EQ(s->LiveCount, 1);
    s->Move(1.5f, 0.0f, 0.0f);  // x = 1000.5
    EXPECT_FLOAT_EQ(s->Pool[0].Position.X, 1000.5f);
    EXPECT_EQ(s->Update(0.1f), 0);
    EXPECT_EQ(s->LiveCount, 0);

    // Exactly on the bound is still inside.
    CSparksParticleSystem* t = Add(StillSparks(0, -1000.0f, 1000.0f, 1), 4);
    EXPECT_EQ(t->Update(0.1f), 1);
}

TEST(ParticleEnvironmentTest, TablesWrapAndRound) {
    CParticleEnvironment env;
    float s, c;
    env.SinCos(1024.4f, &s, &c);
    EXPECT_EQ(s, env.Sine[0]);
    EXPECT_EQ(c, env.Cosine[0]);
    env.SinCos(-1.0f, &s, &c);
    EXPECT_EQ(s, env.Sine[1023]);
    EXPECT_EQ(c, env.Cosine[1023]);
    env.SinCos(256.0f, &s, &c);
    EXPECT_NEAR(s, 1.0f, 1e-6f);
    EXPECT_NEAR(c, 0.0f, 1e-6f);
    env.SinCos(3.0e9f, &s, &c);  // huge or broken angles stay inside the table
    env.SinCos(NAN, &s, &c);
    EXPECT_EQ(s, env.Sine[0]);

    float u, v;
    env.AtlasFrame(5.0f, &u, &v);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.25f);
    env.AtlasFrame(15.2f, &u, &v);
    EXPECT_FLOAT_EQ(u, 0.75f);
    EXPECT_FLOAT_EQ(v, 0.75f);

    EXPECT_TRUE(env.IsInside({10.0f, -10.0f, 0.0f}));
    EXPECT_FALSE(env.IsInside({10.5f, 0.0f, 0.0f}));
    EXPECT_FALSE(env.IsInside({0.0f, NAN, 0.0f}));
    EXPECT_FLOAT_EQ(env.Gravity.Y, -9.8f);
    EXPECT_FLOAT_EQ(env.Camera->Position.Z, -1.0f);
}

} // namespace
