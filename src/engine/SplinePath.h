#pragma once
// Keyframed motion paths. A path is a chain of segments, each running from a start
// point to an end point in its own duration; within a segment every axis follows
// its own cubic easing curve (cubic Hermite of the normalised progress), set by a
// start slope and an end slope: slopes 1 and 1 give constant speed, 0 and 0 ease in
// and out. The owner runs its own clock and asks the path for the point at a time.
#include <cstddef>
#include <vector>

#include "engine/SharedPtr.h"

struct CSplineKey {
    CSplineKey(float sx, float sy, float sz, float ex, float ey, float ez, float t0x, float t0y,
               float t0z, float t1x, float t1y, float t1z);

    // The point of the segment at progress u (0 start, 1 end; not clamped).
    void Evaluate(float* out, float u) const;

    float Start[3];
    float End[3];
    float StartSlope[3];
    float EndSlope[3];
    float Cubic[3];  // start slope + end slope - 2
    float Square[3]; // 3 - 2 * start slope - end slope
    float Linear[3]; // start slope
    float Span[3];   // end - start
};

class CSplinePath {
public:
    static constexpr std::size_t kReservedKeys = 40;

    // One eased key from (0, 0, 0) to (1, 1, 1) in one second.
    CSplinePath();

    // Cuts the path to this one segment; duration and total become `duration`.
    void SetFirstKey(float sx, float sy, float sz, float ex, float ey, float ez, float t0x,
                     float t0y, float t0z, float t1x, float t1y, float t1z, float duration);
    // The same at constant speed (all slopes 1).
    void SetSingleKey(float sx, float sy, float sz, float ex, float ey, float ez, float duration);
    // Appends a constant-speed segment from the last end point.
    void AddKeyFromLast(float ex, float ey, float ez, float duration);
    // Appends a segment from the last end point that starts with the last segment's
    // end slopes, so the speed does not jump at the join.
    void AddKeyKeepScale(float ex, float ey, float ez, float t1x, float t1y, float t1z,
                         float duration);
    // Appends a segment from the last end point with the given slopes.
    void AddKeyFull(float ex, float ey, float ez, float t0x, float t0y, float t0z, float t1x,
                    float t1y, float t1z, float duration);

    // The point at time t (seconds from the path's start) into out[0..2]. The time is
    // not clamped: beyond the total the last segment extrapolates, before 0 the first.
    void GetPoint(float* out, float t) const;
    // The point at a time that lies beyond the first segment.
    void FindAndEvaluate(float* out, float t) const;

    float GetTotal() const { return Total; }
    std::size_t GetKeyCount() const { return Keys.size(); }
    const CSplineKey& GetKey(std::size_t i) const { return *Keys[i]; }
    float GetDuration(std::size_t i) const { return Durations[i]; }
    const CSplineKey& GetLastKey() const { return *Keys.back(); }

private:
    void Append(float ex, float ey, float ez, float t0x, float t0y, float t0z, float t1x, float t1y,
                float t1z, float duration);
    // Progress within a segment; a segment of no duration is already at its end.
    static float Progress(float r, float duration) { return duration > 0.0f ? r / duration : 1.0f; }

    // Segments are shared: a copied path refers to the same keys.
    std::vector<CSharedPtr<CSplineKey>> Keys;
    std::vector<float> Durations;
    float Total = 0.0f;
};
