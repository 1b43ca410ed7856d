#pragma once
// The ten best quest scores ("Game0.tbl" in "Data\GameData\"): per row a name
// of twelve blank-padded bytes, the score and the GUID of the quest that made
// it, so that a quest submitted again updates its own row. The file is the ten
// 32-byte rows, every byte XOR 0x9D, then the byte sum of those 320 bytes XOR
// 0x9D9D9D9D. A missing or damaged file gives default rows (from the first bad
// row on, or all of them when the sum does not match).
#include <array>
#include <cstdint>
#include <string>

#include "platform/os/Guid.h"

// The one character set of player names: letters, digits, '_', '-', blank.
int32_t IsValidNameChar(unsigned char c);

class CScoreTable {
public:
    static constexpr int32_t kRows = 10;
    static constexpr int32_t kNameWidth = 12;
    static constexpr int32_t kTopScore = 10000;
    static constexpr int32_t kMaxScore = 2000000000;
    static constexpr uint8_t kKeyByte = 0x9D;
    static constexpr size_t kRowBytes = 32;
    static constexpr size_t kFileBytes = kRows * kRowBytes + 4;
    // String-table texts of the default names, one per row.
    static constexpr int32_t kFirstDefaultNameText = 82;

    struct Row {
        std::array<char, kNameWidth> Name{};
        int32_t Score = 0;
        os::Guid Id;
    };

    CScoreTable();

    // 1 when the file was read and its sum matched; 0 when defaults were used
    // (wholly or from the first bad row on). Keeps the path for Save.
    int32_t Load(const std::string& path);
    // Writes the table to the kept path (safely); false when it failed.
    bool Save() const;
    // The row a score would enter at (below every equal score), or kRows.
    int32_t FindRank(int32_t value) const;
    // Stores the score (clamped to 1..2e9, what the file
    // holds) for the quest `id`: the quest's own
    // row moves, else a new row enters. The row it now occupies, or kRows.
    int32_t Insert(int32_t value, const std::string& name, const os::Guid& id);
    // The twelve name bytes as text (trailing blanks kept).
    std::string GetName(int32_t row) const;
    // Default rows first..last: 10000 down to 1000, texts 82..91, new GUIDs.
    void ResetRows(int32_t first, int32_t last);
    // Stable bubble sort by descending score.
    void SortDescending();

    std::array<Row, kRows> Rows;
    std::string Path;

private:
    void Store(int32_t row, int32_t value, const std::string& name, const os::Guid& id);
};
