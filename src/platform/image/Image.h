#pragma once
// Decoded pictures. Every decoder produces straight (non-premultiplied) RGBA8,
// rows top to bottom, 4 bytes per pixel in the order R, G, B, A.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace img {

enum class FileFormat : uint32_t { Bmp = 0, Jpg = 1, Tga = 2, Png = 3, Unknown = 0xFFFFFFFF };

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // width * height * 4
    bool hasAlpha = false;     // the file carried an alpha channel
    bool grey = false;         // the file was a one-channel (luminance) picture
    FileFormat format = FileFormat::Unknown;
};

enum class DecodeError { None, Open, UnknownFormat, Truncated, Corrupt, Unsupported, TooLarge };

// Largest width or height any decoder accepts; protects against absurd headers.
constexpr int kMaxDimension = 16384;
// Largest picture (width * height) any decoder accepts: 64 MB of RGBA, far above
// the biggest picture the game ships (1024 x 1024). A header claiming more is refused before
// anything is allocated, however little data follows it.
constexpr int64_t kMaxPixels = int64_t(4096) * 4096;

// The format of a file image, judged from its first bytes: PNG signature, JPEG
// start-of-image marker, "BM", else a plausible TGA header. Unknown otherwise.
FileFormat SniffFormat(const uint8_t* data, size_t size);

// Decodes a file image held in memory; the format is found from its content.
// On failure `out` is left empty.
DecodeError Decode(const uint8_t* data, size_t size, Image& out);
// Reads and decodes a file (path in the platform's own form, already mapped).
DecodeError DecodeFile(const std::string& path, Image& out);

// One decoder per format. Data that ends early gives Truncated, a broken or
// inconsistent header or pixel stream Corrupt, a valid file using a feature we
// do not read Unsupported, a width or height above kMaxDimension or more than
// kMaxPixels pixels TooLarge. Decoders that meet damaged pixel data say so
// (Truncated or Corrupt) rather than hand back a partly invented picture.
DecodeError DecodePng(const uint8_t* data, size_t size, Image& out);
DecodeError DecodeJpeg(const uint8_t* data, size_t size, Image& out);
DecodeError DecodeTga(const uint8_t* data, size_t size, Image& out);
DecodeError DecodeBmp(const uint8_t* data, size_t size, Image& out);

const char* ToString(DecodeError e);

} // namespace img
