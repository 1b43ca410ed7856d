#pragma once
// Chores shared by the bonus kinds that draw with sprites of their own (TNT, flash,
// time, adviser, score, solidarity): making a sprite, adding it to a layer
// that may be missing (a bonus made without layers still moves, fires and
// reports), hiding and showing it, ending it after a short life, and keeping
// the three layer sets (current, board, upper) between which SetLayerFlag
// moves a bonus.
#include <cmath>
#include <cstdint>
#include <limits>

#include "bonuses/Bonus.h"
#include "engine/Random.h"
#include "engine/SharedPtr.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

class CTexture;

namespace bonusdraw {

using Sprite = CSharedPtr<CSpriteQuad>;

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// What is left of a fired bonus's picture: its sprites live this long, then
// their layer drops them.
constexpr float kFiredSpriteLife = 0.05f;
// Emission time of the effects that run until their owner ends them.
constexpr float kEndlessEmission = 10000000.0f;

// A blended sprite at (x, y, z) of that size, colour and texture.
inline Sprite MakeSprite(float x, float y, float z, float width, float height, uint32_t colour,
                         const CSharedPtr<CTexture>& texture) {
    return Sprite(new CSpriteQuad(x, y, z, width, height, colour, texture, 1));
}

inline void AddTo(const CSharedPtr<CSpriteLayer>& layer, const Sprite& sprite) {
    if (!layer.IsNull() && !sprite.IsNull())
        layer->Add(sprite);
}

inline void RemoveFrom(const CSharedPtr<CSpriteLayer>& layer, const Sprite& sprite) {
    if (!layer.IsNull() && !sprite.IsNull())
        layer->Remove(sprite);
}

// Hides (0) or shows (1) the sprite, through its layer when it has one.
inline void SetShown(const CSharedPtr<CSpriteLayer>& layer, const Sprite& sprite, int32_t shown) {
    if (sprite.IsNull())
        return;
    if (layer.IsNull())
        sprite->Shown = shown;
    else
        layer->SetDynamic(sprite, shown);
}

// Gives the sprite `life` seconds more and lets go of it; its layer drops it
// when the life has run out.
inline void Expire(Sprite& sprite, float life) {
    if (sprite.IsNull())
        return;
    sprite->LifeOn = 1;
    sprite->RemainingLife = life;
    sprite = Sprite();
}

// amount / time, or a change so fast that it ends on the next frame when the
// time is no positive number.
inline float PerSecond(float amount, float time) {
    if (time > 0.0f && std::isfinite(time))
        return amount / time;
    return std::numeric_limits<float>::max();
}

// A random angle of a full turn.
inline float RandomAngle() {
    return RandomFloat() * kTwoPi;
}

// The drawing layers of a kind: the set it draws into now, and the board and
// upper sets between which SetLayerFlag moves it.
struct CLayerSets {
    CBonusLayerSet Current;
    CBonusLayerSet Board;
    CBonusLayerSet Upper;

    void Take(const CBonusHandles& handles, int32_t boardLayers) {
        Board = handles.Board;
        Upper = handles.Upper;
        Current = boardLayers ? Board : Upper;
    }
    const CBonusLayerSet& For(int32_t onBoard) const { return onBoard ? Board : Upper; }
};

// Moves a sprite from one layer to another (either may be missing).
inline void Transfer(const CSharedPtr<CSpriteLayer>& from, const CSharedPtr<CSpriteLayer>& to,
                     const Sprite& sprite) {
    if (sprite.IsNull() || from == to)
        return;
    RemoveFrom(from, sprite);
    AddTo(to, sprite);
}

} // namespace bonusdraw
