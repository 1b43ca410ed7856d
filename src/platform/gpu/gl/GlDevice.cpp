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
#include "platform/gpu/gl/TexelSurvey.h"
#include "platform/os/Window.h"

namespace gpu {
namespace {

constexpr uint32_t kUnknown = 0xFFFFFFFFu;
constexpr uint32_t kUploadUnit = 7; // never sampled by a draw, so uploads leave draw bindings alone
constexpr float kDepthMargin = 1e-5f;
constexpr float kUnknownRho = 1e30f; // as DrawFacts starts

} // namespace

// ---- creation and teardown ----

Result GlDevice::Create(os::Window* window, const PresentParams& p, GlDevice** out) {
    *out = nullptr;
    if (WindowGlContext::InUse())
        return kErrInvalidCall;
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
    depthRegions_.assign(
        1, DepthRegion{
               {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)}, 1.0f, 1.0f, false, 1.0f});
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
    sceneUnproven_ = false;
    const bool depthless = depthOnDemand_ && shortcuts_ && cleanScenes_ >= kCleanScenesForDepthless;
    if (depthless != depthless_) {
        depthless_ = depthless;
        ForgetDepth(); // the scenes without depth left the buffer as it was
    }
    predictedOccluders_.clear();
    if (depthless_ && guessing_)
        predictedOccluders_.swap(seenOccluders_);
    seenOccluders_.clear();
    drawOrdinal_ = 0;
    guessing_ = true;
}

void GlDevice::SceneEnds() {
    if (shortcuts_)
        cleanScenes_ = sceneUnproven_ ? 0 : std::min(cleanScenes_ + 1, kCleanScenesForDepthless);
    const bool guessFailed = std::any_of(predictedOccluders_.begin(), predictedOccluders_.end(),
                                         [](const Occluder& o) { return o.used && !o.fulfilled; });
    redrawPending_ =
        (depthless_ && sceneUnproven_) || guessFailed || (forcedRedraws_ && depthOnDemand_);
    guessing_ = !redrawPending_;
    sceneRedraws_ += redrawPending_ ? 1 : 0;
}

bool GlDevice::RedrawScene() {
    const bool redraw = redrawPending_;
    redrawPending_ = false;
    return redraw;
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
    if (depthCleared && !depthless_)
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
            NoteDepthClear(rect, depth);
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

GlDevice::DrawFacts GlDevice::Examine(const uint8_t* indices, uint32_t count, uint32_t indexSize,
                                      bool triangles) const {
    drawParts_.clear();
    if (!shortcuts_ || count == 0)
        return DrawFacts{};
    DrawFacts f;
    const GlTexture* t = front_.textures[0];
    const bool textured = t && front_.ss[0][Tss::ColorOp] != Top::Disable &&
                          (front_.ss[0][Tss::TexCoordIndex] & 0xFFFF) == 0;
    f.texelExact = textured && front_.ss[1][Tss::ColorOp] == Top::Disable;
    const bool rhoKnown = textured && triangles && count % 3 == 0;
    f.maxRho = rhoKnown ? 0.0f : kUnknownRho;
    f.alphaOne = f.flatDepth = f.atNear = true;
    // A texel's width in texture units is tiny next to a float's precision at
    // these magnitudes; an offset well under a filter weight's step is exact.
    constexpr float kTolerance = 1.0f / 512.0f;
    const float tw = t ? static_cast<float>(t->Width()) : 0.0f;
    const float th = t ? static_cast<float>(t->Height()) : 0.0f;
    const auto vw = static_cast<float>(front_.viewport.width),
               vh = static_cast<float>(front_.viewport.height);
    const float zn = front_.viewport.minZ, zf = front_.viewport.maxZ;
    const uint8_t* vertices = front_.stream->Store().Data();
    float firstA = 0, firstB = 0, firstW = 0;
    TexelSurvey reach;
    float xMin = 1e30f, yMin = 1e30f, xMax = -1e30f, yMax = -1e30f;
    f.minDepth = 1e30f;
    f.maxDepth = -1e30f;
    const auto vx0 = static_cast<float>(front_.viewport.x),
               vy0 = static_cast<float>(front_.viewport.y);
    const float vx1 = vx0 + vw, vy1 = vy0 + vh;
    // A triangle draws the pixels whose centres (whole numbers here) lie
    // inside it; the margin is far above the rasteriser's sub-pixel steps and
    // covers the width of points and lines. The viewport clips.
    const float margin = triangles ? 1.0f / 64.0f : 1.0f;
    auto pixelBox = [&](float x0, float y0, float x1, float y1, int32_t* box) {
        box[0] = static_cast<int32_t>(std::clamp(std::floor(x0 - margin), vx0, vx1));
        box[1] = static_cast<int32_t>(std::clamp(std::floor(y0 - margin), vy0, vy1));
        box[2] = static_cast<int32_t>(std::clamp(std::ceil(x1 + margin) + 1.0f, vx0, vx1));
        box[3] = static_cast<int32_t>(std::clamp(std::ceil(y1 + margin) + 1.0f, vy0, vy1));
    };
    constexpr uint32_t kMaxParts = 3 * 512;
    const bool parts = triangles && count % 3 == 0 && count <= kMaxParts;
    float part[6] = {}; // x0, y0, x1, y1, lowest and highest depth of the triangle
    constexpr uint32_t kQuadIndices = 6;
    float quad[kQuadIndices][2] = {}; // pixel x, y of a draw of two triangles
    float corner[3][4] = {};          // pixel x, y and texel u, v of the triangle's vertices
    drawMaps_.clear();
    float tri[3][4]; // pixel x, y and texel u, v of the triangle so far
    // Read once: the lists the loop fills might, for all the compiler knows,
    // hold these members.
    const uint32_t base = front_.baseVertex;
    const size_t stride = front_.stride;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = indexSize == 2 ? reinterpret_cast<const uint16_t*>(indices)[i]
                                        : reinterpret_cast<const uint32_t*>(indices)[i];
        Vertex v;
        std::memcpy(&v, vertices + static_cast<size_t>(index + base) * stride, sizeof(v));
        const float* m = mvp_;
        float cx = v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12];
        float cy = v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13];
        float cz = v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14];
        float cw = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
        if (!(cw > 0.0f)) {
            drawParts_.clear();
            return DrawFacts{}; // clipped against the eye: prove nothing
        }
        if (i == 0)
            firstW = cw;
        else if (cw != firstW) {
            f.texelExact = false; // not affine across the draw
            f.maxRho = kUnknownRho;
        }
        const float depth = zn + cz / cw * (zf - zn);
        if (i == 0)
            f.depth = depth;
        f.flatDepth = f.flatDepth && depth == f.depth;
        f.minDepth = std::min(f.minDepth, depth);
        f.maxDepth = std::max(f.maxDepth, depth);
        f.atNear = f.atNear && cz == 0.0f;
        f.alphaOne = f.alphaOne && (v.diffuse >> 24) == 0xFF;
        // The original's pixel coordinates: centres on whole numbers, y down.
        float px = (cx / cw + 1.0f) * 0.5f * vw + vx0;
        float py = (1.0f - cy / cw) * 0.5f * vh + vy0;
        if (triangles && count == kQuadIndices) {
            quad[i][0] = px;
            quad[i][1] = py;
        }
        xMin = std::min(xMin, px);
        xMax = std::max(xMax, px);
        yMin = std::min(yMin, py);
        yMax = std::max(yMax, py);
        if (parts && textured) {
            const float c[4] = {px, py, v.u0 * tw, v.v0 * th};
            std::copy(c, c + 4, corner[i % 3]);
            if (i % 3 == 2)
                drawMaps_.push_back(AxisMap(corner));
        }
        if (parts) {
            if (i % 3 == 0) {
                part[0] = part[2] = px;
                part[1] = part[3] = py;
                part[4] = part[5] = depth;
            }
            part[0] = std::min(part[0], px);
            part[1] = std::min(part[1], py);
            part[2] = std::max(part[2], px);
            part[3] = std::max(part[3], py);
            part[4] = std::min(part[4], depth);
            part[5] = std::max(part[5], depth);
            if (i % 3 == 2) {
                DepthRegion r{{}, part[4], part[5], part[4] == part[5], part[4]};
                pixelBox(part[0], part[1], part[2], part[3], r.rect);
                drawParts_.push_back(r);
            }
        }
        if (!textured)
            continue;
        const float tu = v.u0 * tw, tv = v.v0 * th;
        reach.Add(tu, tv);
        float a = tu - px, b = tv - py;
        if (i == 0) {
            firstA = a;
            firstB = b;
            float fa = a - std::floor(a), fb = b - std::floor(b);
            if (std::fabs(fa - 0.5f) > kTolerance || std::fabs(fb - 0.5f) > kTolerance)
                f.texelExact = false;
        } else if (std::fabs(a - firstA) > kTolerance || std::fabs(b - firstB) > kTolerance) {
            f.texelExact = false;
        }
        float* c = tri[i % 3];
        c[0] = px;
        c[1] = py;
        c[2] = tu;
        c[3] = tv;
        if (f.maxRho < kUnknownRho && i % 3 == 2) {
            // Texels per pixel along x and along y, bounded from above.
            const float ex1 = tri[1][0] - tri[0][0], ey1 = tri[1][1] - tri[0][1];
            const float ex2 = tri[2][0] - tri[0][0], ey2 = tri[2][1] - tri[0][1];
            const float det = ex1 * ey2 - ex2 * ey1;
            if (std::fabs(det) > 1e-6f) { // a triangle without area draws nothing
                float grad[4];            // du/dx, du/dy, dv/dx, dv/dy
                for (int k = 0; k < 2; ++k) {
                    const float t1 = tri[1][2 + k] - tri[0][2 + k];
                    const float t2 = tri[2][2 + k] - tri[0][2 + k];
                    grad[2 * k] = (t1 * ey2 - t2 * ey1) / det;
                    grad[2 * k + 1] = (t2 * ex1 - t1 * ex2) / det;
                }
                const float rho = std::max(std::fabs(grad[0]) + std::fabs(grad[2]),
                                           std::fabs(grad[1]) + std::fabs(grad[3]));
                f.maxRho = rho < kUnknownRho ? std::max(f.maxRho, rho) : kUnknownRho;
            }
        }
    }
    pixelBox(xMin, yMin, xMax, yMax, f.box);
    f.boxKnown = std::isfinite(xMin + xMax + yMin + yMax + f.minDepth + f.maxDepth);
    if (f.boxKnown && triangles && count == kQuadIndices) {
        // Two triangles over the corners of one rectangle, each leaving out a
        // different end of one diagonal, cover all of it.
        int missing[2] = {0, 0};
        f.rectangle = xMax > xMin && yMax > yMin;
        for (uint32_t t = 0; t < 2 && f.rectangle; ++t) {
            int used = 0;
            for (uint32_t k = 3 * t; k < 3 * t + 3; ++k) {
                const bool right = quad[k][0] == xMax, bottom = quad[k][1] == yMax;
                f.rectangle =
                    f.rectangle && (right || quad[k][0] == xMin) && (bottom || quad[k][1] == yMin);
                used |= 1 << ((right ? 1 : 0) | (bottom ? 2 : 0));
            }
            missing[t] = 0xF & ~used;
            // One corner left out, as a single bit.
            f.rectangle = f.rectangle && missing[t] != 0 && (missing[t] & (missing[t] - 1)) == 0;
        }
        const int ends = missing[0] | missing[1]; // bits 1 and 8, or 2 and 4: one diagonal
        f.rectangle = f.rectangle && (ends == (1 | 8) || ends == (2 | 4));
        // Pixels whose centres lie inside, away from the edges by more than
        // the rasteriser's sub-pixel steps; the viewport clips.
        const float e = 1.0f / 64.0f;
        f.inner[0] = static_cast<int32_t>(std::clamp(std::ceil(xMin + e), vx0, vx1));
        f.inner[1] = static_cast<int32_t>(std::clamp(std::ceil(yMin + e), vy0, vy1));
        f.inner[2] = static_cast<int32_t>(std::clamp(std::ceil(xMax - e), vx0, vx1));
        f.inner[3] = static_cast<int32_t>(std::clamp(std::ceil(yMax - e), vy0, vy1));
        f.rectangle = f.rectangle && f.inner[0] < f.inner[2] && f.inner[1] < f.inner[3];
    }
    if (!f.boxKnown)
        drawParts_.clear();
    if (!f.boxKnown || firstW != 1.0f || drawMaps_.size() != drawParts_.size())
        drawMaps_.clear();
    if (textured) {
        const bool clamped = front_.ss[0][Tss::AddressU] == Tadr::Clamp &&
                             front_.ss[0][Tss::AddressV] == Tadr::Clamp;
        f.texelsKnown = reach.Reach(t->Width(), t->Height(), clamped, f.texels);
    }
    return f;
}

GlDevice::TexelMap GlDevice::AxisMap(const float corner[3][4]) {
    // The scales from the two vertices farthest apart along each axis; every
    // vertex must then agree (a rotated or sheared triangle does not).
    constexpr float kTolerance = 1.0f / 512.0f;
    int xa = 0, xb = 1, ya = 0, yb = 1;
    for (int p = 0; p < 3; ++p)
        for (int q = p + 1; q < 3; ++q) {
            if (std::fabs(corner[q][0] - corner[p][0]) > std::fabs(corner[xb][0] - corner[xa][0]))
                xa = p, xb = q;
            if (std::fabs(corner[q][1] - corner[p][1]) > std::fabs(corner[yb][1] - corner[ya][1]))
                ya = p, yb = q;
        }
    TexelMap m;
    const float dx = corner[xb][0] - corner[xa][0], dy = corner[yb][1] - corner[ya][1];
    if (std::fabs(dx) < 1.0f || std::fabs(dy) < 1.0f)
        return m;
    m.uScale = (corner[xb][2] - corner[xa][2]) / dx;
    m.uShift = corner[xa][2] - m.uScale * corner[xa][0];
    m.vScale = (corner[yb][3] - corner[ya][3]) / dy;
    m.vShift = corner[ya][3] - m.vScale * corner[ya][1];
    m.aligned = true;
    for (int k = 0; k < 3; ++k)
        m.aligned = m.aligned &&
                    std::fabs(m.uScale * corner[k][0] + m.uShift - corner[k][2]) <= kTolerance &&
                    std::fabs(m.vScale * corner[k][1] + m.vShift - corner[k][3]) <= kTolerance;
    return m;
}

bool GlDevice::BaseLevelOnly(const DrawFacts& f) const {
    const uint32_t* s0 = front_.ss[0];
    if (s0[Tss::MipFilter] == Tf::None || f.texelExact)
        return true;
    // Mip selection is approximate: the margins keep clear of the edges where
    // GL would change its mind. Under one texel per pixel GL magnifies, from
    // the base level. Nearest mip selection stays on the base level below
    // half a level of shrinking, and when both filters are the same kind it
    // filters that level alike whether it calls the draw shrunk or not.
    constexpr float kMagnifiedRho = 0.98f, kNearestLevelRho = 1.3f;
    if (f.maxRho <= kMagnifiedRho)
        return true;
    const bool sameFilters =
        (s0[Tss::MinFilter] >= Tf::Linear) == (s0[Tss::MagFilter] >= Tf::Linear);
    return s0[Tss::MipFilter] == Tf::Point && sameFilters && f.maxRho <= kNearestLevelRho;
}

bool GlDevice::OutputAlphaOne(const DrawFacts& f) const {
    const uint32_t* s0 = front_.ss[0];
    if (!shortcuts_ || s0[Tss::ColorOp] == Top::Disable ||
        front_.ss[1][Tss::ColorOp] != Top::Disable)
        return false;
    const GlTexture* t = front_.textures[0];
    auto argIsOne = [&](uint32_t arg) {
        switch (arg) {
        case Ta::Diffuse:
        case Ta::Current: // the diffuse colour before the first stage
            return f.alphaOne;
        case Ta::TFactor:
            return (front_.rs[Rs::TextureFactor] >> 24) == 0xFF;
        case Ta::Texture:
            if (!t)
                return true; // a missing texture reads opaque white
            // The base level alone is read when mip selection is off or skipped.
            if (BaseLevelOnly(f))
                return f.texelsKnown &&
                       t->Opaque(0, f.texels[0], f.texels[1], f.texels[2], f.texels[3]);
            return t->FullyOpaque();
        default:
            return false; // complements and the like
        }
    };
    switch (s0[Tss::AlphaOp]) {
    case Top::Disable:
        return f.alphaOne;
    case Top::SelectArg1:
        return argIsOne(s0[Tss::AlphaArg1]);
    case Top::SelectArg2:
        return argIsOne(s0[Tss::AlphaArg2]);
    case Top::Modulate:
        return argIsOne(s0[Tss::AlphaArg1]) && argIsOne(s0[Tss::AlphaArg2]);
    default:
        return false;
    }
}

namespace {

bool Overlap(const int32_t a[4], const int32_t b[4]) {
    return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

} // namespace

bool GlDevice::DepthTestPasses(const DrawFacts& f) const {
    const uint32_t func = front_.rs[Rs::ZFunc];
    if (func == Cmp::Always)
        return true;
    if (!f.boxKnown || (func != Cmp::LessEqual && func != Cmp::Less))
        return false;
    const bool lessEqual = func == Cmp::LessEqual;
    // The same flat depth as the draw that wrote a region is the same number
    // to GL too; a draw at the near depth stores and tests exactly that value;
    // any other is kept a margin away from what GL's own arithmetic might
    // round to.
    const float nearest = f.flatDepth && f.atNear ? front_.viewport.minZ : -1.0f;
    // Whether `part` passes against every region of [from, to) it may meet.
    auto passesOver = [&](const DepthRegion& part, const DepthRegion* from, const DepthRegion* to) {
        for (const DepthRegion* r = from; r != to; ++r) {
            if (!Overlap(r->rect, part.rect))
                continue;
            if (lessEqual && part.flat && r->flat && part.depth == r->depth)
                continue;
            const float d = nearest >= 0.0f ? nearest : part.high + kDepthMargin;
            if (lessEqual ? d > r->low : d >= r->low)
                return false;
        }
        return true;
    };
    const DepthRegion* written = depthRegions_.data();
    auto passes = [&](const DepthRegion& part) {
        return passesOver(part, written, written + depthRegions_.size());
    };
    // A draw that writes depth also tests its triangles against its own
    // earlier ones.
    if (front_.rs[Rs::ZWriteEnable] != 0 && !f.flatDepth) {
        if (drawParts_.empty())
            return false;
        for (size_t i = 1; i < drawParts_.size(); ++i)
            if (!passesOver(drawParts_[i], drawParts_.data(), drawParts_.data() + i))
                return false;
    }
    if (!drawParts_.empty())
        return std::all_of(drawParts_.begin(), drawParts_.end(), passes);
    return passes(DepthRegion{
        {f.box[0], f.box[1], f.box[2], f.box[3]}, f.minDepth, f.maxDepth, f.flatDepth, f.depth});
}

void GlDevice::NoteDepthWrite(const DrawFacts& f) {
    const auto w = static_cast<int32_t>(bbWidth_), h = static_cast<int32_t>(bbHeight_);
    if (!f.boxKnown) {
        AddDepthRegion(DepthRegion{{0, 0, w, h}, 0.0f, 1.0f, false, 0.0f}); // anywhere, anything
        return;
    }
    auto add = [&](DepthRegion r) {
        r.low =
            std::max(0.0f, f.flatDepth && f.atNear ? front_.viewport.minZ : r.low - kDepthMargin);
        AddDepthRegion(r);
    };
    if (drawParts_.empty())
        add(DepthRegion{{f.box[0], f.box[1], f.box[2], f.box[3]},
                        f.minDepth,
                        f.maxDepth,
                        f.flatDepth,
                        f.depth});
    for (const DepthRegion& part : drawParts_)
        add(part);
}

void GlDevice::AddDepthRegion(const DepthRegion& added) {
    // A region may grow over pixels nothing wrote: its bound only gets harder
    // to pass. Writes at one depth share a region once there are many.
    constexpr size_t kManyRegions = 16, kMaxRegions = 64;
    DepthRegion* merge = nullptr;
    for (DepthRegion& r : depthRegions_) {
        const bool same = r.low == added.low && r.flat == added.flat && r.depth == added.depth;
        if (same && (depthRegions_.size() >= kManyRegions || Overlap(r.rect, added.rect))) {
            merge = &r;
            break;
        }
        if (depthRegions_.size() >= kMaxRegions &&
            (!merge || std::fabs(r.low - added.low) < std::fabs(merge->low - added.low)))
            merge = &r;
    }
    if (!merge) {
        depthRegions_.push_back(added);
        return;
    }
    merge->flat = merge->flat && added.flat && merge->depth == added.depth;
    merge->low = std::min(merge->low, added.low);
    merge->high = std::max(merge->high, added.high);
    merge->rect[0] = std::min(merge->rect[0], added.rect[0]);
    merge->rect[1] = std::min(merge->rect[1], added.rect[1]);
    merge->rect[2] = std::max(merge->rect[2], added.rect[2]);
    merge->rect[3] = std::max(merge->rect[3], added.rect[3]);
}

void GlDevice::NoteDepthClear(const int32_t rect[4], float z) {
    // What the clear covers is forgotten; what it leaves of a region stays,
    // cut into at most four rectangles around it.
    std::vector<DepthRegion> kept;
    kept.reserve(depthRegions_.size() + 4);
    for (const DepthRegion& r : depthRegions_) {
        if (!Overlap(r.rect, rect)) {
            kept.push_back(r);
            continue;
        }
        const int32_t* a = r.rect;
        const int32_t top = std::max(a[1], rect[1]), bottom = std::min(a[3], rect[3]);
        const int32_t pieces[4][4] = {{a[0], a[1], a[2], rect[1]},
                                      {a[0], rect[3], a[2], a[3]},
                                      {a[0], top, rect[0], bottom},
                                      {rect[2], top, a[2], bottom}};
        for (const auto& p : pieces)
            if (p[0] < p[2] && p[1] < p[3])
                kept.push_back(
                    DepthRegion{{p[0], p[1], p[2], p[3]}, r.low, r.high, r.flat, r.depth});
    }
    kept.push_back(DepthRegion{{rect[0], rect[1], rect[2], rect[3]}, z, z, false, z});
    depthRegions_.swap(kept);
}

void GlDevice::ForgetDepth() {
    depthRegions_.assign(
        1, DepthRegion{{0, 0, static_cast<int32_t>(bbWidth_), static_cast<int32_t>(bbHeight_)},
                       0.0f,
                       1.0f,
                       false,
                       0.0f});
}

bool GlDevice::FindIdleHole(const DrawFacts& f, bool alphaTest, bool blend, bool depthWrites,
                            int32_t hole[4]) const {
    const uint32_t* s0 = front_.ss[0];
    const GlTexture* t = front_.textures[0];
    if (!shortcuts_ || !t || !f.texelsKnown || !BaseLevelOnly(f) ||
        s0[Tss::ColorOp] == Top::Disable || front_.ss[1][Tss::ColorOp] != Top::Disable)
        return false;
    // The fragment's alpha has the texel's alpha as a factor...
    const uint32_t aop = s0[Tss::AlphaOp];
    const bool texelAlpha = (aop == Top::Modulate && (s0[Tss::AlphaArg1] == Ta::Texture ||
                                                      s0[Tss::AlphaArg2] == Ta::Texture)) ||
                            (aop == Top::SelectArg1 && s0[Tss::AlphaArg1] == Ta::Texture) ||
                            (aop == Top::SelectArg2 && s0[Tss::AlphaArg2] == Ta::Texture);
    if (!texelAlpha)
        return false;
    // ...and zero alpha is dropped by the alpha test, or blends to the target
    // itself without a depth write.
    if (!ZeroAlphaLeavesTarget(alphaTest, front_.rs[Rs::AlphaFunc], front_.rs[Rs::AlphaRef] & 0xFF,
                               blend, front_.rs[Rs::SrcBlend], front_.rs[Rs::DestBlend],
                               depthWrites))
        return false;
    if (drawMaps_.empty())
        return false;
    // Filtering reads up to a texel and a half around the sample point.
    constexpr float kFootprint = 2.0f;
    // Pixels [out[0], out[1]) whose texels along one axis lie in [lo + margin, hi - margin].
    auto pixels = [&](float scale, float shift, float lo, float hi, int32_t* out) {
        if (std::fabs(scale) < 1e-6f)
            return false;
        float a = (lo + kFootprint - shift) / scale, b = (hi - kFootprint - shift) / scale;
        if (a > b)
            std::swap(a, b);
        out[0] = static_cast<int32_t>(std::ceil(a));
        out[1] = static_cast<int32_t>(std::floor(b)) + 1;
        return out[0] < out[1];
    };
    // The texels a triangle reads for the pixel rectangle r.
    auto texelsOf = [&](const TexelMap& m, const int32_t r[4], int32_t out[4]) {
        float u0 = m.uScale * static_cast<float>(r[0]) + m.uShift;
        float u1 = m.uScale * static_cast<float>(r[2] - 1) + m.uShift;
        float v0 = m.vScale * static_cast<float>(r[1]) + m.vShift;
        float v1 = m.vScale * static_cast<float>(r[3] - 1) + m.vShift;
        out[0] = static_cast<int32_t>(std::floor(std::min(u0, u1) - kFootprint));
        out[1] = static_cast<int32_t>(std::floor(std::min(v0, v1) - kFootprint));
        out[2] = static_cast<int32_t>(std::ceil(std::max(u0, u1) + kFootprint));
        out[3] = static_cast<int32_t>(std::ceil(std::max(v0, v1) + kFootprint));
    };
    // The hole of the largest triangle...
    size_t largest = drawParts_.size();
    int64_t largestArea = 0;
    for (size_t k = 0; k < drawParts_.size(); ++k) {
        const int32_t* r = drawParts_[k].rect;
        const int64_t area = static_cast<int64_t>(r[2] - r[0]) * (r[3] - r[1]);
        if (drawMaps_[k].aligned && area > largestArea) {
            largest = k;
            largestArea = area;
        }
    }
    if (largest == drawParts_.size())
        return false;
    const TexelMap& m = drawMaps_[largest];
    const int32_t* box = drawParts_[largest].rect;
    int32_t reads[4], texels[4], xs[2], ys[2];
    texelsOf(m, box, reads);
    if (!t->ClearHole(reads, texels) ||
        !pixels(m.uScale, m.uShift, static_cast<float>(texels[0]), static_cast<float>(texels[2]),
                xs) ||
        !pixels(m.vScale, m.vShift, static_cast<float>(texels[1]), static_cast<float>(texels[3]),
                ys))
        return false;
    hole[0] = std::max(xs[0], box[0]);
    hole[1] = std::max(ys[0], box[1]);
    hole[2] = std::min(xs[1], box[2]);
    hole[3] = std::min(ys[1], box[3]);
    // A small hole saves less than the extra draws cost.
    constexpr int64_t kMinHolePixels = 64 * 64;
    if (hole[0] >= hole[2] || hole[1] >= hole[3] ||
        static_cast<int64_t>(hole[2] - hole[0]) * (hole[3] - hole[1]) < kMinHolePixels)
        return false;
    // ...that every other triangle reaching into it reads only clear texels there.
    for (size_t k = 0; k < drawParts_.size(); ++k) {
        const int32_t* r = drawParts_[k].rect;
        const int32_t inside[4] = {std::max(r[0], hole[0]), std::max(r[1], hole[1]),
                                   std::min(r[2], hole[2]), std::min(r[3], hole[3])};
        if (k == largest || inside[0] >= inside[2] || inside[1] >= inside[3])
            continue;
        int32_t read[4];
        if (!drawMaps_[k].aligned)
            return false;
        texelsOf(drawMaps_[k], inside, read);
        if (!t->Clear(read))
            return false;
    }
    return true;
}

bool GlDevice::FindOccluded(const DrawFacts& f, bool opaque, int32_t rect[4]) {
    const uint32_t ordinal = drawOrdinal_++;
    if (!depthless_ || !f.boxKnown)
        return false;
    auto within = [](const int32_t* in, const int32_t* out) {
        return in[0] >= out[0] && in[1] >= out[1] && in[2] <= out[2] && in[3] <= out[3];
    };
    // Without depth an unblended draw of full alpha paints its pixels whatever
    // lies below. Only large ones are worth remembering.
    constexpr int64_t kMinPixels = 64 * 64;
    constexpr size_t kMaxOccluders = 8;
    const int32_t* in = f.inner;
    const bool occluder = opaque && f.rectangle &&
                          static_cast<int64_t>(in[2] - in[0]) * (in[3] - in[1]) >= kMinPixels;
    // An expected occluder that comes at an earlier place than it did last
    // scene (the draws before it changed) fulfils itself before anything is
    // left out: it never leaves out its own pixels.
    if (occluder)
        for (Occluder& o : predictedOccluders_)
            o.fulfilled = o.fulfilled || std::equal(o.rect, o.rect + 4, in);
    // Everything drawn before an expected occluder, under it, is painted over.
    Occluder* best = nullptr;
    int64_t bestArea = 0;
    for (Occluder& o : predictedOccluders_) {
        if (o.fulfilled || ordinal >= o.ordinal || !Overlap(o.rect, f.box))
            continue;
        const int32_t c[4] = {std::max(o.rect[0], f.box[0]), std::max(o.rect[1], f.box[1]),
                              std::min(o.rect[2], f.box[2]), std::min(o.rect[3], f.box[3])};
        const int64_t a = static_cast<int64_t>(c[2] - c[0]) * (c[3] - c[1]);
        if (a > bestArea) {
            best = &o;
            bestArea = a;
            std::copy(c, c + 4, rect);
        }
    }
    // A larger draw over an expected occluder's rectangle (a backdrop under a
    // panel) fulfils it too, unless it leaves out its own pixels there: only
    // a later draw may paint over those.
    if (occluder) {
        for (Occluder& o : predictedOccluders_)
            o.fulfilled = o.fulfilled || (&o != best && within(o.rect, in));
        // One that has pixels left out under a later one still covers its
        // rectangle once that later one is drawn, which is checked on its own.
        if (seenOccluders_.size() < kMaxOccluders)
            seenOccluders_.push_back(Occluder{{in[0], in[1], in[2], in[3]}, ordinal, false, false});
    }
    if (best)
        best->used = true;
    return best != nullptr;
}

bool GlDevice::ApplyDrawState(const DrawFacts& f) {
    context_->KeepCurrent();
    GlBindFramebuffer(TargetFramebuffer());

    // A fragment whose alpha is provably full passes an alpha test that full
    // alpha passes, and blends over the target as if it were copied.
    const bool alphaOne = OutputAlphaOne(f);
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
    const bool passes = depthOn && DepthTestPasses(f);
    if (depthOn && !passes && shortcuts_)
        sceneUnproven_ = true;
    const bool depthTest = depthOn && !depthless_ && (depthWrite || !shortcuts_ || !passes);
    cheaper = cheaper || depthTest != depthOn;
    GlEnable(GL_DEPTH_TEST, shadow_.depthTest, depthTest);
    GlDepthFunc(GlCompareFunc(front_.rs[Rs::ZFunc]));
    GlDepthMask(depthWrite);
    if (depthOn && depthWrite)
        NoteDepthWrite(f);

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
        const uint32_t mip = s == 0 && BaseLevelOnly(f) ? Tf::None : st[Tss::MipFilter];
        cheaper = cheaper || nearest || mip != st[Tss::MipFilter];
        GlSamplerParams(s, nearest ? GL_NEAREST : GlMinFilter(st[Tss::MinFilter], mip),
                        nearest ? GL_NEAREST : GlMagFilter(st[Tss::MagFilter]),
                        GlAddressMode(st[Tss::AddressU]), GlAddressMode(st[Tss::AddressV]));
    }

    // Of the pixels that need no drawing, the larger of the two kinds.
    int32_t hole[4], hidden[4];
    const bool idle = FindIdleHole(f, alphaTest, blend, depthTest && depthWrite, hole);
    const bool occluded = FindOccluded(f, !alphaTest && !blend, hidden);
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
    if (!shortcuts_ || !rampIsIdentity_ || !windowHasDepth_ || (bbHasAlpha_ && !windowHasAlpha_) ||
        !window_->SurfaceMatchesClientSize())
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
    ForgetDepth(); // the copy may leave the depth behind
}

void GlDevice::SetShortcuts(bool on) {
    context_->MakeCurrent();
    shortcuts_ = on;
    if (!on && depthless_) {
        depthless_ = false; // the plain way tests depth from here on
        ForgetDepth();
    }
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
