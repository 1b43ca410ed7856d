#include "CapsChain.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "CapsLayout.h"
#include "Sdf.h"

namespace gen {

namespace {

constexpr int kSamples = 4;

const Vec3 kLight = LightDirection();
const Vec3 kHalf = Normalize(kLight + Vec3{0, 0, 1});

// One link of a chain, in texels: centre, direction along the link, and
// whether it is seen face on (a ring with a hole) or edge on (a bar).
struct Link {
    Vec2 centre;
    Vec2 along;
    bool faceOn = true;
    float halfSpan = 3.0f;   // half the straight part of the ring's centre line
    float radius = 3.2f;     // of the ring's round ends (centre line)
    float wire = 1.3f;       // half the wire's thickness
};

// Distance (texels) from the link's wire, and the wire's normal there.
float LinkDistance(const Link& k, Vec2 p, Vec3* normal) {
    const Vec2 q = p - k.centre;
    if (k.faceOn) {
        const Vec2 a = k.along * k.halfSpan;
        const float toLine = DistSegment(q, a * -1.0f, a);
        const float across = toLine - k.radius;  // -: towards the hole
        if (normal) {
            // Outward from the centre line of the wire.
            const float t = Clamp01((Dot(q, k.along) + k.halfSpan) / (2 * k.halfSpan));
            const Vec2 onLine = k.along * ((t * 2 - 1) * k.halfSpan);
            const Vec2 out = Normalize(q - onLine);
            const float o = std::clamp(across / k.wire, -1.0f, 1.0f);
            *normal = Normalize(Vec3{out.x * o, out.y * o, std::sqrt(std::max(1.0f - o * o, 0.02f))});
        }
        return std::fabs(across) - k.wire;
    }
    // Edge on: a bar as long as the ring, as thick as the wire, seen round.
    const Vec2 a = k.along * (k.halfSpan + k.radius);
    const float bar = DistSegment(q, a * -1.0f, a) - k.wire * 1.2f;
    if (normal) {
        const Vec2 side = Perp(k.along);
        const float o = std::clamp(Dot(q, side) / (k.wire * 1.2f), -1.0f, 1.0f);
        *normal = Normalize(Vec3{side.x * o, side.y * o, std::sqrt(std::max(1.0f - o * o, 0.02f))});
    }
    return bar;
}

// Draws `links` in order (later over earlier) into a picture of size w x h,
// with their common shadow underneath. Coordinates in texels of the picture.
FloatImage PaintLinks(const std::vector<Link>& links, int w, int h, bool shadow = true) {
    const Rgb ironDark = FromHex(0x14161a), iron = FromHex(0x4a4f58), ironLight = FromHex(0xc4cad4);
    const Rgb white{1, 1, 1};
    const Vec2 shadowOffset{1.4f, 2.0f};
    const float outline = 0.9f;  // dark border around every link, texels
    return RenderSupersampled(w, h, kSamples, [&](float x, float y) {
        const Vec2 p{x, y};
        Rgba pixel;
        float shadowDistance = 1e9f;
        // Links whose reach ends short of this texel are skipped.
        const auto near = [&](const Link& k, Vec2 q) {
            const float reach = k.halfSpan + k.radius + 1.2f * k.wire + outline + 3.0f;
            const Vec2 v = q - k.centre;
            return Dot(v, v) < reach * reach;
        };
        for (const Link& k : links)
            if (shadow && near(k, p - shadowOffset))
                shadowDistance = std::min(shadowDistance, LinkDistance(k, p - shadowOffset, nullptr));
        // The shadow stays below half alpha: the chain pass may read this
        // picture's alpha with a single bit, which then keeps only the iron.
        if (shadow)
            pixel.a = 0.45f * (1.0f - SmoothStep(-1.0f, 2.2f, shadowDistance));
        for (const Link& k : links) {
            if (!near(k, p))
                continue;
            Vec3 n;
            const float d = LinkDistance(k, p, &n);
            if (d > outline + 0.5f / kSamples)
                continue;
            // The dark border first, then the wire over it.
            const float border = Clamp01((outline - d) * kSamples);
            pixel = Over(Premultiply(ironDark * 0.5f, border * 0.85f), pixel);
            const float cover = Clamp01(-d * kSamples + 0.5f);
            if (cover <= 0)
                continue;
            const float l = std::max(Dot(n, kLight), 0.0f);
            Rgb c = l < 0.6f ? MixRgb(ironDark, iron, l / 0.6f) : MixRgb(iron, ironLight, (l - 0.6f) / 0.4f * 0.6f);
            c = c + white * (0.75f * std::pow(std::max(Dot(n, kHalf), 0.0f), 28.0f));
            pixel = Over(Premultiply(c, cover), pixel);
        }
        return pixel;
    });
}

// A ring of links around the middle of a w x w picture.
void AddRing(std::vector<Link>& links, Vec2 centre, float radius, int count) {
    // Face-on links first so that the edge-on ones lie over their ends.
    for (int pass = 0; pass < 2; ++pass)
        for (int i = pass; i < count; i += 2) {
            const float a = 2 * kPi * float(i) / float(count) - kPi / 2;
            Link k;
            k.centre = centre + Vec2{std::cos(a), std::sin(a)} * radius;
            k.along = {-std::sin(a), std::cos(a)};
            k.faceOn = pass == 0;
            links.push_back(k);
        }
}

// A straight chain from `from` to `to` with `count` links.
void AddLine(std::vector<Link>& links, Vec2 from, Vec2 to, int count, float scale) {
    const Vec2 along = Normalize(to - from);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = pass; i < count; i += 2) {
            Link k;
            k.centre = from + (to - from) * (float(i) / float(count - 1));
            k.along = along;
            k.faceOn = pass == 0;
            k.halfSpan *= scale;
            k.radius *= scale;
            k.wire *= scale;
            links.push_back(k);
        }
}

FloatImage PaintSpark(int size) {
    const float c = 0.5f * float(size);
    return RenderSupersampled(size, size, kSamples, [&](float x, float y) {
        const float dx = x - c, dy = y - c;
        const float r2 = dx * dx + dy * dy;
        const float reach = c - 2.0f;  // fades out before the gutter
        const float fade = 1.0f - SmoothStep(0.55f * reach, reach, std::sqrt(r2));
        const float core = std::exp(-r2 / (0.03f * c * c));
        const float halo = 0.45f * std::exp(-r2 / (0.18f * c * c));
        const float ray = std::exp(-std::fabs(dy) / 0.9f) * std::exp(-std::fabs(dx) / (0.30f * c)) +
                          std::exp(-std::fabs(dx) / 0.9f) * std::exp(-std::fabs(dy) / (0.30f * c));
        const float u = (dx + dy) * 0.70710678f, v = (dx - dy) * 0.70710678f;
        const float diagonal = 0.5f * (std::exp(-std::fabs(v) / 0.8f) * std::exp(-std::fabs(u) / (0.14f * c)) +
                                       std::exp(-std::fabs(u) / 0.8f) * std::exp(-std::fabs(v) / (0.14f * c)));
        const float a = Clamp01((core + halo + ray + diagonal) * fade);
        return Premultiply(Rgb{1, 1, 1}, a);
    });
}

}  // namespace

FloatImage PaintChainTexture() {
    FloatImage texture(kChainWidth, kChainHeight);
    const int cell = kSingleChainRect.Width();
    const Vec2 centre{0.5f * float(cell), 0.5f * float(cell)};
    // Measured for a token of half size 39: the ring lies 30 texels out, the
    // second chain runs 22 texels either way along the diagonal.
    std::vector<Link> ring;
    AddRing(ring, centre, 30.0f, 20);
    texture.Blit(PaintLinks(ring, cell, cell), kSingleChainRect.x0, kSingleChainRect.y0);
    std::vector<Link> both = ring;
    AddLine(both, centre + Vec2{-24.0f, -24.0f}, centre + Vec2{24.0f, 24.0f}, 7, 1.25f);
    texture.Blit(PaintLinks(both, cell, cell), kDoubleChainRect.x0, kDoubleChainRect.y0);
    const int linkCell = kLinkRect.Width();
    Link loose;
    loose.centre = {0.5f * float(linkCell), 0.5f * float(linkCell)};
    loose.along = {1, 0};
    loose.halfSpan = 4.0f;
    loose.radius = 4.2f;
    loose.wire = 1.6f;
    // A loose link flies on its own: no shadow.
    texture.Blit(PaintLinks({loose}, linkCell, linkCell, false), kLinkRect.x0, kLinkRect.y0);
    texture.Blit(PaintSpark(kSparkRect.Width()), kSparkRect.x0, kSparkRect.y0);
    return texture;
}

FloatImage PaintCursorLight() {
    const int size = kCursorLightSize;
    const Rgb warm = FromHex(0xfff0d8);
    const float c = 0.5f * float(size);
    return RenderSupersampled(size, size, kSamples, [&](float x, float y) {
        const float r = Length(Vec2{x - c, y - c}) / (c - 2.0f);  // 1 two texels before the border
        const float k = r < 1 ? (1 - r * r) * (1 - r * r) : 0.0f;
        return Premultiply(warm * (0.95f * k), 1.0f);
    });
}

}  // namespace gen
