// The HUD's model without anything drawn: texts from the data files are
// formatted safely, the clock reads as a person expects, the score counts up,
// the clock turns red, messages queue, stack and expire.
#include <gtest/gtest.h>

#include <limits>

#include "app/Hud.h"

TEST(HudText, FormatsOnlyNumbersWhateverTheDataSays) {
    EXPECT_EQ(FormatText("Level %d-%d", {3, 1}), "Level 3-1");
    EXPECT_EQ(FormatText("TIME BONUS +%d", {12300}), "TIME BONUS +12300");
    EXPECT_EQ(FormatText("%d:%02d", {4, 5}), "4:05");
    EXPECT_EQ(FormatText("100%% done", {}), "100% done");
    // A text that asks for more values than given, or for other kinds, is
    // printed without reading anything that is not there.
    EXPECT_EQ(FormatText("%d and %d", {7}), "7 and 0");
    EXPECT_EQ(FormatText("%s at %x%", {1}), "%s at %x%");
    EXPECT_EQ(FormatText("%999999999999d", {5}).size(), 64u);

    EXPECT_EQ(FormatClock(240.0f), "4:00");
    EXPECT_EQ(FormatClock(239.2f), "4:00") << "whole seconds are rounded up";
    EXPECT_EQ(FormatClock(59.01f), "1:00");
    EXPECT_EQ(FormatClock(0.2f), "0:01");
    EXPECT_EQ(FormatClock(0.0f), "0:00");
    EXPECT_EQ(FormatClock(-3.0f), "0:00");
    EXPECT_EQ(FormatClock(std::numeric_limits<float>::infinity()), "0:00");
}

TEST(HudModel, ScoreClockAndMessages) {
    CHud hud(CSharedPtr<CTextLayer>(), CSharedPtr<CBitmapFont>(), CSharedPtr<CBitmapFont>(),
             CSharedPtr<CBitmapFont>(), -1, 1);
    hud.ShowPanel(true);

    // The score counts up over a few frames and never overshoots.
    hud.SetScore(1000, false);
    EXPECT_EQ(hud.GetRowValue(CHud::kScoreRow), "1000");
    hud.SetScore(3000, true);
    EXPECT_EQ(hud.GetShownScore(), 1000);
    int32_t last = 1000;
    int frames = 0;
    while (hud.GetShownScore() < 3000 && frames < 200) {
        hud.Update(1.0f / 30.0f);
        EXPECT_GE(hud.GetShownScore(), last);
        last = hud.GetShownScore();
        ++frames;
    }
    EXPECT_EQ(hud.GetShownScore(), 3000);
    EXPECT_LT(frames, 60);
    EXPECT_EQ(hud.GetRowValue(CHud::kScoreRow), "3000");
    // A lower score (a level started again) shows at once.
    hud.SetScore(500, true);
    EXPECT_EQ(hud.GetShownScore(), 500);

    // The clock is red under ten seconds.
    hud.SetTime(10.0f);
    EXPECT_FALSE(hud.IsTimeRed());
    hud.SetTime(9.9f);
    EXPECT_TRUE(hud.IsTimeRed());
    EXPECT_EQ(hud.GetRowValue(CHud::kTimeRow), "0:10");
    hud.SetTime(25.0f);
    EXPECT_FALSE(hud.IsTimeRed());

    // Messages: a delayed one waits; at most four; each leaves after its time.
    hud.ShowMessage("NO MOVES!", 1.5f);
    hud.ShowMessage("SHUFFLING...", 1.0f, CHud::kSky, 48.0f, 1.5f);
    ASSERT_EQ(hud.MessageCount(), 2u);
    for (int i = 0; i < 50; ++i)
        hud.Update(1.0f / 30.0f);
    ASSERT_EQ(hud.MessageCount(), 1u);
    EXPECT_EQ(hud.MessageTexts()[0], "SHUFFLING...");
    for (int i = 0; i < 40; ++i)
        hud.Update(1.0f / 30.0f);
    EXPECT_EQ(hud.MessageCount(), 0u);
    for (const char* t : {"A", "B", "C", "D", "E"})
        hud.ShowMessage(t, 1.0f);
    ASSERT_EQ(hud.MessageCount(), CHud::kMaxMessages);
    EXPECT_EQ(hud.MessageTexts().front(), "B");
    hud.ShowMessage("", 1.0f);
    EXPECT_EQ(hud.MessageCount(), CHud::kMaxMessages) << "an empty text is no message";

    hud.ShowCard("Title", "", "Body", "Hint");
    EXPECT_TRUE(hud.IsCardShown());
    EXPECT_EQ(hud.GetCardTitle(), "Title");
    hud.HideCard();
    EXPECT_FALSE(hud.IsCardShown());
}
