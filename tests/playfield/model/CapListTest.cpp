// Board tokens and the cap list: sprites in the caps manager, motions and their
// reports, the queries the field and the terminators make, and the sprite
// changes (colour, dark look, chains).
#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "playfield/CapList.h"
#include "playfield/CapsManager.h"
#include "support/CapsFiles.h"
#include "support/CapturedLog.h"

using testsupport::CapturedLog;
using testsupport::TempDir;

namespace {

class CapListTest : public ::testing::Test {
protected:
    CapListTest()
        : Manager(new CCapsManager(CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(),
                                   CSharedPtr<CIndexBuffer>())) {
        List.SetCapsManager(Manager);
        List.SetOrigin(-194.5f, 340.5f, 50.0f, 1);
    }

    CSharedPtr<CCap> Make(int32_t colour, float x = 41.5f, float y = -41.5f) {
        CSharedPtr<CCap> cap;
        List.CreateCap(cap, colour, 0, x, y, 0.0f, 39.0f, 1, -194.5f, 340.5f, 50.0f);
        cap->Kind = CBoardElement::kBoardCap;
        return cap;
    }

    size_t DrawListCount() const {
        size_t n = 0;
        for (const auto& s : Manager->GetDrawList())
            if (!s.IsNull())
                ++n;
        return n;
    }

    CSharedPtr<CCapsManager> Manager;
    CCapList List;
};

} // namespace

TEST_F(CapListTest, CreateCapMakesAListedTokenWithItsSprite) {
    CSharedPtr<CCap> cap;
    List.CreateCap(cap, 3, 1, 10.0f, -20.0f, 0.0f, 39.0f, 1, -194.5f, 340.5f, 50.0f);
    ASSERT_FALSE(cap.IsNull());
    EXPECT_EQ(cap->Kind, CBoardElement::kNewElement);
    EXPECT_EQ(cap->State, CBoardElement::kAtRest);
    EXPECT_EQ(cap->Colour, 3);
    EXPECT_EQ(cap->Gem, 1);
    EXPECT_FLOAT_EQ(cap->StartPosition.X, 10.0f);
    EXPECT_FLOAT_EQ(cap->Size, 39.0f);
    ASSERT_FALSE(cap->Sprite.IsNull());
    EXPECT_EQ(cap->Sprite->Kind, 3);
    EXPECT_FLOAT_EQ(cap->Sprite->HalfSize, 39.0f);
    EXPECT_FLOAT_EQ(cap->Sprite->X, 10.0f - 194.5f);
    EXPECT_FLOAT_EQ(cap->Sprite->Y, -20.0f + 340.5f);
    EXPECT_FLOAT_EQ(cap->Sprite->Z, 50.0f);
    EXPECT_EQ(cap->Sprite->Layer, 0);
    EXPECT_EQ(List.Count(), 1u);
    EXPECT_EQ(DrawListCount(), 1u);

    CSharedPtr<CCap> steel;
    List.CreateCap(steel, CCap::kSteel, 0, 0.0f, 0.0f, 0.0f, 39.0f, 0, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(steel->Sprite->Kind, 100);
    EXPECT_TRUE(steel->IsSteel());
    EXPECT_EQ(List.Count(), 1u) << "not listed when not asked";
}

TEST_F(CapListTest, RemoveAndClearTakeTheSpritesOutOfTheManager) {
    CSharedPtr<CCap> a = Make(0), b = Make(1), c = Make(2);
    ASSERT_EQ(DrawListCount(), 3u);
    EXPECT_EQ(List.Remove(b), 1);
    EXPECT_EQ(List.Count(), 2u);
    EXPECT_EQ(DrawListCount(), 2u);
    EXPECT_EQ(List.Remove(b), -1) << "already gone";
    EXPECT_EQ(List.Remove(CSharedPtr<CCap>()), -1);
    EXPECT_FALSE(b->Sprite.IsNull()) << "holders of the token keep its sprite record";
    List.Clear();
    EXPECT_EQ(List.Count(), 0u);
    EXPECT_EQ(DrawListCount(), 0u);
    EXPECT_EQ(a.UseCount(), 1u);
}

TEST_F(CapListTest, MotionsRunTheirPathAndAreReportedAtTheEnd) {
    CSharedPtr<CCap> cap = Make(0, 41.5f, 200.0f);
    cap->StartMove(41.5f, -41.5f, 0.0f, 0.5f, 1, 0, 1, 1, 2, 1);
    cap->SetFalling();
    EXPECT_EQ(cap->State, CBoardElement::kMoving);
    EXPECT_EQ(cap->MotionPurpose, CCap::kFallIntoCell);
    EXPECT_EQ(cap->Falling, 1);
    EXPECT_EQ(List.IsIdle(), 0);

    EXPECT_EQ(List.Update(0.25f, 0.0f, 0.0f), 0);
    EXPECT_LT(cap->Position.Y, 200.0f);
    EXPECT_GT(cap->Position.Y, -41.5f);
    EXPECT_FLOAT_EQ(cap->Sprite->Y, cap->Position.Y + 340.5f);

    // A long frame ends the motion exactly at its end point (the path is not
    // extrapolated).
    ASSERT_EQ(List.Update(1.0f, 0.0f, 0.0f), 1);
    ASSERT_EQ(List.GetFinished().size(), 1u);
    EXPECT_EQ(List.GetFinished()[0].Kind, CCapList::kMoveEnded);
    EXPECT_TRUE(List.GetFinished()[0].Cap == cap);
    EXPECT_FLOAT_EQ(cap->Position.Y, -41.5f);
    EXPECT_FLOAT_EQ(cap->Position.X, 41.5f);

    // Reported while it stays in its motion state; the owner rests it.
    EXPECT_EQ(List.Update(0.1f, 0.0f, 0.0f), 1);
    EXPECT_FLOAT_EQ(cap->Position.Y, -41.5f);
    cap->State = CBoardElement::kAtRest;
    EXPECT_EQ(List.Update(0.1f, 0.0f, 0.0f), 0);
    EXPECT_TRUE(List.GetFinished().empty());
    EXPECT_EQ(List.IsIdle(), 1);
}

TEST_F(CapListTest, SwapMotionsReportKindTwoAndRestingCapsStayPut) {
    CSharedPtr<CCap> a = Make(0, 41.5f, -41.5f);
    CSharedPtr<CCap> still = Make(1, 124.5f, -41.5f);
    a->Path.SetFirstKey(41.5f, -41.5f, 0.0f, 124.5f, -41.5f, 0.0f, 1, 1, 1, 1, 1, 1, 0.4f);
    a->Elapsed = 0.0f;
    a->Duration = 0.4f;
    a->State = CBoardElement::kSwapping;
    still->Position = CVector3(5.0f, 6.0f, 0.0f);
    EXPECT_EQ(List.Update(0.5f, 0.0f, 0.0f), 1);
    EXPECT_EQ(List.GetFinished()[0].Kind, CCapList::kSwapEnded);
    EXPECT_FLOAT_EQ(a->Position.X, 124.5f);
    EXPECT_FLOAT_EQ(still->Position.X, 5.0f);
    EXPECT_FLOAT_EQ(still->Sprite->X, 5.0f - 194.5f) << "every sprite follows its token";
}

TEST_F(CapListTest, SetOriginMovesEveryToken) {
    CSharedPtr<CCap> cap = Make(0, 41.5f, -41.5f);
    List.SetOrigin(-190.0f, 345.0f, 50.0f, 1);
    EXPECT_FLOAT_EQ(cap->Offset.X, -190.0f);
    EXPECT_FLOAT_EQ(cap->Sprite->X, 41.5f - 190.0f);
    EXPECT_FLOAT_EQ(cap->Sprite->Y, -41.5f + 345.0f);
    List.SetOrigin(0.0f, 0.0f, 0.0f, 0);
    EXPECT_FLOAT_EQ(cap->Offset.X, -190.0f) << "not applied";
    EXPECT_FLOAT_EQ(List.GetOrigin()[0], 0.0f);
}

TEST_F(CapListTest, FindMovingCapLooksNearThePoint) {
    CSharedPtr<CCap> moving = Make(0, 41.5f, -41.5f);
    CSharedPtr<CCap> resting = Make(1, 124.5f, -41.5f);
    moving->State = CBoardElement::kMoving;
    const float x = 41.5f - 194.5f, y = -41.5f + 340.5f;
    EXPECT_TRUE(List.FindMovingCap(x + 10.0f, y - 10.0f) == moving);
    EXPECT_TRUE(List.FindMovingCap(x + 38.0f, y + 38.0f).IsNull()) << "outside the distance";
    EXPECT_TRUE(List.FindMovingCap(x + 40.0f, y).IsNull());
    EXPECT_TRUE(List.FindMovingCap(124.5f - 194.5f, y).IsNull()) << "resting caps are skipped";
    moving->Kind = CBoardElement::kNewElement;
    EXPECT_TRUE(List.FindMovingCap(x, y).IsNull()) << "only board caps";
}

TEST_F(CapListTest, PickRandomFreeCapSkipsBusyCapsAndFallsBackToSteel) {
    Rand15::Global().Seed(99);
    CSharedPtr<CCap> removing = Make(0), chained = Make(1), fresh = Make(2), steel = Make(100);
    removing->State = CBoardElement::kRemoving;
    chained->SetValue(2);
    fresh->Kind = CBoardElement::kNewElement;
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(List.PickRandomFreeCap() == steel) << "only the steel cap is free";
    CSharedPtr<CCap> a = Make(3), b = Make(4);
    int seenA = 0, seenB = 0;
    for (int i = 0; i < 200; ++i) {
        CSharedPtr<CCap> p = List.PickRandomFreeCap();
        ASSERT_TRUE(p == a || p == b) << "ordinary colours first";
        (p == a ? seenA : seenB)++;
    }
    EXPECT_GT(seenA, 0);
    EXPECT_GT(seenB, 0);
    List.Remove(steel);
    List.Remove(a);
    List.Remove(b);
    EXPECT_TRUE(List.PickRandomFreeCap().IsNull());
}

TEST_F(CapListTest, ARandomDrawOfOneCannotDefeatThePick) {
    // Find a seed whose next draw is 32767 (RandomFloat() == 1.0).
    uint32_t seed = 0;
    for (;; ++seed) {
        Rand15 probe(seed);
        if (probe.Next() == Rand15::kMax)
            break;
    }
    CSharedPtr<CCap> only = Make(5);
    Rand15::Global().Seed(seed);
    EXPECT_TRUE(List.PickRandomFreeCap() == only);
}

TEST_F(CapListTest, ChainsColourAndDarkLookReachTheSprite) {
    CSharedPtr<CCap> cap = Make(2);
    cap->SetValue(2);
    EXPECT_EQ(cap->LockCount, 2);
    EXPECT_EQ(cap->Sprite->ChainLevel, 2);
    cap->Sprite->LightEnabled = 1;

    CSharedPtr<CCapSprite> old = cap->Sprite;
    List.RecolourCap(cap, 5);
    EXPECT_EQ(cap->Colour, 5);
    EXPECT_FALSE(cap->Sprite == old);
    EXPECT_EQ(cap->Sprite->Kind, 5);
    EXPECT_EQ(cap->Sprite->ChainLevel, 2);
    EXPECT_EQ(cap->Sprite->LightEnabled, 1);
    EXPECT_EQ(DrawListCount(), 1u) << "the old sprite left the manager";

    List.SetDark(cap, 1);
    EXPECT_EQ(cap->Dark, 1);
    EXPECT_EQ(cap->Sprite->Kind, 55);
    List.SetDark(cap, 1);
    EXPECT_EQ(cap->Sprite->Kind, 55);
    List.RecolourCap(cap, 0);
    EXPECT_EQ(cap->Sprite->Kind, 50) << "a dark cap stays dark in its new colour";
    List.SetDark(cap, 0);
    EXPECT_EQ(cap->Sprite->Kind, 0);

    List.SetGemFlag(cap, 1);
    EXPECT_EQ(cap->Gem, 1);
}

TEST_F(CapListTest, CapFramesAndTheHoverAnimationUseTheAnimations) {
    float frame[4];
    EXPECT_FALSE(List.GetCapFrame(0, frame)) << "nothing loaded yet";
    EXPECT_FLOAT_EQ(frame[2], 1.0f);

    TempDir dir;
    CapturedLog log(dir);
    dir.Write("CapsAnimation.dat",
              testsupport::CapsAnimationText(CCapAnimation::kRecordCount, 4, "0 1 2 3 2 1"));
    ASSERT_EQ(Manager->LoadCapsAnimation(dir.Folder()), 1) << log.Text();
    ASSERT_TRUE(List.GetCapFrame(7, frame));
    EXPECT_FLOAT_EQ(frame[0], 0.0f);
    EXPECT_FLOAT_EQ(frame[1], 7.0f * 32.0f / 512.0f);
    EXPECT_FLOAT_EQ(frame[2], 32.0f / 256.0f);
    EXPECT_FLOAT_EQ(frame[3], 8.0f * 32.0f / 512.0f);
    EXPECT_FALSE(List.GetCapFrame(8, frame));
    EXPECT_FALSE(List.GetCapFrame(-1, frame));

    CSharedPtr<CCap> cap = Make(1, 41.5f, -41.5f);
    CSharedPtr<CCap> other = Make(2, 124.5f, -41.5f);
    const float px = 41.5f - 194.5f, py = -41.5f + 340.5f;
    int32_t seenMax = 0;
    for (int i = 0; i < 12; ++i) {
        List.Update(0.05f, px, py);
        seenMax = std::max(seenMax, cap->Sprite->TrackPosition);
        EXPECT_LT(cap->Sprite->TrackPosition, 6);
        EXPECT_EQ(other->Sprite->TrackPosition, 0);
    }
    EXPECT_EQ(seenMax, 5) << "the whole track plays while the pointer rests on the cap";
    List.Update(0.05f, 500.0f, 500.0f);
    EXPECT_EQ(cap->Sprite->TrackPosition, 0);
}

TEST(Cap, StartMoveAndSpriteKind) {
    CCap cap;
    EXPECT_EQ(cap.Kind, CBoardElement::kNewElement);
    EXPECT_FLOAT_EQ(cap.Size, 32.0f);
    cap.Position = CVector3(1.0f, 2.0f, 3.0f);
    cap.Elapsed = 5.0f;
    cap.StartMove(11.0f, 12.0f, 0.0f, 2.0f, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(cap.State, CBoardElement::kMoving);
    EXPECT_FLOAT_EQ(cap.Elapsed, 0.0f);
    EXPECT_FLOAT_EQ(cap.Duration, 2.0f);
    float p[3];
    cap.Path.GetPoint(p, 1.0f);
    EXPECT_FLOAT_EQ(p[0], 6.0f);
    EXPECT_FLOAT_EQ(p[1], 7.0f);
    cap.Colour = 4;
    EXPECT_EQ(cap.SpriteKind(), 4);
    cap.Dark = 1;
    EXPECT_EQ(cap.SpriteKind(), 54);
    cap.SetValue(3);  // no sprite: only the count
    EXPECT_EQ(cap.LockCount, 3);
    EXPECT_FALSE(cap.HasBonus());
    EXPECT_TRUE(cap.IsOrdinaryColour());
}
