#include "platform/gpu/gl/SceneGuess.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/gpu/StageCombiner.h"
#include "platform/gpu/gl/TexelSurvey.h"

namespace gpu {
namespace {

constexpr float kDepthMargin = 1e-5f;
constexpr float kUnknownRho = 1e30f; // as DrawFacts starts

bool Overlap(const int32_t a[4], const int32_t b[4]) {
    return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

} // namespace

void SceneGuess::SetShortcuts(bool on) {
    shortcuts_ = on;
    if (!on && depthless_) {
        depthless_ = false; // the plain way tests depth from here on
        ForgetDepth();
    }
}

void SceneGuess::SceneBegins() {
    sceneUnproven_ = false;
    const bool depthless = depthOnDemand_ && shortcuts_ && cleanScenes_ >= kCleanScenesForDepthless;
    if (depthless != depthless_) {
        depthless_ = depthless;
        ForgetDepth(); // the scenes without depth left the buffer as it was
    }
    predictedOccluders_.clear();
    if (depthless_ && guessing_)
        predictedOccluders_.swap(seenOccluders_);
    seenOccluders_.clear();
    drawOrdinal_ = 0;
    guessing_ = true;
}

void SceneGuess::SceneEnds() {
    if (shortcuts_)
        cleanScenes_ = sceneUnproven_ ? 0 : std::min(cleanScenes_ + 1, kCleanScenesForDepthless);
    const bool guessFailed = std::any_of(predictedOccluders_.begin(), predictedOccluders_.end(),
                                         [](const Occluder& o) { return o.used && !o.fulfilled; });
    redrawPending_ =
        (depthless_ && sceneUnproven_) || guessFailed || (forcedRedraws_ && depthOnDemand_);
    guessing_ = !redrawPending_;
    sceneRedraws_ += redrawPending_ ? 1 : 0;
}

bool SceneGuess::TakeRedraw() {
    return std::exchange(redrawPending_, false);
}

SceneGuess::DrawFacts SceneGuess::Examine(const uint8_t* vertices, const float mvp[16],
                                          const uint8_t* indices, uint32_t count,
                                          uint32_t indexSize, bool triangles) {
    drawParts_.clear();
    if (!shortcuts_ || count == 0)
        return DrawFacts{};
    DrawFacts f;
    const GlTexture* t = front_.textures[0];
    const bool textured = t && front_.ss[0][Tss::ColorOp] != Top::Disable &&
                          (front_.ss[0][Tss::TexCoordIndex] & 0xFFFF) == 0;
    f.texelExact = textured && front_.ss[1][Tss::ColorOp] == Top::Disable;
    const bool rhoKnown = textured && triangles && count % 3 == 0;
    f.maxRho = rhoKnown ? 0.0f : kUnknownRho;
    f.alphaOne = f.flatDepth = f.atNear = true;
    // A texel's width in texture units is tiny next to a float's precision at
    // these magnitudes; an offset well under a filter weight's step is exact.
    constexpr float kTolerance = 1.0f / 512.0f;
    const float tw = t ? static_cast<float>(t->Width()) : 0.0f;
    const float th = t ? static_cast<float>(t->Height()) : 0.0f;
    const auto vw = static_cast<float>(front_.viewport.width),
               vh = static_cast<float>(front_.viewport.height);
    const float zn = front_.viewport.minZ, zf = front_.viewport.maxZ;
    float firstA = 0, firstB = 0, firstW = 0;
    TexelSurvey reach;
    float xMin = 1e30f, yMin = 1e30f, xMax = -1e30f, yMax = -1e30f;
    f.minDepth = 1e30f;
    f.maxDepth = -1e30f;
    const auto vx0 = static_cast<float>(front_.viewport.x),
               vy0 = static_cast<float>(front_.viewport.y);
    const float vx1 = vx0 + vw, vy1 = vy0 + vh;
    // A triangle draws the pixels whose centres (whole numbers here) lie
    // inside it; the margin is far above the rasteriser's sub-pixel steps and
    // covers the width of points and lines. The viewport clips.
    const float margin = triangles ? 1.0f / 64.0f : 1.0f;
    auto pixelBox = [&](float x0, float y0, float x1, float y1, int32_t* box) {
        box[0] = static_cast<int32_t>(std::clamp(std::floor(x0 - margin), vx0, vx1));
        box[1] = static_cast<int32_t>(std::clamp(std::floor(y0 - margin), vy0, vy1));
        box[2] = static_cast<int32_t>(std::clamp(std::ceil(x1 + margin) + 1.0f, vx0, vx1));
        box[3] = static_cast<int32_t>(std::clamp(std::ceil(y1 + margin) + 1.0f, vy0, vy1));
    };
    constexpr uint32_t kMaxParts = 3 * 512;
    const bool parts = triangles && count % 3 == 0 && count <= kMaxParts;
    float part[6] = {}; // x0, y0, x1, y1, lowest and highest depth of the triangle
    constexpr uint32_t kQuadIndices = 6;
    float quad[kQuadIndices][2] = {}; // pixel x, y of a draw of two triangles
    float corner[3][4] = {};          // pixel x, y and texel u, v of the triangle's vertices
    drawMaps_.clear();
    float tri[3][4]; // pixel x, y and texel u, v of the triangle so far
    // Read once: the lists the loop fills might, for all the compiler knows,
    // hold these members.
    const uint32_t base = front_.baseVertex;
    const size_t stride = front_.stride;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = indexSize == 2 ? reinterpret_cast<const uint16_t*>(indices)[i]
                                        : reinterpret_cast<const uint32_t*>(indices)[i];
        Vertex v;
        std::memcpy(&v, vertices + static_cast<size_t>(index + base) * stride, sizeof(v));
        const float* m = mvp;
        float cx = v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12];
        float cy = v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13];
        float cz = v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14];
        float cw = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
        if (!(cw > 0.0f)) {
            drawParts_.clear();
            return DrawFacts{}; // clipped against the eye: prove nothing
        }
        if (i == 0)
            firstW = cw;
        else if (cw != firstW) {
            f.texelExact = false; // not affine across the draw
            f.maxRho = kUnknownRho;
        }
        const float depth = zn + cz / cw * (zf - zn);
        if (i == 0)
            f.depth = depth;
        f.flatDepth = f.flatDepth && depth == f.depth;
        f.minDepth = std::min(f.minDepth, depth);
        f.maxDepth = std::max(f.maxDepth, depth);
        f.atNear = f.atNear && cz == 0.0f;
        f.alphaOne = f.alphaOne && (v.diffuse >> 24) == 0xFF;
        // The original's pixel coordinates: centres on whole numbers, y down.
        float px = (cx / cw + 1.0f) * 0.5f * vw + vx0;
        float py = (1.0f - cy / cw) * 0.5f * vh + vy0;
        if (triangles && count == kQuadIndices) {
            quad[i][0] = px;
            quad[i][1] = py;
        }
        xMin = std::min(xMin, px);
        xMax = std::max(xMax, px);
        yMin = std::min(yMin, py);
        yMax = std::max(yMax, py);
        if (parts && textured) {
            const float c[4] = {px, py, v.u0 * tw, v.v0 * th};
            std::copy(c, c + 4, corner[i % 3]);
            if (i % 3 == 2)
                drawMaps_.push_back(AxisMap(corner));
        }
        if (parts) {
            if (i % 3 == 0) {
                part[0] = part[2] = px;
                part[1] = part[3] = py;
                part[4] = part[5] = depth;
            }
            part[0] = std::min(part[0], px);
            part[1] = std::min(part[1], py);
            part[2] = std::max(part[2], px);
            part[3] = std::max(part[3], py);
            part[4] = std::min(part[4], depth);
            part[5] = std::max(part[5], depth);
            if (i % 3 == 2) {
                DepthRegion r{{}, part[4], part[5], part[4] == part[5], part[4]};
                pixelBox(part[0], part[1], part[2], part[3], r.rect);
                drawParts_.push_back(r);
            }
        }
        if (!textured)
            continue;
        const float tu = v.u0 * tw, tv = v.v0 * th;
        reach.Add(tu, tv);
        float a = tu - px, b = tv - py;
        if (i == 0) {
            firstA = a;
            firstB = b;
            float fa = a - std::floor(a), fb = b - std::floor(b);
            if (std::fabs(fa - 0.5f) > kTolerance || std::fabs(fb - 0.5f) > kTolerance)
                f.texelExact = false;
        } else if (std::fabs(a - firstA) > kTolerance || std::fabs(b - firstB) > kTolerance) {
            f.texelExact = false;
        }
        float* c = tri[i % 3];
        c[0] = px;
        c[1] = py;
        c[2] = tu;
        c[3] = tv;
        if (f.maxRho < kUnknownRho && i % 3 == 2) {
            // Texels per pixel along x and along y, bounded from above.
            const float ex1 = tri[1][0] - tri[0][0], ey1 = tri[1][1] - tri[0][1];
            const float ex2 = tri[2][0] - tri[0][0], ey2 = tri[2][1] - tri[0][1];
            const float det = ex1 * ey2 - ex2 * ey1;
            if (std::fabs(det) > 1e-6f) { // a triangle without area draws nothing
                float grad[4];            // du/dx, du/dy, dv/dx, dv/dy
                for (int k = 0; k < 2; ++k) {
                    const float t1 = tri[1][2 + k] - tri[0][2 + k];
                    const float t2 = tri[2][2 + k] - tri[0][2 + k];
                    grad[2 * k] = (t1 * ey2 - t2 * ey1) / det;
                    grad[2 * k + 1] = (t2 * ex1 - t1 * ex2) / det;
                }
                const float rho = std::max(std::fabs(grad[0]) + std::fabs(grad[2]),
                                           std::fabs(grad[1]) + std::fabs(grad[3]));
                f.maxRho = rho < kUnknownRho ? std::max(f.maxRho, rho) : kUnknownRho;
            }
        }
    }
    pixelBox(xMin, yMin, xMax, yMax, f.box);
    f.boxKnown = std::isfinite(xMin + xMax + yMin + yMax + f.minDepth + f.maxDepth);
    if (f.boxKnown && triangles && count == kQuadIndices) {
        // Two triangles over the corners of one rectangle, each leaving out a
        // different end of one diagonal, cover all of it.
        int missing[2] = {0, 0};
        f.rectangle = xMax > xMin && yMax > yMin;
        for (uint32_t t = 0; t < 2 && f.rectangle; ++t) {
            int used = 0;
            for (uint32_t k = 3 * t; k < 3 * t + 3; ++k) {
                const bool right = quad[k][0] == xMax, bottom = quad[k][1] == yMax;
                f.rectangle =
                    f.rectangle && (right || quad[k][0] == xMin) && (bottom || quad[k][1] == yMin);
                used |= 1 << ((right ? 1 : 0) | (bottom ? 2 : 0));
            }
            missing[t] = 0xF & ~used;
            // One corner left out, as a single bit.
            f.rectangle = f.rectangle && missing[t] != 0 && (missing[t] & (missing[t] - 1)) == 0;
        }
        const int ends = missing[0] | missing[1]; // bits 1 and 8, or 2 and 4: one diagonal
        f.rectangle = f.rectangle && (ends == (1 | 8) || ends == (2 | 4));
        // Pixels whose centres lie inside, away from the edges by more than
        // the rasteriser's sub-pixel steps; the viewport clips.
        const float e = 1.0f / 64.0f;
        f.inner[0] = static_cast<int32_t>(std::clamp(std::ceil(xMin + e), vx0, vx1));
        f.inner[1] = static_cast<int32_t>(std::clamp(std::ceil(yMin + e), vy0, vy1));
        f.inner[2] = static_cast<int32_t>(std::clamp(std::ceil(xMax - e), vx0, vx1));
        f.inner[3] = static_cast<int32_t>(std::clamp(std::ceil(yMax - e), vy0, vy1));
        f.rectangle = f.rectangle && f.inner[0] < f.inner[2] && f.inner[1] < f.inner[3];
    }
    if (!f.boxKnown)
        drawParts_.clear();
    if (!f.boxKnown || firstW != 1.0f || drawMaps_.size() != drawParts_.size())
        drawMaps_.clear();
    if (textured) {
        const bool clamped = front_.ss[0][Tss::AddressU] == Tadr::Clamp &&
                             front_.ss[0][Tss::AddressV] == Tadr::Clamp;
        f.texelsKnown = reach.Reach(t->Width(), t->Height(), clamped, f.texels);
    }
    return f;
}

SceneGuess::TexelMap SceneGuess::AxisMap(const float corner[3][4]) {
    // The scales from the two vertices farthest apart along each axis; every
    // vertex must then agree (a rotated or sheared triangle does not).
    constexpr float kTolerance = 1.0f / 512.0f;
    int xa = 0, xb = 1, ya = 0, yb = 1;
    for (int p = 0; p < 3; ++p)
        for (int q = p + 1; q < 3; ++q) {
            if (std::fabs(corner[q][0] - corner[p][0]) > std::fabs(corner[xb][0] - corner[xa][0]))
                xa = p, xb = q;
            if (std::fabs(corner[q][1] - corner[p][1]) > std::fabs(corner[yb][1] - corner[ya][1]))
                ya = p, yb = q;
        }
    TexelMap m;
    const float dx = corner[xb][0] - corner[xa][0], dy = corner[yb][1] - corner[ya][1];
    if (std::fabs(dx) < 1.0f || std::fabs(dy) < 1.0f)
        return m;
    m.uScale = (corner[xb][2] - corner[xa][2]) / dx;
    m.uShift = corner[xa][2] - m.uScale * corner[xa][0];
    m.vScale = (corner[yb][3] - corner[ya][3]) / dy;
    m.vShift = corner[ya][3] - m.vScale * corner[ya][1];
    m.aligned = true;
    for (int k = 0; k < 3; ++k)
        m.aligned = m.aligned &&
                    std::fabs(m.uScale * corner[k][0] + m.uShift - corner[k][2]) <= kTolerance &&
                    std::fabs(m.vScale * corner[k][1] + m.vShift - corner[k][3]) <= kTolerance;
    return m;
}

bool SceneGuess::BaseLevelOnly(const DrawFacts& f) const {
    const uint32_t* s0 = front_.ss[0];
    if (s0[Tss::MipFilter] == Tf::None || f.texelExact)
        return true;
    // Mip selection is approximate: the margins keep clear of the edges where
    // GL would change its mind. Under one texel per pixel GL magnifies, from
    // the base level. Nearest mip selection stays on the base level below
    // half a level of shrinking, and when both filters are the same kind it
    // filters that level alike whether it calls the draw shrunk or not.
    constexpr float kMagnifiedRho = 0.98f, kNearestLevelRho = 1.3f;
    if (f.maxRho <= kMagnifiedRho)
        return true;
    const bool sameFilters =
        (s0[Tss::MinFilter] >= Tf::Linear) == (s0[Tss::MagFilter] >= Tf::Linear);
    return s0[Tss::MipFilter] == Tf::Point && sameFilters && f.maxRho <= kNearestLevelRho;
}

bool SceneGuess::OutputAlphaOne(const DrawFacts& f) const {
    if (!shortcuts_)
        return false;
    const CombinerKey key = MakeCombinerKey(front_.ss, false, 0);
    AlphaSources full;
    full.diffuse = f.alphaOne;
    full.tfactor = (front_.rs[Rs::TextureFactor] >> 24) == 0xFF;
    for (uint32_t s = 0; s < kCombinerStages; ++s) {
        const GlTexture* t = front_.textures[s];
        if (!KeyUsesTexture(key, s) || !t)
            full.texture[s] = true; // unread, or missing: a missing texture reads opaque white
        else if (s == 0 && BaseLevelOnly(f)) // the base level alone is read
            full.texture[s] =
                f.texelsKnown && t->Opaque(0, f.texels[0], f.texels[1], f.texels[2], f.texels[3]);
        else
            full.texture[s] = t->FullyOpaque();
    }
    return StagesAlphaFull(key, full);
}

bool SceneGuess::DepthProven(const DrawFacts& f) const {
    const uint32_t func = front_.rs[Rs::ZFunc];
    if (func == Cmp::Always)
        return true;
    if (!f.boxKnown || (func != Cmp::LessEqual && func != Cmp::Less))
        return false;
    const bool lessEqual = func == Cmp::LessEqual;
    // The same flat depth as the draw that wrote a region is the same number
    // to GL too; a draw at the near depth stores and tests exactly that value;
    // any other is kept a margin away from what GL's own arithmetic might
    // round to.
    const float nearest = f.flatDepth && f.atNear ? front_.viewport.minZ : -1.0f;
    // Whether `part` passes against every region of [from, to) it may meet.
    auto passesOver = [&](const DepthRegion& part, const DepthRegion* from, const DepthRegion* to) {
        for (const DepthRegion* r = from; r != to; ++r) {
            if (!Overlap(r->rect, part.rect))
                continue;
            if (lessEqual && part.flat && r->flat && part.depth == r->depth)
                continue;
            const float d = nearest >= 0.0f ? nearest : part.high + kDepthMargin;
            if (lessEqual ? d > r->low : d >= r->low)
                return false;
        }
        return true;
    };
    const DepthRegion* written = depthRegions_.data();
    auto passes = [&](const DepthRegion& part) {
        return passesOver(part, written, written + depthRegions_.size());
    };
    // A draw that writes depth also tests its triangles against its own
    // earlier ones.
    if (front_.rs[Rs::ZWriteEnable] != 0 && !f.flatDepth) {
        if (drawParts_.empty())
            return false;
        for (size_t i = 1; i < drawParts_.size(); ++i)
            if (!passesOver(drawParts_[i], drawParts_.data(), drawParts_.data() + i))
                return false;
    }
    if (!drawParts_.empty())
        return std::all_of(drawParts_.begin(), drawParts_.end(), passes);
    return passes(DepthRegion{
        {f.box[0], f.box[1], f.box[2], f.box[3]}, f.minDepth, f.maxDepth, f.flatDepth, f.depth});
}

bool SceneGuess::DepthTestPasses(const DrawFacts& f) {
    const bool passes = DepthProven(f);
    if (!passes && shortcuts_)
        sceneUnproven_ = true;
    return passes;
}

void SceneGuess::NewDepthBuffer(uint32_t w, uint32_t h) {
    width_ = static_cast<int32_t>(w);
    height_ = static_cast<int32_t>(h);
    depthRegions_.assign(1, DepthRegion{{0, 0, width_, height_}, 1.0f, 1.0f, false, 1.0f});
}

void SceneGuess::NoteDepthWrite(const DrawFacts& f) {
    const int32_t w = width_, h = height_;
    if (!f.boxKnown) {
        AddDepthRegion(DepthRegion{{0, 0, w, h}, 0.0f, 1.0f, false, 0.0f}); // anywhere, anything
        return;
    }
    auto add = [&](DepthRegion r) {
        r.low =
            std::max(0.0f, f.flatDepth && f.atNear ? front_.viewport.minZ : r.low - kDepthMargin);
        AddDepthRegion(r);
    };
    if (drawParts_.empty())
        add(DepthRegion{{f.box[0], f.box[1], f.box[2], f.box[3]},
                        f.minDepth,
                        f.maxDepth,
                        f.flatDepth,
                        f.depth});
    for (const DepthRegion& part : drawParts_)
        add(part);
}

void SceneGuess::AddDepthRegion(const DepthRegion& added) {
    // A region may grow over pixels nothing wrote: its bound only gets harder
    // to pass. Writes at one depth share a region once there are many.
    constexpr size_t kManyRegions = 16, kMaxRegions = 64;
    DepthRegion* merge = nullptr;
    for (DepthRegion& r : depthRegions_) {
        const bool same = r.low == added.low && r.flat == added.flat && r.depth == added.depth;
        if (same && (depthRegions_.size() >= kManyRegions || Overlap(r.rect, added.rect))) {
            merge = &r;
            break;
        }
        if (depthRegions_.size() >= kMaxRegions &&
            (!merge || std::fabs(r.low - added.low) < std::fabs(merge->low - added.low)))
            merge = &r;
    }
    if (!merge) {
        depthRegions_.push_back(added);
        return;
    }
    merge->flat = merge->flat && added.flat && merge->depth == added.depth;
    merge->low = std::min(merge->low, added.low);
    merge->high = std::max(merge->high, added.high);
    merge->rect[0] = std::min(merge->rect[0], added.rect[0]);
    merge->rect[1] = std::min(merge->rect[1], added.rect[1]);
    merge->rect[2] = std::max(merge->rect[2], added.rect[2]);
    merge->rect[3] = std::max(merge->rect[3], added.rect[3]);
}

void SceneGuess::NoteDepthClear(const int32_t rect[4], float z) {
    // What the clear covers is forgotten; what it leaves of a region stays,
    // cut into at most four rectangles around it.
    std::vector<DepthRegion> kept;
    kept.reserve(depthRegions_.size() + 4);
    for (const DepthRegion& r : depthRegions_) {
        if (!Overlap(r.rect, rect)) {
            kept.push_back(r);
            continue;
        }
        const int32_t* a = r.rect;
        const int32_t top = std::max(a[1], rect[1]), bottom = std::min(a[3], rect[3]);
        const int32_t pieces[4][4] = {{a[0], a[1], a[2], rect[1]},
                                      {a[0], rect[3], a[2], a[3]},
                                      {a[0], top, rect[0], bottom},
                                      {rect[2], top, a[2], bottom}};
        for (const auto& p : pieces)
            if (p[0] < p[2] && p[1] < p[3])
                kept.push_back(
                    DepthRegion{{p[0], p[1], p[2], p[3]}, r.low, r.high, r.flat, r.depth});
    }
    kept.push_back(DepthRegion{{rect[0], rect[1], rect[2], rect[3]}, z, z, false, z});
    depthRegions_.swap(kept);
}

void SceneGuess::ForgetDepth() {
    depthRegions_.assign(1, DepthRegion{{0, 0, width_, height_}, 0.0f, 1.0f, false, 0.0f});
}

bool SceneGuess::FindIdleHole(const DrawFacts& f, bool alphaTest, bool blend, bool depthWrites,
                              int32_t hole[4]) const {
    const uint32_t* s0 = front_.ss[0];
    const GlTexture* t = front_.textures[0];
    if (!shortcuts_ || !t || !f.texelsKnown || !BaseLevelOnly(f) ||
        s0[Tss::ColorOp] == Top::Disable || front_.ss[1][Tss::ColorOp] != Top::Disable)
        return false;
    // The fragment's alpha has the texel's alpha as a factor...
    const uint32_t aop = s0[Tss::AlphaOp];
    const bool texelAlpha = (aop == Top::Modulate && (s0[Tss::AlphaArg1] == Ta::Texture ||
                                                      s0[Tss::AlphaArg2] == Ta::Texture)) ||
                            (aop == Top::SelectArg1 && s0[Tss::AlphaArg1] == Ta::Texture) ||
                            (aop == Top::SelectArg2 && s0[Tss::AlphaArg2] == Ta::Texture);
    if (!texelAlpha)
        return false;
    // ...and zero alpha is dropped by the alpha test, or blends to the target
    // itself without a depth write.
    if (!ZeroAlphaLeavesTarget(alphaTest, front_.rs[Rs::AlphaFunc], front_.rs[Rs::AlphaRef] & 0xFF,
                               blend, front_.rs[Rs::SrcBlend], front_.rs[Rs::DestBlend],
                               depthWrites))
        return false;
    if (drawMaps_.empty())
        return false;
    // Filtering reads up to a texel and a half around the sample point.
    constexpr float kFootprint = 2.0f;
    // Pixels [out[0], out[1]) whose texels along one axis lie in [lo + margin, hi - margin].
    auto pixels = [&](float scale, float shift, float lo, float hi, int32_t* out) {
        if (std::fabs(scale) < 1e-6f)
            return false;
        float a = (lo + kFootprint - shift) / scale, b = (hi - kFootprint - shift) / scale;
        if (a > b)
            std::swap(a, b);
        out[0] = static_cast<int32_t>(std::ceil(a));
        out[1] = static_cast<int32_t>(std::floor(b)) + 1;
        return out[0] < out[1];
    };
    // The texels a triangle reads for the pixel rectangle r.
    auto texelsOf = [&](const TexelMap& m, const int32_t r[4], int32_t out[4]) {
        float u0 = m.uScale * static_cast<float>(r[0]) + m.uShift;
        float u1 = m.uScale * static_cast<float>(r[2] - 1) + m.uShift;
        float v0 = m.vScale * static_cast<float>(r[1]) + m.vShift;
        float v1 = m.vScale * static_cast<float>(r[3] - 1) + m.vShift;
        out[0] = static_cast<int32_t>(std::floor(std::min(u0, u1) - kFootprint));
        out[1] = static_cast<int32_t>(std::floor(std::min(v0, v1) - kFootprint));
        out[2] = static_cast<int32_t>(std::ceil(std::max(u0, u1) + kFootprint));
        out[3] = static_cast<int32_t>(std::ceil(std::max(v0, v1) + kFootprint));
    };
    // The hole of the largest triangle...
    size_t largest = drawParts_.size();
    int64_t largestArea = 0;
    for (size_t k = 0; k < drawParts_.size(); ++k) {
        const int32_t* r = drawParts_[k].rect;
        const int64_t area = static_cast<int64_t>(r[2] - r[0]) * (r[3] - r[1]);
        if (drawMaps_[k].aligned && area > largestArea) {
            largest = k;
            largestArea = area;
        }
    }
    if (largest == drawParts_.size())
        return false;
    const TexelMap& m = drawMaps_[largest];
    const int32_t* box = drawParts_[largest].rect;
    int32_t reads[4], texels[4], xs[2], ys[2];
    texelsOf(m, box, reads);
    if (!t->ClearHole(reads, texels) ||
        !pixels(m.uScale, m.uShift, static_cast<float>(texels[0]), static_cast<float>(texels[2]),
                xs) ||
        !pixels(m.vScale, m.vShift, static_cast<float>(texels[1]), static_cast<float>(texels[3]),
                ys))
        return false;
    hole[0] = std::max(xs[0], box[0]);
    hole[1] = std::max(ys[0], box[1]);
    hole[2] = std::min(xs[1], box[2]);
    hole[3] = std::min(ys[1], box[3]);
    // A small hole saves less than the extra draws cost.
    constexpr int64_t kMinHolePixels = 64 * 64;
    if (hole[0] >= hole[2] || hole[1] >= hole[3] ||
        static_cast<int64_t>(hole[2] - hole[0]) * (hole[3] - hole[1]) < kMinHolePixels)
        return false;
    // ...that every other triangle reaching into it reads only clear texels there.
    for (size_t k = 0; k < drawParts_.size(); ++k) {
        const int32_t* r = drawParts_[k].rect;
        const int32_t inside[4] = {std::max(r[0], hole[0]), std::max(r[1], hole[1]),
                                   std::min(r[2], hole[2]), std::min(r[3], hole[3])};
        if (k == largest || inside[0] >= inside[2] || inside[1] >= inside[3])
            continue;
        int32_t read[4];
        if (!drawMaps_[k].aligned)
            return false;
        texelsOf(drawMaps_[k], inside, read);
        if (!t->Clear(read))
            return false;
    }
    return true;
}

bool SceneGuess::FindOccluded(const DrawFacts& f, bool opaque, int32_t rect[4]) {
    const uint32_t ordinal = drawOrdinal_++;
    if (!depthless_ || !f.boxKnown)
        return false;
    auto within = [](const int32_t* in, const int32_t* out) {
        return in[0] >= out[0] && in[1] >= out[1] && in[2] <= out[2] && in[3] <= out[3];
    };
    // Without depth an unblended draw of full alpha paints its pixels whatever
    // lies below. Only large ones are worth remembering.
    constexpr int64_t kMinPixels = 64 * 64;
    constexpr size_t kMaxOccluders = 8;
    const int32_t* in = f.inner;
    const bool occluder = opaque && f.rectangle &&
                          static_cast<int64_t>(in[2] - in[0]) * (in[3] - in[1]) >= kMinPixels;
    // An expected occluder that comes at an earlier place than it did last
    // scene (the draws before it changed) fulfils itself before anything is
    // left out: it never leaves out its own pixels.
    if (occluder)
        for (Occluder& o : predictedOccluders_)
            o.fulfilled = o.fulfilled || std::equal(o.rect, o.rect + 4, in);
    // Everything drawn before an expected occluder, under it, is painted over.
    Occluder* best = nullptr;
    int64_t bestArea = 0;
    for (Occluder& o : predictedOccluders_) {
        if (o.fulfilled || ordinal >= o.ordinal || !Overlap(o.rect, f.box))
            continue;
        const int32_t c[4] = {std::max(o.rect[0], f.box[0]), std::max(o.rect[1], f.box[1]),
                              std::min(o.rect[2], f.box[2]), std::min(o.rect[3], f.box[3])};
        const int64_t a = static_cast<int64_t>(c[2] - c[0]) * (c[3] - c[1]);
        if (a > bestArea) {
            best = &o;
            bestArea = a;
            std::copy(c, c + 4, rect);
        }
    }
    // A larger draw over an expected occluder's rectangle (a backdrop under a
    // panel) fulfils it too, unless it leaves out its own pixels there: only
    // a later draw may paint over those.
    if (occluder) {
        for (Occluder& o : predictedOccluders_)
            o.fulfilled = o.fulfilled || (&o != best && within(o.rect, in));
        // One that has pixels left out under a later one still covers its
        // rectangle once that later one is drawn, which is checked on its own.
        if (seenOccluders_.size() < kMaxOccluders)
            seenOccluders_.push_back(Occluder{{in[0], in[1], in[2], in[3]}, ordinal, false, false});
    }
    if (best)
        best->used = true;
    return best != nullptr;
}

} // namespace gpu
