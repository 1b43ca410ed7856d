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
#include "engine/SpriteLayer.h"
#include "platform/Rand15.h"
#include "platform/sound/FakeAudio.h"
#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"
#include "support/CapsFiles.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/SamplePlays.h"

namespace chtest {

constexpr float kFrame = 1.0f / 60.0f;
constexpr uint32_t kSeed = 20061;

class ChallengeFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        Rand15::Global().Seed(kSeed);
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(MakeBuffers(4096, 8192, false));
        caps_ = CSharedPtr<CCapsManager>(new CCapsManager(device, vb, ib));

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
        Close();
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
        dir_.Write("Gfx/.keep", "");
        auto write = [&](const std::string& file) {
            return testsupport::WriteFlatPicture(dir_.Path("Gfx/" + file), 128, 128);
        };
        for (int i = 0; i < caps::kTextureCount; ++i)
            ASSERT_TRUE(write(caps::kTextureFiles[i]));
        ASSERT_TRUE(write(caps::kCursorLightFile));
        ASSERT_TRUE(write(caps::kChainFile));
        dir_.Write("Data/CapsAnimation.dat", testsupport::CapsAnimationText(17, 3, "0 1 2"));
        ASSERT_EQ(caps_->LoadTextures(dir_.Path("Gfx/")), 1) << Log();
        ASSERT_EQ(caps_->LoadCapsAnimation(dir_.Path("Data/")), 1) << Log();
        ASSERT_EQ(caps_->SetTextureMode(caps::kModeNormal), 1);
    }

    // A sprite layer and a particle manager on the device, as the game makes them.
    CSharedPtr<CSpriteLayer> MakeSpriteLayer() const {
        return CSharedPtr<CSpriteLayer>(new CSpriteLayer(device, vb, ib));
    }
    CSharedPtr<CParticleSystemsManager> MakeParticles() const {
        CSharedPtr<CParticleSystemsManager> m(new CParticleSystemsManager(device, vb, ib));
        m->Environment().BoundsMin = {-5000.0f, -5000.0f, -5000.0f};
        m->Environment().BoundsMax = {5000.0f, 5000.0f, 5000.0f};
        return m;
    }

    // How often the sample file of that name was started.
    int Plays(const std::string& file) const { return testsupport::SamplePlays(*audio_, file); }

    std::string Log() const { return log_.Text(); }

    // The sprites of the manager's draw list that are not empty.
    size_t ListedSprites() const {
        size_t n = 0;
        for (const CSharedPtr<CCapSprite>& s : caps_->GetDrawList())
            if (!s.IsNull())
                ++n;
        return n;
    }

    testsupport::TempDir dir_;
    testsupport::CapturedLog log_{dir_};
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
