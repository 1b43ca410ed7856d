#include "ArtCommon.h"

#include <algorithm>
#include <array>

#include "tools/lib/ImageWriter.h"

namespace gen {

FloatImage Resample(const FloatImage& src, int width, int height) {
    FloatImage out(width, height);
    if (src.Width() <= 0 || src.Height() <= 0 || width <= 0 || height <= 0)
        return out;
    const float sx = float(src.Width()) / float(width), sy = float(src.Height()) / float(height);
    for (int y = 0; y < height; ++y) {
        const float y0 = float(y) * sy, y1 = y0 + sy;
        for (int x = 0; x < width; ++x) {
            const float x0 = float(x) * sx, x1 = x0 + sx;
            Rgba sum;
            float total = 0;
            for (int iy = int(std::floor(y0)); iy < int(std::ceil(y1)) && iy < src.Height(); ++iy) {
                const float wy = std::min(y1, float(iy + 1)) - std::max(y0, float(iy));
                if (wy <= 0)
                    continue;
                for (int ix = int(std::floor(x0)); ix < int(std::ceil(x1)) && ix < src.Width(); ++ix) {
                    const float wx = std::min(x1, float(ix + 1)) - std::max(x0, float(ix));
                    if (wx <= 0)
                        continue;
                    sum = sum + src.At(ix, iy) * (wx * wy);
                    total += wx * wy;
                }
            }
            out.At(x, y) = total > 0 ? sum * (1.0f / total) : Rgba{};
        }
    }
    return out;
}

Rgba SampleBilinear(const FloatImage& image, float x, float y) {
    const int w = image.Width(), h = image.Height();
    if (w <= 0 || h <= 0)
        return {};
    x -= 0.5f;
    y -= 0.5f;
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    const auto at = [&](int i, int j) {
        return image.At(std::clamp(i, 0, w - 1), std::clamp(j, 0, h - 1));
    };
    const int ix = int(fx), iy = int(fy);
    const Rgba top = at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx;
    const Rgba bottom = at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

Sheet::Sheet(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), rgba_(size_t(width_) * size_t(height_) * 4, 0) {}

void Sheet::Put(const FloatImage& cell, int x, int y, Store store) {
    const std::vector<uint8_t> bytes = store == Store::Premultiplied ? ToRgba8Premultiplied(cell) : ToRgba8(cell);
    for (int row = 0; row < cell.Height(); ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= height_)
            continue;
        for (int col = 0; col < cell.Width(); ++col) {
            const int tx = x + col;
            if (tx < 0 || tx >= width_)
                continue;
            const size_t from = (size_t(row) * size_t(cell.Width()) + size_t(col)) * 4;
            const size_t to = (size_t(ty) * size_t(width_) + size_t(tx)) * 4;
            std::copy_n(bytes.begin() + std::ptrdiff_t(from), 4, rgba_.begin() + std::ptrdiff_t(to));
        }
    }
}

std::vector<uint8_t> Sheet::RgbBytes() const {
    std::vector<uint8_t> out(size_t(width_) * size_t(height_) * 3);
    for (size_t i = 0, n = size_t(width_) * size_t(height_); i < n; ++i)
        for (int c = 0; c < 3; ++c)
            out[i * 3 + size_t(c)] = rgba_[i * 4 + size_t(c)];
    return out;
}

std::vector<uint8_t> Sheet::AlphaBytes() const {
    std::vector<uint8_t> out(size_t(width_) * size_t(height_));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = rgba_[i * 4 + 3];
    return out;
}

namespace {

bool Written(bool ok, const std::filesystem::path& path, std::string& error) {
    if (!ok)
        error = "cannot write " + path.string();
    return ok;
}

}  // namespace

bool SavePng(const std::filesystem::path& path, const Sheet& sheet, std::string& error) {
    return Written(tk::WritePng(path.string(), {sheet.Bytes().data(), sheet.Width(), sheet.Height(), 4}), path,
                   error);
}

bool SaveTga(const std::filesystem::path& path, const Sheet& sheet, std::string& error) {
    tk::TgaOptions options;
    options.rle = true;
    return Written(tk::WriteTga(path.string(), {sheet.Bytes().data(), sheet.Width(), sheet.Height(), 4}, options),
                   path, error);
}

bool SaveBmp(const std::filesystem::path& path, const Sheet& sheet, std::string& error) {
    return Written(tk::WriteBmp(path.string(), {sheet.Bytes().data(), sheet.Width(), sheet.Height(), 4}), path,
                   error);
}

bool SaveJpegRgb(const std::filesystem::path& path, const std::vector<uint8_t>& rgb, int width, int height,
                 int quality, std::string& error) {
    return Written(tk::WriteJpeg(path.string(), {rgb.data(), width, height, 3}, quality), path, error);
}

bool SaveJpegGrey(const std::filesystem::path& path, const std::vector<uint8_t>& grey, int width, int height,
                  int quality, std::string& error) {
    return Written(tk::WriteJpeg(path.string(), {grey.data(), width, height, 1}, quality), path, error);
}

bool SaveJpeg(const std::filesystem::path& path, const FloatImage& image, int quality, std::string& error) {
    return SaveJpegRgb(path, ToRgb8(image), image.Width(), image.Height(), quality, error);
}

const float* SrgbByteTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = SrgbToLinear(float(i) / 255.0f);
        return t;
    }();
    return table.data();
}

Lit LightNormal(Vec3 normal, float shine) {
    const Vec3 light = LightDirection();
    Lit lit;
    lit.diffuse = std::max(Dot(normal, light), 0.0f);
    // Blinn half vector with the viewer straight in front.
    const Vec3 half = Normalize(light + Vec3{0, 0, 1});
    lit.specular = std::pow(std::max(Dot(normal, half), 0.0f), shine);
    return lit;
}

Rgb GoldShade(Vec3 normal, float tone) {
    const Lit lit = LightNormal(normal, 28.0f);
    const Rgb dark = Hex(palette::kGoldDark), body = Hex(palette::kGold), light = Hex(palette::kGoldLight);
    const float d = lit.diffuse * lit.diffuse;
    Rgb c = MixRgb(dark, body, Clamp01(0.2f + 1.1f * d)) * (0.8f + 0.4f * tone);
    // Metals reflect the room: faces turned down pick up a warm bounce.
    c = c + Hex(0x5a3010) * (0.25f * Clamp01(normal.y));
    return c + light * (1.1f * lit.specular);
}

Rgb MattShade(Vec3 normal, Rgb base, float sheen) {
    const Lit lit = LightNormal(normal, 12.0f);
    return base * (0.3f + 0.85f * lit.diffuse) + Rgb{1, 0.95f, 0.85f} * (sheen * lit.specular);
}

const NoiseField& SharedNoise(int which) {
    static const NoiseField broad(512, 4, 6, 0.55f, 1201);
    static const NoiseField fine(256, 16, 4, 0.5f, 7717);
    return which == 0 ? broad : fine;
}

}  // namespace gen
