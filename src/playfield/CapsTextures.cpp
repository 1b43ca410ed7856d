#include "playfield/CapsTextures.h"

#include <string>
#include <vector>

#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "playfield/CapsManager.h"

namespace caps {

const char* const kTextureFiles[kTextureCount] = {
    "Caps.png",       "Caps_d.png",     "Caps_l.tga",     "MemCaps1.tga",   "MemCaps2.tga",
    "MemCaps3.tga",   "MemCaps1_l.tga", "MemCaps2_l.tga", "MemCaps3_l.tga",
};
const char* const kCursorLightFile = "CursorAdd.bmp";
const char* const kChainFile = "Chain.png";

} // namespace caps

namespace {

// The atlases are cut into frames by texture coordinates, so a single level:
// smaller levels would bleed neighbouring frames into each other.
constexpr uint32_t kMipLevels = 1;

// The chain's alpha copy: the first of these the device can use.
const std::vector<uint32_t>& ChainAlphaFormats() {
    using namespace gpu::Fmt;
    static const std::vector<uint32_t> formats{A1R5G5B5, A4R4G4B4, A4L4,
                                               A8R8G8B8, A8R3G3B2, A8L8};
    return formats;
}

bool Loaded(const CSharedPtr<CTexture>& texture, const char* file) {
    if (!texture.IsNull())
        return true;
    LogObject(std::string("Unable to load Texture ") + file + "!\n");
    LogPictureFailure();
    return false;
}

} // namespace

int CCapsManager::LoadTextures(const std::string& gfxFolder) {
    textures_.clear();
    cursorLight_ = CSharedPtr<CTexture>();
    chain_ = CSharedPtr<CTexture>();
    chainAlpha_ = CSharedPtr<CTexture>();
    textureMode_ = caps::kModeNotLoaded;
    if (device_.IsNull())
        return 0;
    CRenderDevice& device = *device_;

    auto load = [&](const char* file) {
        return device.LoadTexture(gfxFolder + file, file, kMipLevels, 0, gpu::Pool::Managed,
                                  gpu::Fmt::Unknown);
    };

    for (int i = 0; i < caps::kTextureCount; ++i) {
        const char* file = caps::kTextureFiles[i];
        CSharedPtr<CTexture> texture = load(file);
        if (!Loaded(texture, file))
            return 0;
        // The memory group waits off the device until a challenge asks for it;
        // the texture keeps its file so it can be made again.
        if (i >= caps::kMemoryTexture)
            texture->ReleaseTexture();
        textures_.push_back(texture);
    }

    cursorLight_ = load(caps::kCursorLightFile);
    if (!Loaded(cursorLight_, caps::kCursorLightFile))
        return 0;
    chain_ = load(caps::kChainFile);
    if (!Loaded(chain_, caps::kChainFile))
        return 0;
    chainAlpha_ = device.LoadTextureAnyFormat(gfxFolder + caps::kChainFile, "ChainAlpha",
                                              ChainAlphaFormats(), kMipLevels, 0,
                                              gpu::Pool::Managed);
    if (!Loaded(chainAlpha_, caps::kChainFile))
        return 0;

    textureMode_ = caps::kModeNormal;
    return 1;
}

int CCapsManager::SetTextureMode(int mode) {
    if (textureMode_ == caps::kModeNotLoaded)
        return 0;
    if (mode != caps::kModeNormal && mode != caps::kModeMemory)
        mode = caps::kModeNone;
    if (mode == textureMode_)
        return 1;

    if (textureMode_ != caps::kModeNone) {
        for (int i = caps::GroupBegin(textureMode_); i < caps::GroupEnd(textureMode_); ++i)
            if (CSharedPtr<CTexture> t = GetCapsTexture(i); !t.IsNull())
                t->ReleaseTexture();
    }
    textureMode_ = mode;
    if (mode == caps::kModeNone)
        return 1;

    int result = 1;
    gpu::Device* gpuDevice = device_.IsNull() ? nullptr : device_->GetDevice();
    for (int i = caps::GroupBegin(mode); i < caps::GroupEnd(mode); ++i) {
        CSharedPtr<CTexture> t = GetCapsTexture(i);
        if (t.IsNull() || !gpuDevice || gpu::Failed(t->Recreate(gpuDevice)))
            result = 0;
    }
    return result;
}
