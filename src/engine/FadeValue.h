#pragma once
// A 0-to-1 visibility level that fades at a signed speed per second. A positive
// speed fades in up to 1; a negative one fades out down to 0 and then hides.
#include <cstdint>

struct CFadeValue {
    int32_t Shown = 0;
    float Level = 0.0f;
    float Speed = 0.0f;

    // flag set:   speed > 0 starts a fade-in from the present level; otherwise the
    //             level jumps to 1.
    // flag clear: speed > 0 starts a fade-out (the flag stays until the level is 0);
    //             otherwise the level jumps to 0 and the value hides at once.
    void Set(int32_t flag, float speed);
    void Update(float dt);
};
