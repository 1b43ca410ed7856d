#pragma once
// A one-shot burst of spinning sprites: a fixed number of sprites laid out in
// advance on an ellipsoid, a ring or a line, each with its own random size,
// rotation, spin and texture frame, all started on the first update and then
// flying under gravity until they fall below a floor.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "effects/KeeperMath.h"
#include "engine/Vector3.h"

class CSimpleSpriteSystemKeeper : public CCollection2Keeper {
public:
    // Counts are kept within 0..kMaxSprites.
    static constexpr int32_t kMaxSprites = 65536;

    // One laid-out sprite.
    struct Sprite {
        CVector3 Point;     // offset from the origin
        CVector3 Velocity;
        float Width = 0.0f, Height = 0.0f;
        float Angle = 0.0f;  // 1024ths of a turn
        float Spin = 0.0f;   // 1024ths of a turn per second
        int32_t Frame = 0;
    };

    CSimpleSpriteSystemKeeper();

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    // The laid-out sprites not started yet.
    int32_t GetEmitCount(float dt) override;
    // Starts sprite `index`; an index without a laid-out sprite starts nothing.
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    // Sprite count and the full extents of the ellipsoid used by Generate.
    virtual void SetParameters(int32_t count, float width, float height, float depth);
    virtual void SetFrameRect(int32_t frame, float left, float top, float right, float bottom);
    // Replaces frame `frame`, or appends one when there is no such frame.
    virtual void SetFrameCorners(int32_t frame, float u0, float v0, float u1, float v1, float u2,
                                 float v2, float u3, float v3);
    // On the ellipsoid, flying straight out from its centre, at random angles.
    virtual void Generate();
    // On a circle, flying outward, each facing along its spoke.
    virtual void GenerateRing(float radius, int32_t count, float startAngle);
    // Evenly along the segment P0..P1, all facing along it, flying in random
    // directions.
    virtual void GenerateLine(float x0, float y0, float z0, float x1, float y1, float z1,
                              int32_t count);

    const std::vector<Sprite>& Sprites() const { return sprites_; }
    const std::vector<keeper::FrameCorners>& Frames() const { return frames_; }

    uint32_t Colour = 0x00FFFFFF;
    int32_t SpriteCount = 16;
    float SpreadWidth = 84.0f;
    float SpreadHeight = 84.0f;
    float SpreadDepth = 0.0f;
    float Width = 32.0f;
    float Height = 32.0f;
    float WidthSpread = 16.0f;
    float HeightSpread = 16.0f;
    float Floor = -10.0f;
    float Speed = 1.0f;
    float SpeedSpread = 0.5f;
    float Spin = 256.0f;
    float SpinSpread = 128.0f;
    float Gravity = 1.0f;
    int32_t AllEmitted = 0;
    int32_t Emitted = 0;

private:
    // Speed, size, angle (unless given), spin sign and spin, frame: the draws
    // every layout makes for each sprite after its point and direction.
    void FinishSprite(Sprite& s, const CVector3& direction, const float* angle);

    std::vector<keeper::FrameCorners> frames_;
    std::vector<Sprite> sprites_;
};

// The direction of the segment from P0 to P1 in the x-y plane, in 1024ths of a
// turn (256 straight up, 768 straight down, 0 for a segment of no length).
float SegmentAngle(float dx, float dy, float dz);
