#pragma once
// An image surface in system memory (the mouse cursor picture "CursorSurface").
#include <cstdint>
#include <string>

#include "platform/gpu/Gpu.h"

class CSurface {
public:
    CSurface() = default;
    ~CSurface();
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    // Takes the name, releases any old surface and creates one of that size.
    gpu::Result Create(gpu::Device* device, const std::string& name, uint32_t width,
                       uint32_t height, uint32_t format);
    // Loads a picture file scaled into the whole surface. On success the file
    // name is kept and `value` is stored; on failure the file name is emptied.
    gpu::Result LoadFromFile(gpu::Device* device, const std::string& file, uint32_t value);

    gpu::Surface* GetSurface() const { return surface_; }
    const gpu::ImageInfo& GetImageInfo() const { return info_; }
    uint32_t GetWidth() const { return width_; }
    uint32_t GetHeight() const { return height_; }
    uint32_t GetFormat() const { return format_; }
    const std::string& GetName() const { return name_; }
    const std::string& GetFile() const { return file_; }
    uint32_t GetLoaded() const { return loaded_; }
    uint32_t GetValue() const { return value_; }

private:
    gpu::Surface* surface_ = nullptr;
    gpu::ImageInfo info_;
    uint32_t width_ = 0, height_ = 0, format_ = 0;
    std::string name_;
    std::string file_;
    uint32_t loaded_ = 0;  // cleared when a load fails
    uint32_t value_ = 0;   // the value passed to the last successful load
};
