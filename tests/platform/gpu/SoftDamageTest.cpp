// Drawing by damage: frames queued on bands and drawn where they may differ
// from the last, with the check that draws each whole too and compares.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "SoftFixture.h"
#include "platform/gpu/soft/SoftResources.h"

namespace {

using namespace gpu;

// Frames drawn by damage with the check on, which draws each one whole too and
// compares: sprites that stay, move, change texture, come under hidden
// rectangles, or blend over a picture no clear resets. No frame differs, and
// the frames that change little draw little. A texture whose texels change
// without a new version is the fault the check exists for: it names the frame.
TEST(SoftDamage, DrawsWhatDrawingWholeDraws) {
    constexpr int32_t kW = 260, kH = 150;
    std::vector<uint32_t> color(static_cast<size_t>(kW) * kH, 0xFF000000u);
    std::vector<uint16_t> depth(color.size(), 0xFFFF);
    SoftFrames drawer(3);
    drawer.SetTarget(color.data(), depth.data(), kW, kH);
    drawer.Damage().SetDamage(true, true);
    std::vector<std::string> reports;
    drawer.Damage().OnMismatch([&](const std::string& r) { reports.push_back(r); });
    std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> texture(
        SoftTexture::Create(nullptr, 16, 16, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
        [](SoftTexture* t) { t->Release(); });
    std::mt19937 rng(5);
    auto paint = [&] {
        LockedRect locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), kOk);
        std::generate_n(static_cast<uint32_t*>(locked.bits), 16 * 16, std::ref(rng));
        texture->UnlockRect(0);
    };
    paint();
    const SoftStageTexture stages[kCombinerStages] = {{texture.get(), true, true}};
    const SoftPixelState st = BlendedOverDepth(Top::Modulate, Ta::Texture, Ta::Diffuse);
    const Viewport vp{0, 0, kW, kH, 0.0f, 1.0f};
    // Sprites as quads of two triangles: x, y, size in pixels.
    std::vector<std::array<float, 3>> sprites;
    for (int i = 0; i < 12; ++i)
        sprites.push_back({static_cast<float>(rng() % kW), static_cast<float>(rng() % kH),
                           static_cast<float>(8 + rng() % 40)});
    auto quad = [&](const std::array<float, 3>& s, float z) {
        std::vector<SoftClipVertex> v(6);
        const float xs[6] = {0, 1, 1, 0, 1, 0}, ys[6] = {0, 0, 1, 0, 1, 1};
        for (int i = 0; i < 6; ++i) {
            v[i] = SoftClipVertex{};
            v[i].x = (s[0] + xs[i] * s[2]) / kW * 2 - 1;
            v[i].y = 1 - (s[1] + ys[i] * s[2]) / kH * 2;
            v[i].z = z, v[i].w = 1;
            v[i].color[0] = v[i].color[1] = v[i].color[2] = v[i].color[3] = 200;
            v[i].uv[0][0] = xs[i], v[i].uv[0][1] = ys[i];
        }
        return v;
    };
    SoftRowMask mask;
    // Draws a frame; `changed` gets what it may have changed.
    auto drawFrame = [&](bool clear, int32_t changed[4]) {
        if (clear) {
            const int32_t all[4] = {0, 0, kW, kH};
            drawer.QueueFill(false, all, all, 0xFF203040u);
            drawer.QueueFill(true, all, all, 0xFFFF);
        }
        SoftTarget target{color.data(), depth.data(), kW, {0, 0, kW, kH}};
        target.hidden = mask.Empty() ? nullptr : &mask;
        for (size_t i = 0; i < sprites.size(); ++i) {
            const std::vector<SoftClipVertex> v = quad(sprites[i], 0.9f - 0.05f * i);
            drawer.Queue(v.data(), 2, st, stages, vp, target, Cull::None);
        }
        drawer.FlushFrame(changed);
    };
    uint64_t quiet = 0; // pixels drawn by the frames that change nothing
    for (int frame = 0; frame < 24; ++frame) {
        // 0: a sprite moves, 1: texels, 2: hidden pixels, 3: nothing, 4 and 5: no clear
        const int change = frame % 6;
        if (change == 0)
            sprites[rng() % sprites.size()][0] += 3;
        if (change == 1)
            paint();
        if (change == 2) {
            const Rect r{static_cast<int32_t>(rng() % kW), 10, kW, 60};
            mask.Set(&r, 1);
        }
        const uint64_t before = drawer.Damage().DamagedPixels();
        int32_t changed[4];
        drawFrame(change < 4, changed);
        if (change == 3) {
            quiet += drawer.Damage().DamagedPixels() - before;
            EXPECT_GE(changed[0], changed[2]) << "frame " << frame;
        }
        if (change == 2) { // hidden pixels moved within rows 10 to 60: only the tiles there
            EXPECT_LE(changed[3], 64) << "frame " << frame;
        }
    }
    EXPECT_TRUE(reports.empty()) << reports.front();
    EXPECT_EQ(quiet, 0u);
    // The planted fault: texels written behind the version's back.
    int32_t changed[4];
    drawFrame(true, changed);
    auto& texels = const_cast<SoftLevel&>(texture->Level(0)).argb;
    std::fill(texels.begin(), texels.end(), 0xFFFF00FFu);
    drawFrame(true, changed);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("frame 25 differs"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("draw of 2 triangles"), std::string::npos) << reports[0];

    // Frames whose colour (and depth) a quad drawn over everything decides, no
    // clear: when nothing changes, a quad that writes every pixel of a tile
    // without reading it keeps the tile, whatever moves under it; one that
    // blends, is alpha tested, leaves a strip of the window or depth
    // undecided, draws it again.
    enum Glow { kNoGlow, kGlow, kGlowWritingDepth }; // a glow turning under the quad
    struct Backdrop {
        const char* name;
        bool blend, opaqueTexels, writesDepth, fillsDepth;
        uint32_t alphaFunc;
        float size; // the quad's, from (-20, -20)
        bool keeps;
        Glow glow = kNoGlow;
    };
    mask.Set(nullptr, 0);
    reports.clear();
    paint();
    for (const Backdrop b :
         {Backdrop{"opaque", false, false, false, true, 0, 300, true},
          Backdrop{"opaque writing depth", false, false, true, false, 0, 300, true},
          Backdrop{"opaque over old depth", false, false, false, false, 0, 300, false},
          Backdrop{"blended", true, false, false, true, 0, 300, false},
          Backdrop{"blended, opaque texels", true, true, false, true, 0, 300, true},
          Backdrop{"alpha tested", false, false, false, true, Cmp::Greater, 300, false},
          Backdrop{"alpha tested, opaque texels", false, true, false, true, Cmp::Greater, 300, true},
          Backdrop{"partly covering", false, false, false, true, 0, 180, false},
          Backdrop{"opaque over a glow", false, false, false, true, 0, 300, true, kGlow},
          Backdrop{"partly covering a glow", false, false, false, true, 0, 180, false, kGlow},
          Backdrop{"opaque over a glow writing depth", false, false, false, true, 0, 300, false,
                   kGlowWritingDepth},
          Backdrop{"opaque writing depth over a glow writing depth", false, false, true, true, 0,
                   300, true, kGlowWritingDepth}}) {
        if (b.opaqueTexels) {
            LockedRect locked;
            ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), kOk);
            auto* bits = static_cast<uint32_t*>(locked.bits);
            std::for_each(bits, bits + 16 * 16, [](uint32_t& t) { t |= 0xFF000000u; });
            texture->UnlockRect(0);
        }
        SoftPixelState under = st;
        under.blend = b.blend;
        under.alphaFunc = b.alphaFunc, under.alphaRef = 128;
        under.depthTest = false, under.depthWrite = b.writesDepth;
        std::vector<SoftClipVertex> v = quad({-20, -20, b.size}, 0.95f);
        for (SoftClipVertex& corner : v)
            corner.color[3] = 255;
        float turn = 0;
        auto drawOver = [&] {
            if (b.fillsDepth) {
                const int32_t all[4] = {0, 0, kW, kH};
                drawer.QueueFill(true, all, all, 0xFFFF);
            }
            const SoftTarget target{color.data(), depth.data(), kW, {0, 0, kW, kH}};
            if (b.glow != kNoGlow) {
                SoftPixelState glow = st;
                glow.depthTest = false, glow.depthWrite = b.glow == kGlowWritingDepth;
                turn += 1.5f;
                const std::vector<SoftClipVertex> g = quad({20 + turn, 10, 120}, 0.5f);
                drawer.Queue(g.data(), 2, glow, stages, vp, target, Cull::None);
            }
            drawer.Queue(v.data(), 2, under, stages, vp, target, Cull::CCW);
            const uint64_t before = drawer.Damage().DamagedPixels();
            drawFrame(false, changed);
            return drawer.Damage().DamagedPixels() - before;
        };
        drawOver();
        drawOver();
        const uint64_t quietPixels = drawOver();
        EXPECT_EQ(quietPixels == 0, b.keeps) << b.name << ": " << quietPixels;
        if (!b.keeps)
            continue;
        std::fill(texels.begin(), texels.end(), 0xFF00FF00u);
        drawOver();
        EXPECT_EQ(reports.size(), 1u) << b.name << ": a texel change not caught";
        reports.clear();
        paint(); // a change the draws tell: drawn again
        EXPECT_GT(drawOver(), 0u) << b.name;
    }

    // A large picture swaying over the frame, clear but for its right
    // quarter (a hanging vine): blended over, writing no depth, it changes
    // only the tiles its visible texels reach, whichever way it is turned.
    std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> vine(
        SoftTexture::Create(nullptr, 32, 32, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
        [](SoftTexture* t) { t->Release(); });
    {
        LockedRect locked;
        ASSERT_EQ(vine->LockRect(0, &locked, nullptr, 0), kOk);
        auto* bits = static_cast<uint32_t*>(locked.bits);
        for (int i = 0; i < 32 * 32; ++i)
            bits[i] = i % 32 >= 24 ? 0xC0FFFFFFu & static_cast<uint32_t>(rng()) : 0u;
        vine->UnlockRect(0);
    }
    SoftPixelState over = st;
    over.depthTest = over.depthWrite = false;
    const SoftStageTexture vineStage[kCombinerStages] = {{vine.get(), true, true, false, false, false}};
    for (int frame = 0; frame < 8; ++frame) {
        std::vector<SoftClipVertex> v = quad({10, 10, 128}, 0.5f);
        for (SoftClipVertex& corner : v) // swayed: sheared a little further each frame
            corner.x += (1 - corner.y) * 0.004f * frame;
        const int32_t all[4] = {0, 0, kW, kH};
        drawer.QueueFill(false, all, all, 0xFF203040u);
        drawer.QueueFill(true, all, all, 0xFFFF);
        const SoftTarget target{color.data(), depth.data(), kW, {0, 0, kW, kH}};
        drawer.Queue(v.data(), 2, over, vineStage, vp, target, Cull::None);
        drawFrame(false, changed);
        if (frame >= 2) { // its right quarter and the tiles either side of it
            EXPECT_LE(changed[2] - changed[0], 96) << "frame " << frame << ": " << changed[0]
                                                   << " to " << changed[2];
        }
    }
    EXPECT_TRUE(reports.empty()) << reports.front();
}

// Showing what redraws: the tiles a frame draws are tinted, the rest are
// what drawing whole leaves, and the next frame like it takes the tint off
// (and says so among the causes), after which nothing is drawn.
TEST(SoftDamage, ShowTintsTheTilesAFrameDraws) {
    constexpr int32_t kW = 128, kH = 96;
    struct Screen {
        std::vector<uint32_t> color = std::vector<uint32_t>(static_cast<size_t>(kW) * kH, 0xFF000000u);
        std::vector<uint16_t> depth = std::vector<uint16_t>(color.size(), 0xFFFF);
        SoftFrames frames{1};
    };
    Screen shown, plain;
    for (Screen* s : {&shown, &plain}) {
        s->frames.SetTarget(s->color.data(), s->depth.data(), kW, kH);
        s->frames.Damage().SetShow(s == &shown);
    }
    SoftPixelState st = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
    st.blend = st.depthTest = st.depthWrite = false;
    const SoftStageTexture stages[kCombinerStages];
    const Viewport vp{0, 0, kW, kH, 0.0f, 1.0f};
    auto frame = [&](Screen& s, float x, int32_t changed[4]) {
        const int32_t all[4] = {0, 0, kW, kH};
        s.frames.QueueFill(false, all, all, 0xFF336699u);
        std::vector<SoftClipVertex> v(6);
        const float xs[6] = {0, 1, 1, 0, 1, 0}, ys[6] = {0, 0, 1, 0, 1, 1};
        for (int i = 0; i < 6; ++i) {
            v[i] = SoftClipVertex{};
            v[i].x = (x + 20 * xs[i]) / kW * 2 - 1, v[i].y = 1 - (40 + 20 * ys[i]) / kH * 2;
            v[i].z = 0.5f, v[i].w = 1;
            v[i].color[0] = 240, v[i].color[1] = 200, v[i].color[2] = 20, v[i].color[3] = 255;
        }
        const SoftTarget target{s.color.data(), s.depth.data(), kW, {0, 0, kW, kH}};
        s.frames.Queue(v.data(), 2, st, stages, vp, target, Cull::None);
        s.frames.FlushFrame(changed);
    };
    const float xs[6] = {10, 10, 10, 70, 70, 70}; // the quad moves in the fourth frame
    DrawnTiles before{};
    for (int f = 0; f < 6; ++f) {
        int32_t changed[4], ignored[4];
        frame(plain, xs[f], ignored);
        frame(shown, xs[f], changed);
        const DrawnTiles drawn = shown.frames.Damage().TilesDrawn();
        size_t tinted = 0, kept = 0;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const size_t i = static_cast<size_t>(y) * kW + x;
                const bool inside = x >= changed[0] && x < changed[2] && y >= changed[1] && y < changed[3];
                const bool tint = inside && (f == 0 || f == 3);
                ASSERT_EQ(shown.color[i], tint ? SoftDamage::Tint(plain.color[i]) : plain.color[i])
                    << "frame " << f << " pixel " << x << "," << y;
                tinted += tint, kept += !inside;
            }
        if (f == 3) { // the tiles the quad left and reached
            EXPECT_GT(tinted, 0u);
            EXPECT_GT(kept, 0u);
            EXPECT_GT(drawn[kDrawnChanged], before[kDrawnChanged]);
        }
        if (f == 4) { // drawn again untinted, for the tint alone
            EXPECT_LT(changed[0], changed[2]);
            EXPECT_EQ(drawn[kDrawnTinted] - before[kDrawnTinted], static_cast<uint64_t>(
                (changed[2] - changed[0] + 31) / 32 * ((changed[3] - changed[1] + 31) / 32)));
            EXPECT_EQ(drawn[kDrawnChanged], before[kDrawnChanged]);
        }
        if (f == 5)
            EXPECT_GE(changed[0], changed[2]) << "still drawn";
        before = drawn;
    }
    EXPECT_EQ(before[kWholeSwitched] + before[kWholeFirst], 12u) << "the first frame, whole";
}

} // namespace
