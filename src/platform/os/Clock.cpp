#include "platform/os/Clock.h"

#include <chrono>
#include <thread>

namespace os {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A function-local start so that a caller running during static
// initialisation still gets a sane origin; the namespace-scope reference below
// pins the origin to program start for everyone else.
const SteadyClock::time_point& Origin() {
    static const SteadyClock::time_point origin = SteadyClock::now();
    return origin;
}
[[maybe_unused]] const SteadyClock::time_point& kOriginAtStartup = Origin();

} // namespace

uint64_t Milliseconds() {
    auto elapsed = SteadyClock::now() - Origin();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace os
