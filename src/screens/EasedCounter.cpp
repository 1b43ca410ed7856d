#include "screens/EasedCounter.h"

#include <algorithm>
#include <cmath>

void CEasedCounter::Set(int32_t v) {
    Shown = Target = v;
    Value = TargetValue = static_cast<float>(v);
    Speed = 0.0f;
}

void CEasedCounter::SetTarget(int32_t v) {
    Target = v;
    TargetValue = static_cast<float>(v);
}

int32_t CEasedCounter::Update(float dt) {
    if (Shown == Target)
        return 0;
    if (Target > Shown) {
        Speed = std::max(Speed, StartSpeed) + Acceleration * dt;
        Value += Speed * dt;
        Shown = static_cast<int32_t>(std::floor(Value));
        if (TargetValue <= Value) {
            Shown = Target;
            Value = TargetValue;
            Speed = 0.0f;
        }
    } else {
        Speed = std::min(Speed, -StartSpeed) - Acceleration * dt;
        Value += Speed * dt;
        Shown = static_cast<int32_t>(std::floor(Value));
        if (TargetValue >= Value) {
            Shown = Target;
            Value = TargetValue;
            Speed = 0.0f;
        }
    }
    return 1;
}
