#pragma once
// What the textures of every back end share, as BufferStore is for buffers:
// how the texture was made, its levels' sizes, how a level describes itself,
// and the lock rules. A back end's texture does only the work of a lock
// (hand out its copy of the level, take in what was written at the unlock).
//
// Lock rules: one lock of a level at a time; the rectangle, where given, is
// a non-empty one inside the level (none locks the whole level); a
// read-only lock (Lock::ReadOnly) promises that nothing is written. Each call
// starts with no refusal of its own, as the device's calls do, so that
// LastRefusal names this call's reason or nothing.
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"

namespace gpu {

template <class OwnerDevice> class DeviceTexture : public Texture {
public:
    uint32_t GetLevelCount() override { return static_cast<uint32_t>(locks_.size()); }
    // A level is a picture of its own, locked on its own: it describes
    // itself as a surface.
    Result GetLevelDesc(uint32_t level, SurfaceDesc* out) final {
        ClearRefusal();
        if (!out || level >= locks_.size())
            return Refuse("GetLevelDesc: nowhere to put it, or a level past the chain");
        const LevelLock& l = locks_[level];
        *out = SurfaceDesc{
            format_, Rtype::Surface, usage_,  pool_, RowPitch(l.width, format_) * l.height,
            0,       l.width,        l.height};
        return kOk;
    }
    Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) final {
        ClearRefusal();
        if (Result r = AdmitLock(); Failed(r)) {
            if (out)
                *out = LockedRect{};
            return r;
        }
        // A refused lock leaves `out` as it was (a nested one, the first lock's).
        if (!out)
            return Refuse("LockRect: nowhere to put the lock");
        if (level >= locks_.size())
            return Refuse("LockRect: a level past the chain");
        if (locks_[level].locked)
            return Refuse("LockRect: the level is locked already");
        LevelLock& l = locks_[level];
        Rect r{0, 0, static_cast<int32_t>(l.width), static_cast<int32_t>(l.height)};
        if (rect) {
            if (!RectInside(*rect, l.width, l.height))
                return Refuse("LockRect: the rectangle is empty or leaves the level");
            r = *rect;
        }
        const bool readOnly = (flags & Lock::ReadOnly) != 0;
        if (Result res = LockLevel(level, r, readOnly, out); Failed(res))
            return res;
        l.locked = true;
        l.readOnly = readOnly;
        l.rect = r;
        return kOk;
    }
    Result UnlockRect(uint32_t level) final {
        ClearRefusal();
        if (level >= locks_.size() || !locks_[level].locked)
            return Refuse("UnlockRect: the level is not locked");
        LevelLock& l = locks_[level];
        l.locked = false;
        UnlockLevel(level, l.rect, l.readOnly);
        return kOk;
    }

    uint32_t Pool() const { return pool_; }
    uint32_t Format() const { return format_; }
    uint32_t Levels() const { return static_cast<uint32_t>(locks_.size()); }
    uint32_t LevelWidth(uint32_t level) const { return locks_[level].width; }
    uint32_t LevelHeight(uint32_t level) const { return locks_[level].height; }
    bool AnyLevelLocked() const {
        for (const LevelLock& l : locks_)
            if (l.locked)
                return true;
        return false;
    }
    const OwnerDevice* Owner() const { return device_; }

protected:
    // A texture of `levels` levels (checked by the device front) halving down
    // from width x height; throws std::bad_alloc when out of memory.
    DeviceTexture(OwnerDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                  uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {
        locks_.resize(levels);
        for (LevelLock& l : locks_) {
            l.width = width;
            l.height = height;
            width = width > 1 ? width / 2 : 1;
            height = height > 1 ? height / 2 : 1;
        }
    }
    // Before any rule is looked at (the recording device's injected failures).
    virtual Result AdmitLock() { return kOk; }
    // The work of a lock of the rectangle `r` (inside the level): `out` gets
    // the rectangle's first texel and the row pitch. A failure leaves the
    // level unlocked.
    virtual Result LockLevel(uint32_t level, const Rect& r, bool readOnly, LockedRect* out) = 0;
    // The work of its unlock: take in what was written (nothing when read-only).
    virtual void UnlockLevel(uint32_t level, const Rect& r, bool readOnly) = 0;

    OwnerDevice* device_;
    uint32_t usage_, format_, pool_;

private:
    struct LevelLock {
        uint32_t width = 0, height = 0;
        bool locked = false, readOnly = false;
        Rect rect;
    };
    std::vector<LevelLock> locks_;
};

} // namespace gpu
