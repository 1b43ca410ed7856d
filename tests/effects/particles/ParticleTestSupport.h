#pragma once
// A particle manager on the recording back end with small shared buffers, and
// helpers to build systems and read back what they write.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "effects/ParticleSystemsManager.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/gpu/RecordingDevice.h"

namespace particletest {

struct ApiDeleter {
    void operator()(gpu::Api* a) const {
        if (a)
            a->Release();
    }
};

// The quads one system wrote, read back without a device.
struct Written {
    std::vector<gpu::Vertex> vertices;
    std::vector<uint16_t> indices;
    size_t Quads() const { return vertices.size() / 4; }
    uint32_t Alpha(size_t quad) const { return vertices[quad * 4].diffuse >> 24; }
};

inline Written Fill(CParticleSystem& s, int32_t firstVertex = 0, int32_t firstIndex = 0) {
    int32_t nv = 0, ni = 0;
    s.GetBufferNeeds(&nv, &ni);
    Written w;
    w.vertices.resize(static_cast<size_t>(nv));
    w.indices.resize(static_cast<size_t>(ni));
    gpu::Vertex* v = w.vertices.data();
    uint16_t* i = w.indices.data();
    s.FillBuffers(&v, &i, firstVertex, firstIndex);
    // Every quad announced must have been written, and nothing more.
    EXPECT_EQ(v, w.vertices.data() + nv);
    EXPECT_EQ(i, w.indices.data() + ni);
    return w;
}

inline CVector3 Pos(const gpu::Vertex& v) { return {v.x, v.y, v.z}; }

class ParticleFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Rand15::Global().Seed(12345);
        api.reset(gpu::CreateRecordingApi(gpu::RecordingConfig{}));
        device = CSharedPtr<CRenderDevice>(new CRenderDevice(api.get(), 0));
        ASSERT_EQ(device->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                 gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
        rec = gpu::AsRecording(device->GetDevice());
        ASSERT_NE(rec, nullptr);
        MakeBuffers(4096, 8192);
        texture = device->CreateTargetTexture("Spark", 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                              gpu::Pool::Managed);
        ASSERT_FALSE(texture.IsNull());
        manager = std::make_unique<CParticleSystemsManager>(device, vb, ib);
        // As the game sets them up.
        manager->Environment().BoundsMin = {-1000.0f, -1000.0f, -1000.0f};
        manager->Environment().BoundsMax = {1000.0f, 1000.0f, 1000.0f};
        // Still particles stay still unless a test wants gravity.
        manager->Environment().Gravity = {0.0f, 0.0f, 0.0f};
    }
    void TearDown() override {
        manager.reset();
        texture = CSharedPtr<CTexture>();
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
        ib = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        ASSERT_EQ(ib->Create(device->GetDevice(), indices, gpu::Fmt::Index16,
                             gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::Pool::Default),
                  gpu::kOk);
    }

    // What the renderer sets before a particle layer draws.
    void BeginFrame() {
        rec->ClearRecords();
        ASSERT_EQ(device->BeginScene(), gpu::kOk);
        device->SetIndices(ib, 0);
        device->SetStreamSource(vb);
        device->SetVertexShader(gpu::kFvfGame);
    }
    void EndFrame() { device->EndScene(); }

    // Sparks that stay where they are born and never fade: `count` of them,
    // all in the first update.
    CSparksSpringParametres StillSparks(float x, float y, float z, int32_t count) {
        CSparksSpringParametres p(x, y, z, 0, 0, 0, 1, 0, 0, 0, 0, 0x00FFFFFF);
        p.Timed = 0;
        p.ParticleCount = count;
        p.EmissionRate = 1.0e6f;
        p.FadeRate = 0.0f;
        return p;
    }

    CSharedPtr<CParticleSystem> AddStill(float z, int32_t count = 1, int32_t capacity = 16) {
        return manager->AddSparks(StillSparks(0, 0, z, count), capacity, texture);
    }

    std::vector<int32_t> BlendedSerials() const {
        std::vector<int32_t> out;
        for (const auto& s : manager->BlendedSystems())
            out.push_back(s->Serial);
        return out;
    }

    std::unique_ptr<gpu::Api, ApiDeleter> api;
    CSharedPtr<CRenderDevice> device;
    gpu::RecordingDevice* rec = nullptr;
    CSharedPtr<CVertexBuffer> vb;
    CSharedPtr<CIndexBuffer> ib;
    CSharedPtr<CTexture> texture;
    std::unique_ptr<CParticleSystemsManager> manager;
};

} // namespace particletest
