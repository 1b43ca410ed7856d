#include "playfield/LevelDesc.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

#include "engine/ObjectLog.h"
#include "engine/TextTokenizer.h"

CLevelDesc::CLevelDesc() { Clear(); }

void CLevelDesc::Clear() {
    Status = 0;
    GemsCount = -1;
    Set.clear();
    SteelProbability = 0.0f;
    SteelLimit = -1;
    LockProbability = 0.0f;
    LockLimit = -1;
    Board.fill(std::string(kColumns, 'x'));
    Locks.fill(std::string(kColumns, '-'));
    Bonus.fill(std::string(kColumns, '-'));
    Fixed.fill(std::string(kColumns, '-'));
    Gems.fill(std::string(kColumns, '-'));
    Levels.fill(-1);
    Groups.clear();
    Lists.clear();
}

int32_t CLevelDesc::GroupsFit(int32_t n) const {
    int64_t sum = 0;
    for (const CLevelGroup& g : Groups)
        sum += g.Size;
    return sum <= n ? 1 : 0;
}

char CLevelDesc::CodeAt(const Rows& rows, int32_t column, int32_t row, char fallback) {
    if (row < 0 || row >= kRows || column < 0)
        return fallback;
    const std::string& text = rows[static_cast<size_t>(row)];
    if (static_cast<size_t>(column) >= text.size())
        return fallback;
    return text[static_cast<size_t>(column)];
}

const CLevelGroup* CLevelDesc::FindGroup(char letter) const {
    for (const CLevelGroup& g : Groups)
        if (g.Letter == letter)
            return &g;
    return nullptr;
}

const CLevelList* CLevelDesc::FindList(char letter) const {
    for (const CLevelList& l : Lists)
        if (l.Letter == letter)
            return &l;
    return nullptr;
}

int32_t CLevelDesc::LevelOf(int32_t digit) const {
    if (digit < 0 || digit >= kBonusDigits)
        return -1;
    return Levels[static_cast<size_t>(digit)];
}

namespace {

// A fault of the file: the line it was found on and what is wrong.
struct LevelFault {
    int Line;
    std::string Message;
};

// Tokens of the file with one token of lookahead and the line of each.
class LevelReader {
public:
    explicit LevelReader(CTextTokenizer& tokenizer) : Tokenizer(tokenizer) {}

    bool Next(std::string& token) {
        if (HavePeek) {
            token = Peeked;
            Line = PeekLine;
            HavePeek = false;
            return true;
        }
        if (Tokenizer.NextToken(token) == 0) {
            Line = Tokenizer.LineNumber();
            return false;
        }
        Line = Tokenizer.LineNumber();
        return true;
    }

    // The next token without taking it; false at the end of the file.
    bool Peek(std::string& token) {
        if (!HavePeek) {
            if (Tokenizer.NextToken(Peeked) == 0)
                return false;
            PeekLine = Tokenizer.LineNumber();
            HavePeek = true;
        }
        token = Peeked;
        return true;
    }

    // The next token, or a fault naming what was expected.
    std::string Expect(const char* what) {
        std::string token;
        if (!Next(token))
            Fail("unexpected end of file, " + std::string(what) + " expected");
        return token;
    }

    [[noreturn]] void Fail(const std::string& message) const { throw LevelFault{Line, message}; }

    int32_t ReadInt(const char* what) {
        const std::string token = Expect(what);
        int32_t value = 0;
        if (!ParseInt(token, value))
            Fail("bad number " + QuoteToken(token) + " for " + what);
        return value;
    }

    float ReadFloat(const char* what) {
        const std::string token = Expect(what);
        errno = 0;
        char* end = nullptr;
        const float value = std::strtof(token.c_str(), &end);
        if (token.empty() || end != token.c_str() + token.size() || errno == ERANGE ||
            !std::isfinite(value))
            Fail("bad number " + QuoteToken(token) + " for " + what);
        return value;
    }

    int32_t ReadColour(const char* what) {
        const int32_t c = ReadInt(what);
        if (c < 0 || c > CLevelDesc::kMaxColour)
            Fail("colour " + std::to_string(c) + " outside 0..6 in " + what);
        return c;
    }

    // "( c c ... )" with at least one colour.
    std::vector<int32_t> ReadColourList(const char* what) {
        if (Expect(what) != "(")
            Fail(std::string("\"(\" expected after ") + what);
        std::vector<int32_t> colours;
        for (;;) {
            std::string token;
            if (!Peek(token))
                Fail(std::string("unexpected end of file, \")\" expected in ") + what);
            if (token == ")") {
                Next(token);
                break;
            }
            colours.push_back(ReadColour(what));
        }
        if (colours.empty())
            Fail(std::string(what) + " lists no colour");
        return colours;
    }

    // A letter token in first..last.
    char ReadLetter(const char* what, char first, char last) {
        const std::string token = Expect(what);
        if (token.size() != 1 || token[0] < first || token[0] > last)
            Fail(QuoteToken(token) + " is no " + what + " letter " + first + ".." + last);
        return token[0];
    }

    void ReadRows(CLevelDesc::Rows& rows, const std::string& keyword) {
        for (int32_t r = 0; r < CLevelDesc::kRows; ++r) {
            const std::string token = Expect(("row " + std::to_string(r + 1) + " of " + keyword).c_str());
            const std::string row = token[0] == '"' ? StripQuotes(token) : token;
            if (static_cast<int32_t>(row.size()) != CLevelDesc::kColumns)
                Fail("row " + std::to_string(r + 1) + " of " + keyword + " has " +
                     std::to_string(row.size()) + " characters, 8 expected");
            rows[static_cast<size_t>(r)] = row;
        }
    }

    static bool ParseInt(const std::string& token, int32_t& out) {
        if (token.empty())
            return false;
        errno = 0;
        char* end = nullptr;
        const long value = std::strtol(token.c_str(), &end, 10);
        if (end != token.c_str() + token.size() || errno == ERANGE ||
            value < std::numeric_limits<int32_t>::min() ||
            value > std::numeric_limits<int32_t>::max())
            return false;
        out = static_cast<int32_t>(value);
        return true;
    }

    static bool IsNumberToken(const std::string& token) {
        return !token.empty() && ((token[0] >= '0' && token[0] <= '9') || token[0] == '-');
    }

    int Line = 0;

private:
    CTextTokenizer& Tokenizer;
    bool HavePeek = false;
    std::string Peeked;
    int PeekLine = 0;
};

void ReadProbability(LevelReader& in, const char* keyword, float& probability, int32_t& limit) {
    probability = in.ReadFloat(keyword);
    if (probability < 0.0f || probability > 1.0f)
        in.Fail(std::string(keyword) + " probability outside 0..1");
    limit = -1;
    std::string token;
    if (in.Peek(token) && LevelReader::IsNumberToken(token))
        limit = in.ReadInt(keyword);
}

void ReadStatement(LevelReader& in, CLevelDesc& desc, std::string keyword) {
    StrToUpper(keyword);
    if (keyword == "GEMSCOUNT") {
        desc.GemsCount = in.ReadInt("GEMSCOUNT");
    } else if (keyword == "SET") {
        desc.Set = in.ReadColourList("SET");
    } else if (keyword == "STEEL") {
        ReadProbability(in, "STEEL", desc.SteelProbability, desc.SteelLimit);
    } else if (keyword == "LOCK") {
        ReadProbability(in, "LOCK", desc.LockProbability, desc.LockLimit);
    } else if (keyword == "LEVEL") {
        const int32_t digit = in.ReadInt("LEVEL");
        if (digit < 0 || digit >= CLevelDesc::kBonusDigits)
            in.Fail("bonus digit " + std::to_string(digit) + " outside 0..5 in LEVEL");
        desc.Levels[static_cast<size_t>(digit)] = in.ReadInt("LEVEL");
    } else if (keyword == "GROUP") {
        CLevelGroup g;
        g.Letter = in.ReadLetter("GROUP", 'A', 'G');
        g.Size = in.ReadInt("GROUP");
        if (g.Size < 1)
            in.Fail("group " + std::string(1, g.Letter) + " has size " + std::to_string(g.Size) +
                    ", 1 or more expected");
        desc.Groups.push_back(g);
    } else if (keyword == "LIST") {
        CLevelList l;
        l.Letter = in.ReadLetter("LIST", 'I', 'O');
        l.Colours = in.ReadColourList("LIST");
        desc.Lists.push_back(std::move(l));
    } else if (keyword == "BEGIN") {
        in.ReadRows(desc.Board, keyword);
    } else if (keyword == "LOCKS") {
        in.ReadRows(desc.Locks, keyword);
    } else if (keyword == "BONUS") {
        in.ReadRows(desc.Bonus, keyword);
    } else if (keyword == "FIXED") {
        in.ReadRows(desc.Fixed, keyword);
    } else if (keyword == "GEMS") {
        in.ReadRows(desc.Gems, keyword);
    } else {
        in.Fail("unknown keyword " + QuoteToken(keyword));
    }
}

} // namespace

int32_t LoadLevelFile(CLevelDesc& desc, std::string_view path) {
    desc.Clear();
    const std::string name(path);
    CTextTokenizer tokenizer;
    if (tokenizer.Open(path) != 0) {
        desc.Status = -1;
        LogObject("Unable to open level file " + name + "!\n");
        LogFileFault(name, 0, "the file cannot be opened");
        return 0;
    }
    LevelReader in(tokenizer);
    try {
        std::string keyword;
        while (in.Next(keyword))
            ReadStatement(in, desc, keyword);
    } catch (const LevelFault& fault) {
        desc.Status = -1;
        LogObject("Bad level file " + name + "\n");
        LogFileFault(name, fault.Line, fault.Message);
        return 0;
    } catch (const std::bad_alloc&) {
        desc.Status = -1;
        LogObject("Bad level file " + name + "\n");
        LogFileFault(name, in.Line, "out of memory");
        return 0;
    }
    desc.Status = 0;
    return 1;
}
