// The software back end's fast span routines against its general scalar path,
// on random states, spans, textures and targets (seeded). The fast routines
// take the same float coordinates and the same 8-bit rounding as the general
// path and only settle per span what it decides per pixel, so the tolerance is
// none: colour and depth must match to the bit.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/gpu/soft/SoftSpans.h"

namespace {

using namespace gpu;
using Rng = std::independent_bits_engine<std::mt19937, 32, uint32_t>;

struct Case {
    SoftPixelState st;
    SoftSpan span;
    std::vector<uint32_t> textures[kCombinerStages];
    std::vector<uint8_t> tiles[kCombinerStages];
    std::vector<uint32_t> color;
    std::vector<uint16_t> depth;
};

// Words against an inaccessible page, after their end or before their start:
// a read past that side faults. The routines are built without the address
// sanitizer (they draw every test frame), so this is what checks their reads.
class Fenced {
public:
    Fenced(const std::vector<uint32_t>& words, bool fenceAfter) {
        const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        room_ = (words.size() * 4 + page - 1) / page * page + 2 * page;
        base_ = static_cast<uint8_t*>(
            mmap(nullptr, room_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_, page, PROT_NONE);
        mprotect(base_ + room_ - page, page, PROT_NONE);
        uint8_t* at = fenceAfter ? base_ + room_ - page - words.size() * 4 : base_ + page;
        std::memcpy(at, words.data(), words.size() * 4);
        data_ = reinterpret_cast<uint32_t*>(at);
    }
    ~Fenced() { munmap(base_, room_); }
    Fenced(const Fenced&) = delete;
    Fenced& operator=(const Fenced&) = delete;
    const uint32_t* Data() const { return data_; }

private:
    uint8_t* base_ = nullptr;
    size_t room_ = 0;
    uint32_t* data_ = nullptr;
};

uint32_t Pick(Rng& rng, std::initializer_list<uint32_t> from) {
    return from.begin()[rng() % from.size()];
}

// Values no draw of the game makes: not numbers, infinite, far past the
// routines' coordinate limit of 2^22 texels or just either side of it.
float Wild(Rng& rng) {
    const float values[] = {NAN,   INFINITY,   -INFINITY,   5.0e7f,     -5.0e7f,       3.0e9f,
                            1e30f, 4194305.0f, -4194303.5f, 4194303.7f, -2147483648.0f};
    return values[rng() % std::size(values)];
}

uint32_t RandomArg(Rng& rng) {
    const uint32_t sel =
        Pick(rng, {Ta::Diffuse, Ta::Current, Ta::Texture, Ta::Texture, Ta::TFactor});
    const uint32_t mods = rng() % 6 == 0 ? Pick(rng, {0x8u, 0x10u, 0x18u}) : 0u;
    return sel | mods;
}

// gameLike: the stages combine as the game's draws mostly do, and alpha
// comes in blocks, so that whole tiles are clear next to ones that are not.
Case MakeCase(Rng& rng, bool gameLike) {
    Case c;
    auto real = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    // Spans cross the routines' chunks of 256 pixels, or are short.
    const size_t count = rng() % 2 == 0 ? 1 + rng() % 600 : 1 + rng() % 40;
    SoftPixelState& st = c.st;
    st.stageCount = 1 + rng() % kCombinerStages;
    for (uint32_t s = 0; s < st.stageCount; ++s) {
        CombinerStage& k = st.stages[s];
        const std::initializer_list<uint32_t> ops = {
            Top::SelectArg1, Top::SelectArg2, Top::Modulate, Top::Modulate,
            Top::Modulate2x, Top::Modulate4x, Top::Add};
        k.colorOp = Pick(rng, ops);
        k.colorArg1 = RandomArg(rng);
        k.colorArg2 = RandomArg(rng);
        if (rng() % 3 == 0) { // alpha as colour: one pass in the fast routines
            k.alphaOp = k.colorOp;
            k.alphaArg1 = k.colorArg1;
            k.alphaArg2 = k.colorArg2;
        } else {
            k.alphaOp = rng() % 4 == 0 ? 0 : Pick(rng, ops);
            k.alphaArg1 = RandomArg(rng);
            k.alphaArg2 = RandomArg(rng);
        }
        // A texture of 1..40 texels a side, or whole tiles of clear texels
        // (which the routines may leave out); alpha mostly at its ends.
        const bool wild = !gameLike && rng() % 4 == 0; // coordinates or steps
        const bool tiled = gameLike || (!wild && rng() % 2 == 0);
        // (Sides of 3, 5 and 1000 texels wrap by a division in floats.)
        const int32_t w = tiled ? kClearTile * (1 + static_cast<int32_t>(rng() % 6))
                          : rng() % 6 == 0 || wild
                              ? static_cast<int32_t>(Pick(rng, {3u, 5u, 1000u}))
                              : 1 + static_cast<int32_t>(rng() % 40);
        const int32_t h = tiled ? kClearTile * (1 + static_cast<int32_t>(rng() % 6))
                                : 1 + static_cast<int32_t>(rng() % 40);
        std::vector<uint32_t>& t = c.textures[s];
        t.resize(static_cast<size_t>(w) * h);
        // Alpha texel by texel, or in runs, as pictures hold whole opaque or clear areas.
        const size_t run = Pick(rng, {1u, 24u, 90u});
        uint32_t alpha = 0, blocks[64];
        for (uint32_t& b : blocks)
            b = Pick(rng, {0u, 0u, 0u, 0u, 0u, 0u, 255u, rng() & 0xFFu});
        for (size_t i = 0; i < t.size(); ++i) {
            if (i % run == 0)
                alpha = Pick(rng, {0u, 0u, 255u, rng() & 0xFFu});
            if (gameLike) // blocks of 7x5 texels
                alpha = blocks[(i % w / 7 + i / w / 5 * 8) % 64];
            t[i] = (rng() & 0x00FFFFFFu) | alpha << 24;
        }
        c.tiles[s] = FindClearTiles(t.data(), w, h);
        SoftSampler& sm = st.samplers[s];
        sm.texels = rng() % 12 == 0 && !gameLike && !wild ? nullptr : t.data();
        sm.clearTiles = c.tiles[s].empty() ? nullptr : c.tiles[s].data();
        // Said to be mostly clear or not: the routines look clear tiles up
        // along texture rows too when they expect to leave most registers out.
        sm.clearShare = rng() % 2 == 0 ? 1.0f : 0.0f;
        sm.width = w;
        sm.height = h;
        sm.wrapU = rng() % 2 == 0;
        sm.wrapV = rng() % 2 == 0;
        sm.linear = rng() % 4 != 0;
        // Texels 1:1, a row of the texture scaled, rotated, or far outside
        // it; scaled and rotated ones often stay inside the texture.
        SoftSpan& sp = c.span;
        const uint32_t shape = gameLike ? (rng() % 4 == 0 ? 1 : 2) : rng() % 4;
        const float size = static_cast<float>(std::max(w, h));
        const float reach =
            rng() % 2 == 0 || gameLike ? 2.0f : 0.9f * size / static_cast<float>(count);
        const auto texel = static_cast<float>(static_cast<int32_t>(rng() % (3 * w)) - w);
        sp.uv[s][0] = shape == 0 ? texel : real(-0.6f, 1.2f * size);
        sp.uv[s][1] = shape == 0 ? static_cast<float>(rng() % h) : real(-0.6f, 1.2f * size);
        sp.dUv[s][0] = shape == 0 ? 1.0f : real(-reach, reach);
        sp.dUv[s][1] = shape <= 1 ? 0.0f : real(-reach, reach) / (gameLike ? 4.0f : 1.0f);
        if (shape == 2 && rng() % 2 == 0) { // turned a little: registers cross one row
            sp.dUv[s][0] = real(0.6f, 1.2f) * (rng() % 2 == 0 ? 1.0f : -1.0f);
            sp.dUv[s][1] = real(-0.15f, 0.15f);
        }
        if (shape == 2 && rng() % 4 == 0) { // turned a quarter: down the texture's columns
            sp.dUv[s][0] = static_cast<float>(static_cast<int32_t>(rng() % 3) - 1) * 1e-7f;
            // (Game-like ones read two to three tiles down each register.)
            sp.dUv[s][1] =
                gameLike ? real(1.2f, 2.5f) * (rng() % 2 == 0 ? 1.0f : -1.0f) : real(-2.5f, 2.5f);
        }
        if (shape == 0 && rng() % 2 == 0) {
            // Moved by a fraction of a texel, as a drifting backdrop is: one
            // weight for every pixel, unless rounding reaches a weight's edge
            // (a fraction near a 256th, coordinates far out).
            // (Often near a whole texel, where a hair past it weighs zero.)
            const uint32_t step = rng() % 4 == 0 ? rng() % 2 : rng() % 257;
            const float edge = static_cast<float>(step) / 256.0f;
            const float far = rng() % 4 == 0 ? static_cast<float>(rng() % 40000) : 0.0f;
            const float shifts[4] = {real(0.0f, 1.0f), edge + 3e-5f, edge - 3e-5f, edge};
            sp.uv[s][0] += far + shifts[rng() % 4];
            if (rng() % 4 == 0) { // a float just below the edge, which sums may round onto
                const float whole = std::floor(sp.uv[s][0]);
                sp.uv[s][0] = std::nextafter(whole + edge, whole);
            }
            sp.uv[s][1] += rng() % 2 == 0 ? real(0.0f, 1.0f) : shifts[1 + rng() % 2];
        }
        if (shape == 3)
            sp.uv[s][0] = real(-5.0f * size, 5.0f * size);
        // Just below a texel's edge, where the fraction rounds up to a whole
        // texel and a filter weight reaches 256.
        if (shape != 0 && rng() % 8 == 0)
            sp.uv[s][rng() % 2] = -1e-9f;
        // Wild coordinates or steps read inside the texture all the same.
        if (wild) {
            float* at[4] = {&sp.uv[s][0], &sp.uv[s][1], &sp.dUv[s][0], &sp.dUv[s][1]};
            *at[rng() % 4] = Wild(rng);
        }
    }
    st.tfactor = rng();
    st.alphaFunc = rng() % 3 == 0 ? 0 : Pick(rng, {Cmp::Greater, Cmp::Greater, 1 + rng() % 8});
    if (gameLike)
        st.alphaFunc = Pick(rng, {0u, Cmp::Greater, Cmp::Greater, 1 + rng() % 8});
    st.alphaRef = Pick(rng, {0u, 1u, 128u, 255u, rng() & 0xFFu});
    st.blend = rng() % 5 != 0;
    const uint32_t pair = rng() % 7;
    const uint32_t pairs[6][2] = {
        {Blend::SrcAlpha, Blend::InvSrcAlpha}, {Blend::SrcAlpha, Blend::One},
        {Blend::One, Blend::InvSrcColor},      {Blend::Zero, Blend::InvSrcColor},
        {Blend::DestColor, Blend::Zero},       {Blend::One, Blend::Zero}};
    st.srcBlend = pair < 6 ? pairs[pair][0] : 1 + rng() % 11;
    st.destBlend = pair < 6 ? pairs[pair][1] : 1 + rng() % 11;
    st.depthTest = rng() % 3 == 0;
    st.depthWrite = rng() % (gameLike ? 2 : 3) == 0;
    st.depthFunc = Pick(rng, {Cmp::LessEqual, Cmp::LessEqual, 1 + rng() % 8});
    st.keepAlpha = rng() % 2 == 0;

    // A third of the cases combine as the game's draws mostly do: the texture
    // modulated by the diffuse colour, often white, or by a second texture.
    const uint32_t recipe = gameLike ? rng() % 3 : rng() % 9;
    const CombinerStage modulate = {Top::Modulate, Ta::Texture, Ta::Diffuse,
                                    Top::Modulate, Ta::Diffuse, Ta::Texture};
    if (recipe < 2) {
        st.stageCount = 1;
        st.stages[0] = modulate;
    } else if (recipe == 2) {
        st.stageCount = 2;
        st.stages[0] = {Top::SelectArg1, Ta::Texture, Ta::Diffuse,
                        Top::SelectArg1, Ta::Texture, Ta::Current};
        st.stages[1] = {Top::Modulate, Ta::Current, Ta::Texture,
                        Top::Modulate, Ta::Texture, Ta::Current};
    }
    SoftSpan& sp = c.span;
    const bool flat = rng() % 2 == 0;
    for (int k = 0; k < 4; ++k) {
        sp.color[k] = recipe == 0 ? 255.0f : real(-10.0f, 265.0f);
        sp.dColor[k] = flat ? 0.0f : real(-3.0f, 3.0f);
    }
    sp.z = real(0.0f, 65535.0f);
    sp.dz = real(-200.0f, 200.0f);
    sp.perspective = rng() % 6 == 0;
    sp.first = rng() % 2 == 0 ? 0 : static_cast<int32_t>(rng() % 300);
    sp.q = real(0.5f, 2.0f);
    sp.dq = sp.perspective ? real(-0.001f, 0.001f) : 0.0f;
    if (!gameLike && rng() % 8 == 0) { // wild colours, depths and perspective
        float* at[6] = {&sp.color[rng() % 4], &sp.dColor[rng() % 4], &sp.z, &sp.dz, &sp.q, &sp.dq};
        *at[rng() % 6] = Wild(rng);
    }
    if (rng() % 2 == 0) // else the routines settle it themselves
        SettleSpans(st);
    c.color.resize(count);
    c.depth.resize(count);
    for (size_t i = 0; i < count; ++i) {
        c.color[i] = rng() | (st.keepAlpha ? 0xFF000000u : 0u);
        c.depth[i] = static_cast<uint16_t>(rng());
    }
    return c;
}

TEST(SoftSpans, FastRoutinesMatchTheGeneralPathToTheBit) {
    std::vector<SoftShadeFn> routines;
    for (const char* kind : {"avx2", "sse2", "portable"})
        if (SoftShadeFn f = SpanRoutine(kind))
            routines.push_back(f);
    ASSERT_FALSE(routines.empty());
    ASSERT_EQ(SpanRoutine(SpanRoutineKind()) != nullptr, true);
    Rng rng(31);
    for (int trial = 0; trial < 6000; ++trial) {
        Case c = MakeCase(rng, trial % 3 == 0);
        std::vector<std::unique_ptr<Fenced>> fences;
        for (uint32_t st = 0; st < c.st.stageCount; ++st)
            if (c.st.samplers[st].texels) {
                fences.push_back(std::make_unique<Fenced>(c.textures[st], trial % 2 == 0));
                c.st.samplers[st].texels = fences.back()->Data();
            }
        std::vector<uint32_t> wantColor = c.color;
        std::vector<uint16_t> wantDepth = c.depth;
        const auto n = static_cast<int32_t>(c.color.size());
        ShadeSpanReference(c.st, c.span, wantColor.data(), wantDepth.data(), n);
        for (SoftShadeFn shade : routines) {
            std::vector<uint32_t> color = c.color;
            std::vector<uint16_t> depth = c.depth;
            const SoftRow whole{c.span, color.data(), depth.data(), n};
            shade(c.st, &whole, 1);
            size_t at = 0;
            while (at < color.size() && color[at] == wantColor[at] && depth[at] == wantDepth[at])
                ++at;
            ASSERT_EQ(at, color.size())
                << "trial " << trial << ": pixel " << at << " is " << std::hex << color[at] << " / "
                << depth[at] << ", the general path made " << wantColor[at] << " / "
                << wantDepth[at];
            // In two pieces shaded as rows of one batch, the second stepped on
            // from the first's start values, as rows with hidden pixels are
            // shaded: the same pixels.
            const auto cut = static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
            color = c.color;
            depth = c.depth;
            // Another row of the draw, first in the batch, from other start
            // values (white where the first's diffuse colour is not, and the
            // other way), on another texture row, often from the same pixel
            // with another step or length: shaded as on its own.
            SoftSpan other = c.span;
            const bool white = c.span.color[0] == 255.0f && c.span.color[3] == 255.0f;
            for (float& v : other.color)
                v = white ? static_cast<float>(rng() % 256) : 255.0f;
            for (uint32_t st = 0; st < kCombinerStages; ++st) {
                other.uv[st][1] += static_cast<float>(rng() % 64) - 32.0f;
                if (rng() % 2 == 0)
                    other.dUv[st][0] *= 0.5f;
            }
            other.first = rng() % 2 == 0 ? c.span.first : static_cast<int32_t>(rng() % 64);
            const auto otherN = static_cast<int32_t>(rng() % 2 == 0 ? n : 1 + rng() % n);
            std::vector<uint32_t> otherColor = c.color, otherWant = c.color;
            std::vector<uint16_t> otherDepth = c.depth, otherWantDepth = c.depth;
            ShadeSpanReference(c.st, other, otherWant.data(), otherWantDepth.data(), otherN);
            SoftRow rows[3] = {{other, otherColor.data(), otherDepth.data(), otherN},
                               {c.span, color.data(), depth.data(), cut},
                               {c.span, color.data() + cut, depth.data() + cut, n - cut}};
            rows[2].span.first += cut;
            shade(c.st, rows, 3);
            EXPECT_TRUE(color == wantColor && depth == wantDepth)
                << "trial " << trial << " cut " << cut;
            EXPECT_TRUE(otherColor == otherWant && otherDepth == otherWantDepth)
                << "trial " << trial << ", another row";
        }
    }
}

// GLORVANE_SOFT_SPANS chooses a set this processor runs; anything else, or
// nothing, leaves the fastest, and the log line says which and why.
TEST(SoftSpans, TheSettingChoosesASetTheProcessorRuns) {
    std::string line, best = ChooseSpanRoutines(nullptr, &line);
    EXPECT_EQ(line, best + " span routines");
    for (const char* kind : {"avx2", "sse2", "portable", "neon", "AVX2"}) {
        const bool runs = SpanRoutine(kind) != nullptr;
        EXPECT_EQ(ChooseSpanRoutines(kind, &line), runs ? kind : best);
        EXPECT_EQ(line, (runs ? kind : best) + " span routines (GLORVANE_SOFT_SPANS=" + kind +
                            (runs ? ")" : " is not a set this processor runs)"));
    }
    EXPECT_NE(SpanRoutine("portable"), nullptr); // on any processor
}

} // namespace
