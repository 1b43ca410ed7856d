// The keeper-driven collection system: keeper calls, list emission, blending
// and drawing.
#include <vector>

#include "ParticleTestSupport.h"
#include "effects/Collection2Keeper.h"
#include "effects/Collection2ParticleSystem.h"

using namespace particletest;

namespace {

// Records what the system asks and answers as scripted.
class ScriptedKeeper : public CCollection2Keeper {
public:
    int32_t SetOrigin(float x, float y, float z, float dt) override {
        ++origins;
        lastDt = dt;
        StoreOrigin(x, y, z);
        return originResult;
    }
    int32_t IsEmitting() override { return emitting; }
    int32_t GetEmitCount(float) override {
        int32_t n = emitCount;
        emitCount = 0;
        return n;
    }
    int32_t InitParticle(int32_t index, CCollectedParticle2& p, float x, float y, float z) override {
        initialised.push_back(index);
        if (refuse)
            return 1;
        p.Init(0x00FFFFFF, x, y, z, 0, 1.0f, 2.0f, 2.0f, 0.0f);
        return 1;
    }
    int32_t UpdateParticle(int32_t index, CCollectedParticle2& p, float dt, float, float,
                           float) override {
        p.Life -= 0.5f * dt;
        return index == killIndex ? 0 : 1;
    }

    int32_t originResult = 1;
    int32_t emitting = 1;
    int32_t emitCount = 0;
    int32_t killIndex = -1;
    bool refuse = false;
    int origins = 0;
    float lastDt = -1.0f;
    std::vector<int32_t> initialised;
};

class CollectionSystemTest : public ParticleFixture {
protected:
    CCollection2ParticleSystem* Add(const CCollection2Parametres& p, int32_t capacity) {
        handle = manager->AddCollection(p, capacity, texture);
        return static_cast<CCollection2ParticleSystem*>(handle.Get());
    }
    CCollection2Parametres KeeperBlock(int32_t blend = 0) {
        CCollection2Parametres p(1, 2, 3, nullptr, CSharedPtr<CCollection2Keeper>(keeper), blend);
        p.KeeperEmission = 1;
        return p;
    }
    CSharedPtr<ScriptedKeeper> keeper{new ScriptedKeeper()};
    CSharedPtr<CParticleSystem> handle;
};

TEST_F(CollectionSystemTest, InitialListIsEmittedOnceAndLivesUntilStopped) {
    std::vector<CCollectedParticle2> list(10);
    for (int i = 0; i < 10; ++i)
        list[static_cast<size_t>(i)].Init(0x102030, static_cast<float>(i), 0, 0, i, 1.0f, 1, 1, 0);
    CCollection2Parametres p(0, 0, 0, &list, CSharedPtr<CCollection2Keeper>(), 2);
    CCollection2ParticleSystem* s = Add(p, 16);
    list.clear();  // the system has its own copy
    manager->Update(0.1f);
    EXPECT_EQ(s->LiveCount, 10);
    EXPECT_EQ(s->Emitting, 0);
    EXPECT_FLOAT_EQ(s->Pool[7].Position.X, 7.0f);
    EXPECT_EQ(s->Pool[7].Frame, 7);
    for (int i = 0; i < 50; ++i)
        manager->Update(0.5f);
    EXPECT_EQ(s->LiveCount, 10);
    EXPECT_EQ(manager->BlendedSystems().size(), 1u);
    handle->Stop();
    manager->Update(0.1f);
    EXPECT_TRUE(manager->BlendedSystems().empty());
}

TEST_F(CollectionSystemTest, ListLongerThanThePoolFillsThePool) {
    std::vector<CCollectedParticle2> list(6);
    for (auto& r : list)
        r.Init(0, 0, 0, 0, 0, 1.0f, 1, 1, 0);
    CCollection2ParticleSystem* s =
        Add(CCollection2Parametres(0, 0, 0, &list, CSharedPtr<CCollection2Keeper>(), 0), 4);
    s->Update(0.1f);
    EXPECT_EQ(s->LiveCount, 4);

    // Without a list there is nothing to do.
    CCollection2ParticleSystem* e =
        Add(CCollection2Parametres(0, 0, 0, nullptr, CSharedPtr<CCollection2Keeper>(), 0), 4);
    EXPECT_EQ(e->Update(0.1f), 0);
}

TEST_F(CollectionSystemTest, KeeperRefusingAtOnceEndsTheSystemBeforeAnyParticle) {
    keeper->originResult = 0;
    keeper->emitCount = 5;
    Add(KeeperBlock(), 8);
    manager->Update(0.1f);
    EXPECT_EQ(keeper->origins, 1);
    EXPECT_TRUE(keeper->initialised.empty());
    EXPECT_TRUE(manager->BlendedSystems().empty());
}

TEST_F(CollectionSystemTest, KeeperStartsAtMostTheCapacityInTheLowestFreeRecords) {
    keeper->emitCount = 1000;
    CCollection2ParticleSystem* s = Add(KeeperBlock(), 16);
    s->Update(0.1f);
    EXPECT_EQ(keeper->initialised.size(), 16u);
    EXPECT_EQ(s->LiveCount, 16);
    EXPECT_FLOAT_EQ(keeper->X, 1.0f);
    EXPECT_FLOAT_EQ(s->Pool[15].Position.Z, 3.0f);  // started at the system's point

    // A killed record is the first to be used again.
    keeper->killIndex = 5;
    s->Update(0.1f);
    EXPECT_EQ(s->LiveCount, 15);
    keeper->killIndex = -1;
    keeper->initialised.clear();
    keeper->emitCount = 2;
    s->Update(0.1f);
    // One free record, then the second start goes over record 0.
    EXPECT_EQ(keeper->initialised, (std::vector<int32_t>{5, 0}));
    EXPECT_EQ(s->LiveCount, 16);
}

TEST_F(CollectionSystemTest, KilledTopRecordsLowerTheUsedSlots) {
    keeper->emitCount = 3;
    CCollection2ParticleSystem* s = Add(KeeperBlock(), 8);
    s->Update(0.1f);
    EXPECT_EQ(s->UsedSlots, 3);
    keeper->killIndex = 2;
    s->Update(0.1f);
    EXPECT_EQ(s->UsedSlots, 2);

    // A keeper that leaves a record unstarted leaves it free.
    keeper->killIndex = -1;
    keeper->refuse = true;
    keeper->emitCount = 4;
    s->Update(0.1f);
    EXPECT_EQ(s->UsedSlots, 2);
    EXPECT_EQ(s->LiveCount, 2);
}

TEST_F(CollectionSystemTest, EmissionEndsWithTheKeeperOrTheDuration) {
    keeper->emitCount = 1;
    auto block = KeeperBlock();
    block.EmissionDuration = 0.25f;
    CCollection2ParticleSystem* s = Add(block, 8);
    s->Update(0.1f);
    EXPECT_EQ(s->Emitting, 1);
    s->Update(0.2f);  // 0.05 s past the end: the keeper sees the cut step
    EXPECT_EQ(s->Emitting, 0);
    EXPECT_NEAR(keeper->lastDt, 0.15f, 1e-6f);
    // The keeper is still asked where the origin is every update.
    s->Update(0.1f);
    EXPECT_EQ(keeper->origins, 3);

    auto k2 = CSharedPtr<ScriptedKeeper>(new ScriptedKeeper());
    k2->emitting = 0;
    k2->emitCount = 4;
    CCollection2Parametres p(0, 0, 0, nullptr, CSharedPtr<CCollection2Keeper>(k2), 0);
    p.KeeperEmission = 1;
    p.Timed = 0;
    CCollection2ParticleSystem* t = Add(p, 8);
    EXPECT_EQ(t->Update(0.1f), 0);
    EXPECT_TRUE(k2->initialised.empty());
}

TEST_F(CollectionSystemTest, BlendModesAndAlphaScaleShowInTheDraw) {
    keeper->emitCount = 1;
    auto block = KeeperBlock(1);
    block.AlphaScale = 0.5f;
    CCollection2ParticleSystem* s = Add(block, 4);
    EXPECT_EQ(s->SrcBlend, gpu::Blend::DestColor);
    EXPECT_EQ(s->DestBlend, gpu::Blend::Zero);
    manager->Update(0.0f);  // life stays 1
    BeginFrame();
    manager->RenderBlended();
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    const auto& d = rec->Draws()[0];
    EXPECT_EQ(d.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::DestColor);
    EXPECT_EQ(d.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::Zero);
    EXPECT_EQ(d.IndexedVertex(0).diffuse, 0x80FFFFFFu);

    CSharedPtr<CCollection2Keeper> none;
    EXPECT_EQ(Add(CCollection2Parametres(0, 0, 0, nullptr, none, 2), 1)->DestBlend,
              gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(Add(CCollection2Parametres(0, 0, 0, nullptr, none, 7), 1)->DestBlend,
              gpu::Blend::One);
}

TEST_F(CollectionSystemTest, QuadsFollowTheRecordsCornersAngleAndTexture) {
    std::vector<CCollectedParticle2> list(1);
    CCollectedParticle2& r = list[0];
    r.Init(0x00404040, 10, 20, 0, 0, 0.5f, 4.0f, 2.0f, 256.0f);  // a quarter turn
    r.Uv[0] = {0.25f, 0.5f};
    CCollection2ParticleSystem* s =
        Add(CCollection2Parametres(0, 0, 0, &list, CSharedPtr<CCollection2Keeper>(), 0), 2);
    s->Update(0.1f);
    Written w = Fill(*s);
    ASSERT_EQ(w.Quads(), 1u);
    // Turned a quarter: the width runs along +y, the height along -x.
    // Corner 0 (-0.5, 0.5): (10 - 1, 20 - 2).
    EXPECT_NEAR(w.vertices[0].x, 9.0f, 1e-5f);
    EXPECT_NEAR(w.vertices[0].y, 18.0f, 1e-5f);
    // Corner 2 (0.5, -0.5): (10 + 1, 20 + 2).
    EXPECT_NEAR(w.vertices[2].x, 11.0f, 1e-5f);
    EXPECT_NEAR(w.vertices[2].y, 22.0f, 1e-5f);
    EXPECT_FLOAT_EQ(w.vertices[0].u0, 0.25f);
    EXPECT_FLOAT_EQ(w.vertices[0].v0, 0.5f);
    EXPECT_EQ(w.vertices[0].diffuse, 0x80404040u);

    s->Move(1, 0, 0);
    EXPECT_FLOAT_EQ(s->Pool[0].Position.X, 11.0f);
}

TEST_F(CollectionSystemTest, TheSystemSharesItsKeeper) {
    keeper->emitCount = 1;
    Add(KeeperBlock(), 4);
    EXPECT_EQ(keeper.UseCount(), 2u);
    handle = CSharedPtr<CParticleSystem>();
    manager.reset();
    EXPECT_EQ(keeper.UseCount(), 1u);
}

} // namespace
