// The hint display: its counter, its refresh requests, its arrows and how it
// closes.
#include <cmath>
#include <string>

#include "BonusTestSupport.h"
#include "bonuses/AdviserInterface.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "ui/UxStatic.h"

namespace bonustest {
namespace {

// A counter like the quest form's: a static with a caption and a picture, in
// a layer of the form's own.
CSharedPtr<CUxStatic> MakeCounter() {
    CSharedPtr<CUxStatic> w(new CUxStatic(MakeSpriteLayer(), CSharedPtr<CTextLayer>()));
    w->SetBaseSize(64.0f, 64.0f);
    w->SetCaption(CSharedPtr<CBitmapFont>(), 20.0f, 20.0f, "", 0);
    w->SetPicture(CSharedPtr<CTexture>(), 0.0f, 0.0f, 1.0f, 1.0f);
    return w;
}

std::string ShownBy(const CSharedPtr<CUxStatic>& w) {
    return w->Texts.empty() ? "" : w->Texts[0]->GetText();
}

class AdviserInterfaceTest : public BonusFixture {
protected:
    void SetUp() override {
        BonusFixture::SetUp();
        layer = MakeSpriteLayer();
        count = MakeCounter();
        control = CSharedPtr<CUxWindow>(new CUxWindow(layer, CSharedPtr<CTextLayer>()));
        adviser.Attach(count, control, CSharedPtr<CTexture>(), layer);
    }
    // Frames of dt until the display answers `result`; how many it took.
    int FramesUntil(int32_t result, float dt, int limit = 1000) {
        for (int i = 1; i <= limit; ++i)
            if (adviser.Update(dt) == result)
                return i;
        return -1;
    }
    std::string Shown() const { return ShownBy(count); }
    float Angle() const { return count->Pictures[0]->Angle; }

    CSharedPtr<CSpriteLayer> layer;
    CSharedPtr<CUxStatic> count;
    CSharedPtr<CUxWindow> control;
    CAdviserInterface adviser;
};

TEST_F(AdviserInterfaceTest, TheCounterShowsTheSecondsLeftRoundedUp) {
    EXPECT_EQ(adviser.Update(0.1f), CAdviserInterface::kIdle);
    adviser.AddTime(1, 10.0f);
    EXPECT_EQ(adviser.State, 1);
    EXPECT_EQ(Shown(), "10");
    EXPECT_EQ(count->Visible, 1);
    EXPECT_EQ(control->Enabled, 1);
    adviser.Update(0.5f);
    EXPECT_EQ(Shown(), "10");
    EXPECT_FLOAT_EQ(count->Alpha, 1.0f); // faded in at 10 per second
    for (int i = 0; i < 87; ++i)
        adviser.Update(0.1f); // 9.2 s in all
    EXPECT_EQ(Shown(), "1");
    EXPECT_GT(Angle(), 0.0f);

    // A second award while open adds to the time.
    CAdviserInterface other;
    CSharedPtr<CUxStatic> w = MakeCounter();
    other.Attach(w, CSharedPtr<CUxWindow>(new CUxWindow(layer, CSharedPtr<CTextLayer>())),
                 CSharedPtr<CTexture>(), layer);
    other.AddTime(1, 5.0f);
    EXPECT_EQ(ShownBy(w), "5");
    other.AddTime(1, 5.0f);
    EXPECT_EQ(ShownBy(w), "10");
}

TEST_F(AdviserInterfaceTest, WhileActiveItAsksForTheHintEveryRefreshPeriod) {
    adviser.AddTime(1, 30.0f);
    std::vector<int32_t> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(adviser.Update(0.125f));
    EXPECT_EQ(results, (std::vector<int32_t>{1, -1, 1, -1, 1, -1, 1, -1}));
    EXPECT_EQ(adviser.Update(0.3f), CAdviserInterface::kRefresh);
}

TEST_F(AdviserInterfaceTest, ItClosesWhenTheTimeRunsOutExactly) {
    adviser.AddTime(1, 10.0f);
    adviser.ShowHint({CAdviserPoint{10.0f, 20.0f, 0.0f}});
    // 20 frames of 0.5 s land exactly on 0: the arrows go, the counter fades.
    for (int i = 0; i < 20; ++i)
        adviser.Update(0.5f);
    EXPECT_FLOAT_EQ(adviser.TimeLeft, 0.0f);
    EXPECT_EQ(Shown(), "0");
    EXPECT_TRUE(adviser.HintArrows.empty());
    EXPECT_EQ(control->Enabled, 0);
    EXPECT_EQ(adviser.Fade, -1);
    EXPECT_EQ(FramesUntil(CAdviserInterface::kClosed, 0.05f, 10), 2);
    EXPECT_EQ(adviser.State, 0);
    EXPECT_EQ(count->Visible, 0);
    layer->Update(0.1f, 1);
    EXPECT_EQ(SpriteCount(layer), 0u);
    EXPECT_EQ(adviser.Update(0.05f), CAdviserInterface::kIdle);

    // Switched off, or given no time at all, it closes the same way.
    adviser.AddTime(1, 5.0f);
    adviser.Update(0.5f);
    adviser.AddTime(0, 0.0f);
    EXPECT_EQ(Shown(), "0");
    EXPECT_GT(FramesUntil(CAdviserInterface::kClosed, 0.05f, 10), 0);
    adviser.AddTime(1, 0.0f);
    EXPECT_GT(FramesUntil(CAdviserInterface::kClosed, 0.05f, 10), 0);
}

TEST_F(AdviserInterfaceTest, HintsKeepTheArrowsThatStillPointRight) {
    adviser.AddTime(1, 30.0f);
    const CAdviserPoint a{10.0f, 20.0f, 0.0f}, b{-50.0f, 5.0f, 0.0f}, c{0.0f, 0.0f, 0.0f};
    adviser.ShowHint({a, b});
    ASSERT_EQ(adviser.HintArrows.size(), 2u);
    CSharedPtr<CSpriteQuad> first = adviser.HintArrows[0], second = adviser.HintArrows[1];
    EXPECT_FLOAT_EQ(first->Alpha, 0.0f);
    EXPECT_FLOAT_EQ(first->TargetAlpha, 1.0f);
    EXPECT_FLOAT_EQ(first->Position.Z, -50.0f);
    EXPECT_EQ(first->Key, -10);
    EXPECT_FLOAT_EQ(first->Width, 64.0f);

    adviser.ShowHint({b, a});
    ASSERT_EQ(adviser.HintArrows.size(), 2u);
    EXPECT_TRUE(adviser.HintArrows[0] == first && adviser.HintArrows[1] == second);

    adviser.ShowHint({a, c});
    ASSERT_EQ(adviser.HintArrows.size(), 2u);
    EXPECT_TRUE(adviser.HintArrows[0] == first);
    EXPECT_FALSE(adviser.HintArrows[1] == second);
    EXPECT_FLOAT_EQ(adviser.HintPoints[1].X, 0.0f);
    // The replaced arrow fades away and its layer lets it go.
    EXPECT_FLOAT_EQ(second->TargetAlpha, 0.0f);
    EXPECT_EQ(second->LifeOn, 1);
    layer->Update(0.1f, 1);
    EXPECT_FALSE(Holds(layer, second));
    EXPECT_TRUE(Holds(layer, first));

    // The arrows bob round their points.
    adviser.Update(0.1f);
    const float bob = first->Position.Y - 20.0f;
    EXPECT_NEAR(bob, std::sin(adviser.BobPhase) * 4.0f, 1e-4f);
    EXPECT_NE(bob, 0.0f);
}

TEST_F(AdviserInterfaceTest, TimedArrowsRunOutEvenWhileTheDisplayIsIdle) {
    adviser.AddArrow(30.0f, 40.0f, 1.0f);
    ASSERT_EQ(adviser.ExtraArrows.size(), 1u);
    CSharedPtr<CSpriteQuad> arrow = adviser.ExtraArrows[0];
    EXPECT_FLOAT_EQ(arrow->Width, 128.0f);
    EXPECT_FLOAT_EQ(arrow->TargetWidth, 64.0f);
    EXPECT_FLOAT_EQ(arrow->WidthSpeed, 640.0f);
    EXPECT_EQ(adviser.Update(0.5f), CAdviserInterface::kIdle);
    EXPECT_EQ(adviser.ExtraArrows.size(), 1u);
    EXPECT_EQ(adviser.Update(0.6f), CAdviserInterface::kIdle);
    EXPECT_TRUE(adviser.ExtraArrows.empty());
    EXPECT_EQ(arrow->LifeOn, 1);

    adviser.AddArrow(0.0f, 0.0f, 5.0f);
    adviser.ReleaseSprites();
    EXPECT_EQ(SpriteCount(layer), 1u); // the first one, still fading
    EXPECT_TRUE(adviser.ExtraTimes.empty());
}

TEST_F(AdviserInterfaceTest, WithoutWindowsItStillKeepsTheTime) {
    CAdviserInterface bare;
    bare.AddTime(1, 1.0f);
    EXPECT_EQ(bare.State, 1);
    bare.ShowHint({CAdviserPoint{1.0f, 2.0f, 0.0f}});
    EXPECT_EQ(bare.HintPoints.size(), 1u);
    EXPECT_EQ(bare.Update(0.25f), CAdviserInterface::kRefresh);
    int frames = 0;
    while (bare.Update(0.25f) != CAdviserInterface::kClosed && frames < 100)
        ++frames;
    EXPECT_LT(frames, 100);
    EXPECT_EQ(bare.State, 0);
}

} // namespace
} // namespace bonustest
