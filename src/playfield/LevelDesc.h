#pragma once
// The description of one level as its level file gives it ("l%d.lvl",
// "Totem.lvl" in the level folder), read by LoadLevelFile. Keywords in any
// letter case, statements in any order, '#' starts a comment:
//
//   GEMSCOUNT n                gems to collect (absent: -1)
//   SET ( c c ... )            colours in play, 0..6, at least one
//   STEEL p [n]                steel probability 0..1, limit (absent: -1)
//   LOCK p [n]                 lock probability 0..1, limit (absent: -1)
//   LEVEL d n                  bonus level n for the bonus digit d (0..5)
//   GROUP X n                  group letter A..G with its size (1 or more)
//   LIST X ( c c ... )         list letter I..O with its colours, at least one
//   BEGIN r0 r1 ... r7         the 8 board rows
//   LOCKS / BONUS / FIXED / GEMS   8 rows each
//
// A row is 8 characters, best written quoted ("0123s-ab"): unquoted, the
// tokenizer would split such a row, and '#' could never appear in one.
// Board codes: '0'..'6' colour, 's' steel, 'a'+k entry k of the shuffled
// colours in play, 'A'..'G' a colour of that group, 'I'..'O' an entry of that
// list, anything else random. LOCKS: '1'..'9' chains, '0' never locked, else
// random. BONUS: '0'..'5' a bonus (TNT, Score, Time, Flash, Solidarity,
// Adviser). FIXED: 'f' keeps the cell through a rebuild. GEMS: 'g' a gem.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CLevelGroup {
    char Letter = 'A';
    int32_t Size = 0;
};

struct CLevelList {
    char Letter = 'I';
    std::vector<int32_t> Colours;
};

class CLevelDesc {
public:
    static constexpr int32_t kRows = 8;
    static constexpr int32_t kColumns = 8;
    static constexpr int32_t kBonusDigits = 6;
    static constexpr int32_t kMaxColour = 6;
    using Rows = std::array<std::string, kRows>;

    // Every row at its default ("xxxxxxxx" board, "--------" others), no SET,
    // nothing given; usable.
    CLevelDesc();

    // Back to the defaults (usable).
    void Clear();
    // The description can build a board only while Status is 0; a failed read
    // leaves it at -1.
    bool IsUsable() const { return Status == 0; }

    // 1 when the group sizes add up to no more than n (with no groups, 1 when n
    // is not negative).
    int32_t GroupsFit(int32_t n) const;

    // The character of a row at (column, row); `fallback` outside the rows or
    // past the end of a short row.
    static char CodeAt(const Rows& rows, int32_t column, int32_t row, char fallback);
    char BoardCode(int32_t column, int32_t row) const { return CodeAt(Board, column, row, 'x'); }
    char LockCode(int32_t column, int32_t row) const { return CodeAt(Locks, column, row, '-'); }
    char BonusCode(int32_t column, int32_t row) const { return CodeAt(Bonus, column, row, '-'); }
    char FixedCode(int32_t column, int32_t row) const { return CodeAt(Fixed, column, row, '-'); }
    char GemCode(int32_t column, int32_t row) const { return CodeAt(Gems, column, row, '-'); }

    // The first group or list of that letter; null when the level has none.
    const CLevelGroup* FindGroup(char letter) const;
    const CLevelList* FindList(char letter) const;
    // The LEVEL value of a bonus digit 0..5; -1 when not given or out of range.
    int32_t LevelOf(int32_t digit) const;

    int32_t Status = 0;
    int32_t GemsCount = -1;
    std::vector<int32_t> Set;
    float SteelProbability = 0.0f;
    int32_t SteelLimit = -1;
    float LockProbability = 0.0f;
    int32_t LockLimit = -1;
    Rows Board;
    Rows Locks;
    Rows Bonus;
    Rows Fixed;
    Rows Gems;
    std::array<int32_t, kBonusDigits> Levels;
    std::vector<CLevelGroup> Groups;
    std::vector<CLevelList> Lists;
};

// Reads a level file into `desc` (which starts from its defaults). Non-zero
// when the file was read. On any fault the file name, the line and the reason
// go to the object log, the result is 0 and desc.Status is -1, so a partly
// read description is never used.
int32_t LoadLevelFile(CLevelDesc& desc, std::string_view path);
