// gv_icon: writes the application icon at every size a desktop asks for into
// an icon theme folder, as <theme>/<N>x<N>/apps/<name>.png; with --window,
// the one picture the game sets as its window's icon. Deterministic.
#include <cstdio>
#include <cstring>

#include "tools/gen/IconArt.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return gen::WriteIcon(argv[2], gen::kWindowIconSize);
    if (argc != 3) {
        std::fprintf(stderr, "usage: gv_icon <icon theme folder> <icon name>\n"
                             "       gv_icon --window <png file>\n");
        return 2;
    }
    return gen::GenerateIcons(argv[1], argv[2]);
}
