#pragma once
// The totem panel as the play field sees it: the field pushes a colour request
// after each matching swap of the player, asks whether the panel is idle, and
// applies the action records that the panel's Update produces; it answers the
// Green, Blue and White launch records with their targets.
//
// This version holds no figures: requests are taken one per frame and, as no
// colour is owned yet, select nothing. Records put in Scripted are emitted by
// the next Update, which lets the board's totem passes run without figures.
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "engine/SharedPtr.h"
#include "totems/TotemAction.h"

struct CTotemPoint {
    float X = 0.0f;
    float Y = 0.0f;
};

struct CTotemCell {
    int32_t Column = 0;
    int32_t Row = 0;
};

// A glowing gem of the Green power flying to its cell.
class CUnigem {
public:
    // Ends the gem's glow and tail.
    void ClearEffectList() { Cleared = 1; }

    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Cleared = 0;
};

class CTotem {
public:
    explicit CTotem(int32_t colour) : Colour(colour) {}
    virtual ~CTotem() = default;

    int32_t Colour;
    int32_t State = 0;
    int32_t Tier = 0;
    int32_t Level = 0;
};

class CGreenTotem : public CTotem {
public:
    CGreenTotem() : CTotem(0) {}

    // The targets handed in by the panel's SetGreenTarget.
    void SetTarget(const std::vector<CTotemPoint>& rayTargets,
                   const std::vector<CTotemPoint>& gemTargets,
                   const std::vector<CTotemCell>& gemCells, std::vector<float>& arrivalTimes);

    int32_t WantsTarget = 0;
    std::vector<CSharedPtr<CUnigem>> Unigems;
    int32_t ApplyFlag = 0;
};

class CTotemPanel {
public:
    static constexpr int32_t kColours = 7;

    CTotemPanel();

    // The number of records of this frame (in Actions).
    int32_t Update(float dt);
    // 1 when ready and no request waits.
    int32_t IsIdle() const { return (Ready != 0 && Requests.empty()) ? 1 : 0; }
    void PushRequest(int32_t colour) { Requests.push_back(colour); }
    void ClearRequests() { Requests.clear(); }
    void PushAction(const CTotemAction& action) { Actions.push_back(action); }
    // Ready, nothing selected, no request, no record.
    void Reset();
    // Sends the selected figure home; the panel is ready again.
    void CancelActive();
    void SetBlueFlag(int32_t flag) { BlueFlag = flag; }
    void SetGreenTarget(const std::vector<CTotemPoint>& rayTargets,
                        const std::vector<CTotemPoint>& gemTargets,
                        const std::vector<CTotemCell>& gemCells,
                        std::vector<float>& arrivalTimes);
    void SetBlueTarget(const std::vector<CTotemPoint>& points, const std::vector<CTotemCell>& cells);
    void SetWhiteTarget(const std::vector<CTotemPoint>& points,
                        const std::vector<CTotemCell>& cells);

    std::array<int32_t, kColours> Tiers{};
    int32_t Selected = -1;
    std::deque<int32_t> Requests;
    int32_t Ready = 1;
    std::array<CSharedPtr<CTotem>, kColours> Places;
    std::vector<CTotemAction> Actions;
    int32_t BlueFlag = 0;
    // Records the next Update emits.
    std::vector<CTotemAction> Scripted;
    // What the last target calls handed in.
    std::vector<CTotemPoint> BlueTargets;
    std::vector<CTotemCell> BlueCells;
    std::vector<CTotemPoint> WhiteTargets;
    std::vector<CTotemCell> WhiteCells;
};
