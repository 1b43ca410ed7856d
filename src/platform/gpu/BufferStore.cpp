#include "platform/gpu/BufferStore.h"

#include <new>

namespace gpu {
namespace {

constexpr uint32_t kLockReadOnly = 0x10;

} // namespace

bool BufferStore::Init(uint32_t length) {
    try {
        bytes_.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

Result BufferStore::Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) {
    if (!out || locked_)
        return kErrInvalidCall;
    uint32_t len = Length();
    if (offset > len || size > len - offset)
        return kErrInvalidCall;
    locked_ = true;
    written_.discard = (flags & Lock::Discard) != 0;
    written_.offset = offset;
    written_.size = (flags & kLockReadOnly) ? 0 : size;
    *out = bytes_.data() + offset;
    return kOk;
}

Result BufferStore::Unlock() {
    if (!locked_)
        return kErrInvalidCall;
    locked_ = false;
    return kOk;
}

} // namespace gpu
