// The no-move test, the rebuild of a dead board, the tutorial tip that
// restarts the board and the clearing of an abandoned level.
#include <cmath>
#include <filesystem>
#include <string>

#include "RulesDriver.h"

namespace rulestest {
namespace {

using std::sqrt;

class RebuildTest : public ::testing::Test {
protected:
    void SetUp() override { d.StartLevel(1); }

    // The fall time of a cap over ten rows.
    float TenRowFall() { return sqrt(2.0f * 10.0f * d.Field().CellHeight / 2000.0f); }

    RulesDriver d;
};

TEST_F(RebuildTest, NoMoveTestRunsEveryQuarterSecondOnAQuietDeadBoard) {
    d.rebuildOnNoMoves = false;
    d.PlaceBoard(DeadBoard());
    d.Frame(0.1f);
    d.Frame(0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 0);
    d.Frame(0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 1);
    // Nothing changes: one report per test.
    d.Frames(5, 0.1f);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 2);
}

TEST_F(RebuildTest, DeadBoardIsRebuiltWithItsFixedCapsAndHasAMove) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    // A fixed, chained gem carrier; a fixed cap with a TNT of level 2; a gem
    // carrier that is not fixed.
    CSharedPtr<CCap> fixedGem = d.Cap(2, 3);
    fixedGem->Fixed = 1;
    fixedGem->SetValue(1);
    d.Attach(fixedGem, CBonus::kGem);
    CSharedPtr<CCap> fixedTnt = d.Cap(5, 6);
    fixedTnt->Fixed = 1;
    d.Attach(fixedTnt, CBonus::kTnt, 2);
    d.Attach(d.Cap(0, 0), CBonus::kGem);
    const int32_t fixedGemColour = fixedGem->Colour;
    const int32_t fixedTntColour = fixedTnt->Colour;
    const int32_t pool = f.GemPool;

    for (int i = 0; i < 60 && d.CountEvents(CFieldEvent::kNoMoves) == 0; ++i)
        d.Frame(0.1f);
    ASSERT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 1);

    // The old board has gone, its gems back in the pool, its fixed caps noted.
    EXPECT_EQ(f.Source, CPlayField::kRebuildRecords);
    EXPECT_EQ(f.Busy, 1);
    EXPECT_EQ(f.InputOpen, 0);
    EXPECT_EQ(f.GemPool, pool + 2);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
    ASSERT_EQ(f.RebuildRecords.size(), 8u);
    const CRebuildRecord& gemRec = f.RebuildRecords[3][2];
    EXPECT_EQ(gemRec.Empty, 0);
    EXPECT_EQ(gemRec.Column, 2);
    EXPECT_EQ(gemRec.Row, 3);
    EXPECT_EQ(gemRec.Colour, fixedGemColour);
    EXPECT_EQ(gemRec.LockCount, 1);
    EXPECT_EQ(gemRec.Gem, 1);
    EXPECT_EQ(gemRec.BonusFlag, 0);
    const CRebuildRecord& tntRec = f.RebuildRecords[6][5];
    EXPECT_EQ(tntRec.BonusFlag, 1);
    EXPECT_EQ(tntRec.BonusType, CBonus::kTnt);
    EXPECT_EQ(tntRec.BonusLevel, 2);
    EXPECT_EQ(f.RebuildRecords[0][0].Empty, 1);

    ASSERT_TRUE(d.RunUntilSettled());
    EXPECT_EQ(f.CapList.Count(), 64u); // every old cap left the cap list
    f.BuildMatchMatrix();
    EXPECT_EQ(f.MatchFinder.HasRun(3, 0), 0);
    EXPECT_EQ(f.MatchFinder.HasMove(3, 0), 1);

    const CSharedPtr<CCap> back = d.Cap(2, 3);
    ASSERT_FALSE(back.IsNull());
    EXPECT_EQ(back->Colour, fixedGemColour);
    EXPECT_EQ(back->LockCount, 1);
    EXPECT_EQ(back->Gem, 1);
    EXPECT_EQ(back->Fixed, 1);
    const CSharedPtr<CCap> tnt = d.Cap(5, 6);
    ASSERT_FALSE(tnt.IsNull());
    EXPECT_EQ(tnt->Colour, fixedTntColour);
    ASSERT_FALSE(tnt->Bonus.IsNull());
    EXPECT_EQ(tnt->Bonus->Kind, CBonus::kTnt);
    EXPECT_EQ(tnt->Bonus->Param, 2);
    // The not-fixed gem may be anywhere now; exactly one gem cap per gem.
    EXPECT_EQ(d.CountCaps([](const CCap& c) { return c.Fixed != 0; }), 2);
}

TEST_F(RebuildTest, RebuildWithoutFixedCapsLeavesNoRecords) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    f.RebuildBoard(0.25f, 30);
    EXPECT_TRUE(f.RebuildRecords.empty());
    EXPECT_EQ(f.Source, CPlayField::kRebuildRecords);
    d.reopenIn = 0.3f;
    ASSERT_TRUE(d.RunUntilSettled());
    f.BuildMatchMatrix();
    EXPECT_EQ(f.MatchFinder.HasRun(3, 0), 0);
    EXPECT_EQ(f.MatchFinder.HasMove(3, 0), 1);
}

TEST_F(RebuildTest, CapsTrembleInPlaceThenFallTenRows) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    const CSharedPtr<CCap> cap = d.Cap(4, 2);
    const CVector3 start = cap->Position;
    f.RebuildBoard(0.29f, 30);

    EXPECT_EQ(cap->State, CBoardElement::kMoving);
    EXPECT_EQ(cap->MotionPurpose, CCap::kLeaveBoard);
    EXPECT_EQ(cap->Landed, 0);
    EXPECT_FLOAT_EQ(cap->Elapsed, 0.0f);
    const float t = TenRowFall();
    EXPECT_NEAR(cap->Duration, 0.29f + t, 1e-4f);
    ASSERT_EQ(cap->Path.GetKeyCount(), 31u);
    for (size_t i = 0; i < 30; ++i) {
        EXPECT_NEAR(cap->Path.GetDuration(i), 0.01f, 1e-6f);
        const CSplineKey& key = cap->Path.GetKey(i);
        EXPECT_LE(std::fabs(key.End[0] - start.X), 0.15f * cap->Size + 1e-3f);
        EXPECT_LE(std::fabs(key.End[1] - start.Y), 0.15f * cap->Size + 1e-3f);
    }
    EXPECT_NEAR(cap->Path.GetTotal(), 30.0f * 0.29f / 29.0f + t, 1e-4f);
    const CSplineKey& fall = cap->Path.GetLastKey();
    EXPECT_FLOAT_EQ(fall.End[1], f.CellToWorld(4, 12, false).Y);
    // It falls one column to the left up to four to the right.
    const float dc = (fall.End[0] - f.CellToWorld(4, 0, false).X) / f.CellWidth;
    EXPECT_GE(dc, -1.0f - 1e-4f);
    EXPECT_LE(dc, 5.0f + 1e-4f);
    EXPECT_NEAR(dc, std::round(dc), 1e-4f);
}

TEST_F(RebuildTest, DegeneratePathArgumentsGiveShortFiniteMotions) {
    CPlayField& f = d.Field();
    const float delays[] = {0.0f, -1.0f, NAN, INFINITY};
    const int32_t keys[] = {1, 0, -5, 1};
    for (int i = 0; i < 4; ++i) {
        d.PlaceBoard(DeadBoard());
        const CSharedPtr<CCap> cap = d.Cap(1, 1);
        f.RebuildBoard(delays[i], keys[i]);
        ASSERT_EQ(cap->Path.GetKeyCount(), 3u) << i;
        for (size_t k = 0; k < cap->Path.GetKeyCount(); ++k) {
            EXPECT_TRUE(std::isfinite(cap->Path.GetDuration(k))) << i;
            EXPECT_GE(cap->Path.GetDuration(k), 0.001f) << i;
        }
        EXPECT_TRUE(std::isfinite(cap->Duration)) << i;
        EXPECT_GE(cap->Duration, 0.001f) << i;
        float p[3];
        cap->Path.GetPoint(p, cap->Duration);
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1])) << i;
        f.CapList.Clear();
    }
}

TEST_F(RebuildTest, ClosingTheInvalidMoveTipOnLevelOneRemembersItOnlyAfterThreeShows) {
    CPlayField& f = d.Field();
    const int32_t seen3 = CProfileSettings::kFirstTipSwitch + 2;
    f.TutorialNumber = 3;
    f.InvalidMoveTips = 2;
    f.CloseTutorialTip(1);
    EXPECT_EQ(d.Tutorial().Switch(seen3), 0);
    EXPECT_EQ(f.TutorialNumber, 0);

    f.TutorialNumber = 3;
    f.InvalidMoveTips = 3;
    f.CloseTutorialTip(1);
    EXPECT_EQ(d.Tutorial().Switch(seen3), 1);

    d.Tutorial().SetSwitch(seen3, 0);
    f.LevelNumber = 2;
    f.InvalidMoveTips = 0;
    f.TutorialNumber = 3;
    f.CloseTutorialTip(1);
    EXPECT_EQ(d.Tutorial().Switch(seen3), 1);
}

TEST_F(RebuildTest, ClosingATipMarksItSeenOnlyWhenRemembered) {
    CPlayField& f = d.Field();
    const std::string profile = d.Motion().ProfilePath;
    std::filesystem::create_directories(profile);
    auto savedSwitch = [&](int32_t tip) {
        CProfileSettings saved;
        saved.Load(profile);
        return saved.Switch(CProfileSettings::kFirstTipSwitch + tip - 1);
    };
    for (int32_t tip : {1, 2, 4, 5, 6, 8, 9, 10}) {
        f.TutorialNumber = tip;
        f.CloseTutorialTip(0);
        EXPECT_EQ(f.TutorialNumber, 0);
        EXPECT_EQ(d.Tutorial().Switch(CProfileSettings::kFirstTipSwitch + tip - 1), 0) << tip;
        EXPECT_EQ(savedSwitch(tip), 0) << tip;
    }
    for (int32_t tip : {1, 2, 4, 5, 6, 8, 9, 10}) {
        f.TutorialNumber = tip;
        f.CloseTutorialTip(1);
        EXPECT_EQ(d.Tutorial().Switch(CProfileSettings::kFirstTipSwitch + tip - 1), 1) << tip;
        // Saved in the profile at once.
        EXPECT_EQ(savedSwitch(tip), 1) << tip;
    }
    // Any other number only ends the tip; the sand box runs again.
    d.Sandbox()->Running = 0;
    f.TutorialNumber = 42;
    f.CloseTutorialTip(1);
    EXPECT_EQ(f.TutorialNumber, 0);
    EXPECT_EQ(d.Sandbox()->Running, 1);
}

TEST_F(RebuildTest, ClosingTheBoardTipRestartsTheLevelBoard) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    const CSharedPtr<CCap> cap = d.Cap(6, 7);
    const float y = cap->Position.Y;
    f.SwapCaps(0, 0, 1, 0, 0);
    f.TutorialNumber = 7;
    f.CloseTutorialTip(0);

    EXPECT_EQ(d.Tutorial().Switch(CProfileSettings::kFirstTipSwitch + 6), 0);
    EXPECT_EQ(f.Busy, 1);
    EXPECT_EQ(f.Source, CPlayField::kLevelBoard);
    EXPECT_TRUE(f.SwapList.empty());
    EXPECT_TRUE(f.RecheckList.empty());
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
    // Straight down, one key, free fall.
    EXPECT_EQ(cap->Path.GetKeyCount(), 1u);
    EXPECT_FLOAT_EQ(cap->Path.GetLastKey().End[0], cap->Position.X);
    EXPECT_FLOAT_EQ(cap->Path.GetLastKey().End[1], f.CellToWorld(6, 17, false).Y);
    EXPECT_NEAR(cap->Duration,
                sqrt(std::fabs(2.0f * (y - f.CellToWorld(6, 17, false).Y) / 2000.0f)), 1e-5f);
    EXPECT_EQ(cap->MotionPurpose, CCap::kLeaveBoard);
}

TEST_F(RebuildTest, DropAllCapsEndsTheLevelUntilTheNextReset) {
    CPlayField& f = d.Field();
    d.PlaceBoard(DeadBoard());
    d.Attach(d.Cap(2, 2), CBonus::kGem);
    d.Sandbox()->Grains.push_back(SandDrop{1.0f, 2.0f, 0.1f});
    f.Totems.SetBlueFlag(1);
    f.Totems.Selected = 3;
    f.Totems.Ready = 0;
    f.Adviser.AddTime(1, 20.0f);
    f.CapSlot->Select(d.Cap(0, 0));

    f.DropAllCaps();
    EXPECT_EQ(f.LevelOver, 1);
    EXPECT_EQ(f.InputOpen, 0);
    EXPECT_EQ(f.Adviser.State, 0);
    EXPECT_TRUE(f.CapSlot->Cap.IsNull());
    EXPECT_TRUE(d.Sandbox()->Grains.empty());
    EXPECT_EQ(f.Totems.BlueFlag, 0);
    EXPECT_EQ(f.Totems.Selected, -1);
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);

    // The caps leave the cap list once they are below the board, their bonuses
    // with them; nothing refills while the level is over.
    d.Frames(120);
    EXPECT_EQ(f.CapList.Count(), 0u);
    EXPECT_TRUE(d.Bonuses().Bonuses.empty());
    EXPECT_EQ(d.CountCaps([](const CCap&) { return true; }), 0);
    EXPECT_EQ(d.CountEvents(CFieldEvent::kNoMoves), 0);

    f.Reset(0);
    EXPECT_EQ(f.LevelOver, 0);
    EXPECT_EQ(f.InputOpen, 1);
}

} // namespace
} // namespace rulestest
