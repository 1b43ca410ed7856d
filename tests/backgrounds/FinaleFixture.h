#pragma once
// A backdrop manager with what the stage finales need besides the fixture's:
// the lowest particle manager and quad layer, and a sound bank on the
// recording audio back end.
#include <string>

#include "BackdropFixture.h"
#include "audio/SoundBank.h"
#include "platform/sound/FakeAudio.h"
#include "support/SamplePlays.h"

namespace bgtest {

class FinaleFixture : public BackdropFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BackdropFixture::SetUp());
        particles =
            CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(device, vb, ib));
        quads = CSharedPtr<CQuadLayer>(new CQuadLayer(device, vb, ib));
        // The numbered sets look for their first file on disk.
        dir.Write("Sfx/Terminator0.wav", "");
        dir.Write("Sfx/Combo2.wav", "");
        audio = new snd::FakeAudio();
        bank = CSharedPtr<CSoundBank>(new CSoundBank(CSharedPtr<snd::Audio>(audio)));
        ASSERT_EQ(bank->InitDevice(), 0);
        ASSERT_EQ(bank->LoadSamples((dir.Path("Sfx") + "/").c_str()), 0);
        audio->ClearCalls();
    }
    void TearDown() override {
        manager = CSharedPtr<CBackgroundsManager>();
        bank = CSharedPtr<CSoundBank>();
        BackdropFixture::TearDown();
    }
    // The manager with the sound bank, `id` current.
    void Begin(int id, const std::string& config = "") {
        RegisterTextures();
        MakeManager(config);
        manager->SetSoundBank(bank);
        manager->SetBackground(id);
    }
    int Plays(const char* file) const { return testsupport::SamplePlays(*audio, file); }
    // Runs the manager for `seconds` in frames of `step`.
    void Run(float seconds, float step = 0.05f) {
        for (float t = 0; t < seconds - 1e-4f; t += step) {
            manager->Update(step);
            particles->Update(step);
            quads->Update(step);
        }
    }

    snd::FakeAudio* audio = nullptr; // owned by the bank
    CSharedPtr<CSoundBank> bank;
};

} // namespace bgtest
