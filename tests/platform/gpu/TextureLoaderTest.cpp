// Textures and surfaces from picture files written by the toolkit writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "RecordingFixture.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/TextureLoader.h"
#include "support/TempDir.h"
#include "tools/lib/ImageWriter.h"

using namespace gpu;
using gputest::Owned;
namespace fs = std::filesystem;

namespace {

// RGBA pixels of a w x h picture where pixel (x, y) has a distinct colour.
std::vector<uint8_t> Pattern(int w, int h, int channels) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t rgba[4] = {uint8_t(x * 40), uint8_t(y * 50), uint8_t(200 - x * 10),
                               uint8_t(255 - (x + y) * 20)};
            if (channels == 1)
                rgba[0] = uint8_t(x * 30 + y * 7);
            px.insert(px.end(), rgba, rgba + channels);
        }
    return px;
}

class TextureLoaderTest : public gputest::RecordingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Ok());
        Start();
    }
    std::string Path(const std::string& name) const { return dir_.Path(name); }

    // Reads level `level` of a texture as ARGB words through the format's expansion.
    std::vector<uint32_t> ReadArgb(Texture* t, uint32_t level) {
        SurfaceDesc d;
        EXPECT_EQ(t->GetLevelDesc(level, &d), kOk);
        LockedRect lr;
        EXPECT_EQ(t->LockRect(level, &lr, nullptr, 0), kOk);
        std::vector<uint32_t> out;
        std::vector<uint8_t> rgba(d.width * 4);
        for (uint32_t y = 0; y < d.height; ++y) {
            ExpandRow(d.format, static_cast<uint8_t*>(lr.bits) + y * lr.pitch, d.width,
                      rgba.data());
            for (uint32_t x = 0; x < d.width; ++x) {
                const uint8_t* p = &rgba[x * 4];
                out.push_back(uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2]);
            }
        }
        EXPECT_EQ(t->UnlockRect(level), kOk);
        return out;
    }

    Result Load(const std::string& path, Texture** out, uint32_t mips = kDefault,
                uint32_t format = Fmt::Unknown, uint32_t colorKey = 0, ImageInfo* info = nullptr,
                uint32_t w = kDefault, uint32_t h = kDefault) {
        return CreateTextureFromFileEx(device_.get(), path, w, h, mips, 0, format, Pool::Managed,
                                       Filter::Triangle, kDefault, colorKey, info, out);
    }

    testsupport::TempDir dir_;
};

TEST_F(TextureLoaderTest, EachFileTypeKeepsItsSizeAndPixels) {
    const int w = 5, h = 3;
    auto rgba = Pattern(w, h, 4);
    auto rgb = Pattern(w, h, 3);
    ASSERT_TRUE(tk::WritePng(Path("a.png"), {rgba.data(), w, h, 4}));
    ASSERT_TRUE(tk::WriteTga(Path("a.tga"), {rgba.data(), w, h, 4}, {true, false}));
    ASSERT_TRUE(tk::WriteBmp(Path("a.bmp"), {rgb.data(), w, h, 3}));

    struct Case {
        const char* file;
        uint32_t fileFormat, format;
        bool alpha;
    } cases[] = {{"a.png", 3, Fmt::A8R8G8B8, true},
                 {"a.tga", 2, Fmt::A8R8G8B8, true},
                 {"a.bmp", 0, Fmt::X8R8G8B8, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Texture* t = nullptr;
        ImageInfo info;
        ASSERT_EQ(Load(Path(c.file), &t, 1, Fmt::Unknown, 0, &info), kOk);
        Owned<Texture> tex(t);
        EXPECT_EQ(info.width, 5u);
        EXPECT_EQ(info.height, 3u);
        EXPECT_EQ(info.imageFileFormat, c.fileFormat);
        EXPECT_EQ(info.format, c.format);
        ASSERT_EQ(tex->GetLevelCount(), 1u);
        SurfaceDesc d;
        ASSERT_EQ(tex->GetLevelDesc(0, &d), kOk);
        EXPECT_EQ(d.width, 5u) << "no rounding to a power of two";
        EXPECT_EQ(d.height, 3u);
        EXPECT_EQ(d.format, c.format);
        auto got = ReadArgb(t, 0);
        for (int i = 0; i < w * h; ++i) {
            const uint8_t* p = c.alpha ? &rgba[i * 4] : &rgb[i * 3];
            uint32_t a = c.alpha ? p[3] : 255;
            EXPECT_EQ(got[i], a << 24 | p[0] << 16 | p[1] << 8 | p[2]) << "pixel " << i;
        }
    }
}

TEST_F(TextureLoaderTest, JpegAndGreyPicturesBecomeOpaqueColourTextures) {
    std::vector<uint8_t> flat(16 * 8 * 3);
    for (size_t i = 0; i < flat.size(); i += 3) {
        flat[i] = 200;
        flat[i + 1] = 100;
        flat[i + 2] = 50;
    }
    ASSERT_TRUE(tk::WriteJpeg(Path("j.jpg"), {flat.data(), 16, 8, 3}, 95));
    Texture* t = nullptr;
    ImageInfo info;
    ASSERT_EQ(Load(Path("j.jpg"), &t, 1, Fmt::Unknown, 0, &info), kOk);
    Owned<Texture> tex(t);
    EXPECT_EQ(info.imageFileFormat, 1u);
    SurfaceDesc d;
    tex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.format, Fmt::X8R8G8B8);
    uint32_t px = ReadArgb(t, 0)[17];
    EXPECT_EQ(px >> 24, 255u);
    EXPECT_NEAR(int(px >> 16 & 0xFF), 200, 3);
    EXPECT_NEAR(int(px >> 8 & 0xFF), 100, 3);
    EXPECT_NEAR(int(px & 0xFF), 50, 3);

    auto grey = Pattern(4, 4, 1);
    ASSERT_TRUE(tk::WritePng(Path("g.png"), {grey.data(), 4, 4, 1}));
    ASSERT_EQ(Load(Path("g.png"), &t, 1, Fmt::Unknown, 0, &info), kOk);
    Owned<Texture> gtex(t);
    EXPECT_EQ(info.format, Fmt::L8);
    gtex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.format, Fmt::X8R8G8B8);
    uint32_t g = ReadArgb(t, 0)[5];
    EXPECT_EQ(g & 0xFF, uint32_t{grey[5]});
    EXPECT_EQ(g >> 8 & 0xFF, uint32_t{grey[5]}) << "green carries the grey level";
}

TEST_F(TextureLoaderTest, MipChainIsFullAndBoxFiltered) {
    // 4x2: left half black, right half white; alpha opaque.
    std::vector<uint8_t> px(4 * 2 * 4, 255);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            std::fill_n(&px[(y * 4 + x) * 4], 3, 0);
    ASSERT_TRUE(tk::WritePng(Path("m.png"), {px.data(), 4, 2, 4}));
    for (uint32_t mips : {0u, kDefault}) {
        Texture* t = nullptr;
        ASSERT_EQ(Load(Path("m.png"), &t, mips), kOk);
        Owned<Texture> tex(t);
        ASSERT_EQ(tex->GetLevelCount(), 3u); // 4x2, 2x1, 1x1
        auto l1 = ReadArgb(t, 1);
        ASSERT_EQ(l1.size(), 2u);
        EXPECT_EQ(l1[0], 0xFF000000u);
        EXPECT_EQ(l1[1], 0xFFFFFFFFu);
        auto l2 = ReadArgb(t, 2);
        ASSERT_EQ(l2.size(), 1u);
        EXPECT_NEAR(int(l2[0] & 0xFF), 128, 1);
    }
    Texture* t = nullptr;
    ASSERT_EQ(Load(Path("m.png"), &t, 9), kOk) << "a longer chain than possible is cut";
    EXPECT_EQ(t->GetLevelCount(), 3u);
    t->Release();
}

TEST_F(TextureLoaderTest, ColourKeyMakesMatchingPixelsTransparentBlack) {
    const uint8_t rgb[] = {255, 0, 255, 10, 20, 30, 255, 0, 254, 255, 0, 255};
    ASSERT_TRUE(tk::WriteBmp(Path("k.bmp"), {rgb, 2, 2, 3}));
    Texture* t = nullptr;
    ASSERT_EQ(Load(Path("k.bmp"), &t, 1, Fmt::Unknown, 0xFFFF00FF), kOk);
    Owned<Texture> tex(t);
    SurfaceDesc d;
    tex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.format, Fmt::A8R8G8B8) << "a key needs an alpha channel";
    auto got = ReadArgb(t, 0);
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 0xFF0A141E, 0xFFFF00FE, 0}));
}

TEST_F(TextureLoaderTest, RequestedFormatAndSizeAreHonoured) {
    auto rgba = Pattern(4, 4, 4);
    ASSERT_TRUE(tk::WriteTga(Path("f.tga"), {rgba.data(), 4, 4, 4}));
    Texture* t = nullptr;
    ASSERT_EQ(Load(Path("f.tga"), &t, 1, Fmt::A4R4G4B4), kOk);
    Owned<Texture> tex(t);
    LockedRect lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), kOk);
    uint8_t want[2];
    PackRow(Fmt::A4R4G4B4, &rgba[(2 * 4 + 3) * 4], 1, want);
    const uint8_t* got = static_cast<uint8_t*>(lr.bits) + 2 * lr.pitch + 3 * 2;
    EXPECT_EQ(got[0], want[0]);
    EXPECT_EQ(got[1], want[1]);
    tex->UnlockRect(0);

    // An explicit size scales the picture (2x2 from 4x4: area averages).
    ASSERT_EQ(Load(Path("f.tga"), &t, 1, Fmt::Unknown, 0, nullptr, 2, 2), kOk);
    Owned<Texture> small(t);
    SurfaceDesc d;
    small->GetLevelDesc(0, &d);
    EXPECT_EQ(d.width, 2u);
    uint32_t p = ReadArgb(t, 0)[0];
    EXPECT_EQ(p >> 16 & 0xFF, 20u); // red of x = 0, 1: (0 + 40) / 2
}

TEST_F(TextureLoaderTest, MissingAndCorruptFilesFailCleanly) {
    Texture* t = reinterpret_cast<Texture*>(1);
    EXPECT_EQ(Load(Path("nope.png"), &t), kErrNotFound);
    EXPECT_EQ(t, nullptr);

    auto rgba = Pattern(8, 8, 4);
    std::vector<uint8_t> png;
    ASSERT_TRUE(tk::EncodePng({rgba.data(), 8, 8, 4}, png));
    std::ofstream(Path("cut.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size() / 2));
    std::ofstream(Path("junk.jpg"), std::ios::binary) << "this is not a picture at all";
    EXPECT_EQ(Load(Path("cut.png"), &t), kErrInvalidData);
    EXPECT_EQ(Load(Path("junk.jpg"), &t), kErrInvalidData);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(rec_->LiveTextures(), 0u);

    EXPECT_EQ(CreateTextureFromFileInMemoryEx(device_.get(), png.data(), 10, kDefault, kDefault, 1,
                                              0, 0, Pool::Managed, kDefault, kDefault, 0, nullptr,
                                              &t),
              kErrInvalidData);
    EXPECT_EQ(CreateTextureFromFileInMemoryEx(device_.get(), nullptr, 0, kDefault, kDefault, 1, 0,
                                              0, Pool::Managed, kDefault, kDefault, 0, nullptr, &t),
              kErrInvalidCall);
}

// Each argument the loader itself refuses is named, as the device names its
// own, and a call that goes ahead leaves no older reason behind.
TEST_F(TextureLoaderTest, EveryRefusalSaysWhy) {
    auto rgba = Pattern(4, 4, 4);
    ASSERT_TRUE(tk::WritePng(Path("r.png"), {rgba.data(), 4, 4, 4}));
    std::vector<uint8_t> png;
    ASSERT_TRUE(tk::EncodePng({rgba.data(), 4, 4, 4}, png));
    Surface* s = nullptr;
    ASSERT_EQ(device_->CreateImageSurface(4, 4, Fmt::A8R8G8B8, &s), kOk);
    Owned<Surface> surf(s);
    Texture* t = nullptr;
    const Rect outside{0, 0, 5, 4}, empty{2, 2, 2, 3};
    const auto inMemory = [&](const void* data, size_t size, Texture** out) {
        return CreateTextureFromFileInMemoryEx(device_.get(), data, size, 0, 0, 1, 0, 0,
                                               Pool::Managed, kDefault, kDefault, 0, nullptr, out);
    };
    const struct {
        const char* why; // null: the call goes ahead
        std::function<Result()> call;
    } rows[] = {
        {"CreateTextureFromFile: not a colour format",
         [&] { return Load(Path("r.png"), &t, 1, Fmt::Index16); }},
        {"CreateTextureFromFile: no device, or nowhere to put the texture",
         [&] { return Load(Path("r.png"), nullptr); }},
        {"CreateTextureFromFileInMemory: no device, no picture, or nowhere to put the texture",
         [&] { return inMemory(png.data(), 0, &t); }},
        {"CreateTexture: no device, or nowhere to put the texture",
         [&] { return CreateTexture(nullptr, 4, 4, 1, 0, Fmt::A8R8G8B8, Pool::Managed, &t); }},
        {"LoadSurfaceFromFile: no surface",
         [&] { return LoadSurfaceFromFile(nullptr, nullptr, Path("r.png"), nullptr, 0, 0, nullptr); }},
        {"LoadSurfaceFromFile: the surface's rectangle is empty or leaves it",
         [&] { return LoadSurfaceFromFile(s, &outside, Path("r.png"), nullptr, 0, 0, nullptr); }},
        {"LoadSurfaceFromFile: the picture's rectangle is empty or leaves it",
         [&] { return LoadSurfaceFromFile(s, nullptr, Path("r.png"), &empty, 0, 0, nullptr); }},
        {nullptr, [&] { return LoadSurfaceFromFile(s, nullptr, Path("r.png"), nullptr, 0, 0, nullptr); }},
        {nullptr, [&] { return Load(Path("missing.png"), &t); }},
        {nullptr, [&] {
             const Result r = inMemory(png.data(), png.size(), &t);
             if (!Failed(r))
                 t->Release();
             return r;
         }},
    };
    for (const auto& [why, call] : rows) {
        Refuse("an older refusal");
        const Result r = call();
        EXPECT_EQ(r == kErrInvalidCall, why != nullptr) << (why ? why : "a call that goes ahead");
        EXPECT_STREQ(LastRefusal(), why ? why : "");
    }
}

TEST_F(TextureLoaderTest, DeviceFailuresPassThroughWithoutLeaks) {
    auto rgba = Pattern(4, 4, 4);
    ASSERT_TRUE(tk::WritePng(Path("d.png"), {rgba.data(), 4, 4, 4}));
    Texture* t = nullptr;
    rec_->FailNext(Call::CreateTexture, 1, kErrOutOfVideoMemory);
    EXPECT_EQ(Load(Path("d.png"), &t), kErrOutOfVideoMemory);
    rec_->FailNext(Call::LockTexture, 2);
    EXPECT_EQ(Load(Path("d.png"), &t), kErrInvalidCall);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(rec_->LiveTextures(), 0u);
    gpu::AsRecording(api_.get())->Config().createTextureChecksFormat = true;
    EXPECT_EQ(Load(Path("d.png"), &t, 1, Fmt::A4L4), kErrInvalidCall)
        << "a format the scripted adapter refuses";
}

TEST_F(TextureLoaderTest, InMemoryAndBackslashPathsLoadTheSame) {
    auto rgba = Pattern(3, 3, 4);
    std::vector<uint8_t> png;
    ASSERT_TRUE(tk::EncodePng({rgba.data(), 3, 3, 4}, png));
    fs::create_directory(dir_ / "Sub");
    std::ofstream(Path("Sub/p.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));

    Texture *a = nullptr, *b = nullptr;
    ASSERT_EQ(Load(dir_.Path() + "\\Sub\\p.png", &a, 1), kOk);
    Owned<Texture> ta(a);
    ImageInfo info;
    ASSERT_EQ(CreateTextureFromFileInMemoryEx(device_.get(), png.data(), png.size(), 0, 0, 1, 0, 0,
                                              Pool::Managed, kDefault, kDefault, 0, &info, &b),
              kOk);
    Owned<Texture> tb(b);
    EXPECT_EQ(info.imageFileFormat, 3u);
    EXPECT_EQ(ReadArgb(a, 0), ReadArgb(b, 0));
}

TEST_F(TextureLoaderTest, EmptyTextureDefaults) {
    Texture* t = nullptr;
    ASSERT_EQ(CreateTexture(device_.get(), 0, kDefault, 1, 0, Fmt::Unknown, Pool::Default, &t),
              kOk);
    Owned<Texture> tex(t);
    SurfaceDesc d;
    tex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.format, Fmt::A8R8G8B8);
    EXPECT_EQ(d.width, 256u);
    EXPECT_EQ(d.height, 256u);
    EXPECT_EQ(d.pool, Pool::Default);
    ASSERT_EQ(CreateTexture(device_.get(), 30, 20, kDefault, 0, Fmt::R5G6B5, Pool::Managed, &t),
              kOk);
    EXPECT_EQ(t->GetLevelCount(), 5u); // 30x20 ... 1x1
    t->Release();
}

TEST_F(TextureLoaderTest, SurfaceLoadScalesThePictureIntoIt) {
    // 4x4: each 2x2 block one colour.
    std::vector<uint8_t> px(4 * 4 * 4);
    const uint32_t block[4] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80FFFFFF}; // ABGR bytes
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t c = block[(y / 2) * 2 + x / 2];
            for (int k = 0; k < 4; ++k)
                px[(y * 4 + x) * 4 + k] = uint8_t(c >> (8 * k));
        }
    ASSERT_TRUE(tk::WritePng(Path("s.png"), {px.data(), 4, 4, 4}));

    Surface* s = nullptr;
    ASSERT_EQ(device_->CreateImageSurface(2, 2, Fmt::A8R8G8B8, &s), kOk);
    Owned<Surface> surf(s);
    ImageInfo info;
    ASSERT_EQ(LoadSurfaceFromFile(s, nullptr, Path("s.png"), nullptr, kDefault, 0, &info), kOk);
    EXPECT_EQ(info.width, 4u);
    EXPECT_EQ(info.imageFileFormat, 3u);
    LockedRect lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), kOk);
    auto at = [&](int x, int y) {
        return ReadPixel(Fmt::A8R8G8B8, static_cast<uint8_t*>(lr.bits) + y * lr.pitch + x * 4);
    };
    EXPECT_EQ(at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(at(0, 1), 0xFF0000FFu);
    EXPECT_EQ(at(1, 1), 0x80FFFFFFu);
    ASSERT_EQ(s->UnlockRect(), kOk);

    // A part of the picture into a part of the surface, scaled up.
    ASSERT_EQ(device_->CreateImageSurface(8, 8, Fmt::A8R8G8B8, &s), kOk);
    Owned<Surface> big(s);
    Rect src{2, 0, 4, 2}, dst{4, 4, 8, 8};
    ASSERT_EQ(LoadSurfaceFromFile(s, &dst, Path("s.png"), &src, Filter::Point, 0, nullptr), kOk);
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), kOk);
    EXPECT_EQ(at(0, 0), 0u) << "outside the destination rectangle";
    EXPECT_EQ(at(4, 4), 0xFF00FF00u);
    EXPECT_EQ(at(7, 7), 0xFF00FF00u);
    ASSERT_EQ(s->UnlockRect(), kOk);

    Rect bad{0, 0, 9, 1};
    EXPECT_EQ(LoadSurfaceFromFile(s, &bad, Path("s.png"), nullptr, kDefault, 0, nullptr),
              kErrInvalidCall);
    EXPECT_EQ(LoadSurfaceFromFile(s, nullptr, Path("none.png"), nullptr, kDefault, 0, nullptr),
              kErrNotFound);
}

} // namespace
