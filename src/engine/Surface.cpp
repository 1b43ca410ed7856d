#include "engine/Surface.h"

#include "platform/gpu/TextureLoader.h"

CSurface::~CSurface() {
    if (surface_)
        surface_->Release();
}

gpu::Result CSurface::Create(gpu::Device* device, const std::string& name, uint32_t width,
                             uint32_t height, uint32_t format) {
    name_ = name;
    if (surface_) {
        surface_->Release();
        surface_ = nullptr;
    }
    if (!device)
        return gpu::kErrInvalidCall;
    const gpu::Result r = device->CreateImageSurface(width, height, format, &surface_);
    if (!gpu::Failed(r)) {
        width_ = width;
        height_ = height;
        format_ = format;
    }
    return r;
}

gpu::Result CSurface::LoadFromFile(gpu::Device*, const std::string& file, uint32_t value) {
    const std::string newFile = file;
    gpu::ImageInfo info;
    const gpu::Result r =
        surface_ ? gpu::LoadSurfaceFromFile(surface_, nullptr, newFile, nullptr, gpu::kDefault, 0,
                                            &info)
                 : gpu::kErrInvalidCall;
    if (gpu::Failed(r)) {
        loaded_ = 0;
        file_.clear();
        return r;
    }
    info_ = info;
    file_ = newFile;
    loaded_ = 1;
    value_ = value;
    return r;
}
