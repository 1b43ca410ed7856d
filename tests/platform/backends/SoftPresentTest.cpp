// The software back end's present, through GL and through the window surface:
// its picture lands upright and opaque, 1:1 or scaled, between black bars
// where the window's shape differs, and through the gamma ramp; a frame that
// changed nothing costs the window nothing, until the window loses its picture.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "WindowManagerModel.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

namespace {

// What the window shows now, as 0xRRGGBB words, top row first: its surface,
// or its GL framebuffer (the device's context is current after a present).
std::vector<uint32_t> WindowPicture(os::Window& window, bool onSurface, int* w, int* h) {
    std::vector<uint32_t> rgb;
    if (onSurface) {
        SDL_Surface* s = SDL_GetWindowSurface(window.Sdl());
        if (!s || SDL_LockSurface(s) != 0)
            return rgb;
        *w = s->w;
        *h = s->h;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) {
                Uint32 pixel = 0;
                std::memcpy(&pixel,
                            static_cast<const uint8_t*>(s->pixels) + y * s->pitch +
                                x * s->format->BytesPerPixel,
                            s->format->BytesPerPixel);
                Uint8 r = 0, g = 0, b = 0;
                SDL_GetRGB(pixel, s->format, &r, &g, &b);
                rgb.push_back(static_cast<uint32_t>(r) << 16 | g << 8 | b);
            }
        SDL_UnlockSurface(s);
        return rgb;
    }
    window.GetDrawableSize(w, h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gpu::ReadFramebuffer(static_cast<uint32_t>(*w), static_cast<uint32_t>(*h), rgb);
    for (uint32_t& c : rgb)
        c &= 0xFFFFFFu;
    return rgb;
}

// Pixels where the window differs from the back buffer shown 1:1 in it,
// centred between black bars; the first of them in `first`.
size_t Mismatches(const std::vector<uint32_t>& shown, int w, int h,
                  const std::vector<uint32_t>& bb, int bbW, int bbH, std::string* first) {
    size_t bad = 0;
    if (shown.size() != static_cast<size_t>(w) * h || h != bbH || w < bbW) {
        *first = "a window of " + std::to_string(w) + "x" + std::to_string(h);
        return shown.size() + 1;
    }
    const int left = (w - bbW) / 2;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool inside = x >= left && x < left + bbW;
            const uint32_t want =
                inside ? bb[static_cast<size_t>(y) * bbW + (x - left)] & 0xFFFFFFu : 0u;
            const uint32_t got = shown[static_cast<size_t>(y) * w + x];
            if (got != want && bad++ == 0) {
                char text[96];
                std::snprintf(text, sizeof(text), "(%d, %d) shows %06X, not %06X", x, y, got, want);
                *first = text;
            }
        }
    return bad;
}

// Our rasteriser's device showing in a new 1024x768 window, through GL or
// the window's surface, with a back buffer of `format` (no device where there
// is no window or no GL).
struct ShownDevice {
    std::unique_ptr<os::Window> window;
    testsupport::ApiPtr api;
    testsupport::Owned<gpu::Device> device;
};
ShownDevice ShowIn(bool onSurface, uint32_t format) {
    ShownDevice s;
    s.window.reset(os::Window::Create("soft present", 1024, 768, nullptr));
    s.api.reset(s.window ? gpu::CreateSoftApi(onSurface) : nullptr);
    gpu::PresentParams pp{
        .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = format};
    gpu::Device* d = nullptr;
    if (s.api && s.api->CreateDevice(0, gpu::kDeviceHal, s.window.get(), 0, &pp, &d) == gpu::kOk)
        s.device.reset(d);
    return s;
}

} // namespace

TEST(SoftPresent, ShowsThePictureUprightOpaqueAndBetweenBars) {
    for (const bool onSurface : {false, true}) {
        SCOPED_TRACE(onSurface ? "on the surface" : "through GL");
        const ShownDevice made = ShowIn(onSurface, gpu::Fmt::A8R8G8B8);
        if (!made.device)
            GTEST_SKIP() << "no window or no OpenGL 3.3 context";
        const std::unique_ptr<os::Window>& window = made.window;
        gpu::Device* d = made.device.get();
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

// What the window shows is the picture, pixel for pixel, whatever part of it
// changed; a window surface SDL made anew (after a resize) gets all of it;
// and a frame the window could not show (minimised: no area) goes to it
// whole at the next present, even one that draws the same again.
TEST(SoftPresent, TheWindowShowsEveryFrameExactly) {
    for (const bool onSurface : {false, true}) {
        SCOPED_TRACE(onSurface ? "on the surface" : "through GL");
        const ShownDevice made = ShowIn(onSurface, gpu::Fmt::X8R8G8B8);
        if (!made.device)
            GTEST_SKIP() << "no window or no OpenGL 3.3 context";
        const std::unique_ptr<os::Window>& window = made.window;
        gpu::Device* d = made.device.get();
        gpu::FrameProbe& probe = *gpu::ProbeOf(d);
        const auto clear = [&](int32_t l, int32_t t, int32_t r, int32_t b, uint32_t argb) {
            const gpu::Rect rect{l, t, r, b};
            d->Clear(1, &rect, gpu::ClearFlag::Target, argb, 1.0f, 0);
        };
        // Stripes of colour, so that a row or a column out of place shows.
        const auto stripes = [&] {
            for (int32_t x = 0; x < 1024; x += 8)
                clear(x, 0, x + 8, 768, 0xFF000000u | static_cast<uint32_t>(x * 0x10307));
            for (int32_t y = 0; y < 768; y += 6)
                clear(0, y, 1024, y + 1, 0xFF000000u | static_cast<uint32_t>(y * 0x2011));
        };
        const struct {
            const char* what;
            std::function<void()> before; // changes to the picture, the window
            bool shows;                   // whether the window takes a frame
        } steps[] = {
            {"the first frame", stripes, true},
            {"one row", [&] { clear(0, 300, 1024, 301, 0xFF123456); }, true},
            {"one block", [&] { clear(517, 211, 540, 229, 0xFFABCDEF); }, true},
            {"the last pixel", [&] { clear(1023, 767, 1024, 768, 0xFF00FF80); }, true},
            {"the first column", [&] { clear(0, 0, 1, 768, 0xFF808000); }, true},
            {"minimised",
             [&] {
                 wmtest::g_wm.on = wmtest::g_wm.minimized = true;
                 clear(100, 100, 300, 130, 0xFFFF0000);
             },
             false},
            {"restored, the same frame again",
             [&] {
                 wmtest::g_wm = {};
                 clear(100, 100, 300, 130, 0xFFFF0000);
             },
             true},
            {"a new surface at a new size",
             [&] {
                 if (onSurface)
                     SDL_SetWindowSize(window->Sdl(), 1280, 768);
                 clear(5, 5, 6, 6, 0xFF0000FF);
             },
             true},
        };
        for (const auto& step : steps) {
            step.before();
            const uint64_t before = probe.FramesShown();
            ASSERT_EQ(d->Present(), gpu::kOk) << step.what;
            EXPECT_EQ(probe.FramesShown() - before, step.shows ? 1u : 0u) << step.what;
            if (!step.shows)
                continue;
            std::vector<uint32_t> bb;
            probe.ReadBackBuffer(bb);
            int w = 0, h = 0;
            const std::vector<uint32_t> shown = WindowPicture(*window, onSurface, &w, &h);
            std::string first;
            EXPECT_EQ(Mismatches(shown, w, h, bb, 1024, 768, &first), 0u)
                << step.what << ": " << first;
        }
        wmtest::g_wm = {};
    }
}
