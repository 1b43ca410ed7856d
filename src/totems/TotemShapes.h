#pragma once
// The sprite sets of one totem colour, read from its section of "Totems.cfg"
// and shared by every figure of that colour: per tier 1..4 the parts of the
// figure standing on its place ("Small%d"), its shadow ("Shadow%d"), the
// selected figure ("Main%d") and the shop figure ("Shop%d"), and the three
// glow sprites of a pressed figure ("Light").
#include <array>
#include <cstdint>
#include <string_view>

#include "engine/SpriteSet.h"

class CTotemShapes {
public:
    static constexpr int32_t kTiers = 4;
    static constexpr int32_t kLights = 3;
    // A set of more sprites is no figure the game draws.
    static constexpr int32_t kMaxSprites = 64;

    struct Sizes {
        float pixSmall[2];
        float main[2];
        float shop[2];
        float smallTexture[2];
        float shadowTexture[2];
        float mainTexture[2];
        float lightTexture[2];
        float shopTexture[2];
    };

    // A set that reads no sprite stays empty, with a warning in the log.
    void Load(std::string_view file, const char* section, const Sizes& sizes);

    // Entry k serves tier k + 1; a tier outside 1..4 takes the nearest.
    static int32_t Index(int32_t tier);

    std::array<CSpriteSet, kTiers> Small;
    std::array<CSpriteSet, kTiers> Shadow;
    std::array<CSpriteSet, kTiers> Main;
    CSpriteSet Light;
    std::array<CSpriteSet, kTiers> Shop;
    // The shop figure's frame on screen: the size its parts were laid out on.
    float ShopSize[2] = {192.0f, 192.0f};
};
