#pragma once
// The board token ("cap"): one coloured, possibly chained token of the main
// board, held through CSharedPtr<CCap> by the board matrix, the cap list, swap
// pairs and terminators. A cap does not draw itself: it owns a handle to a
// CCapSprite of the caps manager and writes the sprite's position (its own
// position plus the board offset) and chain level as it moves.
//
// Positions are board coordinates: relative to the board origin, which the cap
// list keeps in Offset, so the drawn point is Position + Offset.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/SplinePath.h"
#include "engine/Vector3.h"
#include "playfield/CapSprite.h"

class CBonus;
class CCapsManager;

// Gives a bonus the colour index of the cap it rides on. Defined by the bonus
// code, next to CBonus; CCap::SetBonus calls it.
void SetBonusColour(CBonus& bonus, int32_t colour);

// What every board element shares: the state words and the lock count.
class CBoardElement {
public:
    enum StateWord : int32_t { kAtRest = 0, kMoving = 1, kSwapping = 2, kRemoving = 3 };
    enum KindWord : int32_t { kBoardCap = 100, kNewElement = 101 };

    virtual ~CBoardElement() = default;

    // Sets the lock count (chains); a token mirrors it into its sprite.
    virtual void SetValue(int32_t lockCount) { LockCount = lockCount; }

    int32_t State = kAtRest;     // 0 rest, 1 moving, 2 swapping, 3 being removed
    int32_t Kind = kNewElement;  // 101 until the board fill makes it an ordinary cap (100)
    int32_t Landed = 0;          // 1 once it rests in its cell and may be matched
    int32_t LockCount = 0;       // chains; 0 = free
};

class CCap : public CBoardElement {
public:
    // Colour index of a steel cap; 99 and above are no ordinary tokens.
    static constexpr int32_t kSteel = 100;
    static constexpr int32_t kFirstSpecialColour = 99;
    // Motion purposes.
    enum Purpose : int32_t { kNoPurpose = 0, kFallIntoCell = 1, kLeaveBoard = 2 };

    CCap() = default;
    ~CCap() override = default;
    CCap(const CCap&) = delete;
    CCap& operator=(const CCap&) = delete;

    // Lock count plus the sprite's chain level.
    void SetValue(int32_t lockCount) override;

    // Starts a one-key motion from the present position to the end point:
    // elapsed 0, duration as given, state 1 (moving). The slopes are those of
    // CSplinePath::SetFirstKey; later keys may be appended to Path.
    void StartMove(float ex, float ey, float ez, float duration, float t0x, float t0y, float t0z,
                   float t1x, float t1y, float t1z);
    // Marks the motion as a fall into a cell: fall flag and motion purpose 1, so
    // the cap lands (Landed = 1) when the motion ends.
    void SetFalling();

    // Attaches a bonus (an empty handle detaches); the bonus takes the cap's
    // colour through SetBonusColour. A template so that this header needs no
    // complete bonus type: the call compiles where the caller knows CBonus.
    template <class B> void SetBonus(CSharedPtr<B> bonus) {
        if (!bonus.IsNull())
            SetBonusColour(*bonus, Colour);
        Bonus = bonus;
    }
    // Releases the attached bonus handle.
    void ClearBonus() { Bonus = CSharedPtr<CBonus>(); }
    bool HasBonus() const { return !Bonus.IsNull(); }

    // Dark ("marked") look: when the flag differs from Dark, stores it and has
    // the caps manager switch the sprite's kind.
    void SetDark(CCapsManager& manager, int32_t flag);
    // A new sprite of the colour (kind colour, + 50 while dark) at the drawn
    // point with the cap's size on layer 0; the old sprite leaves the manager and
    // the chain level is carried over.
    void RecreateSprite(CCapsManager& manager, int32_t colour);

    // The sprite kind for the colour and dark flag.
    int32_t SpriteKind() const;
    // Position + offset: the point the sprite is drawn at.
    CVector3 DrawnPosition() const { return Position + Offset; }
    // Writes the drawn point into the sprite (when it has one).
    void SyncSprite();

    bool IsOrdinaryColour() const { return Colour >= 0 && Colour < kFirstSpecialColour; }
    bool IsSteel() const { return Colour >= kFirstSpecialColour; }

    CSharedPtr<CCapSprite> Sprite;
    // The texture of the sprite pass, for the effects that break the cap up.
    CSharedPtr<CTexture> SpriteTexture() const {
        return Sprite.IsNull() ? CSharedPtr<CTexture>() : Sprite->SpriteTexture;
    }
    CVector3 Position;       // relative to the board origin
    CVector3 Offset;         // the board origin, written by the cap list
    CVector3 StartPosition;  // where the cap was created
    float Size = 32.0f;      // the sprite's half size
    // One clock for every motion (swap, fall, fall-off): seconds since it started
    // and its length. The cap list reports the motion once Elapsed >= Duration.
    float Elapsed = 0.0f;
    float Duration = 0.0f;
    CSplinePath Path;
    int32_t MotionPurpose = kNoPurpose;  // 1 fall into a cell, 2 leave the board
    int32_t NewCap = 0;
    int32_t Column = 0, Row = 0;
    int32_t PrevColumn = 0, PrevRow = 0;
    int32_t Colour = 0;      // 0..6, 100 steel
    int32_t Gem = 0;         // carries a gem
    int32_t Dark = 0;        // above 0: dark sprite (colour + 50)
    int32_t Fixed = 0;       // keeps its cell through a no-move rebuild
    CSharedPtr<CBonus> Bonus;
    int32_t Falling = 0;     // fall flag
};
