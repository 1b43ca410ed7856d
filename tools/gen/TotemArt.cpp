#include "TotemArt.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>

#include "ArtBoard.h"
#include "ArtCommon.h"
#include "CapsGems.h"
#include "FxSprites.h"
#include "GenCommon.h"
#include "MenuShop.h"

namespace gen {

namespace {

constexpr int kColours = 7;
constexpr int kTiers = 4;
constexpr int kSuper = 4;
constexpr int kJpegQuality = 95;
const char* const kSections[kColours] = {"Green",  "Yellow", "Red",   "Blue",
                                         "Orange", "White",  "Violet"};

// ---- Figure geometry -------------------------------------------------------
// A figure is drawn in a frame of kFrame x kFrame figure pixels (y down, the
// figure's centre line at x 128): a carved head, a body with two gem eyes and
// a mouth, and a plinth.
constexpr float kFrame = 256.0f;
constexpr Vec2 kHeadCentre{128, 84};
constexpr Vec2 kBodyCentre{128, 170};
constexpr Vec2 kBodyHalf{38, 54};
constexpr Vec2 kBaseCentre{128, 234};
constexpr Vec2 kBaseHalf{54, 12};
constexpr Vec2 kEyes[2] = {{113, 158}, {143, 158}};
constexpr float kEyeRadius = 8.5f;
constexpr float kHeadGemRadius = 13.0f;
constexpr float kGroove = 2.2f;

// Where each picture lies in the figure frame (figure pixels) and in its
// atlas (texels): the same table places the painting and writes the sprite
// keys of "Totems.cfg".
struct Piece {
    float fx, fy, fw, fh; // in the figure frame
    float u0, v0, u1, v1; // in the atlas; u1 < u0 mirrors
    float z;              // depth offset: ornaments lie in front
};
// The colour figure pictures (512 x 256): the body at the left, the ornaments
// in 128 x 128 cells at the right.
constexpr int kFigureAtlasW = 512, kFigureAtlasH = 256;
constexpr Piece kBody{0, 0, 256, 256, 0, 0, 256, 256, 0};
constexpr Piece kCollar{64, 54, 128, 128, 256, 0, 384, 128, -1};
constexpr Piece kWingLeft{0, 64, 128, 128, 384, 0, 512, 128, -1};
constexpr Piece kWingRight{128, 64, 128, 128, 512, 0, 384, 128, -1};
constexpr Piece kCrown{64, 0, 128, 128, 256, 128, 384, 256, -1};
// The pieces of the selected and shop figure by tier: each tier adds one.
const std::vector<Piece> kTierPieces[kTiers] = {
    {kBody},
    {kBody, kCollar},
    {kBody, kCollar, kWingLeft, kWingRight},
    {kBody, kCollar, kWingLeft, kWingRight, kCrown},
};

// Standing figures ("SmallTotem1.png", 256 x 256): 3 x 3 cells of 80 texels
// every 84; cells 0..6 the colours, 7 the wings, 8 the crown.
constexpr int kSmall = 80, kSmallStep = 84, kSmallAtlas = 256;
constexpr int kSmallWings = 7, kSmallCrown = 8;
int SmallCellX(int i) {
    return 2 + (i % 3) * kSmallStep;
}
int SmallCellY(int i) {
    return 2 + (i / 3) * kSmallStep;
}

// Shadows ("TotemShadows.jpg" + alpha, 512 x 512): 4 x 2 cells of 128.
constexpr int kShadowCell = 128, kShadowAtlas = 512;
constexpr float kShadowShift[2] = {8, 10};

// Eye glows ("TotemLights.png", 256 x 128): the head gem's glow and one for
// each eye, 64 texels each.
constexpr int kLightCell = 64, kLightAtlasW = 256, kLightAtlasH = 128;
struct LightSpot {
    Vec2 centre;
    float size;
};
constexpr LightSpot kLights[3] = {{{128, 84}, 72}, {{113, 158}, 40}, {{143, 158}, 40}};

// Contours of the places of colours not owned ("TotemContour.png", 256 x 256):
// 60 x 76 cells every 64 x 80.
constexpr int kContourW = 60, kContourH = 76, kContourAtlas = 256;
int ContourX(int i) {
    return (i % 4) * 64;
}
int ContourY(int i) {
    return (i / 4) * 80;
}

// ---- Panel layout on the 1024 x 768 screen (pixels, y down) ----------------
// The standing totems stand at the right end of their colour's gem groove on
// the tablet left of the board; the selected totem rises over the socket.
constexpr float kTabletLeft = 512.5f - 194.5f + kTabletOffset; // screen x of the tablet
constexpr float kTabletTop = 384.5f - 352.5f - 18.0f;          // screen y of its top
constexpr float kPlaceX = kTabletLeft + 257.0f;
constexpr float kPlaceY = kTabletTop + kGemRowTop;
constexpr float kPlaceStep = kGemRowStep;
constexpr float kSmallOnScreen = 46.0f;
constexpr float kCentreX = kTabletLeft + 153.5f, kCentreY = kTabletTop + 344.0f;
constexpr float kMainOnScreen = 112.0f;
// The shop's portrait shows the figure frame's middle 180 x 240 figure
// pixels in its card's niche; the shop figure stands there at the same scale.
constexpr float kPortraitLeft = 38.0f, kPortraitTop = 6.0f, kPortraitWidth = 180.0f,
                kPortraitHeight = 240.0f;
const float kShopOnScreen =
    kFrame * float(ShopCardOf(kShopTotemItems[0]).picture.h) / kPortraitHeight;

// ---- Shapes ----------------------------------------------------------------

float HeadSd(int colour, Vec2 p) {
    const Vec2 q = p - kHeadCentre;
    switch (colour) {
    case 0:
        return SdPolygon(RegularPolygon(8, 46, kPi / 8), q) - 1.0f;
    case 1:
        return SdPolygon({{0, -54}, {44, 0}, {0, 50}, {-44, 0}}, q);
    case 2: {
        const float horn =
            Union(SdCapsule(q, {-28, -30}, {-46, -58}, 7), SdCapsule(q, {28, -30}, {46, -58}, 7));
        return SmoothUnion(SdBox(q, {40, 38}, 12), horn, 5);
    }
    case 3: {
        const std::vector<Vec2> shield = {{-42, -40}, {42, -40}, {42, 6}, {0, 52}, {-42, 6}};
        return SdPolygon(InsetConvex(shield, 5), q) - 5.0f;
    }
    case 4:
        return SdPolygon(RegularPolygon(6, 48, 0), q) - 1.0f;
    case 5:
        return Union(SdCircle(q, 43), SdCircle(q - Vec2{0, -50}, 9));
    default:
        return SdPolygon(InsetConvex(RegularPolygon(3, 60, -kPi / 2, {0, -4}), 4), q) - 4.0f;
    }
}

float FigureSd(int colour, Vec2 p) {
    const float body = SdBox(p - kBodyCentre, kBodyHalf, 10);
    const float base = SdBox(p - kBaseCentre, kBaseHalf, 4);
    return Union(SmoothUnion(HeadSd(colour, p), body, 6), base);
}

Vec2 HeadGem(int colour) {
    return colour == 6 ? kHeadCentre + Vec2{0, 8} : kHeadCentre;
}

// Carved lines of the face and the plinth (distance to the nearest).
float GrooveDistance(int colour, Vec2 p) {
    float d = DistSegment(p, {98, 142}, {158, 142});         // brow
    d = std::min(d, DistSegment(p, {114, 190}, {142, 190})); // mouth
    d = std::min(d, DistSegment(p, {102, 206}, {154, 206})); // belt
    d = std::min(d, DistSegment(p, {82, 234}, {174, 234}));  // plinth
    d = std::min(d, std::fabs(HeadSd(colour, p) + 9.0f));    // the head's inner rim
    return d;
}

// A round gem set in gold: colour lit like the tokens; alpha 0 outside.
Rgba GemPixel(int colour, Vec2 p, Vec2 centre, float radius) {
    const Vec2 q = p - centre;
    const float r = Length(q);
    if (r > radius + 2.5f)
        return {};
    const GemColours gc = TokenColours(colour);
    if (r > radius) {
        const Vec3 n = Normalize(Vec3{q.x / r, q.y / r, 1.2f});
        return Premultiply(GoldShade(n, 0.6f), 1.0f);
    }
    const float k = r / radius;
    const Vec3 n = Normalize(Vec3{q.x / radius * 0.9f, q.y / radius * 0.9f,
                                  std::sqrt(std::max(0.0f, 1.0f - k * k)) + 0.2f});
    const Lit lit = LightNormal(n, 45.0f);
    Rgb c = MixRgb(gc.deep, gc.body, Clamp01(0.25f + lit.diffuse));
    // Light comes through the stone at the far side.
    c = c + gc.bright * (0.45f * Clamp01(0.5f * (q.x + q.y) / radius));
    return Premultiply(c + Rgb{1, 1, 1} * (1.3f * lit.specular), 1.0f);
}

// The stone figure of a colour at figure point p; `texel` figure pixels per texel.
Rgba FigurePixel(int colour, Vec2 p, float texel) {
    const float d = FigureSd(colour, p);
    const float cover = Coverage(d / texel);
    if (cover <= 0.0f)
        return {};
    for (const Vec2& eye : kEyes)
        if (Rgba g = GemPixel(colour, p, eye, kEyeRadius); g.a > 0)
            return g * cover;
    if (Rgba g = GemPixel(colour, p, HeadGem(colour), kHeadGemRadius); g.a > 0)
        return g * cover;

    const auto sd = [&](Vec2 v) { return FigureSd(colour, v); };
    Vec3 n = BevelNormal(d, SdGradient(sd, p), 9.0f, 1.6f);
    // The head is a raised plate of its own.
    const auto head = [&](Vec2 v) { return HeadSd(colour, v); };
    const float hd = head(p);
    if (hd < 0 && hd > -6.0f) {
        const Vec2 g = SdGradient(head, p);
        n = Normalize(Vec3{n.x + g.x * 0.8f, n.y + g.y * 0.8f, n.z});
    }
    const GemColours gc = TokenColours(colour);
    const float grain = 0.82f + 0.3f * Noise(1, p.x, p.y, 3.0f) + 0.1f * Noise(0, p.x, p.y, 9.0f);
    Rgb stone = MixRgb(Hex(palette::kStoneLight), gc.body, 0.32f) * grain;
    Rgb c = MattShade(n, stone, 0.18f);
    const float groove = GrooveDistance(colour, p);
    if (groove < kGroove) {
        const float t = 1.0f - groove / kGroove;
        c = c * (1.0f - 0.6f * t);
    }
    // A faint rim of light along the edges turned to the light.
    const float rim = Clamp01(1.0f + d / 2.5f) * Clamp01(-(n.x + n.y));
    c = c + Hex(palette::kTorchLight) * (0.25f * rim);
    return Premultiply(c, cover);
}

// Gold ornaments: 0 the collar, 1 the left wing, 2 the crown (figure pixels).
float OrnamentSd(int kind, Vec2 p) {
    switch (kind) {
    case 0:
        return SdBox(p - Vec2{128, 118}, {47, 8}, 4);
    case 1: {
        float d = 1e9f;
        for (int k = 0; k < 4; ++k) {
            const float a = kPi + 0.35f - 0.3f * float(k);
            const Vec2 root{92, 132};
            const Vec2 tip = root + Vec2{std::cos(a), -std::sin(a)} * (58.0f - 5.0f * float(k));
            d = std::min(d, SdCapsule(p, root, tip, 8.5f - float(k)));
        }
        return d;
    }
    default: {
        const float band = SdBox(p - Vec2{128, 40}, {34, 6}, 2);
        float spikes = 1e9f;
        for (int k = -1; k <= 1; ++k) {
            const float x = 128.0f + 22.0f * float(k), h = k == 0 ? 34.0f : 24.0f;
            spikes = std::min(spikes, SdPolygon({{x - 10, 36}, {x, 36 - h}, {x + 10, 36}}, p));
        }
        return Union(band, spikes);
    }
    }
}

Rgba OrnamentPixel(int colour, int kind, Vec2 p, float texel) {
    const float d = OrnamentSd(kind, p);
    const float cover = Coverage(d / texel);
    if (cover <= 0.0f)
        return {};
    const Vec2 studs[3][3] = {{{104, 118}, {128, 118}, {152, 118}},
                              {{50, 104}, {50, 104}, {50, 104}},
                              {{128, 10}, {128, 10}, {128, 10}}};
    for (const Vec2& s : studs[kind])
        if (Rgba g = GemPixel(colour, p, s, 4.5f); g.a > 0)
            return g * cover;
    const auto sd = [&](Vec2 v) { return OrnamentSd(kind, v); };
    const Vec3 n = BevelNormal(d, SdGradient(sd, p), 4.0f, 1.8f);
    Rgb c = GoldShade(n, 0.5f);
    if (kind == 1) // feather tips take the colour
        c = MixRgb(c, TokenColours(colour).body * 1.3f, SmoothStep(60.0f, 40.0f, p.x) * 0.6f);
    return Premultiply(c, cover);
}

// Paints a figure-frame region (fx, fy, fw, fh) at `scale` texels per figure pixel.
template <class Shade>
FloatImage PaintRegion(float fx, float fy, float fw, float fh, float scale, const Shade& shade) {
    const int w = int(std::lround(fw * scale)), h = int(std::lround(fh * scale));
    const float texel = 1.0f / scale;
    return RenderParallel(w, h, kSuper, [&](float x, float y) {
        return shade(Vec2{fx + x * texel, fy + y * texel}, texel);
    });
}

// A piece with a 2-texel transparent gutter kept by the caller's cell size.
void PutPiece(Sheet& sheet, const Piece& piece, const FloatImage& image) {
    if (piece.u1 > piece.u0)
        sheet.Put(image, int(piece.u0), int(piece.v0), Store::Straight);
}

// The Yellow picture's free corner holds the number pictures of its power (a
// golden bar with one plus sign per step, kYellowNumbers of them stacked) and,
// in the last 32 x 16 cell, the plus sign of its swirl.
constexpr int kYellowColour = 1;
constexpr int kYellowNumbers = 5;
constexpr int kNumberX = 384, kNumberY = 128, kNumberW = 96, kNumberH = 24;
constexpr int kPlusX = 480, kPlusY = 224, kPlusW = 32, kPlusH = 16;

float PlusCoverage(Vec2 p, Vec2 c, float arm, float half) {
    const float dx = std::fabs(p.x - c.x), dy = std::fabs(p.y - c.y);
    const bool bar = (dx <= arm && dy <= half) || (dy <= arm && dx <= half);
    return bar ? 1.0f : 0.0f;
}

void PaintYellowNumbers(Sheet& sheet) {
    for (int i = 0; i < kYellowNumbers; ++i) {
        sheet.Put(
            PaintRegion(0, 0, kNumberW, kNumberH, 1.0f,
                        [&](Vec2 p, float) {
                            const float edge = std::min({p.x, p.y, kNumberW - p.x, kNumberH - p.y});
                            const float bar = std::clamp(edge / 3.0f, 0.0f, 1.0f);
                            float plus = 0.0f;
                            for (int k = 0; k <= i; ++k) {
                                const Vec2 c{kNumberW / 2.0f + (float(k) - float(i) / 2.0f) * 16.0f,
                                             kNumberH / 2.0f};
                                plus = std::max(plus, PlusCoverage(p, c, 6.0f, 2.0f));
                            }
                            const float g = 0.75f + 0.25f * plus;
                            return Rgba{1.0f, g, 0.3f + 0.7f * plus, bar * 0.85f + 0.15f * plus};
                        }),
            kNumberX, kNumberY + i * kNumberH, Store::Straight);
    }
    sheet.Put(
        PaintRegion(0, 0, kPlusW, kPlusH, 1.0f,
                    [&](Vec2 p, float) {
                        const float a = PlusCoverage(p, {kPlusW / 2.0f, kPlusH / 2.0f}, 6.0f, 2.0f);
                        return Rgba{1.0f, 0.95f, 0.6f, a};
                    }),
        kPlusX, kPlusY, Store::Straight);
}

// ---- Power pictures of Green, Blue and White ------------------------------
// The free corner cell (384..512, 128..256) of the Green and Blue pictures
// holds what their powers switch or throw; its last 32 x 32 texels stay empty
// for the parts that vanish.
constexpr int kGreenColour = 0, kBlueColour = 3, kWhiteColour = 5;
constexpr Piece kEmptyPiece{0, 0, 0, 0, 480, 224, 512, 256, 0};
// Green: the chain hung across the body, and at tier 3 the staples that hold
// it (the tier-4 crown takes their place in the part list).
constexpr Vec2 kChainFrom{80, 146};
constexpr float kChainLength = 96, kChainSag = 16;
constexpr Piece kChainPiece{64, 132, 128, 48, 384, 128, 512, 176, -3};
constexpr Piece kStaplesPiece{64, 132, 128, 48, 384, 176, 512, 224, -2};
// Blue: two steel caps on the plinth, and the shield ring.
constexpr Piece kSteelLeft{92, 214, 32, 32, 384, 128, 416, 160, -3};
constexpr Piece kSteelRight{132, 214, 32, 32, 416, 128, 448, 160, -3};
constexpr int kRingX = 448, kRingY = 128, kRingSize = 64;

// The chain's centre line at r in -1..1, in chain-piece texels.
Vec2 ChainPoint(float r) {
    const float x = kChainFrom.x + (1 + r) * 0.5f * kChainLength;
    const float y = kChainFrom.y + kChainSag * (1 - r * r);
    return {x - kChainPiece.fx, y - kChainPiece.fy};
}

// Iron links along the hanging chain, face-on and edge-on in turn.
Rgba ChainPixel(Vec2 p) {
    constexpr int kLinks = 13;
    float best = 1e9f;
    Vec2 along{1, 0};
    bool face = false;
    for (int i = 0; i < kLinks; ++i) {
        const float r = -1.0f + 2.0f * float(i) / float(kLinks - 1);
        const Vec2 c = ChainPoint(r), t = Normalize(ChainPoint(r + 0.01f) - ChainPoint(r - 0.01f));
        const Vec2 q{Dot(p - c, t), Cross(t, p - c)};
        const float d = i % 2 == 0 ? std::fabs(SdEllipse(q, {5.5f, 3.4f})) - 1.3f
                                   : SdCapsule(q, {-4.5f, 0}, {4.5f, 0}, 1.5f);
        if (d < best) {
            best = d;
            along = t;
            face = i % 2 == 0;
        }
    }
    const float cover = Coverage(best);
    if (cover <= 0)
        return {};
    const float tube = Clamp01(-best / 1.4f);
    const Vec3 n = Normalize(Vec3{along.y * (1 - tube), -along.x * (1 - tube), 0.4f + tube});
    const Rgb iron = MattShade(n, Hex(face ? 0x8c8f96 : 0x767981), 0.5f);
    return Premultiply(iron, cover);
}

// Two iron staples at the chain's ends.
Rgba StaplesPixel(Vec2 p) {
    float d = 1e9f;
    for (float r : {-1.0f, 1.0f}) {
        const Vec2 c = ChainPoint(r);
        d = std::min(d, std::fabs(SdCircle(p - c, 5.0f)) - 1.6f);
    }
    const Vec3 n = Normalize(Vec3{0.3f, -0.3f, 1.0f});
    return Premultiply(MattShade(n, Hex(0x5c5f66), 0.4f), Coverage(d));
}

// A riveted steel cap seen from the front, `size` texels square.
Rgba SteelCapPixel(Vec2 p, float size) {
    const Vec2 c{size / 2, size / 2};
    const auto sd = [&](Vec2 v) { return SdBox(v - c, {size / 2 - 3, size / 2 - 3}, 5.0f); };
    const float d = sd(p);
    if (d > 1.0f)
        return {};
    Vec3 n = BevelNormal(d, SdGradient(sd, p), 4.0f, 1.4f);
    const float brushed = 0.9f + 0.1f * std::sin(p.y * 2.1f + 3.0f * Noise(0, p.x, p.y, 4.0f));
    Rgb steel = MattShade(n, Hex(0x9aa2ad) * brushed, 0.6f);
    const float rivet = SdCircle(p - c, 3.0f);
    if (rivet < 0)
        steel = MattShade(Normalize(Vec3{(p.x - c.x) / 3, (p.y - c.y) / 3, 1}), Hex(0xc8ccd2),
                          0.8f);
    return Premultiply(steel, Coverage(d));
}

// A glowing ring, white so that the ring's colour tints it.
Rgba RingPixel(Vec2 p) {
    const float r = Length(p - Vec2{kRingSize / 2.0f, kRingSize / 2.0f}) / (kRingSize / 2.0f - 2);
    const float a =
        Clamp01(Glow((r - 0.82f) / 0.09f, 1.0f) + 0.25f * Glow((r - 0.7f) / 0.2f, 1.0f));
    return Premultiply(Rgb{1, 1, 1}, r < 1.05f ? a : 0.0f);
}

void PaintPowerPictures(Sheet& sheet, int colour) {
    if (colour == kGreenColour) {
        sheet.Put(PaintRegion(0, 0, kChainPiece.fw, kChainPiece.fh, 1.0f,
                              [](Vec2 p, float) { return ChainPixel(p); }),
                  int(kChainPiece.u0), int(kChainPiece.v0), Store::Straight);
        sheet.Put(PaintRegion(0, 0, kStaplesPiece.fw, kStaplesPiece.fh, 1.0f,
                              [](Vec2 p, float) { return StaplesPixel(p); }),
                  int(kStaplesPiece.u0), int(kStaplesPiece.v0), Store::Straight);
    }
    if (colour == kBlueColour) {
        for (const Piece* cap : {&kSteelLeft, &kSteelRight})
            sheet.Put(PaintRegion(0, 0, cap->fw, cap->fh, 1.0f,
                                  [&](Vec2 p, float) { return SteelCapPixel(p, cap->fw); }),
                      int(cap->u0), int(cap->v0), Store::Straight);
        sheet.Put(PaintRegion(0, 0, kRingSize, kRingSize, 1.0f,
                              [](Vec2 p, float) { return RingPixel(p); }),
                  kRingX, kRingY, Store::Straight);
    }
}

Sheet PaintFigureAtlas(int colour, bool shop) {
    Sheet sheet(kFigureAtlasW, kFigureAtlasH);
    const float warmth = shop ? 1.12f : 1.0f;
    auto body = PaintRegion(0, 0, kFrame, kFrame, 1.0f, [&](Vec2 p, float t) {
        Rgba px = FigurePixel(colour, p, t);
        px.r *= warmth;
        px.g *= warmth;
        px.b *= warmth;
        return px;
    });
    PutPiece(sheet, kBody, body);
    const Piece* pieces[3] = {&kCollar, &kWingLeft, &kCrown};
    for (int kind = 0; kind < 3; ++kind) {
        const Piece& pc = *pieces[kind];
        PutPiece(sheet, pc, PaintRegion(pc.fx, pc.fy, pc.fw, pc.fh, 1.0f, [&](Vec2 p, float t) {
                     return OrnamentPixel(colour, kind, p, t);
                 }));
    }
    if (colour == kYellowColour)
        PaintYellowNumbers(sheet);
    PaintPowerPictures(sheet, colour);
    return sheet;
}

Sheet PaintSmallAtlas() {
    Sheet sheet(kSmallAtlas, kSmallAtlas);
    const float scale = float(kSmall) / kFrame;
    for (int c = 0; c < kColours; ++c)
        sheet.Put(PaintRegion(0, 0, kFrame, kFrame, scale,
                              [&](Vec2 p, float t) { return FigurePixel(c, p, t); }),
                  SmallCellX(c), SmallCellY(c), Store::Straight);
    sheet.Put(PaintRegion(0, 0, kFrame, kFrame, scale,
                          [&](Vec2 p, float t) {
                              const Rgba l = OrnamentPixel(3, 1, p, t);
                              const Rgba r = OrnamentPixel(3, 1, Vec2{kFrame - p.x, p.y}, t);
                              return Over(l, r);
                          }),
              SmallCellX(kSmallWings), SmallCellY(kSmallWings), Store::Straight);
    sheet.Put(PaintRegion(0, 0, kFrame, kFrame, scale,
                          [&](Vec2 p, float t) { return OrnamentPixel(1, 2, p, t); }),
              SmallCellX(kSmallCrown), SmallCellY(kSmallCrown), Store::Straight);
    return sheet;
}

// A soft silhouette of each figure: how much it darkens what lies behind.
Sheet PaintShadows() {
    Sheet sheet(kShadowAtlas, kShadowAtlas);
    const float scale = float(kShadowCell) / kFrame;
    for (int c = 0; c < kColours; ++c) {
        auto cell = PaintRegion(0, 0, kFrame, kFrame, scale, [&](Vec2 p, float) {
            float v = 0;
            for (int k = 0; k < 8; ++k) {
                const Vec2 o =
                    Vec2{std::cos(float(k) * kPi / 4), std::sin(float(k) * kPi / 4)} * 7.0f;
                v += SmoothStep(8.0f, -8.0f, FigureSd(c, p + o));
            }
            const float a = 0.55f * v / 8.0f;
            return Rgba{a, a, a, a};
        });
        sheet.Put(cell, (c % 4) * kShadowCell, (c / 4) * kShadowCell, Store::Premultiplied);
    }
    return sheet;
}

Sheet PaintLights() {
    Sheet sheet(kLightAtlasW, kLightAtlasH);
    for (int i = 0; i < 3; ++i) {
        const float c = 0.5f * kLightCell;
        auto cell = RenderParallel(kLightCell, kLightCell, kSuper, [&](float x, float y) {
            const Vec2 p{(x - c) / (c - 2), (y - c) / (c - 2)};
            const float r = Length(p);
            float v = 0.4f * Glow(r, 6.0f) + 0.4f * Glow(r, 40.0f);
            // Four thin rays across the eye.
            v += 0.35f * Glow(p.x * 14.0f, 1.0f) * SoftDisc(std::fabs(p.y)) +
                 0.35f * Glow(p.y * 14.0f, 1.0f) * SoftDisc(std::fabs(p.x));
            v = Clamp01(v) * SmoothStep(1.0f, 0.8f, r);
            return Premultiply(MixRgb(Hex(palette::kTorchLight), Rgb{1, 1, 1}, Glow(r, 20.0f)), v);
        });
        sheet.Put(cell, i * kLightCell, 0, Store::Premultiplied);
    }
    return sheet;
}

// A sheet that is one picture, shaded at every sample.
template <class Shade> Sheet WholeSheet(int width, int height, Store store, const Shade& shade) {
    Sheet sheet(width, height);
    sheet.Put(RenderParallel(width, height, kSuper, shade), 0, 0, store);
    return sheet;
}

// A bevelled, lit shape of distance function `sd` at point p.
template <class Sd> Vec3 ShapeNormal(const Sd& sd, Vec2 p, float width, float steep) {
    return BevelNormal(sd(p), SdGradient(sd, p), width, steep);
}

// The panel's glow behind the standing totems (screen blend: black adds
// nothing): a column of seven faint niches.
Sheet PaintBase() {
    return WholeSheet(256, 256, Store::Straight, [&](float x, float y) {
        float v = 0;
        for (int i = 0; i < kColours; ++i) {
            const Vec2 q{x - 128.0f, y - (18.0f + 36.6f * float(i))};
            v += 0.3f * Glow(Length(Vec2{q.x / 40.0f, q.y / 18.0f}), 2.0f);
        }
        const Rgb col = Hex(palette::kTurquoiseLight) * Clamp01(v);
        return Rgba{col.r, col.g, col.b, 1.0f};
    });
}

// What darkens a place whose colour is not owned (darkening blend): a soft
// rounded patch.
Sheet PaintDark() {
    return WholeSheet(128, 128, Store::Straight, [&](float x, float y) {
        const float v = 0.7f * SmoothStep(6.0f, -14.0f, SdBox(Vec2{x - 64, y - 64}, {52, 58}, 20));
        return Rgba{v, v, v, 1.0f};
    });
}

Sheet PaintContours() {
    Sheet sheet(kContourAtlas, kContourAtlas);
    for (int c = 0; c < kColours; ++c) {
        const float scale = float(kContourW) / kFrame;
        auto cell = RenderParallel(kContourW, kContourH, kSuper, [&](float x, float y) {
            const Vec2 p{x / scale, (y - 0.5f * (kContourH - kContourW)) / scale};
            const float a = Coverage((std::fabs(FigureSd(c, p)) - 4.0f) * scale);
            return Premultiply(Rgb{1, 1, 1}, a);
        });
        sheet.Put(cell, ContourX(c), ContourY(c), Store::Straight);
    }
    return sheet;
}

// Seven segments of a carved digit in a unit cell (x, y in 0..1, y down).
float DigitSd(int glyph, Vec2 p) {
    static const int kSegments[12] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D,
                                      0x7D, 0x07, 0x7F, 0x6F, 0x40, 0x00};
    const Vec2 a{0.3f, 0.18f}, b{0.7f, 0.18f}, c{0.3f, 0.5f}, d{0.7f, 0.5f}, e{0.3f, 0.82f},
        f{0.7f, 0.82f};
    const Vec2 ends[7][2] = {{a, b}, {b, d}, {d, f}, {e, f}, {c, e}, {a, c}, {c, d}};
    float dist = 1e9f;
    const int mask = glyph < 12 ? kSegments[glyph] : 0;
    for (int s = 0; s < 7; ++s)
        if (mask & (1 << s))
            dist = std::min(dist, SdCapsule(p, ends[s][0], ends[s][1], 0.07f));
    if (glyph == 10) // plus: the middle bar and a vertical one
        dist = std::min(dist, SdCapsule(p, {0.5f, 0.3f}, {0.5f, 0.7f}, 0.07f));
    if (glyph == 11) // colon
        dist = std::min(SdCircle(p - Vec2{0.5f, 0.35f}, 0.08f),
                        SdCircle(p - Vec2{0.5f, 0.65f}, 0.08f));
    return dist;
}

// Clock digits 0..9, '+' and ':' in a 4 x 4 grid of 64-texel cells.
Sheet PaintTimeDigits() {
    Sheet sheet(256, 256);
    for (int g = 0; g < 12; ++g) {
        auto cell = RenderParallel(64, 64, kSuper, [&](float x, float y) {
            const Vec2 p{x / 64.0f, y / 64.0f};
            const float d = DigitSd(g, p) * 64.0f;
            const float core = Coverage(d), halo = Glow(std::max(d, 0.0f) / 6.0f, 1.0f);
            const Rgb c = MixRgb(Hex(palette::kGold), Hex(0xfff4dc), Clamp01(-d / 4.0f));
            return Premultiply(c, Clamp01(core + 0.5f * halo));
        });
        sheet.Put(cell, (g % 4) * 64, (g / 4) * 64, Store::Straight);
    }
    return sheet;
}

// The pictures of the colour powers: glow rays, a flying gem, steel pieces,
// a paint stream and a paint drop.
//
// The Violet glow and rays (256 x 256): the glow fills the lower half and is
// shown square, the ray lies in the top-left 188 x 128 texels and is shown
// 5 : 3 (its head to the right; the second ray shows it mirrored). Each is
// painted in the units it is shown in, and fades out before its edges so
// that neither bleeds into the other.
constexpr int kGlowRaysSize = 256, kRayTexelsW = 188, kRayTexelsH = 128;
constexpr float kRayShownW = 40.0f, kRayShownH = 24.0f;

Sheet PaintGlowRays() {
    const Rgb violet = Hex(GemLightColour(6));
    return WholeSheet(kGlowRaysSize, kGlowRaysSize, Store::Premultiplied, [&](float x, float y) {
        const float half = kGlowRaysSize / 2.0f;
        if (y >= half) {
            // An aura: the glow is laid over the figure, so it is faint
            // in the middle and brightest round the figure's outline.
            const float r = Length(Vec2{x / half - 1.0f, (y - half) / half * 2.0f - 1.0f});
            const float ring = Glow((r - 0.5f) / 0.28f, 1.0f), core = 0.25f * Glow(r / 0.45f, 1.0f);
            const float v = Clamp01(0.85f * ring + core) * SmoothStep(1.0f, 0.82f, r);
            return Premultiply(MixRgb(violet, Rgb{1, 1, 1}, 0.25f * ring), v);
        }
        if (x >= kRayTexelsW || y >= kRayTexelsH)
            return Rgba{};
        // A comet: a hot head, a tail thinning to nothing behind it, and a
        // faint glint across the head.
        const Vec2 p{x / kRayTexelsW * kRayShownW, y / kRayTexelsH * kRayShownH};
        const Vec2 head{kRayShownW * 0.75f, kRayShownH * 0.5f};
        const float along = Clamp01((p.x - 3.0f) / (head.x - 3.0f));
        const float thickness = 0.4f + 3.2f * along;
        const float tail = p.x < head.x ? along * along * Glow((p.y - head.y) / thickness, 1.0f)
                                        : 0.0f;
        const Vec2 d = p - head;
        const float core = Glow(Length(d) / 4.5f, 1.0f);
        const float glint = Glow(d.y / 0.8f, 1.0f) * Glow(d.x / 9.0f, 1.0f);
        const float edge = SmoothStep(0.0f, 2.0f, std::min({p.x, p.y, kRayShownW - p.x,
                                                            kRayShownH - p.y}));
        const float v = Clamp01(0.7f * tail + core + 0.6f * glint) * edge;
        return Premultiply(MixRgb(violet, Rgb{1, 1, 1}, Clamp01(core + 0.3f * tail)), v);
    });
}

// The Green power's pictures (256 x 256): four glow layers of a gem in the
// top-left quarter (64 texels each), its halo in the top-right quarter, and
// in the lower half the ray beam, seamless from left to right.
Sheet PaintUnigem() {
    const Rgb green = TokenColours(0).bright;
    return WholeSheet(256, 256, Store::Straight, [&](float x, float y) {
        if (y >= 128) {
            // Across the beam a hot core in a soft glow; along it slow pulses.
            const float v = (y - 192) / 64.0f;
            const float pulse = 0.75f + 0.25f * std::sin(x / 256.0f * 2 * kPi * 3);
            const float core = Glow(v / 0.08f, 1.0f), glow = Glow(v / 0.45f, 1.0f) * pulse;
            return Premultiply(MixRgb(green, Rgb{1, 1, 1}, core), Clamp01(core + 0.7f * glow));
        }
        if (x >= 128) {
            const float r = Length(Vec2{x - 192, y - 64}) / 62.0f;
            return Premultiply(MixRgb(green, Rgb{1, 1, 1}, Glow(r / 0.25f, 1.0f)),
                               r < 1 ? Glow(r / 0.45f, 1.0f) * (1 - r) : 0.0f);
        }
        const int layer = int(y / 64) * 2 + int(x / 64);
        const Vec2 p{std::fmod(x, 64.0f) - 32, std::fmod(y, 64.0f) - 32};
        const float r = Length(p) / 30.0f;
        float a = 0;
        if (layer == 0) {
            // The stone itself.
            const Rgba g = GemPixel(0, p + kHeadCentre, kHeadCentre, 20.0f);
            return Over(g, Premultiply(green, 0.5f * Glow(r / 0.6f, 1.0f)));
        }
        if (layer == 1) // a four-pointed twinkle
            a = (Glow(p.x / 2.5f, 1.0f) + Glow(p.y / 2.5f, 1.0f)) * Glow(r / 0.9f, 1.0f);
        if (layer == 2) // a thin ring
            a = Glow((r - 0.7f) / 0.08f, 1.0f);
        if (layer == 3) // a diagonal twinkle
            a = Glow((p.x + p.y) / 3.5f, 1.0f) * Glow(r / 0.7f, 1.0f) +
                Glow((p.x - p.y) / 3.5f, 1.0f) * Glow(r / 0.7f, 1.0f);
        return Premultiply(MixRgb(green, Rgb{1, 1, 1}, 0.6f), Clamp01(a) * (r < 1 ? 1.0f : 0.0f));
    });
}

// What the Blue power shatters: a steel plate with two riveted caps, in the
// left 168 texels of 256 x 256.
Sheet PaintSteelPieces() {
    return WholeSheet(256, 256, Store::Straight, [&](float x, float y) {
        if (x >= 168)
            return Rgba{};
        const Vec2 p{x, y};
        const float cell = 84.0f;
        const Vec2 local{std::fmod(x, cell), std::fmod(y, 128.0f) * cell / 128.0f};
        const Rgba cap = SteelCapPixel(local, cell);
        const float brushed = 0.85f + 0.15f * Noise(0, p.x * 0.2f, p.y * 3.0f, 6.0f);
        return Over(cap, Premultiply(Hex(0x6e757e) * brushed, 1.0f));
    });
}

// Paint running down the White figure (64 x 256): u across the stream, v
// along it, seamless along v; the colours of the paints blend into each other.
Sheet PaintPaintStream() {
    constexpr uint32_t kPaints[7] = {0xff5050, 0x50ff50, 0x5070ff, 0xffff50,
                                     0xff50ff, 0xffc040, 0xfff0f0};
    return WholeSheet(64, 256, Store::Straight, [&](float x, float y) {
        const float u = x / 64.0f + 0.06f * std::sin(y / 256.0f * 4 * kPi);
        const float a = SmoothStep(0.05f, 0.3f, u) * SmoothStep(0.95f, 0.7f, u);
        const float t = y / 256.0f * 7.0f;
        const int i = int(t) % 7;
        const Rgb c = MixRgb(Hex(kPaints[i]), Hex(kPaints[(i + 1) % 7]),
                             SmoothStep(0.6f, 1.0f, t - std::floor(t)));
        const float shine = Glow((u - 0.4f) / 0.1f, 1.0f);
        return Premultiply(MixRgb(c, Rgb{1, 1, 1}, 0.6f * shine), a);
    });
}

// Paint (128 x 128, white to be tinted): the blob and its glint in the top
// half (each within the middle of its quarter, which the drops turn), a
// splash droplet and a splash glint in the bottom half.
Sheet PaintPaintDrop() {
    return WholeSheet(128, 128, Store::Straight, [&](float x, float y) {
        const int cell = int(y / 64) * 2 + int(x / 64);
        const Vec2 p{std::fmod(x, 64.0f) - 32, std::fmod(y, 64.0f) - 32};
        if (cell == 0 || cell == 2) {
            // The blob's frame is the middle half of its quarter.
            const float radius = cell == 0 ? 14.5f : 18.0f;
            const float d = SdCircle(p, radius);
            const Lit lit = LightNormal(ShapeNormal([&](Vec2 v) { return SdCircle(v, radius); }, p,
                                                    radius * 0.8f, 1.0f),
                                        30.0f);
            return Premultiply(Rgb{1, 1, 1} * (0.7f + 0.3f * lit.diffuse), Coverage(d));
        }
        const float k = cell == 1 ? 1.0f : 0.65f;
        const float r = Length(p + Vec2{5, 5} * k) / (8.0f * k);
        return Premultiply(Rgb{1, 1, 1}, r < 1 ? Glow(r / 0.5f, 1.0f) : 0.0f);
    });
}

// ---- "Totems.cfg" ------------------------------------------------------------

class CfgWriter {
public:
    void Section(const std::string& name) {
        out_ << (out_.tellp() > 0 ? "\n[" : "[") << name << "]\n";
    }
    template <class... T> void Key(const std::string& key, T... values) {
        out_ << key << "=";
        bool first = true;
        ((out_ << (first ? "" : " ") << Num(values), first = false), ...);
        out_ << "\n";
    }
    void Text(const std::string& key, const std::string& value) {
        out_ << key << "=" << value << "\n";
    }
    std::string Text() const { return out_.str(); }

private:
    template <class T> static std::string Num(T v) {
        char b[32];
        std::snprintf(b, sizeof b, "%g", double(v));
        return b;
    }
    std::ostringstream out_;
};

// A sprite set from pieces placed in a figure frame drawn at `reference` pixels.
void WriteSet(CfgWriter& w, const std::string& prefix, const std::vector<Piece>& pieces,
              float reference) {
    const float k = reference / kFrame;
    w.Key(prefix + "SpritesCount", int(pieces.size()));
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        const std::string n = std::to_string(i);
        w.Key(prefix + "Sprite" + n, p.fx * k, p.fy * k, p.z, p.fw * k, p.fh * k);
        w.Key(prefix + "SpriteT" + n, p.u0, p.v0, p.u1, p.v1);
    }
}

Piece SmallPiece(int cell) {
    const float x = float(SmallCellX(cell)), y = float(SmallCellY(cell));
    return {0, 0, kFrame, kFrame, x, y, x + kSmall, y + kSmall, cell < kColours ? 0.0f : -1.0f};
}

// Keys of the Green, Blue and White powers, in pixels of the selected figure
// on screen (kMainOnScreen square) unless said otherwise.
void PowerKeys(CfgWriter& w, int c) {
    const float k = kMainOnScreen / kFrame;
    const Vec2 gem = HeadGem(c) * k;
    const auto px = [&](Vec2 v) { return v * k; };
    const std::string empty = "480 224 512 256";
    if (c == kGreenColour) {
        w.Text("NoChainT", empty);
        w.Key("NoChainShadowT", 0, 0, kShadowCell, kShadowCell);
        w.Key("Chain", kChainFrom.x * k, kChainFrom.y * k, kChainLength * k, kChainSag * k);
        for (int t = 1; t <= kTiers; ++t)
            w.Key("Point" + std::to_string(t), gem.x, gem.y);
        w.Key("RayFlareColor", 200, 255, 150, 255);
        w.Key("RayColor", 220, 255, 200, 255);
        w.Key("PreRayTime", 0.25);
        w.Key("RayFlareTime", 1);
        w.Key("RayThickness", 12);
        w.Key("RayTan", 0.04);
        w.Key("RaySpeed", 900);
        w.Key("RayLen", 320);
        w.Key("Ray2PiLen", 256);
        w.Key("RayInTermTime", 0.35);
        w.Key("RayHeadSize", 30);
        w.Key("RayHeadW", 1);
        w.Key("UnigemSize", 40);
        w.Key("UnigemTailColor", 150, 255, 150, 255);
        w.Key("UnigemTailPSize", 22);
        w.Key("UnigemFlyTime", 1.0);
        w.Key("UnigemStartFlyTime", 0.25);
        w.Key("PauseTime", 1);
        // Flares and sparkles play over the head.
        const Vec2 corner = px({96, 116}), right = px({160, 116}), up = px({96, 52});
        for (int t = 2; t <= kTiers; ++t)
            w.Key("Flares" + std::to_string(t), corner.x, corner.y, right.x, right.y, up.x, up.y);
        w.Key("SmallFSize", 8);
        w.Key("SmallFLifeTime", 0.4);
        w.Key("SmallFW", 1);
        w.Key("SmallFT", 0.08);
        w.Key("SmallFIntensity", 1);
        w.Key("BigFSize", 40);
        w.Key("BigFIntensity", 0.6);
        w.Key("BigFT", 1.5);
        w.Key("BigFW", 0.5);
        w.Key("ChainTime", 0.75);
        w.Key("ChainLightSize", 16);
        w.Key("ChainLightLifeTime", 0.25);
        w.Key("ChainLightT", 0.03);
        w.Key("ChainLightColor", 200, 255, 200, 255);
    }
    if (c == kBlueColour) {
        for (int t = 1; t <= 3; ++t)
            for (int e = 0; e < 2; ++e)
                w.Text("Empty" + std::to_string(t) + "T" + std::to_string(e), empty);
        // Bolts from the head and the wings down to the steel caps.
        const Vec2 begins[3][2] = {
            {{100, 70}, {110, 100}}, {{146, 100}, {156, 70}}, {{118, 40}, {138, 40}}};
        const Vec2 ends[3][2] = {
            {{104, 212}, {118, 222}}, {{138, 222}, {152, 212}}, {{120, 204}, {136, 204}}};
        for (int t = 1; t <= 3; ++t) {
            const std::string g = std::to_string(t);
            w.Key("Bolt" + g + "Count", t);
            for (int i = 0; i < t; ++i) {
                const Vec2 b0 = px(begins[i][0]), b1 = px(begins[i][1]);
                const Vec2 e0 = px(ends[i][0]), e1 = px(ends[i][1]);
                w.Key("Bolt" + g + "Begin" + std::to_string(i), b0.x, b0.y, b1.x, b1.y);
                w.Key("Bolt" + g + "End" + std::to_string(i), e0.x, e0.y, e1.x, e1.y);
            }
        }
        const Vec2 caps = px({128, 230});
        w.Key("Target", caps.x, caps.y);
        w.Key("PreTime", 0.5);
        w.Key("StrikeTime", 0.15);
        w.Key("BoltSize", 160, 40);
        w.Key("BoltSpeed", 1800);
        w.Key("BoltColor", 170, 210, 255, 255);
        w.Key("Caps", caps.x, caps.y, 72 * k, 32 * k);
        const Vec2 shield = px({128, 140});
        w.Key("Shield", shield.x, shield.y, 190 * k, 190 * k);
        w.Key("ShieldT", kRingX, kRingY, kRingX + kRingSize, kRingY + kRingSize);
        w.Key("SmallShield", kSmallOnScreen / 2, kSmallOnScreen / 2, kSmallOnScreen * 0.9f,
              kSmallOnScreen * 0.9f);
        w.Key("SmallShieldT", kRingX, kRingY, kRingX + kRingSize, kRingY + kRingSize);
        w.Key("ShieldColor", 160, 220, 255, 200);
        w.Key("ShieldLifeTime", 2);
        w.Key("ShieldBirth", 0.8);
        w.Key("ShieldMinFactor", 0.5);
        w.Key("ShieldMaxFactor", 1.4);
    }
    if (c == kWhiteColour) {
        // The stream runs from under the head gem down the body, longer
        // and wider with the tier.
        w.Key("StripWFactor", 0.01);
        for (int t = 1; t <= kTiers; ++t) {
            const std::string g = std::to_string(t);
            const int lines = 5 + t;
            const float half = 6.0f + 1.5f * float(t);
            w.Key("Strip" + g + "Count", lines);
            for (int i = 0; i < lines; ++i) {
                const float y = HeadGem(c).y + 14 + 18.0f * float(i);
                const float x = 122 + 7 * std::sin(float(i) * 0.9f);
                const Vec2 a = px({x - half, y}), b = px({x + half, y});
                w.Key("Strip" + g + "Line" + std::to_string(i), a.x, a.y, b.x, b.y);
            }
        }
        w.Key("StreamIntensity", 0.8);
        w.Key("StreamTSpeed", 0.25);
        for (int t = 1; t <= kTiers; ++t)
            w.Key("Fog" + std::to_string(t), gem.x, gem.y, (14 + 2 * t) * k);
        w.Key("PaintDropSpeed", 700);
        w.Key("PaintDropIntensity", 0.85);
        w.Key("PaintDropLengthFactor", 0.8, 1.5);
        w.Key("PaintDropWidthFactor", 0.5, 1.2);
        w.Key("PaintDropW", 2);
        w.Key("SprayIntensity", 0.75);
        w.Key("SprayParticleSize", 18);
        w.Key("SprayParticles", 15);
    }
}

std::string TotemsConfig() {
    CfgWriter w;
    w.Section("Shared");
    w.Key("Center", kCentreX, kCentreY, -45);
    w.Key("MainSize", kMainOnScreen, kMainOnScreen);
    for (int i = 0; i < kColours; ++i)
        w.Key("Pos" + std::to_string(i), kPlaceX, kPlaceY + kPlaceStep * float(i), -40);
    w.Key("SmallSize", kSmallOnScreen, kSmallOnScreen);
    w.Key("PixSmallSize", kSmallOnScreen, kSmallOnScreen);
    for (int i = 0; i < kColours; ++i)
        w.Key("SmallPos" + std::to_string(i), kPlaceX, kPlaceY + kPlaceStep * float(i), -40);
    w.Key("BottomZOrder", 40);
    w.Key("InTime", 0.5);
    w.Key("OutTime", 0.25);
    w.Key("SwitchInTime", 0.4);
    w.Key("SmallTextureSize", kSmallAtlas, kSmallAtlas);
    w.Key("ShadowTextureSize", kShadowAtlas, kShadowAtlas);
    w.Key("LightTextureSize", kLightAtlasW, kLightAtlasH);
    w.Key("Base", kPlaceX - 40, kPlaceY - 26, -37, 80, kPlaceStep * kColours + 6);
    w.Key("BaseT", 0, 0, 256, 256);
    for (int i = 0; i < kColours; ++i) {
        const std::string n = std::to_string(i);
        w.Key("Dark" + n, kPlaceX - 21, kPlaceY + kPlaceStep * float(i) - 22, -38, 42, 44);
        w.Key("DarkTexture" + n, 1);
        w.Key("DarkT" + n, 0, 0, 128, 0, 128, 128, 0, 128);
        w.Key("ContourT" + n, ContourX(i), ContourY(i), ContourX(i) + kContourW,
              ContourY(i) + kContourH);
    }
    w.Key("ContourColor", 255, 236, 150, 150);
    w.Key("ShopSize", kShopOnScreen, kShopOnScreen);
    w.Key("ShopTexturesSize", 512, 512);

    const char* const shine[kColours] = {"255 229 128 255", "115 198 255 255", "200 240 255 255",
                                         "255 235 131 255", "255 248 154 255", "255 187 116 255",
                                         "251 253 255 255"};
    for (int c : {2, 4, 6, 0, 1, 3, 5}) {
        w.Section(kSections[c]);
        w.Text("ShineColor", shine[c]);
        if (c == 2) {
            w.Key("Color1", 255, 196, 96, 255);
            w.Key("Color2", 255, 64, 48, 255);
            // The orbs burn in the eyes and on the head gem's sides.
            const Vec2 orbs[4] = {kEyes[0], kEyes[1], HeadGem(c) + Vec2{-24, 0},
                                  HeadGem(c) + Vec2{24, 0}};
            for (int i = 0; i < 4; ++i)
                w.Key("Point" + std::to_string(i), orbs[i].x, orbs[i].y);
            w.Key("ExpColor", 255, 80, 48, 255);
            w.Key("FlySpeed", 1400);
        }
        if (c == 4) {
            // The clock cloud leaves the head gem and bursts over the sand
            // trough below the board.
            w.Key("Point0", 650, 737);
            for (int i = 1; i <= kTiers; ++i)
                w.Key("Point" + std::to_string(i), HeadGem(c).x, HeadGem(c).y);
            w.Key("FlyTime", 0.5);
            w.Key("PreFlyTime", 0.25);
            w.Key("PostFlyTime", 0.25);
            w.Key("DigitsSize", 28);
            w.Key("StarColor", 255, 230, 140, 255);
            w.Key("TwirlColor", 255, 200, 96, 160);
            w.Text("FlyTwirlFilter", "Add");
            w.Key("FlyTwirlColor", 255, 180, 64, 255);
        }
        if (c == kYellowColour) {
            // The number rises from the head gem and flies to the top of the
            // tablet; the bolt strikes down to the sand trough.
            const float k = kMainOnScreen / kFrame;
            const Vec2 gem{HeadGem(c).x * k, HeadGem(c).y * k};
            w.Key("NuggetFadeTime", 0.25);
            for (int t = 1; t <= kTiers; ++t) {
                const std::string n = std::to_string(t);
                w.Key("SmokeCenter" + n, gem.x, gem.y);
                w.Key("SmokePlatformSize" + n, 24 + 4 * t);
                w.Key("Flare" + n, gem.x - 30, gem.y - 20, 60, 50);
            }
            w.Key("SmokeColor", 255, 220, 120, 200);
            w.Key("NumberStartTime", 0.25);
            w.Key("NumberFlyTime", 0.5);
            w.Key("NumberFadeTime", 0.3);
            w.Key("NumberTarget", 150, 70);
            for (int i = 0; i < kYellowNumbers; ++i) {
                const std::string n = std::to_string(i);
                w.Key("NumberT" + n, kNumberX, kNumberY + i * kNumberH, kNumberX + kNumberW,
                      kNumberY + (i + 1) * kNumberH);
                w.Key("NumberSize" + n, 60 + 8 * i, 16 + 2 * i);
            }
            w.Key("FlareColor", 255, 255, 255, 160);
            w.Key("FalreT", 0.12);
            w.Key("PlusSize", 14);
            w.Key("FrenzyTarget", 650, 737, 640);
        }
        if (c == 6) {
            // Pixels of the main figure on screen: the glow grows with the
            // tier, the rays circle the head gem, the bonuses leave the body.
            const float k = kMainOnScreen / kFrame;
            const Vec2 gem{HeadGem(c).x * k, HeadGem(c).y * k};
            for (int t = 1; t <= kTiers; ++t) {
                const std::string n = std::to_string(t);
                const float g = kMainOnScreen * (0.9f + 0.15f * float(t));
                w.Key("Glow" + n, (kMainOnScreen - g) / 2, (kMainOnScreen - g) / 2, g, g);
                w.Key("Ray" + n, gem.x - kRayShownW / 2, gem.y - kRayShownH / 2, kRayShownW,
                  kRayShownH);
                w.Key("RayR" + n, 30 + 4 * t);
                w.Key("Area" + n, kBodyCentre.x * k - 20, kBodyCentre.y * k - 14, 40, 28);
            }
            w.Key("GlowColor", 190, 120, 255, 200);
            w.Key("RayColor", 230, 190, 255, 170);
            w.Key("RayHFactor", 0.35);
            w.Key("RayW", 2.5);
            w.Key("FlyTime", 0.6);
        }
        if (c == kGreenColour || c == kBlueColour || c == kWhiteColour)
            PowerKeys(w, c);
        w.Key("MainTextureSize", kFigureAtlasW, kFigureAtlasH);
        w.Key("ShopTextureSize", kFigureAtlasW, kFigureAtlasH);
        for (int t = 0; t < kTiers; ++t) {
            const std::string k = std::to_string(t + 1);
            std::vector<Piece> small = {SmallPiece(c)};
            if (t >= 1)
                small.push_back(SmallPiece(kSmallWings));
            if (t >= 2)
                small.push_back(SmallPiece(kSmallCrown));
            WriteSet(w, "Small" + k, small, kSmallOnScreen);
            const float sx = float((c % 4) * kShadowCell), sy = float((c / 4) * kShadowCell);
            const Piece shadow{kShadowShift[0],  kShadowShift[1],  kFrame, kFrame, sx, sy,
                               sx + kShadowCell, sy + kShadowCell, 1};
            WriteSet(w, "Shadow" + k, {shadow}, kMainOnScreen);
            std::vector<Piece> main = kTierPieces[t];
            if (c == kYellowColour) {
                // The Yellow power fades its last part, the nugget on the head gem.
                const Vec2 g = HeadGem(c);
                main.push_back(
                    {g.x - 16, g.y - 16, 32, 32, g.x - 16, g.y - 16, g.x + 16, g.y + 16, -2});
            }
            if (c == kGreenColour && t >= 2) {
                // The chain is the seventh part of the figure (the shadow
                // first): at tier 3 the staples fill the crown's place.
                if (t == 2)
                    main.push_back(kStaplesPiece);
                main.push_back(kChainPiece);
            }
            if (c == kBlueColour) {
                // The Blue power clears the figure's last two parts.
                main.push_back(kSteelLeft);
                main.push_back(kSteelRight);
            }
            WriteSet(w, "Main" + k, main, kMainOnScreen);
            WriteSet(w, "Shop" + k, kTierPieces[t], kShopOnScreen);
        }
        std::vector<Piece> lights;
        for (int i = 0; i < 3; ++i) {
            const LightSpot& l = kLights[i];
            const Vec2 at = i == 0 ? HeadGem(c) : l.centre;
            lights.push_back({at.x - l.size / 2, at.y - l.size / 2, l.size, l.size,
                              float(i * kLightCell), 0, float((i + 1) * kLightCell),
                              float(kLightCell), -2});
        }
        const float k = kMainOnScreen / kFrame;
        for (size_t i = 0; i < lights.size(); ++i) {
            const Piece& p = lights[i];
            const std::string n = std::to_string(i);
            w.Key("LightSprite" + n, p.fx * k, p.fy * k, p.z, p.fw * k, p.fh * k);
            w.Key("LightSpriteT" + n, p.u0, p.v0, p.u1, p.v1);
        }
    }

    w.Section("Shop");
    w.Key("Z", -10);
    w.Key("ZOrder", -10);
    for (int i = 0; i < kColours; ++i) {
        const std::string n = std::to_string(i);
        // The portrait stands in the picture of the colour's shop card.
        const AtlasRect pic = ShopCardOf(kShopTotemItems[i]).picture, cell = ShopPortraitCell(i);
        w.Key("Pic" + n, pic.x, pic.y, pic.w, pic.h);
        w.Key("PicT" + n, cell.x, cell.y, cell.x + cell.w, cell.y + cell.h);
        w.Key("QShift" + n, 0, 40);
        w.Key("TotemShift" + n, 0, 0);
    }
    // A totem not yet offered stands as its own figure carved in dark stone
    // (drawn as painted), its niche darkened under the figure alone, with no
    // question sign over it.
    w.Key("ContourColor", 255, 255, 255, 255);
    w.Key("ContourDarkColor", 255, 255, 255, 255);
    w.Key("AvailableColor", 255, 255, 255, 192);
    w.Key("QSignColor", 255, 255, 255, 0);
    return "; The power totems: the panel on the tablet left of the board, every\n"
           "; colour's figure parts by tier and its power, and the shop's pictures.\n"
           "; Written by the data generator from the same tables that lay out the\n"
           "; totem pictures.\n" +
           w.Text();
}

bool SaveJpegPair(const std::filesystem::path& gfx, const std::string& base, const Sheet& sheet,
                  std::string& error) {
    return SaveJpegRgb(gfx / (base + ".jpg"), sheet.RgbBytes(), sheet.Width(), sheet.Height(),
                       kJpegQuality, error) &&
           SaveJpegGrey(gfx / (base + "_alpha.jpg"), sheet.AlphaBytes(), sheet.Width(),
                        sheet.Height(), kJpegQuality, error);
}

} // namespace

std::vector<std::string> TotemArtFiles() {
    std::vector<std::string> files = {"Data/Config/Totems.cfg"};
    for (const char* f :
         {"SmallTotem1.png", "TotemShadows.jpg", "TotemShadows_alpha.jpg", "TotemLights.png",
          "TimeDigits.png", "VioletGlowRays.tga", "Unigem.tga", "SteelCapsT.png", "PaintStream.png",
          "PaintDrop.png", "TotemBase.tga", "TotemDark2.tga", "TotemContour.png"})
        files.push_back(std::string("Data/Gfx/") + f);
    for (const char* s : kSections) {
        files.push_back(std::string("Data/Gfx/") + s + "Totem.png");
        files.push_back(std::string("Data/Gfx/") + s + "TotemShop.png");
    }
    return files;
}

bool WriteTotemArt(const std::filesystem::path& gameRoot, std::string& error) {
    const std::filesystem::path gfx = gameRoot / "Data" / "Gfx",
                                config = gameRoot / "Data" / "Config";
    if (!EnsureFolder(gfx, error) || !EnsureFolder(config, error))
        return false;
    if (!WriteText(config / "Totems.cfg", TotemsConfig(), error))
        return false;
    for (int c = 0; c < kColours; ++c) {
        const std::string name = kSections[c];
        if (!SavePng(gfx / (name + "Totem.png"), PaintFigureAtlas(c, false), error) ||
            !SavePng(gfx / (name + "TotemShop.png"), PaintFigureAtlas(c, true), error))
            return false;
    }
    return SavePng(gfx / "SmallTotem1.png", PaintSmallAtlas(), error) &&
           SaveJpegPair(gfx, "TotemShadows", PaintShadows(), error) &&
           SavePng(gfx / "TotemLights.png", PaintLights(), error) &&
           SavePng(gfx / "TimeDigits.png", PaintTimeDigits(), error) &&
           SaveTga(gfx / "VioletGlowRays.tga", PaintGlowRays(), error) &&
           SaveTga(gfx / "Unigem.tga", PaintUnigem(), error) &&
           SavePng(gfx / "SteelCapsT.png", PaintSteelPieces(), error) &&
           SavePng(gfx / "PaintStream.png", PaintPaintStream(), error) &&
           SavePng(gfx / "PaintDrop.png", PaintPaintDrop(), error) &&
           SaveTga(gfx / "TotemBase.tga", PaintBase(), error) &&
           SaveTga(gfx / "TotemDark2.tga", PaintDark(), error) &&
           SavePng(gfx / "TotemContour.png", PaintContours(), error);
}

FloatImage PaintTotemPortrait(int colour, int width, int height, TotemPortrait look) {
    const float scale = float(width) / kPortraitWidth;
    return RenderParallel(width, height, kSuper, [&](float x, float y) {
        const Vec2 p{kPortraitLeft + x / scale, kPortraitTop + y / scale};
        switch (look) {
        case TotemPortrait::Colour:
            return FigurePixel(colour, p, 1.0f / scale);
        case TotemPortrait::Carved: {
            // Its own carving keeps its light and shade; colour and glow go.
            const Rgba c = FigurePixel(colour, p, 1.0f / scale);
            const float a = c.a > 0.0f ? 1.0f / c.a : 0.0f;
            return Premultiply(Desaturate(Rgb{c.r * a, c.g * a, c.b * a}, 0.92f) * 0.26f, c.a);
        }
        default:
            return Premultiply(Rgb{1, 1, 1}, Coverage(FigureSd(colour, p) * scale));
        }
    });
}

int GenerateTotemArt(const std::filesystem::path& gameRoot) {
    std::string error;
    if (!WriteTotemArt(gameRoot, error)) {
        std::fprintf(stderr, "gv_gen: totem art: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace gen
