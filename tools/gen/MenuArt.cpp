#include "MenuArt.h"

#include <algorithm>

namespace gen {

namespace {

const Rgb kWhite{1, 1, 1};

Rgb StoneTone(Vec2 p, Rgb base, float seed) {
    const float broad = Noise(0, p.x + seed, p.y - seed, 0.5f);
    const float grain = Noise(1, p.x + seed, p.y, 1.0f);
    return base * (0.75f + 0.4f * broad + 0.2f * (grain - 0.5f));
}

// Height of the frame band at distance t (texels) in from its outer edge:
// chamfer, gold bead, groove, carved band, thin bead, a lip down to the panel.
float BandHeight(float t) {
    const auto bead = [](float t, float c, float r) {
        const float u = (t - c) / r;
        return u * u < 1 ? std::sqrt(1 - u * u) : 0.0f;
    };
    if (t < 4)
        return t * 0.8f;
    if (t < 12)
        return 3.2f + 2.2f * bead(t, 8, 4);
    if (t < 16)
        return 2.0f;
    if (t < 44)
        return 3.4f;
    if (t < 50)
        return 3.4f + 1.4f * bead(t, 47, 3);
    return std::max(0.0f, 3.4f - (t - 50) * 0.35f);
}

// Where the frame band's inner gold bead ends, in texels from the outer edge.
constexpr float kBandEnd = 50.0f;

// The panels' face: large dressed blocks with fine joints, offset row by row,
// at p in texels of the tiling picture.
Rgb PanelBack(Vec2 p) {
    Rgb c = StoneTone(p, Hex(0x3a322b), 41) * 0.75f;
    float bx = 0, by = 0;
    const float joint = BlockJoint(p, 64.0f, bx, by);
    if (joint < 1.5f)
        c = c * (0.45f + 0.3f * joint);
    else if (joint < 3.0f && (bx < 3.0f || by < 3.0f))
        c = c * 1.12f; // the lit edge of the block below the joint
    return c;
}

// One texel of the border: t in from the outer edge, `along` the edge,
// `out` the outward direction in picture axes, p for the stone's grain.
Rgba BorderTexel(float t, float along, Vec2 out, Vec2 p, bool carve = true) {
    const float slope = (BandHeight(t + 0.3f) - BandHeight(t - 0.3f)) / 0.6f;
    // The band rises inward: its gradient points away from `out`.
    const Vec3 n = SlopeNormal(-out.x * slope, -out.y * slope);
    const Rgb stone = Hex(palette::kStone);
    Rgb c;
    float alpha = 1.0f;
    if (t < 4) {
        c = MattShade(n, StoneTone(p, stone * 0.8f, 3), 0.1f);
        alpha = Clamp01(t * 1.5f + 0.3f);
    } else if (t < 12) {
        c = GoldShade(n, 0.6f);
    } else if (t < 16) {
        c = StoneTone(p, stone, 7) * 0.25f;
    } else if (t < 44) {
        c = MattShade(n, StoneTone(p, stone, 11), 0.15f);
        if (carve) {
            // Stepped frets cut into the band, every 32 texels.
            const float period = 32.0f;
            const float s = std::fmod(along + 1000 * period, period) - 0.5f * period;
            const float w = t - 30.0f;
            const float diamond = std::fabs(s) * 0.9f + std::fabs(w) - 8.5f;
            if (diamond < 0) {
                const float lit = Clamp01((s - w) * 0.25f + 0.5f);
                c = c * (0.45f + 0.3f * lit);
                const float eye = Length(Vec2{s, w}) - 3.2f;
                if (eye < 0.5f) {
                    const Vec3 gn = Normalize(Vec3{s / 3.2f, w / 3.2f, 0.8f});
                    const Lit l = LightNormal(gn, 40.0f);
                    const Rgb gem =
                        Hex(palette::kTurquoise) * (0.4f + 0.8f * l.diffuse) + kWhite * l.specular;
                    c = MixRgb(c, gem, Coverage(eye * 2.0f));
                }
            }
        }
    } else if (t < 50) {
        c = GoldShade(n, 0.7f);
    } else {
        // The lip falls into shadow where the panel begins.
        c = MattShade(n, StoneTone(p, stone * 0.7f, 13), 0.05f) *
            (1.0f - 0.5f * Clamp01((t - 50) / 14.0f));
    }
    return Premultiply(c, alpha);
}

// A jade rosette set in a gold ring, radius r, over `under`.
Rgba Rosette(Vec2 q, float r, Rgba under) {
    const float d = Length(q);
    if (d > r + 1)
        return under;
    const Vec3 n = Normalize(Vec3{q.x / r, q.y / r, 0.9f});
    Rgb c;
    if (d > r * 0.72f) {
        c = GoldShade(n, 0.7f);
    } else {
        const float petals = 0.85f + 0.25f * std::cos(std::atan2(q.y, q.x) * 8.0f);
        const Lit l = LightNormal(Normalize(Vec3{q.x / r, q.y / r, 0.7f}), 30.0f);
        c = Hex(palette::kJade) * (0.35f + 0.8f * l.diffuse) * petals +
            Hex(palette::kJadeLight) * (0.8f * l.specular);
    }
    return Over(Premultiply(c, Coverage((d - r) * 2.0f)), under);
}

// A rounded rectangle control face: `half` extents, corner radius `radius`.
struct Face {
    Vec2 centre, half;
    float radius;
    float Sd(Vec2 p) const { return SdBox(p - centre, half, radius); }
};

// A button in one of its looks.
Rgba ButtonTexel(Vec2 p, const Face& f, ButtonLook look) {
    const float d = f.Sd(p);
    const bool pressed = look == ButtonLook::Pressed;
    if (d > 0.5f) {
        // A soft shadow below and right of a raised button.
        if (pressed)
            return {};
        const float s = f.Sd(p - Vec2{2.0f, 3.0f});
        return {0, 0, 0, 0.45f * Clamp01(1.0f - s / 4.0f) * Clamp01(1.0f - d / 4.0f)};
    }
    const Vec2 g = SdGradient([&](Vec2 v) { return f.Sd(v); }, p);
    const float t = -d;
    Rgb c;
    if (t < 5) {
        // Gold rim; a pressed button's rim leans the other way.
        c = GoldShade(BevelNormal(d, pressed ? g * -1.0f : g, 5.0f, 1.4f), pressed ? 0.4f : 0.65f);
    } else {
        // The stone face, domed a little (dished when pressed).
        const Vec2 q = (p - f.centre);
        const float dome = pressed ? -0.25f : 0.25f;
        const Vec3 n = Normalize(Vec3{q.x / f.half.x * dome, q.y / f.half.y * dome * 1.6f, 1.0f});
        Rgb base = Hex(0x4a4038);
        if (look == ButtonLook::Over)
            base = MixRgb(base, Hex(palette::kJade), 0.45f);
        c = MattShade(n, StoneTone(p, base, 17), 0.2f);
        // A thin gold inlay a little in from the rim.
        const float inlay = std::fabs(t - 9.0f);
        if (inlay < 1.2f)
            c = MixRgb(c, GoldShade(n, 0.5f), Clamp01(1.2f - inlay) * 0.8f);
        if (look == ButtonLook::Over) {
            const float glow = Glow(Length(Vec2{q.x / f.half.x, q.y / f.half.y}), 1.6f);
            c = c + Hex(palette::kJadeLight) * (0.25f * glow);
        }
        if (pressed)
            c = c * (0.55f + 0.45f * Clamp01((t - 5) / 10.0f));
    }
    if (look == ButtonLook::Disabled)
        c = Desaturate(c, 0.85f) * 0.6f;
    return Premultiply(c, Coverage(d * 2.0f));
}

// A check box socket, with a jade stone set in it when checked.
Rgba CheckTexel(Vec2 p, Vec2 centre, float half, CheckLook look) {
    const bool checked = look == CheckLook::Checked || look == CheckLook::OverChecked ||
                         look == CheckLook::CheckedDisabled;
    const bool over = look == CheckLook::Over || look == CheckLook::OverChecked;
    const bool disabled = look == CheckLook::Disabled || look == CheckLook::CheckedDisabled;
    const Face f{centre, {half, half}, 7.0f};
    const float d = f.Sd(p);
    if (d > 0.5f) {
        const float s = f.Sd(p - Vec2{2.0f, 2.5f});
        return {0, 0, 0, 0.4f * Clamp01(1.0f - s / 3.0f) * Clamp01(1.0f - d / 3.0f)};
    }
    const Vec2 g = SdGradient([&](Vec2 v) { return f.Sd(v); }, p);
    const float t = -d;
    Rgb c;
    if (t < 6) {
        c = GoldShade(BevelNormal(d, g, 6.0f, 1.3f), 0.65f);
    } else {
        // The dark recess, in shadow under its top-left wall.
        const Vec2 q = p - centre;
        const float wall = Clamp01((q.x + q.y) / (2.0f * half) + 0.7f);
        c = StoneTone(p, Hex(0x1c1814), 23) * (0.5f + 0.6f * wall);
        if (over)
            c = c + Hex(palette::kTorch) * (0.12f * Glow(Length(q) / half, 1.5f));
        if (checked) {
            const float r = half * 0.62f;
            const std::vector<Vec2> gem = RegularPolygon(8, r, kPi / 8);
            const float gd = SdPolygon(gem, q);
            if (gd < 0.5f) {
                FacetSurface s;
                s.AddPolygonTier(gem, 0.0f, 0.9f);
                s.AddTop(r * 0.45f);
                const FacetHit hit = s.Evaluate(q, false);
                const Lit l = LightNormal(s.Normal(hit.facet), 36.0f);
                const Rgb jade = Hex(over ? palette::kJadeLight : palette::kJade);
                const Rgb stone = jade * (0.35f + 0.9f * l.diffuse) + kWhite * (1.2f * l.specular);
                c = MixRgb(c, stone, Coverage(gd * 2.0f));
            }
        }
    }
    if (disabled)
        c = Desaturate(c, 0.85f) * 0.6f;
    return Premultiply(c, Coverage(d * 2.0f));
}

// The slider's groove: a dark channel in a gold-edged stone rail.
Rgba TrackTexel(Vec2 p, const Face& f, bool disabled) {
    const float d = f.Sd(p);
    if (d > 0.5f)
        return {};
    const Vec2 g = SdGradient([&](Vec2 v) { return f.Sd(v); }, p);
    const float t = -d;
    Rgb c;
    if (t < 4)
        c = GoldShade(BevelNormal(d, g, 4.0f, 1.2f), 0.6f);
    else if (t < 7)
        c = StoneTone(p, Hex(palette::kStone), 29) * 0.8f;
    else
        c = StoneTone(p, Hex(0x141210), 31) *
            (0.6f + 0.5f * Clamp01((p.y - f.centre.y) / f.half.y + 0.5f));
    if (disabled)
        c = Desaturate(c, 0.85f) * 0.6f;
    return Premultiply(c, Coverage(d * 2.0f));
}

// The slider's thumb: a gold disc holding a turquoise cabochon.
Rgba ThumbTexel(Vec2 p, Vec2 centre, float r) {
    const Vec2 q = p - centre;
    const float d = Length(q) - r;
    if (d > 0.5f) {
        const float s = Length(q - Vec2{2.0f, 3.0f}) - r;
        return {0, 0, 0, 0.5f * Clamp01(1.0f - s / 4.0f)};
    }
    Rgb c;
    const float inner = r * 0.6f;
    if (Length(q) > inner) {
        const float u = (Length(q) - inner) / (r - inner) * 2.0f - 1.0f;
        const Vec2 dir = Normalize(q);
        c = GoldShade(
            Normalize(Vec3{dir.x * u, dir.y * u, std::sqrt(std::max(1.0f - u * u, 0.05f))}), 0.7f);
        // Notches round the rim.
        if (std::cos(std::atan2(q.y, q.x) * 12.0f) > 0.85f && u > -0.2f)
            c = c * 0.6f;
    } else {
        const Vec3 n = Normalize(Vec3{q.x / inner, q.y / inner, 0.8f});
        const Lit l = LightNormal(n, 50.0f);
        c = Hex(palette::kTurquoise) * (0.3f + 0.9f * l.diffuse) + kWhite * (1.3f * l.specular);
    }
    return Premultiply(c, Coverage(d * 2.0f));
}

// A gold arrow head in a small socket, pointing up or down.
Rgba ArrowTexel(Vec2 p, Vec2 centre, float size, bool up) {
    const Face socket{centre, {size, size}, 6.0f};
    Rgba under = CheckTexel(p, centre, size, CheckLook::Normal);
    const Vec2 q = (p - centre) * (up ? 1.0f : -1.0f);
    const std::vector<Vec2> tri = {
        {0, -size * 0.5f}, {size * 0.5f, size * 0.3f}, {-size * 0.5f, size * 0.3f}};
    const float d = SdPolygon(tri, q);
    if (d > 0.5f || socket.Sd(p) > 0)
        return under;
    FacetSurface s;
    s.AddPolygonTier(tri, 0.0f, 0.8f);
    s.AddTop(3.0f);
    const FacetHit hit = s.Evaluate(q, false);
    Vec3 n = s.Normal(hit.facet);
    if (!up)
        n = Vec3{-n.x, -n.y, n.z};
    return Over(Premultiply(GoldShade(n, 0.7f), Coverage(d * 2.0f)), under);
}

Rgba StoneSlot(Vec2 p, const Face& f) {
    // A recessed stone strip for rows of text (names, scores).
    const float d = f.Sd(p);
    if (d > 0.5f)
        return {};
    const float t = -d;
    Rgb c = StoneTone(p, Hex(0x2a241f), 37);
    if (t < 2.5f)
        c = GoldShade(Vec3{0, 0, 1}, 0.4f) * 0.7f;
    c = c * (0.7f + 0.3f * Clamp01((p.y - f.centre.y) / f.half.y + 0.5f));
    return Premultiply(c, Coverage(d * 2.0f) * 0.85f);
}

// The clock face: a gold ring with twelve studs round a dark, glassy face.
Rgba DialFaceTexel(Vec2 p, Vec2 c, float r) {
    const Vec2 q = p - c;
    const float d = Length(q) - r;
    if (d > 0.5f)
        return {};
    const float t = -d;
    Rgb col;
    if (t < 7) {
        const float u = (t - 3.5f) / 3.5f;
        const Vec2 dir = Normalize(q);
        col = GoldShade(
            Normalize(Vec3{-dir.x * u, -dir.y * u, std::sqrt(std::max(1.0f - u * u, 0.05f))}),
            0.65f);
    } else {
        col = Hex(0x161a1c) * (0.7f + 0.5f * Clamp01(-(q.x + q.y) / r * 0.5f + 0.3f));
        for (int k = 0; k < 12; ++k) {
            const Vec2 s = Rotate(Vec2{0, -(r - 13.0f)}, float(k) * kPi / 6.0f);
            const float sd = Length(q - s) - (k % 3 == 0 ? 3.0f : 1.8f);
            col = MixRgb(col, GoldShade(Vec3{0, 0, 1}, 0.7f), Coverage(sd * 2.0f));
        }
    }
    return Premultiply(col, Coverage(d * 2.0f));
}

// A needle pointing up, its pivot near the bottom; the game turns it about
// the pivot on the dial's centre, so from the pivot it reaches no further than
// the dial's glass (kHandReach).
constexpr float kHandReach = 34.0f;
Rgba HandTexel(Vec2 p, float w, float h) {
    const float tip = h - 14.0f - kHandReach;
    const std::vector<Vec2> needle = {
        {0.5f * w, tip}, {0.5f * w + 5, h - 16}, {0.5f * w, h - 4}, {0.5f * w - 5, h - 16}};
    const float d = Union(SdPolygon(needle, p), Length(p - Vec2{0.5f * w, h - 14}) - 6.0f);
    if (d > 0.5f)
        return {};
    const Vec3 n = Normalize(Vec3{p.x < 0.5f * w ? -0.5f : 0.5f, 0, 1});
    return Premultiply(GoldShade(n, 0.7f), Coverage(d * 2.0f));
}

// A banner on a gilt pole, waving: ruby cloth with a gold border and a gold
// sun on it, a gold knob atop the pole.
Rgba FlagTexel(Vec2 p) {
    const float pole = SdCapsule(p, {6, 8}, {6, 54}, 2.2f);
    const float knob = Length(p - Vec2{6, 5}) - 3.6f;
    const float wave = 2.5f * std::sin(p.x * 0.22f - 0.6f);
    const Vec2 c{22, 18 + wave};
    const float cloth =
        SdPolygon({{8, 7}, {37, 7}, {31, 16}, {37, 25}, {8, 25}}, p - Vec2{0, wave});
    if (std::min({pole, knob, cloth}) > 0.5f)
        return {};
    if (std::min(pole, knob) < cloth) {
        const Vec3 n = knob < pole ? Normalize(Vec3{(p.x - 6) / 3.6f, (p.y - 5) / 3.6f, 0.8f})
                                   : Normalize(Vec3{(p.x - 6) / 2.2f, 0, 1});
        return Premultiply(GoldShade(n, 0.7f), Coverage(std::min(pole, knob) * 2.0f));
    }
    // The cloth's folds catch the light on their rising side.
    const float fold = 0.8f + 0.35f * std::cos(p.x * 0.22f - 0.6f);
    Rgb col = Hex(0xa01c28) * fold;
    if (cloth > -2.2f)
        col = GoldShade(Normalize(Vec3{0, -std::sin(p.x * 0.22f) * 0.5f, 1}), 0.6f) * fold;
    const float sun = Length(p - c - Vec2{-2, 0}) - 4.0f;
    if (sun < 0.5f)
        col = MixRgb(col, GoldShade(Vec3{0, 0, 1}, 0.8f) * fold, Coverage(sun * 2.0f));
    return Premultiply(col, Coverage(cloth * 2.0f));
}

// A gold coin set with a gem: a finished level on the map, or a life.
Rgba CoinTexel(Vec2 p, Vec2 c, float r, uint32_t gem) {
    const Vec2 q = p - c;
    const float d = Length(q) - r;
    if (d > 0.5f) {
        const float s = Length(q - Vec2{1.5f, 2.0f}) - r;
        return {0, 0, 0, 0.45f * Clamp01(1.0f - s / 3.0f)};
    }
    Rgb col;
    if (Length(q) > r * 0.55f) {
        const float u = (Length(q) - r * 0.55f) / (r * 0.45f) * 2.0f - 1.0f;
        const Vec2 dir = Normalize(q);
        col = GoldShade(
            Normalize(Vec3{dir.x * u, dir.y * u, std::sqrt(std::max(1.0f - u * u, 0.05f))}), 0.7f);
    } else {
        const Lit l = LightNormal(Normalize(Vec3{q.x / r, q.y / r, 0.7f}), 40.0f);
        col = Hex(gem) * (0.35f + 0.9f * l.diffuse) + kWhite * (1.2f * l.specular);
    }
    return Premultiply(col, Coverage(d * 2.0f));
}

// The tutorial's pointer in a w x h picture: a carved gold arrow, a jade
// drop set in its head and a groove down its shaft, and its soft shadow
// thrown down and right. Pointing down it is the same arrow turned over,
// lit as ever from the top left; it stands kShadowRoom higher in its
// picture, so that the shadow under its tip stays inside.
Rgba PointerTexel(Vec2 p, float w, float h, bool down) {
    constexpr float kShadowRoom = 4.0f;
    const float cx = 0.5f * w;
    const auto flip = [&](Vec2 v) { return down ? Vec2{v.x, h - kShadowRoom - v.y} : v; };
    const std::vector<Vec2> head = {{cx, 2.5f}, {w - 3.5f, 28.0f}, {3.5f, 28.0f}};
    const auto body = [&](Vec2 v) {
        const Vec2 q = flip(v);
        const float tip = SdPolygon(InsetConvex(head, 2.0f), q) - 2.0f;
        const float shaft = SdBox(q - Vec2{cx, 43.0f}, {7.5f, 15.0f}, 3.0f);
        return SmoothUnion(tip, shaft, 2.5f);
    };
    // The shadow: the arrow moved down and right, its edge softened.
    const float s = body(p - Vec2{2.0f, 2.5f});
    const Rgba shadow{0, 0, 0, 0.5f * Clamp01(0.5f - s / 3.0f)};
    const float d = body(p);
    if (d > 0.5f)
        return shadow;
    Rgb col = GoldShade(BevelNormal(d, SdGradient(body, p), 4.0f, 1.3f), 0.6f);
    const Vec2 q = flip(p);
    // The groove: a dark line cut down the shaft, lit on its lower lip.
    const float groove = SdCapsule(q, {cx, 34.0f}, {cx, 52.0f}, 1.6f);
    if (groove < 0.5f)
        col = MixRgb(col, col * 0.35f, Coverage(groove * 2.0f));
    const float drop = SdPolygon(InsetConvex(Transform(head, 0.42f, 0.42f, {0.58f * cx, 11.0f}),
                                             1.0f),
                                 q) -
                       1.0f;
    if (drop < 0.5f) {
        const Lit l = LightNormal(Normalize(Vec3{-0.3f, -0.3f, 1.0f}), 30.0f);
        const Rgb jade = Hex(palette::kJade) * (0.4f + 0.6f * l.diffuse) +
                         Hex(palette::kJadeLight) * (0.6f * l.specular);
        col = MixRgb(col, jade, Coverage(drop * 2.0f));
    }
    return Over(Premultiply(col, Coverage(d * 2.0f)), shadow);
}

} // namespace

float BlockJoint(Vec2 p, float height, float& bx, float& by) {
    const float row = std::floor(p.y / height);
    bx = std::fmod(p.x + (int(row) % 2 ? height : 0.0f), 2.0f * height);
    by = std::fmod(p.y, height);
    return std::min({bx, 2.0f * height - bx, by, height - by});
}

const MenuAtlasLayout& MenuAtlas() {
    static const MenuAtlasLayout layout = [] {
        MenuAtlasLayout l;
        constexpr int buttonW = 320, buttonH = 80;
        for (int i = 0; i < int(ButtonLook::Count); ++i)
            l.button[size_t(i)] = {0, i * buttonH, buttonW, buttonH};
        constexpr int cell = 64;
        for (int i = 0; i < int(CheckLook::Count); ++i)
            l.check[size_t(i)] = {buttonW + (i % 3) * cell, (i / 3) * cell, cell, cell};
        l.arrowUp = {buttonW, 2 * cell, cell, cell};
        l.arrowDown = {buttonW + cell, 2 * cell, cell, cell};
        l.thumb = {buttonW + 2 * cell, 2 * cell, cell, cell};
        l.track = {0, 4 * buttonH, 400, 40};
        l.trackDisabled = {0, 4 * buttonH + 40, 400, 40};
        l.slot = {0, 4 * buttonH + 80, 512, 48};
        l.dialFace = {buttonW, 3 * cell, 96, 96};
        l.dialDisc = {buttonW, 3 * cell + 96, 32, 32};
        l.hand = {buttonW + 96, 3 * cell, 24, 72};
        l.flag = {buttonW + 120, 3 * cell, 40, 56};
        l.marker = {buttonW + 160, 3 * cell, 32, 32};
        l.life = {buttonW + 152, 3 * cell + 56, 40, 40};
        l.banner = {0, 448, 512, 64};
        l.pointerUp = {400, 320, 48, 64};
        l.pointerDown = {456, 320, 48, 64};
        return l;
    }();
    return layout;
}

FloatImage PaintSkinCorners() {
    const float size = 2.0f * kSkinBorder;
    const Vec2 centre{0.5f * size, 0.5f * size};
    const auto outline = [&](Vec2 p) { return SdBox(p - centre, centre, 12.0f); };
    return RenderAdaptive(int(size), int(size), 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float d = outline(p);
        if (d > 0.5f)
            return Rgba{};
        Rgba c = BorderTexel(-d, 0.0f, SdGradient(outline, p), p, false);
        c = c * Coverage(d * 2.0f);
        // A rosette covers each corner where the carving turns.
        for (const float cx : {30.0f, size - 30.0f})
            for (const float cy : {30.0f, size - 30.0f})
                c = Rosette(p - Vec2{cx, cy}, 20.0f, c);
        return c;
    });
}

FloatImage PaintSkinSides() {
    return RenderAdaptive(4 * kSkinBorder, kSkinTile, 0.02f, [&](float x, float y) {
        const int strip = std::min(int(x) / kSkinBorder, 3);
        const float u = x - float(strip * kSkinBorder);
        const Vec2 p{x, y};
        switch (strip) {
        case 0: // left border: outer edge at u = 0
            return BorderTexel(u, y, {-1, 0}, p);
        case 1: // right border: outer edge at the strip's right
            return BorderTexel(float(kSkinBorder) - u, y, {1, 0}, p);
        case 2: // bottom border on its side: outer edge at the strip's left
            return BorderTexel(u, y, {0, 1}, p);
        default: // top border on its side: outer edge at the strip's right
            return BorderTexel(float(kSkinBorder) - u, y, {0, -1}, p);
        }
    });
}

FloatImage PaintSkinBack() {
    return RenderAdaptive(kSkinTile, kSkinTile, 0.02f, [](float x, float y) {
        return Premultiply(PanelBack({x, y}), 1.0f);
    });
}

FloatImage PaintPlaque(int w, int h, PlaqueLook look) {
    const bool frame = look == PlaqueLook::Frame;
    const Vec2 centre{0.5f * float(w), 0.5f * float(h)};
    // One texel in from the picture's edge, so that its outline is smoothed.
    const auto outline = [&](Vec2 p) { return SdBox(p - centre, centre - Vec2{1, 1}, 6.0f); };
    return RenderAdaptive(w, h, 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float d = outline(p);
        if (d > 0.5f)
            return Rgba{};
        // The panels' frame band, in its texels, narrowed to the plaque's
        // rim; the light look keeps the outer bead and groove at the panels'
        // scale and goes straight on to the inner bead.
        const float t = -d;
        const float band = frame      ? t * kBandEnd / float(kPlaqueRim[0])
                           : t < 8.0f ? 2.0f * t
                                      : 44.0f + 2.0f * (t - 8.0f);
        const float lipEnd = float(kSkinBorder);
        Rgba c;
        if (band < kBandEnd) {
            const float along = (frame ? kBandEnd / float(kPlaqueRim[0]) : 2.0f) *
                                (std::min(y, float(h) - y) < std::min(x, float(w) - x) ? x : y);
            c = BorderTexel(band, along, SdGradient(outline, p), p * 2.0f);
        } else {
            // The stone face, in the shadow of the lip near the rim; the
            // light look's face is paler and, like every plaque's, opaque:
            // nothing under a plaque shows through what it says.
            const float lip = 0.5f + 0.5f * Clamp01((band - kBandEnd) / (lipEnd - kBandEnd));
            c = Premultiply(PanelBack(p * 2.0f) * (frame ? lip : 0.85f * lip), 1.0f);
        }
        c = c * Coverage(d * 2.0f);
        if (frame) {
            const float at = 0.6f * float(kPlaqueRim[0]), r = 0.42f * float(kPlaqueRim[0]);
            for (const float cx : {at, float(w) - at})
                for (const float cy : {at, float(h) - at})
                    c = Rosette(p - Vec2{cx, cy}, r, c);
        } else {
            // A gold rivet at each corner of the inner line.
            for (const float cx : {11.0f, float(w) - 11.0f})
                for (const float cy : {11.0f, float(h) - 11.0f}) {
                    const Vec2 q = p - Vec2{cx, cy};
                    const float rd = Length(q) - 3.2f;
                    if (rd < 0.5f)
                        c = Over(Premultiply(
                                     GoldShade(Normalize(Vec3{q.x / 3.2f, q.y / 3.2f, 0.8f}), 0.7f),
                                     Coverage(rd * 2.0f)),
                                 c);
                }
        }
        return c;
    });
}

FloatImage PaintMenuControls() {
    const MenuAtlasLayout& l = MenuAtlas();
    FloatImage atlas(kAtlasSize, kAtlasSize);
    const auto place = [&](const AtlasRect& r, const auto& shade) {
        atlas.Blit(RenderAdaptive(r.w, r.h, 0.02f, shade), r.x, r.y);
    };
    for (int i = 0; i < int(ButtonLook::Count); ++i) {
        const AtlasRect& r = l.button[size_t(i)];
        const Face f{
            {0.5f * r.w - 1.0f, 0.5f * r.h - 1.5f}, {0.5f * r.w - 7.0f, 0.5f * r.h - 7.0f}, 16.0f};
        place(r, [&](float x, float y) { return ButtonTexel({x, y}, f, ButtonLook(i)); });
    }
    for (int i = 0; i < int(CheckLook::Count); ++i) {
        const AtlasRect& r = l.check[size_t(i)];
        place(r, [&](float x, float y) {
            return CheckTexel({x, y}, {31.5f, 31.0f}, 24.0f, CheckLook(i));
        });
    }
    place(l.arrowUp, [](float x, float y) {
        return ArrowTexel({x, y}, {31.5f, 31.0f}, 24.0f, true);
    });
    place(l.arrowDown, [](float x, float y) {
        return ArrowTexel({x, y}, {31.5f, 31.0f}, 24.0f, false);
    });
    place(l.thumb, [](float x, float y) { return ThumbTexel({x, y}, {31.0f, 30.5f}, 26.0f); });
    const Face rail{{200.0f, 20.0f}, {194.0f, 11.0f}, 10.0f};
    place(l.track, [&](float x, float y) { return TrackTexel({x, y}, rail, false); });
    place(l.trackDisabled, [&](float x, float y) { return TrackTexel({x, y}, rail, true); });
    const Face slot{{256.0f, 24.0f}, {252.0f, 20.0f}, 6.0f};
    place(l.slot, [&](float x, float y) { return StoneSlot({x, y}, slot); });
    place(l.dialFace, [](float x, float y) { return DialFaceTexel({x, y}, {48, 48}, 46); });
    place(l.dialDisc, [](float x, float y) {
        return Premultiply(kWhite, Coverage((Length(Vec2{x, y} - Vec2{16, 16}) - 15.0f) * 2.0f));
    });
    place(l.hand, [&](float x, float y) {
        return HandTexel({x, y}, float(l.hand.w), float(l.hand.h));
    });
    place(l.flag, [](float x, float y) { return FlagTexel({x, y}); });
    place(l.marker, [](float x, float y) {
        return CoinTexel({x, y}, {15.5f, 15.0f}, 12.0f, palette::kTurquoise);
    });
    place(l.life, [](float x, float y) {
        return CoinTexel({x, y}, {19.5f, 19.0f}, 16.0f, palette::kEmber);
    });
    for (const bool down : {false, true}) {
        const AtlasRect& r = down ? l.pointerDown : l.pointerUp;
        place(r, [&](float x, float y) {
            return PointerTexel({x, y}, float(r.w), float(r.h), down);
        });
    }
    const Face banner{{256.0f, 32.0f}, {250.0f, 26.0f}, 12.0f};
    place(l.banner, [&](float x, float y) {
        return ButtonTexel({x, y}, banner, ButtonLook::Normal);
    });
    return atlas;
}

} // namespace gen
