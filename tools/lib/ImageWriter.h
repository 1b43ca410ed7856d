#pragma once
// Writers for the picture formats the game reads, for the data generator and
// for tests that need real files. Output is deterministic: the same pixels and
// options always give the same bytes (no time stamps, no tool names).
#include <cstdint>
#include <string>
#include <vector>

namespace tk {

// Pixels to write: rows top to bottom, tightly packed, `channels` bytes per
// pixel: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA (straight alpha).
struct PixelView {
    const uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int channels = 4;
};

// PNG of the view's own layout: grey, grey + alpha, RGB or RGBA, 8 bits.
bool EncodePng(const PixelView& pixels, std::vector<uint8_t>& out);
bool WritePng(const std::string& path, const PixelView& pixels);

// Baseline JPEG at quality 1..100: greyscale from one channel, colour from
// three or four (alpha dropped). Grey + alpha is refused.
bool EncodeJpeg(const PixelView& pixels, int quality, std::vector<uint8_t>& out);
bool WriteJpeg(const std::string& path, const PixelView& pixels, int quality);

struct TgaOptions {
    bool rle = false;     // run-length encoded (packets never cross a row)
    bool topLeft = false; // first row at the top; else the format's default, bottom up
};
// TGA: 8-bit grey, 24-bit colour or 32-bit colour with 8 alpha bits, from
// one, three or four channels.
bool EncodeTga(const PixelView& pixels, const TgaOptions& options, std::vector<uint8_t>& out);
bool WriteTga(const std::string& path, const PixelView& pixels, const TgaOptions& options = {});

struct BmpOptions {
    bool topDown = false;   // rows stored top to bottom (negative height)
    bool bitFields = false; // 32-bit only: a V5 header with explicit channel masks
};
// BMP: 8-bit with a grey colour table, 24-bit, or 32-bit with alpha in the
// fourth byte, from one, three or four channels.
bool EncodeBmp(const PixelView& pixels, const BmpOptions& options, std::vector<uint8_t>& out);
bool WriteBmp(const std::string& path, const PixelView& pixels, const BmpOptions& options = {});

} // namespace tk
