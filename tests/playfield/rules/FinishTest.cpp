// The end of a level, the landing of swapped caps and the pointer query.
#include <cmath>

#include "RulesDriver.h"

namespace rulestest {
namespace {

class FinishTest : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(1);
        d.PlaceBoard(DeadBoard());
    }
    RulesDriver d;
};

TEST_F(FinishTest, EveryCapFallsTenRowsTogetherAndTheLevelIsComplete) {
    CPlayField& f = d.Field();
    d.Attach(d.Cap(3, 3), CBonus::kGem);
    f.Adviser.AddTime(1, 30.0f);
    f.CapSlot->Select(d.Cap(1, 1));
    std::vector<CSharedPtr<CCap>> caps;
    for (const auto& row : f.Board)
        for (const auto& cap : row)
            caps.push_back(cap);

    f.FinishLevel();
    EXPECT_EQ(f.LevelOver, 1);
    EXPECT_EQ(f.InputOpen, 0);
    EXPECT_EQ(f.Adviser.State, 0);
    EXPECT_TRUE(f.CapSlot->Cap.IsNull());
    ASSERT_EQ(f.Events.size(), 1u);
    EXPECT_EQ(f.Events[0].Kind, CFieldEvent::kLevelComplete);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);

    const float t = std::sqrt(20.0f * f.CellHeight / d.Motion().FallAcceleration);
    for (const CSharedPtr<CCap>& cap : caps) {
        EXPECT_EQ(cap->State, CBoardElement::kMoving);
        EXPECT_EQ(cap->MotionPurpose, CCap::kLeaveBoard);
        EXPECT_EQ(cap->Landed, 0);
        EXPECT_NEAR(cap->Duration, t, 1e-5f);
        const CSplineKey& key = cap->Path.GetLastKey();
        EXPECT_NEAR(cap->Position.Y - key.End[1], 10.0f * f.CellHeight, 1e-3f);
        EXPECT_FLOAT_EQ(key.End[0], cap->Position.X);
        // No vertical speed at the start: it accelerates downwards.
        float early[3];
        cap->Path.GetPoint(early, 0.05f * t);
        EXPECT_LT(cap->Position.Y - early[1], 0.01f * 10.0f * f.CellHeight);
    }

    // Gone below the board together, with their bonuses; no refill follows.
    d.Frames(static_cast<int>(t / RulesDriver::kDt) + 3);
    EXPECT_EQ(f.CapList.Count(), 0u);
    EXPECT_TRUE(d.Bonuses().Bonuses.empty());
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
}

TEST_F(FinishTest, QuestModeAlsoStopsTheSandAndTheTotems) {
    CPlayField& f = d.Field();
    d.Sandbox()->Grains.push_back(SandDrop{1.0f, 0.0f, 0.1f});
    f.Totems.SetBlueFlag(1);
    f.Totems.Selected = 2;
    f.Totems.Ready = 0;
    f.FinishLevel();
    EXPECT_TRUE(d.Sandbox()->Grains.empty());
    EXPECT_EQ(f.Totems.BlueFlag, 0);
    EXPECT_EQ(f.Totems.Selected, -1);
    EXPECT_EQ(f.Totems.Ready, 1);
}

TEST_F(FinishTest, OtherModesEmptyTheBoardButLeaveSandAndTotems) {
    CPlayField& f = d.Field();
    d.Sandbox()->Grains.push_back(SandDrop{1.0f, 0.0f, 0.1f});
    f.Totems.SetBlueFlag(1);
    f.Totems.Selected = 2;
    f.GameMode = 1;
    f.FinishLevel();
    EXPECT_EQ(d.Sandbox()->Grains.size(), 1u);
    EXPECT_EQ(f.Totems.BlueFlag, 1);
    EXPECT_EQ(f.Totems.Selected, 2);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
    ASSERT_FALSE(f.Events.empty());
    EXPECT_EQ(f.Events.back().Kind, CFieldEvent::kLevelComplete);
}

TEST_F(FinishTest, CapsHeldByATerminatorStayWithIt) {
    CPlayField& f = d.Field();
    d.Cap(4, 4)->SetValue(1);
    ASSERT_FALSE(f.RemoveSingleCell(4, 4, 1).IsNull());
    f.FinishLevel();
    const CSharedPtr<CCap> held = d.Cap(4, 4);
    ASSERT_FALSE(held.IsNull());
    EXPECT_EQ(held->State, CBoardElement::kRemoving);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 1);
}

TEST_F(FinishTest, ASwappedFirstCapGetsItsDrawOrderBack) {
    CPlayField& f = d.Field();
    const CSharedPtr<CCap> a = d.Cap(0, 0);
    const CSharedPtr<CCap> b = d.Cap(1, 0);
    const int32_t layerA = a->Sprite->Layer;
    const int32_t layerB = b->Sprite->Layer;
    f.SwapCaps(0, 0, 1, 0, 0);
    EXPECT_EQ(a->Sprite->Layer, layerA - 1);

    f.LandCap(a);
    EXPECT_EQ(a->State, CBoardElement::kAtRest);
    EXPECT_EQ(a->Sprite->Layer, layerA);
    f.LandCap(b);
    EXPECT_EQ(b->State, CBoardElement::kAtRest);
    EXPECT_EQ(b->Sprite->Layer, layerB);

    // A cap of no pair keeps its state.
    const CSharedPtr<CCap> other = d.Cap(5, 5);
    other->State = CBoardElement::kSwapping;
    f.LandCap(other);
    EXPECT_EQ(other->State, CBoardElement::kSwapping);
    f.LandCap(CSharedPtr<CCap>());
}

TEST_F(FinishTest, ThePointerFindsOnlyAMovingCap) {
    CPlayField& f = d.Field();
    const CSharedPtr<CCap> cap = d.Cap(3, 6);
    const CVector3 p = cap->DrawnPosition();
    CSharedPtr<CCap> found;
    EXPECT_TRUE(f.ForwardToCapList(found, p.X, p.Y).IsNull());
    cap->StartMove(cap->Position.X, cap->Position.Y - 100.0f, 0.0f, 1.0f, 1, 1, 1, 1, 1, 1);
    EXPECT_TRUE(f.ForwardToCapList(found, p.X + 2.0f, p.Y - 2.0f) == cap);
    EXPECT_TRUE(found == cap);
    EXPECT_TRUE(f.ForwardToCapList(found, p.X + 3.0f * cap->Size, p.Y).IsNull());
}

} // namespace
} // namespace rulestest
