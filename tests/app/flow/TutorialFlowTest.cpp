// The quest's tutorial on its form and the level panel after a long wait,
// through the real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileSettings.h"
#include "screens/ScreensManager.h"

using namespace flowtest;

namespace {

// The cell under the shown marker of a tutorial group.
bool MarkedCell(FlowHarness& h, size_t group, int32_t& c, int32_t& r) {
    const auto& windows = h.Game().Screens->TutorialGroups[group].Windows;
    return !windows.empty() && windows.front()->Visible &&
           h.Field().WorldToCell(windows.front()->Position.X, windows.front()->Position.Y, c, r);
}

struct Rect {
    float l, b, r, t;
    bool Meets(const Rect& o) const { // more than the pixel grid's rounding
        return l < o.r - 0.5f && o.l < r - 0.5f && b < o.t - 0.5f && o.b < t - 0.5f;
    }
    bool Inside(const Rect& o) const {
        return l >= o.l - 0.5f && r <= o.r + 0.5f && b >= o.b - 0.5f && t <= o.t + 0.5f;
    }
};
Rect At(float x, float y, float w, float h) { return {x - w / 2, y - h / 2, x + w / 2, y + h / 2}; }
Rect RectOf(const CUxWindow& w) { return At(w.Position.X, w.Position.Y, w.Width, w.Height); }

// What is wrong with the "swap these" call-out on the pair of `m`: the
// pointer (one of the box's two) and the label lie on the board, the box on
// the screen; none covers a cap of the pair or another of them, and the
// pointer's tip reaches the pair.
std::string CalloutFaults(FlowHarness& h, const CMatchMove& m) {
    CScreensManager& s = *h.Game().Screens;
    CPlayField& f = h.Field();
    h.Game().PointAtSwap(m);
    const auto cell = [&](int32_t c, int32_t r) {
        const CVector3 p = f.CellToWorld(c, r, true);
        return At(p.X, p.Y, f.CellWidth, f.CellHeight);
    };
    const Rect a = cell(m.Column1, m.Row1), b = cell(m.Column2, m.Row2);
    const Rect board{cell(0, 0).l, cell(7, 7).b, cell(7, 7).r, cell(0, 0).t};
    const Rect pair{std::min(a.l, b.l), std::min(a.b, b.b), std::max(a.r, b.r), std::max(a.t, b.t)};
    const bool up = s.TutorialControl200->Visible != 0;
    const Rect pointer = RectOf(*(up ? s.TutorialControl200 : s.TutorialControl201));
    const Rect box = RectOf(*s.TipPlaques[s.TipPlaque]);
    std::string faults;
    const float reach = up ? pair.b - pointer.t : pointer.b - pair.t;
    if (up == (s.TutorialControl201->Visible != 0) || reach < 0.0f || reach > 8.0f ||
        pointer.r < pair.l || pointer.l > pair.r)
        faults += "the pointer misses the pair; ";
    std::vector<Rect> parts = {pointer};
    for (const CSharedPtr<CUxWindow>& w : s.TutorialGroups[6].Windows)
        parts.push_back(RectOf(*w));
    for (size_t k = 0; k < parts.size(); ++k)
        if (!parts[k].Inside(board) || parts[k].Meets(box) || (k > 0 && parts[k].Meets(pointer)))
            faults += "part " + std::to_string(k) + " leaves the board or meets the box or pointer; ";
    parts.push_back(box);
    for (const Rect& r : parts)
        if (r.Meets(a) || r.Meets(b))
            faults += "a cap of the pair is covered; ";
    if (!box.Inside(RectOf(*s.TutorialForm)))
        faults += "the box leaves the screen; ";
    return faults;
}

// The player clicks one cap, then its neighbour.
void Swap(FlowHarness& h, const CMatchMove& m) {
    for (const auto& [c, r] : {std::pair{m.Column1, m.Row1}, std::pair{m.Column2, m.Row2}}) {
        h.Click(h.Field().CellToWorld(c, r, true).X, h.Field().CellToWorld(c, r, true).Y);
        h.Frames(1);
    }
}

} // namespace

TEST(Tutorial, TheFirstLevelPointsAtARealSwapAndTheSwapClosesTheTip) {
    FlowHarness h(11);
    START_GAME(h);
    h.CloseTips = false;
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    CScreensManager& s = *g.Screens;

    // The welcome box as the play begins; the clock and the sand wait, and
    // only its OK closes it.
    ASSERT_TRUE(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 5.0f));
    EXPECT_EQ(CScreensManager::WindowText(s.TutorialGroups[1].Windows[1]), GetString(119));
    const float clock = g.TimeLeft;
    h.Click(0.0f, 0.0f);
    h.Frames(30);
    EXPECT_EQ(g.TipOpen, kTipShown);
    EXPECT_FLOAT_EQ(g.TimeLeft, clock);
    EXPECT_EQ(f.Dune->Sandbox->Running, 0);
    ASSERT_TRUE(h.ClickControl(s.TutorialForm, CScreensManager::kIdTipOk));

    // Its second page: the pointer between two caps the field's own move list
    // swaps into a row, a marker on each, no OK.
    ASSERT_TRUE(
        h.RunUntil([&] { return g.TipOpen == kTipPointing && s.TutorialForm->Active; }, 3.0f));
    int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    ASSERT_TRUE(MarkedCell(h, 2, c1, r1) && MarkedCell(h, 3, c2, r2));
    f.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    f.MatchFinder.ListMoves(moves, 3, 0);
    EXPECT_NE(std::find(moves.begin(), moves.end(), CMatchMove{c1, r1, c2, r2}), moves.end());
    EXPECT_TRUE(s.TutorialGroups[6].Windows.front()->Visible);
    EXPECT_FLOAT_EQ(s.TutorialX,
                    (f.CellToWorld(c1, r1, true).X + f.CellToWorld(c2, r2, true).X) / 2);
    // The pointer and its label stand clear of the caps and the box, for
    // this pair and for pairs in the corners, along the edges and in the
    // middle, side by side and one over the other.
    const CMatchMove real{c1, r1, c2, r2};
    const CMatchMove pairs[] = {{0, 0, 1, 0}, {7, 0, 7, 1}, {0, 6, 0, 7}, {6, 7, 7, 7},
                                {3, 0, 4, 0}, {4, 6, 4, 7}, {0, 3, 0, 4}, {6, 4, 7, 4},
                                {3, 3, 4, 3}, {3, 4, 4, 4}, {4, 3, 4, 4}, {2, 4, 2, 5}};
    for (const CMatchMove& m : pairs)
        EXPECT_EQ(CalloutFaults(h, m), "")
            << "pair " << m.Column1 << "," << m.Row1 << " - " << m.Column2 << "," << m.Row2;
    EXPECT_EQ(CalloutFaults(h, real), "");
    float x = 0.0f, y = 0.0f;
    EXPECT_FALSE(h.ControlCentre(s.TutorialForm, CScreensManager::kIdTipOk, &x, &y));
    h.Frames(15);
    EXPECT_FLOAT_EQ(g.TimeLeft, clock);

    // The player swaps them: the row goes, the tip closes and is kept on disk.
    const int32_t score = f.Counters.Sets[1].Get(0);
    Swap(h, CMatchMove{c1, r1, c2, r2});
    EXPECT_EQ(g.TipOpen, kTipNone);
    ASSERT_TRUE(h.RunUntil([&] { return f.Counters.Sets[1].Get(0) > score; }, 3.0f));
    EXPECT_LT(g.TimeLeft, clock);
    ASSERT_TRUE(h.Restart(12));
    EXPECT_EQ(h.Game().Profile->Switch(CProfileSettings::kFirstTipSwitch), 1);
}

// Switched off on the options form, or with the box's "don't show tips" and
// its OK: no tip comes in the rest of the level, and the player's file says so.
TEST(Tutorial, TipsSwitchedOffOnTheOptionsFormOrInATipStayAway) {
    for (const bool inTip : {false, true}) {
        SCOPED_TRACE(inTip ? "in the tip" : "on the options form");
        FlowHarness h(13);
        START_GAME(h);
        h.CloseTips = false;
        CGame& g = h.Game();
        CScreensManager& s = *g.Screens;
        if (inTip) {
            ASSERT_TRUE(h.RunUntil([&] { return g.TipOpen == kTipShown; }, 5.0f));
            ASSERT_TRUE(h.WaitForForm(s.TutorialForm, 6.0f));
            h.Click(s.TutorialControl105->Position.X, s.TutorialControl105->Position.Y);
            ASSERT_TRUE(h.ClickControl(s.TutorialForm, CScreensManager::kIdTipOk));
        } else { // from the level's menu while its intro shows
            h.Key(os::Vk::Escape);
            ASSERT_TRUE(h.ClickControl(s.GameMenuForm, 12) && h.ClickControl(s.OptionsForm, 235) &&
                        h.ClickControl(s.OptionsForm, 230) && h.ClickControl(s.GameMenuForm, 11));
        }
        CProfileSettings saved;
        saved.Load("Players/" + g.Profile->Name);
        EXPECT_EQ(saved.QuestTutorial, 0);
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
        ScriptedPlayer player(h);
        player.PlayLevel(10.0f);
        EXPECT_EQ(g.TipOpen, kTipNone);
        EXPECT_FALSE(s.TutorialForm->Visible);
        EXPECT_GT(player.Moves(), 0);
    }
}

TEST(LevelPanel, AfterFifteenSecondsWithoutASwapItTellsWhatTheLevelStillAsks) {
    constexpr float kDelay = 15.0f, kShown = 3.0f;
    FlowHarness h(17);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    g.Profile->QuestTutorial = 0;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
    const auto shown = [&] { return s.LevelPanelFrame->Visible != 0; };

    // A swap ten seconds in starts the wait again.
    h.Frames(300);
    ScriptedPlayer player(h);
    CMatchMove m;
    ASSERT_TRUE(player.BoardReady() && player.BestMove(m));
    const float swapped = g.GameClock;
    Swap(h, m);
    // The wait runs from the swap, or from the last gem it sent to the bar.
    float cleared = swapped, last = 0.0f;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            if (h.Field().MoveTimer < last)
                cleared = g.GameClock;
            last = h.Field().MoveTimer;
            return shown();
        },
        20.0f));
    EXPECT_GE(g.GameClock - swapped, kDelay);
    EXPECT_NEAR(g.GameClock - cleared, kDelay, 0.1f);
    const std::string text = CScreensManager::WindowText(s.LevelPanelWindows[1]);
    EXPECT_EQ(text.rfind("Gems to go: " + std::to_string(h.Field().GemsToCollect), 0), 0u) << text;
    EXPECT_NE(text.find("Time left: " + FormatClock(g.TimeLeft)), std::string::npos) << text;

    // It stays three seconds, and the wait starts again.
    const float up = g.GameClock;
    ASSERT_TRUE(h.RunUntil([&] { return !shown(); }, 5.0f));
    EXPECT_NEAR(g.GameClock - up, kShown, 0.1f);
    EXPECT_LT(h.Field().MoveTimer, 0.1f);

    // Up again, it gives way at once to a tip's box, and to a swap.
    h.CloseTips = false;
    ASSERT_TRUE(h.RunUntil(shown, 20.0f));
    g.Profile->QuestTutorial = 1;
    g.ShowTip(4, 0);
    h.Frames(1);
    EXPECT_FALSE(shown()) << "a tip";
    g.Profile->QuestTutorial = 0;
    h.CloseTips = true;
    ASSERT_TRUE(h.RunUntil(shown, 20.0f) && player.BoardReady() && player.BestMove(m));
    Swap(h, m);
    EXPECT_FALSE(shown()) << "a swap";
}

// Every tip's box and the level card stand clear of the level screen's
// display beside the board (score, clock, lives, menu); a tip with nothing
// to point at and the card stand on the board itself. Each is as tall as
// its text: the stone left under a one-line text is what the longest leaves.
TEST(Tutorial, TipsAndTheCardStandOverTheBoardAsTallAsTheirText) {
    FlowHarness h(3);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 5.0f));
    CPlayField& f = h.Field();
    const CVector3 first = f.CellToWorld(0, 0, true), last = f.CellToWorld(7, 7, true);
    const Rect board = {
        std::min(first.X, last.X) - f.CellWidth / 2, std::min(first.Y, last.Y) - f.CellHeight / 2,
        std::max(first.X, last.X) + f.CellWidth / 2, std::max(first.Y, last.Y) + f.CellHeight / 2};
    // The display: what the level screen shows besides the card.
    std::vector<const CUxWindow*> card = {s.HudControl203.Get()};
    for (const CWindowList* list : {&s.LevelPanelWindows, &s.LevelPanelFrames})
        for (const CSharedPtr<CUxWindow>& w : *list)
            card.push_back(w.Get());
    // The seer's medallion resting dark in its socket tells nothing until an
    // adviser lights it (as its counter, hidden then).
    const auto resting = [&](const CUxWindow& w) {
        const CUxWindow& counter = *s.QuestControl1;
        return &w != &counter && !w.Pictures.empty() && !counter.Pictures.empty() &&
               w.Pictures[0]->Texture.Get() == counter.Pictures[0]->Texture.Get();
    };
    std::vector<Rect> hud;
    for (const CSharedPtr<CUxWindow>& w : s.QuestForm->Children)
        if (w->Visible && w->Width > 0.0f && !resting(*w) &&
            std::find(card.begin(), card.end(), w.Get()) == card.end())
            hud.push_back(RectOf(*w));
    ASSERT_GE(hud.size(), 5u);
    const auto clearOfHud = [&](const Rect& r) {
        for (const Rect& o : hud)
            if (r.Meets(o))
                return ::testing::AssertionFailure()
                       << "(" << r.l << ", " << r.b << ", " << r.r << ", " << r.t << ") meets ("
                       << o.l << ", " << o.b << ", " << o.r << ", " << o.t << ")";
        return ::testing::AssertionSuccess();
    };
    // The stone under the text: from its last line to the plaque's foot.
    std::vector<float> under;
    const auto below = [&](const CSharedPtr<CUxWindow>& text, const CUxWindow& plaque) {
        CScreenBox ink;
        if (CScreensManager::TextInk(text, ink))
            under.push_back(ink.B - RectOf(plaque).b);
    };
    const auto spread = [&] {
        const auto [lo, hi] = std::minmax_element(under.begin(), under.end());
        const float d = under.empty() ? 0.0f : *hi - *lo;
        under.clear();
        return d;
    };

    // Where a tip's words put what it shows, its arrow's tip lies.
    const struct {
        const char* words;
        bool (*there)(const Rect& board, float x, float y);
    } places[] = {
        {"beside the board", [](const Rect& b, float x, float) { return x < b.l || x > b.r; }},
        {"under the board", [](const Rect& b, float, float y) { return y < b.b; }},
        {"above the board", [](const Rect& b, float, float y) { return y > b.t; }}};

    // Tips 1 to 9 at each of their pages (the shop's own stands in the shop).
    for (int32_t tip = 1; tip <= 9; ++tip)
        for (int32_t page = 0; page < 9; ++page) {
            if (GetString(100 + 10 * tip + page).empty())
                continue;
            SCOPED_TRACE("tip " + std::to_string(tip) + " page " + std::to_string(page));
            g.ShowTip(tip, 2 * page);
            ASSERT_LT(s.TipPlaque, s.TipPlaques.size());
            const CUxWindow& plaque = *s.TipPlaques[s.TipPlaque];
            ASSERT_TRUE(plaque.Visible);
            const Rect box = RectOf(plaque);
            EXPECT_TRUE(clearOfHud(box));
            const bool up = s.TutorialControl200->Visible != 0;
            if (up || s.TutorialControl201->Visible) {
                const Rect arrow = RectOf(*(up ? s.TutorialControl200 : s.TutorialControl201));
                const std::string words = GetString(100 + 10 * tip + page);
                for (const auto& place : places)
                    if (words.find(place.words) != std::string::npos)
                        EXPECT_TRUE(
                            place.there(board, (arrow.l + arrow.r) / 2, up ? arrow.t : arrow.b))
                            << "the arrow points elsewhere than " << place.words;
            }
            if (!s.TutorialControl200->Visible && !s.TutorialControl201->Visible) {
                // Standing alone, on the board's middle (to the pixel it snaps to).
                EXPECT_TRUE(box.Inside(board)) << "standing alone off the board";
                EXPECT_NEAR((box.l + box.r) / 2, (board.l + board.r) / 2, 1.0f);
                EXPECT_NEAR((box.b + box.t) / 2, (board.b + board.t) / 2, 1.0f);
            }
            if (g.TipOpen == kTipShown)
                below(s.TutorialControl101, plaque);
            g.DropTip();
            h.Frames(10);
        }
    EXPECT_LE(spread(), 2.0f) << "a short tip leaves more stone under it than a long one";

    // The level card, with a goal, a short notice and the longest text.
    const std::string click = "\n" + GetString(69);
    const std::string texts[] = {GetString(66) + ": 3" + click,
                                 GetString(92) + "\n" + FormatText(GetString(61), {99}) + click,
                                 GetString(96) + "\n" + FormatText(GetString(61), {99}) + click,
                                 GetString(76) + click};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        g.ShowCard(FormatText(GetString(8), {5, 12}), text);
        ASSERT_TRUE(s.LevelPanelFrame->Visible);
        const Rect box = RectOf(*s.LevelPanelFrame);
        EXPECT_TRUE(box.Inside(board));
        EXPECT_TRUE(clearOfHud(box));
        for (const CSharedPtr<CUxWindow>& other : s.LevelPanelFrames)
            EXPECT_EQ(other->Visible != 0, other == s.LevelPanelFrame);
        below(s.LevelPanelWindows.back(), *s.LevelPanelFrame);
        g.HideCard();
    }
    EXPECT_LE(spread(), 2.0f) << "a short card leaves more stone under its text than a long one";
}
