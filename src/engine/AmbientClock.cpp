#include "engine/AmbientClock.h"

float CAmbientClock::Tick(float dt) {
    Gathered += dt;
    // (Frame times that add up to a step in decimals may fall short of it in
    // floats by a rounding.)
    if (!(Gathered >= Step * (1.0f - 1e-4f)))
        return 0.0f;
    const float released = Gathered;
    Gathered = 0.0f;
    return released;
}
