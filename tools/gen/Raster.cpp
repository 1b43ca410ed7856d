#include "Raster.h"

#include <algorithm>
#include <cmath>

#include "Sdf.h"

namespace gen {

float SrgbToLinear(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float LinearToSrgb(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

Rgb FromHex(uint32_t rgb) {
    return {SrgbToLinear(float((rgb >> 16) & 0xFF) / 255.0f),
            SrgbToLinear(float((rgb >> 8) & 0xFF) / 255.0f), SrgbToLinear(float(rgb & 0xFF) / 255.0f)};
}

float Luminance(Rgb c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }

Rgb Desaturate(Rgb c, float amount) {
    const float y = Luminance(c);
    return MixRgb(c, Rgb{y, y, y}, amount);
}

FloatImage::FloatImage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      px_(size_t(width_) * size_t(height_)) {}

void FloatImage::Blit(const FloatImage& src, int x, int y) {
    for (int sy = 0; sy < src.Height(); ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= height_)
            continue;
        for (int sx = 0; sx < src.Width(); ++sx) {
            const int tx = x + sx;
            if (tx >= 0 && tx < width_)
                At(tx, ty) = src.At(sx, sy);
        }
    }
}

void FloatImage::BlitOver(const FloatImage& src, int x, int y) {
    for (int sy = 0; sy < src.Height(); ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= height_)
            continue;
        for (int sx = 0; sx < src.Width(); ++sx) {
            const int tx = x + sx;
            if (tx >= 0 && tx < width_)
                At(tx, ty) = Over(src.At(sx, sy), At(tx, ty));
        }
    }
}

void FloatImage::Scale(float s) {
    for (Rgba& p : px_)
        p = p * s;
}

FloatImage Downsample(const FloatImage& big, int factor) {
    if (factor <= 1)
        return big;
    const int w = big.Width() / factor, h = big.Height() / factor;
    FloatImage out(w, h);
    const float weight = 1.0f / float(factor * factor);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba sum;
            for (int sy = 0; sy < factor; ++sy)
                for (int sx = 0; sx < factor; ++sx)
                    sum = sum + big.At(x * factor + sx, y * factor + sy);
            out.At(x, y) = sum * weight;
        }
    return out;
}

FloatImage SqueezeHorizontally(const FloatImage& src, float scale) {
    const int w = src.Width(), h = src.Height();
    FloatImage out(w, h);
    if (scale <= 0)
        return out;
    scale = std::min(scale, 1.0f);
    const float centre = 0.5f * float(w);
    const float width = 1.0f / scale;  // source texels per output texel
    for (int x = 0; x < w; ++x) {
        const float s0 = centre + (float(x) - centre) / scale;
        const float s1 = s0 + width;
        const int first = std::max(int(std::floor(s0)), 0);
        const int last = std::min(int(std::ceil(s1)) - 1, w - 1);
        for (int y = 0; y < h; ++y) {
            Rgba sum;
            for (int sx = first; sx <= last; ++sx) {
                const float overlap = std::min(s1, float(sx + 1)) - std::max(s0, float(sx));
                if (overlap > 0)
                    sum = sum + src.At(sx, y) * overlap;
            }
            out.At(x, y) = sum * (1.0f / width);
        }
    }
    return out;
}

namespace {

uint8_t ToByte(float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

std::vector<uint8_t> ToRgba8(const FloatImage& image, int bleed) {
    const int w = image.Width(), h = image.Height();
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint8_t> out(n * 4, 0);
    // Straight colour (linear) of the texels that keep some alpha.
    std::vector<Rgb> colour(n);
    std::vector<uint8_t> known(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const Rgba& p = image.Pixels()[i];
        const uint8_t a = ToByte(p.a);
        out[i * 4 + 3] = a;
        if (a > 0) {
            colour[i] = {p.r / p.a, p.g / p.a, p.b / p.a};
            known[i] = 1;
        }
    }
    // Grow the known colours outward one ring of texels at a time. A texel
    // takes the mean of its known neighbours weighted by their alpha (bilinear
    // filtering mixes it with them in that proportion); texels coloured by an
    // earlier ring count as barely visible.
    std::vector<float> weight(n, 0.0f);
    for (size_t i = 0; i < n; ++i)
        weight[i] = float(out[i * 4 + 3]) + 1.0f;
    std::vector<uint8_t> next = known;
    for (int pass = 0; pass < bleed; ++pass) {
        bool grew = false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (known[i])
                    continue;
                Rgb sum;
                float total = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const size_t j = size_t(ny) * size_t(w) + size_t(nx);
                        if (known[j]) {
                            sum = sum + colour[j] * weight[j];
                            total += weight[j];
                        }
                    }
                if (total > 0) {
                    colour[i] = sum * (1.0f / total);
                    next[i] = 1;
                    grew = true;
                }
            }
        if (!grew)
            break;
        known = next;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!known[i])
            continue;
        out[i * 4 + 0] = ToByte(LinearToSrgb(colour[i].r));
        out[i * 4 + 1] = ToByte(LinearToSrgb(colour[i].g));
        out[i * 4 + 2] = ToByte(LinearToSrgb(colour[i].b));
    }
    return out;
}

std::vector<uint8_t> ToRgba8Premultiplied(const FloatImage& image) {
    const size_t n = image.Pixels().size();
    std::vector<uint8_t> out(n * 4, 0);
    for (size_t i = 0; i < n; ++i) {
        const Rgba& p = image.Pixels()[i];
        const uint8_t a = ToByte(p.a);
        out[i * 4 + 3] = a;
        if (a == 0)
            continue;
        // Premultiplied in display values, as the screen adds them: the colour
        // fades with the coverage and never exceeds the alpha.
        const float alpha = float(a) / 255.0f;
        out[i * 4 + 0] = ToByte(LinearToSrgb(p.r / p.a) * alpha);
        out[i * 4 + 1] = ToByte(LinearToSrgb(p.g / p.a) * alpha);
        out[i * 4 + 2] = ToByte(LinearToSrgb(p.b / p.a) * alpha);
    }
    return out;
}

std::vector<uint8_t> ToRgb8(const FloatImage& image) {
    const size_t n = image.Pixels().size();
    std::vector<uint8_t> out(n * 3);
    for (size_t i = 0; i < n; ++i) {
        const Rgba& p = image.Pixels()[i];
        out[i * 3 + 0] = ToByte(LinearToSrgb(p.r));
        out[i * 3 + 1] = ToByte(LinearToSrgb(p.g));
        out[i * 3 + 2] = ToByte(LinearToSrgb(p.b));
    }
    return out;
}

uint32_t Hash32(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

float HashUnit(int a, int b, int c) {
    uint32_t h = Hash32(uint32_t(a) * 0x9E3779B1U);
    h = Hash32(h ^ (uint32_t(b) * 0x85EBCA77U));
    h = Hash32(h ^ (uint32_t(c) * 0xC2B2AE3DU));
    return float(h >> 8) * (1.0f / 16777216.0f);
}

NoiseField::NoiseField(int size, int baseCells, int octaves, float persistence, uint32_t seed)
    : size_(std::max(size, 1)), values_(size_t(size_) * size_t(size_), 0.0f) {
    float amplitude = 1.0f, total = 0.0f;
    int cells = std::max(baseCells, 1);
    for (int o = 0; o < octaves; ++o, cells *= 2, amplitude *= persistence) {
        total += amplitude;
        // Lattice values of this octave, wrapping at `cells`.
        std::vector<float> lattice(size_t(cells) * size_t(cells));
        for (int j = 0; j < cells; ++j)
            for (int i = 0; i < cells; ++i)
                lattice[size_t(j) * size_t(cells) + size_t(i)] = HashUnit(i, j, int(seed) + o * 7919);
        const float step = float(cells) / float(size_);
        for (int y = 0; y < size_; ++y) {
            const float fy = float(y) * step;
            const int y0 = int(fy) % cells, y1 = (y0 + 1) % cells;
            float ty = fy - std::floor(fy);
            ty = ty * ty * (3 - 2 * ty);
            for (int x = 0; x < size_; ++x) {
                const float fx = float(x) * step;
                const int x0 = int(fx) % cells, x1 = (x0 + 1) % cells;
                float tx = fx - std::floor(fx);
                tx = tx * tx * (3 - 2 * tx);
                const auto at = [&](int i, int j) { return lattice[size_t(j) * size_t(cells) + size_t(i)]; };
                const float top = Mix(at(x0, y0), at(x1, y0), tx);
                const float bottom = Mix(at(x0, y1), at(x1, y1), tx);
                values_[size_t(y) * size_t(size_) + size_t(x)] += amplitude * Mix(top, bottom, ty);
            }
        }
    }
    if (total > 0)
        for (float& v : values_)
            v /= total;
}

float NoiseField::Sample(float u, float v) const {
    const float s = float(size_);
    u -= std::floor(u / s) * s;
    v -= std::floor(v / s) * s;
    const int x0 = std::min(int(u), size_ - 1), y0 = std::min(int(v), size_ - 1);
    const int x1 = (x0 + 1) % size_, y1 = (y0 + 1) % size_;
    const float tx = u - float(x0), ty = v - float(y0);
    const auto at = [&](int i, int j) { return values_[size_t(j) * size_t(size_) + size_t(i)]; };
    return Mix(Mix(at(x0, y0), at(x1, y0), tx), Mix(at(x0, y1), at(x1, y1), tx), ty);
}

}  // namespace gen
