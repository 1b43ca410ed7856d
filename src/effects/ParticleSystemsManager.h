#pragma once
// The live particle systems of one drawing layer. Every effect starts by filling
// a parameter block and asking a manager to add a system of that kind; the
// manager numbers its systems, keeps them in drawing order (farthest first,
// ordered once at insertion), advances them once per frame, drops the finished
// ones, and draws them into the vertex and index buffers that all particle
// layers share. The renderer draws it through IParticleLayer.
#include <cstdint>
#include <vector>

#include "effects/ParticleEnvironment.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"

class CRenderDevice;
class CTexture;
class CVertexBuffer;
class CIndexBuffer;

class CParticleSystemsManager : public IParticleLayer {
public:
    CParticleSystemsManager(CSharedPtr<CRenderDevice> device,
                            CSharedPtr<CVertexBuffer> vertexBuffer,
                            CSharedPtr<CIndexBuffer> indexBuffer);
    ~CParticleSystemsManager() override;
    CParticleSystemsManager(const CParticleSystemsManager&) = delete;
    CParticleSystemsManager& operator=(const CParticleSystemsManager&) = delete;

    // Each builds a system of its kind with a pool of `capacity` particles and
    // inserts it by depth; the handle may be kept or dropped.
    CSharedPtr<CParticleSystem> AddSparks(const CSparksSpringParametres& params, int32_t capacity,
                                          CSharedPtr<CTexture> texture);
    CSharedPtr<CParticleSystem> AddSmokes(const CSmokesSpringParametres& params, int32_t capacity,
                                          CSharedPtr<CTexture> texture);
    CSharedPtr<CParticleSystem> AddExplosion(const CExplosionParametres& params,
                                             int32_t capacity, CSharedPtr<CTexture> texture);
    CSharedPtr<CParticleSystem> AddThunderbolt(const CThunderboltParametres& params,
                                               int32_t capacity, CSharedPtr<CTexture> texture);
    CSharedPtr<CParticleSystem> AddSpells(const CSpellsSpringParametres& params, int32_t capacity,
                                          CSharedPtr<CTexture> texture);
    CSharedPtr<CParticleSystem> AddCollection(const CCollection2Parametres& params,
                                              int32_t capacity, CSharedPtr<CTexture> texture);

    // Advances every system; a system that finished, or whose Stop was called,
    // is updated one last time and then dropped.
    void Update(float dt);

    // Alpha-tested systems: alpha test from the system, reference 128, no
    // blending.
    void RenderAlphaTested() override;
    // Blended systems in list order, each with its own blend factors; with fog
    // on, additive and darkening systems are drawn with black fog.
    void RenderBlended() override;

    // The environment shared by this manager's systems (the game widens its
    // bounds and moves its camera after creating the manager).
    CParticleEnvironment& Environment() { return *environment_; }
    const CSharedPtr<CParticleEnvironment>& GetEnvironment() const { return environment_; }

    const std::vector<CSharedPtr<CParticleSystem>>& BlendedSystems() const { return blended_; }
    const std::vector<CSharedPtr<CParticleSystem>>& AlphaTestedSystems() const {
        return alphaTested_;
    }
    // Appends a system to the alpha-tested list (numbered like the others):
    // for effects that must write depth instead of blending.
    void AddAlphaTested(CSharedPtr<CParticleSystem> system);
    int32_t NextSerial() const { return nextSerial_; }

private:
    // Takes a new system, inserts it before the first one strictly nearer
    // than it and numbers it.
    CSharedPtr<CParticleSystem> Insert(CParticleSystem* system);
    // Locks exactly the system's needs in both buffers, fills and unlocks:
    // 1 when filled, 0 when it has nothing to draw, -1 when a lock failed
    // (the pass ends).
    int Fill(CParticleSystem& system);

    std::vector<CSharedPtr<CParticleSystem>> blended_;
    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CVertexBuffer> vertexBuffer_;
    CSharedPtr<CIndexBuffer> indexBuffer_;
    CSharedPtr<CParticleEnvironment> environment_;
    int32_t nextSerial_ = 0;
    std::vector<CSharedPtr<CParticleSystem>> alphaTested_;
};
