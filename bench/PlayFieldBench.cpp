// CPU cost of the board's logic on the recording back end: one accepted swap
// resolved to a settled board (swap flight, match, terminator, scoring,
// refill, drop-in and rechecks), and the move search of an 8 x 8 board.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>

#include "bonuses/BonusManager.h"
#include "effects/TerminatorManager.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelParams.h"
#include "playfield/MatchFinder.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"

namespace {

// No ready row and no move, but for the swap of (2, 6) and (2, 7).
const std::array<const char*, 8> kBoard = {"01234012", "34012340", "12340123", "40123401",
                                           "23401234", "01234012", "34512340", "55340123"};

struct ApiDeleter {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

class BenchField {
public:
    BenchField() {
        SetObjectLogPath("/dev/null");
        api_.reset(gpu::CreateRecordingApi());
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        device_->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                        gpu::kSwapEffectDiscard, 0);
        caps_ = CSharedPtr<CCapsManager>(
            new CCapsManager(device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
        params_.Speed = 0.0f;
        field_.reset(new CPlayField(caps_, &layout_, &motion_, &params_, &aux_));
        field_->Terminators = CSharedPtr<CTerminatorManager>(new CTerminatorManager(
            1.0f, &field_->CapList, CSharedPtr<CParticleSystemsManager>(),
            CSharedPtr<CQuadLayer>(), CSharedPtr<CQuadLayer>(), CSharedPtr<CSpriteLayer>()));
        field_->Bonuses = CSharedPtr<CBonusManager>(new CBonusManager());
        field_->GemsBar = CSharedPtr<CGemsBar>(new CGemsBar());
        field_->CapSlot = CSharedPtr<CCapSlot>(new CCapSlot());
    }

    // A new level with the fixed board, every cap at rest.
    void Start() {
        CPlayField& f = *field_;
        f.SetColours(1);
        f.Reset(0);
        f.SetActive(false);
        for (int32_t r = 0; r < 8; ++r)
            for (int32_t c = 0; c < 8; ++c) {
                const CVector3 p = f.CellToWorld(c, r, false);
                CSharedPtr<CCap> cap;
                f.CapList.CreateCap(cap, kBoard[static_cast<size_t>(r)][c] - '0', 0, p.X, p.Y,
                                    0.0f, f.TokenSize, 1, f.Origin[0], f.Origin[1], f.Origin[2]);
                cap->Kind = CBoardElement::kBoardCap;
                cap->Landed = 1;
                cap->Column = c;
                cap->Row = r;
                f.Board[static_cast<size_t>(r)][static_cast<size_t>(c)] = cap;
            }
        f.Source = CPlayField::kRandomFill;
    }

    bool Settled() {
        CPlayField& f = *field_;
        if (!f.IsIdle(true))
            return false;
        for (const auto& cap : f.CapList.GetCaps())
            if (cap->Kind == CBoardElement::kBoardCap && cap->Landed == 0)
                return false;
        f.BuildMatchMatrix();
        return f.MatchFinder.HasRun(3, 0) == 0;
    }

    // The swap and the frames until the board is quiet again; the frame count.
    int Play() {
        CPlayField& f = *field_;
        f.SwapCaps(2, 6, 2, 7, 0);
        int frames = 0;
        do {
            f.Update(1.0f / 60.0f, 10000.0f, 10000.0f);
            f.ReorderEvents();
            f.Events.clear();
            ++frames;
        } while (!Settled() && frames < 10000);
        return frames;
    }

private:
    std::unique_ptr<gpu::Api, ApiDeleter> api_;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CCapsManager> caps_;
    CQuestFieldLayout layout_;
    CFieldMotion motion_;
    CLevelParams params_;
    CGameAux aux_;
    std::unique_ptr<CPlayField> field_;
};

void BM_SwapToSettledBoard(benchmark::State& state) {
    BenchField field;
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Rand15::Global().Seed(4242);
        field.Start();
        state.ResumeTiming();
        frames = field.Play();
    }
    state.counters["frames"] = frames;
}
BENCHMARK(BM_SwapToSettledBoard)->Unit(benchmark::kMicrosecond);

void BM_HasMove8x8(benchmark::State& state) {
    CMatchFinder finder;
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 8; ++c)
            finder.Set(c, r, (c + 3 * r) % 5 + 1);  // no move: the whole board is searched
    for (auto _ : state)
        benchmark::DoNotOptimize(finder.HasMove(3, 0));
}
BENCHMARK(BM_HasMove8x8)->Unit(benchmark::kMicrosecond);

} // namespace
