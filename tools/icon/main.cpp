// gv_icon: writes the application icon at every size a desktop asks for into
// an icon theme folder, as <theme>/<N>x<N>/apps/<name>.png. Deterministic.
#include <cstdio>

#include "tools/gen/IconArt.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gv_icon <icon theme folder> <icon name>\n");
        return 2;
    }
    return gen::GenerateIcons(argv[1], argv[2]);
}
