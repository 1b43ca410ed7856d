#pragma once
// The menu forms ("Data/Forms/*.uxf"), their texture list
// ("Data/Forms/Textures.lst") and the menu pictures they name. The texel
// rectangles the forms give their controls are taken from MenuAtlas(), the
// code that packs the controls atlas, so the two cannot drift apart.
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

class PlaqueSheet;

// One form file: its name (without ".uxf") and its text.
struct MenuForm {
    std::string name;
    std::string text;
};
// The character heights of the main, the title and the caption font
// (virtual units at character size 1), which multi-line captions are laid
// out by.
struct FontHeights {
    float main = 34.0f;
    float title = 79.0f;
    float caption = 28.0f;
};
// The heights of the fonts written below `gameRoot`; the defaults where one
// cannot be read.
FontHeights ReadFontHeights(const std::filesystem::path& gameRoot);
// The forms; the plaques they stand on are placed in the sheet of their look.
std::vector<MenuForm> MenuForms(const FontHeights& heights, PlaqueSheet& frames,
                                PlaqueSheet& callOuts);

// The text of Textures.lst: file below Data\Gfx\, registry name, format flag,
// loader flag, one entry a line.
std::string MenuTextureList();

// Writes the pictures, the forms and the texture list below `gameRoot`;
// 0 on success, otherwise prints why to stderr and returns 1.
int GenerateMenus(const std::filesystem::path& gameRoot);

} // namespace gen
