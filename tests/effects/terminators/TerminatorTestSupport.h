#pragma once
// A terminator manager wired as the game wires it, on the recording back end:
// a particle manager and two quad layers on shared buffers, a cap list whose
// caps manager knows the caps frames (row r of the picture at v = r / 16), and
// a sound bank on the fake audio whose terminator and chain sounds are panned.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/SoundBank.h"
#include "effects/Collection2ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SimpleSpriteSystemKeeper.h"
#include "effects/SpriteCrackKeeper.h"
#include "effects/TerminatorElectro.h"
#include "effects/TerminatorManager.h"
#include "effects/ThunderboltParticleSystem.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "platform/Rand15.h"
#include "platform/sound/FakeAudio.h"
#include "playfield/CapList.h"
#include "playfield/CapsAnimation.h"
#include "playfield/CapsManager.h"
#include "support/CapsFiles.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"

namespace termtest {

constexpr float kOriginX = -194.5f, kOriginY = 340.5f, kOriginZ = 50.0f;
constexpr float kCapSize = 39.0f;

template <class T> T* As(const CSharedPtr<CParticleSystem>& s) {
    return dynamic_cast<T*>(s.Get());
}

class TerminatorFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        Rand15::Global().Seed(777);
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(MakeBuffers(8192, 16384, false));
        glowTex = MakeTexture("Spark");
        chainTex = MakeTexture("Chain");
        chainSparkTex = MakeTexture("ChainSpark");
        lightningTex = MakeTexture("Lightning");
        capsTex = MakeTexture("Caps");

        particles = CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(device, vb, ib));
        particles->Environment().BoundsMin = {-1000.0f, -1000.0f, -1000.0f};
        particles->Environment().BoundsMax = {1000.0f, 1000.0f, 1000.0f};
        glow = CSharedPtr<CQuadLayer>(new CQuadLayer(device, vb, ib));
        sparks = CSharedPtr<CQuadLayer>(new CQuadLayer(device, vb, ib));

        capsManager = CSharedPtr<CCapsManager>(
            new CCapsManager(CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(),
                             CSharedPtr<CIndexBuffer>()));
        // Caps frames: record r, frame k covers (k * 32, r * 32) .. ((k + 1) * 32,
        // (r + 1) * 32) of a 256 x 512 picture.
        dir.Write("CapsAnimation.dat",
                  testsupport::CapsAnimationText(CCapAnimation::kRecordCount, 4, "0 1 2 3 2 1"));
        ASSERT_EQ(capsManager->LoadCapsAnimation(dir.Folder()), 1);
        caps.SetCapsManager(capsManager);
        caps.SetOrigin(kOriginX, kOriginY, kOriginZ, 1);

        // The numbered sets probe their files on disk; "Vol.cfg" pans the
        // removal sounds fully.
        dir.Write("Sfx/Terminator0.wav", "");
        dir.Write("Sfx/Combo2.wav", "");
        dir.Write("Sfx/Vol.cfg", "\"Terminator0.wav\" 1 PAN 1\n\"ChainOut.wav\" 1 PAN 1\n"
                                 "\"Terminator0_s.wav\" 1 PAN 1\n");
        audio = new snd::FakeAudio();
        bank = CSharedPtr<CSoundBank>(new CSoundBank(CSharedPtr<snd::Audio>(audio)));
        ASSERT_EQ(bank->InitDevice(), 0);
        bank->LoadVolumeConfig(dir.Path("Sfx/Vol.cfg").c_str());
        ASSERT_EQ(bank->LoadSamples((dir.Path("Sfx") + "/").c_str()), 0);
        audio->ClearCalls();

        manager.reset(new CTerminatorManager(1.0f, &caps, particles, glow, sparks,
                                             CSharedPtr<CSpriteLayer>()));
        manager->SetTextures(glowTex, chainTex, chainSparkTex, lightningTex);
        manager->SetSoundBank(bank);
    }

    void TearDown() override {
        manager.reset();
        bank = CSharedPtr<CSoundBank>();
        caps.Clear();
        capsManager = CSharedPtr<CCapsManager>();
        glow = CSharedPtr<CQuadLayer>();
        sparks = CSharedPtr<CQuadLayer>();
        particles = CSharedPtr<CParticleSystemsManager>();
        glowTex = chainTex = chainSparkTex = lightningTex = capsTex = CSharedPtr<CTexture>();
        Close();
    }

    // A listed cap of the colour in cell (column, row) with that many chains.
    CSharedPtr<CCap> Cap(int32_t colour, int32_t column, int32_t row, int32_t chains = 0) {
        return CapAtX(colour, (static_cast<float>(column) + 0.5f) * 83.0f + kOriginX,
                      -(static_cast<float>(row) + 0.5f) * 83.0f, chains);
    }
    // A listed cap whose screen x is `x`; y is board-relative.
    CSharedPtr<CCap> CapAtX(int32_t colour, float x, float y = -41.5f, int32_t chains = 0) {
        CSharedPtr<CCap> cap;
        caps.CreateCap(cap, colour, 0, x - kOriginX, y, 0.0f, kCapSize, 1, kOriginX, kOriginY,
                       kOriginZ);
        cap->Kind = CBoardElement::kBoardCap;
        cap->Landed = 1;
        cap->SetValue(chains);
        return cap;
    }

    // A group of `n` cells in a row with links between neighbours.
    static CMatchGroup Row(int32_t n) {
        CMatchGroup g;
        for (int32_t i = 0; i < n; ++i)
            g.Cells.push_back({i, 0});
        for (int32_t i = 0; i + 1 < n; ++i)
            g.Links.push_back({i, i + 1});
        return g;
    }

    // A terminator of the group with the caps added in order, every one in `mode`.
    CSharedPtr<CTerminator> Make(const CMatchGroup& group,
                                 const std::vector<CSharedPtr<CCap>>& tokens, int32_t mode = 0,
                                 int32_t fast = 0) {
        CSharedPtr<CTerminator> t = manager->CreateTerminator(1, group, capsTex, fast);
        EXPECT_FALSE(t.IsNull());
        for (const auto& cap : tokens)
            t->Init(cap, mode);
        return t;
    }
    static CTerminatorElectro& Electro(const CSharedPtr<CTerminator>& t) {
        auto* e = dynamic_cast<CTerminatorElectro*>(t.Get());
        EXPECT_NE(e, nullptr);
        return *e;
    }

    // The particle systems of one kind in the manager.
    template <class T> std::vector<T*> Systems() const {
        std::vector<T*> out;
        for (const auto& s : particles->BlendedSystems())
            if (T* t = As<T>(s))
                out.push_back(t);
        return out;
    }
    template <class Keeper> std::vector<std::pair<CCollection2ParticleSystem*, Keeper*>>
    KeeperSystems() const {
        std::vector<std::pair<CCollection2ParticleSystem*, Keeper*>> out;
        for (CCollection2ParticleSystem* s : Systems<CCollection2ParticleSystem>())
            if (auto* k = dynamic_cast<Keeper*>(s->Keeper.Get()))
                out.emplace_back(s, k);
        return out;
    }

    // Plays of the sample file (e.g. "ChainOut.wav") and their pans.
    std::vector<int64_t> PansOf(const std::string& file) const {
        std::vector<int64_t> out;
        for (const snd::FakeAudio::Call& call : audio->calls) {
            if (call.name != "SamplePlayEx" || call.args.size() < 5)
                continue;
            const std::string path = audio->SamplePath(static_cast<snd::Handle>(call.args[0]));
            if (path.size() >= file.size() &&
                path.compare(path.size() - file.size(), file.size(), file) == 0 &&
                (path.size() == file.size() || path[path.size() - file.size() - 1] == '/'))
                out.push_back(call.args[4]);
        }
        return out;
    }
    int AllPlays() const { return audio->Count("SamplePlay") + audio->Count("SamplePlayEx"); }
    // The sample files queued, in queue order.
    std::vector<std::string> Queued() const {
        std::vector<std::string> out;
        for (const CQueuedSound& q : manager->SoundQueue) {
            std::string name = "(none)";
            for (int slot = 0; slot < CSoundBank::kSlotCount; ++slot)
                if (bank->Group(slot) == q.Sample)
                    name = CSoundBank::SlotFileName(slot);
            out.push_back(name);
        }
        return out;
    }

    testsupport::TempDir dir;
    testsupport::CapturedLog log{dir};
    CSharedPtr<CTexture> glowTex, chainTex, chainSparkTex, lightningTex, capsTex;
    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CQuadLayer> glow, sparks;
    CSharedPtr<CCapsManager> capsManager;
    CCapList caps;
    snd::FakeAudio* audio = nullptr;  // owned by the bank
    CSharedPtr<CSoundBank> bank;
    std::unique_ptr<CTerminatorManager> manager;
};

} // namespace termtest
