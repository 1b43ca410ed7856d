#pragma once
// Damaged copies of a valid player file: every prefix, and seeded random byte
// flips. The reader under test must refuse or read each one, never crash; the
// callback checks what it may.
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "support/TempDir.h"

namespace damage {

inline void EveryPrefix(const testsupport::TempDir& dir, const std::string& name,
                        const std::string& valid,
                        const std::function<void(const std::string&, size_t)>& check) {
    for (size_t n = 0; n < valid.size(); ++n)
        check(dir.Write(name, valid.substr(0, n)), n);
}

// One to three random bytes changed, `count` times.
inline void RandomFlips(const testsupport::TempDir& dir, const std::string& name,
                        const std::string& valid, int count,
                        const std::function<void(const std::string&)>& check) {
    std::mt19937 rng(12345);
    for (int i = 0; i < count; ++i) {
        std::string bytes = valid;
        const int flips = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < flips; ++f)
            bytes[rng() % bytes.size()] ^= static_cast<char>(1 + rng() % 255);
        check(dir.Write(name, bytes));
    }
}

} // namespace damage
