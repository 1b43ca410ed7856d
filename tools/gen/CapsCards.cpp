#include "CapsCards.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "CapsGems.h"
#include "CapsLayout.h"
#include "Sdf.h"

namespace gen {

namespace {

constexpr int kSamples = 4;
constexpr int kGrid = kMemoryCell * kSamples;
constexpr float kCentre = 0.5f * float(kMemoryCell);
// Texels per unit: the card reaches 74 texels from the centre (a 148-texel
// card in a 168 cell: a few pixels apart on the 83-pixel board grid, with room
// for the shadow and the gutter).
constexpr float kUnit = 74.0f;
constexpr float kCardHalf = 1.0f, kCardCorner = 0.15f;
constexpr Vec2 kShadowOffset{2.0f, 3.0f};
constexpr float kShadowBlur = 2.6f;
constexpr float kShadowOpacity = 0.45f;

const Vec3 kLight = LightDirection();
const Vec2 kLightFlat = Normalize(Vec2{kLight.x, kLight.y});
const Vec3 kHalf = Normalize(kLight + Vec3{0, 0, 1});

// How far a card is turned in each frame: its width and brightness.
struct Turn {
    float width, brightness;
};
const Turn kFaceTurns[kCardFrames] = {{1.0f, 1.0f}, {0.80f, 0.90f}, {0.40f, 0.74f}};
const Turn kBackTurns[kBackFrames] = {{1.0f, 1.0f}, {0.45f, 0.80f}};

float CardDistance(Vec2 p) { return SdBox(p, {kCardHalf, kCardHalf}, kCardCorner); }

// --- Symbols ---------------------------------------------------------------

// A rounded S-curve with a head: the serpent.
float Serpent(Vec2 p) {
    // The body follows two half-turns; its thickness swells from the tail.
    constexpr int kSteps = 28;
    float d = 1e9f;
    Vec2 prev{};
    float prevR = 0;
    for (int i = 0; i <= kSteps; ++i) {
        const float t = float(i) / float(kSteps);  // 0 tail .. 1 head
        Vec2 q;
        if (t < 0.5f) {
            // Lower loop, from the bottom left round the right to the middle.
            const float a = 3 * kPi / 4 - (t / 0.5f) * (5 * kPi / 4);
            q = {0.25f * std::cos(a), 0.24f + 0.25f * std::sin(a)};
        } else {
            // Upper loop, from the middle round the left to the top right.
            const float a = kPi / 2 + ((t - 0.5f) / 0.5f) * (5 * kPi / 4);
            q = {0.25f * std::cos(a), -0.26f + 0.25f * std::sin(a)};
        }
        const float r = 0.045f + 0.085f * std::sqrt(std::min(t * 1.6f, 1.0f));
        if (i > 0)
            d = std::min(d, DistSegment(p, prev, q) - 0.5f * (r + prevR));
        prev = q;
        prevR = r;
    }
    // Head at the upper end, looking right, with an eye cut out.
    const Vec2 headAt{0.26f, -0.44f};
    float head = SdEllipse(Rotate(p - headAt, 0.35f), {0.16f, 0.10f});
    head = Subtract(head, SdCircle(p - (headAt + Vec2{0.03f, -0.03f}), 0.03f));
    d = SmoothUnion(d, head, 0.03f);
    // A forked tongue.
    const Vec2 tongue = headAt + Vec2{0.15f, 0.07f};
    d = Union(d, SdCapsule(p, tongue, tongue + Vec2{0.10f, 0.02f}, 0.014f));
    d = Union(d, SdCapsule(p, tongue + Vec2{0.10f, 0.02f}, tongue + Vec2{0.16f, -0.02f}, 0.012f));
    d = Union(d, SdCapsule(p, tongue + Vec2{0.10f, 0.02f}, tongue + Vec2{0.16f, 0.07f}, 0.012f));
    return d;
}

// A disc with a face, a ring and sixteen rays, long and short in turn.
float Sun(Vec2 p) {
    float d = SdCircle(p, 0.27f);
    d = Subtract(d, SdCircle(p - Vec2{-0.10f, -0.05f}, 0.045f));
    d = Subtract(d, SdCircle(p - Vec2{0.10f, -0.05f}, 0.045f));
    d = Subtract(d, SdArc(p - Vec2{0, 0.02f}, 0.13f, kPi * 0.2f, kPi * 0.8f, 0.022f));
    d = Union(d, std::fabs(SdCircle(p, 0.36f)) - 0.035f);
    const float step = 2 * kPi / 16;
    const float a = std::atan2(p.y, p.x);
    const int k = int(std::lround(a / step));
    const Vec2 q = Rotate(p, -float(k) * step);
    const float tip = (k % 2 == 0) ? 0.66f : 0.55f;
    const std::vector<Vec2> ray{{0.42f, -0.085f}, {tip, 0.0f}, {0.42f, 0.085f}};
    return Union(d, SdPolygon(ray, q));
}

// A ceremonial mask with eye holes, a mouth and a jewel on the brow.
float Mask(Vec2 p) {
    const std::vector<Vec2> outline{{-0.50f, -0.52f}, {0.50f, -0.52f}, {0.52f, 0.02f},
                                    {0.22f, 0.58f},  {-0.22f, 0.58f}, {-0.52f, 0.02f}};
    float d = SdPolygon(InsetConvex(outline, 0.10f), p) - 0.10f;
    d = Subtract(d, SdEllipse(Rotate(p - Vec2{-0.21f, -0.12f}, 0.18f), {0.15f, 0.065f}));
    d = Subtract(d, SdEllipse(Rotate(p - Vec2{0.21f, -0.12f}, -0.18f), {0.15f, 0.065f}));
    d = Subtract(d, SdEllipse(p - Vec2{0, 0.30f}, {0.15f, 0.05f}));
    d = Subtract(d, std::fabs(SdCircle(p - Vec2{0, -0.36f}, 0.07f)) - 0.018f);
    // Ear ornaments.
    d = Union(d, SdCircle(p - Vec2{-0.60f, -0.10f}, 0.08f));
    d = Union(d, SdCircle(p - Vec2{0.60f, -0.10f}, 0.08f));
    return d;
}

// A small standing idol on a plinth, with a fan headdress.
float Idol(Vec2 p) {
    float d = SdBox(p - Vec2{0, -0.30f}, {0.17f, 0.15f}, 0.05f);
    // Headdress: a half fan above the head.
    const float fan = Intersect(SdEllipse(p - Vec2{0, -0.42f}, {0.36f, 0.22f}), p.y + 0.42f);
    d = Union(d, fan);
    d = Subtract(d, SdBox(p - Vec2{-0.075f, -0.30f}, {0.035f, 0.025f}));
    d = Subtract(d, SdBox(p - Vec2{0.075f, -0.30f}, {0.035f, 0.025f}));
    d = Subtract(d, SdBox(p - Vec2{0, -0.20f}, {0.06f, 0.015f}));
    const std::vector<Vec2> body{{-0.30f, -0.12f}, {0.30f, -0.12f}, {0.22f, 0.42f}, {-0.22f, 0.42f}};
    float torso = SdPolygon(body, p);
    torso = Subtract(torso, SdBox(p - Vec2{0, 0.05f}, {0.32f, 0.022f}));
    torso = Subtract(torso, SdBox(p - Vec2{0, 0.28f}, {0.015f, 0.16f}));
    d = Union(d, torso);
    d = Union(d, SdBox(p - Vec2{0, 0.52f}, {0.36f, 0.07f}, 0.02f));
    return d;
}

// A jaguar's paw print: a pad and four toes.
float Paw(Vec2 p) {
    const std::vector<Vec2> pad{{-0.30f, 0.44f}, {-0.34f, 0.22f}, {-0.12f, 0.02f}, {0.12f, 0.02f},
                                {0.34f, 0.22f},  {0.30f, 0.44f}};
    float d = SdPolygon(InsetConvex(pad, 0.10f), p) - 0.10f;
    const Vec2 toes[4] = {{-0.40f, -0.14f}, {-0.15f, -0.38f}, {0.15f, -0.38f}, {0.40f, -0.14f}};
    const float tilt[4] = {-0.55f, -0.18f, 0.18f, 0.55f};
    for (int i = 0; i < 4; ++i)
        d = Union(d, SdEllipse(Rotate(p - toes[i], -tilt[i]), {0.105f, 0.14f}));
    return d;
}

// A crescent moon with a four-pointed star.
float Moon(Vec2 p) {
    float d = Subtract(SdCircle(p - Vec2{-0.06f, 0}, 0.52f), SdCircle(p - Vec2{0.16f, -0.12f}, 0.44f));
    const Vec2 s = p - Vec2{0.26f, 0.10f};
    std::vector<Vec2> star;
    for (int i = 0; i < 8; ++i) {
        const float r = (i % 2 == 0) ? 0.17f : 0.05f;
        const float a = -kPi / 2 + float(i) * kPi / 4;
        star.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return Union(d, SdPolygon(star, s));
}

// A stepped pyramid with a stair and a temple on top.
float Pyramid(Vec2 p) {
    float d = 1e9f;
    for (int i = 0; i < 4; ++i) {
        const float y = 0.46f - float(i) * 0.17f;
        const float w = 0.64f - float(i) * 0.14f;
        d = Union(d, SdBox(p - Vec2{0, y}, {w, 0.075f}, 0.015f));
    }
    // Temple with a doorway.
    float temple = SdBox(p - Vec2{0, -0.33f}, {0.16f, 0.10f}, 0.015f);
    temple = Union(temple, SdBox(p - Vec2{0, -0.46f}, {0.20f, 0.03f}, 0.01f));
    temple = Subtract(temple, SdBox(p - Vec2{0, -0.30f}, {0.05f, 0.07f}, 0.02f));
    d = Union(d, temple);
    // The stair runs up the middle as a groove with treads.
    const float stair = SdBox(p - Vec2{0, 0.15f}, {0.075f, 0.38f});
    d = Subtract(d, Intersect(stair, -(std::fabs(std::fmod(p.y + 10.0f, 0.085f) - 0.0425f) - 0.012f)));
    return d;
}

float Symbol(int picture, Vec2 p) {
    // The symbols are drawn for a box of about 1.3 units; shown a little larger.
    constexpr float kScale = 1.12f;
    p = p * (1.0f / kScale);
    float d = 1e9f;
    switch (picture) {
    case 0: d = Serpent(p); break;
    case 1: d = Sun(p); break;
    case 2: d = Mask(p); break;
    case 3: d = Idol(p); break;
    case 4: d = Paw(p); break;
    case 5: d = Moon(p); break;
    case 6: d = Pyramid(p); break;
    default: return 1e9f;  // the blank card
    }
    return d * kScale;
}

// The inlay of the back: frame, diamond, medallion and studs.
float BackInlay(Vec2 p) {
    float d = std::fabs(SdBox(p, {0.80f, 0.80f}, 0.10f)) - 0.03f;
    const float diamond = (std::fabs(p.x) + std::fabs(p.y) - 0.58f) * 0.70710678f;
    d = Union(d, std::fabs(diamond) - 0.028f);
    d = Union(d, std::fabs(SdCircle(p, 0.26f)) - 0.03f);
    d = Union(d, SdCircle(p, 0.12f));
    const Vec2 studs[4] = {{0.0f, -0.70f}, {0.70f, 0.0f}, {0.0f, 0.70f}, {-0.70f, 0.0f}};
    for (Vec2 s : studs)
        d = Union(d, SdCircle(p - s, 0.055f));
    const Vec2 corners[4] = {{-0.62f, -0.62f}, {0.62f, -0.62f}, {0.62f, 0.62f}, {-0.62f, 0.62f}};
    for (Vec2 c : corners) {
        const Vec2 q = p - c;
        d = Union(d, (std::fabs(q.x) + std::fabs(q.y) - 0.09f) * 0.70710678f);
    }
    return d;
}

// Carved (not inlaid) lines of the back: a second diamond and rays.
float BackCarving(Vec2 p) {
    const float diamond = (std::fabs(p.x) + std::fabs(p.y) - 0.44f) * 0.70710678f;
    float d = std::fabs(diamond) - 0.012f;
    for (int i = 0; i < 8; ++i) {
        const float a = float(i) * kPi / 4 + kPi / 8;
        const Vec2 dir{std::cos(a), std::sin(a)};
        d = Union(d, SdCapsule(p, dir * 0.32f, dir * 0.40f, 0.012f));
    }
    return d;
}

// --- Drawing ---------------------------------------------------------------

// A shape's distances on a grid of half the sample density, read back with
// bilinear filtering: distance fields are smooth, so this loses nothing and
// quarters the cost of the more elaborate symbols.
class CoarseField {
public:
    CoarseField(float (*shape)(int, Vec2), int arg) : size_(kGrid / 2 + 2), values_(size_t(size_) * size_t(size_)) {
        for (int j = 0; j < size_; ++j)
            for (int i = 0; i < size_; ++i)
                values_[size_t(j) * size_t(size_) + size_t(i)] = shape(arg, PointOf(float(i), float(j)));
    }
    // Distance at a point (units).
    float At(Vec2 p) const {
        const float fx = std::clamp((p.x * kUnit + kCentre) * kSamples / 2.0f - 0.5f, 0.0f, float(size_ - 2));
        const float fy = std::clamp((p.y * kUnit + kCentre) * kSamples / 2.0f - 0.5f, 0.0f, float(size_ - 2));
        const int x0 = std::min(int(fx), size_ - 2), y0 = std::min(int(fy), size_ - 2);
        const float tx = fx - float(x0), ty = fy - float(y0);
        const auto at = [&](int i, int j) { return values_[size_t(j) * size_t(size_) + size_t(i)]; };
        return Mix(Mix(at(x0, y0), at(x0 + 1, y0), tx), Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
    }
    // Outward unit direction of the shape's edge near `p`.
    Vec2 Outward(Vec2 p) const {
        const float h = 2.0f / (kSamples * kUnit);
        return Normalize(Vec2{At(p + Vec2{h, 0}) - At(p - Vec2{h, 0}), At(p + Vec2{0, h}) - At(p - Vec2{0, h})});
    }

private:
    static Vec2 PointOf(float i, float j) {
        const float step = 2.0f / float(kSamples);  // texels per grid step
        return {((i + 0.5f) * step - kCentre) / kUnit, ((j + 0.5f) * step - kCentre) / kUnit};
    }
    int size_;
    std::vector<float> values_;
};

// Shading of a raised rounded edge: `inside` units from the edge of a bevel
// `width` wide, outward direction `out`; returns the normal.
Vec3 BevelNormal(Vec2 out, float inside, float width, float steepness) {
    const float slope = steepness * std::max(0.0f, 1.0f - inside / width);
    return Normalize(Vec3{out.x * slope, out.y * slope, 1.0f});
}

// Brightness of a surface of normal n relative to a flat one.
float Relief(Vec3 n) { return std::max(Dot(n, kLight), 0.0f) / kLight.z; }

float Specular(Vec3 n, float power) { return std::pow(std::max(Dot(n, kHalf), 0.0f), power); }

float ShadowAlpha(float distancePx) {
    return kShadowOpacity * (1.0f - SmoothStep(-kShadowBlur, kShadowBlur, distancePx));
}

// Centre of sample (sx, sy) in units.
Vec2 SamplePoint(int sx, int sy) {
    const float inv = 1.0f / float(kSamples);
    return {((float(sx) + 0.5f) * inv - kCentre) / kUnit, ((float(sy) + 0.5f) * inv - kCentre) / kUnit};
}

// A card's tile without what lies on it: outline, shadow, bevel, rim.
struct Tile {
    float cover = 0, shadow = 0;
    float relief = 1;  // brightness of the bevel
    float rim = 0;     // the dark line along the outline
};

Tile TileAt(Vec2 p, float bevel) {
    Tile t;
    const float d = CardDistance(p);
    t.cover = Clamp01(0.5f - d * kUnit * float(kSamples));
    if (t.cover < 1)
        t.shadow = ShadowAlpha(CardDistance(p - kShadowOffset * (1.0f / kUnit)) * kUnit);
    if (t.cover <= 0 || -d >= bevel)
        return t;
    const float e = 1e-3f;
    const Vec2 out = Normalize(Vec2{CardDistance(p + Vec2{e, 0}) - d, CardDistance(p + Vec2{0, e}) - d});
    t.relief = Relief(BevelNormal(out, -d, bevel, 1.4f));
    t.rim = Bell(-d * kUnit / 1.0f);
    return t;
}

// What every picture card shares, per sample: the limestone tile and its gold
// frame, before the symbol is laid in.
struct FaceSample {
    Tile tile;
    Rgb colour;  // lit stone or gold, before the bevel's relief
    Rgb glow;    // what the cursor light adds
    bool gold = false;
};

std::vector<FaceSample> PaintFaceTile() {
    const NoiseField grain(256, 6, 5, 0.55f, 1234);
    const NoiseField speckle(256, 64, 1, 0.5f, 4321);
    const Rgb stoneLight = FromHex(0xe6d8b6), stoneDark = FromHex(0xb8a47c);
    const Rgb goldDark = FromHex(0x6e4a12), gold = FromHex(0xc99a34), goldLight = FromHex(0xffe596);
    const Rgb white{1, 1, 1};
    const Vec2 frameHalf{0.83f, 0.83f};
    std::vector<FaceSample> face(size_t(kGrid) * size_t(kGrid));
    for (int sy = 0; sy < kGrid; ++sy)
        for (int sx = 0; sx < kGrid; ++sx) {
            const Vec2 p = SamplePoint(sx, sy);
            FaceSample& f = face[size_t(sy) * kGrid + size_t(sx)];
            f.tile = TileAt(p, 0.07f);
            if (f.tile.cover <= 0)
                continue;
            // Limestone with grain and speckles, a little darker at the rim.
            const float g = grain.Sample(float(sx) * 0.12f, float(sy) * 0.12f);
            const float sp = speckle.Sample(float(sx) * 0.35f, float(sy) * 0.35f);
            Rgb c = MixRgb(stoneDark, stoneLight, Clamp01(0.6f + 0.9f * (g - 0.5f) - 0.12f * (p.x + p.y)));
            if (sp > 0.78f)
                c = c * 0.86f;
            c = c * (0.93f + 0.07f * SmoothStep(0.0f, 0.3f, -CardDistance(p)));
            Rgb glow = c * 0.03f;
            // The gold frame: a raised rounded bar with its shadow in the stone.
            const float frame = SdBox(p, frameHalf, 0.10f);
            const float bar = std::fabs(frame) - 0.024f;
            if (bar < 0.03f) {
                const float e = 1e-3f;
                const Vec2 fo = Normalize(Vec2{SdBox(p + Vec2{e, 0}, frameHalf, 0.10f) - frame,
                                               SdBox(p + Vec2{0, e}, frameHalf, 0.10f) - frame});
                if (bar < 0) {
                    const float across = std::clamp(frame / 0.024f, -1.0f, 1.0f);  // -1 inner .. 1 outer
                    const Vec3 bn = Normalize(Vec3{fo.x * across * 1.3f, fo.y * across * 1.3f, 1.0f});
                    const float l = Relief(bn);
                    Rgb m = l > 1 ? MixRgb(gold, goldLight, Clamp01((l - 1) * 1.8f)) : MixRgb(goldDark, gold, l);
                    m = m + white * (0.5f * Specular(bn, 24.0f));
                    const float k = Clamp01(-bar * kUnit * float(kSamples) + 0.5f);
                    c = MixRgb(c, m, k);
                    glow = MixRgb(glow, m * 0.45f, k);
                    f.gold = k > 0.5f;
                } else {
                    const float side = Clamp01(0.5f - 0.5f * Dot(frame > 0 ? fo : fo * -1.0f, kLightFlat));
                    c = c * (1.0f - 0.35f * (1.0f - bar / 0.03f) * (0.4f + 0.6f * side));
                }
            }
            f.colour = c;
            f.glow = glow;
        }
    return face;
}

struct CardPictures {
    FloatImage picture, light;
};

float SymbolShape(int picture, Vec2 p) { return Symbol(picture, p); }
float InlayShape(int, Vec2 p) { return BackInlay(p); }

CardPictures PaintFace(const std::vector<FaceSample>& tile, int picture) {
    const bool blank = picture >= 7;
    std::unique_ptr<CoarseField> symbol;
    if (!blank)
        symbol = std::make_unique<CoarseField>(SymbolShape, picture);
    const GemColours gem = TokenColours(std::min(picture, 6));
    const Rgb white{1, 1, 1};
    FloatImage big(kGrid, kGrid), bigLight(kGrid, kGrid);
    for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
            const size_t i = size_t(sy) * kGrid + size_t(sx);
            const FaceSample& f = tile[i];
            if (f.tile.cover <= 0) {
                big.Pixels()[i] = {0, 0, 0, f.tile.shadow};
                continue;
            }
            Rgb c = f.colour, glow = f.glow;
            const Vec2 p = SamplePoint(sx, sy);
            const float ds = symbol ? symbol->At(p) : 1e9f;
            if (ds < 0) {
                // The inlaid gem: a rounded bevel, lit; glowing towards the
                // bottom right where the light comes through.
                const Vec2 so = symbol->Outward(p);
                const Vec3 sn = BevelNormal(so, -ds, 0.06f, 1.6f);
                const float l = Relief(sn);
                const Vec2 q = p - Vec2{0.2f, 0.25f};
                const float through = std::exp(-Dot(q, q) / 0.25f);
                const float t = Clamp01(0.42f + 0.35f * (l - 1.0f) + 0.22f * through - 0.10f * (p.x + p.y));
                Rgb m = t < 0.5f ? MixRgb(gem.deep, gem.body, t * 2) : MixRgb(gem.body, gem.bright, t * 2 - 1);
                m = m + white * (0.6f * Specular(sn, 30.0f));
                // A thin bright rim facing the light.
                m = m + gem.bright * (0.5f * Bell(-ds * kUnit / 1.4f) * std::max(0.0f, Dot(so, kLightFlat)));
                const float k = Clamp01(-ds * kUnit * float(kSamples) + 0.5f);
                c = MixRgb(c, m, k);
                glow = MixRgb(glow, gem.body * 0.35f + gem.bright * 0.25f, k);
            } else if (ds < 0.035f && !f.gold) {
                // The groove the inlay sits in.
                const Vec2 so = symbol->Outward(p);
                const float side = Clamp01(0.5f - 0.5f * Dot(so, kLightFlat));
                c = c * (1.0f - 0.55f * (1.0f - ds / 0.035f) * (0.35f + 0.65f * side));
            }
            c = c * (f.tile.relief * (1.0f - 0.35f * f.tile.rim));
            big.Pixels()[i] = Over(Premultiply(c, f.tile.cover), Rgba{0, 0, 0, f.tile.shadow});
            bigLight.Pixels()[i] = Premultiply(glow, f.tile.cover);
        }
    }
    return {Downsample(big, kSamples), Downsample(bigLight, kSamples)};
}

CardPictures PaintBack() {
    const CoarseField inlay(InlayShape, 0);
    const NoiseField grain(256, 5, 5, 0.6f, 777);
    const NoiseField veins(256, 3, 4, 0.5f, 999);
    const Rgb stoneDark = FromHex(0x1c2624), stone = FromHex(0x34463f), stoneLight = FromHex(0x4f6a5e);
    const Rgb goldDark = FromHex(0x6e4a12), gold = FromHex(0xd0a03a), goldLight = FromHex(0xffe89e);
    const Rgb white{1, 1, 1};
    FloatImage big(kGrid, kGrid), bigLight(kGrid, kGrid);
    for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
            const Vec2 p = SamplePoint(sx, sy);
            const size_t i = size_t(sy) * kGrid + size_t(sx);
            const Tile tile = TileAt(p, 0.08f);
            if (tile.cover <= 0) {
                big.Pixels()[i] = {0, 0, 0, tile.shadow};
                continue;
            }
            const float g = grain.Sample(float(sx) * 0.10f, float(sy) * 0.10f);
            const float v = veins.Sample(float(sx) * 0.05f + 40.0f, float(sy) * 0.05f);
            Rgb c = MixRgb(stoneDark, stone, Clamp01(0.55f + 1.1f * (g - 0.5f)));
            // Pale veins through the stone.
            c = MixRgb(c, stoneLight, 0.45f * Bell((v - 0.5f) / 0.018f));
            c = c * (1.08f - 0.16f * Clamp01(0.5f + 0.5f * (p.x + p.y)));
            Rgb glow = c * 0.12f;
            // Carved lines, dark.
            const float carve = BackCarving(p);
            if (carve < 0.02f)
                c = c * (1.0f - 0.55f * Clamp01(1.0f - std::max(carve, 0.0f) / 0.02f));
            const float ds = inlay.At(p);
            if (ds < 0) {
                const Vec2 so = inlay.Outward(p);
                const Vec3 gn = BevelNormal(so, -ds, 0.025f, 1.3f);
                const float l = Relief(gn);
                Rgb m = l > 1 ? MixRgb(gold, goldLight, Clamp01((l - 1) * 1.6f)) : MixRgb(goldDark, gold, l);
                m = m * (1.05f - 0.15f * (p.x + p.y));
                m = m + white * (0.45f * Specular(gn, 24.0f));
                const float k = Clamp01(-ds * kUnit * float(kSamples) + 0.5f);
                c = MixRgb(c, m, k);
                glow = MixRgb(glow, m * 0.5f, k);
            } else if (ds < 0.03f) {
                const Vec2 so = inlay.Outward(p);
                const float side = Clamp01(0.5f - 0.5f * Dot(so, kLightFlat));
                c = c * (1.0f - 0.5f * (1.0f - ds / 0.03f) * (0.3f + 0.7f * side));
            }
            c = c * (tile.relief * (1.0f - 0.4f * tile.rim));
            big.Pixels()[i] = Over(Premultiply(c, tile.cover), Rgba{0, 0, 0, tile.shadow});
            bigLight.Pixels()[i] = Premultiply(glow, tile.cover);
        }
    }
    return {Downsample(big, kSamples), Downsample(bigLight, kSamples)};
}

// Darkens the colour of a premultiplied picture, leaving its alpha.
void Dim(FloatImage& image, float brightness) {
    for (Rgba& p : image.Pixels()) {
        p.r *= brightness;
        p.g *= brightness;
        p.b *= brightness;
    }
}

std::vector<CardFrame> TurnFrames(const CardPictures& flat, bool back) {
    const Turn* turns = back ? kBackTurns : kFaceTurns;
    const int count = back ? kBackFrames : kCardFrames;
    std::vector<CardFrame> frames;
    for (int f = 0; f < count; ++f) {
        CardFrame frame;
        if (turns[f].width >= 1.0f) {
            frame.picture = flat.picture;
            frame.light = flat.light;
        } else {
            frame.picture = SqueezeHorizontally(flat.picture, turns[f].width);
            frame.light = SqueezeHorizontally(flat.light, turns[f].width);
        }
        Dim(frame.picture, turns[f].brightness);
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace

std::vector<std::vector<CardFrame>> PaintCards() {
    std::vector<std::vector<CardFrame>> cards;
    const std::vector<FaceSample> tile = PaintFaceTile();
    for (int record = kTokenRecords; record < kBackRecord; ++record)
        cards.push_back(TurnFrames(PaintFace(tile, record - kTokenRecords), false));
    cards.push_back(TurnFrames(PaintBack(), true));
    return cards;
}

}  // namespace gen
