#pragma once
// A backgrounds manager on the recording back end: the shared buffers, the
// backdrop layer and the late layer, and every backdrop texture registered
// beforehand (so nothing is read from disk unless a test leaves one out).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/SoundBank.h"
#include "backgrounds/BackgroundsManager.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "platform/sound/FakeAudio.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"
#include "tools/lib/ImageWriter.h"

namespace bgtest {

inline const std::vector<std::string>& BackdropTextureNames() {
    static const std::vector<std::string> names = {"BackgroundMuseum",
                                                   "MuseumDust",
                                                   "MuseumDustMask",
                                                   "MuseumFlareRays",
                                                   "BackgroundMainMenu",
                                                   "MainMenuSkyMask",
                                                   "MainMenuLeafMask",
                                                   "MainMenuElements",
                                                   "MainMenuFrontFoliage",
                                                   "BackgroundJungle",
                                                   "JungleFog",
                                                   "JungleMask",
                                                   "JungleFlareRays",
                                                   "BackgroundValley",
                                                   "ValleyCloud",
                                                   "ValleyMask",
                                                   "ValleyFlareRays",
                                                   "BackgroundDoor",
                                                   "DoorShadow",
                                                   "DoorMask",
                                                   "DoorFoliage",
                                                   "BackgroundTreasury",
                                                   "TreasuryDust",
                                                   "TreasuryMask",
                                                   "TreasuryElements",
                                                   "TreasuryRays",
                                                   "Flare",
                                                   "JungleFlash",
                                                   "Spark",
                                                   "SmallSand",
                                                   "Cloud",
                                                   "Halo1"};
    return names;
}

class BackdropFixture : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Open());
        MakeBuffers(8192, 16384);
        layer = CSharedPtr<CSpriteLayer>(new CSpriteLayer(device, vb, ib));
        front = CSharedPtr<CSpriteLayer>(new CSpriteLayer(device, vb, ib));
        quads = CSharedPtr<CQuadLayer>(new CQuadLayer(device, vb, ib));
        // A firefly mask bright everywhere, so that loading it logs nothing.
        WriteFlashMask(std::vector<uint8_t>(256 * 102, 200));
    }
    void TearDown() override {
        manager = CSharedPtr<CBackgroundsManager>();
        particles = CSharedPtr<CParticleSystemsManager>();
        layer = front = CSharedPtr<CSpriteLayer>();
        quads = CSharedPtr<CQuadLayer>();
        bank = CSharedPtr<CSoundBank>();
        textures.clear();
        Close();
    }
    // Registers every texture except those named in `missing`.
    void RegisterTextures(const std::vector<std::string>& missing = {}) {
        for (const std::string& n : BackdropTextureNames())
            if (std::find(missing.begin(), missing.end(), n) == missing.end())
                textures.push_back(MakeTexture(n));
    }
    // The manager set up as the game does it, with `config` as "Background.cfg".
    void MakeManager(const std::string& config = "") {
        const std::string path = dir.Write("Background.cfg", config);
        manager = CSharedPtr<CBackgroundsManager>(new CBackgroundsManager());
        manager->AttachDevice(device, vb, ib);
        manager->AttachShared(layer, particles, quads, device->GetTexture("Flare"),
                              device->GetTexture("JungleFlash"), device->GetTexture("SmallSand"),
                              device->GetTexture("Cloud"), device->GetTexture("Spark"),
                              device->GetTexture("Halo1"), front);
        manager->LoadParams(path.c_str());
        manager->Init(dir.Path("gfx/"));
        manager->Enabled = 1;
    }
    // "gfx/JungleFlashMask.bmp" of 256 x 102 grey cells (row 0 at the top),
    // or of other bytes as given.
    std::string WriteFlashMask(const std::vector<uint8_t>& grey, int width = 256, int height = 102,
                               const std::string& name = "gfx/JungleFlashMask.bmp") {
        std::vector<uint8_t> rgb;
        for (uint8_t g : grey)
            rgb.insert(rgb.end(), {uint8_t(255 - g), uint8_t(255 - g), g}); // blue is read
        std::vector<uint8_t> bmp;
        EXPECT_TRUE(tk::EncodeBmp({rgb.data(), width, height, 3}, {}, bmp));
        return dir.Write(name, bmp);
    }
    // A sound bank on the fake back end with the backdrops' samples, handed
    // to the manager.
    void MakeSoundBank() {
        // Numbered sets are looked for on disk; the fake back end takes the rest.
        for (const char* f : {"Terminator0.wav", "Combo2.wav"})
            dir.Write(std::string("Sfx/") + f, "");
        audio = new snd::FakeAudio();
        bank = CSharedPtr<CSoundBank>(new CSoundBank(CSharedPtr<snd::Audio>(audio)));
        ASSERT_EQ(bank->InitDevice(), 0);
        ASSERT_EQ(bank->LoadSamples((dir.Path("Sfx") + "/").c_str()), 0);
        audio->ClearCalls();
        manager->SetSoundBank(bank);
    }
    size_t LayerSize() const { return layer->GetDrawn().size() + layer->GetParked().size(); }

    testsupport::CapturedLog log;
    testsupport::TempDir dir;
    CSharedPtr<CSpriteLayer> layer, front;
    // The lowest particle manager (empty unless a test makes it) and quad layer.
    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CQuadLayer> quads;
    CSharedPtr<CSoundBank> bank;
    snd::FakeAudio* audio = nullptr; // owned by the bank
    CSharedPtr<CBackgroundsManager> manager;
    std::vector<CSharedPtr<CTexture>> textures;
};

} // namespace bgtest
