// The caps textures: loading order and failure, the chain's alpha copy, and
// which group is resident on the device in each texture mode.
#include <filesystem>

#include "CapsTestSupport.h"

namespace capstest {
namespace {

class CapsTexturesTest : public CapsFixture {
protected:
    // 1 for each list texture that has its device texture now.
    std::vector<int> Resident() const {
        std::vector<int> out;
        for (const auto& t : caps_->GetCapsTextures())
            out.push_back(t->HasTexture() ? 1 : 0);
        return out;
    }
    std::vector<uint64_t> Serials() const {
        std::vector<uint64_t> out;
        for (const auto& t : caps_->GetCapsTextures())
            out.push_back(t->GetSerial());
        return out;
    }
    const std::vector<int> kNormal{1, 1, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<int> kMemory{0, 0, 0, 1, 1, 1, 1, 1, 1};
    const std::vector<int> kNone{0, 0, 0, 0, 0, 0, 0, 0, 0};
};

TEST_F(CapsTexturesTest, LoadsTheListInOrderWithTheNormalGroupResident) {
    WriteTextures();
    ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1) << Log();
    EXPECT_EQ(caps_->GetTextureMode(), 0);
    const auto& list = caps_->GetCapsTextures();
    ASSERT_EQ(list.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(list[i]->GetName(), caps::kTextureFiles[i]);
        EXPECT_EQ(list[i]->GetPath(), GfxFolder() + caps::kTextureFiles[i]);
        EXPECT_EQ(list[i]->GetMipLevels(), 1u);
        // Every one of them stays registered with the device (for its reset).
        EXPECT_GE(device->FindTexture(caps::kTextureFiles[i]), 0);
    }
    EXPECT_EQ(Resident(), kNormal);
    EXPECT_EQ(caps_->GetCursorLightTexture()->GetName(), "CursorAdd.bmp");
    EXPECT_TRUE(caps_->GetCursorLightTexture()->HasTexture());
    EXPECT_EQ(caps_->GetChainTexture()->GetName(), "Chain.png");
    // The alpha copy takes the first format of its list the device can use.
    ASSERT_FALSE(caps_->GetChainAlphaTexture().IsNull());
    EXPECT_EQ(caps_->GetChainAlphaTexture()->GetPath(), GfxFolder() + "Chain.png");
    EXPECT_EQ(caps_->GetChainAlphaTexture()->GetFormat(), gpu::Fmt::A1R5G5B5);
    EXPECT_FALSE(caps_->GetChainAlphaTexture() == caps_->GetChainTexture());
    EXPECT_EQ(Log().find("Unable"), std::string::npos);
}

TEST_F(CapsTexturesTest, ChainAlphaFormatFollowsTheDevice) {
    config.adapters[0].textureFormats = {gpu::Fmt::A8R8G8B8, gpu::Fmt::A4L4, gpu::Fmt::X8R8G8B8};
    TearDown();
    SetUp();
    WriteTextures();
    ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1) << Log();
    EXPECT_EQ(caps_->GetChainAlphaTexture()->GetFormat(), gpu::Fmt::A4L4);
}

TEST_F(CapsTexturesTest, FirstMissingFileStopsTheLoad) {
    WriteTextures();
    std::filesystem::remove(GfxFolder() + "MemCaps2.tga");
    ClearLog();
    EXPECT_EQ(caps_->LoadTextures(GfxFolder()), 0);
    const std::string log = Log();
    EXPECT_NE(log.find(" Unable to load Texture MemCaps2.tga!\n"), std::string::npos) << log;
    // Loaded so far: kept; after the failure: not tried.
    EXPECT_EQ(caps_->GetCapsTextures().size(), 4u);
    EXPECT_LT(device->FindTexture("MemCaps3.tga"), 0);
    EXPECT_LT(device->FindTexture("Chain.png"), 0);
    EXPECT_TRUE(caps_->GetChainTexture().IsNull());
    EXPECT_EQ(caps_->GetTextureMode(), -1);
    EXPECT_EQ(caps_->SetTextureMode(1), 0);
}

TEST_F(CapsTexturesTest, EachSingleTextureIsRequired) {
    for (const char* file : {"Caps.png", "CursorAdd.bmp", "Chain.png"}) {
        SCOPED_TRACE(file);
        WriteTextures();
        std::filesystem::remove(GfxFolder() + file);
        ClearLog();
        EXPECT_EQ(caps_->LoadTextures(GfxFolder()), 0);
        EXPECT_NE(Log().find(std::string("Unable to load Texture ") + file + "!\n"),
                  std::string::npos)
            << Log();
    }
    // A picture the decoder cannot read fails the same way.
    WriteTextures();
    dir_.Write("Gfx/Caps_l.tga", "not a picture");
    ClearLog();
    EXPECT_EQ(caps_->LoadTextures(GfxFolder()), 0);
    EXPECT_NE(Log().find("Unable to load Texture Caps_l.tga!\n"), std::string::npos);
}

TEST_F(CapsTexturesTest, ModesKeepOneGroupResident) {
    EXPECT_EQ(caps_->SetTextureMode(1), 0);  // nothing loaded yet
    EXPECT_EQ(caps_->GetTextureMode(), -1);
    WriteTextures();
    ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1);

    EXPECT_EQ(caps_->SetTextureMode(0), 1);
    EXPECT_EQ(Resident(), kNormal);

    EXPECT_EQ(caps_->SetTextureMode(1), 1);
    EXPECT_EQ(caps_->GetTextureMode(), 1);
    EXPECT_EQ(Resident(), kMemory);
    // Asking again re-creates nothing.
    const std::vector<uint64_t> serials = Serials();
    EXPECT_EQ(caps_->SetTextureMode(1), 1);
    EXPECT_EQ(Serials(), serials);

    // Sprites keep their texture objects through the change.
    const CSharedPtr<CCapSprite> card = Make(25);
    EXPECT_TRUE(card->SpriteTexture->HasTexture());

    EXPECT_EQ(caps_->SetTextureMode(5), 1);
    EXPECT_EQ(Resident(), kNone);
    EXPECT_EQ(caps_->SetTextureMode(-1), 1);
    EXPECT_EQ(Resident(), kNone);
    EXPECT_EQ(caps_->SetTextureMode(0), 1);
    EXPECT_EQ(Resident(), kNormal);
    // The single textures are never released.
    EXPECT_TRUE(caps_->GetChainTexture()->HasTexture());
    EXPECT_TRUE(caps_->GetCursorLightTexture()->HasTexture());
}

TEST_F(CapsTexturesTest, FailedRecreationReportsIt) {
    WriteTextures();
    ASSERT_EQ(caps_->LoadTextures(GfxFolder()), 1);
    std::filesystem::remove(GfxFolder() + "MemCaps3_l.tga");
    EXPECT_EQ(caps_->SetTextureMode(1), 0);
    EXPECT_EQ(caps_->GetTextureMode(), 1);
    EXPECT_EQ(Resident(), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 0}));
    EXPECT_EQ(caps_->SetTextureMode(0), 1);
    EXPECT_EQ(Resident(), kNormal);
}

} // namespace
} // namespace capstest
