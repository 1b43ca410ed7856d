#include "platform/gpu/recording/FailureSchedule.h"

namespace gpu {

Result FailureSchedule::Enter(Call c) {
    uint64_t n = ++counts_[static_cast<size_t>(c)];
    for (const FailRule& r : rules_)
        if (r.call == c && n >= r.nth && n - r.nth < r.times)
            return r.result;
    return kOk;
}

void FailureSchedule::FailNext(Call c, uint64_t n, Result result, uint64_t times) {
    if (n == 0)
        n = 1;
    rules_.push_back({c, Count(c) + n, result, times});
}

} // namespace gpu
