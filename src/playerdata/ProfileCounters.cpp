#include "playerdata/ProfileCounters.h"

#include <algorithm>
#include <cstring>

namespace {

float AsFloat(int32_t word) {
    float f;
    std::memcpy(&f, &word, sizeof f);
    return f;
}

int32_t AsWord(float f) {
    int32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

} // namespace

CCounterSet::CCounterSet() : Counters(kCounters, 0), Auxiliary(kCounters, 0) {
    Auxiliary[1] = 1;
    KeepMaximum.reserve(2);
    KeepMaximum.push_back(8);
    KeepMaximum.push_back(9);
}

int32_t CCounterSet::Add(int32_t value, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Counters.size()))
        return 0;
    int32_t& c = Counters[static_cast<size_t>(index)];
    if (std::find(KeepMaximum.begin(), KeepMaximum.end(), index) != KeepMaximum.end()) {
        if (c < value)
            c = value;
    } else {
        // The save keeps raw words: the sum wraps like the 32-bit counter it is.
        c = static_cast<int32_t>(static_cast<uint32_t>(c) + static_cast<uint32_t>(value));
        if (c < 0)
            c = 0;
    }
    return c;
}

float CCounterSet::AddFloat(float value, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Counters.size()))
        return 0.0f;
    int32_t& word = Counters[static_cast<size_t>(index)];
    float c = AsFloat(word);
    if (std::find(KeepMaximum.begin(), KeepMaximum.end(), index) != KeepMaximum.end()) {
        if (value > c)
            c = value;
    } else {
        c += value;
        if (c < 0.0f)
            c = 0.0f;
    }
    word = AsWord(c);
    return c;
}

void CCounterSet::Assign(const CCounterSet& other) { Counters = other.Counters; }

void CCounterSet::Reset() { std::fill(Counters.begin(), Counters.end(), 0); }

int32_t CCounterSet::Get(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(Counters.size()))
        return 0;
    return Counters[static_cast<size_t>(index)];
}

float CCounterSet::GetFloat(int32_t index) const { return AsFloat(Get(index)); }

int32_t CCounterSet::WriteKeyed(FILE* file, uint32_t key) const {
    if (Counters.empty() || file == nullptr)
        return 0;
    std::vector<unsigned char> buffer(Counters.size() * 4);
    for (size_t i = 0; i < Counters.size(); ++i) {
        const uint32_t w = static_cast<uint32_t>(Counters[i]) ^ key;
        for (int b = 0; b < 4; ++b)
            buffer[i * 4 + static_cast<size_t>(b)] = static_cast<unsigned char>(w >> (8 * b));
    }
    return std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size() ? 1 : 0;
}

int32_t CCounterSet::ReadKeyed(FILE* file, uint32_t key) {
    if (Counters.empty() || file == nullptr)
        return 0;
    std::vector<unsigned char> buffer(Counters.size() * 4);
    if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size())
        return 0;
    for (size_t i = 0; i < Counters.size(); ++i) {
        uint32_t w = 0;
        for (int b = 0; b < 4; ++b)
            w |= static_cast<uint32_t>(buffer[i * 4 + static_cast<size_t>(b)]) << (8 * b);
        Counters[i] = static_cast<int32_t>(w ^ key);
    }
    return 1;
}

void CProfileCounters::Assign(const CProfileCounters& other) {
    Sets[0].Assign(other.Sets[0]);
    Sets[2].Assign(other.Sets[2]);
    Sets[1].Assign(other.Sets[1]);
}

void CProfileCounters::Clear() {
    for (CCounterSet& s : Sets)
        s.Reset();
}

void CProfileCounters::MoveThirdToFirst() {
    Sets[0].Assign(Sets[2]);
    Sets[2].Reset();
}

void CProfileCounters::AddToSets(int32_t value, int32_t index) {
    Sets[2].Add(value, index);
    Sets[1].Add(value, index);
}

void CProfileCounters::AddFloatToTotals(float value, int32_t index) {
    Sets[2].AddFloat(value, index);
    Sets[1].AddFloat(value, index);
}

int32_t CProfileCounters::WriteKeyed(FILE* file, uint32_t key) const {
    return Sets[0].WriteKeyed(file, key) && Sets[2].WriteKeyed(file, key) &&
                   Sets[1].WriteKeyed(file, key)
               ? 1
               : 0;
}

int32_t CProfileCounters::ReadKeyed(FILE* file, uint32_t key) {
    return Sets[0].ReadKeyed(file, key) && Sets[2].ReadKeyed(file, key) &&
                   Sets[1].ReadKeyed(file, key)
               ? 1
               : 0;
}
