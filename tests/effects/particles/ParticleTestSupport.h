#pragma once
// A particle manager on the recording back end with small shared buffers, and
// helpers to build systems and read back what they write.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "effects/ParticleSystemsManager.h"
#include "platform/Rand15.h"
#include "support/RecordingScene.h"

namespace particletest {

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

class ParticleFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        Rand15::Global().Seed(12345);
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(MakeBuffers(4096, 8192, false));
        texture = MakeTexture("Spark");
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
        Close();
    }

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

    CSharedPtr<CTexture> texture;
    std::unique_ptr<CParticleSystemsManager> manager;
};

} // namespace particletest
