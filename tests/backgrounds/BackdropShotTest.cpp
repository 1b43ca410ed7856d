// Every backdrop drawn from the generated game folder through the renderer on
// the offscreen OpenGL back end, a few seconds into its animation with its
// stage complete. The frames are written as PNG pictures for review:
//   GV_BACKDROP_SHOTS=<folder> test_backgrounds --gtest_filter='BackdropShots.*'
// (without the variable they are written to a folder of the test's own and
// removed with it).
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backgrounds/BackgroundsManager.h"
#include "engine/DataPaths.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/Texture.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/Window.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"
#include "tools/lib/ImageWriter.h"

namespace {

namespace fs = std::filesystem;

std::string Game(const std::string& gamePath) {
    return std::string(GV_GAME_DIR) + "/" + gamePath;
}

TEST(BackdropShots, EveryBackdropPaintsTheWholeScreen) {
    if (!fs::is_directory(fs::path(GV_GAME_DIR) / "Data"))
        GTEST_SKIP() << "the game folder is not assembled";
    static const bool videoHeld = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    (void)videoHeld;
    testsupport::CapturedLog log;
    std::string error;
    std::unique_ptr<os::Window> window(os::Window::Create("backdrops", 1024, 768, &error));
    if (!window)
        GTEST_SKIP() << "no video driver (" << error << ")";
    testsupport::ApiPtr api(gpu::CreateApi(window.get()));
    auto renderer = std::make_unique<CRenderer>();
    VideoSettingsBlock s;
    s.width = 1024;
    s.height = 768;
    const gpu::Result r = renderer->CreateDevice(s, api.get(), window.get(), gpu::Fmt::D16);
    if (r == gpu::kErrNotAvailable)
        GTEST_SKIP() << "no OpenGL 3.3 context";
    ASSERT_EQ(r, gpu::kOk);
    CSharedPtr<CRenderDevice> device = renderer->GetDevice();
    gpu::FrameProbe* gl = gpu::ProbeOf(device->GetDevice());
    ASSERT_NE(gl, nullptr);
    CSharedPtr<CVertexBuffer> vb;
    CSharedPtr<CIndexBuffer> ib;
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSharedBuffers(*device, 16384, 32768, vb, ib));
    renderer->SetSharedBuffers(vb, ib);

    CDataPaths paths;
    const std::string gfx = Game(paths.GfxPath);
    auto load = [&](const char* name, const char* file) {
        return device->LoadTexture(gfx + file, name, 1, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
    };
    CSharedPtr<CTexture> flare = load("Flare", "Flare.jpg"), spark = load("Spark", "Spark.bmp");
    CSharedPtr<CTexture> flash = load("JungleFlash", "JungleFlash.tga");
    CSharedPtr<CQuadLayer> quads(new CQuadLayer(device, vb, ib));
    renderer->SetQuadLayer(0, quads);
    CSharedPtr<CSpriteLayer> layer(new CSpriteLayer(device, vb, ib));
    CSharedPtr<CSpriteLayer> front(new CSpriteLayer(device, vb, ib));
    renderer->SetSpriteLayer(2, front);
    CSharedPtr<CBackgroundsManager> manager(new CBackgroundsManager());
    renderer->SetBackdrop(manager);
    manager->AttachDevice(device, vb, ib);
    manager->AttachShared(layer, {}, quads, flare, flash, {}, {}, spark, {}, front);
    manager->LoadParams(Game(paths.ConfigPath + "Background.cfg").c_str());
    manager->Init(gfx);
    manager->Enabled = 1;

    const testsupport::TempDir scratch;
    const char* env = std::getenv("GV_BACKDROP_SHOTS");
    const fs::path out = env ? fs::path(env) : scratch.Root();
    fs::create_directories(out);
    std::vector<uint32_t> argb;
    for (int id = CBackgroundsManager::kMuseum; id <= CBackgroundsManager::kMainMenu; ++id) {
        manager->SetBackground(id);
        manager->SetStage(12, 1);
        for (int frame = 0; frame < 120; ++frame) { // four seconds: the map is unrolled
            manager->Update(1.0f / 30.0f);
            quads->Update(1.0f / 30.0f);
        }
        ASSERT_EQ(renderer->RenderScene(), 0);
        gl->ReadBackBuffer(argb);
        ASSERT_EQ(argb.size(), size_t(gl->BackBufferWidth()) * gl->BackBufferHeight());
        std::vector<uint8_t> rgb;
        rgb.reserve(argb.size() * 3);
        size_t dark = 0;
        for (uint32_t c : argb) {
            const uint8_t px[3] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
            rgb.insert(rgb.end(), px, px + 3);
            dark += px[0] + px[1] + px[2] < 12 ? 1 : 0;
        }
        EXPECT_LT(dark, argb.size() / 50) << "backdrop " << id << " leaves the screen black";
        const tk::PixelView view{rgb.data(), int(gl->BackBufferWidth()),
                                 int(gl->BackBufferHeight()), 3};
        EXPECT_TRUE(
            tk::WritePng((out / ("Backdrop" + std::to_string(id) + ".png")).string(), view));
    }
    EXPECT_EQ(log.Text().find("Error"), std::string::npos) << log.Text();
    manager = CSharedPtr<CBackgroundsManager>();
    renderer->SetBackdrop(CSharedPtr<IBackdropLayer>());
    renderer->SetSpriteLayer(2, CSharedPtr<CSpriteLayer>());
    renderer->SetQuadLayer(0, CSharedPtr<CQuadLayer>());
}

} // namespace
