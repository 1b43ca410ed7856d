#include "bonuses/Bonus.h"

#include <algorithm>

void SetBonusColour(CBonus& bonus, int32_t colour) {
    bonus.Colour = colour;
}

void CBonus::StartSegment(float duration, float a0, float a1, float a2, float b0, float b1,
                          float b2) {
    Time = 0.0f;
    Duration = duration;
    Path.SetFirstKey(Pos[0], Pos[1], Pos[2], Target[0], Target[1], Target[2], a0, a1, a2, b0, b1,
                     b2, duration);
}

bool CBonus::AdvanceMotion(float dt) {
    Time = std::min(Time + dt, Duration);
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
        QueueEvent(CBonusEvent{CBonusEvent::kNeedsCap, 0, 0, 0, CSharedPtr<CBonus>(), 0.0f});
        State = kStill;
        return 1;
    default:
        return 1;
    }
}

int32_t CBonus::Update(float dt) {
    if (!Visible)
        return 1;
    Age += dt;
    if (State == kFlyingIn || State == kFlyingOut || State == kPopping) {
        if (AdvanceMotion(dt))
            return EndMotion();
    }
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
            StartSegment(std::max(Duration - Time, 0.1f), 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 5.0f);
        } else {
            float start[3];
            Path.GetPoint(start, 0.0f);
            const float elapsed = Time;
            Path.SetFirstKey(start[0], start[1], start[2], x, y, z, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f,
                             5.0f, Duration);
            Time = elapsed;
        }
    }
}

void CBonus::SetSize(float size) {
    Size = size;
    Scale = size / kReferenceSize;
}

void CBonus::FlyIn(float x, float y, float z, float size, int32_t column, int32_t row,
                   int32_t fromHere, float time) {
    Size = size;
    Scale = size / kReferenceSize;
    Target[0] = x;
    Target[1] = y;
    Target[2] = z;
    Column = column;
    Row = row;
    if (!fromHere) {
        Pos[0] = x;
        Pos[1] = size + 440.0f;
        Pos[2] = z - 1.0f;
    }
    State = kFlyingIn;
    StartSegment(time, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 5.0f);
}

void CBonus::Place(float x, float y, float z, float size, int32_t column, int32_t row) {
    Size = size;
    Pos[0] = Target[0] = x;
    Pos[1] = Target[1] = y;
    Pos[2] = Target[2] = z;
    State = kPlaced;
    Scale = size / kReferenceSize;
    Column = column;
    Row = row;
    SetZOrder(static_cast<int32_t>(z));
    if (CreatedInPlay)
        QueueEvent(CBonusEvent{CBonusEvent::kPlaced, 0, 0, 0, CSharedPtr<CBonus>(), x});
}

void CBonus::Stop() {
    State = kStill;
    std::copy(Pos, Pos + 3, Target);
}

void CBonus::FlyOut(float time) {
    const float elapsed = (State == kFlyingIn) ? 2.0f * time * Time : 0.0f;
    State = kFlyingOut;
    StartSegment(time, 1.0f, 1.0f, 5.0f, 1.0f, 1.0f, 0.0f);
    Time = std::min(elapsed, Duration);
}

void CBonus::Pop(float time) {
    State = kPopping;
    StartSegment(time, 1.0f, 3.0f, 1.0f, 1.0f, 0.0f, 1.0f);
}

void CBonus::SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays) {
    delays.assign(targets.size(), 0.0f);
}

int32_t CBonusGem::Update(float dt) {
    if (!Visible)
        return 1;
    Age += dt;
    switch (State) {
    case kFlyingIn:
    case kFlyingOut:
    case kPopping:
        if (AdvanceMotion(dt))
            return EndMotion();
        return 1;
    case kGemFlight:
        if (AdvanceMotion(dt)) {
            State = kGemArrived;
            QueueEvent(CBonusEvent{CBonusEvent::kGemArrived, Colour, 0, 0, CSharedPtr<CBonus>(),
                                   0.0f});
        }
        return 1;
    case kGemTaken:
        return 0;
    default:
        return 1;
    }
}

void CBonusGem::Fire() {
    Dead = 1;
    State = kGemFlight;
    std::copy(FlyTarget, FlyTarget + 3, Target);
    StartSegment(FlyTime, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    QueueEvent(CBonusEvent{CBonusEvent::kGemFired, Colour, 0, 0, CSharedPtr<CBonus>(), 0.0f});
}

int32_t CBonusPlain::Update(float dt) {
    if (!Visible)
        return 1;
    Age += dt;
    if (State == kFlyingIn || State == kFlyingOut || State == kPopping) {
        if (AdvanceMotion(dt))
            return EndMotion();
        return 1;
    }
    return Dead ? 0 : 1;
}
