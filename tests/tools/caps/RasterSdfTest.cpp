// The shared drawing helpers of the generators: distance shapes, faceted
// surfaces, filtering and the 8-bit conversion.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tools/gen/Raster.h"
#include "tools/gen/Sdf.h"

namespace {

using gen::Vec2;

TEST(Sdf, PolygonAgreesWithBoxAndCircle) {
    const std::vector<Vec2> square{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const std::vector<Vec2> reversed{{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (float y = -2.0f; y <= 2.0f; y += 0.37f)
        for (float x = -2.0f; x <= 2.0f; x += 0.41f) {
            const float box = gen::SdBox({x, y}, {1, 1});
            EXPECT_NEAR(gen::SdPolygon(square, {x, y}), box, 1e-4f) << x << "," << y;
            EXPECT_NEAR(gen::SdPolygon(reversed, {x, y}), box, 1e-4f) << "either winding";
        }
    // A fine regular polygon approaches its circumscribed circle.
    const std::vector<Vec2> round = gen::RegularPolygon(256, 1.0f, 0.0f);
    EXPECT_NEAR(gen::SdPolygon(round, {0.3f, 0.2f}), gen::SdCircle({0.3f, 0.2f}, 1.0f), 1e-3f);
    EXPECT_NEAR(gen::SdPolygon(round, {2.0f, 0.0f}), 1.0f, 1e-3f);
}

TEST(Sdf, InsetThenRoundKeepsTheEdges) {
    // Rounding a square's corners by r keeps its sides where they were.
    const std::vector<Vec2> square{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const std::vector<Vec2> core = gen::InsetConvex(square, 0.25f);
    ASSERT_EQ(core.size(), 4u);
    EXPECT_NEAR(core[0].x, -0.75f, 1e-5f);
    EXPECT_NEAR(core[0].y, -0.75f, 1e-5f);
    const auto rounded = [&](Vec2 p) { return gen::SdPolygon(core, p) - 0.25f; };
    EXPECT_NEAR(rounded({1.0f, 0.0f}), 0.0f, 1e-5f);
    EXPECT_NEAR(rounded({0.0f, -1.0f}), 0.0f, 1e-5f);
    EXPECT_NEAR(rounded({1.0f, 1.0f}), gen::SdBox({1, 1}, {1, 1}, 0.25f), 1e-5f);
    // A triangle (sharp corners) moves its vertices further than the inset.
    const std::vector<Vec2> tri = gen::InsetConvex({{0, -1}, {1, 1}, {-1, 1}}, 0.1f);
    EXPECT_NEAR(gen::SdPolygon(tri, {0.0f, 0.0f}) - gen::SdPolygon({{0, -1}, {1, 1}, {-1, 1}}, {0.0f, 0.0f}), 0.1f,
                1e-4f);
}

TEST(Sdf, ArcCoversItsSpanOnly) {
    EXPECT_LT(gen::SdArc({1.0f, 0.0f}, 1.0f, -0.5f, 0.5f, 0.05f), 0.0f);
    EXPECT_GT(gen::SdArc({-1.0f, 0.0f}, 1.0f, -0.5f, 0.5f, 0.05f), 1.0f);
    // A span across the angle wrap.
    EXPECT_LT(gen::SdArc({-1.0f, 0.0f}, 1.0f, 2.5f, 3.8f, 0.05f), 0.0f);
}

TEST(FacetSurface, PyramidHasFlatFacetsAndRidges) {
    gen::FacetSurface s;
    s.AddPolygonTier({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}, 0.0f, 1.0f);
    s.AddTop(0.5f);
    // Near the right edge: the right facet, sloping to the right.
    const gen::FacetHit right = s.Evaluate({0.9f, 0.1f});
    EXPECT_NEAR(right.height, 0.1f, 1e-5f);
    const gen::Vec3 n = s.Normal(right.facet);
    EXPECT_GT(n.x, 0.5f);
    EXPECT_NEAR(n.y, 0.0f, 1e-5f);
    // The middle is the flat top.
    const gen::FacetHit top = s.Evaluate({0.1f, 0.0f});
    EXPECT_FLOAT_EQ(top.height, 0.5f);
    EXPECT_FLOAT_EQ(s.Normal(top.facet).z, 1.0f);
    // On the diagonal two facets meet: no gap to the ridge.
    EXPECT_NEAR(s.Evaluate({0.8f, 0.8f}).gap, 0.0f, 1e-5f);
    // The gap is the distance to the nearest ridge: here the top's edge at x = 0.5.
    EXPECT_NEAR(s.Evaluate({0.6f, 0.0f}).gap, 0.1f, 1e-4f);
}

TEST(Raster, DownsampleAndSqueezeKeepCoverage) {
    gen::FloatImage big(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            big.At(x, y) = gen::Premultiply({1, 0.5f, 0}, 1.0f);
    const gen::FloatImage small = gen::Downsample(big, 4);
    ASSERT_EQ(small.Width(), 2);
    EXPECT_FLOAT_EQ(small.At(0, 0).a, 1.0f);
    EXPECT_FLOAT_EQ(small.At(1, 1).a, 0.0f);
    // Squeezing to half width halves the covered area and keeps the colour.
    gen::FloatImage full(16, 4);
    for (gen::Rgba& p : full.Pixels())
        p = gen::Premultiply({0.2f, 0.4f, 0.6f}, 1.0f);
    const gen::FloatImage half = gen::SqueezeHorizontally(full, 0.5f);
    float area = 0;
    for (const gen::Rgba& p : half.Pixels())
        area += p.a;
    EXPECT_NEAR(area, 16.0f * 4.0f * 0.5f, 1e-3f);
    EXPECT_FLOAT_EQ(half.At(0, 0).a, 0.0f);
    EXPECT_NEAR(half.At(8, 2).g / half.At(8, 2).a, 0.4f, 1e-5f);
}

TEST(Raster, ConversionBleedsEdgeColourAndPremultipliesLights) {
    gen::FloatImage im(6, 1);
    im.At(0, 0) = gen::Premultiply({1, 0, 0}, 1.0f);
    im.At(1, 0) = gen::Premultiply({1, 0, 0}, 0.5f);
    const std::vector<uint8_t> straight = gen::ToRgba8(im, 2);
    EXPECT_EQ(straight[4 + 0], 255);  // half covered, full colour
    EXPECT_EQ(straight[4 + 3], 128);
    EXPECT_EQ(straight[8 + 0], 255);  // transparent, edge colour
    EXPECT_EQ(straight[8 + 3], 0);
    EXPECT_EQ(straight[12 + 0], 255);
    EXPECT_EQ(straight[16 + 0], 0);  // beyond the bleed distance
    const std::vector<uint8_t> added = gen::ToRgba8Premultiplied(im);
    EXPECT_EQ(added[0], 255);
    EXPECT_EQ(added[4 + 0], 128);
    EXPECT_EQ(added[8 + 0], 0);
    // Linear light in, sRGB out.
    EXPECT_NEAR(gen::LinearToSrgb(gen::SrgbToLinear(0.5f)), 0.5f, 1e-5f);
    EXPECT_NEAR(gen::FromHex(0x808080).r, 0.2158f, 1e-3f);
}

TEST(Raster, NoiseIsDeterministicTileableAndBounded) {
    const gen::NoiseField a(64, 4, 4, 0.5f, 9), b(64, 4, 4, 0.5f, 9), c(64, 4, 4, 0.5f, 10);
    float lo = 1, hi = 0;
    bool differs = false;
    for (float v = 0; v < 64; v += 1.5f)
        for (float u = 0; u < 64; u += 1.25f) {
            const float x = a.Sample(u, v);
            EXPECT_EQ(x, b.Sample(u, v));
            EXPECT_NEAR(x, a.Sample(u + 64, v - 128), 1e-5f) << "wraps";
            differs |= std::fabs(x - c.Sample(u, v)) > 1e-3f;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    EXPECT_TRUE(differs);
    EXPECT_GE(lo, 0.0f);
    EXPECT_LE(hi, 1.0f);
    EXPECT_GT(hi - lo, 0.3f);
}

}  // namespace
