#include "playfield/ComboStyles.h"

#include <algorithm>
#include <string>

#include "engine/IniHelpers.h"
#include "engine/TextNumbers.h"

CComboStyles g_comboStyles;

namespace {

// The built-in table: single cells and plain rows small and white, longer rows
// and chains bigger, warmer and slower.
struct StyleDefault {
    const char* Colour;
    const char* Scale;
    const char* Rise;
    const char* Life;
};
constexpr StyleDefault kDefaults[] = {
    {"255 255 255 255", "0.8", "60", "1.2"},  {"255 255 160 255", "1.0", "60", "1.4"},
    {"255 220 96 255", "1.15", "55", "1.6"},  {"255 176 64 255", "1.3", "50", "1.8"},
    {"255 128 48 255", "1.45", "45", "2.0"},  {"255 80 80 255", "1.6", "40", "2.2"},
};
constexpr int kDefaultCount = static_cast<int>(sizeof kDefaults / sizeof kDefaults[0]);
constexpr StyleDefault kMultiplierDefault = {"128 255 128 255", "1.5", "40", "2.2"};

const StyleDefault& DefaultFor(int i) { return kDefaults[std::min(i, kDefaultCount - 1)]; }

// The defaults read exactly as the same text in the file would.
void ParseStyle(CPopupStyle& s, const StyleDefault& d) {
    float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ScanFloats(d.Colour, rgba, 4);
    s.Colour = PackIniColour(rgba);
    s.Scale = ParseDecimalFloat(d.Scale);
    s.RiseSpeed = ParseDecimalFloat(d.Rise);
    s.Lifetime = ParseDecimalFloat(d.Life);
}

void ReadStyle(CPopupStyle& s, std::string_view path, const std::string& prefix,
               const StyleDefault& d) {
    s.Colour = GetIniColour(path, "Popups", (prefix + "Color").c_str(), d.Colour);
    s.Scale = GetIniFloat(path, "Popups", (prefix + "Scale").c_str(), d.Scale);
    s.RiseSpeed = GetIniFloat(path, "Popups", (prefix + "Rise").c_str(), d.Rise);
    s.Lifetime = GetIniFloat(path, "Popups", (prefix + "Life").c_str(), d.Life);
    // A popup must leave the screen some time.
    if (!(s.Lifetime > 0.0f))
        s.Lifetime = ParseDecimalFloat(d.Life);
}

} // namespace

CComboStyles::CComboStyles() {
    Styles.resize(static_cast<size_t>(kDefaultCount));
    for (int i = 0; i < kDefaultCount; ++i) {
        ParseStyle(Styles[static_cast<size_t>(i)], kDefaults[i]);
    }
    ParseStyle(Multiplier, kMultiplierDefault);
}

void CComboStyles::Load(std::string_view scorePath) {
    Depth = GetIniFloat(scorePath, "Popups", "Depth", "-20");
    const int32_t count =
        std::clamp(GetIniInt(scorePath, "Popups", "StyleCount", std::to_string(kDefaultCount).c_str()),
                   1, kMaxStyles);
    Styles.assign(static_cast<size_t>(count), CPopupStyle{});
    for (int32_t i = 0; i < count; ++i)
        ReadStyle(Styles[static_cast<size_t>(i)], scorePath, "Style" + std::to_string(i),
                  DefaultFor(i));
    ReadStyle(Multiplier, scorePath, "Multiplier", kMultiplierDefault);
}

const CPopupStyle& CComboStyles::StyleAt(int32_t index) const {
    if (Styles.empty())
        return Multiplier;
    const int32_t last = static_cast<int32_t>(Styles.size()) - 1;
    return Styles[static_cast<size_t>(std::clamp(index, 0, last))];
}
