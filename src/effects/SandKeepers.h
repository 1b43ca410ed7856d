#pragma once
// The keepers that animate the sand of the quest field:
// - CSandKeeper: the burst of grains thrown when a token is removed; they fall
//   and sink into the box bottom.
// - CDustTrackKeeper: dust puffs trailing the grains of one burst system.
// - CDuneSandFlyOut: grains blown off the peaks of the sand surface, and grains
//   flowing out of column 0 along the sand path while the box drains.
// - CDuneDustKeeper: dust blown along the sand surface.
// The textures are 4 x 4 atlases; each particle shows one cell.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "effects/DuneBox.h"
#include "engine/SharedPtr.h"
#include "engine/SplinePath.h"
#include "engine/Vector3.h"

class CParticleSystem;
class CSandbox;

class CSandKeeper : public CCollection2Keeper {
public:
    CSandKeeper() = default;

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    // The burst first, then (with a rate above 0) a steady stream.
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    uint32_t Colour = 0xFFA09050;
    // The grains' picture is a sheet of this many cells a side, one grain
    // each; 1 for a picture that is a single sprite.
    int32_t PictureCells = 4;
    float Width = 76.0f;
    float Height = 76.0f;
    int32_t BurstCount = 8;
    // Grains per second after the burst (0: burst only).
    float Rate = 40.0f;
    float Accumulator = 0.0f;
    // A grain dies once its quad lies wholly below this y; one across it is cut.
    float Floor = -300.0f;
    float Speed = 25.0f;
    float SpeedSpread = 12.5f;
    float Gravity = 1000.0f;
    float FallSpeedLimit = 10000.0f;
    int32_t BurstDone = 0;
    int32_t Started = 0;
};

class CDustTrackKeeper : public CCollection2Keeper {
public:
    // Takes its colour, speeds, size and floor from the burst keeper, and
    // trails the live grains of the burst's system.
    CDustTrackKeeper(const CSandKeeper& source, CSharedPtr<CParticleSystem> sourceSystem);

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    // Counts the tracked grains; 0 (the end of emission) once the burst system
    // no longer emits and has no live grain.
    int32_t SetOrigin(float x, float y, float z, float dt) override;

    CSharedPtr<CParticleSystem> Tracked;
    uint32_t Colour;
    int32_t PictureCells;
    float FadeInRate = 2.5f;
    float FadeOutRate = 0.75f;
    float FadeOutSpread = 0.25f;
    float Speed;
    float SpeedSpread;
    // Share of its velocity a puff loses per second.
    float Damping = 0.75f;
    float Spin = 256.0f;
    float SpinSpread = 128.0f;
    float Size;
    float SizeSpread;
    float Growth;
    float GrowthSpread;
    float GrowthDamping = 0.5f;
    float Floor;
    // A puff's lowest point stays at or above Floor + FloorOffset.
    float FloorOffset;
    // Puffs per second for each live grain.
    float Rate = 0.25f;
    int32_t LiveGrains = 0;
};

class CDuneSandFlyOut : public CCollection2Keeper {
public:
    CDuneSandFlyOut();
    ~CDuneSandFlyOut() override;

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    // Counts the peaks of the sand surface.
    int32_t SetOrigin(float x, float y, float z, float dt) override;

    // The box geometry and the surface points belong to the dune effect, which
    // calls Detach before they go.
    void Setup(CSharedPtr<CSandbox> sandbox, const CDuneBox* box, const CSplinePath& path,
               const std::vector<CVector3>* surface, float inGravity, float outGravity,
               float pathSpeed, float setupValue);
    // Forgets the dune effect's geometry: from then on nothing is emitted and
    // every grain dies at its next update.
    void Detach();

    // Where grain `index` is: 0 free, 1 following the path, 2 past its end.
    int32_t PathState(int32_t index) const;

    uint32_t Colour = 0xFFA09050;
    float Width = 8.0f;
    float Height = 8.0f;
    // Grains per second blown off the peaks.
    float PeakRate = 40.0f;
    // Grains per second flowing out along the path while the box drains.
    float PathRate = 40.0f;
    CSharedPtr<CSandbox> Sandbox;
    CSplinePath Path;
    float InGravity = 5.0f;
    float OutGravity = 20.0f;
    float PathSpeed = 32.0f;
    float SetupValue = 500.0f;
    float FadeInRate = 10.0f;
    float FreeFadeOutRate = 1.0f;
    float PathFadeOutRate = 2.0f;
    float SettleFadeRate = 10.0f;
    int32_t Enabled = 1;
    float PeakAccumulator = 0.0f;
    float PathAccumulator = 0.0f;
    int32_t Peaks = 0;
    int32_t PeakPending = 0;
    int32_t PathPending = 0;

private:
    void Touch(size_t index);

    const CDuneBox* box_ = nullptr;
    const std::vector<CVector3>* surface_ = nullptr;
    std::vector<int32_t> onPath_;
    std::vector<float> pathTimes_;
};

class CDuneDustKeeper : public CCollection2Keeper {
public:
    CDuneDustKeeper() = default;
    ~CDuneDustKeeper() override;

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    // Counts the columns that blow dust.
    int32_t SetOrigin(float x, float y, float z, float dt) override;

    // As CDuneSandFlyOut::Setup; the braking becomes the speed.
    void Setup(CSharedPtr<CSandbox> sandbox, const CDuneBox* box,
               const std::vector<CVector3>* surface, float speed, float speedSpread, float spin,
               float spinSpread);
    void Detach();

    uint32_t Colour = 0xFFA09050;
    float Size = 8.0f;
    float SizeSpread = 4.0f;
    // Puffs per second when every column is a source.
    float Rate = 80.0f;
    CSharedPtr<CSandbox> Sandbox;
    float Speed = 80.0f;
    float SpeedSpread = 40.0f;
    float Braking = 80.0f;
    float FadeInRate = 2.0f;
    float FadeOutRate = 1.0f;
    float FadeOutSpread = 0.5f;
    float WallFadeRate = 10.0f;
    float Spin = 512.0f;
    float SpinSpread = 256.0f;
    int32_t Enabled = 1;
    float Accumulator = 0.0f;
    int32_t Sources = 0;

private:
    bool IsSource(size_t column) const;

    const CDuneBox* box_ = nullptr;
    const std::vector<CVector3>* surface_ = nullptr;
};
