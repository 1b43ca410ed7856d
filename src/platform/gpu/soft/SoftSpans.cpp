#include "platform/gpu/soft/SoftSpans.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GV_SOFT_X86 1
#endif

namespace gpu {
namespace {

constexpr int32_t kChunk = 256; // pixels shaded per pass of a span
constexpr int kWorkBuffers = 8;
constexpr uint32_t kArgSelect = 0x7, kArgComplement = 0x8, kArgReplicate = 0x10;
// Texture coordinates are held within this many texels of the origin: their
// float-to-int conversions stay defined, and the fast routines' wrap, which
// divides in floats, stays exact (its quotient is off by less than one).
constexpr float kCoordLimit = 4194304.0f; // 2^22

// std::clamp, but NaN takes the low end: a NaN coordinate, colour or depth
// reads or writes what the low end does instead of converting to an
// undefined integer. The fast routines' ClampLanes does the same.
inline float ClampNumber(float v, float lo, float hi) {
    v = v > lo ? v : lo;
    return v < hi ? v : hi;
}

// round(a * b / 255) for 8-bit values.
inline uint32_t Mul8(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline uint32_t Channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

inline int32_t Wrap(int32_t i, int32_t n, bool wrap) {
    if (i >= 0 && i < n) // most reads: no division
        return i;
    if (wrap) {
        i %= n;
        return i < 0 ? i + n : i;
    }
    return std::clamp(i, 0, n - 1);
}

inline uint32_t Lerp4(uint32_t a, uint32_t b, uint32_t w) {
    // Two channels at a time: 0x00RR00BB and 0x00AA00GG, weights out of 256.
    const uint32_t rbA = a & 0x00FF00FFu, rbB = b & 0x00FF00FFu;
    const uint32_t agA = (a >> 8) & 0x00FF00FFu, agB = (b >> 8) & 0x00FF00FFu;
    const uint32_t rb = ((rbA * (256 - w) + rbB * w) >> 8) & 0x00FF00FFu;
    const uint32_t ag = ((agA * (256 - w) + agB * w)) & 0xFF00FF00u;
    return rb | ag;
}

inline uint32_t Sample(const SoftSampler& s, float u, float v) {
    u = ClampNumber(u, -kCoordLimit, kCoordLimit);
    v = ClampNumber(v, -kCoordLimit, kCoordLimit);
    const float fu = std::floor(u), fv = std::floor(v);
    const auto x0 = static_cast<int32_t>(fu), y0 = static_cast<int32_t>(fv);
    if (!s.linear)
        return s.texels[Wrap(y0, s.height, s.wrapV) * s.width + Wrap(x0, s.width, s.wrapU)];
    const auto wx = static_cast<uint32_t>((u - fu) * 256.0f);
    const auto wy = static_cast<uint32_t>((v - fv) * 256.0f);
    const int32_t xa = Wrap(x0, s.width, s.wrapU), xb = Wrap(x0 + 1, s.width, s.wrapU);
    const uint32_t* ra = s.texels + Wrap(y0, s.height, s.wrapV) * s.width;
    const uint32_t* rb = s.texels + Wrap(y0 + 1, s.height, s.wrapV) * s.width;
    // Down the columns first: along a row of the texture that blend is
    // shared by every pixel of a span, which the fast routines make once.
    return Lerp4(Lerp4(ra[xa], rb[xa], wy), Lerp4(ra[xb], rb[xb], wy), wx);
}

inline uint32_t Arg(uint32_t arg, uint32_t diffuse, uint32_t cur, uint32_t tex, uint32_t tf) {
    uint32_t v = 0;
    switch (arg & kArgSelect) {
    case Ta::Diffuse:
        v = diffuse;
        break;
    case Ta::Current:
        v = cur;
        break;
    case Ta::Texture:
        v = tex;
        break;
    case Ta::TFactor:
        v = tf;
        break;
    default:
        break; // specular and temporaries hold black
    }
    if (arg & kArgComplement)
        v = ~v;
    if (arg & kArgReplicate)
        v = (v >> 24) * 0x01010101u;
    return v;
}

inline uint32_t Op(uint32_t op, uint32_t a, uint32_t b) {
    switch (op) {
    case Top::SelectArg1:
        return a;
    case Top::SelectArg2:
        return b;
    default:
        break;
    }
    uint32_t r = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const uint32_t x = Channel(a, sh), y = Channel(b, sh);
        uint32_t c;
        switch (op) {
        case Top::Modulate2x:
            c = std::min(255u, Mul8(x, y) * 2);
            break;
        case Top::Modulate4x:
            c = std::min(255u, Mul8(x, y) * 4);
            break;
        case Top::Add:
            c = std::min(255u, x + y);
            break;
        default:
            c = Mul8(x, y);
            break;
        }
        r |= c << sh;
    }
    return r;
}

inline bool Compare(uint32_t func, uint32_t value, uint32_t ref) {
    switch (func) {
    case Cmp::Never:
        return false;
    case Cmp::Less:
        return value < ref;
    case Cmp::Equal:
        return value == ref;
    case Cmp::LessEqual:
        return value <= ref;
    case Cmp::Greater:
        return value > ref;
    case Cmp::NotEqual:
        return value != ref;
    case Cmp::GreaterEqual:
        return value >= ref;
    default:
        return true;
    }
}

inline uint32_t Factor(uint32_t f, uint32_t s, uint32_t d, uint32_t sa, uint32_t da) {
    switch (f) {
    case Blend::Zero:
        return 0;
    case Blend::One:
        return 255;
    case Blend::SrcColor:
        return s;
    case Blend::InvSrcColor:
        return 255 - s;
    case Blend::SrcAlpha:
        return sa;
    case Blend::InvSrcAlpha:
        return 255 - sa;
    case Blend::DestAlpha:
        return da;
    case Blend::InvDestAlpha:
        return 255 - da;
    case Blend::DestColor:
        return d;
    case Blend::InvDestColor:
        return 255 - d;
    default:
        return 255; // as GL's ONE / ZERO choice below
    }
}

inline uint32_t BlendPixel(const SoftPixelState& st, uint32_t s, uint32_t d) {
    const uint32_t sa = s >> 24, da = d >> 24;
    uint32_t r = 0;
    const uint32_t srcF = st.srcBlend,
                   dstF = (st.destBlend >= Blend::Zero && st.destBlend <= Blend::InvDestColor)
                              ? st.destBlend
                              : static_cast<uint32_t>(Blend::Zero);
    for (int sh = 0; sh < 32; sh += 8) {
        const uint32_t sc = Channel(s, sh), dc = Channel(d, sh);
        const uint32_t v = std::min(255u, Mul8(sc, Factor(srcF, sc, dc, sa, da)) +
                                              Mul8(dc, Factor(dstF, sc, dc, sa, da)));
        r |= v << sh;
    }
    return r;
}

bool IsModulateOfTexture(const CombinerStage& k, uint32_t other) {
    auto pair = [&](uint32_t a, uint32_t b) {
        return (a == Ta::Texture && b == other) || (a == other && b == Ta::Texture);
    };
    return k.colorOp == Top::Modulate && k.alphaOp == Top::Modulate &&
           pair(k.colorArg1, k.colorArg2) && pair(k.alphaArg1, k.alphaArg2);
}

bool IsSelectOfTexture(const CombinerStage& k) {
    auto sel = [](uint32_t op, uint32_t a1, uint32_t a2) {
        return (op == Top::SelectArg1 && a1 == Ta::Texture) ||
               (op == Top::SelectArg2 && a2 == Ta::Texture);
    };
    return sel(k.colorOp, k.colorArg1, k.colorArg2) && sel(k.alphaOp, k.alphaArg1, k.alphaArg2);
}

SoftPair PairOf(uint32_t src, uint32_t dest) {
    if (src == Blend::SrcAlpha && dest == Blend::InvSrcAlpha)
        return SoftPair::kOver;
    if (src == Blend::SrcAlpha && dest == Blend::One)
        return SoftPair::kAdd;
    if (src == Blend::One && dest == Blend::InvSrcColor)
        return SoftPair::kScreen;
    if (src == Blend::Zero && dest == Blend::InvSrcColor)
        return SoftPair::kDarken;
    if (src == Blend::DestColor && dest == Blend::Zero)
        return SoftPair::kMultiply;
    return SoftPair::kNone;
}

// Phase one: the texels of each sampling stage along the span.
void SampleSpan(const SoftPixelState& st, const SoftSpan& in, int32_t start, int32_t n,
                uint32_t tex[kCombinerStages][kChunk]) {
    for (uint32_t s = 0; s < st.stageCount; ++s) {
        if (!CombinerStageSamples(st.stages[s]))
            continue;
        const SoftSampler& sm = st.samplers[s];
        if (!sm.texels) {
            std::fill(tex[s], tex[s] + n, 0xFFFFFFFFu);
            continue;
        }
        // The set-up gives each stage the coordinates of its own uv set.
        const float u0 = in.uv[s][0], v0 = in.uv[s][1];
        const float du = in.dUv[s][0], dv = in.dUv[s][1];
        if (in.perspective) {
            for (int32_t i = 0; i < n; ++i) {
                const auto x = static_cast<float>(start + i);
                const float w = 1.0f / (in.q + in.dq * x);
                tex[s][i] = Sample(sm, (u0 + du * x) * w, (v0 + dv * x) * w);
            }
        } else if (du == 1.0f && dv == 0.0f && u0 == std::floor(u0) && v0 == std::floor(v0) &&
                   std::fabs(u0) < kCoordLimit && std::fabs(v0) < kCoordLimit) {
            // Texels on the pixels one to one: each pixel reads exactly one,
            // whatever the filter.
            const auto x0 = static_cast<int32_t>(u0) + start;
            const uint32_t* row =
                sm.texels + Wrap(static_cast<int32_t>(v0), sm.height, sm.wrapV) * sm.width;
            for (int32_t i = 0; i < n; ++i)
                tex[s][i] = row[Wrap(x0 + i, sm.width, sm.wrapU)];
        } else {
            for (int32_t i = 0; i < n; ++i) {
                const auto x = static_cast<float>(start + i);
                tex[s][i] = Sample(sm, u0 + du * x, v0 + dv * x);
            }
        }
    }
}

// Phase two: the stages combined into the fragment colour.
void CombineSpan(const SoftPixelState& st, const SoftSpan& in, int32_t start, int32_t n,
                 const uint32_t tex[kCombinerStages][kChunk], uint32_t* out) {
    for (int32_t i = 0; i < n; ++i) {
        const auto x = static_cast<float>(start + i);
        const float w = in.perspective ? 1.0f / (in.q + in.dq * x) : 1.0f;
        static constexpr int kShift[4] = {16, 8, 0, 24}; // r, g, b, a
        uint32_t diffuse = 0;
        for (int c = 0; c < 4; ++c) {
            const float v = ClampNumber((in.color[c] + in.dColor[c] * x) * w, 0.0f, 255.0f);
            diffuse |= static_cast<uint32_t>(v + 0.5f) << kShift[c];
        }
        uint32_t cur = diffuse;
        for (uint32_t s = 0; s < st.stageCount; ++s) {
            const CombinerStage& k = st.stages[s];
            const uint32_t t = tex[s][i];
            const uint32_t c = Op(k.colorOp, Arg(k.colorArg1, diffuse, cur, t, st.tfactor),
                                  Arg(k.colorArg2, diffuse, cur, t, st.tfactor));
            const uint32_t a = k.alphaOp == 0
                                   ? cur
                                   : Op(k.alphaOp, Arg(k.alphaArg1, diffuse, cur, t, st.tfactor),
                                        Arg(k.alphaArg2, diffuse, cur, t, st.tfactor));
            cur = (c & 0x00FFFFFFu) | (a & 0xFF000000u);
        }
        out[i] = cur;
    }
}

// Phase three: alpha and depth tests, then the blend into the target.
void WriteSpan(const SoftPixelState& st, const SoftSpan& in, int32_t start, int32_t n,
               const uint32_t* frag, uint32_t* color, uint16_t* depth) {
    const uint32_t keep = st.keepAlpha ? 0xFF000000u : 0u;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t f = frag[i];
        if (st.alphaFunc && !Compare(st.alphaFunc, f >> 24, st.alphaRef))
            continue;
        if (st.depthTest || st.depthWrite) {
            const auto x = static_cast<float>(start + i);
            const float z = ClampNumber(in.z + in.dz * x, 0.0f, 65535.0f);
            const auto z16 = static_cast<uint16_t>(z + 0.5f);
            if (st.depthTest && !Compare(st.depthFunc, z16, depth[i]))
                continue;
            if (st.depthWrite)
                depth[i] = z16;
        }
        const uint32_t out = st.blend ? BlendPixel(st, f, color[i]) : f;
        color[i] = out | keep;
    }
}

} // namespace

// The fast pipeline once with no intrinsics (any processor), and on x86
// once for its SSE2 baseline and once for AVX2.
#define GV_SOFT_AVX2 0
#define GV_SOFT_SSE2 0
namespace portable {
#include "platform/gpu/soft/SoftKernels.inc"
} // namespace portable
#undef GV_SOFT_SSE2

#if GV_SOFT_X86
#define GV_SOFT_SSE2 1
namespace sse2 {
#include "platform/gpu/soft/SoftKernels.inc"
} // namespace sse2
#undef GV_SOFT_AVX2

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#define GV_SOFT_AVX2 1
namespace avx2 {
#include "platform/gpu/soft/SoftKernels.inc"
} // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#undef GV_SOFT_SSE2
#endif
#undef GV_SOFT_AVX2

namespace {

constexpr const char* kSpansSetting = "GLORVANE_SOFT_SPANS";

// The set the processor runs fastest.
const char* BestRoutines() {
#if GV_SOFT_X86
    __builtin_cpu_init(); // this may run before the constructor that fills it in
    if (__builtin_cpu_supports("avx2"))
        return "avx2";
    return "sse2";
#else
    return "portable";
#endif
}

struct Routines {
    SoftShadeFn shade;
    const char* kind;
    std::string choice; // what the log says
};

Routines& Chosen() {
    static Routines routines = [] {
        Routines r;
        r.kind = ChooseSpanRoutines(std::getenv(kSpansSetting), &r.choice);
        r.shade = SpanRoutine(r.kind);
        return r;
    }();
    return routines;
}

} // namespace

void ShadeSpanReference(const SoftPixelState& st, const SoftSpan& in, uint32_t* color,
                        uint16_t* depth, int32_t count) {
    uint32_t tex[kCombinerStages][kChunk];
    uint32_t frag[kChunk];
    for (int32_t start = 0; start < count; start += kChunk) {
        const int32_t n = std::min(kChunk, count - start);
        const int32_t x = in.first + start; // where the chunk lies along the span's steps
        SampleSpan(st, in, x, n, tex);
        CombineSpan(st, in, x, n, tex, frag);
        WriteSpan(st, in, x, n, frag, color + start, depth ? depth + start : nullptr);
    }
}

void ShadeRows(const SoftPixelState& st, const SoftRow* rows, int32_t count) {
    Chosen().shade(st, rows, count);
}

void SettleSpans(SoftPixelState& st) {
    for (uint32_t s = 0; s < kCombinerStages; ++s)
        st.samples[s] = s < st.stageCount && CombinerStageSamples(st.stages[s]);
    st.recipe = SoftRecipe::kAny;
    if (st.stageCount == 1 && IsModulateOfTexture(st.stages[0], Ta::Diffuse))
        st.recipe = SoftRecipe::kTexDiffuse;
    else if (st.stageCount == 2 && IsSelectOfTexture(st.stages[0]) &&
             IsModulateOfTexture(st.stages[1], Ta::Current))
        st.recipe = SoftRecipe::kTexTimesTex;
    st.pair = st.blend ? PairOf(st.srcBlend, st.destBlend) : SoftPair::kNone;
    // Zero alpha fails a Greater test; else over or added it changes
    // nothing, if depth is not written.
    st.clearKeepsPixel = st.recipe != SoftRecipe::kAny &&
                         (st.alphaFunc == Cmp::Greater ||
                          (st.alphaFunc == 0 && !st.depthWrite &&
                           (st.pair == SoftPair::kOver || st.pair == SoftPair::kAdd)));
    st.settled = true;
}

std::vector<uint8_t> FindClearTiles(const uint32_t* texels, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width % kClearTile || height % kClearTile)
        return {};
    const int32_t across = width / kClearTile, down = height / kClearTile;
    // Per texel row, whether each tile's columns and the next one hold alpha.
    std::vector<uint8_t> rowHolds(static_cast<size_t>(height) * across, 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = texels + static_cast<size_t>(y) * width;
        uint8_t* holds = &rowHolds[static_cast<size_t>(y) * across];
        for (int32_t x = 0; x < width; ++x) {
            if ((row[x] >> 24) == 0)
                continue;
            const int32_t t = x / kClearTile;
            holds[t] = 1;
            if (x % kClearTile == 0) // read with the last column of the tile before
                holds[(t + across - 1) % across] = 1;
        }
    }
    std::vector<uint8_t> clear(static_cast<size_t>(across) * down, 0);
    for (int32_t ty = 0; ty < down; ++ty)
        for (int32_t tx = 0; tx < across; ++tx) {
            bool any = false;
            for (int32_t r = 0; r <= kClearTile && !any; ++r) {
                const int32_t y = (ty * kClearTile + r + height) % height;
                any = rowHolds[static_cast<size_t>(y) * across + tx] != 0;
            }
            clear[static_cast<size_t>(ty) * across + tx] = any ? 0 : 1;
        }
    // Without a clear tile, spans need not look.
    if (std::find(clear.begin(), clear.end(), 1) == clear.end())
        return {};
    return clear;
}

const char* ChooseSpanRoutines(const char* setting, std::string* line) {
    const char* best = BestRoutines();
    if (!setting || !*setting) {
        *line = std::string(best) + " span routines";
        return best;
    }
    for (const char* kind : {"avx2", "sse2", "portable"})
        if (std::strcmp(setting, kind) == 0 && SpanRoutine(kind)) {
            *line = std::string(kind) + " span routines (" + kSpansSetting + "=" + kind + ")";
            return kind;
        }
    *line = std::string(best) + " span routines (" + kSpansSetting + "=" + setting +
            " is not a set this processor runs)";
    return best;
}

const char* SpanRoutineKind() {
    return Chosen().kind;
}

const char* SpanRoutineChoice() {
    return Chosen().choice.c_str();
}

bool UseSpanRoutines(const char* kind) {
    for (const char* known : {"avx2", "sse2", "portable"})
        if (std::strcmp(kind, known) == 0 && SpanRoutine(known)) {
            Routines& r = Chosen();
            r.shade = SpanRoutine(known);
            r.kind = known;
            r.choice = std::string(known) + " span routines";
            return true;
        }
    return false;
}

SoftShadeFn SpanRoutine(const char* kind) {
    const std::string k = kind;
    if (k == "portable")
        return portable::ShadeFast;
#if GV_SOFT_X86
    if (k == "avx2")
        return __builtin_cpu_supports("avx2") ? avx2::ShadeFast : nullptr;
    if (k == "sse2")
        return sse2::ShadeFast;
#endif
    return nullptr;
}

} // namespace gpu
