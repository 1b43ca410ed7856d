#include "effects/Collection2ParticleSystem.h"

#include "effects/Collection2Keeper.h"
#include "effects/ParticleMath.h"

CCollection2ParticleSystem::CCollection2ParticleSystem(
    CSharedPtr<CRenderDevice> device, int32_t capacity, CSharedPtr<CTexture> texture,
    CSharedPtr<CVertexBuffer> vertexBuffer, CSharedPtr<CIndexBuffer> indexBuffer,
    CSharedPtr<CParticleEnvironment> environment, const CCollection2Parametres& p)
    : CParticleSystem(device, capacity, texture, vertexBuffer, indexBuffer, environment),
      BlendMode(p.BlendMode), KeeperEmission(p.KeeperEmission), Keeper(p.Keeper),
      AlphaScale(p.AlphaScale) {
    Pool.resize(static_cast<size_t>(Capacity));
    if (p.InitialList)
        InitialList = *p.InitialList;
    Position = p.Position;
    Timed = p.Timed;
    EmissionDuration = p.EmissionDuration;
    ParticleCount = p.ParticleCount;
    RemainingCount = p.ParticleCount;
    EmissionRate = p.EmissionRate;
    AlphaTest = 1;
    switch (BlendMode) {
    case 1:  // multiply: darkens what lies below
        SrcBlend = gpu::Blend::DestColor;
        DestBlend = gpu::Blend::Zero;
        break;
    case 2:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::InvSrcAlpha;
        break;
    default:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::One;
        break;
    }
}

CCollection2ParticleSystem::~CCollection2ParticleSystem() = default;

int32_t CCollection2ParticleSystem::Update(float dt) {
    if (Emitting && Timed) {
        ElapsedTime += dt;
        if (EmissionDuration <= ElapsedTime) {
            Emitting = 0;
            dt -= ElapsedTime - EmissionDuration;
            if (dt < 0.0f)
                dt = 0.0f;
        }
    }
    // Holding a handle for the update keeps the keeper alive even if one of
    // its own calls lets go of the system's copy.
    CSharedPtr<CCollection2Keeper> keeperHandle = Keeper;
    CCollection2Keeper* keeper = keeperHandle.Get();
    const float x = Position.X, y = Position.Y, z = Position.Z;
    if (keeper && !keeper->SetOrigin(x, y, z, dt))
        Emitting = 0;

    if (Emitting) {
        if (KeeperEmission && keeper) {
            if (!keeper->IsEmitting()) {
                Emitting = 0;
            } else {
                int32_t n = keeper->GetEmitCount(dt);
                Place(Pool, n, [this, keeper, x, y, z](int32_t slot, int32_t) {
                    keeper->InitParticle(slot, Pool[static_cast<size_t>(slot)], x, y, z);
                });
            }
        } else {
            size_t listed = InitialList.size();
            int32_t n = listed > static_cast<size_t>(Capacity) ? Capacity
                                                               : static_cast<int32_t>(listed);
            Place(Pool, n, [this](int32_t slot, int32_t k) {
                CCollectedParticle2& rec = Pool[static_cast<size_t>(slot)];
                rec = InitialList[static_cast<size_t>(k)];
                rec.Alive = 1;
            });
            Emitting = 0;
        }
    }

    LiveCount = 0;
    int32_t result = Emitting;
    for (int32_t i = 0; i < UsedSlots; ++i) {
        CCollectedParticle2& p = Pool[static_cast<size_t>(i)];
        if (!p.Alive)
            continue;
        if (keeper && !keeper->UpdateParticle(i, p, dt, x, y, z)) {
            Kill(Pool, i);
            continue;
        }
        ++LiveCount;
        result = 1;
    }
    return result;
}

void CCollection2ParticleSystem::FillBuffers(gpu::Vertex** vertexCursor, uint16_t** indexCursor,
                                             int32_t firstVertex, int32_t firstIndex) {
    CParticleSystem::FillBuffers(vertexCursor, indexCursor, firstVertex, firstIndex);
    if (LiveCount <= 0)
        return;
    const CParticleEnvironment& env = *Environment;
    const CVector3 right = env.Camera->Right;
    const CVector3 up = env.Camera->Up;
    gpu::Vertex* v = *vertexCursor;
    uint16_t* idx = *indexCursor;
    uint32_t first = static_cast<uint32_t>(firstVertex);
    for (int32_t i = 0; i < UsedSlots && FilledCount < LiveCount; ++i) {
        const CCollectedParticle2& p = Pool[static_cast<size_t>(i)];
        if (!p.Alive)
            continue;
        uint32_t colour = (particles::RoundByte(p.Life * 255.0f * AlphaScale) << 24) |
                          (p.Colour & 0x00FFFFFFu);
        float s, c;
        env.SinCos(p.Angle, &s, &c);
        CVector3 w = right * (c * p.Width) + up * (s * p.Width);
        CVector3 h = right * (-s * p.Height) + up * (c * p.Height);
        CVector3 corners[4];
        float uv[4][2];
        for (int k = 0; k < 4; ++k) {
            corners[k] = p.Position + w * p.Corners[k].S + h * p.Corners[k].T;
            uv[k][0] = p.Uv[k].U;
            uv[k][1] = p.Uv[k].V;
        }
        WriteQuad(v, idx, first, corners, uv, colour);
        ++FilledCount;
    }
    *vertexCursor = v;
    *indexCursor = idx;
}

void CCollection2ParticleSystem::Move(float dx, float dy, float dz) {
    CParticleSystem::Move(dx, dy, dz);
    for (int32_t i = 0; i < UsedSlots; ++i)
        if (Pool[static_cast<size_t>(i)].Alive)
            Pool[static_cast<size_t>(i)].Move(dx, dy, dz);
}
