#pragma once
// The look of the score popups: the depth they are placed at and one style per
// popup style index (the index the level rules give with the points of a
// removal: bigger groups and longer chains get bigger, warmer numbers), plus
// the style of the multiplier popup. One global block, read from "Score.cfg",
// section "Popups" (every key with a default):
//   Depth            float   depth of score popups                   "-20"
//   StyleCount       int     number of styles (1..16)                 "6"
//   Style%dColor     colour  "r g b a"                      (see ComboStyles.cpp)
//   Style%dScale     float   text scale
//   Style%dRise      float   rise speed, units per second
//   Style%dLife      float   seconds on screen (the last half fades)
//   MultiplierColor, MultiplierScale, MultiplierRise, MultiplierLife
#include <cstdint>
#include <string_view>
#include <vector>

struct CPopupStyle {
    uint32_t Colour = 0xFFFFFFFFu;  // ARGB
    float Scale = 1.0f;
    float RiseSpeed = 60.0f;
    float Lifetime = 1.5f;
    // Call-outs are set in the titles' outlined face, numbers in the main one.
    bool TitleFace = false;
    // Announcements stand on the list's plaque (when it has one).
    bool Plaque = false;
};

struct CComboStyles {
    static constexpr int32_t kMaxStyles = 16;

    // The compiled-in defaults.
    CComboStyles();
    // Reads the file's "Popups" section; missing keys keep their defaults.
    void Load(std::string_view scorePath);
    // The style of a popup style index, clamped to the table (a single-cell
    // removal gives -1, which uses the first style).
    const CPopupStyle& StyleAt(int32_t index) const;

    float Depth = -20.0f;  // first field: the depth of score popups
    std::vector<CPopupStyle> Styles;
    CPopupStyle Multiplier;
};

extern CComboStyles g_comboStyles;
