#pragma once
// A texture that remembers where it came from (a picture file, a picture file
// with an "_alpha." companion, a picture in memory, or nothing: an empty
// target), so the device wrapper can re-create it after a lost device. The name
// is the key under which the device's registry finds it; it is empty after a
// failed load.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gpu/Gpu.h"

class CTexture {
public:
    CTexture() = default;
    ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // A picture file at its own size, filtered with the triangle filter, no
    // colour key.
    gpu::Result LoadFromFile(gpu::Device* device, const std::string& path,
                             const std::string& name, uint32_t mipLevels, uint32_t usage,
                             uint32_t pool, uint32_t format);
    // A picture file held in memory (not owned: with keepSource the caller
    // keeps it alive for re-creation).
    gpu::Result LoadFromMemory(gpu::Device* device, const void* data, size_t size,
                               const std::string& name, uint32_t mipLevels, uint32_t usage,
                               uint32_t pool, bool keepSource, uint32_t format);
    // An empty texture (its contents are lost on re-creation).
    gpu::Result CreateEmpty(gpu::Device* device, const std::string& name, uint32_t width,
                            uint32_t height, uint32_t mipLevels, uint32_t usage, uint32_t pool,
                            uint32_t format);
    // The colour picture `path` with the grey level (green channel) of its
    // companion "X_alpha.ext" as alpha. A path of 4 characters or fewer, or a
    // companion smaller than the colour picture, fails with kErrInvalidCall.
    gpu::Result LoadWithAlpha(gpu::Device* device, const std::string& path,
                              const std::string& name, uint32_t usage, uint32_t pool,
                              uint32_t format);
    // Makes the texture again the way it was first made. A nameless texture
    // (failed load) is never re-created: kErrInvalidCall.
    gpu::Result Recreate(gpu::Device* device);
    // Points the texture at another picture file and makes it again from it;
    // handles to it show the new picture. On failure the texture keeps its
    // name and the new path, so a later re-point can still succeed.
    gpu::Result RecreateFrom(gpu::Device* device, const std::string& path);
    // Releases the device texture only (before a device reset).
    void ReleaseTexture();

    // "Pic.tga" -> "Pic_alpha.tga"; empty for a path of 4 characters or fewer.
    static std::string CompanionPath(const std::string& path);

    gpu::Texture* GetTexture() const { return texture_; }
    bool HasTexture() const { return texture_ != nullptr; }
    const gpu::SurfaceDesc& GetDesc() const { return desc_; }
    uint32_t GetWidth() const { return desc_.width; }
    uint32_t GetHeight() const { return desc_.height; }
    uint32_t GetFormat() const { return desc_.format; }
    uint32_t GetPool() const { return desc_.pool; }
    uint32_t GetUsage() const { return desc_.usage; }
    const std::string& GetName() const { return name_; }
    const std::string& GetPath() const { return path_; }
    uint32_t GetMipLevels() const { return mipLevels_; }
    bool HasAlphaCompanion() const { return alphaCompanion_ != 0; }
    // Changes whenever a new device texture is made (0 while there is none), so
    // the device's binding cache can tell a new texture from a freed one that
    // happened to get the same address.
    uint64_t GetSerial() const { return serial_; }

private:
    void ReadDesc();
    void Stamp();

    gpu::Texture* texture_ = nullptr;
    gpu::SurfaceDesc desc_;
    std::string name_;
    std::string path_;
    uint32_t mipLevels_ = 0;
    const void* sourceData_ = nullptr;
    size_t sourceSize_ = 0;
    int keepSource_ = 0;
    int alphaCompanion_ = 0;
    uint64_t serial_ = 0;
};

// After a caller has logged that a picture would not load: a line naming the
// picture file and why it was refused (the latest failed load of this thread).
// Logs nothing when the latest load succeeded.
void LogPictureFailure();
