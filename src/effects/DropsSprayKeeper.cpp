#include "effects/DropsSprayKeeper.h"

#include <algorithm>
#include <cmath>

#include "effects/KeeperMath.h"
#include "effects/Particles.h"

CDropsSprayKeeper::CDropsSprayKeeper() {
    Colour = 0x00FFFFFF;
    SetParameters(16, 84.0f, 84.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
}

void CDropsSprayKeeper::SetParameters(int32_t count, float width, float height, float depth,
                                      float left, float top, float right, float bottom) {
    DropCount = std::clamp(count, 0, kMaxDrops);
    SpreadWidth = width;
    SpreadHeight = height;
    SpreadDepth = depth;
    const keeper::FrameCorners c = keeper::RectCorners(left, top, right, bottom);
    std::copy(c.begin(), c.end(), TexCorners);
}

void CDropsSprayKeeper::Generate() {
    const size_t n = static_cast<size_t>(std::clamp(DropCount, 0, kMaxDrops));
    StartPoints.assign(n, CVector3{});
    StartVelocities.assign(n, CVector3{});
    for (size_t i = 0; i < n; ++i) {
        CVector3 direction;
        keeper::EllipsoidPoint(SpreadWidth, SpreadHeight, SpreadDepth, StartPoints[i], direction);
        const float speed = keeper::Vary(Speed, SpeedSpread);
        StartVelocities[i] = direction * speed;
    }
}

void CDropsSprayKeeper::AddPoints(CSharedPtr<CDropsSprayKeeper> other) {
    if (other.IsNull())
        return;
    // Copies first: the other spray may be this one.
    const std::vector<CVector3> points = other->StartPoints;
    const std::vector<CVector3> velocities = other->StartVelocities;
    const size_t room = static_cast<size_t>(kMaxDrops) - std::min(StartPoints.size(),
                                                                  static_cast<size_t>(kMaxDrops));
    const size_t n = std::min({points.size(), velocities.size(), room});
    StartPoints.insert(StartPoints.end(), points.begin(), points.begin() + n);
    StartVelocities.insert(StartVelocities.end(), velocities.begin(), velocities.begin() + n);
    DropCount = static_cast<int32_t>(std::min(StartPoints.size(), StartVelocities.size()));
}

int32_t CDropsSprayKeeper::GetEmitCount(float) {
    if (AllEmitted)
        return 0;
    const size_t generated = std::min(StartPoints.size(), StartVelocities.size());
    const int32_t available =
        static_cast<int32_t>(std::min(generated, static_cast<size_t>(std::max(DropCount, 0))));
    return std::max(available - Emitted, 0);
}

int32_t CDropsSprayKeeper::InitParticle(int32_t index, CCollectedParticle2& p, float, float,
                                        float) {
    if (index < 0 || static_cast<size_t>(index) >= StartPoints.size() ||
        static_cast<size_t>(index) >= StartVelocities.size())
        return 1;
    const CVector3& point = StartPoints[static_cast<size_t>(index)];
    p.Init(Colour, X + point.X, Y + point.Y, Z + point.Z, 0, 1.0f, DropSize, DropSize, 0.0f);
    p.Velocity = StartVelocities[static_cast<size_t>(index)];
    for (int k = 0; k < 4; ++k)
        p.Uv[k] = {TexCorners[2 * k], TexCorners[2 * k + 1]};
    ++Emitted;
    if (Emitted >= DropCount)
        AllEmitted = 1;
    return 1;
}

float FlightAngle(float vx, float vy) {
    const float speed = std::sqrt(vx * vx + vy * vy);
    if (!(speed > 0.0f))
        return 0.0f;
    const float nx = vx / speed;
    const float ny = vy / speed;
    if (nx > 0.0f)
        return std::atan(ny / nx) * keeper::kTurnUnitsPerRadian + 256.0f;
    if (nx < 0.0f)
        return std::atan(ny / nx) * keeper::kTurnUnitsPerRadian + 256.0f + 512.0f;
    return ny > 0.0f ? 512.0f : 0.0f;
}

int32_t CDropsSprayKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                                          float) {
    p.Velocity.Y -= Gravity * dt;
    p.Position += p.Velocity * dt;
    p.Angle = FlightAngle(p.Velocity.X, p.Velocity.Y);
    return Floor <= p.Position.Y ? 1 : 0;
}
