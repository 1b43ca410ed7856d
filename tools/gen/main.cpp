// gv_gen: writes every generated picture, font, sound and music file of the game
// into the game folder given as the only argument. Deterministic: the same build
// always writes the same bytes.
#include <cstdio>
#include <filesystem>

#include "ArtBackdrops.h"
#include "CapsGen.h"
#include "FontGen.h"
#include "FxGen.h"
#include "MenuForms.h"
#include "SoundGen.h"
#include "TotemArt.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gv_gen <game folder>\n");
        return 2;
    }
    std::filesystem::path root = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    if (ec) {
        std::fprintf(stderr, "gv_gen: cannot create %s: %s\n", root.c_str(), ec.message().c_str());
        return 1;
    }
    if (gen::GenerateFonts(root) != 0)
        return 1;
    if (gen::GenerateCaps(root) != 0)
        return 1;
    if (gen::GenerateAudio(root) != 0)
        return 1;
    if (gen::GenerateEffectsArt(root) != 0)
        return 1;
    if (gen::GenerateTotemArt(root) != 0)
        return 1;
    if (gen::GenerateBackdrops(root) != 0)
        return 1;
    if (gen::GenerateMenus(root) != 0)
        return 1;
    return 0;
}
