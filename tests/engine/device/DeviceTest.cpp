// The device wrapper: creation, the state caches, the resource registry and the
// reset that re-creates default-pool resources.
#include "DeviceTestSupport.h"
#include "engine/DisplayModes.h"
#include "engine/IndexBuffer.h"
#include "engine/Surface.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

namespace {

using CacheTest = DeviceFixture;
using ResetTest = DeviceFixture;

CSharedPtr<CTexture> EmptyTexture(CRenderDevice& device, const std::string& name, uint32_t pool) {
    return device.CreateTargetTexture(name, 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0, pool);
}

TEST_F(CacheTest, RepeatedStatesReachTheDeviceOnce) {
    Rec()->ClearRecords();
    EXPECT_EQ(device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 1), gpu::kOk);
    EXPECT_EQ(device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 1), gpu::kOk);
    EXPECT_EQ(Rec()->RenderStateSetCount(gpu::Rs::AlphaBlendEnable), 1u);
    device_->SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Modulate);
    device_->SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Modulate);
    EXPECT_EQ(Rec()->StageStateSetCount(1, gpu::Tss::ColorOp), 1u);
    // The caches start from what the device holds after creation.
    const uint32_t current = Rec()->RenderState(gpu::Rs::ZFunc);
    device_->SetRenderState(gpu::Rs::ZFunc, current);
    EXPECT_EQ(Rec()->RenderStateSetCount(gpu::Rs::ZFunc), 0u);
}

TEST_F(CacheTest, AFailedSetIsForwardedAgainWhateverTheValue) {
    device_->SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::One);
    Rec()->ClearRecords();
    Rec()->FailNext(gpu::Call::SetRenderState);
    EXPECT_EQ(device_->SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha),
              gpu::kErrInvalidCall);
    EXPECT_EQ(device_->GetCachedRenderState(gpu::Rs::SrcBlend), CRenderDevice::kFailedSet);
    // The old value is what the device still holds, but the cache cannot know.
    EXPECT_EQ(device_->SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::One), gpu::kOk);
    EXPECT_EQ(Rec()->RenderStateSetCount(gpu::Rs::SrcBlend), 2u);

    Rec()->FailNext(gpu::Call::SetTextureStageState);
    device_->SetTextureStageState(0, gpu::Tss::MagFilter, gpu::Tf::Linear);
    device_->SetTextureStageState(0, gpu::Tss::MagFilter, gpu::Tf::Linear);
    EXPECT_EQ(Rec()->StageStateSetCount(0, gpu::Tss::MagFilter), 2u);
    EXPECT_EQ(Rec()->StageState(0, gpu::Tss::MagFilter), gpu::Tf::Linear);
}

TEST_F(CacheTest, IndicesOutOfRangeAreRefusedBeforeTheDevice) {
    Rec()->ClearRecords();
    EXPECT_EQ(device_->SetRenderState(gpu::kRenderStateCount, 1), gpu::kErrInvalidCall);
    EXPECT_EQ(device_->SetTextureStageState(gpu::kStageCount, 1, 1), gpu::kErrInvalidCall);
    EXPECT_EQ(device_->SetTextureStageState(0, 0, 1), gpu::kErrInvalidCall);
    EXPECT_EQ(device_->SetTextureStageState(0, gpu::kStageStateCount, 1), gpu::kErrInvalidCall);
    EXPECT_EQ(device_->SetTexture(gpu::kStageCount, CSharedPtr<CTexture>()), gpu::kErrInvalidCall);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetRenderState), 0u);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetTextureStageState), 0u);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetTexture), 0u);
}

TEST_F(CacheTest, TexturesBindOnceAndEmptyHandlesBindNull) {
    CSharedPtr<CTexture> t = EmptyTexture(*device_, "T", gpu::Pool::Managed);
    ASSERT_FALSE(t.IsNull());
    Rec()->ClearRecords();
    device_->SetTexture(0, t);
    device_->SetTexture(0, t);
    EXPECT_EQ(Rec()->BoundTexture(0), t->GetTexture());
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetTexture), 1u);

    device_->SetTexture(0, CSharedPtr<CTexture>());
    device_->SetTexture(0, CSharedPtr<CTexture>());
    EXPECT_EQ(Rec()->BoundTexture(0), nullptr);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetTexture), 2u);

    // A texture remade in place (its address may be reused) is bound again.
    device_->SetTexture(1, t);
    ASSERT_EQ(t->Recreate(device_->GetDevice()), gpu::kOk);
    device_->SetTexture(1, t);
    EXPECT_EQ(Rec()->BoundTexture(1), t->GetTexture());
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetTexture), 4u);

    // A failed bind leaves nothing cached: the next one is forwarded.
    Rec()->FailNext(gpu::Call::SetTexture);
    device_->SetTexture(2, t);
    device_->SetTexture(2, t);
    EXPECT_EQ(Rec()->BoundTexture(2), t->GetTexture());
}

TEST_F(CacheTest, StreamAndIndexSourcesAreCached) {
    CSharedPtr<CVertexBuffer> vb(new CVertexBuffer);
    CSharedPtr<CIndexBuffer> ib(new CIndexBuffer);
    ASSERT_EQ(vb->Create(device_->GetDevice(), 16, 32, 0, gpu::kFvfGame, gpu::Pool::Managed),
              gpu::kOk);
    ASSERT_EQ(ib->Create(device_->GetDevice(), 16, gpu::Fmt::Index16, 0, gpu::Pool::Managed),
              gpu::kOk);
    Rec()->ClearRecords();
    device_->SetStreamSource(vb);
    device_->SetStreamSource(vb);
    device_->SetIndices(ib, 0);
    device_->SetIndices(ib, 4);  // the base index is not part of the test
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetStreamSource), 1u);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::SetIndices), 1u);
    EXPECT_EQ(Rec()->BoundVertexBuffer(), vb->GetBuffer());
    EXPECT_EQ(Rec()->StreamStride(), 32u);
    EXPECT_EQ(Rec()->BoundIndexBuffer(), ib->GetBuffer());
    EXPECT_EQ(Rec()->BaseVertexIndex(), 0u);
}

TEST(DeviceCreateTest, AdapterNumbersAreClampedIntoRange) {
    CapturedLog log;
    gpu::RecordingConfig cfg;
    cfg.adapters.resize(2);
    ApiPtr api = MakeRecordingApi(cfg);
    {
        CRenderDevice device(api.get(), 5);
        EXPECT_EQ(device.GetAdapter(), 1);
        ASSERT_EQ(device.GetWarnings().size(), 1u);
        EXPECT_EQ(device.GetWarnings()[0], "Adapter Number 5 too high! (Must be less then 2).");
        EXPECT_EQ(device.GetModeIndex(), device.GetModeList()->GetDesktopIndex());
    }
    {
        CRenderDevice device(api.get(), -4);
        EXPECT_EQ(device.GetAdapter(), 0);
        EXPECT_TRUE(device.GetWarnings().empty());
    }
    gpu::RecordingConfig none;
    none.adapters.clear();
    ApiPtr empty = MakeRecordingApi(none);
    CRenderDevice device(empty.get(), 0);
    EXPECT_EQ(device.GetAdapterCount(), 0);
    EXPECT_EQ(device.GetModeList(), nullptr);
    EXPECT_EQ(device.Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0, 1, 0),
              gpu::kErrNotAvailable);
}

TEST(DeviceCreateTest, PresentationIntervalAndModeChecks) {
    CapturedLog log;
    ApiPtr api = MakeRecordingApi();
    {
        CRenderDevice device(api.get(), 0);
        EXPECT_EQ(device.Create(1600, 1200, gpu::Fmt::X8R8G8B8, 1, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                1, 0),
                  gpu::kErrNotAvailable);
        EXPECT_EQ(device.GetDevice(), nullptr);
        ASSERT_EQ(device.Create(1024, 768, gpu::Fmt::R5G6B5, 1, 0, nullptr, gpu::Fmt::D16, 1, 0, 1,
                                0),
                  gpu::kOk);
        auto* rec = gpu::AsRecording(device.GetDevice());
        EXPECT_EQ(rec->CurrentPresentParams().presentationInterval, gpu::kPresentIntervalImmediate);
        EXPECT_EQ(rec->CurrentPresentParams().windowed, 0);
        EXPECT_EQ(rec->BehaviorFlags(), gpu::kCreateHardwareVertexProcessing);
        EXPECT_EQ(device.GetModeIndex(),
                  device.GetModeList()->FindFullscreen(1024, 768, gpu::Fmt::R5G6B5, false));
        EXPECT_EQ(device.GetMaxVertexIndex(), 0xFFFFu);
        EXPECT_EQ(device.Create(1024, 768, gpu::Fmt::R5G6B5, 1, 0, nullptr, gpu::Fmt::D16, 1, 0,
                                1, 0),
                  gpu::kErrInvalidCall)
            << "a device is made once";
    }
    {
        CRenderDevice device(api.get(), 0);
        ASSERT_EQ(device.Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 0, nullptr, gpu::Fmt::D16, 1, 0,
                                1, 0),
                  gpu::kOk);
        auto* rec = gpu::AsRecording(device.GetDevice());
        // A window always starts with the default interval; the stored one is
        // what later resets remember.
        EXPECT_EQ(rec->CurrentPresentParams().presentationInterval, gpu::kPresentIntervalDefault);
        EXPECT_EQ(device.GetPresentParams().presentationInterval, gpu::kPresentIntervalImmediate);
    }
}

TEST(DeviceCreateTest, SoftwareVertexProcessingIsTheSecondTry) {
    CapturedLog log;
    gpu::RecordingConfig cfg;
    cfg.adapters[0].hardwareVertexProcessing = false;
    ApiPtr api = MakeRecordingApi(cfg);
    {
        CRenderDevice device(api.get(), 0);
        ASSERT_EQ(device.Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                1, 0),
                  gpu::kOk);
        EXPECT_EQ(gpu::AsRecording(device.GetDevice())->BehaviorFlags(),
                  gpu::kCreateSoftwareVertexProcessing);
    }
    gpu::AsRecording(api.get())->Failures().FailNext(gpu::Call::CreateDevice, 1,
                                                      gpu::kErrNotAvailable, 2);
    CRenderDevice device(api.get(), 0);
    EXPECT_EQ(device.Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0, 1, 0),
              gpu::kErrNotAvailable);
    ASSERT_EQ(device.GetErrors().size(), 1u);
    EXPECT_EQ(device.GetErrors()[0], "Unable to create device!");
}

TEST(DeviceCreateTest, DestructionUnbindsAndLogsBeforeTheResources) {
    CapturedLog log;
    ApiPtr api = MakeRecordingApi();
    {
        CSharedPtr<CRenderDevice> device(new CRenderDevice(api.get(), 0));
        ASSERT_EQ(device->Create(640, 480, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                 1, 0),
                  gpu::kOk);
        CSharedPtr<CTexture> kept = EmptyTexture(*device, "Kept", gpu::Pool::Managed);
        EmptyTexture(*device, "Gone", gpu::Pool::Managed);
        log.Clear();
        device = CSharedPtr<CRenderDevice>();
        // Only the registry held "Gone"; "Kept" outlives the device.
        EXPECT_EQ(log.Text(), " Device destruction.\n Texture  Gone  Destruction.\n");
        EXPECT_EQ(kept->GetName(), "Kept");
    }
    EXPECT_EQ(log.Text(),
              " Device destruction.\n Texture  Gone  Destruction.\n Texture  Kept  Destruction.\n");
}

TEST_F(CacheTest, RegistryLookupsAreExact) {
    CSharedPtr<CTexture> first = EmptyTexture(*device_, "Halo", gpu::Pool::Managed);
    CSharedPtr<CTexture> second = EmptyTexture(*device_, "Halo", gpu::Pool::Managed);
    EmptyTexture(*device_, "Halo1", gpu::Pool::Managed);
    EXPECT_EQ(device_->FindTexture("Halo"), 0);
    EXPECT_EQ(device_->FindTexture("Hal"), -1);
    EXPECT_EQ(device_->FindTexture("halo"), -1);
    EXPECT_EQ(device_->GetTexture("Halo"), first);
    EXPECT_EQ(device_->GetTextureByString("Halo1")->GetName(), "Halo1");
    EXPECT_TRUE(device_->GetTexture("Nope").IsNull());

    device_->UnregisterTexture(-1);
    device_->UnregisterTexture(3);
    EXPECT_EQ(device_->GetTextures().size(), 3u);
    device_->UnregisterTexture(device_->FindTexture("Halo"));
    EXPECT_EQ(device_->GetTexture("Halo"), second);
    EXPECT_EQ(device_->FindTexture("Halo1"), 1);
    EXPECT_EQ(first.UseCount(), 1u);
}

// ---- reset ------------------------------------------------------------------

class ResetFixture : public DeviceFixture {
protected:
    CSharedPtr<CVertexBuffer> AddVertexBuffer(uint32_t pool) {
        CSharedPtr<CVertexBuffer> vb(new CVertexBuffer);
        EXPECT_EQ(vb->Create(device_->GetDevice(), 64, 32, gpu::Usage::WriteOnly, gpu::kFvfGame,
                             pool),
                  gpu::kOk);
        device_->RegisterVertexBuffer(vb);
        return vb;
    }
    CSharedPtr<CIndexBuffer> AddIndexBuffer(uint32_t pool) {
        CSharedPtr<CIndexBuffer> ib(new CIndexBuffer);
        EXPECT_EQ(ib->Create(device_->GetDevice(), 64, gpu::Fmt::Index16, gpu::Usage::WriteOnly,
                             pool),
                  gpu::kOk);
        device_->RegisterIndexBuffer(ib);
        return ib;
    }
};

TEST_F(ResetFixture, OnlyDefaultPoolResourcesAreRemadeInRegistryOrder) {
    auto managedVb = AddVertexBuffer(gpu::Pool::Managed);
    auto vbA = AddVertexBuffer(gpu::Pool::Default);
    auto vbB = AddVertexBuffer(gpu::Pool::Default);
    auto ib = AddIndexBuffer(gpu::Pool::Default);
    auto managedTex = EmptyTexture(*device_, "Managed", gpu::Pool::Managed);
    auto texA = EmptyTexture(*device_, "A", gpu::Pool::Default);
    auto texB = EmptyTexture(*device_, "B", gpu::Pool::Default);
    gpu::VertexBuffer* managedObject = managedVb->GetBuffer();
    gpu::Texture* managedTexObject = managedTex->GetTexture();
    uint8_t* p = nullptr;
    vbA->Lock(10, &p);
    vbA->Unlock();

    device_->ReleaseDefaultPoolResources();
    EXPECT_FALSE(vbA->HasBuffer());
    EXPECT_FALSE(texB->HasTexture());
    EXPECT_EQ(Rec()->LiveDefaultPoolResources(), 0u);
    EXPECT_EQ(managedVb->GetBuffer(), managedObject);

    Rec()->LoseDevice(0);
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_TRUE(device_->GetErrors().empty());
    EXPECT_EQ(managedVb->GetBuffer(), managedObject);
    EXPECT_EQ(managedTex->GetTexture(), managedTexObject);
    ASSERT_TRUE(vbA->HasBuffer() && vbB->HasBuffer() && ib->HasBuffer());
    ASSERT_TRUE(texA->HasTexture() && texB->HasTexture());
    EXPECT_LT(vbA->GetSerial(), vbB->GetSerial());
    EXPECT_LT(texA->GetSerial(), texB->GetSerial());
    EXPECT_EQ(vbA->GetCursor(), 0u);
    EXPECT_EQ(device_->FindTexture("B"), 2) << "same registry index after re-creation";
    EXPECT_EQ(texB->GetPool(), gpu::Pool::Default);
}

TEST_F(ResetFixture, CachedStatesAreAppliedOverTheDefaults) {
    device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    device_->SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    device_->SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
    Rec()->FailNext(gpu::Call::SetRenderState);
    device_->SetRenderState(gpu::Rs::ZWriteEnable, 0);
    const uint32_t zwriteDefault = Rec()->RenderState(gpu::Rs::ZWriteEnable);

    device_->ReleaseDefaultPoolResources();
    Rec()->ClearRecords();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_EQ(Rec()->RenderState(gpu::Rs::AlphaBlendEnable), 1u);
    EXPECT_EQ(Rec()->RenderState(gpu::Rs::DestBlend), gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(Rec()->StageState(0, gpu::Tss::ColorOp), gpu::Top::SelectArg1);
    // The failed-set marker never reaches the device; the cache learns the default.
    EXPECT_EQ(Rec()->RenderStateSetCount(gpu::Rs::ZWriteEnable), 0u);
    EXPECT_EQ(device_->GetCachedRenderState(gpu::Rs::ZWriteEnable), zwriteDefault);
    // Numbers the device does not define are not applied.
    EXPECT_EQ(Rec()->RenderStateSetCount(11), 0u);
    EXPECT_EQ(Rec()->RenderStateSetCount(138), 0u);
}

TEST_F(ResetFixture, AFailedResetIsOneAttemptAndRemakesNothing) {
    auto vb = AddVertexBuffer(gpu::Pool::Default);
    auto tex = EmptyTexture(*device_, "A", gpu::Pool::Default);
    Rec()->LoseDevice(3);
    device_->ReleaseDefaultPoolResources();
    Rec()->ClearRecords();
    EXPECT_EQ(device_->Reset(), gpu::kErrDeviceLost);
    EXPECT_EQ(Rec()->CallCount(gpu::Call::Reset), 1u);
    EXPECT_FALSE(vb->HasBuffer());
    EXPECT_FALSE(tex->HasTexture());
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(1, &p), gpu::kErrInvalidCall);
    // A texture without its device object binds as null.
    EXPECT_EQ(device_->SetTexture(0, tex), gpu::kOk);
    EXPECT_EQ(Rec()->BoundTexture(0), nullptr);

    // Once the device can be reset, the next attempt brings everything back.
    while (Rec()->State() == gpu::DeviceState::Lost)
        Rec()->TestCooperativeLevel();
    device_->ReleaseDefaultPoolResources();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_TRUE(vb->HasBuffer());
    EXPECT_TRUE(tex->HasTexture());
}

TEST_F(ResetFixture, FailedRecreationsAreReportedAndKept) {
    auto vb0 = AddVertexBuffer(gpu::Pool::Default);
    auto vb1 = AddVertexBuffer(gpu::Pool::Default);
    auto ib = AddIndexBuffer(gpu::Pool::Default);
    auto tex = EmptyTexture(*device_, "Glow", gpu::Pool::Default);
    device_->ReleaseDefaultPoolResources();
    Rec()->FailNext(gpu::Call::CreateVertexBuffer, 2);
    Rec()->FailNext(gpu::Call::CreateIndexBuffer);
    Rec()->FailNext(gpu::Call::CreateTexture);
    log_.Clear();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    const std::vector<std::string> expected{"Unable to recreate Vertex Buffer 1",
                                            "Unable to recreate Index Buffer 0",
                                            "Unable to recreate Texture 0 \"Glow\""};
    EXPECT_EQ(device_->GetErrors(), expected);
    EXPECT_EQ(log_.Text(),
              " Unable to recreate Vertex Buffer 1\n Unable to recreate Index Buffer 0\n"
              " Unable to recreate Texture 0 \"Glow\"\n");
    EXPECT_TRUE(vb0->HasBuffer());
    EXPECT_FALSE(vb1->HasBuffer());
    EXPECT_EQ(device_->GetVertexBuffers().size(), 2u);
    EXPECT_EQ(device_->FindTexture("Glow"), -1) << "a failed texture is left nameless";
    EXPECT_EQ(device_->GetTextures().size(), 1u);
    uint16_t* idx = nullptr;
    EXPECT_EQ(ib->Lock(3, &idx), gpu::kErrInvalidCall);
}

TEST_F(ResetFixture, WindowedResetUsesTheDesktopFormat) {
    gpu::PresentParams& pp = device_->PresentParams();
    pp.backBufferFormat = gpu::Fmt::R5G6B5;
    pp.backBufferWidth = 800;
    pp.backBufferHeight = 600;
    device_->ReleaseDefaultPoolResources();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferFormat, gpu::Fmt::X8R8G8B8);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferWidth, 800u);
    EXPECT_EQ(device_->GetPresentParams().backBufferFormat, gpu::Fmt::X8R8G8B8);

    // Full screen takes the requested mode.
    pp.windowed = 0;
    device_->SetRequestedMode(1024, 768, gpu::Fmt::R5G6B5);
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_EQ(Rec()->CurrentPresentParams().windowed, 0);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferWidth, 1024u);
    EXPECT_EQ(Rec()->CurrentPresentParams().backBufferFormat, gpu::Fmt::R5G6B5);
}

TEST(DeviceResetTest, WindowedResetWithoutDesktopModeKeepsTheFormat) {
    CapturedLog log;
    gpu::RecordingConfig cfg;
    cfg.adapters[0].desktop.reset();
    ApiPtr api = MakeRecordingApi(cfg);
    CRenderDevice device(api.get(), 0);
    ASSERT_EQ(device.Create(800, 600, gpu::Fmt::X8R8G8B8, 1, 1, nullptr, gpu::Fmt::D16, 1, 0, 1, 0),
              gpu::kOk);
    uint32_t format = 0;
    EXPECT_EQ(device.GetWindowModeFormat(&format), gpu::kErrNotAvailable);
    device.PresentParams().windowed = 1;
    EXPECT_EQ(device.Reset(), gpu::kOk);
    EXPECT_EQ(device.GetPresentParams().backBufferFormat, gpu::Fmt::X8R8G8B8);
    EXPECT_EQ(log.Text(), " GetWindowModeFormat Error!\n");
}

}  // namespace
