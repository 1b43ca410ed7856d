// CPU cost of one frame of the six particle layers: every manager's Update and
// the writing of every live particle's quad, with about 2000 live particles in
// all (one system of each kind, one kind per manager), and with 2000 in each
// manager. The vertices go to a scratch array, so the figure is the effects'
// own work, not a driver's.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/Particles.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/recording/RecordingApi.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

// Keeps `count` particles drifting and turning; restarts the ones that fade.
class DriftKeeper : public CCollection2Keeper {
public:
    explicit DriftKeeper(int32_t count) : count_(count) {}
    int32_t IsEmitting() override { return 1; }
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }
    int32_t GetEmitCount(float) override { return count_ - live_; }
    int32_t InitParticle(int32_t index, CCollectedParticle2& p, float x, float y, float z) override {
        p.Init(0x00FFC080, x, y, z, 0, 1.0f, 8.0f, 8.0f, static_cast<float>(index % 1024));
        p.Velocity = {static_cast<float>(index % 7) - 3.0f, static_cast<float>(index % 5) - 2.0f,
                      0.0f};
        p.FadeRate = 0.2f + 0.001f * static_cast<float>(index % 100);
        ++live_;
        return 1;
    }
    int32_t UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                           float) override {
        p.Position += p.Velocity * dt;
        p.Angle += 100.0f * dt;
        if (p.Angle >= 1024.0f)
            p.Angle -= 1024.0f;
        p.Life -= p.FadeRate * dt;
        if (p.Life > 0.0f)
            return 1;
        --live_;
        return 0;
    }

private:
    int32_t count_;
    int32_t live_ = 0;
};

struct ApiDeleter {
    void operator()(gpu::Api* a) const {
        if (a)
            a->Release();
    }
};

struct Layers {
    std::unique_ptr<gpu::Api, ApiDeleter> api;
    CSharedPtr<CRenderDevice> device;
    CSharedPtr<CVertexBuffer> vb;
    CSharedPtr<CIndexBuffer> ib;
    CSharedPtr<CTexture> texture;
    std::vector<std::unique_ptr<CParticleSystemsManager>> managers;
    std::vector<gpu::Vertex> vertices;
    std::vector<uint16_t> indices;

    // One system of each kind, `perLayer` live particles each at steady state.
    explicit Layers(int32_t perLayer) {
        Rand15::Global().Seed(2024);
        api.reset(gpu::CreateRecordingApi(gpu::RecordingConfig{}));
        device = CSharedPtr<CRenderDevice>(new CRenderDevice(api.get(), 0));
        device->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                       gpu::kSwapEffectDiscard, 0);
        vb = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        ib = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        for (int i = 0; i < 6; ++i) {
            auto m = std::make_unique<CParticleSystemsManager>(device, vb, ib);
            m->Environment().BoundsMin = {-1000.0f, -1000.0f, -1000.0f};
            m->Environment().BoundsMax = {1000.0f, 1000.0f, 1000.0f};
            m->Environment().Camera->Position.Z = 10000.0f;
            managers.push_back(std::move(m));
        }
        const float n = static_cast<float>(perLayer);
        // Continuous kinds: a 2-second life at n / 2 a second keeps n alive.
        CSparksSpringParametres sparks(0, 0, 0, 0, 30, 0, 1, 0, 0, 40, 40, 0xFFFFFF);
        sparks.FadeRate = 0.5f;
        sparks.EmissionDuration = 1.0e9f;
        sparks.EmissionRate = n / 2.0f;
        managers[0]->AddSparks(sparks, perLayer + 16, texture);

        CSmokesSpringParametres smokes(0, 0, 0, 0, 1, 0, 0, 1, 0, 20, 20, 5, 5, 0x808080, 0);
        smokes.FadeOutRate = 0.5f;
        smokes.FadeOutVariation = 0.0f;
        smokes.EmissionDuration = 1.0e9f;
        smokes.EmissionRate = n / 2.0f;
        smokes.Speed = 10.0f;
        smokes.Size = 10.0f;
        managers[1]->AddSmokes(smokes, perLayer + 16, texture);

        CExplosionParametres explosion(0, 0, 0, 0, 0, 0, 0, 1, 0, 20, 0, perLayer, 0xFF8040, 0);
        explosion.FadeRate = 0.001f;
        explosion.FadeVariation = 0.0f;
        explosion.Speed = 50.0f;
        managers[2]->AddExplosion(explosion, perLayer, texture);

        const int32_t bolts = 10;
        const int32_t segments = perLayer / bolts;
        CThunderboltParametres bolt(-200, 0, 0, 0, 1, 0, 0, 0, 1, 10, 10, 4, 200, 0, 0, 0, 1, 0,
                                    0, 0, 1, 10, 10, 4, segments, bolts, 0x80C0FF);
        bolt.EmissionDuration = 1.0e9f;
        managers[3]->AddThunderbolt(bolt, bolts * (segments + 1), texture);

        CSpellsSpringParametres spells(0, 0, 0, 0, 0, 0, 20, 5, 6, 2, 0xFFFF80);
        spells.FadeRate = 0.5f;
        spells.FadeVariation = 0.0f;
        spells.EmissionDuration = 1.0e9f;
        spells.EmissionRate = n / 2.0f;
        spells.Spin = 200.0f;
        managers[4]->AddSpells(spells, perLayer + 16, texture);

        CCollection2Parametres collection(
            0, 0, 0, nullptr, CSharedPtr<CCollection2Keeper>(new DriftKeeper(perLayer)), 0);
        collection.KeeperEmission = 1;
        collection.EmissionDuration = 1.0e9f;
        managers[5]->AddCollection(collection, perLayer, texture);

        vertices.resize(static_cast<size_t>(perLayer + 64) * 4);
        indices.resize(static_cast<size_t>(perLayer + 64) * 6);
        // Reach the steady state.
        for (int f = 0; f < 240; ++f)
            Frame();
    }

    void Frame() {
        for (auto& m : managers)
            m->Update(kFrame);
        for (auto& m : managers) {
            for (const auto& s : m->BlendedSystems()) {
                int32_t nv = 0, ni = 0;
                s->GetBufferNeeds(&nv, &ni);
                if (nv < 1 || static_cast<size_t>(nv) > vertices.size() ||
                    static_cast<size_t>(ni) > indices.size())
                    continue;
                gpu::Vertex* v = vertices.data();
                uint16_t* i = indices.data();
                s->FillBuffers(&v, &i, 0, 0);
            }
        }
    }

    int64_t Live() const {
        int64_t live = 0;
        for (const auto& m : managers)
            for (const auto& s : m->BlendedSystems())
                live += s->LiveCount;
        return live;
    }
};

void BM_SixParticleLayers(benchmark::State& state) {
    const int32_t total = static_cast<int32_t>(state.range(0));
    const int32_t perLayer = static_cast<int32_t>(state.range(1)) ? total : total / 6;
    Layers layers(perLayer);
    for (auto _ : state) {
        layers.Frame();
        benchmark::DoNotOptimize(layers.vertices.data());
        benchmark::ClobberMemory();
    }
    state.counters["live"] = static_cast<double>(layers.Live());
    state.counters["particles/s"] = benchmark::Counter(
        static_cast<double>(layers.Live()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

// {2000 in all, spread over the six layers}, {2000 in every layer}.
BENCHMARK(BM_SixParticleLayers)
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
