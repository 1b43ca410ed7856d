// The bonus manager: collecting events in order, dropping finished bonuses,
// the two idle tests, the factories and the loading of the bonus pictures.
#include <filesystem>
#include <memory>

#include "BonusTestSupport.h"
#include "bonuses/BonusFactory.h"
#include "bonuses/BonusGem.h"
#include "bonuses/BonusTNT.h"
#include "engine/Texture.h"
#include "support/RecordingScene.h"
#include "tools/lib/ImageWriter.h"

namespace bonustest {
namespace {

// Queues the given codes on its next update, then returns `result`.
class Chatty : public CBonusPlain {
public:
    explicit Chatty(std::vector<int32_t> codes, int32_t result = 1)
        : CBonusPlain(kScore), codes_(std::move(codes)), result_(result) {}
    int32_t Update(float) override {
        for (int32_t c : codes_)
            QueueEvent(c, static_cast<int32_t>(Events.size()));
        codes_.clear();
        return result_;
    }

private:
    std::vector<int32_t> codes_;
    int32_t result_;
};

class ManagerTest : public BonusFixture {};

TEST_F(ManagerTest, EventsArriveInOrderWithTheBonusThatQueuedThem) {
    CBonusManager m;
    CSharedPtr<CBonus> a(new Chatty({6, 7, 8}));
    CSharedPtr<CBonus> gone(new Chatty({9}, 0));
    CSharedPtr<CBonus> b(new Chatty({13}));
    m.AddBonus(a);
    m.AddBonus(gone);
    m.AddBonus(b);
    m.Update(0.1f);
    EXPECT_EQ(Codes(m.Pending), (std::vector<int32_t>{6, 7, 8, 13}));
    EXPECT_TRUE(m.Pending[0].Source == a && m.Pending[2].Source == a);
    EXPECT_EQ(m.Pending[2].A, 2);
    EXPECT_TRUE(m.Pending[3].Source == b);
    EXPECT_TRUE(a->Events.empty());
    // The bonus that ended in the frame it queued is dropped with its events.
    ASSERT_EQ(m.Bonuses.size(), 2u);
    EXPECT_TRUE(m.Bonuses[1] == b);

    // The list holds only the last frame's events.
    m.Update(0.1f);
    EXPECT_TRUE(m.Pending.empty());
}

TEST_F(ManagerTest, IdleTestsWaitForPendingEventsAndEveryBonus) {
    CBonusManager m;
    EXPECT_EQ(m.AreAllPlaced(), 1);
    EXPECT_EQ(m.AreEffectsDone(), 1);

    CSharedPtr<CBonus> plain(new CBonusPlain(CBonus::kScore));
    m.AddBonus(plain);
    EXPECT_EQ(m.AreAllPlaced(), 0);
    plain->Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    EXPECT_EQ(m.AreAllPlaced(), 1);

    CSharedPtr<CBonus> tnt;
    m.CreateBonus(tnt, CBonus::kTnt, 0, 0, 1);
    tnt->Place(0.0f, 0.0f, 50.0f, 39.0f, 4, 4);
    EXPECT_EQ(m.AreEffectsDone(), 1);
    tnt->Fire();
    EXPECT_EQ(m.AreEffectsDone(), 0);  // events queued in the bonus
    m.Update(0.01f);
    EXPECT_FALSE(m.Pending.empty());
    EXPECT_EQ(m.AreEffectsDone(), 0);  // events pending for the field
    EXPECT_EQ(m.AreAllPlaced(), 0);
    m.Update(0.01f);
    EXPECT_EQ(m.AreEffectsDone(), 1);
    EXPECT_EQ(m.Bonuses.size(), 1u);  // the exploded TNT is gone
}

TEST_F(ManagerTest, RemovingKeepsPendingRecordsValid) {
    CBonusManager m;
    m.EffectFactor = 0.5f;
    CSharedPtr<CBonus> a(new Chatty({3}));
    CSharedPtr<CBonus> b(new CBonusPlain(CBonus::kFlash));
    EXPECT_EQ(m.AddBonus(a), 0);
    EXPECT_EQ(m.AddBonus(b), 1);
    EXPECT_FLOAT_EQ(a->EffectFactor, 0.5f);
    m.Update(0.1f);
    CBonus* raw = a.Get();
    EXPECT_EQ(m.RemoveBonus(a), 0);
    EXPECT_EQ(m.RemoveBonus(a), -1);
    a = CSharedPtr<CBonus>();
    // The pending record still holds it.
    ASSERT_EQ(m.Pending.size(), 1u);
    EXPECT_EQ(m.Pending[0].Source.Get(), raw);
    EXPECT_EQ(m.Pending[0].Source.UseCount(), 1u);
    m.Update(0.1f);
    EXPECT_TRUE(m.Pending.empty());

    m.Clear();
    EXPECT_TRUE(m.Bonuses.empty());
}

TEST_F(ManagerTest, FactoriesMakeTheKnownKindsOnly) {
    CSharedPtr<CBonusManager> m = LayeredManager();
    m->EffectFactor = 0.75f;
    CSharedPtr<CBonus> out(new CBonusPlain(CBonus::kScore));
    for (int32_t type : {-1, 0, 1, 8, 100}) {
        m->CreateBonus(out, type, 0, 0, 1);
        EXPECT_TRUE(out.IsNull()) << type;
        EXPECT_EQ(NewBonusOfType(type), nullptr);
    }
    for (int32_t colour : {-1, 8, 100}) {
        m->CreateGem(out, colour, 1);
        EXPECT_TRUE(out.IsNull()) << colour;
    }
    EXPECT_TRUE(m->Bonuses.empty());

    m->CreateBonus(out, CBonus::kTnt, 2, 0, 1);
    ASSERT_FALSE(out.IsNull());
    EXPECT_EQ(out->Kind, CBonus::kTnt);
    EXPECT_EQ(out->Param, 2);
    EXPECT_EQ(out->BoardLayers, 1);
    EXPECT_FLOAT_EQ(out->EffectFactor, 0.75f);
    EXPECT_EQ(m->Bonuses.size(), 1u);

    // Not added: works, but the manager does not update it.
    CSharedPtr<CBonus> gem;
    m->CreateGem(gem, 7, 0);
    ASSERT_FALSE(gem.IsNull());
    EXPECT_EQ(gem->Kind, CBonus::kGem);
    EXPECT_EQ(gem->Colour, 7);
    EXPECT_EQ(m->Bonuses.size(), 1u);
    m->Update(1.0f);
    EXPECT_FLOAT_EQ(gem->Age, 0.0f);
    gem->Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    gem->Fire();
    EXPECT_EQ(Codes(gem->Events), std::vector<int32_t>{CBonusEvent::kGemFired});
}

TEST_F(ManagerTest, EachKindGetsItsLayersAndTextures) {
    CSharedPtr<CBonusManager> m = LayeredManager();
    CSharedPtr<CTexture> t[8];
    for (auto& x : t)
        x = CSharedPtr<CTexture>(new CTexture());
    m->SetTextures(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]);
    EXPECT_TRUE(m->Textures[CBonusManager::kStarParticle] == t[0]);
    EXPECT_TRUE(m->Textures[CBonusManager::kHalo1] == t[1]);
    EXPECT_TRUE(m->Textures[CBonusManager::kRing] == t[2]);
    EXPECT_TRUE(m->Textures[CBonusManager::kSpark] == t[3]);
    EXPECT_TRUE(m->Textures[CBonusManager::kPanelGlass] == t[7]);

    const CBonusHandles gem = m->HandlesFor(CBonus::kGem);
    EXPECT_TRUE(gem.Board.Sprites == sprite1 && gem.Board.Quads == quad1);
    EXPECT_TRUE(gem.Board.Particles.IsNull());
    EXPECT_TRUE(gem.Upper.Sprites == sprite2 && gem.Upper.Particles == particles2 &&
                gem.Upper.Quads == quad2);
    ASSERT_EQ(gem.Textures.size(), 4u);
    EXPECT_TRUE(gem.Textures[3] == t[0]);

    const CBonusHandles tnt = m->HandlesFor(CBonus::kTnt);
    EXPECT_TRUE(tnt.Board.Sprites == sprite1 && tnt.Board.Particles == particles1);
    EXPECT_TRUE(tnt.Upper.Sprites == sprite3 && tnt.Upper.Particles == particles2);
    EXPECT_TRUE(tnt.Board.Quads.IsNull() && tnt.Upper.Quads.IsNull());
    ASSERT_EQ(tnt.Textures.size(), 4u);
    EXPECT_TRUE(tnt.Textures[1] == t[1] && tnt.Textures[2] == t[2] && tnt.Textures[3] == t[3]);

    const CBonusHandles time = m->HandlesFor(CBonus::kTime);
    EXPECT_TRUE(time.Board.Quads == quad1 && time.Upper.Quads == quad2);
    ASSERT_EQ(time.Textures.size(), 5u);
    EXPECT_TRUE(time.Textures[1] == t[5] && time.Textures[2] == t[6] && time.Textures[4] == t[7]);
    EXPECT_EQ(m->HandlesFor(CBonus::kSolidarity).Textures.size(), 1u);
    EXPECT_TRUE(m->HandlesFor(9).Board.Sprites.IsNull());
    EXPECT_TRUE(m->HandlesFor(9).Texture(0).IsNull());
}

// ---- Loading the bonus pictures ----

class TextureLoadTest : public BonusFixture, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        BonusFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(Open());
    }
    void TearDown() override {
        Close();
        BonusFixture::TearDown();
    }
    std::string Gfx() const { return dir_.Path("Gfx") + "/"; }
    void WriteAll() {
        std::filesystem::create_directories(Gfx());
        std::vector<uint8_t> pixels(8 * 8 * 4, 200);
        const tk::PixelView view{pixels.data(), 8, 8, 4};
        ASSERT_TRUE(tk::WriteJpeg(Gfx() + "AllGemLights.jpg", view, 90));
        ASSERT_TRUE(tk::WriteJpeg(Gfx() + "AllGemLights_alpha.jpg", view, 90));
        ASSERT_TRUE(tk::WritePng(Gfx() + "AllGems.png", view));
        ASSERT_TRUE(tk::WriteTga(Gfx() + "GemFlares.tga", view));
        ASSERT_TRUE(tk::WritePng(Gfx() + "Bonus1.png", view));
        for (const char* f : {"Bonus2.tga", "Bonus3.tga", "Bonus4.tga", "Bonus5.tga"})
            ASSERT_TRUE(tk::WriteTga(Gfx() + f, view));
    }
};

TEST_F(TextureLoadTest, LoadsEveryBonusPictureIntoItsSlot) {
    WriteAll();
    CBonusManager m;
    ASSERT_EQ(m.LoadTextures(*device, Gfx()), 1) << Log();
    const char* names[] = {"AllGemLights", "AllGems", "GemFlares", nullptr, "Bonus1",
                           "Bonus2",       "Bonus3",  "Bonus4",    "Bonus5"};
    for (int i = 0; i < 9; ++i) {
        if (!names[i]) {
            EXPECT_TRUE(m.Textures[i].IsNull());
            continue;
        }
        ASSERT_FALSE(m.Textures[i].IsNull()) << names[i];
        EXPECT_EQ(m.Textures[i]->GetName(), names[i]);
    }
    EXPECT_TRUE(m.Textures[CBonusManager::kAllGemLights]->HasAlphaCompanion());
    EXPECT_EQ(m.Textures[CBonusManager::kGemFlares]->GetFormat(), gpu::Fmt::A8R8G8B8);
    EXPECT_EQ(Log().find("Unable"), std::string::npos);
}

TEST_F(TextureLoadTest, TheFirstMissingPictureStopsTheLoad) {
    WriteAll();
    std::filesystem::remove(Gfx() + "Bonus3.tga");
    CBonusManager m;
    EXPECT_EQ(m.LoadTextures(*device, Gfx()), 0);
    EXPECT_NE(Log().find(" Unable to load Bonus3 Texture!\n"), std::string::npos) << Log();
    EXPECT_FALSE(m.Textures[CBonusManager::kBonus2].IsNull());
    EXPECT_TRUE(m.Textures[CBonusManager::kBonus4].IsNull());

    // Without its alpha companion the gem lights fail first.
    std::filesystem::remove(Gfx() + "AllGemLights_alpha.jpg");
    CBonusManager n;
    EXPECT_EQ(n.LoadTextures(*device, Gfx()), 0);
    EXPECT_NE(Log().find(" Unable to load AllGemLights Texture!\n"), std::string::npos);
    EXPECT_TRUE(n.Textures[CBonusManager::kAllGems].IsNull());
}

} // namespace
} // namespace bonustest
