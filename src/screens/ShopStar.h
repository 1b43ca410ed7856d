#pragma once
// One Golden Star on the shop page: a token resting in the star bank or in an
// item's star slot, flying between them with a spinning sprite and a glitter
// tail, or held by the pointer. A token never changes state in place: the
// shop replaces it by a new token (see CShopScreen). Destroying a token ends
// its tail and takes its sprite off the layer.
#include <cstdint>

#include "engine/SharedPtr.h"

class CParticleSystem;
class CParticleSystemsManager;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;

class CShopStar {
public:
    enum State : int32_t {
        kNew = 0,
        kInBank = 1,     // resting in the bank (counted in the stars held)
        kOnItem = 2,     // resting in an item's slot (counted in its tier)
        kDropReturn = 3, // flying to the bank after a drop no item took
        kSaleReturn = 4, // flying to the bank after a sale
        kToItem = 5,     // flying to an item's next slot
        kDragged = 6     // held by the pointer
    };
    static constexpr float kBankSize = 48.0f;
    static constexpr float kSlotSize = 28.0f;
    static constexpr float kFlightSize = 42.0f;
    static constexpr int32_t kSpinFrames = 8;
    // About this many spin frames a second while flying.
    static constexpr float kFramesPerSecond = 30.0f;

    CShopStar() = default;
    ~CShopStar();
    CShopStar(const CShopStar&) = delete;
    CShopStar& operator=(const CShopStar&) = delete;

    void Attach(CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CSpriteLayer> layer,
                CSharedPtr<CTexture> textureA, CSharedPtr<CTexture> textureB,
                CSharedPtr<CTexture> tailTexture);
    void SetTail(float size, float intensity, uint32_t colour);

    void RestInBank(float x, float y, float z, int32_t order);
    void RestOnItem(float x, float y, float z, int32_t order);
    void FlyBackFromDrop(float fromX, float fromY, float fromZ, float toX, float toY, float toZ,
                         float speed, int32_t order);
    void FlyBackFromItem(float fromX, float fromY, float fromZ, float toX, float toY, float toZ,
                         float speed, int32_t order);
    void FlyToItem(float fromX, float fromY, float fromZ, float toX, float toY, float toZ,
                   float speed, int32_t order);
    void StartDrag(float x, float y, float z, int32_t order);

    // Moves a flying token; true once it has arrived. Other states: false.
    bool Update(float dt);
    void SetPosition(float x, float y, float z);
    // A resting token fades in (from alpha 0) or out at `speed` per second.
    void Fade(bool in, float speed);

    bool IsFlying() const { return state >= kDropReturn && state <= kToItem; }
    bool IsReturning() const { return state == kDropReturn || state == kSaleReturn; }

    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CSpriteLayer> layer;
    CSharedPtr<CTexture> textureA;
    CSharedPtr<CTexture> textureB;
    CSharedPtr<CTexture> tailTexture;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float time = 0.0f;
    float phase = 0.0f;
    float spinRate = 32.0f;
    int32_t state = kNew;
    float fromX = 0.0f, fromY = 0.0f, fromZ = 0.0f;
    float toX = 0.0f, toY = 0.0f, toZ = 0.0f;
    float duration = 1.0f;
    int32_t item = -1;
    CSharedPtr<CSpriteQuad> sprite;
    CSharedPtr<CParticleSystem> tail;
    float tailSize = 32.0f;
    float tailIntensity = 80.0f;
    uint32_t tailColour = 0xFFFFFF80u;

private:
    void Rest(int32_t newState, float px, float py, float pz, int32_t order);
    void Fly(int32_t newState, float fx, float fy, float fz, float tx, float ty, float tz,
             float speed, int32_t order);
    void MakeSprite(bool spinning, float size, int32_t order);
    void DropSprite();
};
