#include "effects/VortexKeeper.h"

#include <algorithm>
#include <cmath>

#include "effects/KeeperMath.h"
#include "effects/Particles.h"

// The record's keeper floats: FadeRate is the life rate (negative while fading
// in, 0 while holding), User0 the hold timer.

CVortexKeeper::CVortexKeeper() {
    SetAppearance(0xFFFFFFFF, 32.0f, 32.0f, 20.0f, 10.0f, 0.5f, 2.0f, 256.0f);
    SetShape(16.0f, 40.0f, 200.0f, 200.0f, 16.0f);
    SetFrameLayout(0);
}

void CVortexKeeper::SetShape(float innerRadius, float outerRadius, float innerSpeed,
                             float outerSpeed, float spawnRadius) {
    innerRadius_ = innerRadius;
    outerRadius_ = outerRadius;
    innerSpeed_ = innerSpeed;
    outerSpeed_ = outerSpeed;
    spawnRadius_ = spawnRadius;
}

void CVortexKeeper::SetAppearance(uint32_t colour, float scaleX, float scaleY, float speed,
                                  float fadeInRate, float hold, float fadeOutRate, float spin) {
    colour_ = colour;
    scaleX_ = scaleX;
    scaleY_ = scaleY;
    speed_ = speed;
    speedSpread_ = speed * 0.5f;
    fadeInRate_ = fadeInRate;
    hold_ = hold;
    holdSpread_ = hold * 0.5f;
    fadeOutRate_ = fadeOutRate;
    fadeOutSpread_ = fadeOutRate * 0.5f;
    spin_ = spin;
    spinSpread_ = std::fabs(spin * 0.5f);
}

void CVortexKeeper::SetFrameLayout(int32_t layout) {
    if (layout == 0) {
        frameRects_.assign(1, FrameRect{});
        frameSizes_.assign(1, FrameSize{});
        return;
    }
    if (layout != 1 && layout != 2)
        return;
    frameRects_.clear();
    frameSizes_.assign(12, FrameSize{});
    for (int i = 0; i < 12; ++i) {
        const float c = static_cast<float>(i % 4);
        const float r = static_cast<float>(i / 4);
        frameRects_.push_back({0.25f * c, 0.25f * r, 0.25f * c + 0.25f, 0.25f * r + 0.25f});
    }
    if (layout == 2) {
        frameRects_[5].Left -= 0.015625f;
        frameRects_[5].Right -= 0.015625f;
        frameSizes_[5].W -= 0.0625f;
        frameRects_[6].Left -= 0.015625f;
        frameRects_[6].Right -= 0.0078125f;
        frameSizes_[6].W += 0.03125f;
    }
}

int32_t CVortexKeeper::GetEmitCount(float dt) {
    if (!(EmissionRate > 0.0f) || !(dt > 0.0f))
        return 0;
    EmissionClock += EmissionRate * dt;
    return keeper::TakeWhole(EmissionClock);
}

int32_t CVortexKeeper::InitParticle(int32_t, CCollectedParticle2& p, float, float, float) {
    const int32_t frames = static_cast<int32_t>(std::min(frameRects_.size(), frameSizes_.size()));
    if (frames < 1)
        return 1;
    const int32_t k = keeper::PickIndex(RandomFloat(), frames);
    const FrameRect& rect = frameRects_[static_cast<size_t>(k)];
    const FrameSize& size = frameSizes_[static_cast<size_t>(k)];

    const float spread = 0.7071f + 0.2929f * RandomFloat();
    const float r = spread * spread * spawnRadius_;
    const float a = RandomFloat() * keeper::kTwoPi;
    const float angle = RandomFloat() * 1024.0f;
    p.Init(colour_, X + r * std::cos(a), Y + r * std::sin(a), Z, k, 0.0f, size.W * scaleX_,
           size.H * scaleY_, angle);
    keeper::ApplyCorners(p, keeper::RectCorners(rect.Left, rect.Top, rect.Right, rect.Bottom));

    const float speed = keeper::Vary(speed_, speedSpread_);
    const float b = RandomFloat() * keeper::kTwoPi;
    p.Velocity = {speed * std::cos(b), speed * std::sin(b), 0.0f};
    p.FadeRate = -fadeInRate_;
    p.Spin = keeper::Vary(spin_, spinSpread_);
    return 1;
}

bool CVortexKeeper::StartFadeOut(CCollectedParticle2& p, float timer) {
    const float rate = keeper::Vary(fadeOutRate_, fadeOutSpread_);
    p.FadeRate = rate;
    // The part of the step past the hold is already faded.
    p.Life = 1.0f + rate * timer;
    if (p.Life <= 0.0f) {
        p.Life = 0.0f;
        return false;
    }
    return true;
}

int32_t CVortexKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt, float, float,
                                      float) {
    if (dt == 0.0f)
        return 1;

    // Life curve.
    float& timer = p.User0;
    if (p.FadeRate < 0.0f) {
        p.Life -= p.FadeRate * dt;
        if (p.Life >= 1.0f) {
            timer = keeper::Vary(hold_, holdSpread_) - (p.Life - 1.0f);
            if (timer > 0.0f) {
                p.Life = 1.0f;
                p.FadeRate = 0.0f;
            } else if (!StartFadeOut(p, timer)) {
                return 0;
            }
        }
    } else if (p.FadeRate == 0.0f) {
        timer -= dt;
        if (timer <= 0.0f && !StartFadeOut(p, timer))
            return 0;
    } else {
        p.Life -= p.FadeRate * dt;
        if (p.Life <= 0.0f) {
            p.Life = 0.0f;
            return 0;
        }
    }

    // Whirl.
    const CVector3 centre{X, Y, Z};
    const CVector3 offset = p.Position - centre;
    const float d = offset.Length();
    if (WhirlOn && d < outerRadius_) {
        CVector3 n;
        if (d > 0.0f) {
            n = offset * (1.0f / d);
        } else {
            const float c = RandomFloat() * keeper::kTwoPi;
            n = {std::cos(c), std::sin(c), 0.0f};
        }
        const CVector3 axis{Orientation[2][0], Orientation[2][1], Orientation[2][2]};
        const CVector3 t{axis.Y * n.Z - axis.Z * n.Y, axis.Z * n.X - axis.X * n.Z,
                         axis.X * n.Y - axis.Y * n.X};
        float f = 0.0f;
        if (d >= innerRadius_)
            f = (d - innerRadius_) / (outerRadius_ - innerRadius_);
        const float target = innerSpeed_ + (outerSpeed_ - innerSpeed_) * f;
        const CVector3& v = p.Velocity;
        const float ct = v.X * t.X + v.Y * t.Y + v.Z * t.Z;
        const float cr = v.X * n.X + v.Y * n.Y + v.Z * n.Z;
        float ct2 = ct + dt * TangentialResponse * (target - ct);
        if ((ct <= target && ct2 > target) || (ct >= target && ct2 < target))
            ct2 = target;
        float cr2 = cr - dt * RadialDamping * cr;
        if ((cr >= 0.0f && cr2 < 0.0f) || (cr <= 0.0f && cr2 > 0.0f))
            cr2 = 0.0f;
        p.Velocity = t * ct2 + n * cr2;
    }

    p.Position += p.Velocity * dt;
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    return 1;
}
