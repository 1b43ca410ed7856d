#include "effects/ParticleSystemsManager.h"

#include "effects/Collection2ParticleSystem.h"
#include "effects/ExplosionParticleSystem.h"
#include "effects/SmokesParticleSystem.h"
#include "effects/SparksParticleSystem.h"
#include "effects/SpellsParticleSystem.h"
#include "effects/ThunderboltParticleSystem.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

namespace {
constexpr size_t kReserved = 128;
}

CParticleSystemsManager::CParticleSystemsManager(CSharedPtr<CRenderDevice> device,
                                                 CSharedPtr<CVertexBuffer> vertexBuffer,
                                                 CSharedPtr<CIndexBuffer> indexBuffer)
    : device_(device), vertexBuffer_(vertexBuffer), indexBuffer_(indexBuffer),
      environment_(new CParticleEnvironment()) {
    blended_.reserve(kReserved);
    alphaTested_.reserve(kReserved);
}

CParticleSystemsManager::~CParticleSystemsManager() {
    LogObject("Particle Systems manager destruction.\n");
    blended_.clear();
    alphaTested_.clear();
    environment_ = CSharedPtr<CParticleEnvironment>();
    indexBuffer_ = CSharedPtr<CIndexBuffer>();
    vertexBuffer_ = CSharedPtr<CVertexBuffer>();
    device_ = CSharedPtr<CRenderDevice>();
}

CSharedPtr<CParticleSystem> CParticleSystemsManager::Insert(CParticleSystem* system) {
    CSharedPtr<CParticleSystem> handle(system);
    const CParticleCamera& camera = *environment_->Camera;
    const float depth = camera.Depth(system->Position);
    // Farthest first; a system as deep as others goes behind them (drawn
    // after). The order is fixed here: systems that move are not re-sorted.
    auto it = blended_.begin();
    for (; it != blended_.end(); ++it) {
        if (camera.Depth((*it)->Position) < depth)
            break;
    }
    blended_.insert(it, handle);
    system->Serial = nextSerial_++;
    return handle;
}

CSharedPtr<CParticleSystem> CParticleSystemsManager::AddSparks(const CSparksSpringParametres& p,
                                                               int32_t capacity,
                                                               CSharedPtr<CTexture> texture) {
    return Insert(new CSparksParticleSystem(device_, capacity, texture, vertexBuffer_,
                                            indexBuffer_, environment_, p));
}

CSharedPtr<CParticleSystem> CParticleSystemsManager::AddSmokes(const CSmokesSpringParametres& p,
                                                               int32_t capacity,
                                                               CSharedPtr<CTexture> texture) {
    return Insert(new CSmokesParticleSystem(device_, capacity, texture, vertexBuffer_,
                                            indexBuffer_, environment_, p));
}

CSharedPtr<CParticleSystem> CParticleSystemsManager::AddExplosion(const CExplosionParametres& p,
                                                                  int32_t capacity,
                                                                  CSharedPtr<CTexture> texture) {
    return Insert(new CExplosionParticleSystem(device_, capacity, texture, vertexBuffer_,
                                               indexBuffer_, environment_, p));
}

CSharedPtr<CParticleSystem>
CParticleSystemsManager::AddThunderbolt(const CThunderboltParametres& p, int32_t capacity,
                                        CSharedPtr<CTexture> texture) {
    return Insert(new CThunderboltParticleSystem(device_, capacity, texture, vertexBuffer_,
                                                 indexBuffer_, environment_, p));
}

CSharedPtr<CParticleSystem> CParticleSystemsManager::AddSpells(const CSpellsSpringParametres& p,
                                                               int32_t capacity,
                                                               CSharedPtr<CTexture> texture) {
    return Insert(new CSpellsParticleSystem(device_, capacity, texture, vertexBuffer_,
                                            indexBuffer_, environment_, p));
}

CSharedPtr<CParticleSystem>
CParticleSystemsManager::AddCollection(const CCollection2Parametres& p, int32_t capacity,
                                       CSharedPtr<CTexture> texture) {
    return Insert(new CCollection2ParticleSystem(device_, capacity, texture, vertexBuffer_,
                                                 indexBuffer_, environment_, p));
}

void CParticleSystemsManager::AddAlphaTested(CSharedPtr<CParticleSystem> system) {
    if (system.IsNull())
        return;
    system->Serial = nextSerial_++;
    alphaTested_.push_back(system);
}

namespace {
void UpdateList(std::vector<CSharedPtr<CParticleSystem>>& list, float dt) {
    size_t i = 0;
    while (i < list.size()) {
        // The handle keeps the system alive through its own update.
        CSharedPtr<CParticleSystem> system = list[i];
        if (system->Update(dt) != 0 && !system->Stopped)
            ++i;
        else
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
}
} // namespace

void CParticleSystemsManager::Update(float dt) {
    UpdateList(blended_, dt);
    UpdateList(alphaTested_, dt);
}

int CParticleSystemsManager::Fill(CParticleSystem& system) {
    int32_t vertices = 0, indices = 0;
    system.GetBufferNeeds(&vertices, &indices);
    if (vertices < 1 || indices < 1)
        return 0;
    gpu::Vertex* v = nullptr;
    if (gpu::Failed(vertexBuffer_->Lock(static_cast<uint32_t>(vertices), &v)))
        return -1;
    uint16_t* idx = nullptr;
    if (gpu::Failed(indexBuffer_->Lock(static_cast<uint32_t>(indices), &idx))) {
        vertexBuffer_->Unlock();
        return -1;
    }
    system.FillBuffers(&v, &idx, static_cast<int32_t>(vertexBuffer_->GetLastStart()),
                       static_cast<int32_t>(indexBuffer_->GetLastStart()));
    indexBuffer_->Unlock();
    vertexBuffer_->Unlock();
    return 1;
}

void CParticleSystemsManager::RenderBlended() {
    if (blended_.empty() || device_.IsNull() || vertexBuffer_.IsNull() || indexBuffer_.IsNull())
        return;
    CRenderDevice& d = *device_;
    uint32_t fog = 0;
    if (gpu::Failed(d.GetRenderState(gpu::Rs::FogEnable, &fog)))
        fog = 0;
    uint32_t fogColour = 0;
    if (fog && gpu::Failed(d.GetRenderState(gpu::Rs::FogColor, &fogColour)))
        fogColour = d.GetCachedRenderState(gpu::Rs::FogColor);

    for (size_t i = 0; i < blended_.size(); ++i) {
        CParticleSystem& s = *blended_[i];
        int filled = Fill(s);
        if (filled < 0)
            break;
        if (filled == 0)
            continue;
        d.SetRenderState(gpu::Rs::AlphaTestEnable, s.AlphaTest ? 1u : 0u);
        d.SetRenderState(gpu::Rs::AlphaRef, 0);
        d.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
        d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
        d.SetRenderState(gpu::Rs::SrcBlend, s.SrcBlend);
        d.SetRenderState(gpu::Rs::DestBlend, s.DestBlend);
        if (fog) {
            // Fog must not brighten additive or darken multiplied layers.
            bool black = s.DestBlend == gpu::Blend::One || s.SrcBlend == gpu::Blend::DestColor ||
                         s.DestBlend == gpu::Blend::InvSrcColor;
            d.SetRenderState(gpu::Rs::FogColor, black ? 0u : fogColour);
        }
        d.SetTexture(0, s.Texture);
        s.Render();
    }

    if (fog && d.GetCachedRenderState(gpu::Rs::FogColor) != fogColour)
        d.SetRenderState(gpu::Rs::FogColor, fogColour);
}

void CParticleSystemsManager::RenderAlphaTested() {
    if (alphaTested_.empty() || device_.IsNull() || vertexBuffer_.IsNull() ||
        indexBuffer_.IsNull())
        return;
    CRenderDevice& d = *device_;
    for (size_t i = 0; i < alphaTested_.size(); ++i) {
        CParticleSystem& s = *alphaTested_[i];
        int filled = Fill(s);
        if (filled < 0)
            break;
        if (filled == 0)
            continue;
        d.SetRenderState(gpu::Rs::AlphaTestEnable, s.AlphaTest ? 1u : 0u);
        d.SetRenderState(gpu::Rs::AlphaRef, 128);
        d.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
        d.SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
        d.SetTexture(0, s.Texture);
        s.Render();
    }
}
