#pragma once
// The quest statistics: three sets of ten 32-bit counters. Set 0 keeps a copy of
// the running totals at the totem level's start, set 1 the quest totals, set 2
// the running totals of the level results; the play field and the game add to
// sets 2 and 1 together. Some counters hold an IEEE single (AddFloat); counters
// 8 and 9 keep a maximum instead of a sum. The block travels in the quest save
// as XOR-keyed little-endian words, in the order set 0, set 2, set 1.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class CCounterSet {
public:
    static constexpr int32_t kCounters = 10;
    // Some of what the game counts in them.
    enum : int32_t {
        kScore = 0,
        kFrenzies = 7,
        kLongestChain = 8,
    };

    // Ten zero counters, auxiliary values all 0 but entry 1 = 1, keep-maximum
    // list {8, 9}.
    CCounterSet();

    // Keep-maximum index: the larger of the two; else the sum (wrapping), not
    // below 0. Returns the counter's new value. An index outside the set is
    // ignored (result 0).
    int32_t Add(int32_t value, int32_t index);
    // The same rule on the word read as a float.
    float AddFloat(float value, int32_t index);
    // Copies the other set's counters (all of them, its size included).
    void Assign(const CCounterSet& other);
    // Every counter 0, keeping their number.
    void Reset();
    // The counters XOR key as one block of count x 4 bytes. 1 when written; 0
    // for an empty set or a short write.
    int32_t WriteKeyed(FILE* file, uint32_t key) const;
    // Reads count x 4 bytes and un-keys them; only a complete read changes the
    // counters. 1 when read; 0 for an empty set or a short read.
    int32_t ReadKeyed(FILE* file, uint32_t key);

    // Counter i as an int or as a float (0 outside the set).
    int32_t Get(int32_t index) const;
    float GetFloat(int32_t index) const;

    std::vector<int32_t> Counters;
    std::vector<int32_t> Auxiliary;
    std::vector<int32_t> KeepMaximum;
};

class CProfileCounters {
public:
    static constexpr int32_t kSets = 3;
    // The set of the whole quest's totals.
    static constexpr size_t kQuestTotals = 1;
    static constexpr uint32_t kSaveKey = 0x61C4A27Fu;

    CProfileCounters() = default;

    // Set 0, then set 2, then set 1 from the same set of the other block.
    void Assign(const CProfileCounters& other);
    // Every set reset (a new quest).
    void Clear();
    // Set 0 := set 2, then set 2 reset.
    void MoveThirdToFirst();
    // The value into counter `index` of set 2, then of set 1.
    void AddToSets(int32_t value, int32_t index);
    // The same as AddToSets (the play field's name for it).
    void Add(int32_t value, int32_t index) { AddToSets(value, index); }
    void AddFloatToTotals(float value, int32_t index);
    // Sets 0, 2, 1 in this order; stops at the first failure (0).
    int32_t WriteKeyed(FILE* file, uint32_t key) const;
    int32_t ReadKeyed(FILE* file, uint32_t key);

    CCounterSet Sets[kSets];
};
