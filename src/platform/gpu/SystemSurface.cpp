#include "platform/gpu/SystemSurface.h"

#include <new>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"

namespace gpu {

SystemSurface* SystemSurface::Create(uint32_t width, uint32_t height, uint32_t format) {
    auto* s = new (std::nothrow) SystemSurface();
    if (s && !s->Allocate(width, height, format)) {
        delete s;
        return nullptr;
    }
    return s;
}

bool SystemSurface::Allocate(uint32_t width, uint32_t height, uint32_t format) {
    width_ = width;
    height_ = height;
    format_ = format;
    pitch_ = RowPitch(width, format);
    try {
        bits_.assign(static_cast<size_t>(pitch_) * height, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

Result SystemSurface::GetDesc(SurfaceDesc* out) {
    ClearRefusal();
    if (!out)
        return Refuse("GetDesc: nowhere to put the description");
    *out = SurfaceDesc{};
    out->format = format_;
    out->type = Rtype::Surface;
    out->pool = Pool::SystemMem;
    out->size = static_cast<uint32_t>(bits_.size());
    out->width = width_;
    out->height = height_;
    return kOk;
}

Result SystemSurface::LockRect(LockedRect* out, const Rect* rect, uint32_t) {
    ClearRefusal();
    if (Result r = AdmitLock(); Failed(r)) {
        if (out)
            *out = LockedRect{};
        return r;
    }
    if (!out)
        return Refuse("LockRect: nowhere to put the lock");
    if (locked_)
        return Refuse("LockRect: the surface is locked already");
    Rect r{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (rect) {
        if (!RectInside(*rect, width_, height_))
            return Refuse("LockRect: the rectangle is empty or leaves the surface");
        r = *rect;
    }
    locked_ = true;
    out->pitch = static_cast<int32_t>(pitch_);
    out->bits = bits_.data() + static_cast<size_t>(r.top) * pitch_ +
                static_cast<size_t>(r.left) * BytesPerPixel(format_);
    return kOk;
}

Result SystemSurface::UnlockRect() {
    ClearRefusal();
    if (!locked_)
        return Refuse("UnlockRect: the surface is not locked");
    locked_ = false;
    return kOk;
}

} // namespace gpu
