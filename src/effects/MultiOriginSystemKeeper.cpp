#include "effects/MultiOriginSystemKeeper.h"

#include <algorithm>
#include <cmath>

#include "effects/Particles.h"

// The record's keeper floats: User0 holds the emitter's peak opacity, User1
// the particle's age.

CMultiOriginSystemKeeper::CMultiOriginSystemKeeper() {
    SetFrameRect(0, 0.0f, 0.0f, 1.0f, 1.0f);
    SetEmitter(0, 0, 0, 0, 0, 0, 0, 10.0f, 50.0f, 25.0f, 32, 32, 16, 16, 512.0f, -256.0f,
               0xFFFFFFFF, 0.1f, 0.5f, 0.5f, 0.05f, 0.25f, 0.25f);
    phases_.reserve(64);
}

void CMultiOriginSystemKeeper::SetEmitter(int32_t index, float ox, float oy, float oz, float vx,
                                          float vy, float vz, float rate, float speed,
                                          float speedSpread, float width, float height,
                                          float widthSpread, float heightSpread, float spin,
                                          float spinSpread, uint32_t colour, float fadeIn,
                                          float hold, float fadeOut, float fadeInSpread,
                                          float holdSpread, float fadeOutSpread) {
    Emitter e;
    const bool replace = index >= 0 && static_cast<size_t>(index) < emitters_.size();
    if (replace)
        e.Pending = emitters_[static_cast<size_t>(index)].Pending;
    e.Offset = {ox, oy, oz};
    e.BaseVelocity = {vx, vy, vz};
    e.Rate = rate;
    e.Speed = speed;
    e.SpeedSpread = speedSpread;
    e.Width = width;
    e.Height = height;
    e.WidthSpread = widthSpread;
    e.HeightSpread = heightSpread;
    e.Spin = spin;
    e.SpinSpread = spinSpread;
    e.Colour = colour;
    e.PeakOpacity = static_cast<float>(colour >> 24) / 255.0f;
    e.FadeIn = fadeIn;
    e.Hold = hold;
    e.FadeOut = fadeOut;
    e.FadeInSpread = fadeInSpread;
    e.HoldSpread = holdSpread;
    e.FadeOutSpread = fadeOutSpread;
    // A full period on the clock: the first update starts a particle at once.
    e.Clock = rate > 0.0f ? 1.0f / rate : 0.0f;
    if (replace)
        emitters_[static_cast<size_t>(index)] = e;
    else
        emitters_.push_back(e);
}

void CMultiOriginSystemKeeper::SetEmitterOffset(int32_t index, float ox, float oy, float oz) {
    if (index < 0 || static_cast<size_t>(index) >= emitters_.size())
        return;
    emitters_[static_cast<size_t>(index)].Offset = {ox, oy, oz};
}

void CMultiOriginSystemKeeper::SetFrameRect(int32_t frame, float left, float top, float right,
                                            float bottom) {
    SetFrameCorners(frame, left, top, right, top, right, bottom, left, bottom);
}

void CMultiOriginSystemKeeper::SetFrameCorners(int32_t frame, float u0, float v0, float u1,
                                               float v1, float u2, float v2, float u3, float v3) {
    keeper::SetFrame(frames_, frame, {u0, v0, u1, v1, u2, v2, u3, v3});
}

void CMultiOriginSystemKeeper::SetRing(float radius, int32_t count, float startAngle,
                                       float totalRate, float radialSpeed, float speed,
                                       float speedSpread, float width, float height,
                                       float widthSpread, float heightSpread, float spin,
                                       float spinSpread, uint32_t colour, float fadeIn, float hold,
                                       float fadeOut, float fadeInSpread, float holdSpread,
                                       float fadeOutSpread, int32_t keep) {
    if (!keep)
        emitters_.clear();
    count = std::min(count, kMaxLayoutEmitters);
    for (int32_t i = 0; i < count; ++i) {
        const float t = startAngle + static_cast<float>(i) * keeper::kTwoPi / count;
        const float c = std::cos(t);
        const float s = std::sin(t);
        SetEmitter(i, radius * c, radius * s, 0.0f, radialSpeed * c, radialSpeed * s, 0.0f,
                   totalRate / count, speed, speedSpread, width, height, widthSpread, heightSpread,
                   spin, spinSpread, colour, fadeIn, hold, fadeOut, fadeInSpread, holdSpread,
                   fadeOutSpread);
    }
}

void CMultiOriginSystemKeeper::SetLine(float x0, float y0, float z0, float x1, float y1, float z1,
                                       float dx, float dy, float dz, int32_t count,
                                       float totalRate, float speed, float emitSpeed,
                                       float speedSpread, float width, float height,
                                       float widthSpread, float heightSpread, float spin,
                                       float spinSpread, uint32_t colour, float fadeIn, float hold,
                                       float fadeOut, float fadeInSpread, float holdSpread,
                                       float fadeOutSpread, int32_t keep) {
    if (!keep)
        emitters_.clear();
    CVector3 direction{dx, dy, dz};
    const float len = direction.Length();
    if (len > 0.0f)
        direction = direction * (speed / len);
    count = std::min(count, kMaxLayoutEmitters);
    const CVector3 p0{x0, y0, z0};
    const CVector3 span = CVector3{x1, y1, z1} - p0;
    for (int32_t i = 0; i < count; ++i) {
        const CVector3 p = count > 1 ? p0 + span * (static_cast<float>(i) / (count - 1)) : p0;
        SetEmitter(i, p.X, p.Y, p.Z, direction.X, direction.Y, direction.Z, totalRate / count,
                   emitSpeed, speedSpread, width, height, widthSpread, heightSpread, spin,
                   spinSpread, colour, fadeIn, hold, fadeOut, fadeInSpread, holdSpread,
                   fadeOutSpread);
    }
}

int32_t CMultiOriginSystemKeeper::GetEmitCount(float dt) {
    // The system starts at most its capacity per update; this bound only keeps
    // the sum from overflowing after an absurd step.
    constexpr float kMaxPerEmitter = 1.0e6f;
    int64_t total = 0;
    for (Emitter& e : emitters_) {
        if (!(e.Rate > 0.0f)) {
            e.Pending = 0;
            continue;
        }
        e.Clock += dt;
        const float n = std::floor(e.Rate * e.Clock);
        if (!(n >= 1.0f)) {
            e.Pending = 0;
            continue;
        }
        const float taken = std::min(n, kMaxPerEmitter);
        e.Pending = static_cast<int32_t>(taken);
        e.Clock -= n / e.Rate;
        total += e.Pending;
    }
    return static_cast<int32_t>(std::min<int64_t>(total, 0x3FFFFFFF));
}

int32_t CMultiOriginSystemKeeper::InitParticle(int32_t index, CCollectedParticle2& p, float, float,
                                               float) {
    if (index < 0)
        return 1;
    if (phases_.size() <= static_cast<size_t>(index))
        phases_.resize(static_cast<size_t>(index) + 1);
    auto it = std::find_if(emitters_.begin(), emitters_.end(),
                           [](const Emitter& e) { return e.Pending > 0; });
    if (it == emitters_.end())
        return 1;
    Emitter& e = *it;

    const CVector3 start = CVector3{X, Y, Z} + e.Offset;

    const float a = RandomFloat() * keeper::kTwoPi;
    const float b = (RandomFloat() - 0.5f) * keeper::kPi;
    const float speed = keeper::Vary(e.Speed, e.SpeedSpread);
    CVector3 velocity{std::cos(b) * std::cos(a) * speed, std::sin(b) * speed,
                      std::cos(b) * std::sin(a) * speed};
    velocity += e.BaseVelocity;
    velocity += CommonVelocity;
    velocity.Z *= ZFactor;

    const int32_t frames = static_cast<int32_t>(frames_.size());
    const int32_t k = keeper::PickIndex(RandomFloat(), frames);

    float width;
    float height;
    if (e.HeightSpread >= 0.0f) {
        const float r = 2.0f * RandomFloat() - 1.0f;
        width = e.Width + r * e.WidthSpread;
        height = e.Height + r * e.HeightSpread;
    } else {
        width = keeper::Vary(e.Width, e.WidthSpread);
        height = keeper::Vary(e.Height, e.HeightSpread);
    }

    p.Init(e.Colour, start.X, start.Y, start.Z, k, 0.0f, width, height, RandomFloat() * 1024.0f);
    p.Velocity = velocity;
    if (frames > 0)
        keeper::ApplyCorners(p, frames_[static_cast<size_t>(k)]);
    float spin = keeper::Vary(e.Spin, e.SpinSpread);
    if (e.SpinSpread < 0.0f && RandomFloat() < 0.5f)
        spin = -spin;
    p.Spin = spin;
    p.User0 = e.PeakOpacity;
    p.User1 = 0.0f;

    Phases& ph = phases_[static_cast<size_t>(index)];
    ph.FadeInEnd = keeper::Vary(e.FadeIn, e.FadeInSpread);
    ph.HoldEnd = ph.FadeInEnd + keeper::Vary(e.Hold, e.HoldSpread);
    ph.LifeEnd = ph.HoldEnd + keeper::Vary(e.FadeOut, e.FadeOutSpread);

    --e.Pending;
    return 1;
}

int32_t CMultiOriginSystemKeeper::UpdateParticle(int32_t index, CCollectedParticle2& p, float dt,
                                                 float, float, float) {
    if (index < 0 || static_cast<size_t>(index) >= phases_.size())
        return 0;
    p.Velocity += Acceleration * dt;
    p.Position += p.Velocity * dt;
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);

    const Phases& ph = phases_[static_cast<size_t>(index)];
    const float peak = p.User0;
    float& age = p.User1;
    age += dt;
    if (age < ph.FadeInEnd) {
        p.Life = age / ph.FadeInEnd * peak;
    } else if (age < ph.HoldEnd) {
        p.Life = peak;
    } else if (age >= ph.LifeEnd) {
        p.Life = 0.0f;
        return 0;
    } else {
        p.Life = (1.0f - (age - ph.HoldEnd) / (ph.LifeEnd - ph.HoldEnd)) * peak;
    }

    const CVector3& q = p.Position;
    const bool inside = q.X >= BoxMin.X && q.X <= BoxMax.X && q.Y >= BoxMin.Y &&
                        q.Y <= BoxMax.Y && q.Z >= BoxMin.Z && q.Z <= BoxMax.Z;
    return inside ? 1 : 0;
}
