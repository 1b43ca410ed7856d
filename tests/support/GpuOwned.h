#pragma once
// Owning handles of graphics back-end objects (the back end itself, devices,
// textures ...): Release() when the handle goes.
#include <memory>

#include "platform/gpu/Gpu.h"

namespace testsupport {

struct ReleaseObject {
    void operator()(gpu::Object* o) const {
        if (o)
            o->Release();
    }
};
template <class T> using Owned = std::unique_ptr<T, ReleaseObject>;
using ApiPtr = Owned<gpu::Api>;

} // namespace testsupport
