#pragma once
// The clock of a screen's slow ambient drifts (a fan of light turning; dust,
// fog, clouds, a sky or a background scrolling): it gathers the frame times
// and releases all of them at once every kAmbientStep, so that the drifts
// move in steps and, over a long run, exactly as far as if they moved every
// frame. In a quarter of a second they move the picture by a few levels in a
// few hundred pixels or by a pixel or so, too little to see as a jump, and a
// drift that stands still lets the frames in between redraw nothing of it.

constexpr float kAmbientStep = 0.25f;
// Slow sways (foliage rippling, vines and a banner swinging: a pixel or less a
// frame) step thirty times a second, where a step still moves less than a
// pixel or so; every other frame redraws nothing of them.
constexpr float kSwayStep = 1.0f / 30.0f;

class CAmbientClock {
public:
    explicit CAmbientClock(float step = kAmbientStep) : Step(step) {}
    // The time the drifts advance by this frame: everything gathered on a
    // release, else 0 (and they must stay exactly as they are).
    float Tick(float dt);

private:
    float Step;
    float Gathered = 0.0f;
};
