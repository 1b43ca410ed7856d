#include "backgrounds/ValleyBackground.h"

#include <cmath>
#include <cstdlib>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "engine/IniHelpers.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "platform/gpu/MathHelpers.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "Valley";
constexpr const char* kPictureName = "BackgroundValley";
constexpr const char* kPictureFile = "Valley.jpg";
constexpr const char* kCloudName = "ValleyCloud";
constexpr const char* kMaskName = "ValleyMask";
constexpr const char* kFlareRaysName = "ValleyFlareRays";
constexpr int32_t kMaskKey = 101;
constexpr int32_t kCloudKey = 102;
// The mask strip's texels.
constexpr float kMaskTexelsU = 256.0f, kMaskTexelsV = 64.0f;
// The view reaches a little in front of the sheet's near edge and beyond its
// far edge; it has the screen's 4:3 shape.
constexpr float kNearFactor = 0.9f, kFarFactor = 1.1f;
constexpr float kAspect = 0.75f;
constexpr float kDegrees = kPi / 180.0f;
// The ninth flare follows the eight slots.
constexpr int32_t kFinalSlot = CValleyBackground::kMaxCount;

CStageSettings ValleySettings() {
    CStageSettings s;
    s.MaxCount = CValleyBackground::kMaxCount;
    s.ExtraSlots = 1;
    s.FlareKey = -2;
    s.SpinTimesPi = false;
    return s;
}

} // namespace

CValleyBackground::CValleyBackground() : CStageBackdrop(ValleySettings()) {}

CValleyBackground::~CValleyBackground() {
    ReleaseState();
    UnloadTextures();
}

void CValleyBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    GetIniString(CloudFile, file, kSection, "CloudTexture", "ValleyCloud.jpg");
    GetIniString(MaskFile, file, kSection, "MaskTexture", "ValleyMask.tga");
    GetIniString(FlareRaysFile, file, kSection, "FlareRaysTexture", "ValleyFlareRays.tga");
    float centre[2] = {0, 0};
    GetIniFloat2(centre, file, kSection, "FlareCenter", "302 81");
    FlareRaysX = CentredX(centre[0]);
    FlareRaysY = CentredY(centre[1]);
    GetIniFloat2(FlareRaysSize, file, kSection, "FlareRaysSize", "714 714");
    FlareRaysSpin = ReadSpin(file, kSection, "FlareRaysRotT", "-61");

    // The view needs an angle it can open and a sheet in front of the eye.
    float fov = ReadPeriod(file, kSection, "FOV", "45");
    if (fov >= 180.0f) {
        WarnDefault(file, kSection, "FOV", std::to_string(fov), "is not an angle below 180", "45");
        fov = 45.0f;
    }
    FieldOfView = fov * kDegrees;
    float pos[2] = {386.0f, 1236.0f}, size[2] = {2100.0f, 1250.0f};
    GetIniFloat2(pos, file, kSection, "CloudPos", "386 1236");
    GetIniFloat2(size, file, kSection, "CloudSize", "2100 1250");
    if (!(pos[1] > 0.0f && std::isfinite(pos[1]) && size[1] >= 0.0f && std::isfinite(size[1]))) {
        WarnDefault(file, kSection, "CloudPos",
                    std::to_string(pos[1]) + " " + std::to_string(size[1]),
                    "does not put the clouds in front of the eye", "386 1236");
        pos[0] = 386.0f;
        pos[1] = 1236.0f;
        size[1] = 1250.0f;
    }
    const float factor = GetIniFloat(file, kSection, "CloudTFactor", "0.0001");
    CloudPos[0] = 0.0f;
    CloudPos[1] = pos[0];
    CloudPos[2] = pos[1] + 0.5f * size[1];
    CloudSize[0] = size[0];
    CloudSize[1] = size[1];
    CloudSpan[0] = size[0] * factor;
    CloudSpan[1] = size[1] * factor;

    float mask[4] = {0, 0, 1024, 248}, maskT[4] = {0, 0, 256, 62};
    GetIniFloat4(mask, file, kSection, "Mask", "0 0 1024 248");
    GetIniFloat4(maskT, file, kSection, "MaskT", "0 0 256 62");
    MaskPos[0] = CentredX(mask[0]) + 0.5f * mask[2];
    MaskPos[1] = CentredY(mask[1]) - 0.5f * mask[3];
    MaskPos[2] = 0.0f;
    MaskSize[0] = mask[2];
    MaskSize[1] = mask[3];
    MaskRect[0] = maskT[0] / kMaskTexelsU;
    MaskRect[1] = maskT[1] / kMaskTexelsV;
    MaskRect[2] = maskT[2] / kMaskTexelsU;
    MaskRect[3] = maskT[3] / kMaskTexelsV;
    // One number moves the clouds across only.
    CloudSpeed[0] = 0.1f;
    CloudSpeed[1] = 0.0f;
    GetIniFloat2(CloudSpeed, file, kSection, "CloudTSpeed", "0.1");
    Elements.LoadParams(file, kSection);
}

void CValleyBackground::SetupGeometry() {
    const float depth = CloudSize[1];
    const float zn = (CloudPos[2] - 0.5f * depth) * kNearFactor;
    const float zf = (CloudPos[2] + 0.5f * depth) * kFarFactor;
    const float w = std::tan(0.5f * FieldOfView) * zn;
    CloudProjection = gpu::MatrixPerspectiveOffCenterLH(-w, w, -kAspect * w, kAspect * w, zn, zf);
    Update(0.0f);
}

std::vector<TextureSlot> CValleyBackground::Slots() {
    return {{kPictureName, kPictureFile, Loader::Plain, &Picture},
            {kCloudName, CloudFile, Loader::Plain, &Cloud},
            {kMaskName, MaskFile, Loader::Plain, &Mask},
            {kFlareRaysName, FlareRaysFile, Loader::WithAlpha, &FlareRays}};
}

void CValleyBackground::Start() {
    FlareRaysSprite =
        MakeFlareRays(FlareRaysX, FlareRaysY, FlareRaysSize, 0xFFFFFFFFu, FlareRaysSpin, FlareRays);
    Show(Layer, FlareRaysSprite);
    // Laid over the clouds: where the picture is dark they show through.
    PictureSprite = MakePicture(Picture, 1, CSpriteQuad::BlendScreen);
    Show(Layer, PictureSprite);

    MaskSprite = MakeSprite(MaskPos[0] + kOffsetX, MaskPos[1] + kOffsetY, MaskPos[2] + kDepth,
                            MaskSize[0], MaskSize[1], 0xFFFFFFFFu, Mask);
    MaskSprite->SetBlend(1, CSpriteQuad::BlendMultiply);
    MaskSprite->SetFrameRect(0, MaskRect[0], MaskRect[1], MaskRect[2], MaskRect[3]);
    MaskSprite->DepthTest = 0;
    MaskSprite->DepthWrite = 0;
    MaskSprite->Key = kMaskKey;
    Show(Layer, MaskSprite);

    // The sheet lies flat at the clouds' height and runs away from the eye.
    CloudSprite = MakeSprite(CloudPos[0], CloudPos[1], CloudPos[2], CloudSize[0], CloudSize[1],
                             0xFFFFFFFFu, Cloud);
    CloudSprite->SetBlend(0, CSpriteQuad::BlendNormal);
    CloudSprite->SetAxes(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, false);
    CloudSprite->DepthTest = 0;
    CloudSprite->DepthWrite = 0;
    CloudSprite->Key = kCloudKey;
    SetCloudFrame();
    Show(Layer, CloudSprite);
    Elements.Start();
}

void CValleyBackground::ReleaseState() {
    if (Layer.IsNull())
        return;
    Hide(Layer, PictureSprite);
    Hide(Layer, FlareRaysSprite);
    Hide(Layer, CloudSprite);
    Hide(Layer, MaskSprite);
    Elements.Release();
}

void CValleyBackground::SetStage(int32_t count, int32_t flag) {
    const CStageElements::Change change = Elements.SetStage(count, flag);
    if (change.Added && change.ReachedMax)
        Elements.AddFinalFlare();
    Elements.CelebrateIfWon(change);
}

void CValleyBackground::SetCloudFrame() {
    if (CloudSprite.IsNull())
        return;
    const float u = CloudOffset[0], v = CloudOffset[1];
    const CTexCoord frame[4] = {
        {u, v}, {u + CloudSpan[0], v}, {u + CloudSpan[0], v + CloudSpan[1]}, {u, v + CloudSpan[1]}};
    CloudSprite->SetFrameCorners(0, frame);
}

void CValleyBackground::Update(float dt) {
    const float ambient = Ambient.Tick(dt);
    TurnFlareRays(FlareRaysSprite, ambient);
    if (!CloudSprite.IsNull()) {
        for (int c = 0; c < 2; ++c) {
            CloudOffset[c] += CloudSpeed[c] * ambient;
            if (CloudOffset[c] < 0.0f)
                CloudOffset[c] += 1.0f;
            if (CloudOffset[c] >= 1.0f)
                CloudOffset[c] -= 1.0f;
        }
        SetCloudFrame();
    }
    if (Elements.Update(dt))
        Elements.StartFinal(ESound::Flare);
    int32_t& state = Elements.SlotStateAt(kFinalSlot);
    if (state == CStageElements::kFlareGrowing) {
        float& timer = Elements.SlotTimerAt(kFinalSlot);
        timer += dt;
        if (timer >= Elements.NewFlareTime)
            state = CStageElements::kIdle;
    }
}

int32_t CValleyBackground::Render() {
    if (Layer.IsNull())
        return 0;
    // The clouds (the layer's one opaque sprite) are laid down under their own
    // perspective; every layer drawn after them gets the screen's projection
    // back. A projection that cannot be read is not replaced.
    gpu::Matrix screen;
    const bool own = !Device.IsNull() &&
                     !gpu::Failed(Device->GetTransform(gpu::Ts::Projection, &screen)) &&
                     !gpu::Failed(Device->SetTransform(gpu::Ts::Projection, CloudProjection));
    Layer->Prepare();
    if (own)
        Device->SetTransform(gpu::Ts::Projection, screen);
    Layer->Draw(kPassFront);
    return 0;
}
