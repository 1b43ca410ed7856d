// The screens' frame on the loaded forms: fades and their events, group
// fades, the eased counter, the timer dial and its colours, the low-time
// alarm, and the level screen's HUD helpers.
#include <cmath>

#include "ScreensFixture.h"
#include "engine/SpriteQuad.h"
#include "ui/UxForm.h"

namespace {

int Count(const std::vector<CUxEvent>& events, int32_t kind) {
    int n = 0;
    for (const CUxEvent& e : events)
        n += e.Kind == kind;
    return n;
}

} // namespace

TEST_F(ScreensTest, FadesShowHideAndReportTheirEnds) {
    ASSERT_EQ(Load(), 1) << Log->Text();
    CScreensManager& s = *Screens;
    const CSharedPtr<CUxWindow> form = s.OptionsForm;

    // A hidden form fades out: nothing. Faded in at 2.0: no input meanwhile,
    // and the end is reported in the frame in which 0.5 s have passed.
    s.FadeOut(form, 2.0f);
    EXPECT_TRUE(s.Fades.empty());
    s.FadeIn(form, 2.0f);
    EXPECT_EQ(form->Visible, 1);
    EXPECT_FALSE(form->TakesInput());
    EXPECT_EQ(Count(Run(4, 0.1f), CUxEvent::kFadedIn), 0);
    EXPECT_NEAR(form->Alpha, 0.8f, 1e-5f);
    const std::vector<CUxEvent> end = Run(1, 0.1f);
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(end[0].Kind, CUxEvent::kFadedIn);
    EXPECT_TRUE(end[0].Sender == form);
    EXPECT_TRUE(form->TakesInput());

    // Out, turned round half way, then out again: one entry all along.
    s.FadeOut(form, 2.0f);
    Run(2, 0.1f);
    s.FadeIn(form, 2.0f);
    EXPECT_EQ(s.Fades.size(), 1u);
    EXPECT_NEAR(s.Fades[0].Alpha, 0.6f, 1e-5f);
    EXPECT_EQ(Count(Run(2, 0.1f), CUxEvent::kFadedIn), 1);

    // In and out in the same frame from hidden: only the fade-out's end,
    // and the form is left opaque for a later plain show.
    form->SetVisible(0);
    s.FadeIn(form, 2.0f);
    s.FadeOut(form, 2.0f);
    const std::vector<CUxEvent> out = Run(1, 0.1f);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Kind, CUxEvent::kFadedOut);
    EXPECT_EQ(form->Visible, 0);
    EXPECT_FLOAT_EQ(form->Alpha, 1.0f);

    // Group fades: a second start changes the one record; a fade-out turns
    // round from where it stands and ends with the windows hidden.
    CWindowGroup& group = s.NewspaperGroups[0];
    CScreensManager::SetWindowsVisible(group.Windows, 0);
    s.AddWindowEffect(group, 1.0f);
    s.AddWindowEffect(group, 2.0f);
    ASSERT_EQ(s.WindowEffects.size(), 1u);
    Run(2, 0.1f);
    s.RemoveWindowEffect(group, 2.0f);
    ASSERT_EQ(s.WindowEffects.size(), 1u);
    EXPECT_NEAR(s.WindowEffects[0].Alpha, 0.4f, 1e-5f);
    EXPECT_EQ(Count(Run(3, 0.1f), CUxEvent::kFadedOut), 0) << "group fades report nothing";
    EXPECT_TRUE(s.WindowEffects.empty());
    EXPECT_EQ(group.Windows.front()->Visible, 0);
}

TEST(EasedCounter, RollsAcceleratesTurnsRoundAndLandsExactly) {
    CEasedCounter c;
    c.Set(1000);
    c.SetTarget(3000);
    EXPECT_EQ(c.Shown, 1000);
    // 0.1 s: speed 1000 + 100, value 1000 + 110.
    EXPECT_EQ(c.Update(0.1f), 1);
    EXPECT_EQ(c.Shown, 1110);
    EXPECT_FLOAT_EQ(c.Speed, 1100.0f);
    int32_t last = c.Shown;
    int frames = 0;
    while (c.Update(0.1f)) {
        EXPECT_GE(c.Shown, last);
        last = c.Shown;
        ++frames;
    }
    EXPECT_EQ(c.Shown, 3000);
    EXPECT_FLOAT_EQ(c.Speed, 0.0f);
    EXPECT_EQ(frames, 12);
    // A reversal starts again from the start speed.
    c.SetTarget(5000);
    c.Update(0.5f);
    c.SetTarget(0);
    c.Update(0.1f);
    EXPECT_FLOAT_EQ(c.Speed, -1100.0f);
    EXPECT_EQ(c.Update(0.0f), 1);
}

TEST_F(ScreensTest, CounterLabelDialAndAlarmOfTheLevelScreen) {
    ASSERT_EQ(Load(), 1) << Log->Text();
    CScreensManager& s = *Screens;

    // The label keeps the old figure until the roll moves it, and lands on
    // the value; frozen counters change nothing.
    s.InitHudCounters(1000, 3, 1.0f);
    EXPECT_EQ(CScreensManager::WindowText(s.CounterLabel), "1000");
    EXPECT_EQ(CScreensManager::WindowText(s.LivesLabel), "3");
    s.SetCounter(1500, 1);
    EXPECT_EQ(CScreensManager::WindowText(s.CounterLabel), "1000");
    Run(10, 0.1f);
    EXPECT_EQ(CScreensManager::WindowText(s.CounterLabel), "1500");
    s.CountersFrozen = 1;
    s.SetCounter(9, 0);
    EXPECT_EQ(s.CounterValue, 1500);

    // Frozen, a new dial target waits; free, the dial empties at 0.5 a second.
    s.SetClampedFraction(-2.0f);
    Run(4, 0.25f);
    EXPECT_FLOAT_EQ(s.EasedCurrent, 1.0f);
    s.CountersFrozen = 0;
    Run(2, 0.5f);
    EXPECT_FLOAT_EQ(s.EasedCurrent, 0.5f);
    Run(3, 0.5f);
    EXPECT_FLOAT_EQ(s.EasedCurrent, 0.0f);

    // The alarm blinks three times in 0.75 s, then the second marker goes and
    // the first is white again; without a sound bank it is silent.
    s.ToggleSoundCue(1);
    ASSERT_EQ(s.QuestMarkers[1]->Visible, 1);
    int peaks = 0;
    float before = 0.0f, prev = 0.0f;
    for (int i = 0; i < 60 && s.CueActive; ++i) {
        Run(1, 1.0f / 60.0f);
        const float a = s.QuestMarkers[1]->Alpha;
        peaks += prev > before && prev > a;
        before = prev;
        prev = a;
    }
    EXPECT_EQ(peaks, 3);
    EXPECT_EQ(s.QuestMarkers[1]->Visible, 0);
    EXPECT_EQ(s.QuestMarkers[0]->Colour, 0xFFFFFFFFu);
}

TEST_F(ScreensTest, TimerDialQuartersEdgeAndColourRamp) {
    ASSERT_EQ(Load(), 1) << Log->Text();
    CScreensManager& s = *Screens;
    Layout.Load(Scratch.Path("Default.cfg")); // every key at its default
    auto corner = [&](int quarter, int slot) {
        const CTexCoord& c = s.TimerDialQuads[quarter]->Pictures.front()->Corners[slot];
        return std::make_pair(c.U, c.V);
    };
    auto shown = [&] {
        int n = 0;
        for (const auto& q : s.TimerDialQuads)
            n = n * 10 + q->Visible;
        return n;
    };
    using P = std::pair<float, float>;
    // 0: quarter 0 only, degenerate at its start point.
    s.SetTimerDial(0.0f, 1);
    EXPECT_EQ(shown(), 1000);
    EXPECT_EQ(corner(0, 0), P(0.0f, 0.5f));
    EXPECT_EQ(corner(0, 3), P(0.0f, 0.5f));
    // 1/8: the triangle start, centre, corner.
    s.SetTimerDial(0.125f, 1);
    EXPECT_EQ(corner(0, 0), P(-0.5f, 0.5f));
    EXPECT_NEAR(corner(0, 3).first, -0.5f, 1e-5f);
    EXPECT_NEAR(corner(0, 3).second, 0.5f, 1e-5f);
    // 1/4: quarter 0 whole, quarter 1 still hidden.
    s.SetTimerDial(0.25f, 1);
    EXPECT_EQ(shown(), 1000);
    EXPECT_NEAR(corner(0, 3).first, -0.5f, 1e-5f);
    EXPECT_NEAR(corner(0, 3).second, 0.0f, 1e-5f);
    // 0.3: quarter 1's edge on its first outer edge, tan(2 pi 0.05) / 2 down.
    s.SetTimerDial(0.3f, 1);
    EXPECT_EQ(shown(), 1100);
    EXPECT_NEAR(corner(1, 2).second, -std::tan(6.2831853f * 0.05f) / 2.0f, 1e-4f);
    // Above 1: clamped, all whole, hands a full turn past the global angle.
    s.SetTimerDial(7.0f, 1);
    EXPECT_EQ(shown(), 1111);
    EXPECT_FLOAT_EQ(s.EasedTarget, 1.0f);
    EXPECT_NEAR(s.TimerDialHands[1]->Pictures.front()->Angle, 6.2831853f + Layout.GlobalAngle,
                1e-4f);
    // The ramp at its defaults: green, the green-yellow mix, yellow-red, red;
    // always at alpha 63.
    const struct {
        float t;
        uint32_t colour;
    } ramp[] = {
        {0.5f, 0x3F00FF00u}, {0.175f, 0x3F7FFF00u}, {0.09f, 0x3FFF7F00u}, {0.0f, 0x3FFF0000u}};
    for (const auto& r : ramp) {
        s.SetTimerDial(r.t, 1);
        EXPECT_EQ(s.TimerDialQuads[3]->Colour, r.colour) << r.t;
    }
}

TEST_F(ScreensTest, HudLivesMessageBoxAndProfileRows) {
    ASSERT_EQ(Load(), 1) << Log->Text();
    CScreensManager& s = *Screens;
    // Only the marker at the last visible life icon shows.
    s.ShowCountIcons(2);
    s.ShowLevelHud(1);
    EXPECT_EQ(s.LastLifeMarkers[0]->Visible, 0);
    EXPECT_EQ(s.LastLifeMarkers[1]->Visible, 1);
    EXPECT_EQ(s.LastLifeMarkers[2]->Visible, 0);
    s.ShowLevelHud(0);
    EXPECT_EQ(s.LastLifeMarkers[1]->Visible, 0);
    // A button set outside 0..4 leaves none shown.
    s.ShowMessageBox("T", "X", 2, 4);
    EXPECT_EQ(s.MsgBoxButtonSets[2].front()->Visible, 1);
    s.ShowMessageBox("T", "X", 5, 4);
    for (const CWindowList& set : s.MsgBoxButtonSets)
        for (const auto& w : set)
            EXPECT_EQ(w->Visible, 0);
    EXPECT_EQ(s.MsgBoxPurpose, 4);
    // No player yet: only the new-player row, selected.
    s.RefreshProfileList();
    EXPECT_EQ(CScreensManager::WindowText(s.ProfileRows[0]), GetString(26));
    EXPECT_EQ(s.ProfileRows[0]->Active, 1);
    EXPECT_EQ(s.ProfileRows[1]->Active, 0);
    // The bonus-level captions.
    s.SetupMemoryTexts(2, 3, 5);
    EXPECT_EQ(CScreensManager::WindowText(s.MemoryCaption), "Bonus Level 2");
    EXPECT_EQ(CScreensManager::WindowText(s.MemoryRoundCaption), "Round 3/5");
    s.CountersFrozen = 1;
    s.SetLevelText(12);
    EXPECT_EQ(CScreensManager::WindowText(s.NewLevelCaption), "Level 12");
    s.CountersFrozen = 0;
    s.SetLevelText(12);
    EXPECT_EQ(CScreensManager::WindowText(s.NewLevelCaption), "Level 3-1");
}
