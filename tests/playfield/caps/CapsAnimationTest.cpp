// "CapsAnimation.dat": the 17 blocks, their frames and tracks, and every way a
// block can be wrong, with the line the log names.
#include "CapsTestSupport.h"
#include "engine/TextTokenizer.h"

namespace capstest {
namespace {

class CapsAnimationTest : public CapsFixture {
protected:
    // Loads a file of the given text; the manager's result.
    int Load(const std::string& text) {
        WriteAnimation(text);
        ClearLog();
        return caps_->LoadCapsAnimation(DataFolder());
    }
    // One block parsed on its own; the log tells why it failed.
    int ParseOne(const std::string& text, CCapAnimation& record) {
        const std::string path = dir_.Write("block.dat", text);
        CTextTokenizer tokenizer;
        EXPECT_EQ(tokenizer.Open(path), 0);
        ClearLog();
        return ParseCapAnimation(record, tokenizer);
    }
};

void ExpectFrame(const CCapFrame& got, const CCapFrame& want) {
    EXPECT_FLOAT_EQ(got.Left, want.Left);
    EXPECT_FLOAT_EQ(got.Top, want.Top);
    EXPECT_FLOAT_EQ(got.Right, want.Right);
    EXPECT_FLOAT_EQ(got.Bottom, want.Bottom);
}

TEST_F(CapsAnimationTest, ReadsSeventeenRecords) {
    ASSERT_EQ(Load(AnimationFile()), 1) << Log();
    EXPECT_EQ(Log(), "");
    const auto& records = caps_->GetAnimations();
    ASSERT_EQ(records.size(), 17u);
    for (int r = 0; r < 17; ++r) {
        SCOPED_TRACE(r);
        ASSERT_EQ(records[r].Frames.size(), 3u);
        for (int k = 0; k < 3; ++k)
            ExpectFrame(records[r].Frames[k], CellFrame(r, k));
        EXPECT_EQ(records[r].Track, (std::vector<int32_t>{0, 1, 2, 1}));
    }
    EXPECT_EQ(caps_->GetAnimation(17), nullptr);
    EXPECT_EQ(caps_->GetAnimation(-1), nullptr);

    // Loading again replaces the records.
    ASSERT_EQ(Load(AnimationFile()), 1);
    EXPECT_EQ(caps_->GetAnimations().size(), 17u);
}

TEST_F(CapsAnimationTest, FreeLayoutCaseAndTrailingContent) {
    std::string text =
        "# token animations\n"
        "\n"
        "texturesize 64 32   # lower case is fine\n"
        "Frame 0 0 0 16 16 FRAME 1\t16 16 32 32\n"
        "track\n"
        "(\n"
        " 1 0 1\n"
        ")\n";
    for (int r = 1; r < 17; ++r)
        text += testsupport::CapsAnimationBlock(r, 1, "0");
    text += "TEXTURESIZE 0 0\nthis is not a block at all ( ( (\n";
    ASSERT_EQ(Load(text), 1) << Log();
    const CCapAnimation& first = caps_->GetAnimations()[0];
    ASSERT_EQ(first.Frames.size(), 2u);
    ExpectFrame(first.Frames[0], CCapFrame{0.0f, 0.0f, 0.25f, 0.5f});
    ExpectFrame(first.Frames[1], CCapFrame{0.25f, 0.5f, 0.5f, 1.0f});
    EXPECT_EQ(first.Track, (std::vector<int32_t>{1, 0, 1}));
}

TEST_F(CapsAnimationTest, MissingFileFailsWithThreeLines) {
    ClearLog();
    EXPECT_EQ(caps_->LoadCapsAnimation(DataFolder()), 0);
    EXPECT_EQ(Log(),
              " Unable to open file CapsAnimation.dat!\n"
              " Unexpected End of file\n"
              " Unable to Load Caps Animation!\n");
    EXPECT_TRUE(caps_->GetAnimations().empty());
}

TEST_F(CapsAnimationTest, ShortFilesFailOnTheMissingBlock) {
    ASSERT_EQ(Load(AnimationFile(16)), 0);
    EXPECT_EQ(Log(), " Unexpected End of file\n Unable to Load Caps Animation!\n");
    // The records read before the failure stay.
    EXPECT_EQ(caps_->GetAnimations().size(), 16u);

    ASSERT_EQ(Load(AnimationFile(4) + "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\n"), 0);
    EXPECT_EQ(Log(), " Unexpected End of file\n Unable to Load Caps Animation!\n");
    EXPECT_EQ(caps_->GetAnimations().size(), 4u);
}

TEST_F(CapsAnimationTest, ErrorInALaterBlockNamesItsFileLine) {
    // Blocks of 5 lines each; the 3rd block's track line is line 16.
    const std::string text =
        AnimationFile(2) + "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nFRAME 1 0 0 8 8\n" +
        "FRAME 2 0 0 8 8\n\nTRACK ( 0 1 7 )\n" + AnimationFile(14);
    ASSERT_EQ(Load(text), 0);
    EXPECT_EQ(Log(), " Wrong FrameNum in line 16\n Unable to Load Caps Animation!\n");
    EXPECT_EQ(caps_->GetAnimations().size(), 2u);
}

struct BadBlock {
    const char* name;
    const char* text;
    const char* log;
};

void PrintTo(const BadBlock& block, std::ostream* out) {
    *out << block.name;
}

class CapsAnimationBadBlockTest : public CapsAnimationTest,
                                  public ::testing::WithParamInterface<BadBlock> {};

TEST_P(CapsAnimationBadBlockTest, FailsWithItsMessage) {
    CCapAnimation record;
    record.Frames.push_back(CCapFrame{});  // cleared by the parse
    EXPECT_EQ(ParseOne(GetParam().text, record), 0);
    EXPECT_EQ(Log(), GetParam().log);
}

const BadBlock kBadBlocks[] = {
    {"Empty", "", " Unexpected End of file\n"},
    {"OnlyComments", "# nothing\n\n#\n", " Unexpected End of file\n"},
    {"NoTextureSize", "FRAME 0 0 0 8 8\n", " Unexpected Token <FRAME> in Line 1\n"},
    {"ZeroWidth", "\nTEXTURESIZE 0 8\n", " Unexpected Token <0> in Line 2\n"},
    {"NegativeHeight", "TEXTURESIZE 8\n-8\n", " Unexpected Token <-8> in Line 2\n"},
    {"SizeNotANumber", "TEXTURESIZE 8 big\n", " Unexpected Token <big> in Line 1\n"},
    {"SizeNotAnInteger", "TEXTURESIZE 8 1.5\n", " Unexpected Token <1.5> in Line 1\n"},
    {"SizeTooLarge", "TEXTURESIZE 8 99999999999\n",
     " Unexpected Token <99999999999> in Line 1\n"},
    {"FirstFrameNumberedOne", "TEXTURESIZE 8 8\nFRAME 1 0 0 8 8\nTRACK ( 0 )\n",
     " Wrong FrameNum in line 2\n"},
    {"FrameRepeated", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\n# again\nFRAME 0 0 0 8 8\n",
     " Wrong FrameNum in line 4\n"},
    {"FrameCutShort", "TEXTURESIZE 8 8\nFRAME 0 0 0 8\n", " Unexpected End of file\n"},
    {"FrameEdgeNotANumber", "TEXTURESIZE 8 8\nFRAME 0 0 x 8 8\n",
     " Unexpected Token <x> in Line 2\n"},
    {"UnknownKeyword", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nFRAMES 1\n",
     " Unexpected Token <FRAMES> in Line 3\n"},
    {"SecondTextureSize", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTextureSize 8 8\n",
     " Unexpected Token <TextureSize> in Line 3\n"},
    {"NoTrack", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\n", " Unexpected End of file\n"},
    {"TrackWithoutParenthesis", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTRACK 0 )\n",
     " Unexpected Token <0> in Line 3\n"},
    {"EmptyTrack", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTRACK ( )\n", " Unexpected End of file\n"},
    {"TrackNeverClosed", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTRACK ( 0 0\n",
     " Unexpected End of file\n"},
    {"TrackPastTheFrames",
     "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nFRAME 1 0 0 8 8\nFRAME 2 0 0 8 8\nTRACK ( 0\n3 )\n",
     " Wrong FrameNum in line 6\n"},
    {"TrackNegative", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTRACK ( -1 )\n",
     " Wrong FrameNum in line 3\n"},
    {"TrackWithoutFrames", "TEXTURESIZE 8 8\nTRACK ( 0 )\n", " Wrong FrameNum in line 2\n"},
    {"TrackEntryNotANumber", "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nTRACK ( 0 \"a\" )\n",
     " Unexpected Token <\"a\"> in Line 3\n"},
};

INSTANTIATE_TEST_SUITE_P(Blocks, CapsAnimationBadBlockTest, ::testing::ValuesIn(kBadBlocks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CapsAnimationTest, ParsedBlockClearsTheOldRecord) {
    CCapAnimation record;
    record.Frames.resize(5);
    record.Track.assign(9, 4);
    ASSERT_EQ(ParseOne("TEXTURESIZE 10 20 FRAME 0 1 2 3 4 TRACK ( 0 0 )", record), 1);
    ASSERT_EQ(record.Frames.size(), 1u);
    ExpectFrame(record.Frames[0], CCapFrame{0.1f, 0.1f, 0.3f, 0.2f});
    EXPECT_EQ(record.Track, (std::vector<int32_t>{0, 0}));
}

TEST_F(CapsAnimationTest, LineNumbersCountLongLinesOnce) {
    // A line longer than the tokenizer's buffer still counts as one line.
    std::string text = "TEXTURESIZE 8 8\n" + std::string(5000, ' ') + "FRAME 0 0 0 8 8\n" +
                       "FRAME 2 0 0 8 8\n";
    CCapAnimation record;
    EXPECT_EQ(ParseOne(text, record), 0);
    EXPECT_EQ(Log(), " Wrong FrameNum in line 3\n");
    // Windows line ends count the same.
    EXPECT_EQ(ParseOne("TEXTURESIZE 8 8\r\n\r\nBAD\r\n", record), 0);
    EXPECT_EQ(Log(), " Unexpected Token <BAD> in Line 3\n");
}

TEST(CapAnimationFrameTest, TrackPositionsAreClampedToTheTrack) {
    CCapAnimation record;
    EXPECT_EQ(record.FrameAt(0), nullptr);
    record.Frames = {CCapFrame{0, 0, 1, 1}, CCapFrame{1, 1, 2, 2}, CCapFrame{2, 2, 3, 3}};
    record.Track = {2, 0};
    EXPECT_EQ(record.FrameAt(0), &record.Frames[2]);
    EXPECT_EQ(record.FrameAt(1), &record.Frames[0]);
    // An owner expecting a longer track (a card's glow levels) gets the last entry.
    EXPECT_EQ(record.FrameAt(2), &record.Frames[0]);
    EXPECT_EQ(record.FrameAt(1000), &record.Frames[0]);
    EXPECT_EQ(record.FrameAt(-4), &record.Frames[2]);
    // A track entry without its frame (a record built by hand) shows nothing.
    record.Track = {5};
    EXPECT_EQ(record.FrameAt(0), nullptr);
}

} // namespace
} // namespace capstest
