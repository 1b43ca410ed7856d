#include "ArtBackdrops.h"

#include <cstdio>
#include <sstream>

#include "ArtBackdropPaint.h"
#include "ArtStageLayout.h"
#include "GenCommon.h"

namespace gen {

namespace {

using namespace backdrops;

// A picture with an "_alpha" companion of the same size and type.
bool SaveJpegPair(const std::filesystem::path& gfx, const std::string& base,
                  const FloatImage& image, Store store, std::string& error) {
    Sheet sheet(image.Width(), image.Height());
    sheet.Put(image, 0, 0, store);
    return SaveJpegRgb(gfx / (base + ".jpg"), sheet.RgbBytes(), sheet.Width(), sheet.Height(),
                       kBackdropQuality, error) &&
           SaveJpegGrey(gfx / (base + "_alpha.jpg"), sheet.AlphaBytes(), sheet.Width(),
                        sheet.Height(), kBackdropQuality, error);
}

} // namespace

namespace backdrops {

bool SaveTgaPair(const std::filesystem::path& gfx, const std::string& base, const FloatImage& image,
                 Store store, std::string& error) {
    Sheet colour(image.Width(), image.Height());
    colour.Put(image, 0, 0, store);
    // The companion carries the alpha as grey.
    FloatImage grey(image.Width(), image.Height());
    for (size_t i = 0; i < grey.Pixels().size(); ++i) {
        const float a = image.Pixels()[i].a;
        grey.Pixels()[i] = Rgba{a, a, a, 1.0f};
    }
    Sheet alpha(image.Width(), image.Height());
    alpha.Put(grey, 0, 0, Store::Straight);
    return SaveTga(gfx / (base + ".tga"), colour, error) &&
           SaveTga(gfx / (base + "_alpha.tga"), alpha, error);
}

bool SaveTgaOne(const std::filesystem::path& path, const FloatImage& image, std::string& error) {
    Sheet sheet(image.Width(), image.Height());
    sheet.Put(image, 0, 0, Store::Straight);
    return SaveTga(path, sheet, error);
}

std::string Rect(const Box& b) {
    std::ostringstream s;
    s << b.x << ' ' << b.y << ' ' << b.w << ' ' << b.h;
    return s.str();
}
std::string Corners(const Box& b) {
    std::ostringstream s;
    s << b.x << ' ' << b.y << ' ' << b.Right() << ' ' << b.Bottom();
    return s.str();
}
std::string Colour(uint32_t rgb, int alpha) {
    std::ostringstream s;
    s << ((rgb >> 16) & 0xFF) << ' ' << ((rgb >> 8) & 0xFF) << ' ' << (rgb & 0xFF) << ' ' << alpha;
    return s.str();
}

} // namespace backdrops

std::string BackgroundConfigText() {
    std::ostringstream o;
    o << "; The animated backdrops. Positions are pixels of the 1024 x 768 screen\n"
         "; (top-left origin, y down); texture rectangles are texels.\n\n";
    o << "[Museum]\n";
    for (int k = 0; k < kRelics; ++k) {
        o << "Gem" << k + 1 << '=' << Rect(RelicScreen(k)) << '\n';
        o << "GemT" << k + 1 << '=' << Corners(RelicTexels(k)) << '\n';
    }
    o << "RaysColor=255 240 200 200\nRaysMethod=Add\n";
    for (int k = 0; k < kRelics; ++k) {
        const float cy = kRelicY - kBeamLift - 0.5f * float(kBeamTexels.w);
        const Box ray{int(RelicX(k)) - kBeamTexels.w / 2, int(cy) - kBeamTexels.h / 2,
                      kBeamTexels.w, kBeamTexels.h};
        o << "Ray" << k + 1 << '=' << Rect(ray) << '\n';
        o << "RayT" << k + 1 << '=' << Corners(kBeamTexels) << '\n';
        o << "Angle" << k + 1 << '=' << kBeamAngle << '\n';
        o << "Flare" << k + 1 << '=' << int(RelicX(k)) << ' ' << int(kRelicY) << " 150\n";
        o << "FlareColor" << k + 1 << '=' << Colour(kRelicLight[k], 255) << '\n';
    }
    o << "Ray6=" << Rect(kMapScreen) << "\nRayT6=" << Corners(kMapTexels) << "\nAngle6=0\n";
    o << "Flare6=" << kMapScreen.x + kMapScreen.w / 2 << ' ' << kMapScreen.y + kMapScreen.h / 2
      << " 300\n";
    o << "FlareColor6=255 190 110 150\n";
    o << "NewFlareTime=0.25\nNewGemTime=0.5\nNewRayTime=0.4\nGemFlareW=0.125\n";
    o << "RainbowTime=2\nRainbowSize=256 12\nRainbowW=1\nRainbowLifeTime=0.5\nRainbowT=0.1\n";
    o << "MapTime=0.4\nMapExpandTime=0.9\nMapBegin=0.2\n";
    o << "DustTexture=MuseumDust.tga\nDustMaskTexture=MuseumDustMask.tga\nFlareRaysTexture="
         "MuseumFlareRays.tga\n";
    o << "DustLayersCount=4\nDustSizeFactor=4\n";
    o << "DustVec_0=0.004 -0.010\nDustVec_1=0.006 -0.008\nDustVec_2=0.003 -0.012\nDustVec_3=0.005 "
         "-0.007\n";
    o << "FlareCenter=" << int(kFanX) << ' ' << int(kFanY) << "\nFlareRaysSize=" << int(kFanSize)
      << ' ' << int(kFanSize) << "\nFlareRaysRotT=40\nFlareRaysColor=255 214 160 90\n\n";

    o << JungleConfigText() << ValleyConfigText() << '\n' << DoorConfigText()
      << TreasuryConfigText();

    o << "[MainMenu]\n";
    o << "SkyPos=" << kSkyScreen.x << ' ' << kSkyScreen.y << "\nSkySize=" << kSkyScreen.w << ' '
      << kSkyScreen.h << "\nSkyV=" << kSkyV << "\nSkyTSize=512 " << kSkyTexH
      << "\nSkyMaskTSize=" << kSkyMaskUsedW << ' ' << kSkyMaskUsedH << "\nSkyTSpeed=-0.006\n";
    struct Element {
        Box screen, texels;
        int key;
    };
    const Box eyes{kFaceScreen.x + kEyesInFace.x, kFaceScreen.y + kEyesInFace.y, kEyesInFace.w,
                   kEyesInFace.h};
    const Box eyesT{kFaceTexels.x + kEyesInFace.x, kFaceTexels.y + kEyesInFace.y, kEyesInFace.w,
                    kEyesInFace.h};
    const Box lips{kFaceScreen.x + kLipsInFace.x, kFaceScreen.y + kLipsInFace.y, kLipsInFace.w,
                   kLipsInFace.h};
    const Box lipsT{kFaceTexels.x + kLipsInFace.x, kFaceTexels.y + kLipsInFace.y, kLipsInFace.w,
                    kLipsInFace.h};
    // By role: 0 the sunrise glow (screen blend), 1 and 3 still, 2 and 6
    // hanging vines, 4 the eyes, 5 the lips, 7 the hanging map.
    const Element elements[8] = {
        {kGlowScreen, kGlowTexels, 80},
        {kFaceScreen, kFaceTexels, 99},
        {kVineScreen[0], kVineTexels[0], 97},
        {kIdolScreen, kIdolTexels, 99},
        {eyes, eyesT, 98},
        {lips, lipsT, 98},
        {kVineScreen[1], kVineTexels[1], 97},
        {kClothMapScreen, kClothMapTexels, 97},
    };
    for (int i = 0; i < 8; ++i) {
        o << "Sprite" << i << '=' << elements[i].screen.x << ' ' << elements[i].screen.y << " -2\n";
        o << "SpriteSize" << i << '=' << elements[i].screen.w << ' ' << elements[i].screen.h
          << '\n';
        o << "SpriteT" << i << '=' << Corners(elements[i].texels) << '\n';
        o << "SpriteZOrder" << i << '=' << elements[i].key << '\n';
    }
    o << "EyeT=" << Corners(kClosedEyesTexels) << "\nLipsT1=" << Corners(kLipsOpenTexels[0])
      << "\nLipsT2=" << Corners(kLipsOpenTexels[1]) << '\n';
    for (int i = 0; i < 3; ++i)
        o << "LeafT" << i << '=' << Corners(kLeafTexels[i]) << '\n';
    o << "LeafSize=34 34\nLeafBirthZone=0 12 290 224\nLeafSpeed=40 "
         "70\nLeafRotSpeed=1.5\nLeafRotW=1\n"
         "LeafArcSize=80 30\nLeafArcW=1.2\nMaxLeafs=8\nLeafBirthT=1.2\n";
    o << "FoliageForm=" << Rect(kFoliageScreen) << "\nFoliageTForm=" << Rect(kFoliageTexels)
      << "\nFoliageCells=6 6\nFoliageTNoise=3 3\nFoliageNoiseW=1\n";
    o << "MapDisp=6 3\nMapW1=1.2 0.97\nMapW2=0.57 0.63\nHairDisp=10 0.5\nHairW1=0.9 "
         "0.77\nHairW2=0.47 0.53\n";
    o << "EyeProbability=0.25\nLipsProbability=1.5\nLipsMinTime=0.3\n";
    o << "FrontFoliage=" << kFrontScreen.x << ' ' << kFrontScreen.y
      << " -100\nFrontFoliageSize=" << kFrontScreen.w << ' ' << kFrontScreen.h
      << "\nFrontFoliageZOrder=-100\n";
    o << "FrontFoliageMove=6 6\nFrontFoliageMoveW=1.17 0.95\nFrontFoliageSqew=8 "
         "2\nFrontFoliageSqewW=0.87 1.3\n"
         "FrontFoliageRotA=0.01\nFrontFoliageRotW=1.1\nFrontFoliageShiftAngle=0."
         "1\nFrontFoliageShift=-10 -20\n"
         "FrontFoliageShiftTime=0.2\nFrontFoliageShiftZone=24 232 382 352\n";
    return o.str();
}

std::vector<std::string> BackdropFiles() {
    std::vector<std::string> files = {"Data/Config/Background.cfg"};
    for (const char* f : {"Museum.jpg", "MuseumDust.tga", "MuseumDust_alpha.tga",
                          "MuseumDustMask.tga", "MuseumFlareRays.tga", "MuseumFlareRays_alpha.tga",
                          "MainBack.jpg", "MainSkyMask.tga", "MainLeafMask.tga", "MainElements.jpg",
                          "MainElements_alpha.jpg", "MainFoliage.jpg", "MainFoliage_alpha.jpg",
                          "Door.jpg", "DoorShadow.jpg", "DoorMask.tga", "DoorFoliage.tga",
                          "DoorFoliage_alpha.tga", "Treasury.jpg", "TreasuryRays.jpg",
                          "TreasuryDust.tga", "TreasuryDust_alpha.tga", "TreasuryMask.tga",
                          "TreasuryElements.tga", "TreasuryElements_alpha.tga", "Jungle.jpg",
                          "JungleFog.jpg", "JungleMask.tga", "JungleFlareRays.tga",
                          "JungleFlareRays_alpha.tga", "JungleFlashMask.bmp", "Valley.jpg",
                          "ValleyCloud.jpg", "ValleyMask.tga", "ValleyFlareRays.tga",
                          "ValleyFlareRays_alpha.tga"})
        files.push_back(std::string("Data/Gfx/") + f);
    return files;
}

int GenerateBackdrops(const std::filesystem::path& gameRoot) {
    const std::filesystem::path gfx = gameRoot / "Data" / "Gfx";
    const std::filesystem::path config = gameRoot / "Data" / "Config";
    std::string error;
    bool ok = EnsureFolder(gfx, error) && EnsureFolder(config, error) &&
              WriteText(config / "Background.cfg", BackgroundConfigText(), error);
    ok = ok && SaveJpeg(gfx / "Museum.jpg", PaintMuseumPicture(), kBackdropQuality, error);
    ok = ok && SaveTgaPair(gfx, "MuseumDust", PaintMuseumDust(), Store::Straight, error);
    ok = ok && SaveTgaOne(gfx / "MuseumDustMask.tga", PaintMuseumDustMask(), error);
    ok = ok && SaveTgaPair(gfx, "MuseumFlareRays", PaintMuseumFan(), Store::Premultiplied, error);
    if (ok) {
        const MainBackPictures back = PaintMainBack();
        ok = SaveJpeg(gfx / "MainBack.jpg", back.back, kBackdropQuality, error) &&
             SaveTgaOne(gfx / "MainSkyMask.tga", back.skyMask, error);
    }
    ok = ok && SaveTgaOne(gfx / "MainLeafMask.tga", PaintLeafMask(), error);
    ok = ok && SaveJpegPair(gfx, "MainElements", PaintMainElements(), Store::Straight, error);
    ok = ok && SaveJpegPair(gfx, "MainFoliage", PaintFrontBranch(), Store::Straight, error);
    ok = ok && SaveJpeg(gfx / "Door.jpg", PaintDoorPicture(), kBackdropQuality, error) &&
         SaveJpeg(gfx / "DoorShadow.jpg", PaintDoorShadow(), kBackdropQuality, error) &&
         SaveTgaOne(gfx / "DoorMask.tga", PaintDoorMask(), error) &&
         SaveTgaPair(gfx, "DoorFoliage", PaintDoorFoliage(), Store::Straight, error);
    ok = ok && SaveJpeg(gfx / "Treasury.jpg", PaintTreasuryPicture(), kBackdropQuality, error) &&
         SaveJpeg(gfx / "TreasuryRays.jpg", PaintTreasuryRays(), kBackdropQuality, error) &&
         SaveTgaPair(gfx, "TreasuryDust", PaintMuseumDust(), Store::Straight, error) &&
         SaveTgaOne(gfx / "TreasuryMask.tga", PaintTreasuryMask(), error) &&
         SaveTgaPair(gfx, "TreasuryElements", PaintTreasuryElements(), Store::Straight, error);
    ok = ok && WriteJungleArt(gfx, error) && WriteValleyArt(gfx, error);
    if (!ok) {
        std::fprintf(stderr, "gv_gen: backdrops: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace gen
