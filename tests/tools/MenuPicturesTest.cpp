// The painted menu sheets themselves, measured by their pixels: a newspaper
// page keeps its engraving inside the field the forms leave it and paints
// nothing under the fields they set the masthead, headline and columns in;
// the trophies' medallions go from a dark locked stone through bronze and
// silver to gold by the colours they are painted in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/gen/MenuMedals.h"
#include "tools/gen/MenuPages.h"

namespace {

using gen::AtlasRect;

bool Overlap(const AtlasRect& a, const AtlasRect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool Inside(const AtlasRect& a, const AtlasRect& in) {
    return a.x >= in.x && a.y >= in.y && a.x + a.w <= in.x + in.w && a.y + a.h <= in.y + in.h;
}

float Luma(const gen::Rgba& p) {
    return 0.2126f * p.r + 0.7152f * p.g + 0.0722f * p.b;
}

TEST(MenuPictures, NewspaperFieldsLieApartAndTheEngravingStaysInItsOwn) {
    const gen::PageLayout& l = gen::NewspaperLayout();
    const std::vector<std::pair<std::string, AtlasRect>> texts = {
        {"masthead", l.masthead}, {"dateline", l.dateline},   {"headline", l.headline},
        {"column 1", l.columns[0]}, {"column 2", l.columns[1]}};
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(Inside(texts[i].second, l.paper)) << texts[i].first;
        EXPECT_FALSE(Overlap(texts[i].second, l.picture)) << texts[i].first << " and the engraving";
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(Overlap(texts[i].second, texts[j].second))
                << texts[i].first << " and " << texts[j].first;
    }
    for (int issue = 1; issue <= 5; ++issue) {
        const gen::FloatImage page = gen::PaintNewspaper(issue);
        ASSERT_EQ(page.Width(), gen::kPageWidth);
        ASSERT_EQ(page.Height(), gen::kPageHeight);
        const auto ink = [&](int x, int y) { return Luma(page.At(x, y)) < 0.3f; };
        // The engraving is the tallest run of inked rows (a few bare rows
        // may part its frame lines from its scene; a rule is a run of its own),
        // as wide as the ink in those rows.
        const int left = l.paper.x, right = l.paper.x + l.paper.w, bottom = l.paper.y + l.paper.h;
        const auto inkedRow = [&](int y) {
            int count = 0;
            for (int x = left; x < right; ++x)
                count += ink(x, y);
            return count >= 6;
        };
        int runTop = 0, runEnd = 0;
        for (int y = l.paper.y; y < bottom;) {
            if (!inkedRow(y)) {
                ++y;
                continue;
            }
            int end = y + 1;
            for (int gap = 0; end + gap < bottom && gap <= 3;)
                if (inkedRow(end + gap)) {
                    end += gap + 1;
                    gap = 0;
                } else {
                    ++gap;
                }
            if (end - y > runEnd - runTop)
                runTop = y, runEnd = end;
            y = end;
        }
        int colLeft = right, colEnd = left;
        for (int y = runTop; y < runEnd; ++y)
            for (int x = left; x < right; ++x)
                if (ink(x, y)) {
                    colLeft = std::min(colLeft, x);
                    colEnd = std::max(colEnd, x + 1);
                }
        const AtlasRect engraving{colLeft, runTop, colEnd - colLeft, runEnd - runTop};
        const AtlasRect field{l.picture.x - 1, l.picture.y - 1, l.picture.w + 2, l.picture.h + 2};
        EXPECT_TRUE(Inside(engraving, field))
            << "issue " << issue << ": engraving at " << engraving.x << "," << engraving.y << " "
            << engraving.w << "x" << engraving.h;
        EXPECT_GT(engraving.w * 20, l.picture.w * 19) << "issue " << issue;
        EXPECT_GT(engraving.h * 20, l.picture.h * 19) << "issue " << issue;
        // Under the texts the paper is bare (the dateline's ends carry stars).
        for (const auto& [name, r] : texts) {
            if (name == "dateline")
                continue;
            int inked = 0;
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    inked += ink(x, y);
            EXPECT_LT(inked * 200, r.w * r.h) << "issue " << issue << ": ink under the " << name;
        }
    }
}

// The mean straight colour of a medallion's solid pixels.
struct Metal {
    float luma = 0, saturation = 0, yellow = 0; // yellow: green over red
};
Metal MeasureMedal(const gen::FloatImage& sheet, const AtlasRect& r) {
    double c[3] = {};
    int n = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            const gen::Rgba& p = sheet.At(x, y);
            if (p.a < 0.99f)
                continue;
            c[0] += p.r / p.a;
            c[1] += p.g / p.a;
            c[2] += p.b / p.a;
            ++n;
        }
    Metal m;
    if (n == 0)
        return m;
    const gen::Rgba mean{float(c[0] / n), float(c[1] / n), float(c[2] / n), 1.0f};
    const float hi = std::max({mean.r, mean.g, mean.b}), lo = std::min({mean.r, mean.g, mean.b});
    m.luma = Luma(mean);
    m.saturation = hi > 0 ? (hi - lo) / hi : 0;
    m.yellow = mean.r > 0 ? mean.g / mean.r : 0;
    return m;
}

TEST(MenuPictures, MedallionsGoFromDarkStoneThroughBronzeAndSilverToGold) {
    const gen::FloatImage sheet = gen::PaintMedals();
    ASSERT_EQ(sheet.Width(), gen::kMedalSheetW);
    ASSERT_EQ(sheet.Height(), gen::kMedalSheetH);
    using gen::MedalLook;
    for (int t = 0; t < gen::kTrophyCount; ++t) {
        const Metal locked = MeasureMedal(sheet, gen::MedalCell(t, MedalLook::Locked));
        const Metal bronze = MeasureMedal(sheet, gen::MedalCell(t, MedalLook::Bronze));
        const Metal silver = MeasureMedal(sheet, gen::MedalCell(t, MedalLook::Silver));
        const Metal gold = MeasureMedal(sheet, gen::MedalCell(t, MedalLook::Gold));
        // Locked: darkest by far, and grey stone.
        for (const Metal& metal : {bronze, silver, gold})
            EXPECT_LT(locked.luma * 2.0f, metal.luma) << "trophy " << t;
        EXPECT_LT(locked.saturation, 0.25f) << "trophy " << t;
        // Bronze: the darkest metal. Silver: the colourless one. Gold: a
        // yellower metal than bronze.
        EXPECT_LT(bronze.luma, silver.luma) << "trophy " << t;
        EXPECT_LT(bronze.luma, gold.luma) << "trophy " << t;
        EXPECT_LT(silver.saturation + 0.3f, bronze.saturation) << "trophy " << t;
        EXPECT_LT(silver.saturation + 0.3f, gold.saturation) << "trophy " << t;
        EXPECT_GT(gold.yellow, bronze.yellow * 1.1f) << "trophy " << t;
    }
}

} // namespace
