#pragma once
// Leaves out of each draw of a recorded scene the pixels that an opaque draw
// later in the same recording paints over anyway. Each draw is examined as it
// is recorded (with the device state of that moment): where it lies on the
// screen, and which rectangles of it are opaque. When the recording is played,
// every draw is clipped against the opaque rectangles of the draws after it:
// axis-aligned quads are split into the parts that stay visible, any other
// triangle is left out only when it lies wholly under a rectangle.
//
// A rectangle counts as opaque when whatever lay below cannot show through:
// every texel its pixels can sample is fully opaque, the diffuse alpha is full,
// the blend (if any) ignores the target, and its depth test cannot fail. The
// draws it hides may have written depth there only when no depth test of the
// scene can tell (each test at or in front of all depth written before it),
// which only a recording that ends with its scene can show.
//
// It also counts the pixels the played draws cover.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CTexture;

class CDrawClipper {
public:
    // A rectangle of back-buffer pixels: left, top, right, bottom (exclusive).
    struct PixelRect {
        int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        int64_t Area() const { return int64_t{x1 - x0} * (y1 - y0); }
    };

    // Off: draws are played as recorded (still counted).
    void SetEnabled(bool on) { enabled_ = on; }
    bool Enabled() const { return enabled_; }

    // A new scene: the depth proof starts over.
    void BeginScene();
    // A clear of the depth buffer to `z`, of all of it or of parts.
    void NoteDepthClear(float z, bool whole);
    // The next recorded draw: `indices` (primitives of `type`) number the
    // `vertexCount` vertices at `vertices`, which stay where they are until
    // Forget. Examined with the device's state of now.
    void NoteDraw(const CRenderDevice& device, uint32_t type, const gpu::Vertex* vertices,
                  uint32_t vertexCount, const uint32_t* indices, uint32_t primitiveCount);
    // Before the draws are played: which rectangles clip which draws.
    // `sceneEnds`: the recording ends with its scene (the depth proof is whole).
    void Resolve(bool sceneEnds);
    // Draw number `draw` (in the order noted; called in that order after
    // Resolve) with `vertices` its vertices as noted: false when it is played
    // as recorded, else `out` receives the triangle list to play instead
    // (empty when nothing of it shows). `hidden` (when the back end leaves
    // out the pixels under rectangles it is handed) receives the rectangles
    // that may hide pixels of what is played, to hand it with the draw.
    bool Clip(size_t draw, const gpu::Vertex* vertices, std::vector<gpu::Vertex>& out,
              std::vector<PixelRect>* hidden = nullptr);
    // The noted draws are played: forget them.
    void Forget();

    // A draw went to the device without being noted: what it did to depth is unknown.
    void NoteUnnotedDraw() { depthOrdered_ = depthKnown_ = false; }
    // After Resolve: whether no depth test of the scene can fail, whatever
    // the depth buffer holds, in a recording that ends with its scene.
    bool DepthProven() const { return depthProven_; }
    // After Resolve: whether no depth test of the scene can tell whether draw
    // number `draw` wrote its depth (so that it need not).
    bool DepthWriteUnread(size_t draw) const {
        return draw < unreadWrites_.size() && unreadWrites_[draw];
    }

    // Pixels covered by the played draws so far (each triangle's area within
    // its viewport, less its area under the rectangles handed with it).
    uint64_t CoveredPixels() const { return static_cast<uint64_t>(covered_ + 0.5); }
    // After Resolve: whether opaque draws from number `fromDraw` on paint
    // over every pixel of `area` (so that what lies there before them never shows).
    bool PaintedOver(size_t fromDraw, const PixelRect& area) const;
    // The opaque rectangles of the draws noted since the last Forget.
    std::vector<PixelRect> OpaqueRects() const;

    // Opaque (or with `clear`, wholly clear) rectangles of the texture inside
    // the texel rectangle `span`, largest first; valid until the next call.
    // Those of the whole texture are searched once per texture as made, and
    // cut to the span.
    const std::vector<PixelRect>& Parts(const CTexture& texture, const PixelRect& span, bool clear);
    // How many times the texture's parts were searched.
    uint64_t PartSearches() const { return partSearches_; }

private:
    struct Win {
        double x, y, z;
        bool valid;
    };
    struct Occluder {
        uint32_t draw;
        PixelRect rect;
        bool testsDepth; // hides only where its own test is shown to pass
    };
    struct Noted {
        uint32_t type;
        size_t tri, triCount, win; // in tris_ and wins_
        uint32_t vertexCount;
        bool known, affine, writesDepth;
        gpu::Viewport viewport;
    };
    // What is known of a texture (as made: a texture made anew has another serial).
    struct Opacity {
        uint64_t serial = 0;
        uint32_t width = 0, height = 0;
        bool tabled = false, readable = false;
        std::vector<uint32_t> transparent; // summed-area table of non-opaque texels
        // Opaque ([0]) and wholly clear ([1]) rectangles over the whole
        // texture, largest first, once searched.
        bool searched[2] = {false, false};
        std::vector<PixelRect> parts[2];
    };
    struct Piece {
        double x0, y0, x1, y1;
    };

    Win ToWindow(const gpu::Vertex& p) const;
    const Win& Vert(uint32_t v) const { return win_[v]; }
    // Points the draw's views (vertices_, tri_, win_, viewport_) at a noted draw.
    void Select(const Noted& d, const gpu::Vertex* vertices);
    void Survey(const CRenderDevice& device, uint32_t draw);
    void NoteDepth(const CRenderDevice& device, bool* writesDepth);
    // Whether each triangle of the draw being noted lies at or in front of
    // the earlier ones it may meet.
    bool OwnTrianglesOrdered();
    // Whether the triangles t/3 and t/3 + 1 form an axis-aligned rectangle in
    // window space, halved along a diagonal; its corners in `corner`
    // (top-left, top-right, bottom-left, bottom-right, as vertex numbers).
    bool AlignedQuad(size_t t, uint32_t corner[4]) const;
    // One colour, and attributes laid out along a plane: any part of the
    // quad shows exactly what the whole showed there.
    bool Splittable(const uint32_t corner[4]) const;
    // Whether the state lets nothing below show through, and what the
    // vertices and texels must prove for that.
    bool OccluderState(const CRenderDevice& device, bool* testsDepth, bool* needsOpaqueTexels,
                       bool* needsFullDiffuse) const;
    // Whether the draw's pixels that read only clear texels of the first
    // stage's texture leave the target (and depth) as they were.
    bool ClearLeavesTarget(const CRenderDevice& device, const Noted& d) const;
    // Whether a triangle of the draw other than those of the quad at `quad`
    // (in tri_) may reach the pixels of `area`.
    // Whether the quad from `tl` to `br` of draw `draw` is opaque, large, and
    // keeps most of its pixels showing after the cuts left in pieces_.
    bool MostlyShowingOccluder(size_t draw, const Win& tl, const Win& br) const;
    bool OthersMeet(size_t quad, const PixelRect& area) const;
    // The texels (x0, y0, x1, y1 exclusive) that pixel centres inside the quad
    // may read from the first stage's texture; false when that is unknown or
    // a smaller mip level may be read.
    bool TexelSpan(const CRenderDevice& device, const uint32_t corner[4], PixelRect* out);
    // The largest opaque (or wholly clear) rectangles of the whole texture, in `parts`.
    void SearchParts(const CTexture& texture, bool clear, std::vector<PixelRect>& parts);
    // The texture's entry, started over when it was made anew.
    Opacity& OpacityOf(const CTexture& texture);
    // The pixels (within `inner`) whose reads stay inside the texel rectangle
    // `part`, for a quad whose picture lies unturned on it.
    bool PartOnPixels(const CRenderDevice& device, const uint32_t corner[4], const PixelRect& inner,
                      const PixelRect& part, PixelRect* out);
    bool RegionOpaque(const CTexture& texture, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // The rectangles of the opaque draws after `draw`.
    const std::vector<PixelRect>& ActiveRects(uint32_t draw);
    // Whether a pixel centre of the viewport lies in `p` (on its edge included).
    bool HoldsPixelCentre(const Piece& p) const;
    // pieces_ less the area `h`, in spare_; whether that took anything away.
    bool CutOut(const Piece& h);
    void EmitPieces(const uint32_t corner[4], bool keepOrder, std::vector<gpu::Vertex>& out);
    void CountTriangle(const Win& a, const Win& b, const Win& c);
    // The rectangles of `rects` that reach the draw's triangles, in `hidden`,
    // and the window areas they hide without overlaps, in hiddenPieces_.
    void HiddenFor(const std::vector<PixelRect>& rects, std::vector<PixelRect>& hidden);

    bool enabled_ = true;
    // The draw being examined or clipped: its vertices, triangles (three
    // vertex numbers each) and window positions.
    const gpu::Vertex* vertices_ = nullptr;
    const uint32_t* tri_ = nullptr;
    size_t triCount_ = 0; // vertex numbers in tri_
    const Win* win_ = nullptr;
    gpu::Viewport viewport_;
    gpu::Matrix transform_{};
    bool affine_ = false;

    std::vector<Noted> noted_;
    std::vector<uint32_t> tris_;
    std::vector<Win> wins_;
    std::vector<Occluder> occluders_;
    size_t nextOccluder_ = 0;
    // Pixels where a draw reads only clear texels: it changes nothing there.
    std::vector<Occluder> clearParts_;
    size_t nextClearPart_ = 0;
    std::vector<PixelRect> withClearParts_; // scratch of Clip
    bool activeKnown_ = false;
    std::vector<PixelRect> active_;
    // The depth proof: after a clear, every less-or-equal test of the scene
    // lies at or in front of everything written before it where they may
    // meet, so that it passes whatever was left out.
    struct DepthWrite {
        double x0, y0, x1, y1, low, high; // window box of a draw, its nearest and farthest depth
    };
    // The box of tri_[first, first + count).
    DepthWrite BoxOf(size_t first, size_t count) const;
    // Whether two boxes lie apart on the screen.
    static bool Apart(const DepthWrite& a, const DepthWrite& b);
    // Whether a test over `test` passes whatever `written` wrote: apart, or at or in front of it.
    static bool Behind(const DepthWrite& test, const DepthWrite& written);
    bool depthOrdered_ = true, clearSeen_ = false, depthProven_ = false;
    // Each depth test and write of the scene in order, while all of them are
    // known (less-or-equal or always, on screen, after one whole clear): what
    // decides which writes no test reads.
    struct DepthUse {
        DepthWrite box;
        bool tests, writes, ownOrdered; // ownOrdered: its triangles do not hide each other
        // A test's first write since the clear (0: the clear) that it does
        // not lie at or in front of where they may meet; none: SIZE_MAX.
        size_t firstUnordered;
    };
    bool depthKnown_ = true;
    std::vector<DepthUse> depthUses_;   // by draw (those without depth: nothing)
    std::vector<uint8_t> unreadWrites_; // by draw, after Resolve
    // Which writes of the scene no later test reads.
    void FindUnreadWrites();
    std::vector<DepthWrite> triangleBoxes_; // scratch of OwnTrianglesOrdered
    double clearDepth_ = 1.0;
    size_t clearedAt_ = 0; // the depth uses since the last whole clear start here

    std::unordered_map<const CTexture*, Opacity> opacity_;
    std::vector<PixelRect> spanParts_; // what Parts returns
    uint64_t partSearches_ = 0;
    std::vector<Piece> pieces_, spare_;
    std::vector<Piece> hiddenPieces_; // counted as not covered
    double covered_ = 0.0;
};
