#pragma once
// The best record of every quest level, shared by all profiles: the best score
// ("Sc.bst") or the shortest time in whole seconds ("Ti.bst"), each with the
// name of the player who set it. The file holds per row the name's length, its
// bytes and the value, all little-endian, nothing else.
#include <cstdint>
#include <string>
#include <vector>

class CLevelBestTable {
public:
    static constexpr int32_t kQuestLevels = 41;
    static constexpr int32_t kMaxNameBytes = 40;
    // String-table text of the default holder ("expert"), at most 38 characters.
    static constexpr int32_t kDefaultNameText = 81;
    static constexpr size_t kMaxDefaultName = 38;

    explicit CLevelBestTable(int32_t rows = kQuestLevels);

    // 1 when every row was read. Otherwise 0 with the values filled evenly from
    // 10000 to 410000 (the caller then puts its own defaults); a damaged file
    // is logged, the names read before the damage stay.
    int32_t Load(const std::string& path);
    // Writes every row (safely); 1 when written, 0 when not.
    int32_t Save(const std::string& path) const;
    // Values rising evenly from `low` at the first row to `high` at the last.
    void FillEvenly(int32_t low, int32_t high);
    // The default score records: 20000..90000 for levels 1-8, then 50000 in
    // steps of 5000.
    void SetDefaultScores();
    // 1 when the value beats the record of `level` (1-based) upwards or
    // downwards; 0 for an equal value or a level outside the table.
    int32_t IsHigher(int32_t value, int32_t level) const;
    int32_t IsLower(int32_t value, int32_t level) const;
    // The record of `level` becomes value and name (the name cut to the file's
    // limit); a level outside the table changes nothing.
    void SetRecord(int32_t value, int32_t level, const std::string& name);

    int32_t Rows() const { return static_cast<int32_t>(Values.size()); }

    std::vector<std::string> Names;
    std::vector<int32_t> Values;

private:
    bool HasLevel(int32_t level) const { return level >= 1 && level <= Rows(); }
};

// Whole seconds as "%d:%02d" (75 -> "1:15").
std::string FormatRecordTime(int32_t seconds);
