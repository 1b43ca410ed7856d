#include "platform/gpu/Refusal.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace gpu {
namespace {

thread_local const char* tLastRefusal = "";

#ifndef NDEBUG
// Each reason once: a refusal repeated every frame would drown the log.
void LogFirstTime(const char* reason) {
    static std::mutex mutex;
    static std::set<std::string> seen;
    const std::lock_guard<std::mutex> lock(mutex);
    if (seen.insert(reason).second)
        std::fprintf(stderr, "gpu: refused: %s\n", reason);
}
#endif

} // namespace

Result Refuse(const char* reason) {
    tLastRefusal = reason;
#ifndef NDEBUG
    LogFirstTime(reason);
#endif
    return kErrInvalidCall;
}

const char* LastRefusal() {
    return tLastRefusal;
}

void ClearRefusal() {
    tLastRefusal = "";
}

} // namespace gpu
