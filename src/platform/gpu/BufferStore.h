#pragma once
// What the vertex and index buffers of every back end share: the bytes (the
// software back end draws from them, GL uploads from them, the recording
// device copies draws from them), the lock rules, and how the buffer
// describes itself.
//
// Lock rules: one lock at a time; the range lies inside the buffer (size 0
// is an empty lock); discard and no-overwrite together are refused; a
// discarding lock fills the whole buffer with kDiscardFill first, since the
// old contents are gone after it: code that reads them shows up.
#include <cstdint>
#include <type_traits>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/Refusal.h"

namespace gpu {

class BufferStore {
public:
    static constexpr uint8_t kDiscardFill = 0xCD;

    // What the last lock may have changed: the bytes written (size 0 for a
    // read-only lock) and whether it discarded the old contents.
    struct Written {
        uint32_t offset = 0, size = 0;
        bool discard = false;
    };

    BufferStore() = default;
    BufferStore(const BufferStore&) = delete;
    BufferStore& operator=(const BufferStore&) = delete;

    // False when out of memory.
    bool Init(uint32_t length);
    Result Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags);
    Result Unlock();

    uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }
    bool Locked() const { return locked_; }
    const uint8_t* Data() const { return bytes_.data(); }
    const Written& LastLock() const { return written_; }

private:
    std::vector<uint8_t> bytes_;
    bool locked_ = false;
    Written written_;
};

// A vertex or index buffer of a back end's device `OwnerDevice`: the owning device,
// how it was made, and the checked front of its calls. Each call starts with
// no refusal of its own, as the device's calls do, so that LastRefusal names
// this call's reason or nothing; a back end adds its part through the hooks.
template <class Interface, class OwnerDevice> class DeviceBuffer : public Interface {
public:
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) final {
        ClearRefusal();
        if (Result r = AdmitLock(); Failed(r)) {
            if (out)
                *out = nullptr;
            return r;
        }
        return store_.Lock(offsetBytes, sizeBytes, out, flags);
    }
    Result Unlock() final {
        ClearRefusal();
        if (Result r = store_.Unlock(); Failed(r))
            return r;
        Unlocked(store_.LastLock());
        return kOk;
    }
    // A vertex buffer reports the original's "vertex data" format and its
    // vertex format, an index buffer its format.
    Result GetDesc(BufferDesc* out) final {
        ClearRefusal();
        constexpr bool kVertices = std::is_same_v<Interface, VertexBuffer>;
        if (!out)
            return Refuse("GetDesc: nowhere to put the description");
        *out = BufferDesc{};
        out->format = kVertices ? 100u : format_;
        out->type = kVertices ? Rtype::VertexBuffer : Rtype::IndexBuffer;
        out->usage = usage_;
        out->pool = pool_;
        out->size = store_.Length();
        out->fvf = kVertices ? format_ : 0u;
        return kOk;
    }

    const BufferStore& Store() const { return store_; }
    uint32_t Pool() const { return pool_; }
    // Bytes per index of an index buffer.
    uint32_t IndexSize() const { return format_ == Fmt::Index32 ? 4 : 2; }
    const OwnerDevice* Owner() const { return device_; }
    // The device is going away; the buffer keeps its bytes.
    void Detach() { device_ = nullptr; }

protected:
    // Before any rule is looked at (the recording device's injected failures).
    virtual Result AdmitLock() { return kOk; }
    // After an unlock, with what the lock may have changed (GL uploads it).
    virtual void Unlocked(const BufferStore::Written&) {}
    DeviceBuffer(OwnerDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    // `b` with its storage of `length` bytes; null, and `b` freed, when out of memory.
    template <class Buffer> static Buffer* WithStorage(Buffer* b, uint32_t length) {
        if (b && !b->store_.Init(length)) {
            b->device_ = nullptr; // never known to the device
            delete b;
            return nullptr;
        }
        return b;
    }

    OwnerDevice* device_;
    uint32_t usage_, format_, pool_;
    BufferStore store_;
};

} // namespace gpu
