#pragma once
// A layer of sprites. Shown sprites are kept in draw order (largest key first;
// within a key next to sprites of the same texture and render state, so that
// batches stay long), hidden ones are parked apart and cost nothing. Drawing
// takes two passes: Prepare draws the unblended sprites alpha-tested with depth
// writes, Draw(tag) the blended sprites of one pass tag from the largest key down.
#include <cstdint>
#include <list>
#include <vector>

#include "engine/SharedPtr.h"

class CSpriteQuad;
class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;

class CSpriteLayer {
public:
    // Keys at or below this are never drawn by the blended pass.
    static constexpr int32_t kLowestKey = -1000000000;

    CSpriteLayer(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                 CSharedPtr<CIndexBuffer> indexBuffer);
    ~CSpriteLayer();
    CSpriteLayer(const CSpriteLayer&) = delete;
    CSpriteLayer& operator=(const CSpriteLayer&) = delete;

    // A shown sprite goes into draw order, a hidden one to the parked list.
    void Add(CSharedPtr<CSpriteQuad> sprite);
    // Every entry of this sprite leaves both lists; the rest are re-partitioned.
    void Remove(CSharedPtr<CSpriteQuad> sprite);
    // Shows or hides the sprite and re-partitions.
    void SetDynamic(CSharedPtr<CSpriteQuad> sprite, int32_t shown);
    // Drawn sprites no longer shown go to the end of the parked list, then parked
    // sprites now shown go into draw order.
    void Repartition();
    // Repartition, then place every drawn sprite again (after keys changed).
    void Resort();
    // One frame for every shown sprite (every sprite with `force`); sprites whose
    // life ran out leave the layer.
    void Update(float dt, int32_t force);
    // The alpha-tested pass of the unblended sprites.
    void Prepare();
    // The blended pass of the sprites with this pass tag.
    void Draw(int32_t passTag);

    const std::list<CSharedPtr<CSpriteQuad>>& GetDrawn() const { return Drawn; }
    const std::list<CSharedPtr<CSpriteQuad>>& GetParked() const { return Parked; }

    int32_t Shown = 1;  // the renderer draws the layer only while set

private:
    using List = std::list<CSharedPtr<CSpriteQuad>>;
    void InsertSorted(const CSharedPtr<CSpriteQuad>& sprite);
    // Locks, writes and unlocks one run; false when a lock failed.
    bool WriteRun(const CSpriteQuad* const* run, uint32_t n, uint32_t* firstVertex,
                  uint32_t* firstIndex);
    void SetPassStates(bool blended);

    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    List Drawn;
    List Parked;
    // The run being batched while drawing, kept so that a frame allocates nothing.
    std::vector<const CSpriteQuad*> Run;
};
