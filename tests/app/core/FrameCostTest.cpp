// What keeps a frame cheap must not change what it shows: a level frame drawn
// with the GL back end's shortcuts (straight into the window, nearest sampling
// of texel-exact draws, base-level sampling, depth tests, alpha tests and blends
// left out where they cannot change a pixel, a scene drawn without depth, the
// clear middle of a picture left out) is the frame drawn the plain way,
// up to the rounding of a blend; and the frame cap follows the display.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "app/Game.h"
#include "app/MainLoop.h"
#include "app/core/AppTestSupport.h"
#include "engine/RenderDevice.h"
#include "platform/gpu/gl/GlDevice.h"

using namespace apptest;

TEST(FrameShortcuts, LevelFrameIsTheSameWithAndWithout) {
    GameCopy copy;
    if (!copy.Missing().empty())
        GTEST_SKIP() << copy.Missing();
    EnterDir enter(copy.Path());
    GlStack gl(true);
    ASSERT_EQ(gl.Problem(), "");
    CRenderer& renderer = *gl.Renderer();
    auto* device = dynamic_cast<gpu::GlDevice*>(renderer.GetDevice()->GetDevice());
    ASSERT_NE(device, nullptr);

    CGame game(gl.Renderer(), gl.Window(), CSharedPtr<snd::Audio>());
    ASSERT_EQ(game.PreInit(), 1);
    ASSERT_EQ(game.InitAndStartFlow(), 1) << game.LastError();
    game.StartLevel(1);
    for (int i = 0; i < 900 && !(game.Mode == kModeLevel && game.SubState == kSubPlay); ++i)
        apptest::FramePastCard(game, 16);
    ASSERT_EQ(game.SubState, kSubPlay);
    const uint64_t redrawsBefore = device->SceneRedraws();
    for (int i = 0; i < 30; ++i)
        game.Frame(16);
    EXPECT_EQ(device->SceneRedraws(), redrawsBefore) << "a still level is never drawn twice";

    // The same scene, drawn (not presented) both ways.
    ASSERT_TRUE(device->DrawsIntoWindow()) << "a linear ramp at the window's size";
    const uint64_t shortcutsBefore = device->ShortcutDraws();
    ASSERT_EQ(renderer.RenderScene(), 0);
    EXPECT_TRUE(device->DrawsWithoutDepth()) << "no depth test in a level frame can fail";
    const uint64_t shortcuts = device->ShortcutDraws() - shortcutsBefore;
    EXPECT_GE(shortcuts, 5u) << "a level frame has draws to make cheaper";
    std::vector<uint32_t> fast, plain;
    device->ReadBackBuffer(fast);
    device->SetShortcuts(false);
    EXPECT_FALSE(device->DrawsIntoWindow());
    ASSERT_EQ(renderer.RenderScene(), 0);
    device->ReadBackBuffer(plain);
    EXPECT_EQ(device->ShortcutDraws() - shortcutsBefore, shortcuts) << "all of them switched off";
    device->SetShortcuts(true);

    // The window and the offscreen buffer have different pixel layouts, and the
    // rasteriser may round a blend one level apart between them (two where
    // blended layers stack); nothing more, and only at a few pixels.
    ASSERT_EQ(fast.size(), plain.size());
    size_t differing = 0;
    int worst = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int a = static_cast<int>((fast[i] >> shift) & 0xFF);
            const int b = static_cast<int>((plain[i] >> shift) & 0xFF);
            worst = std::max(worst, std::abs(a - b));
        }
        differing += fast[i] != plain[i] ? 1 : 0;
    }
    EXPECT_LE(worst, 2);
    EXPECT_LT(differing, fast.size() / 1000) << "of " << fast.size() << " pixels";
    // Presenting after the switch back shows the frame and keeps going.
    EXPECT_GE(game.Frame(16), 0);
    EXPECT_TRUE(device->DrawsIntoWindow());
}

TEST(FrameCap, OneFramePerRefreshOfTheDisplay) {
    const struct {
        int hz;
        uint32_t ms;
    } cases[] = {{60, 16}, {75, 13}, {120, 8}, {144, 6}, {0, 16}, {-1, 16}, {100000, 16}};
    for (const auto& c : cases)
        EXPECT_EQ(FrameMsForRefresh(c.hz), c.ms) << c.hz << " Hz";
}
