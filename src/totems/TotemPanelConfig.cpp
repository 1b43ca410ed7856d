// The panel's part of "Totems.cfg": the layout ("Shared"), every colour's
// section, and the shop layout ("Shop").
#include "totems/TotemConfig.h"
#include "totems/TotemKinds.h"
#include "totems/TotemPanel.h"

namespace {

// Texture rectangles of the panel's pictures are pixels of 256 x 256.
constexpr float kPanelTexture = 256.0f;
// A dark cover drawn from "TotemDark2" has its corners in pixels of 128 x 128.
constexpr float kDarkTexture = 128.0f;
// Colour sections in the order the file lists them.
constexpr int32_t kSectionOrder[] = {2, 4, 6, 0, 1, 3, 5};
// The shop pictures sit one pixel further left than the panel's points.
constexpr float kShopScreenX = 511.5f;

void Positive2(const CTotemConfig& config, const char* key, const char* def, float out[2]) {
    config.Floats(key, def, out, 2);
    if (!(out[0] > 0.0f && out[1] > 0.0f)) {
        config.Warn(key, "must be above 0");
        CTotemConfig(std::string_view(), config.Section).Floats(key, def, out, 2);
    }
}

} // namespace

void CTotemPanel::LoadConfig(const std::string& fileName) {
    const CTotemConfig shared(fileName, "Shared");
    Center = shared.Point("Center", "152 600 -45");
    Positive2(shared, "MainSize", "128 128", MainSize);
    for (int32_t i = 0; i < kColours; ++i)
        PlacePos[static_cast<size_t>(i)] =
            shared.Point(IndexedKey("Pos%d", i).c_str(), "20 512 -40");
    Positive2(shared, "SmallSize", "48 48", SmallSize);
    Positive2(shared, "PixSmallSize", "80 80", PixSmallSize);
    for (int32_t i = 0; i < kColours; ++i)
        SmallPos[static_cast<size_t>(i)] =
            shared.Point(IndexedKey("SmallPos%d", i).c_str(), "20 512 -40");
    BottomZOrder = shared.Int("BottomZOrder", "40", -100000, 100000);
    InTime = shared.Positive("InTime", "0.5");
    OutTime = shared.Positive("OutTime", "0.25");
    // One key sets both flights: to the centre when switching, and home.
    SwitchInTime = shared.Positive("SwitchInTime", "0.5");
    ReturnTime = shared.Positive("SwitchInTime", "0.25");
    Positive2(shared, "SmallTextureSize", "256 256", SmallTextureSize);
    Positive2(shared, "ShadowTextureSize", "512 512", ShadowTextureSize);
    Positive2(shared, "LightTextureSize", "256 128", LightTextureSize);
    shared.Rect("Base", "48 474 -37 192 192", BasePos, BaseSize);
    shared.Floats("BaseT", "0 0 192 192", BaseUV, 4);
    for (float& v : BaseUV)
        v /= kPanelTexture;
    for (int32_t i = 0; i < kColours; ++i) {
        DarkCover& d = Dark[static_cast<size_t>(i)];
        shared.Rect(IndexedKey("Dark%d", i).c_str(), "217 560 -38 60 76", d.Pos, d.Size);
        d.ContourPos = CVector3(d.Pos.X, d.Pos.Y, d.Pos.Z - 1.0f);
        d.Texture = shared.Int(IndexedKey("DarkTexture%d", i).c_str(), "0", -100000, 100000);
        float corners[8] = {};
        shared.Floats(IndexedKey("DarkT%d", i).c_str(), "194 0 254 0 254 76 194 76", corners, 8);
        const float divisor = d.Texture == 0 ? kPanelTexture : kDarkTexture;
        for (int k = 0; k < 4; ++k)
            d.UV[k] = CTexCoord{corners[2 * k] / divisor, corners[2 * k + 1] / divisor};
        shared.Floats(IndexedKey("ContourT%d", i).c_str(), "120 0 180 76", d.ContourUV, 4);
        for (float& v : d.ContourUV)
            v /= kPanelTexture;
    }
    ContourColour = shared.Colour("ContourColor", "255 255 72 255");
    Positive2(shared, "ShopSize", "192 192", ShopSize);
    Positive2(shared, "ShopTexturesSize", "512 512", ShopTexturesSize);

    for (int32_t colour : kSectionOrder) {
        const auto c = static_cast<size_t>(colour);
        const CTotemKind& kind = TotemKind(colour);
        CSharedPtr<CTotemColourParams> params(kind.NewParams());
        params->Load(fileName, kind.Section, kind.ShineDefault);
        ColourParams[c] = params;
        CTotemShapes::Sizes sizes{};
        auto copy = [](float* to, const float* from) {
            to[0] = from[0];
            to[1] = from[1];
        };
        copy(sizes.pixSmall, PixSmallSize);
        copy(sizes.main, MainSize);
        copy(sizes.shop, ShopSize);
        copy(sizes.smallTexture, SmallTextureSize);
        copy(sizes.shadowTexture, ShadowTextureSize);
        copy(sizes.mainTexture, params->MainTextureSize);
        copy(sizes.lightTexture, LightTextureSize);
        copy(sizes.shopTexture, params->ShopTextureSize);
        CSharedPtr<CTotemShapes> shapes(new CTotemShapes());
        shapes->Load(fileName, kind.Section, sizes);
        Shapes[c] = shapes;
    }

    const CTotemConfig shop(fileName, "Shop");
    const float z = shop.Float("Z", "-10");
    ShopZOrder = shop.Int("ZOrder", "-10", -100000, 100000);
    for (int32_t i = 0; i < kColours; ++i) {
        ShopPlace& p = Shop[static_cast<size_t>(i)];
        float r[4] = {};
        shop.Floats(IndexedKey("Pic%d", i).c_str(), "834 251 140 176", r, 4);
        p.PicPos = CVector3(r[0] - kShopScreenX + r[2] / 2.0f,
                            CTotemConfig::kScreenY - r[1] - r[3] / 2.0f, z);
        p.PicSize[0] = r[2];
        p.PicSize[1] = r[3];
        shop.Floats(IndexedKey("PicT%d", i).c_str(), "180 184 320 360", p.PicUV, 4);
        for (int k = 0; k < 4; ++k)
            p.PicUV[k] /= ShopTexturesSize[k % 2];
    }
    for (int32_t i = 0; i < kColours; ++i) {
        ShopPlace& p = Shop[static_cast<size_t>(i)];
        float d[2] = {};
        shop.Floats(IndexedKey("QShift%d", i).c_str(), "0 0", d, 2);
        p.QSignPos = CVector3(p.PicPos.X + d[0], p.PicPos.Y - d[1], p.PicPos.Z - 2.0f);
    }
    for (int32_t i = 0; i < kColours; ++i) {
        ShopPlace& p = Shop[static_cast<size_t>(i)];
        float d[2] = {};
        shop.Floats(IndexedKey("TotemShift%d", i).c_str(), "0 0", d, 2);
        p.TotemPos = CVector3(p.PicPos.X + d[0], p.PicPos.Y - d[1], p.PicPos.Z - 5.0f);
    }
    ShopContourColour = shop.Colour("ContourColor", "255 255 72 255");
    ShopContourDarkColour = shop.Colour("ContourDarkColor", "255 255 255 128");
    ShopAvailableColour = shop.Colour("AvailableColor", "255 255 255 192");
    ShopQSignColour = shop.Colour("QSignColor", "255 255 255 89");
}
