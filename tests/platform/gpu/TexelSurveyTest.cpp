#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gpu/gl/TexelSurvey.h"

using namespace gpu;

namespace {

struct Uv {
    float u, v;
};

// What a draw reads of a 64x32 texture, from its vertices' coordinates in
// texels: a known rectangle holds every texel the vertices sample with the
// one around it, and one a coordinate the survey cannot place is unknown (a
// draw then never counts as opaque).
TEST(TexelSurvey, KnowsTheTexelsOfNearCoordinatesAndNothingOfOthers) {
    constexpr uint32_t kW = 64, kH = 32;
    const float nan = std::nanf(""), inf = INFINITY;
    const struct {
        const char* what;
        std::vector<Uv> vertices;
        bool clamped, known;
    } rows[] = {
        {"a quad inside",
         {{0.5f, 0.5f}, {63.5f, 0.5f}, {63.5f, 31.5f}, {0.5f, 31.5f}},
         false,
         true},
        {"a few texels", {{10, 4}, {12, 4}, {12, 5}}, true, true},
        {"past the edges, clamped", {{-3, -1}, {70, 40}}, true, true},
        {"past the edges, wrapped", {{-3, -1}, {70, 40}}, false, true},
        {"all beyond the right edge, clamped", {{66, 4}, {80, 5}}, true, true},
        {"all above the top edge, clamped", {{3, -9}, {5, -2}}, true, true},
        {"past 2^31 texels, clamped", {{3e9f, 1}, {3.1e9f, 2}}, true, false},
        {"below -2^31 texels, wrapped", {{-3e9f, 1}, {-2.9e9f, 2}}, false, false},
        {"past 2^24 texels", {{1, 16777300.0f}, {2, 2}}, true, false},
        {"not a number at every vertex", {{nan, nan}, {nan, nan}, {nan, nan}}, true, false},
        {"not a number at one vertex", {{1, 1}, {nan, 2}, {3, 3}}, true, false},
        {"not a number in v alone", {{1, 1}, {2, nan}}, false, false},
        {"infinite", {{1, 1}, {inf, 2}}, true, false},
        {"no vertex", {}, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TexelSurvey survey;
        for (const Uv& c : row.vertices)
            survey.Add(c.u, c.v);
        int32_t r[4] = {7, 7, 7, 7};
        ASSERT_EQ(survey.Reach(kW, kH, row.clamped, r), row.known);
        if (!row.known)
            continue;
        EXPECT_LT(r[0], r[2]);
        EXPECT_LT(r[1], r[3]);
        for (const Uv& c : row.vertices) {
            // Where the texture's addressing takes each coordinate.
            const bool inside = c.u >= 0 && c.u <= kW && c.v >= 0 && c.v <= kH;
            if (!row.clamped && !inside)
                continue;
            const float u = std::clamp(c.u, 0.0f, static_cast<float>(kW));
            const float v = std::clamp(c.v, 0.0f, static_cast<float>(kH));
            EXPECT_LE(r[0], std::floor(u - 0.5f));
            EXPECT_LE(r[1], std::floor(v - 0.5f));
            EXPECT_GE(r[2], std::floor(u + 0.5f) + 1);
            EXPECT_GE(r[3], std::floor(v + 0.5f) + 1);
        }
        if (!row.clamped && row.vertices.front().u < 0) {
            // Wrapping reaches anywhere: the whole texture.
            EXPECT_EQ(r[0], 0);
            EXPECT_EQ(r[1], 0);
            EXPECT_EQ(r[2], static_cast<int32_t>(kW));
            EXPECT_EQ(r[3], static_cast<int32_t>(kH));
        }
    }
}

} // namespace
