#pragma once
// The one lexer behind every text data file of the game (form, level, animation,
// list and string files). A reader opens a file, pulls tokens one at a time and
// decides what each means from its first character and its text; the tokenizer
// itself knows no keywords.
//
// Tokens, by their first character:
//   '"'              a quoted string up to the next '"' or the end of the line,
//                    handed back with its quotes (a missing closing quote is added)
//   digit or '-'     a number: a run of digits, '.', '-', 'e', 'E', 'A'-'F', 'a'-'f'
//   letter or '_'    a name: a run of letters, digits and '_'
//   anything else    that one character
// Blanks are space and tab; '#' starts a comment wherever a token could start.
// Lines are read at most kLineLimit characters at a time, so a longer line goes on
// as a line of its own; CRLF line ends read as LF.
#include <cstdio>
#include <string>
#include <string_view>

class CTextTokenizer {
public:
    static constexpr int kLineLimit = 2046;

    CTextTokenizer() = default;
    ~CTextTokenizer() { Close(); }
    CTextTokenizer(const CTextTokenizer&) = delete;
    CTextTokenizer& operator=(const CTextTokenizer&) = delete;

    // Opens the file (a game path: backslashes and any letter case work). 0 on
    // success, 1 when it cannot be opened.
    int Open(std::string_view fileName);
    // Sets the character classes of names and blanks.
    void ResetClasses();
    // The next token into `token`; returns its length (a quoted string counts both
    // quotes), or 0 at the end of the file, leaving `token` as it was.
    int NextToken(std::string& token);
    void Close();
    // The line (1-based) of the last token read; 0 before the first line. A line
    // longer than kLineLimit keeps its one number.
    int LineNumber() const { return LineCount; }

private:
    bool ReadLine();

    FILE* File = nullptr;
    char Line[kLineLimit + 2] = {};
    int Length = 0;
    int Position = 0;
    int LineCount = 0;
    bool LineGoesOn = false;  // the last read stopped inside a line
    unsigned char WordClass[256] = {};  // 1 begins and continues a name, 2 only continues
    unsigned char BlankClass[256] = {}; // 1 for a blank
};

// Turns 'a'-'z' into 'A'-'Z' in place; every other byte stays.
void StrToUpper(std::string& text);
// Without one leading and one trailing double quote, each only where it stands.
std::string StripQuotes(std::string_view source);
// Cuts the text at its last newline, wherever it stands.
void CutNewline(std::string& text);
// Without leading and trailing spaces and tabs.
std::string SkipBlanks(std::string_view source);
