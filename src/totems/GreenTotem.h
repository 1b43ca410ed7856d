#pragma once
// The Green totem as the play field meets it: while its power waits for
// targets it asks for them (kind 0 records with value 0); the field hands over
// the gems it collects and the caps that get new gems, and later reads the
// flying gems (CUnigem) that have arrived. Its figure is the common one; the
// power's effects come with the Green power itself, which is not in the
// panel's factory yet.
#include <cstdint>
#include <vector>

#include "totems/Totem.h"

// A glowing gem of the Green power flying to its cell.
class CUnigem {
public:
    // Ends the gem's glow and tail.
    void ClearEffectList() { Cleared = 1; }

    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Cleared = 0;
};

class CGreenTotem : public CTotem {
public:
    static constexpr int32_t kColour = 0;

    CGreenTotem() : CTotem(kColour) {}

    using CTotem::SetTarget;
    // The rays' targets (collected gems), the new gems' targets and cells, and
    // out: the time after which each ray reaches its target.
    void SetTarget(const std::vector<CTotemPoint>& rayTargets,
                   const std::vector<CTotemPoint>& gemTargets,
                   const std::vector<CTotemCell>& gemCells, std::vector<float>& arrivalTimes);

    int32_t WantsTarget = 0;
    std::vector<CSharedPtr<CUnigem>> Unigems;
    int32_t ApplyFlag = 0;
};
