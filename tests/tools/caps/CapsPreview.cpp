#include "CapsPreview.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "tools/gen/CapsLayout.h"

namespace capspreview {

void Sample(const img::Image& t, float u, float v, float out[4]) {
    const float x = u * float(t.width) - 0.5f, y = v * float(t.height) - 0.5f;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - float(x0), fy = y - float(y0);
    const auto at = [&](int xi, int yi, int c) {
        xi = std::clamp(xi, 0, t.width - 1);
        yi = std::clamp(yi, 0, t.height - 1);
        return float(t.rgba[(size_t(yi) * size_t(t.width) + size_t(xi)) * 4 + size_t(c)]) / 255.0f;
    };
    for (int c = 0; c < 4; ++c) {
        const float top = at(x0, y0, c) * (1 - fx) + at(x0 + 1, y0, c) * fx;
        const float bottom = at(x0, y0 + 1, c) * (1 - fx) + at(x0 + 1, y0 + 1, c) * fx;
        out[c] = top * (1 - fy) + bottom * fy;
    }
}

Canvas::Canvas(int width, int height, float r, float g, float b)
    : width_(width), height_(height), rgb_(size_t(width) * size_t(height) * 3) {
    Fill(0, 0, width, height, r, g, b);
}

void Canvas::Fill(int x0, int y0, int x1, int y1, float r, float g, float b) {
    for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x) {
            float* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
}

namespace {

// Calls fn(px, py, s, t) for every canvas pixel whose centre lies in the
// square of half size `half` around (cx, cy); s, t in 0..1 across the square.
template <class Fn>
void ForSquare(int width, int height, float cx, float cy, float half, Fn fn) {
    const int x0 = std::max(int(std::floor(cx - half)), 0), x1 = std::min(int(std::ceil(cx + half)), width);
    const int y0 = std::max(int(std::floor(cy - half)), 0), y1 = std::min(int(std::ceil(cy + half)), height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float s = (float(x) + 0.5f - (cx - half)) / (2 * half);
            const float t = (float(y) + 0.5f - (cy - half)) / (2 * half);
            if (s >= 0 && s <= 1 && t >= 0 && t <= 1)
                fn(x, y, s, t);
        }
}

}  // namespace

void Canvas::DrawSprite(const img::Image& texture, const Frame& f, float cx, float cy, float half) {
    ForSquare(width_, height_, cx, cy, half, [&](int x, int y, float s, float t) {
        float c[4];
        Sample(texture, f.u0 + (f.u1 - f.u0) * s, f.v0 + (f.v1 - f.v0) * t, c);
        if (c[3] < 1.0f / 255.0f)  // alpha test, reference 1
            return;
        float* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
        for (int k = 0; k < 3; ++k)
            p[k] = c[k] * c[3] + p[k] * (1 - c[3]);
    });
}

void Canvas::DrawLight(const img::Image& light, const Frame& f, const img::Image& spot, float cx, float cy,
                       float half, float dx, float dy) {
    const float a = dx / (3 * half), b = dy / (3 * half);
    ForSquare(width_, height_, cx, cy, half, [&](int x, int y, float s, float t) {
        float c[4], l[4];
        Sample(light, f.u0 + (f.u1 - f.u0) * s, f.v0 + (f.v1 - f.v0) * t, c);
        if (c[3] < 1.0f / 255.0f)
            return;
        Sample(spot, std::clamp(a + s, 0.0f, 1.0f), std::clamp(b + t, 0.0f, 1.0f), l);
        float* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
        for (int k = 0; k < 3; ++k)
            p[k] = std::min(1.0f, p[k] + c[k] * l[k]);
    });
}

void Canvas::DrawChain(const img::Image& chain, int level, float cx, float cy, float half) {
    const float s = half * 46.0f / 39.0f;
    const float u0 = level >= 2 ? 0.359375f : 0.0f;
    const Frame f{u0, 0.0f, u0 + 0.359375f, 0.71875f};
    DrawSprite(chain, f, cx, cy, s);
}

std::vector<uint8_t> Canvas::Bytes() const {
    std::vector<uint8_t> out(rgb_.size());
    for (size_t i = 0; i < rgb_.size(); ++i)
        out[i] = uint8_t(std::lround(std::clamp(rgb_[i], 0.0f, 1.0f) * 255.0f));
    return out;
}

void Canvas::Mean(int x0, int y0, int x1, int y1, float out[3]) const {
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x, ++n)
            for (int k = 0; k < 3; ++k)
                sum[k] += rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3 + size_t(k)];
    for (int k = 0; k < 3; ++k)
        out[k] = n > 0 ? float(sum[k] / n) : 0.0f;
}

namespace {

Frame FrameOf(const gen::CapsRecordLayout& r, int frame) {
    const gen::PixelRect& q = r.frames[size_t(frame)];
    return {float(q.x0) / float(r.textureWidth), float(q.y0) / float(r.textureHeight),
            float(q.x1) / float(r.textureWidth), float(q.y1) / float(r.textureHeight)};
}

}  // namespace

bool ComposeSheet(const std::string& root, std::vector<uint8_t>& rgb, int& width, int& height,
                  std::string& error) {
    const std::string gfx = root + "/Data/Gfx/";
    const char* names[] = {"Caps.png",     "Caps_d.png",     "Caps_l.tga",     "MemCaps1.tga",
                           "MemCaps2.tga", "MemCaps3.tga",   "MemCaps1_l.tga", "MemCaps2_l.tga",
                           "MemCaps3_l.tga", "CursorAdd.bmp", "Chain.png"};
    std::vector<img::Image> tex(11);
    for (size_t i = 0; i < tex.size(); ++i)
        if (img::DecodeFile(gfx + names[i], tex[i]) != img::DecodeError::None) {
            error = std::string("cannot load ") + names[i];
            return false;
        }
    const img::Image &caps = tex[0], &dark = tex[1], &light = tex[2], &spot = tex[9], &chain = tex[10];
    const std::vector<gen::CapsRecordLayout> records = gen::CapsRecords();
    const float pitch = 83.0f, half = 39.0f, cardHalf = 42.0f;
    width = int(pitch * 10);
    height = 1100;
    Canvas c(width, height, 0.09f, 0.13f, 0.12f);
    // Board cells, a faint checker like the board frame's inlay.
    for (int row = 0; row < 13; ++row)
        for (int col = 0; col < 10; ++col)
            if ((row + col) % 2 == 0)
                c.Fill(int(col * pitch), int(row * pitch), int((col + 1) * pitch), int((row + 1) * pitch), 0.11f,
                       0.155f, 0.145f);
    const auto centre = [&](int col, int row) { return std::pair<float, float>{(col + 0.5f) * pitch, (row + 0.5f) * pitch}; };
    // Row 0: the tokens and steel; row 1: dark variants.
    for (int k = 0; k < 8; ++k) {
        auto [x, y] = centre(k, 0);
        c.DrawSprite(caps, FrameOf(records[size_t(k)], 0), x, y, half);
        auto [x1, y1] = centre(k, 1);
        c.DrawSprite(dark, FrameOf(records[size_t(k)], 0), x1, y1, half);
        // Row 2: chained (one chain on the first four, two on the rest).
        auto [x2, y2] = centre(k, 2);
        c.DrawSprite(caps, FrameOf(records[size_t(k)], 0), x2, y2, half);
        c.DrawChain(chain, k < 4 ? 1 : 2, x2, y2, half);
        // Row 3: lit by the cursor, which stands on the middle of the row.
        auto [x3, y3] = centre(k, 3);
        c.DrawSprite(caps, FrameOf(records[size_t(k)], 0), x3, y3, half);
        const float lightX = 3.5f * pitch + 40.0f;
        if (std::fabs(x3 - lightX) < 3 * half)
            c.DrawLight(light, FrameOf(records[size_t(k)], 0), spot, x3, y3, half, x3 - lightX, 0.0f);
    }
    // Row 4: the glint sweep of the ruby, row 5 of the diamond.
    for (int f = 0; f < gen::kTokenFrames; ++f) {
        auto [x, y] = centre(f, 4);
        c.DrawSprite(caps, FrameOf(records[2], f), x, y, half);
        auto [x1, y1] = centre(f, 5);
        c.DrawSprite(caps, FrameOf(records[5], f), x1, y1, half);
    }
    // Row 6: the nine cards; row 7: a card turning over (back 0, 1, face 2, 1, 0).
    for (int k = 0; k < 9; ++k) {
        const int record = gen::kTokenRecords + k;
        const img::Image& atlas = tex[size_t(3 + gen::MemoryAtlasOf(record))];
        auto [x, y] = centre(k, 6);
        c.DrawSprite(atlas, FrameOf(records[size_t(record)], 0), x, y, cardHalf);
    }
    const int turnRecord[5] = {gen::kBackRecord, gen::kBackRecord, 10, 10, 10};
    const int turnFrame[5] = {0, 1, 2, 1, 0};
    for (int k = 0; k < 5; ++k) {
        const int record = turnRecord[k];
        const img::Image& atlas = tex[size_t(3 + gen::MemoryAtlasOf(record))];
        auto [x, y] = centre(k, 7);
        c.DrawSprite(atlas, FrameOf(records[size_t(record)], turnFrame[k]), x, y, cardHalf);
    }
    // The light pass on two cards.
    for (int k = 5; k < 7; ++k) {
        const int record = k == 5 ? gen::kBackRecord : 12;
        const size_t m = size_t(gen::MemoryAtlasOf(record));
        auto [x, y] = centre(k, 7);
        c.DrawSprite(tex[3 + m], FrameOf(records[size_t(record)], 0), x, y, cardHalf);
        c.DrawLight(tex[6 + m], FrameOf(records[size_t(record)], 0), spot, x, y, cardHalf, 0, 0);
    }
    // Row 8: the tokens over a light sand board.
    c.Fill(0, int(8 * pitch), width, int(9 * pitch), 0.78f, 0.68f, 0.50f);
    for (int k = 0; k < 8; ++k) {
        auto [x, y] = centre(k, 8);
        c.DrawSprite(caps, FrameOf(records[size_t(k)], 0), x, y, half);
        if (k >= 5)
            c.DrawChain(chain, k - 4, x, y, half);
    }
    // Rows 9..12: four tokens at twice the size.
    for (int k = 0; k < 5; ++k) {
        const float x = (k * 2 + 1.0f) * pitch, y = 10.5f * pitch;
        c.DrawSprite(caps, FrameOf(records[size_t(k == 4 ? 7 : k * 2)], 0), x, y, half * 2);
        if (k == 3)
            c.DrawChain(chain, 2, x, y, half * 2);
    }
    rgb = c.Bytes();
    return true;
}

}  // namespace capspreview
