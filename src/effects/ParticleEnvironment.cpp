#include "effects/ParticleEnvironment.h"

#include <cmath>

#include "effects/ParticleMath.h"

float CParticleCamera::Depth(const CVector3& point) const {
    return particles::Dot(point - Position, View);
}

CParticleEnvironment::CParticleEnvironment() : Camera(new CParticleCamera()) {
    const double step = 3.14159265358979323846 / 512.0;
    for (int i = 0; i < kTableSize; ++i) {
        Sine[i] = static_cast<float>(std::sin(i * step));
        Cosine[i] = static_cast<float>(std::cos(i * step));
    }
    for (int k = 0; k < kAtlasSlots; ++k) {
        // Only the 16 cells of the atlas are meaningful; the rest stay at 0.
        FrameU[k] = k < kAtlasFrames ? static_cast<float>(k % 4) * 0.25f : 0.0f;
        FrameV[k] = k < kAtlasFrames ? static_cast<float>(k / 4) * 0.25f : 0.0f;
    }
}

namespace {
// Rounds to the nearest integer and masks; the remainder is taken first so that
// huge angles cannot overflow the conversion (it keeps whole turns intact).
int TableIndex(float value, float period, int mask) {
    if (!std::isfinite(value))
        return 0;
    float r = std::fmod(value, period);
    return static_cast<int>(std::lrint(r)) & mask;
}
} // namespace

void CParticleEnvironment::SinCos(float angle, float* sine, float* cosine) const {
    int i = TableIndex(angle, 1024.0f, kTableSize - 1);
    *sine = Sine[i];
    *cosine = Cosine[i];
}

void CParticleEnvironment::AtlasFrame(float frame, float* u, float* v) const {
    int i = TableIndex(frame, 64.0f, kAtlasSlots - 1);
    *u = FrameU[i];
    *v = FrameV[i];
}

bool CParticleEnvironment::IsInside(const CVector3& p) const {
    // Written so that a position that is not a number counts as outside.
    return p.X >= BoundsMin.X && p.X <= BoundsMax.X && p.Y >= BoundsMin.Y &&
           p.Y <= BoundsMax.Y && p.Z >= BoundsMin.Z && p.Z <= BoundsMax.Z;
}
