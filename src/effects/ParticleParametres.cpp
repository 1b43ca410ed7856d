#include "effects/ParticleParametres.h"

#include "effects/Collection2Keeper.h"
#include "effects/ParticleMath.h"

CSparksSpringParametres::CSparksSpringParametres(float x, float y, float z, float vx, float vy,
                                                 float vz, float sx, float sy, float sz,
                                                 float spreadWidth, float spreadHeight,
                                                 uint32_t colour)
    : Position(x, y, z), Velocity(vx, vy, vz), SpreadDirection(sx, sy, sz),
      SpreadWidth(spreadWidth), SpreadHeight(spreadHeight), Colour(colour) {}

CSmokesSpringParametres::CSmokesSpringParametres(float x, float y, float z, float vx, float vy,
                                                 float vz, float sx, float sy, float sz,
                                                 float positionSpread1, float positionSpread2,
                                                 float velocitySpread1, float velocitySpread2,
                                                 uint32_t colour, uint32_t mode)
    : Mode(mode), Position(x, y, z), Velocity(vx, vy, vz), SpreadDirection(sx, sy, sz),
      PositionSpread1(positionSpread1), PositionSpread2(positionSpread2),
      VelocitySpread1(velocitySpread1), VelocitySpread2(velocitySpread2), Colour(colour) {}

CExplosionParametres::CExplosionParametres(float cx, float cy, float cz, float vx, float vy,
                                           float vz, float dx, float dy, float dz,
                                           float startRadius, float spread,
                                           int32_t particleCount, uint32_t colour, int32_t mode)
    : Mode(mode), Position(cx, cy, cz), Velocity(vx, vy, vz),
      Direction(particles::NormalisedOr(CVector3(dx, dy, dz), CVector3(0.0f, 1.0f, 0.0f))),
      StartRadius(startRadius), Colour(colour), Spread(spread), ParticleCount(particleCount) {}

CThunderboltParametres::CThunderboltParametres(
    float sx, float sy, float sz, float s1x, float s1y, float s1z, float s2x, float s2y, float s2z,
    float length1, float length2, float startJitter, float ex, float ey, float ez, float e1x,
    float e1y, float e1z, float e2x, float e2y, float e2z, float length3, float length4,
    float endJitter, int32_t segments, int32_t bolts, uint32_t colour)
    : Position(sx, sy, sz), StartAxis1(s1x, s1y, s1z), StartAxis2(s2x, s2y, s2z),
      Length1(length1), Length2(length2), StartJitter(startJitter), End(ex, ey, ez),
      EndAxis1(e1x, e1y, e1z), EndAxis2(e2x, e2y, e2z), Length3(length3), Length4(length4),
      EndJitter(endJitter), Colour(colour), Segments(segments), Bolts(bolts) {}

CSpellsSpringParametres::CSpellsSpringParametres(float x, float y, float z, float vx, float vy,
                                                 float vz, float speed, float speedVariation,
                                                 float size, float sizeVariation, uint32_t colour)
    : Position(x, y, z), Velocity(vx, vy, vz), Colour(colour), Speed(speed),
      SpeedVariation(speedVariation), Size(size), SizeVariation(sizeVariation) {}

CCollection2Parametres::CCollection2Parametres(float x, float y, float z,
                                               const std::vector<CCollectedParticle2>* initial,
                                               CSharedPtr<CCollection2Keeper> keeper,
                                               int32_t blendMode)
    : BlendMode(blendMode), Position(x, y, z), InitialList(initial), Keeper(keeper) {}

CCollection2Parametres::~CCollection2Parametres() = default;
