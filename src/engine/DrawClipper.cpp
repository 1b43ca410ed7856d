#include "engine/DrawClipper.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/StageCombiner.h"

namespace {

// Rectangles smaller than this hide too little to be worth splitting draws.
constexpr int64_t kMinOccluderPixels = 1024;
// Only the largest rectangles still to come clip a draw, and a quad is split
// into at most this many parts (what is left beyond them is simply drawn).
constexpr size_t kMaxActiveRects = 16;
constexpr size_t kMaxPieces = 48;
// Opaque (or clear) parts looked for in a picture that is not so throughout.
constexpr size_t kMaxParts = 6;
// ... and only in quads this large: the search costs more than small parts save.
constexpr int64_t kMinPartlyOpaquePixels = 128 * 128;
// An opaque quad this large that keeps this share of its pixels showing is
// played whole on a back end that leaves out nothing itself.
constexpr int64_t kMinWholeOccluderPixels = 256 * 256;
constexpr double kWholeOccluderShowing = 0.75;
// Opaque (or clear) parts found over a whole picture at most, and only in
// pictures this small.
constexpr size_t kMaxPartsPerTexture = 256;
constexpr uint64_t kMaxSearchTexels = 2048ull * 2048ull;
// What is known of this many textures at most.
constexpr size_t kMaxTexturesKept = 512;
// A draw's clear parts are looked for only among this few triangles (each
// part must meet none of the others).
constexpr size_t kMostTrianglesWithClearParts = 64;
// No draw (of a depth test that lies at or in front of all written before it).
constexpr size_t kNoDraw = SIZE_MAX;
// Textures larger than this are never read back for their alpha.
constexpr uint64_t kMaxTableTexels = 4096ull * 4096ull;
constexpr uint32_t kFillSolid = 3;
constexpr uint32_t kStencilEnable = 52;
constexpr uint32_t kColorWriteEnable = 168;
constexpr uint32_t kAllChannels = 0xF;
constexpr uint32_t kAlphaShift = 24;
constexpr uint32_t kFullAlpha = 0xFF;

enum Corner { kTL, kTR, kBL, kBR };

bool FullAlpha(uint32_t argb) {
    return (argb >> kAlphaShift) == kFullAlpha;
}

// The alpha of a texel of the given format, 0 (clear) to kFullAlpha (opaque);
// kFullAlpha for a format without alpha.
uint32_t TexelAlpha(uint32_t format, const uint8_t* p) {
    switch (format) {
    case gpu::Fmt::A8R8G8B8:
        return p[3];
    case gpu::Fmt::A1R5G5B5:
        return (p[1] & 0x80) != 0 ? kFullAlpha : 0;
    case gpu::Fmt::A4R4G4B4:
        return (p[1] >> 4) * 0x11;
    case gpu::Fmt::A8L8:
        return p[1];
    default:
        return kFullAlpha;
    }
}

// Bytes per texel of the formats a texture may have; 0 for one we cannot read.
uint32_t TexelBytes(uint32_t format) {
    switch (format) {
    case gpu::Fmt::A8R8G8B8:
    case gpu::Fmt::X8R8G8B8:
        return 4;
    case gpu::Fmt::R5G6B5:
    case gpu::Fmt::X1R5G5B5:
    case gpu::Fmt::A1R5G5B5:
    case gpu::Fmt::A4R4G4B4:
    case gpu::Fmt::X4R4G4B4:
    case gpu::Fmt::A8L8:
        return 2;
    case gpu::Fmt::L8:
        return 1;
    default:
        return 0;
    }
}

// The polygon's area inside the rectangle (Sutherland-Hodgman, then the
// shoelace formula).
double AreaWithin(double px[], double py[], int n, double x0, double y0, double x1, double y1) {
    double ax[9], ay[9];
    double* inX = px;
    double* inY = py;
    double* outX = ax;
    double* outY = ay;
    for (int edge = 0; edge < 4 && n > 0; ++edge) {
        auto inside = [&](double x, double y) {
            switch (edge) {
            case 0:
                return x >= x0;
            case 1:
                return x <= x1;
            case 2:
                return y >= y0;
            default:
                return y <= y1;
            }
        };
        auto cross = [&](double xa, double ya, double xb, double yb, double* x, double* y) {
            const double bound = edge == 0 ? x0 : edge == 1 ? x1 : edge == 2 ? y0 : y1;
            const double t = edge < 2 ? (bound - xa) / (xb - xa) : (bound - ya) / (yb - ya);
            *x = xa + t * (xb - xa);
            *y = ya + t * (yb - ya);
        };
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const bool ia = inside(inX[i], inY[i]), ib = inside(inX[j], inY[j]);
            if (ia)
                outX[m] = inX[i], outY[m++] = inY[i];
            if (ia != ib)
                cross(inX[i], inY[i], inX[j], inY[j], &outX[m], &outY[m]), ++m;
        }
        n = m;
        std::swap(inX, outX);
        std::swap(inY, outY);
        if (edge == 0) { // from now on between the two scratch arrays
            outX = px;
            outY = py;
        }
    }
    double twice = 0.0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        twice += inX[i] * inY[j] - inX[j] * inY[i];
    }
    return std::fabs(twice) * 0.5;
}

} // namespace

void CDrawClipper::BeginScene() {
    depthOrdered_ = depthKnown_ = true;
    clearSeen_ = false;
    clearedAt_ = 0;
    depthUses_.clear();
}

void CDrawClipper::NoteDepthClear(float z, bool whole) {
    // What the buffer holds is no longer known; or tests before the clear
    // read writes that later ones do not.
    if (!whole || !noted_.empty())
        depthKnown_ = false;
    if (!whole) {
        depthOrdered_ = false;
        return;
    }
    clearDepth_ = z; // the whole buffer holds z now
    clearSeen_ = true;
    clearedAt_ = depthUses_.size();
}

void CDrawClipper::Forget() {
    noted_.clear();
    tris_.clear();
    wins_.clear();
    occluders_.clear();
    nextOccluder_ = 0;
    clearParts_.clear();
    nextClearPart_ = 0;
    activeKnown_ = false;
}

void CDrawClipper::Select(const Noted& d, const gpu::Vertex* vertices) {
    vertices_ = vertices;
    tri_ = tris_.data() + d.tri;
    triCount_ = d.triCount;
    win_ = wins_.data() + d.win;
    viewport_ = d.viewport;
    affine_ = d.affine;
}

void CDrawClipper::NoteDraw(const CRenderDevice& device, uint32_t type, const gpu::Vertex* vertices,
                            uint32_t vertexCount, const uint32_t* indices,
                            uint32_t primitiveCount) {
    Noted d{};
    d.type = type;
    d.vertexCount = vertexCount;
    d.tri = tris_.size();
    d.win = wins_.size();
    d.viewport = device.GetCachedViewport();
    const bool list = type == gpu::Prim::TriangleList;
    d.known = list || type == gpu::Prim::TriangleStrip;
    if (d.known) {
        // Triangles as three vertex numbers each (a strip's too).
        for (uint32_t p = 0; p < primitiveCount; ++p)
            for (uint32_t k = 0; k < 3; ++k)
                tris_.push_back(indices[list ? 3 * p + k : p + k]);
        d.triCount = tris_.size() - d.tri;
        const gpu::Matrix m =
            gpu::WorldViewProjection(device.GetCachedTransform(gpu::Ts::World),
                                     device.GetCachedTransform(gpu::Ts::View),
                                     device.GetCachedTransform(gpu::Ts::Projection));
        d.affine = m.m[0][3] == 0.0f && m.m[1][3] == 0.0f && m.m[2][3] == 0.0f && m.m[3][3] == 1.0f;
        transform_ = m;
        viewport_ = d.viewport;
        for (uint32_t v = 0; v < vertexCount; ++v)
            wins_.push_back(ToWindow(vertices[v]));
    }
    noted_.push_back(d);
    Select(noted_.back(), vertices);
    bool writesDepth = false;
    depthUses_.emplace_back();
    if (!d.known)
        depthOrdered_ = depthKnown_ = false; // what it does to depth is unknown
    else
        NoteDepth(device, &writesDepth);
    noted_.back().writesDepth = writesDepth;
    if (d.known && list && enabled_)
        Survey(device, static_cast<uint32_t>(noted_.size() - 1));
}

CDrawClipper::Win CDrawClipper::ToWindow(const gpu::Vertex& p) const {
    const gpu::Matrix& m = transform_;
    const double x = p.x, y = p.y, z = p.z;
    auto col = [&](int c) { return x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c]; };
    const double w = col(3);
    Win out{0.0, 0.0, 0.0, w > 1e-9};
    if (!out.valid)
        return out;
    out.x = viewport_.x + (col(0) / w + 1.0) * 0.5 * viewport_.width;
    out.y = viewport_.y + (1.0 - col(1) / w) * 0.5 * viewport_.height;
    out.z = viewport_.minZ + col(2) / w * (viewport_.maxZ - viewport_.minZ);
    return out;
}

void CDrawClipper::NoteDepth(const CRenderDevice& device, bool* writesDepth) {
    const uint32_t zEnable = device.GetCachedRenderState(gpu::Rs::ZEnable);
    const uint32_t zWrite = device.GetCachedRenderState(gpu::Rs::ZWriteEnable);
    *writesDepth = zEnable != 0 && zWrite != 0;
    if (zEnable == 0)
        return;
    const uint32_t func = device.GetCachedRenderState(gpu::Rs::ZFunc);
    if (zEnable == CRenderDevice::kFailedSet || zWrite == CRenderDevice::kFailedSet ||
        (func != gpu::Cmp::LessEqual && func != gpu::Cmp::Always)) {
        depthOrdered_ = depthKnown_ = false;
        return;
    }
    for (size_t i = 0; i < triCount_; ++i)
        if (!Vert(tri_[i]).valid) {
            depthOrdered_ = depthKnown_ = false;
            return;
        }
    const DepthWrite box = BoxOf(0, triCount_);
    const bool tests = func == gpu::Cmp::LessEqual;
    bool ownOrdered = true;
    size_t firstUnordered = kNoDraw;
    if (tests) {
        // The first write since the clear (or the clear itself, as 0) that
        // it does not lie at or in front of where they may meet.
        if (box.high > clearDepth_)
            firstUnordered = 0;
        for (size_t i = clearedAt_; i + 1 < depthUses_.size() && firstUnordered == kNoDraw; ++i)
            if (depthUses_[i].writes && !Behind(box, depthUses_[i].box))
                firstUnordered = i;
        if (!clearSeen_ || firstUnordered != kNoDraw)
            depthOrdered_ = false;
        // Its triangles also test what its own earlier ones wrote.
        ownOrdered = !*writesDepth || box.high <= box.low || OwnTrianglesOrdered();
        if (!ownOrdered)
            depthOrdered_ = false;
    }
    depthUses_.back() = {box, tests, *writesDepth, ownOrdered, firstUnordered};
}

CDrawClipper::DepthWrite CDrawClipper::BoxOf(size_t first, size_t count) const {
    DepthWrite box{1e300, 1e300, -1e300, -1e300, 1e300, -1e300};
    for (size_t i = first; i < first + count; ++i) {
        const Win& w = Vert(tri_[i]);
        box.x0 = std::min(box.x0, w.x), box.x1 = std::max(box.x1, w.x);
        box.y0 = std::min(box.y0, w.y), box.y1 = std::max(box.y1, w.y);
        box.low = std::min(box.low, w.z);
        box.high = std::max(box.high, w.z);
    }
    return box;
}

bool CDrawClipper::Apart(const DepthWrite& a, const DepthWrite& b) {
    return a.x1 < b.x0 || b.x1 < a.x0 || a.y1 < b.y0 || b.y1 < a.y0;
}

bool CDrawClipper::Behind(const DepthWrite& test, const DepthWrite& written) {
    return Apart(test, written) || test.high <= written.low;
}

bool CDrawClipper::OwnTrianglesOrdered() {
    constexpr size_t kMostTriangles = 512; // more are taken as unordered
    const size_t count = triCount_ / 3;
    if (count > kMostTriangles)
        return false;
    triangleBoxes_.clear();
    for (size_t t = 0; t < count; ++t) {
        const DepthWrite b = BoxOf(3 * t, 3);
        for (const DepthWrite& d : triangleBoxes_)
            if (!Behind(b, d))
                return false;
        triangleBoxes_.push_back(b);
    }
    return true;
}

void CDrawClipper::Resolve(bool sceneEnds) {
    // Depth written under a rectangle is lost: only safe where no depth test
    // of the scene can fail, whatever the depth buffer holds.
    depthProven_ = sceneEnds && depthOrdered_ && clearSeen_;
    // A recording played before its scene ends leaves later tests unknown.
    depthKnown_ = depthKnown_ && sceneEnds;
    unreadWrites_.clear();
    if (enabled_ && depthKnown_ && clearSeen_ && !depthProven_)
        FindUnreadWrites();
    if (!depthProven_) {
        // An occluder still hides where its own test passes whatever the
        // buffer holds: at or in front of the clear and of every write before
        // it where they meet (and of its own triangles). Only a scene whose
        // every depth use is known can tell.
        const bool usesKnown = depthKnown_ && clearSeen_;
        auto ownTestPasses = [&](uint32_t draw) {
            if (!usesKnown || draw >= depthUses_.size())
                return false;
            const DepthUse& u = depthUses_[draw];
            return u.tests && u.ownOrdered && u.firstUnordered == kNoDraw;
        };
        occluders_.erase(std::remove_if(occluders_.begin(), occluders_.end(),
                                        [&](const Occluder& o) {
                                            return o.testsDepth && !ownTestPasses(o.draw);
                                        }),
                         occluders_.end());
    }
    nextOccluder_ = 0;
    nextClearPart_ = 0;
    activeKnown_ = false;
}

bool CDrawClipper::PaintedOver(size_t fromDraw, const PixelRect& area) const {
    return enabled_ && std::any_of(occluders_.begin(), occluders_.end(), [&](const Occluder& o) {
               return o.draw >= fromDraw && o.rect.x0 <= area.x0 && o.rect.y0 <= area.y0 &&
                      o.rect.x1 >= area.x1 && o.rect.y1 >= area.y1;
           });
}

void CDrawClipper::FindUnreadWrites() {
    // A test passes whatever was written before it where it lies at or in
    // front of all of that (and of the clear). A write may be left out where
    // every later test that meets it does so up to and including it: each
    // then passes against whatever the buffer holds instead (and a later
    // write that tests writes what it did).
    const size_t n = depthUses_.size();
    unreadWrites_.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const DepthUse& w = depthUses_[i];
        if (!w.writes || !w.ownOrdered)
            continue;
        bool unread = true;
        for (size_t j = i + 1; j < n && unread; ++j) {
            const DepthUse& t = depthUses_[j];
            unread = !t.tests || Apart(t.box, w.box) || t.firstUnordered > i;
        }
        unreadWrites_[i] = unread ? 1 : 0;
    }
}

std::vector<CDrawClipper::PixelRect> CDrawClipper::OpaqueRects() const {
    std::vector<PixelRect> out;
    for (const Occluder& o : occluders_)
        out.push_back(o.rect);
    return out;
}

bool CDrawClipper::AlignedQuad(size_t t, uint32_t corner[4]) const {
    if (!affine_ || t + 6 > triCount_)
        return false;
    uint32_t distinct[4];
    int n = 0;
    for (size_t i = t; i < t + 6; ++i) {
        const uint32_t v = tri_[i];
        if (std::find(distinct, distinct + n, v) == distinct + n) {
            if (n == 4)
                return false;
            distinct[n++] = v;
        }
    }
    if (n != 4)
        return false;
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (uint32_t v : distinct) {
        const Win& w = Vert(v);
        x0 = std::min(x0, w.x), x1 = std::max(x1, w.x);
        y0 = std::min(y0, w.y), y1 = std::max(y1, w.y);
    }
    if (!(x0 < x1 && y0 < y1))
        return false;
    bool filled[4] = {false, false, false, false};
    for (uint32_t v : distinct) {
        const Win& w = Vert(v);
        if ((w.x != x0 && w.x != x1) || (w.y != y0 && w.y != y1))
            return false;
        const int c = (w.x == x1 ? 1 : 0) + (w.y == y1 ? 2 : 0);
        if (filled[c])
            return false;
        filled[c] = true;
        corner[c] = v;
    }
    // The two triangles must halve the rectangle along a diagonal: each one
    // holds both ends of it.
    auto holds = [&](size_t first, uint32_t a, uint32_t b) {
        const uint32_t* p = &tri_[first];
        return std::find(p, p + 3, a) != p + 3 && std::find(p, p + 3, b) != p + 3 && p[0] != p[1] &&
               p[1] != p[2] && p[0] != p[2];
    };
    for (auto [a, b] : {std::pair{corner[kTL], corner[kBR]}, std::pair{corner[kTR], corner[kBL]}})
        if (holds(t, a, b) && holds(t + 3, a, b))
            return true;
    return false;
}

bool CDrawClipper::Splittable(const uint32_t corner[4]) const {
    const gpu::Vertex& tl = vertices_[corner[kTL]];
    const gpu::Vertex& tr = vertices_[corner[kTR]];
    const gpu::Vertex& bl = vertices_[corner[kBL]];
    const gpu::Vertex& br = vertices_[corner[kBR]];
    if (tl.diffuse != tr.diffuse || tl.diffuse != bl.diffuse || tl.diffuse != br.diffuse)
        return false;
    // Attributes that change across the quad along a plane, so that every part
    // of it lays them out as the whole did.
    auto planar = [](float a, float b, float c, float d) {
        return static_cast<double>(a) + d == static_cast<double>(b) + c;
    };
    return planar(tl.x, tr.x, bl.x, br.x) && planar(tl.y, tr.y, bl.y, br.y) &&
           planar(tl.z, tr.z, bl.z, br.z) && planar(tl.u0, tr.u0, bl.u0, br.u0) &&
           planar(tl.v0, tr.v0, bl.v0, br.v0) && planar(tl.u1, tr.u1, bl.u1, br.u1) &&
           planar(tl.v1, tr.v1, bl.v1, br.v1);
}

bool CDrawClipper::OccluderState(const CRenderDevice& device, bool* testsDepth,
                                 bool* needsOpaqueTexels, bool* needsFullDiffuse) const {
    auto rs = [&](uint32_t s) { return device.GetCachedRenderState(s); };
    auto ss = [&](uint32_t stage, uint32_t s) { return device.GetCachedStageState(stage, s); };
    *testsDepth = *needsOpaqueTexels = *needsFullDiffuse = false;
    if (rs(gpu::Rs::FillMode) != kFillSolid || rs(gpu::Rs::CullMode) != gpu::Cull::None ||
        rs(kStencilEnable) != 0 || rs(kColorWriteEnable) != kAllChannels)
        return false;
    const uint32_t zEnable = rs(gpu::Rs::ZEnable);
    if (zEnable != 0) {
        const uint32_t func = rs(gpu::Rs::ZFunc);
        if (zEnable == CRenderDevice::kFailedSet ||
            (func != gpu::Cmp::Always && func != gpu::Cmp::LessEqual))
            return false;
        *testsDepth = func == gpu::Cmp::LessEqual;
    }
    // The blend, the alpha test and the alpha the stages leave, by the rule
    // the back ends keep; what is the clipper's own is which of the texels
    // and the vertices must prove their alpha full for it.
    const uint32_t blend = rs(gpu::Rs::AlphaBlendEnable), alphaTest = rs(gpu::Rs::AlphaTestEnable);
    const uint32_t src = rs(gpu::Rs::SrcBlend), dest = rs(gpu::Rs::DestBlend);
    const uint32_t func = rs(gpu::Rs::AlphaFunc), ref = rs(gpu::Rs::AlphaRef);
    if (blend == CRenderDevice::kFailedSet || alphaTest == CRenderDevice::kFailedSet ||
        (alphaTest != 0 && ref == CRenderDevice::kFailedSet))
        return false;
    gpu::StageStateTable stages{};
    for (uint32_t s = 0; s < gpu::kCombinerStages; ++s)
        for (const uint32_t k : {gpu::Tss::ColorOp, gpu::Tss::ColorArg1, gpu::Tss::ColorArg2,
                                 gpu::Tss::AlphaOp, gpu::Tss::AlphaArg1, gpu::Tss::AlphaArg2,
                                 gpu::Tss::TexCoordIndex})
            stages[s][k] = ss(s, k);
    const gpu::CombinerKey key = gpu::MakeCombinerKey(stages, false, 0);
    // (Only the first stage's texels can be looked at.)
    auto writes = [&](bool opaqueTexels, bool fullDiffuse) {
        gpu::AlphaSources full;
        full.texture[0] = opaqueTexels;
        full.diffuse = fullDiffuse;
        full.tfactor = FullAlpha(rs(gpu::Rs::TextureFactor));
        return gpu::WritesWithoutReading(gpu::StagesAlphaFull(key, full), blend != 0, src, dest,
                                         alphaTest != 0, func, ref & kFullAlpha);
    };
    if (!writes(true, true))
        return false;
    *needsOpaqueTexels = !writes(false, true);
    *needsFullDiffuse = !writes(true, false);
    return true;
}

bool CDrawClipper::TexelSpan(const CRenderDevice& device, const uint32_t corner[4],
                             PixelRect* out) {
    const CTexture* texture = device.GetBoundTexture(0);
    if (!texture || !texture->GetTexture() || texture->GetPath().empty())
        return false; // a picture not from a file may be drawn into
    const double width = texture->GetWidth(), height = texture->GetHeight();
    const bool second = (device.GetCachedStageState(0, gpu::Tss::TexCoordIndex) & 0xFFFF) == 1;
    auto uv = [&](uint32_t v, double* u, double* w) {
        const gpu::Vertex& p = vertices_[v];
        *u = (second ? p.u1 : p.u0) * width;
        *w = (second ? p.v1 : p.v0) * height;
    };
    double u[4], v[4];
    for (int c = 0; c < 4; ++c)
        uv(corner[c], &u[c], &v[c]);
    // Texels per pixel: above one the sampler may read a smaller mip level,
    // whose alpha we do not check.
    const double w = Vert(corner[kTR]).x - Vert(corner[kTL]).x;
    const double h = Vert(corner[kBL]).y - Vert(corner[kTL]).y;
    const double rho = std::max(std::hypot(u[kTR] - u[kTL], v[kTR] - v[kTL]) / w,
                                std::hypot(u[kBL] - u[kTL], v[kBL] - v[kTL]) / h);
    if (rho > 1.0 + 1e-6 && texture->GetTexture()->GetLevelCount() > 1 &&
        device.GetCachedStageState(0, gpu::Tss::MipFilter) != gpu::Tf::None)
        return false;
    // Every texel a pixel centre inside the quad can read, nearest or
    // filtered.
    auto span = [](const double* c, double size, uint32_t address, int32_t* lo, int32_t* hi) {
        const double low = *std::min_element(c, c + 4), high = *std::max_element(c, c + 4);
        const double first = std::floor(low - 0.5), last = std::floor(high + 0.5);
        if (address == gpu::Tadr::Clamp) {
            *lo = static_cast<int32_t>(std::clamp(first, 0.0, size - 1));
            *hi = static_cast<int32_t>(std::clamp(last, 0.0, size - 1));
        } else if (first < 0 || last > size - 1) {
            *lo = 0;
            *hi = static_cast<int32_t>(size) - 1;
        } else {
            *lo = static_cast<int32_t>(first);
            *hi = static_cast<int32_t>(last);
        }
    };
    int32_t x0, x1, y0, y1;
    span(u, width, device.GetCachedStageState(0, gpu::Tss::AddressU), &x0, &x1);
    span(v, height, device.GetCachedStageState(0, gpu::Tss::AddressV), &y0, &y1);
    *out = {x0, y0, x1 + 1, y1 + 1};
    return true;
}

const std::vector<CDrawClipper::PixelRect>& CDrawClipper::Parts(const CTexture& texture,
                                                                const PixelRect& span, bool clear) {
    // The picture's parts are found once over all of it: a span that slides
    // (a scrolled layer, a strip whose texture coordinates move) only cuts them.
    Opacity& o = OpacityOf(texture);
    const int kind = clear ? 1 : 0;
    if (!o.searched[kind]) {
        o.searched[kind] = true;
        SearchParts(texture, clear, o.parts[kind]);
    }
    spanParts_.clear();
    for (const PixelRect& p : o.parts[kind]) {
        const PixelRect cut{std::max(p.x0, span.x0), std::max(p.y0, span.y0),
                            std::min(p.x1, span.x1), std::min(p.y1, span.y1)};
        if (cut.x0 < cut.x1 && cut.y0 < cut.y1 && cut.Area() >= kMinOccluderPixels)
            spanParts_.push_back(cut);
    }
    std::stable_sort(spanParts_.begin(), spanParts_.end(),
                     [](const PixelRect& a, const PixelRect& b) { return a.Area() > b.Area(); });
    if (spanParts_.size() > kMaxParts)
        spanParts_.resize(kMaxParts);
    return spanParts_;
}

void CDrawClipper::SearchParts(const CTexture& texture, bool clear, std::vector<PixelRect>& parts) {
    ++partSearches_;
    parts.clear();
    const int32_t w = static_cast<int32_t>(texture.GetWidth());
    const int32_t h = static_cast<int32_t>(texture.GetHeight());
    const uint32_t format = texture.GetFormat(), bytes = TexelBytes(format);
    gpu::LockedRect locked;
    if (bytes == 0 || w <= 0 || h <= 0 ||
        static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxSearchTexels ||
        gpu::Failed(texture.GetTexture()->LockRect(0, &locked, nullptr, gpu::Lock::ReadOnly)))
        return;
    // height: per row, the run of free (opaque, or clear) texels ending there
    // in each column, and a last column of none that empties the stack.
    const size_t stride = static_cast<size_t>(w) + 1;
    std::vector<int32_t> height(stride * h, 0);
    for (int32_t y = 0; y < h; ++y) {
        const auto* row =
            static_cast<const uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
        int32_t* at = &height[y * stride];
        const int32_t* above = y > 0 ? at - stride : nullptr;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t alpha = TexelAlpha(format, row + static_cast<size_t>(x) * bytes);
            at[x] = (clear ? alpha == 0 : alpha == kFullAlpha) ? (above ? above[x] : 0) + 1 : 0;
        }
    }
    texture.GetTexture()->UnlockRect(0);
    // The largest free rectangle whose bottom lies on each row (the first
    // found of the largest, left to right).
    std::vector<PixelRect> rowBest(h);
    std::vector<int32_t> stack;
    auto findRowBest = [&](int32_t y) {
        const int32_t* at = &height[y * stride];
        PixelRect best;
        stack.clear();
        for (int32_t x = 0; x <= w; ++x) {
            while (!stack.empty() && at[stack.back()] >= at[x]) {
                const int32_t top = at[stack.back()];
                stack.pop_back();
                const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                const PixelRect r{left, y + 1 - top, x, y + 1};
                if (r.Area() > best.Area())
                    best = r;
            }
            stack.push_back(x);
        }
        rowBest[y] = best;
    };
    for (int32_t y = 0; y < h; ++y)
        findRowBest(y);
    // The largest free rectangle, then the largest among what is left, and
    // so on. Taking one shortens the runs only of its own columns, from its
    // top down to where each of them meets a texel that is not free; a row
    // whose largest rectangle lies beside those columns keeps it.
    for (size_t n = 0; n < kMaxPartsPerTexture; ++n) {
        PixelRect best;
        for (const PixelRect& r : rowBest)
            if (r.Area() > best.Area())
                best = r;
        if (best.Area() < kMinOccluderPixels)
            break;
        parts.push_back(best);
        for (int32_t y = best.y0; y < h; ++y) {
            int32_t* at = &height[y * stride];
            const int32_t* above = y > 0 ? at - stride : nullptr;
            bool changed = false;
            for (int32_t x = best.x0; x < best.x1; ++x) {
                const int32_t run = y < best.y1 || at[x] == 0 ? 0 : (above ? above[x] : 0) + 1;
                changed = changed || run != at[x];
                at[x] = run;
            }
            if (!changed && y >= best.y1)
                break;
            if (rowBest[y].x0 < best.x1 && best.x0 < rowBest[y].x1)
                findRowBest(y);
        }
    }
}

bool CDrawClipper::PartOnPixels(const CRenderDevice& device, const uint32_t corner[4],
                                const PixelRect& inner, const PixelRect& part, PixelRect* out) {
    const CTexture& texture = *device.GetBoundTexture(0);
    const bool second = (device.GetCachedStageState(0, gpu::Tss::TexCoordIndex) & 0xFFFF) == 1;
    auto u = [&](Corner c) {
        const gpu::Vertex& p = vertices_[corner[c]];
        return static_cast<double>(second ? p.u1 : p.u0) * texture.GetWidth();
    };
    auto v = [&](Corner c) {
        const gpu::Vertex& p = vertices_[corner[c]];
        return static_cast<double>(second ? p.v1 : p.v0) * texture.GetHeight();
    };
    // Only a picture laid on the quad unturned: u follows x, v follows y.
    if (u(kTL) != u(kBL) || u(kTR) != u(kBR) || v(kTL) != v(kTR) || v(kBL) != v(kBR))
        return false;
    // The pixel centres whose filtered reads stay inside the part (a hair
    // inside, for the rounding of the interpolation).
    auto range = [](double a0, double a1, double t0, double t1, double p0, double p1, int32_t lo,
                    int32_t hi, int32_t* first, int32_t* last) {
        const double slope = (t1 - t0) / (p1 - p0);
        double from = lo, to = hi;
        if (slope == 0.0) {
            if (!(t0 >= a0 && t0 <= a1))
                return false;
        } else {
            const double x0 = p0 + (a0 - t0) / slope, x1 = p0 + (a1 - t0) / slope;
            from = std::max(from, std::ceil(std::min(x0, x1)));
            to = std::min(to, std::floor(std::max(x0, x1)) + 1);
        }
        *first = static_cast<int32_t>(from);
        *last = static_cast<int32_t>(to);
        return *first < *last;
    };
    const Win& tl = Vert(corner[kTL]);
    const Win& br = Vert(corner[kBR]);
    constexpr double kInside = 0.5 + 1.0 / 64;
    return range(part.x0 + kInside, part.x1 - kInside, u(kTL), u(kTR), tl.x, br.x, inner.x0,
                 inner.x1, &out->x0, &out->x1) &&
           range(part.y0 + kInside, part.y1 - kInside, v(kTL), v(kBL), tl.y, br.y, inner.y0,
                 inner.y1, &out->y0, &out->y1) &&
           out->Area() >= kMinOccluderPixels;
}

CDrawClipper::Opacity& CDrawClipper::OpacityOf(const CTexture& texture) {
    auto found = opacity_.find(&texture);
    if (found == opacity_.end()) {
        if (opacity_.size() >= kMaxTexturesKept)
            opacity_.clear(); // pictures made and dropped again and again
        found = opacity_.emplace(&texture, Opacity{}).first;
    }
    Opacity& o = found->second;
    if (o.serial != texture.GetSerial()) {
        o = Opacity{};
        o.serial = texture.GetSerial();
    }
    return o;
}

bool CDrawClipper::RegionOpaque(const CTexture& texture, int32_t x0, int32_t y0, int32_t x1,
                                int32_t y1) {
    Opacity& o = OpacityOf(texture);
    if (!o.tabled) {
        o.tabled = true;
        o.width = texture.GetWidth();
        o.height = texture.GetHeight();
        const uint32_t format = texture.GetFormat();
        const uint32_t bytes = TexelBytes(format);
        gpu::LockedRect locked;
        if (bytes > 0 && uint64_t{o.width} * o.height <= kMaxTableTexels && o.width > 0 &&
            !gpu::Failed(texture.GetTexture()->LockRect(0, &locked, nullptr, gpu::Lock::ReadOnly))) {
            const size_t stride = o.width + 1;
            o.transparent.assign(stride * (o.height + 1), 0);
            for (uint32_t y = 0; y < o.height; ++y) {
                const auto* row = static_cast<const uint8_t*>(locked.bits) +
                                  static_cast<ptrdiff_t>(y) * locked.pitch;
                uint32_t run = 0;
                for (uint32_t x = 0; x < o.width; ++x) {
                    run += TexelAlpha(format, row + static_cast<size_t>(x) * bytes) == kFullAlpha
                               ? 0
                               : 1;
                    o.transparent[(y + 1) * stride + x + 1] =
                        o.transparent[y * stride + x + 1] + run;
                }
            }
            texture.GetTexture()->UnlockRect(0);
            o.readable = true;
        }
    }
    if (!o.readable || x0 < 0 || y0 < 0 || x1 > static_cast<int32_t>(o.width) ||
        y1 > static_cast<int32_t>(o.height) || x0 >= x1 || y0 >= y1)
        return false;
    const size_t stride = o.width + 1;
    auto at = [&](int32_t x, int32_t y) {
        return o.transparent[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
    };
    return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0) == 0;
}

const std::vector<CDrawClipper::PixelRect>& CDrawClipper::ActiveRects(uint32_t draw) {
    bool changed = !activeKnown_;
    while (nextOccluder_ < occluders_.size() && occluders_[nextOccluder_].draw <= draw) {
        ++nextOccluder_;
        changed = true;
    }
    if (!changed)
        return active_;
    activeKnown_ = true;
    active_.clear();
    for (size_t i = nextOccluder_; i < occluders_.size(); ++i)
        active_.push_back(occluders_[i].rect);
    // Rectangles side by side with the same extent become one.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < active_.size() && !merged; ++i)
            for (size_t j = 0; j < active_.size() && !merged; ++j) {
                if (i == j)
                    continue;
                PixelRect& a = active_[i];
                const PixelRect& b = active_[j];
                const bool inside = b.x0 >= a.x0 && b.x1 <= a.x1 && b.y0 >= a.y0 && b.y1 <= a.y1;
                const bool beside = a.y0 == b.y0 && a.y1 == b.y1 && a.x1 >= b.x0 && b.x1 >= a.x0;
                const bool above = a.x0 == b.x0 && a.x1 == b.x1 && a.y1 >= b.y0 && b.y1 >= a.y0;
                if (inside || beside || above) {
                    a = {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                         std::max(a.y1, b.y1)};
                    active_.erase(active_.begin() + static_cast<ptrdiff_t>(j));
                    merged = true;
                }
            }
    }
    std::sort(active_.begin(), active_.end(),
              [](const PixelRect& a, const PixelRect& b) { return a.Area() > b.Area(); });
    if (active_.size() > kMaxActiveRects)
        active_.resize(kMaxActiveRects);
    return active_;
}

bool CDrawClipper::Clip(size_t draw, const gpu::Vertex* vertices, std::vector<gpu::Vertex>& out,
                        std::vector<PixelRect>* hidden) {
    const Noted& d = noted_[draw];
    Select(d, vertices);
    out.clear();
    hiddenPieces_.clear();
    if (hidden)
        hidden->clear();
    static const std::vector<PixelRect> kNone;
    const bool clips = enabled_ && d.known && d.type == gpu::Prim::TriangleList;
    // What it writes to depth under a rectangle is lost: only where no test reads it.
    const bool depthLost = d.writesDepth && !depthProven_ && !DepthWriteUnread(draw);
    const std::vector<PixelRect>* hiding =
        !clips || depthLost ? &kNone : &ActiveRects(static_cast<uint32_t>(draw));
    // Where the draw reads only clear texels it is left out as if hidden, by
    // a back end that shades what shows exactly as the whole (split quads
    // interpolate their corners anew: the edges of what shows could change).
    while (nextClearPart_ < clearParts_.size() && clearParts_[nextClearPart_].draw < draw)
        ++nextClearPart_;
    if (clips && hidden && nextClearPart_ < clearParts_.size() &&
        clearParts_[nextClearPart_].draw == draw) {
        withClearParts_ = *hiding;
        for (size_t i = nextClearPart_; i < clearParts_.size() && clearParts_[i].draw == draw; ++i)
            withClearParts_.push_back(clearParts_[i].rect);
        hiding = &withClearParts_;
    }
    const std::vector<PixelRect>& rects = *hiding;
    if (rects.empty()) {
        if (d.known)
            for (size_t t = 0; t + 2 < triCount_; t += 3)
                CountTriangle(Vert(tri_[t]), Vert(tri_[t + 1]), Vert(tri_[t + 2]));
        return false;
    }
    if (hidden)
        HiddenFor(rects, *hidden);
    bool changed = false;
    // Whether the triangle's pixels all lie under one rectangle.
    auto underOne = [&](const Win& a, const Win& b, const Win& c) {
        if (!a.valid || !b.valid || !c.valid)
            return false;
        const double x0 = std::min({a.x, b.x, c.x}), x1 = std::max({a.x, b.x, c.x});
        const double y0 = std::min({a.y, b.y, c.y}), y1 = std::max({a.y, b.y, c.y});
        return std::any_of(rects.begin(), rects.end(), [&](const PixelRect& r) {
            return x0 >= r.x0 - 0.5 && x1 <= r.x1 - 0.5 && y0 >= r.y0 - 0.5 && y1 <= r.y1 - 0.5;
        });
    };
    auto keep = [&](size_t t) {
        for (size_t k = 0; k < 3; ++k)
            out.push_back(vertices_[tri_[t + k]]);
        CountTriangle(Vert(tri_[t]), Vert(tri_[t + 1]), Vert(tri_[t + 2]));
    };
    for (size_t t = 0; t + 2 < triCount_;) {
        uint32_t corner[4];
        if (AlignedQuad(t, corner)) {
            const Win& tl = Vert(corner[kTL]);
            const Win& br = Vert(corner[kBR]);
            pieces_.assign(1, Piece{tl.x, tl.y, br.x, br.y});
            bool cut = false;
            // A back end that leaves out hidden pixels itself shades what shows of
            // the whole quad exactly as the whole: no pieces with corners of their own.
            const bool splittable = !hidden && Splittable(corner);
            for (const PixelRect& r : rects) {
                cut = CutOut({r.x0 - 0.5, r.y0 - 0.5, r.x1 - 0.5, r.y1 - 0.5}) || cut;
                if (spare_.size() > kMaxPieces)
                    break; // the rest of the rectangles leave this quad alone
                pieces_.swap(spare_);
                // Slivers between a rectangle's edge and the quad's own (its
                // corners a rounding past the pixels it covers) hold no pixel
                // centre: nothing of them shows.
                std::erase_if(pieces_, [&](const Piece& p) { return !HoldsPixelCentre(p); });
                if (!splittable && !pieces_.empty() && cut)
                    break;
            }
            // A quad that cannot be split is drawn whole unless nothing of it shows.
            // So is a large opaque one that mostly shows, on a back end that leaves
            // out nothing itself: a whole rectangle tells it what the quad covers
            // (what lay under it in the scenes before is then left out there),
            // which is worth more than the few pixels cutting it saves.
            if (!cut || (!splittable && !pieces_.empty()) ||
                (!hidden && MostlyShowingOccluder(draw, tl, br))) {
                keep(t);
                keep(t + 3);
            } else {
                changed = true;
                const Win &a = Vert(tri_[t]), &b = Vert(tri_[t + 1]), &c = Vert(tri_[t + 2]);
                EmitPieces(corner, (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0, out);
            }
            t += 6;
            continue;
        }
        if (underOne(Vert(tri_[t]), Vert(tri_[t + 1]), Vert(tri_[t + 2])))
            changed = true;
        else
            keep(t);
        t += 3;
    }
    return changed;
}
bool CDrawClipper::HoldsPixelCentre(const Piece& p) const {
    // Pixel centres lie on whole window coordinates, inside the viewport.
    auto any = [](double lo, double hi, double first, double end) {
        return std::max(std::ceil(lo), first) <= std::min(std::floor(hi), end - 1);
    };
    const double x = viewport_.x, y = viewport_.y;
    return any(p.x0, p.x1, x, x + viewport_.width) && any(p.y0, p.y1, y, y + viewport_.height);
}

bool CDrawClipper::CutOut(const Piece& h) {
    spare_.clear();
    bool cut = false;
    for (const Piece& p : pieces_) {
        const double ix0 = std::max(p.x0, h.x0), ix1 = std::min(p.x1, h.x1);
        const double iy0 = std::max(p.y0, h.y0), iy1 = std::min(p.y1, h.y1);
        if (ix0 >= ix1 || iy0 >= iy1) {
            spare_.push_back(p);
            continue;
        }
        cut = true;
        if (p.y0 < iy0)
            spare_.push_back({p.x0, p.y0, p.x1, iy0});
        if (iy1 < p.y1)
            spare_.push_back({p.x0, iy1, p.x1, p.y1});
        if (p.x0 < ix0)
            spare_.push_back({p.x0, iy0, ix0, iy1});
        if (ix1 < p.x1)
            spare_.push_back({ix1, iy0, p.x1, iy1});
    }
    return cut;
}

void CDrawClipper::EmitPieces(const uint32_t corner[4], bool keepOrder,
                              std::vector<gpu::Vertex>& out) {
    const gpu::Vertex& tl = vertices_[corner[kTL]];
    const gpu::Vertex& tr = vertices_[corner[kTR]];
    const gpu::Vertex& bl = vertices_[corner[kBL]];
    const Win& wtl = Vert(corner[kTL]);
    const Win& wbr = Vert(corner[kBR]);
    const double w = wbr.x - wtl.x, h = wbr.y - wtl.y;
    auto at = [&](double x, double y) {
        const double s = (x - wtl.x) / w, t = (y - wtl.y) / h;
        auto mix = [&](float f00, float f10, float f01) {
            return static_cast<float>(f00 + s * (static_cast<double>(f10) - f00) +
                                      t * (static_cast<double>(f01) - f00));
        };
        gpu::Vertex v;
        v.x = mix(tl.x, tr.x, bl.x);
        v.y = mix(tl.y, tr.y, bl.y);
        v.z = mix(tl.z, tr.z, bl.z);
        v.diffuse = tl.diffuse;
        v.u0 = mix(tl.u0, tr.u0, bl.u0);
        v.v0 = mix(tl.v0, tr.v0, bl.v0);
        v.u1 = mix(tl.u1, tr.u1, bl.u1);
        v.v1 = mix(tl.v1, tr.v1, bl.v1);
        return v;
    };
    for (const Piece& p : pieces_) {
        // A part without a pixel centre on it draws nothing.
        if (std::floor(p.x1) < std::ceil(p.x0) || std::floor(p.y1) < std::ceil(p.y0))
            continue;
        const double vx0 = viewport_.x, vy0 = viewport_.y;
        const double pw = std::min(p.x1, vx0 + viewport_.width) - std::max(p.x0, vx0);
        const double ph = std::min(p.y1, vy0 + viewport_.height) - std::max(p.y0, vy0);
        if (pw > 0 && ph > 0)
            covered_ += pw * ph;
        const gpu::Vertex q[4] = {at(p.x0, p.y0), at(p.x1, p.y0), at(p.x0, p.y1), at(p.x1, p.y1)};
        const gpu::Vertex order[6] = {q[kTL], q[kTR], q[kBR], q[kTL], q[kBR], q[kBL]};
        const size_t first = out.size();
        out.insert(out.end(), order, order + 6);
        if (!keepOrder) { // the quad's own turning sense, for culling
            std::swap(out[first + 1], out[first + 2]);
            std::swap(out[first + 4], out[first + 5]);
        }
    }
}

void CDrawClipper::CountTriangle(const Win& a, const Win& b, const Win& c) {
    if (!a.valid || !b.valid || !c.valid)
        return;
    auto within = [&](double x0, double y0, double x1, double y1) {
        double x[9] = {a.x, b.x, c.x}, y[9] = {a.y, b.y, c.y};
        return AreaWithin(x, y, 3, x0, y0, x1, y1);
    };
    const double vx0 = viewport_.x, vy0 = viewport_.y;
    covered_ += within(vx0, vy0, vx0 + viewport_.width, vy0 + viewport_.height);
    const double bx0 = std::min({a.x, b.x, c.x}), bx1 = std::max({a.x, b.x, c.x});
    const double by0 = std::min({a.y, b.y, c.y}), by1 = std::max({a.y, b.y, c.y});
    for (const Piece& p : hiddenPieces_) // inside the viewport already
        if (p.x0 < bx1 && bx0 < p.x1 && p.y0 < by1 && by0 < p.y1)
            covered_ -= within(p.x0, p.y0, p.x1, p.y1);
}

void CDrawClipper::HiddenFor(const std::vector<PixelRect>& rects, std::vector<PixelRect>& hidden) {
    const double vx0 = viewport_.x, vy0 = viewport_.y;
    const double vx1 = vx0 + viewport_.width, vy1 = vy0 + viewport_.height;
    // The draw's window box (all of the viewport when a vertex lies behind the eye).
    double x0 = vx1, y0 = vy1, x1 = vx0, y1 = vy0;
    for (size_t i = 0; i < triCount_; ++i) {
        const Win& w = Vert(tri_[i]);
        if (!w.valid) {
            x0 = vx0, y0 = vy0, x1 = vx1, y1 = vy1;
            break;
        }
        x0 = std::min(x0, w.x), x1 = std::max(x1, w.x);
        y0 = std::min(y0, w.y), y1 = std::max(y1, w.y);
    }
    // Pixel centres of a rectangle lie within [x0 - 0.5, x1 - 0.5] in window space.
    for (const PixelRect& r : rects) {
        const double hx0 = std::max(r.x0 - 0.5, vx0), hy0 = std::max(r.y0 - 0.5, vy0);
        const double hx1 = std::min(r.x1 - 0.5, vx1), hy1 = std::min(r.y1 - 0.5, vy1);
        if (hx0 >= x1 || hx1 <= x0 || hy0 >= y1 || hy1 <= y0 || hx0 >= hx1 || hy0 >= hy1)
            continue;
        // What this one hides beyond the ones before, for counting.
        pieces_.assign(1, Piece{hx0, hy0, hx1, hy1});
        for (const PixelRect& o : hidden) {
            CutOut({o.x0 - 0.5, o.y0 - 0.5, o.x1 - 0.5, o.y1 - 0.5});
            pieces_.swap(spare_);
        }
        hiddenPieces_.insert(hiddenPieces_.end(), pieces_.begin(), pieces_.end());
        hidden.push_back(r);
    }
}

void CDrawClipper::Survey(const CRenderDevice& device, uint32_t draw) {
    if (triCount_ < 6 || !affine_)
        return;
    bool testsDepth = false, texels = false, diffuse = false;
    const bool occludes = OccluderState(device, &testsDepth, &texels, &diffuse);
    const bool clearShowsNothing =
        triCount_ <= kMostTrianglesWithClearParts && ClearLeavesTarget(device, noted_[draw]);
    if (!occludes && !clearShowsNothing)
        return;
    const double vx0 = viewport_.x, vy0 = viewport_.y;
    const double vx1 = vx0 + viewport_.width, vy1 = vy0 + viewport_.height;
    for (size_t t = 0; t + 6 <= triCount_; t += 6) {
        uint32_t corner[4];
        if (!AlignedQuad(t, corner))
            continue;
        // The pixels whose centres lie inside the quad, within the viewport.
        const Win& tl = Vert(corner[kTL]);
        const Win& br = Vert(corner[kBR]);
        PixelRect r;
        r.x0 = static_cast<int32_t>(std::max(std::floor(tl.x) + 1, vx0));
        r.y0 = static_cast<int32_t>(std::max(std::floor(tl.y) + 1, vy0));
        r.x1 = static_cast<int32_t>(std::min(std::ceil(br.x), vx1));
        r.y1 = static_cast<int32_t>(std::min(std::ceil(br.y), vy1));
        if (r.x1 <= r.x0 || r.y1 <= r.y0 || r.Area() < kMinOccluderPixels)
            continue;
        PixelRect span;
        if (clearShowsNothing && r.Area() >= kMinPartlyOpaquePixels &&
            TexelSpan(device, corner, &span))
            for (const PixelRect& part : Parts(*device.GetBoundTexture(0), span, true)) {
                PixelRect p;
                if (PartOnPixels(device, corner, r, part, &p) && !OthersMeet(t, p))
                    clearParts_.push_back({draw, p, false});
            }
        if (!occludes)
            continue;
        if (diffuse && !std::all_of(corner, corner + 4,
                                    [&](uint32_t v) { return FullAlpha(vertices_[v].diffuse); }))
            continue;
        if (!texels ||
            (TexelSpan(device, corner, &span) &&
             RegionOpaque(*device.GetBoundTexture(0), span.x0, span.y0, span.x1, span.y1))) {
            occluders_.push_back({draw, r, testsDepth});
            continue;
        }
        if (span.Area() == 0 || r.Area() < kMinPartlyOpaquePixels)
            continue;
        // The picture is opaque only in parts (a frame, a panel's inside).
        for (const PixelRect& part : Parts(*device.GetBoundTexture(0), span, false)) {
            PixelRect p;
            if (PartOnPixels(device, corner, r, part, &p))
                occluders_.push_back({draw, p, testsDepth});
        }
    }
}

bool CDrawClipper::MostlyShowingOccluder(size_t draw, const Win& tl, const Win& br) const {
    const double area = (br.x - tl.x) * (br.y - tl.y);
    if (area < static_cast<double>(kMinWholeOccluderPixels))
        return false;
    double showing = 0.0;
    for (const Piece& p : pieces_)
        showing += (p.x1 - p.x0) * (p.y1 - p.y0);
    if (showing < kWholeOccluderShowing * area)
        return false;
    const auto first = std::lower_bound(
        occluders_.begin(), occluders_.end(), draw,
        [](const Occluder& o, size_t d) { return static_cast<size_t>(o.draw) < d; });
    return std::any_of(first, occluders_.end(), [&](const Occluder& o) {
        return o.draw == draw && static_cast<double>(o.rect.Area()) >= kWholeOccluderShowing * area;
    });
}

bool CDrawClipper::OthersMeet(size_t quad, const PixelRect& area) const {
    for (size_t t = 0; t + 2 < triCount_; t += 3) {
        if (t == quad || t == quad + 3)
            continue;
        const Win &a = Vert(tri_[t]), &b = Vert(tri_[t + 1]), &c = Vert(tri_[t + 2]);
        if (!a.valid || !b.valid || !c.valid)
            return true;
        // Pixel centres of the area lie within [x0 - 0.5, x1 - 0.5].
        if (std::min({a.x, b.x, c.x}) < area.x1 - 0.5 &&
            std::max({a.x, b.x, c.x}) > area.x0 - 0.5 &&
            std::min({a.y, b.y, c.y}) < area.y1 - 0.5 && std::max({a.y, b.y, c.y}) > area.y0 - 0.5)
            return true;
    }
    return false;
}

bool CDrawClipper::ClearLeavesTarget(const CRenderDevice& device, const Noted& d) const {
    auto rs = [&](uint32_t s) { return device.GetCachedRenderState(s); };
    auto ss = [&](uint32_t stage, uint32_t s) { return device.GetCachedStageState(stage, s); };
    if (rs(kStencilEnable) != 0)
        return false;
    // A zero alpha fails the alpha test (nothing is written, depth neither),
    // or weighs the fragment out of a blend that keeps the target as it was.
    // A state whose set failed is unknown: it proves nothing.
    const auto known = [&](uint32_t s) { return rs(s) != 0 && rs(s) != CRenderDevice::kFailedSet; };
    const bool test = known(gpu::Rs::AlphaTestEnable) &&
                      rs(gpu::Rs::AlphaFunc) != CRenderDevice::kFailedSet &&
                      rs(gpu::Rs::AlphaRef) != CRenderDevice::kFailedSet;
    if (!gpu::ZeroAlphaLeavesTarget(test, rs(gpu::Rs::AlphaFunc), rs(gpu::Rs::AlphaRef) & 0xFF,
                                    known(gpu::Rs::AlphaBlendEnable), rs(gpu::Rs::SrcBlend),
                                    rs(gpu::Rs::DestBlend), d.writesDepth))
        return false;
    // The fragment's alpha: the first texture's, times whatever else.
    auto first = [&](uint32_t op, uint32_t a1, uint32_t a2, uint32_t arg) {
        return (op == gpu::Top::Modulate && (a1 == arg || a2 == arg)) ||
               (op == gpu::Top::SelectArg1 && a1 == arg) ||
               (op == gpu::Top::SelectArg2 && a2 == arg);
    };
    if (!first(ss(0, gpu::Tss::AlphaOp), ss(0, gpu::Tss::AlphaArg1), ss(0, gpu::Tss::AlphaArg2),
               gpu::Ta::Texture))
        return false;
    const uint32_t next = ss(1, gpu::Tss::AlphaOp);
    return ss(1, gpu::Tss::ColorOp) == gpu::Top::Disable || next == gpu::Top::Disable ||
           first(next, ss(1, gpu::Tss::AlphaArg1), ss(1, gpu::Tss::AlphaArg2), gpu::Ta::Current);
}
