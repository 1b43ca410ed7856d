#include "engine/TextTokenizer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using testsupport::TempDir;

namespace {

using Tokens = std::vector<std::string>;

class TextTokenizerTest : public ::testing::Test {
protected:
    // Every token of a file holding exactly these bytes.
    Tokens Lex(const std::string& bytes) {
        const std::string path = dir_.Write("lex.txt", bytes);
        CTextTokenizer tokenizer;
        EXPECT_EQ(tokenizer.Open(path), 0);
        Tokens out;
        std::string token;
        for (int len; (len = tokenizer.NextToken(token)) != 0;) {
            EXPECT_EQ(len, static_cast<int>(token.size()));
            out.push_back(token);
        }
        return out;
    }
    TempDir dir_;
};

TEST_F(TextTokenizerTest, FilesWithoutTokensEndAtOnce) {
    EXPECT_EQ(Lex(""), Tokens{});
    EXPECT_EQ(Lex("\n\n   \t \n# only a comment\n  #another\n"), Tokens{});
}

TEST_F(TextTokenizerTest, NumbersNamesAndSingleCharacters) {
    EXPECT_EQ(Lex("KEY=5 a1_b 1abc 0x1F"), (Tokens{"KEY", "=", "5", "a1_b", "1abc", "0", "x1F"}));
    EXPECT_EQ(Lex("1.5e-3 -12 +3 .5 - 3-4"),
              (Tokens{"1.5e-3", "-12", "+", "3", ".", "5", "-", "3-4"}));
    // Only the letters a-f continue a number; a name may not begin with a digit.
    EXPECT_EQ(Lex("12G _x9 9_"), (Tokens{"12", "G", "_x9", "9", "_"}));
    EXPECT_EQ(Lex("a\tb,c;d\re\xC8"
                  "f"),
              (Tokens{"a", "b", ",", "c", ";", "d", "\r", "e", "\xC8", "f"}));
}

TEST_F(TextTokenizerTest, CommentsStartWhereverATokenCould) {
    EXPECT_EQ(Lex("x#y z\nnext"), (Tokens{"x", "next"}));
    EXPECT_EQ(Lex("12#3\n\"a # b\" # c"), (Tokens{"12", "\"a # b\""}));
}

TEST_F(TextTokenizerTest, QuotedStringsKeepTheirQuotesAndGetAMissingOneAdded) {
    EXPECT_EQ(Lex("name \"two words\" \"\" x"), (Tokens{"name", "\"two words\"", "\"\"", "x"}));
    // The string ends with the line; the next line is read as usual.
    EXPECT_EQ(Lex("\"abc\nnext"), (Tokens{"\"abc\"", "next"}));
    EXPECT_EQ(Lex("\"\\n \t#x\"y"), (Tokens{"\"\\n \t#x\"", "y"}));
    EXPECT_EQ(Lex("\""), (Tokens{"\"\""}));
}

TEST_F(TextTokenizerTest, LongLinesAreReadInPiecesOf2046Characters) {
    const std::string limit(CTextTokenizer::kLineLimit, 'a');
    EXPECT_EQ(Lex(limit + "bc d"), (Tokens{limit, "bc", "d"}));
    // A line of exactly the limit leaves only its newline behind: no extra token.
    EXPECT_EQ(Lex(limit + "\nz"), (Tokens{limit, "z"}));
    // A quoted string cut at the boundary is closed there and its rest goes on.
    const std::string quoted = "\"" + std::string(CTextTokenizer::kLineLimit - 1, 'q');
    EXPECT_EQ(Lex(quoted + "rest\" x"), (Tokens{quoted + "\"", "rest", "\" x\""}));
}

TEST_F(TextTokenizerTest, WindowsLineEndsReadLikeUnixOnes) {
    EXPECT_EQ(Lex("define A 1\r\n\r\ndefine \"B\" 2\r\n"),
              (Tokens{"define", "A", "1", "define", "\"B\"", "2"}));
    EXPECT_EQ(Lex("\"open\r\nnext\r"), (Tokens{"\"open\"", "next"}));
}

TEST_F(TextTokenizerTest, NulBytesNeitherCutALineNorShiftLineNumbers) {
    using namespace std::string_literals;
    const struct {
        std::string text;
        Tokens tokens;
        std::vector<int> lines;
    } cases[] = {
        {"a\0b c\nd"s, {"a", "\0"s, "b", "c", "d"}, {1, 1, 1, 1, 2}},
        {"\0\nx\n\0y\nz"s, {"\0"s, "x", "\0"s, "y", "z"}, {1, 2, 3, 3, 4}},
        {"\"q\0q\" r\ns"s, {"\"q\0q\""s, "r", "s"}, {1, 1, 2}},
    };
    for (const auto& c : cases) {
        const std::string path = dir_.Write("nul.txt", c.text);
        CTextTokenizer tokenizer;
        ASSERT_EQ(tokenizer.Open(path), 0);
        Tokens tokens;
        std::vector<int> lines;
        for (std::string token; tokenizer.NextToken(token) != 0;) {
            tokens.push_back(token);
            lines.push_back(tokenizer.LineNumber());
        }
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST_F(TextTokenizerTest, OpensGamePathsAndFailsCleanly) {
    dir_.Write("Data/Txt/Strings.txt", "STRINGS");
    CTextTokenizer tokenizer;
    ASSERT_EQ(tokenizer.Open(dir_.Path("DATA\\txt\\strings.TXT")), 0);
    std::string token;
    EXPECT_EQ(tokenizer.NextToken(token), 7);
    EXPECT_EQ(token, "STRINGS");
    EXPECT_EQ(tokenizer.NextToken(token), 0);
    EXPECT_EQ(token, "STRINGS"); // untouched at the end of the file
    tokenizer.Close();
    EXPECT_EQ(tokenizer.NextToken(token), 0);

    EXPECT_EQ(tokenizer.Open(dir_.Path("missing.txt")), 1);
    EXPECT_EQ(tokenizer.NextToken(token), 0);
    EXPECT_EQ(token, "STRINGS");
}

TEST(TextHelpersTest, StripQuotesSkipBlanksCutNewlineAndUpperCase) {
    EXPECT_EQ(StripQuotes("abc"), "abc");
    EXPECT_EQ(StripQuotes("\"abc\""), "abc");
    EXPECT_EQ(StripQuotes("\"abc"), "abc");
    EXPECT_EQ(StripQuotes("abc\""), "abc");
    EXPECT_EQ(StripQuotes("\""), "");
    EXPECT_EQ(StripQuotes("\"\""), "");
    EXPECT_EQ(StripQuotes(""), "");
    EXPECT_EQ(StripQuotes("\"\"\"x\"\""), "\"\"x\""); // only one of each

    EXPECT_EQ(SkipBlanks("  a b \t"), "a b");
    EXPECT_EQ(SkipBlanks(" \t "), "");
    EXPECT_EQ(SkipBlanks(""), "");
    EXPECT_EQ(SkipBlanks("\ra\r"), "\ra\r"); // only spaces and tabs are blanks

    std::string line = "ab\ncd";
    CutNewline(line);
    EXPECT_EQ(line, "ab");
    line = "a\nb\n";
    CutNewline(line);
    EXPECT_EQ(line, "a\nb");
    line = "none";
    CutNewline(line);
    EXPECT_EQ(line, "none");

    std::string word = "Add_me9 \xE4z";
    StrToUpper(word);
    EXPECT_EQ(word, "ADD_ME9 \xE4Z");
}

} // namespace
