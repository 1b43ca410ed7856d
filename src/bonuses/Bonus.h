#pragma once
// A bonus riding on a board cap: the base of the bonus kinds (1 gem, 2 TNT,
// 3 Flash, 4 Time, 5 Adviser, 6 Score, 7 Solidarity). The base keeps the cell,
// the motion along one path segment (fly in, place, move, fly out, pop) and the
// list of events the bonus queues for the play field.
//
// This logic-only family draws nothing: the gem makes its flight to the gem
// bar and reports its arrival, the other kinds are placed and fired without an
// effect of their own.
#include <cstdint>
#include <vector>

#include "bonuses/BonusEvent.h"
#include "engine/SplinePath.h"

struct CBonusPoint {
    float X = 0.0f;
    float Y = 0.0f;
};

class CBonus {
public:
    // Motion states; 4..6 belong to the kinds (the gem: collect flight, arrived,
    // taken by the gem bar).
    enum MotionState : int32_t {
        kStill = 0, kFlyingIn = 1, kPlaced = 2, kFlyingOut = 3, kGemFlight = 4, kGemArrived = 5,
        kGemTaken = 6, kPopping = 7
    };
    enum KindCode : int32_t {
        kGem = 1, kTnt = 2, kFlash = 3, kTime = 4, kAdviser = 5, kScore = 6, kSolidarity = 7
    };
    static constexpr float kReferenceSize = 38.0f;

    CBonus() = default;
    virtual ~CBonus() = default;
    CBonus(const CBonus&) = delete;
    CBonus& operator=(const CBonus&) = delete;

    virtual void Init() {}
    virtual void Hide() { Visible = 0; }
    virtual void Show() { Visible = 1; }
    // Advances the motion; 0 asks the manager to drop the bonus.
    virtual int32_t Update(float dt);
    virtual void MoveTo(float x, float y, float z, int32_t column, int32_t row, int32_t keepTime);
    virtual void SetSize(float size);
    // Flies in to (x, y, z) in `time` seconds: from above the screen, or from
    // where it is when fromHere is set.
    virtual void FlyIn(float x, float y, float z, float size, int32_t column, int32_t row,
                       int32_t fromHere, float time);
    // Puts it on its cell at once (state 2); a bonus made in play queues event 14.
    virtual void Place(float x, float y, float z, float size, int32_t column, int32_t row);
    virtual void Stop();
    // Flies off towards Target and is dropped at the end.
    virtual void FlyOut(float time);
    // Pops towards Target; at the end it asks for a new cap (event 5).
    virtual void Pop(float time);
    // The activation effect.
    virtual void Fire() { Dead = 1; }
    virtual int32_t IsEffectDone() { return 1; }
    virtual void SetZOrder(int32_t z) { ZOrder = z; }
    virtual void SetLayerFlag(int32_t onBoard) { BoardLayers = onBoard; }
    // Solidarity: the ray targets; one delay (seconds from Fire) per target.
    virtual void SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays);

    void QueueEvent(const CBonusEvent& event) { Events.push_back(event); }

    int32_t Kind = 0;
    int32_t State = kStill;
    int32_t Param = 0;  // the level (tier) given by the factory
    float Age = 0.0f;
    int32_t Visible = 1;
    int32_t Dead = 0;
    int32_t Column = -1;
    int32_t Row = -1;
    float Pos[3] = {0.0f, 0.0f, 0.0f};
    float Target[3] = {0.0f, 0.0f, 0.0f};
    CSplinePath Path;
    float Time = 0.0f;
    float Duration = 0.0f;
    float Size = 39.0f;
    float Scale = 1.0f;
    int32_t ZOrder = 0;
    int32_t BoardLayers = 1;
    float FarScale = 6.0f;
    float FarAlpha = 0.0f;
    float EffectFactor = 1.0f;
    int32_t CreatedInPlay = 0;
    int32_t Colour = 0;  // colour index of its cap (a gem's own colour)
    std::vector<CBonusEvent> Events;

protected:
    // A new segment Pos -> Target over `duration`, from time 0.
    void StartSegment(float duration, float a0, float a1, float a2, float b0, float b1, float b2);
    // Advances Time (clamped) and Pos; true when the motion has reached its end.
    bool AdvanceMotion(float dt);
    // The end actions of the base states; 0 when the bonus is to be dropped.
    int32_t EndMotion();
};

// The gem: carried by a cap until fired, then flies to the gem bar (FlyTarget)
// and reports its arrival (event 2, a = colour); the field then marks it taken.
class CBonusGem : public CBonus {
public:
    static constexpr float kFlyTime = 0.75f;

    CBonusGem() { Kind = kGem; }
    int32_t Update(float dt) override;
    void Fire() override;

    float FlyTarget[3] = {0.0f, 0.0f, 0.0f};
    float FlyTime = kFlyTime;
};

// TNT, Flash, Time, Adviser, Score and Solidarity until their own classes
// exist: they sit on their cap, move with it and vanish when fired.
class CBonusPlain : public CBonus {
public:
    explicit CBonusPlain(int32_t kind) { Kind = kind; }
    int32_t Update(float dt) override;
};

// The cap code's hook: a bonus takes the colour of the cap it is attached to.
void SetBonusColour(CBonus& bonus, int32_t colour);
