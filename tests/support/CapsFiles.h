#pragma once
// Caps data written on the spot. Animation files put every record on a
// 256 x 512 atlas of 32 x 32 cells, frame k of record r in column k, row r;
// pictures are 4 x 4 of one colour.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/lib/ImageWriter.h"

namespace testsupport {

constexpr int kCapsAtlasWidth = 256;
constexpr int kCapsAtlasHeight = 512;
constexpr int kCapsCell = 32;

// One record: its atlas size, `frames` frames and the track, e.g. "0 1 2 1".
inline std::string CapsAnimationBlock(int record, int frames, const std::string& track) {
    std::string out = "TEXTURESIZE " + std::to_string(kCapsAtlasWidth) + " " +
                      std::to_string(kCapsAtlasHeight) + "\n";
    for (int k = 0; k < frames; ++k)
        out += "FRAME " + std::to_string(k) + " " + std::to_string(k * kCapsCell) + " " +
               std::to_string(record * kCapsCell) + " " + std::to_string((k + 1) * kCapsCell) +
               " " + std::to_string((record + 1) * kCapsCell) + "\n";
    return out + "TRACK ( " + track + " )\n";
}

// `records` records alike but for their row.
inline std::string CapsAnimationText(int records, int frames, const std::string& track) {
    std::string text;
    for (int r = 0; r < records; ++r)
        text += CapsAnimationBlock(r, frames, track);
    return text;
}

// A 4x4 picture of one colour in the format its extension names (png, tga,
// otherwise bmp).
inline bool WriteFlatPicture(const std::string& path, uint8_t grey, uint8_t alpha = 255) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 16; ++i)
        pixels.insert(pixels.end(), {grey, grey, grey, alpha});
    const tk::PixelView view{pixels.data(), 4, 4, 4};
    const std::string ext = path.size() < 3 ? std::string() : path.substr(path.size() - 3);
    if (ext == "png")
        return tk::WritePng(path, view);
    if (ext == "tga")
        return tk::WriteTga(path, view);
    return tk::WriteBmp(path, view);
}

} // namespace testsupport
