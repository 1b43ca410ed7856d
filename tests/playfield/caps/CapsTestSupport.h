#pragma once
// Shared pieces of the caps tests: a device with the shared buffers on the
// recording back end, the object log in a scratch folder, small caps textures
// and animation files written on the spot.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineTestFiles.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/gpu/RecordingDevice.h"
#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"
#include "tools/lib/ImageWriter.h"

namespace capstest {

// Frame k of record r in every generated animation file: a 32x32 cell of a
// 256x512 atlas, column k, row r.
constexpr int kAtlasWidth = 256;
constexpr int kAtlasHeight = 512;
constexpr int kCell = 32;

inline std::string Block(int record, int frames, const std::string& track) {
    std::ostringstream out;
    out << "TEXTURESIZE " << kAtlasWidth << " " << kAtlasHeight << "\n";
    for (int k = 0; k < frames; ++k)
        out << "FRAME " << k << " " << k * kCell << " " << record * kCell << " "
            << (k + 1) * kCell << " " << (record + 1) * kCell << "\n";
    out << "TRACK ( " << track << " )\n";
    return out.str();
}

// `count` blocks of three frames with the track 0 1 2 1.
inline std::string AnimationFile(int count = CCapAnimation::kRecordCount) {
    std::string text;
    for (int r = 0; r < count; ++r)
        text += Block(r, 3, "0 1 2 1");
    return text;
}

// The expected rectangle of frame k of record r.
inline CCapFrame CellFrame(int record, int k) {
    return CCapFrame{static_cast<float>(k * kCell) / kAtlasWidth,
                     static_cast<float>(record * kCell) / kAtlasHeight,
                     static_cast<float>((k + 1) * kCell) / kAtlasWidth,
                     static_cast<float>((record + 1) * kCell) / kAtlasHeight};
}

// A 4x4 picture of one colour in the format its extension names.
inline bool WritePicture(const std::string& path, uint8_t grey) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 16; ++i)
        pixels.insert(pixels.end(), {grey, grey, grey, 255});
    const tk::PixelView view{pixels.data(), 4, 4, 4};
    const std::string ext = path.substr(path.size() - 3);
    if (ext == "png")
        return tk::WritePng(path, view);
    if (ext == "tga")
        return tk::WriteTga(path, view);
    return tk::WriteBmp(path, view);
}

struct ApiDeleter {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

class CapsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedLog_ = ObjectLogPath();
        SetObjectLogPath(dir_.Path("Objects.log"));
        ResetObjectLog();
        api_.reset(gpu::CreateRecordingApi(config_));
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        ASSERT_EQ(device_->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1,
                                  0, gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
        rec_ = gpu::AsRecording(device_->GetDevice());
        ASSERT_NE(rec_, nullptr);
        MakeBuffers(4096, 8192);
        MakeManager();
    }

    void TearDown() override {
        caps_ = CSharedPtr<CCapsManager>();
        vb_ = CSharedPtr<CVertexBuffer>();
        ib_ = CSharedPtr<CIndexBuffer>();
        device_ = CSharedPtr<CRenderDevice>();
        api_.reset();
        SetObjectLogPath(savedLog_);
    }

    void MakeBuffers(uint32_t vertices, uint32_t indices) {
        vb_ = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        ASSERT_EQ(vb_->Create(device_->GetDevice(), vertices, 32,
                              gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::kFvfGame,
                              gpu::Pool::Default),
                  gpu::kOk);
        device_->RegisterVertexBuffer(vb_);
        ib_ = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        ASSERT_EQ(ib_->Create(device_->GetDevice(), indices, gpu::Fmt::Index16,
                              gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::Pool::Default),
                  gpu::kOk);
        device_->RegisterIndexBuffer(ib_);
    }

    void MakeManager() { caps_ = CSharedPtr<CCapsManager>(new CCapsManager(device_, vb_, ib_)); }

    // The graphics folder, with its trailing separator.
    std::string GfxFolder() const { return dir_.Path("Gfx") + "/"; }
    std::string DataFolder() const { return dir_.Path("Data") + "/"; }

    // Every caps picture, each of its own grey so they can be told apart.
    void WriteTextures() {
        dir_.Write("Gfx/.keep", "");
        for (int i = 0; i < caps::kTextureCount; ++i)
            ASSERT_TRUE(WritePicture(GfxFolder() + caps::kTextureFiles[i],
                                     static_cast<uint8_t>(10 + i)));
        ASSERT_TRUE(WritePicture(GfxFolder() + caps::kCursorLightFile, 200));
        ASSERT_TRUE(WritePicture(GfxFolder() + caps::kChainFile, 220));
    }
    void WriteAnimation(const std::string& text) { dir_.Write("Data/CapsAnimation.dat", text); }

    // Textures and a standard animation file, loaded.
    void LoadAll() {
        WriteTextures();
        WriteAnimation(AnimationFile());
        ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1) << Log();
        ASSERT_EQ(caps_->LoadCapsAnimation(DataFolder()), 1) << Log();
    }

    std::string Log() const { return ScratchDir::Read(dir_.Path("Objects.log")); }
    void ClearLog() const { ResetObjectLog(); }

    CSharedPtr<CCapSprite> Make(int kind, int layer = 0, float x = 0.0f, float y = 0.0f,
                                float half = 16.0f) {
        CSharedPtr<CCapSprite> s;
        caps_->CreateCap(s, kind, x, y, 0.5f, half, layer);
        return s;
    }

    // What the scene frame sets before the layers draw.
    void BeginFrame() {
        rec_->ClearRecords();
        ASSERT_EQ(device_->BeginScene(), gpu::kOk);
        device_->SetIndices(ib_, 0);
        device_->SetStreamSource(vb_);
        device_->SetVertexShader(gpu::kFvfGame);
    }
    void EndFrame() { device_->EndScene(); }

    static uint64_t IdOf(const CSharedPtr<CTexture>& t) {
        return t.IsNull() ? 0 : gpu::RecordingId(t->GetTexture());
    }

    ScratchDir dir_;
    std::string savedLog_;
    gpu::RecordingConfig config_;
    std::unique_ptr<gpu::Api, ApiDeleter> api_;
    CSharedPtr<CRenderDevice> device_;
    gpu::RecordingDevice* rec_ = nullptr;
    CSharedPtr<CVertexBuffer> vb_;
    CSharedPtr<CIndexBuffer> ib_;
    CSharedPtr<CCapsManager> caps_;
};

} // namespace capstest
