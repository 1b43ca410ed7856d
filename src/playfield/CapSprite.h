#pragma once
// One drawn token: a board cap or a card of a bonus-level board. The sprite is a
// plain record that lives in the caps manager's draw list; its owner (the board
// token, the grid cell) keeps a second handle and writes position, track
// position, chain level and visibility as it animates. The manager reads only
// the fields it draws with; the ones marked "owner's" it merely carries.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/Texture.h"

struct CCapSprite {
    int32_t Visible = 1;        // counted and drawn only while non-zero
    int32_t Kind = 0;           // picks textures and animation (CCapsManager kind table)
    float OwnerValue = 0.0f;    // owner's
    float OwnerScale = 1.0f;    // owner's
    int32_t TrackPosition = 0;  // index into the animation's track; the owner advances it
    int32_t ChainLevel = 0;     // 0 none, 1 single chain, 2 or more double chain
    int32_t OwnerWords[2] = {0, 0};  // owner's
    int32_t NoSpritePass = 0;   // non-zero: the sprite pass writes no quad for it
    float OwnerPair[2] = {0.0f, 0.0f};  // owner's
    float X = 0.0f, Y = 0.0f, Z = 0.0f;  // centre in virtual-screen units; Z is the depth
    float OwnerVector[3] = {0.0f, 0.0f, 0.0f};  // owner's
    float HalfSize = 32.0f;     // half the edge of the drawn square
    int32_t Layer = 0;          // draw-list order key: higher layers are drawn first
    // Owner's: copies of the position and the three floats behind it, taken when
    // the sprite is made.
    float SavedPosition[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    float OwnerSize = 32.0f;    // owner's
    CSharedPtr<CTexture> SpriteTexture;  // texture of the sprite pass
    int32_t OwnerIndexes[2] = {-1, -1};  // owner's
    float OwnerColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // owner's (the passes draw white)
    CSharedPtr<CTexture> LightTexture;   // texture of the light pass
    int32_t LightEnabled = 0;   // takes part in the cursor-light pass
    float LightOffsetX = 0.0f, LightOffsetY = 0.0f;  // centre minus light point (light pass)
    int32_t Lit = 0;            // 1 while the light point is near enough this frame

    // Copies the position and the three owner floats behind it into SavedPosition.
    void SavePosition() {
        SavedPosition[0] = X;
        SavedPosition[1] = Y;
        SavedPosition[2] = Z;
        SavedPosition[3] = OwnerVector[0];
        SavedPosition[4] = OwnerVector[1];
        SavedPosition[5] = OwnerVector[2];
    }
};
