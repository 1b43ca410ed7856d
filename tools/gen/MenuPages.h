#pragma once
// The printed pages a player reads: the expedition's newspaper, one front
// page per finished stage and the closing issue ("Newspaper1.jpg" ..
// "Newspaper5.jpg"), each a whole screen: the paper lying on the camp table,
// with its masthead rules, the fields its texts are set in and an engraving of
// the stage's scene. The forms that show a page place their texts in the
// fields NewspaperLayout() gives, so picture and texts cannot drift apart.
#include <vector>

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

// A help page: 512 x 512 parchment with an ornamented border, stretched over
// the Help form's page. The game shows one sheet for the first page and
// another for the rest, so the sheet carries no pictures: each page's
// pictures are controls of its own group, cut from "Menu/HelpPictures.png".
FloatImage PaintHelpPage();

// "Menu/HelpPictures.png" (kHelpSheetW x kHelpSheetH): the pictures of the
// help pages, each centred in a kHelpCell square.
constexpr int kHelpCell = 128, kHelpSheetW = 1024, kHelpSheetH = 512;
// A picture of a help page, and the word of the page's text it shows.
struct HelpPicture {
    const char* word;
    AtlasRect cell;
};
// Page by page (from the first), the pictures in the order they stand.
const std::vector<std::vector<HelpPicture>>& HelpPictures();
FloatImage PaintHelpPictures();

} // namespace gen
