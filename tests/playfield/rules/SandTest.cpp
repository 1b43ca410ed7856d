// The sand bursts, dust trails and sand-box share of a finished removal, and
// the combo sound of a cascade.
#include "RulesDriver.h"
#include "effects/Collection2ParticleSystem.h"
#include "effects/SandKeepers.h"
#include "engine/Texture.h"

namespace rulestest {
namespace {

class SandTest : public ::testing::Test {
protected:
    void SetUp() override {
        d.StartLevel(1);
        d.PlaceBoard(DeadBoard());
        CPlayField& f = d.Field();
        for (auto& t : f.Textures)
            t = CSharedPtr<CTexture>(new CTexture());
    }

    // A finished removal of the cells, as the frame update finds it.
    void FinishedGroup(const std::vector<CMatchCell>& cells) {
        CPlayField& f = d.Field();
        CMatchGroup g;
        g.Cells = cells;
        CSharedPtr<CTerminator> t =
            d.Terminators().CreateTerminator(1, g, CSharedPtr<CTexture>(), 0);
        for (const CMatchCell& c : cells)
            f.RemoveCap(*t, d.Cap(c.Column, c.Row), CPlayField::kRemoveOrdinary);
        d.Terminators().Live.clear();
        d.Terminators().Finished.push_back(t);
    }

    std::vector<CCollection2ParticleSystem*> SystemsOfB() {
        std::vector<CCollection2ParticleSystem*> out;
        for (const auto& s : d.Field().ParticlesB->BlendedSystems())
            if (auto* c = dynamic_cast<CCollection2ParticleSystem*>(s.Get()))
                out.push_back(c);
        return out;
    }
    static CSandKeeper* SandOf(CCollection2ParticleSystem* s) {
        return dynamic_cast<CSandKeeper*>(s->Keeper.Get());
    }

    RulesDriver d;
};

TEST_F(SandTest, EachDestroyedCapThrowsItsShareIntoTheBox) {
    CPlayField& f = d.Field();
    FinishedGroup({{1, 1}, {2, 1}, {3, 1}});
    f.DropRemovalSand(0, 3.0f);
    ASSERT_EQ(d.Sandbox()->Grains.size(), 3u);
    for (const SandDrop& g : d.Sandbox()->Grains)
        EXPECT_FLOAT_EQ(g.Amount, 1.0f);

    const auto systems = SystemsOfB();
    ASSERT_EQ(systems.size(), 6u);
    int sand = 0, dust = 0;
    const float bottom = f.Dune->Box().Y - f.Dune->Box().Height;
    for (CCollection2ParticleSystem* s : systems) {
        if (CSandKeeper* k = SandOf(s)) {
            ++sand;
            EXPECT_FLOAT_EQ(k->Rate, 0.0f);
            EXPECT_FLOAT_EQ(k->Floor, bottom);
            EXPECT_EQ(k->Colour, 0xFFF7D96Bu); // the terminator's colour
            EXPECT_EQ(s->Capacity, 40);
            EXPECT_TRUE(s->Texture == f.Textures[0]);
            EXPECT_FLOAT_EQ(s->Position.Z, f.Store->Offset[2] + 1.0f);
        } else if (auto* k = dynamic_cast<CDustTrackKeeper*>(s->Keeper.Get())) {
            ++dust;
            EXPECT_FLOAT_EQ(k->Speed, 2.0f);
            EXPECT_FALSE(k->Tracked.IsNull());
            EXPECT_EQ(s->Capacity, 200);
            EXPECT_TRUE(s->Texture == f.Textures[1]);
        }
    }
    EXPECT_EQ(sand, 3);
    EXPECT_EQ(dust, 3);
    // The bursts start where the caps were drawn.
    const CVector3 p = f.CellToWorld(2, 1, true);
    bool found = false;
    for (CCollection2ParticleSystem* s : systems)
        found = found || (SandOf(s) && s->Position.X == p.X && s->Position.Y == p.Y);
    EXPECT_TRUE(found);
}

TEST_F(SandTest, CapsThatOnlyLoseAChainThrowNothing) {
    CPlayField& f = d.Field();
    for (int32_t c = 4; c <= 6; ++c)
        d.Cap(c, 6)->SetValue(1);
    FinishedGroup({{4, 6}, {5, 6}, {6, 6}});
    f.DropRemovalSand(0, 3.0f);
    EXPECT_TRUE(d.Sandbox()->Grains.empty());
    EXPECT_TRUE(SystemsOfB().empty());
}

TEST_F(SandTest, OnlyTheDestroyedCapsOfAMixedGroupShareTheSand) {
    CPlayField& f = d.Field();
    d.Cap(5, 2)->SetValue(2);
    FinishedGroup({{4, 2}, {5, 2}, {6, 2}});
    f.DropRemovalSand(0, 1.0f);
    ASSERT_EQ(d.Sandbox()->Grains.size(), 2u);
    EXPECT_FLOAT_EQ(d.Sandbox()->Grains[0].Amount, 0.5f);
    EXPECT_EQ(SystemsOfB().size(), 4u);
}

TEST_F(SandTest, WithoutTheSandDropTheBurstsFallPastTheBoard) {
    CPlayField& f = d.Field();
    f.SandDrop = 0;
    FinishedGroup({{0, 0}, {0, 1}});
    f.DropRemovalSand(0, 2.0f);
    EXPECT_TRUE(d.Sandbox()->Grains.empty());
    int sand = 0;
    for (CCollection2ParticleSystem* s : SystemsOfB())
        if (CSandKeeper* k = SandOf(s)) {
            ++sand;
            EXPECT_FLOAT_EQ(k->Floor, -440.0f);
        }
    EXPECT_EQ(sand, 2);
}

TEST_F(SandTest, DuringTheFrenzyTheGrainsTakeTheBoxLook) {
    CPlayField& f = d.Field();
    d.Sandbox()->Mode = CSandbox::kFrenzy;
    FinishedGroup({{7, 7}});
    f.DropRemovalSand(0, 0.5f);
    const auto systems = SystemsOfB();
    ASSERT_EQ(systems.size(), 2u);
    for (CCollection2ParticleSystem* s : systems) {
        EXPECT_TRUE(s->Texture == f.Textures[2]);
        if (CSandKeeper* k = SandOf(s)) {
            EXPECT_EQ(k->Colour, d.Layout().SandColour);
            EXPECT_FLOAT_EQ(s->AlphaScale, d.Layout().SandAlpha);
        }
    }
    EXPECT_EQ(d.Sandbox()->Grains.size(), 1u);
}

TEST_F(SandTest, AGroupIndexOutsideTheFinishedListIsIgnored) {
    CPlayField& f = d.Field();
    FinishedGroup({{1, 1}});
    f.DropRemovalSand(-1, 1.0f);
    f.DropRemovalSand(1, 1.0f);
    EXPECT_TRUE(d.Sandbox()->Grains.empty());
    f.ParticlesB = CSharedPtr<CParticleSystemsManager>();
    f.DropRemovalSand(0, 1.0f); // no particles: the sand still lands
    EXPECT_EQ(d.Sandbox()->Grains.size(), 1u);
}

TEST_F(SandTest, AMatchOnTheQuestBoardThrowsSandThroughTheFrame) {
    CPlayField& f = d.Field();
    BoardRows rows = DeadBoard();
    rows[0] = "11134012";
    d.PlaceBoard(rows);
    size_t most = 0;
    float total = 0.0f;
    for (int i = 0; i < 120 && SystemsOfB().size() < 6; ++i) {
        d.Frame();
        if (d.Sandbox()->Grains.size() > most) {
            most = d.Sandbox()->Grains.size();
            total = 0.0f;
            for (const SandDrop& g : d.Sandbox()->Grains)
                total += g.Amount;
        }
    }
    EXPECT_EQ(SystemsOfB().size(), 6u);
    EXPECT_EQ(most, 3u);
    EXPECT_NEAR(total, f.LevelParams->SandForRemoval(3, 1, 0, 0), 1e-5f);
}

TEST_F(SandTest, ACascadeOfTwoPlaysTheFirstComboSoundAndASingleRowNone) {
    // Column 0 holds a ready run of 5; the 6 above it lands beside two more 6s.
    BoardRows rows = DeadBoard();
    rows[4] = "63401234";
    rows[5] = "51234012";
    rows[6] = "54012340";
    rows[7] = "56640123";
    d.PlaceBoard(rows);
    d.ClearSounds();
    ASSERT_TRUE(d.RunUntilSettled());
    ASSERT_EQ(d.Field().Counters.Sets[2].Get(8), 2) << "a chain of exactly two";
    EXPECT_EQ(d.Plays("Combo2.wav"), 1);

    rows[7] = "56140123";
    d.PlaceBoard(rows);
    d.ClearSounds();
    ASSERT_TRUE(d.RunUntilSettled());
    EXPECT_EQ(d.Plays("Combo2.wav"), 0);
}

} // namespace
} // namespace rulestest
