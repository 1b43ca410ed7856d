// The HUD's model without anything drawn: the score counts up,
// the clock turns red, messages queue, stack and expire.
#include <gtest/gtest.h>

#include "app/Hud.h"

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
