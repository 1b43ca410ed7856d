#pragma once
// The answers every back end gives to the device API's calls before it acts
// on them, so that GL, our rasteriser and the recording device agree on each
// (a test on the recording device then passes or fails where the real ones
// would). Inline: a draw pays a few compares and no call.
//
// DeviceFront is the one place the state calls live: it keeps what the game
// set (render and stage states, bound textures, stream, indices, vertex
// format, transforms, viewport) in a shadow that the back end's draws read
// directly, as members of the device itself, and answers the Set and Get
// calls once for all three. A back end is told of the calls through hooks
// resolved at compile time (no virtual call is added anywhere), and keeps
// only what it does differently: GL notes changed matrices and viewports,
// the recording device counts calls and injects failures.
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
#include <cstdint>

#include "platform/gpu/DeviceDefaults.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/StageCombiner.h"

namespace gpu {

// Counts past this many primitives overflow a 32-bit index count.
constexpr uint32_t kMaxDrawPrimitives = 0x3FFFFFFF;

// Indices a draw of `primCount` primitives of `type` reads; 0 for a type the
// back ends do not draw.
inline uint32_t DrawIndexCount(uint32_t type, uint32_t primCount) {
    if (type == Prim::TriangleList)
        return primCount * 3;
    if (type == Prim::TriangleStrip)
        return primCount + 2;
    return 0;
}

// Whether a draw may go ahead with what is bound (the indices then still have
// to reach only vertices inside the vertex buffer, which each back end checks
// as it reads them). kOk with a primitive count of 0 means "draw nothing".
inline Result CheckDraw(uint32_t type, uint32_t primCount, uint32_t fvf, uint32_t stride,
                        bool buffersBound, bool bufferLocked) {
    if (!buffersBound || bufferLocked || fvf != kFvfGame || stride < sizeof(Vertex))
        return kErrInvalidCall;
    if ((type != Prim::TriangleList && type != Prim::TriangleStrip) ||
        primCount > kMaxDrawPrimitives)
        return kErrInvalidCall;
    return kOk;
}

inline Result CheckViewport(const Viewport* vp, uint32_t bbWidth, uint32_t bbHeight) {
    if (!vp || vp->width == 0 || vp->height == 0)
        return kErrInvalidCall;
    if (static_cast<uint64_t>(vp->x) + vp->width > bbWidth ||
        static_cast<uint64_t>(vp->y) + vp->height > bbHeight)
        return kErrInvalidCall;
    if (!(vp->minZ >= 0.0f && vp->minZ <= 1.0f && vp->maxZ >= 0.0f && vp->maxZ <= 1.0f))
        return kErrInvalidCall;
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
    if ((count != 0 && !rects) || (flags & ~kAll) != 0)
        return kErrInvalidCall;
    if (((flags & ClearFlag::ZBuffer) && !depth) || ((flags & ClearFlag::Stencil) && !stencil))
        return kErrInvalidCall;
    if ((flags & ClearFlag::ZBuffer) && !(z >= 0.0f && z <= 1.0f))
        return kErrInvalidCall;
    return kOk;
}

inline bool ValidRenderState(uint32_t state) {
    return state < kRenderStateCount;
}
inline bool ValidStageState(uint32_t stage, uint32_t state) {
    return stage < kStageCount && state > 0 && state < kStageStateCount;
}

// The state calls a back end is told of (before the front acts on them).
enum class FrontCall : uint8_t {
    RenderState,
    StageState,
    Texture,
    Stream,
    Indices,
    VertexShader,
    Transform,
    Viewport,
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

// The state calls of every back end. `Backend` derives from it and may hide
// the hooks below (befriending the front):
//   Result Admit(FrontCall, uint32_t a, uint32_t b): before any check; a
//     failure is returned as the call's answer. a, b: render state; stage and
//     stage state; 0 otherwise.
//   void Changed(FrontCall): after the shadow took a new value.
// Resources name their device by Owner(), which SetTexture, SetStreamSource
// and SetIndices compare with this device.
template <class Backend, class Tex, class Vb, class Ib> class DeviceFront : public Device {
public:
    using Shadow = DeviceShadow<Tex, Vb, Ib>;

    Result SetRenderState(uint32_t state, uint32_t value) override {
        if (Result r = Self().Admit(FrontCall::RenderState, state, 0); Failed(r))
            return r;
        if (!ValidRenderState(state))
            return kErrInvalidCall;
        front_.rs[state] = value;
        return kOk;
    }
    Result GetRenderState(uint32_t state, uint32_t* value) override {
        if (!ValidRenderState(state) || !value)
            return kErrInvalidCall;
        *value = front_.rs[state];
        return kOk;
    }
    Result SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) override {
        if (Result r = Self().Admit(FrontCall::StageState, stage, state); Failed(r))
            return r;
        if (!ValidStageState(stage, state))
            return kErrInvalidCall;
        front_.ss[stage][state] = value;
        return kOk;
    }
    Result GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) override {
        if (!ValidStageState(stage, state) || !value)
            return kErrInvalidCall;
        *value = front_.ss[stage][state];
        return kOk;
    }
    Result SetTexture(uint32_t stage, Texture* texture) override {
        if (Result r = Self().Admit(FrontCall::Texture, 0, 0); Failed(r))
            return r;
        Tex* t = Mine<Tex>(texture);
        if (stage >= kStageCount || (texture && !t))
            return kErrInvalidCall;
        front_.textures[stage] = t;
        return kOk;
    }
    Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) override {
        if (Result r = Self().Admit(FrontCall::Stream, 0, 0); Failed(r))
            return r;
        Vb* b = Mine<Vb>(vb);
        // The game draws from stream 0 only.
        if (stream != 0 || (vb && (!b || stride == 0)))
            return kErrInvalidCall;
        front_.stream = b;
        front_.stride = b ? stride : 0;
        return kOk;
    }
    Result SetIndices(IndexBuffer* ib, uint32_t baseVertexIndex) override {
        if (Result r = Self().Admit(FrontCall::Indices, 0, 0); Failed(r))
            return r;
        Ib* b = Mine<Ib>(ib);
        if (ib && !b)
            return kErrInvalidCall;
        front_.indices = b;
        front_.baseVertex = baseVertexIndex;
        return kOk;
    }
    Result SetVertexShader(uint32_t fvf) override {
        if (Result r = Self().Admit(FrontCall::VertexShader, 0, 0); Failed(r))
            return r;
        front_.fvf = fvf;
        return kOk;
    }
    Result SetTransform(uint32_t which, const Matrix* m) override {
        if (Result r = Self().Admit(FrontCall::Transform, 0, 0); Failed(r))
            return r;
        Matrix* slot = TransformOf(front_, which);
        if (!m || !slot)
            return kErrInvalidCall;
        *slot = *m;
        Self().Changed(FrontCall::Transform);
        return kOk;
    }
    Result GetTransform(uint32_t which, Matrix* m) override {
        const Matrix* slot = TransformOf(front_, which);
        if (!m || !slot)
            return kErrInvalidCall;
        *m = *slot;
        return kOk;
    }
    Result SetViewport(const Viewport* vp) override {
        if (Result r = Self().Admit(FrontCall::Viewport, 0, 0); Failed(r))
            return r;
        if (Result r = CheckViewport(vp, bbWidth_, bbHeight_); Failed(r))
            return r;
        front_.viewport = *vp;
        Self().Changed(FrontCall::Viewport);
        return kOk;
    }
    Result GetViewport(Viewport* vp) override {
        if (!vp)
            return kErrInvalidCall;
        *vp = front_.viewport;
        return kOk;
    }

protected:
    // The hooks' defaults: admit every call, note nothing.
    Result Admit(FrontCall, uint32_t, uint32_t) { return kOk; }
    void Changed(FrontCall) {}

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
    // A resource is going away: nothing stays bound to it.
    void Unbind(const Tex* t) {
        for (Tex*& bound : front_.textures)
            if (bound == t)
                bound = nullptr;
    }
    void Unbind(const Vb* b) {
        if (front_.stream == b) {
            front_.stream = nullptr;
            front_.stride = 0;
        }
    }
    void Unbind(const Ib* b) {
        if (front_.indices == b)
            front_.indices = nullptr;
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

    // Whether a draw may go ahead with the bound buffers (CheckDraw).
    Result CheckBoundDraw(uint32_t type, uint32_t primCount) const {
        const bool bound = front_.stream && front_.indices;
        return CheckDraw(
            type, primCount, front_.fvf, front_.stride, bound,
            bound && (front_.stream->Store().Locked() || front_.indices->Store().Locked()));
    }

    Shadow front_;
    uint32_t bbWidth_ = 0, bbHeight_ = 0;

private:
    Backend& Self() { return static_cast<Backend&>(*this); }
    // `r` as one of this device's own resources; null for null, another back
    // end's object or another device's.
    template <class Own, class Interface> Own* Mine(Interface* r) {
        auto* own = dynamic_cast<Own*>(r);
        return own && own->Owner() == static_cast<const Backend*>(this) ? own : nullptr;
    }
};

} // namespace gpu
