#pragma once
// The game's fonts: Data/Fonts/Font.tga + Font.uxd (the main face: HUD
// numbers, buttons, body text) and the fonts listed in AdditionalFonts.lst
// (a display face for titles and captions), each N.tga + N.uxd.
#include <filesystem>
#include <string>
#include <vector>

#include "FontRaster.h"

namespace gen {

struct FontRecipe {
    std::string name;                    // file base name: "Font", "Title", ...
    std::vector<std::string> faceFiles;  // font file names, most wanted first
    FontStyle style;
};

// The main font first, then the additional fonts in list order.
std::vector<FontRecipe> GameFonts();

// Font files the generator may use, below the system's font folders.
std::vector<std::filesystem::path> SystemFontFolders();

// The first of `fileNames` found anywhere below `folders` (when a name occurs
// more than once, the smallest path wins, so the choice does not depend on
// directory order); a name that holds a '/' is taken as a path as is. Empty
// when none is found.
std::filesystem::path FindFontFile(const std::vector<std::string>& fileNames,
                                   const std::vector<std::filesystem::path>& folders);

// Rasterises `recipe` from the first of its face files that exists and can be
// read, falling back to DejaVu Sans, which every build machine has. `usedFile`
// names the file taken.
bool BuildFont(const FontRecipe& recipe, const std::vector<std::filesystem::path>& folders,
               FontAtlas& atlas, std::filesystem::path& usedFile, std::string& error);

// Writes N.tga and N.uxd into `fontsFolder`.
bool WriteFont(const std::filesystem::path& fontsFolder, const std::string& name,
               const FontAtlas& atlas, std::string& error);

// Writes every game font and AdditionalFonts.lst below <gameRoot>/Data/Fonts.
// Returns 0 on success; on failure prints why to stderr and returns 1.
int GenerateFonts(const std::filesystem::path& gameRoot);

}  // namespace gen
