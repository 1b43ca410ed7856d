// The profile counters: the add rules, the set moves and the keyed block of the
// quest save.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playerdata/ProfileCounters.h"
#include "support/TempDir.h"

namespace {

using testsupport::TempDir;

std::vector<unsigned char> Bytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<unsigned char> out;
    if (!f)
        return out;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return out;
}

} // namespace

TEST(CounterSet, AddKeepsSumsAtZeroAndMaximaAsMaxima) {
    CCounterSet s;
    EXPECT_EQ(s.Counters, std::vector<int32_t>(10, 0));
    EXPECT_EQ(s.Auxiliary[1], 1);
    EXPECT_EQ(s.KeepMaximum, (std::vector<int32_t>{8, 9}));

    s.Counters[3] = 2;
    EXPECT_EQ(s.Add(-5, 3), 0);
    EXPECT_EQ(s.Add(7, 3), 7);
    s.Counters[8] = 7;
    EXPECT_EQ(s.Add(4, 8), 7);
    EXPECT_EQ(s.Add(9, 8), 9);
    EXPECT_EQ(s.Add(-1, 9), 0);
    s.Counters[0] = 2147483000;
    EXPECT_EQ(s.Add(1000, 0), 0) << "a wrapped sum is negative and clamps to 0";
    EXPECT_EQ(s.Add(5, 10), 0) << "outside the set";
    EXPECT_EQ(s.Add(5, -1), 0);
}

TEST(CounterSet, FloatCounters) {
    CCounterSet s;
    EXPECT_FLOAT_EQ(s.AddFloat(1.0f, 1), 1.0f);
    EXPECT_FLOAT_EQ(s.AddFloat(-2.5f, 1), 0.0f);
    EXPECT_FLOAT_EQ(s.AddFloat(0.25f, 1), 0.25f);
    EXPECT_FLOAT_EQ(s.GetFloat(1), 0.25f);
    EXPECT_FLOAT_EQ(s.AddFloat(3.0f, 8), 3.0f);
    EXPECT_FLOAT_EQ(s.AddFloat(2.0f, 8), 3.0f);
    EXPECT_FLOAT_EQ(s.GetFloat(12), 0.0f);
}

TEST(ProfileCounters, SetsMoveTogether) {
    CProfileCounters c;
    c.AddToSets(100, 0);
    c.Add(3, 9);
    c.AddFloatToTotals(1.5f, 1);
    EXPECT_EQ(c.Sets[2].Get(0), 100);
    EXPECT_EQ(c.Sets[1].Get(0), 100);
    EXPECT_EQ(c.Sets[0].Get(0), 0);
    EXPECT_EQ(c.Sets[1].Get(9), 3);
    EXPECT_FLOAT_EQ(c.Sets[2].GetFloat(1), 1.5f);

    c.MoveThirdToFirst();
    EXPECT_EQ(c.Sets[0].Get(0), 100);
    EXPECT_EQ(c.Sets[2].Counters, std::vector<int32_t>(10, 0)) << "ten zeros, not empty";
    EXPECT_EQ(c.Sets[1].Get(0), 100);

    CProfileCounters copy;
    copy.Assign(c);
    EXPECT_EQ(copy.Sets[0].Counters, c.Sets[0].Counters);
    EXPECT_EQ(copy.Sets[1].Counters, c.Sets[1].Counters);

    c.Clear();
    for (const CCounterSet& s : c.Sets)
        EXPECT_EQ(s.Counters, std::vector<int32_t>(10, 0));
}

TEST(ProfileCounters, KeyedBlockRoundTripsInSaveOrder) {
    CProfileCounters c;
    for (int i = 0; i < 10; ++i) {
        c.Sets[0].Counters[i] = i;
        c.Sets[1].Counters[i] = 100 + i;
        c.Sets[2].Counters[i] = 200 + i;
    }
    const TempDir dir;
    const std::string file = dir.Path("Counters.dat");
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(c.WriteKeyed(f, CProfileCounters::kSaveKey), 1);
    std::fclose(f);

    const std::vector<unsigned char> bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 120u);
    // Word 10 is set 2's counter 0, keyed, little-endian.
    const uint32_t w = static_cast<uint32_t>(bytes[40]) | static_cast<uint32_t>(bytes[41]) << 8 |
                       static_cast<uint32_t>(bytes[42]) << 16 |
                       static_cast<uint32_t>(bytes[43]) << 24;
    EXPECT_EQ(w ^ CProfileCounters::kSaveKey, 200u);

    CProfileCounters back;
    f = std::fopen(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(back.ReadKeyed(f, CProfileCounters::kSaveKey), 1);
    std::fclose(f);
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(back.Sets[s].Counters, c.Sets[s].Counters);

    // A block written in the order 0, 1, 2 reads with sets 1 and 2 swapped.
    f = std::fopen(file.c_str(), "wb");
    c.Sets[0].WriteKeyed(f, 5);
    c.Sets[1].WriteKeyed(f, 5);
    c.Sets[2].WriteKeyed(f, 5);
    std::fclose(f);
    f = std::fopen(file.c_str(), "rb");
    EXPECT_EQ(back.ReadKeyed(f, 5), 1);
    std::fclose(f);
    EXPECT_EQ(back.Sets[2].Counters, c.Sets[1].Counters);
    EXPECT_EQ(back.Sets[1].Counters, c.Sets[2].Counters);
}

TEST(ProfileCounters, ShortAndEmptyTransfersFail) {
    const TempDir dir;
    const std::string file = dir.Path("Counters.dat");
    CProfileCounters c;
    c.Sets[0].Counters.clear();
    FILE* f = std::fopen(file.c_str(), "wb");
    EXPECT_EQ(c.WriteKeyed(f, 1), 0);
    std::fclose(f);
    EXPECT_TRUE(Bytes(file).empty()) << "an empty first set writes nothing";

    // Only set 0 and half of set 2 in the file: set 0 is read, set 2 keeps its values.
    CProfileCounters full;
    full.Sets[0].Counters.assign(10, 7);
    f = std::fopen(file.c_str(), "wb");
    full.Sets[0].WriteKeyed(f, 0);
    const unsigned char half[20] = {};
    std::fwrite(half, 1, sizeof half, f);
    std::fclose(f);
    CProfileCounters back;
    back.Sets[2].Counters.assign(10, 3);
    f = std::fopen(file.c_str(), "rb");
    EXPECT_EQ(back.ReadKeyed(f, 0), 0);
    std::fclose(f);
    EXPECT_EQ(back.Sets[0].Counters, std::vector<int32_t>(10, 7));
    EXPECT_EQ(back.Sets[2].Counters, std::vector<int32_t>(10, 3));
    EXPECT_EQ(back.Sets[0].WriteKeyed(nullptr, 0), 0);
    EXPECT_EQ(back.Sets[0].ReadKeyed(nullptr, 0), 0);
}
