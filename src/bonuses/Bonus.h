#pragma once
// A bonus riding on a board cap: the base of the bonus kinds (1 gem, 2 TNT,
// 3 Flash, 4 Time, 5 Adviser, 6 Score, 7 Solidarity). The base keeps the cell,
// the motion along one path segment (fly in, place, move, fly out, pop), the
// size and depth order, the choice between the board and the upper drawing
// layers, and the list of events the bonus queues for the play field.
//
// The manager makes a bonus through its factories (constructor, Param,
// SetTextures, SetLayerFlag, EffectFactor, Init), updates it once per frame and
// drops it when Update returns 0. The play field moves and fires it.
//
// Every kind's Update follows the same skeleton:
//   1. an invisible bonus returns 1 at once;
//   2. Age += dt;
//   3. in the moving states (1, 3, 7 and the kind's own flights) AdvanceMotion;
//   4. when the motion has reached its end, the state's end action runs
//      (EndMotion for 1, 3 and 7);
//   5. the sprites are laid out at Pos with the ramp of the state (MotionRamp);
//      return 0 to be dropped, 1 to stay.
// A bonus whose pop has ended only waits for its events (PopSettled).
#include <cstdint>
#include <vector>

#include "bonuses/BonusEvent.h"
#include "engine/SharedPtr.h"
#include "engine/SplinePath.h"

class CSpriteLayer;
class CQuadLayer;
class CParticleSystemsManager;
class CTexture;

struct CBonusPoint {
    float X = 0.0f;
    float Y = 0.0f;
};

// One set of drawing layers; a kind leaves the ones it does not use empty.
struct CBonusLayerSet {
    CSharedPtr<CSpriteLayer> Sprites;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
};

// What SetTextures hands a kind: its board layer set, its upper layer set and
// its textures in the kind's own order. The factory fills them from the
// manager's layers and texture slots:
//   gem:        board {sprite 1, -, quad 1}, upper {sprite 2, particles 2, quad 2},
//               textures {AllGemLights, AllGems, GemFlares, StarParticle}
//   TNT:        board {sprite 1, particles 1, -}, upper {sprite 3, particles 2, -},
//               textures {Bonus1, Halo1, Ring, Spark}
//   Flash:      board {sprite 1, particles 1, quad 1}, upper {sprite 3, particles 2,
//               quad 2}, textures {Bonus2, Halo1, Lightning, Spark}
//   Time:       the same sets, textures {Bonus3, Twirl, Twirl, StarParticle, PanelGlass}
//   Adviser:    the same sets, textures {Bonus4, GemFlares, Spark}
//   Score:      the same sets, textures {Bonus3, StarParticle}
//   Solidarity: the same sets, textures {Bonus5}
struct CBonusHandles {
    CBonusLayerSet Board;
    CBonusLayerSet Upper;
    std::vector<CSharedPtr<CTexture>> Textures;

    // The texture at i, or an empty handle when the list is shorter.
    CSharedPtr<CTexture> Texture(size_t i) const {
        return i < Textures.size() ? Textures[i] : CSharedPtr<CTexture>();
    }
};

// Scale and alpha of a bonus's sprites at one moment of a motion.
struct CBonusRamp {
    float Scale = 1.0f;
    float Alpha = 1.0f;
};

class CBonus {
public:
    // Motion states; 4..6 belong to the kinds (the gem: collect flight, arrived,
    // taken by the gem bar; the TNT and a settled pop: finished).
    enum MotionState : int32_t {
        kStill = 0, kFlyingIn = 1, kPlaced = 2, kFlyingOut = 3, kGemFlight = 4, kGemArrived = 5,
        kGemTaken = 6, kPopping = 7,
        kFinished = 4
    };
    enum KindCode : int32_t {
        kGem = 1, kTnt = 2, kFlash = 3, kTime = 4, kAdviser = 5, kScore = 6, kSolidarity = 7
    };
    // Path slopes of the motions (start slope A, end slope B per axis).
    static constexpr float kFlyInA[3] = {1.0f, 1.0f, 0.0f};
    static constexpr float kFlyInB[3] = {1.0f, 1.0f, 5.0f};
    static constexpr float kPopA[3] = {1.0f, 3.0f, 1.0f};
    static constexpr float kPopB[3] = {1.0f, 0.0f, 1.0f};
    // A fly-in from above the screen starts this far above the cell's size.
    static constexpr float kFlyInHeight = 440.0f;
    // The shortest segment a re-aimed fly-in runs (MoveTo with keepTime).
    static constexpr float kShortestSegment = 0.1f;

    CBonus();
    virtual ~CBonus();
    CBonus(const CBonus&) = delete;
    CBonus& operator=(const CBonus&) = delete;

    // ---- Virtual operations (in this order) ----
    // Creates the kind's sprites and effects.
    virtual void Init() {}
    virtual void Hide() { Visible = 0; }
    virtual void Show() { Visible = 1; }
    // One frame; 0 asks the manager to drop the bonus. The base returns 1 while
    // Dead is 0 (after running the skeleton's motion).
    virtual int32_t Update(float dt);
    // Follows its cap to (x, y, z) of (column, row): a still or placed bonus
    // jumps there; a flying-in one bends its flight (keepTime 0) or starts a
    // new segment over the time left, at least 0.1 s (keepTime set).
    virtual void MoveTo(float x, float y, float z, int32_t column, int32_t row, int32_t keepTime);
    virtual void SetSize(float size);
    // Flies in to (x, y, z) in `time` seconds: from above the screen, or from
    // where it is when fromHere is set.
    virtual void FlyIn(float x, float y, float z, float size, int32_t column, int32_t row,
                       int32_t fromHere, float time);
    // Puts it on its cell at once (state 2); a bonus made in play queues event 14.
    virtual void Place(float x, float y, float z, float size, int32_t column, int32_t row);
    virtual void Stop();
    // Flies off towards Target, growing and fading; dropped at the end.
    virtual void FlyOut(float time);
    // Pops towards Target; at the end it asks for a new cap (event 5).
    virtual void Pop(float time);
    // The activation effect.
    virtual void Fire() { Dead = 1; }
    // 0 while the bonus's effect still runs.
    virtual int32_t IsEffectDone() { return 1; }
    virtual void SetZOrder(int32_t z) { ZOrder = z; }
    // 1 draws on the board layers, 0 on the upper ones.
    virtual void SetLayerFlag(int32_t onBoard) { BoardLayers = onBoard; }
    // The layers and textures of the kind (see CBonusHandles).
    virtual void SetTextures(const CBonusHandles& handles) { (void)handles; }
    // Solidarity: the ray targets; one delay (seconds from Fire) per target, in
    // the targets' order. The base gives every target no delay.
    virtual void SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays);

    // ---- Helpers ----
    void QueueEvent(const CBonusEvent& event) { Events.push_back(event); }
    void QueueEvent(int32_t code, int32_t a = 0, int32_t b = 0, int32_t c = 0, float value = 0.0f);
    // True in the states in which the base motion runs (1, 3, 7).
    bool InBaseMotion() const {
        return State == kFlyingIn || State == kFlyingOut || State == kPopping;
    }
    // The scale and alpha ramp of the present motion (1, 1 outside 1, 3 and 7).
    CBonusRamp MotionRamp() const;
    // The ramps at progress u (0..1) with far scale f and far alpha a.
    static CBonusRamp FlyInRamp(float u, float f, float a);
    static CBonusRamp FlyOutRamp(float u, float f, float a);
    static CBonusRamp PopRamp(float u, float f, float a);
    // The reference size of every bonus ("Standard" "Radius" of the gem file).
    static float ReferenceSize();
    // True once a pop has ended: the bonus then only waits for its events and
    // stays while some are still queued.
    bool PopSettled() const { return PopEnded != 0 && State == kFinished; }

    // ---- State ----
    int32_t Kind = 0;
    int32_t State = kStill;
    int32_t Param = 0;       // the level (tier, variant) given by the factory
    int32_t Reserved1 = 50;  // kept for the kinds; the base does not read them
    int32_t Reserved2 = 0;
    float Age = 0.0f;
    int32_t Visible = 1;
    int32_t Dead = 0;
    int32_t Column = -1;
    int32_t Row = -1;
    float Pos[3] = {0.0f, 0.0f, 0.0f};
    float Target[3] = {0.0f, 0.0f, 0.0f};
    CSplinePath Path;  // only its first key is used
    float Time = 0.0f;
    float Duration = 0.0f;
    float Size = 39.0f;
    float LaidOutSize = 39.0f;  // the size the sprites were last laid out for
    float Scale = 1.0f;         // Size / ReferenceSize()
    int32_t ZOrder = 0;
    int32_t BoardLayers = 1;
    float FarScale = 6.0f;  // sprite scale at the far end of a fly-in, fly-out or pop
    float FarAlpha = 0.0f;  // alpha at that end
    float EffectFactor = 1.0f;
    int32_t CreatedInPlay = 0;
    int32_t Colour = 0;  // colour index of its cap
    int32_t PopEnded = 0;
    std::vector<CBonusEvent> Events;

protected:
    // A new segment Pos -> Target over `duration` with the slopes a and b,
    // from time 0.
    void StartSegment(float duration, const float a[3], const float b[3]);
    // Advances Time (clamped to Duration) and Pos along the path; true when
    // the motion has reached its end.
    bool AdvanceMotion(float dt);
    // The end actions of the base states: 1 places the bonus, 3 returns 0 (to
    // be dropped), 7 queues event 5 and settles in state 4. Returns the value
    // Update is to return.
    int32_t EndMotion();
};

// A bonus without a picture of its own: it sits on its cap, moves with it and
// vanishes when fired.
class CBonusPlain : public CBonus {
public:
    explicit CBonusPlain(int32_t kind) { Kind = kind; }
    int32_t Update(float dt) override;
};

// The cap code's hook: a bonus takes the colour of the cap it is attached to.
void SetBonusColour(CBonus& bonus, int32_t colour);
