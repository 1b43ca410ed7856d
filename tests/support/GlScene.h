#pragma once
// The renderer on the back end this machine draws with, in an offscreen window, with the shared
// buffers, for tests that draw a scene and read the back buffer. Fixtures take
// GlScene as a second base next to ::testing::Test and call Open from SetUp.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/Texture.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/Window.h"
#include "support/RecordingScene.h"

namespace testsupport {

class GlScene {
public:
    // Skips the test when there is no video driver or no OpenGL 3.3 context.
    void Open(const char* title) {
        // Keep the video subsystem (and with it the GL driver) loaded until the
        // process ends, so that the leak checker can still name the driver's own
        // allocations and its suppressions apply.
        static const bool videoHeld = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        (void)videoHeld;
        std::string error;
        window_.reset(os::Window::Create(title, 1024, 768, &error));
        if (!window_)
            GTEST_SKIP() << "no video driver (" << error << ")";
        api_.reset(gpu::CreateApi(window_.get()));
        ASSERT_NE(api_, nullptr);
        renderer_ = std::make_unique<CRenderer>();
        VideoSettingsBlock s;
        s.width = 1024;
        s.height = 768;
        const gpu::Result r = renderer_->CreateDevice(s, api_.get(), window_.get(), gpu::Fmt::D16);
        if (r == gpu::kErrNotAvailable)
            GTEST_SKIP() << "no OpenGL 3.3 context";
        ASSERT_EQ(r, gpu::kOk);
        device_ = renderer_->GetDevice();
        gl_ = gpu::ProbeOf(device_->GetDevice());
        ASSERT_NE(gl_, nullptr);
        CSharedPtr<CVertexBuffer> vb;
        CSharedPtr<CIndexBuffer> ib;
        ASSERT_NO_FATAL_FAILURE(MakeSharedBuffers(*device_, 8192, 16384, vb, ib));
        renderer_->SetSharedBuffers(vb, ib);
    }
    void Close() {
        device_ = CSharedPtr<CRenderDevice>();
        renderer_.reset();
        api_.reset();
        window_.reset();
    }

    // A registered texture filled texel by texel (0xAARRGGBB).
    CSharedPtr<CTexture> Texture(const std::string& name, uint32_t w, uint32_t h,
                                 const std::function<uint32_t(uint32_t, uint32_t)>& texel) {
        auto t = device_->CreateTargetTexture(name, w, h, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                              gpu::Pool::Managed);
        EXPECT_FALSE(t.IsNull());
        if (t.IsNull())
            return t;
        gpu::LockedRect lr;
        EXPECT_EQ(t->GetTexture()->LockRect(0, &lr, nullptr, 0), gpu::kOk);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t c = texel(x, y);
                std::memcpy(static_cast<uint8_t*>(lr.bits) + y * lr.pitch + 4 * x, &c, 4);
            }
        t->GetTexture()->UnlockRect(0);
        return t;
    }

    // The back-buffer pixel under a point of the virtual screen (after ReadBack).
    uint32_t At(float x, float y) const {
        const gpu::Viewport& vp = renderer_->GetGameViewport();
        const int px = static_cast<int>(vp.x + (x + 512.0f) * vp.width / 1024.0f);
        const int py = static_cast<int>(vp.y + (384.0f - y) * vp.height / 768.0f);
        return pixels_[static_cast<size_t>(py) * gl_->BackBufferWidth() + px];
    }
    void ReadBack() { gl_->ReadBackBuffer(pixels_); }

    std::unique_ptr<os::Window> window_;
    ApiPtr api_;
    std::unique_ptr<CRenderer> renderer_;
    CSharedPtr<CRenderDevice> device_;
    gpu::FrameProbe* gl_ = nullptr;
    std::vector<uint32_t> pixels_;
};

} // namespace testsupport
