// What stands over the rest of the screen: a plaque hides what lies under it
// once it has faded in, a modal screen shades the screen round it, and the
// board's rails stand over the tokens that drop in or fall out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/OnBackEnd.h"
#include "app/flow/ScriptedPlayer.h"
#include "engine/PlayFieldStore.h"
#include "engine/Renderer.h"
#include "engine/SpriteQuad.h"
#include "platform/os/Window.h"
#include "playfield/CapsManager.h"
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

// The board's opening (inside its rails) on the virtual screen: left, top,
// right, bottom.
struct Opening {
    float x0, y0, x1, y1;
};

Opening BoardOpening(CPlayField& f) {
    const float x = f.Store->Offset[0], y = f.Store->Offset[1];
    return {x, y, x + static_cast<float>(f.Columns) * f.CellWidth,
            y - static_cast<float>(f.Rows) * f.CellHeight};
}

// Whether a shown token lies across the horizontal line at `y`.
bool TokenAcross(CGame& g, float y) {
    for (const CSharedPtr<CCapSprite>& s : g.Caps->GetDrawList())
        if (!s.IsNull() && s->Visible && s->Y + s->HalfSize > y + 4.0f &&
            s->Y - s->HalfSize < y - 4.0f)
            return true;
    return false;
}

// The pixels that the board's tokens change in the frame drawn now: beyond
// the opening (two pixels of its edge aside), and inside it.
struct TokenPixels {
    int outside = 0, inside = 0;
};

TokenPixels PixelsOfTokens(FlowHarness& h) {
    CRenderer& r = *h.Game().Renderer;
    const Picture with = h.Drawn();
    r.SetSkippedLayers(1u << CRenderer::kLayerCaps);
    const Picture without = h.Drawn();
    r.SetSkippedLayers(0);
    const Opening o = BoardOpening(h.Field());
    PixelBox b = h.PixelsOf(0.5f * (o.x0 + o.x1), 0.5f * (o.y0 + o.y1), o.x1 - o.x0, o.y0 - o.y1);
    TokenPixels n;
    if (with.argb.empty() || with.argb.size() != without.argb.size())
        return n;
    b = {b.col0 - 2, b.row0 - 2, b.col1 + 2, b.row1 + 2};
    for (int row = 0; row < with.height; ++row)
        for (int col = 0; col < with.width; ++col)
            if (with.At(col, row) != without.At(col, row))
                ++(In(b, col, row) ? n.inside : n.outside);
    return n;
}

// The cells whose centre looks the same with the tokens and without them, as
// "column,row".
std::vector<std::string> CellsShowingNoToken(FlowHarness& h) {
    CRenderer& r = *h.Game().Renderer;
    const Picture with = h.Drawn();
    r.SetSkippedLayers(1u << CRenderer::kLayerCaps);
    const Picture without = h.Drawn();
    r.SetSkippedLayers(0);
    CPlayField& f = h.Field();
    std::vector<std::string> bare;
    if (with.argb.empty() || with.argb.size() != without.argb.size())
        return {"no frame"};
    for (int32_t row = 0; row < f.Rows; ++row)
        for (int32_t col = 0; col < f.Columns; ++col) {
            const CVector3 c = f.CellToWorld(col, row, true);
            const PixelBox b = h.PixelsOf(c.X, c.Y, 4.0f, 4.0f);
            bool differs = false;
            for (int y = b.row0; y <= b.row1; ++y)
                for (int x = b.col0; x <= b.col1; ++x)
                    differs = differs || with.At(x, y) != without.At(x, y);
            if (!differs)
                bare.push_back(std::to_string(col) + "," + std::to_string(row));
        }
    return bare;
}

class RailsOverTokens : public OnBackEnd {};

} // namespace

// Tokens drop in from above the board, at a level's start and after every
// swap that scores, and fall out below it at the level's end: they come out
// from behind the top rail and go behind the bottom rail, never over the
// rails, the backdrop above or the sand trough below; yet once the board is
// filled every one of its cells shows its token.
TEST_P(RailsOverTokens, TokensShowOnlyInsideTheBoard) {
    FlowHarness h(61);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);
    const auto swap = [&] {
        CMatchMove m;
        if (!h.RunUntil([&] { return g.SubState == kSubPlay && player.BoardReady(); }, 8.0f) ||
            !player.BestMove(m))
            return false;
        EXPECT_EQ(f.Columns * f.Rows, 64);
        EXPECT_THAT(CellsShowingNoToken(h), ::testing::IsEmpty()) << "cells showing no token";
        for (const CVector3 p :
             {f.CellToWorld(m.Column1, m.Row1, true), f.CellToWorld(m.Column2, m.Row2, true)})
            h.Click(p.X, p.Y);
        return true;
    };
    const auto win = [&] {
        f.TutorialNumber = 0;
        f.GemsToCollect = 0;
        return true;
    };
    const struct {
        const char* moment;
        std::function<bool()> start;
        bool top;     // across the top rail, else the bottom one
        float beyond; // how far past the opening a token reaches
    } moments[] = {
        {"the first fill", [] { return true; }, true, 12.0f},
        {"a refill after a swap", swap, true, 12.0f},
        {"the level's end", win, false, 40.0f},
    };
    for (const auto& m : moments) {
        ASSERT_TRUE(m.start()) << m.moment;
        const auto across = [&] {
            const Opening o = BoardOpening(f);
            return TokenAcross(g, m.top ? o.y0 + m.beyond : o.y1 - m.beyond);
        };
        ASSERT_TRUE(h.RunUntil(across, 8.0f)) << m.moment << ": no token crosses the rail";
        const TokenPixels n = PixelsOfTokens(h);
        EXPECT_GT(n.inside, 0) << m.moment << ": the tokens are drawn";
        EXPECT_EQ(n.outside, 0) << m.moment << ": tokens drawn beyond the rails";
    }
}

INSTANTIATE_TEST_SUITE_P(BackEnds, RailsOverTokens, ::testing::Values("gl", "soft"), BackEndName);

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
// message box, the main menu; and the backdrop behind the main menu's pages
// and its continue-quest form.
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
    s.FadeOut(s.MsgBoxForm, CScreensManager::kBoxFade);

    // The main menu's pages, as its options are.
    const struct {
        const char* name;
        CSharedPtr<CUxForm> form;
        int32_t open, close;
    } pages[] = {{"How to Play", s.HelpForm, 4, 270},
                 {"High Scores", s.HighScoresForm, 5, 250},
                 {"Players", s.ProfilesForm, 6, 181}};
    for (const auto& p : pages) {
        ASSERT_TRUE(h.ClickControl(s.MainMenuForm, p.open) && h.WaitForForm(p.form)) << p.name;
        EXPECT_LT(LightKept(h, *p.form), kShade) << p.name;
        ASSERT_TRUE(h.ClickControl(p.form, p.close) && h.WaitForForm(s.MainMenuForm)) << p.name;
    }
    // The continue-quest form, as Play opens it when a quest is saved.
    s.FadeOut(s.MainMenuForm, CScreensManager::kMenuFade);
    s.FadeIn(s.StartQuestForm, CScreensManager::kMenuFade);
    ASSERT_TRUE(h.WaitForForm(s.StartQuestForm));
    EXPECT_LT(LightKept(h, *s.StartQuestForm), kShade) << "Continue Quest";
    ASSERT_TRUE(h.ClickControl(s.StartQuestForm, 212) && h.WaitForForm(s.MainMenuForm));
}
