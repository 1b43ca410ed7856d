// Every back end answers the device API's calls alike: GL, our rasteriser and
// the recording device take or refuse the same draws, viewports, states,
// transforms, clears, creations, locks, resets, presents, gamma ramps and
// cursors, and start from the same defaults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/os/Window.h"
#include "support/GpuOwned.h"

using namespace gpu;

namespace {

struct FrontCall {
    const char* what;
    std::function<Result(Device*)> call;
};

Result Draw(Device* d, uint32_t type, uint32_t prims) {
    return d->DrawIndexedPrimitive(type, 0, 4, 0, prims);
}

Result ClearDepth(Device* d, uint32_t flags, float z) {
    return d->Clear(0, nullptr, flags, 0, z, 0);
}

// `r` with its reason kept through the clean-up that follows the call (the
// clean-up's own calls start with no refusal, as every call does).
template <class Fn> Result KeepingReason(Result r, Fn&& cleanUp) {
    const char* why = LastRefusal();
    cleanUp();
    return Failed(r) && *why ? Refuse(why) : r;
}

// A second lock of a buffer while the first one holds, then the unlock.
template <class Buffer> Result LockTwice(Buffer* b) {
    uint8_t *p = nullptr, *q = nullptr;
    if (Result r = b->Lock(0, 8, &p, 0); Failed(r))
        return r;
    return KeepingReason(b->Lock(8, 8, &q, Lock::NoOverwrite), [&] { b->Unlock(); });
}

// A call of a resource that goes ahead right after a refused call of its
// device: kErrFail when it still reports the device's refusal.
template <class Call> Result FreshAfterARefusal(Device* d, Texture* t, Call&& call) {
    if (d->SetTexture(kStageCount, t) != kErrInvalidCall)
        return kErrFail;
    const Result r = call();
    return Failed(r) || *LastRefusal() == '\0' ? r : kErrFail;
}

// Whether a discarding lock hands out the fill, not what was written before.
Result DiscardShowsTheFill(VertexBuffer* vb) {
    uint8_t* p = nullptr;
    if (Result r = vb->Lock(0, 64, &p, 0); Failed(r))
        return r;
    std::memset(p, 0x11, 64);
    vb->Unlock();
    if (Result r = vb->Lock(0, 32, &p, Lock::Discard); Failed(r))
        return r;
    const bool filled = p[0] == BufferStore::kDiscardFill && p[63] == BufferStore::kDiscardFill;
    vb->Unlock();
    return filled ? kOk : kErrFail;
}

// A lock of a new texture's level with `rect`, and a second one while it holds.
Result LockTexture(Device* d, const Rect* rect, bool twice) {
    Texture* t = nullptr;
    if (Result r = d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t); Failed(r))
        return r;
    testsupport::Owned<Texture> owned(t);
    LockedRect lr, again;
    Result r = t->LockRect(0, &lr, rect, 0);
    if (Failed(r))
        return r;
    if (twice)
        r = t->LockRect(0, &again, nullptr, 0);
    return KeepingReason(r, [&] { t->UnlockRect(0); });
}

// A texture made with these arguments, released at once; kErrFail when it
// does not have `levels` levels.
Result MakeTexture(Device* d, uint32_t w, uint32_t h, uint32_t levels, uint32_t usage,
                   uint32_t format, uint32_t pool, uint32_t wantLevels = 0) {
    Texture* t = nullptr;
    Result r = d->CreateTexture(w, h, levels, usage, format, pool, &t);
    testsupport::Owned<Texture> owned(t);
    if (!Failed(r) && wantLevels && t->GetLevelCount() != wantLevels)
        return kErrFail;
    return r;
}

Result MakeVertexBuffer(Device* d, uint32_t bytes, uint32_t fvf) {
    VertexBuffer* vb = nullptr;
    Result r = d->CreateVertexBuffer(bytes, 0, fvf, Pool::Managed, &vb);
    testsupport::Owned<VertexBuffer> owned(vb);
    return r;
}

// A new 4x4 surface of `format`: locked while the cursor is set, when asked.
Result CursorFrom(Device* d, uint32_t format, uint32_t hotX, bool locked) {
    Surface* s = nullptr;
    if (Result r = d->CreateImageSurface(4, 4, format, &s); Failed(r))
        return r;
    testsupport::Owned<Surface> owned(s);
    LockedRect lr;
    if (locked && Failed(s->LockRect(&lr, nullptr, 0)))
        return kErrFail;
    return d->SetCursorProperties(hotX, 0, s);
}

// A draw of `prims` triangles through `vb` at `stride` (the quad's indices
// reach vertex 3) or through an index buffer of `prims` triangles of zeros.
Result DrawThrough(Device* d, VertexBuffer* vb, uint32_t stride, IndexBuffer* ib, uint32_t prims) {
    d->SetVertexShader(kFvfGame);
    d->SetStreamSource(0, vb, stride);
    IndexBuffer* zeros = nullptr;
    if (!ib && Failed(d->CreateIndexBuffer(prims * 6, 0, Fmt::Index16, Pool::Managed, &zeros)))
        return kErrFail;
    testsupport::Owned<IndexBuffer> owned(zeros);
    d->SetIndices(ib ? ib : zeros, 0);
    const Result r = Draw(d, Prim::TriangleList, prims);
    return r; // a released buffer of zeros unbinds itself
}

Result ResetTo(Device* d, PresentParams pp) {
    return d->Reset(&pp);
}

// A draw of the quad while `b` is locked.
template <class Buffer>
Result DrawWhileLocked(Device* d, Buffer* b, VertexBuffer* vb, IndexBuffer* ib) {
    uint8_t* p = nullptr;
    if (Failed(b->Lock(0, 0, &p, 0)))
        return kErrFail;
    return KeepingReason(DrawThrough(d, vb, sizeof(Vertex), ib, 2), [&] { b->Unlock(); });
}

// A reset of `pp` to a back buffer of w x h; kErrFail unless the viewport
// then covers it and the viewport's bounds are the new back buffer's.
Result ResetToSize(Device* d, PresentParams pp, uint32_t w, uint32_t h, bool windowed) {
    pp.backBufferWidth = w;
    pp.backBufferHeight = h;
    pp.windowed = windowed ? 1 : 0;
    if (Result r = d->Reset(&pp); Failed(r))
        return r;
    Viewport vp;
    d->GetViewport(&vp);
    const Viewport whole{0, 0, w, h, 0.0f, 1.0f}, wider{0, 0, w + 1, h, 0.0f, 1.0f},
        higher{0, 0, w, h + 1, 0.0f, 1.0f};
    const bool covers = vp.x == 0 && vp.y == 0 && vp.width == w && vp.height == h;
    const bool bounds = Failed(d->SetViewport(&wider)) && Failed(d->SetViewport(&higher)) &&
                        !Failed(d->SetViewport(&whole));
    return covers && bounds && pp.backBufferWidth == w && pp.backBufferHeight == h ? kOk : kErrFail;
}

// A row of the table: the call, its answer, and for a refusal its reason.
struct Row {
    FrontCall c;
    Result want;
    const char* why = nullptr;
};

} // namespace

TEST(DeviceFront, EveryBackEndAnswersEveryCallAlike) {
    const Matrix id = Matrix::Identity();
    const Viewport deep{0, 0, 64, 64, 0.0f, 2.0f}, wide{0, 0, 1025, 64, 0.0f, 1.0f};
    const Viewport fine{8, 8, 64, 64, 0.0f, 1.0f};
    const Rect empty{1, 1, 1, 3}, inside{1, 1, 3, 3};
    const PresentParams made{
        .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = Fmt::X8R8G8B8};
    VertexBuffer *vb = nullptr, *vb240 = nullptr, *vb200 = nullptr;
    IndexBuffer* ib = nullptr;
    GammaRamp ramp;
    // In order; each call runs on what the ones before left bound.
    const Row table[] = {
        {{"draw outside a scene", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }}, kOk},
        {{"no primitives", [](Device* d) { return Draw(d, Prim::TriangleList, 0); }}, kOk},
        {{"strip", [](Device* d) { return Draw(d, Prim::TriangleStrip, 2); }}, kOk},
        {{"fan", [](Device* d) { return Draw(d, 6, 1); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: neither a triangle list nor a strip"},
        {{"points", [](Device* d) { return Draw(d, 1, 1); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: neither a triangle list nor a strip"},
        {{"indices past the end", [](Device* d) { return Draw(d, Prim::TriangleList, 3); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: indices past the end of the index buffer"},
        {{"wider stride", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }}, kOk},
        {{"short stride", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: the stride is shorter than a vertex"},
        {{"another vertex format", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: not the game's vertex format"},
        {{"depths past 1", [&](Device* d) { return d->SetViewport(&deep); }},
         kErrInvalidCall,
         "SetViewport: a depth outside 0..1"},
        {{"wider than the back buffer", [&](Device* d) { return d->SetViewport(&wide); }},
         kErrInvalidCall,
         "SetViewport: the viewport leaves the back buffer"},
        {{"viewport", [&](Device* d) { return d->SetViewport(&fine); }}, kOk},
        {{"render state 174", [](Device* d) { return d->SetRenderState(174, 1); }},
         kErrInvalidCall,
         "SetRenderState: no such render state"},
        {{"stage state 0", [](Device* d) { return d->SetTextureStageState(0, 0, 1); }},
         kErrInvalidCall,
         "SetTextureStageState: no such stage or stage state"},
        {{"stage 8", [](Device* d) { return d->SetTextureStageState(8, 1, 1); }},
         kErrInvalidCall,
         "SetTextureStageState: no such stage or stage state"},
        {{"world", [&](Device* d) { return d->SetTransform(Ts::World, &id); }}, kOk},
        {{"texture transform", [&](Device* d) { return d->SetTransform(16, &id); }},
         kErrInvalidCall,
         "SetTransform: not World, View or Projection"},
        {{"second world matrix", [&](Device* d) { return d->SetTransform(257, &id); }},
         kErrInvalidCall,
         "SetTransform: not World, View or Projection"},
        {{"read a texture transform",
          [](Device* d) {
              Matrix m;
              return d->GetTransform(16, &m);
          }},
         kErrInvalidCall,
         "GetTransform: not World, View or Projection"},
        {{"clear nothing", [](Device* d) { return ClearDepth(d, 0, 1.0f); }}, kOk},
        {{"clear unknown flags", [](Device* d) { return ClearDepth(d, 8, 1.0f); }},
         kErrInvalidCall,
         "Clear: flags other than target, depth and stencil"},
        {{"clear depth past 1", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, 1.5f); }},
         kErrInvalidCall,
         "Clear: a depth outside 0..1"},
        {{"clear depth NaN", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, NAN); }},
         kErrInvalidCall,
         "Clear: a depth outside 0..1"},
        {{"clear target, z unused",
          [](Device* d) { return ClearDepth(d, ClearFlag::Target, 2.0f); }},
         kOk},
        {{"clear depth", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, 0.5f); }}, kOk},
        {{"clear stencil of D16",
          [](Device* d) { return ClearDepth(d, ClearFlag::Stencil, 1.0f); }},
         kErrInvalidCall,
         "Clear: stencil of a depth buffer without stencil"},
        {{"clear rects missing", [](Device* d) { return d->Clear(1, nullptr, 1, 0, 1.0f, 0); }},
         kErrInvalidCall,
         "Clear: a count of rectangles without them"},
        {{"nested vertex lock", [&](Device*) { return LockTwice(vb); }},
         kErrInvalidCall,
         "Lock: the buffer is locked already"},
        {{"nested index lock", [&](Device*) { return LockTwice(ib); }},
         kErrInvalidCall,
         "Lock: the buffer is locked already"},
        {{"discard and no-overwrite",
          [&](Device*) {
              uint8_t* p = nullptr;
              return vb->Lock(0, 32, &p, Lock::Discard | Lock::NoOverwrite);
          }},
         kErrInvalidCall,
         "Lock: both discard and no-overwrite"},
        {{"discard fills", [&](Device*) { return DiscardShowsTheFill(vb); }}, kOk},
        // Each call of a resource starts fresh, as the device's calls do.
        {{"calls of resources after a refused call",
          [&](Device* d) {
              Texture* t = nullptr;
              Surface* s = nullptr;
              d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
              d->CreateImageSurface(4, 4, Fmt::A8R8G8B8, &s);
              testsupport::Owned<Texture> ownedT(t);
              testsupport::Owned<Surface> ownedS(s);
              LockedRect lr;
              SurfaceDesc sd;
              BufferDesc bd;
              uint8_t* p = nullptr;
              const std::function<Result()> calls[] = {
                  [&] { return t->LockRect(0, &lr, nullptr, 0); },
                  [&] { return t->UnlockRect(0); },
                  [&] { return t->GetLevelDesc(0, &sd); },
                  [&] { return s->LockRect(&lr, nullptr, 0); },
                  [&] { return s->UnlockRect(); },
                  [&] { return s->GetDesc(&sd); },
                  [&] { return vb->Lock(0, 32, &p, 0); },
                  [&] { return vb->Unlock(); },
                  [&] { return ib->GetDesc(&bd); },
              };
              for (const auto& call : calls)
                  if (Result r = FreshAfterARefusal(d, t, call); r != kOk)
                      return r;
              return kOk;
          }},
         kOk},
        {{"lock past the end",
          [&](Device*) {
              uint8_t* p = nullptr;
              return vb->Lock(8 * 32 - 16, 32, &p, 0);
          }},
         kErrInvalidCall,
         "Lock: the range leaves the buffer"},
        {{"nested texture lock", [](Device* d) { return LockTexture(d, nullptr, true); }},
         kErrInvalidCall,
         "LockRect: the level is locked already"},
        {{"lock past the last level",
          [](Device* d) {
              Texture* t = nullptr;
              d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
              testsupport::Owned<Texture> owned(t);
              LockedRect lr;
              return t->LockRect(1, &lr, nullptr, 0);
          }},
         kErrInvalidCall,
         "LockRect: a level past the chain"},
        {{"unlock what is not locked",
          [](Device* d) {
              Texture* t = nullptr;
              d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
              testsupport::Owned<Texture> owned(t);
              return t->UnlockRect(0);
          }},
         kErrInvalidCall,
         "UnlockRect: the level is not locked"},
        {{"a level is a surface",
          [](Device* d) {
              Texture* t = nullptr;
              d->CreateTexture(4, 4, 0, 0, Fmt::R5G6B5, Pool::Managed, &t);
              testsupport::Owned<Texture> owned(t);
              SurfaceDesc desc;
              t->GetLevelDesc(1, &desc);
              return desc.type == Rtype::Surface && desc.width == 2 && desc.size == 8 ? kOk
                                                                                      : kErrFail;
          }},
         kOk},
        {{"9 levels on 4x4",
          [](Device* d) { return MakeTexture(d, 4, 4, 9, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall,
         "CreateTexture: more levels than the full chain"},
        {{"4 levels on 4x4",
          [](Device* d) { return MakeTexture(d, 4, 4, 4, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall,
         "CreateTexture: more levels than the full chain"},
        {{"10 levels on 39x14",
          [](Device* d) { return MakeTexture(d, 39, 14, 10, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall,
         "CreateTexture: more levels than the full chain"},
        {{"full chain on 39x14",
          [](Device* d) { return MakeTexture(d, 39, 14, 0, 0, Fmt::A8R8G8B8, Pool::Managed, 6); }},
         kOk},
        {{"render target in the managed pool",
          [](Device* d) {
              return MakeTexture(d, 4, 4, 1, Usage::RenderTarget, Fmt::A8R8G8B8, Pool::Managed);
          }},
         kErrInvalidCall,
         "CreateTexture: a render target outside the default pool"},
        {{"render target in the default pool",
          [](Device* d) {
              return MakeTexture(d, 4, 4, 1, Usage::RenderTarget, Fmt::A8R8G8B8, Pool::Default);
          }},
         kOk},
        {{"A8 texture",
          [](Device* d) { return MakeTexture(d, 4, 4, 1, 0, Fmt::A8, Pool::Managed); }},
         kOk},
        {{"depth texture",
          [](Device* d) { return MakeTexture(d, 4, 4, 1, 0, Fmt::D16, Pool::Managed); }},
         kErrInvalidCall,
         "CreateTexture: not a colour format"},
        {{"texture wider than the caps",
          [](Device* d) { return MakeTexture(d, 8193, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall,
         "CreateTexture: a side of 0 or past the caps"},
        {{"16-byte vertex buffer", [](Device* d) { return MakeVertexBuffer(d, 16, kFvfGame); }},
         kErrInvalidCall,
         "CreateVertexBuffer: shorter than one vertex"},
        {{"16 bytes of no format", [](Device* d) { return MakeVertexBuffer(d, 16, 0); }}, kOk},
        {{"empty vertex buffer", [](Device* d) { return MakeVertexBuffer(d, 0, 0); }},
         kErrInvalidCall,
         "CreateVertexBuffer: a length of 0"},
        {{"index buffer of bytes",
          [](Device* d) {
              IndexBuffer* b = nullptr;
              return d->CreateIndexBuffer(16, 0, Fmt::A8, Pool::Managed, &b);
          }},
         kErrInvalidCall,
         "CreateIndexBuffer: neither 16- nor 32-bit indices"},
        {{"cursor from a locked surface",
          [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 0, true); }},
         kErrInvalidCall,
         "SetCursorProperties: the image is locked"},
        {{"cursor hot spot outside",
          [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 4, false); }},
         kErrInvalidCall,
         "SetCursorProperties: the hot spot lies outside the image"},
        {{"cursor without alpha", [](Device* d) { return CursorFrom(d, Fmt::X8R8G8B8, 0, false); }},
         kErrInvalidCall,
         "SetCursorProperties: not a 32-bit ARGB surface"},
        {{"cursor", [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 3, false); }}, kOk},
        {{"surface of a depth format",
          [](Device* d) {
              Surface* s = nullptr;
              return d->CreateImageSurface(4, 4, Fmt::D16, &s);
          }},
         kErrInvalidCall,
         "CreateImageSurface: not a colour format"},
        {{"show the cursor, then the system's",
          [](Device* d) {
              return d->ShowCursor(1) == 0 && d->ShowCursor(0) == 1 ? kOk : kErrFail;
          }},
         kOk},
        {{"starts with the linear ramp",
          [&](Device* d) {
              d->GetGammaRamp(&ramp);
              return ramp.red[255] == 0xFFFF && ramp.blue[1] == 257 ? kOk : kErrFail;
          }},
         kOk},
        {{"ramp read back",
          [&](Device* d) {
              ramp.green[7] = 99;
              d->SetGammaRamp(0, &ramp);
              GammaRamp back{};
              d->GetGammaRamp(&back);
              return std::memcmp(&back, &ramp, sizeof(ramp)) == 0 ? kOk : kErrFail;
          }},
         kOk},
        {{"caps",
          [](Device* d) {
              Caps c;
              return !Failed(d->GetDeviceCaps(&c)) && c.maxPrimitiveCount == 65535 &&
                             c.maxVertexIndex == 65535
                         ? kOk
                         : kErrFail;
          }},
         kOk},
        {{"cooperative level", [](Device* d) { return d->TestCooperativeLevel(); }}, kOk},
        {{"begin scene", [](Device* d) { return d->BeginScene(); }}, kOk},
        {{"begin scene again", [](Device* d) { return d->BeginScene(); }},
         kErrInvalidCall,
         "BeginScene: a scene is already open"},
        {{"stride 64 over 240 bytes", [&](Device* d) { return DrawThrough(d, vb240, 64, ib, 2); }},
         kOk},
        {{"stride 64 over 200 bytes", [&](Device* d) { return DrawThrough(d, vb200, 64, ib, 2); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: a vertex past the end of the vertex buffer"},
        {{"draw during a vertex buffer lock",
          [&](Device* d) { return DrawWhileLocked(d, vb, vb, ib); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: the vertex buffer is locked"},
        {{"draw during an index buffer lock",
          [&](Device* d) { return DrawWhileLocked(d, ib, vb, ib); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: the index buffer is locked"},
        {{"70,000 primitives", [&](Device* d) { return DrawThrough(d, vb, 32, nullptr, 70000); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: more primitives than the caps allow"},
        {{"end scene", [](Device* d) { return d->EndScene(); }}, kOk},
        {{"end scene again", [](Device* d) { return d->EndScene(); }},
         kErrInvalidCall,
         "EndScene: no scene is open"},
        {{"present", [](Device* d) { return d->Present(); }}, kOk},
        {{"texture to stage 8", [](Device* d) { return d->SetTexture(8, nullptr); }},
         kErrInvalidCall,
         "SetTexture: no such stage"},
        {{"stream 1", [&](Device* d) { return d->SetStreamSource(1, vb, 32); }},
         kErrInvalidCall,
         "SetStreamSource: a stream other than 0"},
        {{"empty texture rect", [&](Device* d) { return LockTexture(d, &empty, false); }},
         kErrInvalidCall,
         "LockRect: the rectangle is empty or leaves the level"},
        {{"texture rect", [&](Device* d) { return LockTexture(d, &inside, false); }}, kOk},
        {{"reset while a default-pool buffer lives",
          [&](Device* d) {
              VertexBuffer* b = nullptr;
              d->CreateVertexBuffer(64, 0, kFvfGame, Pool::Default, &b);
              testsupport::Owned<VertexBuffer> owned(b);
              return ResetTo(d, made);
          }},
         kErrInvalidCall,
         "Reset: a default-pool resource is still alive"},
        {{"reset without parameters", [](Device* d) { return d->Reset(nullptr); }},
         kErrInvalidCall,
         "Reset: no present parameters"},
        {{"reset to four back buffers",
          [&](Device* d) {
              PresentParams pp = made;
              pp.backBufferCount = 4;
              return ResetTo(d, pp);
          }},
         kErrInvalidCall,
         "present parameters: more than three back buffers"},
        {{"present after a refused reset", [](Device* d) { return d->Present(); }}, kOk},
        {{"windowed 0x0 reset takes the window's size",
          [&](Device* d) {
              PresentParams pp = made;
              pp.backBufferWidth = pp.backBufferHeight = 0;
              const Result r = d->Reset(&pp);
              return !Failed(r) && pp.backBufferWidth == 1024 && pp.backBufferHeight == 768
                         ? r
                         : kErrFail;
          }},
         kOk},
        // Reset (which unbinds everything) to a device without depth.
        {{"reset without depth",
          [&](Device* d) {
              PresentParams pp = made;
              pp.enableAutoDepthStencil = 0;
              return d->Reset(&pp);
          }},
         kOk},
        {{"depth off by default",
          [](Device* d) {
              uint32_t z = 1;
              d->GetRenderState(Rs::ZEnable, &z);
              return z == 0 ? kOk : kErrFail;
          }},
         kOk},
        {{"clear missing depth", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, 1.0f); }},
         kErrInvalidCall,
         "Clear: depth of a device made without a depth buffer"},
        {{"draw after reset", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall,
         "DrawIndexedPrimitive: no vertex or index buffer bound"},
        {{"reset to 800x600", [&](Device* d) { return ResetToSize(d, made, 800, 600, true); }},
         kOk},
        {{"full-screen reset to an unlisted 333x222",
          [&](Device* d) { return ResetToSize(d, made, 333, 222, false); }},
         kOk},
        {{"reset to 1280x960", [&](Device* d) { return ResetToSize(d, made, 1280, 960, true); }},
         kOk},
    };

    std::unique_ptr<os::Window> window(os::Window::Create("front", 1024, 768, nullptr));
    if (!window)
        GTEST_SKIP() << "no window";
    const std::function<Api*()> backEnds[] = {
        [] { return CreateRecordingApi(RecordingConfig{}); },
        [] { return CreateSoftApi(); },
        [] { return CreateGlApi(); },
    };
    for (const auto& make : backEnds) {
        testsupport::ApiPtr api(make());
        PresentParams pp = made;
        Device* d = nullptr;
        ASSERT_EQ(api->CreateDevice(0, kDeviceHal, window.get(), kCreateHardwareVertexProcessing,
                                    &pp, &d),
                  kOk);
        testsupport::Owned<Device> dev(d);
        ASSERT_EQ(d->CreateVertexBuffer(8 * 32, 0, kFvfGame, Pool::Managed, &vb), kOk);
        ASSERT_EQ(d->CreateIndexBuffer(6 * 2, 0, Fmt::Index16, Pool::Managed, &ib), kOk);
        ASSERT_EQ(d->CreateVertexBuffer(240, 0, kFvfGame, Pool::Managed, &vb240), kOk);
        ASSERT_EQ(d->CreateVertexBuffer(200, 0, kFvfGame, Pool::Managed, &vb200), kOk);
        testsupport::Owned<VertexBuffer> vbOwned(vb), vb240Owned(vb240), vb200Owned(vb200);
        testsupport::Owned<IndexBuffer> ibOwned(ib);
        uint8_t* p = nullptr;
        ASSERT_EQ(ib->Lock(0, 12, &p, 0), kOk);
        const uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(p, quad, sizeof(quad));
        ASSERT_EQ(ib->Unlock(), kOk);
        d->SetVertexShader(kFvfGame);
        d->SetStreamSource(0, vb, 32);
        d->SetIndices(ib, 0);
        AdapterIdentifier who;
        api->GetAdapterIdentifier(0, 0, &who);
        for (const auto& [c, want, why] : table) {
            if (std::strcmp(c.what, "wider stride") == 0)
                d->SetStreamSource(0, vb, 64);
            if (std::strcmp(c.what, "short stride") == 0)
                d->SetStreamSource(0, vb, 28);
            if (std::strcmp(c.what, "another vertex format") == 0) {
                d->SetStreamSource(0, vb, 32);
                d->SetVertexShader(0x142);
            }
            Refuse("an older refusal");
            EXPECT_EQ(c.call(d), want) << who.driver << ": " << c.what;
            // A refusal says why, and the reason is the rule the row breaks;
            // a call that goes ahead leaves no reason, not even an older one.
            if (want == kErrInvalidCall) {
                EXPECT_STREQ(LastRefusal(), why ? why : "(a reason for the row)")
                    << who.driver << ": " << c.what;
            } else if (want == kOk) {
                EXPECT_STREQ(LastRefusal(), "") << who.driver << ": " << c.what;
            }
        }
    }
}
