#include "bonuses/BonusSolidarity.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "bonuses/BonusParametres.h"

using namespace bonusdraw;

namespace {

// Regions of the sheet: the streak strip along the top half (tails and bolt
// pieces scroll along it), the core and the ring below it.
constexpr float kStripV1 = 0.5f;
constexpr float kCoreU0 = 0.25f, kCoreU1 = 0.5f;
constexpr float kRingU0 = 0.0f, kRingU1 = 0.25f;
constexpr float kLowerV0 = 0.5f, kLowerV1 = 1.0f;
// The large flash's rings.
constexpr float kRingsFrom = 80.0f, kRingsTo = 360.0f, kRingsGrowth = 280.0f;
constexpr float kRingsSpin = 4.0f * kPi;
// Paths are drawn a little in front of the board.
constexpr float kPathLift = 10.0f;

// The fractional part of u, within [0, 1).
float Wrap01(float u) {
    if (!std::isfinite(u))
        return 0.0f;
    u -= std::floor(u);
    return u >= 1.0f || u < 0.0f ? 0.0f : u;
}

float SquaredDistance2D(float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    return dx * dx + dy * dy;
}

} // namespace

CBonusSolidarity::CBonusSolidarity() {
    Kind = kSolidarity;
    Body.reserve(8);
    Rings.reserve(4);
    RingAges.reserve(4);
    RingClock = g_bonusParams.Solidarity.RingT;
}

CBonusSolidarity::~CBonusSolidarity() {
    RemoveHeldSprites();
}

int32_t CBonusSolidarity::Variant() const {
    return std::clamp(Param, 0, 3);
}

void CBonusSolidarity::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    Texture = handles.Texture(0);
}

float CBonusSolidarity::RingEnvelope(float x) {
    if (!(x > 0.0f))
        return 0.0f;
    if (x < 0.25f)
        return 4.0f * x;
    if (x <= 0.5f)
        return 1.0f;
    if (x <= 1.0f)
        return 2.0f * (1.0f - x);
    return 0.0f;
}

void CBonusSolidarity::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const float s = Scale;
    const float x = Pos[0], y = Pos[1], z = Pos[2];

    for (auto& sp : Body)
        RemoveFrom(Layers.Current.Sprites, sp);
    Body.clear();

    Sprite core =
        MakeSprite(x, y, z, p.CenterSize * s, p.CenterSize * s, p.CenterColor, Texture);
    core->SetBlend(1, CSpriteQuad::BlendAdd);
    core->SetFrameRect(0, kCoreU0, kLowerV0, kCoreU1, kLowerV1);
    core->Key = ZOrder - 2;
    core->SetRotation(RandomAngle());
    core->SpinSpeed = p.CenterW;
    core->SpinOn = 1;
    Body.push_back(core);

    const int32_t tails = TailCount();
    const float step = kTwoPi / static_cast<float>(tails);
    for (int32_t j = 0; j < tails; ++j) {
        Sprite tail = MakeSprite(x, y, z, p.TailSize[0] * s, p.TailSize[1] * s, p.TailColor,
                                 Texture);
        tail->SetBlend(1, CSpriteQuad::BlendScreen);
        const float u = RandomFloat();
        tail->SetFrameRect(0, u, 0.0f, u + p.TailTLen, kStripV1);
        tail->Key = ZOrder - 1;
        // The tail starts at the centre and points outwards along its axis.
        tail->PivotX = -0.5f;
        tail->SetRotation(static_cast<float>(j) * step);
        tail->SpinSpeed = p.TailW;
        tail->SpinOn = 1;
        Body.push_back(tail);
    }
    for (auto& sp : Body)
        AddTo(Layers.Current.Sprites, sp);
}

void CBonusSolidarity::ScaleSprites(float factor, float alpha) {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const float k = Scale * factor;
    const CVector3 at(Pos[0], Pos[1], Pos[2]);
    for (size_t i = 0; i < Body.size(); ++i) {
        Sprite& s = Body[i];
        if (s.IsNull())
            continue;
        if (i == 0)
            s->SetScale(p.CenterSize * k, p.CenterSize * k);
        else
            s->SetScale(p.TailSize[0] * k, p.TailSize[1] * k);
        s->Position = at;
        s->SetAlpha(alpha);
    }
    for (size_t i = 0; i < Rings.size(); ++i) {
        Sprite& s = Rings[i];
        if (s.IsNull())
            continue;
        const float t = RingAges[i];
        const float g = (t * p.RingExpandSpeed + p.RingR) * k;
        s->SetScale(g, g);
        s->SetAlpha(alpha * RingEnvelope(t / p.RingLifeTime));
        s->Position = at;
    }
}

void CBonusSolidarity::ScrollTails(float dt) {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    for (size_t i = 1; i < Body.size(); ++i) {
        Sprite& s = Body[i];
        if (s.IsNull() || s->Frames.empty())
            continue;
        const float u = Wrap01(s->Frames[0].U - p.TailTSpeed * dt);
        s->SetFrameRect(0, u, 0.0f, u + p.TailTLen, kStripV1);
    }
}

void CBonusSolidarity::AgeRings(float dt) {
    const float life = g_bonusParams.Solidarity.RingLifeTime;
    size_t kept = 0;
    for (size_t i = 0; i < Rings.size(); ++i) {
        RingAges[i] += dt;
        if (RingAges[i] >= life) {
            RemoveFrom(Layers.Current.Sprites, Rings[i]);
            continue;
        }
        Rings[kept] = Rings[i];
        RingAges[kept] = RingAges[i];
        ++kept;
    }
    Rings.resize(kept);
    RingAges.resize(kept);
}

void CBonusSolidarity::AddRing() {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const float edge = p.RingR * Scale;
    Sprite ring = MakeSprite(Pos[0], Pos[1], Pos[2], edge, edge, p.RingColor, Texture);
    ring->SetBlend(1, CSpriteQuad::BlendScreen);
    ring->SetFrameRect(0, kRingU0, kLowerV0, kRingU1, kLowerV1);
    ring->Key = ZOrder;
    ring->DepthWrite = 0;
    ring->SetRotation(RandomAngle());
    ring->SpinSpeed = p.RingW;
    ring->SpinOn = 1;
    AddTo(Layers.Current.Sprites, ring);
    Rings.push_back(ring);
    RingAges.push_back(0.0f);
}

int32_t CBonusSolidarity::Update(float dt) {
    if (!Visible)
        return 1;
    // A pop that has ended only waits for its event.
    if (PopSettled())
        return Events.empty() ? 0 : 1;
    if (State == kFinished)
        return UpdateBolt(dt);
    Age += dt;

    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    ScrollTails(dt);
    AgeRings(dt);
    RingClock += dt;
    if (RingClock > p.RingT) {
        RingClock -= p.RingT;
        // At most one ring a frame; a long frame does not pile up rings.
        RingClock = std::min(RingClock, p.RingT);
        AddRing();
    }

    bool ended = false;
    CBonusRamp ramp;
    if (InBaseMotion()) {
        ended = AdvanceMotion(dt);
        ramp = MotionRamp();
    }
    LaidOutSize = Size;
    ScaleSprites(ramp.Scale, ramp.Alpha);

    if (ended) {
        if (EndMotion() == 0)
            return 0;
        if (State == kPlaced)
            ScaleSprites(ramp.Scale, ramp.Alpha);
    }
    return 1;
}

void CBonusSolidarity::AddFlash(const CVector3& at, float edge, uint32_t colour,
                                int32_t depthWrite) {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const float life = p.BoltLength / p.BoltSpeed;
    Sprite flash = MakeSprite(at.X, at.Y, at.Z, edge, edge, colour, Texture);
    flash->SetBlend(1, CSpriteQuad::BlendAdd);
    flash->SetFrameRect(0, kCoreU0, kLowerV0, kCoreU1, kLowerV1);
    flash->Key = ZOrder;
    flash->DepthWrite = depthWrite;
    flash->SetRotation(RandomAngle());
    flash->SpinSpeed = p.CenterW;
    flash->SpinOn = 1;
    // Grows to four times its size and fades out over the bolt's time.
    flash->WidthSpeed = flash->HeightSpeed = PerSecond(3.0f * edge, life);
    flash->ScaleTo(4.0f * edge, 4.0f * edge);
    flash->FadeSpeed = PerSecond(1.0f, life);
    flash->FadeTo(0.0f);
    AddTo(Layers.Current.Sprites, flash);
    Expire(flash, life);
}

void CBonusSolidarity::AddNodeFlash(const CVector3& at) {
    AddFlash(at, kSmallFlash * Scale, g_bonusParams.Solidarity.CenterColor, 0);
}

void CBonusSolidarity::AddFireFlash() {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const CVector3 at(Pos[0], Pos[1], Pos[2]);
    if (Variant() < 3) {
        AddFlash(at, kSmallFlash * Scale, p.CenterColor, 1);
        return;
    }
    AddFlash(at, kLargeFlash * Scale, kWhite, 1);

    // Two counter-turning rings: one grows out of the flash, one only turns
    // and fades at its full size.
    const float ringLife = 2.0f * p.TermTime;
    const float from[2] = {kRingsFrom * Scale, kRingsTo * Scale};
    const float spin[2] = {kRingsSpin, -kRingsSpin};
    for (int i = 0; i < 2; ++i) {
        Sprite ring = MakeSprite(at.X, at.Y, at.Z, from[i], from[i], kWhite, Texture);
        ring->SetBlend(1, CSpriteQuad::BlendAdd);
        ring->SetFrameRect(0, kRingU0, kLowerV0, kRingU1, kLowerV1);
        ring->Key = ZOrder;
        ring->SetRotation(RandomAngle());
        ring->SpinSpeed = spin[i];
        ring->SpinOn = 1;
        ring->WidthSpeed = ring->HeightSpeed = PerSecond(kRingsGrowth * Scale, ringLife * 0.5f);
        ring->ScaleTo(kRingsTo * Scale, kRingsTo * Scale);
        ring->FadeSpeed = PerSecond(1.0f, ringLife);
        ring->FadeTo(0.0f);
        AddTo(Layers.Current.Sprites, ring);
        Expire(ring, ringLife);
    }
}

void CBonusSolidarity::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;
    for (auto& s : Body)
        Expire(s, kFiredSpriteLife);
    for (auto& s : Rings)
        Expire(s, kFiredSpriteLife);
    Body.clear();
    Rings.clear();
    RingAges.clear();

    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    BoltTail = -p.BoltLength;
    BoltHead = 0.0f;
    TailSegment = HeadSegment = 0;
    BoltStarted = BoltFinished = EndReached = 0;
    SegmentSprites.clear();

    AddFireFlash();
    QueueEvent(CBonusEvent::kSolidarityFired, Param);
}

int32_t CBonusSolidarity::IsEffectDone() {
    if (!Events.empty())
        return 0;
    if (Dead && PathPoints.size() >= 2 && !BoltFinished)
        return 0;
    return 1;
}

void CBonusSolidarity::LayBoltPiece(size_t j, float from, float to, float headU) {
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    Sprite& piece = SegmentSprites[j];
    const CVector3& dir = SegmentDirections[j];
    const float length = to - from;
    const float mid = 0.5f * (from + to) - PathDistances[j];
    piece->Position = PathPoints[j] + dir * mid;
    piece->SetScale(length, p.BoltWidth);
    // The pattern sticks to the bolt: u runs back from the bolt's front end
    // by one texture length every BoltTFactor units.
    const float front = std::min(BoltHead, PathLength());
    const float texel = p.BoltTFactor > 0.0f ? 1.0f / p.BoltTFactor : 0.0f;
    const float uFront = headU - (front - to) * texel;
    const float uBack = uFront - length * texel;
    piece->SetFrameRect(0, uBack, 0.0f, uFront, kStripV1);
}

int32_t CBonusSolidarity::UpdateBolt(float dt) {
    const size_t segments = SegmentDirections.size();
    if (PathPoints.size() < 2 || segments == 0)
        return Events.empty() ? 0 : 1;
    if (!BoltStarted) {
        SegmentSprites.assign(segments, Sprite());
        BoltStarted = 1;
    }
    if (BoltFinished)
        return Events.empty() && SegmentSprites.empty() ? 0 : 1;

    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const float length = PathLength();
    if (std::isfinite(dt))
        BoltTail += p.BoltSpeed * dt;
    BoltHead = BoltTail + p.BoltLength;
    const auto n = static_cast<int32_t>(segments);
    while (TailSegment < n && PathDistances[static_cast<size_t>(TailSegment) + 1] < BoltTail)
        ++TailSegment;
    while (HeadSegment < n && PathDistances[static_cast<size_t>(HeadSegment) + 1] < BoltHead)
        ++HeadSegment;

    BoltScroll -= p.BoltTSpeed * dt;
    if (BoltScroll < 1.0f)
        BoltScroll = 1.0f + Wrap01(BoltScroll);
    const float texel = p.BoltTFactor > 0.0f ? 1.0f / p.BoltTFactor : 0.0f;
    const float headU =
        BoltHead <= length ? BoltScroll : BoltScroll - (BoltHead - length) * texel;

    for (int32_t j = n - 1; j >= 0; --j) {
        const auto js = static_cast<size_t>(j);
        Sprite& piece = SegmentSprites[js];
        if (j < TailSegment) {
            // The bolt has left this segment.
            if (!piece.IsNull()) {
                RemoveFrom(Layers.Current.Sprites, piece);
                piece = Sprite();
            }
            continue;
        }
        const float from = std::max(BoltTail, PathDistances[js]);
        const float to = std::min(BoltHead, PathDistances[js + 1]);
        if (!piece.IsNull()) {
            LayBoltPiece(js, from, std::max(from, to), headU);
            continue;
        }
        // Two targets on one spot make a segment of no length: nothing to draw.
        if (j > HeadSegment || !(SegmentLengths[js] > 0.0f) || !(to > from))
            continue;
        AddNodeFlash(PathPoints[js]);
        piece = MakeSprite(PathPoints[js].X, PathPoints[js].Y, PathPoints[js].Z, 0.0f,
                           p.BoltWidth, p.BoltColor, Texture);
        piece->SetBlend(1, CSpriteQuad::BlendAdd);
        piece->Key = ZOrder;
        piece->DepthWrite = 0;
        const CVector3& dir = SegmentDirections[js];
        piece->SetAxes(dir.X, dir.Y, dir.Z, -dir.Y, dir.X, 0.0f, true);
        LayBoltPiece(js, from, to, headU);
        AddTo(Layers.Current.Sprites, piece);
        QueueEvent(CBonusEvent::kSolidarityRedirect, 0, 0, 0, piece->Position.X);
    }

    if (!EndReached && BoltHead >= length) {
        AddNodeFlash(PathPoints.back());
        QueueEvent(CBonusEvent::kSolidarityRedirect, 0, 0, 0, PathPoints.back().X);
        EndReached = 1;
    }
    if (BoltTail >= length) {
        for (auto& s : SegmentSprites)
            RemoveFrom(Layers.Current.Sprites, s);
        SegmentSprites.clear();
        BoltFinished = 1;
    }
    return Events.empty() && SegmentSprites.empty() ? 0 : 1;
}

void CBonusSolidarity::SetTargets(const std::vector<CBonusPoint>& targets,
                                  std::vector<float>& delays) {
    if (targets.empty()) {
        delays.clear();
        return;
    }
    const CBonusParametres::SolidaritySection& p = g_bonusParams.Solidarity;
    const size_t n = targets.size();
    const float bx = Pos[0], by = Pos[1], z = Pos[2] - kPathLift;
    // New targets for a bolt already on its way: the pieces shown so far go,
    // and the bolt goes on along the new path.
    for (auto& s : SegmentSprites)
        RemoveFrom(Layers.Current.Sprites, s);
    SegmentSprites.clear();
    BoltStarted = 0;
    TailSegment = HeadSegment = 0;

    std::vector<float> d(n);
    for (size_t i = 0; i < n; ++i)
        d[i] = SquaredDistance2D(bx, by, targets[i].X, targets[i].Y);

    // The first target: going outwards by distance (one of several at the
    // same distance), the first whose bolt would take at least the lead time
    // to pass it, else the farthest looked at.
    std::vector<size_t> byDistance(n);
    std::iota(byDistance.begin(), byDistance.end(), size_t{0});
    std::stable_sort(byDistance.begin(), byDistance.end(),
                     [&](size_t a, size_t b) { return d[a] < d[b]; });
    size_t first = byDistance[0];
    bool examined = false;
    float last = 0.0f;
    for (size_t idx : byDistance) {
        if (examined && !(d[idx] > last))
            continue;
        examined = true;
        last = d[idx];
        first = idx;
        if ((std::sqrt(d[idx]) + p.BoltLength) / p.BoltSpeed >= p.TermTime)
            break;
    }

    // Then on to the nearest target not yet reached, however far.
    std::vector<size_t> order;
    order.reserve(n);
    std::vector<char> reached(n, 0);
    order.push_back(first);
    reached[first] = 1;
    while (order.size() < n) {
        const CBonusPoint& from = targets[order.back()];
        size_t best = n;
        float bestD = 0.0f;
        for (size_t i = 0; i < n; ++i) {
            if (reached[i])
                continue;
            const float di = SquaredDistance2D(from.X, from.Y, targets[i].X, targets[i].Y);
            if (best == n || di < bestD) {
                best = i;
                bestD = di;
            }
        }
        order.push_back(best);
        reached[best] = 1;
    }

    PathPoints.assign(n + 1, CVector3());
    PathDistances.assign(n + 1, 0.0f);
    SegmentDirections.assign(n, CVector3());
    SegmentLengths.assign(n, 0.0f);
    PathPoints[0] = CVector3(bx, by, z);
    for (size_t k = 0; k < n; ++k)
        PathPoints[k + 1] = CVector3(targets[order[k]].X, targets[order[k]].Y, z);
    for (size_t i = 0; i < n; ++i) {
        const CVector3 span = PathPoints[i + 1] - PathPoints[i];
        const float len = span.Length();
        const bool usable = len > 0.0f && std::isfinite(len);
        SegmentLengths[i] = usable ? len : 0.0f;
        SegmentDirections[i] = usable ? span * (1.0f / len) : CVector3(1.0f, 0.0f, 0.0f);
        PathDistances[i + 1] = PathDistances[i] + SegmentLengths[i];
    }

    delays.assign(n, 0.0f);
    for (size_t k = 0; k < n; ++k) {
        const float delay = (PathDistances[k + 1] + p.BoltLength) / p.BoltSpeed - p.TermTime;
        delays[order[k]] = delay > 0.0f ? delay : 0.0f;
    }
}
