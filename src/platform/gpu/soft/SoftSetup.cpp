#include "platform/gpu/soft/SoftSetup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/gpu/soft/SoftResources.h"

namespace gpu {
namespace {

constexpr int64_t kSubPixels = 256;      // vertex positions snap to 1/256 pixel
constexpr double kWindowLimit = 65536.0; // keeps the fixed-point edge sums in range
// Triangles reaching further from the window's origin are cut there, before
// the divide, so that what is drawn keeps its shape; the margin to the limit
// takes the rounding of the cut.
constexpr float kGuardBand = 32768.0f;
constexpr float kMinW = 1.0e-6f;
// Planes that cut triangles: behind the eye, the depth range's two ends and
// the guard band's four sides. Each adds at most one corner.
constexpr int kPlanes = 7;
constexpr uint32_t kMaxClipped = 3 + kPlanes;
// How far a quad's fourth corner may lie off its first triangle's planes, in
// colour levels, depth steps and texels, for the two to be drawn as one.
constexpr double kPlaneTolerance = 1.0 / 64;

int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

SoftClipVertex Mix(const SoftClipVertex& a, const SoftClipVertex& b, float t) {
    SoftClipVertex r;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.z = a.z + (b.z - a.z) * t;
    r.w = a.w + (b.w - a.w) * t;
    for (int c = 0; c < 4; ++c)
        r.color[c] = a.color[c] + (b.color[c] - a.color[c]) * t;
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        for (int k = 0; k < 2; ++k)
            r.uv[s][k] = a.uv[s][k] + (b.uv[s][k] - a.uv[s][k]) * t;
    return r;
}

// The guard band's sides in clip space, for one viewport: window x =
// vp.x + (x / w + 1) * hw lies within +-kGuardBand where
// (kGuardBand - vp.x - hw) * w - hw * x and (kGuardBand + vp.x + hw) * w + hw * x
// are not negative, and likewise for y (which runs down the window).
struct GuardBand {
    float right, left, bottom, top; // times w
    float hw, hh;
    explicit GuardBand(const Viewport& vp) {
        hw = static_cast<float>(vp.width) * 0.5f;
        hh = static_cast<float>(vp.height) * 0.5f;
        const auto x = static_cast<float>(vp.x), y = static_cast<float>(vp.y);
        right = kGuardBand - x - hw;
        left = kGuardBand + x + hw;
        bottom = kGuardBand - y - hh;
        top = kGuardBand + y + hh;
    }
};

// Distances to the planes that cut triangles: behind the eye, in front of the
// near plane (z = 0), beyond the far plane (z = w), and outside the guard band.
std::array<float, kPlanes> Distances(const SoftClipVertex& v, const GuardBand& g) {
    return {v.w - kMinW,
            v.z,
            v.w - v.z,
            g.right * v.w - g.hw * v.x,
            g.left * v.w + g.hw * v.x,
            g.bottom * v.w + g.hh * v.y,
            g.top * v.w - g.hh * v.y};
}

float Plane(const SoftClipVertex& v, int plane, const GuardBand& g) {
    return Distances(v, g)[static_cast<size_t>(plane)];
}

bool Finite(const SoftClipVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// Whether a vertex is finite and on the inner side of every plane: all seven
// at once, so that a triangle well inside (the common case) costs a few
// compares a corner.
bool Inside(const SoftClipVertex& v, const GuardBand& g) {
    bool inside = Finite(v);
    for (const float d : Distances(v, g))
        inside &= d >= 0;
    return inside;
}

uint32_t ClipPolygon(SoftClipVertex* poly, uint32_t n, int plane, const GuardBand& g,
                     SoftClipVertex* out) {
    uint32_t m = 0;
    for (uint32_t i = 0; i < n && m + 2 <= kMaxClipped; ++i) {
        const SoftClipVertex& a = poly[i];
        const SoftClipVertex& b = poly[(i + 1) % n];
        const float da = Plane(a, plane, g), db = Plane(b, plane, g);
        if (da >= 0)
            out[m++] = a;
        if ((da >= 0) != (db >= 0))
            out[m++] = Mix(a, b, da / (da - db));
    }
    return m;
}

} // namespace

SoftClipVertex TransformVertex(const Vertex& v, const float m[16]) {
    SoftClipVertex r;
    // Row vector times matrix, translation in the last row.
    r.x = v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12];
    r.y = v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13];
    r.z = v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14];
    r.w = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
    r.color[0] = static_cast<float>((v.diffuse >> 16) & 0xFF);
    r.color[1] = static_cast<float>((v.diffuse >> 8) & 0xFF);
    r.color[2] = static_cast<float>(v.diffuse & 0xFF);
    r.color[3] = static_cast<float>(v.diffuse >> 24);
    r.uv[0][0] = v.u0;
    r.uv[0][1] = v.v0;
    r.uv[1][0] = v.u1;
    r.uv[1][1] = v.v1;
    return r;
}

void SoftSetup::DrawTriangle(const SoftClipVertex tri[3], SoftPixelState& state,
                             const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                             const SoftTarget& target, uint32_t cull) {
    // A vertex that is not a number, or infinite, has no place to draw at.
    if (!Finite(tri[0]) || !Finite(tri[1]) || !Finite(tri[2]))
        return;
    const GuardBand guard(vp);
    SoftClipVertex poly[kMaxClipped], next[kMaxClipped];
    uint32_t n = 3;
    std::copy(tri, tri + 3, poly);
    const bool cut = !(Inside(tri[0], guard) & Inside(tri[1], guard) & Inside(tri[2], guard));
    for (int plane = 0; plane < kPlanes && cut; ++plane) {
        bool inside = true;
        for (uint32_t i = 0; i < n; ++i)
            inside = inside && Plane(poly[i], plane, guard) >= 0;
        if (inside)
            continue;
        n = ClipPolygon(poly, n, plane, guard, next);
        std::copy(next, next + n, poly);
        if (n < 3)
            return;
    }
    WindowVertex wv[kMaxClipped];
    for (uint32_t i = 0; i < n; ++i) {
        wv[i] = ToWindow(poly[i], vp);
        // Cut within the guard band, so only overflow in the cut lands outside.
        if (!(std::fabs(wv[i].x) <= kWindowLimit && std::fabs(wv[i].y) <= kWindowLimit))
            return;
    }
    for (uint32_t i = 1; i + 1 < n; ++i) {
        const WindowVertex t[3] = {wv[0], wv[i], wv[i + 1]};
        Rasterise(t, 3, state, stages, target, cull);
    }
}

WindowXY ToWindowXY(const SoftClipVertex& c, const Viewport& vp) {
    const double hw = vp.width * 0.5, hh = vp.height * 0.5;
    const double q = 1.0 / c.w;
    // Sample points sit at integer coordinates here, as the GL back end's
    // half-pixel shift puts its pixel centres.
    return {vp.x + (c.x * q + 1.0) * hw, vp.y + (1.0 - c.y * q) * hh};
}

SoftSetup::WindowVertex SoftSetup::ToWindow(const SoftClipVertex& c, const Viewport& vp) {
    const double q = 1.0 / c.w;
    const WindowXY at = ToWindowXY(c, vp);
    WindowVertex o;
    o.x = at.x;
    o.y = at.y;
    o.z = vp.minZ + c.z * q * (vp.maxZ - vp.minZ);
    o.q = q;
    std::copy(c.color, c.color + 4, o.color);
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        std::copy(c.uv[s], c.uv[s] + 2, o.uv[s]);
    return o;
}

bool SoftSetup::SharesEdge(const SoftClipVertex tris[6]) {
    int shared = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 3; j < 6; ++j)
            if (std::memcmp(&tris[i], &tris[j], sizeof(SoftClipVertex)) == 0) {
                ++shared;
                break;
            }
    return shared == 2;
}

void SoftSetup::DrawPair(const SoftClipVertex tris[6], SoftPixelState& state,
                         const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                         const SoftTarget& target, uint32_t cull) {
    const SoftClipVertex* a = tris;
    const SoftClipVertex* b = tris + 3;
    // The first triangle's corner off the shared edge (k), and where the
    // second holds each of the first's corners (-1: not at all).
    int at[3] = {-1, -1, -1}, k = -1;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3 && at[i] < 0; ++j)
            if (std::memcmp(&a[i], &b[j], sizeof(SoftClipVertex)) == 0)
                at[i] = j;
        if (at[i] < 0)
            k = k < 0 ? i : 3;
    }
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    const int d = k >= 0 && k < 3 && at[k1] != at[k2] ? 3 - at[k1] - at[k2] : -1;
    // The quad in the first triangle's turn; the second must turn the same way.
    bool merge = d >= 0 && d < 3 && (at[k1] + 1) % 3 == d;
    const SoftClipVertex* corners[4] = {&a[k < 0 ? 0 : k % 3], &a[k1], &b[d < 0 ? 0 : d % 3],
                                        &a[k2]};
    const GuardBand guard(vp);
    for (int i = 0; i < 4 && merge; ++i)
        merge = Inside(*corners[i], guard);
    WindowVertex quad[4];
    int64_t x[4], y[4];
    for (int i = 0; i < 4 && merge; ++i) {
        quad[i] = ToWindow(*corners[i], vp);
        x[i] = std::llround(quad[i].x * kSubPixels);
        y[i] = std::llround(quad[i].y * kSubPixels);
        merge = std::fabs(quad[i].q - quad[0].q) <= 1e-9 * std::fabs(quad[0].q);
    }
    // Convex: every corner turns the same way, none straight on.
    int64_t turn[4] = {};
    for (int i = 0; i < 4 && merge; ++i) {
        const int j = (i + 1) % 4, l = (i + 2) % 4;
        turn[i] = (x[j] - x[i]) * (y[l] - y[j]) - (y[j] - y[i]) * (x[l] - x[j]);
        merge = turn[i] != 0 && (turn[i] > 0) == (turn[0] > 0);
    }
    if (merge) {
        // The fourth corner's values as the first triangle's planes put them.
        const WindowVertex &p0 = quad[0], &p1 = quad[1], &p2 = quad[3], &pd = quad[2];
        const double det = (p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y);
        const double b1 = ((pd.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (pd.y - p0.y)) / det;
        const double b2 = ((p1.x - p0.x) * (pd.y - p0.y) - (pd.x - p0.x) * (p1.y - p0.y)) / det;
        auto near = [&](double v0, double v1, double v2, double vd, double tolerance) {
            return std::fabs(v0 + b1 * (v1 - v0) + b2 * (v2 - v0) - vd) <= tolerance;
        };
        // Within a small part of a colour level, a depth step and the largest
        // texture's texel.
        double texels = 1;
        for (uint32_t s = 0; s < state.stageCount; ++s)
            if (stages[s].texture)
                texels = std::max({texels, static_cast<double>(stages[s].texture->Level(0).width),
                                   static_cast<double>(stages[s].texture->Level(0).height)});
        merge = near(p0.z, p1.z, p2.z, pd.z, kPlaneTolerance / 65535.0);
        for (int c = 0; c < 4 && merge; ++c)
            merge = near(p0.color[c], p1.color[c], p2.color[c], pd.color[c], kPlaneTolerance);
        for (uint32_t s = 0; s < kCombinerStages && merge; ++s)
            for (int i = 0; i < 2 && merge; ++i)
                merge = near(p0.uv[s][i], p1.uv[s][i], p2.uv[s][i], pd.uv[s][i],
                             kPlaneTolerance / texels);
    }
    if (merge) {
        Rasterise(quad, 4, state, stages, target, cull);
    } else {
        DrawTriangle(a, state, stages, vp, target, cull);
        DrawTriangle(b, state, stages, vp, target, cull);
    }
}

// The planes of a triangle's values over the window: value(px, py) =
// a + dx * px + dy * py, from its corners' values.
struct SoftSetup::PlaneEq {
    double a, dx, dy;
    double At(double px, double py) const { return a + dx * px + dy * py; }
};

// Corners 0, 1 and 2 of a triangle, from corner 0, for the planes through
// their values.
struct SoftSetup::Corners {
    double x0, y0, ex1, ey1, ex2, ey2, det;
    bool perspective; // the corners' depths differ
    PlaneEq Through(double a0, double a1, double a2) const {
        const double d1 = a1 - a0, d2 = a2 - a0;
        PlaneEq p;
        p.dx = (d1 * ey2 - d2 * ey1) / det;
        p.dy = (d2 * ex1 - d1 * ex2) / det;
        p.a = a0 - p.dx * x0 - p.dy * y0;
        return p;
    }
    // A value interpolated with perspective where it applies.
    PlaneEq Varying(const WindowVertex v[], float a0, float a1, float a2) const {
        return perspective ? Through(a0 * v[0].q, a1 * v[1].q, a2 * v[2].q) : Through(a0, a1, a2);
    }
};

// Edges from each corner to the next: a sample is inside when every edge
// function is positive, or zero on a left edge or a bottom one: GL's
// top-left rule, whose window rows count upwards, so that samples on an
// edge go to the same triangle as on the GL back end. (Two triangles
// drawn as one quad cover what they cover apart: the rule gives a sample
// on their shared edge to exactly one.)
// With E(i) = a * i * 256 + k(row) at column i, an edge that is not
// level bounds a row's columns from one side at FloorDiv(num, den), whose
// numerator steps by a fixed amount per row: kept as quotient and
// remainder and stepped, it gives the integers dividing per row gives.
struct SoftSetup::Edge {
    bool bindsLo, level, topLeft; // level: k alone decides the row
    int64_t quot, rem, den, dQuot, dRem;
    int64_t k, dk;
    void Step() {
        if (level) {
            k += dk;
            return;
        }
        quot += dQuot;
        rem += dRem;
        if (rem >= den) {
            rem -= den;
            ++quot;
        }
    }
};

// The set-up's steps are inlined into Rasterise, as one function's parts:
// a call between them would cost every triangle.
[[gnu::always_inline]] inline bool SoftSetup::SetUpPlanes(const WindowVertex v[], Corners& k,
                                                          PlaneEq& z, PlaneEq& q,
                                                          PlaneEq color[4]) {
    k.x0 = v[0].x;
    k.y0 = v[0].y;
    k.ex1 = v[1].x - k.x0;
    k.ey1 = v[1].y - k.y0;
    k.ex2 = v[2].x - k.x0;
    k.ey2 = v[2].y - k.y0;
    k.det = k.ex1 * k.ey2 - k.ex2 * k.ey1;
    if (k.det == 0)
        return false;
    k.perspective = std::fabs(v[0].q - v[1].q) > 1e-9 * std::fabs(v[0].q) ||
                    std::fabs(v[0].q - v[2].q) > 1e-9 * std::fabs(v[0].q);
    z = k.Through(v[0].z * 65535.0, v[1].z * 65535.0, v[2].z * 65535.0);
    q = k.perspective ? k.Through(v[0].q, v[1].q, v[2].q) : PlaneEq{1, 0, 0};
    for (int c = 0; c < 4; ++c)
        color[c] = k.Varying(v, v[0].color[c], v[1].color[c], v[2].color[c]);
    return true;
}

// Each sampling stage: its level (nearest mip, from the texels a pixel
// steps across), its filter, and its coordinates in that level's texels.
[[gnu::always_inline]] inline void
SoftSetup::SetUpSamplers(const WindowVertex v[], const Corners& k, const PlaneEq& q,
                         SoftPixelState& state, const SoftStageTexture stages[kCombinerStages],
                         PlaneEq uv[][2]) {
    for (uint32_t s = 0; s < state.stageCount; ++s) {
        SoftSampler& sm = state.samplers[s];
        const SoftStageTexture& st = stages[s];
        const uint32_t set = state.stages[s].uvSet;
        if (!CombinerStageSamples(state.stages[s]) || !st.texture) {
            sm = SoftSampler{};
            continue;
        }
        const SoftLevel& base = st.texture->Level(0);
        PlaneEq pu = k.Varying(v, v[0].uv[set][0], v[1].uv[set][0], v[2].uv[set][0]);
        PlaneEq pv = k.Varying(v, v[0].uv[set][1], v[1].uv[set][1], v[2].uv[set][1]);
        double dudx = pu.dx, dudy = pu.dy, dvdx = pv.dx, dvdy = pv.dy;
        if (k.perspective) {
            const double cx = (v[0].x + v[1].x + v[2].x) / 3, cy = (v[0].y + v[1].y + v[2].y) / 3;
            const double qc = q.At(cx, cy), uc = pu.At(cx, cy) / qc, vc = pv.At(cx, cy) / qc;
            dudx = (pu.dx - uc * q.dx) / qc;
            dudy = (pu.dy - uc * q.dy) / qc;
            dvdx = (pv.dx - vc * q.dx) / qc;
            dvdy = (pv.dy - vc * q.dy) / qc;
        }
        const double bw = base.width, bh = base.height;
        const double rho =
            std::max(std::hypot(dudx * bw, dvdx * bh), std::hypot(dudy * bw, dvdy * bh));
        const double lambda = rho > 0 ? std::log2(rho) : -1.0;
        uint32_t level = 0;
        if (st.mipmapped && lambda > 0.5) // (an infinite lambda takes the last level)
            level = static_cast<uint32_t>(std::min<double>(
                std::ceil(lambda + 0.5) - 1, static_cast<double>(st.texture->Levels() - 1)));
        const SoftLevel& l = st.texture->Level(level);
        const SoftLevel& read = st.texture->Level(level, st.mirrorU, st.mirrorV);
        sm.texels = read.argb.data();
        sm.clearTiles = read.clearTiles.empty() ? nullptr : read.clearTiles.data();
        sm.clearShare = read.clearShare;
        sm.width = static_cast<int32_t>(read.width);
        sm.height = static_cast<int32_t>(read.height);
        sm.wrapU = st.wrapU;
        sm.wrapV = st.wrapV;
        sm.linear = lambda > 0 ? st.minLinear : st.magLinear;
        const double half = sm.linear ? 0.5 : 0.0;
        const double lw = l.width, lh = l.height;
        uv[s][0] =
            PlaneEq{pu.a * lw - half * q.a, pu.dx * lw - half * q.dx, pu.dy * lw - half * q.dy};
        uv[s][1] =
            PlaneEq{pv.a * lh - half * q.a, pv.dx * lh - half * q.dx, pv.dy * lh - half * q.dy};
    }
}

[[gnu::always_inline]] inline void SoftSetup::SetUpEdges(const int64_t x[], const int64_t y[],
                                                         int n, int32_t top, Edge edges[]) {
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const int64_t a = -(y[j] - y[i]);
        Edge& e = edges[i];
        e.topLeft = a > 0 || (a == 0 && x[j] - x[i] < 0);
        e.level = a == 0;
        e.bindsLo = a > 0;
        e.k =
            (x[j] - x[i]) * (static_cast<int64_t>(top) * kSubPixels - y[i]) + (y[j] - y[i]) * x[i];
        e.dk = (x[j] - x[i]) * kSubPixels;
        if (e.level)
            continue;
        // lo >= CeilDiv(-k, den) or FloorDiv(-k, den) + 1; hi <= FloorDiv(k, den) or CeilDiv(k,
        // den) - 1.
        e.den = (a > 0 ? a : -a) * kSubPixels;
        const int64_t num =
            a > 0 ? -e.k + (e.topLeft ? e.den - 1 : e.den) : e.k - (e.topLeft ? 0 : 1);
        const int64_t dNum = a > 0 ? -e.dk : e.dk;
        e.quot = FloorDiv(num, e.den);
        e.rem = num - e.quot * e.den;
        e.dQuot = FloorDiv(dNum, e.den);
        e.dRem = dNum - e.dQuot * e.den;
    }
}

void SoftSetup::Rasterise(const WindowVertex vin[], int n, SoftPixelState& state,
                          const SoftStageTexture stages[kCombinerStages], const SoftTarget& target,
                          uint32_t cull) {
    int64_t X[4], Y[4];
    for (int i = 0; i < n; ++i) {
        X[i] = std::llround(vin[i].x * kSubPixels);
        Y[i] = std::llround(vin[i].y * kSubPixels);
    }
    const int64_t area = (X[1] - X[0]) * (Y[n - 1] - Y[0]) - (Y[1] - Y[0]) * (X[n - 1] - X[0]);
    if (area == 0)
        return;
    // Front faces run clockwise on the screen (positive area, y down).
    if ((cull == Cull::CCW && area < 0) || (cull == Cull::CW && area > 0))
        return;
    // Corners turning the other way are taken in reverse, from the same first.
    int order[4] = {0, 1, 2, 3};
    if (area < 0)
        std::reverse(order + 1, order + n);
    int64_t x[4], y[4];
    for (int i = 0; i < n; ++i) {
        x[i] = X[order[i]];
        y[i] = Y[order[i]];
    }
    // The planes' corners: 0, 1 and n - 1.
    const WindowVertex v[3] = {vin[order[0]], vin[order[1]], vin[order[n - 1]]};

    // Rows whose sample points the triangle may cover, within the target's clip.
    const int64_t minY = *std::min_element(y, y + n), maxY = *std::max_element(y, y + n);
    const int64_t minX = *std::min_element(x, x + n), maxX = *std::max_element(x, x + n);
    const auto top =
        static_cast<int32_t>(std::max<int64_t>(CeilDiv(minY, kSubPixels), target.clip[1]));
    const auto bottom =
        static_cast<int32_t>(std::min<int64_t>(FloorDiv(maxY, kSubPixels) + 1, target.clip[3]));
    const auto left =
        static_cast<int32_t>(std::max<int64_t>(CeilDiv(minX, kSubPixels), target.clip[0]));
    const auto right =
        static_cast<int32_t>(std::min<int64_t>(FloorDiv(maxX, kSubPixels) + 1, target.clip[2]));
    if (top >= bottom || left >= right)
        return;

    Corners corners;
    // The planes of what every pixel interpolates: depth, 1 / w, the colour
    // and each stage's coordinates.
    PlaneEq z, q, color[4];
    if (!SetUpPlanes(v, corners, z, q, color))
        return;
    PlaneEq uv[kCombinerStages][2];
    SetUpSamplers(v, corners, q, state, stages, uv);
    Edge edges[4];
    SetUpEdges(x, y, n, top, edges);
    const bool perspective = corners.perspective;

    // Rows are shaded a batch at a time, which settles the state once. Each
    // row is written into its slot field by field: a span built apart and
    // copied in whole is read back in wider words than it was written in,
    // which stalls every row.
    constexpr int32_t kBatch = 32;
    SoftRow batch[kBatch];
    int32_t batched = 0, prepared = 0; // slots [0, prepared) hold the steps
    SoftSpan steps;
    steps.perspective = perspective;
    for (int c = 0; c < 4; ++c)
        steps.dColor[c] = static_cast<float>(color[c].dx);
    // The stages read their own uv set: the span holds them by stage.
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        for (int k = 0; k < 2; ++k) {
            steps.uv[s][k] = 0;
            steps.dUv[s][k] = s < state.stageCount ? static_cast<float>(uv[s][k].dx) : 0;
        }
    steps.dz = static_cast<float>(z.dx);
    steps.dq = static_cast<float>(q.dx);
    // The row's values at its first pixel, `from`.
    struct Start {
        float color[4], uv[kCombinerStages][2], z, q;
    } at{};
    auto start = [&](int64_t from, int32_t row) {
        const auto px = static_cast<double>(from), pyd = static_cast<double>(row);
        for (int c = 0; c < 4; ++c)
            at.color[c] = static_cast<float>(color[c].At(px, pyd));
        for (uint32_t s = 0; s < state.stageCount; ++s)
            for (int k = 0; k < 2; ++k)
                at.uv[s][k] = static_cast<float>(uv[s][k].At(px, pyd));
        at.z = static_cast<float>(z.At(px, pyd));
        at.q = static_cast<float>(q.At(px, pyd));
    };
    auto flush = [&] {
        if (batched > 0)
            ShadeRows(state, batch, batched);
        batched = 0;
    };
    // Pixels a..b (inclusive) of a row whose values start at `from`: shaded
    // as the whole row shades them.
    auto shade = [&](int64_t from, int64_t a, int64_t b, int32_t row) {
        a = std::max<int64_t>(a, target.cols[0]);
        b = std::min<int64_t>(b, static_cast<int64_t>(target.cols[1]) - 1);
        if (a > b)
            return;
        if (batched == prepared)
            batch[prepared++].span = steps;
        SoftRow& r = batch[batched++];
        for (int c = 0; c < 4; ++c)
            r.span.color[c] = at.color[c];
        for (uint32_t s = 0; s < state.stageCount; ++s)
            for (int k = 0; k < 2; ++k)
                r.span.uv[s][k] = at.uv[s][k];
        r.span.z = at.z;
        r.span.q = at.q;
        r.span.first = static_cast<int32_t>(a - from);
        const size_t px = static_cast<size_t>(row) * target.width + static_cast<size_t>(a);
        r.color = target.color + px;
        r.depth = target.depth ? target.depth + px : nullptr;
        r.count = static_cast<int32_t>(b - a + 1);
        if (batched == kBatch)
            flush();
        pixels_ += static_cast<uint64_t>(r.count);
    };
    // The hidden rectangles' rows, met top to bottom.
    const SoftRowMask::Band* band = nullptr;
    const SoftRowMask::Band* bandsEnd = nullptr;
    if (target.hidden) {
        band = target.hidden->Bands().data();
        bandsEnd = band + target.hidden->Bands().size();
    }
    for (int32_t row = top; row < bottom; ++row) {
        int64_t lo = left, hi = right - 1; // inclusive pixel range
        for (int i = 0; i < n; ++i) {
            Edge& e = edges[i];
            if (e.level) {
                if (e.k < 0 || (e.k == 0 && !e.topLeft))
                    lo = hi + 1;
            } else if (e.bindsLo) {
                lo = std::max(lo, e.quot);
            } else {
                hi = std::min(hi, e.quot);
            }
            e.Step();
        }
        if (lo > hi || hi < target.cols[0] || lo >= target.cols[1])
            continue;
        while (band != bandsEnd && band->bottom <= row)
            ++band;
        const bool masked = band != bandsEnd && band->top <= row;
        start(lo, row);
        if (!masked) {
            shade(lo, lo, hi, row);
            continue;
        }
        // The pieces between the hidden runs (sorted, merged: apart).
        const SoftRowMask::Run* runs = target.hidden->Runs(*band);
        int64_t a = lo;
        for (uint32_t r = 0; r < band->count && a <= hi; ++r) {
            if (runs[r].x1 <= a)
                continue;
            if (runs[r].x0 > hi)
                break;
            if (runs[r].x0 > a)
                shade(lo, a, runs[r].x0 - 1, row);
            const int64_t end = std::min<int64_t>(hi + 1, runs[r].x1);
            hiddenPixels_ += static_cast<uint64_t>(end - std::max<int64_t>(a, runs[r].x0));
            a = end;
        }
        if (a <= hi)
            shade(lo, a, hi, row);
    }
    flush();
}

void SoftRowMask::Set(const Rect* rects, uint32_t count) {
    bands_.clear();
    runs_.clear();
    area_ = 0;
    std::vector<int32_t>& rows = rows_;
    rows.clear();
    for (uint32_t i = 0; i < count; ++i)
        if (rects[i].left < rects[i].right && rects[i].top < rects[i].bottom) {
            rows.push_back(rects[i].top);
            rows.push_back(rects[i].bottom);
        }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        Band b{rows[i], rows[i + 1], static_cast<uint32_t>(runs_.size()), 0};
        for (uint32_t r = 0; r < count; ++r)
            if (rects[r].left < rects[r].right && rects[r].top <= b.top &&
                rects[r].bottom >= b.bottom)
                runs_.push_back({rects[r].left, rects[r].right});
        auto first = runs_.begin() + b.first;
        std::sort(first, runs_.end(), [](const Run& x, const Run& y) { return x.x0 < y.x0; });
        // Overlapping and touching ranges become one.
        auto out = first;
        for (auto it = first; it != runs_.end(); ++it) {
            if (out != first && it->x0 <= (out - 1)->x1)
                (out - 1)->x1 = std::max((out - 1)->x1, it->x1);
            else
                *out++ = *it;
        }
        runs_.erase(out, runs_.end());
        b.count = static_cast<uint32_t>(runs_.size() - b.first);
        if (b.count == 0)
            continue;
        for (uint32_t r = b.first; r < b.first + b.count; ++r)
            area_ += static_cast<uint64_t>(runs_[r].x1 - runs_[r].x0) *
                     static_cast<uint64_t>(b.bottom - b.top);
        bands_.push_back(b);
    }
    hash_ = SoftHash(bands_.data(), bands_.size() * sizeof(Band), runs_.size());
    hash_ = SoftHash(runs_.data(), runs_.size() * sizeof(Run), hash_);
}

uint64_t SoftHash(const void* bytes, size_t size, uint64_t seed) {
    // FNV-1a over 8-byte words, each word mixed in before the next.
    const auto* p = static_cast<const uint8_t*>(bytes);
    uint64_t h = seed ^ 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i)
        h = (h ^ p[i]) * 0x100000001B3ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return h ^ (h >> 32);
}

} // namespace gpu
