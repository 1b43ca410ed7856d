// Leaving out of the draws what opaque rectangles drawn later hide must not
// change a pixel: the game's own frames (the first screen with its dialog,
// the main menu, the quest map, the shop, level 1 played with swaps and
// cascades, a bonus level) are drawn both ways and compared, and the clipped
// frames must cover fewer pixels. On both back ends: the software one must
// shade a piece of a split quad exactly as the whole. GL promises the same
// pixels only for the same vertices: a piece of a quad, with corners of its
// own, may filter a texel one rounding step the other way, so there a few
// pixels may differ by a step or two in a channel, and no pixel by more.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/OnBackEnd.h"
#include "app/flow/ScriptedPlayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "platform/gpu/FrameProbe.h"
#include "playerdata/ProfileSettings.h"
#include "screens/ScreensManager.h"
#include "support/TempDir.h"

using namespace flowtest;

namespace {

struct Tally {
    size_t frames = 0, differing = 0, rounded = 0; // rounded: no channel more than 2 apart
    uint64_t coveredWhole = 0, coveredClipped = 0, skipped = 0; // pixels the back end left out
};

// The frame as it stands, drawn without and then with the clipping.
void DrawBothWays(CGame& g, Tally& out) {
    CRenderDevice& device = *g.Renderer->GetDevice();
    gpu::FrameProbe* probe = gpu::ProbeOf(device.GetDevice());
    ASSERT_NE(probe, nullptr);
    std::vector<uint32_t> pictures[2];
    uint64_t covered[2] = {0, 0};
    device.SetCounting(true);
    for (int clipped = 0; clipped < 2; ++clipped) {
        device.SetClipping(clipped == 1);
        const uint64_t before = device.CoveredPixels(), skipped = probe->SkippedPixels();
        ASSERT_EQ(g.Renderer->RenderScene(), 0);
        covered[clipped] = device.CoveredPixels() - before;
        probe->ReadBackBuffer(pictures[clipped]); // a back end may draw only now
        out.skipped += clipped ? probe->SkippedPixels() - skipped : 0;
    }
    device.SetCounting(false);
    ASSERT_EQ(pictures[0].size(), pictures[1].size());
    for (size_t i = 0; i < pictures[0].size(); ++i) {
        const uint32_t a = pictures[0][i], b = pictures[1][i];
        if (a == b)
            continue;
        bool near = true;
        for (int shift = 0; shift < 32; shift += 8)
            near = near && std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) <= 2;
        ++(near ? out.rounded : out.differing);
    }
    ++out.frames;
    out.coveredWhole += covered[0];
    out.coveredClipped += covered[1];
}

void Expect(const Tally& t, const char* screen, bool gl) {
    EXPECT_EQ(t.differing, 0u) << "pixels of " << t.frames << " frames of " << screen;
    // One pixel in ten thousand a frame at most, rounded otherwise.
    EXPECT_LE(t.rounded, gl ? t.frames * 1024 * 768 / 10000 : 0u)
        << "pixels a step apart in " << t.frames << " frames of " << screen;
    EXPECT_LT(t.coveredClipped, t.coveredWhole) << screen;
}

class HiddenDraws : public OnBackEnd {};

} // namespace

TEST_P(HiddenDraws, LeftOutWithoutChangingThePicture) {
    const bool gl = std::string(GetParam()) == "gl";
    {
        FlowHarness h(5, false, false);
        START_GAME(h);
        CGame& g = h.Game();
        h.Frames(40); // the first screen and the new-player dialog faded in
        Tally dialog;
        DrawBothWays(g, dialog);
        Expect(dialog, "the new-player dialog", gl);

        for (CSharedPtr<CUxForm>* f : {&g.Screens->NewProfileForm, &g.Screens->MainMenuForm}) {
            (*f)->Visible = false;
            (*f)->Active = false;
        }
        g.ShowMainMenu();
        h.Frames(60);
        Tally menu;
        DrawBothWays(g, menu);
        Expect(menu, "the main menu", gl);

        // The story read, the map alone on screen.
        g.BeginNewQuest(0);
        ASSERT_TRUE(h.PassStory() &&
                    h.RunUntil([&] { return !g.Screens->IntroForm->Visible; }, 3.0f));
        Tally map;
        DrawBothWays(g, map);
        Expect(map, "the map", gl);

        g.StartNewQuest();
        g.OpenShop(1);
        h.Frames(60);
        Tally shop;
        DrawBothWays(g, shop);
        Expect(shop, "the shop", gl);
    }

    FlowHarness h(7);
    START_GAME(h);
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 10.0f));
    ScriptedPlayer player(h);
    Tally level;
    for (int round = 0; round < 10; ++round) {
        player.PlayLevel(0.5f); // swaps, and the cascades they start
        DrawBothWays(g, level);
    }
    EXPECT_GT(player.Moves(), 0) << "swaps were made";
    Expect(level, "level 1", gl);
    if (std::string(GetParam()) == "soft") { // rows of what the board hides are left out
        EXPECT_GT(level.skipped, 10000u * level.frames);
    }

    g.StartBonusLevel(1, 1);
    h.Frames(30);
    g.BeginBonusRounds();
    Tally bonus;
    for (int round = 0; round < 3; ++round) {
        h.Frames(20);
        DrawBothWays(g, bonus);
    }
    Expect(bonus, "the bonus level", gl);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, HiddenDraws, ::testing::Values("gl", "soft"), BackEndName);
