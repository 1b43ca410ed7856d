// Every back end answers the device API's calls alike: GL, our rasteriser and
// the recording device take or refuse the same draws, viewports and states.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "platform/gpu/DisplayApi.h"
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

} // namespace

TEST(DeviceFront, EveryBackEndAnswersEveryCallAlike) {
    const Matrix id = Matrix::Identity();
    const Viewport deep{0, 0, 64, 64, 0.0f, 2.0f}, wide{0, 0, 1025, 64, 0.0f, 1.0f};
    const Viewport fine{8, 8, 64, 64, 0.0f, 1.0f};
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
    };

    std::unique_ptr<os::Window> window(os::Window::Create("front", 1024, 768, nullptr));
    if (!window)
        GTEST_SKIP() << "no window";
    const std::function<Api*()> backEnds[] = {
        [] { return CreateRecordingApi(RecordingConfig{}); },
        [] { return new DisplayApi(DisplayApi::Devices::Soft); },
        [] { return new DisplayApi(DisplayApi::Devices::Gl); },
    };
    for (const auto& make : backEnds) {
        testsupport::ApiPtr api(make());
        PresentParams pp{
            .backBufferWidth = 1024, .backBufferHeight = 768, .backBufferFormat = Fmt::X8R8G8B8};
        Device* d = nullptr;
        ASSERT_EQ(api->CreateDevice(0, kDeviceHal, window.get(), kCreateHardwareVertexProcessing,
                                    &pp, &d),
                  kOk);
        testsupport::Owned<Device> dev(d);
        VertexBuffer* vb = nullptr;
        IndexBuffer* ib = nullptr;
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
