#include "platform/gpu/soft/SoftDamage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gpu/soft/SoftResources.h"

namespace gpu {
namespace {

// A tile's flags in the frame so far.
constexpr uint8_t kColorCovered = 1; // its colours were written whole, from nothing they held
constexpr uint8_t kDepthCovered = 2; // likewise its depth
constexpr uint8_t kReached = 4;      // a draw reached it
constexpr uint8_t kImpureColor = 8;  // its colours depend on what it held before the frame
constexpr uint8_t kImpureDepth = 16; // likewise its depth
constexpr uint8_t kImpure = kImpureColor | kImpureDepth;

// How far inside a covering draw's edges a tile's outer pixel centres must
// lie, in pixels: far more than the snapping of the corners (1/256 pixel) can
// move an edge, and less than the half pixel by which a picture drawn over
// the whole window reaches past its outer pixel centres.
constexpr double kCoverMargin = 0.25;
// Corners further out than this are cut before drawing, and may not cover.
constexpr double kCoverLimit = 30000.0;

// A draw writes colour wherever its triangles cover, from nothing it reads
// below (`diffuseFull`: its vertices' alpha is full), and a depth test that
// cannot fail (one that could not is taken off before the draw is queued).
bool DecidesColor(const SoftPixelState& st, const SoftStageTexture stages[kCombinerStages],
                  bool diffuseFull) {
    AlphaSources full;
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        full.texture[s] = stages[s].texture && stages[s].texture->Opaque();
    full.diffuse = diffuseFull;
    full.tfactor = st.tfactor >> 24 == 0xFF;
    return WritesWithoutReading(StagesAlphaFull(st.stages, st.stageCount, full), st.blend,
                                st.srcBlend, st.destBlend, st.alphaFunc != 0, st.alphaFunc,
                                st.alphaRef) &&
           (!st.depthTest || st.depthFunc == Cmp::Always);
}

bool EnvSet(const char* name, bool otherwise) {
    const char* v = std::getenv(name);
    return v && *v ? std::strcmp(v, "0") != 0 : otherwise;
}

// Where a tile's colours start afresh (not a hash: a draw that decides the
// depth too would otherwise chain its hash onto itself, which gives nothing).
constexpr uint64_t kAfresh = 0xC2B2AE3D27D4EB4Full;

uint64_t Chain(uint64_t signature, uint64_t hash) {
    signature = (signature ^ hash) * 0x9E3779B97F4A7C15ull;
    return signature ^ (signature >> 29);
}

} // namespace

SoftDamage::SoftDamage() {
    // Drawing by damage is on unless GLORVANE_DAMAGE=0; the check mode holds
    // it to the whole picture.
    const bool check = EnvSet("GLORVANE_DAMAGE_CHECK", false);
    SetDamage(EnvSet("GLORVANE_DAMAGE", true), check);
    show_ = EnvSet("GLORVANE_DAMAGE_SHOW", false);
}

void SoftDamage::SignDraw(const SoftBands& bands, const SoftJob& job) {
    if (!signing_ || job.target.color != color_ || tilesX_ == 0)
        return;
    const SoftClipVertex* tris = bands.Triangles(job);
    const SoftPixelState& state = job.state;
    const size_t count = job.count;
    const SoftTarget& target = job.target;
    // Each triangle, or pair drawn as one, signs the tiles it may reach.
    const uint64_t jobHash = JobHash(job);
    const float* reach = bands.Reach(job);
    const Box clip{target.clip[0], target.clip[1], target.clip[2], target.clip[3]};
    auto boxOf = [&](size_t t) {
        if (!job.rowsKnown || !std::isfinite(reach[t * 4]) || !std::isfinite(reach[t * 4 + 1]) ||
            !std::isfinite(reach[t * 4 + 2]) || !std::isfinite(reach[t * 4 + 3]))
            return clip;
        return Box{static_cast<int32_t>(std::floor(reach[t * 4 + 2])),
                   static_cast<int32_t>(std::floor(reach[t * 4])),
                   static_cast<int32_t>(std::ceil(reach[t * 4 + 3])) + 1,
                   static_cast<int32_t>(std::ceil(reach[t * 4 + 1])) + 1};
    };
    const bool decides =
        job.rowsKnown && (DecidesColor(state, job.stages, true) || DecidesDepth(job));
    SoftPixelState settled = state;
    SettleSpans(settled);
    const bool clearKeeps = job.rowsKnown && settled.clearKeepsPixel;
    for (size_t t = 0; t < count; ++t) {
        const size_t n = t + 1 < count && SoftSetup::SharesEdge(&tris[t * 3]) ? 2 : 1;
        Box box = boxOf(t);
        if (n == 2) {
            const Box other = boxOf(t + 1);
            box = {std::min(box[0], other[0]), std::min(box[1], other[1]),
                   std::max(box[2], other[2]), std::max(box[3], other[3])};
        }
        for (int i = 0; i < 2; ++i) {
            box[i] = std::max(box[i], clip[i]);
            box[i + 2] = std::min(box[i + 2], clip[i + 2]);
        }
        const Cover cover = decides ? CoverOf(job, &tris[t * 3], n) : Cover{};
        // (Looked for only where a draw reaches several tiles: for a glyph or
        // a spark it would cost more than it could save.)
        const bool large = static_cast<int64_t>(box[2] - box[0]) * (box[3] - box[1]) >
                           int64_t{4} * kTile * kTile;
        const uint64_t hash = SoftHash(&tris[t * 3], n * 3 * sizeof(SoftClipVertex), jobHash);
        const std::vector<uint8_t>* missed =
            clearKeeps && large ? &MissedTiles(job, &tris[t * 3], n, box, hash) : nullptr;
        MarkTiles(box, hash, SoftJob::Kind::Draw, state.depthWrite, &cover, job.target.hidden, missed);
        t += n - 1;
    }
}

void SoftDamage::SignFill(bool depth, const int32_t rect[4], uint32_t value) {
    if (!signing_ || tilesX_ == 0)
        return;
    const SoftJob::Kind kind = depth ? SoftJob::Kind::FillDepth : SoftJob::Kind::FillColor;
    const uint64_t key[6] = {static_cast<uint64_t>(kind), static_cast<uint32_t>(rect[0]),
                             static_cast<uint32_t>(rect[1]), static_cast<uint32_t>(rect[2]),
                             static_cast<uint32_t>(rect[3]), value};
    MarkTiles({rect[0], rect[1], rect[2], rect[3]}, SoftHash(key, sizeof(key), 0), kind, false);
}

uint64_t SoftDamage::JobHash(const SoftJob& job) {
    const SoftPixelState& st = job.state;
    uint64_t h = SoftHash(st.stages, sizeof(CombinerStage) * st.stageCount, st.stageCount);
    for (uint32_t s = 0; s < st.stageCount; ++s) {
        const SoftStageTexture& t = job.stages[s];
        const uint64_t key[2] = {t.texture ? t.texture->Version() : 0,
                                 static_cast<uint64_t>(t.minLinear) | t.magLinear << 1 |
                                     t.mipmapped << 2 | t.wrapU << 3 | t.wrapV << 4 |
                                     t.mirrorU << 5 | t.mirrorV << 6};
        h = SoftHash(key, sizeof(key), h);
    }
    // (What it leaves out as hidden counts tile by tile, in MarkTiles.)
    const int32_t* c = job.target.clip;
    const uint64_t key[] = {st.tfactor,
                            st.alphaFunc,
                            st.alphaRef,
                            st.blend,
                            st.srcBlend,
                            st.destBlend,
                            st.depthTest,
                            st.depthWrite,
                            st.depthFunc,
                            st.keepAlpha,
                            job.cull,
                            static_cast<uint32_t>(c[0]),
                            static_cast<uint32_t>(c[1]),
                            static_cast<uint32_t>(c[2]),
                            static_cast<uint32_t>(c[3]),
                            job.rowsKnown};
    h = SoftHash(key, sizeof(key), h);
    return SoftHash(&job.vp, sizeof(job.vp), h);
}

bool SoftDamage::DecidesDepth(const SoftJob& job) {
    const SoftPixelState& st = job.state;
    // Hidden pixels get the colour of the opaque draws over them, but not
    // necessarily the depth this draw would have written there.
    return st.depthWrite && (!st.depthTest || st.depthFunc == Cmp::Always) && !job.target.hidden;
}

SoftDamage::Cover SoftDamage::CoverOf(const SoftJob& job, const SoftClipVertex* tri, size_t count) {
    Cover c;
    const SoftClipVertex* corner[6];
    for (size_t i = 0; i < count * 3; ++i) {
        const SoftClipVertex& v = tri[i];
        // Within the depth range and the guard band, so nothing is cut.
        if (!(v.w >= 1e-5f && v.z >= 0 && v.w - v.z >= 0))
            return c;
        corner[i] = &v;
    }
    // The corners in order round the shape: a triangle, or a pair as a quad
    // (the first's corner off the shared edge, the edge, the second's).
    int order[4] = {0, 1, 2, 0};
    int n = 3;
    if (count == 2) {
        int k = -1, m = -1;
        for (int i = 0; i < 3; ++i) {
            bool sharedA = false, sharedB = false;
            for (int j = 0; j < 3; ++j) {
                sharedA = sharedA || std::memcmp(corner[i], corner[3 + j], sizeof(SoftClipVertex)) == 0;
                sharedB = sharedB || std::memcmp(corner[3 + i], corner[j], sizeof(SoftClipVertex)) == 0;
            }
            k = sharedA ? k : i;
            m = sharedB ? m : 3 + i;
        }
        if (k < 0 || m < 0)
            return c;
        order[0] = k, order[1] = (k + 1) % 3, order[2] = m, order[3] = (k + 2) % 3;
        n = 4;
    }
    for (int i = 0; i < n; ++i) {
        const WindowXY at = ToWindowXY(*corner[order[i]], job.vp);
        if (!(std::fabs(at.x) < kCoverLimit && std::fabs(at.y) < kCoverLimit))
            return c;
        c.x[i] = at.x, c.y[i] = at.y;
    }
    // Convex, every turn the same way; and no triangle of it culled.
    double turns = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n, k = (i + 2) % n;
        const double turn =
            (c.x[j] - c.x[i]) * (c.y[k] - c.y[j]) - (c.y[j] - c.y[i]) * (c.x[k] - c.x[j]);
        if (turn == 0 || (turns != 0 && (turn > 0) != (turns > 0)))
            return c;
        turns = turn;
    }
    for (size_t t = 0; t < count && job.cull != Cull::None; ++t) {
        WindowXY at[3];
        for (int i = 0; i < 3; ++i)
            at[i] = ToWindowXY(tri[t * 3 + i], job.vp);
        const double area =
            (at[1].x - at[0].x) * (at[2].y - at[0].y) - (at[1].y - at[0].y) * (at[2].x - at[0].x);
        if ((job.cull == Cull::CCW && !(area > 0)) || (job.cull == Cull::CW && !(area < 0)))
            return c;
    }
    c.n = n;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n, k = (i + 2) % n;
        const double ex = c.x[j] - c.x[i], ey = c.y[j] - c.y[i];
        // Inside is to the side the shape turns to.
        c.side[i] = (ex * (c.y[k] - c.y[i]) - ey * (c.x[k] - c.x[i])) > 0 ? 1 : -1;
        c.reach[i] = kCoverMargin * std::hypot(ex, ey);
    }
    bool diffuseFull = true;
    for (size_t i = 0; i < count * 3; ++i)
        diffuseFull = diffuseFull && tri[i].color[3] >= 255.0f;
    c.color = DecidesColor(job.state, job.stages, diffuseFull);
    c.depth = DecidesDepth(job);
    c.clip = {job.target.clip[0], job.target.clip[1], job.target.clip[2], job.target.clip[3]};
    return c;
}

SoftDamage::Reads SoftDamage::ReadsOf(const SoftJob& job, const SoftClipVertex* tri, size_t count) {
    Reads r;
    const SoftStageTexture& stage = job.stages[0];
    // One level, read as it is, flat (no perspective to bend the reads).
    if (!stage.texture || stage.mirrorU || stage.mirrorV ||
        (stage.mipmapped && stage.texture->Levels() > 1))
        return r;
    const SoftLevel& level = stage.texture->Level(0);
    if (level.clearTiles.empty())
        return r;
    for (size_t t = 0; t < count; ++t) {
        double x[3], y[3], u[3], v[3];
        for (int i = 0; i < 3; ++i) {
            const SoftClipVertex& c = tri[t * 3 + i];
            if (c.w != 1.0f)
                return r;
            const WindowXY at = ToWindowXY(c, job.vp);
            x[i] = at.x, y[i] = at.y;
            u[i] = static_cast<double>(c.uv[0][0]) * level.width;
            v[i] = static_cast<double>(c.uv[0][1]) * level.height;
        }
        const double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (!(std::fabs(det) > 1e-6))
            return r;
        auto solve = [&](const double* f, double* out) {
            const double d1 = f[1] - f[0], d2 = f[2] - f[0];
            out[0] = (d1 * (y[2] - y[0]) - d2 * (y[1] - y[0])) / det;
            out[1] = (d2 * (x[1] - x[0]) - d1 * (x[2] - x[0])) / det;
            out[2] = f[0] - out[0] * x[0] - out[1] * y[0];
        };
        solve(u, r.u[t]);
        solve(v, r.v[t]);
    }
    r.n = static_cast<int>(count);
    r.level = &level;
    r.wrapU = stage.wrapU;
    r.wrapV = stage.wrapV;
    return r;
}

bool SoftDamage::Reads::Misses(const Box& tile) const {
    // The texels the tile's pixels may read first (a bilinear read's top
    // left one), over every triangle's plane across the whole tile, with a
    // margin for the rounding of the set-up.
    constexpr double kMargin = 2;
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (int t = 0; t < n; ++t)
        for (const double px : {double(tile[0]) - 1, double(tile[2])})
            for (const double py : {double(tile[1]) - 1, double(tile[3])}) {
                const double at[2] = {u[t][0] * px + u[t][1] * py + u[t][2],
                                      v[t][0] * px + v[t][1] * py + v[t][2]};
                for (int k = 0; k < 2; ++k)
                    lo[k] = std::min(lo[k], at[k]), hi[k] = std::max(hi[k], at[k]);
            }
    const int32_t size[2] = {static_cast<int32_t>(level->width), static_cast<int32_t>(level->height)};
    const bool wrap[2] = {wrapU, wrapV};
    int64_t first[2], last[2];
    for (int k = 0; k < 2; ++k) {
        if (!(std::fabs(lo[k]) < 1e7 && std::fabs(hi[k]) < 1e7))
            return false;
        first[k] = static_cast<int64_t>(std::floor(lo[k] - 0.5 - kMargin));
        last[k] = static_cast<int64_t>(std::floor(hi[k] + kMargin));
        if (!wrap[k]) {
            first[k] = std::clamp<int64_t>(first[k], 0, size[k] - 1);
            last[k] = std::clamp<int64_t>(last[k], 0, size[k] - 1);
        } else if (last[k] - first[k] >= size[k]) {
            first[k] = 0, last[k] = size[k] - 1;
        }
    }
    const int32_t across = size[0] / kClearTile;
    auto tileOf = [](int64_t texel, int32_t side) {
        const int64_t wrapped = ((texel % side) + side) % side;
        return static_cast<int32_t>(wrapped / kClearTile);
    };
    for (int64_t ty = first[1]; ty <= last[1] + kClearTile; ty += kClearTile) {
        const int32_t row = tileOf(std::min<int64_t>(ty, last[1]), size[1]);
        for (int64_t tx = first[0]; tx <= last[0] + kClearTile; tx += kClearTile) {
            const int32_t col = tileOf(std::min<int64_t>(tx, last[0]), size[0]);
            if (!level->clearTiles[static_cast<size_t>(row) * across + col])
                return false;
        }
    }
    return true;
}

bool SoftDamage::Cover::Holds(const Box& tile) const {
    if (n == 0 || tile[0] < clip[0] || tile[1] < clip[1] || tile[2] > clip[2] ||
        tile[3] > clip[3])
        return false;
    const double px[4] = {double(tile[0]), double(tile[2] - 1), double(tile[2] - 1), double(tile[0])};
    const double py[4] = {double(tile[1]), double(tile[1]), double(tile[3] - 1), double(tile[3] - 1)};
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const double ex = x[j] - x[i], ey = y[j] - y[i];
        for (int p = 0; p < 4; ++p)
            if (side[i] * (ex * (py[p] - y[i]) - ey * (px[p] - x[i])) < reach[i])
                return false;
    }
    return true;
}

template <class F> void SoftDamage::ForTiles(const Box& box, F&& f) const {
    const int32_t tx0 = std::max(box[0], 0) / kTile, ty0 = std::max(box[1], 0) / kTile;
    const int32_t tx1 = std::min((std::min(box[2], width_) + kTile - 1) / kTile, tilesX_);
    const int32_t ty1 = std::min((std::min(box[3], height_) + kTile - 1) / kTile, tilesY_);
    for (int32_t ty = ty0; ty < ty1; ++ty)
        for (int32_t tx = tx0; tx < tx1; ++tx)
            f(ty * tilesX_ + tx, Box{tx * kTile, ty * kTile, std::min((tx + 1) * kTile, width_),
                                     std::min((ty + 1) * kTile, height_)});
}

const std::vector<uint64_t>& SoftDamage::HiddenPerTile(const SoftRowMask& mask) {
    // Draws of a frame share a few masks, and frames the same ones.
    return hiddenTiles_.Get(mask.Hash(), [&](std::vector<uint64_t>& out) {
        out.assign(sig_.size(), 0);
        // Each piece of a hidden run in a tile, bands top to bottom and runs
        // left to right, folds into that tile's hash.
        for (const SoftRowMask::Band& b : mask.Bands()) {
            const SoftRowMask::Run* runs = mask.Runs(b);
            for (uint32_t r = 0; r < b.count; ++r)
                ForTiles({runs[r].x0, b.top, runs[r].x1, b.bottom}, [&](int32_t i, const Box& tile) {
                    const int32_t key[4] = {std::max(runs[r].x0, tile[0]), std::max(b.top, tile[1]),
                                            std::min(runs[r].x1, tile[2]),
                                            std::min(b.bottom, tile[3])};
                    uint64_t& h = out[static_cast<size_t>(i)];
                    if (key[0] < key[2] && key[1] < key[3])
                        h = SoftHash(key, sizeof(key), h + 1);
                });
        }
    });
}

const std::vector<uint8_t>& SoftDamage::MissedTiles(const SoftJob& job, const SoftClipVertex* tri,
                                                  size_t count, const Box& box, uint64_t hash) {
    // A draw as it was earlier in the frame or in the last one misses the
    // tiles it missed then.
    return missed_.Get(hash, [&](std::vector<uint8_t>& out) {
        const Reads reads = ReadsOf(job, tri, count);
        if (reads.n != 0)
            ForTiles(box, [&](int32_t, const Box& tile) { out.push_back(reads.Misses(tile) ? 1 : 0); });
    });
}

void SoftDamage::MarkTiles(Box box, uint64_t drawHash, SoftJob::Kind kind, bool depthWrite, const Cover* cover,
                          const SoftRowMask* hidden, const std::vector<uint8_t>* missed) {
    const std::vector<uint64_t>* hiddenIn = hidden ? &HiddenPerTile(*hidden) : nullptr;
    size_t k = 0; // the tile's place in `missed`
    ForTiles(box, [&](int32_t i, const Box& tile) {
        if (missed && !missed->empty() && (*missed)[k++])
            return; // it leaves every pixel there as it is
        uint8_t& f = flags_[i];
        const uint64_t inTile = hiddenIn ? (*hiddenIn)[static_cast<size_t>(i)] : 0;
        const uint64_t hash = inTile ? Chain(drawHash, inTile) : drawHash;
        // Whether this writes the tile's colours, or its depth, whole and
        // from nothing the tile held.
        bool color = false, depth = false;
        if (kind == SoftJob::Kind::Draw) {
            if (cover && cover->n != 0 && cover->Holds(tile))
                color = cover->color, depth = cover->depth;
            // Draws before read the depth the tile held, and it changes.
            if (depth && (f & kReached) && !(f & kDepthCovered))
                f |= kImpureColor;
            if (!color && !(f & kColorCovered))
                f |= kImpureColor;
            if (depthWrite && !depth && !(f & kDepthCovered))
                f |= kImpureDepth;
            f |= kReached;
        } else {
            const bool whole = box[0] <= tile[0] && box[1] <= tile[1] && box[2] >= tile[2] &&
                               box[3] >= tile[3];
            if (kind == SoftJob::Kind::FillDepth && (f & kReached) && !(f & kDepthCovered))
                f |= kImpureColor; // draws read the depth the tile held, and it changes
            color = whole && kind == SoftJob::Kind::FillColor;
            depth = whole && kind == SoftJob::Kind::FillDepth;
            depthWrite = kind == SoftJob::Kind::FillDepth;
        }
        // The depth so far is told by what wrote it since it was last
        // written whole; it goes into the signature where the colours
        // start afresh.
        if (depth)
            depthSig_[i] = hash;
        else if (depthWrite)
            depthSig_[i] = Chain(depthSig_[i], hash);
        if (color) {
            // What the tile held before no longer shows: the frame's
            // colours there are told by this and what follows alone.
            sig_[i] = Chain(Chain(depthSig_[i], kAfresh), hash);
            f = static_cast<uint8_t>((f & ~kImpureColor) | kColorCovered);
        } else {
            sig_[i] = Chain(sig_[i], hash);
        }
        if (depth)
            f = static_cast<uint8_t>((f & ~kImpureDepth) | kDepthCovered);
    });
}

void SoftDamage::SetTarget(uint32_t* color, uint16_t* depth, uint32_t width, uint32_t height) {
    color_ = color;
    depth_ = depth;
    width_ = static_cast<int32_t>(width);
    height_ = static_cast<int32_t>(height);
    tilesX_ = (width_ + kTile - 1) / kTile;
    tilesY_ = (height_ + kTile - 1) / kTile;
    const size_t tiles = static_cast<size_t>(tilesX_) * tilesY_;
    sig_.assign(tiles, 0);
    last_.assign(tiles, 0);
    depthSig_.assign(tiles, 0);
    flags_.assign(tiles, 0);
    tinted_.assign(tiles, 0);
    missed_.Clear();
    hiddenTiles_.Clear();
    lastValid_ = false;
    lost_ = frames_ == 0 ? kWholeFirst : kWholeNewTarget;
}

void SoftDamage::SetDamage(bool on, bool check) {
    damageOn_ = on;
    check_ = on && check;
    lastValid_ = false;
    lost_ = kWholeSwitched;
    signing_ = on;
    resting_ = 0;
    busy_ = 0;
}

DrawnCause SoftDamage::WholeCause(const SoftBands& bands) const {
    if (!damageOn_)
        return kWholeOff;
    if (!signing_)
        return kWholeResting;
    if (!lastValid_)
        return lost_;
    if (bands.Epoch() != frameEpoch_)
        return kWholeFlushed;
    return kDrawnCauses;
}

bool SoftDamage::Whole(const SoftBands& bands) const {
    return WholeCause(bands) != kDrawnCauses || tilesX_ == 0;
}

bool SoftDamage::TileDamaged(size_t i) const {
    return (flags_[i] & kImpure) || sig_[i] != last_[i];
}

void SoftDamage::CountDrawn(bool whole, DrawnCause cause) {
    const size_t tiles = sig_.size();
    if (whole) {
        if (cause != kDrawnCauses)
            drawn_[cause] += tiles;
    } else {
        for (size_t i = 0; i < tiles; ++i) {
            if (sig_[i] != last_[i])
                ++drawn_[kDrawnChanged];
            else if (flags_[i] & kImpureColor)
                ++drawn_[kDrawnLastColor];
            else if (flags_[i] & kImpureDepth)
                ++drawn_[kDrawnLastDepth];
            else if (show_ && tinted_[i])
                ++drawn_[kDrawnTinted];
        }
    }
    if (!show_)
        return;
    // The tiles drawn for what the frame does there are tinted; those drawn
    // only to take last frame's tint off are not.
    for (int32_t ty = 0; ty < tilesY_; ++ty)
        for (int32_t tx = 0; tx < tilesX_; ++tx) {
            const size_t i = static_cast<size_t>(ty) * tilesX_ + tx;
            tinted_[i] = whole || TileDamaged(i);
            if (!tinted_[i])
                continue;
            for (int32_t y = ty * kTile; y < std::min((ty + 1) * kTile, height_); ++y) {
                uint32_t* row = color_ + static_cast<size_t>(y) * width_;
                for (int32_t x = tx * kTile; x < std::min((tx + 1) * kTile, width_); ++x)
                    row[x] = Tint(row[x]);
            }
        }
}

std::vector<SoftBox> SoftDamage::Damaged(int32_t tallest) const {
    std::vector<Box> boxes;
    // A run of tiles under one of the row above with the same columns joins
    // it: a triangle is set up once per box, and a tall box holds many rows.
    size_t rowAbove = 0, rowStart = 0; // where the row above's boxes begin, and this row's
    for (int32_t ty = 0; ty < tilesY_; ++ty, rowAbove = rowStart, rowStart = boxes.size())
        for (int32_t tx = 0; tx < tilesX_;) {
            auto damaged = [&](int32_t x) {
                const size_t i = static_cast<size_t>(ty) * tilesX_ + x;
                return TileDamaged(i) || (show_ && tinted_[i]);
            };
            if (!damaged(tx)) {
                ++tx;
                continue;
            }
            int32_t end = tx + 1;
            while (end < tilesX_ && damaged(end))
                ++end;
            const Box box{tx * kTile, ty * kTile, std::min(end * kTile, width_),
                          std::min((ty + 1) * kTile, height_)};
            tx = end;
            const auto above =
                std::find_if(boxes.begin() + static_cast<std::ptrdiff_t>(rowAbove),
                             boxes.begin() + static_cast<std::ptrdiff_t>(rowStart), [&](const Box& b) {
                                 return b[0] == box[0] && b[2] == box[2] && b[3] == box[1] &&
                                        box[3] - b[1] <= tallest;
                             });
            if (above == boxes.begin() + static_cast<std::ptrdiff_t>(rowStart)) {
                boxes.push_back(box);
                continue;
            }
            // Carried down into this row: it moves to this row's boxes.
            Box joined = *above;
            joined[3] = box[3];
            boxes.erase(above);
            --rowStart;
            boxes.push_back(joined);
        }
    return boxes;
}

void SoftDamage::FlushFrame(SoftBands& bands, int32_t changed[4]) {
    const DrawnCause cause = WholeCause(bands);
    const bool whole = cause != kDrawnCauses || tilesX_ == 0;
    double area = 0;
    if (whole) {
        changed[0] = changed[1] = 0;
        changed[2] = width_;
        changed[3] = height_;
        damagedPixels_ += static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
        if (bands.Pending())
            bands.DrawWhole(SoftBands::kMinSpreadPixels);
    } else {
        // With more threads, boxes stay a band high, for the threads to share.
        boxes_ = Damaged(bands.Count() > 1 ? SoftBands::kBandRows : INT32_MAX);
        changed[0] = changed[1] = INT32_MAX;
        changed[2] = changed[3] = INT32_MIN;
        for (const Box& b : boxes_) {
            area += static_cast<double>(b[2] - b[0]) * (b[3] - b[1]);
            for (int i = 0; i < 2; ++i) {
                changed[i] = std::min(changed[i], b[i]);
                changed[i + 2] = std::max(changed[i + 2], b[i + 2]);
            }
        }
        if (boxes_.empty())
            std::fill_n(changed, 4, 0);
        damagedPixels_ += static_cast<uint64_t>(area);
        const size_t size = static_cast<size_t>(width_) * static_cast<size_t>(height_);
        if (check_) {
            checkColor_.assign(color_, color_ + size);
            checkDepth_.assign(depth_, depth_ + size);
        }
        if (bands.Pending() && !boxes_.empty())
            bands.DrawBoxes(boxes_, area, SoftBands::kMinSpreadPixels);
        if (check_) {
            // Both pictures: by damage kept aside, whole drawn in place.
            std::swap_ranges(checkColor_.begin(), checkColor_.end(), color_);
            std::swap_ranges(checkDepth_.begin(), checkDepth_.end(), depth_);
            checkBoxes_ = boxes_;
            if (bands.Pending())
                bands.DrawWhole(SoftBands::kMinSpreadPixels);
            Compare(bands, checkColor_, checkDepth_);
        }
    }
    CountDrawn(whole, cause);
    bands.Forget();
    frameEpoch_ = bands.Epoch();
    EndFrame(whole, area);
}

void SoftDamage::EndFrame(bool whole, double area) {
    // Frames that changed (nearly) everywhere, a few in a row, are likely
    // followed by more: signing them costs more than it saves, so the next
    // ones are drawn whole unsigned, and signed frames look again (not while
    // checking). One such frame alone is a slow motion's step, not a trend.
    const double target = static_cast<double>(width_) * static_cast<double>(height_);
    busy_ = !whole && area >= kRestShare * target ? busy_ + 1 : 0;
    if (damageOn_ && !check_ && busy_ >= kBusyFrames) {
        resting_ = kRestFrames;
        busy_ = 0;
    }
    const bool signedFrame = signing_;
    signing_ = damageOn_ && (resting_ == 0 || --resting_ == 0);
    last_.swap(sig_);
    missed_.NextFrame();
    hiddenTiles_.NextFrame();
    std::fill(sig_.begin(), sig_.end(), 0);
    std::fill(depthSig_.begin(), depthSig_.end(), 0);
    std::fill(flags_.begin(), flags_.end(), 0);
    lastValid_ = signedFrame && signing_ && tilesX_ > 0;
    if (!lastValid_)
        lost_ = kWholeResting;
    ++frames_;
}

void SoftDamage::Compare(const SoftBands& bands, const std::vector<uint32_t>& color,
                         const std::vector<uint16_t>& depth) {
    size_t at = 0;
    while (at < color.size() && color[at] == color_[at] && depth[at] == depth_[at])
        ++at;
    if (at == color.size())
        return;
    const auto x = static_cast<int32_t>(at % static_cast<size_t>(width_));
    const auto y = static_cast<int32_t>(at / static_cast<size_t>(width_));
    const int32_t tx = x / kTile, ty = y / kTile;
    char line[256];
    std::snprintf(line, sizeof(line),
                  "drawing by damage: frame %llu differs at (%d, %d): 0x%08X depth %u by damage, "
                  "0x%08X depth %u whole; tile %d,%d %dx%d (%s)\n",
                  static_cast<unsigned long long>(frames_), x, y, color[at], depth[at],
                  color_[at], depth_[at], tx * kTile, ty * kTile, kTile, kTile,
                  std::find_if(checkBoxes_.begin(), checkBoxes_.end(),
                               [&](const Box& b) {
                                   return x >= b[0] && x < b[2] && y >= b[1] && y < b[3];
                               }) == checkBoxes_.end()
                      ? "kept from the last frame"
                      : "drawn");
    std::string report = line;
    // The frame's queue that reaches the pixel.
    for (size_t j = 0; j < bands.Jobs().size(); ++j) {
        const SoftJob& job = bands.Jobs()[j];
        if (job.kind != SoftJob::Kind::Draw) {
            if (x >= job.fill[0] && x < job.fill[2] && y >= job.fill[1] && y < job.fill[3]) {
                std::snprintf(line, sizeof(line), "  #%zu: %s fill 0x%08X\n", j,
                              job.kind == SoftJob::Kind::FillColor ? "colour" : "depth", job.value);
                report += line;
            }
            continue;
        }
        const float* r = bands.Reach(job);
        for (size_t t = 0; t < job.count; ++t)
            if (!job.rowsKnown || (r[t * 4] <= y && r[t * 4 + 1] >= y && r[t * 4 + 2] <= x &&
                                   r[t * 4 + 3] >= x)) {
                std::snprintf(line, sizeof(line),
                              "  #%zu: draw of %zu triangles (triangle %zu reaches), %u stages, "
                              "texture version %llu, blend %d\n",
                              j, job.count, t, job.state.stageCount,
                              static_cast<unsigned long long>(
                                  job.stages[0].texture ? job.stages[0].texture->Version() : 0),
                              job.state.blend ? 1 : 0);
                report += line;
                break;
            }
    }
    if (onMismatch_) {
        onMismatch_(report);
        return;
    }
    std::fputs(report.c_str(), stderr);
    std::abort();
}

} // namespace gpu
