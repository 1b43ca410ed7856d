#include "MenuPlaques.h"

#include <algorithm>

namespace gen {

namespace {
// Transparent texels between cells, so that filtering never bleeds.
constexpr int kGutter = 2;
} // namespace

AtlasRect PlaqueSheet::Place(int w, int h) {
    for (const AtlasRect& c : cells_)
        if (c.w == w && c.h == h)
            return c;
    if (x_ + w + kGutter > kPlaqueSheetSize) {
        x_ = 0;
        y_ += rowH_;
        rowH_ = 0;
    }
    if (w <= 0 || h <= 0 || x_ + w + kGutter > kPlaqueSheetSize || y_ + h + kGutter > Height()) {
        full_ = true;
        return {};
    }
    const AtlasRect c{x_ + kGutter, y_ + kGutter, w, h};
    cells_.push_back(c);
    x_ += w + kGutter;
    rowH_ = std::max(rowH_, h + kGutter);
    return c;
}

FloatImage PlaqueSheet::Paint() const {
    FloatImage sheet(kPlaqueSheetSize, Height());
    for (const AtlasRect& c : cells_)
        sheet.Blit(PaintPlaque(c.w, c.h, look_), c.x, c.y);
    return sheet;
}

} // namespace gen
