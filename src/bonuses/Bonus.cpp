#include "bonuses/Bonus.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"

namespace {

// The depth-order key of a depth: its floor, kept inside the int range (a
// depth that is no number gives 0).
int32_t DepthKey(float z) {
    if (!std::isfinite(z))
        return 0;
    const float f = std::floor(z);
    if (f >= 2147483520.0f)
        return 2147483520;
    if (f <= -2147483520.0f)
        return -2147483520;
    return static_cast<int32_t>(f);
}

float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

} // namespace

void SetBonusColour(CBonus& bonus, int32_t colour) {
    bonus.Colour = colour;
}

CBonus::CBonus() {
    Events.reserve(25);
}

CBonus::~CBonus() = default;

float CBonus::ReferenceSize() {
    const float r = g_gemsParams.Standard.Radius;
    return std::isfinite(r) && r > 0.0f ? r : 38.0f;
}

void CBonus::QueueEvent(int32_t code, int32_t a, int32_t b, int32_t c, float value) {
    CBonusEvent e;
    e.Code = code;
    e.A = a;
    e.B = b;
    e.C = c;
    e.Value = value;
    Events.push_back(e);
}

CBonusRamp CBonus::FlyInRamp(float u, float f, float a) {
    CBonusRamp r;
    r.Scale = f - u * (f - 1.0f);
    r.Alpha = u <= 0.5f ? Clamp01(a + 2.0f * (1.0f - a) * u) : 1.0f;
    return r;
}

CBonusRamp CBonus::FlyOutRamp(float u, float f, float a) {
    CBonusRamp r;
    r.Scale = 1.0f + u * (f - 1.0f);
    r.Alpha = u < 0.5f ? 1.0f : Clamp01(a + 2.0f * (1.0f - a) * (1.0f - u));
    return r;
}

CBonusRamp CBonus::PopRamp(float u, float f, float a) {
    CBonusRamp r;
    r.Scale = 0.1f + u * (f - 0.1f);
    if (u < 0.125f)
        r.Alpha = Clamp01(8.0f * u);
    else if (u < 0.5f)
        r.Alpha = 1.0f;
    else
        r.Alpha = Clamp01(a + 2.0f * (1.0f - a) * (1.0f - u));
    return r;
}

CBonusRamp CBonus::MotionRamp() const {
    const float u = Duration > 0.0f ? Clamp01(Time / Duration) : 1.0f;
    switch (State) {
    case kFlyingIn:
        return FlyInRamp(u, FarScale, FarAlpha);
    case kFlyingOut:
        return FlyOutRamp(u, FarScale, FarAlpha);
    case kPopping:
        return PopRamp(u, FarScale, FarAlpha);
    default:
        return CBonusRamp{};
    }
}

void CBonus::StartSegment(float duration, const float a[3], const float b[3]) {
    Time = 0.0f;
    Duration = std::isfinite(duration) && duration > 0.0f ? duration : 0.0f;
    Path.SetFirstKey(Pos[0], Pos[1], Pos[2], Target[0], Target[1], Target[2], a[0], a[1], a[2],
                     b[0], b[1], b[2], Duration);
}

bool CBonus::AdvanceMotion(float dt) {
    if (std::isfinite(dt))
        Time += dt;
    Time = std::min(Time, Duration);
    if (!(Time >= 0.0f))
        Time = 0.0f;
    Path.GetPoint(Pos, Time);
    return !(Time < Duration);
}

int32_t CBonus::EndMotion() {
    switch (State) {
    case kFlyingIn:
        Place(Target[0], Target[1], Target[2], Size, Column, Row);
        return 1;
    case kFlyingOut:
        return 0;
    case kPopping:
        QueueEvent(CBonusEvent::kNeedsCap);
        State = kFinished;
        PopEnded = 1;
        return 1;
    default:
        return 1;
    }
}

int32_t CBonus::Update(float dt) {
    if (!Visible)
        return 1;
    if (PopSettled())
        return Events.empty() ? 0 : 1;
    Age += dt;
    if (InBaseMotion() && AdvanceMotion(dt))
        return EndMotion();
    return Dead ? 0 : 1;
}

void CBonus::MoveTo(float x, float y, float z, int32_t column, int32_t row, int32_t keepTime) {
    Column = column;
    Row = row;
    Target[0] = x;
    Target[1] = y;
    Target[2] = z;
    if (State == kStill || State == kPlaced) {
        std::copy(Target, Target + 3, Pos);
    } else if (State == kFlyingIn) {
        if (keepTime) {
            StartSegment(std::max(Duration - Time, kShortestSegment), kFlyInA, kFlyInB);
        } else {
            // The flight bends towards the new cell: same start, slopes and
            // length, same moment of it.
            float start[3];
            Path.GetPoint(start, 0.0f);
            Path.SetFirstKey(start[0], start[1], start[2], x, y, z, kFlyInA[0], kFlyInA[1],
                             kFlyInA[2], kFlyInB[0], kFlyInB[1], kFlyInB[2], Duration);
        }
    }
    Update(0.0f);
}

void CBonus::SetSize(float size) {
    Size = size;
    Scale = size / ReferenceSize();
    Update(0.0f);
}

void CBonus::FlyIn(float x, float y, float z, float size, int32_t column, int32_t row,
                   int32_t fromHere, float time) {
    Size = size;
    Target[0] = x;
    Target[1] = y;
    Target[2] = z;
    Column = column;
    Row = row;
    Scale = size / ReferenceSize();
    if (!fromHere) {
        Pos[0] = x;
        Pos[1] = size + kFlyInHeight;
        Pos[2] = z - 1.0f;
    }
    PopEnded = 0;
    State = kFlyingIn;
    StartSegment(time, kFlyInA, kFlyInB);
    Update(0.0f);
}

void CBonus::Place(float x, float y, float z, float size, int32_t column, int32_t row) {
    Size = size;
    Pos[0] = Target[0] = x;
    Pos[1] = Target[1] = y;
    Pos[2] = Target[2] = z;
    State = kPlaced;
    PopEnded = 0;
    Scale = size / ReferenceSize();
    Column = column;
    Row = row;
    SetZOrder(DepthKey(z));
    if (CreatedInPlay)
        QueueEvent(CBonusEvent::kPlaced, 0, 0, 0, x);
}

void CBonus::Stop() {
    State = kStill;
    PopEnded = 0;
    std::copy(Pos, Pos + 3, Target);
}

void CBonus::FlyOut(float time) {
    // Leaving during a fly-in starts the way out further along, the further
    // the fly-in had got.
    const float elapsed = (State == kFlyingIn) ? 2.0f * time * Time : 0.0f;
    State = kFlyingOut;
    PopEnded = 0;
    const float outA[3] = {kFlyInB[0], kFlyInB[1], kFlyInB[2]};
    const float outB[3] = {kFlyInA[0], kFlyInA[1], kFlyInA[2]};
    StartSegment(time, outA, outB);
    Time = std::isfinite(elapsed) ? std::clamp(elapsed, 0.0f, Duration) : 0.0f;
    Update(0.0f);
}

void CBonus::Pop(float time) {
    State = kPopping;
    PopEnded = 0;
    StartSegment(time, kPopA, kPopB);
    Update(0.0f);
}

void CBonus::SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays) {
    delays.assign(targets.size(), 0.0f);
}

int32_t CBonusPlain::Update(float dt) {
    return CBonus::Update(dt);
}
