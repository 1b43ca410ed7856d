#pragma once
// Shared pieces of the caps tests: a device with the shared buffers on the
// recording back end, the object log in a scratch folder, small caps textures
// and animation files written on the spot.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"
#include "support/CapsFiles.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"

namespace capstest {

// Frame k of record r in every generated animation file: a 32x32 cell of a
// 256x512 atlas, column k, row r. `count` blocks of three frames with the
// track 0 1 2 1.
inline std::string AnimationFile(int count = CCapAnimation::kRecordCount) {
    return testsupport::CapsAnimationText(count, 3, "0 1 2 1");
}

// The expected rectangle of frame k of record r.
inline CCapFrame CellFrame(int record, int k) {
    using testsupport::kCapsAtlasHeight, testsupport::kCapsAtlasWidth, testsupport::kCapsCell;
    return CCapFrame{static_cast<float>(k * kCapsCell) / kCapsAtlasWidth,
                     static_cast<float>(record * kCapsCell) / kCapsAtlasHeight,
                     static_cast<float>((k + 1) * kCapsCell) / kCapsAtlasWidth,
                     static_cast<float>((record + 1) * kCapsCell) / kCapsAtlasHeight};
}

class CapsFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Open(config));
        ASSERT_NO_FATAL_FAILURE(MakeBuffers(4096, 8192));
        MakeManager();
    }

    void TearDown() override {
        caps_ = CSharedPtr<CCapsManager>();
        Close();
    }

    void MakeManager() { caps_ = CSharedPtr<CCapsManager>(new CCapsManager(device, vb, ib)); }

    // The graphics folder, with its trailing separator.
    std::string GfxFolder() const { return dir_.Path("Gfx") + "/"; }
    std::string DataFolder() const { return dir_.Path("Data") + "/"; }

    // Every caps picture, each of its own grey so they can be told apart.
    void WriteTextures() {
        dir_.Write("Gfx/.keep", "");
        for (int i = 0; i < caps::kTextureCount; ++i)
            ASSERT_TRUE(testsupport::WriteFlatPicture(GfxFolder() + caps::kTextureFiles[i],
                                                      static_cast<uint8_t>(10 + i)));
        ASSERT_TRUE(testsupport::WriteFlatPicture(GfxFolder() + caps::kCursorLightFile, 200));
        ASSERT_TRUE(testsupport::WriteFlatPicture(GfxFolder() + caps::kChainFile, 220));
    }
    void WriteAnimation(const std::string& text) { dir_.Write("Data/CapsAnimation.dat", text); }

    // Textures and a standard animation file, loaded.
    void LoadAll() {
        WriteTextures();
        WriteAnimation(AnimationFile());
        ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1) << Log();
        ASSERT_EQ(caps_->LoadCapsAnimation(DataFolder()), 1) << Log();
    }

    std::string Log() const { return log_.Text(); }
    void ClearLog() const { log_.Clear(); }

    CSharedPtr<CCapSprite> Make(int kind, int layer = 0, float x = 0.0f, float y = 0.0f,
                                float half = 16.0f) {
        CSharedPtr<CCapSprite> s;
        caps_->CreateCap(s, kind, x, y, 0.5f, half, layer);
        return s;
    }

    static uint64_t IdOf(const CSharedPtr<CTexture>& t) {
        return t.IsNull() ? 0 : gpu::RecordingId(t->GetTexture());
    }

    testsupport::TempDir dir_;
    testsupport::CapturedLog log_{dir_};
    gpu::RecordingConfig config;
    CSharedPtr<CCapsManager> caps_;
};

} // namespace capstest
