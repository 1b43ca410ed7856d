#pragma once
// The OpenGL 3.3 device. Drawing goes to an offscreen back buffer (RGBA8 colour
// plus depth) of the requested size; Present shows it in the window through the
// gamma ramp, scaled with its aspect kept. When that pass would change nothing
// (the ramp maps every level to itself, the window is the back buffer's size and
// needs no alpha) drawing goes straight into the window instead: on a software
// rasteriser the full-screen pass costs as much as the whole scene. Switching
// between the two copies the picture across, so nothing drawn is lost. Where the
// caller can draw a scene again, scenes whose depth tests provably pass (by a
// record of what the depth buffer holds at least, rectangle by rectangle) are
// drawn without touching depth at all. The original fixed-function
// state is stored as set and turned into GL state lazily at draw time, through a shadow of the GL
// state that drops redundant GL calls (unless the cache bypass is on).
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/gl/GlResources.h"
#include "platform/gpu/gl/GlShaders.h"
#include "platform/gpu/gl/SceneGuess.h"

namespace gpu {

class GlDevice final : public DeviceFront<GlDevice, GlTexture, GlVertexBuffer, GlIndexBuffer>,
                       public FrameProbe {
public:
    // Creates the GL context on the window, for `pp` as PreparePresentParams
    // left them. Fails with kErrNotAvailable when the window has no GL 3.3
    // context to give.
    static Result Create(os::Window* window, const PresentParams& pp, GlDevice** out);
    ~GlDevice() override;

    // Debugging and the cache test: when on, every state set reaches the
    // driver even when the shadow already holds the value.
    void SetStateCacheBypass(bool on) { bypass_ = on; }
    // Off: every frame takes the plain path (offscreen back buffer, present pass,
    // the stages' own filters), for comparing pictures and measuring.
    void SetShortcuts(bool on);
    // Whether frames are drawn straight into the window now.
    bool DrawsIntoWindow() const { return direct_; }
    void SetDepthOnDemand(bool on) override { guess_.SetDepthOnDemand(on); }
    bool RedrawScene() override { return guess_.TakeRedraw(); }
    // Tests: every scene drawn on demand asks to be drawn again, as if a guess
    // had failed, so that the game can be run both ways and compared.
    void SetForcedRedraws(bool on) { guess_.SetForcedRedraws(on); }
    // Whether the current (or last) scene is drawn without depth tests or writes.
    bool DrawsWithoutDepth() const override { return guess_.DrawsWithoutDepth(); }
    // Number of scenes so far that had to be drawn again.
    uint64_t SceneRedraws() const override { return guess_.SceneRedraws(); }
    // Pixels (at most) left out of draws so far, where they would have
    // changed nothing.
    uint64_t SkippedPixels() const override { return skippedPixels_; }

    // ---- inspection (tests, benchmarks) ----
    const char* BackEndName() const override { return "GL"; }
    uint64_t FramesShown() const override { return framesShown_; }
    uint32_t BackBufferWidth() const override { return bbWidth_; }
    uint32_t BackBufferHeight() const override { return bbHeight_; }
    void ReadBackBuffer(std::vector<uint32_t>& argb) override;
    void ReadPresented(uint32_t width, uint32_t height, std::vector<uint32_t>& argb) override;
    // GL state calls (the cache test counts them).
    uint64_t StateCalls() const override { return glStateCalls_; }
    // Number of draws so far that a shortcut made cheaper than their states ask.
    uint64_t ShortcutDraws() const { return shortcutDraws_; }
    uint64_t DrawCalls() const override { return glDrawCalls_; }
    uint64_t TextureCopyBytes() const override;
    void Finish() override;
    void FailNextBackBuffer() override { failNextBackBuffer_ = true; }

    // ---- for the resources ----
    // Makes the device's context current where another one is: a resource
    // calls it (or BindTextureForUpload) before it touches GL.
    void UseContext() { context_->KeepCurrent(); }
    void BindTextureForUpload(uint32_t glName);

private:
    friend DeviceFront;
    static constexpr Hook kHooks[] = {
        Hook::Changed,     Hook::SceneBegins,          Hook::SceneEnds,
        Hook::RampChanged, Hook::DrawsFromLowestIndex, Hook::Forgetting};
    // The front's hooks: the work of the calls it checked.
    static constexpr bool kDrawsFromLowestIndex = false; // GL finds what it reads
    // A new transform or viewport reaches GL at the next draw.
    void Changed(FrontCall c);
    Result DoReset(const PresentParams& p);
    Result DoPresent();
    void SceneBegins();
    void SceneEnds() { guess_.SceneEnds(); }
    Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                   uint32_t stencil);
    // Here, so that the front's draw takes it in whole (hundreds a frame).
    Result DoDraw(const DrawCall& d) {
        if (mvpDirty_)
            UpdateMvp();
        const DrawFacts facts =
            guess_.Examine(front_.stream->Store().Data(), mvp_, d.indices, d.indexCount,
                           d.indexSize, d.type == Prim::TriangleList);
        if (!ApplyDrawState(facts))
            return kErrFail;
        if (skips_)
            DrawAroundHole(d, facts.box);
        else
            IssueDraw(d);
        return kOk;
    }
    void IssueDraw(const DrawCall& d);
    // The draw around the rectangle a picture above hides (skipRect_);
    // b: the draw's pixel box.
    void DrawAroundHole(const DrawCall& d, const int32_t* b);
    void RampChanged();
    // GL may hand a released object's name to the next one: never trust a
    // shadow of it.
    void Forgetting(GlTexture* t);
    void Forgetting(GlVertexBuffer* vb);
    void Forgetting(GlIndexBuffer* ib);

    struct Program {
        uint32_t name = 0;
        int32_t mvp = -1, pixelShift = -1, tfactor = -1, alphaRef = -1;
        uint64_t mvpVersion = 0, viewportVersion = 0;
        uint32_t tfactorValue = 0, alphaRefValue = 0;
        bool uniformsKnown = false;
    };
    // What GL currently has, as far as we know; kUnknown forces the next set.
    struct Shadow {
        uint32_t framebuffer, program, vao, arrayBuffer, elementBuffer;
        uint32_t attribBuffer, attribStride;
        uint32_t depthTest, depthFunc, depthMask;
        uint32_t blend, blendSrc, blendDst;
        uint32_t cull, cullFace;
        uint32_t scissor;
        int32_t scissorRect[4];
        uint32_t colorMask;
        int32_t viewport[4];
        float depthNear, depthFar;
        uint32_t activeUnit;
        uint32_t texture[2];
        uint32_t sampler[2][4]; // min, mag, wrap s, wrap t
    };

    GlDevice() = default;
    bool InitGl(const PresentParams& pp);
    bool ResizeBackBuffer(uint32_t w, uint32_t h);
    // Attaches colour and depth to the bound framebuffer.
    void AttachBackBuffer(uint32_t color, uint32_t depth);
    void RestoreDefaults();
    void InvalidateShadow();

    // Shadowed GL setters.
    void GlBindFramebuffer(uint32_t fb);
    void GlUseProgram(uint32_t program);
    void GlEnable(uint32_t cap, uint32_t& shadow, bool on);
    void GlDepthFunc(uint32_t f);
    void GlDepthMask(bool on);
    void GlBlendFunc(uint32_t src, uint32_t dst);
    void GlCullFace(uint32_t face);
    void GlScissor(int32_t x, int32_t y, int32_t w, int32_t h);
    void GlColorMask(uint32_t mask);
    void GlViewport(int32_t x, int32_t y, int32_t w, int32_t h, float n, float f);
    void GlActiveUnit(uint32_t unit);
    void GlBindTexture(uint32_t unit, uint32_t name);
    void GlSamplerParams(uint32_t unit, uint32_t minF, uint32_t magF, uint32_t wrapS,
                         uint32_t wrapT);

    Program* ProgramFor(CombinerKey key);
    void UpdateMvp();
    using DrawFacts = SceneGuess::DrawFacts;
    bool ApplyDrawState(const DrawFacts& f);
    void ApplyViewportToGl();
    void PresentPass(uint32_t framebuffer, int32_t width, int32_t height);
    uint32_t TargetFramebuffer() const { return direct_ ? 0u : fbo_; }
    bool DirectWanted() const;
    // Moves drawing to (or away from) the window, copying the picture across.
    void UseDirect(bool on);
    void CopyPicture(uint32_t from, uint32_t to);

    std::unique_ptr<WindowGlContext> context_;
    bool bbHasAlpha_ = false;
    uint32_t fbo_ = 0, colorTex_ = 0, depthRb_ = 0;
    uint32_t vao_ = 0, emptyVao_ = 0, samplers_[2] = {0, 0};
    uint32_t whiteTex_ = 0, rampTex_ = 0;
    uint32_t vertexShader_ = 0;
    uint32_t presentProgram_ = 0;
    int32_t maxTextureSize_ = 0;
    int32_t presentFilter_ = 0;
    int32_t lastPresentRect_[4] = {0, 0, 1,
                                   1}; // where the last present put the picture (GL coordinates)

    float mvp_[16];
    uint64_t mvpVersion_ = 1, viewportVersion_ = 1;
    bool mvpDirty_ = true;
    // The pixels the current draw leaves out (it is drawn around them).
    int32_t skipRect_[4] = {0, 0, 0, 0};
    bool skips_ = false;
    bool bypass_ = false;
    bool direct_ = false;
    bool failNextBackBuffer_ = false;
    bool rampIsIdentity_ = true;
    bool windowHasDepth_ = false;
    SceneGuess guess_{front_};
    uint64_t skippedPixels_ = 0;
    uint64_t framesShown_ = 0;
    bool windowHasAlpha_ = false;

    std::unordered_map<CombinerKey, Program> programs_;
    CombinerKey lastKey_ = ~CombinerKey{0};
    Program* lastProgram_ = nullptr;
    Shadow shadow_;
    uint64_t glStateCalls_ = 0;
    uint64_t glDrawCalls_ = 0;
    uint64_t shortcutDraws_ = 0;
};

} // namespace gpu
