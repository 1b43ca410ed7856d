#pragma once
// Shared pieces of the bonus tests: the object log in a scratch folder, the
// parameter blocks and the board grid back at their defaults, a fixed random
// seed, and drawing layers that need no device (sprites and particle systems
// are kept and advanced, nothing is drawn).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bonuses/Bonus.h"
#include "bonuses/BonusManager.h"
#include "bonuses/BonusParametres.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/IndexBuffer.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "support/CapturedLog.h"
#include "totems/BoardGrid.h"

namespace bonustest {

inline CSharedPtr<CSpriteLayer> MakeSpriteLayer() {
    return CSharedPtr<CSpriteLayer>(new CSpriteLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}
inline CSharedPtr<CQuadLayer> MakeQuadLayer() {
    return CSharedPtr<CQuadLayer>(new CQuadLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}
inline CSharedPtr<CParticleSystemsManager> MakeParticles() {
    CSharedPtr<CParticleSystemsManager> m(new CParticleSystemsManager(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
    // Screen units: nothing the bonuses make leaves these bounds.
    m->Environment().BoundsMin = CVector3(-5000.0f, -5000.0f, -5000.0f);
    m->Environment().BoundsMax = CVector3(5000.0f, 5000.0f, 5000.0f);
    return m;
}

// True when the layer holds the sprite (drawn or parked).
inline bool Holds(const CSharedPtr<CSpriteLayer>& layer, const CSharedPtr<CSpriteQuad>& sprite) {
    for (const auto* list : {&layer->GetDrawn(), &layer->GetParked()})
        for (const auto& s : *list)
            if (s.Get() == sprite.Get())
                return true;
    return false;
}
inline size_t SpriteCount(const CSharedPtr<CSpriteLayer>& layer) {
    return layer->GetDrawn().size() + layer->GetParked().size();
}

inline std::vector<int32_t> Codes(const std::vector<CBonusEvent>& events) {
    std::vector<int32_t> out;
    for (const CBonusEvent& e : events)
        out.push_back(e.Code);
    return out;
}

class BonusFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_gemsParams = CGemsParametres();
        g_bonusParams = CBonusParametres();
        SetBoardGrid(-194.5f, 340.5f, 50.0f, 8, 8, 83.0f, 83.0f);
        Rand15::Global().Seed(4242);
    }
    void TearDown() override {
        g_gemsParams = CGemsParametres();
        g_bonusParams = CBonusParametres();
    }

    std::string Log() const { return log_.Text(); }

    // A manager with all seven layers (sprite 1 to 3, quad 1 and 2, particles
    // 1 and 2).
    CSharedPtr<CBonusManager> LayeredManager() {
        CSharedPtr<CBonusManager> m(new CBonusManager());
        sprite1 = MakeSpriteLayer();
        sprite2 = MakeSpriteLayer();
        sprite3 = MakeSpriteLayer();
        quad1 = MakeQuadLayer();
        quad2 = MakeQuadLayer();
        particles1 = MakeParticles();
        particles2 = MakeParticles();
        m->SetLayers(sprite1, quad1, particles1, sprite2, particles2, quad2, sprite3);
        return m;
    }

    testsupport::TempDir dir_;
    testsupport::CapturedLog log_{dir_};
    CSharedPtr<CSpriteLayer> sprite1, sprite2, sprite3;
    CSharedPtr<CQuadLayer> quad1, quad2;
    CSharedPtr<CParticleSystemsManager> particles1, particles2;
};

// The fixture with a manager of all seven layers ready in `manager`.
class LayeredFixture : public BonusFixture {
protected:
    void SetUp() override {
        BonusFixture::SetUp();
        manager = LayeredManager();
    }
    void TearDown() override {
        manager = CSharedPtr<CBonusManager>();
        BonusFixture::TearDown();
    }

    CSharedPtr<CBonusManager> manager;
};

} // namespace bonustest
