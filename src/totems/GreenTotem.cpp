#include "totems/GreenTotem.h"

#include <algorithm>

void CGreenTotem::SetTarget(const std::vector<CTotemPoint>& rayTargets,
                            const std::vector<CTotemPoint>& gemTargets,
                            const std::vector<CTotemCell>& gemCells,
                            std::vector<float>& arrivalTimes) {
    arrivalTimes.assign(rayTargets.size(), 0.0f);
    // Lists of unequal length pair up as far as the shorter goes.
    const size_t gems = std::min(gemTargets.size(), gemCells.size());
    for (size_t i = 0; i < gems; ++i) {
        CSharedPtr<CUnigem> gem(new CUnigem());
        gem->Column = gemCells[i].Column;
        gem->Row = gemCells[i].Row;
        Unigems.push_back(gem);
    }
}
