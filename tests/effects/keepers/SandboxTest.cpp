// The sand state of the quest box: filling, levelling, draining, flow, frenzy.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "effects/Sandbox.h"

namespace {

double Total(const CSandbox& box) {
    return std::accumulate(box.Profile.begin(), box.Profile.end(), 0.0);
}

double SteepestSlope(const CSandbox& box) {
    double steepest = 0.0;
    for (size_t i = 0; i + 1 < box.Profile.size(); ++i)
        steepest = std::max(steepest, std::fabs(box.Profile[i] - box.Profile[i + 1]));
    return steepest;
}

void ExpectHeightsWithinBox(const CSandbox& box) {
    for (double h : box.Profile) {
        EXPECT_GE(h, -1e-9);
        EXPECT_LE(h, 1.0 + 1e-9);
    }
}

TEST(SandboxTest, StartsEmptyWith64Columns) {
    CSandbox box;
    EXPECT_EQ(box.GetColumnCount(), 64);
    EXPECT_EQ(box.Profile.size(), 64u);
    EXPECT_EQ(box.Grains.capacity() >= 128, true);
    EXPECT_EQ(box.Mode, CSandbox::kNormal);
    EXPECT_EQ(box.Running, 0);
    EXPECT_EQ(box.MeanLevel, 0.0);
}

TEST(SandboxTest, HalfABoxAtColumn0FillsFromTheLeftAndLevels) {
    CSandbox box;
    box.AddSand(0.5, 0.0);
    EXPECT_NEAR(box.MeanLevel, 0.5, 1e-12);
    EXPECT_NEAR(Total(box), 32.0, 1e-9);
    EXPECT_DOUBLE_EQ(box.Profile[0], 1.0);
    EXPECT_LE(SteepestSlope(box), 0.25 + 1e-6);
    EXPECT_EQ(box.Profile[63], 0.0);
    ExpectHeightsWithinBox(box);
    // The slope falls to the right.
    for (size_t i = 0; i + 1 < box.Profile.size(); ++i)
        EXPECT_GE(box.Profile[i] + 1e-9, box.Profile[i + 1]);
}

TEST(SandboxTest, GrainBetweenColumnsSplitsByItsFraction) {
    CSandbox box;
    box.AddSand(0.001, 10.25);
    EXPECT_NEAR(box.Profile[10], 0.75 * 0.064, 1e-12);
    EXPECT_NEAR(box.Profile[11], 0.25 * 0.064, 1e-12);
    EXPECT_EQ(box.Profile[9], 0.0);
    EXPECT_EQ(box.Profile[12], 0.0);
}

TEST(SandboxTest, SandBeyondTheRoomLeftIsNotAdded) {
    CSandbox box;
    box.AddSand(0.9, 30.0);
    EXPECT_NEAR(box.MeanLevel, 0.9, 1e-9);
    box.AddSand(0.3, 5.5);
    EXPECT_NEAR(box.MeanLevel, 1.0, 1e-9);
    EXPECT_NEAR(Total(box), 64.0, 1e-7);
    ExpectHeightsWithinBox(box);
    // Nothing is taken out by a negative or absent amount.
    box.AddSand(-0.5, 5.0);
    box.AddSand(std::nan(""), 5.0);
    EXPECT_NEAR(box.MeanLevel, 1.0, 1e-9);
}

TEST(SandboxTest, PositionsOutsideTheColumnsGoToTheEnds) {
    CSandbox box;
    box.AddSand(0.001, 500.0);
    EXPECT_GT(box.Profile[63], 0.0);
    box.AddSand(0.001, -3.0);
    EXPECT_GT(box.Profile[0], 0.0);
    box.AddSand(0.001, std::nan(""));
    EXPECT_NEAR(Total(box), 3 * 0.064, 1e-12);
}

TEST(SandboxTest, OverflowingPairSpreadsToBothSides) {
    CSandbox box;
    box.SlopeLimit = 2.0;  // no levelling: watch the spreading alone
    box.AddSand(4.0 / 64.0, 20.5);
    EXPECT_DOUBLE_EQ(box.Profile[20], 1.0);
    EXPECT_DOUBLE_EQ(box.Profile[21], 1.0);
    EXPECT_DOUBLE_EQ(box.Profile[19], 1.0);
    EXPECT_DOUBLE_EQ(box.Profile[22], 1.0);
    EXPECT_EQ(box.Profile[18], 0.0);
    EXPECT_NEAR(Total(box), 4.0, 1e-12);
}

TEST(SandboxTest, SandIsConservedWhileNotRunning) {
    CSandbox box;
    const double positions[] = {0.0, 63.0, 12.7, 40.1, 40.1, 5.5, 62.9, 33.3};
    for (double p : positions)
        box.AddSand(0.06, p);
    const double before = Total(box);
    for (int i = 0; i < 200; ++i) {
        box.Update(0.05f);
        ASSERT_NEAR(Total(box), before, 1e-7);
        ASSERT_LE(SteepestSlope(box), 0.25 + 1e-6);
    }
    // Flow has piled the sand up towards column 0.
    EXPECT_GT(box.Profile[0], box.Profile[63]);
    EXPECT_EQ(box.State, CSandbox::kNothing);
}

TEST(SandboxTest, FastFlowMovesWholeColumns) {
    CSandbox box;
    box.SetColumns(4);
    box.Profile = {0.0, 0.2, 0.0, 0.0};
    box.FlowRate = 100.0;
    box.Update(0.1f);
    EXPECT_NEAR(box.Profile[0], 0.2, 1e-12);
    EXPECT_EQ(box.Profile[1], 0.0);
}

TEST(SandboxTest, RunningBoxDrainsFromColumn0) {
    CSandbox box;
    box.AddSand(0.5, 0.0);
    box.Running = 1;
    box.DrainRate = 0.1;
    box.Update(0.5f);
    EXPECT_NEAR(box.MeanLevel, 0.45, 1e-9);
    EXPECT_EQ(box.State, CSandbox::kNothing);
}

TEST(SandboxTest, EmptyBeatsFullInTheSameUpdate) {
    CSandbox box;
    box.AddSand(1.0, 0.0);
    ASSERT_GT(box.MeanLevel, 0.99999999);
    box.Running = 1;
    box.DrainRate = 10.0;
    box.Update(0.5f);
    EXPECT_EQ(box.MeanLevel, 0.0);
    EXPECT_EQ(box.State, CSandbox::kEmpty);

    CSandbox full;
    full.AddSand(1.0, 0.0);
    full.Update(0.01f);
    EXPECT_EQ(full.State, CSandbox::kFull);
}

TEST(SandboxTest, GrainsLandInOrderAfterTheirTime) {
    CSandbox box;
    box.Grains.push_back({0.1f, 3.0f, 0.01f});
    box.Grains.push_back({0.5f, 50.0f, 0.01f});
    box.Grains.push_back({0.05f, 20.0f, 0.01f});
    box.FlowRate = 0.0;
    box.SlopeLimit = 2.0;
    box.Update(0.1f);
    ASSERT_EQ(box.Grains.size(), 1u);
    EXPECT_EQ(box.Grains[0].Column, 50.0f);
    EXPECT_NEAR(box.Profile[3], 0.64, 1e-6);
    EXPECT_NEAR(box.Profile[20], 0.64, 1e-6);
    EXPECT_NEAR(box.MeanLevel, 0.02, 1e-7);
}

TEST(SandboxTest, DisplayProfileTrailsTheSand) {
    CSandbox box;
    box.FlowRate = 0.0;
    box.AddSand(0.5, 0.0);
    box.Update(0.1f);  // display speed 5: at most 0.5 per 0.1 s
    EXPECT_NEAR(box.DisplayProfile[0], 0.5, 1e-6);
    box.Update(0.1f);
    EXPECT_DOUBLE_EQ(box.DisplayProfile[0], box.Profile[0]);
}

TEST(SandboxTest, FrenzyCountsLandedSandAsProgress) {
    CSandbox box;
    box.SetFrenzy(1, 0.25);
    EXPECT_EQ(box.Mode, CSandbox::kFrenzy);
    EXPECT_EQ(box.MeanLevel, 1.0);
    EXPECT_EQ(box.Profile[17], 1.0);
    box.FrenzyGain = 0.5;
    box.Grains.push_back({0.01f, 3.0f, 0.5f});
    box.Update(0.02f);
    EXPECT_NEAR(box.FrenzyProgress, 0.5, 1e-9);
    EXPECT_EQ(box.Profile[3], 1.0);
    EXPECT_EQ(box.State, CSandbox::kNothing);
    // Not running: the box stays full.
    EXPECT_EQ(box.MeanLevel, 1.0);

    box.Grains.push_back({0.01f, 3.0f, 3.0f});
    box.Running = 1;
    box.FrenzyDrainRate = 100.0;
    box.Update(0.02f);
    // Complete beats empty, and the progress stops at 1.
    EXPECT_EQ(box.FrenzyProgress, 1.0);
    EXPECT_EQ(box.State, CSandbox::kFrenzyComplete);
    EXPECT_EQ(box.MeanLevel, 0.0);
}

TEST(SandboxTest, RunningFrenzyDrainsEvenlyAndReportsEmpty) {
    CSandbox box;
    box.SetFrenzy(1, 0.0);
    box.Running = 1;
    box.Update(2.5f);
    EXPECT_NEAR(box.MeanLevel, 0.75, 1e-6);
    EXPECT_NEAR(box.DisplayProfile[40], 0.75, 1e-6);
    box.Update(10.0f);
    EXPECT_EQ(box.State, CSandbox::kEmpty);
}

TEST(SandboxTest, LeavingFrenzyKeepsTheProgressUntilReset) {
    CSandbox box;
    box.SetFrenzy(1, 0.6);
    box.SetFrenzy(0, 0.0);
    EXPECT_EQ(box.Mode, CSandbox::kNormal);
    EXPECT_EQ(box.MeanLevel, 0.0);
    EXPECT_EQ(box.Profile[5], 0.0);
    EXPECT_DOUBLE_EQ(box.FrenzyProgress, 0.6);
    box.Grains.push_back({1.0f, 1.0f, 0.1f});
    box.Running = 1;
    box.Reset();
    EXPECT_EQ(box.FrenzyProgress, 0.0);
    EXPECT_TRUE(box.Grains.empty());
    EXPECT_EQ(box.Running, 1);
}

TEST(SandboxTest, OtherModesDoNothing) {
    CSandbox box;
    box.AddSand(0.3, 0.0);
    box.Mode = 7;
    box.State = 2;
    box.Running = 1;
    box.Update(1.0f);
    EXPECT_NEAR(box.MeanLevel, 0.3, 1e-9);
    EXPECT_EQ(box.State, 2);
}

TEST(SandboxTest, ColumnCountIsKeptWithinBounds) {
    CSandbox box;
    box.SetColumns(1);
    EXPECT_EQ(box.GetColumnCount(), 2);
    box.SetColumns(-40);
    EXPECT_EQ(box.GetColumnCount(), 2);
    EXPECT_EQ(box.Profile.size(), 2u);
    box.AddSand(0.3, 0.5);
    box.Update(0.1f);
    EXPECT_NEAR(box.MeanLevel, 0.3, 1e-9);
    box.SetColumns(1 << 30);
    EXPECT_EQ(box.GetColumnCount(), CSandbox::kMaxColumns);
    EXPECT_EQ(box.DisplayProfile.size(), static_cast<size_t>(CSandbox::kMaxColumns));
}

TEST(SandboxTest, LevellingEndsWhateverTheLimit) {
    for (double limit : {0.0, -0.5, 1e-12}) {
        CSandbox box;
        box.SlopeLimit = 2.0;
        box.AddSand(0.2, 0.0);
        box.SlopeLimit = limit;
        const double before = Total(box);
        box.SmoothSlopes();
        EXPECT_NEAR(Total(box), before, 1e-9) << limit;
    }
}

} // namespace
