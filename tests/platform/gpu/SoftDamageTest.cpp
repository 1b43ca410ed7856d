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
    CheckedScreen screen(kW, kH, 3);
    std::vector<uint32_t>& color = screen.color;
    std::vector<uint16_t>& depth = screen.depth;
    SoftFrames& drawer = screen.frames;
    std::vector<std::string>& reports = screen.reports;
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

    // A large picture swaying over the frame, clear but for one part (a
    // hanging vine): blended over, writing no depth, it changes only the
    // tiles its visible texels reach, whichever way it is turned. 32 texels
    // drawn 128 pixels wide: a part of 8 texels is 32 pixels, and with the
    // tiles either side of it no more than three tiles across; a part at the
    // picture's left or top edge is read with the far edge too, as wrapping
    // would, which leaves a fifth of its 160 x 150 pixels of tiles undrawn.
    struct Vine {
        const char* name;
        bool (*opaque)(int x, int y);
        uint64_t most; // pixels a frame draws
    };
    constexpr uint64_t kFifthLeft = 160 * 150 * 4 / 5;
    for (const Vine& row :
         {Vine{"left quarter", [](int x, int) { return x < 8; }, kFifthLeft},
          Vine{"right quarter", [](int x, int) { return x >= 24; }, 96 * 150},
          Vine{"top quarter", [](int, int y) { return y < 8; }, kFifthLeft},
          Vine{"bottom quarter", [](int, int y) { return y >= 24; }, 96 * 160},
          Vine{"middle band", [](int, int y) { return y >= 12 && y < 20; }, 96 * 160}}) {
        std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> vine(
            SoftTexture::Create(nullptr, 32, 32, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
            [](SoftTexture* t) { t->Release(); });
        {
            LockedRect locked;
            ASSERT_EQ(vine->LockRect(0, &locked, nullptr, 0), kOk);
            auto* bits = static_cast<uint32_t*>(locked.bits);
            for (int i = 0; i < 32 * 32; ++i)
                bits[i] = row.opaque(i % 32, i / 32) ? 0xC0FFFFFFu & static_cast<uint32_t>(rng()) : 0u;
            vine->UnlockRect(0);
        }
        SoftPixelState over = st;
        over.depthTest = over.depthWrite = false;
        const SoftStageTexture vineStage[kCombinerStages] = {
            {vine.get(), true, true, false, false, false}};
        for (int frame = 0; frame < 8; ++frame) {
            std::vector<SoftClipVertex> v = quad({10, 10, 128}, 0.5f);
            for (SoftClipVertex& corner : v) // swayed: sheared a little further each frame
                corner.x += (1 - corner.y) * 0.004f * frame;
            const int32_t all[4] = {0, 0, kW, kH};
            drawer.QueueFill(false, all, all, 0xFF203040u);
            drawer.QueueFill(true, all, all, 0xFFFF);
            const SoftTarget target{color.data(), depth.data(), kW, {0, 0, kW, kH}};
            drawer.Queue(v.data(), 2, over, vineStage, vp, target, Cull::None);
            const uint64_t before = drawer.Damage().DamagedPixels();
            drawFrame(false, changed);
            const uint64_t drawn = drawer.Damage().DamagedPixels() - before;
            if (frame >= 2) { // of the picture's 160 x 150 pixels of tiles
                EXPECT_GT(drawn, 0u) << row.name << ", frame " << frame;
                EXPECT_LE(drawn, row.most) << row.name << ", frame " << frame;
            }
        }
        EXPECT_TRUE(reports.empty()) << row.name << ": " << reports.front();
        reports.clear();
    }
}

// What one frame draws: a colour clear, a smaller one over it, a depth clear
// with a nearer rectangle in it, and a textured quad blended over them under
// an alpha test.
struct FrameInputs {
    SoftPixelState state;
    SoftStageTexture stage;
    Viewport vp{0, 0, 160, 96, 0.0f, 1.0f};
    int32_t clip[4] = {0, 0, 160, 96};
    uint32_t cull = Cull::None;
    uint32_t clearColor = 0xFF203040u;
    int32_t clearRect[4] = {8, 8, 40, 40}; // a second clear, over the first, of another colour
    bool repaint = false; // the texture's texels are written anew
};

// Each input of a tile's signature changed alone between two frames like
// the last: the tiles it reaches are drawn again (the changed region is not
// empty) and the picture is the one drawing whole makes (the check is
// silent). Leaving any one of them out of the signature keeps a tile whose
// pixels change, which the check reports.
TEST(SoftDamage, EachInputOfTheSignatureRedrawsAlone) {
    constexpr int32_t kW = 160, kH = 96;
    std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> texture(
        SoftTexture::Create(nullptr, 16, 16, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
        [](SoftTexture* t) { t->Release(); });
    std::mt19937 rng(23);
    auto paint = [&] {
        LockedRect locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), kOk);
        std::generate_n(static_cast<uint32_t*>(locked.bits), 16 * 16, std::ref(rng));
        texture->UnlockRect(0);
    };
    FrameInputs base;
    base.state = BlendedOverDepth(Top::Modulate, Ta::Texture, Ta::Diffuse);
    base.state.stages[0].colorArg2 = Ta::TFactor; // colour: texels times the factor
    base.state.tfactor = 0xFFC08040u;
    base.state.alphaFunc = Cmp::Greater, base.state.alphaRef = 0x40;
    base.stage = {texture.get(), false, false};
    struct Row {
        const char* name;
        void (*change)(FrameInputs&);
    };
    for (const Row& row : std::initializer_list<Row>{
             {"texture version", [](FrameInputs& in) { in.repaint = true; }},
             {"sampler", [](FrameInputs& in) { in.stage.magLinear = true; }},
             {"stage operation", [](FrameInputs& in) { in.state.stages[0].colorOp = Top::SelectArg1; }},
             {"blend", [](FrameInputs& in) { in.state.blend = false; }},
             {"source blend", [](FrameInputs& in) { in.state.srcBlend = Blend::One; }},
             {"destination blend", [](FrameInputs& in) { in.state.destBlend = Blend::One; }},
             {"depth test", [](FrameInputs& in) { in.state.depthTest = false; }},
             {"depth function", [](FrameInputs& in) { in.state.depthFunc = Cmp::Greater; }},
             {"depth write", [](FrameInputs& in) { in.state.depthWrite = false; }},
             {"alpha test", [](FrameInputs& in) { in.state.alphaFunc = 0; }},
             {"alpha function", [](FrameInputs& in) { in.state.alphaFunc = Cmp::Less; }},
             {"alpha reference", [](FrameInputs& in) { in.state.alphaRef = 0xC0; }},
             {"texture factor", [](FrameInputs& in) { in.state.tfactor = 0xFF40C080u; }},
             {"cull", [](FrameInputs& in) { in.cull = Cull::CW; }},
             {"clip", [](FrameInputs& in) { in.clip[2] = 100; }},
             {"viewport", [](FrameInputs& in) { in.vp.x += 8; }},
             {"clear colour", [](FrameInputs& in) { in.clearColor = 0xFF405060u; }},
             {"clear rectangle", [](FrameInputs& in) { in.clearRect[3] = 44; }},
         }) {
        paint();
        CheckedScreen screen(kW, kH, 1);
        std::vector<uint32_t>& color = screen.color;
        std::vector<uint16_t>& depth = screen.depth;
        SoftFrames& drawer = screen.frames;
        std::vector<std::string>& reports = screen.reports;
        auto drawFrame = [&](const FrameInputs& in, int32_t changed[4]) {
            if (in.repaint)
                paint();
            const int32_t all[4] = {0, 0, kW, kH}, near[4] = {0, 0, kW / 2, kH};
            drawer.QueueFill(false, all, all, 0xFF000000u);
            drawer.QueueFill(false, in.clearRect, in.clearRect, in.clearColor);
            drawer.QueueFill(true, all, all, 0xFFFF);
            drawer.QueueFill(true, near, near, 0x4000); // the quad fails the depth test there
            // A quad over most of the frame, its 16 texels magnified.
            std::vector<SoftClipVertex> v(6);
            const float xs[6] = {0, 1, 1, 0, 1, 0}, ys[6] = {0, 0, 1, 0, 1, 1};
            for (int i = 0; i < 6; ++i) {
                v[i] = SoftClipVertex{};
                v[i].x = -0.9f + 1.8f * xs[i], v[i].y = 0.9f - 1.8f * ys[i];
                v[i].z = 0.5f, v[i].w = 1;
                v[i].color[0] = v[i].color[1] = v[i].color[2] = v[i].color[3] = 220;
                v[i].uv[0][0] = xs[i], v[i].uv[0][1] = ys[i];
            }
            SoftTarget target{color.data(), depth.data(), kW, {in.clip[0], in.clip[1], in.clip[2], in.clip[3]}};
            const SoftStageTexture stages[kCombinerStages] = {in.stage};
            drawer.Queue(v.data(), 2, in.state, stages, in.vp, target, in.cull);
            // What the tracker tells before drawing is what the frame draws.
            const std::vector<SoftBox> asked = drawer.Damage().Damaged();
            drawer.FlushFrame(changed);
            SoftBox bounds{0, 0, 0, 0};
            for (const SoftBox& b : asked)
                bounds = bounds[0] < bounds[2] ? SoftBox{std::min(bounds[0], b[0]), std::min(bounds[1], b[1]),
                                                         std::max(bounds[2], b[2]), std::max(bounds[3], b[3])}
                                               : b;
            if (changed[2] - changed[0] < kW) // (a whole frame is drawn whole)
                EXPECT_EQ(bounds, (SoftBox{changed[0], changed[1], changed[2], changed[3]}));
        };
        int32_t changed[4];
        for (int frame = 0; frame < 3; ++frame)
            drawFrame(base, changed);
        EXPECT_GE(changed[0], changed[2]) << row.name << ": a frame like the last drew";
        FrameInputs next = base;
        row.change(next);
        drawFrame(next, changed);
        EXPECT_LT(changed[0], changed[2]) << row.name << ": nothing drawn again";
        EXPECT_TRUE(reports.empty()) << row.name << ": " << reports.front();
    }
}

// Frames the signatures alone cannot tell apart. A reset (the buffer lost
// what it held) followed by a frame like the last presents the whole
// picture. A frame that does not clear depth, whose depth-tested draw lies
// under a covering depth writer that moves, draws the tile again: the test
// reads what the writer left in the last frame. An opaque quad whose corner
// crosses a tile's corner an eighth of a pixel a frame, over a glow that
// turns, keeps only the tiles it covers whole.
TEST(SoftDamage, FramesAlikeInSignatureDrawWhatTheyMust) {
    constexpr int32_t kW = 128, kH = 96;
    CheckedScreen screen(kW, kH, 1);
    std::vector<uint32_t>& color = screen.color;
    std::vector<uint16_t>& depth = screen.depth;
    SoftFrames& drawer = screen.frames;
    std::vector<std::string>& reports = screen.reports;
    const Viewport vp{0, 0, kW, kH, 0.0f, 1.0f};
    const SoftTarget target{color.data(), depth.data(), kW, {0, 0, kW, kH}};
    const SoftStageTexture stages[kCombinerStages];
    // A quad of window corners (x0, y0) to (x1, y1), at depth z, of one colour.
    auto quad = [&](double x0, double y0, double x1, double y1, float z, float a) {
        std::vector<SoftClipVertex> v(6);
        const int xs[6] = {0, 1, 1, 0, 1, 0}, ys[6] = {0, 0, 1, 0, 1, 1};
        for (int i = 0; i < 6; ++i) {
            v[i] = SoftClipVertex{};
            v[i].x = static_cast<float>((xs[i] ? x1 : x0) / kW * 2 - 1);
            v[i].y = static_cast<float>(1 - (ys[i] ? y1 : y0) / kH * 2);
            v[i].z = z, v[i].w = 1;
            v[i].color[0] = 250, v[i].color[1] = 120 + 100 * z, v[i].color[2] = 30;
            v[i].color[3] = a;
        }
        return v;
    };
    const int32_t all[4] = {0, 0, kW, kH};
    int32_t changed[4];

    // A reset, then the same frame again.
    SoftPixelState flat = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
    flat.blend = flat.depthTest = flat.depthWrite = false;
    auto still = [&] {
        drawer.QueueFill(false, all, all, 0xFF102030u);
        const std::vector<SoftClipVertex> v = quad(20, 20, 60, 50, 0.5f, 255);
        drawer.Queue(v.data(), 2, flat, stages, vp, target, Cull::None);
        drawer.FlushFrame(changed);
    };
    still();
    still();
    EXPECT_GE(changed[0], changed[2]) << "a still frame drew";
    drawer.Damage().Invalidate();
    still();
    EXPECT_EQ(std::vector<int32_t>(changed, changed + 4), std::vector<int32_t>(all, all + 4))
        << "after a reset";

    // Depth kept from frame to frame: a colour clear alone, a depth-tested
    // draw, then a writer of depth that leaves colour as it is (zero alpha,
    // blended) over the whole frame, its depth changing once.
    SoftPixelState tested = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
    tested.blend = false;
    tested.depthWrite = false;
    SoftPixelState writer = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
    writer.depthTest = false;
    auto kept = [&](float writerZ) {
        drawer.QueueFill(false, all, all, 0xFF102030u);
        const std::vector<SoftClipVertex> t = quad(10, 10, 70, 60, 0.5f, 255);
        drawer.Queue(t.data(), 2, tested, stages, vp, target, Cull::None);
        const std::vector<SoftClipVertex> w = quad(-4, -4, kW + 4, kH + 4, writerZ, 0);
        drawer.Queue(w.data(), 2, writer, stages, vp, target, Cull::None);
        drawer.FlushFrame(changed);
    };
    kept(0.7f);
    kept(0.7f);
    kept(0.3f); // the tested draw still passes: it read 0.7
    kept(0.3f); // now it fails where it passed
    EXPECT_LT(changed[0], changed[2]) << "a draw testing last frame's depth was kept";
    EXPECT_TRUE(reports.empty()) << reports.front();
    reports.clear();

    // An opaque edge crossing a tile's corner (64, 32) in eighths of a pixel,
    // each step held for two frames while the glow below changes colour: a
    // tile the quad is taken to cover whole is kept in the second.
    SoftPixelState glow = flat;
    glow.blend = true;
    for (int frame = 0; frame < 50; ++frame) {
        const int step = frame / 2;
        drawer.QueueFill(false, all, all, 0xFF102030u);
        // (its colour, told by its depth, changes each frame)
        const std::vector<SoftClipVertex> g = quad(40, 10, 100, 70, 0.3f + 0.01f * frame, 128);
        drawer.Queue(g.data(), 2, glow, stages, vp, target, Cull::None);
        const double at = 62.5 + step / 8.0; // the quad's right and bottom edges
        const std::vector<SoftClipVertex> o = quad(-3, -3, at, at - 32, 0.4f, 255);
        drawer.Queue(o.data(), 2, flat, stages, vp, target, Cull::None);
        drawer.FlushFrame(changed);
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
