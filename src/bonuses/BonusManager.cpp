#include "bonuses/BonusManager.h"

CBonusManager::CBonusManager() {
    Bonuses.reserve(64);
    Pending.reserve(128);
}

void CBonusManager::CreateGem(CSharedPtr<CBonus>& out, int32_t colour, int32_t add) {
    auto* gem = new CBonusGem();
    gem->Colour = colour;
    out = CSharedPtr<CBonus>(gem);
    gem->EffectFactor = EffectFactor;
    gem->Init();
    if (add)
        AddBonus(out);
}

void CBonusManager::CreateBonus(CSharedPtr<CBonus>& out, int32_t type, int32_t param,
                                int32_t upper, int32_t add) {
    if (type < CBonus::kTnt || type > CBonus::kSolidarity) {
        out = CSharedPtr<CBonus>();
        return;
    }
    auto* bonus = new CBonusPlain(type);
    out = CSharedPtr<CBonus>(bonus);
    bonus->Param = param;
    bonus->SetLayerFlag(upper == 0 ? 1 : 0);
    bonus->EffectFactor = EffectFactor;
    bonus->Init();
    if (add)
        AddBonus(out);
}

int32_t CBonusManager::AddBonus(CSharedPtr<CBonus> bonus) {
    if (!bonus.IsNull())
        bonus->EffectFactor = EffectFactor;
    Bonuses.push_back(bonus);
    return static_cast<int32_t>(Bonuses.size()) - 1;
}

int32_t CBonusManager::RemoveBonus(CSharedPtr<CBonus> bonus) {
    for (size_t i = 0; i < Bonuses.size(); ++i) {
        if (Bonuses[i] == bonus) {
            Bonuses.erase(Bonuses.begin() + static_cast<std::ptrdiff_t>(i));
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void CBonusManager::Update(float dt) {
    Pending.clear();
    size_t i = 0;
    while (i < Bonuses.size()) {
        CSharedPtr<CBonus> bonus = Bonuses[i];
        if (bonus.IsNull() || !bonus->Visible) {
            ++i;
            continue;
        }
        if (bonus->Update(dt) == 0) {
            Bonuses.erase(Bonuses.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        for (CBonusEvent& e : bonus->Events) {
            e.Source = bonus;
            Pending.push_back(e);
        }
        bonus->Events.clear();
        ++i;
    }
}

int32_t CBonusManager::AreEffectsDone() const {
    if (!Pending.empty())
        return 0;
    for (const CSharedPtr<CBonus>& b : Bonuses)
        if (!b.IsNull() && b->IsEffectDone() == 0)
            return 0;
    return 1;
}

int32_t CBonusManager::AreAllPlaced() const {
    if (!Pending.empty())
        return 0;
    for (const CSharedPtr<CBonus>& b : Bonuses)
        if (!b.IsNull() && b->State != CBonus::kPlaced)
            return 0;
    return 1;
}
