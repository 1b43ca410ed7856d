#pragma once
// A burst of textured drops thrown from random points of an ellipsoid around
// the origin: every drop flies straight out from the centre, faster or slower
// at random, falls under gravity, turns to face its direction of flight and
// dies below a floor. All drops start on the system's first update.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CDropsSprayKeeper : public CCollection2Keeper {
public:
    // Counts are kept within 0..kMaxDrops.
    static constexpr int32_t kMaxDrops = 65536;

    CDropsSprayKeeper();

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    // The drops not started yet (none before Generate or AddPoints).
    int32_t GetEmitCount(float dt) override;
    // Starts drop `index`; an index without a generated drop starts nothing.
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    // Drop count, the ellipsoid's full extents and the texture rectangle. The
    // drops already generated stay.
    virtual void SetParameters(int32_t count, float width, float height, float depth, float left,
                               float top, float right, float bottom);
    // Draws the start points and velocities of all drops.
    virtual void Generate();
    // Appends the other spray's drops (so a second spray in another colour or
    // texture throws exactly the same drops); the count becomes the total.
    virtual void AddPoints(CSharedPtr<CDropsSprayKeeper> other);

    uint32_t Colour = 0x00FFFFFF;
    int32_t DropCount = 16;
    // u, v of the corners (left, top), (right, top), (right, bottom), (left, bottom).
    float TexCorners[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    float SpreadWidth = 84.0f;
    float SpreadHeight = 84.0f;
    float SpreadDepth = 0.0f;
    float DropSize = 32.0f;
    std::vector<CVector3> StartPoints;
    std::vector<CVector3> StartVelocities;
    float Floor = -10.0f;
    float Speed = 1.0f;
    float SpeedSpread = 0.5f;
    float Gravity = 1.0f;
    int32_t AllEmitted = 0;
    int32_t Emitted = 0;
};

// The direction of flight (vx, vy) in 1024ths of a turn: 512 straight up, 0
// straight down and at rest.
float FlightAngle(float vx, float vy);
