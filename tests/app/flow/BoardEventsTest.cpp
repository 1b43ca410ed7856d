// The player's hands on the board (select, deselect, reselect, the right
// button, dragging, clicks while the board is busy) and the field's events
// as the game turns them into time, messages, rebuilds, tips and stars.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/Renderer.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/Texture.h"
#include "platform/sound/FakeAudio.h"
#include "playfield/CapSlot.h"
#include "playfield/LevelRules.h"
#include "playfield/PopupList.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

bool HasMessage(FlowHarness& h, const std::string& text) {
    const auto texts = h.Game().MessageTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The message on screen stands on the level card's plaque, its letters
// inside it.
::testing::AssertionResult OnThePlaque(FlowHarness& h) {
    const CSharedPtr<CPopup>& p = h.Field().Popups.Messages.OnScreen();
    if (p.IsNull() || p->Plaque.IsNull())
        return ::testing::AssertionFailure() << "no plaque";
    const CScreensManager& s = *h.Game().Screens;
    if (p->Plaque->Texture != s.LevelPanelFrames.back()->Pictures.front()->Texture)
        return ::testing::AssertionFailure() << "not the card's plaque";
    const CLaneBox plaque = h.Field().Popups.InkOf(*p), ink = CPopupList::TextBoxOf(*p);
    if (ink.Left < plaque.Left || ink.Right > plaque.Right || ink.Bottom < plaque.Bottom ||
        ink.Top > plaque.Top)
        return ::testing::AssertionFailure() << p->Text << " reaches over its plaque";
    return ::testing::AssertionSuccess();
}

CVector3 Cell(FlowHarness& h, int32_t c, int32_t r) { return h.Field().CellToWorld(c, r, true); }

// Into play on level 1 with the board at rest.
::testing::AssertionResult ReachPlay(FlowHarness& h, ScriptedPlayer& player) {
    CGame& g = h.Game();
    if (!h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f))
        return ::testing::AssertionFailure() << "no play";
    // The first level's tips come up as the board settles; read and closed.
    const bool ready = h.RunUntil(
        [&] {
            if (g.TipOpen == 1)
                h.Click(0.0f, 0.0f);
            return player.BoardReady();
        },
        5.0f);
    if (!ready)
        return ::testing::AssertionFailure() << "the board does not come to rest";
    return ::testing::AssertionSuccess();
}

// The side in pixels of the largest square of the board's dust layer, drawn
// alone, whose pixels are lit and each the colour of its neighbours above and
// to the left (within a step or two); -1 without a frame.
int LargestFlatSquare(FlowHarness& h) {
    constexpr uint32_t kDust = CRenderer::kLayerParticles0 + 3;
    constexpr int kLit = 6, kStep = 2;
    CRenderer& r = *h.Game().Renderer;
    r.SetSkippedLayers(~(1u << kDust));
    const FlowHarness::Picture p = h.Drawn();
    r.SetSkippedLayers(~0u);
    const FlowHarness::Picture bare = h.Drawn();
    r.SetSkippedLayers(0);
    if (p.argb.empty() || p.argb.size() != bare.argb.size())
        return -1;
    const auto gap = [](uint32_t a, uint32_t b) {
        int most = 0;
        for (const int shift : {0, 8, 16})
            most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFFu) -
                                           static_cast<int>((b >> shift) & 0xFFu)));
        return most;
    };
    std::vector<int> side(p.argb.size(), 0);
    int largest = 0;
    for (int row = 1; row < p.height; ++row)
        for (int col = 1; col < p.width; ++col) {
            const uint32_t v = p.At(col, row);
            if (gap(v, bare.At(col, row)) < kLit || gap(v, p.At(col - 1, row)) > kStep ||
                gap(v, p.At(col, row - 1)) > kStep || gap(v, p.At(col - 1, row - 1)) > kStep)
                continue;
            const size_t i = static_cast<size_t>(row) * static_cast<size_t>(p.width) +
                             static_cast<size_t>(col);
            const size_t w = static_cast<size_t>(p.width);
            side[i] = 1 + std::min({side[i - 1], side[i - w], side[i - w - 1]});
            largest = std::max(largest, side[i]);
        }
    return largest;
}

} // namespace

TEST(BoardInput, ClicksAndDragsSelectAndSwap) {
    FlowHarness h(41);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);

    // The level's card asks for a click and waits for it; a click at once
    // is not taken for it.
    h.ClickCards = false;
    const auto cardText = [&] {
        return CScreensManager::WindowText(g.Screens->LevelPanelWindows[1]);
    };
    EXPECT_NE(cardText().find(GetString(69)), std::string::npos) << cardText();
    h.Click(0.0f, 0.0f);
    h.Frames(1);
    EXPECT_EQ(g.Mode, kModeLevelIntro);
    h.Frames(static_cast<int>(10.0f / FlowHarness::kDt));
    EXPECT_EQ(g.Mode, kModeLevelIntro) << "ten seconds on, the card still waits";
    h.Click(0.0f, 0.0f);
    h.Frames(1);
    EXPECT_EQ(g.SubState, kSubPlay);
    ASSERT_TRUE(ReachPlay(h, player));

    CMatchMove m;
    ASSERT_TRUE(player.BestMove(m));
    const CVector3 a = Cell(h, m.Column1, m.Row1);
    const CSharedPtr<CCap> capA = f.CapAt(m.Column1, m.Row1);
    CCapSlot& slot = *g.CapSlot;

    // Select, deselect by the same token, by the right button.
    h.Click(a.X, a.Y);
    EXPECT_TRUE(slot.Holds(capA));
    h.Click(a.X, a.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    h.Click(a.X, a.Y);
    h.RightClick(a.X, a.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);

    // A token that is not a neighbour takes the selection over.
    const int32_t farC = m.Column1 < 4 ? 7 : 0, farR = m.Row1 < 4 ? 7 : 0;
    ASSERT_TRUE(f.IsCellSelectable(farC, farR));
    const CVector3 far = Cell(h, farC, farR);
    h.Click(a.X, a.Y);
    h.Click(far.X, far.Y);
    EXPECT_TRUE(slot.Holds(f.CapAt(farC, farR)));
    h.RightClick(far.X, far.Y);

    // Off the board nothing happens.
    h.Click(-450.0f, 0.0f);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);

    // Dragging the token onto its neighbour swaps them.
    const CVector3 b = Cell(h, m.Column2, m.Row2);
    h.Press(a.X, a.Y);
    EXPECT_TRUE(slot.Holds(capA));
    h.MoveTo(b.X, b.Y);
    h.Frames(1);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    EXPECT_FALSE(f.SwapList.empty()) << "the swap has started";
    h.Release(b.X, b.Y);

    // While the two tokens move, they cannot be picked.
    h.Click(b.X, b.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    h.Click(a.X, a.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);

    // A swap by two clicks once the board has settled.
    ASSERT_TRUE(h.RunUntil([&] { return player.BoardReady(); }, 8.0f));
    ASSERT_TRUE(player.BestMove(m));
    const int32_t score = f.Counters.Sets[1].Get(0);
    const CVector3 c1 = Cell(h, m.Column1, m.Row1), c2 = Cell(h, m.Column2, m.Row2);
    h.Click(c1.X, c1.Y);
    h.Click(c2.X, c2.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    ASSERT_TRUE(h.RunUntil([&] { return f.Counters.Sets[1].Get(0) > score; }, 3.0f));

    // A cap on its way down into a hole is taken by a click on it, once it
    // shows on the board (above the top row it is still behind the rail).
    CSharedPtr<CCap> falling;
    const float top = Cell(h, 0, 0).Y, bottom = Cell(h, 0, 7).Y;
    const auto onBoard = [&](float y) {
        return y >= std::min(top, bottom) && y <= std::max(top, bottom);
    };
    const auto find = [&] {
        for (const CSharedPtr<CCap>& c : f.CapList.GetCaps())
            if (c->Kind == CBoardElement::kBoardCap && c->State == CBoardElement::kMoving &&
                c->Landed == 0 && onBoard(c->DrawnPosition().Y))
                falling = c;
        return !falling.IsNull();
    };
    ASSERT_TRUE(h.RunUntil(find, 3.0f));
    h.Click(falling->DrawnPosition().X, falling->DrawnPosition().Y);
    EXPECT_TRUE(slot.Holds(falling));
    ASSERT_TRUE(h.RunUntil([&] { return player.BoardReady(); }, 8.0f));

    // HintDelay seconds without a swap: arrows on a move, then a new wait.
    f.IdleTimer = g.Paths.HintDelay - 0.5f;
    h.Frames(12);
    EXPECT_EQ(f.Adviser.ExtraArrows.size(), 0u);
    h.Frames(6);
    EXPECT_EQ(f.Adviser.ExtraArrows.size(), 2u);
    h.Frames(static_cast<int>(g.Paths.PanelShowTime / FlowHarness::kDt) + 1);
    EXPECT_TRUE(f.Adviser.ExtraArrows.empty() && f.IdleTimer < 0.1f);

    // Time won (like a combo or a full sand box) holds the board for
    // ActionInputLock seconds; a click then selects again.
    slot.Clear();
    const CVector3 corner = Cell(h, 0, 0);
    f.Events.push_back(CFieldEvent{CFieldEvent::kTimeWon});
    h.Frames(1);
    h.Click(corner.X, corner.Y);
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    h.Frames(static_cast<int>(g.Paths.ActionInputLock / FlowHarness::kDt) + 2);
    ASSERT_TRUE(f.IsCellSelectable(0, 0));
    h.Click(corner.X, corner.Y);
    EXPECT_TRUE(slot.Holds(f.CapAt(0, 0)));
}

TEST(FieldEvents, TimeMessagesRebuildTipsAndFrenzy) {
    FlowHarness h(43);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);
    h.Frames(40);
    ASSERT_TRUE(ReachPlay(h, player));
    // Messages that come together follow one another: none is ever drawn
    // over another, or over the card.
    std::set<std::string> overlaps;
    h.EachFrame = [&] {
        for (const std::string& o : h.MessagesOverOneAnother())
            overlaps.insert(o);
    };

    // Time won: added, never past the level's full time.
    g.TimeLeft = 100.0f;
    f.QueueEvent(CFieldEvent::kTimeWon).Amount = 15.0f;
    h.Frames(1);
    EXPECT_NEAR(g.TimeLeft, 115.0f - FlowHarness::kDt, 1e-3);
    f.QueueEvent(CFieldEvent::kTimeWon).Amount = 500.0f;
    h.Frames(1);
    EXPECT_NEAR(g.TimeLeft, g.TimeLimit - FlowHarness::kDt, 1e-3);

    // Combos: one text per chain length, the longest ones alike; the second
    // of two waits for the first to go.
    f.QueueEvent(CFieldEvent::kCombo, 2);
    f.QueueEvent(CFieldEvent::kCombo, 9);
    h.Frames(1);
    EXPECT_EQ(g.MessageTexts(), std::vector<std::string>{"GOOD\nCOMBO"});
    ASSERT_TRUE(h.RunUntil([&] { return HasMessage(h, "INCREDIBLE\nCOMBO"); }, 2.0f));
    EXPECT_EQ(g.MessageTexts().size(), 1u);

    // A score popup of a challenge counts and floats.
    const int32_t score = f.Counters.Sets[1].Get(0);
    const size_t popups = f.Popups.Count();
    CFieldEvent& popup = f.QueueEvent(CFieldEvent::kScorePopup, 500);
    popup.X = 100.0f;
    popup.Y = 50.0f;
    h.Frames(1);
    EXPECT_EQ(f.Counters.Sets[1].Get(0), score + 500);
    EXPECT_EQ(f.Popups.Count(), popups + 1);

    // No moves: the message, the board falls and is built again, the clock
    // waits for it, and the field opens again by itself.
    f.Popups.Clear();
    const int32_t gems = f.GemsToCollect;
    f.QueueEvent(CFieldEvent::kNoMoves);
    h.Frames(1);
    EXPECT_TRUE(HasMessage(h, "NO MOVES!"));
    EXPECT_EQ(f.Busy, 1);
    EXPECT_EQ(g.ReopenWhenIdle, 1);
    const float clock = g.TimeLeft;
    h.Frames(30);
    EXPECT_FLOAT_EQ(g.TimeLeft, clock);
    ASSERT_TRUE(h.RunUntil([&] { return HasMessage(h, "SHUFFLING..."); }, 2.0f));
    ASSERT_TRUE(h.RunUntil([&] { return player.BoardReady(); }, 10.0f));
    EXPECT_EQ(g.ReopenWhenIdle, 0);
    EXPECT_EQ(f.Busy, 0);
    EXPECT_EQ(f.GemsToCollect, gems);
    h.Frames(3);
    EXPECT_LT(g.TimeLeft, clock);

    // A tip: its box with the arrow at the level clock's dial, the clock
    // stops, its OK closes it.
    h.CloseTips = false;
    f.PostResult(4, 0);
    h.Frames(1);
    CScreensManager& s = *g.Screens;
    EXPECT_EQ(g.TipOpen, kTipShown);
    EXPECT_EQ(CScreensManager::WindowText(s.TutorialGroups[1].Windows[1]), GetString(149));
    const CUxWindow& arrow =
        *(s.TutorialControl200->Visible ? s.TutorialControl200 : s.TutorialControl201);
    EXPECT_TRUE(arrow.Visible);
    EXPECT_NEAR(arrow.Position.X, s.TimerDialQuads[0]->Position.X, 60.0f);
    const float tipClock = g.TimeLeft;
    h.Frames(30);
    EXPECT_FLOAT_EQ(g.TimeLeft, tipClock);
    ASSERT_TRUE(h.ClickControl(s.TutorialForm, CScreensManager::kIdTipOk));
    EXPECT_EQ(g.TipOpen, kTipNone);
    EXPECT_EQ(f.Dune->Sandbox->Running, 1);
    EXPECT_EQ(g.CapSlot->State, CCapSlot::kEmpty) << "the click was the tip's";
    h.CloseTips = true;

    // The frenzy: its start, its end with a Golden Star and a smaller gain.
    f.Popups.Clear();
    const int32_t stars = g.GoldenStars();
    f.SetDuneActive(true);
    h.Frames(1);
    EXPECT_TRUE(HasMessage(h, GetString(40)));
    EXPECT_TRUE(OnThePlaque(h));
    CSandbox& sandbox = *f.Dune->Sandbox;
    EXPECT_EQ(sandbox.Mode, CSandbox::kFrenzy);
    sandbox.FrenzyProgress = 1.0;
    h.Frames(2);
    EXPECT_EQ(g.GoldenStars(), stars + 1);
    EXPECT_EQ(f.TimerRateStep, 1);
    EXPECT_EQ(sandbox.Mode, CSandbox::kNormal);
    EXPECT_DOUBLE_EQ(sandbox.FrenzyProgress, 1.0) << "the full bar fades out as it is";
    EXPECT_NEAR(sandbox.FrenzyGain, CLevelRules::DecayFactor(1), 1e-6);
    // The star waits for the frenzy's message, cut to a combo's time.
    EXPECT_TRUE(h.RunUntil([&] { return HasMessage(h, GetString(41)); }, 1.5f));
    EXPECT_TRUE(OnThePlaque(h));
    // The next bar fills from empty; a won level keeps sand and unfilled bar.
    f.SetDuneActive(true);
    EXPECT_DOUBLE_EQ(sandbox.FrenzyProgress, 0.0);
    sandbox.FrenzyProgress = 0.25;
    f.SetDuneActive(false);
    sandbox.AddSand(0.3, 10.0);
    // The level's end comes with the last cascade's combo: what the board was
    // still saying gives way to the star at once (a combo still waiting is
    // out of date by then), and the results wait for the star and the card.
    g.ClearPopups();
    f.QueueEvent(CFieldEvent::kCombo, 3);
    f.QueueEvent(CFieldEvent::kLevelComplete);
    h.Frames(1);
    EXPECT_NEAR(f.SandLevel, 0.3, 0.01);
    EXPECT_DOUBLE_EQ(f.SandTime, 0.25);
    std::vector<std::string> seen;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            for (const std::string& t : g.MessageTexts())
                if (seen.empty() || seen.back() != t)
                    seen.push_back(t);
            return g.Screens->StatisticsForm->Visible != 0;
        },
        10.0f));
    EXPECT_EQ(seen, (std::vector<std::string>{GetString(40), GetString(41)}));
    EXPECT_TRUE(g.MessageTexts().empty()) << "read before the results";
    h.EachFrame = nullptr;
    EXPECT_TRUE(overlaps.empty()) << ::testing::PrintToString(overlaps);
}

// A frenzy's cleared tokens throw sparkling dust: no part of it is a flat
// block of colour as large as half a cell.
TEST(FieldEvents, AFrenzysDustSparklesWithoutFlatSquares) {
    FlowHarness h(47);
    START_GAME(h);
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);
    ASSERT_TRUE(ReachPlay(h, player));
    f.SetDuneActive(true);
    CMatchMove m;
    ASSERT_TRUE(player.BestMove(m));
    h.Click(Cell(h, m.Column1, m.Row1).X, Cell(h, m.Column1, m.Row1).Y);
    h.Click(Cell(h, m.Column2, m.Row2).X, Cell(h, m.Column2, m.Row2).Y);
    const CVector3 c = Cell(h, 3, 3);
    const FlowHarness::PixelBox cell = h.PixelsOf(c.X, c.Y, f.CellWidth, f.CellHeight);
    const int half = std::max(2, (cell.col1 - cell.col0 + 1) / 2);
    int largest = 0, frames = 0;
    for (int i = 0; i < 90; ++i) {
        h.Frames(2);
        const int flat = LargestFlatSquare(h);
        frames += flat >= 0 ? 1 : 0;
        largest = std::max(largest, flat);
    }
    EXPECT_GT(frames, 0);
    EXPECT_LT(largest, half) << "a flat square of " << largest << " pixels";
}

TEST(FieldEvents, AReadyTipWaitsForTheIntroToEnd) {
    FlowHarness h(47);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    h.CloseTips = false;
    h.Frames(5);
    ASSERT_EQ(g.Mode, kModeLevelIntro);
    f.PostResult(2, 0);
    h.Frames(1);
    EXPECT_EQ(g.TipOpen, kTipPending);
    EXPECT_FALSE(g.Screens->TutorialForm->Visible);
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f));
    EXPECT_EQ(g.TipOpen, kTipShown);
    EXPECT_EQ(CScreensManager::WindowText(g.Screens->TutorialGroups[1].Windows[1]), GetString(129));
}

TEST(FieldEvents, SoundCuesOfTheLevel) {
    FlowHarness h(53, true);
    START_GAME(h);
    CGame& g = h.Game();
    snd::FakeAudio& audio = *h.Audio();
    // Plays of a sound file, through the handles its loads gave.
    auto plays = [&](const std::string& file) {
        std::vector<int64_t> handles;
        for (const auto& c : audio.CallsOf("SampleLoad"))
            if (c.path.find(file) != std::string::npos)
                handles.push_back(c.result);
        int n = 0;
        for (const char* call : {"SamplePlay", "SamplePlayEx"})
            for (const auto& c : audio.CallsOf(call))
                if (!c.args.empty() &&
                    std::find(handles.begin(), handles.end(), c.args[0]) != handles.end())
                    ++n;
        return n;
    };
    EXPECT_EQ(plays("NewLevel.wav"), 1);

    ScriptedPlayer player(h);
    ASSERT_TRUE(ReachPlay(h, player));
    CMatchMove m;
    ASSERT_TRUE(player.BestMove(m));
    const CVector3 a = Cell(h, m.Column1, m.Row1);
    const int selects = plays("Select.wav") + plays("SelectSteel.wav");
    h.Click(a.X, a.Y);
    EXPECT_EQ(plays("Select.wav") + plays("SelectSteel.wav"), selects + 1);
    h.RightClick(a.X, a.Y);

    h.Field().QueueEvent(CFieldEvent::kTimeWon).Amount = 5.0f;
    h.Frames(1);
    EXPECT_EQ(plays("TimeAdd.wav"), 1);

    // The clock's cues, each the alarm (its warning and the dial's blink):
    // 30 and 15 seconds, then every second from 10.
    g.TimeLeft = 30.5f;
    h.Frames(20);
    EXPECT_EQ(plays("Warning.wav"), 1);
    g.TimeLeft = 10.5f;
    h.Frames(1);
    EXPECT_EQ(plays("Warning.wav"), 2) << "15 s, passed by the jump, sounds once";
    for (int second = 10; second > 5; --second) {
        ASSERT_TRUE(h.RunUntil([&] { return g.TimeLeft <= second; }, 1.5f));
        EXPECT_TRUE(g.Screens->CueActive && g.Screens->QuestMarkers[1]->Visible) << second;
    }
    EXPECT_EQ(plays("Warning.wav"), 7) << "10, 9, 8, 7, 6";

    // Lost: the life-lost sounds; then won: the end of the level and a star.
    g.TimeLeft = 0.1f;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubLostLevel; }, 1.0f));
    EXPECT_EQ(plays("LifeLost.wav"), 1);
    ASSERT_TRUE(h.RunUntil([&] { return h.ClickLostLifeCard(), g.Mode == kModeLevelIntro; }, 8.0f));
    EXPECT_EQ(plays("LifeLostBack.wav"), 1);
    ASSERT_EQ(player.PlayLevel(240.0f), ScriptedPlayer::kWon);
    EXPECT_EQ(plays("EndLevel.wav"), 1);
    EXPECT_EQ(plays("BonusStar.wav"), 1);
}

// The socket on the tablet under the clock and the lives holds the seer's
// medallion, dark while no adviser runs; an adviser's seconds light it up and
// count down over it in the same place.
TEST(FieldEvents, TheSeersSocketHoldsItsMedallionIdleOrCounting) {
    FlowHarness h(61);
    START_GAME(h);
    CScreensManager& s = *h.Game().Screens;
    ScriptedPlayer player(h);
    ASSERT_TRUE(ReachPlay(h, player));
    CUxWindow& counter = *s.QuestControl1;
    ASSERT_FALSE(counter.Pictures.empty()) << "the counter has no medallion";
    EXPECT_FALSE(counter.Visible);
    CUxWindow* idle = nullptr;
    for (const CSharedPtr<CUxWindow>& w : s.QuestForm->Children)
        if (w.Get() != &counter && w->Visible && !w->Pictures.empty() &&
            w->Pictures[0]->Texture.Get() == counter.Pictures[0]->Texture.Get())
            idle = w.Get();
    ASSERT_NE(idle, nullptr) << "the socket stands empty";
    EXPECT_NEAR(idle->Position.X, counter.Position.X, 0.5f);
    EXPECT_NEAR(idle->Position.Y, counter.Position.Y, 0.5f);
    EXPECT_TRUE(
        h.SeenAt(FlowHarness::DrawFlagsOf(*idle), idle->Position.X, idle->Position.Y, 8.0f, 8.0f));

    h.Field().Adviser.AddTime(1, 10.0f);
    h.Frames(30);
    EXPECT_TRUE(counter.Visible);
    EXPECT_TRUE(h.SeenAt(FlowHarness::DrawFlagsOf(counter), counter.Position.X, counter.Position.Y,
                         8.0f, 8.0f));
}
