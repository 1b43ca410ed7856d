#include "FxPreview.h"

#include <algorithm>
#include <cmath>

#include "engine/IniHelpers.h"
#include "playfield/GemsBar.h"
#include "playfield/QuestFieldLayout.h"

namespace fxpreview {

namespace {

constexpr float kPi = 3.14159265f;

const img::Image& Picture(const Pictures& pictures, const std::string& name) {
    static const img::Image empty;
    const auto it = pictures.find(name);
    return it == pictures.end() ? empty : it->second;
}

// Virtual units (origin at the screen centre, y up) to canvas pixels.
float Px(float x) { return x + 512.0f; }
float Py(float y) { return 384.0f - y; }

const float kWhite[4] = {1, 1, 1, 1};

void Tint(uint32_t argb, float out[4]) {
    out[0] = float((argb >> 16) & 0xFF) / 255.0f;
    out[1] = float((argb >> 8) & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f;
    out[3] = float(argb >> 24) / 255.0f;
}

}  // namespace

void Sample(const img::Image& t, float u, float v, float out[4]) {
    if (t.width <= 0 || t.height <= 0) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
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
    for (size_t i = 0; i < rgb_.size(); i += 3) {
        rgb_[i] = r;
        rgb_[i + 1] = g;
        rgb_[i + 2] = b;
    }
}

void Canvas::Quad(const img::Image& t, float u0, float v0, float u1, float v1, float cx, float cy, float ax, float ay,
                  float bx, float by, const float tint[4], Blend blend) {
    const float det = ax * by - ay * bx;
    if (std::fabs(det) < 1e-6f || t.width <= 0)
        return;
    const float reachX = std::fabs(ax) + std::fabs(bx), reachY = std::fabs(ay) + std::fabs(by);
    const int x0 = std::max(int(std::floor(cx - reachX)), 0), x1 = std::min(int(std::ceil(cx + reachX)), width_);
    const int y0 = std::max(int(std::floor(cy - reachY)), 0), y1 = std::min(int(std::ceil(cy + reachY)), height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            // p = s * a + t * b with s, t in -1..1.
            const float s = (dx * by - dy * bx) / det, q = (ax * dy - ay * dx) / det;
            if (s < -1 || s > 1 || q < -1 || q > 1)
                continue;
            float c[4];
            Sample(t, u0 + (u1 - u0) * (s + 1) * 0.5f, v0 + (v1 - v0) * (q + 1) * 0.5f, c);
            float* p = At(x, y);
            const float a = c[3] * tint[3];
            switch (blend) {
            case Blend::Normal:
                if (a < 1.0f / 255.0f)
                    break;
                for (int k = 0; k < 3; ++k)
                    p[k] = c[k] * tint[k] * a + p[k] * (1 - a);
                break;
            case Blend::Add:
                for (int k = 0; k < 3; ++k)
                    p[k] = std::min(p[k] + c[k] * tint[k] * a, 1.0f);
                break;
            case Blend::Multiply:
                for (int k = 0; k < 3; ++k)
                    p[k] *= 1 - c[k] * tint[k] * tint[3];
                break;
            case Blend::Screen:
                for (int k = 0; k < 3; ++k) {
                    const float src = c[k] * tint[k] * tint[3];
                    p[k] = src + p[k] * (1 - src);
                }
                break;
            }
        }
}

void Canvas::Rect(const img::Image& t, float u0, float v0, float u1, float v1, float cx, float cy, float w, float h,
                  const float tint[4], Blend blend) {
    Quad(t, u0, v0, u1, v1, cx, cy, 0.5f * w, 0, 0, 0.5f * h, tint, blend);
}

void Canvas::Paste(const Canvas& other, int x, int y, int shrink) {
    shrink = std::max(shrink, 1);
    for (int ty = 0; ty < other.Height() / shrink; ++ty)
        for (int tx = 0; tx < other.Width() / shrink; ++tx) {
            if (x + tx >= width_ || y + ty >= height_ || x + tx < 0 || y + ty < 0)
                continue;
            float sum[3] = {0, 0, 0};
            for (int sy = 0; sy < shrink; ++sy)
                for (int sx = 0; sx < shrink; ++sx)
                    for (int k = 0; k < 3; ++k)
                        sum[k] += other.At(tx * shrink + sx, ty * shrink + sy)[k];
            for (int k = 0; k < 3; ++k)
                At(x + tx, y + ty)[k] = sum[k] / float(shrink * shrink);
        }
}

Canvas Canvas::Crop(int x, int y, int w, int h, int zoom) const {
    zoom = std::max(zoom, 1);
    Canvas out(w * zoom, h * zoom);
    for (int ty = 0; ty < out.Height(); ++ty)
        for (int tx = 0; tx < out.Width(); ++tx) {
            const int sx = std::clamp(x + tx / zoom, 0, width_ - 1), sy = std::clamp(y + ty / zoom, 0, height_ - 1);
            for (int k = 0; k < 3; ++k)
                out.At(tx, ty)[k] = At(sx, sy)[k];
        }
    return out;
}

std::vector<uint8_t> Canvas::Bytes() const {
    std::vector<uint8_t> out(rgb_.size());
    for (size_t i = 0; i < rgb_.size(); ++i)
        out[i] = uint8_t(std::lround(std::clamp(rgb_[i], 0.0f, 1.0f) * 255.0f));
    return out;
}

void Canvas::Mean(int x0, int y0, int x1, int y1, float out[3]) const {
    out[0] = out[1] = out[2] = 0;
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x, ++n)
            for (int k = 0; k < 3; ++k)
                out[k] += At(x, y)[k];
    if (n)
        for (int k = 0; k < 3; ++k)
            out[k] /= float(n);
}

namespace {

// A board cell's centre in virtual units.
struct Board {
    float ox, oy;
    float cx(int i) const { return ox + 83.0f * float(i) + 41.5f; }
    float cy(int j) const { return oy - 83.0f * float(j) - 41.5f; }
};

void DrawTokens(Canvas& c, const Pictures& pics, const Board& b) {
    const img::Image& caps = Picture(pics, "Data/Gfx/Caps.png");
    if (caps.width == 0)
        return;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            if ((i == 3 && j == 3) || (i == 4 && j == 3))
                continue;  // a gap, to show the tiles
            int record = (i * 3 + j * 5 + (i * j) % 3) % 7;
            if ((i == 7 && j == 7) || (i == 0 && j == 6))
                record = 7;
            const float v0 = float(record) * 128.0f / 1024.0f;
            c.Rect(caps, 0, v0, 128.0f / 1024.0f, v0 + 128.0f / 1024.0f, Px(b.cx(i)), Py(b.cy(j)), 78, 78, kWhite,
                   Blend::Normal);
        }
}

// A sprite of the bonus sheets: texel rectangle of a 256-texel sheet.
void Piece(Canvas& c, const img::Image& sheet, float x0, float y0, float x1, float y1, float cx, float cy, float w,
           float h, const float tint[4], Blend blend, float angle = 0) {
    const float sw = float(sheet.width), sh = float(sheet.height);
    const float ca = std::cos(angle), sa = std::sin(angle);
    c.Quad(sheet, x0 / sw, y0 / sh, x1 / sw, y1 / sh, cx, cy, 0.5f * w * ca, 0.5f * w * sa, -0.5f * h * sa,
           0.5f * h * ca, tint, blend);
}

void DrawBonuses(Canvas& c, const Pictures& pics, const Board& b, const std::string& gemsFile) {
    const float scale = 39.0f / 38.0f;
    // Gem bonus (colour 2) on cell (2, 2): halo, two big flares, small flares.
    {
        const img::Image& lights = Picture(pics, "Data/Gfx/AllGemLights.jpg");
        const img::Image& alpha = Picture(pics, "Data/Gfx/AllGemLights_alpha.jpg");
        img::Image halo = lights;
        for (size_t i = 0; i + 3 < halo.rgba.size() && i < alpha.rgba.size(); i += 4)
            halo.rgba[i + 3] = alpha.rgba[i + 1];
        const float size = GetIniFloat(gemsFile, "Halo", "Size", "128") * scale;
        const float x = Px(b.cx(2)), y = Py(b.cy(2));
        const int colour = 2;
        const float u = 0.25f * float(colour % 4), v = 0.5f * float(colour / 4);
        const float haloTint[4] = {1, 1, 1, 0.85f};
        c.Rect(halo, u, v, u + 0.25f, v + 0.5f, x, y, size, size, haloTint, Blend::Add);
        const img::Image& flares = Picture(pics, "Data/Gfx/GemFlares.tga");
        const float big = GetIniFloat(gemsFile, "BigFlares", "Size", "64") * scale;
        c.Rect(flares, 0, 0, 0.5f, 0.5f, x - 9, y - 8, big * 0.8f, big * 0.8f, kWhite, Blend::Add);
        c.Rect(flares, 0.5f, 0, 1, 0.5f, x + 8, y + 10, big * 0.3f, big * 0.3f, kWhite, Blend::Add);
        const float small = GetIniFloat(gemsFile, "SmallFlares", "Size", "8") * scale;
        for (int k = 0; k < 4; ++k)
            c.Rect(flares, 0.25f * float(k), 0.625f, 0.25f * float(k + 1), 0.875f, x + 14.0f * std::cos(float(k) * 2.1f),
                   y + 12.0f * std::sin(float(k) * 2.1f), small * 2, small * 2, kWhite, Blend::Add);
    }
    // TNT tier 2 on (5, 1): fuse part, body, three wire sparks.
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus1.png");
        const float x = Px(b.cx(5)), y = Py(b.cy(1));
        Piece(c, s, 172, 0, 256, 92, x, y, 84 * scale, 92 * scale, kWhite, Blend::Normal);
        Piece(c, s, 0, 92, 86, 184, x, y, 86 * scale, 92 * scale, kWhite, Blend::Normal);
        const float rows[3] = {46, 68, 90};
        for (int i = 0; i < 3; ++i) {
            const float a = 2.6f + float(i) * 0.9f;
            const float sx = 64.0f + 30.0f * std::cos(a) - 64.0f, sy = rows[i] - 64.0f + 5.0f * std::fabs(std::sin(a));
            Piece(c, s, 32.0f * float(i * 2), 188, 32.0f * float(i * 2 + 1), 220, x + sx, y + sy, 32, 32, kWhite, Blend::Add);
        }
    }
    // Flash variant 3 on (1, 5): halo, glow, core, sparks, picture.
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus2.tga");
        const float x = Px(b.cx(1)), y = Py(b.cy(5));
        const float half[4] = {1, 1, 1, 0.5f};
        Piece(c, s, 178, 2, 254, 78, x, y, 76 * scale, 76 * scale, half, Blend::Multiply);
        Piece(c, s, 178, 82, 254, 158, x, y, 76 * scale, 76 * scale, half, Blend::Add);
        for (int k = 0; k < 3; ++k) {
            const float a = 0.7f + float(k) * 2.1f;
            const float len = 30.0f * 1.1228f * scale;
            Piece(c, s, 32.0f * float(k), 188, 32.0f * float(k + 1), 252, x + std::sin(a) * len * 0.39f,
                  y - std::cos(a) * len * 0.39f, 16 * scale, len, kWhite, Blend::Add, a);
        }
        Piece(c, s, 88, 92, 176, 184, x, y, 88 * scale, 92 * scale, kWhite, Blend::Normal);
        const float core[4] = {1, 1, 1, 0.5f};
        Piece(c, s, 224, 160, 248, 184, x, y, 16 * scale, 16 * scale, core, Blend::Add);
    }
    // Clock variant 2 on (6, 4).
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus3.tga");
        const float x = Px(b.cx(6)), y = Py(b.cy(4));
        Piece(c, s, 0, 0, 90, 90, x, y, 90 * scale, 90 * scale, kWhite, Blend::Multiply);
        Piece(c, s, 90, 0, 180, 90, x, y, 90 * scale, 90 * scale, kWhite, Blend::Add);
        Piece(c, s, 180, 76, 256, 152, x, y, 76 * scale, 76 * scale, kWhite, Blend::Add);
        // Hands at ten past two: pivot near their hub (shadows one texel lower right).
        const float shortA = -kPi / 2 + kPi / 3, longA = -kPi / 2 + kPi / 3 * 0.2f;
        const auto hand = [&](float x0, float y0, float x1, float y1, float w, float hub, float angle, Blend bl, float off) {
            const float cxh = x + off + std::cos(angle) * (0.5f * w - hub), cyh = y + off + std::sin(angle) * (0.5f * w - hub);
            Piece(c, s, x0, y0, x1, y1, cxh, cyh, w * scale, 14 * scale, kWhite, bl, angle);
        };
        hand(162, 228, 204, 242, 42, 6, shortA, Blend::Multiply, 1.5f);
        hand(204, 228, 256, 242, 52, 6, longA, Blend::Multiply, 1.5f);
        hand(162, 242, 204, 256, 42, 7, shortA, Blend::Add, 0);
        hand(204, 242, 256, 256, 52, 7, longA, Blend::Add, 0);
    }
    // Adviser variant 3 on (3, 6): frame shadow, glass, the two half pictures.
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus4.tga");
        const float x = Px(b.cx(3)), y = Py(b.cy(6));
        Piece(c, s, 140, 88, 232, 182, x, y, 92 * scale, 94 * scale, kWhite, Blend::Multiply);
        const float glass[4] = {1, 1, 1, 0.5f};
        Piece(c, s, 178, 2, 252, 76, x + 3, y + 6, 74 * scale, 74 * scale, glass, Blend::Add, 0.6f);
        Piece(c, s, 88, 88, 132, 176, x - 1 - 22 * scale, y + 1, 44 * scale, 88 * scale, kWhite, Blend::Normal);
        Piece(c, s, 44, 88, 88, 176, x - 1 + 22 * scale, y + 1, 44 * scale, 88 * scale, kWhite, Blend::Normal);
        // And the hint arrow bobbing over the cell to its right.
        Piece(c, s, 0, 180, 64, 212, Px(b.cx(4)), Py(b.cy(6)) - 30, 64, 32, kWhite, Blend::Normal);
    }
    // Score tier 2 on (6, 6): chest and seven coins on their ring.
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus3.tga");
        const float x = Px(b.cx(6)), y = Py(b.cy(6));
        Piece(c, s, 4, 166, 54, 202, x, y, 50 * scale, 36 * scale, kWhite, Blend::Normal);
        for (int i = 0; i < 7; ++i) {
            const float a = -kPi / 2 + float(i) * 2 * kPi / 7;
            const int k = i % 8;
            const float left = 54.0f + 24.0f * float(k / 4), top = 94.0f + 24.0f * float(k % 4);
            Piece(c, s, left, top, left + 24, top + 24, x + 42 * scale * std::cos(a), y + 42 * scale * std::sin(a),
                  24 * scale, 24 * scale, kWhite, Blend::Normal, a + kPi / 2);
        }
    }
    // Solidarity variant 2 on (0, 0): two rings, four tails, the core.
    {
        const img::Image& s = Picture(pics, "Data/Gfx/Bonus5.tga");
        const float x = Px(b.cx(0)), y = Py(b.cy(0));
        const float ring1[4] = {1, 1, 1, 0.9f}, ring2[4] = {1, 1, 1, 0.4f};
        Piece(c, s, 0, 64, 64, 128, x, y, 40, 40, ring1, Blend::Screen);
        Piece(c, s, 0, 64, 64, 128, x, y, 70, 70, ring2, Blend::Screen);
        for (int k = 0; k < 4; ++k) {
            const float a = float(k) * kPi / 2 + 0.3f;
            Piece(c, s, 40.0f * float(k), 0, 40.0f * float(k) + 64, 64, x + 16 * std::cos(a), y + 16 * std::sin(a), 32, 16,
                  kWhite, Blend::Screen, a);
        }
        Piece(c, s, 64, 64, 128, 128, x, y, 32, 32, kWhite, Blend::Add);
    }
    // A bolt of the match discharge along row 7, with glow quads.
    {
        const img::Image& bolt = Picture(pics, "Data/Gfx/Lightning.jpg");
        const img::Image& spark = Picture(pics, "Data/Gfx/Spark.bmp");
        const float blue[4] = {0.6f, 0.75f, 1.0f, 1.0f};
        const float y = Py(b.cy(7));
        for (int i = 1; i < 6; ++i) {
            const float x0 = Px(b.cx(i)), x1 = Px(b.cx(i + 1));
            const float wob = (i % 2 ? 6.0f : -5.0f);
            // u runs across a segment, v along it.
            c.Quad(bolt, 0, 0, 1, 1, 0.5f * (x0 + x1), y + wob * 0.5f, 0, 10, 0.5f * (x1 - x0), wob * 0.5f, blue, Blend::Add);
        }
        const float glow[4] = {1.0f, 0.85f, 0.6f, 0.8f};
        for (int i = 1; i <= 6; ++i)
            c.Rect(spark, 0, 0, 1, 1, Px(b.cx(i)), y, 80, 80, glow, Blend::Add);
    }
}

void DrawSandbox(Canvas& c, const Pictures& pics, const CQuestFieldLayout& layout) {
    const float bx = layout.SandRect[0], by = layout.SandRect[1], bw = layout.SandRect[3], bh = layout.SandRect[4];
    const img::Image& sand = Picture(pics, "Data/Gfx/Sandbox.jpg");
    // A sand surface of dunes about half full.
    for (int px = int(Px(bx)); px < int(Px(bx + bw)); ++px) {
        const float t = (float(px) - Px(bx)) / bw;
        const float h = 0.45f + 0.18f * std::sin(t * 9.0f) + 0.1f * std::sin(t * 23.0f);
        const float u = t * 2.5f;
        for (int py = int(Py(by - bh)) - 1; py >= int(Py(by - bh * h)); --py) {
            const float f = (Py(by - bh) - float(py)) / bh;  // 0 at the floor
            float s[4];
            Sample(sand, u - std::floor(u), 0.5f - 0.5f * f, s);
            if (px >= 0 && px < c.Width() && py >= 0 && py < c.Height())
                for (int k = 0; k < 3; ++k)
                    c.At(px, py)[k] = s[k];
        }
    }
    // The front panel: glass tinted by the layout's colour, then the rim, in three strips each.
    const float ox = bx + layout.SandboxFrontShift[0], oy = by + layout.SandboxFrontShift[1];
    struct Strip {
        float x, w, u0, u1, v0, v1;
    };
    const Strip strips[3] = {{0, 242, 0, 0.9453125f, 0, 0.328125f},
                             {242, 176, 0.15625f, 0.84375f, 0.328125f, 0.65625f},
                             {418, 240, 0.0625f, 1.0f, 0.65625f, 0.984375f}};
    float glass[4];
    Tint(layout.SandboxGlassColour, glass);
    for (const char* name : {"Data/Gfx/SandboxGlass.tga", "Data/Gfx/SandboxFront.png"}) {
        const img::Image& t = Picture(pics, name);
        const bool isGlass = std::string(name).find("Glass") != std::string::npos;
        for (const Strip& s : strips)
            c.Rect(t, s.u0, s.v0, s.u1, s.v1, Px(ox + s.x + 0.5f * s.w), Py(oy - 21.0f), s.w, 42, isGlass ? glass : kWhite,
                   Blend::Normal);
    }
    // Seven stars of the frenzy bar lit.
    const img::Image& star = Picture(pics, "Data/Gfx/ScoreFrenzyStar.png");
    float bar[4];
    Tint(layout.FrenzyBarColour | 0xFF000000u, bar);
    for (int k = 0; k < 7; ++k)
        c.Rect(star, 0, 0, 1, 1, Px(bx + layout.FrenzyBarShift[0] + layout.FrenzyBarElementSize[0] * (float(k) + 0.5f)),
               Py(by + layout.FrenzyBarShift[1] - 0.5f * layout.FrenzyBarElementSize[1]), layout.FrenzyBarElementSize[0],
               layout.FrenzyBarElementSize[1], bar, Blend::Add);
}

}  // namespace

Canvas ComposeBoard(const Pictures& pics, const std::string& skinFile, const std::string& gemsFile) {
    Canvas c(1024, 768);
    const img::Image& backdrop = Picture(pics, "Data/Gfx/Backdrop1.jpg");
    c.Rect(backdrop, 0, 0, 1, 1, 512, 384, 1024, 768, kWhite, Blend::Normal);
    CQuestFieldLayout layout;
    layout.Load(skinFile);
    const img::Image* textures[2] = {&Picture(pics, "Data/Gfx/FieldFrame.png"), &Picture(pics, "Data/Gfx/FieldBack.jpg")};
    const Board board{layout.BaseOrigin[0], layout.BaseOrigin[1]};
    for (size_t e = 0; e < layout.FrameRects.size(); ++e) {
        const CFrameRect& r = layout.FrameRects[e];
        const int t = layout.FrameTextures[e];
        if (t < 0 || t > 1)
            continue;
        float tint[4];
        Tint(layout.FrameColours[e], tint);
        const Blend blend = layout.FrameMethods[e] == 1 ? Blend::Add
                            : layout.FrameMethods[e] == 2 ? Blend::Multiply
                            : layout.FrameMethods[e] == 3 ? Blend::Screen
                                                          : Blend::Normal;
        c.Rect(*textures[t], layout.FrameUVs[4 * e].U, layout.FrameUVs[4 * e].V, layout.FrameUVs[4 * e + 2].U,
               layout.FrameUVs[4 * e + 2].V, Px(board.ox + r.X + 0.5f * r.Width), Py(board.oy + r.Y - 0.5f * r.Height),
               r.Width, r.Height, tint, blend);
    }
    DrawSandbox(c, pics, layout);
    DrawTokens(c, pics, board);
    DrawBonuses(c, pics, board, gemsFile);
    // Gems in the gem bar: a few of each colour.
    CGemsBar bar;
    bar.LoadLayout(skinFile);
    bar.Place(layout.BaseOrigin[0], layout.BaseOrigin[1], layout.BaseOrigin[2]);
    const img::Image& gems = Picture(pics, "Data/Gfx/AllGems.png");
    for (int colour = 0; colour < 7; ++colour)
        for (int n = 1; n <= 3 + colour % 4; ++n) {
            float at[3];
            bar.GemTarget(at, colour, n);
            const float u = 0.1875f * float(colour % 4), v = 0.375f * float(colour / 4);
            c.Rect(gems, u, v, u + 0.1875f, v + 0.375f, Px(at[0]), Py(at[1]), bar.GemSize, bar.GemSize, kWhite, Blend::Normal);
        }
    return c;
}

Canvas ComposeSprites(const Pictures& pics) {
    struct Item {
        const char* name;
        int w, h;
    };
    const Item items[] = {{"Data/Gfx/Spark.bmp", 128, 128},        {"Data/Gfx/StarParticle.bmp", 128, 128},
                          {"Data/Gfx/SpellFuzzy.bmp", 128, 128},   {"Data/Gfx/Halo1.tga", 128, 128},
                          {"Data/Gfx/Ring.tga", 128, 128},         {"Data/Gfx/Twirl.tga", 256, 256},
                          {"Data/Gfx/Lightning.jpg", 64, 256},     {"Data/Gfx/Flare.jpg", 256, 256},
                          {"Data/Gfx/JungleFlash.tga", 256, 256},  {"Data/Gfx/PanelGlass.tga", 256, 256},
                          {"Data/Gfx/SmallSand.tga", 256, 256},    {"Data/Gfx/Cloud.jpg", 256, 256},
                          {"Data/Gfx/FireCloud.jpg", 256, 256},    {"Data/Gfx/GemFlares.tga", 256, 256},
                          {"Data/Gfx/AllGemLights.jpg", 512, 256}, {"Data/Gfx/AllGems.png", 512, 256},
                          {"Data/Gfx/Bonus1.png", 512, 512},       {"Data/Gfx/Bonus2.tga", 512, 512},
                          {"Data/Gfx/Bonus3.tga", 512, 512},       {"Data/Gfx/Bonus4.tga", 512, 512},
                          {"Data/Gfx/Bonus5.tga", 512, 256},       {"Data/Gfx/Sandbox.jpg", 256, 256},
                          {"Data/Gfx/SandboxGlass.tga", 512, 256}, {"Data/Gfx/SandboxFront.png", 512, 256},
                          {"Data/Gfx/ScoreFrenzyStar.png", 128, 128}};
    Canvas c(2048, 2800, 0, 0, 0);
    int x = 8, y = 8, rowHeight = 0;
    for (const Item& it : items) {
        if (x + it.w * 2 + 16 > c.Width()) {
            x = 8;
            y += rowHeight + 12;
            rowHeight = 0;
        }
        const img::Image& t = Picture(pics, it.name);
        // Grey check behind the right copy, black behind the left.
        for (int py = y; py < y + it.h && py < c.Height(); ++py)
            for (int px = x + it.w + 4; px < x + 2 * it.w + 4 && px < c.Width(); ++px) {
                const float g = ((px / 16 + py / 16) % 2) ? 0.45f : 0.3f;
                c.At(px, py)[0] = c.At(px, py)[1] = c.At(px, py)[2] = g;
            }
        if (std::string(it.name).find("AllGemLights") != std::string::npos) {
            img::Image withAlpha = t;
            const img::Image& alpha = Picture(pics, "Data/Gfx/AllGemLights_alpha.jpg");
            for (size_t i = 0; i + 3 < withAlpha.rgba.size() && i < alpha.rgba.size(); i += 4)
                withAlpha.rgba[i + 3] = alpha.rgba[i + 1];
            c.Rect(withAlpha, 0, 0, 1, 1, float(x) + 0.5f * float(it.w), float(y) + 0.5f * float(it.h), float(it.w), float(it.h),
                   kWhite, Blend::Add);
            c.Rect(withAlpha, 0, 0, 1, 1, float(x + it.w + 4) + 0.5f * float(it.w), float(y) + 0.5f * float(it.h), float(it.w),
                   float(it.h), kWhite, Blend::Normal);
        } else {
            c.Rect(t, 0, 0, 1, 1, float(x) + 0.5f * float(it.w), float(y) + 0.5f * float(it.h), float(it.w), float(it.h), kWhite,
                   Blend::Normal);
            c.Rect(t, 0, 0, 1, 1, float(x + it.w + 4) + 0.5f * float(it.w), float(y) + 0.5f * float(it.h), float(it.w),
                   float(it.h), kWhite, Blend::Normal);
        }
        x += 2 * it.w + 16;
        rowHeight = std::max(rowHeight, it.h);
    }
    return c;
}

Canvas ComposeScenes(const Pictures& pics) {
    Canvas c(1536, 3 * 520, 0.05f, 0.05f, 0.05f);
    const char* names[] = {"Data/Gfx/Backdrop1.jpg", "Data/Gfx/Backdrop5.jpg", "fsdata/splash1.jpg",
                           "fsdata/splash2.jpg",     "Data/Gfx/Loading.jpg",   "Data/Gfx/FieldBack.jpg"};
    int i = 0;
    for (const char* name : names) {
        const img::Image& t = Picture(pics, name);
        Canvas full(1024, 1024, 0, 0, 0);
        full.Rect(t, 0, 0, 1, 1, 0.5f * float(t.width), 0.5f * float(t.height), float(t.width), float(t.height), kWhite,
                  Blend::Normal);
        c.Paste(full, (i % 3) * 512, (i / 3) * 520, 2);
        ++i;
    }
    return c;
}

}  // namespace fxpreview
