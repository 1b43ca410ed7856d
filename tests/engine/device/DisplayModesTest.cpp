// The mode list of an adapter, its lookups and the GPU class.
#include "DeviceTestSupport.h"
#include "engine/DisplayModes.h"

namespace {

using gpu::Fmt::R5G6B5;
using gpu::Fmt::X8R8G8B8;

gpu::RecordingConfig WithModes(std::vector<gpu::DisplayMode> modes) {
    gpu::RecordingConfig cfg;
    cfg.adapters[0].modes = std::move(modes);
    return cfg;
}

TEST(DisplayModeListTest, BuildFiltersDedupesAndSorts) {
    gpu::RecordingConfig cfg = WithModes({
        {1024, 768, 60, X8R8G8B8},
        {640, 480, 60, X8R8G8B8},
        {800, 600, 60, X8R8G8B8},
        {800, 600, 85, X8R8G8B8},     // the same mode at another rate
        {640, 400, 60, X8R8G8B8},     // too low
        {320, 240, 60, X8R8G8B8},     // too small
        {800, 600, 60, R5G6B5},
        {800, 600, 60, gpu::Fmt::A8R8G8B8},   // neither windowed nor full screen here
        {800, 600, 60, gpu::Fmt::A2B10G10R10}, // not a display format of the game
    });
    cfg.adapters[0].desktop = gpu::DisplayMode{1024, 768, 60, X8R8G8B8};
    cfg.adapters[0].windowedFormats.push_back(gpu::Fmt::A2B10G10R10);
    ApiPtr api = MakeRecordingApi(cfg);
    DisplayModeList list(api.get(), 0);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0].width, 640u);
    EXPECT_EQ(list[1].width, 800u);
    EXPECT_EQ(list[1].bits, 16u) << "same size sorted by bits";
    EXPECT_EQ(list[2].format, X8R8G8B8);
    EXPECT_EQ(list[3].width, 1024u);
    EXPECT_EQ(list.GetDesktopIndex(), 3);
    EXPECT_EQ(list.GetDesktopMode()->height, 768u);
    EXPECT_EQ(list[2].redMask, 0xFF0000u);
    EXPECT_EQ(list[1].greenBits, 6u);
    EXPECT_EQ(list[1].greenShift, 5u);
    EXPECT_EQ(list[2].windowed, 1u);
    EXPECT_EQ(list[2].fullScreen, 1u);
    EXPECT_EQ(list[2].targetFormat, X8R8G8B8);
}

TEST(DisplayModeListTest, FlagsAndTargetFormatsFollowTheAdapter) {
    gpu::RecordingConfig cfg = WithModes({{800, 600, 60, X8R8G8B8}, {800, 600, 60, R5G6B5}});
    cfg.adapters[0].windowedFormats = {X8R8G8B8};
    cfg.adapters[0].fullScreenFormats = {X8R8G8B8, R5G6B5};
    cfg.adapters[0].renderTargetFormats = {gpu::Fmt::A8R8G8B8};
    cfg.adapters[0].desktop = gpu::DisplayMode{800, 600, 60, R5G6B5};  // not usable in a window
    ApiPtr api = MakeRecordingApi(cfg);
    DisplayModeList list(api.get(), 0);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].format, R5G6B5);
    EXPECT_EQ(list[0].windowed, 0u);
    EXPECT_EQ(list[0].targetFormat, gpu::Fmt::A8R8G8B8);
    EXPECT_EQ(list.GetDesktopIndex(), -1);

    cfg.adapters[0].renderTargetFormats.clear();
    ApiPtr none = MakeRecordingApi(cfg);
    EXPECT_EQ(DisplayModeList(none.get(), 0).Count(), 0) << "no render target, no mode";
}

TEST(DisplayModeListTest, LookupsAndTheirFallbacks) {
    ApiPtr api = MakeRecordingApi(); // 640x480 .. 1280x1024 in 16 and 32 bits
    DisplayModeList list(api.get(), 0);
    ASSERT_EQ(list.Count(), 8);
    const int m1024x32 = list.Find(1024, 768, X8R8G8B8, false);
    ASSERT_GE(m1024x32, 0);
    EXPECT_EQ(list.FindFullscreenByDepth(1024, 768, 24, false), m1024x32) << "24 matches 32";
    EXPECT_EQ(list.FindFullscreenByDepth(1024, 768, 16, false), m1024x32 - 1);
    EXPECT_EQ(list.FindFullscreenByDepth(1024, 768, -1, false), -1);
    EXPECT_EQ(list.FindFullscreen(1600, 1200, X8R8G8B8, false), -1);
    EXPECT_EQ(list.FindFullscreen(1600, 1200, X8R8G8B8, true), list.Count() - 1);
    EXPECT_EQ(list.FindFullscreen(900, 700, R5G6B5, true), list.Find(1024, 768, R5G6B5, false));
    EXPECT_EQ(list.FindWindowed(700, 500, X8R8G8B8, true), list.Find(800, 600, X8R8G8B8, false));
    EXPECT_EQ(list.FindFullscreenBySize(800, 600, false), list.Find(800, 600, R5G6B5, false));
    EXPECT_EQ(list.FindByAspect(0.75f, 0.001f, 600, 32), list.Find(800, 600, X8R8G8B8, false));
    EXPECT_EQ(list.FindByAspect(0.8f, 0.001f, 1024, 32), list.Find(1280, 1024, X8R8G8B8, false));
    EXPECT_EQ(list.FindByAspect(0.5f, 0.001f, 480, 32), -1) << "nothing is that wide";
    EXPECT_EQ(list.FindByAspect(0.75f, 0.001f, 480, 8), -1) << "no mode of that depth";
}

TEST(GpuClassTest, ClassesFromCapabilities) {
    auto classOf = [](auto setup) {
        gpu::RecordingConfig cfg;
        gpu::Caps& caps = cfg.adapters[0].caps;
        caps.pixelShaderVersion = caps.vertexShaderVersion = 0;
        caps.devCaps = caps.stencilCaps = 0;
        setup(cfg.adapters[0]);
        ApiPtr api = MakeRecordingApi(cfg);
        return GetGpuClass(0, api.get());
    };
    EXPECT_EQ(classOf([](gpu::AdapterConfig&) {}), 1);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) { a.caps.stencilCaps = gpu::kStencilCapsZero; }), 2);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) { a.caps.devCaps = gpu::kDevCapsHwTransformAndLight; }), 3);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) { a.caps.vertexShaderVersion = 0xFFFE0101u; }), 4);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) { a.caps.pixelShaderVersion = 0xFFFF0101u; }), 4);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) {
                  a.caps.pixelShaderVersion = 0xFFFF0101u;
                  a.identifier.vendorId = 0x1002;
              }),
              5);
    EXPECT_EQ(classOf([](gpu::AdapterConfig& a) { a.caps.pixelShaderVersion = 0xFFFF0000u; }), 1)
        << "only the low 16 bits count";
    ApiPtr api = MakeRecordingApi();
    EXPECT_EQ(GetGpuClass(3, api.get()), 0);
}

}  // namespace
