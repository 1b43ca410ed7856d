#include "TextPreview.h"

#include <algorithm>
#include <cmath>

PreviewCanvas::PreviewCanvas(int w, int h, uint8_t r, uint8_t g, uint8_t b)
    : width(w), height(h), rgb(size_t(w) * size_t(h) * 3) {
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
}

void PreviewCanvas::Gradient(int y0, int y1, const uint8_t top[3], const uint8_t bottom[3]) {
    y0 = std::max(0, y0);
    y1 = std::min(height, y1);
    for (int y = y0; y < y1; ++y) {
        const float t = y1 - y0 > 1 ? float(y - y0) / float(y1 - y0 - 1) : 0.0f;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(size_t(y) * width + x) * 3 + c] =
                    uint8_t(std::lround(top[c] + (float(bottom[c]) - top[c]) * t));
    }
}

namespace {

// Straight-alpha bilinear sample, channels filtered independently as the GPU does.
void Sample(const img::Image& tex, float u, float v, float out[4]) {
    const float fx = u * float(tex.width) - 0.5f;
    const float fy = v * float(tex.height) - 0.5f;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const float ax = fx - float(x0), ay = fy - float(y0);
    for (int c = 0; c < 4; ++c)
        out[c] = 0;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            const int sx = std::clamp(x0 + i, 0, tex.width - 1);
            const int sy = std::clamp(y0 + j, 0, tex.height - 1);
            const float w = (i ? ax : 1 - ax) * (j ? ay : 1 - ay);
            const uint8_t* p = tex.rgba.data() + (size_t(sy) * tex.width + sx) * 4;
            for (int c = 0; c < 4; ++c)
                out[c] += w * float(p[c]) / 255.0f;
        }
}

}  // namespace

InkBox DrawPreviewText(PreviewCanvas& canvas, const CBitmapFont& font, const img::Image& texture,
                       std::string_view text, float x, float y, float scale, const uint8_t tint[3],
                       float* penEnd) {
    InkBox box{canvas.width, canvas.height, -1, -1};
    float pen = x;
    float line = y;
    for (unsigned char code : text) {
        if (code == '\n') {
            pen = x;
            line += 1.5f * scale;  // the text sprites' default line spacing
            continue;
        }
        const CFontGlyph& g = font.Glyphs[code];
        const float left = pen + g.Left * scale, top = line + g.Top * scale;
        const float w = g.Width * scale, h = g.Height * scale;
        pen += g.Advance * scale;
        if (w <= 0 || h <= 0)
            continue;
        const int px0 = std::max(0, int(std::floor(left))),
                  px1 = std::min(canvas.width, int(std::ceil(left + w)));
        const int py0 = std::max(0, int(std::floor(top))),
                  py1 = std::min(canvas.height, int(std::ceil(top + h)));
        for (int py = py0; py < py1; ++py)
            for (int px = px0; px < px1; ++px) {
                const float s = (float(px) + 0.5f - left) / w;
                const float t = (float(py) + 0.5f - top) / h;
                if (s < 0 || s > 1 || t < 0 || t > 1)
                    continue;
                float texel[4];
                Sample(texture, g.ULeft + (g.URight - g.ULeft) * s, g.VTop + (g.VBottom - g.VTop) * t,
                       texel);
                if (texel[3] <= 0)  // the text pass alpha-tests against 0
                    continue;
                uint8_t* dst = canvas.rgb.data() + (size_t(py) * canvas.width + px) * 3;
                bool changed = false;
                for (int c = 0; c < 3; ++c) {
                    const float src = texel[c] * float(tint[c]) / 255.0f;
                    const float out = src * texel[3] * 255.0f + float(dst[c]) * (1 - texel[3]);
                    const uint8_t v = uint8_t(std::lround(std::clamp(out, 0.0f, 255.0f)));
                    changed |= v != dst[c];
                    dst[c] = v;
                }
                if (changed) {
                    box.left = std::min(box.left, px);
                    box.right = std::max(box.right, px);
                    box.top = std::min(box.top, py);
                    box.bottom = std::max(box.bottom, py);
                }
            }
    }
    if (penEnd)
        *penEnd = pen;
    return box;
}
