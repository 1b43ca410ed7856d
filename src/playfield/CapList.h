#pragma once
// Every live board token of the play field, on the board or in flight, with the
// field's handle to the caps manager. The list runs the tokens' motions once per
// frame, writes every sprite's drawn point, reports motions that have ended, and
// is the one place where tokens are made (CreateCap) and dropped (Remove, Clear:
// both take the token's sprite out of the caps manager's draw list).
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "playfield/Cap.h"

class CCapsManager;

// A motion that has ended: kind 1 for a move (state 1), kind 2 for a swap (state 2).
struct CCapMotionEnd {
    int32_t Kind = 0;
    CSharedPtr<CCap> Cap;
};

class CCapList {
public:
    enum MotionEndKind : int32_t { kMoveEnded = 1, kSwapEnded = 2 };
    // Frames per second of the idle animation while the pointer rests on a cap.
    static constexpr float kHoverFrameRate = 20.0f;

    CCapList() = default;
    // Takes the remaining tokens' sprites out of the caps manager.
    ~CCapList() { Clear(); }
    CCapList(const CCapList&) = delete;
    CCapList& operator=(const CCapList&) = delete;

    void SetCapsManager(CSharedPtr<CCapsManager> manager) { Manager = manager; }
    const CSharedPtr<CCapsManager>& GetCapsManager() const { return Manager; }

    // The board origin, kept as every token's offset (also for tokens made later).
    // With applyToCaps set, every listed token takes it at once.
    void SetOrigin(float x, float y, float z, int32_t applyToCaps);

    // Advances every motion (state 1 or 2) by dt along its path (the path time is
    // clamped to the path, which GetPoint does not do), writes every sprite's
    // drawn point, and collects the tokens in state 1 or 2 whose motion has run
    // its duration. The owner sets such a token's state; a token it leaves in its
    // motion state is reported again the next frame. The pointer (world units)
    // plays the idle animation of the resting token under it. Returns the number
    // of ended motions, listed in GetFinished() until the next Update.
    int32_t Update(float dt, float pointerX, float pointerY);
    const std::vector<CCapMotionEnd>& GetFinished() const { return Finished; }

    // 1 when no token moves or swaps.
    int32_t IsIdle() const;

    // Makes a token of that colour (0..6, 100 steel) and gem flag at the start
    // point (board coordinates) with the board offset, its sprite (half size
    // `size`, layer 0) in the caps manager; it joins the list when addToList is
    // set. The token keeps kind 101 until the board fill marks it as a board cap.
    void CreateCap(CSharedPtr<CCap>& out, int32_t colour, int32_t gem, float x, float y, float z,
                   float size, int32_t addToList, float originX, float originY, float originZ);

    // Erases the token and releases its sprite from the caps manager; its former
    // index, or -1 when it was not listed.
    int32_t Remove(CSharedPtr<CCap> cap);
    // Empties the list, releasing every token's sprite from the caps manager.
    void Clear();

    // The first board cap (kind 100) in state 1 whose drawn point lies within its
    // size of (x, y) in x and in y and within its size in distance; null when none.
    CSharedPtr<CCap> FindMovingCap(float x, float y) const;

    // A random board cap that is not being removed, carries no bonus and has no
    // chains: an ordinary colour when there is one, else any such cap (steel);
    // null when there is none.
    CSharedPtr<CCap> PickRandomFreeCap() const;

    // New colour with a sprite of that colour.
    void RecolourCap(CSharedPtr<CCap> cap, int32_t colour);
    // Gem flag. The gem bonus draws itself over the token, so the sprite keeps
    // its look; the flag decides where gems go and what totems collect.
    void SetGemFlag(CSharedPtr<CCap> cap, int32_t flag);
    // Dark ("marked") flag through the caps manager.
    void SetDark(CSharedPtr<CCap> cap, int32_t flag);

    // The caps texture frame (u0, v0, u1, v1) of a row: rows 0..6 are the token
    // colours, 7 steel; frame 0 of the caps manager's animation record. False
    // (and the whole texture) when the row or its record does not exist.
    bool GetCapFrame(int32_t row, float out[4]) const;

    const std::vector<CSharedPtr<CCap>>& GetCaps() const { return Caps; }
    size_t Count() const { return Caps.size(); }
    const float* GetOrigin() const { return Origin; }

private:
    void ReleaseSprite(CCap& cap);

    std::vector<CSharedPtr<CCap>> Caps;
    CSharedPtr<CCapsManager> Manager;
    std::vector<CCapMotionEnd> Finished;
    float Origin[3] = {0.0f, 0.0f, 0.0f};
    float HoverTime = 0.0f;
};
