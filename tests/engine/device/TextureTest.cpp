// Texture loading through the device: registration, the "_alpha." companion
// merge, the format choice from candidate lists and the re-creation routes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "DeviceTestSupport.h"
#include "engine/PixelFormat.h"
#include "engine/Texture.h"
#include "platform/gpu/Refusal.h"
#include "tools/lib/ImageWriter.h"

namespace {

// A picture of one colour; channels 1 (grey), 3 (RGB) or 4 (RGBA).
std::string WritePicture(const testsupport::TempDir& dir, const std::string& name, int w, int h,
                         std::vector<uint8_t> pixel) {
    const int channels = static_cast<int>(pixel.size());
    std::vector<uint8_t> data;
    for (int i = 0; i < w * h; ++i)
        data.insert(data.end(), pixel.begin(), pixel.end());
    const std::string path = dir.Path(name);
    EXPECT_TRUE(tk::WritePng(path, tk::PixelView{data.data(), w, h, channels}));
    return path;
}

// Level 0's pixel (x, y) as stored in the texture's own format.
uint32_t PixelAt(const CTexture& t, uint32_t x, uint32_t y) {
    gpu::LockedRect lr;
    if (gpu::Failed(t.GetTexture()->LockRect(0, &lr, nullptr, 0)))
        return 0xDEADBEEF;
    const CPixelFormat f(t.GetFormat());
    const uint32_t v =
        f.Read(static_cast<const uint8_t*>(lr.bits) + y * lr.pitch + x * (f.bitsPerPixel / 8));
    t.GetTexture()->UnlockRect(0);
    return v;
}

class TextureTest : public DeviceFixture {
protected:
    // "Dust.png" red 255, green 128, blue 192 with a grey companion of 144.
    std::string WriteDust(int w = 4, int h = 2, int companionW = 4, int companionH = 2) {
        const std::string path = WritePicture(dir_, "Dust.png", w, h, {255, 128, 192});
        WritePicture(dir_, "Dust_alpha.png", companionW, companionH, {144});
        return path;
    }

    testsupport::TempDir dir_;
};

TEST(TextureNamingTest, CompanionPathsTakeAThreeCharacterExtension) {
    EXPECT_EQ(CTexture::CompanionPath("Dust.png"), "Dust_alpha.png");
    EXPECT_EQ(CTexture::CompanionPath("Data\\Gfx\\Pic.tga"), "Data\\Gfx\\Pic_alpha.tga");
    EXPECT_EQ(CTexture::CompanionPath("ab.jpeg"), "ab._alpha.peg");
    EXPECT_EQ(CTexture::CompanionPath("a.bc"), "");
    EXPECT_EQ(CTexture::CompanionPath("a.b"), "");
}

TEST(PixelFormatTest, ChannelsAreMovedByTheirTopBits) {
    const CPixelFormat x8(gpu::Fmt::X8R8G8B8), a4(gpu::Fmt::A4R4G4B4), l8(gpu::Fmt::L8);
    EXPECT_EQ(x8.bitsPerPixel, 32u);
    EXPECT_EQ(CPixelFormat::Get8(x8.red, 0x00FF80C0), 255u);
    EXPECT_EQ(CPixelFormat::Get8(x8.blue, 0x00FF80C0), 192u);
    EXPECT_EQ(CPixelFormat::Get8(x8.alpha, 0xFFFFFFFF), 0u);
    EXPECT_EQ(CPixelFormat::Put8(a4.alpha, 144), 0x9000u);
    EXPECT_EQ(CPixelFormat::Put8(a4.green, 128), 0x80u);
    EXPECT_EQ(CPixelFormat::Get8(a4.red, 0x0F00), 0xF0u) << "lower bits dropped, not replicated";
    EXPECT_EQ(CPixelFormat::Get8(l8.green, 0x90), 0x90u);
    const CPixelFormat a1(gpu::Fmt::A1R5G5B5);
    EXPECT_EQ(CPixelFormat::Put8(a1.alpha, 0x80), 0x8000u);
    EXPECT_EQ(CPixelFormat::Put8(a1.alpha, 0x7F), 0u);
    const CPixelFormat unknown(77);
    EXPECT_FALSE(unknown.IsKnown());
    EXPECT_EQ(unknown.format, 77u);
}

TEST_F(TextureTest, LoadsRegisterAndFailuresLeaveANamelessLine) {
    const std::string path = WritePicture(dir_, "Halo.png", 8, 4, {10, 20, 30, 40});
    CSharedPtr<CTexture> t = device_->LoadTexture(path, "Halo1", 1, 0, gpu::Pool::Managed, 0);
    ASSERT_FALSE(t.IsNull());
    EXPECT_EQ(t->GetName(), "Halo1");
    EXPECT_EQ(t->GetPath(), path);
    EXPECT_EQ(t->GetWidth(), 8u);
    EXPECT_EQ(t->GetHeight(), 4u);
    EXPECT_EQ(t->GetFormat(), gpu::Fmt::A8R8G8B8);
    EXPECT_EQ(device_->FindTexture("Halo1"), 0);

    log_.Clear();
    CSharedPtr<CTexture> missing =
        device_->LoadTexture(dir_.Path("None.png"), "None", 1, 0, gpu::Pool::Managed, 0);
    EXPECT_TRUE(missing.IsNull());
    EXPECT_EQ(device_->GetTextures().size(), 1u);
    EXPECT_EQ(log_.Text(), " Texture    Destruction.\n");
}

TEST_F(TextureTest, AFailedPictureLeavesItsFileAndReasonForTheCallersMessage) {
    const std::string cut = WritePicture(dir_, "Cut.png", 8, 4, {1, 2, 3, 4});
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    const std::string lone = WritePicture(dir_, "Lone.png", 2, 2, {1, 1, 1});
    struct Case {
        std::string path;
        bool withAlpha;
        std::string line;
        uint32_t format = 0;
    };
    const Case cases[] = {
        {dir_.Path("None.png"), false, dir_.Path("None.png") + ": cannot read the file"},
        {cut, false, cut + ": the file ends too early"},
        {lone, true, dir_.Path("Lone_alpha.png") + ": cannot read the file"},
        // A refused load says which rule it broke, not only that it was refused.
        {lone, false, lone + ": CreateTextureFromFile: not a colour format", gpu::Fmt::Index16},
    };
    for (const Case& c : cases) {
        gpu::Refuse("an older refusal");
        const CSharedPtr<CTexture> t =
            c.withAlpha ? device_->LoadTextureWithAlpha(c.path, "T", false, 0, gpu::Pool::Managed)
                        : device_->LoadTexture(c.path, "T", 1, 0, gpu::Pool::Managed, c.format);
        ASSERT_TRUE(t.IsNull()) << c.path;
        log_.Clear();
        LogPictureFailure();
        EXPECT_EQ(log_.Text(), " " + c.line + "\n");
        log_.Clear();
        LogPictureFailure();
        EXPECT_EQ(log_.Text(), "") << "said once";
    }
    ASSERT_FALSE(device_->LoadTexture(lone, "Lone", 1, 0, gpu::Pool::Managed, 0).IsNull());
    LogPictureFailure();
    EXPECT_EQ(log_.Text(), "") << "a load that worked leaves nothing to say";
}

TEST_F(TextureTest, AlphaCompanionMergesIntoA4R4G4B4) {
    const std::string path = WriteDust();
    CSharedPtr<CTexture> t = device_->LoadTextureWithAlpha(path, "Dust", false, 0, gpu::Pool::Managed);
    ASSERT_FALSE(t.IsNull());
    // A4L4, A8L8 and A8R3G3B2 are not usable here: A4R4G4B4 is the first that is.
    EXPECT_EQ(t->GetFormat(), gpu::Fmt::A4R4G4B4);
    EXPECT_TRUE(t->HasAlphaCompanion());
    EXPECT_EQ(t->GetMipLevels(), 1u);
    // alpha 9, red 15, green 8, blue 12: the top four bits of each value.
    EXPECT_EQ(PixelAt(*t, 0, 0), 0x9F8Cu);
    EXPECT_EQ(PixelAt(*t, 3, 1), 0x9F8Cu);
    EXPECT_EQ(device_->GetTexture("Dust"), t);
}

TEST_F(TextureTest, OneBitPreferenceAndColourCompanions) {
    const std::string path = WritePicture(dir_, "Spark.png", 2, 2, {255, 128, 192});
    WritePicture(dir_, "Spark_alpha.png", 2, 2, {10, 200, 30}); // alpha from green
    CSharedPtr<CTexture> t = device_->LoadTextureWithAlpha(path, "Spark", true, 0, gpu::Pool::Managed);
    ASSERT_FALSE(t.IsNull());
    EXPECT_EQ(t->GetFormat(), gpu::Fmt::A1R5G5B5);
    EXPECT_EQ(PixelAt(*t, 1, 1), 0x8000u | 31u << 10 | 16u << 5 | 24u);

    // A larger companion is fine: only the texture's area is read.
    WritePicture(dir_, "Big.png", 2, 2, {0, 0, 0});
    WritePicture(dir_, "Big_alpha.png", 5, 3, {255});
    EXPECT_FALSE(
        device_->LoadTextureWithAlpha(dir_.Path("Big.png"), "Big", false, 0, gpu::Pool::Managed)
            .IsNull());
}

TEST_F(TextureTest, GreyFormatsWinWhenTheDeviceOffersThem) {
    gpu::RecordingConfig cfg;
    cfg.adapters[0].textureFormats = gpu::AdapterConfig::AllColorFormats();
    MakeDevice(cfg);
    const std::string path = WriteDust(2, 2, 2, 2);
    CSharedPtr<CTexture> t = device_->LoadTextureWithAlpha(path, "Dust", false, 0, gpu::Pool::Managed);
    ASSERT_FALSE(t.IsNull());
    EXPECT_EQ(t->GetFormat(), gpu::Fmt::A4L4);
    EXPECT_EQ(PixelAt(*t, 0, 0), 0x98u) << "alpha 9 over the colour's green as luminance";
    CSharedPtr<CTexture> one = device_->LoadTextureWithAlpha(path, "Dust1", true, 0, gpu::Pool::Managed);
    EXPECT_EQ(one->GetFormat(), gpu::Fmt::A1R5G5B5);
    EXPECT_EQ(device_->ChooseFormat({gpu::Fmt::A2B10G10R10, gpu::Fmt::L8}), gpu::Fmt::A2B10G10R10);
}

TEST_F(TextureTest, NoUsableCandidateLeavesTheChoiceToTheLoader) {
    gpu::RecordingConfig cfg;
    cfg.adapters[0].textureFormats.clear();
    cfg.createTextureChecksFormat = false;
    MakeDevice(cfg);
    EXPECT_EQ(device_->ChooseFormat({gpu::Fmt::A8R8G8B8, gpu::Fmt::R5G6B5}), gpu::Fmt::Unknown);
    const std::string path = WritePicture(dir_, "Sky.png", 4, 4, {1, 2, 3});
    CSharedPtr<CTexture> t = device_->LoadTextureAnyFormat(
        path, "Sky", {gpu::Fmt::A8R8G8B8, gpu::Fmt::R5G6B5}, 1, 0, gpu::Pool::Managed);
    ASSERT_FALSE(t.IsNull());
    EXPECT_EQ(t->GetFormat(), gpu::Fmt::X8R8G8B8);

    CSharedPtr<CTexture> target = device_->CreateTargetTexture("Target", 16, 8, {gpu::Fmt::R5G6B5},
                                                               1, 0, gpu::Pool::Managed);
    ASSERT_FALSE(target.IsNull());
    EXPECT_EQ(target->GetFormat(), gpu::Fmt::A8R8G8B8);
    EXPECT_EQ(target->GetWidth(), 16u);
}

TEST_F(TextureTest, BadCompanionsFailTheLoad) {
    // Too short to name a companion.
    CTexture direct;
    EXPECT_EQ(direct.LoadWithAlpha(device_->GetDevice(), "a.b", "A", 0, gpu::Pool::Managed, 0),
              gpu::kErrInvalidCall);
    EXPECT_TRUE(device_->LoadTextureWithAlpha("a.b", "A", false, 0, gpu::Pool::Managed).IsNull());

    // A companion smaller than the picture would be read outside its rows.
    WriteDust(4, 4, 4, 3);
    CTexture small;
    EXPECT_EQ(small.LoadWithAlpha(device_->GetDevice(), dir_.Path("Dust.png"), "Dust", 0,
                                  gpu::Pool::Managed, gpu::Fmt::A8R8G8B8),
              gpu::kErrInvalidCall);
    EXPECT_FALSE(small.HasTexture());
    EXPECT_EQ(small.GetName(), "");

    // A missing companion.
    const std::string lone = WritePicture(dir_, "Lone.png", 2, 2, {1, 1, 1});
    EXPECT_EQ(small.LoadWithAlpha(device_->GetDevice(), lone, "Lone", 0, gpu::Pool::Managed,
                                  gpu::Fmt::A8R8G8B8),
              gpu::kErrNotFound);
    EXPECT_TRUE(device_->GetTextures().empty());
    EXPECT_EQ(Rec()->LiveTextures(), 0u) << "the pictures of a failed merge are released";
}

TEST_F(TextureTest, RecreateFollowsTheWayATextureWasMade) {
    const std::string pic = WritePicture(dir_, "Pic.png", 4, 4, {9, 9, 9});
    const std::string dust = WriteDust(2, 2, 2, 2);
    std::ifstream in(pic, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    CSharedPtr<CTexture> fromFile = device_->LoadTexture(pic, "File", 1, 0, gpu::Pool::Default, 0);
    CSharedPtr<CTexture> withAlpha =
        device_->LoadTextureWithAlpha(dust, "Alpha", false, 0, gpu::Pool::Default);
    CSharedPtr<CTexture> target =
        device_->CreateTargetTexture("Empty", 8, 2, {gpu::Fmt::R5G6B5}, 1, 0, gpu::Pool::Default);
    CSharedPtr<CTexture> memory(new CTexture);
    ASSERT_EQ(memory->LoadFromMemory(device_->GetDevice(), bytes.data(), bytes.size(), "Memory", 1,
                                     0, gpu::Pool::Default, true, 0),
              gpu::kOk);
    device_->RegisterTexture(memory);
    ASSERT_FALSE(fromFile.IsNull() || withAlpha.IsNull() || target.IsNull());

    device_->ReleaseDefaultPoolResources();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    EXPECT_TRUE(device_->GetErrors().empty());
    EXPECT_EQ(fromFile->GetWidth(), 4u);
    EXPECT_EQ(PixelAt(*withAlpha, 1, 1), 0x9F8Cu);
    EXPECT_EQ(withAlpha->GetFormat(), gpu::Fmt::A4R4G4B4);
    EXPECT_EQ(target->GetFormat(), gpu::Fmt::R5G6B5);
    EXPECT_EQ(target->GetWidth(), 8u);
    EXPECT_TRUE(memory->HasTexture());
    EXPECT_EQ(memory->GetPath(), "");

    // Without its file the texture cannot come back: reported, entry kept.
    std::remove(pic.c_str());
    device_->ReleaseDefaultPoolResources();
    ASSERT_EQ(device_->Reset(), gpu::kOk);
    ASSERT_EQ(device_->GetErrors().size(), 1u);
    EXPECT_EQ(device_->GetErrors()[0], "Unable to recreate Texture 0 \"File\"");
    EXPECT_FALSE(fromFile->HasTexture());
    EXPECT_EQ(device_->GetTextures().size(), 4u);

    CTexture nameless;
    EXPECT_EQ(nameless.Recreate(device_->GetDevice()), gpu::kErrInvalidCall);
}

}  // namespace
