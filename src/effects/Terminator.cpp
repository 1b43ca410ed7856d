#include "effects/Terminator.h"

#include "playfield/Cap.h"
#include "playfield/CapList.h"

CTerminator::CTerminator(int32_t kind, float effectsLevel, CCapList* capList,
                         CSharedPtr<CParticleSystemsManager> particles,
                         CSharedPtr<CQuadLayer> glowLayer, CSharedPtr<CQuadLayer> sparkLayer,
                         CSharedPtr<CSpriteLayer> spriteLayer, int32_t fast)
    : Kind(kind), Fast(fast), EffectsLevel(effectsLevel), CapList(capList),
      Particles(particles), GlowLayer(glowLayer), SparkLayer(sparkLayer),
      SpriteLayer(spriteLayer) {
    Tokens.reserve(8);
    RemovalFlags.reserve(8);
}

CTerminator::~CTerminator() = default;

void CTerminator::Init(CSharedPtr<CCap> token, int32_t mode) {
    Tokens.push_back(token);
    const bool outright = mode == kTerminatorDestroy || token.IsNull() || token->LockCount == 0;
    RemovalFlags.push_back(outright ? 1 : 0);
    if (!token.IsNull() && !token->Bonus.IsNull())
        Group.Bonuses.push_back(token->Bonus);
    Group.Modes.push_back(mode);
}

int32_t CTerminator::Update(float) {
    return 1;
}

int32_t CTerminator::HasChainedCap() const {
    for (const CSharedPtr<CCap>& t : Tokens)
        if (!t.IsNull() && t->LockCount > 0)
            return 1;
    return 0;
}

float CTerminator::FirstTokenX() const {
    if (Tokens.empty() || Tokens.front().IsNull())
        return 0.0f;
    const CCap& cap = *Tokens.front();
    return cap.Position.X + cap.Offset.X;
}

int32_t CTerminator::ModeOf(size_t i) const {
    return i < Group.Modes.size() ? Group.Modes[i] : kTerminatorBreakOne;
}

CVector3 CTerminator::TokenPosition(const CCap& cap) {
    if (!cap.Sprite.IsNull())
        return {cap.Sprite->X, cap.Sprite->Y, cap.Sprite->Z};
    return cap.DrawnPosition();
}
