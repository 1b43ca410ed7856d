// Pixels every back end that draws produces for the state combinations the game uses.
#include "DeviceFixture.h"

namespace gltest {
namespace {

using namespace gpu;

// A pattern where every texel differs clearly from its neighbours.
uint32_t Pattern(uint32_t x, uint32_t y) {
    uint32_t h = (x * 73856093u) ^ (y * 19349663u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return 0xFF000000u | (h & 0x00FFFFFFu);
}

class BackEndDraw : public DeviceFixture {};

TEST_P(BackEndDraw, TextureDrawnOneToOneLandsTexelExact) {
    // The loading screen: a 1024x1024 picture whose top three quarters fill the
    // screen, with the game's half-pixel quad edges and linear filtering.
    Texture* t = MakeTexture(1024, 1024, Pattern);
    ClearAll(0xFF000000);
    dev_->SetTexture(0, t);
    for (uint32_t filter : {Tf::Linear, Tf::Point}) {
        SCOPED_TRACE(filter);
        Filter(0, filter, Tf::Point);
        ASSERT_EQ(Draw({{0, 0, 1024, 768, 0xFFFFFFFF, 0, 0, 0, 1, 0.75f}}), kOk);
        Read();
        int bad = 0;
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW; ++x)
                if (Px(static_cast<int>(x), static_cast<int>(y)) != Pattern(x, y) && ++bad <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": "
                                  << Near(Px(static_cast<int>(x), static_cast<int>(y)),
                                          Pattern(x, y), 0)
                                         .message();
        EXPECT_EQ(bad, 0);
    }
}

TEST_P(BackEndDraw, SmallQuadCoversExactlyItsPixels) {
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{10, 20, 13, 22, 0xFFFFFFFF}}), kOk);
    Read();
    for (int y = 18; y < 24; ++y)
        for (int x = 8; x < 15; ++x) {
            bool inside = x >= 10 && x < 13 && y >= 20 && y < 22;
            EXPECT_EQ(Px(x, y), inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

TEST_P(BackEndDraw, BlendPairsOfTheGame) {
    struct Case {
        uint32_t src, dst;
        // expected channel from source s, its alpha sa and destination d (0..255)
        int (*f)(int s, int sa, int d);
    };
    const Case cases[] = {
        {Blend::SrcAlpha, Blend::InvSrcAlpha,
         [](int s, int sa, int d) { return (s * sa + d * (255 - sa)) / 255; }},
        {Blend::SrcAlpha, Blend::One,
         [](int s, int sa, int d) { return std::min(255, s * sa / 255 + d); }},
        {Blend::Zero, Blend::InvSrcColor, [](int s, int, int d) { return d * (255 - s) / 255; }},
        {Blend::DestColor, Blend::Zero, [](int s, int, int d) { return s * d / 255; }},
        {Blend::DestColor, Blend::One,
         [](int s, int, int d) { return std::min(255, s * d / 255 + d); }},
        {Blend::One, Blend::InvSrcColor,
         [](int s, int, int d) { return std::min(255, s + d * (255 - s) / 255); }},
    };
    const uint32_t dest = 0xFF40A0C0, src = 0x99F06010;
    Rs(Rs::AlphaBlendEnable, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "blend " << c.src << "," << c.dst);
        ClearAll(dest);
        Rs(Rs::SrcBlend, c.src);
        Rs(Rs::DestBlend, c.dst);
        ASSERT_EQ(Draw({{100, 100, 140, 140, src}}), kOk);
        Read();
        int sa = A(src);
        uint32_t want =
            Argb(255, c.f(R(src), sa, R(dest)), c.f(G(src), sa, G(dest)), c.f(B(src), sa, B(dest)));
        EXPECT_TRUE(Near(Px(120, 120), want, 2, false));
        EXPECT_EQ(Px(99, 120), dest); // untouched outside
    }
}

TEST_P(BackEndDraw, AlphaTestGreaterAgainstTheGameReferences) {
    const uint32_t alphas[] = {0, 1, 2, 127, 128, 129, 255};
    Rs(Rs::AlphaTestEnable, 1);
    Rs(Rs::AlphaFunc, Cmp::Greater);
    for (uint32_t ref : {0u, 1u, 128u}) {
        SCOPED_TRACE(ref);
        Rs(Rs::AlphaRef, ref);
        ClearAll(0xFF000000);
        std::vector<Quad> quads;
        for (int i = 0; i < 7; ++i)
            quads.push_back({i * 20, 0, i * 20 + 10, 10, Argb(alphas[i], 255, 255, 255)});
        ASSERT_EQ(Draw(quads), kOk);
        Read();
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(Px(i * 20 + 5, 5) == 0xFFFFFFFFu, alphas[i] > ref) << "alpha " << alphas[i];
    }
}

TEST_P(BackEndDraw, AlphaTestUsesTheCombinedAlpha) {
    // Texture alpha 128 modulated by an opaque diffuse stays 128: not greater than 128.
    Texture* t =
        MakeTexture(2, 1, [](uint32_t x, uint32_t) { return x == 0 ? 0x80FFFFFFu : 0x81FFFFFFu; });
    dev_->SetTexture(0, t);
    Rs(Rs::AlphaTestEnable, 1);
    Rs(Rs::AlphaFunc, Cmp::Greater);
    Rs(Rs::AlphaRef, 0x80);
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{0, 0, 2, 1, 0xFFFFFFFF}}), kOk);
    Read();
    EXPECT_EQ(Px(0, 0), 0xFF000000u);
    EXPECT_EQ(Px(1, 0), 0xFFFFFFFFu);
}

TEST_P(BackEndDraw, AlphaTestCompareFunctions) {
    Rs(Rs::AlphaTestEnable, 1);
    Rs(Rs::AlphaRef, 100);
    const uint32_t alphas[] = {99, 100, 101};
    const struct {
        uint32_t func;
        bool pass[3];
    } cases[] = {{Cmp::Never, {false, false, false}},      {Cmp::Less, {true, false, false}},
                 {Cmp::Equal, {false, true, false}},       {Cmp::LessEqual, {true, true, false}},
                 {Cmp::Greater, {false, false, true}},     {Cmp::NotEqual, {true, false, true}},
                 {Cmp::GreaterEqual, {false, true, true}}, {Cmp::Always, {true, true, true}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.func);
        Rs(Rs::AlphaFunc, c.func);
        ClearAll(0xFF000000);
        ASSERT_EQ(Draw({{0, 0, 4, 4, Argb(alphas[0], 255, 255, 255)},
                        {10, 0, 14, 4, Argb(alphas[1], 255, 255, 255)},
                        {20, 0, 24, 4, Argb(alphas[2], 255, 255, 255)}}),
                  kOk);
        Read();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Px(i * 10 + 2, 2) == 0xFFFFFFFFu, c.pass[i]) << alphas[i];
    }
    // Switched off, nothing is discarded whatever the function says.
    Rs(Rs::AlphaFunc, Cmp::Never);
    Rs(Rs::AlphaTestEnable, 0);
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{0, 0, 4, 4, 0x00FFFFFF}}), kOk);
    Read();
    EXPECT_EQ(Px(2, 2), 0xFFFFFFFFu);
}

TEST_P(BackEndDraw, DepthTestAndDepthWrite) {
    const uint32_t red = 0xFFFF0000, green = 0xFF00FF00;
    auto frame = [&](uint32_t zwriteFirst, uint32_t zenable, uint32_t zfunc, float zSecond) {
        ClearAll(0xFF000000);
        Rs(Rs::ZEnable, 1);
        Rs(Rs::ZFunc, Cmp::LessEqual);
        Rs(Rs::ZWriteEnable, zwriteFirst);
        EXPECT_EQ(Draw({{0, 0, 50, 50, red, 0.0f}}), kOk);
        Rs(Rs::ZWriteEnable, 1);
        Rs(Rs::ZEnable, zenable);
        Rs(Rs::ZFunc, zfunc);
        EXPECT_EQ(Draw({{25, 25, 75, 75, green, zSecond}}), kOk);
        Read();
        return Px(30, 30);
    };
    // Smaller z is nearer.
    EXPECT_EQ(frame(1, 1, Cmp::LessEqual, 100.0f), red) << "farther quad must be hidden";
    EXPECT_EQ(frame(1, 1, Cmp::LessEqual, -100.0f), green) << "nearer quad must show";
    EXPECT_EQ(frame(1, 1, Cmp::LessEqual, 0.0f), green) << "equal depth passes LESSEQUAL";
    EXPECT_EQ(frame(1, 1, Cmp::Less, 0.0f), red) << "equal depth fails LESS";
    EXPECT_EQ(frame(0, 1, Cmp::LessEqual, 100.0f), green) << "first quad wrote no depth";
    EXPECT_EQ(frame(1, 0, Cmp::LessEqual, 100.0f), green) << "depth test off";
    EXPECT_EQ(frame(1, 1, Cmp::Always, 100.0f), green) << "ALWAYS";
    EXPECT_EQ(Px(60, 60), green);
}

TEST_P(BackEndDraw, StageCombinationsOnTwoStages) {
    // Back buffer with alpha, so the combined alpha can be read back.
    Close();
    Open(kW, kH, Fmt::A8R8G8B8);
    const uint32_t t0c = 0x80FF8040, t1c = 0xC0204080, diffuse = 0x40808080;
    Texture* t0 = MakeTexture(1, 1, [&](uint32_t, uint32_t) { return t0c; });
    Texture* t1 = MakeTexture(1, 1, [&](uint32_t, uint32_t) { return t1c; });
    dev_->SetTexture(0, t0);
    dev_->SetTexture(1, t1);
    auto mul = [](uint32_t a, uint32_t b) {
        return Argb(A(a) * A(b) / 255, R(a) * R(b) / 255, G(a) * G(b) / 255, B(a) * B(b) / 255);
    };
    struct Case {
        const char* name;
        uint32_t op0, a01, a02, op1, a11, a12; // colour and alpha set alike
        uint32_t want;
    };
    const Case cases[] = {
        {"tex*diffuse", Top::Modulate, Ta::Texture, Ta::Diffuse, Top::Disable, 0, 0,
         mul(t0c, diffuse)},
        {"select texture", Top::SelectArg1, Ta::Texture, Ta::Diffuse, Top::Disable, 0, 0, t0c},
        {"select diffuse", Top::SelectArg2, Ta::Texture, Ta::Diffuse, Top::Disable, 0, 0, diffuse},
        {"stage 0 current is diffuse", Top::SelectArg1, Ta::Current, Ta::Texture, Top::Disable, 0,
         0, diffuse},
        {"stage 1 modulates current", Top::SelectArg1, Ta::Diffuse, Ta::Texture, Top::Modulate,
         Ta::Texture, Ta::Current, mul(t1c, diffuse)},
        {"stage 1 selects current", Top::Modulate, Ta::Texture, Ta::Diffuse, Top::SelectArg2,
         Ta::Texture, Ta::Current, mul(t0c, diffuse)},
        {"stage 1 selects its texture", Top::Modulate, Ta::Texture, Ta::Diffuse, Top::SelectArg1,
         Ta::Texture, Ta::Current, t1c},
        {"stage 1 reads diffuse", Top::SelectArg1, Ta::Texture, Ta::Diffuse, Top::Modulate,
         Ta::Current, Ta::Diffuse, mul(t0c, diffuse)},
        {"stage 0 disabled gives diffuse", Top::Disable, Ta::Texture, Ta::Diffuse, Top::SelectArg1,
         Ta::Texture, Ta::Current, diffuse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage(0, c.op0, c.a01, c.a02);
        StageAlpha(0, c.op0, c.a01, c.a02);
        Stage(1, c.op1, c.a11, c.a12);
        StageAlpha(1, c.op1, c.a11, c.a12);
        ClearAll(0x00000000);
        ASSERT_EQ(Draw({{0, 0, 8, 8, diffuse}}), kOk);
        Read();
        EXPECT_TRUE(Near(Px(4, 4), c.want, 1));
    }
    // Colour and alpha choose independently: colour from the texture, alpha from diffuse.
    Stage(0, Top::SelectArg1, Ta::Texture, Ta::Diffuse);
    StageAlpha(0, Top::SelectArg2, Ta::Texture, Ta::Diffuse);
    Stage(1, Top::Disable, Ta::Texture, Ta::Current);
    ClearAll(0x00000000);
    ASSERT_EQ(Draw({{0, 0, 8, 8, diffuse}}), kOk);
    Read();
    EXPECT_TRUE(Near(Px(4, 4), (t0c & 0x00FFFFFF) | (diffuse & 0xFF000000), 1));
}

TEST_P(BackEndDraw, SecondStageSamplesTheTexCoordSetItNames) {
    Texture* t0 = MakeTexture(2, 1, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; });
    Texture* t1 =
        MakeTexture(2, 1, [](uint32_t x, uint32_t) { return x ? 0xFF0000FFu : 0xFFFF0000u; });
    dev_->SetTexture(0, t0);
    dev_->SetTexture(1, t1);
    Stage(1, Top::Modulate, Ta::Texture, Ta::Current);
    StageAlpha(1, Top::Disable, Ta::Texture, Ta::Current);
    // Set 0 runs u over the whole texture; set 1 holds u at the left texel.
    uint8_t* vp = nullptr;
    uint8_t* ip = nullptr;
    vb_->Lock(0, 4 * 32, &vp, Lock::Discard);
    auto* v = reinterpret_cast<Vertex*>(vp);
    QuadVertices({0, 0, 2, 1, 0xFFFFFFFF}, v);
    for (int i = 0; i < 4; ++i)
        v[i].u1 = 0.25f;
    vb_->Unlock();
    ib_->Lock(0, 12, &ip, Lock::Discard);
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(ip, idx, sizeof(idx));
    ib_->Unlock();
    for (uint32_t set : {0u, 1u}) {
        dev_->SetTextureStageState(1, Tss::TexCoordIndex, set);
        ClearAll(0xFF000000);
        ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kOk);
        Read();
        EXPECT_EQ(Px(0, 0), 0xFFFF0000u) << "set " << set;
        EXPECT_EQ(Px(1, 0), set == 0 ? 0xFF0000FFu : 0xFFFF0000u) << "set " << set;
    }
}

TEST_P(BackEndDraw, VertexColourByteOrder) {
    Close();
    Open(kW, kH, Fmt::A8R8G8B8);
    Stage(0, Top::SelectArg2, Ta::Texture, Ta::Diffuse);
    StageAlpha(0, Top::SelectArg2, Ta::Texture, Ta::Diffuse);
    ClearAll(0);
    ASSERT_EQ(Draw({{0, 0, 4, 4, 0x80FF4020}, {4, 0, 8, 4, 0xFF0000FF}}), kOk);
    Read();
    EXPECT_EQ(Px(1, 1), 0x80FF4020u);
    EXPECT_EQ(Px(5, 1), 0xFF0000FFu);
}

TEST_P(BackEndDraw, UntexturedModulatingStageIsWhite) {
    ClearAll(0xFF000000);
    dev_->SetTexture(0, nullptr);
    ASSERT_EQ(Draw({{0, 0, 4, 4, 0xFF336699}}), kOk);
    Read();
    EXPECT_EQ(Px(2, 2), 0xFF336699u);
}

TEST_P(BackEndDraw, TextureFormatsExpandByReplication) {
    struct Case {
        uint32_t format, packed, want;
    };
    const Case cases[] = {
        {Fmt::A4R4G4B4, 0xF84C, 0xFF8844CC},
        {Fmt::R5G6B5, 0xF81F, 0xFFFF00FF},
        {Fmt::R5G6B5, 0x0861, 0xFF080C08},
        {Fmt::A1R5G5B5, 0x7C00, 0x00FF0000},
    };
    Close();
    Open(kW, kH, Fmt::A8R8G8B8);
    Stage(0, Top::SelectArg1, Ta::Texture, Ta::Diffuse);
    StageAlpha(0, Top::SelectArg1, Ta::Texture, Ta::Diffuse);
    for (const Case& c : cases) {
        Texture* t = MakeTexture(
            1, 1, [&](uint32_t, uint32_t) { return c.packed; }, c.format);
        dev_->SetTexture(0, t);
        ClearAll(0);
        ASSERT_EQ(Draw({{0, 0, 2, 2}}), kOk);
        Read();
        EXPECT_EQ(Px(1, 1), c.want) << "format " << c.format;
    }
}

TEST_P(BackEndDraw, CullModesFollowClockwiseFrontFaces) {
    struct Case {
        uint32_t cull;
        bool reversed, visible;
    };
    const Case cases[] = {{Cull::None, false, true}, {Cull::None, true, true},
                          {Cull::CCW, false, true},  {Cull::CCW, true, false},
                          {Cull::CW, false, false},  {Cull::CW, true, true}};
    for (const Case& c : cases) {
        Rs(Rs::CullMode, c.cull);
        ClearAll(0xFF000000);
        ASSERT_EQ(Draw({{0, 0, 4, 4, 0xFFFFFFFF}}, c.reversed), kOk);
        Read();
        EXPECT_EQ(Px(2, 2) == 0xFFFFFFFFu, c.visible)
            << "cull " << c.cull << (c.reversed ? " reversed" : "");
    }
}

TEST_P(BackEndDraw, MipFilterPicksTheSmallerLevel) {
    Texture* t = MakeTexture(
        64, 64, [](uint32_t, uint32_t) { return 0xFFFF0000u; }, Fmt::A8R8G8B8, 0);
    ASSERT_EQ(t->GetLevelCount(), 7u);
    FillLevel(
        t, 1, [](uint32_t, uint32_t) { return 0xFF00FF00u; }, Fmt::A8R8G8B8);
    FillLevel(
        t, 2, [](uint32_t, uint32_t) { return 0xFF0000FFu; }, Fmt::A8R8G8B8);
    dev_->SetTexture(0, t);
    // Halved, and shrunk by 2^1.5 (between levels 1 and 2, nearer 1 as GL
    // rounds): a linear mip filter reads the nearest level, as a point one.
    for (const int size : {32, 23})
        for (uint32_t mip : {Tf::None, Tf::Point, Tf::Linear}) {
            Filter(0, Tf::Linear, mip);
            ClearAll(0xFF000000);
            ASSERT_EQ(Draw({{0, 0, size, size}}), kOk);
            Read();
            EXPECT_EQ(Px(size / 2, size / 2), mip == Tf::None ? 0xFFFF0000u : 0xFF00FF00u)
                << "mip filter " << mip << ", " << size << " pixels";
        }
}

TEST_P(BackEndDraw, AddressModes) {
    // Red, and blue at half alpha, blended over black.
    Texture* t =
        MakeTexture(2, 1, [](uint32_t x, uint32_t) { return x ? 0x800000FFu : 0xFFFF0000u; });
    dev_->SetTexture(0, t);
    Filter(0, Tf::Point, Tf::None);
    Rs(Rs::AlphaBlendEnable, 1);
    Rs(Rs::SrcBlend, Blend::SrcAlpha);
    Rs(Rs::DestBlend, Blend::InvSrcAlpha);
    dev_->SetTextureStageState(0, Tss::AddressV, Tadr::Clamp);
    constexpr uint32_t kR = 0xFFFF0000, kB = 0xFF000080;
    struct Case {
        uint32_t mode;
        float u0, u1;
        uint32_t want[4];
    };
    const Case cases[] = {{Tadr::Wrap, 0, 2, {kR, kB, kR, kB}},
                          {Tadr::Mirror, 0, 2, {kR, kB, kB, kR}},
                          {Tadr::Clamp, 0, 2, {kR, kB, kB, kB}},
                          // Every texel read lies beyond the right edge: the
                          // edge texel's alpha still blends.
                          {Tadr::Clamp, 4, 6, {kB, kB, kB, kB}}};
    for (const Case& c : cases) {
        dev_->SetTextureStageState(0, Tss::AddressU, c.mode);
        ClearAll(0xFF000000);
        ASSERT_EQ(Draw({{0, 0, 4, 1, 0xFFFFFFFF, 0, c.u0, 0, c.u1, 1}}), kOk);
        Read();
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(Near(Px(x, 0), c.want[x]))
                << "mode " << c.mode << " from u " << c.u0 << " x " << x;
    }
}

TEST_P(BackEndDraw, TriangleStripAndBaseVertex) {
    uint8_t* vp = nullptr;
    uint8_t* ip = nullptr;
    ASSERT_EQ(vb_->Lock(0, 8 * 32, &vp, Lock::Discard), kOk);
    auto* v = reinterpret_cast<Vertex*>(vp);
    QuadVertices({0, 0, 4, 4, 0xFFFF0000}, v);
    QuadVertices({10, 0, 14, 4, 0xFF00FF00}, v + 4);
    vb_->Unlock();
    ASSERT_EQ(ib_->Lock(0, 8, &ip, Lock::Discard), kOk);
    const uint16_t strip[4] = {0, 1, 3, 2}; // TL, TR, BL, BR
    std::memcpy(ip, strip, sizeof(strip));
    ib_->Unlock();
    ClearAll(0xFF000000);
    dev_->SetIndices(ib_, 4); // the same indices reach the second quad
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleStrip, 0, 4, 0, 2), kOk);
    dev_->SetIndices(ib_, 0);
    Read();
    EXPECT_EQ(Px(2, 2), 0xFF000000u);
    EXPECT_EQ(Px(12, 2), 0xFF00FF00u);
    EXPECT_EQ(Px(13, 3), 0xFF00FF00u);
}

TEST_P(BackEndDraw, ClearTouchesOnlyTheViewport) {
    ClearAll(0xFFFF0000);
    Viewport vp{100, 50, 200, 100, 0, 1};
    ASSERT_EQ(dev_->SetViewport(&vp), kOk);
    Rs(Rs::ZWriteEnable, 0); // a clear ignores the depth-write state
    ASSERT_EQ(dev_->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF0000FF, 0.0f, 0),
              kOk);
    Read();
    EXPECT_EQ(Px(100, 50), 0xFF0000FFu);
    EXPECT_EQ(Px(299, 149), 0xFF0000FFu);
    EXPECT_EQ(Px(99, 50), 0xFFFF0000u);
    EXPECT_EQ(Px(100, 49), 0xFFFF0000u);
    EXPECT_EQ(Px(300, 149), 0xFFFF0000u);
    EXPECT_EQ(Px(299, 150), 0xFFFF0000u);
    // The depth inside the viewport is now 0: a quad at depth 0.5 fails there.
    Viewport full{0, 0, kW, kH, 0, 1};
    dev_->SetViewport(&full);
    Rs(Rs::ZWriteEnable, 1);
    ASSERT_EQ(Draw({{0, 0, 400, 200, 0xFF00FF00}}), kOk);
    Read();
    EXPECT_EQ(Px(150, 100), 0xFF0000FFu);
    EXPECT_EQ(Px(50, 100), 0xFF00FF00u);
}

TEST_P(BackEndDraw, ViewportMapsTheGameAreaWithHalfPixelEdges) {
    // A 1280x720 back buffer shows the game in a 960-wide viewport at x 160.
    Close();
    Open(1280, 720, Fmt::X8R8G8B8);
    Viewport full{0, 0, 1280, 720, 0, 1};
    dev_->SetViewport(&full);
    dev_->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1, 0);
    Viewport game{160, 0, 960, 720, 0, 1};
    ASSERT_EQ(dev_->SetViewport(&game), kOk);
    dev_->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF202020, 1, 0);
    // The full-screen quad of the game fills exactly the viewport.
    ASSERT_EQ(Draw({{0, 0, 1024, 768, 0xFFFFFFFF}}), kOk);
    Read();
    EXPECT_EQ(Px(159, 360), 0xFF000000u);
    EXPECT_EQ(Px(160, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Px(1119, 719), 0xFFFFFFFFu);
    EXPECT_EQ(Px(1120, 360), 0xFF000000u);
}

TEST_P(BackEndDraw, SameFrameWithAndWithoutTheStateCacheBypass) {
    if (!Gl())
        GTEST_SKIP() << "GL's own state cache";
    Texture* t = MakeTexture(64, 64, Pattern);
    auto frame = [&]() {
        ClearAll(0xFF102030);
        GameStates();
        dev_->SetTexture(0, t);
        Filter(0, Tf::Linear, Tf::Point);
        Rs(Rs::AlphaBlendEnable, 1);
        Rs(Rs::SrcBlend, Blend::SrcAlpha);
        Rs(Rs::DestBlend, Blend::InvSrcAlpha);
        EXPECT_EQ(Draw({{10, 10, 200, 200, 0xC0FFFFFF}}), kOk);
        Rs(Rs::DestBlend, Blend::One);
        Rs(Rs::ZWriteEnable, 0);
        EXPECT_EQ(Draw({{50, 50, 150, 300, 0x80FF8000, -10}}), kOk);
        dev_->SetTexture(0, nullptr);
        Rs(Rs::AlphaTestEnable, 1);
        Rs(Rs::AlphaFunc, Cmp::Greater);
        Rs(Rs::AlphaRef, 0x80);
        EXPECT_EQ(Draw({{0, 100, 400, 120, 0x81336699}, {0, 130, 400, 150, 0x80FFFFFF}}), kOk);
        Rs(Rs::AlphaTestEnable, 0);
        Rs(Rs::AlphaBlendEnable, 0);
        Rs(Rs::ZWriteEnable, 1);
        return std::vector<uint32_t>(Read());
    };
    std::vector<uint32_t> cached = frame();
    Gl()->SetStateCacheBypass(true);
    std::vector<uint32_t> bypassed = frame();
    Gl()->SetStateCacheBypass(false);
    std::vector<uint32_t> again = frame();
    ASSERT_EQ(cached.size(), bypassed.size());
    EXPECT_TRUE(cached == bypassed);
    EXPECT_TRUE(cached == again);
}

TEST_P(BackEndDraw, ShortcutsKeepThePictureOfLayeredDraws) {
    if (!Gl())
        GTEST_SKIP() << "GL's own shortcuts";
    // Opaque on the left, alpha rising from 0 on the right (alpha 1 included).
    Texture* t = MakeTexture(256, 256, [](uint32_t x, uint32_t y) {
        return x < 128 ? Pattern(x, y) : (Pattern(x, y) & 0x00FFFFFFu) | ((x - 128) * 2) << 24;
    });
    Texture* mipped = MakeTexture(64, 64, Pattern, Fmt::A8R8G8B8, 0);
    for (uint32_t level = 1; level < mipped->GetLevelCount(); ++level)
        FillLevel(
            mipped, level, [level](uint32_t x, uint32_t y) { return Pattern(x + level, y); },
            Fmt::A8R8G8B8);
    struct Layer {
        Texture* texture;
        Quad q;
        uint32_t zWrite, alphaTest, mip;
    };
    // Smaller z is nearer; a layer may hide behind what an earlier one wrote.
    const Layer layers[] = {
        {mipped, {0, 0, 1024, 768, 0xFFFFFFFF, 10}, 1, 1, Tf::Point},             // magnified
        {t, {100, 100, 300, 300, 0xFFFFFFFF, 20, 0, 0, 0.5f, 1}, 0, 1, Tf::None}, // hidden
        {t, {150, 50, 500, 250, 0xFFFFFFFF, 5, 0, 0, 0.5f, 1}, 0, 1, Tf::None},   // opaque part
        {t, {150, 300, 500, 500, 0xFFFFFFFF, 5}, 0, 1, Tf::None},                 // both parts
        {t, {400, 100, 700, 400, 0x80FFFFFF, 0}, 1, 1, Tf::Point},                // translucent
        {t, {450, 150, 650, 350, 0xFFFFFFFF, 3, 0, 0, 0.5f, 1}, 0, 0, Tf::Point}, // behind it
        {mipped, {800, 600, 816, 616, 0xFFFFFFFF, -5}, 0, 1, Tf::Point},          // minified
        {mipped, {700, 20, 754, 74, 0xFFFFFFFF, -5}, 0, 1, Tf::Point},    // a little smaller
        {mipped, {760, 20, 814, 74, 0xFFFFFFFF, -5}, 0, 1, Tf::Linear},   // the same, trilinear
        {nullptr, {600, 500, 760, 590, 0xFF336699, -10}, 0, 0, Tf::None}, // untextured
    };
    auto frame = [&](bool shortcuts) {
        Gl()->SetShortcuts(shortcuts);
        LayeredStates(1);
        for (const Layer& l : layers) {
            dev_->SetTexture(0, l.texture);
            Filter(0, Tf::Linear, l.mip);
            Rs(Rs::ZWriteEnable, l.zWrite);
            Rs(Rs::AlphaTestEnable, l.alphaTest);
            EXPECT_EQ(Draw({l.q}), kOk);
        }
        return std::vector<uint32_t>(Read());
    };
    // A ramp that is not the identity keeps both frames in the offscreen
    // buffer: the window's pixel layout rounds blends its own way.
    GammaRamp ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 257);
    ramp.red[255] = 0xF000;
    dev_->SetGammaRamp(0, &ramp);
    ASSERT_FALSE(Gl()->DrawsIntoWindow());
    const uint64_t before = Gl()->ShortcutDraws();
    const std::vector<uint32_t> fast = frame(true);
    const uint64_t taken = Gl()->ShortcutDraws() - before;
    EXPECT_GE(taken, 4u) << "the shortcuts must be exercised";
    const std::vector<uint32_t> plain = frame(false);
    EXPECT_EQ(Gl()->ShortcutDraws() - before, taken) << "switched off, no shortcut is taken";
    Gl()->SetShortcuts(true);
    ASSERT_EQ(fast.size(), plain.size());
    size_t differing = 0;
    for (size_t i = 0; i < fast.size(); ++i)
        if (fast[i] != plain[i] && ++differing <= 5)
            ADD_FAILURE() << "pixel " << i % kW << "," << i / kW << ": "
                          << Near(fast[i], plain[i], 0).message();
    EXPECT_EQ(differing, 0u);
}

TEST_P(BackEndDraw, ScenesDrawnOnGuessesKeepTheirPicture) {
    if (!Gl())
        GTEST_SKIP() << "GL's own guesses of what covers what";
    // A frame picture: opaque border, clear middle, drawn over and under others.
    Texture* framed = MakeTexture(256, 256, [](uint32_t x, uint32_t y) {
        const bool middle = x >= 32 && x < 224 && y >= 32 && y < 224;
        return middle ? Pattern(x, y) & 0x00FFFFFFu : Pattern(x, y);
    });
    struct Layer {
        Quad q;
        uint32_t zWrite, alphaTest;
    };
    const std::vector<Layer> ordered = {
        {{100, 100, 356, 356, 0xFFFFFFFF, 5}, 1, 1},
        {{150, 150, 406, 406, 0xC0FFFFFF, 5}, 0, 0},
        {{120, 120, 800, 700, 0xFFFFFFFF, 5, 0.0f, 0.0f, 0.25f, 0.25f}, 1, 1}};
    std::vector<Layer> covered = ordered; // the border alone is opaque
    covered.push_back({{300, 300, 700, 600, 0xFFFFFFFF, 5, 0.0f, 0.0f, 0.1f, 0.1f}, 0, 1});
    const struct {
        std::vector<Layer> layers;
        bool needsDepth;
    } scenes[] = {{covered, false},
                  {ordered, false},
                  {{{{100, 100, 356, 356, 0xFFFFFFFF, 0}, 1, 1},
                    {{200, 200, 456, 456, 0xFFFFFFFF, 10}, 0, 0}},
                   true},
                  // The cover alone, tinted, earlier than the last scene had it.
                  {{{{300, 300, 700, 600, 0xFF4080C0, 5, 0.0f, 0.0f, 0.1f, 0.1f}, 0, 1}}, false}};
    auto draw = [&](const std::vector<Layer>& layers) {
        EXPECT_EQ(dev_->BeginScene(), kOk);
        dev_->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF102030, 1, 0);
        LayeredStates(0);
        dev_->SetTexture(0, framed);
        for (const Layer& l : layers) {
            Rs(Rs::ZWriteEnable, l.zWrite);
            Rs(Rs::AlphaTestEnable, l.alphaTest);
            EXPECT_EQ(Draw({l.q}), kOk);
        }
        EXPECT_EQ(dev_->EndScene(), kOk);
    };
    GammaRamp ramp; // not the identity: both ways draw offscreen
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(i * 257);
    ramp.red[255] = 0xF000;
    dev_->SetGammaRamp(0, &ramp);
    Gl()->SetShortcuts(false);
    std::vector<std::vector<uint32_t>> plain;
    for (const auto& scene : scenes) {
        draw(scene.layers);
        plain.push_back(Read());
    }
    Gl()->SetShortcuts(true);
    dev_->SetDepthOnDemand(true);
    // Covered twice (the second time guessing what covers what), the cover
    // alone (drawn whole: it paints over nothing of its own), covered again,
    // then without the cover, then a scene that needs depth: the last two are
    // drawn again.
    const struct {
        size_t scene;
        uint64_t redraws;
    } runs[] = {{0, 0}, {0, 0}, {3, 0}, {0, 0}, {1, 1}, {2, 1}};
    uint64_t lastSkipped = 0;
    for (size_t run = 0; run < std::size(runs); ++run) {
        const auto& scene = scenes[runs[run].scene];
        const uint64_t redraws = probe_->SceneRedraws(), skipped = probe_->SkippedPixels();
        for (int pass = 0; pass < 2; ++pass) {
            draw(scene.layers);
            EXPECT_EQ(probe_->DrawsWithoutDepth(), pass == 0 || !scene.needsDepth) << run;
            if (!dev_->RedrawScene())
                break;
        }
        EXPECT_EQ(probe_->SceneRedraws() - redraws, runs[run].redraws) << run;
        EXPECT_TRUE(Read() == plain[runs[run].scene]) << run;
        if (run == 1) {
            EXPECT_GT(probe_->SkippedPixels() - skipped, lastSkipped) << "the guess pays";
        }
        lastSkipped = probe_->SkippedPixels() - skipped;
    }
    dev_->SetDepthOnDemand(false);
}

TEST_P(BackEndDraw, RepeatedDrawIssuesNoStateCallsUnlessBypassed) {
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{0, 0, 4, 4}}), kOk);
    uint64_t before = probe_->StateCalls();
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kOk);
    EXPECT_EQ(probe_->StateCalls(), before);
    if (!Gl())
        return; // ours has no driver below to forward states to
    Gl()->SetStateCacheBypass(true);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 4, 0, 2), kOk);
    EXPECT_GT(probe_->StateCalls(), before + 10);
}

TEST_P(BackEndDraw, ReleasedBoundTextureIsUnbound) {
    Texture* a = nullptr;
    ASSERT_EQ(dev_->CreateTexture(1, 1, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &a), kOk);
    dev_->SetTexture(0, a);
    ClearAll(0xFF000000);
    ASSERT_EQ(Draw({{0, 0, 2, 2}}), kOk);
    a->Release();
    // A new texture may get the released one's GL name; it is not bound to stage 0.
    Texture* b = MakeTexture(1, 1, [](uint32_t, uint32_t) { return 0xFFFF0000u; });
    ASSERT_EQ(Draw({{0, 0, 2, 2}}), kOk);
    Read();
    EXPECT_EQ(Px(1, 1), 0xFFFFFFFFu);
    // A texture created after releases (a driver may hand out a freed name) shows once bound.
    a = nullptr;
    ASSERT_EQ(dev_->CreateTexture(1, 1, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &a), kOk);
    dev_->SetTexture(0, a);
    ASSERT_EQ(Draw({{0, 0, 2, 2}}), kOk);
    a->Release();
    b->Release();
    textures_.clear();
    Texture* c = MakeTexture(1, 1, [](uint32_t, uint32_t) { return 0xFF00FF00u; });
    dev_->SetTexture(0, c);
    ASSERT_EQ(Draw({{0, 0, 2, 2}}), kOk);
    Read();
    EXPECT_EQ(Px(1, 1), 0xFF00FF00u);
}

TEST_P(BackEndDraw, DrawRejectsWhatWouldReadOutOfBounds) {
    ClearAll(0xFF000000);
    uint8_t* ip = nullptr;
    ASSERT_EQ(ib_->Lock(0, 6, &ip, Lock::Discard), kOk);
    const uint16_t idx[3] = {0, 1, kMaxVertices}; // one past the last vertex
    std::memcpy(ip, idx, sizeof(idx));
    ib_->Unlock();
    EXPECT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 3, 0, 1), kErrInvalidCall);
    uint32_t indexCount = kMaxVertices / 4 * 6;
    EXPECT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 3, indexCount - 2, 1),
              kErrInvalidCall);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(99, 0, 3, 0, 1), kErrInvalidCall);
    dev_->SetVertexShader(0x142);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 3, 0, 1), kErrInvalidCall);
    dev_->SetVertexShader(kFvfGame);
    dev_->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(Prim::TriangleList, 0, 3, 0, 1), kErrInvalidCall);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, BackEndDraw, ::testing::ValuesIn(kDrawingBackEnds));

} // namespace
} // namespace gltest
