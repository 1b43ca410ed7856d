#pragma once
// The software device: draws what the game draws into a back buffer of
// 0xAARRGGBB words with a 16-bit depth buffer (a frame's draws queued and
// drawn at once, over bands of rows), and shows each finished frame through
// GL, copied from one texture, or through the window's surface where GL is
// missing. Textures live only here, once.
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/soft/SoftBands.h"
#include "platform/gpu/soft/SoftDamage.h"
#include "platform/gpu/soft/SoftPresent.h"
#include "platform/gpu/soft/SoftResources.h"
#include "platform/gpu/soft/SoftState.h"

namespace gpu {

class SoftDevice final
    : public DeviceFront<SoftDevice, SoftTexture, SoftVertexBuffer, SoftIndexBuffer>,
      public FrameProbe {
public:
    // For `pp` as PreparePresentParams left them, makes the window's GL
    // context for presenting; `onSurface`, or where no context can be made,
    // the frames go through the window's surface instead.
    static Result Create(os::Window* window, const PresentParams& pp, bool onSurface,
                         SoftDevice** out);
    ~SoftDevice() override;

    bool TakesHiddenRects() const override { return true; }
    void SetHiddenRects(const Rect* rects, uint32_t count) override;

    // ---- inspection ----
    const char* BackEndName() const override { return "software"; }
    uint32_t BackBufferWidth() const override { return bbWidth_; }
    uint32_t BackBufferHeight() const override { return bbHeight_; }
    void ReadBackBuffer(std::vector<uint32_t>& argb) override;
    void ReadPresented(uint32_t width, uint32_t height, std::vector<uint32_t>& argb) override;
    uint64_t DrawCalls() const override { return drawCalls_; }
    uint64_t FramesShown() const override { return framesShown_; }
    uint64_t StateCalls() const override { return 0; }
    uint64_t SceneRedraws() const override { return 0; }
    // The pixels of draws' rows left out under hidden rectangles.
    uint64_t SkippedPixels() const override { return bands_.HiddenPixels(); }
    bool DrawsWithoutDepth() const override { return !depthUsed_; }
    uint64_t TextureCopyBytes() const override;
    // Pixels drawn at presents, where the frames could differ from the last.
    uint64_t DamagedPixels() const override { return damage_.DamagedPixels(); }
    DrawnTiles TilesDrawn() const override { return damage_.TilesDrawn(); }
    void Finish() override {}
    void FailNextBackBuffer() override { failNextBackBuffer_ = true; }

    // A texture's texels are about to change or go: the draws queued to read
    // them are drawn first.
    void BeforeTextureChange(const SoftTexture* t);

private:
    friend DeviceFront;
    static constexpr Hook kHooks[] = {Hook::Changed, Hook::SceneBegins, Hook::RampChanged,
                                      Hook::Forgetting};
    // The front's hooks: the work of the calls it checked.
    // A new transform is multiplied out at the next draw.
    void Changed(FrontCall c) { mvpDirty_ = mvpDirty_ || c == FrontCall::Transform; }
    Result DoReset(const PresentParams& p);
    Result DoPresent();
    void SceneBegins() { depthUsed_ = false; }
    Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                   uint32_t stencil);
    Result DoDraw(const DrawCall& d);
    // Applied when presenting, never to the desktop: the whole picture goes again.
    void RampChanged() {
        present_->SetRamp(ramp_);
        showWhole_ = true;
    }
    void Forgetting(SoftTexture* t) { BeforeTextureChange(t); }
    template <class Buffer> void Forgetting(Buffer*) {}

    SoftDevice() = default;
    bool Resize(uint32_t w, uint32_t h);
    // Whether a draw's depth test passes wherever it draws, from the lowest
    // depth the buffer can hold.
    bool DepthPasses(uint32_t func, uint16_t maxZ) const;
    // Grows the box of pixels whose depth may differ from depthFill_.
    void MarkDepthChanged(int64_t x0, int64_t y0, int64_t x1, int64_t y1);

    std::unique_ptr<WindowGlContext> context_;
    bool bbHasAlpha_ = false;
    std::vector<uint32_t> color_;
    std::vector<uint16_t> depth_;
    // The lowest depth any pixel of the depth buffer holds, as far as the
    // clears and depth writes since tell.
    uint16_t depthLow_ = 0;
    bool depthUsed_ = false; // the current (or last) scene read depth
    // Outside the box of pixels the draws may have written depth to since
    // (left, top, right, bottom; empty when left >= right), the depth buffer
    // holds `depthFill_` throughout: a clear to that value fills the box only.
    uint16_t depthFill_ = 0;
    int64_t depthDirty_[4] = {0, 0, 0, 0};

    SoftBands bands_;
    SoftDamage damage_; // what of bands_' queue each frame draws
    SoftRowMask hidden_; // what the next draws leave out
    std::unique_ptr<SoftPresent> present_ = std::make_unique<SoftPresent>();
    uint64_t drawCalls_ = 0, framesShown_ = 0;
    bool failNextBackBuffer_ = false;
    bool showWhole_ = true; // the window is shown all of the next frame
    int32_t shown_[4] = {0, 0, 1, 1};
    std::vector<SoftClipVertex> transformed_;
    std::vector<SoftClipVertex> triangles_; // the draw's, three vertices each
    float mvp_[16];          // world * view * projection of the shadow...
    bool mvpDirty_ = true;   // ...unless a transform changed since
};

} // namespace gpu
