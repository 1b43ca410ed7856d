#include "CapsGen.h"

#include <cstdio>
#include <vector>

#include "CapsCards.h"
#include "CapsChain.h"
#include "CapsGems.h"
#include "CapsLayout.h"
#include "GenCommon.h"
#include "tools/lib/ImageWriter.h"

namespace gen {

namespace {

// An 8-bit RGBA picture being assembled from cells.
struct Atlas {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    Atlas(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}

    // Converts `cell` on its own (so that the edge colours of transparent
    // texels come from this cell only) and puts it at (x, y).
    void Put(const FloatImage& cell, int x, int y, bool premultiplied) {
        const std::vector<uint8_t> bytes = premultiplied ? ToRgba8Premultiplied(cell) : ToRgba8(cell);
        for (int row = 0; row < cell.Height(); ++row) {
            const int ty = y + row;
            if (ty < 0 || ty >= height)
                continue;
            for (int col = 0; col < cell.Width(); ++col) {
                const int tx = x + col;
                if (tx < 0 || tx >= width)
                    continue;
                const size_t from = (size_t(row) * size_t(cell.Width()) + size_t(col)) * 4;
                const size_t to = (size_t(ty) * size_t(width) + size_t(tx)) * 4;
                for (int c = 0; c < 4; ++c)
                    rgba[to + size_t(c)] = bytes[from + size_t(c)];
            }
        }
    }

    tk::PixelView View() const { return {rgba.data(), width, height, 4}; }
};

bool Check(bool ok, const std::filesystem::path& path, std::string& error) {
    if (!ok)
        error = "cannot write " + path.string();
    return ok;
}

bool WritePngFile(const std::filesystem::path& path, const Atlas& atlas, std::string& error) {
    return Check(tk::WritePng(path.string(), atlas.View()), path, error);
}

bool WriteTgaFile(const std::filesystem::path& path, const Atlas& atlas, std::string& error) {
    tk::TgaOptions options;
    options.rle = true;
    return Check(tk::WriteTga(path.string(), atlas.View(), options), path, error);
}

bool WriteTokenAtlases(const std::filesystem::path& gfx, const std::vector<CapsRecordLayout>& records,
                       const std::vector<std::vector<TokenFrame>>& tokens, std::string& error) {
    Atlas normal(kTokenAtlasSize, kTokenAtlasSize), dark(kTokenAtlasSize, kTokenAtlasSize),
        light(kTokenAtlasSize, kTokenAtlasSize);
    for (int r = 0; r < kTokenRecords; ++r) {
        const std::vector<TokenFrame>& frames = tokens[size_t(r)];
        for (size_t f = 0; f < frames.size(); ++f) {
            const PixelRect& at = records[size_t(r)].frames[f];
            normal.Put(frames[f].normal, at.x0, at.y0, false);
            dark.Put(frames[f].dark, at.x0, at.y0, false);
            light.Put(frames[f].light, at.x0, at.y0, true);
        }
    }
    return WritePngFile(gfx / "Caps.png", normal, error) && WritePngFile(gfx / "Caps_d.png", dark, error) &&
           WriteTgaFile(gfx / "Caps_l.tga", light, error);
}

bool WriteMemoryAtlases(const std::filesystem::path& gfx, const std::vector<CapsRecordLayout>& records,
                        const std::vector<std::vector<TokenFrame>>& tokens, std::string& error) {
    const std::vector<std::vector<CardFrame>> cards = PaintCards(tokens);
    for (int m = 0; m < kMemoryAtlases; ++m) {
        Atlas picture(kMemoryAtlasSize, kMemoryAtlasSize), light(kMemoryAtlasSize, kMemoryAtlasSize);
        for (int row = 0; row < 3; ++row) {
            const int record = kTokenRecords + m * 3 + row;
            const std::vector<CardFrame>& frames = cards[size_t(record - kTokenRecords)];
            for (size_t f = 0; f < frames.size(); ++f) {
                const PixelRect& at = records[size_t(record)].frames[f];
                picture.Put(frames[f].picture, at.x0, at.y0, false);
                light.Put(frames[f].light, at.x0, at.y0, true);
            }
        }
        const std::string base = "MemCaps" + std::to_string(m + 1);
        if (!WriteTgaFile(gfx / (base + ".tga"), picture, error) ||
            !WriteTgaFile(gfx / (base + "_l.tga"), light, error))
            return false;
    }
    return true;
}

bool WriteChainAndCursor(const std::filesystem::path& gfx, std::string& error) {
    const FloatImage chain = PaintChainTexture();
    Atlas chainAtlas(kChainWidth, kChainHeight);
    chainAtlas.Put(chain, 0, 0, false);
    if (!WritePngFile(gfx / "Chain.png", chainAtlas, error))
        return false;
    const FloatImage spot = PaintCursorLight();
    const std::vector<uint8_t> rgb = ToRgb8(spot);
    const std::filesystem::path path = gfx / "CursorAdd.bmp";
    return Check(tk::WriteBmp(path.string(), {rgb.data(), spot.Width(), spot.Height(), 3}), path, error);
}

}  // namespace

bool WriteCaps(const std::filesystem::path& gameRoot, std::string& error) {
    const std::filesystem::path data = gameRoot / "Data";
    const std::filesystem::path gfx = data / "Gfx";
    if (!EnsureFolder(gfx, error))
        return false;
    const std::vector<CapsRecordLayout> records = CapsRecords();
    // The cards of the challenges show the tokens' own gems.
    std::vector<std::vector<TokenFrame>> tokens;
    for (int r = 0; r < kTokenRecords; ++r)
        tokens.push_back(PaintToken(r));
    return WriteText(data / "CapsAnimation.dat", CapsAnimationText(records), error) &&
           WriteTokenAtlases(gfx, records, tokens, error) &&
           WriteMemoryAtlases(gfx, records, tokens, error) &&
           WriteChainAndCursor(gfx, error);
}

int GenerateCaps(const std::filesystem::path& gameRoot) {
    std::string error;
    if (!WriteCaps(gameRoot, error)) {
        std::fprintf(stderr, "gv_gen: caps: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace gen
