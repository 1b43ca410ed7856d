#include "effects/Collection2Keeper.h"

int32_t CCollection2Keeper::UpdateParticle(int32_t, CCollectedParticle2&, float, float, float,
                                           float) {
    return 1;
}

int32_t CCollection2Keeper::IsEmitting() { return 0; }

int32_t CCollection2Keeper::GetEmitCount(float) { return 0; }

int32_t CCollection2Keeper::InitParticle(int32_t, CCollectedParticle2&, float, float, float) {
    return 1;
}

int32_t CCollection2Keeper::SetOrigin(float, float, float, float) { return 1; }

void CCollection2Keeper::Move(float dx, float dy, float dz) {
    X += dx;
    Y += dy;
    Z += dz;
}
