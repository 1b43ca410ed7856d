// Every back end answers the device API's calls alike: GL, our rasteriser and
// the recording device take or refuse the same draws, viewports, states,
// transforms, clears and locks, and start from the same defaults.
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

} // namespace

TEST(DeviceFront, EveryBackEndAnswersEveryCallAlike) {
    const Matrix id = Matrix::Identity();
    const Viewport deep{0, 0, 64, 64, 0.0f, 2.0f}, wide{0, 0, 1025, 64, 0.0f, 1.0f};
    const Viewport fine{8, 8, 64, 64, 0.0f, 1.0f};
    const Rect empty{1, 1, 1, 3}, inside{1, 1, 3, 3};
    const PresentParams made{
        .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = Fmt::X8R8G8B8};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
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
        {{"empty texture rect", [&](Device* d) { return LockTexture(d, &empty, false); }},
         kErrInvalidCall},
        {{"texture rect", [&](Device* d) { return LockTexture(d, &inside, false); }}, kOk},
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
        testsupport::Owned<VertexBuffer> vbOwned(vb);
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
