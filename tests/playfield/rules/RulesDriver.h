#pragma once
// The game object's part around one play field for the rule passes: the field
// driver of the field tests with two particle managers, a sound bank on the
// recording audio back end (every play is logged with its sample file) and the
// profile's tutorial switches; play reopens only after a rebuild is over.
#include <string>

#include <gtest/gtest.h>

#include "audio/SoundBank.h"
#include "effects/ParticleSystemsManager.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/field/FieldDriver.h"
#include "support/SamplePlays.h"

namespace rulestest {

using fieldtest::BoardRows;
using fieldtest::DeadBoard;

class RulesDriver : public fieldtest::FieldDriver {
public:
    explicit RulesDriver(uint32_t seed = 4242) : FieldDriver(seed) {
        CPlayField& f = *field_;
        motion_.ProfilePath = dir_.Path("profile");
        f.ParticlesA = CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(
            device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
        f.ParticlesB = CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(
            device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
        // Tips off unless a test turns them on.
        tutorial_.QuestTutorial = 0;
        f.Tutorial = &tutorial_;

        // Every sample "loads" on the recording back end; the numbered slots
        // probe for their first file on disk.
        dir_.Write("Sfx/Terminator0.wav", "");
        dir_.Write("Sfx/Combo2.wav", "");
        audio_ = new snd::FakeAudio();
        sound_ = CSharedPtr<CSoundBank>(new CSoundBank(CSharedPtr<snd::Audio>(audio_)));
        if (sound_->InitDevice() != 0 || sound_->LoadSamples(dir_.Path("Sfx/").c_str()) != 0)
            ADD_FAILURE() << "the recording sound bank did not load";
        f.SoundBank = sound_;
        terminators_->SetSoundBank(sound_);
        audio_->ClearCalls();
    }

    ~RulesDriver() override {
        // The field goes first: it points at the tutorial switches.
        field_.reset();
        terminators_ = CSharedPtr<CTerminatorManager>();
        sound_ = CSharedPtr<CSoundBank>();
    }

    CProfileSettings& Tutorial() { return tutorial_; }

    // The level start of the game object (quest mode), board shown, play open.
    void StartLevel(int32_t level) {
        FieldDriver::StartLevel(level);
        audio_->ClearCalls();
    }

    // A bonus of that kind (1 a gem of the cap's colour) placed on the cap.
    CSharedPtr<CBonus> Attach(const CSharedPtr<CCap>& cap, int32_t kind, int32_t level = 0) {
        CSharedPtr<CBonus> b;
        if (kind == CBonus::kGem) {
            Bonuses().CreateGem(b, cap->Colour, 1);
            cap->Gem = 1;
        } else {
            Bonuses().CreateBonus(b, kind, level, 0, 1);
        }
        const CVector3 p = cap->DrawnPosition();
        b->Place(p.X, p.Y, p.Z, cap->Size, cap->Column, cap->Row);
        cap->SetBonus(b);
        return b;
    }

    // Nothing moves, nothing is removed, every cell holds a cap, no ready row,
    // and play is open again after a rebuild.
    bool Settled() override { return reopenIn <= 0.0f && FieldDriver::Settled(); }

    // Runs the removal effects of this frame to their end and scores them, as
    // the frame update does, without letting the board refill.
    void FinishRemovals(int maxFrames = 200) {
        CPlayField& f = *field_;
        const int32_t open = f.InputOpen;
        f.InputOpen = 0;
        for (int i = 0;
             i < maxFrames && !(terminators_->Live.empty() && terminators_->Finished.empty()); ++i)
            Frame();
        f.InputOpen = open;
    }

    // ---- Sounds ----
    // Plays of the sample file (e.g. "TNT.wav") since the last ClearSounds.
    int Plays(const std::string& file) const { return testsupport::SamplePlays(*audio_, file); }
    int AllPlays() const { return audio_->Count("SamplePlay") + audio_->Count("SamplePlayEx"); }
    void ClearSounds() { audio_->ClearCalls(); }

    // ---- Particle systems ----
    static size_t Systems(const CSharedPtr<CParticleSystemsManager>& m) {
        return m.IsNull() ? 0 : m->BlendedSystems().size() + m->AlphaTestedSystems().size();
    }

private:
    CProfileSettings tutorial_;
    snd::FakeAudio* audio_ = nullptr; // owned by the bank's handle
    CSharedPtr<CSoundBank> sound_;
};

} // namespace rulestest
