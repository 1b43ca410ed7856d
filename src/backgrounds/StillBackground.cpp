#include "backgrounds/StillBackground.h"

#include <algorithm>

#include "backgrounds/BackdropKit.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

using namespace backdrop;

CStillBackground::CStillBackground(int32_t stage, int32_t maxCount)
    : Name("BackgroundStill" + std::to_string(stage)),
      File("Backdrop" + std::to_string(stage) + ".jpg"), MaxCount(maxCount) {}

CStillBackground::~CStillBackground() {
    ReleaseState();
    UnloadTextures();
}

bool CStillBackground::LoadTextures(std::string folder) {
    if (Device.IsNull())
        return false;
    Picture = ShareOrLoad(*Device, Name, folder + File, Loader::Plain);
    return !Picture.IsNull();
}

bool CStillBackground::UnloadTextures() {
    Unload(Device.Get(), {Name.c_str()}, {&Picture});
    return true;
}

void CStillBackground::Start() {
    Sprite =
        MakeSprite(kOffsetX, kOffsetY, kDepth, kScreenWidth, kScreenHeight, 0xFFFFFFFFu, Picture);
    Sprite->SetBlend(0, CSpriteQuad::BlendNormal);
    Sprite->DepthTest = Sprite->DepthWrite = 0;
    Sprite->Key = kPictureKey;
    Show(Layer, Sprite);
}

void CStillBackground::ReleaseState() {
    Hide(Layer, Sprite);
}

void CStillBackground::SetStage(int32_t count, int32_t) {
    Count = std::clamp(count, 0, MaxCount);
}

int32_t CStillBackground::Render() {
    if (!Layer.IsNull()) {
        Layer->Prepare();
        Layer->Draw(kPassBehind);
        Layer->Draw(kPassFront);
    }
    return 0;
}
