// The flash bonus: which cells each variant strikes, what a firing leaves on
// the layers, the sparks, the motion ramps and the end of a pop.
#include <set>
#include <utility>

#include "KindsTestSupport.h"
#include "bonuses/BonusFlash.h"
#include "effects/Collection2ParticleSystem.h"

using namespace kindstest;

namespace {

std::vector<std::pair<int, int>> Cells(const std::vector<CFlashCell>& cells) {
    std::vector<std::pair<int, int>> out;
    for (const CFlashCell& c : cells)
        out.emplace_back(c.Column, c.Row);
    return out;
}

using FlashTest = KindsTest;

TEST(FlashCells, EachVariantStrikesItsLinesOnce) {
    using P = std::vector<std::pair<int, int>>;
    // Variant 0 on the top row: its own cell only.
    EXPECT_EQ(Cells(CBonusFlash::StruckCells(0, 5, 0, 8, 8)), (P{{5, 0}}));
    // Variant 0 lower down: its cell, then the column upwards.
    EXPECT_EQ(Cells(CBonusFlash::StruckCells(0, 2, 3, 8, 8)), (P{{2, 3}, {2, 2}, {2, 1}, {2, 0}}));
    // Variant 1: the row only, left to right.
    EXPECT_EQ(Cells(CBonusFlash::StruckCells(1, 2, 3, 4, 8)), (P{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    // Variant 2: the row, then up the column.
    EXPECT_EQ(Cells(CBonusFlash::StruckCells(2, 1, 2, 3, 8)),
              (P{{0, 2}, {1, 2}, {2, 2}, {1, 1}, {1, 0}}));
    // Variant 3: the whole row and the whole column, every cell once.
    const auto all = CBonusFlash::StruckCells(3, 4, 5, 8, 8);
    EXPECT_EQ(all.size(), 8u + 8u - 1u);
    std::set<std::pair<int, int>> unique;
    for (const CFlashCell& c : all) {
        EXPECT_TRUE(c.Column == 4 || c.Row == 5);
        unique.emplace(c.Column, c.Row);
    }
    EXPECT_EQ(unique.size(), all.size());
    // A bonus that is on no cell of the board strikes nothing.
    EXPECT_TRUE(CBonusFlash::StruckCells(3, -1, -1, 8, 8).empty());
    EXPECT_TRUE(CBonusFlash::StruckCells(2, 3, 8, 8, 8).empty());
}

TEST_F(FlashTest, FiringQueuesItsCellsAndLightsBoltsPerVariant) {
    const size_t bolts[4] = {1, 2, 3, 4};
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        manager.Clear();
        const size_t systemsBefore = CountSystems<CThunderboltParticleSystem>(*particles1);
        const size_t quadsBefore = quad1->Count();
        CSharedPtr<CBonus> b = Make(CBonus::kFlash, v, 3, 4);
        b->Fire();
        ASSERT_FALSE(b->Events.empty());
        EXPECT_EQ(b->Events[0].Code, CBonusEvent::kFlashFired);
        EXPECT_EQ(b->Events[0].A, v);
        const auto cells = CBonusFlash::StruckCells(v, 3, 4, 8, 8);
        ASSERT_EQ(b->Events.size(), cells.size() + 1);
        for (size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(b->Events[i + 1].Code, CBonusEvent::kDestroyCell);
            EXPECT_EQ(b->Events[i + 1].B, cells[i].Column);
            EXPECT_EQ(b->Events[i + 1].C, cells[i].Row);
        }
        EXPECT_EQ(CountSystems<CThunderboltParticleSystem>(*particles1) - systemsBefore, bolts[v]);
        // Two glows at the bonus and one along each bolt.
        EXPECT_EQ(quad1->Count() - quadsBefore, 2 + bolts[v]);
    }
}

TEST_F(FlashTest, FiredBonusWaitsForItsEventsThenGoes) {
    CSharedPtr<CBonus> b = Make(CBonus::kFlash, 1);
    const size_t sprites = SpriteCount(*sprite1);
    EXPECT_EQ(sprites, 3u + 1u + 2u);  // picture, glow, halo, core, two sparks
    b->Fire();
    b->Fire();  // a second fire changes nothing
    EXPECT_EQ(b->Events.size(), 1u + 8u);
    EXPECT_EQ(b->IsEffectDone(), 0);
    // The picture bursts into pieces.
    EXPECT_EQ(CountSystems<CCollection2ParticleSystem>(*particles1), 1u);

    Frame(0.02f);
    EXPECT_TRUE(Listed(b));
    EXPECT_EQ(manager.Pending.size(), 9u);
    EXPECT_TRUE(manager.Pending[0].Source == b);
    EXPECT_EQ(manager.AreEffectsDone(), 0);
    Frame(0.02f);
    EXPECT_FALSE(Listed(b));
    // The picture's sprites run out a moment after the firing.
    Frame(0.02f);
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
}

TEST_F(FlashTest, SparksSpinAndFlickerWithinTheirFrames) {
    CSharedPtr<CBonus> b = Make(CBonus::kFlash, 3);
    auto& flash = static_cast<CBonusFlash&>(*b);
    ASSERT_EQ(flash.Extra.size(), 1u + 4u);
    int changes = 0;
    std::vector<int32_t> last;
    for (size_t i = 1; i < flash.Extra.size(); ++i) {
        EXPECT_EQ(flash.Extra[i]->Frames.size(), 4u * CBonusFlash::kSparkFrames);
        EXPECT_EQ(flash.Extra[i]->SpinOn, 1);
        const float speed = std::fabs(flash.Extra[i]->SpinSpeed);
        EXPECT_GE(speed, 0.75f * g_bonusParams.Flash.W - 1e-4f);
        EXPECT_LE(speed, 1.25f * g_bonusParams.Flash.W + 1e-4f);
        last.push_back(flash.Extra[i]->CurrentFrame);
    }
    for (int f = 0; f < 200; ++f) {
        Frame(1.0f / 60.0f);
        for (size_t i = 1; i < flash.Extra.size(); ++i) {
            const int32_t frame = flash.Extra[i]->CurrentFrame;
            EXPECT_GE(frame, 0);
            EXPECT_LT(frame, CBonusFlash::kSparkFrames);
            changes += frame != last[i - 1] ? 1 : 0;
            last[i - 1] = frame;
        }
    }
    // About half of the frames draw a new frame (7 in 8 of which differ).
    EXPECT_GT(changes, 4 * 200 / 4);
    EXPECT_LT(changes, 4 * 200 * 3 / 4);
}

TEST_F(FlashTest, FlyInRampsScaleAndAlphaThenPlaces) {
    CSharedPtr<CBonus> b;
    manager.CreateBonus(b, CBonus::kFlash, 0, 0, 1);
    auto& flash = static_cast<CBonusFlash&>(*b);
    b->FlyIn(10.0f, 20.0f, 50.0f, 39.0f, 3, 4, 0, 1.0f);
    EXPECT_EQ(b->State, CBonus::kFlyingIn);
    Frame(0.25f);
    const float scale = 39.0f / 38.0f;
    // A quarter of the way: alpha 0.5, size 6 - 0.25 * 5 times the picture.
    EXPECT_NEAR(flash.Main[0]->Alpha, 0.5f, 1e-5f);
    EXPECT_NEAR(flash.Main[0]->Width, 88.0f * scale * 4.75f, 1e-3f);
    EXPECT_NEAR(flash.Extra[0]->Alpha, 0.5f, 1e-5f);
    Frame(1.0f);
    EXPECT_EQ(b->State, CBonus::kPlaced);
    EXPECT_NEAR(flash.Main[0]->Width, 88.0f * scale, 1e-3f);
    EXPECT_FLOAT_EQ(flash.Main[0]->Alpha, 1.0f);
    EXPECT_FLOAT_EQ(flash.Main[0]->Position.X, 10.0f);
    EXPECT_FLOAT_EQ(flash.Main[0]->Position.Z, 49.5f);
}

TEST_F(FlashTest, EndedPopOnlyWaitsForItsEvent) {
    CSharedPtr<CBonus> b = Make(CBonus::kFlash, 2);
    b->Pop(0.5f);
    Frame(1.0f);
    EXPECT_EQ(Codes(manager.Pending), (std::vector<int32_t>{CBonusEvent::kNeedsCap}));
    EXPECT_TRUE(Listed(b));
    // Nobody gave it a new cap: it goes, without firing anything.
    Frame(0.1f);
    EXPECT_FALSE(Listed(b));
    EXPECT_TRUE(manager.Pending.empty());
    EXPECT_EQ(CountSystems<CThunderboltParticleSystem>(*particles1), 0u);
}

TEST_F(FlashTest, LayerFlagMovesSpritesAndHideShowKeepsEveryPart) {
    CSharedPtr<CBonus> b = Make(CBonus::kFlash, 3);
    const size_t n = SpriteCount(*sprite1);
    b->SetLayerFlag(1);  // unchanged
    EXPECT_EQ(SpriteCount(*sprite1), n);
    b->SetLayerFlag(0);
    EXPECT_EQ(SpriteCount(*sprite1), 0u);
    EXPECT_EQ(SpriteCount(*sprite3), n);
    b->Hide();
    EXPECT_EQ(sprite3->GetDrawn().size(), 0u);
    b->Show();
    EXPECT_EQ(sprite3->GetDrawn().size(), n);
    // Fired on the upper layers, its effects go there too.
    b->Fire();
    EXPECT_EQ(CountSystems<CThunderboltParticleSystem>(*particles2), 4u);
    EXPECT_EQ(CountSystems<CThunderboltParticleSystem>(*particles1), 0u);
}

} // namespace
