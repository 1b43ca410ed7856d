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

// A second lock of a buffer while the first one holds, then the unlock.
template <class Buffer> Result LockTwice(Buffer* b) {
    uint8_t *p = nullptr, *q = nullptr;
    if (Result r = b->Lock(0, 8, &p, 0); Failed(r))
        return r;
    const Result second = b->Lock(8, 8, &q, Lock::NoOverwrite);
    b->Unlock();
    return second;
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
    if (!Failed(r) && twice)
        r = t->LockRect(0, &again, nullptr, 0);
    t->UnlockRect(0);
    return r;
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
    d->SetIndices(ib, 0);
    return r;
}

Result ResetTo(Device* d, PresentParams pp) {
    return d->Reset(&pp);
}

} // namespace

TEST(DeviceFront, EveryBackEndAnswersEveryCallAlike) {
    const Matrix id = Matrix::Identity();
    const Viewport deep{0, 0, 64, 64, 0.0f, 2.0f}, wide{0, 0, 1025, 64, 0.0f, 1.0f};
    const Viewport fine{8, 8, 64, 64, 0.0f, 1.0f};
    const Rect empty{1, 1, 1, 3}, inside{1, 1, 3, 3};
    const PresentParams made{
        .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = Fmt::X8R8G8B8};
    VertexBuffer *vb = nullptr, *vb240 = nullptr;
    IndexBuffer* ib = nullptr;
    GammaRamp ramp;
    // In order; each call runs on what the ones before left bound.
    const std::pair<FrontCall, Result> table[] = {
        {{"draw outside a scene", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }}, kOk},
        {{"no primitives", [](Device* d) { return Draw(d, Prim::TriangleList, 0); }}, kOk},
        {{"strip", [](Device* d) { return Draw(d, Prim::TriangleStrip, 2); }}, kOk},
        {{"fan", [](Device* d) { return Draw(d, 6, 1); }}, kErrInvalidCall},
        {{"points", [](Device* d) { return Draw(d, 1, 1); }}, kErrInvalidCall},
        {{"indices past the end", [](Device* d) { return Draw(d, Prim::TriangleList, 3); }},
         kErrInvalidCall},
        {{"wider stride", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }}, kOk},
        {{"short stride", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall},
        {{"another vertex format", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall},
        {{"depths past 1", [&](Device* d) { return d->SetViewport(&deep); }}, kErrInvalidCall},
        {{"wider than the back buffer", [&](Device* d) { return d->SetViewport(&wide); }},
         kErrInvalidCall},
        {{"viewport", [&](Device* d) { return d->SetViewport(&fine); }}, kOk},
        {{"render state 174", [](Device* d) { return d->SetRenderState(174, 1); }},
         kErrInvalidCall},
        {{"stage state 0", [](Device* d) { return d->SetTextureStageState(0, 0, 1); }},
         kErrInvalidCall},
        {{"stage 8", [](Device* d) { return d->SetTextureStageState(8, 1, 1); }}, kErrInvalidCall},
        {{"world", [&](Device* d) { return d->SetTransform(Ts::World, &id); }}, kOk},
        {{"texture transform", [&](Device* d) { return d->SetTransform(16, &id); }},
         kErrInvalidCall},
        {{"second world matrix", [&](Device* d) { return d->SetTransform(257, &id); }},
         kErrInvalidCall},
        {{"read a texture transform",
          [](Device* d) {
              Matrix m;
              return d->GetTransform(16, &m);
          }},
         kErrInvalidCall},
        {{"clear nothing", [](Device* d) { return ClearDepth(d, 0, 1.0f); }}, kOk},
        {{"clear unknown flags", [](Device* d) { return ClearDepth(d, 8, 1.0f); }},
         kErrInvalidCall},
        {{"clear depth past 1", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, 1.5f); }},
         kErrInvalidCall},
        {{"clear depth NaN", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, NAN); }},
         kErrInvalidCall},
        {{"clear target, z unused",
          [](Device* d) { return ClearDepth(d, ClearFlag::Target, 2.0f); }},
         kOk},
        {{"clear depth", [](Device* d) { return ClearDepth(d, ClearFlag::ZBuffer, 0.5f); }}, kOk},
        {{"clear stencil of D16",
          [](Device* d) { return ClearDepth(d, ClearFlag::Stencil, 1.0f); }},
         kErrInvalidCall},
        {{"clear rects missing", [](Device* d) { return d->Clear(1, nullptr, 1, 0, 1.0f, 0); }},
         kErrInvalidCall},
        {{"nested vertex lock", [&](Device*) { return LockTwice(vb); }}, kErrInvalidCall},
        {{"nested index lock", [&](Device*) { return LockTwice(ib); }}, kErrInvalidCall},
        {{"discard and no-overwrite",
          [&](Device*) {
              uint8_t* p = nullptr;
              return vb->Lock(0, 32, &p, Lock::Discard | Lock::NoOverwrite);
          }},
         kErrInvalidCall},
        {{"discard fills", [&](Device*) { return DiscardShowsTheFill(vb); }}, kOk},
        {{"lock past the end",
          [&](Device*) {
              uint8_t* p = nullptr;
              return vb->Lock(8 * 32 - 16, 32, &p, 0);
          }},
         kErrInvalidCall},
        {{"nested texture lock", [](Device* d) { return LockTexture(d, nullptr, true); }},
         kErrInvalidCall},
        {{"lock past the last level",
          [](Device* d) {
              Texture* t = nullptr;
              d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
              testsupport::Owned<Texture> owned(t);
              LockedRect lr;
              return t->LockRect(1, &lr, nullptr, 0);
          }},
         kErrInvalidCall},
        {{"unlock what is not locked",
          [](Device* d) {
              Texture* t = nullptr;
              d->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
              testsupport::Owned<Texture> owned(t);
              return t->UnlockRect(0);
          }},
         kErrInvalidCall},
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
         kErrInvalidCall},
        {{"10 levels on 39x14",
          [](Device* d) { return MakeTexture(d, 39, 14, 10, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall},
        {{"full chain on 39x14",
          [](Device* d) { return MakeTexture(d, 39, 14, 0, 0, Fmt::A8R8G8B8, Pool::Managed, 6); }},
         kOk},
        {{"render target in the managed pool",
          [](Device* d) {
              return MakeTexture(d, 4, 4, 1, Usage::RenderTarget, Fmt::A8R8G8B8, Pool::Managed);
          }},
         kErrInvalidCall},
        {{"render target in the default pool",
          [](Device* d) {
              return MakeTexture(d, 4, 4, 1, Usage::RenderTarget, Fmt::A8R8G8B8, Pool::Default);
          }},
         kOk},
        {{"A8 texture", [](Device* d) { return MakeTexture(d, 4, 4, 1, 0, Fmt::A8, Pool::Managed); }},
         kOk},
        {{"depth texture",
          [](Device* d) { return MakeTexture(d, 4, 4, 1, 0, Fmt::D16, Pool::Managed); }},
         kErrInvalidCall},
        {{"texture wider than the caps",
          [](Device* d) { return MakeTexture(d, 8193, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed); }},
         kErrInvalidCall},
        {{"16-byte vertex buffer", [](Device* d) { return MakeVertexBuffer(d, 16, kFvfGame); }},
         kErrInvalidCall},
        {{"16 bytes of no format", [](Device* d) { return MakeVertexBuffer(d, 16, 0); }}, kOk},
        {{"empty vertex buffer", [](Device* d) { return MakeVertexBuffer(d, 0, 0); }},
         kErrInvalidCall},
        {{"index buffer of bytes",
          [](Device* d) {
              IndexBuffer* b = nullptr;
              return d->CreateIndexBuffer(16, 0, Fmt::A8, Pool::Managed, &b);
          }},
         kErrInvalidCall},
        {{"cursor from a locked surface",
          [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 0, true); }},
         kErrInvalidCall},
        {{"cursor hot spot outside",
          [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 4, false); }},
         kErrInvalidCall},
        {{"cursor without alpha", [](Device* d) { return CursorFrom(d, Fmt::X8R8G8B8, 0, false); }},
         kErrInvalidCall},
        {{"cursor", [](Device* d) { return CursorFrom(d, Fmt::A8R8G8B8, 3, false); }}, kOk},
        {{"surface of a depth format",
          [](Device* d) {
              Surface* s = nullptr;
              return d->CreateImageSurface(4, 4, Fmt::D16, &s);
          }},
         kErrInvalidCall},
        {{"show the cursor, then the system's",
          [](Device* d) { return d->ShowCursor(1) == 0 && d->ShowCursor(0) == 1 ? kOk : kErrFail; }},
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
        {{"caps", [](Device* d) {
              Caps c;
              return !Failed(d->GetDeviceCaps(&c)) && c.maxPrimitiveCount == 65535 &&
                             c.maxVertexIndex == 65535
                         ? kOk
                         : kErrFail;
          }},
         kOk},
        {{"cooperative level", [](Device* d) { return d->TestCooperativeLevel(); }}, kOk},
        {{"begin scene", [](Device* d) { return d->BeginScene(); }}, kOk},
        {{"begin scene again", [](Device* d) { return d->BeginScene(); }}, kErrInvalidCall},
        {{"stride 64 over 240 bytes",
          [&](Device* d) { return DrawThrough(d, vb240, 64, ib, 2); }},
         kOk},
        {{"70,000 primitives", [&](Device* d) { return DrawThrough(d, vb, 32, nullptr, 70000); }},
         kErrInvalidCall},
        {{"end scene", [](Device* d) { return d->EndScene(); }}, kOk},
        {{"end scene again", [](Device* d) { return d->EndScene(); }}, kErrInvalidCall},
        {{"present", [](Device* d) { return d->Present(); }}, kOk},
        {{"texture to stage 8", [](Device* d) { return d->SetTexture(8, nullptr); }},
         kErrInvalidCall},
        {{"stream 1", [&](Device* d) { return d->SetStreamSource(1, vb, 32); }}, kErrInvalidCall},
        {{"empty texture rect", [&](Device* d) { return LockTexture(d, &empty, false); }},
         kErrInvalidCall},
        {{"texture rect", [&](Device* d) { return LockTexture(d, &inside, false); }}, kOk},
        {{"reset while a default-pool buffer lives",
          [&](Device* d) {
              VertexBuffer* b = nullptr;
              d->CreateVertexBuffer(64, 0, kFvfGame, Pool::Default, &b);
              testsupport::Owned<VertexBuffer> owned(b);
              return ResetTo(d, made);
          }},
         kErrInvalidCall},
        {{"reset without parameters", [](Device* d) { return d->Reset(nullptr); }},
         kErrInvalidCall},
        {{"reset to four back buffers",
          [&](Device* d) {
              PresentParams pp = made;
              pp.backBufferCount = 4;
              return ResetTo(d, pp);
          }},
         kErrInvalidCall},
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
         kErrInvalidCall},
        {{"draw after reset", [](Device* d) { return Draw(d, Prim::TriangleList, 1); }},
         kErrInvalidCall},
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
        testsupport::Owned<VertexBuffer> vbOwned(vb), vb240Owned(vb240);
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
        for (const auto& [c, want] : table) {
            if (std::strcmp(c.what, "wider stride") == 0)
                d->SetStreamSource(0, vb, 64);
            if (std::strcmp(c.what, "short stride") == 0)
                d->SetStreamSource(0, vb, 28);
            if (std::strcmp(c.what, "another vertex format") == 0) {
                d->SetStreamSource(0, vb, 32);
                d->SetVertexShader(0x142);
            }
            EXPECT_EQ(c.call(d), want) << who.driver << ": " << c.what;
        }
    }
}
