#pragma once
// The plaques of the forms, each painted at the very size it is shown (a
// frame does not stretch) and packed into one picture per look: the riveted
// frames in "Menu/Plaques.png", the call-outs' lighter plaques in
// "Menu/CallOuts.png". The forms ask for their plaques while they are
// written; the pictures are painted after them.
#include <vector>

#include "MenuArt.h"

namespace gen {

constexpr int kPlaqueSheetSize = 1024;
// The call-outs come in a size for every length of text a tip or the level
// card holds, so their sheet is twice as tall.
constexpr int kPlaqueSheetHeight[2] = {kPlaqueSheetSize, 2 * kPlaqueSheetSize};
// The registry names of the two pictures, by look.
constexpr const char* kPlaqueTexture[2] = {"Plaques", "CallOuts"};

class PlaqueSheet {
public:
    explicit PlaqueSheet(PlaqueLook look) : look_(look) {}
    // The cell of a w x h plaque: one cell per size, rows filled left to
    // right; an empty cell once the sheet is full.
    AtlasRect Place(int w, int h);
    bool Full() const { return full_; }
    FloatImage Paint() const;

private:
    PlaqueLook look_;
    std::vector<AtlasRect> cells_;
    int Height() const { return kPlaqueSheetHeight[size_t(look_)]; }
    int x_ = 0, y_ = 0, rowH_ = 0;
    bool full_ = false;
};

} // namespace gen
