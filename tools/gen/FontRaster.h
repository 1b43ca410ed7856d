#pragma once
// Turns an outline font file into a game font: one RGBA texture holding the
// pictures of the 256 character codes and the description of where each one
// lies and how it sits on a line (see FontFile.h for the units).
//
// Glyphs are drawn with FreeType at four times the final resolution and
// filtered down; outline and shadow come from a distance field of that
// large picture, so every edge is smooth. The pictures are white (or a light
// gradient) with straight alpha, so the text colour tints them; outline and
// shadow are dark and stay dark under any tint.
#include <cstdint>
#include <string>
#include <vector>

#include "FontFile.h"

namespace gen {

struct FontLook {
    // Fill colour (0..1), a vertical gradient from the top of the line to the
    // baseline.
    float fillTop[3] = {1, 1, 1};
    float fillBottom[3] = {1, 1, 1};
    // Bevel: strokes lit from the top left; edges facing the light brighten,
    // the others darken, fading out `bevelWidth` texels inside the stroke.
    float bevelWidth = 0;
    float bevelStrength = 0;  // 0..1
    // Outline around the strokes, `outlineWidth` texels wide (0: none).
    float outlineWidth = 0;
    float outlineRgb[3] = {0, 0, 0};
    // Soft drop shadow of glyph and outline together: offset in texels (+x
    // right, +y down), Gaussian blur sigma in texels, opacity 0..1 (0: none).
    float shadowDx = 0;
    float shadowDy = 0;
    float shadowBlur = 0;
    float shadowOpacity = 0;
    float shadowRgb[3] = {0, 0, 0};
};

struct FontStyle {
    int atlasWidth = 512;
    int atlasHeight = 512;
    // The glyphs are drawn at the largest em size (in texels) within these
    // bounds at which all of them fit the texture.
    int maxPixelSize = 64;
    int minPixelSize = 8;
    // Digits made to stand on the baseline and reach the capitals' height, for
    // a face whose figures rise and fall like lower-case letters: a score then
    // reads level whatever its digits.
    bool liningFigures = false;
    FontLook look;
};

struct FontAtlas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows top to bottom, straight alpha
    FontDescription description;
    int pixelSize = 0;   // em size the glyphs were drawn at, texels
    int lineHeight = 0;  // the character height, texels
    int ascent = 0;      // top of the line down to the baseline, texels
    int pictures = 0;    // characters with a picture
    int missing = 0;     // printable characters the font lacks (drawn as blanks)
};

// The character a byte of the game's texts stands for: Windows-1252 (Latin-1
// plus typographic quotes, dashes, ellipsis and a few letters in 128..159).
// 0 for control codes, 127 and the five codes 1252 leaves undefined.
uint32_t CodeToUnicode(int code);

// Rasterises the font file. False, with a message in `error`, when the file
// is not a usable outline font or the glyphs do not fit even at the smallest
// size. The result depends only on the font file, the style and the FreeType
// version.
bool RasteriseFont(const std::string& fontFile, const FontStyle& style, FontAtlas& out,
                   std::string& error);

}  // namespace gen
