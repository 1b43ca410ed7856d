// The manager: drawing order, serial numbers, the life of its systems and the
// two drawing passes on the recording back end.
#include <cstdio>

#include "ParticleTestSupport.h"
#include "effects/Collection2ParticleSystem.h"
#include "effects/SparksParticleSystem.h"
#include "support/CapturedLog.h"

using namespace particletest;

namespace {

class ManagerTest : public ParticleFixture {};

// The camera looks along +z from z = -1: a system at z has depth z + 1.
TEST_F(ManagerTest, SystemsRunFromFarthestToNearestAndEqualDepthGoesBehind) {
    AddStill(4.0f);  // depth 5, serial 0
    AddStill(0.0f);  // depth 1, serial 1
    AddStill(2.0f);  // depth 3, serial 2
    EXPECT_EQ(BlendedSerials(), (std::vector<int32_t>{0, 2, 1}));
    AddStill(2.0f);  // depth 3 again: after the first one
    EXPECT_EQ(BlendedSerials(), (std::vector<int32_t>{0, 2, 3, 1}));

    // The order holds in the draw calls too.
    manager->Update(0.01f);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 4u);
    const float expectedZ[4] = {4.0f, 2.0f, 2.0f, 0.0f};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(rec->Draws()[i].IndexedVertex(0).z, expectedZ[i]) << i;
}

TEST_F(ManagerTest, NearerSystemAmongNegativeDepthsGoesToTheFront) {
    AddStill(-3.0f);  // depth -2
    AddStill(-2.0f);  // depth -1
    AddStill(-1.0f);  // depth 0
    EXPECT_EQ(BlendedSerials(), (std::vector<int32_t>{2, 1, 0}));
}

TEST_F(ManagerTest, SerialsCountAcrossKinds) {
    auto a = AddStill(0.0f);
    auto b = manager->AddExplosion(CExplosionParametres(0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0),
                                   8, texture);
    auto c = manager->AddSpells(CSpellsSpringParametres(0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0), 8,
                                texture);
    auto d = manager->AddCollection(
        CCollection2Parametres(0, 0, 0, nullptr, CSharedPtr<CCollection2Keeper>(), 0), 8, texture);
    EXPECT_EQ(a->Serial, 0);
    EXPECT_EQ(b->Serial, 1);
    EXPECT_EQ(c->Serial, 2);
    EXPECT_EQ(d->Serial, 3);
    EXPECT_EQ(manager->NextSerial(), 4);
}

TEST_F(ManagerTest, FinishedAndStoppedSystemsAreErasedKeepingTheOrder) {
    auto a = AddStill(3.0f);
    // An explosion of nothing finishes in its first update.
    manager->AddExplosion(CExplosionParametres(0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0), 8,
                          texture);
    auto c = AddStill(1.0f);
    manager->Update(0.01f);
    EXPECT_EQ(BlendedSerials(), (std::vector<int32_t>{0, 2}));

    // Stop: erased at the next update although its spark still lives.
    a->Stop();
    manager->Update(0.01f);
    EXPECT_EQ(BlendedSerials(), (std::vector<int32_t>{2}));
    // The caller's handle keeps the object itself.
    EXPECT_EQ(a->LiveCount, 1);
    EXPECT_EQ(a.UseCount(), 1u);

    // A dropped handle does not end a live system.
    c = CSharedPtr<CParticleSystem>();
    manager->Update(0.01f);
    EXPECT_EQ(manager->BlendedSystems().size(), 1u);
}

TEST_F(ManagerTest, BlendedPassDrawsEachSystemWithItsBlendingAndTexture) {
    auto other = device->CreateTargetTexture("Other", 4, 4, {gpu::Fmt::A8R8G8B8}, 1, 0,
                                             gpu::Pool::Managed);
    manager->AddSparks(StillSparks(0, 0, 5, 3), 16, texture);
    CSmokesSpringParametres smoke(0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0x102030, 2);
    smoke.Timed = 0;
    smoke.ParticleCount = 2;
    smoke.EmissionRate = 1000.0f;
    manager->AddSmokes(smoke, 8, other);
    manager->Update(0.01f);

    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 2u);

    const auto& sparks = draws[0];
    EXPECT_EQ(sparks.type, gpu::Prim::TriangleList);
    EXPECT_EQ(sparks.primCount, 6u);
    EXPECT_EQ(sparks.numVertices, 12u);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::SrcAlpha);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::AlphaTestEnable], 1u);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::AlphaRef], 0u);
    EXPECT_EQ(sparks.state.renderStates[gpu::Rs::AlphaFunc], gpu::Cmp::Greater);
    EXPECT_EQ(sparks.state.textureIds[0], gpu::RecordingId(texture->GetTexture()));

    // The second system's run follows the first in the shared buffers.
    const auto& smokes = draws[1];
    EXPECT_EQ(smokes.minIndex, 12u);
    EXPECT_EQ(smokes.startIndex, 18u);
    EXPECT_EQ(smokes.primCount, 4u);
    EXPECT_EQ(smokes.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::Zero);
    EXPECT_EQ(smokes.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::InvSrcColor);
    EXPECT_EQ(smokes.state.textureIds[0], gpu::RecordingId(other->GetTexture()));
    // Indices stay within the system's own vertices.
    for (uint32_t i : smokes.indices) {
        EXPECT_GE(i, 12u);
        EXPECT_LT(i, 20u);
    }
}

TEST_F(ManagerTest, SystemWithoutLiveParticlesCostsNoLockAndNoDraw) {
    // Nothing is alive before the system's first update.
    auto s = manager->AddSparks(StillSparks(0, 0, 0, 2), 4, texture);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    EXPECT_TRUE(rec->Draws().empty());
    EXPECT_EQ(vb->GetCursor(), 0u);
    EXPECT_EQ(ib->GetCursor(), 0u);
    EXPECT_EQ(rec->CallCount(gpu::Call::LockVertexBuffer), 0u);
}

TEST_F(ManagerTest, VertexLockFailureEndsThePass) {
    MakeBuffers(16, 1024, false); // room for 4 quads
    manager = std::make_unique<CParticleSystemsManager>(device, vb, ib);
    manager->AddSparks(StillSparks(0, 0, 9, 2), 16, texture);
    manager->AddSparks(StillSparks(0, 0, 5, 6), 16, texture);  // does not fit
    manager->AddSparks(StillSparks(0, 0, 1, 1), 16, texture);
    manager->Update(0.01f);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].primCount, 4u);
    EXPECT_EQ(vb->GetLockCount(), 0u);
    EXPECT_EQ(ib->GetLockCount(), 0u);
    // The systems stay and are drawn again next frame.
    EXPECT_EQ(manager->BlendedSystems().size(), 3u);
}

TEST_F(ManagerTest, IndexLockFailureUnlocksTheVerticesAndEndsThePass) {
    MakeBuffers(1024, 6, false); // room for one quad's indices
    manager = std::make_unique<CParticleSystemsManager>(device, vb, ib);
    manager->AddSparks(StillSparks(0, 0, 5, 2), 16, texture);
    manager->AddSparks(StillSparks(0, 0, 1, 1), 16, texture);
    manager->Update(0.01f);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    EXPECT_TRUE(rec->Draws().empty());
    EXPECT_EQ(vb->GetLockCount(), 0u);
    EXPECT_EQ(ib->GetLockCount(), 0u);

    // A device that refuses one lock costs that frame only.
    MakeBuffers(1024, 1024, false);
    manager = std::make_unique<CParticleSystemsManager>(device, vb, ib);
    manager->AddSparks(StillSparks(0, 0, 5, 2), 16, texture);
    manager->Update(0.01f);
    BeginFrame();
    rec->FailNext(gpu::Call::LockIndexBuffer);
    manager->RenderBlended();
    EXPECT_TRUE(rec->Draws().empty());
    EXPECT_EQ(vb->GetLockCount(), 0u);
    manager->RenderBlended();
    EndFrame();
    EXPECT_EQ(rec->Draws().size(), 1u);
}

TEST_F(ManagerTest, FogTurnsBlackForAdditiveSystemsAndIsRestored) {
    device->SetRenderState(gpu::Rs::FogEnable, 1);
    device->SetRenderState(gpu::Rs::FogColor, 0x00336699);
    manager->AddSparks(StillSparks(0, 0, 5, 1), 4, texture);  // additive, drawn first
    CSmokesSpringParametres smoke(0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0x102030, 0);
    smoke.Timed = 0;
    smoke.ParticleCount = 1;
    smoke.EmissionRate = 1000.0f;
    manager->AddSmokes(smoke, 4, texture);  // plain alpha blending
    manager->Update(0.01f);

    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 2u);
    EXPECT_EQ(rec->Draws()[0].state.renderStates[gpu::Rs::FogColor], 0u);
    EXPECT_EQ(rec->Draws()[1].state.renderStates[gpu::Rs::FogColor], 0x00336699u);

    // With only an additive system, the scene's colour comes back after the pass.
    manager = std::make_unique<CParticleSystemsManager>(device, vb, ib);
    manager->AddSparks(StillSparks(0, 0, 5, 1), 4, texture);
    manager->Update(0.01f);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].state.renderStates[gpu::Rs::FogColor], 0u);
    EXPECT_EQ(rec->RenderState(gpu::Rs::FogColor), 0x00336699u);
    EXPECT_EQ(device->GetCachedRenderState(gpu::Rs::FogColor), 0x00336699u);
}

TEST_F(ManagerTest, FogOffLeavesTheFogColourAlone) {
    device->SetRenderState(gpu::Rs::FogColor, 0x00336699);
    manager->AddSparks(StillSparks(0, 0, 5, 1), 4, texture);
    manager->Update(0.01f);
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    EXPECT_EQ(rec->RenderStateSetCount(gpu::Rs::FogColor), 0u);
}

TEST_F(ManagerTest, AlphaTestedPassDrawsWithoutBlending) {
    CSharedPtr<CParticleSystem> s(new CSparksParticleSystem(
        device, 4, texture, vb, ib, manager->GetEnvironment(), StillSparks(0, 0, 0, 2)));
    manager->AddAlphaTested(s);
    EXPECT_EQ(s->Serial, 0);
    BeginFrame();
    manager->RenderBlended();  // nothing blended
    manager->RenderAlphaTested();  // nothing alive yet
    EXPECT_TRUE(rec->Draws().empty());
    manager->Update(0.01f);
    manager->RenderAlphaTested();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    const auto& st = rec->Draws()[0].state.renderStates;
    EXPECT_EQ(st[gpu::Rs::AlphaBlendEnable], 0u);
    EXPECT_EQ(st[gpu::Rs::AlphaTestEnable], 1u);
    EXPECT_EQ(st[gpu::Rs::AlphaRef], 128u);
    EXPECT_EQ(st[gpu::Rs::AlphaFunc], gpu::Cmp::Greater);
    EXPECT_EQ(rec->Draws()[0].primCount, 4u);

    s->Stop();
    manager->Update(0.01f);
    EXPECT_TRUE(manager->AlphaTestedSystems().empty());
}

TEST_F(ManagerTest, DestructionIsLoggedAndReleasesTheSystems) {
    testsupport::CapturedLog log;

    auto kept = AddStill(0.0f);
    EXPECT_EQ(kept.UseCount(), 2u);
    manager.reset();
    EXPECT_EQ(kept.UseCount(), 1u);

    EXPECT_EQ(log.Text(), " Particle Systems manager destruction.\n");
}

} // namespace
