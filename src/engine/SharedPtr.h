#pragma once
// The game's ownership handle: a single-threaded counted pointer whose count lives
// in a separately allocated holder, so the owned object carries no count of its own.
// There are no weak references. The holder remembers how to destroy the object it
// was made with, so a handle converted to a base class (a layer interface, a family
// base) still destroys the object as its own type and shares one count.
#include <cstdint>
#include <cstddef>
#include <new>
#include <type_traits>

// GCC 12 cannot see that a holder is only deleted when its count reaches zero,
// and reports every later use through another handle as a use after free.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#define GV_SHARED_PTR_PRAGMAS 1
#endif

namespace shared_ptr_detail {
struct Holder {
    void* object;
    uint32_t count;
    void (*destroy)(void*);
};
}  // namespace shared_ptr_detail

template <class T> class CSharedPtr {
public:
    CSharedPtr() = default;

    // A holder without an object: IsNull() is true, but the holder is counted.
    explicit CSharedPtr(std::nullptr_t) : holder_(new Holder{nullptr, 1, &Destroy<T>}) {}

    // Takes ownership of a freshly created object. Never wrap one object twice:
    // two holders would each destroy it.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    explicit CSharedPtr(U* object) : object_(object) {
        try {
            holder_ = new Holder{object, 1, &Destroy<U>};
        } catch (...) {
            delete object;
            throw;
        }
    }

    CSharedPtr(const CSharedPtr& other) : holder_(other.holder_), object_(other.object_) {
        if (holder_)
            ++holder_->count;
    }

    // Upcast: shares the holder and its count.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CSharedPtr(const CSharedPtr<U>& other) : holder_(other.holder_), object_(other.object_) {
        if (holder_)
            ++holder_->count;
    }

    ~CSharedPtr() { Release(); }

    CSharedPtr& operator=(const CSharedPtr& other) { return Assign(other.holder_, other.object_); }

    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CSharedPtr& operator=(const CSharedPtr<U>& other) {
        return Assign(other.holder_, other.object_);
    }

    // True for the empty handle and for a holder whose object is null.
    bool IsNull() const { return holder_ == nullptr || object_ == nullptr; }

    T* Get() const { return holder_ ? object_ : nullptr; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }

    // Number of handles sharing the holder (0 for the empty handle).
    uint32_t UseCount() const { return holder_ ? holder_->count : 0; }

    // Two handles are equal when they share one holder (or are both empty).
    template <class U> bool operator==(const CSharedPtr<U>& other) const {
        return holder_ == other.holder_;
    }

private:
    template <class> friend class CSharedPtr;

    using Holder = shared_ptr_detail::Holder;

    template <class U> static void Destroy(void* p) {
        static_assert(sizeof(U) > 0, "destroying an incomplete type");
        delete static_cast<U*>(p);
    }

    CSharedPtr& Assign(Holder* incoming, T* object) {
        if (incoming == holder_)
            return *this;
        // Count the new holder before letting go of the old one: the source handle
        // may live inside the object that the release destroys.
        if (incoming)
            ++incoming->count;
        Release();
        holder_ = incoming;
        object_ = object;
        return *this;
    }

    void Release() {
        if (!holder_)
            return;
        Holder* h = holder_;
        holder_ = nullptr;
        object_ = nullptr;
        if (--h->count < 1) {
            h->destroy(h->object);
            delete h;
        }
    }

    Holder* holder_ = nullptr;
    T* object_ = nullptr;
};

#ifdef GV_SHARED_PTR_PRAGMAS
#pragma GCC diagnostic pop
#undef GV_SHARED_PTR_PRAGMAS
#endif
