// The software back end's present: its picture lands upright, opaque, 1:1 or
// scaled between black bars, and through the gamma ramp.
#include <gtest/gtest.h>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/GlApi.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

namespace {

using namespace gpu;

TEST(SoftPresent, ShowsThePictureUprightOpaqueAndBetweenBars) {
    std::string error;
    std::unique_ptr<os::Window> window(os::Window::Create("soft present", 1024, 768, &error));
    if (!window)
        GTEST_SKIP() << "no video driver (" << error << ")";
    testsupport::ApiPtr api(CreateSoftApi());
    ASSERT_NE(api, nullptr);
    PresentParams pp{
        .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = Fmt::A8R8G8B8};
    Device* raw = nullptr;
    if (api->CreateDevice(0, kDeviceHal, window.get(), kCreateHardwareVertexProcessing, &pp,
                          &raw) == kErrNotAvailable)
        GTEST_SKIP() << "no OpenGL 3.3 context";
    testsupport::Owned<Device> dev(raw);
    FrameProbe* probe = ProbeOf(raw);
    ASSERT_NE(probe, nullptr);
    // A see-through grey with a red top-left and a blue bottom-right pixel.
    const Rect first{0, 0, 1, 1}, last{1023, 767, 1024, 768};
    ASSERT_EQ(dev->Clear(0, nullptr, ClearFlag::Target, 0x40808080, 1.0f, 0), kOk);
    dev->Clear(1, &first, ClearFlag::Target, 0xFFFF0000, 1.0f, 0);
    dev->Clear(1, &last, ClearFlag::Target, 0xFF0000FF, 1.0f, 0);
    std::vector<uint32_t> s;
    probe->ReadPresented(1024, 768, s);
    EXPECT_EQ(s[0], 0xFFFF0000u);
    EXPECT_EQ(s[1], 0xFF808080u) << "presented opaque";
    EXPECT_EQ(s.back(), 0xFF0000FFu);
    probe->ReadPresented(1280, 768, s); // bars left and right, the picture 1:1
    EXPECT_EQ(s[127], 0xFF000000u);
    EXPECT_EQ(s[128], 0xFFFF0000u);
    EXPECT_EQ(s[767 * 1280 + 1151], 0xFF0000FFu);
    EXPECT_EQ(s[767 * 1280 + 1152], 0xFF000000u);
    probe->ReadPresented(512, 512, s); // bars above and below, the picture scaled down
    EXPECT_EQ(s[63 * 512 + 256], 0xFF000000u);
    EXPECT_EQ(s[256 * 512 + 256], 0xFF808080u);
    EXPECT_EQ(s[448 * 512 + 256], 0xFF000000u);
    GammaRamp ramp;
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<uint16_t>((255 - i) * 257);
        ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 257);
    }
    dev->SetGammaRamp(0, &ramp);
    probe->ReadPresented(1024, 768, s);
    EXPECT_EQ(s[1], 0xFF7F8080u);
    EXPECT_EQ(dev->Present(), kOk);
}

} // namespace
