// The bonus factories: a new object of the asked kind, given its level, its
// drawing layers and textures, its layer flag and effect factor, then Init.
#include "bonuses/BonusFactory.h"

#include <initializer_list>
#include <new>

#include "bonuses/BonusAdviser.h"
#include "bonuses/BonusFlash.h"
#include "bonuses/BonusGem.h"
#include "bonuses/BonusManager.h"
#include "bonuses/BonusScore.h"
#include "bonuses/BonusSolidarity.h"
#include "bonuses/BonusTNT.h"
#include "bonuses/BonusTime.h"

CBonus* NewBonusOfType(int32_t type) {
    switch (type) {
    case CBonus::kTnt:
        return new (std::nothrow) CBonusTNT();
    case CBonus::kFlash:
        return new (std::nothrow) CBonusFlash();
    case CBonus::kTime:
        return new (std::nothrow) CBonusTime();
    case CBonus::kAdviser:
        return new (std::nothrow) CBonusAdviser();
    case CBonus::kScore:
        return new (std::nothrow) CBonusScore();
    case CBonus::kSolidarity:
        return new (std::nothrow) CBonusSolidarity();
    default:
        return nullptr;
    }
}

CBonusHandles CBonusManager::HandlesFor(int32_t type) const {
    CBonusHandles h;
    auto textures = [&](std::initializer_list<int32_t> slots) {
        for (int32_t s : slots)
            h.Textures.push_back(Textures[s]);
    };
    switch (type) {
    case CBonus::kGem:
        h.Board.Sprites = SpriteLayer1;
        h.Board.Quads = QuadLayer1;
        h.Upper.Sprites = SpriteLayer2;
        h.Upper.Particles = Particles2;
        h.Upper.Quads = QuadLayer2;
        textures({kAllGemLights, kAllGems, kGemFlares, kStarParticle});
        return h;
    case CBonus::kTnt:
        h.Board.Sprites = SpriteLayer1;
        h.Board.Particles = Particles1;
        h.Upper.Sprites = SpriteLayer3;
        h.Upper.Particles = Particles2;
        textures({kBonus1, kHalo1, kRing, kSpark});
        return h;
    case CBonus::kFlash:
    case CBonus::kTime:
    case CBonus::kAdviser:
    case CBonus::kScore:
    case CBonus::kSolidarity:
        h.Board = CBonusLayerSet{SpriteLayer1, Particles1, QuadLayer1};
        h.Upper = CBonusLayerSet{SpriteLayer3, Particles2, QuadLayer2};
        break;
    default:
        return h;
    }
    switch (type) {
    case CBonus::kFlash:
        textures({kBonus2, kHalo1, kLightning, kSpark});
        break;
    case CBonus::kTime:
        textures({kBonus3, kTwirl, kTwirl2, kStarParticle, kPanelGlass});
        break;
    case CBonus::kAdviser:
        textures({kBonus4, kGemFlares, kSpark});
        break;
    case CBonus::kScore:
        textures({kBonus3, kStarParticle});
        break;
    default:
        textures({kBonus5});
        break;
    }
    return h;
}

void CBonusManager::CreateGem(CSharedPtr<CBonus>& out, int32_t colour, int32_t add) {
    out = CSharedPtr<CBonus>();
    // The gem tables have eight colours; any other colour makes no gem.
    if (colour < 0 || colour >= kGemColours)
        return;
    auto* gem = new (std::nothrow) CBonusGem();
    if (!gem)
        return;
    out = CSharedPtr<CBonus>(gem);
    gem->SetGemColour(colour);
    gem->SetTextures(HandlesFor(CBonus::kGem));
    gem->EffectFactor = EffectFactor;
    gem->Init();
    if (add)
        AddBonus(out);
}

void CBonusManager::CreateBonus(CSharedPtr<CBonus>& out, int32_t type, int32_t param,
                                int32_t upper, int32_t add) {
    out = CSharedPtr<CBonus>();
    CBonus* bonus = NewBonusOfType(type);
    if (!bonus)
        return;
    out = CSharedPtr<CBonus>(bonus);
    bonus->Param = param;
    bonus->SetTextures(HandlesFor(type));
    bonus->SetLayerFlag(upper == 0 ? 1 : 0);
    bonus->EffectFactor = EffectFactor;
    bonus->Init();
    if (add)
        AddBonus(out);
}
