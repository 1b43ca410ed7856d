#include "platform/gpu/soft/SoftDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "platform/gpu/DisplayApi.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/WindowPresent.h"
#include "platform/gpu/soft/SoftResources.h"
#include "platform/gpu/soft/SoftSpans.h"
#include "platform/os/Window.h"

namespace gpu {
namespace {

constexpr uint32_t kMaxTextureSize = 8192;
constexpr uint16_t kDepthFar = 0xFFFF;

uint16_t Depth16(float z) {
    const float inRange = z > 0.0f ? std::min(z, 1.0f) : 0.0f; // (NaN as 0)
    return static_cast<uint16_t>(inRange * 65535.0f + 0.5f);
}

} // namespace

Result SoftDevice::Create(os::Window* window, const PresentParams& p, bool onSurface,
                          SoftDevice** out) {
    *out = nullptr;
    if (!onSurface && WindowGlContext::InUse())
        return Refuse("CreateDevice: the window already has a device");
    std::unique_ptr<WindowGlContext> ctx = onSurface ? nullptr : WindowGlContext::Create(window);
    if (!onSurface && !ctx)
        std::fprintf(stderr, "Present: window surface (no GL 3.3 context for the window)\n");
    auto* d = new SoftDevice();
    d->window_ = window;
    d->context_ = std::move(ctx);
    if (!d->context_)
        d->present_->InitSurface();
    if ((d->context_ && !d->present_->Init(d->context_.get())) ||
        !d->Resize(p.backBufferWidth, p.backBufferHeight)) {
        delete d;
        return kErrOutOfVideoMemory;
    }
    d->bbHasAlpha_ = GetFormatLayout(p.backBufferFormat).a.bits > 0;
    if (d->context_)
        d->context_->ApplySwapInterval(p.presentationInterval);
    Caps caps;
    FillDeviceCaps(&caps, kMaxTextureSize);
    d->StartFront(window, p, caps);
    ApplyWindowMode(window, p);
    *out = d;
    return kOk;
}

SoftDevice::~SoftDevice() {
    bands_.Flush(); // nothing queued may outlive the textures it reads
    live_.DetachAll();
    present_.reset(); // its GL objects go before the context
    context_.reset();
    // The pointer goes back to the system's with the device.
    if (window_)
        window_->ShowCursorPicture(false);
}

bool SoftDevice::Resize(uint32_t w, uint32_t h) {
    // Both buffers are made before the old ones go, so a refused reset keeps
    // the picture and the device drawing on.
    std::vector<uint32_t> color;
    std::vector<uint16_t> depth;
    try {
        // A new back buffer starts black with a cleared depth buffer.
        color.assign(static_cast<size_t>(w) * h, 0xFF000000u);
        if (std::exchange(failNextBackBuffer_, false))
            throw std::bad_alloc();
        depth.assign(static_cast<size_t>(w) * h, kDepthFar);
    } catch (const std::bad_alloc&) {
        return false;
    }
    color_.swap(color);
    depth_.swap(depth);
    bbWidth_ = w;
    bbHeight_ = h;
    damage_.SetTarget(color_.data(), depth_.data(), w, h);
    depthLow_ = kDepthFar;
    depthFill_ = kDepthFar;
    std::fill_n(depthDirty_, 4, 0);
    return true;
}

Result SoftDevice::DoReset(const PresentParams& p) {
    bands_.Flush();
    if ((p.backBufferWidth != bbWidth_ || p.backBufferHeight != bbHeight_) &&
        !Resize(p.backBufferWidth, p.backBufferHeight))
        return kErrOutOfVideoMemory;
    bbHasAlpha_ = GetFormatLayout(p.backBufferFormat).a.bits > 0;
    if (context_)
        context_->ApplySwapInterval(p.presentationInterval);
    // The next frame is drawn and shown whole.
    damage_.Invalidate();
    showWhole_ = true;
    return kOk;
}

// ---- clearing and drawing ----

Result SoftDevice::DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb,
                           float z, uint32_t) {
    const bool target = (flags & ClearFlag::Target) != 0, depth = (flags & ClearFlag::ZBuffer) != 0;
    if (!target && !depth)
        return kOk;
    // Queued after what was drawn before, which lies below.
    // A back buffer without alpha keeps alpha full.
    const uint32_t fill = bbHasAlpha_ ? argb : (argb | 0xFF000000u);
    const uint16_t z16 = Depth16(z);
    auto fillRows = [&](bool inDepth, uint32_t value, const int32_t rect[4], int64_t x0, int64_t y0,
                        int64_t x1, int64_t y1) {
        const int32_t part[4] = {static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                                 static_cast<int32_t>(x1), static_cast<int32_t>(y1)};
        SoftTarget buffers;
        buffers.color = color_.data();
        buffers.depth = depth_.data();
        buffers.width = static_cast<int32_t>(bbWidth_);
        bands_.QueueFill(inDepth, part, value, buffers);
        damage_.SignFill(inDepth, rect, value);
    };
    ForEachClearRect(count, rects, [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        ++drawCalls_;
        const int32_t rect[4] = {static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                                 static_cast<int32_t>(x1), static_cast<int32_t>(y1)};
        if (target)
            fillRows(false, fill, rect, x0, y0, x1, y1);
        if (!depth)
            return;
        const bool whole = x0 == 0 && y0 == 0 && x1 == bbWidth_ && y1 == bbHeight_;
        depthLow_ = whole ? z16 : std::min(depthLow_, z16);
        int64_t* d = depthDirty_;
        if (z16 == depthFill_) {
            // Only what the draws may have changed differs from the value.
            const int64_t cx0 = std::max(x0, d[0]), cy0 = std::max(y0, d[1]);
            const int64_t cx1 = std::min(x1, d[2]), cy1 = std::min(y1, d[3]);
            fillRows(true, z16, rect, cx0, cy0, std::max(cx0, cx1), std::max(cy0, cy1));
            if (x0 <= d[0] && y0 <= d[1] && x1 >= d[2] && y1 >= d[3])
                std::fill_n(d, 4, 0);
            return;
        }
        fillRows(true, z16, rect, x0, y0, x1, y1);
        if (whole) {
            depthFill_ = z16;
            std::fill_n(d, 4, 0);
        } else {
            MarkDepthChanged(x0, y0, x1, y1);
        }
    });
    return kOk;
}

void SoftDevice::MarkDepthChanged(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (x0 >= x1 || y0 >= y1)
        return;
    int64_t* d = depthDirty_;
    if (d[0] >= d[2]) {
        d[0] = x0, d[1] = y0, d[2] = x1, d[3] = y1;
        return;
    }
    d[0] = std::min(d[0], x0), d[1] = std::min(d[1], y0);
    d[2] = std::max(d[2], x1), d[3] = std::max(d[3], y1);
}

bool SoftDevice::DepthPasses(uint32_t func, uint16_t maxZ) const {
    switch (func) {
    case Cmp::Always:
        return true;
    case Cmp::LessEqual:
        return maxZ <= depthLow_;
    case Cmp::Less:
        return maxZ < depthLow_;
    default:
        return false;
    }
}

Result SoftDevice::DoDraw(const DrawCall& d) {
    const uint32_t type = d.type, primCount = d.primCount, isize = d.indexSize;
    const uint8_t* idx = d.indices;
    auto indexAt = [&](uint32_t i) -> uint32_t {
        if (isize == 2) {
            uint16_t v;
            std::memcpy(&v, idx + i * 2, 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, idx + i * 4, 4);
        return v;
    };
    const uint32_t lo = d.lo, hi = d.hi;
    ++drawCalls_;

    if (mvpDirty_) {
        SoftMvp(front_, mvp_);
        mvpDirty_ = false;
    }
    const float* mvp = mvp_;
    const Viewport& vp = front_.viewport;
    transformed_.resize(hi - lo + 1);
    const uint8_t* vb = front_.stream->Store().Data();
    uint16_t minZ = kDepthFar, maxZ = 0;
    for (uint32_t i = lo; i <= hi; ++i) {
        Vertex v;
        std::memcpy(&v, vb + (static_cast<size_t>(i) + front_.baseVertex) * front_.stride,
                    sizeof(v));
        SoftClipVertex& c = transformed_[i - lo];
        c = TransformVertex(v, mvp);
        const float wz = c.w > 0 ? vp.minZ + c.z / c.w * (vp.maxZ - vp.minZ) : 0.0f;
        minZ = std::min(minZ, Depth16(wz));
        maxZ = std::max(maxZ, Depth16(wz));
    }

    SoftPixelState pixels;
    SoftStageTexture stages[kCombinerStages];
    SoftDrawState(front_, bbHasAlpha_, &pixels, stages);
    // Its triangles also test what its own earlier ones write, which only
    // one depth throughout passes for sure.
    const bool ownPass = !pixels.depthWrite || pixels.depthFunc == Cmp::Always ||
                         (pixels.depthFunc == Cmp::LessEqual && minZ == maxZ);
    if (pixels.depthTest && ownPass && DepthPasses(pixels.depthFunc, maxZ))
        pixels.depthTest = false; // it cannot fail: nothing to read
    depthUsed_ = depthUsed_ || pixels.depthTest;
    if (pixels.depthWrite) {
        depthLow_ = std::min(depthLow_, minZ);
        // The pixels it may write depth to: its vertices' box (all of the
        // viewport where one lies behind the eye), within the viewport.
        double x0 = vp.x + vp.width, y0 = vp.y + vp.height, x1 = vp.x, y1 = vp.y;
        for (const SoftClipVertex& c : transformed_) {
            if (!(c.w > 0)) {
                x0 = vp.x, y0 = vp.y, x1 = vp.x + vp.width, y1 = vp.y + vp.height;
                break;
            }
            const WindowXY at = ToWindowXY(c, vp);
            x0 = std::min(x0, at.x), x1 = std::max(x1, at.x);
            y0 = std::min(y0, at.y), y1 = std::max(y1, at.y);
        }
        // A pixel's margin beyond the corners, for the rounding of the set-up.
        auto bound = [](double v, double lo, double hi) {
            return static_cast<int64_t>(std::clamp(v, lo, hi));
        };
        const double vx1 = vp.x + vp.width, vy1 = vp.y + vp.height;
        MarkDepthChanged(bound(std::floor(x0) - 1, vp.x, vx1), bound(std::floor(y0) - 1, vp.y, vy1),
                         bound(std::ceil(x1) + 2, vp.x, vx1), bound(std::ceil(y1) + 2, vp.y, vy1));
    }

    SoftTarget target;
    target.color = color_.data();
    target.depth = depth_.data();
    target.width = static_cast<int32_t>(bbWidth_);
    target.clip[0] = static_cast<int32_t>(vp.x);
    target.clip[1] = static_cast<int32_t>(vp.y);
    target.clip[2] = static_cast<int32_t>(vp.x + vp.width);
    target.clip[3] = static_cast<int32_t>(vp.y + vp.height);
    target.hidden = hidden_.Empty() ? nullptr : &hidden_;
    const uint32_t cull = front_.rs[Rs::CullMode];
    triangles_.resize(static_cast<size_t>(primCount) * 3);
    for (uint32_t t = 0; t < primCount; ++t) {
        uint32_t a, b, c;
        if (type == Prim::TriangleList) {
            a = indexAt(t * 3);
            b = indexAt(t * 3 + 1);
            c = indexAt(t * 3 + 2);
        } else {
            // Every other strip triangle runs the other way round; keep the winding.
            a = indexAt(t);
            b = indexAt(t + ((t & 1) ? 2 : 1));
            c = indexAt(t + ((t & 1) ? 1 : 2));
        }
        SoftClipVertex* tri = &triangles_[static_cast<size_t>(t) * 3];
        tri[0] = transformed_[a - lo];
        tri[1] = transformed_[b - lo];
        tri[2] = transformed_[c - lo];
    }
    if (const SoftJob* job = bands_.Queue(triangles_.data(), primCount, pixels, stages, vp, target, cull))
        damage_.SignDraw(bands_, *job);
    for (SoftTexture* t : front_.textures)
        if (t)
            t->MarkQueued(bands_.Epoch());
    return kOk;
}

void SoftDevice::SetHiddenRects(const Rect* rects, uint32_t count) {
    hidden_.Set(rects, rects ? count : 0);
}

// ---- presenting ----

Result SoftDevice::DoPresent() {
    int32_t changed[4];
    damage_.FlushFrame(bands_, changed);
    if (window_->TakeExposed())
        showWhole_ = true;
    if (std::exchange(showWhole_, false)) {
        changed[0] = changed[1] = 0;
        changed[2] = static_cast<int32_t>(bbWidth_);
        changed[3] = static_cast<int32_t>(bbHeight_);
    }
    ++drawCalls_;
    // A frame that changed nothing the window shows costs the window nothing:
    // it keeps the last picture (a window that lost it asks for it again).
    if (changed[0] >= changed[2] || changed[1] >= changed[3])
        return kOk;
    if (!present_->Show(window_, color_.data(), bbWidth_, bbHeight_, changed, shown_)) {
        showWhole_ = true; // what the window missed goes with the next frame
        return kOk;        // minimised
    }
    ++framesShown_;
    MapCursorToPicture(window_, shown_, bbWidth_, bbHeight_);
    return kOk;
}

void SoftDevice::ReadBackBuffer(std::vector<uint32_t>& argb) {
    bands_.Flush();
    argb = color_;
}

void SoftDevice::ReadPresented(uint32_t width, uint32_t height, std::vector<uint32_t>& argb) {
    bands_.Flush();
    present_->ReadPresented(color_.data(), bbWidth_, bbHeight_, width, height, argb);
}

uint64_t SoftDevice::TextureCopyBytes() const {
    uint64_t bytes = 0;
    for (const SoftTexture* t : live_.Textures())
        bytes += t->Bytes();
    return bytes;
}

// ---- resources ----

void SoftDevice::BeforeTextureChange(const SoftTexture* t) {
    if (bands_.Pending() && t->QueuedIn() == bands_.Epoch())
        bands_.Flush();
}

namespace {

template <bool kOnSurface>
Result MakeSoftDevice(os::Window* window, const PresentParams& pp, Device** out) {
    SoftDevice* device = nullptr;
    const Result r = SoftDevice::Create(window, pp, kOnSurface, &device);
    *out = device;
    return r;
}

} // namespace

Api* CreateSoftApi(bool onSurface) {
    return onSurface ? DisplayApi::Open("Software, shown through the window surface",
                                        MakeSoftDevice<true>, SpanRoutineChoice())
                     : DisplayApi::Open("Software, shown through OpenGL 3.3", MakeSoftDevice<false>,
                                        SpanRoutineChoice());
}

} // namespace gpu
