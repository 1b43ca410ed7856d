#include "platform/gpu/BufferStore.h"

#include <cstring>
#include <new>

namespace gpu {
bool BufferStore::Init(uint32_t length) {
    try {
        bytes_.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

Result BufferStore::Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) {
    if (!out)
        return Refuse("Lock: nowhere to put the lock");
    *out = nullptr;
    const uint32_t len = Length();
    const bool discard = (flags & Lock::Discard) != 0;
    if (locked_)
        return Refuse("Lock: the buffer is locked already");
    if (discard && (flags & Lock::NoOverwrite))
        return Refuse("Lock: both discard and no-overwrite");
    if (offset > len || size > len - offset)
        return Refuse("Lock: the range leaves the buffer");
    if (discard)
        std::memset(bytes_.data(), kDiscardFill, bytes_.size());
    locked_ = true;
    written_.discard = discard;
    written_.offset = offset;
    written_.size = (flags & Lock::ReadOnly) ? 0 : size;
    *out = bytes_.data() + offset;
    return kOk;
}

Result BufferStore::Unlock() {
    if (!locked_)
        return Refuse("Unlock: the buffer is not locked");
    locked_ = false;
    return kOk;
}

} // namespace gpu
