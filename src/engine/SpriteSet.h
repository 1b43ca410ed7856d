#pragma once
// A numbered list of sprites read from indexed keys of one ini section: position,
// size, texture rectangle, colour, blend filter, draw order and texture index.
// Sprite keys are written in pixels of a reference picture (y downwards, top-left
// corner); the set stores centres relative to its pivot, y upwards, in units of
// the reference size.
#include <cstdint>
#include <string_view>
#include <vector>

struct CSpriteSet {
    struct Position {
        float x, y, z;
    };
    struct Size {
        float w, h;
    };
    struct TexRect {
        float v[4];
    };

    // Blend filters as read from "%sSpriteFilter%d".
    enum Filter : int32_t { kNormal = 0, kAdd = 1, kMul = 2, kScreen = 3 };

    float ReferenceWidth = 256.0f;
    float ReferenceHeight = 256.0f;
    float PivotX = 0.5f;
    float PivotY = 0.5f;
    float DepthOffset = 0.0f;
    float TextureWidth = 256.0f;
    float TextureHeight = 256.0f;

    // Entry i of every list describes sprite i.
    std::vector<Position> Positions;
    std::vector<Size> Sizes;
    std::vector<TexRect> TexRects;
    std::vector<uint32_t> Colours; // ARGB
    std::vector<int32_t> Filters;
    std::vector<int32_t> ZOrders;
    std::vector<int32_t> TextureIndices;
};

// Sets the reference picture, the texture size, the pivot and the depth offset.
void SetSpriteShape(CSpriteSet& set, float referenceWidth, float referenceHeight,
                    float textureWidth, float textureHeight, float pivotX, float pivotY,
                    float depthOffset);

// Appends `count` sprites read from the keys "<prefix>Sprite<i>", "<prefix>SpriteT<i>",
// "<prefix>SpriteColor<i>", "<prefix>SpriteFilter<i>", "<prefix>SpriteZOrder<i>" and
// "<prefix>SpriteTexture<i>"; a count of 0 is read from "<prefix>SpritesCount". Returns
// the number of sprites read; 0 (the set untouched) when there are none, or more
// than kMaxSprites.
constexpr int32_t kMaxSprites = 4096;
int32_t ReadSpriteSet(CSpriteSet& set, std::string_view file, const char* section,
                      const char* prefix, int32_t count);
