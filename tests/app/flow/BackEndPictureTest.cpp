// The software back end draws what GL draws: the same scenes of the game, on
// the same seed, through both back ends, compared pixel by pixel, alpha too.
// Blends may round a level or two apart; only sprite edges (where the GL
// picture itself jumps) may differ by more, and only a few of them: a missing
// glyph or an outline a pixel off shows as many more. ctest also runs these
// with each set of span routines (GLORVANE_SOFT_SPANS) and on three threads
// (GLORVANE_SOFT_THREADS); GL's picture is the same in each of those runs, so
// the first run keeps it (GV_KEEP_GL_PICTURES names the folder) and the others
// compare with the kept one (GV_GL_PICTURES) rather than draw it again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "engine/Renderer.h"
#include "platform/Rand15.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/soft/SoftSpans.h"
#include "playfield/PlayField.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "support/TempDir.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

constexpr int kEdgeJump = 32; // a neighbour this far apart marks an edge
constexpr int kNear = 2, kFar = 16;
// Edge pixels of a scene that may differ by more than kFar (none on Mesa 22's
// llvmpipe): where a sprite's edge falls on a pixel centre, GL drivers may
// round it either way.
constexpr size_t kFarOnEdges = 8;

struct Shot {
    std::string skip, failure;
    std::vector<uint32_t> argb;
    uint32_t width = 0;
};

// The scene `reach` leads to, drawn by the back end named (gl or soft).
Shot Take(const char* backEnd, bool intoLevel, const std::function<bool(FlowHarness&)>& reach) {
    std::optional<testsupport::ScopedEnv> renderer;
    renderer.emplace("GLORVANE_RENDERER", backEnd);
    // The backdrops draw their phases while the game starts, before the
    // harness seeds the generator: both runs start from the same state.
    Rand15::Global().Seed(7);
    Shot s;
    FlowHarness h(7, false, intoLevel);
    renderer.reset(); // only the game's start reads it
    s.skip = h.Skip();
    s.failure = h.Failure();
    if (!s.skip.empty() || !s.failure.empty())
        return s;
    if (!reach(h)) {
        s.failure = std::string("the scene was not reached on ") + backEnd + ": " + h.Failure();
        return s;
    }
    CRenderer& r = *h.Game().Renderer;
    gpu::FrameProbe* device = r.Probe();
    if (!device) {
        s.failure = "no back end to read";
        return s;
    }
    r.RenderScene();
    device->ReadBackBuffer(s.argb);
    s.width = device->BackBufferWidth();
    return s;
}

// A kept picture: its width, then its pixels, as this machine lays them out.
std::string PictureFile(const char* folderVariable, const char* scene) {
    const char* folder = std::getenv(folderVariable);
    return folder && *folder ? std::string(folder) + "/" + scene + ".argb" : std::string();
}

bool ReadPicture(const std::string& path, Shot& s) {
    const std::string bytes = path.empty() ? std::string() : testsupport::ReadFile(path);
    if (bytes.size() <= sizeof s.width || (bytes.size() - sizeof s.width) % sizeof(uint32_t))
        return false;
    std::memcpy(&s.width, bytes.data(), sizeof s.width);
    s.argb.resize((bytes.size() - sizeof s.width) / sizeof(uint32_t));
    std::memcpy(s.argb.data(), bytes.data() + sizeof s.width, s.argb.size() * sizeof(uint32_t));
    return s.width > 0 && s.argb.size() % s.width == 0;
}

void KeepPicture(const std::string& path, const Shot& s) {
    if (path.empty() || !s.failure.empty() || !s.skip.empty())
        return;
    std::string bytes(sizeof s.width + s.argb.size() * sizeof(uint32_t), '\0');
    std::memcpy(bytes.data(), &s.width, sizeof s.width);
    std::memcpy(bytes.data() + sizeof s.width, s.argb.data(), s.argb.size() * sizeof(uint32_t));
    // Whole or not at all: a run that reads it may start as soon as this ends.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (testsupport::WriteFile(path + ".part", bytes))
        std::filesystem::rename(path + ".part", path, ec);
}

// GL's picture of the scene: the kept one where there is one.
Shot TakeGl(const char* scene, bool intoLevel, const std::function<bool(FlowHarness&)>& reach) {
    Shot gl;
    if (ReadPicture(PictureFile("GV_GL_PICTURES", scene), gl))
        return gl;
    const std::string keep = PictureFile("GV_KEEP_GL_PICTURES", scene);
    std::error_code ec;
    std::filesystem::remove(keep, ec); // never an earlier build's
    gl = Take("gl", intoLevel, reach);
    KeepPicture(keep, gl);
    return gl;
}

int Diff(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int sh = 0; sh < 32; sh += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> sh) & 0xFF) -
                                         static_cast<int>((b >> sh) & 0xFF)));
    return worst;
}

void Compare(const char* scene, bool intoLevel, const std::function<bool(FlowHarness&)>& reach) {
    const Shot gl = TakeGl(scene, intoLevel, reach);
    if (!gl.skip.empty())
        GTEST_SKIP() << gl.skip;
    ASSERT_EQ(gl.failure, "") << scene;
    const Shot soft = Take("soft", intoLevel, reach);
    ASSERT_EQ(soft.failure, "") << scene;
    ASSERT_EQ(gl.argb.size(), soft.argb.size());
    const auto w = static_cast<int>(gl.width), h = static_cast<int>(gl.argb.size() / gl.width);
    size_t near = 0, farOffEdge = 0, farOnEdge = 0;
    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const int d = Diff(gl.argb[i], soft.argb[i]);
            worst = std::max(worst, d);
            near += d <= kNear ? 1 : 0;
            if (d <= kFar)
                continue;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    const int nx = std::clamp(x + dx, 0, w - 1), ny = std::clamp(y + dy, 0, h - 1);
                    edge = Diff(gl.argb[i], gl.argb[static_cast<size_t>(ny) * w + nx]) > kEdgeJump;
                }
            (edge ? farOnEdge : farOffEdge) += 1;
        }
    EXPECT_GE(near * 1000, gl.argb.size() * 995)
        << scene << ": " << near << " of " << gl.argb.size() << " within " << kNear;
    EXPECT_EQ(farOffEdge, 0u) << scene << ": worst difference " << worst;
    EXPECT_LE(farOnEdge, kFarOnEdges) << scene << ": worst difference " << worst;
    // The span routines the setting asks for, where this processor runs them.
    const char* spans = std::getenv("GLORVANE_SOFT_SPANS");
    if (spans && gpu::SpanRoutine(spans)) {
        EXPECT_STREQ(gpu::SpanRoutineKind(), spans);
    }
}

bool InPlay(FlowHarness& h) {
    return h.RunUntil([&] { return h.Game().SubState == kSubPlay; }, 6.0f) && (h.Frames(30), true);
}

// Level 1 a few frames after a swap that makes a row: gems falling, coins
// and tokens on their way, each hiding the other by depth.
bool Cascade(FlowHarness& h) {
    if (!InPlay(h))
        return false;
    CPlayField& f = h.Field();
    f.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    if (f.MatchFinder.ListMoves(moves, 3, 0) == 0)
        return false;
    f.SwapCaps(moves[0].Column1, moves[0].Row1, moves[0].Column2, moves[0].Row2, 0);
    h.Frames(12);
    return true;
}

bool Bonus(FlowHarness& h) {
    if (!InPlay(h))
        return false;
    h.Game().StartBonusLevel(1, 1);
    return h.RunUntil([&] { return h.Game().SubState == kSubBonus; }, 5.0f) && (h.Frames(30), true);
}

bool Shop(FlowHarness& h) {
    return InPlay(h) && h.WinIntoShop(3);
}

bool Map(FlowHarness& h) {
    CScreensManager& s = *h.Game().Screens;
    return h.ClickControl(s.NewProfileForm, 195) && h.ClickControl(s.MainMenuForm, 1) &&
           h.PassStory() && h.WaitForForm(s.MapForm, 3.0f) && (h.Frames(30), true);
}

bool MainMenu(FlowHarness& h) {
    h.Frames(60);
    return true;
}

struct Scene {
    const char* name;
    bool intoLevel;
    bool (*reach)(FlowHarness&);
};

// Named by its scene where gtest and ctest list the tests.
void PrintTo(const Scene& scene, std::ostream* out) {
    *out << scene.name;
}

// One test per scene, so that each starts the game only for its own pictures.
class BackEndPicture : public ::testing::TestWithParam<Scene> {};

const Scene kScenes[] = {{"main_menu", false, MainMenu}, {"map", false, Map},
                         {"level_1", true, InPlay},      {"cascade", true, Cascade},
                         {"bonus_level", true, Bonus},   {"shop", true, Shop}};

} // namespace

TEST_P(BackEndPicture, SoftDrawsWhatGlDraws) {
    Compare(GetParam().name, GetParam().intoLevel, GetParam().reach);
}

INSTANTIATE_TEST_SUITE_P(Scenes, BackEndPicture, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<Scene>& info) {
                             return std::string(info.param.name);
                         });
