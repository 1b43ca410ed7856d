// The renderer's mode choice at start-up on scripted adapters, its viewports,
// resets after a loss, video-mode switches and the gamma ramp.
#include <cmath>

#include "DeviceTestSupport.h"
#include "engine/DisplayModes.h"
#include "engine/Renderer.h"
#include "engine/Surface.h"

namespace {

using gpu::Fmt::R5G6B5;
using gpu::Fmt::X8R8G8B8;

// Capabilities that give a GPU class.
gpu::Caps CapsOfClass(int gpuClass) {
    gpu::Caps c = gpu::AdapterConfig::DefaultCaps();
    c.pixelShaderVersion = c.vertexShaderVersion = c.devCaps = c.stencilCaps = 0;
    if (gpuClass >= 2)
        c.stencilCaps = gpu::kStencilCapsZero;
    if (gpuClass >= 3)
        c.devCaps = gpu::kDevCapsHwTransformAndLight;
    if (gpuClass >= 4)
        c.vertexShaderVersion = 0xFFFE0101u;
    if (gpuClass >= 5)
        c.pixelShaderVersion = 0xFFFF0101u;
    return c;
}

gpu::RecordingConfig Adapter(uint32_t deskW, uint32_t deskH, int gpuClass) {
    gpu::RecordingConfig cfg;
    gpu::AdapterConfig& a = cfg.adapters[0];
    a.desktop = gpu::DisplayMode{deskW, deskH, 60, X8R8G8B8};
    a.caps = CapsOfClass(gpuClass);
    if (gpuClass == 5)
        a.identifier.vendorId = 0x1002;
    bool listed = false;
    for (const auto& m : a.modes)
        listed = listed || (m.width == deskW && m.height == deskH);
    if (!listed)
        for (uint32_t f : {R5G6B5, X8R8G8B8})
            a.modes.push_back({deskW, deskH, 60, f});
    return cfg;
}

VideoSettingsBlock Settings(int fullScreen, int w, int h, int colorMode = -1) {
    VideoSettingsBlock s;
    s.fullScreen = fullScreen;
    s.width = w;
    s.height = h;
    s.colorMode = colorMode;
    return s;
}

class ModeChoiceTest : public ::testing::Test {
protected:
    gpu::Result Run(const gpu::RecordingConfig& cfg, VideoSettingsBlock& s) {
        renderer_.reset();
        api_ = MakeRecordingApi(cfg);
        renderer_ = std::make_unique<CRenderer>();
        return renderer_->CreateDevice(s, api_.get(), nullptr, gpu::Fmt::D16);
    }
    gpu::RecordingDevice* Rec() const {
        return gpu::AsRecording(renderer_->GetDevice()->GetDevice());
    }
    void TearDown() override { renderer_.reset(); }

    CapturedLog log_;
    ApiPtr api_;
    std::unique_ptr<CRenderer> renderer_;
};

TEST_F(ModeChoiceTest, ChosenWindowFollowsDesktopAndClass) {
    VideoSettingsBlock s = Settings(0, 0, 0);
    ASSERT_EQ(Run(Adapter(1280, 1024, 3), s), gpu::kOk);
    const std::vector<std::pair<int, int>> two{{640, 480}, {1024, 768}};
    EXPECT_EQ(renderer_->GetWindowSizes(), two);
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_EQ(s.fullScreen, 0);
    EXPECT_EQ(s.gpuClass, 3);
    EXPECT_EQ(s.colorMode, 32) << "the desktop's depth";
    EXPECT_EQ(s.format, X8R8G8B8);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferWidth, 1024u);
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 1);

    for (int gpuClass : {1, 2, 5}) {
        VideoSettingsBlock t = Settings(0, 0, 0);
        ASSERT_EQ(Run(Adapter(1024, 768, gpuClass), t), gpu::kOk);
        const std::vector<std::pair<int, int>> sizes{{640, 480}, {800, 600}};
        EXPECT_EQ(renderer_->GetWindowSizes(), sizes);
        EXPECT_EQ(t.width, gpuClass >= 2 ? 800 : 640) << "class " << gpuClass;
        EXPECT_EQ(t.gpuClass, gpuClass);
    }
}

TEST_F(ModeChoiceTest, SettingsWithASizeAreKept) {
    VideoSettingsBlock s;  // what a missing Options.ini gives
    ASSERT_EQ(Run(Adapter(1280, 1024, 5), s), gpu::kOk);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 480);
    EXPECT_EQ(s.fullScreen, 0);
    EXPECT_EQ(s.gpuClass, 0) << "no mode was chosen by class";
    EXPECT_EQ(s.colorMode, 32);
    EXPECT_EQ(renderer_->GetVideoSettings().width, 640);
    EXPECT_EQ(renderer_->GetWidth(), 640);
    EXPECT_FLOAT_EQ(renderer_->GetPixelScale(), 1.6f);
    EXPECT_FLOAT_EQ(renderer_->GetHalfPixelScale(), 0.8f);
    EXPECT_FLOAT_EQ(renderer_->GetHalfWidth(), 320.0f);
}

TEST_F(ModeChoiceTest, WideDesktopsFillTheAspectSlots) {
    gpu::RecordingConfig cfg = Adapter(1280, 800, 5);
    for (uint32_t f : {R5G6B5, X8R8G8B8})
        cfg.adapters[0].modes.push_back({768, 480, 60, f});
    VideoSettingsBlock s = Settings(1, 0, 0);
    ASSERT_EQ(Run(cfg, s), gpu::kOk);
    const DisplayModeList& list = *renderer_->GetDevice()->GetModeList();
    const std::vector<int>& slots = renderer_->GetModeSlots();
    EXPECT_EQ(slots[4], list.Find(768, 480, R5G6B5, false));
    EXPECT_EQ(slots[5], list.Find(1280, 800, R5G6B5, false));
    EXPECT_EQ(slots[7], list.Find(1280, 800, X8R8G8B8, false));
    EXPECT_EQ(slots[2], -1);
    EXPECT_EQ(slots[6], -1);
    // Class 5 in full screen takes the wide 32-bit mode.
    EXPECT_EQ(s.width, 1280);
    EXPECT_EQ(s.height, 800);
    EXPECT_EQ(s.colorMode, 32);
    EXPECT_EQ(s.fullScreen, 1);
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 0);

    VideoSettingsBlock t = Settings(1, 0, 0);
    ASSERT_EQ(Run(Adapter(1280, 1024, 5), t), gpu::kOk);
    for (int slot : {4, 5, 7})
        EXPECT_EQ(renderer_->GetModeSlots()[static_cast<size_t>(slot)], -1);
    EXPECT_EQ(t.width, 1024) << "class 5 without wide slots: 1024x768 in 32 bits";
    EXPECT_EQ(t.colorMode, 32);
}

TEST_F(ModeChoiceTest, UnavailableFullScreenModeIsChosenAgain) {
    VideoSettingsBlock s = Settings(1, 1600, 1200, 32);
    ASSERT_EQ(Run(Adapter(1280, 1024, 4), s), gpu::kOk);
    EXPECT_EQ(s.gpuClass, 4);
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_EQ(s.colorMode, 16);
    EXPECT_EQ(s.format, R5G6B5);

    for (int gpuClass : {1, 2}) {
        VideoSettingsBlock t = Settings(1, 0, 0);
        ASSERT_EQ(Run(Adapter(1280, 1024, gpuClass), t), gpu::kOk);
        EXPECT_EQ(t.width, gpuClass >= 2 ? 1024 : 640) << "class " << gpuClass;
        EXPECT_EQ(t.colorMode, 16);
    }

    // An available one is kept, colour depth included.
    VideoSettingsBlock k = Settings(1, 800, 600, 16);
    ASSERT_EQ(Run(Adapter(1280, 1024, 4), k), gpu::kOk);
    EXPECT_EQ(k.width, 800);
    EXPECT_EQ(k.colorMode, 16);
    EXPECT_EQ(k.format, R5G6B5);
    EXPECT_EQ(k.gpuClass, 0);
}

TEST_F(ModeChoiceTest, WindowsLargerThanTheDesktopShrink) {
    VideoSettingsBlock s = Settings(0, 1280, 1024, 32);
    ASSERT_EQ(Run(Adapter(1024, 768, 4), s), gpu::kOk);
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
    EXPECT_EQ(s.colorMode, 32) << "windowed: the desktop's depth";

    VideoSettingsBlock t = Settings(0, 1024, 768);
    ASSERT_EQ(Run(Adapter(800, 600, 4), t), gpu::kOk);
    EXPECT_EQ(t.width, 640);
    EXPECT_EQ(t.height, 480);
}

TEST_F(ModeChoiceTest, NoDesktopModeForcesFullScreen) {
    gpu::RecordingConfig cfg;
    cfg.adapters[0].desktop.reset();
    VideoSettingsBlock s = Settings(0, 640, 480);
    ASSERT_EQ(Run(cfg, s), gpu::kOk);
    const std::vector<std::pair<int, int>> one{{640, 480}};
    EXPECT_EQ(renderer_->GetWindowSizes(), one);
    EXPECT_EQ(s.fullScreen, 1);
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_EQ(s.colorMode, 16);
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 0);
    EXPECT_FALSE(renderer_->SwitchVideoMode(false, 640, 480, X8R8G8B8));
}

TEST_F(ModeChoiceTest, UnsafeSettingsValues) {
    VideoSettingsBlock s = Settings(0, -5, 600);
    s.adapter = -3;
    ASSERT_EQ(Run(Adapter(1280, 1024, 3), s), gpu::kOk);
    EXPECT_EQ(s.adapter, 0);
    EXPECT_EQ(s.width, 1024) << "a negative size is a size to choose";

    // An adapter that cannot show 640x480 in more than 14 bits is passed over.
    gpu::RecordingConfig cfg;
    cfg.adapters.resize(2);
    cfg.adapters[0].modes = {{640, 480, 60, gpu::Fmt::R3G3B2}, {800, 600, 60, gpu::Fmt::R3G3B2}};
    cfg.adapters[0].windowedFormats = cfg.adapters[0].fullScreenFormats = {gpu::Fmt::R3G3B2};
    cfg.adapters[0].desktop = gpu::DisplayMode{800, 600, 60, gpu::Fmt::R3G3B2};
    VideoSettingsBlock t;
    ASSERT_EQ(Run(cfg, t), gpu::kOk);
    EXPECT_EQ(t.adapter, 1);
    EXPECT_EQ(renderer_->GetDevice()->GetAdapter(), 1);
    EXPECT_EQ(Rec()->Adapter(), 1u);

    VideoSettingsBlock u;
    u.adapter = 7;
    ASSERT_EQ(Run(cfg, u), gpu::kOk);
    EXPECT_EQ(u.adapter, 1);

    cfg.adapters.resize(1);
    renderer_.reset();
    log_.Clear();
    VideoSettingsBlock v;
    EXPECT_EQ(Run(cfg, v), gpu::kErrNotAvailable);
    EXPECT_EQ(log_.Text(), " No Direct3D adapter found!\n");

    cfg.adapters.clear();
    renderer_.reset();
    log_.Clear();
    EXPECT_EQ(Run(cfg, v), gpu::kErrNotAvailable);
    EXPECT_EQ(log_.Text(), " No Direct3D adapter found!\n");
}

TEST_F(ModeChoiceTest, DeviceStartsWithTheRendererStates) {
    VideoSettingsBlock s = Settings(0, 800, 600);
    ASSERT_EQ(Run(Adapter(1280, 1024, 4), s), gpu::kOk);
    EXPECT_EQ(Rec()->RenderState(gpu::Rs::Lighting), 0u);
    for (uint32_t stage : {0u, 1u}) {
        EXPECT_EQ(Rec()->StageState(stage, gpu::Tss::MagFilter), gpu::Tf::Linear);
        EXPECT_EQ(Rec()->StageState(stage, gpu::Tss::MinFilter), gpu::Tf::Linear);
        EXPECT_EQ(Rec()->StageState(stage, gpu::Tss::MipFilter), gpu::Tf::Point);
    }
    EXPECT_EQ(Rec()->CurrentViewport().width, 800u);
    EXPECT_EQ(renderer_->GetGameViewport().width, 800u);
    // The projection maps the virtual screen's corners to the clip corners.
    const gpu::Matrix& p = renderer_->GetProjection();
    EXPECT_FLOAT_EQ(p.m[0][0] * 512.0f, 1.0f);
    EXPECT_FLOAT_EQ(p.m[1][1] * 384.0f, 1.0f);
}

TEST(ViewportTest, GameAreaIsCentredFourThree) {
    const gpu::Viewport tall = CRenderer::ComputeGameViewport(1280, 1024);
    EXPECT_EQ(tall.x, 0u);
    EXPECT_EQ(tall.width, 1280u);
    EXPECT_EQ(tall.height, 1024u);
    const gpu::Viewport wide = CRenderer::ComputeGameViewport(1280, 720);
    EXPECT_EQ(wide.x, 160u);
    EXPECT_EQ(wide.width, 960u);
    EXPECT_EQ(wide.y, 0u);
    EXPECT_EQ(wide.height, 720u);
    EXPECT_FLOAT_EQ(wide.maxZ, 1.0f);
    const gpu::Viewport full = CRenderer::ComputeFullViewport(1280, 720);
    EXPECT_EQ(full.width, 1280u);
}

TEST(GammaTest, RampShapes) {
    const gpu::GammaRamp linear = CRenderer::ComputeGammaRamp(0.5f);
    EXPECT_EQ(linear.red[0], 0);
    EXPECT_EQ(linear.green[51], 13107);
    EXPECT_EQ(linear.blue[255], 65535);
    const gpu::GammaRamp bright = CRenderer::ComputeGammaRamp(1.0f);
    const gpu::GammaRamp dark = CRenderer::ComputeGammaRamp(0.0f);
    EXPECT_NEAR(bright.red[128] / 65535.0, 0.92, 0.01);
    EXPECT_NEAR(dark.red[128] / 65535.0, 0.08, 0.01);
    EXPECT_EQ(dark.red[255], 65535);
    for (int i = 1; i < 256; ++i)
        ASSERT_GE(bright.red[i], bright.red[i - 1]);
}

TEST_F(ModeChoiceTest, GammaIsSavedAppliedAndRestored) {
    VideoSettingsBlock s;
    ASSERT_EQ(Run(Adapter(1280, 1024, 4), s), gpu::kOk);
    gpu::GammaRamp desktop = Rec()->CurrentGammaRamp();
    desktop.red[10] = 1234;
    Rec()->SetGammaRamp(0, &desktop);
    renderer_->SaveGammaRamp();
    renderer_->ApplyGammaRamp(1.0f);
    EXPECT_EQ(Rec()->CurrentGammaRamp().green[128], CRenderer::ComputeGammaRamp(1.0f).green[128]);
    renderer_->RestoreGammaRamp();
    EXPECT_EQ(Rec()->CurrentGammaRamp().red[10], 1234);
}

// ---- loss, reset, switching ---------------------------------------------------

TEST_F(ModeChoiceTest, PresentResetsOnlyADeviceReadyForIt) {
    gpu::RecordingConfig cfg = Adapter(1280, 1024, 4);
    cfg.loss.atPresent = 2;
    cfg.loss.lostTests = 1;
    VideoSettingsBlock s;
    ASSERT_EQ(Run(cfg, s), gpu::kOk);
    gpu::RecordingApi* api = gpu::AsRecording(api_.get());
    EXPECT_EQ(renderer_->Present(), gpu::kOk);
    log_.Clear();

    // Lost: no reset; the frame loop's cooperative-level check comes back later.
    EXPECT_EQ(renderer_->Present(), gpu::kErrDeviceLost);
    EXPECT_EQ(api->CallCount(gpu::Call::Reset), 0u);
    EXPECT_EQ(log_.Text(), "");

    // Not reset: one reset, with the log lines.
    EXPECT_EQ(renderer_->Present(), gpu::kErrDeviceLost);
    EXPECT_EQ(api->CallCount(gpu::Call::Reset), 1u);
    EXPECT_EQ(Rec()->State(), gpu::DeviceState::Ok);
    EXPECT_EQ(log_.Text(),
              " Cursor surface not found!\n Device Reset. Now Windowed 640  x 480  22  \n");
    EXPECT_EQ(renderer_->Present(), gpu::kOk);
}

TEST_F(ModeChoiceTest, ResetSetsTheCursorAndRetriesLater) {
    VideoSettingsBlock s;
    ASSERT_EQ(Run(Adapter(1280, 1024, 4), s), gpu::kOk);
    CRenderDevice& device = *renderer_->GetDevice();
    CSharedPtr<CSurface> cursor(new CSurface);
    ASSERT_EQ(cursor->Create(device.GetDevice(), "CursorSurface", 32, 32, gpu::Fmt::A8R8G8B8),
              gpu::kOk);
    device.RegisterSurface(cursor);

    Rec()->LoseDevice(2);
    log_.Clear();
    EXPECT_EQ(renderer_->ResetDevice(), gpu::kErrDeviceLost);
    EXPECT_EQ(log_.Text(), "");
    EXPECT_EQ(Rec()->Cursor(), nullptr);
    while (Rec()->State() == gpu::DeviceState::Lost)
        Rec()->TestCooperativeLevel();
    EXPECT_EQ(renderer_->ResetDevice(), gpu::kOk);
    ASSERT_NE(Rec()->Cursor(), nullptr);
    EXPECT_EQ(Rec()->Cursor()->width, 32u);
    EXPECT_EQ(log_.Text(), " Device Reset. Now Windowed 640  x 480  22  \n");
}

TEST_F(ModeChoiceTest, SwitchingVideoModes) {
    VideoSettingsBlock s = Settings(0, 0, 0);
    ASSERT_EQ(Run(Adapter(1280, 1024, 3), s), gpu::kOk);  // sizes 640x480 and 1024x768

    ASSERT_TRUE(renderer_->SwitchVideoMode(true, 800, 600, R5G6B5));
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 0);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferWidth, 800u);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferFormat, R5G6B5);
    EXPECT_EQ(renderer_->GetVideoSettings().width, 800);
    EXPECT_EQ(renderer_->GetVideoSettings().format, R5G6B5);
    EXPECT_FLOAT_EQ(renderer_->GetPixelScale(), 1.28f);
    uint32_t w = 0, h = 0, f = 0;
    renderer_->GetCurrentMode(true, &w, &h, &f);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(f, R5G6B5);
    EXPECT_EQ(renderer_->GetDevice()->GetModeIndex(),
              renderer_->GetDevice()->GetModeList()->Find(800, 600, R5G6B5, false));

    // A size between the offered windows takes the largest that fits.
    ASSERT_TRUE(renderer_->SwitchVideoMode(false, 1000, 700, X8R8G8B8));
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 1);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferWidth, 640u);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferFormat, X8R8G8B8);
    renderer_->GetCurrentMode(false, &w, &h, &f);
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);
    EXPECT_EQ(f, X8R8G8B8);

    ASSERT_TRUE(renderer_->SwitchVideoMode(false, 1024, 768, X8R8G8B8));
    EXPECT_EQ(renderer_->GetWidth(), 1024);
    EXPECT_EQ(renderer_->GetFullViewport().width, 1024u);

    // A full-screen size the list does not have falls back to a larger mode.
    ASSERT_TRUE(renderer_->SwitchVideoMode(true, 900, 700, X8R8G8B8));
    EXPECT_EQ(renderer_->GetWidth(), 1024);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferHeight, 768u);

    // A reset that fails reports the switch as failed.
    Rec()->LoseDevice(3);
    EXPECT_FALSE(renderer_->SwitchVideoMode(true, 640, 480, R5G6B5));
}

}  // namespace
