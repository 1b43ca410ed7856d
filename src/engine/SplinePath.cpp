#include "engine/SplinePath.h"

CSplineKey::CSplineKey(float sx, float sy, float sz, float ex, float ey, float ez, float t0x,
                       float t0y, float t0z, float t1x, float t1y, float t1z)
    : Start{sx, sy, sz}, End{ex, ey, ez}, StartSlope{t0x, t0y, t0z}, EndSlope{t1x, t1y, t1z} {
    for (int a = 0; a < 3; ++a) {
        Cubic[a] = StartSlope[a] + EndSlope[a] - 2.0f;
        Square[a] = 3.0f - 2.0f * StartSlope[a] - EndSlope[a];
        Linear[a] = StartSlope[a];
        Span[a] = End[a] - Start[a];
    }
}

void CSplineKey::Evaluate(float* out, float u) const {
    const float u2 = u * u;
    const float u3 = u2 * u;
    for (int a = 0; a < 3; ++a)
        out[a] = (Cubic[a] * u3 + Square[a] * u2 + Linear[a] * u) * Span[a] + Start[a];
}

CSplinePath::CSplinePath() {
    Keys.reserve(kReservedKeys);
    Durations.reserve(kReservedKeys);
    SetFirstKey(0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
}

void CSplinePath::SetFirstKey(float sx, float sy, float sz, float ex, float ey, float ez, float t0x,
                              float t0y, float t0z, float t1x, float t1y, float t1z,
                              float duration) {
    // A fresh key rather than an edit of the old one: copies of this path may still
    // share the old segment.
    CSharedPtr<CSplineKey> key(
        new CSplineKey(sx, sy, sz, ex, ey, ez, t0x, t0y, t0z, t1x, t1y, t1z));
    Keys.clear();
    Durations.clear();
    Keys.push_back(key);
    Durations.push_back(duration);
    Total = duration;
}

void CSplinePath::SetSingleKey(float sx, float sy, float sz, float ex, float ey, float ez,
                               float duration) {
    SetFirstKey(sx, sy, sz, ex, ey, ez, 1, 1, 1, 1, 1, 1, duration);
}

void CSplinePath::Append(float ex, float ey, float ez, float t0x, float t0y, float t0z, float t1x,
                         float t1y, float t1z, float duration) {
    const CSplineKey& last = *Keys.back();
    CSharedPtr<CSplineKey> key(new CSplineKey(last.End[0], last.End[1], last.End[2], ex, ey, ez,
                                              t0x, t0y, t0z, t1x, t1y, t1z));
    Keys.push_back(key);
    Durations.push_back(duration);
    Total += duration;
}

void CSplinePath::AddKeyFromLast(float ex, float ey, float ez, float duration) {
    Append(ex, ey, ez, 1, 1, 1, 1, 1, 1, duration);
}

void CSplinePath::AddKeyKeepScale(float ex, float ey, float ez, float t1x, float t1y, float t1z,
                                  float duration) {
    const CSplineKey& last = *Keys.back();
    Append(ex, ey, ez, last.EndSlope[0], last.EndSlope[1], last.EndSlope[2], t1x, t1y, t1z,
           duration);
}

void CSplinePath::AddKeyFull(float ex, float ey, float ez, float t0x, float t0y, float t0z,
                             float t1x, float t1y, float t1z, float duration) {
    Append(ex, ey, ez, t0x, t0y, t0z, t1x, t1y, t1z, duration);
}

void CSplinePath::GetPoint(float* out, float t) const {
    if (Keys.size() > 1 && t > Durations[0]) {
        FindAndEvaluate(out, t);
        return;
    }
    Keys[0]->Evaluate(out, Progress(t, Durations[0]));
}

void CSplinePath::FindAndEvaluate(float* out, float t) const {
    const std::size_t n = Keys.size();
    if (n < 2) {
        Keys[0]->Evaluate(out, Progress(t, Durations[0]));
        return;
    }
    float r = t - Durations[0];
    std::size_t i = 1;
    while (i < n - 1 && Durations[i] <= r) {
        r -= Durations[i];
        ++i;
    }
    Keys[i]->Evaluate(out, Progress(r, Durations[i]));
}
