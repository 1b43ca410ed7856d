#pragma once
// A backgrounds manager on the recording back end: the shared buffers, the
// backdrop layer and the late layer, and every backdrop texture registered
// beforehand (so nothing is read from disk unless a test leaves one out).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backgrounds/BackgroundsManager.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"

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
                                                   "BackgroundStill2",
                                                   "BackgroundStill3",
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
    }
    void TearDown() override {
        manager = CSharedPtr<CBackgroundsManager>();
        particles = CSharedPtr<CParticleSystemsManager>();
        quads = CSharedPtr<CQuadLayer>();
        layer = front = CSharedPtr<CSpriteLayer>();
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
        manager->AttachShared(layer, particles, quads, device->GetTexture("Flare"), {},
                              device->GetTexture("SmallSand"), device->GetTexture("Cloud"),
                              device->GetTexture("Spark"), device->GetTexture("Halo1"), front);
        manager->LoadParams(path.c_str());
        manager->Init(dir.Path("gfx/"));
        manager->Enabled = 1;
    }
    size_t LayerSize() const { return layer->GetDrawn().size() + layer->GetParked().size(); }

    testsupport::CapturedLog log;
    testsupport::TempDir dir;
    CSharedPtr<CSpriteLayer> layer, front;
    // The lowest particle manager and quad layer; empty unless a test makes them.
    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CQuadLayer> quads;
    CSharedPtr<CBackgroundsManager> manager;
    std::vector<CSharedPtr<CTexture>> textures;
};

} // namespace bgtest
