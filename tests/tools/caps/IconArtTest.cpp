// The application icon: at every size a desktop asks for, a red cut gem that
// fills the middle of a framed stone tablet with transparent rounded corners,
// painted at that size from the same gem the board shows.
#include <gtest/gtest.h>

#include "tools/gen/CapsGems.h"
#include "tools/gen/CapsLayout.h"
#include "tools/gen/IconArt.h"

namespace {

struct Share {
    int red = 0, opaque = 0, all = 0;
};

// How many texels of the box [x0, x1) x [y0, y1) (shares of the size) are
// opaque, and how many of those are red gem (red far above green, above blue;
// the gold inlay has more green).
Share Count(const gen::FloatImage& icon, float x0, float y0, float x1, float y1) {
    Share s;
    const float n = float(icon.Width());
    for (int y = int(y0 * n); y < int(y1 * n); ++y)
        for (int x = int(x0 * n); x < int(x1 * n); ++x) {
            const gen::Rgba& p = icon.At(x, y);
            ++s.all;
            s.opaque += p.a > 0.99f;
            s.red += p.a > 0.99f && p.r > 4.0f * p.g && p.r > 1.5f * p.b;
        }
    return s;
}

} // namespace

TEST(IconArt, EverySizeShowsTheBoardsRubyOnAFramedTablet) {
    for (const int size : gen::kIconSizes) {
        SCOPED_TRACE(size);
        const gen::FloatImage icon = gen::PaintIcon(size);
        ASSERT_EQ(icon.Width(), size);
        ASSERT_EQ(icon.Height(), size);
        // Rounded corners, transparent; the tablet itself opaque edge to edge.
        EXPECT_EQ(icon.At(0, 0).a, 0.0f);
        EXPECT_EQ(icon.At(size - 1, size - 1).a, 0.0f);
        const Share whole = Count(icon, 0.15f, 0.15f, 0.85f, 0.85f);
        EXPECT_EQ(whole.opaque, whole.all);
        // The gem fills the middle; the tablet's rim around it is stone, not gem.
        const Share middle = Count(icon, 0.3f, 0.3f, 0.7f, 0.7f);
        EXPECT_GT(middle.red, middle.all * 7 / 10);
        const Share rim = Count(icon, 0.08f, 0.45f, 0.11f, 0.55f);
        EXPECT_EQ(rim.red, 0);
        EXPECT_EQ(rim.opaque, rim.all);
    }
    // The gem painted for any size is the board's own at the board's size.
    const int ruby = 2;
    const gen::FloatImage atRest = gen::PaintTokenAtRest(ruby, gen::kTokenCell);
    const gen::FloatImage board = gen::PaintToken(ruby).front().normal;
    ASSERT_EQ(atRest.Pixels().size(), board.Pixels().size());
    for (size_t i = 0; i < board.Pixels().size(); ++i) {
        const gen::Rgba a = atRest.Pixels()[i], b = board.Pixels()[i];
        ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a) << "texel " << i;
    }
}
