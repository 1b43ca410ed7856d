#pragma once
// A system-memory picture (the cursor image, handed to SDL): every back end
// makes the same.
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

class SystemSurface final : public Surface {
public:
    static SystemSurface* Create(uint32_t width, uint32_t height, uint32_t format);
    // CreateImageSurface of a device whose surfaces are these.
    static Result Make(uint32_t width, uint32_t height, uint32_t format, Surface** out);
    Result GetDesc(SurfaceDesc* out) override;
    Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect() override;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Format() const { return format_; }
    uint32_t Pitch() const { return pitch_; }
    const uint8_t* Bits() const { return bits_.data(); }

private:
    SystemSurface() = default;
    uint32_t width_ = 0, height_ = 0, format_ = 0, pitch_ = 0;
    std::vector<uint8_t> bits_;
    bool locked_ = false;
};

} // namespace gpu
