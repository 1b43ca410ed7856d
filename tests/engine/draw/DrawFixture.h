#pragma once
// A device wrapper on the recording back end with the shared buffers, for the
// tests of the 2D layers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/gpu/RecordingDevice.h"

namespace drawtest {

struct ApiDeleter {
    void operator()(gpu::Api* a) const {
        if (a)
            a->Release();
    }
};

class DrawFixture : public ::testing::Test {
protected:
    void SetUp() override {
        api.reset(gpu::CreateRecordingApi(config));
        device = CSharedPtr<CRenderDevice>(new CRenderDevice(api.get(), 0));
        ASSERT_EQ(device->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                 gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
        rec = gpu::AsRecording(device->GetDevice());
        ASSERT_NE(rec, nullptr);
        MakeBuffers(vertexCapacity, indexCapacity);
    }
    void TearDown() override {
        vb = CSharedPtr<CVertexBuffer>();
        ib = CSharedPtr<CIndexBuffer>();
        device = CSharedPtr<CRenderDevice>();
        api.reset();
    }

    void MakeBuffers(uint32_t vertices, uint32_t indices) {
        vb = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        ASSERT_EQ(vb->Create(device->GetDevice(), vertices, 32,
                             gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::kFvfGame,
                             gpu::Pool::Default),
                  gpu::kOk);
        device->RegisterVertexBuffer(vb);
        ib = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        ASSERT_EQ(ib->Create(device->GetDevice(), indices, gpu::Fmt::Index16,
                             gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::Pool::Default),
                  gpu::kOk);
        device->RegisterIndexBuffer(ib);
    }

    // A small registered texture.
    CSharedPtr<CTexture> MakeTexture(const std::string& name) {
        auto t = device->CreateTargetTexture(name, 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                             gpu::Pool::Managed);
        EXPECT_FALSE(t.IsNull());
        return t;
    }

    // What the scene frame sets before the layers draw.
    void BeginFrame() {
        rec->ClearRecords();
        ASSERT_EQ(device->BeginScene(), gpu::kOk);
        device->SetIndices(ib, 0);
        device->SetStreamSource(vb);
        device->SetVertexShader(gpu::kFvfGame);
    }
    void EndFrame() { device->EndScene(); }

    uint32_t RenderState(uint32_t state) const { return rec->RenderState(state); }

    gpu::RecordingConfig config;
    uint32_t vertexCapacity = 4096, indexCapacity = 8192;
    std::unique_ptr<gpu::Api, ApiDeleter> api;
    CSharedPtr<CRenderDevice> device;
    gpu::RecordingDevice* rec = nullptr;
    CSharedPtr<CVertexBuffer> vb;
    CSharedPtr<CIndexBuffer> ib;
};

} // namespace drawtest
