#include "effects/SimpleSpriteSystemKeeper.h"

#include <algorithm>
#include <cmath>

#include "effects/Particles.h"

CSimpleSpriteSystemKeeper::CSimpleSpriteSystemKeeper() {
    Colour = 0x00FFFFFF;
    SetFrameRect(0, 0.0f, 0.0f, 1.0f, 1.0f);
    SetParameters(16, 84.0f, 84.0f, 0.0f);
}

void CSimpleSpriteSystemKeeper::SetParameters(int32_t count, float width, float height,
                                              float depth) {
    SpriteCount = std::clamp(count, 0, kMaxSprites);
    SpreadWidth = width;
    SpreadHeight = height;
    SpreadDepth = depth;
}

void CSimpleSpriteSystemKeeper::SetFrameRect(int32_t frame, float left, float top, float right,
                                             float bottom) {
    SetFrameCorners(frame, left, top, right, top, right, bottom, left, bottom);
}

void CSimpleSpriteSystemKeeper::SetFrameCorners(int32_t frame, float u0, float v0, float u1,
                                                float v1, float u2, float v2, float u3, float v3) {
    keeper::SetFrame(frames_, frame, {u0, v0, u1, v1, u2, v2, u3, v3});
}

void CSimpleSpriteSystemKeeper::FinishSprite(Sprite& s, const CVector3& direction,
                                             const float* angle) {
    s.Velocity = direction * keeper::Vary(Speed, SpeedSpread);
    s.Width = keeper::Vary(Width, WidthSpread);
    s.Height = keeper::Vary(Height, HeightSpread);
    s.Angle = angle ? *angle : RandomFloat() * 1024.0f;
    const float sign = RandomFloat() >= 0.5f ? -1.0f : 1.0f;
    s.Spin = keeper::Vary(Spin, SpinSpread) * sign;
    s.Frame = keeper::PickIndex(RandomFloat(), static_cast<int32_t>(frames_.size()));
}

void CSimpleSpriteSystemKeeper::Generate() {
    SpriteCount = std::clamp(SpriteCount, 0, kMaxSprites);
    sprites_.assign(static_cast<size_t>(SpriteCount), Sprite{});
    for (Sprite& s : sprites_) {
        CVector3 direction;
        keeper::EllipsoidPoint(SpreadWidth, SpreadHeight, SpreadDepth, s.Point, direction);
        FinishSprite(s, direction, nullptr);
    }
}

void CSimpleSpriteSystemKeeper::GenerateRing(float radius, int32_t count, float startAngle) {
    SpriteCount = std::clamp(count, 0, kMaxSprites);
    sprites_.assign(static_cast<size_t>(SpriteCount), Sprite{});
    if (SpriteCount == 0)
        return;
    const float step = keeper::kTwoPi / static_cast<float>(SpriteCount);
    for (size_t i = 0; i < sprites_.size(); ++i) {
        Sprite& s = sprites_[i];
        const float t = startAngle + static_cast<float>(i) * step;
        s.Point = {radius * std::cos(t), radius * std::sin(t), 0.0f};
        const CVector3 direction = keeper::OutwardDirection(s.Point);
        const float angle = t * 1024.0f / keeper::kTwoPi;
        FinishSprite(s, direction, &angle);
    }
}

float SegmentAngle(float dx, float dy, float dz) {
    const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(len > 0.0f))
        return 0.0f;
    const float nx = dx / len;
    const float ny = dy / len;
    constexpr float kUnits = 512.0f / keeper::kPi;
    if (nx > 0.0f)
        return std::atan(ny / nx) * kUnits + (ny >= 0.0f ? 0.0f : 1024.0f);
    if (nx < 0.0f)
        return std::atan(ny / nx) * kUnits + 512.0f;
    return ny >= 0.0f ? 256.0f : 768.0f;
}

void CSimpleSpriteSystemKeeper::GenerateLine(float x0, float y0, float z0, float x1, float y1,
                                             float z1, int32_t count) {
    SpriteCount = std::clamp(count, 0, kMaxSprites);
    sprites_.assign(static_cast<size_t>(SpriteCount), Sprite{});
    const float f = SpriteCount >= 2 ? 1.0f / static_cast<float>(SpriteCount - 1) : 1.0f;
    const CVector3 p0{x0, y0, z0};
    const CVector3 span{x1 - x0, y1 - y0, z1 - z0};
    const float angle = SegmentAngle(span.X, span.Y, span.Z);
    for (size_t i = 0; i < sprites_.size(); ++i) {
        Sprite& s = sprites_[i];
        s.Point = p0 + span * (static_cast<float>(i) * f);
        const CVector3 direction = keeper::RandomDirection(2);
        FinishSprite(s, direction, &angle);
    }
}

int32_t CSimpleSpriteSystemKeeper::GetEmitCount(float) {
    if (AllEmitted)
        return 0;
    const int32_t available = std::min(static_cast<int32_t>(sprites_.size()),
                                       std::max(SpriteCount, 0));
    return std::max(available - Emitted, 0);
}

int32_t CSimpleSpriteSystemKeeper::InitParticle(int32_t index, CCollectedParticle2& p, float,
                                                float, float) {
    if (index < 0 || static_cast<size_t>(index) >= sprites_.size())
        return 1;
    const Sprite& s = sprites_[static_cast<size_t>(index)];
    p.Init(Colour, X + s.Point.X, Y + s.Point.Y, Z + s.Point.Z, s.Frame, 1.0f, s.Width, s.Height,
           s.Angle);
    p.Velocity = s.Velocity;
    p.Spin = s.Spin;
    if (!frames_.empty()) {
        const size_t frame = std::min(static_cast<size_t>(std::max(s.Frame, 0)), frames_.size() - 1);
        keeper::ApplyCorners(p, frames_[frame]);
    }
    ++Emitted;
    if (Emitted >= SpriteCount)
        AllEmitted = 1;
    return 1;
}

int32_t CSimpleSpriteSystemKeeper::UpdateParticle(int32_t, CCollectedParticle2& p, float dt,
                                                  float, float, float) {
    p.Velocity.Y -= Gravity * dt;
    p.Position += p.Velocity * dt;
    p.Angle = WrapParticleAngle(p.Angle + p.Spin * dt);
    return Floor <= p.Position.Y ? 1 : 0;
}
