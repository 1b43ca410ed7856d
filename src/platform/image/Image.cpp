#include "platform/image/Image.h"

#include <cstdio>
#include <cstring>

#include "platform/image/DecodeUtil.h"

namespace img {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kJpegStart[3] = {0xFF, 0xD8, 0xFF};

bool StartsWith(const uint8_t* data, size_t size, const uint8_t* magic, size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

} // namespace

FileFormat SniffFormat(const uint8_t* data, size_t size) {
    if (StartsWith(data, size, kPngSignature, sizeof kPngSignature))
        return FileFormat::Png;
    if (StartsWith(data, size, kJpegStart, sizeof kJpegStart))
        return FileFormat::Jpg;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return FileFormat::Bmp;
    if (detail::LooksLikeTga(data, size))
        return FileFormat::Tga;
    return FileFormat::Unknown;
}

DecodeError Decode(const uint8_t* data, size_t size, Image& out) {
    switch (SniffFormat(data, size)) {
    case FileFormat::Png:
        return DecodePng(data, size, out);
    case FileFormat::Jpg:
        return DecodeJpeg(data, size, out);
    case FileFormat::Bmp:
        return DecodeBmp(data, size, out);
    case FileFormat::Tga:
        return DecodeTga(data, size, out);
    case FileFormat::Unknown:
        break;
    }
    out = Image{};
    return DecodeError::UnknownFormat;
}

DecodeError DecodeFile(const std::string& path, Image& out) {
    out = Image{};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return DecodeError::Open;
    std::vector<uint8_t> bytes;
    bool ok = true;
    try {
        uint8_t chunk[64 * 1024];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        ok = !std::ferror(f);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return DecodeError::TooLarge;
    }
    std::fclose(f);
    if (!ok)
        return DecodeError::Open;
    return Decode(bytes.data(), bytes.size(), out);
}

const char* ToString(DecodeError e) {
    switch (e) {
    case DecodeError::None:
        return "no error";
    case DecodeError::Open:
        return "cannot read the file";
    case DecodeError::UnknownFormat:
        return "unknown picture format";
    case DecodeError::Truncated:
        return "the file ends too early";
    case DecodeError::Corrupt:
        return "corrupt picture data";
    case DecodeError::Unsupported:
        return "unsupported kind of picture";
    case DecodeError::TooLarge:
        return "picture too large";
    }
    return "unknown error";
}

} // namespace img
