#pragma once
// Call counting and failure injection for the recording back end: "fail the Nth
// call of X". One schedule is shared by a recording Api, its devices and their
// resources, so the count of a kind runs across all of them.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

// The calls that can be counted and made to fail.
enum class Call : uint32_t {
    CreateDevice,
    Reset,
    TestCooperativeLevel,
    Present,
    BeginScene,
    EndScene,
    Clear,
    DrawIndexedPrimitive,
    SetRenderState,
    SetTextureStageState,
    SetTexture,
    SetStreamSource,
    SetIndices,
    SetVertexShader,
    SetTransform,
    SetViewport,
    SetGammaRamp,
    SetCursorProperties,
    CreateTexture,
    CreateVertexBuffer,
    CreateIndexBuffer,
    CreateImageSurface,
    LockTexture,
    LockSurface,
    LockVertexBuffer,
    LockIndexBuffer,
    Count
};
constexpr size_t kCallKinds = static_cast<size_t>(Call::Count);

// Calls number `nth`, nth + 1, ..., nth + times - 1 of `call` (1-based, counted
// from the creation of the Api) return `result` without doing anything.
struct FailRule {
    Call call = Call::Present;
    uint64_t nth = 1;
    Result result = kErrInvalidCall;
    uint64_t times = 1;
};

class FailureSchedule {
public:
    // Counts one call of `c`; returns the injected failure, or kOk to go ahead.
    Result Enter(Call c);
    void Add(const FailRule& rule) { rules_.push_back(rule); }
    // Makes the n-th call of `c` from now on fail (n = 1: the next one).
    void FailNext(Call c, uint64_t n = 1, Result result = kErrInvalidCall, uint64_t times = 1);
    uint64_t Count(Call c) const { return counts_[static_cast<size_t>(c)]; }

private:
    std::array<uint64_t, kCallKinds> counts_{};
    std::vector<FailRule> rules_;
};

} // namespace gpu
