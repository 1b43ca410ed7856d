// What stands over the rest of the screen: a plaque hides what lies under it
// once it has faded in, and a modal screen shades the screen round it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "engine/SpriteQuad.h"
#include "platform/os/Window.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

using Picture = FlowHarness::Picture;
using PixelBox = FlowHarness::PixelBox;

bool In(const PixelBox& b, int col, int row) {
    return col >= b.col0 && col <= b.col1 && row >= b.row0 && row <= b.row1;
}

int Channel(uint32_t argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFFu);
}

// The pixels of the window's box, less `inset` units all round (its rim's
// smoothed outline), that change when what lies under it is not drawn.
int SeenThrough(FlowHarness& h, const CUxWindow& w, const std::vector<int32_t*>& under,
                float inset) {
    const Picture over = h.Drawn(), alone = h.Drawn(under);
    const PixelBox b =
        h.PixelsOf(w.Position.X, w.Position.Y, w.Width - 2 * inset, w.Height - 2 * inset);
    int changed = 0;
    for (int row = b.row0; row <= b.row1; ++row)
        for (int col = b.col0; col <= b.col1; ++col)
            for (const int shift : {0, 8, 16})
                if (std::abs(Channel(over.At(col, row), shift) -
                             Channel(alone.At(col, row), shift)) > 1) {
                    ++changed;
                    break;
                }
    return changed;
}

// The light the screen round the form keeps with the form shown, as a part
// of the light it has without the form.
double LightKept(FlowHarness& h, CUxForm& form) {
    const Picture shown = h.Drawn(), hidden = h.Drawn(FlowHarness::DrawFlagsOf(form));
    const PixelBox b =
        h.PixelsOf(form.Position.X, form.Position.Y, form.Width + 8.0f, form.Height + 8.0f);
    double with = 0.0, without = 0.0;
    for (int row = 0; row < shown.height; ++row)
        for (int col = 0; col < shown.width; ++col)
            if (!In(b, col, row))
                for (const int shift : {0, 8, 16}) {
                    with += Channel(shown.At(col, row), shift);
                    without += Channel(hidden.At(col, row), shift);
                }
    return without > 0.0 ? with / without : 1.0;
}

} // namespace

// The first shop's tip over the cards, their tier pips and stars; a message
// box over the main menu.
TEST(Overlays, PlaquesHideWhatLiesUnderThemOnceFadedIn) {
    FlowHarness h(53);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.WinIntoShop(3));
    h.CloseTips = false;
    ASSERT_TRUE(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 3.0f));
    h.Frames(static_cast<int>(1.0f / FlowHarness::kDt));
    const CUxWindow& tip = *s.TipPlaques[s.TipPlaque];
    ASSERT_GE(tip.Alpha, 1.0f);
    std::vector<int32_t*> shop = FlowHarness::DrawFlagsOf(*s.ShopForm);
    for (const CSharedPtr<CSpriteQuad>& c : g.Shop->covers)
        shop.push_back(&c->Shown);
    EXPECT_EQ(SeenThrough(h, tip, shop, 8.0f), 0) << "the shop shows through its tip";

    g.CloseTip();
    ASSERT_TRUE(h.BackToMap());
    s.ShowMessageBox("", "", CScreensManager::kSetOk, CScreensManager::kPurposeNotice);
    s.FadeIn(s.MsgBoxForm, CScreensManager::kBoxFade);
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm));
    EXPECT_EQ(SeenThrough(h, *s.MsgBoxForm, FlowHarness::DrawFlagsOf(*s.MapForm), 8.0f), 0)
        << "the map shows through a message box";
}

// Paused, the board; after a level, the level round its trophies; behind a
// message box, the main menu.
TEST(Overlays, AModalScreenShadesWhatLiesBehindIt) {
    constexpr double kShade = 0.75;
    FlowHarness h(59);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    h.Key(os::Vk::Escape);
    ASSERT_TRUE(h.WaitForForm(s.GameMenuForm));
    EXPECT_LT(LightKept(h, *s.GameMenuForm), kShade) << "paused";
    ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 11));
    h.CloseAwards = false;

    g.OpenTrophies(CGame::kTrophiesFromLevelEnd);
    ASSERT_TRUE(h.WaitForForm(s.TrophiesForm));
    EXPECT_LT(LightKept(h, *s.TrophiesForm), kShade) << "the trophies after a level";
    g.CloseTrophies();
    h.Frames(static_cast<int>(1.0f / FlowHarness::kDt));

    ASSERT_TRUE(h.SaveAndQuit());
    s.ShowMessageBox("", "", CScreensManager::kSetYesNo, CScreensManager::kPurposeNotice);
    s.FadeIn(s.MsgBoxForm, CScreensManager::kBoxFade);
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm));
    EXPECT_LT(LightKept(h, *s.MsgBoxForm), kShade) << "a message box over the main menu";
}
