// The software back end's present, through GL and through the window surface:
// its picture lands upright and opaque, 1:1 or scaled, between black bars
// where the window's shape differs, and through the gamma ramp; a frame that
// changed nothing costs the window nothing, until the window loses its picture.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

TEST(SoftPresent, ShowsThePictureUprightOpaqueAndBetweenBars) {
    for (const bool onSurface : {false, true}) {
        SCOPED_TRACE(onSurface ? "on the surface" : "through GL");
        std::unique_ptr<os::Window> window(os::Window::Create("soft present", 1024, 768, nullptr));
        testsupport::ApiPtr api(window ? gpu::CreateSoftApi(onSurface) : nullptr);
        gpu::PresentParams pp{.backBufferWidth = 1024,
                              .backBufferHeight = 768,
                              .backBufferFormat = gpu::Fmt::A8R8G8B8};
        gpu::Device* d = nullptr;
        if (!api || api->CreateDevice(0, gpu::kDeviceHal, window.get(), 0, &pp, &d) != gpu::kOk)
            GTEST_SKIP() << "no window or no OpenGL 3.3 context";
        testsupport::Owned<gpu::Device> owned(d);
        const gpu::Rect topLeft{0, 0, 1, 1};
        d->Clear(0, nullptr, gpu::ClearFlag::Target, 0x40808080, 1.0f, 0); // see-through grey
        d->Clear(1, &topLeft, gpu::ClearFlag::Target, 0xFFFF0000, 1.0f, 0);
        // A window's pixel `at`: the picture 1:1, with bars beside it, scaled with bars above.
        const uint32_t shown[][4] = {{1024, 768, 0, 0xFFFF0000},
                                     {1024, 768, 1, 0xFF808080},
                                     {1280, 768, 127, 0xFF000000},
                                     {1280, 768, 128, 0xFFFF0000},
                                     {512, 512, 63 * 512 + 256, 0xFF000000},
                                     {512, 512, 64 * 512 + 256, 0xFF808080}};
        for (const auto& [w, h, at, want] : shown) {
            std::vector<uint32_t> argb;
            gpu::ProbeOf(d)->ReadPresented(w, h, argb);
            EXPECT_EQ(argb[at], want) << w << "x" << h << " at " << at;
        }

        // Through a gamma ramp each channel takes its own table.
        gpu::GammaRamp ramp;
        for (int i = 0; i < 256; ++i) {
            ramp.red[i] = static_cast<uint16_t>((255 - i) * 257);
            ramp.green[i] = static_cast<uint16_t>(i * 257);
            ramp.blue[i] = static_cast<uint16_t>(i * 128);
        }
        d->SetGammaRamp(0, &ramp);
        d->Clear(1, &topLeft, gpu::ClearFlag::Target, 0xFF204080, 1.0f, 0);
        std::vector<uint32_t> argb;
        gpu::ProbeOf(d)->ReadPresented(1024, 768, argb);
        EXPECT_EQ(argb[0], 0xFFDF4040u);
        EXPECT_EQ(argb[1], 0xFF7F8040u);

        // A frame that changes nothing goes to the window only when the
        // window lost its picture (uncovered, shown again).
        const gpu::FrameProbe& probe = *gpu::ProbeOf(d);
        const auto present = [&](uint32_t corner) {
            os::Message m;
            while (window->PollMessage(&m)) {
            }
            d->Clear(1, &topLeft, gpu::ClearFlag::Target, corner, 1.0f, 0);
            const uint64_t before = probe.FramesShown();
            EXPECT_EQ(d->Present(), gpu::kOk);
            return probe.FramesShown() - before;
        };
        present(0xFF102030); // the frames before settle
        present(0xFF102030);
        EXPECT_EQ(present(0xFF102030), 0u) << "nothing changed";
        EXPECT_EQ(present(0xFF203040), 1u) << "a pixel changed";
        EXPECT_EQ(present(0xFF203040), 0u) << "nothing changed";
        SDL_Event exposed{};
        exposed.type = SDL_WINDOWEVENT;
        exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
        exposed.window.windowID = SDL_GetWindowID(window->Sdl());
        SDL_PushEvent(&exposed);
        EXPECT_EQ(present(0xFF203040), 1u) << "the window was uncovered";
        EXPECT_EQ(present(0xFF203040), 0u);
    }
}
