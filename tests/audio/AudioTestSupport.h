#pragma once
// Shared pieces of the audio tests: the sample files of the bank's slots and
// control over the random generator.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundBank.h"
#include "platform/Rand15.h"
#include "support/CapturedLog.h"

namespace audiotest {

// Empty files for every fixed slot of the bank, and the given numbered variants
// of the Terminator and Combo slots (the fake back end only needs them to exist).
inline void WriteSlotFiles(const testsupport::TempDir& dir,
                           const std::vector<int>& terminators = {0},
                           const std::vector<int>& combos = {2}) {
    for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot) {
        const std::string name = CSoundBank::SlotFileName(slot);
        if (name.find('%') == std::string::npos)
            dir.Write(name, "");
    }
    for (int n : terminators)
        dir.Write("Terminator" + std::to_string(n) + ".wav", "");
    for (int n : combos)
        dir.Write("Combo" + std::to_string(n) + ".wav", "");
}

// Makes the generator's next 15-bit value `value` (0..32767), so the next
// RandomFloat is value / 32767.
inline void SetNextRandom(int value) {
    constexpr uint32_t a = 214013u, c = 2531011u;
    uint32_t inverse = a; // Newton's iteration for a^-1 mod 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - a * inverse;
    const uint32_t wanted = static_cast<uint32_t>(value) << 16;
    Rand15::Global().Seed((wanted - c) * inverse);
}

} // namespace audiotest
