#include "effects/SandKeepers.h"

#include <algorithm>
#include <cmath>

#include "effects/Collection2ParticleSystem.h"
#include "effects/KeeperMath.h"
#include "effects/Particles.h"
#include "effects/Sandbox.h"

namespace {

// Mean levels at or below this count as an empty box.
constexpr double kEmptyLevel = 0.000001;

// A cell of the 4 x 4 atlas picked by column and row (two draws): a + 4b.
int32_t DrawAtlasCell() {
    const int32_t a = keeper::PickIndex(RandomFloat(), 4);
    const int32_t b = keeper::PickIndex(RandomFloat(), 4);
    return a + 4 * b;
}

// The sand height under surface column c at fraction f.
float SurfaceY(const std::vector<CVector3>& surface, int c, float f) {
    return surface[static_cast<size_t>(c)].Y * (1.0f - f) +
           surface[static_cast<size_t>(c) + 1].Y * f;
}

} // namespace

// ---------------------------------------------------------------- CSandKeeper

int32_t CSandKeeper::GetEmitCount(float dt) {
    if (!BurstDone) {
        const int32_t left = BurstCount - Started;
        if (left > 0)
            return left;
        BurstDone = 1;
    }
    if (!(Rate > 0.0f) || !(dt > 0.0f))
        return 0;
    Accumulator += dt * Rate;
    return keeper::TakeWhole(Accumulator);
}

int32_t CSandKeeper::InitParticle(int32_t, CCollectedParticle2& p, float, float, float) {
    const int32_t cell = keeper::PickIndex(RandomFloat(), PictureCells * PictureCells);
    p.Init(Colour, X, Y, Z, cell, 1.0f, Width, Height, 0.0f);
    keeper::ApplyAtlasCell(p, cell % PictureCells, cell / PictureCells, PictureCells);
    const float a = RandomFloat() * keeper::kTwoPi;
    const float s = (RandomFloat() - 0.5f) * 2.0f * SpeedSpread + Speed;
    p.Velocity = {std::cos(a) * s, std::sin(a) * s, 0.0f};
    ++Started;
    if (Started >= BurstCount)
        BurstDone = 1;
    return 1;
}

int32_t CSandKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                                    float) {
    p.Velocity.Y -= Gravity * dt;
    p.Position += p.Velocity * dt;
    if (p.Velocity.Y < -FallSpeedLimit)
        p.Velocity.Y = -FallSpeedLimit;
    const float top = p.Position.Y + p.Height / 2.0f;
    const float bottom = p.Position.Y - p.Height / 2.0f;
    if (Floor > top)
        return 0;
    if (Floor <= bottom)
        return 1;
    // Sinking into the floor: draw only the part above it.
    const float f = (top - Floor) / p.Height;
    p.Uv[2].V = p.Uv[1].V + 0.25f * f;
    p.Uv[3].V = p.Uv[0].V + 0.25f * f;
    p.Corners[2].T = 0.5f - f;
    p.Corners[3].T = 0.5f - f;
    return 1;
}

// ----------------------------------------------------------- CDustTrackKeeper

CDustTrackKeeper::CDustTrackKeeper(const CSandKeeper& source,
                                   CSharedPtr<CParticleSystem> sourceSystem)
    : Tracked(sourceSystem), Colour(source.Colour), PictureCells(source.PictureCells),
      Speed(source.Speed), SpeedSpread(source.SpeedSpread), Size(source.Width),
      SizeSpread(0.25f * source.Width), Growth(0.25f * source.Width), GrowthSpread(0.25f * Growth),
      Floor(source.Floor), FloorOffset(-0.15f * source.Width) {}

int32_t CDustTrackKeeper::SetOrigin(float x, float y, float z, float) {
    StoreOrigin(x, y, z);
    LiveGrains = 0;
    auto* system = dynamic_cast<CCollection2ParticleSystem*>(Tracked.Get());
    if (!system)
        return 0;
    const size_t used =
        std::min(static_cast<size_t>(std::max(system->UsedSlots, 0)), system->Pool.size());
    for (size_t i = 0; i < used; ++i)
        if (system->Pool[i].Alive)
            ++LiveGrains;
    return (system->Emitting || LiveGrains > 0) ? 1 : 0;
}

int32_t CDustTrackKeeper::GetEmitCount(float dt) {
    if (!(dt > 0.0f) || LiveGrains <= 0)
        return 0;
    const float v = dt * Rate * static_cast<float>(LiveGrains);
    if (!(v >= 0.0f) || v > 1.0e6f)
        return 0;
    const float whole = std::floor(v);
    int32_t n = static_cast<int32_t>(whole);
    if (v - whole > RandomFloat())
        ++n;
    return n;
}

int32_t CDustTrackKeeper::InitParticle(int32_t, CCollectedParticle2& p, float, float, float) {
    auto* system = dynamic_cast<CCollection2ParticleSystem*>(Tracked.Get());
    if (!system || LiveGrains <= 0)
        return 1;
    const int32_t j = keeper::PickIndex(RandomFloat(), LiveGrains);
    const CCollectedParticle2* grain = nullptr;
    const size_t used =
        std::min(static_cast<size_t>(std::max(system->UsedSlots, 0)), system->Pool.size());
    int32_t seen = 0;
    for (size_t i = 0; i < used && !grain; ++i) {
        if (!system->Pool[i].Alive)
            continue;
        if (seen == j)
            grain = &system->Pool[i];
        ++seen;
    }
    if (!grain)
        return 1;
    const CVector3 position = grain->Position;
    const CVector3 grainVelocity = grain->Velocity;

    const int32_t a = keeper::PickIndex(RandomFloat(), PictureCells);
    const int32_t b = keeper::PickIndex(RandomFloat(), PictureCells);
    const float size = keeper::Vary(Size, SizeSpread);
    const float angle = RandomFloat() * 1024.0f;
    p.Init(Colour, position.X, position.Y, position.Z, a + PictureCells * b, 0.0f, size, size,
           angle);
    keeper::ApplyAtlasCell(p, a, b, PictureCells);
    const float dir = RandomFloat() * keeper::kTwoPi;
    const float s = keeper::Vary(Speed, SpeedSpread);
    p.Velocity = {std::cos(dir) * s + grainVelocity.X, std::sin(dir) * s + grainVelocity.Y,
                  grainVelocity.Z};
    p.FadeRate = -FadeInRate;
    p.User0 = keeper::Vary(Growth, GrowthSpread);
    const float sign = RandomFloat() < 0.5f ? -1.0f : 1.0f;
    p.Spin = sign * Spin + (2.0f * RandomFloat() - 1.0f) * SpinSpread;
    return 1;
}

int32_t CDustTrackKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                                         float) {
    if (dt == 0.0f)
        return 1;
    if (!keeper::Fade(p, dt, [this] { return keeper::Vary(FadeOutRate, FadeOutSpread); }))
        return 0;
    float* components[3] = {&p.Velocity.X, &p.Velocity.Y, &p.Velocity.Z};
    for (float* v : components) {
        const float d = Damping * dt * *v;
        if (std::fabs(*v) > std::fabs(d))
            *v -= d;
        else
            *v = 0.0f;
    }
    p.Position += p.Velocity * dt;
    const float lowest = Floor + FloorOffset;
    if (p.Position.Y - p.Height / 2.0f < lowest)
        p.Position.Y = lowest + p.Height / 2.0f;
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    float& growth = p.User0;
    const float d = growth * dt * GrowthDamping;
    growth = std::fabs(growth) > std::fabs(d) ? growth - d : 0.0f;
    p.Width += growth * dt;
    p.Height += growth * dt;
    return 1;
}

// ------------------------------------------------------------ CDuneSandFlyOut

CDuneSandFlyOut::CDuneSandFlyOut() {
    onPath_.reserve(128);
    pathTimes_.assign(128, 0.0f);
}

CDuneSandFlyOut::~CDuneSandFlyOut() = default;

void CDuneSandFlyOut::Setup(CSharedPtr<CSandbox> sandbox, const CDuneBox* box,
                            const CSplinePath& path, const std::vector<CVector3>* surface,
                            float inGravity, float outGravity, float pathSpeed, float setupValue) {
    Sandbox = sandbox;
    box_ = box;
    surface_ = surface;
    if (path.GetKeyCount() > 0) {
        const CSplineKey& first = path.GetKey(0);
        Path.SetSingleKey(first.Start[0], first.Start[1], first.Start[2], first.End[0],
                          first.End[1], first.End[2], path.GetDuration(0));
        for (size_t k = 1; k < path.GetKeyCount(); ++k) {
            const CSplineKey& key = path.GetKey(k);
            Path.AddKeyFromLast(key.End[0], key.End[1], key.End[2], path.GetDuration(k));
        }
    }
    InGravity = inGravity;
    OutGravity = outGravity;
    PathSpeed = pathSpeed;
    SetupValue = setupValue;
}

void CDuneSandFlyOut::Detach() {
    Enabled = 0;
    box_ = nullptr;
    surface_ = nullptr;
}

int32_t CDuneSandFlyOut::PathState(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= onPath_.size())
        return 0;
    return onPath_[static_cast<size_t>(index)];
}

void CDuneSandFlyOut::Touch(size_t index) {
    if (onPath_.size() <= index)
        onPath_.resize(index + 1, 0);
    if (pathTimes_.size() <= index)
        pathTimes_.resize(index + 1, 0.0f);
}

namespace {
bool IsPeak(const std::vector<CVector3>& s, size_t i) {
    return s[i].Y > s[i - 1].Y && s[i + 1].Y <= s[i].Y;
}
} // namespace

int32_t CDuneSandFlyOut::SetOrigin(float x, float y, float z, float) {
    StoreOrigin(x, y, z);
    Peaks = 0;
    if (surface_) {
        const std::vector<CVector3>& s = *surface_;
        for (size_t i = 1; i + 1 < s.size(); ++i)
            if (IsPeak(s, i))
                ++Peaks;
    }
    return 1;
}

int32_t CDuneSandFlyOut::GetEmitCount(float dt) {
    PeakPending = 0;
    PathPending = 0;
    if (!Enabled || !surface_ || !box_ || Sandbox.IsNull() || !(Sandbox->MeanLevel > kEmptyLevel))
        return 0;
    if (!(dt > 0.0f))
        return 0;
    PeakAccumulator += PeakRate * dt;
    PeakPending = keeper::TakeWhole(PeakAccumulator);
    if (Peaks < 1)
        PeakPending = 0;
    if (Sandbox->Running) {
        PathAccumulator += PathRate * dt;
        PathPending = keeper::TakeWhole(PathAccumulator);
    }
    return PeakPending + PathPending;
}

int32_t CDuneSandFlyOut::InitParticle(int32_t index, CCollectedParticle2& p, float, float, float) {
    if (index < 0 || !surface_ || surface_->empty())
        return 1;
    const std::vector<CVector3>& s = *surface_;
    const CVector3* start = nullptr;
    CVector3 velocity;
    if (PeakPending >= 1) {
        const int32_t k = keeper::PickIndex(RandomFloat(), Peaks);
        int32_t seen = 0;
        for (size_t i = 1; i + 1 < s.size() && !start; ++i) {
            if (!IsPeak(s, i))
                continue;
            if (seen == k)
                start = &s[i];
            ++seen;
        }
        --PeakPending;
        if (start) {
            const int32_t cell = DrawAtlasCell();
            p.Init(Colour, start->X, start->Y, start->Z, cell, 0.0f, Width, Height,
                   RandomFloat() * 1024.0f);
            keeper::ApplyAtlasCell(p, cell % 4, cell / 4);
            velocity = {-(0.9f - 0.2f * RandomFloat()) * PathSpeed,
                        (0.1f - 0.2f * RandomFloat()) * PathSpeed, 0.0f};
        }
    }
    if (!start) {
        // Out of column 0, where the sand gathers, up towards the path.
        if (PathPending > 0)
            --PathPending;
        start = &s[0];
        const int32_t cell = DrawAtlasCell();
        p.Init(Colour, start->X, start->Y, start->Z, cell, 0.0f, Width, Height,
               RandomFloat() * 1024.0f);
        keeper::ApplyAtlasCell(p, cell % 4, cell / 4);
        velocity = {0.0f, PathSpeed, 0.0f};
    }
    p.Velocity = velocity;
    p.FadeRate = -FadeInRate;
    const size_t i = static_cast<size_t>(index);
    Touch(i);
    onPath_[i] = 0;
    pathTimes_[i] = 0.0f;
    return 1;
}

int32_t CDuneSandFlyOut::UpdateParticle(int32_t index, CCollectedParticle2& p, float dt, float,
                                        float, float) {
    if (!box_ || !surface_ || index < 0)
        return 0;
    if (dt == 0.0f)
        return 1;
    const size_t i = static_cast<size_t>(index);
    Touch(i);
    int32_t& state = onPath_[i];
    float& pathTime = pathTimes_[i];
    const CDuneBox& box = *box_;
    const CVector3 origin{box.X, box.Y, box.Z};

    if (!keeper::Fade(p, dt, [&] { return state ? PathFadeOutRate : FreeFadeOutRate; }))
        return 0;

    if (state == 1) {
        // Following the path; at its end the grain is thrown off it.
        pathTime += dt;
        const float total = Path.GetTotal();
        if (pathTime > total) {
            pathTime = total;
            state = 2;
            p.Velocity = {-(0.75f - 0.5f * RandomFloat()) * PathSpeed,
                          (0.25f - 0.5f * RandomFloat()) * PathSpeed, p.Velocity.Z};
        }
        float point[3];
        Path.GetPoint(point, pathTime);
        p.Position = origin + CVector3{point[0], point[1], point[2]};
    } else if (state == 2) {
        p.Velocity.Y -= OutGravity * dt;
        p.Position += p.Velocity * dt;
    } else {
        const bool running = !Sandbox.IsNull() && Sandbox->Running;
        if (p.Position.X > box.X) {
            p.Position += p.Velocity * dt;
        } else if (!running) {
            p.Velocity.Y -= InGravity * dt;
            p.Position += p.Velocity * dt;
        } else {
            p.Velocity.Y = PathSpeed;
            p.Position += p.Velocity * dt;
            if (p.Position.Y >= box.Y) {
                state = 1;
                pathTime = 0.0f;
                float point[3];
                Path.GetPoint(point, 0.0f);
                p.Position = origin + CVector3{point[0], point[1], point[2]};
            }
        }
        const std::vector<CVector3>& s = *surface_;
        if (state == 0 && s.size() >= 2) {
            if (p.Position.X < box.X)
                p.Position.X = box.X;
            int c;
            float f;
            DuneColumnAt(box, static_cast<int>(s.size()), p.Position.X, &c, &f);
            const float sand = SurfaceY(s, c, f);
            const float bottom = box.Y - box.Height;
            bool lifted = false;
            if (p.Position.Y < bottom) {
                p.Position.Y = bottom;
                lifted = true;
            }
            if (p.Position.Y <= sand || lifted) {
                p.Velocity.X = 0.0f;
                p.FadeRate = SettleFadeRate;
            } else if (p.Velocity.X == 0.0f) {
                p.Velocity.X = -(0.9f - 0.2f * RandomFloat()) * PathSpeed;
            }
        }
    }
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    return 1;
}

// ------------------------------------------------------------ CDuneDustKeeper

CDuneDustKeeper::~CDuneDustKeeper() = default;

void CDuneDustKeeper::Setup(CSharedPtr<CSandbox> sandbox, const CDuneBox* box,
                            const std::vector<CVector3>* surface, float speed, float speedSpread,
                            float spin, float spinSpread) {
    Sandbox = sandbox;
    box_ = box;
    surface_ = surface;
    Speed = speed;
    SpeedSpread = speedSpread;
    Spin = spin;
    SpinSpread = spinSpread;
    Braking = speed;
}

void CDuneDustKeeper::Detach() {
    Enabled = 0;
    box_ = nullptr;
    surface_ = nullptr;
}

bool CDuneDustKeeper::IsSource(size_t c) const {
    const std::vector<CVector3>& s = *surface_;
    if (s[c + 1].Y > s[c].Y)
        return false;
    if (Sandbox.IsNull() || c >= Sandbox->DisplayProfile.size())
        return false;
    return Sandbox->DisplayProfile[c] > 0.001;
}

int32_t CDuneDustKeeper::SetOrigin(float x, float y, float z, float) {
    StoreOrigin(x, y, z);
    Sources = 0;
    if (surface_) {
        for (size_t c = 0; c + 1 < surface_->size(); ++c)
            if (IsSource(c))
                ++Sources;
    }
    return 1;
}

int32_t CDuneDustKeeper::GetEmitCount(float dt) {
    if (!Enabled || !surface_ || !box_ || Sandbox.IsNull() || !(Sandbox->MeanLevel > kEmptyLevel))
        return 0;
    if (surface_->size() < 2 || !(dt > 0.0f))
        return 0;
    Accumulator +=
        Rate * dt * static_cast<float>(Sources) / static_cast<float>(surface_->size() - 1);
    const int32_t n = keeper::TakeWhole(Accumulator);
    return Sources < 1 ? 0 : n;
}

int32_t CDuneDustKeeper::InitParticle(int32_t, CCollectedParticle2& p, float, float, float) {
    if (!surface_ || Sources < 1)
        return 1;
    const std::vector<CVector3>& s = *surface_;
    const int32_t k = keeper::PickIndex(RandomFloat(), Sources);
    int32_t column = -1;
    int32_t seen = 0;
    for (size_t c = 0; c + 1 < s.size() && column < 0; ++c) {
        if (!IsSource(c))
            continue;
        if (seen == k)
            column = static_cast<int32_t>(c);
        ++seen;
    }
    if (column < 0)
        return 1;
    const CVector3& a = s[static_cast<size_t>(column)];
    const CVector3& b = s[static_cast<size_t>(column) + 1];
    const float t = RandomFloat();
    const CVector3 start{a.X * (1.0f - t) + b.X * t, a.Y * (1.0f - t) + b.Y * t,
                         a.Z * (1.0f - t) + b.Z * t + 1.0f};
    const int32_t cellA = keeper::PickIndex(RandomFloat(), 4);
    const int32_t cellB = keeper::PickIndex(RandomFloat(), 4);
    const float size = keeper::Vary(Size, SizeSpread);
    const float angle = RandomFloat() * 1024.0f;
    p.Init(Colour, start.X, start.Y, start.Z, cellA + 4 * cellB, 0.0f, size, size, angle);
    keeper::ApplyAtlasCell(p, cellA, cellB);
    p.Velocity = {(2.0f * RandomFloat() - 1.0f) * SpeedSpread - Speed, 0.0f, 0.0f};
    p.FadeRate = -FadeInRate;
    const float sign = RandomFloat() >= 0.5f ? 1.0f : -1.0f;
    p.Spin = sign * Spin + (2.0f * RandomFloat() - 1.0f) * SpinSpread;
    return 1;
}

int32_t CDuneDustKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                                        float) {
    if (!box_ || !surface_)
        return 0;
    if (dt == 0.0f)
        return 1;
    if (!keeper::Fade(p, dt, [this] { return keeper::Vary(FadeOutRate, FadeOutSpread); }))
        return 0;
    const CDuneBox& box = *box_;
    const std::vector<CVector3>& s = *surface_;
    p.Position += p.Velocity * dt;
    if (p.Position.X <= box.X) {
        p.Position.X = box.X;
        p.FadeRate = WallFadeRate;
    }
    if (s.size() >= 2) {
        int c;
        float f;
        DuneColumnAt(box, static_cast<int>(s.size()), p.Position.X, &c, &f);
        p.Position.Y = SurfaceY(s, c, f);
        if (s[static_cast<size_t>(c)].Y < s[static_cast<size_t>(c) + 1].Y) {
            p.Velocity.X += Braking * dt;
            if (p.Velocity.X > 0.0f)
                p.Velocity.X = 0.0f;
        }
        const std::vector<double>* shown = Sandbox.IsNull() ? nullptr : &Sandbox->DisplayProfile;
        const size_t cc = static_cast<size_t>(c);
        const bool bare =
            !shown || cc + 1 >= shown->size() || ((*shown)[cc] <= 0.0 && (*shown)[cc + 1] <= 0.0);
        if (bare)
            p.FadeRate = WallFadeRate;
    }
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    return 1;
}
