#include "bonuses/BonusDrawn.h"

using namespace bonusdraw;

void CBonusDrawn::Hide() {
    ForEachSprite([&](Sprite& s) { SetShown(Layers.Current.Sprites, s, 0); });
    CBonus::Hide();
}

void CBonusDrawn::Show() {
    ForEachSprite([&](Sprite& s) { SetShown(Layers.Current.Sprites, s, 1); });
    CBonus::Show();
}

void CBonusDrawn::SetZOrder(int32_t z) {
    const int32_t change = z - ZOrder;
    CBonus::SetZOrder(z);
    if (change == 0)
        return;
    bool any = false;
    ForEachDepthSprite([&](Sprite& s) {
        s->Key += change;
        any = true;
    });
    if (any && !Layers.Current.Sprites.IsNull())
        Layers.Current.Sprites->Resort();
}

void CBonusDrawn::SetLayerFlag(int32_t onBoard) {
    const int32_t flag = onBoard ? 1 : 0;
    if (flag == BoardLayers)
        return;
    const CBonusLayerSet& to = Layers.For(flag);
    ForEachSprite([&](Sprite& s) { Transfer(Layers.Current.Sprites, to.Sprites, s); });
    Layers.Current = to;
    CBonus::SetLayerFlag(flag);
}

void CBonusDrawn::AddHeldSprites() {
    ForEachSprite([&](Sprite& s) { AddTo(Layers.Current.Sprites, s); });
}

void CBonusDrawn::RemoveHeldSprites() {
    ForEachSprite([&](Sprite& s) { RemoveFrom(Layers.Current.Sprites, s); });
}
