#pragma once
// The stage backdrop until the animated backdrops arrive: one full-screen
// picture per stage ("Backdrop1.jpg" .. "Backdrop5.jpg" in the graphics
// folder), drawn as a sprite of its own sprite layer behind everything else.
// A picture is loaded the first time its stage is shown and kept; a change of
// stage fades the new picture in over the old one.
#include <array>
#include <cstdint>
#include <string>

#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"

class CRenderDevice;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;

class CBackdrop : public IBackdropLayer {
public:
    static constexpr int32_t kStages = 5;
    static constexpr float kFadeSpeed = 2.0f;  // alpha per second of a new picture

    // The layer must have the device and the shared buffers; gfxFolder ends in
    // its separator.
    CBackdrop(CSharedPtr<CRenderDevice> device, CSharedPtr<CSpriteLayer> layer,
              std::string gfxFolder);
    ~CBackdrop() override;
    CBackdrop(const CBackdrop&) = delete;
    CBackdrop& operator=(const CBackdrop&) = delete;

    // 1..5 shows that stage's picture; anything else (or a picture that cannot
    // be loaded) shows none. Returns true when a picture is shown.
    bool SetStage(int32_t stage);
    int32_t GetStage() const { return stage_; }
    void Update(float dt);

    bool IsEnabled() const override { return !current_.IsNull(); }
    int32_t GetCurrentId() const override { return stage_; }
    void Render() override;

    // The picture of a stage (loading it on first use); empty when it fails.
    CSharedPtr<CTexture> Picture(int32_t stage);
    const CSharedPtr<CSpriteQuad>& CurrentSprite() const { return current_; }

private:
    CSharedPtr<CSpriteQuad> MakeSprite(CSharedPtr<CTexture> texture, float alpha, float z);
    void DropSprite(CSharedPtr<CSpriteQuad>& sprite);

    CSharedPtr<CRenderDevice> device_;
    CSharedPtr<CSpriteLayer> layer_;
    std::string gfxFolder_;
    std::array<CSharedPtr<CTexture>, kStages> pictures_;
    std::array<int32_t, kStages> failed_{};
    CSharedPtr<CSpriteQuad> current_;
    CSharedPtr<CSpriteQuad> previous_;
    int32_t stage_ = 0;
};
