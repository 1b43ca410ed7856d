#pragma once
// What GL's shortcuts may assume of a draw and of the scene around it, worked
// out from the front's state and the draw's vertices alone (no GL call): what
// the vertices prove (texels landing one to one, full alpha, the pixels
// touched), whether a depth test provably passes against a record of what the
// depth buffer holds at least, rectangle by rectangle, which pixels of a draw
// read only clear texels, and which pixels the large opaque draws of the last
// scene will cover again. Scenes whose depth tests provably pass go without
// depth; a scene whose guess failed asks to be drawn again without guessing.
#include <cstdint>
#include <vector>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/gl/GlResources.h"

namespace gpu {

class SceneGuess {
public:
    using Front = DeviceShadow<GlTexture, GlVertexBuffer, GlIndexBuffer>;

    // What the vertices of a draw prove, for the shortcuts that keep its picture.
    struct DrawFacts {
        // The first stage's texture lands on the pixels one to one, every pixel
        // centre on a texel centre: filtering reads exactly one texel, and the
        // cheaper nearest sampling gives the same picture.
        bool texelExact = false;
        // The most texels per pixel any triangle steps across the first
        // stage's texture (an upper bound; huge when unknown): mip selection
        // may be wasted work when it always picks the base level.
        float maxRho = 1e30f;
        bool alphaOne = false;  // every vertex's diffuse alpha is full
        bool flatDepth = false; // every vertex has the same window depth...
        bool atNear = false;    // ...which is exactly the viewport's near depth
        float depth = 0.0f;
        float minDepth = 0.0f, maxDepth = 1.0f; // window depths of the vertices
        // Back-buffer pixels the draw can touch: left, top, right, bottom
        // (exclusive), within the viewport.
        int32_t box[4] = {0, 0, 0, 0};
        bool boxKnown = false;
        // The draw is one rectangle of two triangles, covering at least these
        // pixels.
        bool rectangle = false;
        int32_t inner[4] = {0, 0, 0, 0};
        int32_t texels[4] = {0, 0, 0, 0}; // texel rectangle the draw can read
        bool texelsKnown = false;
    };

    // Reads the game's state from `front` (the device's shadow) as it is at
    // each call.
    explicit SceneGuess(const Front& front) : front_(front) {}

    // Off: no draw is examined, nothing is guessed, and scenes test depth.
    void SetShortcuts(bool on);
    bool Shortcuts() const { return shortcuts_; }
    // Whether the caller can draw a scene again when a guess fails.
    void SetDepthOnDemand(bool on) { depthOnDemand_ = on; }
    // Every scene drawn on demand asks to be drawn again, as if a guess had failed.
    void SetForcedRedraws(bool on) { forcedRedraws_ = on; }
    // Whether the current (or last) scene is drawn without depth tests or writes.
    bool DrawsWithoutDepth() const { return depthless_; }
    uint64_t SceneRedraws() const { return sceneRedraws_; }

    void SceneBegins();
    void SceneEnds();
    // Whether the scene just ended is to be drawn again; asked once.
    bool TakeRedraw();

    // A draw of `count` indices (`indexSize` bytes each) of the vertices at
    // `vertices`, through the row-major matrix `mvp`; the triangles it makes
    // are kept for the questions below until the next draw.
    DrawFacts Examine(const uint8_t* vertices, const float mvp[16], const uint8_t* indices,
                      uint32_t count, uint32_t indexSize, bool triangles);
    // Whether the first stage provably samples the base level alone.
    bool BaseLevelOnly(const DrawFacts& f) const;
    // Whether the fragment colour's alpha is provably full for this draw.
    bool OutputAlphaOne(const DrawFacts& f) const;
    // Whether the depth test provably passes for every fragment of this draw;
    // when not, the scene counts as one whose depth tests might fail.
    bool DepthTestPasses(const DrawFacts& f);

    // The depth buffer: a new one of w x h cleared to the far end; a draw that
    // wrote depth; a clear of `rect` (back-buffer pixels) to z; nothing known.
    void NewDepthBuffer(uint32_t w, uint32_t h);
    void NoteDepthWrite(const DrawFacts& f);
    void NoteDepthClear(const int32_t rect[4], float z);
    void ForgetDepth();

    // Pixels of the draw that provably change nothing: they read only texels
    // of zero alpha, which the state makes leave the target as it is.
    bool FindIdleHole(const DrawFacts& f, bool alphaTest, bool blend, bool depthTest,
                      int32_t hole[4]) const;
    // Notes the draw as an occluder when it is one, and finds the pixels the
    // occluders expected later in the scene will cover.
    bool FindOccluded(const DrawFacts& f, bool opaque, int32_t rect[4]);

private:
    // A rectangle of back-buffer pixels (left, top, right, bottom; exclusive)
    // and the depths there: of a draw's triangle, or what the depth buffer
    // holds at least. A flat region has one exact depth, written by one flat
    // draw, so a later draw at that same depth is known to pass a
    // less-or-equal test.
    struct DepthRegion {
        int32_t rect[4];
        float low, high;
        bool flat;
        float depth;
    };
    // A triangle maps pixel x to texel u = uScale * x + uShift, and y to v
    // likewise, when it lies on the pixels unrotated (aligned).
    struct TexelMap {
        bool aligned = false;
        float uScale = 0, uShift = 0, vScale = 0, vShift = 0;
    };
    // A draw that paints a rectangle of pixels whatever lies below (inner
    // pixels, back-buffer coordinates), and its place among the scene's draws.
    // A scene without depth leaves out the pixels that the last scene's
    // occluders covered from the draws before them, until an occluder covers
    // them again; when none does, the scene is drawn again without guessing.
    struct Occluder {
        int32_t rect[4];
        uint32_t ordinal;
        bool used, fulfilled;
    };
    static TexelMap AxisMap(const float corner[3][4]);
    bool DepthProven(const DrawFacts& f) const;
    void AddDepthRegion(const DepthRegion& added);

    const Front& front_;
    int32_t width_ = 0, height_ = 0; // the back buffer's
    bool shortcuts_ = true;
    // What the depth buffer holds at least: every stored depth is at or behind
    // the lowest bound among the regions covering its pixel.
    std::vector<DepthRegion> depthRegions_;
    // The triangles of the draw last examined (none when too many to list),
    // and for a textured draw, how each lays its texture on the pixels.
    std::vector<DepthRegion> drawParts_;
    std::vector<TexelMap> drawMaps_;
    bool depthOnDemand_ = false;
    bool depthless_ = false;     // the scene neither tests nor writes depth
    bool sceneUnproven_ = false; // a depth test of this scene might fail
    bool redrawPending_ = false;
    bool forcedRedraws_ = false;
    uint64_t sceneRedraws_ = 0;
    std::vector<Occluder> seenOccluders_, predictedOccluders_;
    uint32_t drawOrdinal_ = 0;
    bool guessing_ = true; // false for a scene drawn again
    // Scenes in a row whose depth tests could not fail; a scene goes without
    // depth after this many. An effect that needs depth costs one scene drawn
    // twice when it starts, and one that needs it every other scene none.
    static constexpr uint32_t kCleanScenesForDepthless = 2;
    uint32_t cleanScenes_ = kCleanScenesForDepthless;
};

} // namespace gpu
