#include "ArtText.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <mutex>

#include "FontGen.h"

namespace gen {

namespace {

struct Library {
    FT_Library handle = nullptr;
    ~Library() {
        if (handle)
            FT_Done_FreeType(handle);
    }
};

struct Face {
    FT_Face handle = nullptr;
    ~Face() {
        if (handle)
            FT_Done_Face(handle);
    }
};

// The display face of the game's titles (the first one found), looked up once.
std::filesystem::path DisplayFace() {
    static std::once_flag once;
    static std::filesystem::path found;
    std::call_once(once, [] {
        std::vector<std::string> names;
        for (const FontRecipe& r : GameFonts())
            if (r.name == "Title")
                names = r.faceFiles;
        names.push_back("DejaVuSerif-Bold.ttf");
        names.push_back("DejaVuSans-Bold.ttf");
        const std::vector<std::filesystem::path> folders = SystemFontFolders();
        for (const std::string& name : names) {
            found = FindFontFile({name}, folders);
            if (!found.empty())
                break;
        }
    });
    return found;
}

// One box-blur pass of radius r along rows (horizontal) or columns.
void BoxPass(const Mask& in, Mask& out, int r, bool horizontal) {
    const int w = in.Width(), h = in.Height();
    const int n = horizontal ? w : h, lines = horizontal ? h : w;
    const float inv = 1.0f / float(2 * r + 1);
    for (int line = 0; line < lines; ++line) {
        const auto get = [&](int i) {
            if (i < 0 || i >= n)
                return 0.0f;
            return horizontal ? in.At(i, line) : in.At(line, i);
        };
        float sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += get(i);
        for (int i = 0; i < n; ++i) {
            (horizontal ? out.At(i, line) : out.At(line, i)) = sum * inv;
            sum += get(i + r + 1) - get(i - r);
        }
    }
}

}  // namespace

float Mask::Sample(float x, float y) const {
    x -= 0.5f;
    y -= 0.5f;
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const auto at = [&](int i, int j) {
        return (i < 0 || j < 0 || i >= width_ || j >= height_) ? 0.0f : At(i, j);
    };
    const float tx = x - fx, ty = y - fy;
    return Mix(Mix(at(ix, iy), at(ix + 1, iy), tx), Mix(at(ix, iy + 1), at(ix + 1, iy + 1), tx), ty);
}

Mask Mask::Blurred(int radius, int passes) const {
    Mask a = *this, b(width_, height_);
    for (int i = 0; i < passes; ++i) {
        BoxPass(a, b, radius, true);
        BoxPass(b, a, radius, false);
    }
    return a;
}

bool SetText(const std::string& text, float emPixels, int margin, float tracking, Mask& out, int& baseline,
             std::string& error) {
    const std::filesystem::path file = DisplayFace();
    if (file.empty()) {
        error = "no display face found";
        return false;
    }
    Library library;
    Face face;
    if (FT_Init_FreeType(&library.handle) != 0 || FT_New_Face(library.handle, file.c_str(), 0, &face.handle) != 0 ||
        FT_Set_Pixel_Sizes(face.handle, 0, FT_UInt(std::lround(emPixels))) != 0) {
        error = "cannot open " + file.string();
        return false;
    }
    // First pass: pen positions and the ink's extent.
    struct Placed {
        FT_UInt glyph;
        float pen;
    };
    std::vector<Placed> placed;
    float pen = 0;
    int top = 0, bottom = 0;
    float right = 0;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(face.handle, ch);
        if (previous && glyph && FT_HAS_KERNING(face.handle)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face.handle, previous, glyph, FT_KERNING_UNFITTED, &kern) == 0)
                pen += float(kern.x) / 64.0f;
        }
        if (FT_Load_Glyph(face.handle, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            continue;
        const FT_Glyph_Metrics& m = face.handle->glyph->metrics;
        top = std::max(top, int(std::ceil(float(m.horiBearingY) / 64.0f)));
        bottom = std::max(bottom, int(std::ceil(float(m.height - m.horiBearingY) / 64.0f)));
        placed.push_back({glyph, pen});
        right = std::max(right, pen + float(m.horiBearingX + m.width) / 64.0f);
        pen += float(face.handle->glyph->advance.x) / 64.0f + tracking * emPixels;
        previous = glyph;
    }
    const int width = int(std::ceil(right)) + 2 * margin + 2;
    const int height = top + bottom + 2 * margin;
    out = Mask(width, height);
    baseline = margin + top;
    for (const Placed& g : placed) {
        // Subpixel pen position: the outline is moved before rendering.
        const float x = float(margin) + g.pen;
        FT_Vector shift{FT_Pos(std::lround((x - std::floor(x)) * 64.0f)), 0};
        FT_Set_Transform(face.handle, nullptr, &shift);
        if (FT_Load_Glyph(face.handle, g.glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face.handle->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.pitch < 0)
            continue;
        const int ox = int(std::floor(x)) + slot->bitmap_left, oy = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                const int px = ox + int(col), py = oy + int(row);
                if (px < 0 || py < 0 || px >= width || py >= height)
                    continue;
                const float v = float(bm.buffer[size_t(row) * size_t(bm.pitch) + col]) / 255.0f;
                out.At(px, py) = std::max(out.At(px, py), v);
            }
    }
    FT_Set_Transform(face.handle, nullptr, nullptr);
    return true;
}

bool SetTitleMasks(const std::string& text, float emPixels, float tracking, float scale, float cx, float cy,
                   TitleMasks& out, std::string& error) {
    int baseline = 0;
    const int margin = int(emPixels * 0.6f);
    if (!SetText(text, emPixels, margin, tracking, out.letters, baseline, error))
        return false;
    const int unit = std::max(1, int(emPixels / 48.0f));
    out.bevel = out.letters.Blurred(unit * 2, 2);
    out.shadow = out.letters.Blurred(unit * 4, 3);
    out.glow = out.letters.Blurred(unit * 10, 3);
    out.cx = cx;
    out.cy = cy;
    out.scale = scale;
    return true;
}

Rgba TitleAt(const TitleMasks& m, Vec2 p, int metal, Rgb glowColour, float glowStrength) {
    const float mx = (p.x - m.cx) * m.scale + 0.5f * float(m.letters.Width());
    const float my = (p.y - m.cy) * m.scale + 0.5f * float(m.letters.Height());
    const float unit = float(m.letters.Height()) / 100.0f;
    // Glow, then a soft dark shadow down and to the right, then the letters.
    Rgba out = Premultiply(glowColour, glowStrength * Clamp01(m.glow.Sample(mx, my) * 1.6f));
    const float shadow = m.shadow.Sample(mx - 3.0f * unit, my - 4.0f * unit);
    out = Over(Rgba{0, 0, 0, 0.75f * Clamp01(shadow * 1.4f)}, out);
    const float cover = m.letters.Sample(mx, my);
    if (cover <= 0)
        return out;
    const float e = 1.0f;
    const float gx = m.bevel.Sample(mx + e, my) - m.bevel.Sample(mx - e, my);
    const float gy = m.bevel.Sample(mx, my + e) - m.bevel.Sample(mx, my - e);
    const Vec3 n = Normalize(Vec3{-gx * 6.0f, -gy * 6.0f, 1.0f});
    Rgb c;
    if (metal == 0) {
        c = GoldShade(n, 0.7f);
    } else {
        const Lit lit = LightNormal(n, 30.0f);
        c = Hex(0xc8f0dc) * (0.35f + 0.75f * lit.diffuse) + Rgb{1, 1, 1} * (0.7f * lit.specular);
    }
    return Over(Premultiply(c, cover), out);
}

}  // namespace gen
