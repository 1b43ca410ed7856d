#pragma once
// Shared pieces of the challenge tests: a caps manager, a sprite layer and a
// particle manager on the recording back end, a sound bank on the fake audio
// back end that records what plays, the object log in a scratch folder, a fixed
// random seed and frame loops with a fixed time step.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundBank.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/EngineTestFiles.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/SpriteLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/gpu/RecordingDevice.h"
#include "platform/sound/FakeAudio.h"
#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"
#include "tools/lib/ImageWriter.h"

namespace chtest {

constexpr float kFrame = 1.0f / 60.0f;
constexpr uint32_t kSeed = 20061;

struct ApiDeleter {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

class ChallengeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Rand15::Global().Seed(kSeed);
        savedLog_ = ObjectLogPath();
        SetObjectLogPath(dir_.Path("Objects.log"));
        ResetObjectLog();

        api_.reset(gpu::CreateRecordingApi(gpu::RecordingConfig{}));
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        ASSERT_EQ(device_->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                                  gpu::kSwapEffectDiscard, 0),
                  gpu::kOk);
        vb_ = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        ASSERT_EQ(vb_->Create(device_->GetDevice(), 4096, 32,
                              gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::kFvfGame,
                              gpu::Pool::Default),
                  gpu::kOk);
        ib_ = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        ASSERT_EQ(ib_->Create(device_->GetDevice(), 8192, gpu::Fmt::Index16,
                              gpu::Usage::Dynamic | gpu::Usage::WriteOnly, gpu::Pool::Default),
                  gpu::kOk);
        caps_ = CSharedPtr<CCapsManager>(new CCapsManager(device_, vb_, ib_));

        audio_ = CSharedPtr<snd::FakeAudio>(new snd::FakeAudio);
        bank_ = CSharedPtr<CSoundBank>(new CSoundBank(audio_));
        WriteSoundFiles();
        ASSERT_EQ(bank_->InitDevice(), 0);
        ASSERT_EQ(bank_->LoadSamples(dir_.Path("Sfx/").c_str()), 0) << Log();
        audio_->ClearCalls();
    }

    void TearDown() override {
        bank_ = CSharedPtr<CSoundBank>();
        audio_ = CSharedPtr<snd::FakeAudio>();
        caps_ = CSharedPtr<CCapsManager>();
        ib_ = CSharedPtr<CIndexBuffer>();
        vb_ = CSharedPtr<CVertexBuffer>();
        device_ = CSharedPtr<CRenderDevice>();
        api_.reset();
        SetObjectLogPath(savedLog_);
    }

    // An empty file for every sample of the bank (the fake back end loads
    // anything; the bank only probes that numbered variants exist).
    void WriteSoundFiles() const {
        for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot) {
            const std::string pattern = CSoundBank::SlotFileName(slot);
            if (pattern.find('%') == std::string::npos) {
                dir_.Write("Sfx/" + pattern, "");
                continue;
            }
            for (int n = 0; n < 4; ++n) {
                char name[64];
                std::snprintf(name, sizeof name, pattern.c_str(), n);
                dir_.Write(std::string("Sfx/") + name, "");
            }
        }
    }

    // Every caps picture and an animation file of 17 records of three frames,
    // loaded into the manager (texture mode 0 afterwards).
    void LoadCapsData() {
        std::vector<uint8_t> pixels(4 * 4 * 4, 128);
        const tk::PixelView view{pixels.data(), 4, 4, 4};
        dir_.Write("Gfx/.keep", "");
        auto write = [&](const std::string& file) {
            const std::string path = dir_.Path("Gfx/" + file);
            const std::string ext = path.substr(path.size() - 3);
            if (ext == "png")
                return tk::WritePng(path, view);
            if (ext == "tga")
                return tk::WriteTga(path, view);
            return tk::WriteBmp(path, view);
        };
        for (int i = 0; i < caps::kTextureCount; ++i)
            ASSERT_TRUE(write(caps::kTextureFiles[i]));
        ASSERT_TRUE(write(caps::kCursorLightFile));
        ASSERT_TRUE(write(caps::kChainFile));
        std::string anim;
        for (int r = 0; r < 17; ++r) {
            anim += "TEXTURESIZE 256 512\n";
            for (int k = 0; k < 3; ++k)
                anim += "FRAME " + std::to_string(k) + " " + std::to_string(k * 32) + " " +
                        std::to_string(r * 32) + " " + std::to_string(k * 32 + 32) + " " +
                        std::to_string(r * 32 + 32) + "\n";
            anim += "TRACK ( 0 1 2 )\n";
        }
        dir_.Write("Data/CapsAnimation.dat", anim);
        ASSERT_EQ(caps_->LoadTextures(dir_.Path("Gfx/")), 1) << Log();
        ASSERT_EQ(caps_->LoadCapsAnimation(dir_.Path("Data/")), 1) << Log();
        ASSERT_EQ(caps_->SetTextureMode(caps::kModeNormal), 1);
    }

    // A sprite layer and a particle manager on the device, as the game makes them.
    CSharedPtr<CSpriteLayer> MakeSpriteLayer() const {
        return CSharedPtr<CSpriteLayer>(new CSpriteLayer(device_, vb_, ib_));
    }
    CSharedPtr<CParticleSystemsManager> MakeParticles() const {
        CSharedPtr<CParticleSystemsManager> m(new CParticleSystemsManager(device_, vb_, ib_));
        m->Environment().BoundsMin = {-5000.0f, -5000.0f, -5000.0f};
        m->Environment().BoundsMax = {5000.0f, 5000.0f, 5000.0f};
        return m;
    }

    // How often the sample file of that name was started.
    int Plays(const std::string& file) const {
        int n = 0;
        for (const snd::FakeAudio::Call& call : audio_->calls) {
            if ((call.name != "SamplePlay" && call.name != "SamplePlayEx") || call.args.empty())
                continue;
            const std::string path = audio_->SamplePath(static_cast<snd::Handle>(call.args[0]));
            if (path.size() >= file.size() &&
                path.compare(path.size() - file.size(), file.size(), file) == 0)
                ++n;
        }
        return n;
    }

    std::string Log() const { return ScratchDir::Read(dir_.Path("Objects.log")); }

    // The sprites of the manager's draw list that are not empty.
    size_t ListedSprites() const {
        size_t n = 0;
        for (const CSharedPtr<CCapSprite>& s : caps_->GetDrawList())
            if (!s.IsNull())
                ++n;
        return n;
    }

    ScratchDir dir_;
    std::string savedLog_;
    std::unique_ptr<gpu::Api, ApiDeleter> api_;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CVertexBuffer> vb_;
    CSharedPtr<CIndexBuffer> ib_;
    CSharedPtr<CCapsManager> caps_;
    CSharedPtr<snd::FakeAudio> audio_;
    CSharedPtr<CSoundBank> bank_;
};

// Runs frames of a challenge until `until` holds or `limit` seconds have
// passed; the update results are collected (only those other than 100).
template <class Game, class Pred>
std::vector<int32_t> RunUntil(Game& game, Pred until, float limit, float dt = kFrame) {
    std::vector<int32_t> results;
    for (float t = 0.0f; t < limit && !until(); t += dt) {
        const int32_t r = game.Update(dt);
        if (r != 100)
            results.push_back(r);
    }
    return results;
}

// Runs frames for `seconds`; the results other than 100.
template <class Game> std::vector<int32_t> RunFor(Game& game, float seconds, float dt = kFrame) {
    return RunUntil(
        game, [] { return false; }, seconds, dt);
}

} // namespace chtest
