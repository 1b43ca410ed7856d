// The plaques the forms stand their titles, captions and call-outs on: each
// control showing a plaque cuts its picture from a cell of the plaque sheet
// as large as the control itself, and that cell holds the plaque painted for
// that very size, so no rim is ever stretched, squeezed or cut; and each
// plaque hides what lies under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tools/gen/MenuForms.h"
#include "tools/gen/MenuPlaques.h"

namespace {

// One plaque control of a form file: its look, its size and its cell.
struct PlaqueControl {
    int look = -1;
    int w = 0, h = 0;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

std::vector<PlaqueControl> PlaquesIn(const std::string& form) {
    std::vector<PlaqueControl> out;
    std::istringstream in(form);
    std::string line;
    PlaqueControl c;
    while (std::getline(in, line)) {
        if (line.rfind("ELEMENT", 0) == 0)
            c = PlaqueControl{};
        float x = 0, y = 0, z = 0;
        std::sscanf(line.c_str(), "  POSITION %f %f %f SIZE %d %d", &x, &y, &z, &c.w, &c.h);
        char texture[64] = {};
        if (std::sscanf(line.c_str(), "  TEXTURE %63s", texture) == 1)
            for (int look = 0; look < 2; ++look)
                if (std::string(texture) == gen::kPlaqueTexture[look])
                    c.look = look;
        int xb = 0, yb = 0, xc = 0, yc = 0, xd = 0, yd = 0;
        if (c.look >= 0 && std::sscanf(line.c_str(), "  STATE NORMAL %d %d %d %d %d %d %d %d",
                                       &c.x0, &c.y0, &xb, &yb, &xc, &yc, &xd, &yd) == 8) {
            c.x1 = xc;
            c.y1 = yc;
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

TEST(PlaqueSheets, EveryPlaqueIsPaintedAtTheSizeItIsShown) {
    gen::PlaqueSheet frames(gen::PlaqueLook::Frame), callOuts(gen::PlaqueLook::Light);
    const std::vector<gen::MenuForm> forms = gen::MenuForms(gen::FontHeights{}, frames, callOuts);
    ASSERT_FALSE(frames.Full() || callOuts.Full());
    const gen::FloatImage sheets[2] = {frames.Paint(), callOuts.Paint()};
    std::map<std::tuple<int, int, int>, gen::FloatImage> painted;
    int plaques = 0;
    for (const gen::MenuForm& form : forms)
        for (const PlaqueControl& c : PlaquesIn(form.text)) {
            ++plaques;
            SCOPED_TRACE(form.name + ": a plaque " + std::to_string(c.w) + " x " +
                         std::to_string(c.h));
            ASSERT_EQ(c.x1 - c.x0, c.w) << "its picture is stretched across";
            ASSERT_EQ(c.y1 - c.y0, c.h) << "its picture is stretched down";
            const gen::FloatImage& sheet = sheets[c.look];
            ASSERT_TRUE(c.x0 >= 0 && c.y0 >= 0 && c.x1 <= sheet.Width() && c.y1 <= sheet.Height());
            auto [at, fresh] = painted.try_emplace({c.look, c.w, c.h});
            if (fresh) {
                at->second = gen::PaintPlaque(c.w, c.h, gen::PlaqueLook(c.look));
                // Inside its rim's smoothed outline and rounded corners, nothing
                // under it shows through.
                constexpr int kOutline = 8;
                float thinnest = 1.0f;
                for (int y = kOutline; y < c.h - kOutline; ++y)
                    for (int x = kOutline; x < c.w - kOutline; ++x)
                        thinnest = std::min(thinnest, at->second.At(x, y).a);
                EXPECT_GT(thinnest, 1.0f - 1e-4f) << "what lies under it shows through";
            }
            float worst = 0.0f;
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    const gen::Rgba& a = sheet.At(c.x0 + x, c.y0 + y);
                    const gen::Rgba& b = at->second.At(x, y);
                    worst = std::max({worst, std::fabs(a.r - b.r), std::fabs(a.g - b.g),
                                      std::fabs(a.b - b.b), std::fabs(a.a - b.a)});
                }
            EXPECT_LT(worst, 1e-4f) << "its cell holds a plaque painted for another size";
        }
    EXPECT_GE(plaques, 8);
}
