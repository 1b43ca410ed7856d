// The options opened from a level's menu and left with Escape: each volume
// slider is heard while it moves, and both fall back to what is stored.
#include <gtest/gtest.h>

#include <functional>

#include "app/flow/FlowHarness.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "engine/SpriteQuad.h"
#include "platform/sound/FakeAudio.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

using namespace flowtest;

TEST(OptionsFlow, EscapeGivesBackTheStoredVolumesOfBothSliders) {
    FlowHarness h(11, true);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ASSERT_FALSE(g.SoundBank->Group(ESound::Click).IsNull());
    const snd::Handle click = g.SoundBank->Group(ESound::Click)->Samples[0];
    // What each slider is heard as: the sound effects' volume, the music's.
    const struct {
        const char* name;
        const CSharedPtr<CUxWindow>& slider;
        std::function<float()> heard;
    } sliders[] = {
        {"sound effects", s.SoundSlider,
         [&] { return static_cast<float>(h.Audio()->SampleVolume(click)); }},
        {"music", s.MusicSlider, [&] { return g.Music->GetVolume(); }},
    };
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    for (const auto& c : sliders) {
        SCOPED_TRACE(c.name);
        const float stored = c.heard();
        h.Key(os::Vk::Escape);
        ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 12) && h.WaitForForm(s.OptionsForm));
        const CUxWindow& slider = *c.slider;
        h.Click(slider.Position.X - 0.45f * slider.Width, slider.Position.Y);
        EXPECT_LT(c.heard(), 0.5f * stored) << "heard at once";
        h.Key(os::Vk::Escape);
        EXPECT_EQ(c.heard(), stored);
        ASSERT_TRUE(h.RunUntil([&] { return !s.OptionsForm->Visible; }, 2.0f));
        // Opened again, the thumb stands at what is heard: a click on it
        // changes nothing.
        h.Key(os::Vk::Escape);
        ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 12) && h.WaitForForm(s.OptionsForm));
        ASSERT_GE(slider.Pictures.size(), 2u);
        h.Click(slider.Pictures[1]->Position.X, slider.Pictures[1]->Position.Y);
        EXPECT_NEAR(c.heard(), stored, 0.05f * stored)
            << "the thumb stands away from what is heard";
        h.Key(os::Vk::Escape);
        ASSERT_TRUE(h.RunUntil([&] { return !s.OptionsForm->Visible; }, 2.0f));
    }
}
