#pragma once
// A stage backdrop shown as its still picture ("Backdrop<n>.jpg") while its
// animated scene is not there yet: the same operations as the animated
// backdrops, so that the manager treats every stage alike.
#include <cstdint>
#include <string>

#include "engine/SharedPtr.h"

class CRenderDevice;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;

class CStillBackground {
public:
    // `stage` 2..5 names the picture; `maxCount` is the stage's level count.
    CStillBackground(int32_t stage, int32_t maxCount);
    ~CStillBackground();
    CStillBackground(const CStillBackground&) = delete;
    CStillBackground& operator=(const CStillBackground&) = delete;

    void AttachDevice(CSharedPtr<CRenderDevice> device) { Device = device; }
    void AttachShared(CSharedPtr<CSpriteLayer> layer) { Layer = layer; }
    bool LoadTextures(std::string folder);
    bool UnloadTextures();
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    int32_t GetStageCount() const { return Count; }
    void Update(float) {}
    int32_t Render();

    CSharedPtr<CTexture> Picture;
    CSharedPtr<CSpriteQuad> Sprite;

private:
    std::string Name, File;
    int32_t MaxCount;
    int32_t Count = 0;
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CSpriteLayer> Layer;
};
