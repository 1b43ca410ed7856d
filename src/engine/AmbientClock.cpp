#include "engine/AmbientClock.h"

float CAmbientClock::Tick(float dt) {
    Gathered += dt;
    if (!(Gathered >= kAmbientStep))
        return 0.0f;
    const float released = Gathered;
    Gathered = 0.0f;
    return released;
}
