#include "engine/Texture.h"

#include <algorithm>
#include <cstddef>

#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/PixelFormat.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/TextureLoader.h"

namespace {

// The file and reason of the latest failed picture load; empty after a success.
thread_local std::string pictureFailure;

// Every load from a file goes through here, so the note always belongs to the
// latest one.
gpu::Result NoteLoad(const std::string& path, gpu::Result r) {
    if (!gpu::Failed(r)) {
        pictureFailure.clear();
        return r;
    }
    const char* reason =
        r == gpu::kErrNotFound || r == gpu::kErrInvalidData ? gpu::LastDecodeError() : nullptr;
    // A refusal names the rule the load broke (see gpu::LastRefusal).
    if (!reason && *gpu::LastRefusal())
        reason = gpu::LastRefusal();
    pictureFailure = path + ": " + (reason ? reason : "the device refused the texture");
    return r;
}

// Releases a loader result (null-safe).
void ReleaseObject(gpu::Texture*& t) {
    if (t) {
        t->Release();
        t = nullptr;
    }
}

// Writes the colour picture's red, green and blue and the alpha picture's green
// channel (its grey level) into the texture, pixel by pixel, in each picture's
// own format. Every picture must cover the texture.
gpu::Result MergeAlpha(gpu::Texture* texture, gpu::Texture* colour, gpu::Texture* alpha) {
    gpu::SurfaceDesc td, cd, ad;
    if (gpu::Result r = texture->GetLevelDesc(0, &td); gpu::Failed(r))
        return r;
    if (gpu::Result r = colour->GetLevelDesc(0, &cd); gpu::Failed(r))
        return r;
    if (gpu::Result r = alpha->GetLevelDesc(0, &ad); gpu::Failed(r))
        return r;
    const CPixelFormat tf(td.format), cf(cd.format), af(ad.format);
    if (!tf.IsKnown() || !cf.IsKnown() || !af.IsKnown())
        return gpu::kErrInvalidCall;
    // A picture smaller than the texture would be read outside its rows.
    if (cd.width < td.width || cd.height < td.height || ad.width < td.width ||
        ad.height < td.height)
        return gpu::kErrInvalidCall;

    gpu::LockedRect tl, cl, al;
    if (gpu::Result r = texture->LockRect(0, &tl, nullptr, 0); gpu::Failed(r))
        return r;
    if (gpu::Result r = colour->LockRect(0, &cl, nullptr, 0); gpu::Failed(r)) {
        texture->UnlockRect(0);
        return r;
    }
    if (gpu::Result r = alpha->LockRect(0, &al, nullptr, 0); gpu::Failed(r)) {
        colour->UnlockRect(0);
        texture->UnlockRect(0);
        return r;
    }

    const uint32_t tb = tf.bitsPerPixel / 8, cb = cf.bitsPerPixel / 8, ab = af.bitsPerPixel / 8;
    for (uint32_t y = 0; y < td.height; ++y) {
        uint8_t* trow = static_cast<uint8_t*>(tl.bits) + static_cast<ptrdiff_t>(y) * tl.pitch;
        const uint8_t* crow =
            static_cast<const uint8_t*>(cl.bits) + static_cast<ptrdiff_t>(y) * cl.pitch;
        const uint8_t* arow =
            static_cast<const uint8_t*>(al.bits) + static_cast<ptrdiff_t>(y) * al.pitch;
        for (uint32_t x = 0; x < td.width; ++x) {
            const uint32_t c = cf.Read(crow + x * cb);
            const uint32_t a8 = CPixelFormat::Get8(af.green, af.Read(arow + x * ab));
            const uint32_t out = CPixelFormat::Put8(tf.alpha, a8) |
                                 CPixelFormat::Put8(tf.red, CPixelFormat::Get8(cf.red, c)) |
                                 CPixelFormat::Put8(tf.green, CPixelFormat::Get8(cf.green, c)) |
                                 CPixelFormat::Put8(tf.blue, CPixelFormat::Get8(cf.blue, c));
            tf.Write(trow + x * tb, out);
        }
    }
    alpha->UnlockRect(0);
    colour->UnlockRect(0);
    texture->UnlockRect(0);
    return gpu::kOk;
}

}  // namespace

CTexture::~CTexture() {
    LogObject("Texture ");
    LogObject(name_);
    LogObject(" Destruction.\n");
    ReleaseTexture();
}

void CTexture::ReleaseTexture() {
    // A scene recorded with this texture is drawn before the texture goes.
    CRenderDevice::BeforeTextureRelease(texture_);
    ReleaseObject(texture_);
    serial_ = 0;
}

void CTexture::Stamp() {
    static uint64_t lastSerial = 0;
    serial_ = ++lastSerial;
}

void CTexture::ReadDesc() {
    gpu::SurfaceDesc d;
    if (texture_ && !gpu::Failed(texture_->GetLevelDesc(0, &d)))
        desc_ = d;
}

std::string CTexture::CompanionPath(const std::string& path) {
    if (path.size() <= 4)
        return std::string();
    return path.substr(0, path.size() - 4) + "_alpha." + path.substr(path.size() - 3);
}

gpu::Result CTexture::LoadFromFile(gpu::Device* device, const std::string& path,
                                   const std::string& name, uint32_t mipLevels, uint32_t usage,
                                   uint32_t pool, uint32_t format) {
    // The arguments may be this texture's own strings (re-creation).
    const std::string newPath = path, newName = name;
    ReleaseTexture();
    mipLevels_ = mipLevels;
    sourceData_ = nullptr;
    sourceSize_ = 0;
    alphaCompanion_ = 0;
    const gpu::Result r = NoteLoad(
        newPath, gpu::CreateTextureFromFileEx(device, newPath, gpu::kDefault, gpu::kDefault,
                                              mipLevels, usage, format, pool, gpu::Filter::Triangle,
                                              gpu::kDefault, 0, nullptr, &texture_));
    if (gpu::Failed(r)) {
        name_.clear();
        path_.clear();
        return r;
    }
    name_ = newName;
    path_ = newPath;
    Stamp();
    ReadDesc();
    return r;
}

gpu::Result CTexture::LoadFromMemory(gpu::Device* device, const void* data, size_t size,
                                     const std::string& name, uint32_t mipLevels,
                                     uint32_t usage, uint32_t pool, bool keepSource,
                                     uint32_t format) {
    const std::string newName = name;
    ReleaseTexture();
    mipLevels_ = mipLevels;
    path_.clear();
    keepSource_ = keepSource ? 1 : 0;
    alphaCompanion_ = 0;
    const gpu::Result r = gpu::CreateTextureFromFileInMemoryEx(
        device, data, size, gpu::kDefault, gpu::kDefault, mipLevels, usage, format, pool,
        gpu::Filter::Triangle, gpu::kDefault, 0, nullptr, &texture_);
    if (gpu::Failed(r)) {
        name_.clear();
        sourceData_ = nullptr;
        sourceSize_ = 0;
        return r;
    }
    name_ = newName;
    sourceData_ = data;
    sourceSize_ = size;
    Stamp();
    ReadDesc();
    return r;
}

gpu::Result CTexture::CreateEmpty(gpu::Device* device, const std::string& name, uint32_t width,
                                  uint32_t height, uint32_t mipLevels, uint32_t usage,
                                  uint32_t pool, uint32_t format) {
    const std::string newName = name;
    ReleaseTexture();
    mipLevels_ = mipLevels;
    path_.clear();
    sourceData_ = nullptr;
    sourceSize_ = 0;
    alphaCompanion_ = 0;
    const gpu::Result r =
        gpu::CreateTexture(device, width, height, mipLevels, usage, format, pool, &texture_);
    if (gpu::Failed(r)) {
        name_.clear();
        return r;
    }
    name_ = newName;
    Stamp();
    ReadDesc();
    return r;
}

gpu::Result CTexture::LoadWithAlpha(gpu::Device* device, const std::string& path,
                                    const std::string& name, uint32_t usage, uint32_t pool,
                                    uint32_t format) {
    const std::string newPath = path, newName = name;
    ReleaseTexture();
    const std::string companion = CompanionPath(newPath);
    if (companion.empty()) {
        name_.clear();
        path_.clear();
        return gpu::kErrInvalidCall;
    }

    gpu::Texture* colour = nullptr;
    gpu::Texture* alpha = nullptr;
    auto load = [&](const std::string& file, gpu::Texture** out) {
        return NoteLoad(file, gpu::CreateTextureFromFileEx(
                                  device, file, gpu::kDefault, gpu::kDefault, 1, 0,
                                  gpu::Fmt::Unknown, gpu::Pool::Managed, gpu::Filter::Triangle,
                                  gpu::kDefault, 0, nullptr, out));
    };
    gpu::Result r = load(newPath, &colour);
    if (!gpu::Failed(r)) {
        r = load(companion, &alpha);
        if (gpu::Failed(r))
            ReleaseObject(colour);
    }
    if (gpu::Failed(r)) {
        name_.clear();
        path_.clear();
        return r;
    }

    gpu::SurfaceDesc cd, ad;
    r = colour->GetLevelDesc(0, &cd);
    if (!gpu::Failed(r))
        r = alpha->GetLevelDesc(0, &ad);
    if (!gpu::Failed(r)) {
        r = gpu::CreateTexture(device, cd.width, cd.height, 1, usage, format, pool, &texture_);
    }
    if (gpu::Failed(r)) {
        name_.clear();
        path_.clear();
        ReleaseObject(alpha);
        ReleaseObject(colour);
        return r;
    }

    name_ = newName;
    path_ = newPath;
    Stamp();
    ReadDesc();
    alphaCompanion_ = 1;
    mipLevels_ = 1;
    sourceData_ = nullptr;
    sourceSize_ = 0;

    r = MergeAlpha(texture_, colour, alpha);
    ReleaseObject(alpha);
    ReleaseObject(colour);
    if (gpu::Failed(r)) {
        name_.clear();
        path_.clear();
        ReleaseTexture();
        return r;
    }
    return gpu::kOk;
}

gpu::Result CTexture::Recreate(gpu::Device* device) {
    ReleaseTexture();
    if (name_.empty())
        return gpu::kErrInvalidCall;
    const std::string path = path_, name = name_;
    const uint32_t usage = desc_.usage, pool = desc_.pool, format = desc_.format;
    if (!path.empty()) {
        if (alphaCompanion_)
            return LoadWithAlpha(device, path, name, usage, pool, format);
        return LoadFromFile(device, path, name, mipLevels_, usage, pool, format);
    }
    if (sourceData_ && keepSource_)
        return LoadFromMemory(device, sourceData_, sourceSize_, name, mipLevels_, usage, pool,
                              true, format);
    return CreateEmpty(device, name, desc_.width, desc_.height, mipLevels_, usage, pool, format);
}

gpu::Result CTexture::RecreateFrom(gpu::Device* device, const std::string& path) {
    if (name_.empty())
        return gpu::kErrInvalidCall;
    const std::string name = name_;
    path_ = path;
    const gpu::Result r = Recreate(device);
    if (gpu::Failed(r)) {
        name_ = name;
        path_ = path;
    }
    return r;
}

void LogPictureFailure() {
    if (pictureFailure.empty())
        return;
    LogObject(pictureFailure + "\n");
    pictureFailure.clear();
}
