#include "engine/ObjectLog.h"

#include <gtest/gtest.h>

#include <string_view>

#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

class ObjectLogTest : public ::testing::Test {
protected:
    void SetUp() override { SetObjectLogPath(log_); }
    void TearDown() override { SetObjectLogPath("Objects.log"); }
    TempDir dir_;
    std::string log_ = dir_.Path("Objects.log");
};

TEST_F(ObjectLogTest, EntriesAreAppendedWithTheirLeadingBlank) {
    ResetObjectLog();
    EXPECT_EQ(ReadFile(log_), "");
    LogObject("Begin log\n");
    LogObject("Ver.1.08");
    LogObject("\n");
    LogObject("Vertex Buffer Destruction. ");
    LogObjectNumber(-1);
    LogObject(" Locks left\n");
    LogObjectNumber(2147483647);
    EXPECT_EQ(ReadFile(log_),
              " Begin log\n Ver.1.08 \n Vertex Buffer Destruction.  -1   Locks left\n 2147483647 ");
}

TEST_F(ObjectLogTest, ResetStartsEachRunWithAnEmptyLog) {
    dir_.Write("Objects.log", "left over from an earlier run\n");
    ResetObjectLog();
    LogObject("run two");
    EXPECT_EQ(ReadFile(log_), " run two");
}

TEST_F(ObjectLogTest, EntriesThatCannotBeWrittenAreDropped) {
    SetObjectLogPath(dir_.Path("no such folder/Objects.log"));
    ResetObjectLog();
    LogObject("lost");
    LogObjectNumber(7);
    SetObjectLogPath(dir_.Path("")); // a folder, not a file
    LogObject("lost too");

    // Writing resumes once the log can be opened again.
    SetObjectLogPath(log_);
    LogObject("kept");
    EXPECT_EQ(ReadFile(log_), " kept");
}

TEST_F(ObjectLogTest, QuotedTokensShowControlBytesEscaped) {
    using namespace std::string_view_literals;
    // A NUL or a line break inside a token can neither cut nor split the line.
    LogObject("Unexpected token " + QuoteToken("a\0b\n\x7F\xC3\xA9"sv) + ", line 3\n");
    // Unquoted, the entry is written whole, its control bytes escaped.
    LogObject(std::string("T\0X\r is not a statement\n"sv));
    EXPECT_EQ(ReadFile(log_), " Unexpected token \"a\\x00b\\x0A\\x7F\xC3\xA9\", line 3\n"
                              " T\\x00X\\x0D is not a statement\n");
    EXPECT_EQ(QuoteToken("x", "<", ">"), "<x>");
    EXPECT_EQ(QuoteToken("", "", ""), "");
    // A token the file itself quoted keeps its quotes, never doubled.
    EXPECT_EQ(QuoteToken("\"POSITION\""), "\"POSITION\"");
    EXPECT_EQ(QuoteToken("\"\""), "\"\"");
    EXPECT_EQ(QuoteToken("\"a\nb\""), "\"a\\x0Ab\"");
    EXPECT_EQ(QuoteToken("\"x\"", "<", ">"), "<\"x\">");
    EXPECT_EQ(QuoteToken("\""), "\"\"\"") << "a lone quote is no quoted token";
}

} // namespace
