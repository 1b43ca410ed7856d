// The painted menu sheets themselves, measured by their pixels: a newspaper
// page keeps its engraving inside the field the forms leave it and paints
// nothing under the fields they set the masthead, headline and columns in;
// the trophies' medallions go from a dark locked stone through bronze and
// silver to gold by the colours they are painted in; each help picture shows
// the thing its page's word names, by its colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
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

// What the solid pixels of a help picture are painted in: their mean
// straight colour's hue (degrees), and the shares of grey and of strongly
// coloured pixels among them.
struct Look {
    float hue = 0, saturation = 0, grey = 0, coloured = 0, red = 0, green = 0, blue = 0;
};
Look MeasureLook(const gen::FloatImage& sheet, const AtlasRect& r) {
    double c[3] = {};
    int n = 0, grey = 0, coloured = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            const gen::Rgba& p = sheet.At(x, y);
            if (p.a < 0.99f)
                continue;
            const float px[3] = {p.r / p.a, p.g / p.a, p.b / p.a};
            const float hi = std::max({px[0], px[1], px[2]}), lo = std::min({px[0], px[1], px[2]});
            const float sat = hi > 0.05f ? (hi - lo) / hi : 0.0f;
            grey += sat < 0.15f ? 1 : 0;
            coloured += sat > 0.5f ? 1 : 0;
            for (int k = 0; k < 3; ++k)
                c[k] += px[k];
            ++n;
        }
    Look l;
    if (n == 0)
        return l;
    l.red = float(c[0] / n);
    l.green = float(c[1] / n);
    l.blue = float(c[2] / n);
    const float hi = std::max({l.red, l.green, l.blue}), lo = std::min({l.red, l.green, l.blue});
    l.saturation = hi > 0 ? (hi - lo) / hi : 0;
    l.grey = float(grey) / float(n);
    l.coloured = float(coloured) / float(n);
    if (hi > lo) {
        const float d = hi - lo;
        float h = hi == l.red     ? std::fmod((l.green - l.blue) / d + 6.0f, 6.0f)
                  : hi == l.green ? (l.blue - l.red) / d + 2.0f
                                  : (l.red - l.green) / d + 4.0f;
        l.hue = 60.0f * h;
    }
    return l;
}

// How far apart two pictures of the sheet are: the mean difference of their
// pixels' channels.
float Difference(const gen::FloatImage& sheet, const AtlasRect& a, const AtlasRect& b) {
    double d = 0;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            const gen::Rgba& p = sheet.At(a.x + x, a.y + y);
            const gen::Rgba& q = sheet.At(b.x + x, b.y + y);
            d += std::fabs(p.r - q.r) + std::fabs(p.g - q.g) + std::fabs(p.b - q.b) +
                 std::fabs(p.a - q.a);
        }
    return float(d / (4.0 * a.w * a.h));
}

TEST(MenuPictures, EachHelpPictureShowsWhatItsWordNames) {
    const gen::FloatImage sheet = gen::PaintHelpPictures();
    ASSERT_EQ(sheet.Width(), gen::kHelpSheetW);
    ASSERT_EQ(sheet.Height(), gen::kHelpSheetH);
    const auto gold = [](const Look& l) { return l.coloured > 0.8f && l.hue > 25 && l.hue < 50; };
    // What the word's thing is painted in, where its colours tell it; the
    // gems, totems and cards differ among themselves, which the check below
    // all of them holds them to.
    const struct {
        const char* word;
        const char* look;
        std::function<bool(const Look&)> fits;
    } words[] = {
        {"Steel", "grey metal", [](const Look& l) { return l.coloured < 0.05f && l.saturation < 0.3f; }},
        {"Chained", "a coloured gem under grey links",
         [](const Look& l) { return l.grey > 0.04f && l.coloured > 0.5f; }},
        {"TNT", "red sticks",
         [](const Look& l) { return l.coloured > 0.8f && (l.hue < 25 || l.hue > 345); }},
        {"lightning", "a gold amulet", gold},
        {"hourglass", "gold plates and sand", gold},
        {"Golden Stars", "a gold star", gold},
        {"tokens", "cut gems", [](const Look& l) { return l.grey < 0.3f; }},
        {"totem", "painted wood", [](const Look& l) { return l.grey < 0.05f; }},
        {"challenges", "cards", [](const Look& l) { return l.coloured > 0.2f; }},
    };
    std::vector<const gen::HelpPicture*> all;
    for (const auto& page : gen::HelpPictures())
        for (const gen::HelpPicture& picture : page) {
            all.push_back(&picture);
            const auto word = std::find_if(std::begin(words), std::end(words), [&](const auto& w) {
                return std::string(w.word) == picture.word;
            });
            ASSERT_NE(word, std::end(words)) << picture.word << " has no look to be held to";
            const Look l = MeasureLook(sheet, picture.cell);
            EXPECT_TRUE(word->fits(l))
                << "the picture of " << picture.word << " at " << picture.cell.x << ","
                << picture.cell.y << " is no " << word->look << ": hue " << l.hue << ", saturation "
                << l.saturation << ", grey " << l.grey << ", coloured " << l.coloured;
        }
    // No thing is painted twice.
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t k = i + 1; k < all.size(); ++k)
            EXPECT_GT(Difference(sheet, all[i]->cell, all[k]->cell), 0.02f)
                << all[i]->word << " at " << all[i]->cell.x << "," << all[i]->cell.y << " and "
                << all[k]->word << " at " << all[k]->cell.x << "," << all[k]->cell.y;
}

} // namespace
