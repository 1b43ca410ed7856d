#include "MenuShop.h"

#include <algorithm>
#include <cmath>

#include "TotemArt.h"

namespace gen {

namespace {

const Rgb kWhite{1, 1, 1};

// A five-pointed golden star of outer radius `r` centred in a `size` square.
FloatImage Star(int size, float r) {
    const float c = 0.5f * float(size);
    std::vector<Vec2> points;
    for (int k = 0; k < 10; ++k)
        points.push_back(Vec2{c, c} +
                         Rotate(Vec2{0, -(k % 2 ? 0.45f * r : r)}, float(k) * kPi / 5.0f));
    const auto sd = [&](Vec2 p) { return SdPolygon(points, p); };
    return RenderAdaptive(size, size, 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float d = sd(p);
        if (d > 0.5f) {
            const float glow = Glow(Length(p - Vec2{c, c}) / r, 2.5f);
            return Premultiply(Hex(palette::kTorchLight), 0.35f * glow);
        }
        // Each arm is ridged: its two halves face different ways.
        const Vec2 q = p - Vec2{c, c};
        const float arm = std::round(std::atan2(q.x, -q.y) / (kPi / 5.0f));
        const Vec2 axis = Rotate(Vec2{0, -1}, arm * kPi / 5.0f);
        const float side = Cross(axis, q) > 0 ? 1.0f : -1.0f;
        const Vec2 across = Perp(axis) * side;
        const Vec3 n = Normalize(
            Vec3{across.x * 0.6f + q.x / r * 0.3f, across.y * 0.6f + q.y / r * 0.3f, 1.0f});
        return Over(Premultiply(GoldShade(n, 0.8f), Coverage(d * 2.0f)), Rgba{});
    });
}

} // namespace

FloatImage PaintGoldenStar(int size) {
    // The bank's star reaches 40 texels from the middle of its 96.
    return Star(size, float(size) * 40.0f / float(kBankStar));
}

// A sunken stone bed with a gold rim `rim` texels wide, shaped by `sd`
// (texels, inside < 0); `light` is where the inside catches the light from.
template <class Sd>
Rgba SunkenTexel(Vec2 p, const Sd& sd, Vec2 light, float reach, float rim = 7.0f) {
    const float d = sd(p);
    if (d > 0.5f)
        return {};
    const float t = -d;
    Rgb c;
    if (t < rim) {
        c = GoldShade(BevelNormal(d, SdGradient(sd, p), rim, 1.4f), 0.6f);
    } else {
        const float lit = Glow(Length(p - light) / reach, 1.2f);
        c = Hex(0x1a1512) * (0.75f + 0.3f * Noise(1, p.x, p.y, 1.0f)) +
            Hex(palette::kTorchLight) * (0.1f * lit);
        // The inner wall in shadow under the rim.
        c = c * (0.55f + 0.45f * Clamp01((t - rim) / 8.0f));
    }
    return Premultiply(c, Coverage(d * 2.0f));
}

FloatImage PaintShopCtrls1() {
    FloatImage sheet(kShopCtrlsSize, kShopCtrlsSize);
    const auto paint = [&](const AtlasRect& r, const auto& sd, Vec2 light, float reach,
                           float rim = 7.0f) {
        sheet.Blit(RenderAdaptive(r.w, r.h, 0.02f,
                                  [&](float x, float y) {
                                      return SunkenTexel({x, y}, sd, light, reach, rim);
                                  }),
                   r.x, r.y);
    };
    const AtlasRect& n = kShopNiche;
    const float archR = 0.5f * float(n.w) - 4;
    paint(
        n,
        [&](Vec2 p) {
            return Union(SdCircle(p - Vec2{0.5f * n.w, archR + 4}, archR),
                         SdBox(p - Vec2{0.5f * n.w, 0.5f * (archR + 4 + n.h - 4)},
                               {archR, 0.5f * (n.h - 8 - archR)}, 6));
        },
        {0.5f * n.w, 40}, 140);
    // The beds lie on the page texel for pixel; a bonus's bed keeps its rim
    // narrow, so that the bonus stands on its floor.
    for (const AtlasRect* r : {&kShopBedSquare, &kShopBedWide}) {
        const Vec2 c{0.5f * r->w, 0.5f * r->h};
        const bool bonus = r == &kShopBedSquare;
        const float margin = bonus ? float(kShopBedMargin) : 3.0f;
        paint(
            *r,
            [&](Vec2 p) {
                return SdBox(p - c, c - Vec2{margin, margin}, 16);
            },
            {c.x, 0}, 0.8f * c.x, bonus ? float(kShopBedRim) : 7.0f);
    }
    const AtlasRect& hand = kShopHand;
    const Vec2 pivot{0.5f * hand.w + 2.0f * kShopHandPivot, 0.5f * hand.h};
    sheet.Blit(
        RenderAdaptive(hand.w, hand.h, 0.02f,
                       [&](float x, float y) {
                           const Vec2 p{x, y};
                           const std::vector<Vec2> needle = {{2, pivot.y},
                                                             {pivot.x - 12, pivot.y - 4.5f},
                                                             {float(hand.w) - 2, pivot.y},
                                                             {pivot.x - 12, pivot.y + 4.5f}};
                           const float d = Union(SdPolygon(needle, p), Length(p - pivot) - 5.5f);
                           const Vec3 n = Normalize(Vec3{0, p.y < pivot.y ? -0.5f : 0.5f, 1});
                           return Premultiply(GoldShade(n, 0.7f), Coverage(d * 2.0f));
                       }),
        hand.x, hand.y);
    // The plates: a stone strip with a socket under every slot (two texels a
    // screen unit, the slots centred on the plate).
    for (int tiers = 3; tiers <= 4; ++tiers) {
        const AtlasRect& r = kShopPlate[tiers - 3];
        const Vec2 c{0.5f * r.w, 0.5f * r.h};
        const auto strip = [&](Vec2 p) { return SdBox(p - c, c - Vec2{2, 2}, 12); };
        sheet.Blit(
            RenderAdaptive(r.w, r.h, 0.02f,
                           [&](float x, float y) {
                               const Vec2 p{x, y};
                               Rgba under = SunkenTexel(p, strip, {c.x, 0}, c.x);
                               for (int k = 0; k < tiers; ++k) {
                                   const Vec2 s{
                                       c.x + 2.0f * (ShopSlotShift(tiers, k).x -
                                                     ShopSlotShift(tiers, 0).x -
                                                     0.5f * (ShopSlotShift(tiers, tiers - 1).x -
                                                             ShopSlotShift(tiers, 0).x)),
                                       c.y};
                                   const float sd = Length(p - s) - 24.0f;
                                   if (sd < 0.5f) {
                                       const Vec3 nn =
                                           Normalize(Vec3{-(p.x - s.x) / 24, -(p.y - s.y) / 24, 1});
                                       const Rgb dip = MattShade(nn, Hex(0x2a221c), 0.1f);
                                       under = Over(Premultiply(dip, Coverage(sd * 2.0f)), under);
                                   }
                               }
                               return under;
                           }),
            r.x, r.y);
    }
    sheet.Blit(Star(kSlot, 24.0f), kSlotStarX, kSlotY);
    // The cover: a carved stone lid with a gold stud.
    const float c = 0.5f * kSlot;
    sheet.Blit(RenderAdaptive(
                   kSlot, kSlot, 0.02f,
                   [&](float x, float y) {
                       const Vec2 q{x - c, y - c};
                       const float d = SdBox(q, {c - 3, c - 3}, 6.0f);
                       if (d > 0.5f)
                           return Rgba{};
                       const Vec2 g = SdGradient(
                           [&](Vec2 v) {
                               return SdBox(v, {c - 3, c - 3}, 6.0f);
                           },
                           q);
                       Rgb col = MattShade(
                           BevelNormal(d, g, 6.0f, 1.2f),
                           Hex(palette::kStone) * (0.8f + 0.4f * Noise(1, x, y, 1.0f)), 0.15f);
                       const float stud = Length(q) - 5.0f;
                       if (stud < 0.5f)
                           col =
                               MixRgb(col, GoldShade(Normalize(Vec3{q.x / 5, q.y / 5, 0.8f}), 0.7f),
                                      Coverage(stud * 2.0f));
                       return Premultiply(col, Coverage(d * 2.0f));
                   }),
               kCoverX, kSlotY);
    return sheet;
}

FloatImage PaintShopCtrls2() {
    FloatImage sheet(kShopCtrlsSize, kShopCtrlsSize);
    const FloatImage star = Star(kSpinFrame, 34.0f);
    // Half a turn in eight frames: the star seen ever more edge-on, then
    // turning back; the far side shows the darker back of the metal.
    for (int k = 0; k < kSpinFrames; ++k) {
        const float angle = float(k) * kPi / float(kSpinFrames);
        FloatImage frame = SqueezeHorizontally(star, std::max(std::fabs(std::cos(angle)), 0.08f));
        if (std::cos(angle) < 0)
            for (Rgba& px : frame.Pixels())
                px = Rgba{px.r * 0.7f, px.g * 0.6f, px.b * 0.5f, px.a};
        sheet.Blit(frame, kSpinX + kSpinFrame * (k / 4), kSpinFrame * (k % 4));
    }
    sheet.Blit(PaintGoldenStar(kBankStar), kBankStarX, kBankStarY);
    return sheet;
}

FloatImage PaintCursor() {
    // The arrow's outline (picture pixels, y down), its tip on the hot spot,
    // and the inlay inside it.
    const std::vector<Vec2> arrow = {{0.5f, 0.5f},   {0.5f, 24.0f},  {6.5f, 18.5f}, {11.0f, 28.5f},
                                     {15.5f, 26.5f}, {11.0f, 17.0f}, {19.0f, 16.5f}};
    const std::vector<Vec2> inlay = {{4.0f, 8.5f}, {4.0f, 17.5f}, {7.5f, 14.5f}, {12.0f, 14.0f}};
    const auto body = [&](Vec2 v) { return SdPolygon(arrow, v); };
    return RenderAdaptive(kCursorSize, kCursorSize, 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        const float d = body(p);
        // A dark rim one pixel wide keeps the arrow readable on gold menus.
        if (d > 1.6f)
            return Rgba{};
        Rgb col = GoldShade(BevelNormal(d, SdGradient(body, p), 2.5f, 1.2f), 0.6f);
        const float gem = SdPolygon(inlay, p);
        if (gem < 0.5f) {
            const Lit l = LightNormal(Normalize(Vec3{-0.3f, -0.3f, 1.0f}), 30.0f);
            const Rgb jade = Hex(palette::kJade) * (0.4f + 0.6f * l.diffuse) +
                             Hex(palette::kJadeLight) * (0.5f * l.specular);
            col = MixRgb(col, jade, Coverage(gem * 2.0f));
        }
        col = MixRgb(Hex(palette::kStoneDark), col, Coverage(d * 2.0f));
        return Premultiply(col, Coverage((d - 1.2f) * 2.0f));
    });
}

// ---- The shop page ---------------------------------------------------------

namespace {

// Totem items in card order, left to right.
constexpr int kTotemCardOrder[7] = {0, 1, 2, 3, 4, 5, 9};
constexpr int kSlotStep = 30, kButtonShift = 30, kButtonDrop = 32;
// Texels between a portrait's bottom edge and its name below.
constexpr int kPortraitClearance = 8;
// Where the totems' cards end, above the row of wide displays.
constexpr int kTotemRowEnd = 290;

Vec2 Centre(const AtlasRect& r) {
    return {float(r.x) + 0.5f * float(r.w), float(r.y) + 0.5f * float(r.h)};
}
Vec2 Half(const AtlasRect& r) {
    return {0.5f * float(r.w), 0.5f * float(r.h)};
}

// A rough dressed wall of large blocks.
Rgb Wall(Vec2 p) {
    const float broad = Noise(0, p.x, p.y, 0.5f), grain = Noise(1, p.x, p.y, 1.0f);
    Rgb c = Hex(0x3a322b) * (0.7f + 0.35f * broad + 0.15f * (grain - 0.5f));
    float bx = 0, by = 0;
    if (const float joint = BlockJoint(p, 96.0f, bx, by); joint < 1.5f)
        c = c * (0.45f + 0.3f * joint);
    return c;
}

// A recess cut into the wall: a gold rim, then a dark glassy floor that lets
// what lies behind the page show through; `deep` recesses are darker.
Rgba Recess(Vec2 p, const AtlasRect& r, float radius, Rgba wall, float floorAlpha) {
    const auto sd = [&](Vec2 v) { return SdBox(v - Centre(r), Half(r), radius); };
    const float d = sd(p);
    if (d > 0.5f) {
        // The wall darkens where the recess's lip throws its shadow.
        const float shade = 1.0f - 0.45f * Clamp01(1.0f - d / 6.0f);
        return Rgba{wall.r * shade, wall.g * shade, wall.b * shade, wall.a};
    }
    const float t = -d;
    Rgba in;
    if (t < 6.0f) {
        in = Premultiply(GoldShade(BevelNormal(d, SdGradient(sd, p), 6.0f, 1.4f), 0.6f), 1.0f);
    } else {
        const float depth = Clamp01((t - 6.0f) / 10.0f);
        const Rgb floor = Hex(0x0e1c17) * (1.0f - 0.4f * depth) + Hex(palette::kJade) * 0.08f;
        in = Premultiply(floor, 1.0f - (1.0f - floorAlpha) * depth);
    }
    return Over(in * Coverage(d * 2.0f), wall * (1.0f - Coverage(d * 2.0f)));
}

// A gold question sign in a dark disc, `size` x `size` * 14 / 9 texels.
Rgba QuestionTexel(Vec2 p, float w, float h) {
    const Vec2 c{0.5f * w, 0.36f * h};
    const float r = 0.3f * w;
    const float hook = SdArc(p - c, r, -kPi, 0.5f * kPi, 0.09f * w);
    const float stem = SdCapsule(p, c + Vec2{0, r}, c + Vec2{0, r + 0.16f * h}, 0.09f * w);
    const float dot = SdCircle(p - Vec2{c.x, 0.86f * h}, 0.11f * w);
    const float d = Union(Union(hook, stem), dot);
    return Premultiply(Hex(palette::kGoldLight), Coverage(d * 2.0f));
}

} // namespace

ShopCard ShopCardOf(int item) {
    ShopCard c;
    c.tiers = item == 2 || item >= 10 ? 3 : 4;
    if (item >= 6 && item <= 8)
        c.card = {22 + 328 * (item - 6), 296, 324, 176};
    else if (item >= 10)
        c.card = {22 + 164 * (item - 10), 478, 160, 212};
    else
        c.card = {
            22 + 140 * int(std::find(kTotemCardOrder, kTotemCardOrder + 7, item) - kTotemCardOrder),
            kShopCardsTop, 136, kTotemRowEnd - kShopCardsTop};
    const int cx = c.card.x + c.card.w / 2, bottom = c.card.y + c.card.h;
    c.plate = {cx - 64, bottom - 70, 128, 30};
    const int by = c.plate.y + c.plate.h / 2 + kButtonDrop - 15;
    c.minus = {cx - kButtonShift - 22, by, 44, 30};
    c.plus = {cx + kButtonShift - 22, by, 44, 30};
    c.name = {c.card.x + 4, bottom - 94, c.card.w - 8, 22};
    const int h = c.card.h - 104;
    if (item < 6 || item == 9) {
        // A portrait of 3 x 4 whose figure stands on the picture's bottom
        // edge: it ends short of that, so the base stays clear of the name.
        const int ph = h - kPortraitClearance;
        c.picture = {cx - ph * 3 / 8, c.card.y + 8, ph * 3 / 4, ph};
    } else
        c.picture = {c.card.x + 8, c.card.y + 8, c.card.w - 16, h};
    return c;
}

Vec2 ShopSlotShift(int tiers, int place) {
    return {(float(place) - 0.5f * float(tiers - 1)) * kSlotStep + kButtonShift,
            -float(kButtonDrop)};
}

AtlasRect ShopPortraitCell(int colour) {
    return {120 * (colour % 4), 160 * (colour / 4), 120, 160};
}

AtlasRect ShopSandOnPage() {
    const AtlasRect pic = ShopCardOf(7).picture;
    return {pic.x + (pic.w - kShopSandFront.w) / 2, pic.y + (pic.h - kShopSandFront.h) / 2,
            kShopSandFront.w, kShopSandFront.h};
}

FloatImage PaintShopFrame() {
    std::vector<std::pair<AtlasRect, float>> recesses; // rectangle, floor alpha
    for (int i = 0; i < kShopItems; ++i) {
        const ShopCard c = ShopCardOf(i);
        recesses.push_back({c.card, 0.45f});
    }
    recesses.push_back({kShopBank, 0.9f});
    recesses.push_back({kShopDescription, 0.8f});
    return RenderAdaptive(1024, 768, 0.02f, [&](float x, float y) {
        const Vec2 p{x, y};
        Rgba c = Premultiply(Wall(p), 1.0f);
        for (const auto& [r, alpha] : recesses) {
            if (x < float(r.x - 8) || y < float(r.y - 8) || x > float(r.x + r.w + 8) ||
                y > float(r.y + r.h + 8))
                continue;
            c = Recess(p, r, 12.0f, c, alpha);
        }
        return c;
    });
}

FloatImage PaintShopBack() {
    constexpr float n = float(kShopBack);
    return RenderAdaptive(kShopBack, kShopBack, 0.02f, [&](float x, float y) {
        // Periodic waves keep the picture seamless as it drifts.
        const float w = 0.5f + 0.25f * std::sin(2 * kPi * (x / n + 2 * y / n)) +
                        0.25f * std::sin(2 * kPi * (3 * x / n - y / n));
        Rgb c = MixRgb(Hex(0x0a2a22), Hex(palette::kJade), 0.35f * w);
        // Gold motes, one a cell of a wrapped grid.
        constexpr int kCells = 8;
        const float cell = n / kCells;
        for (int gy = 0; gy < kCells; ++gy)
            for (int gx = 0; gx < kCells; ++gx) {
                const uint32_t h = uint32_t(gx * 73856093) ^ uint32_t(gy * 19349663);
                const Vec2 m{(float(gx) + float(h % 97) / 97.0f) * cell,
                             (float(gy) + float((h / 97) % 89) / 89.0f) * cell};
                Vec2 d{std::fabs(x - m.x), std::fabs(y - m.y)};
                d = Vec2{std::min(d.x, n - d.x), std::min(d.y, n - d.y)};
                const float r = 2.0f + float(h % 5);
                c = c + Hex(palette::kGoldLight) * (0.5f * Glow(Length(d) / r, 1.5f));
            }
        return Premultiply(c, 1.0f);
    });
}

FloatImage PaintShopRays() {
    // The shop turns the rays by turning the square of texels it reads, 0.703
    // of the picture wide about its centre: the rays fade out within the
    // circle every turn of that square holds, or its edges would show.
    constexpr float kReach = 0.69f;
    constexpr float c = 0.5f * kShopRays;
    return RenderAdaptive(kShopRays, kShopRays, 0.02f, [&](float x, float y) {
        const Vec2 q{x - c, y - c};
        const float r = Length(q) / (kReach * c);
        const float fan = std::pow(0.5f + 0.5f * std::cos(std::atan2(q.y, q.x) * 12.0f), 2.0f);
        const float a = Clamp01((0.2f + 0.5f * fan) * Glow(r, 2.0f) * Clamp01((1.0f - r) * 3));
        return Premultiply(Hex(palette::kTorchLight), a);
    });
}

FloatImage PaintShopPointer() {
    constexpr float c = 0.5f * kShopPointer;
    return RenderAdaptive(kShopPointer, kShopPointer, 0.02f, [&](float x, float y) {
        const float r = Length(Vec2{x - c, y - c});
        const float ring = Glow((r - 0.72f * c) / (0.12f * c), 1.0f);
        return Premultiply(Hex(palette::kGoldLight), Clamp01(ring + 0.3f * Glow(r / c, 8.0f)));
    });
}

FloatImage PaintShopSheet(ShopSheet sheet) {
    FloatImage out(kShopAtlas, kShopAtlas);
    if (sheet == ShopSheet::Multiply)
        for (Rgba& px : out.Pixels())
            px = Rgba{0, 0, 0, 1};
    for (int colour = 0; colour < 7; ++colour) {
        const AtlasRect cell = ShopPortraitCell(colour);
        const TotemPortrait look = sheet == ShopSheet::Colour       ? TotemPortrait::Colour
                                   : sheet == ShopSheet::BlackWhite ? TotemPortrait::Carved
                                                                    : TotemPortrait::Silhouette;
        FloatImage portrait = PaintTotemPortrait(colour, cell.w, cell.h, look);
        // The darkening blend takes away what this sheet holds: the figure's
        // shape, and nothing round it, so the niche keeps its soft edges.
        if (sheet == ShopSheet::Multiply)
            for (Rgba& px : portrait.Pixels())
                px = Rgba{0.6f * px.a, 0.6f * px.a, 0.6f * px.a, 1};
        out.Blit(portrait, cell.x, cell.y);
    }
    if (sheet == ShopSheet::Colour) {
        const AtlasRect& q = kShopQSign;
        out.Blit(RenderAdaptive(q.w, q.h, 0.02f,
                                [&](float x, float y) {
                                    return QuestionTexel({x, y}, float(q.w), float(q.h));
                                }),
                 q.x, q.y);
        // The time dial's face: a jade disc in a thin gold ring.
        const AtlasRect& d = kShopDialDisc;
        const float r = 0.5f * float(d.w);
        out.Blit(RenderAdaptive(d.w, d.h, 0.02f,
                                [&](float x, float y) {
                                    const Vec2 v{x - r, y - r};
                                    const float l = Length(v);
                                    const Vec3 n = Normalize(Vec3{v.x / r, v.y / r, 1.2f});
                                    Rgb col = l > r - 4 ? GoldShade(n, 0.6f)
                                                        : Hex(palette::kJadeLight) *
                                                              (0.55f + 0.45f * (1 - l / r));
                                    return Premultiply(col, Coverage((l - r + 0.5f) * 2.0f));
                                }),
                 d.x, d.y);
        // The sand box's front: a gold frame round an open window.
        const AtlasRect& f = kShopSandFront;
        const Vec2 fc{0.5f * float(f.w), 0.5f * float(f.h)}, fh = fc - Vec2{2, 2};
        const auto frameSd = [&](Vec2 v) {
            return std::max(SdBox(v - fc, fh, 10), -SdBox(v - fc, fh - Vec2{10, 9}, 5));
        };
        out.Blit(RenderAdaptive(f.w, f.h, 0.02f,
                                [&](float x, float y) {
                                    const Vec2 p{x, y};
                                    const float d = frameSd(p);
                                    const Vec3 n =
                                        BevelNormal(d, SdGradient(frameSd, p), 5.0f, 1.3f);
                                    return Premultiply(GoldShade(n, 0.6f), Coverage(d * 2.0f));
                                }),
                 f.x, f.y);
    } else if (sheet == ShopSheet::BlackWhite) {
        // The sand box's glass: a pale pane brighter along its top, where
        // the glass curves towards the light.
        const AtlasRect& g = kShopSandGlass;
        out.Blit(
            RenderAdaptive(
                g.w, g.h, 0.02f,
                [&](float x, float y) {
                    const float d = SdBox(Vec2{x - 0.5f * g.w, y - 0.5f * g.h},
                                          {0.5f * g.w - 8, 0.5f * g.h - 7}, 6);
                    const float shine = Glow((y - 14.0f) / 5.0f, 1.0f);
                    const float v = 0.55f + 0.45f * shine;
                    return Premultiply(Rgb{v, v, v}, (0.35f + 0.5f * shine) * Coverage(d * 2.0f));
                }),
            g.x, g.y);
    }
    return out;
}

} // namespace gen
