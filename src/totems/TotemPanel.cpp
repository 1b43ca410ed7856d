#include "totems/TotemPanel.h"

void CGreenTotem::SetTarget(const std::vector<CTotemPoint>& rayTargets,
                            const std::vector<CTotemPoint>&,
                            const std::vector<CTotemCell>& gemCells,
                            std::vector<float>& arrivalTimes) {
    for (size_t i = 0; i < rayTargets.size(); ++i)
        arrivalTimes.push_back(0.0f);
    for (const CTotemCell& cell : gemCells) {
        CSharedPtr<CUnigem> gem(new CUnigem());
        gem->Column = cell.Column;
        gem->Row = cell.Row;
        Unigems.push_back(gem);
    }
}

CTotemPanel::CTotemPanel() {
    Actions.reserve(16);
}

int32_t CTotemPanel::Update(float) {
    Actions.clear();
    if (Ready != 0 && !Requests.empty()) {
        const int32_t colour = Requests.front();
        Requests.pop_front();
        // A colour is selected only when owned; this panel owns none yet.
        if (colour >= 0 && colour < kColours && Tiers[static_cast<size_t>(colour)] > 0)
            Selected = colour;
    }
    for (const CTotemAction& a : Scripted)
        Actions.push_back(a);
    Scripted.clear();
    return static_cast<int32_t>(Actions.size());
}

void CTotemPanel::Reset() {
    Ready = 1;
    Selected = -1;
    Requests.clear();
    Actions.clear();
    Scripted.clear();
}

void CTotemPanel::CancelActive() {
    if (Selected < 0)
        return;
    Ready = 1;
    Selected = -1;
}

void CTotemPanel::SetGreenTarget(const std::vector<CTotemPoint>& rayTargets,
                                 const std::vector<CTotemPoint>& gemTargets,
                                 const std::vector<CTotemCell>& gemCells,
                                 std::vector<float>& arrivalTimes) {
    CSharedPtr<CTotem> figure = Places[0];
    if (figure.IsNull() || figure->Colour != 0 || (figure->State != 3 && figure->State != 4))
        return;
    auto* green = static_cast<CGreenTotem*>(figure.Get());
    green->SetTarget(rayTargets, gemTargets, gemCells, arrivalTimes);
    green->WantsTarget = 0;
}

void CTotemPanel::SetBlueTarget(const std::vector<CTotemPoint>& points,
                                const std::vector<CTotemCell>& cells) {
    BlueTargets = points;
    BlueCells = cells;
}

void CTotemPanel::SetWhiteTarget(const std::vector<CTotemPoint>& points,
                                 const std::vector<CTotemCell>& cells) {
    WhiteTargets = points;
    WhiteCells = cells;
}
