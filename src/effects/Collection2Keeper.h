#pragma once
// The behaviour object of a collection particle system. The system owns the
// particle records, counts and draws them; on every update it asks its keeper
// where the origin is (SetOrigin), whether to go on emitting (IsEmitting), how
// many particles to start (GetEmitCount), lets it start each one (InitParticle)
// and lets it move and age every live one (UpdateParticle, 0 kills it).
//
// The base does nothing: it emits nothing and keeps every particle alive.
// Concrete keepers override what they need; they all answer IsEmitting with 1
// and store the origin in SetOrigin unless they say otherwise.
#include <cstdint>

class CCollectedParticle2;

class CCollection2Keeper {
public:
    CCollection2Keeper() = default;
    virtual ~CCollection2Keeper() = default;
    CCollection2Keeper(const CCollection2Keeper&) = delete;
    CCollection2Keeper& operator=(const CCollection2Keeper&) = delete;

    // Advances one live particle; 0 kills it, any other value keeps it.
    virtual int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x,
                                   float y, float z);
    // 0 ends the system's emission for good.
    virtual int32_t IsEmitting();
    // The number of particles to start now (values below 1 start none).
    virtual int32_t GetEmitCount(float dt);
    // Starts one particle in the record the system chose; the result is unused.
    virtual int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                                 float z);
    // Called first on every update with the system's position; 0 ends emission.
    virtual int32_t SetOrigin(float x, float y, float z, float dt);
    virtual void Move(float dx, float dy, float dz);

    // The emission origin in world units, written by SetOrigin.
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;

protected:
    // The body every concrete keeper uses for SetOrigin.
    int32_t StoreOrigin(float x, float y, float z) {
        X = x;
        Y = y;
        Z = z;
        return 1;
    }
};
