// CPU cost of destroying one matched group of five caps: the terminator from
// its creation to its finish at 60 frames a second (0.75 s, 45 frames), with
// the updates of the particle systems and glow layers it feeds on the way (its
// bolts, sparks and glow; the shatter pieces it starts at the end), one cap
// carrying a chain. Drawing is left out: only the effects' own work counts.
#include <benchmark/benchmark.h>

#include <vector>

#include "effects/ParticleSystemsManager.h"
#include "effects/TerminatorManager.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "playfield/CapList.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kOrigin[3] = {-194.5f, 340.5f, 50.0f};

struct TerminatorScene {
    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CQuadLayer> glow;
    CSharedPtr<CQuadLayer> sparks;
    CCapList caps;
    CTerminatorManager manager;

    TerminatorScene()
        : particles(new CParticleSystemsManager(CSharedPtr<CRenderDevice>(),
                                                CSharedPtr<CVertexBuffer>(),
                                                CSharedPtr<CIndexBuffer>())),
          glow(new CQuadLayer(CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(),
                              CSharedPtr<CIndexBuffer>())),
          sparks(new CQuadLayer(CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(),
                                CSharedPtr<CIndexBuffer>())),
          manager(1.0f, &caps, particles, glow, sparks, CSharedPtr<CSpriteLayer>()) {
        particles->Environment().BoundsMin = {-1000.0f, -1000.0f, -1000.0f};
        particles->Environment().BoundsMax = {1000.0f, 1000.0f, 1000.0f};
        caps.SetOrigin(kOrigin[0], kOrigin[1], kOrigin[2], 1);
    }

    // Five caps in a row of the board, the middle one chained.
    std::vector<CSharedPtr<CCap>> MakeCaps() {
        std::vector<CSharedPtr<CCap>> out;
        for (int32_t c = 0; c < 5; ++c) {
            CSharedPtr<CCap> cap;
            caps.CreateCap(cap, 2, 0, (static_cast<float>(c) + 0.5f) * 83.0f, -290.5f, 0.0f,
                           39.0f, 1, kOrigin[0], kOrigin[1], kOrigin[2]);
            cap->SetValue(c == 2 ? 1 : 0);
            out.push_back(cap);
        }
        return out;
    }

    // Drops whatever the last run left in the layers and the particle manager.
    void Settle() {
        for (const auto& s : particles->BlendedSystems())
            s->Stop();
        particles->Update(0.0f);
        glow->Update(10.0f);
        sparks->Update(10.0f);
        caps.Clear();
    }
};

void BM_TerminatorFiveCaps(benchmark::State& state) {
    SetObjectLogPath("/dev/null");
    Rand15::Global().Seed(2024);
    TerminatorScene scene;
    CMatchGroup group;
    for (int32_t c = 0; c < 5; ++c)
        group.Cells.push_back({c, 7});
    for (int32_t c = 0; c + 1 < 5; ++c)
        group.Links.push_back({c, c + 1});

    int64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.Settle();
        std::vector<CSharedPtr<CCap>> tokens = scene.MakeCaps();
        state.ResumeTiming();

        CSharedPtr<CTerminator> t =
            scene.manager.CreateTerminator(1, group, CSharedPtr<CTexture>(), 0);
        for (const auto& cap : tokens)
            t->Init(cap, 0);
        scene.manager.QueueSound(t);
        while (scene.manager.Finished.empty()) {
            scene.manager.Update(kFrame);
            scene.particles->Update(kFrame);
            scene.glow->Update(kFrame);
            scene.sparks->Update(kFrame);
            scene.manager.PlayQueuedSounds();
            ++frames;
        }
        scene.manager.Finished.clear();
        benchmark::ClobberMemory();
    }
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_TerminatorFiveCaps)->Unit(benchmark::kMicrosecond);

} // namespace
