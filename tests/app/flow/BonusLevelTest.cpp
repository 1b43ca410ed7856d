// The bonus levels: each challenge follows its quest level in the schedule,
// is set up by its launcher, played by the scripted player and leads on to
// the next level; and each can be lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/Texture.h"
#include "platform/image/Image.h"
#include "platform/os/Path.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/ArcadeGame.h"
#include "playfield/BlinkerGame.h"
#include "playfield/CapsManager.h"
#include "playfield/MemoryGame.h"
#include "playfield/ThimblesGame.h"
#include "screens/ScreensManager.h"

using namespace flowtest;

namespace {

bool HasMessage(FlowHarness& h, const std::string& text) {
    const auto texts = h.Game().MessageTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Starts quest level `level`, wins it at once (its last gem found) and goes
// on from its results.
::testing::AssertionResult WinLevelQuickly(FlowHarness& h, int32_t level) {
    CGame& g = h.Game();
    g.StartLevel(level);
    if (!h.RunUntil([&] { return g.SubState == kSubPlay; }, 3.0f))
        return ::testing::AssertionFailure() << "level " << level << " did not start";
    h.Field().GemsToCollect = 0;
    if (!h.RunUntil([&] { return g.SubState == kSubResult && g.LevelCompleted; }, 5.0f))
        return ::testing::AssertionFailure() << "level " << level << " was not won";
    if (!h.ClickControl(g.Screens->StatisticsForm, 30, 6.0f))
        return ::testing::AssertionFailure() << "no results of level " << level;
    return ::testing::AssertionSuccess();
}

struct Scheduled {
    int32_t level;
    int32_t kind;
    const char* name;
};

} // namespace

TEST(BonusLevels, EachChallengeFollowsItsLevelAndIsWon) {
    FlowHarness h(17);
    START_GAME(h);
    CGame& g = h.Game();
    g.Profile->QuestTutorial = 0;  // no tips: the levels are won at once
    CPlayField& f = h.Field();
    ScriptedPlayer player(h);
    // No message of the challenges or their ends is drawn over another.
    std::set<std::string> overlaps;
    h.EachFrame = [&] {
        for (const std::string& o : h.MessagesOverOneAnother())
            overlaps.insert(o);
    };

    const Scheduled schedule[] = {{5, kBonusAccuracy, "Accuracy"},
                                  {10, kBonusMemory, "Memory"},
                                  {15, kBonusAttention, "Attention"},
                                  {20, kBonusReaction, "Reaction"}};
    for (const Scheduled& s : schedule) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(WinLevelQuickly(h, s.level));
        const int32_t stars = g.GoldenStars();
        const int32_t trophy = f.Trophy7Progress;
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubBonus; }, 5.0f));

        // The launcher's set-up.
        EXPECT_EQ(g.BonusKind, s.kind);
        EXPECT_EQ(g.BonusTextKey, s.level / 5);
        EXPECT_EQ(g.BonusGroup, 1);
        EXPECT_EQ(g.BonusIntro, 1);
        EXPECT_EQ(f.FieldState, CPlayField::kMainBoard + s.kind);
        EXPECT_EQ(g.MusicState, 3);
        EXPECT_EQ(g.Caps->GetTextureMode(), s.kind == kBonusAccuracy ? 0 : 1);
        EXPECT_EQ(g.CardTitle, "Bonus Level " + std::to_string(s.level / 5));
        const CScreensManager& screens = *g.Screens;
        const CSharedPtr<CUxWindow> caption[] = {screens.MemoryCaption, screens.ArcadeCaption,
                                                 screens.ThimblesCaption, screens.BlinkerCaption};
        EXPECT_EQ(CScreensManager::WindowText(caption[s.kind - 1]),
                  "Bonus Level " + std::to_string(s.level / 5));
        EXPECT_TRUE(g.BonusForm(s.kind)->Visible);
        ASSERT_FALSE(f.Dune->Sandbox.IsNull());
        EXPECT_EQ(f.Dune->Sandbox->MeanLevel, 0.0);
        switch (s.kind) {
        case kBonusMemory:
            ASSERT_FALSE(f.Memory.IsNull());
            EXPECT_FLOAT_EQ(g.BonusTimeLimit, 150.0f);
            EXPECT_EQ(f.Memory->OriginX, f.Origin[0]);
            break;
        case kBonusAccuracy:
            ASSERT_FALSE(f.Arcade.IsNull());
            EXPECT_FLOAT_EQ(g.BonusTimeLimit, 40.0f);
            EXPECT_EQ(f.Arcade->Slots, f.Dune->BarElementCount);
            break;
        case kBonusAttention:
            ASSERT_FALSE(f.Thimbles.IsNull());
            EXPECT_FLOAT_EQ(g.BonusTimeLimit, 0.0f) << "ten rounds, no clock";
            EXPECT_FLOAT_EQ(g.Screens->EasedTarget, 1.0f) << "a full dial";
            break;
        case kBonusReaction:
            ASSERT_FALSE(f.Blinker.IsNull());
            EXPECT_FLOAT_EQ(g.BonusTimeLimit, 60.0f);
            break;
        }

        // The clock waits for the instructions to be read: the card asks
        // for a click and waits for it.
        const float time = g.BonusTime;
        h.Frames(static_cast<int>(7.0f / FlowHarness::kDt));
        EXPECT_FLOAT_EQ(g.BonusTime, time);
        EXPECT_EQ(g.BonusIntro, 1) << "the card went on by itself";

        ASSERT_TRUE(player.PlayBonus(200.0f)) << "the bonus level does not end";
        EXPECT_EQ(g.BonusWon, 1);
        EXPECT_EQ(g.GoldenStars(), stars + 1);
        EXPECT_EQ(f.Trophy7Progress, trophy + 1);
        // After the last round's own message.
        EXPECT_TRUE(h.RunUntil([&] { return HasMessage(h, GetString(70)); }, 2.0f));
        if (s.kind == kBonusAttention) {
            EXPECT_GE(g.BonusWins, 7);
        }

        // On to the next quest level, with the normal tokens again.
        ASSERT_TRUE(h.PlayOnFromMap());
        EXPECT_EQ(g.Level, s.level + 1);
        EXPECT_EQ(g.BonusKind, kBonusNone);
        EXPECT_EQ(f.FieldState, CPlayField::kMainBoard);
        EXPECT_EQ(g.Caps->GetTextureMode(), 0);
        EXPECT_EQ(g.MusicState, 0);
    }
    EXPECT_EQ(g.BonusesPlayed, 4);
    h.EachFrame = nullptr;
    EXPECT_TRUE(overlaps.empty()) << ::testing::PrintToString(overlaps);
}

TEST(BonusLevels, ChallengesAreLostOnTimeOrWrongAnswers) {
    FlowHarness h(29);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();

    // Time runs out in the timed challenges (the second group this time).
    for (int32_t key : {5, 6, 8}) {
        SCOPED_TRACE(key);
        g.Level = 5 * key;
        g.StartBonusLevel(key, 2);
        ASSERT_EQ(g.SubState, kSubBonus);
        EXPECT_EQ(g.BonusGroup, 2);
        h.Frames(12);
        h.Click(0.0f, 0.0f);  // past the instructions
        h.Frames(60);
        EXPECT_EQ(g.BonusIntro, 0);
        g.BonusTime = 0.2f;
        ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubResult; }, 30.0f));
        EXPECT_EQ(g.BonusWon, 0);
        // The Accuracy challenge says it failed, then the level is lost.
        bool failed = false;
        EXPECT_TRUE(h.RunUntil(
            [&] {
                failed = failed || HasMessage(h, GetString(17));
                return HasMessage(h, GetString(75));
            },
            2.0f));
        EXPECT_EQ(failed, g.BonusKind == kBonusAccuracy);
        ASSERT_TRUE(h.PlayOnFromMap());
        EXPECT_EQ(g.Level, 5 * key + 1);
    }

    // The Attention challenge with the wrong cup every time.
    g.Level = 35;
    g.StartBonusLevel(7, 2);
    ASSERT_EQ(g.BonusKind, kBonusAttention);
    h.Frames(12);
    h.Click(0.0f, 0.0f);
    int misses = 0;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            if (g.SubState != kSubBonus)
                return true;
            if (!f.Thimbles.IsNull() && f.Thimbles->State == CThimblesGame::kWaitingForClick) {
                const CSharedPtr<CGridCell> cup = f.Thimbles->Cup(0);
                if (!cup.IsNull()) {
                    h.Click(cup->X, cup->Y);
                    ++misses;
                }
            }
            return false;
        },
        200.0f));
    EXPECT_EQ(misses, 10);
    EXPECT_EQ(g.BonusWins, 0);
    EXPECT_EQ(g.BonusWon, 0);
}

TEST(BonusLevels, ReactionMissesCostTime) {
    FlowHarness h(31);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    g.Level = 20;
    g.StartBonusLevel(4, 1);
    ASSERT_EQ(g.BonusKind, kBonusReaction);
    h.Frames(12);
    h.Click(0.0f, 0.0f);
    // A click while nothing is open is a miss: "MISS", the penalty, 3 s less.
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return f.Blinker->State == CBlinkerGame::kFlashing &&
                   f.Blinker->Phase == CBlinkerGame::kDark;
        },
        5.0f));
    const float before = g.BonusTime;
    h.Key('A');
    ASSERT_TRUE(h.RunUntil([&] { return HasMessage(h, GetString(23)); }, 1.0f));
    EXPECT_NEAR(g.BonusTime, before - 3.0f, 0.2f);
    // The penalty is told next.
    EXPECT_TRUE(h.RunUntil([&] { return HasMessage(h, GetString(30)); }, 2.0f));
}

// The row of slots shows from the start; the flying token shows a cell of
// its sheet that holds a solid lit stone (not a small sparkle, not nothing),
// and a hit one rests in sight in its slot.
TEST(BonusLevels, AccuracyTokensAreGemsThatLandInSight) {
    FlowHarness h(37);
    START_GAME(h);
    h.Game().Level = 5;
    h.Game().StartBonusLevel(1, 1);
    h.Frames(12);
    h.Click(0.0f, 0.0f);
    const CSharedPtr<CArcadeGame>& game = h.Field().Arcade;
    // The row the rules ask to fill shows, empty, before a gem is caught.
    ASSERT_FALSE(h.Field().Dune.IsNull());
    EXPECT_TRUE(h.SeenAt({&h.Field().Dune->SlotsShown},
                         game->RowX + (static_cast<float>(game->Slots) - 0.5f) * game->SlotWidth,
                         game->RowY - 0.5f * game->SlotHeight, game->SlotWidth / 2,
                         game->SlotHeight / 2))
        << "no row of slots shows";
    ASSERT_TRUE(h.RunUntil(
        [&] { return !game->Tokens.empty() && game->Tokens[0]->Sprite->Position.X < 400.0f; }, 8.0f));
    CArcadeItem& token = *game->Tokens[0];
    CSpriteQuad& sprite = *token.Sprite;
    ASSERT_EQ(sprite.Texture.Get(), game->TokenTexture.Get());
    EXPECT_TRUE(h.SeenAt({&sprite.Shown}, sprite.Position.X, sprite.Position.Y, 16.0f, 16.0f));
    img::Image sheet;
    ASSERT_EQ(img::DecodeFile(os::ResolveReadPath(sprite.Texture->GetPath()), sheet), img::DecodeError::None);
    int solid = 0; // in the lower-left quarter cell
    for (int y = sheet.height * 3 / 4; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width / 4; ++x) {
            const uint8_t* t = &sheet.rgba[(static_cast<size_t>(y) * sheet.width + x) * 4];
            solid += t[3] >= 224 && std::max({t[0], t[1], t[2]}) >= 96;
        }
    EXPECT_GT(solid * 160, sheet.width * sheet.height * 3) << "under 30% of the cell is solid";
    h.Click(sprite.Position.X, sprite.Position.Y);
    ASSERT_TRUE(h.RunUntil([&] { return token.State == CArcadeItem::kInSlot; }, 2.0f));
    EXPECT_TRUE(h.SeenAt({&sprite.Shown}, token.TargetX, token.TargetY, 4.0f, 4.0f));
}
