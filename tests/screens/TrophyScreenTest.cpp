// The award display on the game's trophy form: timing, spiral, a close during
// the fly-in, the description under the pointer and the backdrop.
#include <cmath>

#include "effects/ParticleSystemsManager.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensFixture.h"
#include "ui/UxForm.h"

namespace {

class TrophyScreenTest : public ScreensTest {
protected:
    void SetUp() override {
        ScreensTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(Load(), 1);
        using Sprites = CSharedPtr<CSpriteLayer>;
        Trophies.SetResources(Screens,
                              CSharedPtr<CParticleSystemsManager>(
                                  new CParticleSystemsManager(Device, Vertices, Indices)),
                              CSharedPtr<CQuadLayer>(new CQuadLayer(Device, Vertices, Indices)),
                              Sprites(new CSpriteLayer(Device, Vertices, Indices)),
                              Sprites(new CSpriteLayer(Device, Vertices, Indices)));
        Trophies.LoadDescriptions(Paths.TxtPath + CTrophies::kDescriptionsFile);
        Screens->FadeIn(Screens->TrophiesForm, CScreensManager::kMenuFade);
        Run(30, 0.05f);
    }
    void TearDown() override {
        // Everything the display holds goes before the device.
        Trophies.CommitPendingAwards();
        Trophies.SetResources({}, {}, {}, {}, {});
        ScreensTest::TearDown();
    }
    // One game frame of the display and of the layers it feeds.
    int32_t Frame(float dt, float mx = 1000.0f, float my = 1000.0f) {
        const int32_t landed = Trophies.UpdatePopup(dt, mx, my);
        Trophies.AwardSprites->Update(dt, 0);
        Trophies.Quads->Update(dt);
        return landed;
    }
    const CUxWindow& LevelWindow(size_t trophy, size_t level) {
        return *Screens->TrophyGroups200[trophy].Windows[level - 1];
    }

    CTrophies Trophies;
};

TEST_F(TrophyScreenTest, EachAwardTakesTwoSecondsAndACloseCommitsTheRestSilently) {
    constexpr float dt = 0.125f; // exact in binary: 12 frames fly, 4 land
    for (auto [trophy, level] : {std::pair{3, 1}, {8, 2}, {4, 3}})
        Trophies.QueueAward(trophy, level);
    std::vector<std::pair<int, size_t>> landed; // frame, awards still waiting
    for (int frame = 1; frame <= 60; ++frame) {
        if (Frame(dt))
            landed.emplace_back(frame, Trophies.Pending.size());
        if (frame == 6) {
            // Half the flight: 3/4 of a turn, 2.5 times the size, fully shown.
            const CUxWindow& w = LevelWindow(3, 1);
            ASSERT_FALSE(Trophies.Popup.IsNull());
            const CSpriteQuad& p = *Trophies.Popup;
            EXPECT_NEAR(p.Position.X, w.Position.X, 0.01f);
            EXPECT_NEAR(p.Position.Y, w.Position.Y - 0.5f * w.Height, 0.01f);
            EXPECT_NEAR(p.Width, 2.5f * w.Width, 0.01f);
            EXPECT_FLOAT_EQ(p.Alpha, 1.0f);
        }
        if (frame == 12) {
            EXPECT_EQ(Trophies.Levels[3], 1);
            EXPECT_EQ(Trophies.AwardSprites->GetDrawn().size(), 1u) << "the flash alone";
            EXPECT_EQ(Trophies.Quads->Count(), 1u) << "the glow";
        }
    }
    EXPECT_EQ(landed, (std::vector<std::pair<int, size_t>>{{16, 2}, {32, 1}, {48, 0}}));
    EXPECT_EQ(Trophies.Levels, (std::vector<int32_t>{0, 0, 0, 1, 3, 0, 0, 0, 2}));
    // A hidden form holds the display; a frame longer than the flight lands it.
    Trophies.QueueAward(5, 1);
    Screens->TrophiesForm->SetVisible(0);
    EXPECT_TRUE(Frame(dt) + Frame(dt) == 0 && Trophies.Popup.IsNull());
    Screens->TrophiesForm->SetVisible(1);
    EXPECT_EQ(Frame(5.0f) + 2 * Frame(0.5f), 2);

    // Closed during a flight: no flash, no glow, every award earned.
    Trophies.QueueAward(2, 2);
    Trophies.QueueAward(6, 1);
    EXPECT_EQ(Frame(0.3f) + Frame(0.3f), 0);
    ASSERT_FALSE(Trophies.Popup.IsNull());
    Trophies.CommitPendingAwards();
    EXPECT_TRUE(Trophies.Popup.IsNull() && Trophies.Trail.IsNull() && !Trophies.HasPending());
    EXPECT_TRUE(Trophies.AwardSprites->GetDrawn().empty() && Trophies.Quads->IsEmpty());
    EXPECT_EQ(Trophies.Levels, (std::vector<int32_t>{0, 0, 2, 1, 3, 1, 1, 0, 2}));
    EXPECT_TRUE(LevelWindow(2, 2).Visible && !LevelWindow(2, 1).Visible);
    EXPECT_FALSE(Screens->TrophyGroups100[2].Windows.front()->Visible) << "unveiled";
}

TEST_F(TrophyScreenTest, DescriptionFollowsThePointerOverEarnedTrophies) {
    Trophies.Levels[7] = Trophies.ShownLevels[7] = 1;
    Trophies.RefreshWindows();
    const CWindowList& box = Screens->TrophyIcons;
    const CUxWindow& medal = LevelWindow(7, 1);
    Frame(0.01f, medal.Position.X, medal.Position.Y);
    EXPECT_TRUE(box.front()->Visible);
    EXPECT_EQ(CScreensManager::WindowText(box.front()) + "\n", Trophies.Descriptions[7][0]);
    EXPECT_EQ(box.front()->Position.X,
              std::floor(medal.Position.X) + Screens->TrophyIconPositions.front().X);
    // A trophy not earned shows nothing.
    Frame(0.01f, LevelWindow(0, 1).Position.X, LevelWindow(0, 1).Position.Y);
    EXPECT_FALSE(box.front()->Visible);

    // The backdrop is made once and goes without trace.
    for (int on : {1, 1, 0, 0}) {
        Trophies.SetBackdrop(on);
        EXPECT_EQ(Trophies.BackdropSprites->GetDrawn().size(), on ? 1u : 0u);
    }
}

} // namespace
