#include "Sdf.h"

#include <algorithm>

namespace gen {

float SdCircle(Vec2 p, float radius) { return Length(p) - radius; }

float SdBox(Vec2 p, Vec2 half, float radius) {
    const Vec2 q{std::fabs(p.x) - half.x + radius, std::fabs(p.y) - half.y + radius};
    const Vec2 outside{std::max(q.x, 0.0f), std::max(q.y, 0.0f)};
    return Length(outside) + std::min(std::max(q.x, q.y), 0.0f) - radius;
}

float DistSegment(Vec2 p, Vec2 a, Vec2 b) {
    const Vec2 pa = p - a, ba = b - a;
    const float len2 = Dot(ba, ba);
    const float h = len2 > 0 ? Clamp01(Dot(pa, ba) / len2) : 0.0f;
    return Length(pa - ba * h);
}

float SdCapsule(Vec2 p, Vec2 a, Vec2 b, float radius) { return DistSegment(p, a, b) - radius; }

float SdEllipse(Vec2 p, Vec2 radii) {
    // Scaled-circle distance corrected by the gradient length: exact on the
    // axes and within a few percent elsewhere for the moderate aspect ratios
    // the pictures use; the sign is always right.
    const float k0 = Length({p.x / radii.x, p.y / radii.y});
    const float k1 = Length({p.x / (radii.x * radii.x), p.y / (radii.y * radii.y)});
    if (k1 <= 0)
        return -std::min(radii.x, radii.y);
    return k0 * (k0 - 1.0f) / k1;
}

float SdPolygon(const std::vector<Vec2>& v, Vec2 p) {
    const size_t n = v.size();
    if (n < 3)
        return 1e9f;
    float d = Dot(p - v[0], p - v[0]);
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        const Vec2 e = v[j] - v[i];
        const Vec2 w = p - v[i];
        const float len2 = Dot(e, e);
        const float h = len2 > 0 ? Clamp01(Dot(w, e) / len2) : 0.0f;
        const Vec2 b = w - e * h;
        d = std::min(d, Dot(b, b));
        // Crossing test for the inside/outside sign.
        const bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * w.y > e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            inside = !inside;
    }
    return (inside ? -1.0f : 1.0f) * std::sqrt(d);
}

float SdArc(Vec2 p, float radius, float a0, float a1, float halfWidth) {
    float a = std::atan2(p.y, p.x);
    // Bring the angle into [mid - pi, mid + pi) so the range test works across
    // the wrap.
    const float mid = 0.5f * (a0 + a1);
    while (a < mid - kPi)
        a += 2 * kPi;
    while (a >= mid + kPi)
        a -= 2 * kPi;
    if (a >= a0 && a <= a1)
        return std::fabs(Length(p) - radius) - halfWidth;
    const Vec2 e0{radius * std::cos(a0), radius * std::sin(a0)};
    const Vec2 e1{radius * std::cos(a1), radius * std::sin(a1)};
    return std::min(Length(p - e0), Length(p - e1)) - halfWidth;
}

float SmoothUnion(float a, float b, float k) {
    if (k <= 0)
        return std::min(a, b);
    const float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return Mix(b, a, h) - k * h * (1 - h);
}

std::vector<Vec2> RegularPolygon(int sides, float radius, float phase, Vec2 centre) {
    std::vector<Vec2> v;
    v.reserve(size_t(std::max(sides, 0)));
    for (int i = 0; i < sides; ++i) {
        const float a = phase + 2 * kPi * float(i) / float(sides);
        v.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
    return v;
}

std::vector<Vec2> Transform(const std::vector<Vec2>& vertices, float sx, float sy, Vec2 offset) {
    std::vector<Vec2> v;
    v.reserve(vertices.size());
    for (Vec2 p : vertices)
        v.push_back({p.x * sx + offset.x, p.y * sy + offset.y});
    return v;
}

namespace {

// Signed area: positive when the vertices run counter-clockwise in a y-up
// frame (clockwise on screen with y down).
float SignedArea(const std::vector<Vec2>& v) {
    float a = 0;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i)
        a += Cross(v[j], v[i]);
    return 0.5f * a;
}

// Outward unit normal of edge a->b of a polygon with the given orientation.
Vec2 OutwardNormal(Vec2 a, Vec2 b, float orientation) {
    const Vec2 e = Normalize(b - a);
    // For positive orientation the interior lies to the left of each edge.
    return orientation > 0 ? Vec2{e.y, -e.x} : Vec2{-e.y, e.x};
}

}  // namespace

std::vector<Vec2> InsetConvex(const std::vector<Vec2>& vertices, float amount) {
    const size_t n = vertices.size();
    if (n < 3)
        return vertices;
    const float orientation = SignedArea(vertices);
    std::vector<Vec2> out(n);
    for (size_t i = 0; i < n; ++i) {
        const Vec2 prev = vertices[(i + n - 1) % n], cur = vertices[i], next = vertices[(i + 1) % n];
        const Vec2 na = OutwardNormal(prev, cur, orientation);
        const Vec2 nb = OutwardNormal(cur, next, orientation);
        const float denom = 1.0f + Dot(na, nb);
        out[i] = denom > 1e-6f ? cur - (na + nb) * (amount / denom) : cur - na * amount;
    }
    return out;
}

void FacetSurface::AddPolygonTier(const std::vector<Vec2>& vertices, float base, float slope,
                                  float inset) {
    const size_t n = vertices.size();
    if (n < 3)
        return;
    const float orientation = SignedArea(vertices);
    for (size_t i = 0; i < n; ++i) {
        const Vec2 a = vertices[i], b = vertices[(i + 1) % n];
        FacetPlane plane;
        plane.normal = OutwardNormal(a, b, orientation);
        plane.offset = Dot(plane.normal, a) - inset;
        plane.base = base;
        plane.slope = slope;
        Add(plane);
    }
}

void FacetSurface::AddRadialTier(int count, float phase, float offset, float base, float slope) {
    for (int i = 0; i < count; ++i) {
        const float a = phase + 2 * kPi * float(i) / float(count);
        FacetPlane plane;
        plane.normal = {std::cos(a), std::sin(a)};
        plane.offset = offset;
        plane.base = base;
        plane.slope = slope;
        Add(plane);
    }
}

void FacetSurface::AddTop(float height) {
    FacetPlane plane;
    plane.base = height;
    Add(plane);
}

FacetHit FacetSurface::Evaluate(Vec2 p, bool ridge) const {
    FacetHit hit;
    const size_t n = planes_.size();
    if (n == 0)
        return hit;
    // Heights of all planes; the lowest is the surface.
    float heights[kMaxPlanes];
    const size_t m = std::min(n, kMaxPlanes);
    for (size_t i = 0; i < m; ++i) {
        const FacetPlane& f = planes_[i];
        heights[i] = f.base + f.slope * (f.offset - Dot(f.normal, p));
        if (hit.facet < 0 || heights[i] < hit.height) {
            hit.height = heights[i];
            hit.facet = int(i);
        }
    }
    if (!ridge)
        return hit;
    // Distance to the nearest ridge: both planes are flat, so the height
    // difference over the difference of their gradients is exact.
    const FacetPlane& own = planes_[size_t(hit.facet)];
    const Vec2 g0 = own.normal * own.slope;
    for (size_t i = 0; i < m; ++i) {
        if (int(i) == hit.facet)
            continue;
        const FacetPlane& f = planes_[i];
        const float g = Length(f.normal * f.slope - g0);
        if (g <= 1e-6f)
            continue;
        const float gap = (heights[i] - hit.height) / g;
        if (gap < hit.gap) {
            hit.gap = gap;
            hit.neighbour = int(i);
        }
    }
    return hit;
}

Vec3 FacetSurface::Normal(int i) const {
    const FacetPlane& f = planes_[size_t(i)];
    return Normalize(Vec3{f.slope * f.normal.x, f.slope * f.normal.y, 1.0f});
}

}  // namespace gen
