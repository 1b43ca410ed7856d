// The main-menu backdrop's parameters, pictures, geometry, sprites and drawing;
// its per-frame life is in MainMenuAnimation.cpp.
#include "backgrounds/MainMenuBackground.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "backgrounds/BackdropKit.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/IniHelpers.h"
#include "engine/ObjectLog.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "MainMenu";
// Texture sizes the rectangles of the configuration are given in.
constexpr float kElementsW = 512.0f, kElementsH = 1024.0f;
constexpr float kSkyMaskW = 256.0f, kSkyMaskH = 128.0f;
constexpr float kFrontW = 512.0f, kFrontH = 256.0f;
// Sprites, cells and leaves lie just in front of the picture.
constexpr float kDetailDepth = kDepth - 2.0f;
constexpr int32_t kCellKey = 90;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

struct Textured {
    const char* name;
    const char* file;
    Loader loader;
};
constexpr Textured kTextures[] = {
    {"BackgroundMainMenu", "MainBack.jpg", Loader::Plain},
    {"MainMenuSkyMask", "MainSkyMask.tga", Loader::AnyFormat},
    {"MainMenuLeafMask", "MainLeafMask.tga", Loader::AnyFormat},
    {"MainMenuElements", "MainElements.jpg", Loader::WithAlpha},
    {"MainMenuFrontFoliage", "MainFoliage.jpg", Loader::WithAlpha},
};

// "left top right bottom" texels of the elements texture.
void ReadElementRect(float out[4], const std::string& file, const char* key, const char* def) {
    GetIniFloat4(out, file, kSection, key, def);
    out[0] /= kElementsW;
    out[1] /= kElementsH;
    out[2] /= kElementsW;
    out[3] /= kElementsH;
}

// "x y w h" of the screen with the top-left corner made centred.
void ReadForm(float out[4], const std::string& file, const char* key, const char* def) {
    GetIniFloat4(out, file, kSection, key, def);
    out[0] = CentredX(out[0]);
    out[1] = CentredY(out[1]);
}

} // namespace

CMainMenuBackground::CMainMenuBackground() = default;

CMainMenuBackground::~CMainMenuBackground() {
    ReleaseState();
    UnloadTextures();
}

void CMainMenuBackground::AttachDevice(CSharedPtr<CRenderDevice> device,
                                       CSharedPtr<CVertexBuffer> vb, CSharedPtr<CIndexBuffer> ib) {
    Device = device;
    VertexBuffer = vb;
    IndexBuffer = ib;
}

void CMainMenuBackground::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                       CSharedPtr<CParticleSystemsManager> particles,
                                       CSharedPtr<CQuadLayer> quads,
                                       CSharedPtr<CSpriteLayer> frontLayer) {
    Layer = layer;
    Particles = particles;
    Quads = quads;
    FrontLayer = frontLayer;
}

void CMainMenuBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    float v[4] = {0, 0, 0, 0};
    GetIniFloat2(v, file, kSection, "SkyPos", "262 0");
    SkyPos[0] = CentredX(v[0]);
    SkyPos[1] = CentredY(v[1]);
    SkyPos[2] = -1.0f;
    GetIniFloat2(SkySize, file, kSection, "SkySize", "762 312");
    SkyV = GetIniFloat(file, kSection, "SkyV", "780") / kPictureTexels;
    GetIniFloat2(SkyTSize, file, kSection, "SkyTSize", "512 208");
    SkyTSize[0] /= kPictureTexels;
    SkyTSize[1] /= kPictureTexels;
    GetIniFloat2(SkyMaskSize, file, kSection, "SkyMaskTSize", "254 104");
    SkyMaskSize[0] /= kSkyMaskW;
    SkyMaskSize[1] /= kSkyMaskH;
    SkySpeed = GetIniFloat(file, kSection, "SkyTSpeed", "-0.01");

    ElementCentre.assign(kElements, {});
    ElementSize.assign(kElements, {});
    ElementRect.assign(kElements, {});
    ElementKey.assign(kElements, 0);
    for (int i = 0; i < kElements; ++i) {
        const size_t k = static_cast<size_t>(i);
        float at[3] = {0, 0, 0};
        GetIniFloat3(at, file, kSection, KeyOf("Sprite", i).c_str(), "256 0 -2");
        GetIniFloat2(ElementSize[k].data(), file, kSection, KeyOf("SpriteSize", i).c_str(),
                     "256 104");
        const float w = ElementSize[k][0], h = ElementSize[k][1];
        ElementCentre[k] = {CentredX(at[0]) + 0.5f * w, CentredY(at[1]) - 0.5f * h, at[2]};
        ReadElementRect(ElementRect[k].data(), file, KeyOf("SpriteT", i).c_str(),
                        "168 844 424 948");
        ElementKey[k] = GetIniInt(file, kSection, KeyOf("SpriteZOrder", i).c_str(), "99");
    }
    ReadElementRect(EyeRect, file, "EyeT", "127 957 199 987");
    ReadElementRect(LipsRect[0], file, "LipsT1", "201 957 252 985");
    ReadElementRect(LipsRect[1], file, "LipsT2", "254 957 305 985");
    for (int i = 0; i < kLeafKinds; ++i)
        ReadElementRect(LeafRect[i], file, KeyOf("LeafT", i).c_str(), "430 728 470 768");
    GetIniFloat2(LeafSize, file, kSection, "LeafSize", "40 40");
    ReadForm(LeafZone, file, "LeafBirthZone", "0 12 290 224");
    GetIniFloat2(LeafSpeed, file, kSection, "LeafSpeed", "40 100");
    LeafRotSpeed = GetIniFloat(file, kSection, "LeafRotSpeed", "3") * kPi;
    LeafRotW = GetIniFloat(file, kSection, "LeafRotW", "1");
    GetIniFloat2(LeafArcSize, file, kSection, "LeafArcSize", "64 32");
    LeafArcW = GetIniFloat(file, kSection, "LeafArcW", "1");
    MaxLeaves = ReadCount(file, kSection, "MaxLeafs", "8", 0, kMaxLeaves);
    LeafBirthT = GetIniFloat(file, kSection, "LeafBirthT", "0.5");

    ReadForm(FoliageForm, file, "FoliageForm", "0 0 476 716");
    GetIniFloat4(FoliageTForm, file, kSection, "FoliageTForm", "4 4 476 716");
    FoliageTForm[0] /= kElementsW;
    FoliageTForm[1] /= kElementsH;
    FoliageTForm[2] /= kElementsW;
    FoliageTForm[3] /= kElementsH;
    int32_t cells[2] = {6, 6};
    GetIniInt2(cells, file, kSection, "FoliageCells", "6 6");
    if (cells[0] < 0 || cells[1] < 0 || cells[0] > kMaxFoliageCells ||
        cells[1] > kMaxFoliageCells) {
        std::string text;
        WarnDefault(file, kSection, "FoliageCells",
                    GetIniString(text, file, kSection, "FoliageCells", ""),
                    "is not two whole numbers from 0 to 64", "6 6");
        cells[0] = cells[1] = 6;
    }
    FoliageCells[0] = cells[0];
    FoliageCells[1] = cells[1];
    GetIniFloat2(FoliageNoise, file, kSection, "FoliageTNoise", "4 4");
    FoliageNoise[0] /= kElementsW;
    FoliageNoise[1] /= kElementsH;
    FoliageNoiseW = GetIniFloat(file, kSection, "FoliageNoiseW", "1");

    GetIniFloat2(MapDisp, file, kSection, "MapDisp", "4 4");
    GetIniFloat2(MapW, file, kSection, "MapW1", "1.2 0.97");
    GetIniFloat2(MapW + 2, file, kSection, "MapW2", "0.57 0.63");
    GetIniFloat2(HairDisp, file, kSection, "HairDisp", "4 0.2");
    GetIniFloat2(HairW, file, kSection, "HairW1", "1.2 0.97");
    GetIniFloat2(HairW + 2, file, kSection, "HairW2", "0.57 0.63");
    EyeProbability = GetIniFloat(file, kSection, "EyeProbability", "0.25");
    LipsProbability = GetIniFloat(file, kSection, "LipsProbability", "0.3");
    LipsMinTime = GetIniFloat(file, kSection, "LipsMinTime", "0.3");

    float at[3] = {0, 0, 0};
    GetIniFloat3(at, file, kSection, "FrontFoliage", "9 94 -100");
    GetIniFloat2(FrontSize, file, kSection, "FrontFoliageSize", "404 242");
    FrontCentre[0] = CentredX(at[0]) + 0.5f * FrontSize[0];
    FrontCentre[1] = CentredY(at[1]) - 0.5f * FrontSize[1];
    FrontCentre[2] = at[2];
    FrontKey = GetIniInt(file, kSection, "FrontFoliageZOrder", "-100");
    GetIniFloat2(FrontMove, file, kSection, "FrontFoliageMove", "8 8");
    GetIniFloat2(FrontMoveW, file, kSection, "FrontFoliageMoveW", "1.17 0.95");
    GetIniFloat2(FrontSkew, file, kSection, "FrontFoliageSqew", "8 2");
    GetIniFloat2(FrontSkewW, file, kSection, "FrontFoliageSqewW", "0.87 1.3");
    FrontRockAngle = GetIniFloat(file, kSection, "FrontFoliageRotA", "0.01") * kPi;
    FrontRockW = GetIniFloat(file, kSection, "FrontFoliageRotW", "1.1");
    ShiftAngle = GetIniFloat(file, kSection, "FrontFoliageShiftAngle", "0.1") * kPi;
    GetIniFloat2(Shift, file, kSection, "FrontFoliageShift", "-10 -20");
    Shift[1] = -Shift[1];
    ShiftTime = ReadPeriod(file, kSection, "FrontFoliageShiftTime", "0.2");
    GetIniFloat4(ShiftZone, file, kSection, "FrontFoliageShiftZone", "24 232 382 352");
    ShiftZone[0] = CentredX(ShiftZone[0]);
    ShiftZone[1] = CentredY(ShiftZone[1]);
    ShiftZone[2] = CentredX(ShiftZone[2]);
    ShiftZone[3] = CentredY(ShiftZone[3]);
}

void CMainMenuBackground::SetupGeometry() {
    const size_t leaves = static_cast<size_t>(std::max(MaxLeaves, 0));
    Vertices.assign(4 + 4 * leaves, gpu::Vertex{});
    Indices.assign(6 * (leaves + 1), 0);
    SkyOffset = 0.0f;
    const float x0 = SkyPos[0] + Offset[0], y0 = SkyPos[1] + Offset[1];
    const float z = SkyPos[2] + Offset[2];
    const float w = SkySize[0], h = SkySize[1];
    const float tw = SkyTSize[0], th = SkyTSize[1], sv = SkyV;
    const float mu = 1.0f - SkyMaskSize[0], mh = SkyMaskSize[1];
    Vertices[0] = {x0, y0, z, kWhite, 0.0f, sv, mu, 0.0f};
    Vertices[1] = {x0 + w, y0, z, kWhite, tw, sv, 1.0f, 0.0f};
    Vertices[2] = {x0 + w, y0 - h, z, kWhite, tw, sv + th, 1.0f, mh};
    Vertices[3] = {x0, y0 - h, z, kWhite, 0.0f, sv + th, mu, mh};
    for (size_t k = 0; k <= leaves; ++k)
        WriteQuadIndices(&Indices[6 * k], static_cast<uint32_t>(4 * k));
    Leaves.clear();
    Leaves.reserve(leaves);
    LeafTimer = 0.0f;
    std::fill(std::begin(MapPhase), std::end(MapPhase), 0.0f);
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < 4; ++i)
            StrandPhase[s][i] = StrandFrequency[s][i] = 0.0f;
    LipsTimer = 0.0f;
    std::fill(std::begin(FrontPhase), std::end(FrontPhase), 0.0f);
    ShiftAmount = 0.0f;
    Hover = 0;
    Update(0.0f);
}

std::vector<TextureSlot> CMainMenuBackground::Slots() {
    CSharedPtr<CTexture>* members[] = {&Back, &SkyMask, &LeafMask, &ElementsTexture, &Foliage};
    std::vector<TextureSlot> slots;
    for (size_t i = 0; i < std::size(kTextures); ++i)
        slots.push_back({kTextures[i].name, kTextures[i].file, kTextures[i].loader, members[i]});
    return slots;
}

bool CMainMenuBackground::LoadTextures(std::string folder) {
    return !Device.IsNull() && LoadEach(*Device, folder, Slots());
}

bool CMainMenuBackground::UnloadTextures() {
    Unload(Device.Get(), Slots());
    return true;
}

void CMainMenuBackground::Start() {
    for (int i = 0; i < kElements; ++i) {
        const size_t k = static_cast<size_t>(i);
        const auto& c = ElementCentre[k];
        const float w = ElementSize[k][0], h = ElementSize[k][1];
        auto s = MakeSprite(c[0] + Offset[0], c[1] + Offset[1], c[2] + Offset[2], w, h, kWhite,
                            ElementsTexture);
        const auto& r = ElementRect[k];
        s->SetFrameRect(0, r[0], r[1], r[2], r[3]);
        s->DepthTest = s->DepthWrite = 0;
        if (i == kEyes)
            s->AddFrame(EyeRect[0], EyeRect[1], EyeRect[2], EyeRect[3]);
        if (i == kLips)
            for (const auto& lips : LipsRect)
                s->AddFrame(lips[0], lips[1], lips[2], lips[3]);
        if (i == kHair0 || i == kHair1) {
            const int strand = i == kHair0 ? 0 : 1;
            for (float& p : StrandPhase[strand])
                p = kTwoPi * RandomFloat();
            for (int f = 0; f < 4; ++f)
                StrandFrequency[strand][f] = (0.8f + 0.4f * RandomFloat()) * HairW[f];
            ApplySwing(*s, StrandPhase[strand], HairDisp, k);
        }
        if (i == kMap) {
            for (float& p : MapPhase)
                p = kTwoPi * RandomFloat();
            // A first shape; the first frame gives the map its hanging swing.
            const float dx =
                w != 0.0f ? (std::sin(MapPhase[0]) + 0.5f * std::sin(MapPhase[2])) * MapDisp[0] / w
                          : 0.0f;
            const float dy =
                h != 0.0f
                    ? (std::sin(MapPhase[1]) + 0.5f * std::sin(MapPhase[3])) * MapDisp[1] / h - 0.5f
                    : -0.5f;
            const CTexCoord corners[4] = {
                {-0.5f, 0.5f}, {0.5f, 0.5f}, {dx + 0.5f, dy}, {dx - 0.5f, dy}};
            s->SetCorners(corners);
        }
        s->Key = ElementKey[k];
        if (i == kScreenElement)
            s->SetBlend(1, CSpriteQuad::BlendScreen);
        Show(Layer, s);
        ElementSprites.push_back(s);
    }

    // The foliage block: a grid of cells whose picture corners ripple.
    const size_t nc = static_cast<size_t>(FoliageCells[0]),
                 nr = static_cast<size_t>(FoliageCells[1]);
    CellSprites.reserve(nc * nr);
    NodeFrequency.assign(nr + 1, std::vector<std::array<float, 2>>(nc + 1));
    NodePhase.assign(nr + 1, std::vector<std::array<float, 2>>(nc + 1));
    for (size_t j = 0; j <= nr; ++j)
        for (size_t i = 0; i <= nc; ++i) {
            NodeFrequency[j][i][0] = (0.75f + 0.5f * RandomFloat()) * FoliageNoiseW;
            NodeFrequency[j][i][1] = (0.75f + 0.5f * RandomFloat()) * FoliageNoiseW;
            NodePhase[j][i][0] = kTwoPi * RandomFloat();
            NodePhase[j][i][1] = kTwoPi * RandomFloat();
        }
    if (nc > 0 && nr > 0) {
        const float cw = FoliageForm[2] / static_cast<float>(nc);
        const float ch = FoliageForm[3] / static_cast<float>(nr);
        for (size_t j = 0; j < nr; ++j)
            for (size_t i = 0; i < nc; ++i) {
                auto s =
                    MakeSprite(FoliageForm[0] + Offset[0] + (static_cast<float>(i) + 0.5f) * cw,
                               FoliageForm[1] + Offset[1] - (static_cast<float>(j) + 0.5f) * ch,
                               kDetailDepth, cw, ch, kWhite, ElementsTexture);
                s->DepthTest = s->DepthWrite = 0;
                s->Key = kCellKey;
                CellSprites.push_back(s);
                WriteCellFrame(j, i);
                Show(Layer, s);
            }
    }

    BackSprite =
        MakeSprite(Offset[0], Offset[1], Offset[2], kScreenWidth, kScreenHeight, kWhite, Back);
    BackSprite->SetBlend(0, CSpriteQuad::BlendNormal);
    BackSprite->SetFrameRect(0, 0.0f, 0.0f, 1.0f, kSceneV);
    BackSprite->DepthTest = BackSprite->DepthWrite = 0;
    BackSprite->Key = kPictureKey;
    BackSprite->PassTag = kPassBehind;
    Show(Layer, BackSprite);

    ShiftAmount = 0.0f;
    Hover = 0;
    FrontShown = 1;
    FrontAlpha = 1.0f;
    for (float& p : FrontPhase)
        p = kTwoPi * RandomFloat();
    FrontSprite = MakeSprite(FrontCentre[0], FrontCentre[1], FrontCentre[2], FrontSize[0],
                             FrontSize[1], kWhite, Foliage);
    FrontSprite->SetFrameRect(0, 0.0f, 0.0f, FrontSize[0] / kFrontW, FrontSize[1] / kFrontH);
    FrontSprite->Key = FrontKey;
    AnimateFront(0.0f, 0.0f);
    Show(FrontLayer, FrontSprite);

    Leaves.clear();
    LeafTimer = 0.0f;
    LipsTimer = 0.0f;
}

void CMainMenuBackground::ReleaseState() {
    if (!Layer.IsNull()) {
        Hide(Layer, BackSprite);
        for (auto* list : {&ElementSprites, &CellSprites}) {
            for (auto& s : *list)
                if (!s.IsNull())
                    Layer->Remove(s);
            list->clear();
        }
    }
    if (!FrontLayer.IsNull())
        Hide(FrontLayer, FrontSprite);
    Leaves.clear();
    LeafTimer = 0.0f;
}

int32_t CMainMenuBackground::Render() {
    return DrawBetweenPasses(Layer, [this] { return RenderBody(); });
}

int32_t CMainMenuBackground::RenderBody() {
    if (Vertices.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return 0;
    uint32_t firstVertex = 0, firstIndex = 0;
    const gpu::Result r =
        Upload(*VertexBuffer, *IndexBuffer, Vertices, Indices, &firstVertex, &firstIndex);
    if (gpu::Failed(r))
        return r;
    CRenderDevice& d = *Device;
    const uint32_t depthWrite = SetMaskedStates(d);
    // The sky's u runs past 1 as it scrolls.
    d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    d.SetTextureStageState(1, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    // A picture that failed to load leaves its part out.
    if (!Back.IsNull() && !SkyMask.IsNull()) {
        d.SetTexture(0, Back);
        d.SetTexture(1, SkyMask);
        d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4, firstIndex, 2);
    }
    const uint32_t n = static_cast<uint32_t>(Leaves.size());
    if (n > 0 && !ElementsTexture.IsNull() && !LeafMask.IsNull()) {
        d.SetTexture(0, ElementsTexture);
        d.SetTexture(1, LeafMask);
        d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex + 4, 4 * n, firstIndex + 6,
                               2 * n);
    }
    RestoreMaskedStates(d, depthWrite);
    d.SetTexture(1, CSharedPtr<CTexture>());
    return 0;
}

bool CMainMenuBackground::InShiftZone(float x, float y) const {
    return ShiftZone[0] <= x && x <= ShiftZone[2] && ShiftZone[3] <= y && y <= ShiftZone[1];
}
