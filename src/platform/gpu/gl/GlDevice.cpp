#include "platform/gpu/gl/GlDevice.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/gpu/DisplayApi.h"
#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/WindowPresent.h"
#include "platform/gpu/gl/GlResources.h"
#include "platform/os/Window.h"

namespace gpu {
namespace {

constexpr uint32_t kUnknown = 0xFFFFFFFFu;
constexpr uint32_t kUploadUnit = 7; // never sampled by a draw, so uploads leave draw bindings alone

} // namespace

// ---- creation and teardown ----

Result GlDevice::Create(os::Window* window, const PresentParams& p, GlDevice** out) {
    *out = nullptr;
    if (WindowGlContext::InUse())
        return Refuse("CreateDevice: the window already has a device");
    std::unique_ptr<WindowGlContext> ctx = WindowGlContext::Create(window);
    if (!ctx)
        return kErrNotAvailable;
    auto* d = new GlDevice();
    d->window_ = window;
    d->context_ = std::move(ctx);
    if (!d->InitGl(p)) {
        delete d;
        return kErrOutOfVideoMemory;
    }
    ApplyWindowMode(window, p);
    d->UseDirect(d->DirectWanted());
    *out = d;
    return kOk;
}

bool GlDevice::InitGl(const PresentParams& pp) {
    std::memset(&shadow_, 0xFF, sizeof(shadow_));
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    maxTextureSize_ = std::min(maxTextureSize_, 8192);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The original's front faces are clockwise on screen; our picture is never
    // mirrored on its way to the screen, so GL's window winding is the same.
    glFrontFace(GL_CW);

    vertexShader_ = CompileShader(GL_VERTEX_SHADER, CombinerVertexShader());
    uint32_t pvs = CompileShader(GL_VERTEX_SHADER, PresentVertexShader());
    uint32_t pfs = CompileShader(GL_FRAGMENT_SHADER, PresentFragmentShader());
    if (pvs && pfs)
        presentProgram_ = LinkProgram(pvs, pfs);
    if (pvs)
        glDeleteShader(pvs);
    if (pfs)
        glDeleteShader(pfs);
    if (!vertexShader_ || !presentProgram_)
        return false;
    glUseProgram(presentProgram_);
    glUniform1i(glGetUniformLocation(presentProgram_, "uImage"), 0);
    glUniform1i(glGetUniformLocation(presentProgram_, "uRamp"), 1);
    glUseProgram(0);

    glGenVertexArrays(1, &vao_);
    glGenVertexArrays(1, &emptyVao_);
    glBindVertexArray(vao_);
    for (GLuint i = 0; i < 4; ++i)
        glEnableVertexAttribArray(i);
    glBindVertexArray(0);

    glGenSamplers(2, samplers_);
    for (uint32_t u = 0; u < 2; ++u)
        glBindSampler(u, samplers_[u]);

    const uint8_t white[4] = {255, 255, 255, 255};
    glGenTextures(1, &whiteTex_);
    BindTextureForUpload(whiteTex_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);

    glGenTextures(1, &rampTex_);
    BindTextureForUpload(rampTex_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16, 256, 1, 0, GL_RGBA, GL_UNSIGNED_SHORT, nullptr);
    int depthBits = 0, alphaBits = 0;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depthBits);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alphaBits);
    // Drawing into the window must see the same depth and alpha as the offscreen buffer.
    windowHasDepth_ = depthBits >= 24;
    windowHasAlpha_ = alphaBits >= 8;

    glGenFramebuffers(1, &fbo_);
    if (!ResizeBackBuffer(pp.backBufferWidth, pp.backBufferHeight))
        return false;
    bbHasAlpha_ = GetFormatLayout(pp.backBufferFormat).a.bits > 0;
    context_->ApplySwapInterval(pp.presentationInterval);
    Caps caps;
    FillDeviceCaps(&caps, static_cast<uint32_t>(maxTextureSize_));
    StartFront(window_, pp, caps);
    return glGetError() != GL_OUT_OF_MEMORY;
}

bool GlDevice::ResizeBackBuffer(uint32_t w, uint32_t h) {
    for (uint32_t& t : shadow_.texture)
        t = kUnknown;
    // The old buffers stay attached until the new ones make a complete
    // framebuffer, so a refused reset leaves the picture and the draws where
    // they were.
    GLuint color = 0, depth = 0;
    glGenTextures(1, &color);
    BindTextureForUpload(color);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    // Depth with stencil, the window's layout, so a picture moves between the
    // two with its depth.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(w),
                          static_cast<GLsizei>(h));
    GlBindFramebuffer(fbo_);
    AttachBackBuffer(color, depth);
    const bool failed = std::exchange(failNextBackBuffer_, false) ||
                        glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE;
    if (failed) {
        AttachBackBuffer(colorTex_, depthRb_);
        GlBindFramebuffer(TargetFramebuffer());
        glDeleteTextures(1, &color);
        glDeleteRenderbuffers(1, &depth);
        return false;
    }
    glDeleteTextures(1, &colorTex_); // names of 0 (the first back buffer) are passed over
    glDeleteRenderbuffers(1, &depthRb_);
    colorTex_ = color;
    depthRb_ = depth;
    direct_ = false; // the new back buffer decides again
    presentFilter_ = GL_NEAREST;
    bbWidth_ = w;
    bbHeight_ = h;
    // A new back buffer starts black with a cleared depth buffer.
    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, false);
    GlColorMask(0xF);
    GlDepthMask(true);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    guess_.NewDepthBuffer(w, h);
    return true;
}

void GlDevice::AttachBackBuffer(uint32_t color, uint32_t depth) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
}

GlDevice::~GlDevice() {
    if (context_)
        context_->MakeCurrent();
    // Resources still held elsewhere keep their CPU copies but lose their GL objects.
    live_.DetachAll();
    if (context_) {
        for (auto& [key, p] : programs_)
            glDeleteProgram(p.name);
        if (presentProgram_)
            glDeleteProgram(presentProgram_);
        if (vertexShader_)
            glDeleteShader(vertexShader_);
        glDeleteVertexArrays(1, &vao_);
        glDeleteVertexArrays(1, &emptyVao_);
        glDeleteSamplers(2, samplers_);
        glDeleteTextures(1, &whiteTex_);
        glDeleteTextures(1, &rampTex_);
        glDeleteTextures(1, &colorTex_);
        glDeleteRenderbuffers(1, &depthRb_);
        glDeleteFramebuffers(1, &fbo_);
        context_.reset();
    }
    // The pointer goes back to the system's with the device.
    if (window_)
        window_->ShowCursorPicture(false);
}

void GlDevice::Changed(FrontCall c) {
    if (c == FrontCall::Transform)
        mvpDirty_ = true;
    else if (c == FrontCall::Viewport)
        ++viewportVersion_;
}

Result GlDevice::DoReset(const PresentParams& p) {
    context_->MakeCurrent();
    // Off the window until the next present: the window may change its mode
    // after the reset, and the picture lives on in the offscreen buffer.
    UseDirect(false);
    if ((p.backBufferWidth != bbWidth_ || p.backBufferHeight != bbHeight_) &&
        !ResizeBackBuffer(p.backBufferWidth, p.backBufferHeight))
        return kErrOutOfVideoMemory;
    bbHasAlpha_ = GetFormatLayout(p.backBufferFormat).a.bits > 0;
    context_->ApplySwapInterval(p.presentationInterval);
    return kOk;
}

void GlDevice::SceneBegins() {
    context_->KeepCurrent();
    guess_.SceneBegins();
}

// ---- shadowed GL setters ----

void GlDevice::GlBindFramebuffer(uint32_t fb) {
    if (!bypass_ && shadow_.framebuffer == fb)
        return;
    shadow_.framebuffer = fb;
    ++glStateCalls_;
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
}

void GlDevice::GlUseProgram(uint32_t program) {
    if (!bypass_ && shadow_.program == program)
        return;
    shadow_.program = program;
    ++glStateCalls_;
    glUseProgram(program);
}

void GlDevice::GlEnable(uint32_t cap, uint32_t& shadow, bool on) {
    uint32_t v = on ? 1 : 0;
    if (!bypass_ && shadow == v)
        return;
    shadow = v;
    ++glStateCalls_;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

void GlDevice::GlDepthFunc(uint32_t f) {
    if (!bypass_ && shadow_.depthFunc == f)
        return;
    shadow_.depthFunc = f;
    ++glStateCalls_;
    glDepthFunc(f);
}

void GlDevice::GlDepthMask(bool on) {
    uint32_t v = on ? 1 : 0;
    if (!bypass_ && shadow_.depthMask == v)
        return;
    shadow_.depthMask = v;
    ++glStateCalls_;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void GlDevice::GlBlendFunc(uint32_t src, uint32_t dst) {
    if (!bypass_ && shadow_.blendSrc == src && shadow_.blendDst == dst)
        return;
    shadow_.blendSrc = src;
    shadow_.blendDst = dst;
    ++glStateCalls_;
    glBlendFunc(src, dst);
}

void GlDevice::GlCullFace(uint32_t face) {
    if (!bypass_ && shadow_.cullFace == face)
        return;
    shadow_.cullFace = face;
    ++glStateCalls_;
    glCullFace(face);
}

void GlDevice::GlScissor(int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t r[4] = {x, y, w, h};
    if (!bypass_ && std::memcmp(r, shadow_.scissorRect, sizeof(r)) == 0)
        return;
    std::memcpy(shadow_.scissorRect, r, sizeof(r));
    ++glStateCalls_;
    glScissor(x, y, w, h);
}

void GlDevice::GlColorMask(uint32_t mask) {
    if (!bypass_ && shadow_.colorMask == mask)
        return;
    shadow_.colorMask = mask;
    ++glStateCalls_;
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
}

void GlDevice::GlViewport(int32_t x, int32_t y, int32_t w, int32_t h, float n, float f) {
    int32_t v[4] = {x, y, w, h};
    if (bypass_ || std::memcmp(v, shadow_.viewport, sizeof(v)) != 0) {
        std::memcpy(shadow_.viewport, v, sizeof(v));
        ++glStateCalls_;
        glViewport(x, y, w, h);
    }
    if (bypass_ || shadow_.depthNear != n || shadow_.depthFar != f) {
        shadow_.depthNear = n;
        shadow_.depthFar = f;
        ++glStateCalls_;
        glDepthRange(n, f);
    }
}

void GlDevice::GlActiveUnit(uint32_t unit) {
    if (!bypass_ && shadow_.activeUnit == unit)
        return;
    shadow_.activeUnit = unit;
    ++glStateCalls_;
    glActiveTexture(GL_TEXTURE0 + unit);
}

void GlDevice::GlBindTexture(uint32_t unit, uint32_t name) {
    if (!bypass_ && shadow_.texture[unit] == name)
        return;
    GlActiveUnit(unit);
    shadow_.texture[unit] = name;
    ++glStateCalls_;
    glBindTexture(GL_TEXTURE_2D, name);
}

void GlDevice::GlSamplerParams(uint32_t unit, uint32_t minF, uint32_t magF, uint32_t wrapS,
                               uint32_t wrapT) {
    uint32_t* s = shadow_.sampler[unit];
    const uint32_t want[4] = {minF, magF, wrapS, wrapT};
    const GLenum pname[4] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                             GL_TEXTURE_WRAP_T};
    for (int i = 0; i < 4; ++i) {
        if (!bypass_ && s[i] == want[i])
            continue;
        s[i] = want[i];
        ++glStateCalls_;
        glSamplerParameteri(samplers_[unit], pname[i], static_cast<GLint>(want[i]));
    }
}

void GlDevice::BindTextureForUpload(uint32_t glName) {
    UseContext();
    GlActiveUnit(kUploadUnit);
    glBindTexture(GL_TEXTURE_2D, glName);
}

void GlDevice::InvalidateShadow() {
    std::memset(&shadow_, 0xFF, sizeof(shadow_));
}

void GlDevice::ApplyViewportToGl() {
    // The original's viewport origin is the top left; GL's is the bottom left.
    GlViewport(static_cast<int32_t>(front_.viewport.x),
               static_cast<int32_t>(bbHeight_ - front_.viewport.y - front_.viewport.height),
               static_cast<int32_t>(front_.viewport.width),
               static_cast<int32_t>(front_.viewport.height), front_.viewport.minZ,
               front_.viewport.maxZ);
}

// ---- clearing and drawing ----

Result GlDevice::DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                         uint32_t) {
    GLbitfield bits = 0;
    if (flags & ClearFlag::Target)
        bits |= GL_COLOR_BUFFER_BIT;
    const bool depthCleared = (flags & ClearFlag::ZBuffer) != 0;
    // Without depth tests nothing reads the depth buffer the target may have.
    if (depthCleared && !guess_.DrawsWithoutDepth())
        bits |= GL_DEPTH_BUFFER_BIT;
    if (bits == 0 && !depthCleared)
        return kOk;
    UseContext();
    GlBindFramebuffer(TargetFramebuffer());
    if (bits & GL_COLOR_BUFFER_BIT) {
        // Colour write masks do not apply to a clear; a back buffer without alpha
        // keeps alpha at one so that destination-alpha blending reads one.
        GlColorMask(0xF);
        float a = bbHasAlpha_ ? static_cast<float>(argb >> 24) / 255.0f : 1.0f;
        glClearColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(argb & 0xFF) / 255.0f, a);
    }
    const float depth = z; // within 0..1 when depth is cleared (CheckClear)
    if (bits & GL_DEPTH_BUFFER_BIT) {
        GlDepthMask(true); // a clear ignores the depth-write state
        glClearDepth(depth);
    }
    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, true);
    ForEachClearRect(count, rects, [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        GlScissor(static_cast<int32_t>(x0), static_cast<int32_t>(bbHeight_ - y1),
                  static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0));
        if (bits != 0) {
            ++glDrawCalls_;
            glClear(bits);
        }
        if (depthCleared) {
            const int32_t rect[4] = {static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                                     static_cast<int32_t>(x1), static_cast<int32_t>(y1)};
            guess_.NoteDepthClear(rect, depth);
        }
    });
    return kOk;
}

GlDevice::Program* GlDevice::ProgramFor(CombinerKey key) {
    auto it = programs_.find(key);
    if (it != programs_.end())
        return &it->second;
    std::string src = CombinerFragmentShader(key);
    uint32_t fs = CompileShader(GL_FRAGMENT_SHADER, src.c_str());
    if (!fs)
        return nullptr;
    uint32_t name = LinkProgram(vertexShader_, fs);
    glDeleteShader(fs);
    if (!name)
        return nullptr;
    Program p;
    p.name = name;
    p.mvp = glGetUniformLocation(name, "uMvp");
    p.pixelShift = glGetUniformLocation(name, "uPixelShift");
    p.tfactor = glGetUniformLocation(name, "uTFactor");
    p.alphaRef = glGetUniformLocation(name, "uAlphaRef");
    GlUseProgram(name);
    glUniform1i(glGetUniformLocation(name, "uTex0"), 0);
    glUniform1i(glGetUniformLocation(name, "uTex1"), 1);
    return &programs_.emplace(key, p).first->second;
}

void GlDevice::UpdateMvp() {
    if (!mvpDirty_)
        return;
    const Matrix wvp = WorldViewProjection(front_.world, front_.view, front_.proj);
    std::memcpy(mvp_, wvp.m, sizeof(mvp_));
    ++mvpVersion_;
    mvpDirty_ = false;
}

bool GlDevice::ApplyDrawState(const DrawFacts& f) {
    context_->KeepCurrent();
    GlBindFramebuffer(TargetFramebuffer());

    // A fragment whose alpha is provably full passes an alpha test that full
    // alpha passes, and blends over the target as if it were copied.
    const bool alphaOne = guess_.OutputAlphaOne(f);
    const uint32_t ref = front_.rs[Rs::AlphaRef] & 0xFF;
    bool alphaTest = front_.rs[Rs::AlphaTestEnable] != 0;
    if (alphaTest && alphaOne) {
        switch (front_.rs[Rs::AlphaFunc]) {
        case Cmp::Greater:
        case Cmp::NotEqual:
            alphaTest = ref == 0xFF;
            break;
        case Cmp::LessEqual:
        case Cmp::Equal:
            alphaTest = ref != 0xFF;
            break;
        case Cmp::GreaterEqual:
        case Cmp::Always:
            alphaTest = false;
            break;
        default:
            break;
        }
    }
    bool cheaper = alphaTest != (front_.rs[Rs::AlphaTestEnable] != 0);
    CombinerKey key = MakeCombinerKey(front_.ss, alphaTest, front_.rs[Rs::AlphaFunc]);
    Program* p = (key == lastKey_ && lastProgram_) ? lastProgram_ : ProgramFor(key);
    if (!p)
        return false;
    lastKey_ = key;
    lastProgram_ = p;
    GlUseProgram(p->name);

    UpdateMvp();
    if (bypass_ || p->mvpVersion != mvpVersion_) {
        // Row-major rows become GLSL columns, so uMvp * v computes the row vector v * M.
        glUniformMatrix4fv(p->mvp, 1, GL_FALSE, mvp_);
        p->mvpVersion = mvpVersion_;
        ++glStateCalls_;
    }
    if (bypass_ || p->viewportVersion != viewportVersion_) {
        // The original samples pixels at integer coordinates, GL at half-integers:
        // move everything half a pixel right and down (NDC y points up).
        glUniform2f(p->pixelShift, 1.0f / static_cast<float>(front_.viewport.width),
                    -1.0f / static_cast<float>(front_.viewport.height));
        p->viewportVersion = viewportVersion_;
        ++glStateCalls_;
    }
    uint32_t tf = front_.rs[Rs::TextureFactor];
    if (bypass_ || !p->uniformsKnown || p->tfactorValue != tf || p->alphaRefValue != ref) {
        glUniform4f(p->tfactor, static_cast<float>((tf >> 16) & 0xFF) / 255.0f,
                    static_cast<float>((tf >> 8) & 0xFF) / 255.0f,
                    static_cast<float>(tf & 0xFF) / 255.0f, static_cast<float>(tf >> 24) / 255.0f);
        glUniform1f(p->alphaRef, static_cast<float>(ref));
        p->tfactorValue = tf;
        p->alphaRefValue = ref;
        p->uniformsKnown = true;
        glStateCalls_ += 2;
    }

    // A test that cannot fail and writes nothing is left out; without a depth
    // buffer every test is, and one that might have failed has the scene
    // drawn again with depth.
    const bool depthOn = front_.rs[Rs::ZEnable] != 0, depthWrite = front_.rs[Rs::ZWriteEnable] != 0;
    const bool passes = depthOn && guess_.DepthTestPasses(f);
    const bool depthTest =
        depthOn && !guess_.DrawsWithoutDepth() && (depthWrite || !guess_.Shortcuts() || !passes);
    cheaper = cheaper || depthTest != depthOn;
    GlEnable(GL_DEPTH_TEST, shadow_.depthTest, depthTest);
    GlDepthFunc(GlCompareFunc(front_.rs[Rs::ZFunc]));
    GlDepthMask(depthWrite);
    if (depthOn && depthWrite)
        guess_.NoteDepthWrite(f);

    bool blend = front_.rs[Rs::AlphaBlendEnable] != 0;
    if (blend && alphaOne && front_.rs[Rs::SrcBlend] == Blend::SrcAlpha &&
        front_.rs[Rs::DestBlend] == Blend::InvSrcAlpha) {
        blend = false;
        cheaper = true;
    }
    GlEnable(GL_BLEND, shadow_.blend, blend);
    if (blend)
        GlBlendFunc(GlBlendFactor(front_.rs[Rs::SrcBlend], true),
                    GlBlendFactor(front_.rs[Rs::DestBlend], false));

    uint32_t cull = front_.rs[Rs::CullMode];
    GlEnable(GL_CULL_FACE, shadow_.cull, cull == Cull::CW || cull == Cull::CCW);
    // Front faces are clockwise: CCW culling drops the back faces.
    if (cull == Cull::CCW)
        GlCullFace(GL_BACK);
    if (cull == Cull::CW)
        GlCullFace(GL_FRONT);

    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, false);
    // Without alpha in the back buffer its alpha stays one; an unblended draw
    // of full alpha may write it, which lets the rasteriser treat it as opaque.
    GlColorMask(bbHasAlpha_ || (!blend && alphaOne) ? 0xF : 0x7);
    ApplyViewportToGl();

    for (uint32_t s = 0; s < kCombinerStages; ++s) {
        if (!KeyUsesTexture(key, s))
            continue;
        // A stage without a texture reads opaque white.
        GlBindTexture(s, front_.textures[s] ? front_.textures[s]->GlName() : whiteTex_);
        const uint32_t* st = front_.ss[s];
        const bool nearest = s == 0 && f.texelExact;
        const uint32_t mip = s == 0 && guess_.BaseLevelOnly(f) ? Tf::None : st[Tss::MipFilter];
        cheaper = cheaper || nearest || mip != st[Tss::MipFilter];
        GlSamplerParams(s, nearest ? GL_NEAREST : GlMinFilter(st[Tss::MinFilter], mip),
                        nearest ? GL_NEAREST : GlMagFilter(st[Tss::MagFilter]),
                        GlAddressMode(st[Tss::AddressU]), GlAddressMode(st[Tss::AddressV]));
    }

    // Of the pixels that need no drawing, the larger of the two kinds.
    int32_t hole[4], hidden[4];
    const bool idle = guess_.FindIdleHole(f, alphaTest, blend, depthTest && depthWrite, hole);
    const bool occluded = guess_.FindOccluded(f, !alphaTest && !blend, hidden);
    auto area = [](const int32_t* r) { return static_cast<int64_t>(r[2] - r[0]) * (r[3] - r[1]); };
    skips_ = idle || occluded;
    if (skips_) {
        const int32_t* r = occluded && (!idle || area(hidden) > area(hole)) ? hidden : hole;
        std::copy(r, r + 4, skipRect_);
        skippedPixels_ += static_cast<uint64_t>(area(r));
    }
    cheaper = cheaper || skips_;
    if (cheaper)
        ++shortcutDraws_;

    if (bypass_ || shadow_.vao != vao_) {
        shadow_.vao = vao_;
        ++glStateCalls_;
        glBindVertexArray(vao_);
    }
    uint32_t ibName = front_.indices->GlName();
    if (bypass_ || shadow_.elementBuffer != ibName) {
        shadow_.elementBuffer = ibName;
        ++glStateCalls_;
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibName);
    }
    uint32_t vbName = front_.stream->GlName();
    if (bypass_ || shadow_.attribBuffer != vbName || shadow_.attribStride != front_.stride) {
        shadow_.attribBuffer = vbName;
        shadow_.attribStride = front_.stride;
        glBindBuffer(GL_ARRAY_BUFFER, vbName);
        auto stride = static_cast<GLsizei>(front_.stride);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
        // The diffuse word is 0xAARRGGBB, so its bytes in memory are B, G, R, A.
        glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              reinterpret_cast<void*>(12));
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(16));
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(24));
        glStateCalls_ += 5;
    }
    return true;
}

void GlDevice::IssueDraw(const DrawCall& d) {
    ++glDrawCalls_;
    glDrawElementsBaseVertex(
        d.type == Prim::TriangleList ? GL_TRIANGLES : GL_TRIANGLE_STRIP,
        static_cast<GLsizei>(d.indexCount), d.indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
        reinterpret_cast<void*>(static_cast<uintptr_t>(d.startIndex) * d.indexSize),
        static_cast<GLint>(front_.baseVertex));
}

void GlDevice::DrawAroundHole(const DrawCall& d, const int32_t* b) {
    // The bands above and below the hole, then its sides.
    const int32_t* h = skipRect_;
    const int32_t pieces[4][4] = {{b[0], b[1], b[2], h[1]},
                                  {b[0], h[3], b[2], b[3]},
                                  {b[0], h[1], h[0], h[3]},
                                  {h[2], h[1], b[2], h[3]}};
    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, true);
    for (const auto& p : pieces) {
        if (p[0] >= p[2] || p[1] >= p[3])
            continue;
        GlScissor(p[0], static_cast<int32_t>(bbHeight_) - p[3], p[2] - p[0], p[3] - p[1]);
        IssueDraw(d);
    }
}

// ---- presenting ----

void GlDevice::PresentPass(uint32_t framebuffer, int32_t width, int32_t height) {
    GlBindFramebuffer(framebuffer);
    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, false);
    GlEnable(GL_DEPTH_TEST, shadow_.depthTest, false);
    GlEnable(GL_BLEND, shadow_.blend, false);
    GlEnable(GL_CULL_FACE, shadow_.cull, false);
    GlColorMask(0xF);
    GlViewport(0, 0, width, height, 0.0f, 1.0f);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    FitPicture(width, height, bbWidth_, bbHeight_, lastPresentRect_);
    const int32_t x = lastPresentRect_[0], y = lastPresentRect_[1];
    const int32_t w = lastPresentRect_[2], h = lastPresentRect_[3];
    GlViewport(x, y, w, h, 0.0f, 1.0f);

    GlUseProgram(presentProgram_);
    if (bypass_ || shadow_.vao != emptyVao_) {
        shadow_.vao = emptyVao_;
        glBindVertexArray(emptyVao_);
    }
    // The present pass samples with the textures' own parameters, not the stage samplers.
    glBindSampler(0, 0);
    glBindSampler(1, 0);
    GlBindTexture(0, colorTex_);
    GLint filter = (w == static_cast<int32_t>(bbWidth_) && h == static_cast<int32_t>(bbHeight_))
                       ? GL_NEAREST
                       : GL_LINEAR;
    if (filter != presentFilter_) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        presentFilter_ = filter;
    }
    GlBindTexture(1, rampTex_);
    ++glDrawCalls_;
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindSampler(0, samplers_[0]);
    glBindSampler(1, samplers_[1]);
}

bool GlDevice::DirectWanted() const {
    if (!guess_.Shortcuts() || !rampIsIdentity_ || !windowHasDepth_ ||
        (bbHasAlpha_ && !windowHasAlpha_) || !window_->SurfaceMatchesClientSize())
        return false;
    int dw = 0, dh = 0;
    window_->GetDrawableSize(&dw, &dh);
    return static_cast<uint32_t>(dw) == bbWidth_ && static_cast<uint32_t>(dh) == bbHeight_;
}

void GlDevice::CopyPicture(uint32_t from, uint32_t to) {
    GlEnable(GL_SCISSOR_TEST, shadow_.scissor, false); // a copy is scissored too
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    const auto w = static_cast<GLint>(bbWidth_), h = static_cast<GLint>(bbHeight_);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    // Depth only copies between equal formats; a window with another layout
    // refuses it, and the frame's next depth clear sets it anyway.
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT,
                      GL_NEAREST);
    while (glGetError() != GL_NO_ERROR) {
    }
    shadow_.framebuffer = kUnknown;
    ++glDrawCalls_;
}

void GlDevice::UseDirect(bool on) {
    if (on == direct_)
        return;
    if (on)
        CopyPicture(fbo_, 0);
    else
        CopyPicture(0, fbo_);
    direct_ = on;
    guess_.ForgetDepth(); // the copy may leave the depth behind
}

void GlDevice::SetShortcuts(bool on) {
    context_->MakeCurrent();
    guess_.SetShortcuts(on);
    UseDirect(DirectWanted());
}

Result GlDevice::DoPresent() {
    context_->KeepCurrent();
    int dw = 0, dh = 0;
    window_->GetDrawableSize(&dw, &dh);
    if (dw <= 0 || dh <= 0)
        return kOk; // minimised
    if (direct_ && !DirectWanted())
        UseDirect(false); // the window changed under the frame: present it the long way
    if (direct_) {
        SDL_GL_SwapWindow(window_->Sdl());
        lastPresentRect_[0] = lastPresentRect_[1] = 0;
        lastPresentRect_[2] = static_cast<int32_t>(bbWidth_);
        lastPresentRect_[3] = static_cast<int32_t>(bbHeight_);
    } else {
        PresentPass(0, dw, dh);
        SDL_GL_SwapWindow(window_->Sdl());
        // From the next frame on, straight into the window when nothing is lost.
        UseDirect(DirectWanted());
    }

    ++framesShown_;
    MapCursorToPicture(window_, lastPresentRect_, bbWidth_, bbHeight_);
    return kOk;
}

void GlDevice::ReadBackBuffer(std::vector<uint32_t>& argb) {
    context_->MakeCurrent();
    GlBindFramebuffer(TargetFramebuffer());
    ReadFramebuffer(bbWidth_, bbHeight_, argb);
}

void GlDevice::ReadPresented(uint32_t width, uint32_t height, std::vector<uint32_t>& argb) {
    context_->MakeCurrent();
    if (direct_)
        CopyPicture(0, fbo_); // the present pass reads the offscreen copy
    GLuint tex = 0, fb = 0;
    glGenTextures(1, &tex);
    BindTextureForUpload(tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &fb);
    GlBindFramebuffer(fb);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    PresentPass(fb, static_cast<int32_t>(width), static_cast<int32_t>(height));
    ReadFramebuffer(width, height, argb);
    GlBindFramebuffer(TargetFramebuffer());
    glDeleteFramebuffers(1, &fb);
    glDeleteTextures(1, &tex);
}

uint64_t GlDevice::TextureCopyBytes() const {
    uint64_t bytes = 0;
    for (GlTexture* t : live_.Textures())
        bytes += t->CopyBytes();
    return bytes;
}

void GlDevice::Finish() {
    context_->KeepCurrent();
    glFinish();
}

// ---- resources ----

void GlDevice::Forgetting(GlTexture* t) {
    context_->MakeCurrent(); // the caller deletes its GL object next
    // GL may hand the same name to the next texture: never trust a shadow of it.
    for (uint32_t& name : shadow_.texture)
        if (name == t->GlName())
            name = kUnknown;
}

void GlDevice::Forgetting(GlVertexBuffer* vb) {
    context_->MakeCurrent(); // the caller deletes its GL object next
    if (shadow_.attribBuffer == vb->GlName())
        shadow_.attribBuffer = kUnknown;
}

void GlDevice::Forgetting(GlIndexBuffer* ib) {
    context_->MakeCurrent(); // the caller deletes its GL object next
    if (shadow_.elementBuffer == ib->GlName())
        shadow_.elementBuffer = kUnknown;
}

// ---- gamma and cursor ----

void GlDevice::RampChanged() {
    const GammaRamp* ramp = &ramp_;
    // A ramp that gives every 8-bit level back unchanged needs no present pass.
    rampIsIdentity_ = true;
    for (uint32_t i = 0; i < 256 && rampIsIdentity_; ++i)
        for (uint16_t v : {ramp->red[i], ramp->green[i], ramp->blue[i]})
            if ((static_cast<uint32_t>(v) * 255u + 32767u) / 65535u != i)
                rampIsIdentity_ = false;
    if (direct_ && !rampIsIdentity_)
        UseDirect(false);
    // Applied when presenting, never to the desktop.
    uint16_t rgba[256 * 4];
    for (int i = 0; i < 256; ++i) {
        rgba[i * 4 + 0] = ramp->red[i];
        rgba[i * 4 + 1] = ramp->green[i];
        rgba[i * 4 + 2] = ramp->blue[i];
        rgba[i * 4 + 3] = 0xFFFF;
    }
    BindTextureForUpload(rampTex_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_SHORT, rgba);
}

Api* CreateGlApi() {
    return DisplayApi::Open("OpenGL 3.3",
                            [](os::Window* window, const PresentParams& pp, Device** out) {
                                GlDevice* device = nullptr;
                                const Result r = GlDevice::Create(window, pp, &device);
                                *out = device;
                                return r;
                            });
}

} // namespace gpu
