// The GL back end may ask for a scene to be drawn twice in one frame. Drawing
// must leave the game as it was: a quest level with swaps and cascades, then a
// bonus level, played with every scene drawn twice, ends in the same score,
// board, random draws and sounds, and shows the same last frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "platform/Rand15.h"
#include "platform/gpu/gl/GlDevice.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/Cap.h"
#include "screens/ScreensManager.h"
#include "support/TempDir.h"

using namespace flowtest;

namespace {

struct Outcome {
    std::string skip, failure;
    int32_t score = 0, moves = 0;
    std::vector<int32_t> board;
    uint32_t random = 0;
    std::vector<std::string> sounds;
    std::vector<uint32_t> frame;
    uint64_t redraws = 0;
};

// The field's tokens by colour (-1 for an empty cell), row by row.
std::vector<int32_t> Board(CPlayField& f) {
    std::vector<int32_t> out;
    for (int32_t r = 0; r < f.Rows; ++r)
        for (int32_t c = 0; c < f.Columns; ++c)
            out.push_back(f.CapAt(c, r).IsNull() ? -1 : f.CapAt(c, r)->Colour);
    return out;
}

void Snapshot(FlowHarness& h, Outcome& o) {
    o.score = h.Field().Counters.Sets[1].Get(0);
    const std::vector<int32_t> board = Board(h.Field());
    o.board.insert(o.board.end(), board.begin(), board.end());
    o.random = Rand15::Global().State();
}

Outcome Play(bool forced) {
    Outcome o;
    // Only the GL back end guesses and draws scenes again.
    const testsupport::ScopedEnv renderer("GLORVANE_RENDERER", "gl");
    FlowHarness h(11, true);
    o.skip = h.Skip();
    o.failure = h.Failure();
    if (!o.skip.empty() || !o.failure.empty())
        return o;
    CGame& g = h.Game();
    auto* device = dynamic_cast<gpu::GlDevice*>(g.Renderer->GetDevice()->GetDevice());
    if (!device) {
        o.failure = "the GL back end was asked for and did not come up";
        return o;
    }
    device->SetForcedRedraws(forced);
    g.Profile->QuestTutorial = 0;
    ScriptedPlayer player(h);

    player.PlayLevel(15.0f);
    o.moves = player.Moves();
    Snapshot(h, o);

    // A bonus level follows the fifth quest level, won at once here.
    g.StartLevel(5);
    if (!h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f)) {
        o.failure = "level 5 did not start";
        return o;
    }
    h.Field().GemsToCollect = 0;
    if (!h.RunUntil([&] { return g.SubState == kSubResult && g.LevelCompleted; }, 5.0f) ||
        !h.ClickControl(g.Screens->StatisticsForm, 30, 6.0f)) {
        o.failure = "no results of level 5";
        return o;
    }
    if (!h.RunUntil([&] { return g.SubState == kSubBonus; }, 10.0f)) {
        o.failure = "no bonus level";
        return o;
    }
    player.PlayBonus(60.0f);
    Snapshot(h, o);

    // Each game decodes its sounds into a cache folder of its own: the calls are
    // compared with that folder left out.
    const std::string cache = h.CacheFolder().string();
    for (const auto& call : h.Audio()->calls) {
        std::string path = call.path;
        if (!cache.empty() && path.rfind(cache, 0) == 0)
            path = "<cache>" + path.substr(cache.size());
        std::string line = call.name + " " + path;
        for (int64_t a : call.args)
            line += " " + std::to_string(a);
        o.sounds.push_back(line + " -> " + std::to_string(call.result));
    }
    if (g.Renderer->RenderScene() != 0) {
        o.failure = "the last frame was not drawn";
        return o;
    }
    device->ReadBackBuffer(o.frame);
    o.redraws = device->SceneRedraws();
    return o;
}

} // namespace

TEST(SceneRedraw, DrawingTwiceChangesNothing) {
    const Outcome once = Play(false);
    if (!once.skip.empty())
        GTEST_SKIP() << once.skip;
    ASSERT_EQ(once.failure, "");
    const Outcome twice = Play(true);
    ASSERT_EQ(twice.failure, "");

    EXPECT_GT(once.moves, 2) << "swaps were made";
    EXPECT_GT(once.score, 0) << "and scored";
    EXPECT_GT(twice.redraws, 100u) << "every scene was drawn twice";
    EXPECT_EQ(twice.moves, once.moves);
    EXPECT_EQ(twice.score, once.score);
    EXPECT_EQ(twice.board, once.board);
    EXPECT_EQ(twice.random, once.random);
    EXPECT_FALSE(once.sounds.empty());
    EXPECT_EQ(twice.sounds, once.sounds);
    ASSERT_EQ(twice.frame.size(), once.frame.size());
    size_t differing = 0;
    for (size_t i = 0; i < once.frame.size(); ++i)
        differing += once.frame[i] != twice.frame[i] ? 1 : 0;
    EXPECT_EQ(differing, 0u) << "pixels of the last frame";
}
