#pragma once
// The game's millisecond timer and a plain sleep.
#include <cstdint>

namespace os {

// Milliseconds since the program started; monotonic, never wraps in practice.
uint64_t Milliseconds();

void Sleep(uint32_t ms);

} // namespace os
