// The recording device: defaults, counted sets, reset rules, loss, failure
// injection, draw records and resource rules.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

#include "RecordingFixture.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/recording/RecordingResources.h"
#include "support/DefaultRenderStates.h"

using namespace gpu;
using gputest::Owned;
using gputest::WindowedParams;

namespace {

class RecordingDeviceTest : public gputest::RecordingTest {
protected:
    void SetUp() override { Start(); }

    Owned<Texture> MakeTexture(uint32_t pool = Pool::Managed, uint32_t w = 4, uint32_t h = 4) {
        Texture* t = nullptr;
        EXPECT_EQ(device_->CreateTexture(w, h, 1, 0, Fmt::A8R8G8B8, pool, &t), kOk);
        return Owned<Texture>(t);
    }
    Owned<VertexBuffer> MakeVb(uint32_t vertices, uint32_t pool = Pool::Managed) {
        VertexBuffer* b = nullptr;
        EXPECT_EQ(device_->CreateVertexBuffer(vertices * 32, Usage::WriteOnly | Usage::Dynamic,
                                              kFvfGame, pool, &b),
                  kOk);
        return Owned<VertexBuffer>(b);
    }
    Owned<IndexBuffer> MakeIb(uint32_t indices, uint32_t pool = Pool::Managed) {
        IndexBuffer* b = nullptr;
        EXPECT_EQ(device_->CreateIndexBuffer(indices * 2, Usage::WriteOnly, Fmt::Index16, pool, &b),
                  kOk);
        return Owned<IndexBuffer>(b);
    }
    void FillQuad(VertexBuffer* vb, uint32_t firstVertex, uint32_t color) {
        uint8_t* p = nullptr;
        ASSERT_EQ(vb->Lock(firstVertex * 32, 4 * 32, &p, Lock::NoOverwrite), kOk);
        Vertex v[4] = {{0, 0, 0, color, 0, 0, 0, 0},
                       {1, 0, 0, color, 1, 0, 0, 0},
                       {0, 1, 0, color, 0, 1, 0, 0},
                       {1, 1, 0, color, 1, 1, 0, 0}};
        std::memcpy(p, v, sizeof v);
        ASSERT_EQ(vb->Unlock(), kOk);
    }
    void FillIndices(IndexBuffer* ib, uint32_t first, std::vector<uint16_t> idx) {
        uint8_t* p = nullptr;
        ASSERT_EQ(ib->Lock(first * 2, static_cast<uint32_t>(idx.size() * 2), &p, 0), kOk);
        std::memcpy(p, idx.data(), idx.size() * 2);
        ASSERT_EQ(ib->Unlock(), kOk);
    }
    void Bind(VertexBuffer* vb, IndexBuffer* ib) {
        ASSERT_EQ(device_->SetVertexShader(kFvfGame), kOk);
        ASSERT_EQ(device_->SetStreamSource(0, vb, 32), kOk);
        ASSERT_EQ(device_->SetIndices(ib, 0), kOk);
    }
};

TEST_F(RecordingDeviceTest, StartsFromTheOriginalDefaults) {
    for (auto e : testsupport::kDefaultRenderStates)
        EXPECT_EQ(rec_->RenderState(e.state), e.value) << "state " << e.state;

    // Every number 0..173 reads back, also those the engine only caches.
    uint32_t v;
    for (uint32_t s = 0; s < kRenderStateCount; ++s)
        ASSERT_EQ(device_->GetRenderState(s, &v), kOk);
    EXPECT_EQ(device_->GetRenderState(kRenderStateCount, &v), kErrInvalidCall);

    EXPECT_EQ(rec_->StageState(0, Tss::ColorOp), Top::Modulate);
    EXPECT_EQ(rec_->StageState(0, Tss::AlphaOp), Top::SelectArg1);
    for (uint32_t t = 0; t < kStageCount; ++t) {
        if (t > 0) {
            EXPECT_EQ(rec_->StageState(t, Tss::ColorOp), Top::Disable);
            EXPECT_EQ(rec_->StageState(t, Tss::AlphaOp), Top::Disable);
        }
        EXPECT_EQ(rec_->StageState(t, Tss::ColorArg1), Ta::Texture);
        EXPECT_EQ(rec_->StageState(t, Tss::ColorArg2), Ta::Current);
        EXPECT_EQ(rec_->StageState(t, Tss::AlphaArg1), Ta::Texture);
        EXPECT_EQ(rec_->StageState(t, Tss::AlphaArg2), Ta::Current);
        EXPECT_EQ(rec_->StageState(t, Tss::MagFilter), Tf::Point);
        EXPECT_EQ(rec_->StageState(t, Tss::MinFilter), Tf::Point);
        EXPECT_EQ(rec_->StageState(t, Tss::MipFilter), Tf::None);
        EXPECT_EQ(rec_->StageState(t, Tss::AddressU), Tadr::Wrap);
        EXPECT_EQ(rec_->StageState(t, Tss::AddressV), Tadr::Wrap);
        EXPECT_EQ(rec_->StageState(t, Tss::TexCoordIndex), t);
        for (uint32_t s = 1; s < kStageStateCount; ++s)
            ASSERT_EQ(device_->GetTextureStageState(t, s, &v), kOk);
    }
    EXPECT_EQ(device_->GetTextureStageState(0, 0, &v), kErrInvalidCall);
    EXPECT_EQ(device_->GetTextureStageState(0, kStageStateCount, &v), kErrInvalidCall);
    EXPECT_EQ(device_->GetTextureStageState(kStageCount, 1, &v), kErrInvalidCall);

    Viewport vp = rec_->CurrentViewport();
    EXPECT_EQ(vp.width, 1024u);
    EXPECT_EQ(vp.height, 768u);
}

TEST_F(RecordingDeviceTest, EverySetIsCountedAndStoredEvenUndefinedNumbers) {
    ASSERT_EQ(device_->SetRenderState(Rs::ZWriteEnable, 0), kOk);
    ASSERT_EQ(device_->SetRenderState(Rs::ZWriteEnable, 0), kOk); // a repeat still reaches us
    ASSERT_EQ(device_->SetRenderState(3, 77), kOk);               // a number nothing defines
    ASSERT_EQ(device_->SetTextureStageState(1, Tss::ColorOp, Top::Modulate), kOk);
    EXPECT_EQ(device_->SetRenderState(kRenderStateCount, 1), kErrInvalidCall);
    EXPECT_EQ(device_->SetTextureStageState(8, 1, 1), kErrInvalidCall);

    EXPECT_EQ(rec_->RenderStateSetCount(Rs::ZWriteEnable), 2u);
    EXPECT_EQ(rec_->RenderStateSetCount(3), 1u);
    EXPECT_EQ(rec_->CallCount(Call::SetRenderState), 4u);
    EXPECT_EQ(rec_->StageStateSetCount(1, Tss::ColorOp), 1u);
    EXPECT_EQ(rec_->CallCount(Call::SetTextureStageState), 2u);
    uint32_t v = 0;
    ASSERT_EQ(device_->GetRenderState(3, &v), kOk);
    EXPECT_EQ(v, 77u);
    EXPECT_EQ(rec_->StageState(1, Tss::ColorOp), Top::Modulate);

    auto tex = MakeTexture();
    ASSERT_EQ(device_->SetTexture(0, tex.get()), kOk);
    ASSERT_EQ(device_->SetTexture(0, tex.get()), kOk);
    ASSERT_EQ(device_->SetTexture(0, nullptr), kOk);
    EXPECT_EQ(rec_->CallCount(Call::SetTexture), 3u);
    Matrix m = Matrix::Identity();
    ASSERT_EQ(device_->SetTransform(Ts::Projection, &m), kOk);
    EXPECT_EQ(device_->SetTransform(1, &m), kErrInvalidCall);
    EXPECT_EQ(rec_->CallCount(Call::SetTransform), 2u);

    rec_->ClearRecords();
    EXPECT_EQ(rec_->CallCount(Call::SetRenderState), 0u);
    EXPECT_EQ(rec_->RenderStateSetCount(Rs::ZWriteEnable), 0u);
    EXPECT_EQ(rec_->RenderState(Rs::ZWriteEnable), 0u); // values are kept
}

TEST_F(RecordingDeviceTest, ResetIsRefusedWhileADefaultPoolResourceLives) {
    auto managed = MakeTexture(Pool::Managed);
    auto tex = MakeTexture(Pool::Default);
    auto vb = MakeVb(8, Pool::Default);
    auto ib = MakeIb(12, Pool::Default);
    EXPECT_EQ(rec_->LiveDefaultPoolResources(), 3u);
    PresentParams pp = WindowedParams(800, 600);

    EXPECT_EQ(device_->Reset(&pp), kErrInvalidCall);
    tex.reset();
    EXPECT_EQ(device_->Reset(&pp), kErrInvalidCall);
    vb.reset();
    EXPECT_EQ(device_->Reset(&pp), kErrInvalidCall);
    ib.reset();
    EXPECT_EQ(rec_->LiveDefaultPoolResources(), 0u);
    ASSERT_EQ(device_->Reset(&pp), kOk);
    EXPECT_EQ(rec_->LiveTextures(), 1u); // the managed texture survives
    EXPECT_EQ(rec_->CurrentPresentParams().backBufferWidth, 800u);
}

TEST_F(RecordingDeviceTest, ResetReturnsEveryStateToItsDefault) {
    auto tex = MakeTexture();
    auto vb = MakeVb(4);
    auto ib = MakeIb(6);
    device_->SetRenderState(Rs::Lighting, 0);
    device_->SetRenderState(Rs::CullMode, Cull::None);
    device_->SetTextureStageState(0, Tss::MagFilter, Tf::Linear);
    device_->SetTextureStageState(1, Tss::ColorOp, Top::SelectArg1);
    device_->SetTexture(0, tex.get());
    Bind(vb.get(), ib.get());
    Matrix m = Matrix::Identity();
    m.m[0][0] = 5;
    device_->SetTransform(Ts::World, &m);
    Viewport small{10, 10, 100, 100, 0, 1};
    ASSERT_EQ(device_->SetViewport(&small), kOk);

    PresentParams pp = WindowedParams(640, 480);
    ASSERT_EQ(device_->Reset(&pp), kOk);
    EXPECT_EQ(rec_->RenderState(Rs::Lighting), 1u);
    EXPECT_EQ(rec_->RenderState(Rs::CullMode), Cull::CCW);
    EXPECT_EQ(rec_->StageState(0, Tss::MagFilter), Tf::Point);
    EXPECT_EQ(rec_->StageState(1, Tss::ColorOp), Top::Disable);
    EXPECT_EQ(rec_->BoundTexture(0), nullptr);
    EXPECT_EQ(rec_->BoundVertexBuffer(), nullptr);
    EXPECT_EQ(rec_->BoundIndexBuffer(), nullptr);
    EXPECT_EQ(rec_->CurrentTransform(Ts::World).m[0][0], 1.0f);
    EXPECT_EQ(rec_->CurrentViewport().width, 640u);
    EXPECT_EQ(rec_->CurrentViewport().height, 480u);
}

TEST_F(RecordingDeviceTest, ScriptedLossGoesLostThenNotResetThenOk) {
    ASSERT_EQ(device_->Present(), kOk);
    rec_->LoseDevice(2);
    PresentParams pp = WindowedParams();

    EXPECT_EQ(device_->Present(), kErrDeviceLost);
    EXPECT_EQ(device_->TestCooperativeLevel(), kErrDeviceLost);
    EXPECT_EQ(device_->Reset(&pp), kErrDeviceLost); // cannot reset while lost
    EXPECT_EQ(device_->TestCooperativeLevel(), kErrDeviceLost);
    EXPECT_EQ(device_->TestCooperativeLevel(), kErrDeviceNotReset);
    EXPECT_EQ(device_->Present(), kErrDeviceLost);
    EXPECT_EQ(device_->TestCooperativeLevel(), kErrDeviceNotReset);

    // Drawing while the device is gone succeeds but leaves nothing.
    ASSERT_EQ(device_->Clear(0, nullptr, ClearFlag::Target, 0, 1.0f, 0), kOk);
    EXPECT_TRUE(rec_->Clears().empty());

    ASSERT_EQ(device_->Reset(&pp), kOk);
    EXPECT_EQ(device_->TestCooperativeLevel(), kOk);
    EXPECT_EQ(device_->Present(), kOk);
    EXPECT_EQ(rec_->FramesPresented(), 2u);
}

TEST(RecordingLoss, ConfiguredLossStrikesAtTheNthPresent) {
    RecordingConfig cfg;
    cfg.loss = {3, 1};
    Owned<Api> api(CreateRecordingApi(cfg));
    PresentParams pp = WindowedParams();
    Device* d = nullptr;
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateHardwareVertexProcessing, &pp, &d),
              kOk);
    Owned<Device> dev(d);
    EXPECT_EQ(d->Present(), kOk);
    EXPECT_EQ(d->Present(), kOk);
    EXPECT_EQ(d->Present(), kErrDeviceLost);
    EXPECT_EQ(d->TestCooperativeLevel(), kErrDeviceLost);
    EXPECT_EQ(d->TestCooperativeLevel(), kErrDeviceNotReset);
    ASSERT_EQ(d->Reset(&pp), kOk);
    EXPECT_EQ(d->Present(), kOk);
    EXPECT_EQ(AsRecording(d)->FramesPresented(), 3u);
}

TEST_F(RecordingDeviceTest, InjectedFailuresFailOnlyTheChosenCalls) {
    rec_->FailNext(Call::SetRenderState, 2, kErrFail);
    EXPECT_EQ(device_->SetRenderState(Rs::AlphaRef, 1), kOk);
    EXPECT_EQ(device_->SetRenderState(Rs::AlphaRef, 2), kErrFail);
    EXPECT_EQ(rec_->RenderState(Rs::AlphaRef), 1u); // a failed set changes nothing
    EXPECT_EQ(device_->SetRenderState(Rs::AlphaRef, 3), kOk);

    auto tex = MakeTexture();
    rec_->FailNext(Call::SetTexture);
    EXPECT_EQ(device_->SetTexture(0, tex.get()), kErrInvalidCall);
    EXPECT_EQ(rec_->BoundTexture(0), nullptr);

    rec_->FailNext(Call::LockTexture);
    LockedRect lr;
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), kErrInvalidCall);
    EXPECT_EQ(lr.bits, nullptr);
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), kOk);
    ASSERT_EQ(tex->UnlockRect(0), kOk);

    auto vb = MakeVb(4);
    rec_->FailNext(Call::LockVertexBuffer, 1, kErrDeviceLost);
    uint8_t* p = reinterpret_cast<uint8_t*>(1);
    EXPECT_EQ(vb->Lock(0, 32, &p, 0), kErrDeviceLost);
    EXPECT_EQ(p, nullptr);

    rec_->FailNext(Call::CreateTexture, 1, kErrOutOfVideoMemory);
    Texture* t = reinterpret_cast<Texture*>(1);
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t),
              kErrOutOfVideoMemory);
    EXPECT_EQ(t, nullptr);
    rec_->FailNext(Call::CreateVertexBuffer);
    VertexBuffer* b = nullptr;
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, kFvfGame, Pool::Managed, &b), kErrInvalidCall);

    rec_->FailNext(Call::Present, 1, kErrDeviceLost);
    EXPECT_EQ(device_->Present(), kErrDeviceLost);
    EXPECT_EQ(device_->Present(), kOk);
    EXPECT_EQ(rec_->FramesPresented(), 1u);
}

// Each call the front admits, failed in turn: that call answers with the
// failure and no other does, so a call counted as another fails the wrong one.
TEST_F(RecordingDeviceTest, EachCallFailsAloneWhenItsFailureIsInjected) {
    auto vb = MakeVb(4);
    auto ib = MakeIb(6);
    auto tex = MakeTexture();
    FillQuad(vb.get(), 0, 0xFFFFFFFF);
    FillIndices(ib.get(), 0, {0, 1, 2, 2, 1, 3});
    Surface* image = nullptr;
    ASSERT_EQ(device_->CreateImageSurface(32, 32, Fmt::A8R8G8B8, &image), kOk);
    Owned<Surface> cursor(image);
    const Matrix m = Matrix::Identity();
    const Viewport vp{0, 0, 1024, 768, 0.0f, 1.0f};
    auto made = [](auto* r) {
        Owned<std::remove_pointer_t<decltype(r)>> keep(r);
        return kOk;
    };
    const std::pair<Call, std::function<Result()>> calls[] = {
        {Call::TestCooperativeLevel, [&] { return device_->TestCooperativeLevel(); }},
        {Call::Reset,
         [&] {
             PresentParams pp = WindowedParams();
             return device_->Reset(&pp);
         }},
        {Call::SetVertexShader, [&] { return device_->SetVertexShader(kFvfGame); }},
        {Call::SetStreamSource, [&] { return device_->SetStreamSource(0, vb.get(), 32); }},
        {Call::SetIndices, [&] { return device_->SetIndices(ib.get(), 0); }},
        {Call::SetTexture, [&] { return device_->SetTexture(0, tex.get()); }},
        {Call::SetRenderState, [&] { return device_->SetRenderState(Rs::AlphaRef, 9); }},
        {Call::SetTextureStageState,
         [&] { return device_->SetTextureStageState(0, Tss::ColorOp, Top::Modulate); }},
        {Call::SetTransform, [&] { return device_->SetTransform(Ts::World, &m); }},
        {Call::SetViewport, [&] { return device_->SetViewport(&vp); }},
        {Call::BeginScene, [&] { return device_->BeginScene(); }},
        {Call::Clear, [&] { return device_->Clear(0, nullptr, ClearFlag::Target, 0, 1, 0); }},
        {Call::DrawIndexedPrimitive,
         [&] { return device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2); }},
        {Call::EndScene, [&] { return device_->EndScene(); }},
        {Call::Present, [&] { return device_->Present(); }},
        {Call::SetGammaRamp,
         [&] {
             // Answers nothing: a ramp it did not take is its failure.
             GammaRamp want, got;
             device_->GetGammaRamp(&want);
             ++want.red[1];
             device_->SetGammaRamp(0, &want);
             device_->GetGammaRamp(&got);
             return std::memcmp(&want, &got, sizeof want) == 0 ? kOk : kErrFail;
         }},
        {Call::SetCursorProperties, [&] { return device_->SetCursorProperties(0, 0, image); }},
        {Call::CreateTexture,
         [&] {
             Texture* t = nullptr;
             const Result r = device_->CreateTexture(4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t);
             return Failed(r) ? r : made(t);
         }},
        {Call::CreateVertexBuffer,
         [&] {
             VertexBuffer* b = nullptr;
             const Result r = device_->CreateVertexBuffer(64, 0, kFvfGame, Pool::Managed, &b);
             return Failed(r) ? r : made(b);
         }},
        {Call::CreateIndexBuffer,
         [&] {
             IndexBuffer* b = nullptr;
             const Result r = device_->CreateIndexBuffer(64, 0, Fmt::Index16, Pool::Managed, &b);
             return Failed(r) ? r : made(b);
         }},
        {Call::CreateImageSurface,
         [&] {
             Surface* s = nullptr;
             const Result r = device_->CreateImageSurface(4, 4, Fmt::A8R8G8B8, &s);
             return Failed(r) ? r : made(s);
         }},
    };
    for (const auto& [failed, unused] : calls) {
        rec_->FailNext(failed, 1, kErrFail);
        for (size_t i = 0; i < std::size(calls); ++i) {
            Refuse("an older refusal");
            const Result r = calls[i].second();
            // A call that goes ahead leaves no reason behind.
            if (r == kOk) {
                EXPECT_STREQ(LastRefusal(), "") << "call " << i;
            }
            // A call after a failed one may be refused for what that left
            // undone, never with the injected failure.
            if (calls[i].first == failed)
                EXPECT_EQ(r, kErrFail) << "call " << i << " not failed";
            else
                EXPECT_NE(r, kErrFail)
                    << "call " << i << " failed for call " << static_cast<int>(failed);
        }
        device_->EndScene(); // closes a scene whose end was failed
    }
}

TEST_F(RecordingDeviceTest, AFailedResetLeavesTheDeviceWaitingForAGoodOne) {
    PresentParams pp = WindowedParams();
    rec_->FailNext(Call::Reset);
    EXPECT_EQ(device_->Reset(&pp), kErrInvalidCall);
    EXPECT_EQ(device_->TestCooperativeLevel(), kErrDeviceNotReset);
    EXPECT_EQ(device_->Present(), kErrDeviceLost);
    ASSERT_EQ(device_->Reset(&pp), kOk);
    EXPECT_EQ(device_->Present(), kOk);
}

TEST_F(RecordingDeviceTest, DrawRecordsStateAndASnapshotOfItsGeometry) {
    auto tex = MakeTexture();
    auto vb = MakeVb(8);
    auto ib = MakeIb(12);
    FillQuad(vb.get(), 0, 0xFF112233);
    FillQuad(vb.get(), 4, 0x80445566);
    FillIndices(ib.get(), 0, {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7});
    Bind(vb.get(), ib.get());
    device_->SetTexture(0, tex.get());
    device_->SetRenderState(Rs::AlphaBlendEnable, 1);
    Matrix proj = Matrix::Identity();
    proj.m[3][0] = 0.25f;
    device_->SetTransform(Ts::Projection, &proj);

    ASSERT_EQ(device_->BeginScene(), kOk);
    ASSERT_EQ(device_->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0x004040FF, 1, 0),
              kOk);
    ASSERT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 4, 4, 6, 2), kOk);
    ASSERT_EQ(device_->EndScene(), kOk);

    // Later writes must not change what was drawn.
    FillQuad(vb.get(), 4, 0xFFFFFFFF);
    tex.reset();

    ASSERT_EQ(rec_->Clears().size(), 1u);
    EXPECT_EQ(rec_->Clears()[0].color, 0x004040FFu);
    EXPECT_EQ(rec_->Clears()[0].viewport.width, 1024u);
    ASSERT_EQ(rec_->Draws().size(), 1u);
    const DrawRecord& d = rec_->Draws()[0];
    EXPECT_EQ(d.primCount, 2u);
    EXPECT_EQ(d.indices, (std::vector<uint32_t>{4, 5, 6, 6, 5, 7}));
    EXPECT_EQ(d.firstVertex, 4u);
    ASSERT_EQ(d.VertexCount(), 4u);
    EXPECT_EQ(d.IndexedVertex(5).diffuse, 0x80445566u);
    EXPECT_EQ(d.IndexedVertex(5).x, 1.0f);
    EXPECT_EQ(d.IndexedVertex(5).y, 1.0f);
    EXPECT_EQ(d.state.renderStates[Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(d.state.stageStates[0][Tss::ColorOp], Top::Modulate);
    EXPECT_NE(d.state.textureIds[0], 0u);
    EXPECT_EQ(d.state.textures[1], nullptr);
    EXPECT_EQ(d.state.projection.m[3][0], 0.25f);
    EXPECT_EQ(d.state.viewport.height, 768u);
    // The released texture was unbound.
    EXPECT_EQ(rec_->BoundTexture(0), nullptr);
}

TEST_F(RecordingDeviceTest, InvalidDrawsAreRefused) {
    auto vb = MakeVb(4);
    auto ib = MakeIb(6);
    FillQuad(vb.get(), 0, 0);
    FillIndices(ib.get(), 0, {0, 1, 2, 2, 1, 4}); // index 4 lies past the buffer
    Bind(vb.get(), ib.get());

    // What every back end answers alike is tested once for all (DeviceFrontTest).
    ASSERT_EQ(device_->BeginScene(), kOk);
    EXPECT_EQ(device_->BeginScene(), kErrInvalidCall);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 1), kOk);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kErrInvalidCall)
        << "vertex past the end";
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 4, 1), kErrInvalidCall)
        << "indices past the end";
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleStrip, 0, 4, 0, 4), kErrInvalidCall);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleStrip, 0, 4, 0, 3), kOk);

    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), kOk);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 1), kErrInvalidCall)
        << "a bound buffer is locked";
    ASSERT_EQ(vb->Unlock(), kOk);

    ASSERT_EQ(device_->SetIndices(nullptr, 0), kOk);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 1), kErrInvalidCall);
    ASSERT_EQ(device_->SetIndices(ib.get(), 0), kOk);
    ASSERT_EQ(device_->SetStreamSource(0, vb.get(), 28), kOk);
    EXPECT_EQ(device_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 1), kErrInvalidCall)
        << "stride does not match the vertex format";
    ASSERT_EQ(device_->EndScene(), kOk);
    EXPECT_EQ(device_->EndScene(), kErrInvalidCall);
    EXPECT_EQ(rec_->Draws().size(), 2u);
}

TEST(RecordingCaps, SmallCapsLimitDraws) {
    RecordingConfig cfg;
    cfg.adapters[0].caps.maxVertexIndex = 5;
    cfg.adapters[0].caps.maxPrimitiveCount = 1;
    Owned<Api> api(CreateRecordingApi(cfg));
    PresentParams pp = WindowedParams();
    Device* d = nullptr;
    ASSERT_EQ(api->CreateDevice(0, kDeviceHal, nullptr, kCreateHardwareVertexProcessing, &pp, &d),
              kOk);
    Owned<Device> dev(d);
    VertexBuffer* vbp = nullptr;
    IndexBuffer* ibp = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(8 * 32, 0, kFvfGame, Pool::Managed, &vbp), kOk);
    Owned<VertexBuffer> vb(vbp);
    ASSERT_EQ(d->CreateIndexBuffer(6 * 2, 0, Fmt::Index16, Pool::Managed, &ibp), kOk);
    Owned<IndexBuffer> ib(ibp);
    uint8_t* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 12, &p, 0), kOk);
    const uint16_t idx[6] = {0, 1, 2, 3, 4, 6};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    d->SetVertexShader(kFvfGame);
    d->SetStreamSource(0, vb.get(), 32);
    d->SetIndices(ib.get(), 0);
    d->BeginScene();
    EXPECT_EQ(d->DrawIndexedPrimitive(Prim::TriangleList, 0, 3, 0, 1), kOk);
    EXPECT_EQ(d->DrawIndexedPrimitive(Prim::TriangleList, 0, 6, 0, 2), kErrInvalidCall);
    EXPECT_EQ(d->DrawIndexedPrimitive(Prim::TriangleList, 3, 4, 3, 1), kErrInvalidCall)
        << "index 6 is above the maximum vertex index";
    d->EndScene();
}

TEST_F(RecordingDeviceTest, BufferLocksCheckTheirRange) {
    auto vb = MakeVb(4); // 128 bytes
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(100, 29, &p, 0), kErrInvalidCall);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(0xFFFFFFF0u, 0x20, &p, 0), kErrInvalidCall); // no wrap-around
    EXPECT_EQ(vb->Lock(0, 32, &p, Lock::Discard | Lock::NoOverwrite), kErrInvalidCall);
    EXPECT_EQ(vb->Unlock(), kErrInvalidCall);

    // Size 0 is an empty lock, even at the very end.
    ASSERT_EQ(vb->Lock(128, 0, &p, 0), kOk);
    ASSERT_EQ(vb->Unlock(), kOk);

    // One lock at a time.
    ASSERT_EQ(vb->Lock(96, 32, &p, 0), kOk);
    std::memset(p, 0x11, 32);
    uint8_t* q = nullptr;
    EXPECT_EQ(vb->Lock(0, 32, &q, Lock::NoOverwrite), kErrInvalidCall);
    ASSERT_EQ(vb->Unlock(), kOk);
    EXPECT_EQ(vb->Unlock(), kErrInvalidCall);

    // After a discard the old contents are gone.
    ASSERT_EQ(vb->Lock(0, 32, &p, Lock::Discard), kOk);
    EXPECT_EQ(p[96], BufferStore::kDiscardFill);
    ASSERT_EQ(vb->Unlock(), kOk);

    BufferDesc desc;
    ASSERT_EQ(vb->GetDesc(&desc), kOk);
    EXPECT_EQ(desc.size, 128u);
    EXPECT_EQ(desc.pool, Pool::Managed);
    EXPECT_EQ(desc.fvf, kFvfGame);

    IndexBuffer* ib = nullptr;
    EXPECT_EQ(device_->CreateIndexBuffer(64, 0, Fmt::D16, Pool::Managed, &ib), kErrInvalidCall);
    EXPECT_EQ(device_->CreateVertexBuffer(0, 0, kFvfGame, Pool::Managed, nullptr), kErrInvalidCall);
}

TEST_F(RecordingDeviceTest, ReleasingBoundResourcesUnbindsThem) {
    auto tex = MakeTexture();
    auto vb = MakeVb(4);
    auto ib = MakeIb(6);
    Bind(vb.get(), ib.get());
    device_->SetTexture(3, tex.get());
    EXPECT_EQ(rec_->LiveTextures(), 1u);
    tex.reset();
    vb.reset();
    ib.reset();
    EXPECT_EQ(rec_->BoundTexture(3), nullptr);
    EXPECT_EQ(rec_->BoundVertexBuffer(), nullptr);
    EXPECT_EQ(rec_->BoundIndexBuffer(), nullptr);
    EXPECT_EQ(rec_->LiveTextures() + rec_->LiveVertexBuffers() + rec_->LiveIndexBuffers(), 0u);
}

TEST_F(RecordingDeviceTest, ResourcesMayOutliveTheirDevice) {
    auto tex = MakeTexture();
    auto vb = MakeVb(4);
    device_.reset();
    LockedRect lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), kOk);
    static_cast<uint8_t*>(lr.bits)[0] = 1;
    ASSERT_EQ(tex->UnlockRect(0), kOk);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 32, &p, 0), kOk);
    ASSERT_EQ(vb->Unlock(), kOk);
}

TEST_F(RecordingDeviceTest, TextureRulesFollowADriver) {
    Texture* t = nullptr;
    // Size kept as asked, full chain with levels 0.
    ASSERT_EQ(device_->CreateTexture(10, 3, 0, 0, Fmt::R5G6B5, Pool::Managed, &t), kOk);
    Owned<Texture> tex(t);
    ASSERT_EQ(tex->GetLevelCount(), 4u); // 10x3, 5x1, 2x1, 1x1
    SurfaceDesc desc;
    ASSERT_EQ(tex->GetLevelDesc(1, &desc), kOk);
    EXPECT_EQ(desc.width, 5u);
    EXPECT_EQ(desc.height, 1u);
    EXPECT_EQ(desc.format, Fmt::R5G6B5);
    EXPECT_EQ(tex->GetLevelDesc(4, &desc), kErrInvalidCall);

    LockedRect lr;
    Rect r{2, 1, 4, 3};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), kOk);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), kErrInvalidCall) << "already locked";
    ASSERT_EQ(tex->UnlockRect(0), kOk);
    EXPECT_EQ(tex->UnlockRect(0), kErrInvalidCall);
    Rect outside{8, 0, 11, 1};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), kErrInvalidCall);

    EXPECT_EQ(device_->CreateTexture(4, 4, 4, 0, Fmt::A8R8G8B8, Pool::Managed, &t), kErrInvalidCall)
        << "more levels than the chain has";
    EXPECT_EQ(device_->CreateTexture(0, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t),
              kErrInvalidCall);
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, Fmt::D16, Pool::Managed, &t), kErrInvalidCall);
    AsRecording(api_.get())->Config().createTextureChecksFormat = true;
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, Fmt::A4L4, Pool::Managed, &t), kErrInvalidCall)
        << "a format the scripted adapter refuses";
    EXPECT_EQ(
        device_->CreateTexture(4, 4, 1, Usage::RenderTarget, Fmt::X8R8G8B8, Pool::Managed, &t),
        kErrInvalidCall);
    EXPECT_EQ(device_->CreateTexture(100000, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t),
              kErrInvalidCall);
}

TEST_F(RecordingDeviceTest, ViewportClearGammaAndCursor) {
    Viewport vp{100, 0, 824, 768, 0, 1};
    ASSERT_EQ(device_->SetViewport(&vp), kOk);
    Viewport tooWide{300, 0, 824, 768, 0, 1};
    EXPECT_EQ(device_->SetViewport(&tooWide), kErrInvalidCall);
    ASSERT_EQ(device_->Clear(0, nullptr, ClearFlag::Target, 0xFF000000, 1, 0), kOk);
    EXPECT_EQ(rec_->Clears().back().viewport.x, 100u);
    EXPECT_EQ(device_->Clear(0, nullptr, ClearFlag::Stencil, 0, 1, 0), kErrInvalidCall)
        << "D16 has no stencil";
    EXPECT_EQ(device_->Clear(1, nullptr, ClearFlag::Target, 0, 1, 0), kErrInvalidCall);

    GammaRamp g;
    device_->GetGammaRamp(&g);
    EXPECT_EQ(g.green[255], 65535);
    for (int i = 0; i < 256; ++i)
        g.red[i] = g.green[i] = g.blue[i] = 100;
    device_->SetGammaRamp(0, &g);
    EXPECT_EQ(rec_->CurrentGammaRamp().blue[7], 100);

    Surface* s = nullptr;
    ASSERT_EQ(device_->CreateImageSurface(2, 2, Fmt::A8R8G8B8, &s), kOk);
    Owned<Surface> cursor(s);
    LockedRect lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), kOk);
    static_cast<uint32_t*>(lr.bits)[1] = 0xFF00FF00;
    EXPECT_EQ(device_->SetCursorProperties(0, 0, s), kErrInvalidCall) << "still locked";
    ASSERT_EQ(s->UnlockRect(), kOk);
    ASSERT_EQ(device_->SetCursorProperties(1, 0, s), kOk);
    ASSERT_NE(rec_->Cursor(), nullptr);
    EXPECT_EQ(rec_->Cursor()->hotX, 1u);
    EXPECT_EQ(rec_->Cursor()->pixels[1], 0xFF00FF00u);
    EXPECT_EQ(rec_->LiveDefaultPoolResources(), 0u) << "image surfaces live in system memory";
}

} // namespace
