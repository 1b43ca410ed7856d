#pragma once
// The game object's part around one play field for the rule passes: the field
// on the recording back end with its managers, two particle managers, a sound
// bank on the recording audio back end (every play is logged with its sample
// file), the profile's tutorial switches, exact boards, fixed-step frames from
// a fixed seed and the dispatch of the field's events.
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/SoundBank.h"
#include "bonuses/BonusManager.h"
#include "effects/DuneEffect.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/EngineTestFiles.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "platform/gpu/RecordingApi.h"
#include "platform/sound/FakeAudio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"

namespace rulestest {

// 8 rows of 8 characters: '0'..'6' a cap of that colour, 's' steel, '.' empty.
using BoardRows = std::array<const char*, 8>;

// Colour (c + 3 r) mod 5: no ready row and no move.
inline BoardRows DeadBoard() {
    return {"01234012", "34012340", "12340123", "40123401",
            "23401234", "01234012", "34012340", "12340123"};
}

struct ApiDeleter {
    void operator()(gpu::Api* api) const {
        if (api)
            api->Release();
    }
};

class RulesDriver {
public:
    static constexpr float kDt = 1.0f / 60.0f;

    explicit RulesDriver(uint32_t seed = 4242) {
        savedLog_ = ObjectLogPath();
        SetObjectLogPath(dir_.Path("Objects.log"));
        ResetObjectLog();
        Rand15::Global().Seed(seed);

        api_.reset(gpu::CreateRecordingApi());
        device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api_.get(), 0));
        device_->Create(1024, 768, gpu::Fmt::X8R8G8B8, 0, 1, nullptr, gpu::Fmt::D16, 1, 0,
                        gpu::kSwapEffectDiscard, 0);
        caps_ = CSharedPtr<CCapsManager>(
            new CCapsManager(device_, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));

        params_.Speed = 0.0f;
        motion_.ProfilePath = dir_.Path("profile");
        field_.reset(new CPlayField(caps_, &layout_, &motion_, &params_, &aux_));
        CPlayField& f = *field_;
        terminators_ = CSharedPtr<CTerminatorManager>(new CTerminatorManager(
            1.0f, &f.CapList, CSharedPtr<CParticleSystemsManager>(), CSharedPtr<CQuadLayer>(),
            CSharedPtr<CQuadLayer>(), CSharedPtr<CSpriteLayer>()));
        f.Terminators = terminators_;
        f.Bonuses = CSharedPtr<CBonusManager>(new CBonusManager());
        f.GemsBar = CSharedPtr<CGemsBar>(new CGemsBar());
        f.CapSlot = CSharedPtr<CCapSlot>(new CCapSlot());
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
        if (sound_->InitDevice() != 0 || sound_->LoadSamples((dir_.Path("Sfx") + "/").c_str()) != 0)
            ADD_FAILURE() << "the recording sound bank did not load";
        f.SoundBank = sound_;
        terminators_->SetSoundBank(sound_);
        audio_->ClearCalls();
    }

    ~RulesDriver() {
        field_.reset();
        terminators_ = CSharedPtr<CTerminatorManager>();
        sound_ = CSharedPtr<CSoundBank>();
        caps_ = CSharedPtr<CCapsManager>();
        device_ = CSharedPtr<CRenderDevice>();
        api_.reset();
        SetObjectLogPath(savedLog_);
    }

    CPlayField& Field() { return *field_; }
    CLevelParams& Params() { return params_; }
    CFieldMotion& Motion() { return motion_; }
    CGameAux& Aux() { return aux_; }
    const CQuestFieldLayout& Layout() const { return layout_; }
    CTerminatorManager& Terminators() { return *terminators_; }
    CBonusManager& Bonuses() { return *field_->Bonuses; }
    CProfileSettings& Tutorial() { return tutorial_; }
    ScratchDir& Dir() { return dir_; }
    CSandbox* Sandbox() { return field_->Dune.IsNull() ? nullptr : field_->Dune->Sandbox.Get(); }

    // The level start of the game object (quest mode), board shown, play open.
    void StartLevel(int32_t level) {
        CPlayField& f = *field_;
        f.LevelNumber = level;
        f.SetColours(level);
        f.Reset(0);
        f.Show(true, 1, 0.0f);
        f.SetActive(false);
        audio_->ClearCalls();
    }

    // Puts caps exactly as written, every one resting in its cell.
    void PlaceBoard(const BoardRows& rows) {
        CPlayField& f = *field_;
        for (int32_t r = 0; r < 8; ++r)
            for (int32_t c = 0; c < 8; ++c) {
                const char ch = rows[static_cast<size_t>(r)][c];
                auto& cell = f.Board[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (!cell.IsNull()) {
                    f.CapList.Remove(cell);
                    cell = CSharedPtr<CCap>();
                }
                if (ch == '.')
                    continue;
                cell = MakeCap(ch == 's' ? CCap::kSteel : ch - '0', c, r);
            }
        f.Source = CPlayField::kRandomFill;
    }

    CSharedPtr<CCap> MakeCap(int32_t colour, int32_t c, int32_t r) {
        CPlayField& f = *field_;
        const CVector3 p = f.CellToWorld(c, r, false);
        CSharedPtr<CCap> cap;
        f.CapList.CreateCap(cap, colour, 0, p.X, p.Y, 0.0f, f.TokenSize, 1, f.Origin[0],
                            f.Origin[1], f.Origin[2]);
        cap->Kind = CBoardElement::kBoardCap;
        cap->Landed = 1;
        cap->State = CBoardElement::kAtRest;
        cap->Column = cap->PrevColumn = c;
        cap->Row = cap->PrevRow = r;
        return cap;
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

    CSharedPtr<CCap> Cap(int32_t c, int32_t r) { return field_->CapAt(c, r); }

    // One frame of the game object: update, reorder, dispatch, empty.
    void Frame(float dt = kDt) {
        CPlayField& f = *field_;
        f.Update(dt, 10000.0f, 10000.0f);
        f.ReorderEvents();
        for (const CFieldEvent& e : f.Events) {
            events.push_back(e);
            if (e.Kind == CFieldEvent::kNoMoves && rebuildOnNoMoves) {
                f.RebuildBoard(rebuildDelay, 30);
                reopenIn = rebuildDelay + 0.05f;
            }
        }
        f.Events.clear();
        if (reopenIn > 0.0f) {
            reopenIn -= dt;
            if (reopenIn <= 0.0f)
                f.SetActive(false);
        }
    }

    void Frames(int n, float dt = kDt) {
        for (int i = 0; i < n; ++i)
            Frame(dt);
    }

    // Nothing moves, nothing is removed, every cell holds a cap, no ready row.
    bool Settled() {
        CPlayField& f = *field_;
        if (reopenIn > 0.0f || !f.IsIdle(true))
            return false;
        for (const auto& cap : f.CapList.GetCaps())
            if (!cap.IsNull() && cap->Kind == CBoardElement::kBoardCap && cap->Landed == 0)
                return false;
        f.BuildMatchMatrix();
        return f.MatchFinder.HasRun(3, 0) == 0;
    }

    bool RunUntilSettled(int maxFrames = 3000) {
        for (int i = 0; i < maxFrames; ++i) {
            Frame();
            if (Settled())
                return true;
        }
        return false;
    }

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

    int CountEvents(int32_t kind) const {
        int n = 0;
        for (const CFieldEvent& e : events)
            if (e.Kind == kind)
                ++n;
        return n;
    }
    const CFieldEvent* LastEvent(int32_t kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->Kind == kind)
                return &*it;
        return nullptr;
    }

    template <class Test> int CountCaps(Test test) {
        int n = 0;
        for (const auto& row : field_->Board)
            for (const auto& cap : row)
                if (!cap.IsNull() && test(*cap))
                    ++n;
        return n;
    }

    // ---- Sounds ----
    // Plays of the sample file (e.g. "TNT.wav") since the last ClearSounds.
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
    int AllPlays() const { return audio_->Count("SamplePlay") + audio_->Count("SamplePlayEx"); }
    void ClearSounds() { audio_->ClearCalls(); }

    // ---- Particle systems ----
    static size_t Systems(const CSharedPtr<CParticleSystemsManager>& m) {
        return m.IsNull() ? 0 : m->BlendedSystems().size() + m->AlphaTestedSystems().size();
    }

    std::vector<CFieldEvent> events;
    bool rebuildOnNoMoves = true;
    float rebuildDelay = 0.25f;
    float reopenIn = 0.0f;

private:
    ScratchDir dir_;
    std::string savedLog_;
    std::unique_ptr<gpu::Api, ApiDeleter> api_;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CCapsManager> caps_;
    CQuestFieldLayout layout_;
    CFieldMotion motion_;
    CLevelParams params_;
    CGameAux aux_;
    CProfileSettings tutorial_;
    std::unique_ptr<CPlayField> field_;
    CSharedPtr<CTerminatorManager> terminators_;
    snd::FakeAudio* audio_ = nullptr; // owned by the bank's handle
    CSharedPtr<CSoundBank> sound_;
};

} // namespace rulestest
