#pragma once
// A system-memory picture (the cursor image, handed to SDL): every back end
// makes these, the recording device with its call counting on top. The lock
// rules live here once: one lock at a time, of a rectangle inside. Each call
// starts with no refusal of its own, as the device's calls do.
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

class SystemSurface : public Surface {
public:
    // Sizes and format as the device front checked them; null when out of memory.
    static SystemSurface* Create(uint32_t width, uint32_t height, uint32_t format);
    Result GetDesc(SurfaceDesc* out) final;
    Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) final;
    Result UnlockRect() final;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Format() const { return format_; }
    uint32_t Pitch() const { return pitch_; }
    const uint8_t* Bits() const { return bits_.data(); }
    bool Locked() const { return locked_; }

protected:
    SystemSurface() = default;
    // Before a lock's rules are looked at (the recording device's injected
    // failures); a failure is the lock's answer.
    virtual Result AdmitLock() { return kOk; }
    // False when out of memory.
    bool Allocate(uint32_t width, uint32_t height, uint32_t format);

private:
    uint32_t width_ = 0, height_ = 0, format_ = 0, pitch_ = 0;
    std::vector<uint8_t> bits_;
    bool locked_ = false;
};

} // namespace gpu
