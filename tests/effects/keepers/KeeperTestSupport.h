#pragma once
// Helpers for driving effect keepers directly and through a collection system.
#include <gtest/gtest.h>

#include <vector>

#include "effects/Collection2Keeper.h"
#include "effects/Collection2ParticleSystem.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/Particles.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "support/CapturedLog.h"

namespace keepertest {

// A manager without device or buffers: enough to add and update systems.
inline CSharedPtr<CParticleSystemsManager> MakeManager() {
    return CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}

// Adds a keeper-driven collection system of `capacity` records at (x, y, z).
template <class Keeper>
CSharedPtr<CParticleSystem> AddKeeperSystem(CParticleSystemsManager& manager,
                                            const CSharedPtr<Keeper>& keeper, int capacity,
                                            float x = 0.0f, float y = 0.0f, float z = 0.0f) {
    CCollection2Parametres block(x, y, z, nullptr, CSharedPtr<CCollection2Keeper>(keeper), 0);
    block.KeeperEmission = 1;
    return manager.AddCollection(block, capacity, CSharedPtr<CTexture>());
}

inline CCollection2ParticleSystem& AsCollection(const CSharedPtr<CParticleSystem>& system) {
    auto* c = dynamic_cast<CCollection2ParticleSystem*>(system.Get());
    EXPECT_NE(c, nullptr);
    return *c;
}

inline int LiveParticles(const CSharedPtr<CParticleSystem>& system) {
    int n = 0;
    for (const CCollectedParticle2& p : AsCollection(system).Pool)
        n += p.Alive ? 1 : 0;
    return n;
}

// Reseeds the game's generator so that each test draws the same values, and
// sends the object log to a scratch folder.
class SeededTest : public ::testing::Test {
protected:
    void SetUp() override { Rand15::Global().Seed(12345); }

    testsupport::CapturedLog log_;
};

} // namespace keepertest
