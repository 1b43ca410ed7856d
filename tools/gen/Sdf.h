#pragma once
// Signed-distance shapes for the procedural pictures: small vector types, exact
// distance functions of the common 2D primitives (negative inside), the
// boolean combinations, and faceted surfaces built as the lower envelope of
// planes (a cut gem's crown, a chamfered block).
//
// Coordinates are whatever the caller picks; the pictures use +x right and
// +y down, as in the image.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen {

struct Vec2 {
    float x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline Vec2 operator*(float s, Vec2 a) { return {a.x * s, a.y * s}; }
inline float Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float Cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
inline float Length(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
inline Vec2 Normalize(Vec2 a) {
    const float l = Length(a);
    return l > 0 ? a * (1.0f / l) : Vec2{0, 0};
}
// Turns `p` by `angle` radians (from +x towards +y).
inline Vec2 Rotate(Vec2 p, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return {c * p.x - s * p.y, s * p.x + c * p.y};
}
inline Vec2 Perp(Vec2 a) { return {-a.y, a.x}; }

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Normalize(Vec3 a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : Vec3{0, 0, 1};
}

constexpr float kPi = 3.14159265358979f;

// The game's one light, from the top left and in front of the picture: the
// unit direction towards it (+y is down in the pictures).
inline Vec3 LightDirection() { return Normalize(Vec3{-0.55f, -0.65f, 0.60f}); }

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
// exp(-x^2): a bell of width about 1, exactly 0 far out.
inline float Bell(float x) { return x * x > 60.0f ? 0.0f : std::exp(-x * x); }
inline float SmoothStep(float e0, float e1, float v) {
    const float t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// --- Primitives ----------------------------------------------------------

float SdCircle(Vec2 p, float radius);
// Axis-aligned box of half extents `half`, corners rounded by `radius`
// (0 for sharp corners; the box keeps its outer size).
float SdBox(Vec2 p, Vec2 half, float radius = 0);
// Distance to the segment a-b (never negative); minus a radius it is a capsule.
float DistSegment(Vec2 p, Vec2 a, Vec2 b);
float SdCapsule(Vec2 p, Vec2 a, Vec2 b, float radius);
// Ellipse of semi-axes `radii`: a close approximation, exact on the axes.
float SdEllipse(Vec2 p, Vec2 radii);
// Any simple polygon (convex or not, either winding): exact.
float SdPolygon(const std::vector<Vec2>& vertices, Vec2 p);
// Circular arc of radius `radius` around the origin from angle a0 to a1
// (radians, a0 < a1), a stroke of half width `halfWidth` with round ends.
float SdArc(Vec2 p, float radius, float a0, float a1, float halfWidth);

// --- Combinations --------------------------------------------------------

inline float Union(float a, float b) { return a < b ? a : b; }
inline float Intersect(float a, float b) { return a > b ? a : b; }
inline float Subtract(float a, float b) { return a > -b ? a : -b; }
// Union with a fillet of size `k` where the shapes meet.
float SmoothUnion(float a, float b, float k);
// A stroke of half width `halfWidth` along the outline of shape `d`.
inline float Outline(float d, float halfWidth) { return std::fabs(d) - halfWidth; }

// Pixel coverage of a distance `d` measured in pixels: a 1-pixel ramp. The
// pictures are supersampled, so this only smooths the sample grid further.
inline float Coverage(float d) { return Clamp01(0.5f - d); }

// --- Polygons ------------------------------------------------------------

// A regular polygon of `sides` around `centre`, circumradius `radius`, the
// first vertex at angle `phase` (radians; -pi/2 puts it at the top).
std::vector<Vec2> RegularPolygon(int sides, float radius, float phase, Vec2 centre = {});
// Each vertex moved by (dx, dy) and scaled by (sx, sy) about the origin first.
std::vector<Vec2> Transform(const std::vector<Vec2>& vertices, float sx, float sy, Vec2 offset);
// A convex polygon moved inward by `amount` along its edge normals (vertices
// on the bisectors); used to round corners: SdPolygon(Inset(v, r), p) - r is
// the polygon with corners of radius r and the same straight edges.
std::vector<Vec2> InsetConvex(const std::vector<Vec2>& vertices, float amount);

// --- Faceted surfaces ----------------------------------------------------

// A height field that is the lower envelope of planes: height(p) =
// min_i (base_i + slope_i * (offset_i - dot(normal_i, p))). For a convex
// polygon, offset - dot(normal, p) is the distance inside one edge, so one plane
// per edge makes a bevel that rises from the outline; several tiers of planes
// at decreasing slopes and a flat top give the crown of a cut stone. Every
// point lies on one facet whose normal is constant: flat, crisp facets.
struct FacetPlane {
    Vec2 normal;       // unit, pointing out of the shape
    float offset = 0;  // the edge line: dot(normal, p) = offset
    float base = 0;    // height at the edge line
    float slope = 0;   // rise per unit inward
};

struct FacetHit {
    float height = 0;  // of the lowest plane
    int facet = -1;    // its index
    float gap = 1e9f;  // how far (in distance units) the point is from the
                       // nearest ridge with another facet
    int neighbour = -1;  // the facet on the other side of that ridge
};

class FacetSurface {
public:
    // Planes beyond this many are ignored.
    static constexpr size_t kMaxPlanes = 64;

    void Add(const FacetPlane& plane) {
        if (planes_.size() < kMaxPlanes)
            planes_.push_back(plane);
    }
    // One plane per edge of a convex polygon (any winding), rising `slope` per
    // unit inward from height `base` at the (possibly moved) edge: each edge is
    // moved inward by `inset` first.
    void AddPolygonTier(const std::vector<Vec2>& vertices, float base, float slope, float inset = 0);
    // `count` planes around the origin with normals at angles phase + i*2pi/count,
    // edge lines at distance `offset` from the origin.
    void AddRadialTier(int count, float phase, float offset, float base, float slope);
    // A flat top at `height`.
    void AddTop(float height);

    // The facet under `p`; the distance to the nearest ridge only when asked.
    FacetHit Evaluate(Vec2 p, bool ridge = true) const;
    // Unit surface normal of facet `i` (+z towards the viewer; x, y in the
    // picture's axes).
    Vec3 Normal(int i) const;
    size_t Size() const { return planes_.size(); }
    const FacetPlane& Plane(int i) const { return planes_[size_t(i)]; }

private:
    std::vector<FacetPlane> planes_;
};

}  // namespace gen
