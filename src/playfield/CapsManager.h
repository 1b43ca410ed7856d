#pragma once
// The caps manager owns every drawn token of the play field and of the
// bonus-level boards: the draw list of cap sprites, the caps textures, the 17
// token animations and the three drawing passes (sprite, cursor light, chains).
// One manager is made at start-up and shared (CSharedPtr) by the game object,
// the renderer (as its caps layer) and the play field.
//
// Draw-list order: higher layers first; within a layer, sprites with the same
// sprite texture stand together, so the passes start a new draw call only
// where the texture changes. Empty handles may stand in the list.
//
// Sprite kinds:
//   0..19     "Caps.png" / "Caps_l.tga", animation = kind (0..6 the colours)
//   20..49    memory atlas (kind-20)/3, animation = kind-12 (20..28 exist)
//   50..99    dark variant: "Caps_d.png" / "Caps_l.tga", animation = kind-50
//   100..     steel: "Caps.png" / "Caps_l.tga", animation 7
// A kind whose animation or texture does not exist (17..19, 29..49, 67..99,
// negative) is never drawn.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"
#include "playfield/CapSprite.h"
#include "playfield/CapsAnimation.h"
#include "playfield/CapsDrawing.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CTexture;

class CCapsManager : public ICapsLayer {
public:
    static constexpr int kDarkOffset = 50;
    static constexpr int kSteelKind = 100;
    static constexpr int kFirstMemoryKind = 20;

    CCapsManager(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                 CSharedPtr<CIndexBuffer> indexBuffer);
    ~CCapsManager() override;
    CCapsManager(const CCapsManager&) = delete;
    CCapsManager& operator=(const CCapsManager&) = delete;

    // ---- Kind table ----
    // Animation record of a kind; -1 when the kind has none.
    static int AnimationIndexOf(int kind);
    // Index in the caps texture list; -1 for a negative kind.
    static int SpriteTextureIndexOf(int kind);
    static int LightTextureIndexOf(int kind);
    // True when the kind has an animation record and both textures exist in the
    // list (once loaded).
    static bool IsDrawableKind(int kind);

    // ---- Sprites ----
    // Makes a sprite (defaults of CCapSprite) at the position with that half
    // size, kind and layer, picks its textures by kind and puts it in the draw
    // list. The list keeps one handle, `out` gets the other.
    void CreateCap(CSharedPtr<CCapSprite>& out, int kind, float x, float y, float z,
                   float halfSize, int layer);
    // Erases the first list entry holding this sprite (an empty handle: the first
    // empty entry). Its index, or -1 when none matched.
    int ReleaseCap(CSharedPtr<CCapSprite> sprite);
    // Puts the sprite in front of the first sprite of its layer with the same
    // sprite texture, else at the end of its layer's run. Its index.
    int InsertSprite(CSharedPtr<CCapSprite> sprite);
    // After a layer or texture change: moves the sprite to where the order wants
    // it. A sprite that is not listed is ignored.
    void ResortSprite(const CSharedPtr<CCapSprite>& sprite);
    // Dark on: kind below 50 becomes kind + 50 with the dark atlas; off: kind 50
    // or more becomes kind - 50 with the normal atlas; then re-sorts. A kind
    // already in the wanted range is left alone.
    void SetDark(CSharedPtr<CCapSprite> sprite, bool on);
    // Gives the sprite a new kind and the textures of that kind, then re-sorts.
    void SetKind(const CSharedPtr<CCapSprite>& sprite, int kind);
    // Releases every listed sprite (the owners' handles stay valid).
    void ClearSprites();

    const std::vector<CSharedPtr<CCapSprite>>& GetDrawList() const { return drawList_; }

    // ---- Textures (CapsTextures.cpp) ----
    // Loads the nine list textures, then the cursor light, the chain and the
    // chain alpha from `gfxFolder` + file name. The memory group is released from
    // the device right after loading. 1 on success; 0 at the first failure,
    // after logging "Unable to load Texture <file>!".
    int LoadTextures(const std::string& gfxFolder);
    // Keeps one group resident: 0 normal (list 0..2), 1 memory (list 3..8); any
    // other mode keeps none. 0 before loading or when re-creation fails, else 1.
    int SetTextureMode(int mode);
    int GetTextureMode() const { return textureMode_; }
    CSharedPtr<CTexture> GetCapsTexture(int index) const;
    const std::vector<CSharedPtr<CTexture>>& GetCapsTextures() const { return textures_; }
    CSharedPtr<CTexture> GetCursorLightTexture() const { return cursorLight_; }
    CSharedPtr<CTexture> GetChainTexture() const { return chain_; }
    CSharedPtr<CTexture> GetChainAlphaTexture() const { return chainAlpha_; }
    // The textures a kind draws with (empty when the list has no such entry).
    CSharedPtr<CTexture> SpriteTextureFor(int kind) const;
    CSharedPtr<CTexture> LightTextureFor(int kind) const;

    // ---- Animations (CapsAnimation.cpp) ----
    // Reads `dataFolder` + "CapsAnimation.dat". 1 on success; 0 after logging
    // "Unable to Load Caps Animation!".
    int LoadCapsAnimation(const std::string& dataFolder);
    const std::vector<CCapAnimation>& GetAnimations() const { return animations_; }
    // Null when the record does not exist.
    const CCapAnimation* GetAnimation(int index) const;
    // The frame a sprite shows now (its kind's record at its clamped track
    // position); null when its kind has no record.
    const CCapFrame* FrameOf(const CCapSprite& sprite) const;

    // ---- Drawing (CapsDrawing.cpp) ----
    // Sprite pass then light pass: triangles drawn, or negative when a buffer
    // lock fails. Without sprite batches the light pass is skipped.
    int RenderCaps();
    // Chain pass: chained sprites drawn, 0 when none, -1 when a lock fails.
    int RenderCapChains();
    // The steps of the passes; Build* return the batch count or -1.
    int BuildSpriteBatches();
    int DrawSpriteBatches();
    int BuildLightBatches(float lightX, float lightY);
    int DrawLightBatches();
    const std::vector<CCapBatch>& GetBatches() const { return batches_; }

    // ---- Caps layer of the renderer ----
    bool IsFieldShown() const override { return fieldShown_ != 0; }
    void Render() override { RenderCaps(); }
    void RenderChains() override { RenderCapChains(); }

    // Tokens show only inside this rectangle of the virtual screen (left, top,
    // right, bottom; y up): the play field sets its board's opening, so that a
    // token dropping in or falling out comes from behind the frame's rails and
    // goes behind them. A token's pictures (sprite, light, chain) are cut at
    // its edges; one wholly outside is not drawn. Without it they show anywhere.
    void SetClip(float left, float top, float right, float bottom);
    void ClearClip() { clipped_ = false; }

    // The play field writes these: shown while its board is shown; the light
    // follows the pointer.
    void SetFieldShown(int shown) { fieldShown_ = shown; }
    int GetFieldShown() const { return fieldShown_; }
    void SetLightPoint(float x, float y) {
        lightX_ = x;
        lightY_ = y;
    }
    float GetLightX() const { return lightX_; }
    float GetLightY() const { return lightY_; }

    const CSharedPtr<CRenderDevice>& GetDevice() const { return device_; }
    const CSharedPtr<CVertexBuffer>& GetVertexBuffer() const { return vertexBuffer_; }
    const CSharedPtr<CIndexBuffer>& GetIndexBuffer() const { return indexBuffer_; }

private:
    int FindSprite(const CSharedPtr<CCapSprite>& sprite) const;
    void PickTextures(CCapSprite& sprite) const;
    // The frame of a sprite the sprite pass writes a quad for; null for none.
    const CCapFrame* SpritePassFrame(const CCapSprite& sprite) const;
    uint32_t CountSpriteQuads() const;
    // Whether any of the square of that centre and half size lies inside the clip.
    bool Shows(float x, float y, float halfSize) const;
    // Cuts a square written by the passes to the clip (when set).
    void ClipSquare(gpu::Vertex* square) const;
    // Whether the chain pass draws the sprite's chain.
    bool ChainShown(const CCapSprite& sprite) const;
    uint32_t CountLitSprites(float lightX, float lightY);
    // Locks 4n vertices and 6n indices; false (nothing left locked) on failure.
    bool LockQuads(uint32_t n, gpu::Vertex** vertices, uint16_t** indices,
                   uint32_t* firstVertex, uint32_t* firstIndex);
    void UnlockQuads();

    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CVertexBuffer> vertexBuffer_;
    CSharedPtr<CIndexBuffer> indexBuffer_;
    std::vector<CSharedPtr<CTexture>> textures_;
    CSharedPtr<CTexture> cursorLight_;
    CSharedPtr<CTexture> chain_;
    CSharedPtr<CTexture> chainAlpha_;
    int32_t fieldShown_ = 1;
    std::vector<CSharedPtr<CCapSprite>> drawList_;
    std::vector<CCapAnimation> animations_;
    std::vector<CCapBatch> batches_;
    float lightX_ = 0.0f;
    float lightY_ = 0.0f;
    int32_t textureMode_ = -1;
    bool clipped_ = false;
    float clip_[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // left, top, right, bottom
};
