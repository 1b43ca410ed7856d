// The scriptable adapter level of the recording back end.
#include <gtest/gtest.h>

#include "RecordingFixture.h"

using namespace gpu;
using gputest::Owned;
using gputest::WindowedParams;

TEST(RecordingApi, DefaultAdapterListsModesDesktopAndCaps) {
    Owned<Api> api(CreateRecordingApi());
    ASSERT_EQ(api->GetAdapterCount(), 1u);
    ASSERT_GT(api->GetAdapterModeCount(0), 0u);
    DisplayMode m;
    bool has1024x768x32 = false;
    for (uint32_t i = 0; i < api->GetAdapterModeCount(0); ++i) {
        ASSERT_EQ(api->EnumAdapterModes(0, i, &m), kOk);
        has1024x768x32 |= m.width == 1024 && m.height == 768 && m.format == Fmt::X8R8G8B8;
    }
    EXPECT_TRUE(has1024x768x32);
    EXPECT_EQ(api->EnumAdapterModes(0, api->GetAdapterModeCount(0), &m), kErrInvalidCall);
    EXPECT_EQ(api->GetAdapterModeCount(1), 0u);
    EXPECT_EQ(api->GetAdapterDisplayMode(0, &m), kOk);

    // Both shared-buffer capacities, min(cap + 1, 65536) in 64 bits, are 65536.
    Caps caps;
    ASSERT_EQ(api->GetDeviceCaps(0, kDeviceHal, &caps), kOk);
    EXPECT_EQ(std::min<uint64_t>(uint64_t{caps.maxVertexIndex} + 1, 65536), 65536u);
    EXPECT_EQ(std::min<uint64_t>(uint64_t{caps.maxPrimitiveCount} + 1, 65536), 65536u);
}

TEST(RecordingApi, ScriptedAdaptersAnswerAsConfigured) {
    RecordingConfig cfg;
    cfg.adapters.resize(2);
    cfg.adapters[1].modes = {{800, 600, 85, Fmt::R5G6B5}, {800, 600, 60, Fmt::R5G6B5}};
    cfg.adapters[1].desktop.reset();
    cfg.adapters[1].identifier.vendorId = 0x1002;
    cfg.adapters[1].caps.pixelShaderVersion = 0;
    cfg.adapters[1].caps.maxVertexIndex = 99;
    cfg.adapters[1].fullScreenFormats = {Fmt::R5G6B5};
    cfg.adapters[1].windowedFormats = {};
    Owned<Api> api(CreateRecordingApi(cfg));

    ASSERT_EQ(api->GetAdapterCount(), 2u);
    ASSERT_EQ(api->GetAdapterModeCount(1), 2u);
    DisplayMode m;
    ASSERT_EQ(api->EnumAdapterModes(1, 0, &m), kOk);
    EXPECT_EQ(m.refreshRate, 85u);
    EXPECT_EQ(api->GetAdapterDisplayMode(1, &m), kErrNotAvailable);

    AdapterIdentifier id;
    ASSERT_EQ(api->GetAdapterIdentifier(1, 0, &id), kOk);
    EXPECT_EQ(id.vendorId, 0x1002u);
    Caps caps;
    ASSERT_EQ(api->GetDeviceCaps(1, kDeviceHal, &caps), kOk);
    EXPECT_EQ(caps.maxVertexIndex, 99u);
    EXPECT_EQ(caps.pixelShaderVersion, 0u);

    EXPECT_EQ(api->CheckDeviceType(1, kDeviceHal, Fmt::R5G6B5, Fmt::R5G6B5, 0), kOk);
    EXPECT_EQ(api->CheckDeviceType(1, kDeviceHal, Fmt::R5G6B5, Fmt::R5G6B5, 1), kErrNotAvailable);
    EXPECT_EQ(api->CheckDeviceType(1, kDeviceHal, Fmt::X8R8G8B8, Fmt::X8R8G8B8, 0),
              kErrNotAvailable);
    EXPECT_EQ(api->CheckDeviceType(0, kDeviceHal, Fmt::X8R8G8B8, Fmt::X8R8G8B8, 1), kOk);
    EXPECT_EQ(api->CheckDeviceType(0, 2, Fmt::X8R8G8B8, Fmt::X8R8G8B8, 1), kErrNotAvailable);
}

TEST(RecordingApi, TextureFormatAnswersDefaultToColourAndCanBeFlipped) {
    Owned<Api> api(CreateRecordingApi());
    for (uint32_t f = 21; f <= 26; ++f)
        EXPECT_EQ(api->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, f), kOk)
            << f;
    for (uint32_t f : {Fmt::A8R3G3B2, Fmt::A8L8, Fmt::A4L4})
        EXPECT_EQ(api->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, f),
                  kErrNotAvailable)
            << f;

    RecordingConfig cfg;
    cfg.adapters[0].textureFormats = {Fmt::A4L4, Fmt::A8L8, Fmt::A8R3G3B2};
    cfg.adapters[0].renderTargetFormats = {Fmt::R5G6B5};
    Owned<Api> grey(CreateRecordingApi(cfg));
    EXPECT_EQ(grey->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, Fmt::A4L4),
              kOk);
    EXPECT_EQ(
        grey->CheckDeviceFormat(0, kDeviceHal, Fmt::X8R8G8B8, 0, Rtype::Texture, Fmt::A8R8G8B8),
        kErrNotAvailable);
    // The render-target question has its own answers.
    EXPECT_EQ(grey->CheckDeviceFormat(0, kDeviceHal, Fmt::R5G6B5, Usage::RenderTarget,
                                      Rtype::Texture, Fmt::R5G6B5),
              kOk);
    EXPECT_EQ(grey->CheckDeviceFormat(0, kDeviceHal, Fmt::R5G6B5, Usage::RenderTarget,
                                      Rtype::Texture, Fmt::A4L4),
              kErrNotAvailable);

    // A function overrides the lists entirely.
    cfg.checkDeviceFormat = [](uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t fmt) {
        return fmt == Fmt::A1R5G5B5 ? kOk : kErrNotAvailable;
    };
    Owned<Api> custom(CreateRecordingApi(cfg));
    EXPECT_EQ(custom->CheckDeviceFormat(0, kDeviceHal, 22, 0, Rtype::Texture, Fmt::A1R5G5B5), kOk);
    EXPECT_EQ(custom->CheckDeviceFormat(0, kDeviceHal, 22, 0, Rtype::Texture, Fmt::A4L4),
              kErrNotAvailable);
}

TEST(RecordingApi, CreateDeviceChecksModeAndVertexProcessing) {
    RecordingConfig cfg;
    cfg.adapters[0].hardwareVertexProcessing = false;
    Owned<Api> api(CreateRecordingApi(cfg));
    Device* d = nullptr;

    PresentParams full = WindowedParams(1024, 768);
    full.windowed = 0;
    // No hardware vertex processing: the first attempt fails, the software one works.
    EXPECT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateHardwareVertexProcessing, &full, &d),
              kErrNotAvailable);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &full, &d),
              kOk);
    Owned<Device> dev(d);
    EXPECT_EQ(AsRecording(d)->BehaviorFlags(), kCreateSoftwareVertexProcessing);
    EXPECT_EQ(AsRecording(d)->CurrentPresentParams().windowed, 0);

    // Full screen takes any size, as on GL and ours; where the script says
    // so, only one of the adapter's modes; windowed any size.
    PresentParams odd = WindowedParams(1000, 700);
    odd.windowed = 0;
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &odd, &d),
              kOk);
    d->Release();
    AsRecording(api.get())->Config().adapters[0].fullScreenListedModesOnly = true;
    EXPECT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &odd, &d),
              kErrInvalidCall);
    odd.windowed = 1;
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &odd, &d),
              kOk);
    d->Release();
    // A back-buffer format the adapter refuses, a missing adapter.
    PresentParams bad = WindowedParams(640, 480, Fmt::A4R4G4B4);
    EXPECT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &bad, &d),
              kErrInvalidCall);
    EXPECT_EQ(api->CreateDevice(3, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &odd, &d),
              kErrInvalidCall);
    EXPECT_EQ(AsRecording(api.get())->CallCount(Call::CreateDevice), 7u);
}

TEST(RecordingApi, InjectedCreateFailuresHitTheNthCalls) {
    RecordingConfig cfg;
    cfg.failures.push_back({Call::CreateDevice, 1, kErrOutOfVideoMemory, 2});
    Owned<Api> api(CreateRecordingApi(cfg));
    PresentParams pp = WindowedParams();
    Device* d = nullptr;
    EXPECT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateHardwareVertexProcessing, &pp, &d),
              kErrOutOfVideoMemory);
    EXPECT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateSoftwareVertexProcessing, &pp, &d),
              kErrOutOfVideoMemory);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateHardwareVertexProcessing, &pp, &d),
              kOk);
    d->Release();
}
