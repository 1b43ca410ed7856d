#pragma once
// The base of the bonus kinds that draw with sprites of their own (TNT, flash,
// time, adviser, score, solidarity). It keeps their three layer sets and does,
// with the sprites a kind holds, what every kind does alike: the sprites'
// draw keys follow the cap's depth order, SetLayerFlag moves them between the
// board and the upper set, Hide and Show hide and show them.
//
// A kind names the sprites it holds through ForEachSprite; the base never
// calls it from its own constructor or destructor, so a kind's destructor may
// use RemoveHeldSprites.
#include <cstdint>
#include <functional>

#include "bonuses/Bonus.h"
#include "bonuses/BonusSprites.h"

class CBonusDrawn : public CBonus {
public:
    using SpriteVisitor = std::function<void(bonusdraw::Sprite&)>;

    void Hide() override;
    void Show() override;
    // Moves the held sprites' keys by the change of depth and resorts their
    // layer when any moved.
    void SetZOrder(int32_t z) override;
    // Moves the held sprites into the other layer set (a change only).
    void SetLayerFlag(int32_t onBoard) override;

    bonusdraw::CLayerSets Layers;

protected:
    // Calls f for every sprite the bonus holds now, skipping empty handles.
    virtual void ForEachSprite(const SpriteVisitor& f) = 0;
    // The held sprites whose keys follow SetZOrder: all of them unless the
    // kind says otherwise.
    virtual void ForEachDepthSprite(const SpriteVisitor& f) { ForEachSprite(f); }
    void AddHeldSprites();
    void RemoveHeldSprites();
};
