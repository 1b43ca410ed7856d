#include "engine/TextTokenizer.h"

#include <cstring>

#include "platform/os/Path.h"
#include "platform/os/TextFile.h"

namespace {

bool IsNumberChar(unsigned char c) {
    return (c >= '0' && c <= '9') || c == 'e' || c == 'E' || c == '.' || c == '-' ||
           (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

int CTextTokenizer::Open(std::string_view fileName) {
    Close();
    File = os::Open(fileName, "r");
    if (!File)
        return 1;
    ResetClasses();
    Length = 0;
    Position = 0;
    LineCount = 0;
    LineGoesOn = false;
    return 0;
}

void CTextTokenizer::ResetClasses() {
    std::memset(WordClass, 0, sizeof WordClass);
    std::memset(BlankClass, 0, sizeof BlankClass);
    for (int c = 'A'; c <= 'Z'; ++c)
        WordClass[c] = 1;
    for (int c = 'a'; c <= 'z'; ++c)
        WordClass[c] = 1;
    WordClass[static_cast<unsigned char>('_')] = 1;
    for (int c = '0'; c <= '9'; ++c)
        WordClass[c] = 2;
    BlankClass[static_cast<unsigned char>(' ')] = 1;
    BlankClass[static_cast<unsigned char>('\t')] = 1;
}

void CTextTokenizer::Close() {
    if (File) {
        std::fclose(File);
        File = nullptr;
    }
    Length = 0;
    Position = 0;
}

bool CTextTokenizer::ReadLine() {
    if (!File)
        return false;
    for (;;) {
        // The count, not strlen: a NUL byte in the file must neither cut its line
        // nor make the rest of the line read as a line of its own.
        int n = os::ReadLineCounted(Line, kLineLimit + 1, File);
        if (n == 0)
            return false;
        if (!LineGoesOn)
            ++LineCount;
        LineGoesOn = true;
        if (n > 0 && Line[n - 1] == '\n') {
            Line[--n] = '\0';
            LineGoesOn = false;
        }
        if (n > 0) {
            Length = n;
            Position = 0;
            return true;
        }
    }
}

int CTextTokenizer::NextToken(std::string& token) {
    for (;;) {
        if (Position >= Length && !ReadLine())
            return 0;
        while (Position < Length && BlankClass[static_cast<unsigned char>(Line[Position])])
            ++Position;
        if (Position >= Length)
            continue;
        if (Line[Position] == '#') {
            Position = Length;
            continue;
        }
        break;
    }

    const unsigned char c = static_cast<unsigned char>(Line[Position]);
    const int start = Position;
    if (c == '"') {
        ++Position;
        if (Position < Length && Line[Position] == '"') {
            ++Position;
            token.assign("\"\"");
            return 2;
        }
        while (Position < Length && Line[Position] != '"')
            ++Position;
        token.assign(Line + start, static_cast<size_t>(Position - start));
        token.push_back('"');
        ++Position; // over the closing quote (or past the end of the line)
        return static_cast<int>(token.size());
    }
    if ((c >= '0' && c <= '9') || c == '-') {
        ++Position;
        while (Position < Length && IsNumberChar(static_cast<unsigned char>(Line[Position])))
            ++Position;
    } else if (WordClass[c] == 1) {
        ++Position;
        while (Position < Length && WordClass[static_cast<unsigned char>(Line[Position])] != 0)
            ++Position;
    } else {
        ++Position;
    }
    token.assign(Line + start, static_cast<size_t>(Position - start));
    return static_cast<int>(token.size());
}

void StrToUpper(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

std::string StripQuotes(std::string_view source) {
    size_t begin = 0;
    size_t end = source.size();
    if (begin < end && source[begin] == '"')
        ++begin;
    if (end > begin && source[end - 1] == '"')
        --end;
    return std::string(source.substr(begin, end - begin));
}

void CutNewline(std::string& text) {
    const size_t at = text.rfind('\n');
    if (at != std::string::npos)
        text.resize(at);
}

std::string SkipBlanks(std::string_view source) {
    size_t begin = 0;
    size_t end = source.size();
    while (begin < end && (source[begin] == ' ' || source[begin] == '\t'))
        ++begin;
    while (end > begin && (source[end - 1] == ' ' || source[end - 1] == '\t'))
        --end;
    return std::string(source.substr(begin, end - begin));
}
