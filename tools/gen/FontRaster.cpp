#include "FontRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <limits>

namespace gen {

namespace {

constexpr int kSuper = 4;   // glyphs are drawn this many times larger, then filtered down
constexpr int kGutter = 2;  // transparent texels between pictures and around the texture
constexpr int kMargin = 1;  // transparent texels inside each picture's own rectangle
constexpr int kTabSpaces = 4;
constexpr float kFar = 1e20f;

struct FtLibrary {
    FT_Library handle = nullptr;
    ~FtLibrary() {
        if (handle)
            FT_Done_FreeType(handle);
    }
};

struct FtFace {
    FT_Face handle = nullptr;
    ~FtFace() {
        if (handle)
            FT_Done_Face(handle);
    }
};

// One character code's place in the texture and on the line. Boxes are in
// texels relative to the pen on the baseline, x to the right, y downwards.
struct GlyphPlan {
    FT_UInt index = 0;     // 0: no outline glyph
    bool picture = false;  // has ink to draw
    float advance = 0;     // texels
    int inkX0 = 0, inkY0 = 0, inkX1 = 0, inkY1 = 0;  // ink, rounded outwards
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;              // picture: ink plus effects and margin
    int atlasX = 0, atlasY = 0;
    // A digit's outline stretched upwards (16.16) and raised (26.6) to lining.
    FT_Fixed liningScale = 0x10000;
    FT_Pos liningRaise = 0;
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
};

struct Layout {
    GlyphPlan glyphs[256];
    int ascent = 0;
    int descent = 0;
    int missing = 0;
};

struct Pads {
    int left = 0, right = 0, top = 0, bottom = 0;
};

int BlurRadius(const FontLook& look) {
    // Beyond 2.5 sigma the shadow is under 1% of its strength.
    return look.shadowBlur > 0 ? int(std::ceil(2.5f * look.shadowBlur)) : 0;
}

bool HasShadow(const FontLook& look) { return look.shadowOpacity > 0; }
bool HasOutline(const FontLook& look) { return look.outlineWidth > 0; }

// How far outline and shadow reach beyond the ink, plus the transparent margin.
Pads EffectPads(const FontLook& look) {
    const float o = std::max(0.0f, look.outlineWidth);
    float left = o, right = o, top = o, bottom = o;
    if (HasShadow(look)) {
        const float reach = o + float(BlurRadius(look));
        left = std::max(left, reach - look.shadowDx);
        right = std::max(right, reach + look.shadowDx);
        top = std::max(top, reach - look.shadowDy);
        bottom = std::max(bottom, reach + look.shadowDy);
    }
    return {int(std::ceil(left)) + kMargin, int(std::ceil(right)) + kMargin,
            int(std::ceil(top)) + kMargin, int(std::ceil(bottom)) + kMargin};
}

// A digit whose ink already spans the baseline to the capitals' height
// within this share of that height is left as drawn.
constexpr float kLiningTolerance = 0.04f;

void ApplyLining(FT_Outline& outline, const GlyphPlan& g) {
    if (g.liningScale == 0x10000 && g.liningRaise == 0)
        return;
    FT_Matrix stretch = {0x10000, 0, 0, g.liningScale};
    FT_Outline_Transform(&outline, &stretch);
    FT_Outline_Translate(&outline, 0, g.liningRaise);
}

// The top of the capitals in 26.6 units at the face's current size; 0 when
// the face has no 'H' to measure.
FT_Pos CapitalTop(FT_Face face) {
    const FT_UInt h = FT_Get_Char_Index(face, 'H');
    if (h == 0 || FT_Load_Glyph(face, h, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return 0;
    FT_BBox box;
    FT_Outline_Get_CBox(&face->glyph->outline, &box);
    return std::max<FT_Pos>(box.yMax, 0);
}

// Plans the stretch that takes a digit's ink from [yMin, yMax] to the
// baseline and the capitals' top.
void PlanLining(const FT_BBox& ink, FT_Pos capTop, GlyphPlan& g) {
    const FT_Pos span = ink.yMax - ink.yMin;
    const float slack = kLiningTolerance * float(capTop);
    if (capTop <= 0 || span <= 0 ||
        (std::abs(float(ink.yMin)) <= slack && std::abs(float(ink.yMax - capTop)) <= slack))
        return;
    const double scale = double(capTop) / double(span);
    g.liningScale = FT_Fixed(std::lround(scale * 65536.0));
    g.liningRaise = FT_Pos(std::lround(-double(ink.yMin) * scale));
}

bool IsLetterOrDigit(int code) {
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') ||
           (code >= 'a' && code <= 'z');
}

// Loads every glyph's outline at `pixelSize` (times kSuper) and works out
// its box and advance, without drawing.
bool MeasureGlyphs(FT_Face face, int pixelSize, const FontStyle& style, Layout& layout,
                   std::string& error) {
    const FontLook& look = style.look;
    layout = Layout{};
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize * kSuper)) != 0) {
        error = "the font cannot be scaled";
        return false;
    }
    const Pads pads = EffectPads(look);
    const FT_Pos capTop = style.liningFigures ? CapitalTop(face) : 0;
    const float toTexels = 1.0f / (64.0f * kSuper);
    for (int code = 0; code < 256; ++code) {
        GlyphPlan& g = layout.glyphs[code];
        const uint32_t cp = CodeToUnicode(code);
        if (cp == 0)
            continue;
        g.index = FT_Get_Char_Index(face, cp);
        if (g.index == 0 ||
            FT_Load_Glyph(face, g.index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            g.index = 0;
            if (code != 32 && code != 160)
                ++layout.missing;
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        g.advance = float(slot->linearHoriAdvance) / 65536.0f / kSuper;
        if (!std::isfinite(g.advance) || g.advance < 0)
            g.advance = 0;
        if (slot->outline.n_contours <= 0 || code == 32 || code == 160)
            continue;
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        if (code >= '0' && code <= '9') {
            PlanLining(box, capTop, g);
            ApplyLining(slot->outline, g);
            FT_Outline_Get_CBox(&slot->outline, &box);
        }
        if (box.xMax <= box.xMin || box.yMax <= box.yMin)
            continue;
        g.picture = true;
        g.inkX0 = int(std::floor(float(box.xMin) * toTexels));
        g.inkX1 = int(std::ceil(float(box.xMax) * toTexels));
        g.inkY0 = int(std::floor(-float(box.yMax) * toTexels));
        g.inkY1 = int(std::ceil(-float(box.yMin) * toTexels));
        g.x0 = g.inkX0 - pads.left;
        g.x1 = g.inkX1 + pads.right;
        g.y0 = g.inkY0 - pads.top;
        g.y1 = g.inkY1 + pads.bottom;
    }
    for (int code = 0; code < 256; ++code) {
        const GlyphPlan& g = layout.glyphs[code];
        if (g.picture && IsLetterOrDigit(code)) {
            layout.ascent = std::max(layout.ascent, -g.inkY0);
            layout.descent = std::max(layout.descent, g.inkY1);
        }
    }
    if (layout.ascent <= 0) {
        error = "the font has no Latin letters or digits";
        return false;
    }
    return true;
}

// Shelf packing, tallest pictures first, each picture kGutter texels away from
// its neighbours and the texture's edges. Deterministic: ties go by code.
bool PackGlyphs(Layout& layout, int width, int height) {
    int order[256];
    int count = 0;
    for (int code = 0; code < 256; ++code)
        if (layout.glyphs[code].picture)
            order[count++] = code;
    std::sort(order, order + count, [&](int a, int b) {
        const GlyphPlan& ga = layout.glyphs[a];
        const GlyphPlan& gb = layout.glyphs[b];
        if (ga.Height() != gb.Height())
            return ga.Height() > gb.Height();
        if (ga.Width() != gb.Width())
            return ga.Width() > gb.Width();
        return a < b;
    });
    int x = kGutter, y = kGutter, shelf = 0;
    for (int i = 0; i < count; ++i) {
        GlyphPlan& g = layout.glyphs[order[i]];
        if (x + g.Width() + kGutter > width) {
            x = kGutter;
            y += shelf + kGutter;
            shelf = 0;
        }
        if (x + g.Width() + kGutter > width || y + g.Height() + kGutter > height)
            return false;
        g.atlasX = x;
        g.atlasY = y;
        x += g.Width() + kGutter;
        shelf = std::max(shelf, g.Height());
    }
    return true;
}

// --- Effects ---------------------------------------------------------------

// Squared distance transform of one line: the lower envelope of the
// parabolas (x - q)^2 + f[q].
void DistanceLine(const float* f, int n, float* d, int* v, float* z) {
    auto cut = [&](int q, int p) {
        return ((f[q] + float(q) * float(q)) - (f[p] + float(p) * float(p))) / (2.0f * float(q - p));
    };
    int k = 0;
    v[0] = 0;
    z[0] = -kFar;
    z[1] = kFar;
    for (int q = 1; q < n; ++q) {
        float s = cut(q, v[k]);
        while (s <= z[k] && k > 0) {
            --k;
            s = cut(q, v[k]);
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = kFar;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < float(q))
            ++k;
        const float dq = float(q - v[k]);
        d[q] = dq * dq + f[v[k]];
    }
}

// Euclidean distance from each pixel to the nearest pixel where `target` is
// set (0 on target pixels; kFar-ish when there is none).
std::vector<float> DistanceTo(const std::vector<uint8_t>& target, int w, int h) {
    std::vector<float> grid(size_t(w) * size_t(h));
    for (size_t i = 0; i < grid.size(); ++i)
        grid[i] = target[i] ? 0.0f : kFar;
    const int n = std::max(w, h);
    std::vector<float> f(static_cast<size_t>(n)), d(static_cast<size_t>(n));
    std::vector<float> z(static_cast<size_t>(n) + 1);
    std::vector<int> v(static_cast<size_t>(n));
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y)
            f[size_t(y)] = grid[size_t(y) * w + x];
        DistanceLine(f.data(), h, d.data(), v.data(), z.data());
        for (int y = 0; y < h; ++y)
            grid[size_t(y) * w + x] = d[size_t(y)];
    }
    for (int y = 0; y < h; ++y) {
        float* row = grid.data() + size_t(y) * w;
        DistanceLine(row, w, d.data(), v.data(), z.data());
        for (int x = 0; x < w; ++x)
            row[x] = std::sqrt(d[size_t(x)]);
    }
    return grid;
}

// Separable Gaussian blur in place; values beyond the edges count as 0.
void Blur(std::vector<float>& a, int w, int h, float sigma, int radius) {
    if (sigma <= 0 || radius <= 0)
        return;
    std::vector<float> kernel(size_t(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        kernel[size_t(i + radius)] = std::exp(-float(i * i) / (2.0f * sigma * sigma));
        sum += kernel[size_t(i + radius)];
    }
    for (float& k : kernel)
        k /= sum;
    std::vector<float> tmp(a.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float acc = 0;
            for (int i = -radius; i <= radius; ++i) {
                const int sx = x + i;
                if (sx >= 0 && sx < w)
                    acc += kernel[size_t(i + radius)] * a[size_t(y) * w + sx];
            }
            tmp[size_t(y) * w + x] = acc;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float acc = 0;
            for (int i = -radius; i <= radius; ++i) {
                const int sy = y + i;
                if (sy >= 0 && sy < h)
                    acc += kernel[size_t(i + radius)] * tmp[size_t(sy) * w + x];
            }
            a[size_t(y) * w + x] = acc;
        }
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

uint8_t ToByte(float v) { return uint8_t(std::lround(Clamp01(v) * 255.0f)); }

// The colour of texels nothing covers: that of the outermost layer, so that
// filtering at a picture's edge blends towards the colour it fades into.
const float* EdgeColour(const FontLook& look) {
    if (HasOutline(look))
        return look.outlineRgb;
    if (HasShadow(look))
        return look.shadowRgb;
    return look.fillTop;
}

// Draws one glyph with its effects into the texture at its planned place.
bool DrawGlyph(FT_Face face, const GlyphPlan& g, const FontLook& look, int ascent,
               FontAtlas& atlas, std::string& error) {
    const bool loaded = FT_Load_Glyph(face, g.index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0;
    if (loaded)
        ApplyLining(face->glyph->outline, g);
    if (!loaded || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        error = "a glyph cannot be drawn";
        return false;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch < 0 || bitmap.num_grays < 2) {
        error = "unexpected glyph bitmap format";
        return false;
    }
    const int tw = g.Width(), th = g.Height();
    const int hw = tw * kSuper, hh = th * kSuper;
    const size_t hiCount = size_t(hw) * size_t(hh);

    // Coverage at the large size, placed so that texel (0, 0) of the picture
    // starts at (x0, y0) from the pen.
    std::vector<float> cover(hiCount, 0.0f);
    const int ox = face->glyph->bitmap_left - g.x0 * kSuper;
    const int oy = -face->glyph->bitmap_top - g.y0 * kSuper;
    const float grey = 1.0f / float(bitmap.num_grays - 1);
    for (unsigned r = 0; r < bitmap.rows; ++r) {
        const int y = oy + int(r);
        if (y < 0 || y >= hh)
            continue;
        const unsigned char* row = bitmap.buffer + size_t(r) * size_t(bitmap.pitch);
        for (unsigned c = 0; c < bitmap.width; ++c) {
            const int x = ox + int(c);
            if (x >= 0 && x < hw)
                cover[size_t(y) * hw + x] = float(row[c]) * grey;
        }
    }
    std::vector<uint8_t> inside(hiCount);
    for (size_t i = 0; i < hiCount; ++i)
        inside[i] = cover[i] >= 0.5f;

    // Glyph and outline together: the shape the shadow falls from.
    std::vector<float> body = cover;
    if (HasOutline(look)) {
        const std::vector<float> dist = DistanceTo(inside, hw, hh);
        const float reach = look.outlineWidth * kSuper + 0.5f;
        for (size_t i = 0; i < hiCount; ++i)
            body[i] = std::max(cover[i], Clamp01(reach - dist[i]));
    }

    // Bevel shading from the distance to the stroke's edge.
    std::vector<float> shade(hiCount, 1.0f);
    if (look.bevelWidth > 0 && look.bevelStrength > 0) {
        std::vector<uint8_t> outside(hiCount);
        for (size_t i = 0; i < hiCount; ++i)
            outside[i] = !inside[i];
        const std::vector<float> depth = DistanceTo(outside, hw, hh);
        const float band = look.bevelWidth * kSuper;
        const float lx = -0.70710678f, ly = -0.70710678f;  // towards the light, top left
        auto at = [&](int x, int y) {
            x = std::clamp(x, 0, hw - 1);
            y = std::clamp(y, 0, hh - 1);
            return std::min(depth[size_t(y) * hw + x], band * 2.0f);
        };
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < hw; ++x) {
                const size_t i = size_t(y) * hw + x;
                if (cover[i] <= 0)
                    continue;
                // Depth grows inwards, so its negative gradient is the outward normal.
                const float gx = (at(x + 1, y) - at(x - 1, y)) * 0.5f;
                const float gy = (at(x, y + 1) - at(x, y - 1)) * 0.5f;
                const float len = std::sqrt(gx * gx + gy * gy);
                if (len < 1e-4f)
                    continue;
                const float lit = -(gx * lx + gy * ly) / len;
                float t = Clamp01(1.0f - (depth[i] - 0.5f) / band);
                t = t * t * (3.0f - 2.0f * t);
                shade[i] = 1.0f + look.bevelStrength * lit * t;
            }
    }

    // Filter down to texels.
    const size_t count = size_t(tw) * size_t(th);
    std::vector<float> fillA(count, 0), fillR(count, 0), fillG(count, 0), fillB(count, 0);
    std::vector<float> bodyA(count, 0), shadowA(count, 0);
    const int sdx = int(std::lround(look.shadowDx * kSuper));
    const int sdy = int(std::lround(look.shadowDy * kSuper));
    const float norm = 1.0f / float(kSuper * kSuper);
    const float lineTop = float(-ascent);
    for (int y = 0; y < hh; ++y) {
        const float penY = float(g.y0) + (float(y) + 0.5f) / kSuper;
        const float t = Clamp01((penY - lineTop) / float(ascent));
        float colour[3];
        for (int c = 0; c < 3; ++c)
            colour[c] = look.fillTop[c] + (look.fillBottom[c] - look.fillTop[c]) * t;
        for (int x = 0; x < hw; ++x) {
            const size_t i = size_t(y) * hw + x;
            const size_t texel = size_t(y / kSuper) * tw + size_t(x / kSuper);
            const float a = cover[i];
            fillA[texel] += a * norm;
            fillR[texel] += a * Clamp01(colour[0] * shade[i]) * norm;
            fillG[texel] += a * Clamp01(colour[1] * shade[i]) * norm;
            fillB[texel] += a * Clamp01(colour[2] * shade[i]) * norm;
            bodyA[texel] += body[i] * norm;
            const int sx = x - sdx, sy = y - sdy;
            if (sx >= 0 && sx < hw && sy >= 0 && sy < hh)
                shadowA[texel] += body[size_t(sy) * hw + sx] * norm;
        }
    }
    if (HasShadow(look))
        Blur(shadowA, tw, th, look.shadowBlur, BlurRadius(look));

    // Fill over outline over shadow, composed premultiplied and stored straight.
    const float* edge = EdgeColour(look);
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            const size_t i = size_t(y) * tw + x;
            const float s = HasShadow(look) ? Clamp01(shadowA[i] * look.shadowOpacity) : 0.0f;
            const float o = HasOutline(look) ? Clamp01(bodyA[i]) : 0.0f;
            const float f = Clamp01(fillA[i]);
            const float under = o + (1 - o) * s;
            const float alpha = f + (1 - f) * under;
            const float fill[3] = {fillR[i], fillG[i], fillB[i]};
            uint8_t* px = atlas.rgba.data() +
                          (size_t(g.atlasY + y) * size_t(atlas.width) + size_t(g.atlasX + x)) * 4;
            const uint8_t a = ToByte(alpha);
            for (int c = 0; c < 3; ++c) {
                const float p = fill[c] + (1 - f) * (o * look.outlineRgb[c] +
                                                     (1 - o) * s * look.shadowRgb[c]);
                px[c] = a ? ToByte(p / alpha) : ToByte(edge[c]);
            }
            px[3] = a;
        }
    return true;
}

}  // namespace

uint32_t CodeToUnicode(int code) {
    static const uint16_t k1252[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (code < 32 || code == 127 || code > 255)
        return 0;
    if (code >= 128 && code < 160)
        return k1252[code - 128];
    return uint32_t(code);
}

bool RasteriseFont(const std::string& fontFile, const FontStyle& style, FontAtlas& out,
                   std::string& error) {
    out = FontAtlas{};
    if (style.atlasWidth < 16 || style.atlasHeight < 16 || style.atlasWidth > 8192 ||
        style.atlasHeight > 8192 || style.minPixelSize < 4 ||
        style.maxPixelSize < style.minPixelSize || style.maxPixelSize > 512) {
        error = "bad font style";
        return false;
    }
    FtLibrary library;
    if (FT_Init_FreeType(&library.handle) != 0) {
        error = "FreeType cannot start";
        return false;
    }
    FtFace face;
    if (FT_New_Face(library.handle, fontFile.c_str(), 0, &face.handle) != 0) {
        error = "not a font FreeType can read";
        return false;
    }
    if (!FT_IS_SCALABLE(face.handle) ||
        FT_Select_Charmap(face.handle, FT_ENCODING_UNICODE) != 0) {
        error = "not a scalable font with a Unicode character map";
        return false;
    }

    // The largest size at which everything fits.
    Layout layout;
    auto fits = [&](int size) {
        std::string ignored;
        return MeasureGlyphs(face.handle, size, style, layout, ignored) &&
               PackGlyphs(layout, style.atlasWidth, style.atlasHeight);
    };
    if (!MeasureGlyphs(face.handle, style.minPixelSize, style, layout, error))
        return false;
    if (!PackGlyphs(layout, style.atlasWidth, style.atlasHeight)) {
        error = "the glyphs do not fit the texture";
        return false;
    }
    int lo = style.minPixelSize, hi = style.maxPixelSize;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    // Packing is not strictly monotonic in the size; look a little higher.
    for (int size = std::min(lo + 4, style.maxPixelSize); size > lo; --size)
        if (fits(size)) {
            lo = size;
            break;
        }
    if (!fits(lo)) {
        error = "the glyphs do not fit the texture";
        return false;
    }

    out.width = style.atlasWidth;
    out.height = style.atlasHeight;
    out.pixelSize = lo;
    out.ascent = layout.ascent;
    out.lineHeight = layout.ascent + layout.descent;
    out.missing = layout.missing;
    out.rgba.assign(size_t(out.width) * size_t(out.height) * 4, 0);
    const float* edge = EdgeColour(style.look);
    for (size_t i = 0; i < out.rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            out.rgba[i + size_t(c)] = ToByte(edge[c]);

    const float unit = 1.0f / float(out.lineHeight);
    FontDescription& d = out.description;
    const GlyphPlan& blank = layout.glyphs[32];
    const float space = blank.index ? blank.advance : 0.25f * float(lo);
    for (int code = 0; code < 256; ++code) {
        const GlyphPlan& g = layout.glyphs[code];
        GlyphMetrics& m = d.glyphs[size_t(code)];
        if (code == 9) {
            m.advance = kTabSpaces * space * unit;
            continue;
        }
        if (CodeToUnicode(code) == 0)
            continue;
        m.advance = (g.index ? g.advance : space) * unit;
        if (!g.picture)
            continue;
        if (!DrawGlyph(face.handle, g, style.look, layout.ascent, out, error))
            return false;
        ++out.pictures;
        m.width = float(g.Width()) * unit;
        m.height = float(g.Height()) * unit;
        m.left = float(g.x0) * unit;
        m.top = float(layout.ascent + g.y0) * unit;
        m.uLeft = float(g.atlasX) / float(out.width);
        m.uRight = float(g.atlasX + g.Width()) / float(out.width);
        m.vTop = float(g.atlasY) / float(out.height);
        m.vBottom = float(g.atlasY + g.Height()) / float(out.height);
    }
    d.header[0] = out.width;
    d.header[1] = out.height;
    d.header[2] = out.lineHeight;
    d.header[3] = out.lineHeight;
    d.spaceAdvance = d.glyphs[32].advance;
    for (int code = '0'; code <= '9'; ++code)
        d.cellWidth = std::max(d.cellWidth, d.glyphs[size_t(code)].advance);
    if (d.cellWidth <= 0)
        d.cellWidth = 2.0f * d.spaceAdvance;
    return true;
}

}  // namespace gen
