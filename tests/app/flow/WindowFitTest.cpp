// The window at any size the player gives it: the game still draws its own
// screen, shown scaled into the window with its shape kept between black bars,
// and a click where the player sees a button lands on that button. On every
// back end and on the window surface.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/OnBackEnd.h"
#include "engine/Renderer.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/Window.h"
#include "screens/ScreensManager.h"

using namespace flowtest;

namespace {

constexpr int32_t kIdHelp = 4, kIdHelpClose = 270;
// A shown pixel may stray this far from the picture's pixels it lies between.
constexpr int kLevelSlack = 3;

class WindowFit : public OnBackEnd {};

// Where a window of width x height shows the back buffer's point (bx, by),
// worked out apart from the game: the picture as large as fits, centred.
void ShownAt(int width, int height, float bbWidth, float bbHeight, float bx, float by, int32_t* cx,
             int32_t* cy) {
    const float s =
        std::min(static_cast<float>(width) / bbWidth, static_cast<float>(height) / bbHeight);
    *cx = static_cast<int32_t>(std::floor((static_cast<float>(width) - bbWidth * s) / 2 + bx * s));
    *cy =
        static_cast<int32_t>(std::floor((static_cast<float>(height) - bbHeight * s) / 2 + by * s));
}

// The player resizes the window; the next frame drawn shows it.
void Resize(FlowHarness& h, int width, int height) {
    SDL_SetWindowSize(h.Window().Sdl(), width, height);
    h.Frames(FlowHarness::kRenderEvery);
}

// Clicks a control where a window of this size shows it.
void ClickShown(FlowHarness& h, const CSharedPtr<CUxForm>& form, int32_t id, int width,
                int height) {
    float x = 0, y = 0, bx = 0, by = 0;
    ASSERT_TRUE(h.WaitForForm(form) && h.ControlCentre(form, id, &x, &y)) << id;
    h.ToBackBuffer(x, y, &bx, &by);
    const gpu::FrameProbe& probe = *h.Game().Renderer->Probe();
    int32_t cx = 0, cy = 0;
    ShownAt(width, height, static_cast<float>(probe.BackBufferWidth()),
            static_cast<float>(probe.BackBufferHeight()), bx, by, &cx, &cy);
    h.ClickAtClient(cx, cy);
}

int Channel(uint32_t c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

} // namespace

TEST_P(WindowFit, ScaledPictureAndClicksWhereTheButtonsShow) {
    FlowHarness h(11, false, false);
    START_GAME(h);
    ASSERT_EQ(h.EnterMainMenu("Wide"), "");
    const CScreensManager& s = *h.Game().Screens;
    gpu::FrameProbe& probe = *h.Game().Renderer->Probe();

    // Wider than the picture (bars at the sides), larger, and taller (bars
    // above and below): Help opens and closes from where it shows.
    const int sizes[][2] = {{1366, 700}, {2560, 1440}, {800, 1000}};
    for (const auto& [w, ht] : sizes) {
        SCOPED_TRACE(testing::Message() << w << "x" << ht);
        Resize(h, w, ht);
        ClickShown(h, s.MainMenuForm, kIdHelp, w, ht);
        ASSERT_TRUE(h.WaitForForm(s.HelpForm)) << "Help was not clicked";
        ClickShown(h, s.HelpForm, kIdHelpClose, w, ht);
        ASSERT_TRUE(h.WaitForForm(s.MainMenuForm)) << "Help was not closed";
        EXPECT_EQ(probe.BackBufferWidth(), 1024u) << "the game's screen keeps its size";
        EXPECT_EQ(probe.BackBufferHeight(), 768u);
    }

    // A screen shot at 1600x900: the picture 1200x900 between bars 200 wide,
    // each of its pixels between the back buffer's pixels it was scaled from.
    Resize(h, 1600, 900);
    const flowtest::FlowHarness::Picture drawn = h.Drawn();
    const std::vector<uint32_t>& shot = drawn.argb;
    std::vector<uint32_t> frame;
    const int w = drawn.width, ht = drawn.height;
    ASSERT_FALSE(shot.empty());
    ASSERT_EQ(w, 1600);
    ASSERT_EQ(ht, 900);
    probe.ReadBackBuffer(frame);
    const int bw = static_cast<int>(probe.BackBufferWidth());
    const int bh = static_cast<int>(probe.BackBufferHeight());
    ASSERT_EQ(frame.size(), static_cast<size_t>(bw) * static_cast<size_t>(bh));
    constexpr int kBar = 200;
    const double scale = 900.0 / bh;
    size_t litBars = 0, strays = 0, bright = 0;
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = shot[static_cast<size_t>(y) * w + x];
            if (x < kBar || x >= w - kBar) {
                litBars += (c & 0xFFFFFFu) != 0 ? 1 : 0;
                continue;
            }
            bright += Channel(c, 8) > 64 ? 1 : 0;
            // The back buffer's pixels about the shown pixel's centre.
            const double u = (x - kBar + 0.5) / scale - 0.5, v = (y + 0.5) / scale - 0.5;
            const int u0 = std::clamp(static_cast<int>(std::floor(u)), 0, bw - 1);
            const int v0 = std::clamp(static_cast<int>(std::floor(v)), 0, bh - 1);
            bool within = true;
            for (const int shift : {0, 8, 16}) {
                int lo = 255, hi = 0;
                for (const int sy : {v0, std::min(v0 + 1, bh - 1)})
                    for (const int sx : {u0, std::min(u0 + 1, bw - 1)}) {
                        const int k = Channel(frame[static_cast<size_t>(sy) * bw + sx], shift);
                        lo = std::min(lo, k);
                        hi = std::max(hi, k);
                    }
                const int k = Channel(c, shift);
                within = within && k >= lo - kLevelSlack && k <= hi + kLevelSlack;
            }
            strays += within ? 0 : 1;
        }
    EXPECT_EQ(litBars, 0u) << "the bars beside the picture are black";
    EXPECT_GT(bright, 10000u) << "the menu shows";
    EXPECT_EQ(strays, 0u) << "shown pixels unlike the scaled picture";
}

INSTANTIATE_TEST_SUITE_P(BackEnds, WindowFit, ::testing::Values("gl", "soft", "surface"),
                         BackEndName);
