// Texts from the data files are formatted safely and clocks read as a person
// expects.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "engine/TextFormat.h"

TEST(TextFormat, FillsOnlyNumbersAndNamesWhateverTheDataSays) {
    EXPECT_EQ(FormatText("Level %d-%d", {3, 1}), "Level 3-1");
    EXPECT_EQ(FormatText("%d:%02d", {4, 5}), "4:05");
    EXPECT_EQ(FormatText("%03d|%3d|%03d", {-7, 7, 1234}), "-07|  7|1234");
    EXPECT_EQ(FormatText("100%% done", {}), "100% done");
    EXPECT_EQ(FormatText("Delete %s?", {"Bob"}), "Delete Bob?");
    // A profile name is any text: its own '%' signs are never read again.
    EXPECT_EQ(FormatText("Delete %s (%d)?", {"%s%d%n", 3}), "Delete %s%d%n (3)?");
    // More conversions than values, and conversions we never fill.
    EXPECT_EQ(FormatText("%d and %d, %s.", {7}), "7 and 0, .");
    EXPECT_EQ(FormatText("%x %n %5.2f %", {1}), "%x %n %5.2f %");
    EXPECT_EQ(FormatText("%999999999999d", {5}).size(), 64u);
    const std::string longName(5000, 'n');
    EXPECT_EQ(FormatText("[%s]", {longName}).size(), 5002u) << "nothing is cut";

    EXPECT_EQ(FormatClock(240.0f), "4:00");
    EXPECT_EQ(FormatClock(239.2f), "4:00") << "whole seconds are rounded up";
    EXPECT_EQ(FormatClock(59.01f), "1:00");
    EXPECT_EQ(FormatClock(0.0f), "0:00");
    EXPECT_EQ(FormatClock(-3.0f), "0:00");
    EXPECT_EQ(FormatClock(std::numeric_limits<float>::infinity()), "0:00");
}
