#pragma once
// The front of every device: each call of the device API enters here once.
// The front checks the call (scene, bounds, formats, pools, levels, lock
// rules, reset parameters) and only then hands the back end the work, so GL,
// our rasteriser and the recording device give one answer to every call (a
// test on the recording device then passes or fails where the real ones
// would). Inline: a draw pays a few compares and no call of its own.
//
// The front keeps what the game set (render and stage states, bound
// textures, stream, indices, vertex format, transforms, viewport) in a shadow
// that the back end's draws read directly, as members of the device itself,
// and the device's own record: its present parameters, caps, gamma ramp,
// scene, pointer choice and the resources alive. A back end is told of the
// calls through hooks resolved at compile time (no virtual call is added
// anywhere), and keeps only what it does: GL notes changed matrices and
// viewports, the recording device counts calls and plays its scripts
// (injected failures, device loss).
//
// Where the original API's contract and GL's leniency differ, the one answer:
// - A draw outside BeginScene/EndScene draws, and a primitive count of 0 draws
//   nothing and succeeds: GL does both, and the engine's frames always open a
//   scene and skip empty layers, so no answer of the game depends on it.
// - The only vertex format is the game's; the stream's stride may exceed the
//   vertex size (the extra bytes are skipped) but never fall short of it.
// - Triangle lists and strips only, the two the game draws.
// - A viewport lies inside the back buffer, with depths within 0..1.
// - Clear: flags of 0 clear nothing and succeed (as a draw of no primitives);
//   flag bits beyond target, depth and stencil are refused (most likely other
//   arguments in the wrong place). Clearing depth or stencil that the device
//   was made without is refused rather than reported done, and a depth clear
//   takes z within 0..1 only (as viewport depths; NaN too is refused): no
//   back end can store anything else, and clamping would hide the fault.
// - Transforms: World, View and Projection only. The others (texture
//   matrices, further world matrices) are refused: no back end applies them,
//   so accepting them would report a setting done that no draw ever obeys.
// - Locks of buffers and texture levels: one at a time (a second lock before
//   the unlock is refused: the engine's buffers keep one lock's pointer, so a
//   nested one is a fault there). A buffer lock that both discards and
//   promises not to overwrite is refused; a discarding lock fills the whole
//   buffer with BufferStore::kDiscardFill before handing it out, on every back
//   end (GL uploads the fill too), so code that reads what it discarded shows
//   up alike everywhere.
// - After creation and each reset: the values of DeviceDefaults, with depth
//   tests on only where the device was made with a depth buffer; nothing
//   bound, identity transforms, the viewport over the whole back buffer.
// - The caps are promises: a draw of more primitives than maxPrimitiveCount,
//   or reaching a vertex past maxVertexIndex, is refused, as is a texture
//   wider or higher than the caps' sides.
// - A draw's vertices lie inside the vertex buffer: the last one it reaches
//   needs its own 32 bytes there, not a whole stride.
// - Creation: a texture's levels are 0 or kDefault (the full chain) or at
//   most the full chain; a render target lives in the default pool; every
//   colour format can be made (CheckDeviceFormat says which are worth
//   picking, not which exist). A vertex buffer of a vertex format holds one
//   vertex at least.
// - Reset: a windowed request without a size takes its window's client
//   size; a refused reset changes nothing, and the device goes on (only the
//   recording device's scripted failures and losses leave it waiting).
// - The cursor comes from an unlocked 32-bit ARGB image surface.
// - A texture level describes itself as a surface, which it is: each level
//   of a texture is a picture of its own, locked on its own.
//
// Questions more than one layer answers, each at the precision its user needs
// (one helper would be too coarse for some and too dear for others):
// - "Can this draw's depth test fail?" The engine's clipper asks it of whole
//   draws before they reach a device (to leave out what later draws cover);
//   GL keeps rectangles of known depth, as it cannot read its depth buffer
//   back cheaply, to drop depth for a scene; our rasteriser keeps the lowest
//   depth its buffer holds and the box draws wrote, as it asks per draw and
//   may spend a few compares only.
// - "Which texels are clear?" The clipper sums non-opaque texels per texel
//   (a picture's exact cut, made once per picture); GL marks 16x16 blocks, so
//   a draw loses a rectangle of pixels it need not shade; our span routines
//   mark 8x8 tiles, the reach of one read of theirs with its filter's margin.
// - "Does zero alpha leave the target?" ZeroAlphaLeavesTarget (StageCombiner).
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/DeviceDefaults.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/LiveResources.h"
#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/StageCombiner.h"
#include "platform/gpu/SystemSurface.h"
#include "platform/gpu/WindowPresent.h"

namespace gpu {

// Indices a draw of `primCount` primitives of `type` reads; 0 for a type the
// back ends do not draw.
inline uint32_t DrawIndexCount(uint32_t type, uint32_t primCount) {
    if (type == Prim::TriangleList)
        return primCount * 3;
    if (type == Prim::TriangleStrip)
        return primCount + 2;
    return 0;
}

// Whether a draw may go ahead with what is bound, up to `maxPrimitives` (the
// device's caps) at once. kOk with a primitive count of 0 means "draw nothing".
inline Result CheckDraw(uint32_t type, uint32_t primCount, uint32_t maxPrimitives, uint32_t fvf,
                        uint32_t stride, bool buffersBound, bool vertexLocked, bool indexLocked) {
    if (!buffersBound)
        return Refuse("DrawIndexedPrimitive: no vertex or index buffer bound");
    if (vertexLocked)
        return Refuse("DrawIndexedPrimitive: the vertex buffer is locked");
    if (indexLocked)
        return Refuse("DrawIndexedPrimitive: the index buffer is locked");
    if (fvf != kFvfGame)
        return Refuse("DrawIndexedPrimitive: not the game's vertex format");
    if (stride < sizeof(Vertex))
        return Refuse("DrawIndexedPrimitive: the stride is shorter than a vertex");
    if (type != Prim::TriangleList && type != Prim::TriangleStrip)
        return Refuse("DrawIndexedPrimitive: neither a triangle list nor a strip");
    if (primCount > maxPrimitives)
        return Refuse("DrawIndexedPrimitive: more primitives than the caps allow");
    return kOk;
}

// The highest of `count` (> 0) indices of `size` bytes (2 or 4) at `at`,
// and the lowest when kLowest (0 otherwise: a bound all the same).
template <bool kLowest>
inline void IndexRange(const uint8_t* at, uint32_t count, uint32_t size, uint32_t* lo,
                       uint32_t* hi) {
    // Each width in its own, so that the scan takes several indices a step.
    auto scan = [&](const auto* p, auto low, auto high) {
        for (uint32_t i = 0; i < count; ++i) {
            if constexpr (kLowest)
                low = low < p[i] ? low : p[i];
            high = high > p[i] ? high : p[i];
        }
        *lo = kLowest ? low : 0;
        *hi = high;
    };
    if (size == 2)
        scan(reinterpret_cast<const uint16_t*>(at), uint16_t{0xFFFF}, uint16_t{0});
    else
        scan(reinterpret_cast<const uint32_t*>(at), 0xFFFFFFFFu, 0u);
}

inline Result CheckViewport(const Viewport* vp, uint32_t bbWidth, uint32_t bbHeight) {
    if (!vp || vp->width == 0 || vp->height == 0)
        return Refuse("SetViewport: no viewport, or an empty one");
    if (static_cast<uint64_t>(vp->x) + vp->width > bbWidth ||
        static_cast<uint64_t>(vp->y) + vp->height > bbHeight)
        return Refuse("SetViewport: the viewport leaves the back buffer");
    if (!(vp->minZ >= 0.0f && vp->minZ <= 1.0f && vp->maxZ >= 0.0f && vp->maxZ <= 1.0f))
        return Refuse("SetViewport: a depth outside 0..1");
    return kOk;
}

// Whether a Clear may go ahead on a device made with `pp`. kOk with flags of 0
// means "clear nothing".
inline Result CheckClear(uint32_t count, const Rect* rects, uint32_t flags, float z,
                         const PresentParams& pp) {
    constexpr uint32_t kAll = ClearFlag::Target | ClearFlag::ZBuffer | ClearFlag::Stencil;
    constexpr uint32_t kD15S1 = 73, kD24S8 = 75, kD24X4S4 = 79;
    const bool depth = pp.enableAutoDepthStencil != 0;
    const uint32_t f = pp.autoDepthStencilFormat;
    const bool stencil = depth && (f == kD15S1 || f == kD24S8 || f == kD24X4S4);
    if (count != 0 && !rects)
        return Refuse("Clear: a count of rectangles without them");
    if ((flags & ~kAll) != 0)
        return Refuse("Clear: flags other than target, depth and stencil");
    if ((flags & ClearFlag::ZBuffer) && !depth)
        return Refuse("Clear: depth of a device made without a depth buffer");
    if ((flags & ClearFlag::Stencil) && !stencil)
        return Refuse("Clear: stencil of a depth buffer without stencil");
    if ((flags & ClearFlag::ZBuffer) && !(z >= 0.0f && z <= 1.0f))
        return Refuse("Clear: a depth outside 0..1");
    return kOk;
}

inline bool ValidRenderState(uint32_t state) {
    return state < kRenderStateCount;
}
inline bool ValidStageState(uint32_t stage, uint32_t state) {
    return stage < kStageCount && state > 0 && state < kStageStateCount;
}

// The largest side of a back buffer or an image surface.
constexpr uint32_t kMaxPictureSide = 16384;
// Larger resources are refused as out of memory (unless the back end says
// otherwise: the recording device's limit is scripted).
constexpr uint64_t kMaxResourceBytes = 1ull << 30;

// `pp` as every device takes it, at creation and reset: a windowed request
// without a size takes the client size of its window (`window` where the
// request names none); then kOk where it can make a back buffer (a size, one
// of the back-buffer formats, up to three back buffers, a swap effect, and a
// depth format where depth is asked for), else kErrInvalidCall.
Result PreparePresentParams(os::Window* window, PresentParams* pp);
// Bytes of a texture's levels (rows padded as RowPitch pads them).
uint64_t TextureBytes(uint32_t width, uint32_t height, uint32_t levels, uint32_t format);

// The calls a back end is told of before the front acts on them.
enum class FrontCall : uint8_t {
    RenderState,
    StageState,
    Texture,
    Stream,
    Indices,
    VertexShader,
    Transform,
    Viewport,
    TestCooperativeLevel,
    Reset,
    Present,
    BeginScene,
    EndScene,
    Clear,
    Draw,
    GammaRamp,
    Cursor,
    CreateTexture,
    CreateVertexBuffer,
    CreateIndexBuffer,
    CreateImageSurface,
};

// The hooks of the front a back end may leave out (the front then does what
// its default does). Each back end lists the ones it gives in `kHooks`, and
// the front holds the list to what the back end declares: a hook misspelt, or
// given and not listed, or listed and not given, stops the build.
enum class Hook : uint8_t {
    Admit,
    Changed,
    CooperativeLevel,
    SceneBegins,
    SceneEnds,
    RampChanged,
    ApplyMode,
    DoSetCursor,
    CursorShown,
    NewTexture,
    NewVertexBuffer,
    NewIndexBuffer,
    NewSurface,
    TakesTextureFormat,
    TakesPresentParams,
    Limits,
    MemoryLimit,
    DrawsFromLowestIndex,
    Forgetting,
    Count
};

// What a default hook answers: it converts to the hook's answer, and its type
// tells the front's check that the back end left the hook out.
template <class T> struct Defaulted {
    T value;
    constexpr operator T() const { return value; }
};
template <> struct Defaulted<void> {};
template <class T> constexpr bool kIsDefaulted = false;
template <class T> constexpr bool kIsDefaulted<Defaulted<T>> = true;

// A draw the front has checked, as the back end does it: its indices lie
// inside the index buffer, and every vertex they reach (lo..hi, before the
// base vertex index) inside the vertex buffer. lo is the lowest index only
// for a back end that asks for it (kDrawsFromLowestIndex); 0 otherwise.
struct DrawCall {
    uint32_t type, minIndex, numVertices, startIndex, primCount;
    uint32_t indexCount, indexSize;
    const uint8_t* indices; // the first one the draw reads
    uint32_t lo, hi;
};

// What the game has set, as the draws read it. Tex, Vb and Ib are the back
// end's own resource types: only its own objects can be bound.
template <class Tex, class Vb, class Ib> struct DeviceShadow {
    RenderStateTable rs;
    StageStateTable ss;
    Tex* textures[kStageCount] = {};
    Vb* stream = nullptr;
    uint32_t stride = 0;
    Ib* indices = nullptr;
    uint32_t baseVertex = 0;
    uint32_t fvf = 0;
    Matrix world = Matrix::Identity(), view = Matrix::Identity(), proj = Matrix::Identity();
    Viewport viewport;
};

// Every call of the device API. `Backend` derives from it, befriends it and
// does the work through these (the defaults below are for what it leaves out):
//   Result Admit(FrontCall, uint32_t a, uint32_t b): before any check; a
//     failure is returned as the call's answer. a, b: render state; stage and
//     stage state; 0 otherwise.
//   void Changed(FrontCall): after the shadow took a new transform or viewport.
//   Result CooperativeLevel(): TestCooperativeLevel's answer once admitted.
//   Result DoReset(const PresentParams&): the work of a checked reset; the
//     front then takes the parameters and restores the defaults.
//   Result DoPresent(), DoClear(...), DoDraw(const DrawCall&): the work.
//   void SceneBegins(), SceneEnds(): after the scene's state changed.
//   void RampChanged(): the gamma ramp (ramp_) changed.
//   void ApplyMode(const PresentParams&), DoSetCursor(hotX, hotY, const
//     SystemSurface&), CursorShown(bool): the window's part (the defaults
//     put the mode and the pointer in window_).
//   Tex/Vb/Ib* NewTexture/NewVertexBuffer/NewIndexBuffer(...), Surface*
//     NewSurface(...): a checked resource; null when out of memory (the
//     defaults call the resource's Create, and make a SystemSurface).
//   Result TakesTextureFormat(usage, format): a further word on a texture's
//     format (the recording device's scripted driver).
//   Result TakesPresentParams(const PresentParams&): likewise for a reset.
//   const Caps& Limits() const: the caps the checks hold the calls to.
//   uint64_t MemoryLimit() const: the largest resource in bytes.
//   static constexpr bool kDrawsFromLowestIndex: whether DoDraw reads
//     DrawCall::lo (finding it costs every draw a second look at its indices).
//   void Forgetting(Tex*/Vb*/Ib*): a resource is about to be released.
//   static constexpr Hook kHooks[]: the optional hooks above it gives.
// Resources name their device by Owner(), which SetTexture, SetStreamSource
// and SetIndices compare with this device, and call Forget when they go.
template <class Backend, class Tex, class Vb, class Ib> class DeviceFront : public Device {
public:
    using Shadow = DeviceShadow<Tex, Vb, Ib>;

    // ---- the device and its scenes ----

    Result GetDeviceCaps(Caps* out) override {
        ClearRefusal();
        if (!out)
            return Refuse("GetDeviceCaps: nowhere to put the caps");
        *out = Self().Limits();
        return kOk;
    }
    Result TestCooperativeLevel() override {
        if (Result r = Enter(FrontCall::TestCooperativeLevel, 0, 0); Failed(r))
            return r;
        return Self().CooperativeLevel();
    }
    // Resources of the default pool must be released before a reset, as on
    // the original; refusing it catches a resource the engine failed to
    // track. A refused reset changes nothing.
    Result Reset(PresentParams* pp) override {
        if (Result r = Enter(FrontCall::Reset, 0, 0); Failed(r))
            return r;
        if (!pp)
            return Refuse("Reset: no present parameters");
        if (live_.AnyDefaultPool())
            return Refuse("Reset: a default-pool resource is still alive");
        PresentParams p = *pp;
        if (!p.window)
            p.window = window_;
        if (p.windowed && p.backBufferFormat == Fmt::Unknown)
            p.backBufferFormat = pp_.backBufferFormat;
        if (Result r = PreparePresentParams(window_, &p); Failed(r))
            return r;
        if (Result r = Self().TakesPresentParams(p); Failed(r))
            return r;
        // The window changes only once the back end has its new back buffer.
        if (Result r = Self().DoReset(p); Failed(r))
            return r;
        Self().ApplyMode(p);
        pp_ = p;
        RestoreFront(p.backBufferWidth, p.backBufferHeight, p.enableAutoDepthStencil != 0);
        inScene_ = false;
        // The caller learns the back buffer it got.
        pp->backBufferWidth = p.backBufferWidth;
        pp->backBufferHeight = p.backBufferHeight;
        pp->backBufferFormat = p.backBufferFormat;
        return kOk;
    }
    Result Present() override {
        if (Result r = Enter(FrontCall::Present, 0, 0); Failed(r))
            return r;
        return Self().DoPresent();
    }
    Result BeginScene() override {
        if (Result r = Enter(FrontCall::BeginScene, 0, 0); Failed(r))
            return r;
        if (inScene_)
            return Refuse("BeginScene: a scene is already open");
        inScene_ = true;
        Self().SceneBegins();
        return kOk;
    }
    Result EndScene() override {
        if (Result r = Enter(FrontCall::EndScene, 0, 0); Failed(r))
            return r;
        if (!inScene_)
            return Refuse("EndScene: no scene is open");
        inScene_ = false;
        Self().SceneEnds();
        return kOk;
    }
    Result Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                 uint32_t stencil) override {
        if (Result r = Enter(FrontCall::Clear, 0, 0); Failed(r))
            return r;
        if (Result r = CheckClear(count, rects, flags, z, pp_); Failed(r) || flags == 0)
            return r;
        return Self().DoClear(count, rects, flags, argb, z, stencil);
    }
    // Indices are absolute (added to the base vertex index of SetIndices).
    Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                uint32_t startIndex, uint32_t primCount) override {
        if (Result r = Enter(FrontCall::Draw, 0, 0); Failed(r))
            return r;
        const Caps& caps = Self().Limits();
        const bool bound = front_.stream && front_.indices;
        if (Result r = CheckDraw(type, primCount, caps.maxPrimitiveCount, front_.fvf, front_.stride,
                                 bound, bound && front_.stream->Store().Locked(),
                                 bound && front_.indices->Store().Locked());
            Failed(r) || primCount == 0)
            return r;
        DrawCall d{type, minIndex, numVertices, startIndex, primCount, 0, 0, nullptr, 0, 0};
        d.indexCount = DrawIndexCount(type, primCount);
        d.indexSize = front_.indices->IndexSize();
        const BufferStore& ib = front_.indices->Store();
        if (static_cast<uint64_t>(startIndex) + d.indexCount > ib.Length() / d.indexSize)
            return Refuse("DrawIndexedPrimitive: indices past the end of the index buffer");
        d.indices = ib.Data() + static_cast<size_t>(startIndex) * d.indexSize;
        IndexRange<Backend::kDrawsFromLowestIndex>(d.indices, d.indexCount, d.indexSize, &d.lo,
                                                   &d.hi);
        // The last vertex needs its own bytes only: a wider stride's extra
        // bytes past it are never read.
        const uint64_t last = static_cast<uint64_t>(d.hi) + front_.baseVertex;
        if (last > caps.maxVertexIndex)
            return Refuse("DrawIndexedPrimitive: a vertex index past the caps");
        if (last * front_.stride + sizeof(Vertex) > front_.stream->Store().Length())
            return Refuse("DrawIndexedPrimitive: a vertex past the end of the vertex buffer");
        return Self().DoDraw(d);
    }

    // ---- state ----

    Result SetRenderState(uint32_t state, uint32_t value) override {
        if (Result r = Enter(FrontCall::RenderState, state, 0); Failed(r))
            return r;
        if (!ValidRenderState(state))
            return Refuse("SetRenderState: no such render state");
        front_.rs[state] = value;
        return kOk;
    }
    Result GetRenderState(uint32_t state, uint32_t* value) override {
        ClearRefusal();
        if (!ValidRenderState(state) || !value)
            return Refuse("GetRenderState: no such render state, or nowhere to put it");
        *value = front_.rs[state];
        return kOk;
    }
    Result SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) override {
        if (Result r = Enter(FrontCall::StageState, stage, state); Failed(r))
            return r;
        if (!ValidStageState(stage, state))
            return Refuse("SetTextureStageState: no such stage or stage state");
        front_.ss[stage][state] = value;
        return kOk;
    }
    Result GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) override {
        ClearRefusal();
        if (!ValidStageState(stage, state) || !value)
            return Refuse("GetTextureStageState: no such stage or state, or nowhere to put it");
        *value = front_.ss[stage][state];
        return kOk;
    }
    Result SetTexture(uint32_t stage, Texture* texture) override {
        if (Result r = Enter(FrontCall::Texture, 0, 0); Failed(r))
            return r;
        Tex* t = Mine<Tex>(texture);
        if (stage >= kStageCount)
            return Refuse("SetTexture: no such stage");
        if (texture && !t)
            return Refuse("SetTexture: a texture of another device");
        front_.textures[stage] = t;
        return kOk;
    }
    Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) override {
        if (Result r = Enter(FrontCall::Stream, 0, 0); Failed(r))
            return r;
        Vb* b = Mine<Vb>(vb);
        // The game draws from stream 0 only.
        if (stream != 0)
            return Refuse("SetStreamSource: a stream other than 0");
        if (vb && !b)
            return Refuse("SetStreamSource: a buffer of another device");
        if (vb && stride == 0)
            return Refuse("SetStreamSource: a stride of 0");
        front_.stream = b;
        front_.stride = b ? stride : 0;
        return kOk;
    }
    Result SetIndices(IndexBuffer* ib, uint32_t baseVertexIndex) override {
        if (Result r = Enter(FrontCall::Indices, 0, 0); Failed(r))
            return r;
        Ib* b = Mine<Ib>(ib);
        if (ib && !b)
            return Refuse("SetIndices: a buffer of another device");
        front_.indices = b;
        front_.baseVertex = baseVertexIndex;
        return kOk;
    }
    Result SetVertexShader(uint32_t fvf) override {
        if (Result r = Enter(FrontCall::VertexShader, 0, 0); Failed(r))
            return r;
        front_.fvf = fvf;
        return kOk;
    }
    Result SetTransform(uint32_t which, const Matrix* m) override {
        if (Result r = Enter(FrontCall::Transform, 0, 0); Failed(r))
            return r;
        Matrix* slot = TransformOf(front_, which);
        if (!slot)
            return Refuse("SetTransform: not World, View or Projection");
        if (!m)
            return Refuse("SetTransform: no matrix");
        *slot = *m;
        Self().Changed(FrontCall::Transform);
        return kOk;
    }
    Result GetTransform(uint32_t which, Matrix* m) override {
        ClearRefusal();
        const Matrix* slot = TransformOf(front_, which);
        if (!slot)
            return Refuse("GetTransform: not World, View or Projection");
        if (!m)
            return Refuse("GetTransform: nowhere to put the matrix");
        *m = *slot;
        return kOk;
    }
    Result SetViewport(const Viewport* vp) override {
        if (Result r = Enter(FrontCall::Viewport, 0, 0); Failed(r))
            return r;
        if (Result r = CheckViewport(vp, bbWidth_, bbHeight_); Failed(r))
            return r;
        front_.viewport = *vp;
        Self().Changed(FrontCall::Viewport);
        return kOk;
    }
    Result GetViewport(Viewport* vp) override {
        ClearRefusal();
        if (!vp)
            return Refuse("GetViewport: nowhere to put the viewport");
        *vp = front_.viewport;
        return kOk;
    }

    // ---- resources ----

    Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                         uint32_t format, uint32_t pool, Texture** out) override {
        if (out)
            *out = nullptr;
        if (Result r = Enter(FrontCall::CreateTexture, 0, 0); Failed(r))
            return r;
        const Caps& caps = Self().Limits();
        if (!out)
            return Refuse("CreateTexture: nowhere to put the texture");
        if (width == 0 || height == 0 || width > caps.maxTextureWidth ||
            height > caps.maxTextureHeight)
            return Refuse("CreateTexture: a side of 0 or past the caps");
        if (!IsColorFormat(format))
            return Refuse("CreateTexture: not a colour format");
        if (pool > Pool::SystemMem)
            return Refuse("CreateTexture: no such pool");
        // A render target is drawn into by the device: it lives in the device's own pool.
        if ((usage & Usage::RenderTarget) && pool != Pool::Default)
            return Refuse("CreateTexture: a render target outside the default pool");
        const uint32_t full = FullMipChain(width, height);
        if (levels == 0 || levels == kDefault)
            levels = full;
        if (levels > full)
            return Refuse("CreateTexture: more levels than the full chain");
        if (Result r = Self().TakesTextureFormat(usage, format); Failed(r))
            return r;
        if (TextureBytes(width, height, levels, format) > Self().MemoryLimit())
            return kErrOutOfVideoMemory;
        return Keep<Tex>(Self().NewTexture(width, height, levels, usage, format, pool), out);
    }
    Result CreateVertexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t fvf, uint32_t pool,
                              VertexBuffer** out) override {
        // A buffer of a vertex format holds one vertex at least.
        const bool fits = fvf == 0 || lengthBytes >= GetFvfVertexSize(fvf);
        return MakeBuffer<Vb>(FrontCall::CreateVertexBuffer, lengthBytes, usage, fvf, pool,
                              fits ? nullptr : "CreateVertexBuffer: shorter than one vertex", out);
    }
    Result CreateIndexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t format, uint32_t pool,
                             IndexBuffer** out) override {
        const bool fits = format == Fmt::Index16 || format == Fmt::Index32;
        return MakeBuffer<Ib>(FrontCall::CreateIndexBuffer, lengthBytes, usage, format, pool,
                              fits ? nullptr : "CreateIndexBuffer: neither 16- nor 32-bit indices",
                              out);
    }
    Result CreateImageSurface(uint32_t width, uint32_t height, uint32_t format,
                              Surface** out) override {
        if (out)
            *out = nullptr;
        if (Result r = Enter(FrontCall::CreateImageSurface, 0, 0); Failed(r))
            return r;
        if (!out)
            return Refuse("CreateImageSurface: nowhere to put the surface");
        if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide)
            return Refuse("CreateImageSurface: a side of 0 or past the largest picture");
        if (!IsColorFormat(format))
            return Refuse("CreateImageSurface: not a colour format");
        if (TextureBytes(width, height, 1, format) > Self().MemoryLimit())
            return kErrOutOfVideoMemory;
        *out = Self().NewSurface(width, height, format);
        return *out ? kOk : kErrOutOfVideoMemory;
    }

    // A resource of this device goes: nothing stays bound to it.
    void Forget(Tex* t) {
        Self().Forgetting(t);
        live_.Erase(t);
        for (Tex*& bound : front_.textures)
            if (bound == t)
                bound = nullptr;
    }
    void Forget(Vb* b) {
        Self().Forgetting(b);
        live_.Erase(b);
        if (front_.stream == b) {
            front_.stream = nullptr;
            front_.stride = 0;
        }
    }
    void Forget(Ib* b) {
        Self().Forgetting(b);
        live_.Erase(b);
        if (front_.indices == b)
            front_.indices = nullptr;
    }

    // ---- gamma and the pointer ----

    void SetGammaRamp(uint32_t, const GammaRamp* ramp) override {
        if (Failed(Enter(FrontCall::GammaRamp, 0, 0)) || !ramp)
            return;
        ramp_ = *ramp;
        Self().RampChanged();
    }
    void GetGammaRamp(GammaRamp* ramp) override {
        ClearRefusal();
        if (ramp)
            *ramp = ramp_;
    }
    // A 32-bit ARGB image surface, not locked, with the hot spot inside it.
    Result SetCursorProperties(uint32_t hotX, uint32_t hotY, Surface* image) override {
        if (Result r = Enter(FrontCall::Cursor, 0, 0); Failed(r))
            return r;
        auto* s = dynamic_cast<SystemSurface*>(image);
        if (!s)
            return Refuse("SetCursorProperties: not an image surface");
        if (s->Format() != Fmt::A8R8G8B8)
            return Refuse("SetCursorProperties: not a 32-bit ARGB surface");
        if (hotX >= s->Width() || hotY >= s->Height())
            return Refuse("SetCursorProperties: the hot spot lies outside the image");
        if (s->Locked())
            return Refuse("SetCursorProperties: the image is locked");
        Self().DoSetCursor(hotX, hotY, *s);
        return kOk;
    }
    int32_t ShowCursor(int32_t show) override {
        ClearRefusal();
        const int32_t was = cursorShown_ ? 1 : 0;
        cursorShown_ = show != 0;
        Self().CursorShown(cursorShown_);
        return was;
    }

protected:
    // Every back end builds its front, so none escapes the check of its hook
    // list, whether it starts the front or not.
    DeviceFront() { CheckHookList(std::make_index_sequence<static_cast<size_t>(Hook::Count)>()); }

    // The defaults of the back end's part.
    static constexpr Defaulted<bool> kDrawsFromLowestIndex{true};
    Defaulted<Result> Admit(FrontCall, uint32_t, uint32_t) { return {kOk}; }
    Defaulted<void> Changed(FrontCall) { return {}; }
    Defaulted<Result> CooperativeLevel() { return {kOk}; }
    Defaulted<void> SceneBegins() { return {}; }
    Defaulted<void> SceneEnds() { return {}; }
    Defaulted<void> RampChanged() { return {}; }
    // A device that shows its picture in a window: the window takes the
    // mode, and the pointer picture.
    Defaulted<void> ApplyMode(const PresentParams& p) {
        ApplyWindowMode(window_, p);
        return {};
    }
    Defaulted<void> DoSetCursor(uint32_t hotX, uint32_t hotY, const SystemSurface& s) {
        SetSurfaceCursor(window_, hotX, hotY, s);
        return {};
    }
    Defaulted<void> CursorShown(bool on) {
        ShowSurfaceCursor(window_, on);
        return {};
    }
    Defaulted<Result> TakesTextureFormat(uint32_t, uint32_t) { return {kOk}; }
    Defaulted<Result> TakesPresentParams(const PresentParams&) { return {kOk}; }
    Defaulted<const Caps&> Limits() const { return {caps_}; }
    Defaulted<uint64_t> MemoryLimit() const { return {kMaxResourceBytes}; }
    template <class R> Defaulted<void> Forgetting(R*) { return {}; }
    // The back end's own resources, made by their Create.
    Defaulted<Tex*> NewTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                               uint32_t format, uint32_t pool) {
        return {Tex::Create(&Self(), width, height, levels, usage, format, pool)};
    }
    Defaulted<Vb*> NewVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool) {
        return {Vb::Create(&Self(), length, usage, fvf, pool)};
    }
    Defaulted<Ib*> NewIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool) {
        return {Ib::Create(&Self(), length, usage, format, pool)};
    }
    Defaulted<Surface*> NewSurface(uint32_t width, uint32_t height, uint32_t format) {
        return {SystemSurface::Create(width, height, format)};
    }

    // The front of a new device showing in `window` with `pp` (complete) and
    // `caps`: the state after creation (RestoreFront) and the linear ramp.
    void StartFront(os::Window* window, const PresentParams& pp, const Caps& caps) {
        window_ = window;
        pp_ = pp;
        caps_ = caps;
        RestoreFront(pp.backBufferWidth, pp.backBufferHeight, pp.enableAutoDepthStencil != 0);
        ramp_ = LinearGammaRamp();
        Self().RampChanged();
    }
    // The state after device creation and each reset, for a back buffer of
    // bbWidth x bbHeight: the defaults, nothing bound, identity transforms,
    // the viewport over the whole back buffer.
    void RestoreFront(uint32_t bbWidth, uint32_t bbHeight, bool depthBuffer) {
        bbWidth_ = bbWidth;
        bbHeight_ = bbHeight;
        for (uint32_t i = 0; i < kRenderStateCount; ++i)
            front_.rs[i] = DefaultRenderState(i, depthBuffer);
        for (uint32_t st = 0; st < kStageCount; ++st)
            for (uint32_t i = 0; i < kStageStateCount; ++i)
                front_.ss[st][i] = DefaultStageState(st, i);
        for (Tex*& t : front_.textures)
            t = nullptr;
        front_.stream = nullptr;
        front_.indices = nullptr;
        front_.stride = front_.baseVertex = front_.fvf = 0;
        front_.world = front_.view = front_.proj = Matrix::Identity();
        front_.viewport = Viewport{0, 0, bbWidth, bbHeight, 0.0f, 1.0f};
        Self().Changed(FrontCall::Transform);
        Self().Changed(FrontCall::Viewport);
    }
    // The back-buffer rectangles a clear of `rects` (none: the whole
    // viewport) covers: each cut to the viewport, as only the viewport is
    // cleared (the letterbox bars rely on it); empty ones left out.
    // fn(x0, y0, x1, y1), right and bottom exclusive.
    template <class Fn> void ForEachClearRect(uint32_t count, const Rect* rects, Fn&& fn) const {
        const Viewport& vp = front_.viewport;
        const int64_t vx0 = vp.x, vy0 = vp.y, vx1 = vx0 + vp.width, vy1 = vy0 + vp.height;
        if (count == 0)
            fn(vx0, vy0, vx1, vy1);
        for (uint32_t i = 0; i < count; ++i) {
            const int64_t x0 = std::max<int64_t>(vx0, rects[i].left);
            const int64_t y0 = std::max<int64_t>(vy0, rects[i].top);
            const int64_t x1 = std::min<int64_t>(vx1, rects[i].right);
            const int64_t y1 = std::min<int64_t>(vy1, rects[i].bottom);
            if (x0 < x1 && y0 < y1)
                fn(x0, y0, x1, y1);
        }
    }
    // World, View or Projection of `s` (the shadow, const or not); null for
    // any other transform.
    template <class S> static auto TransformOf(S& s, uint32_t which) -> decltype(&s.world) {
        switch (which) {
        case Ts::World:
            return &s.world;
        case Ts::View:
            return &s.view;
        case Ts::Projection:
            return &s.proj;
        default:
            return nullptr;
        }
    }

    Shadow front_;
    uint32_t bbWidth_ = 0, bbHeight_ = 0;
    os::Window* window_ = nullptr;
    PresentParams pp_;
    Caps caps_;
    GammaRamp ramp_;
    bool inScene_ = false;
    bool cursorShown_ = false;
    LiveResources<Tex, Vb, Ib> live_;

private:
    // Whether the back end gives hook `h` itself: the call the front makes
    // then answers with the back end's type rather than a Defaulted one.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
    static constexpr bool Gives(Hook h) {
        using B = Backend&;
        switch (h) {
        case Hook::Admit:
            return !kIsDefaulted<decltype(std::declval<B>().Admit(FrontCall{}, 0u, 0u))>;
        case Hook::Changed:
            return !kIsDefaulted<decltype(std::declval<B>().Changed(FrontCall{}))>;
        case Hook::CooperativeLevel:
            return !kIsDefaulted<decltype(std::declval<B>().CooperativeLevel())>;
        case Hook::SceneBegins:
            return !kIsDefaulted<decltype(std::declval<B>().SceneBegins())>;
        case Hook::SceneEnds:
            return !kIsDefaulted<decltype(std::declval<B>().SceneEnds())>;
        case Hook::RampChanged:
            return !kIsDefaulted<decltype(std::declval<B>().RampChanged())>;
        case Hook::ApplyMode:
            return !kIsDefaulted<decltype(std::declval<B>().ApplyMode(
                std::declval<const PresentParams&>()))>;
        case Hook::DoSetCursor:
            return !kIsDefaulted<decltype(std::declval<B>().DoSetCursor(
                0u, 0u, std::declval<const SystemSurface&>()))>;
        case Hook::CursorShown:
            return !kIsDefaulted<decltype(std::declval<B>().CursorShown(true))>;
        case Hook::NewTexture:
            return !kIsDefaulted<decltype(std::declval<B>().NewTexture(0u, 0u, 0u, 0u, 0u, 0u))>;
        case Hook::NewVertexBuffer:
            return !kIsDefaulted<decltype(std::declval<B>().NewVertexBuffer(0u, 0u, 0u, 0u))>;
        case Hook::NewIndexBuffer:
            return !kIsDefaulted<decltype(std::declval<B>().NewIndexBuffer(0u, 0u, 0u, 0u))>;
        case Hook::NewSurface:
            return !kIsDefaulted<decltype(std::declval<B>().NewSurface(0u, 0u, 0u))>;
        case Hook::TakesTextureFormat:
            return !kIsDefaulted<decltype(std::declval<B>().TakesTextureFormat(0u, 0u))>;
        case Hook::TakesPresentParams:
            return !kIsDefaulted<decltype(std::declval<B>().TakesPresentParams(
                std::declval<const PresentParams&>()))>;
        case Hook::Limits:
            return !kIsDefaulted<decltype(std::declval<B>().Limits())>;
        case Hook::MemoryLimit:
            return !kIsDefaulted<decltype(std::declval<B>().MemoryLimit())>;
        case Hook::DrawsFromLowestIndex:
            return !kIsDefaulted<std::remove_cv_t<decltype(Backend::kDrawsFromLowestIndex)>>;
        case Hook::Forgetting:
            return !kIsDefaulted<decltype(std::declval<B>().Forgetting(
                       static_cast<Tex*>(nullptr)))> ||
                   !kIsDefaulted<decltype(std::declval<B>().Forgetting(
                       static_cast<Vb*>(nullptr)))> ||
                   !kIsDefaulted<decltype(std::declval<B>().Forgetting(static_cast<Ib*>(nullptr)))>;
        case Hook::Count:
            return false;
        }
        return false;
    }
#pragma GCC diagnostic pop
    static constexpr bool Lists(Hook h) {
        return std::find(std::begin(Backend::kHooks), std::end(Backend::kHooks), h) !=
               std::end(Backend::kHooks);
    }
    // A hook a back end gives and its list agree; the compiler names the
    // one that does not (it is misspelt, or missing from the list or from
    // the back end).
    template <Hook kHook> static constexpr void CheckHook() {
        static_assert(Gives(kHook) == Lists(kHook),
                      "the back end's hook and its kHooks list disagree");
    }
    template <size_t... kI> static constexpr void CheckHookList(std::index_sequence<kI...>) {
        (CheckHook<static_cast<Hook>(kI)>(), ...);
    }

    // Each call starts with no refusal of its own, so that LastRefusal names
    // this call's reason or nothing; then the back end may refuse it.
    Result Enter(FrontCall call, uint32_t a, uint32_t b) {
        ClearRefusal();
        return Self().Admit(call, a, b);
    }
    Backend& Self() {
        return static_cast<Backend&>(*this);
    }
    const Backend& Self() const {
        return static_cast<const Backend&>(*this);
    }
    // `r` as one of this device's own resources; null for null, another back
    // end's object or another device's.
    template <class Own, class Interface> Own* Mine(Interface* r) {
        auto* own = dynamic_cast<Own*>(r);
        return own && own->Owner() == static_cast<const Backend*>(this) ? own : nullptr;
    }
    // A buffer of `length` bytes whose format fits it (misfit: why not, or
    // null).
    template <class Buffer, class Interface>
    Result MakeBuffer(FrontCall call, uint32_t length, uint32_t usage, uint32_t format,
                      uint32_t pool, const char* misfit, Interface** out) {
        constexpr bool kVertices = std::is_same_v<Buffer, Vb>;
        if (out)
            *out = nullptr;
        if (Result r = Enter(call, 0, 0); Failed(r))
            return r;
        if (!out)
            return Refuse(kVertices ? "CreateVertexBuffer: nowhere to put the buffer"
                                    : "CreateIndexBuffer: nowhere to put the buffer");
        if (length == 0)
            return Refuse(kVertices ? "CreateVertexBuffer: a length of 0"
                                    : "CreateIndexBuffer: a length of 0");
        if (pool > Pool::SystemMem)
            return Refuse(kVertices ? "CreateVertexBuffer: no such pool"
                                    : "CreateIndexBuffer: no such pool");
        if (misfit)
            return Refuse(misfit);
        if (length > Self().MemoryLimit())
            return kErrOutOfVideoMemory;
        if constexpr (kVertices)
            return Keep<Vb>(Self().NewVertexBuffer(length, usage, format, pool), out);
        else
            return Keep<Ib>(Self().NewIndexBuffer(length, usage, format, pool), out);
    }
    // A new resource is recorded live and handed out.
    template <class R, class Interface> Result Keep(R* made, Interface** out) {
        if (!made)
            return kErrOutOfVideoMemory;
        live_.Add(made);
        *out = made;
        return kOk;
    }
};

} // namespace gpu
