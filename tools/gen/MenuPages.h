#pragma once
// The printed pages a player reads: the expedition's newspaper, one front
// page per finished stage and the closing issue ("Newspaper1.jpg" ..
// "Newspaper5.jpg"), each a whole screen: the paper lying on the camp table,
// with its masthead rules, the fields its texts are set in and an engraving of
// the stage's scene. The forms that show a page place their texts in the
// fields NewspaperLayout() gives, so picture and texts cannot drift apart.
#include "ArtCommon.h"
#include "MenuArt.h"

namespace gen {

// Where the parts of a page lie, in screen texels (the page fills the screen).
struct PageLayout {
    AtlasRect paper, masthead, dateline, headline, picture;
    AtlasRect columns[2];
    AtlasRect hint; // "click to continue", on the table below the paper
};
const PageLayout& NewspaperLayout();

constexpr int kPageWidth = 1024, kPageHeight = 768;
// Issue 1..4 follows the stage of that number; issue 5 closes the quest.
FloatImage PaintNewspaper(int issue);

// A help page: 512 x 512 parchment with an ornamented border, shown
// squeezed into the Help form's 520 x 330 page, and in its lower third what
// the page explains: sheet 1 the seven tokens, sheet 2 (the bonus and the
// shop pages) a steel block, a chained token and two totems.
FloatImage PaintHelpPage(int sheet);

} // namespace gen
