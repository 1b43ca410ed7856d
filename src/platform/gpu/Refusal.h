#pragma once
// Why a call was refused. The device API answers a broken rule with
// kErrInvalidCall alone, and the game ignores what a draw answers, so a
// refused draw is a sprite that is silently missing: every refusal names the
// call and the rule it broke, kept for the thread as its last refusal (read
// it right after the call, as one reads a last error), and a development
// build logs each reason the first time it happens.
#include "platform/gpu/Gpu.h"

namespace gpu {

// Notes `reason` ("Call: the rule broken"; a string that lives for the whole
// run) as this thread's last refusal, and answers kErrInvalidCall.
Result Refuse(const char* reason);
// This thread's last refusal; "" when none came since ClearRefusal, which
// every call of a device's front and of an Api makes as it starts, so that
// right after a call this names that call's reason or nothing.
const char* LastRefusal();
void ClearRefusal();

} // namespace gpu
