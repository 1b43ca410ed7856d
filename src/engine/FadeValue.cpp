#include "engine/FadeValue.h"

void CFadeValue::Set(int32_t flag, float speed) {
    if (flag) {
        Shown = flag;
        if (speed > 0.0f) {
            Speed = speed;
        } else {
            Level = 1.0f;
            Speed = 0.0f;
        }
    } else if (speed > 0.0f) {
        Speed = -speed;
    } else {
        Shown = 0;
        Level = 0.0f;
        Speed = 0.0f;
    }
}

void CFadeValue::Update(float dt) {
    if (Speed > 0.0f) {
        Level += Speed * dt;
        if (Level > 1.0f) {
            Level = 1.0f;
            Speed = 0.0f;
        }
    } else if (Speed < 0.0f) {
        Level += Speed * dt;
        if (Level <= 0.0f) {
            Level = 0.0f;
            Shown = 0;
            Speed = 0.0f;
        }
    }
}
