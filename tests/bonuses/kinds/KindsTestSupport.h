#pragma once
// A bonus manager with real layers and particle managers but no device: the
// kinds build, move and fire their sprites and effects as in the game, and
// the tests look at what landed in which layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bonuses/Bonus.h"
#include "bonuses/BonusManager.h"
#include "bonuses/BonusParametres.h"
#include "bonuses/base/BonusTestSupport.h"
#include "effects/Collection2ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/ThunderboltParticleSystem.h"
#include "engine/IndexBuffer.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/SharedPtr.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/VertexBuffer.h"
#include "platform/Rand15.h"
#include "totems/BoardGrid.h"

namespace kindstest {

using bonustest::Codes;
using bonustest::MakeQuadLayer;
using bonustest::MakeSpriteLayer;

// A particle manager without a device, keeping its default bounds.
inline CSharedPtr<CParticleSystemsManager> NewParticles() {
    return CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}

inline size_t SpriteCount(const CSpriteLayer& layer) {
    return layer.GetDrawn().size() + layer.GetParked().size();
}

template <class System> size_t CountSystems(const CParticleSystemsManager& m) {
    size_t n = 0;
    for (const auto& s : m.BlendedSystems())
        n += dynamic_cast<System*>(s.Get()) != nullptr ? 1 : 0;
    return n;
}

// True once the system's timed emission has been ended (it stops emitting
// at its next update).
inline bool EmissionEnded(const CParticleSystem& s) {
    return !s.Emitting || s.EmissionDuration <= s.ElapsedTime;
}

inline size_t CountCode(const std::vector<CBonusEvent>& events, int32_t code) {
    return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                             [&](const CBonusEvent& e) { return e.Code == code; }));
}

class KindsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Rand15::Global().Seed(12345);
        g_gemsParams = CGemsParametres();
        g_bonusParams = CBonusParametres();
        SetBoardGrid(-194.5f, 340.5f, 50.0f, 8, 8, 83.0f, 83.0f);
        manager.SetLayers(sprite1, quad1, particles1, sprite2, particles2, quad2, sprite3);
    }
    void TearDown() override {
        manager.Clear();
        g_bonusParams = CBonusParametres();
    }

    // A bonus of that type and level made by the manager's factory, placed on
    // cell (column, row) of the board.
    CSharedPtr<CBonus> Make(int32_t type, int32_t level, int32_t column = 3, int32_t row = 4,
                            int32_t upper = 0) {
        CSharedPtr<CBonus> b;
        manager.CreateBonus(b, type, level, upper, 1);
        EXPECT_FALSE(b.IsNull());
        if (b.IsNull())
            return b;
        float at[3];
        g_boardGrid.CellToScreen(at, column, row);
        b->Place(at[0], at[1], at[2], 39.0f, column, row);
        return b;
    }

    // One frame of the game's bonus work: the layers age their sprites and
    // the manager updates the bonuses and collects their events.
    void Frame(float dt) {
        sprite1->Update(dt, 0);
        sprite3->Update(dt, 0);
        quad1->Update(dt);
        quad2->Update(dt);
        particles1->Update(dt);
        particles2->Update(dt);
        manager.Update(dt);
    }

    bool Listed(const CSharedPtr<CBonus>& b) const {
        return std::any_of(manager.Bonuses.begin(), manager.Bonuses.end(),
                           [&](const CSharedPtr<CBonus>& o) { return o == b; });
    }

    CSharedPtr<CSpriteLayer> sprite1 = MakeSpriteLayer();
    CSharedPtr<CSpriteLayer> sprite2 = MakeSpriteLayer();
    CSharedPtr<CSpriteLayer> sprite3 = MakeSpriteLayer();
    CSharedPtr<CQuadLayer> quad1 = MakeQuadLayer();
    CSharedPtr<CQuadLayer> quad2 = MakeQuadLayer();
    CSharedPtr<CParticleSystemsManager> particles1 = NewParticles();
    CSharedPtr<CParticleSystemsManager> particles2 = NewParticles();
    CBonusManager manager;
};

} // namespace kindstest
