#include "engine/SplinePath.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine/FadeValue.h"

namespace {

struct P {
    float x, y, z;
};

P At(const CSplinePath& path, float t) {
    float p[3];
    path.GetPoint(p, t);
    return {p[0], p[1], p[2]};
}

#define EXPECT_POINT(p, ex, ey, ez)                                                                \
    do {                                                                                           \
        const P q_ = (p);                                                                          \
        EXPECT_NEAR(q_.x, (ex), 1e-5f);                                                            \
        EXPECT_NEAR(q_.y, (ey), 1e-5f);                                                            \
        EXPECT_NEAR(q_.z, (ez), 1e-5f);                                                            \
    } while (0)

TEST(SplinePathTest, NewPathEasesInAndOutOverOneSecond) {
    CSplinePath path;
    EXPECT_EQ(path.GetKeyCount(), 1u);
    EXPECT_FLOAT_EQ(path.GetTotal(), 1.0f);
    EXPECT_POINT(At(path, 0.0f), 0, 0, 0);
    EXPECT_POINT(At(path, 0.25f), 0.15625f, 0.15625f, 0.15625f);
    EXPECT_POINT(At(path, 0.5f), 0.5f, 0.5f, 0.5f);
    EXPECT_POINT(At(path, 1.0f), 1, 1, 1);
}

TEST(SplinePathTest, SlopesShapeEachAxisOnItsOwn) {
    CSplinePath path;
    // x linear, y eases in and out, z starts slowly and arrives fast.
    path.SetFirstKey(0, 0, 0, 8, 8, 8, 1, 0, 0, 1, 0, 2, 2.0f);
    const P p = At(path, 0.5f); // u = 0.25
    EXPECT_NEAR(p.x, 2.0f, 1e-5f);
    EXPECT_NEAR(p.y, 8 * 0.15625f, 1e-5f);
    EXPECT_NEAR(p.z, 8 * 0.0625f, 1e-5f); // s(u) = u^2 for slopes 0 and 2
}

TEST(SplinePathTest, ChainedKeysTakeTheirShareOfTheTime) {
    CSplinePath path;
    path.SetSingleKey(0, 0, 0, 10, 20, 30, 2.0f);
    EXPECT_POINT(At(path, 1.0f), 5, 10, 15);

    path.SetFirstKey(0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    path.AddKeyFromLast(3, 1, -1, 1.0f);
    EXPECT_EQ(path.GetKeyCount(), 2u);
    EXPECT_FLOAT_EQ(path.GetTotal(), 2.0f);
    EXPECT_POINT(At(path, 1.0f), 1, 1, 1); // the end of the first key
    EXPECT_POINT(At(path, 1.5f), 2, 1, 0);
    // Beyond the total the last key extrapolates: u = 2 is twice its span.
    EXPECT_POINT(At(path, 3.0f), 5, 1, -3);
    // Before the start, the first key extrapolates the same way.
    path.SetSingleKey(0, 0, 0, 1, 2, 3, 1.0f);
    EXPECT_POINT(At(path, -1.0f), -1, -2, -3);

    path.SetSingleKey(0, 0, 0, 1, 0, 0, 1.0f);
    path.AddKeyFromLast(2, 0, 0, 0.5f);
    path.AddKeyFromLast(2, 4, 0, 2.0f);
    EXPECT_FLOAT_EQ(path.GetTotal(), 3.5f);
    EXPECT_POINT(At(path, 1.25f), 1.5f, 0, 0);
    EXPECT_POINT(At(path, 1.5f), 2, 0, 0); // a key's end is the next key's start
    EXPECT_POINT(At(path, 2.5f), 2, 2, 0);
    EXPECT_POINT(At(path, 5.5f), 2, 8, 0);
}

TEST(SplinePathTest, KeepScaleJoinsWithoutAJumpInSpeed) {
    CSplinePath path;
    path.SetFirstKey(0, 0, 0, 10, 0, 0, 0, 1, 1, 0.5f, 1, 1, 1.0f);
    path.AddKeyKeepScale(20, 0, 0, 2, 1, 1, 1.0f);
    path.AddKeyFull(20, 5, 0, 0, 3, 1, 1, 1, 1, 1.0f);
    EXPECT_EQ(path.GetKey(1).StartSlope[0], 0.5f);
    EXPECT_EQ(path.GetKey(1).Start[0], 10.0f);
    EXPECT_EQ(path.GetKey(2).StartSlope[1], 3.0f);
    EXPECT_FLOAT_EQ(path.GetTotal(), 3.0f);

    const float h = 2e-3f;
    const float before = (At(path, 1.0f).x - At(path, 1.0f - h).x) / h;
    const float after = (At(path, 1.0f + h).x - At(path, 1.0f).x) / h;
    EXPECT_NEAR(before, 5.0f, 0.1f);
    EXPECT_NEAR(after, before, 0.1f);
}

TEST(SplinePathTest, ZeroDurationsEvaluateAtTheEndPoint) {
    CSplinePath path;
    path.SetSingleKey(1, 2, 3, 4, 5, 6, 0.0f);
    EXPECT_POINT(At(path, 0.0f), 4, 5, 6);
    EXPECT_POINT(At(path, 0.7f), 4, 5, 6);

    path.SetSingleKey(0, 0, 0, 1, 1, 1, 1.0f);
    path.AddKeyFromLast(0, 9, 0, 0.0f);
    EXPECT_POINT(At(path, 1.0f), 1, 1, 1);
    EXPECT_POINT(At(path, 2.0f), 0, 9, 0);
    const P p = At(path, 1.0001f);
    EXPECT_FALSE(std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z));
}

TEST(SplinePathTest, CopiesShareKeysButRebuildingOneLeavesTheOther) {
    CSplinePath path;
    path.SetSingleKey(0, 0, 0, 10, 0, 0, 1.0f);
    path.AddKeyFromLast(10, 10, 0, 1.0f);
    const CSplinePath copy = path;
    EXPECT_EQ(&copy.GetKey(1), &path.GetKey(1));
    path.SetSingleKey(0, 0, 0, -10, 0, 0, 1.0f);
    EXPECT_EQ(path.GetKeyCount(), 1u);
    EXPECT_POINT(At(copy, 0.5f), 5, 0, 0);
    EXPECT_POINT(At(copy, 2.0f), 10, 10, 0);
}

TEST(FadeValueTest, SetChoosesBetweenFadingAndJumping) {
    CFadeValue f;
    f.Set(1, 2.0f);
    EXPECT_EQ(f.Shown, 1);
    EXPECT_EQ(f.Level, 0.0f);
    EXPECT_EQ(f.Speed, 2.0f);

    f.Set(0, 4.0f); // fade out: still shown until the level is down
    EXPECT_EQ(f.Shown, 1);
    EXPECT_EQ(f.Speed, -4.0f);

    f.Set(1, 0.0f);
    EXPECT_EQ(f.Level, 1.0f);
    EXPECT_EQ(f.Speed, 0.0f);

    f.Set(0, -1.0f);
    EXPECT_EQ(f.Shown, 0);
    EXPECT_EQ(f.Level, 0.0f);
    EXPECT_EQ(f.Speed, 0.0f);
}

TEST(FadeValueTest, UpdateStopsAtTheEndsAndHidesAtZero) {
    CFadeValue f;
    f.Set(1, 2.0f);
    f.Update(0.25f);
    EXPECT_FLOAT_EQ(f.Level, 0.5f);
    f.Update(0.5f);
    EXPECT_EQ(f.Level, 1.0f);
    EXPECT_EQ(f.Speed, 0.0f);
    f.Update(1.0f); // at rest nothing moves
    EXPECT_EQ(f.Level, 1.0f);

    f.Set(0, 4.0f);
    f.Update(0.1f);
    EXPECT_FLOAT_EQ(f.Level, 0.6f);
    EXPECT_EQ(f.Shown, 1);
    f.Update(1.0f);
    EXPECT_EQ(f.Level, 0.0f);
    EXPECT_EQ(f.Shown, 0);
    EXPECT_EQ(f.Speed, 0.0f);

    // A fade-in restarted half way goes on from where it stands.
    f.Set(1, 1.0f);
    f.Update(0.5f);
    f.Set(0, 1.0f);
    f.Update(0.25f);
    f.Set(1, 1.0f);
    f.Update(0.25f);
    EXPECT_FLOAT_EQ(f.Level, 0.5f);
}

} // namespace
