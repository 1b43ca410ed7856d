// "CapsAnimation.dat": the 17 blocks, their frames and tracks, and every way a
// block can be wrong, with the line the log names.
#include "CapsTestSupport.h"
#include <algorithm>

#include "engine/ObjectLog.h"
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
        path_ = dir_.Write("block.dat", text);
        CTextTokenizer tokenizer;
        EXPECT_EQ(tokenizer.Open(path_), 0);
        ClearLog();
        return ParseCapAnimation(record, tokenizer, path_);
    }
    // The log holds `message`, then the file and the line with a reason on a line
    // of its own, and then `after`.
    void ExpectFailure(const std::string& message, int line, const std::string& after = "",
                       std::string path = "") const {
        if (path.empty())
            path = path_;
        const std::string log = Log();
        const std::string where = " " + FileFaultLine(path, line, "");
        const std::string head = message + where.substr(0, where.size() - 1);
        EXPECT_EQ(log.substr(0, head.size()), head) << log;
        const size_t end = log.find('\n', message.size());
        EXPECT_GT(end, head.size()) << "no reason in " << log;
        EXPECT_EQ(log.substr(end == std::string::npos ? log.size() : end + 1), after) << log;
    }
    std::string AnimationPath() const { return DataFolder() + "CapsAnimation.dat"; }

    std::string path_;
};

// The last line of a text, where a reader that runs out of tokens stops.
int LastLine(const std::string& text) {
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    return !text.empty() && text.back() != '\n' ? lines + 1 : lines;
}

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
    ExpectFailure(" Unable to open file CapsAnimation.dat!\n Unexpected End of file\n", 0,
                  " Unable to Load Caps Animation!\n", AnimationPath());
    EXPECT_TRUE(caps_->GetAnimations().empty());
}

TEST_F(CapsAnimationTest, ShortFilesFailOnTheMissingBlock) {
    ASSERT_EQ(Load(AnimationFile(16)), 0);
    // The end of the file is named with its last line.
    ExpectFailure(" Unexpected End of file\n", LastLine(AnimationFile(16)),
                  " Unable to Load Caps Animation!\n", AnimationPath());
    // The records read before the failure stay.
    EXPECT_EQ(caps_->GetAnimations().size(), 16u);

    ASSERT_EQ(Load(AnimationFile(4) + "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\n"), 0);
    ExpectFailure(" Unexpected End of file\n", LastLine(AnimationFile(4)) + 2,
                  " Unable to Load Caps Animation!\n", AnimationPath());
    EXPECT_EQ(caps_->GetAnimations().size(), 4u);
}

TEST_F(CapsAnimationTest, ErrorInALaterBlockNamesItsFileLine) {
    // Blocks of 5 lines each; the 3rd block's track line is line 16.
    const std::string text =
        AnimationFile(2) + "TEXTURESIZE 8 8\nFRAME 0 0 0 8 8\nFRAME 1 0 0 8 8\n" +
        "FRAME 2 0 0 8 8\n\nTRACK ( 0 1 7 )\n" + AnimationFile(14);
    ASSERT_EQ(Load(text), 0);
    ExpectFailure(" Wrong FrameNum in line 16\n", 16, " Unable to Load Caps Animation!\n",
                  AnimationPath());
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
    // The line a message names, else (the end of the file) the file's last line.
    const std::string log = GetParam().log;
    const size_t digits = log.find_last_not_of("0123456789\n") + 1;
    const int line =
        digits < log.size() - 1 ? std::stoi(log.substr(digits)) : LastLine(GetParam().text);
    ExpectFailure(log, line);
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
    ExpectFailure(" Wrong FrameNum in line 3\n", 3);
    // Windows line ends count the same.
    EXPECT_EQ(ParseOne("TEXTURESIZE 8 8\r\n\r\nBAD\r\n", record), 0);
    ExpectFailure(" Unexpected Token <BAD> in Line 3\n", 3);
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
