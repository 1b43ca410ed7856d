#include "CapsCards.h"

#include <algorithm>
#include <cmath>

#include "ArtCommon.h"
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

// --- The back ------------------------------------------------------------

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

float InlayShape(int, Vec2 p) { return BackInlay(p); }

// The round well a picture card's gem sits in, `kWell` units across.
constexpr float kWell = 0.66f, kWellWall = 0.07f;

// A picture card: the tile with the well carved into it and, unless the card
// is the blank one, the token's gem set in the well, its rest picture as the
// board shows it.
CardPictures PaintFace(const std::vector<FaceSample>& tile, const TokenFrame* gem) {
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
            const float dw = Length(p) - kWell;
            if (dw < 0) {
                // Sunk into the stone: the floor lies in shade, and the wall
                // that faces the light (the lower right one) catches it.
                const Vec2 out = Normalize(p);
                const Vec3 n = BevelNormal(out * -1.0f, -dw, kWellWall, 1.2f);
                c = c * (0.8f * Relief(n));
                glow = glow * 0.8f;
            } else if (dw < 0.03f) {
                // The lip of the well, worn a little darker.
                c = c * (0.9f + 0.1f * dw / 0.03f);
            }
            c = c * (f.tile.relief * (1.0f - 0.35f * f.tile.rim));
            big.Pixels()[i] = Over(Premultiply(c, f.tile.cover), Rgba{0, 0, 0, f.tile.shadow});
            bigLight.Pixels()[i] = Premultiply(glow, f.tile.cover);
        }
    }
    CardPictures face{Downsample(big, kSamples), Downsample(bigLight, kSamples)};
    if (gem != nullptr) {
        const int at = (kMemoryCell - kCardGemSize) / 2;
        face.picture.BlitOver(Resample(gem->normal, kCardGemSize, kCardGemSize), at, at);
        face.light.BlitOver(Resample(gem->light, kCardGemSize, kCardGemSize), at, at);
    }
    return face;
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

std::vector<std::vector<CardFrame>> PaintCards(const std::vector<std::vector<TokenFrame>>& tokens) {
    std::vector<std::vector<CardFrame>> cards;
    const std::vector<FaceSample> tile = PaintFaceTile();
    for (int record = kTokenRecords; record < kBackRecord; ++record) {
        // The last picture card is the blank one.
        const size_t colour = size_t(record - kTokenRecords);
        const bool blank = record == kBackRecord - 1 || colour >= tokens.size() || tokens[colour].empty();
        const TokenFrame* gem = blank ? nullptr : &tokens[colour].front();
        cards.push_back(TurnFrames(PaintFace(tile, gem), false));
    }
    cards.push_back(TurnFrames(PaintBack(), true));
    return cards;
}

}  // namespace gen
