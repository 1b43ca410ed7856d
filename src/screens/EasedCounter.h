#pragma once
// A whole number on screen that rolls towards its target instead of jumping:
// a roll starts at StartSpeed units per second and gains Acceleration each
// second, so small changes finish at once and large ones still end quickly.
// The speed is kept while new targets arrive in the same direction; a roll
// that turns round starts again from StartSpeed.
#include <cstdint>

class CEasedCounter {
public:
    static constexpr float kStartSpeed = 1000.0f;
    static constexpr float kAcceleration = 1000.0f;

    // Jumps: shown, target and value all become v.
    void Set(int32_t v);
    // A new target; the roll goes on from where it stands.
    void SetTarget(int32_t v);
    // 1 when the shown value moved (also on the step that arrives), 0 when
    // it already stands on the target.
    int32_t Update(float dt);

    int32_t Shown = 0;
    int32_t Target = 0;
    float Value = 0.0f;
    float Speed = 0.0f; // signed
    float TargetValue = 0.0f;
    float StartSpeed = kStartSpeed;
    float Acceleration = kAcceleration;
};
