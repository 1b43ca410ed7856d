#pragma once
// A backdrop manager with what the stage finales need besides the fixture's:
// the lowest particle manager and a sound bank on the recording audio back
// end.
#include <string>

#include "BackdropFixture.h"
#include "support/SamplePlays.h"

namespace bgtest {

class FinaleFixture : public BackdropFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BackdropFixture::SetUp());
        particles =
            CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(device, vb, ib));
    }
    // The manager with the sound bank, `id` current.
    void Begin(int id, const std::string& config = "") {
        RegisterTextures();
        MakeManager(config);
        MakeSoundBank();
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
};

} // namespace bgtest
