// The totem panel with real figures on the recording device: requests and
// launches, the Red records, the faults of empty slots and invisible figures,
// figure motion and fades, "Totems.cfg" values good and bad, and the switch of
// the figure pictures between the quest and the shop.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "effects/ParticleSystemsManager.h"
#include "effects/SmokesParticleSystem.h"
#include "engine/QuadLayer.h"
#include "engine/SpriteLayer.h"
#include "playfield/LevelParams.h"
#include "playfield/LevelRules.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"
#include "tools/lib/ImageWriter.h"
#include "totems/BlueTotem.h"
#include "totems/BoardGrid.h"
#include "totems/GreenTotem.h"
#include "totems/OrangeTotem.h"
#include "totems/RedTotem.h"
#include "totems/TotemPanel.h"
#include "totems/VioletTotem.h"
#include "totems/WhiteTotem.h"
#include "totems/YellowTotem.h"

namespace {

using testsupport::CapturedLog;
using testsupport::TempDir;

// One sprite per set and tier, three lights: every figure has parts.
std::string SetsOf(const char* section, const std::string& extra) {
    std::string s = std::string("[") + section + "]\n" + extra;
    for (const char* prefix : {"Small", "Shadow", "Main", "Shop"})
        for (int k = 1; k <= 4; ++k) {
            const std::string p = prefix + std::to_string(k);
            s += p + "SpritesCount=1\n" + p + "Sprite0=0 0 0 128 128\n" + p +
                 "SpriteT0=0 0 256 256\n";
        }
    for (int i = 0; i < 3; ++i)
        s += "LightSprite" + std::to_string(i) + "=32 32 0 64 64\n";
    return s;
}

class TotemPanelTest : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        Open();
        MakeBuffers(4096, 6144);
        layer = CSharedPtr<CSpriteLayer>(new CSpriteLayer(device, vb, ib));
        particles =
            CSharedPtr<CParticleSystemsManager>(new CParticleSystemsManager(device, vb, ib));
        quads = CSharedPtr<CQuadLayer>(new CQuadLayer(device, vb, ib));
        Load("[Shared]\nCenter=512 384 0\nMainSize=128 128\nSmallSize=48 48\n");
        g_boardGrid.Set(-194.5f, 340.5f, 50.0f, 8, 8, 83.0f, 83.0f);
    }
    void TearDown() override {
        panel.reset();
        quads = CSharedPtr<CQuadLayer>();
        particles = CSharedPtr<CParticleSystemsManager>();
        layer = CSharedPtr<CSpriteLayer>();
        Close();
    }
    void Load(const std::string& shared, const std::string& red = "",
              const std::string& others = "") {
        panel = std::make_unique<CTotemPanel>();
        panel->LoadConfig(dir.Write("Totems.cfg", shared + SetsOf("Red", red) + others));
        panel->AttachShared(device, layer, particles, quads, nullptr);
    }
    // Frames of dt until the predicate holds (at most n).
    template <class P> int Until(P done, float dt = 0.05f, int n = 400) {
        int i = 0;
        for (; i < n && !done(); ++i)
            panel->Update(dt);
        return i;
    }
    CRedTotem* Red() { return dynamic_cast<CRedTotem*>(panel->Places[2].Get()); }
    std::vector<int32_t> RedShotLevels() {
        std::vector<int32_t> levels;
        for (const CTotemAction& a : panel->Actions)
            if (a.kind == CTotemAction::kRed)
                levels.push_back(a.value);
        return levels;
    }

    TempDir dir;
    CSharedPtr<CSpriteLayer> layer;
    CSharedPtr<CParticleSystemsManager> particles;
    CSharedPtr<CQuadLayer> quads;
    std::unique_ptr<CTotemPanel> panel;
};

TEST_F(TotemPanelTest, RequestsSelectLaunchAndSwitchOneAFrame) {
    CTotemPanel& p = *panel;
    p.Tiers[2] = 2;
    p.Reset();
    ASSERT_NE(Red(), nullptr);
    EXPECT_EQ(Red()->Mode, CTotem::kStanding);
    EXPECT_EQ(p.Places[0].IsNull(), true) << "tier 0 gets no figure";

    // Unowned: consumed, nothing selected; one request a frame.
    p.PushRequest(0);
    p.PushRequest(4);
    p.Update(0.01f);
    EXPECT_EQ(p.Requests.size(), 1u);
    p.Update(0.01f);
    EXPECT_EQ(p.Selected, -1);
    EXPECT_EQ(p.IsIdle(), 1);

    // Two red requests at once: the second waits for the arrival.
    p.PushRequest(2);
    p.PushRequest(2);
    p.Update(0.01f);
    EXPECT_EQ(p.Selected, 2);
    EXPECT_EQ(p.Ready, 0);
    EXPECT_EQ(Red()->Mode, CTotem::kSelected);
    Until([&] { return p.Ready == 1; });
    EXPECT_EQ(Red()->ShineParts().size(), 1u);
    EXPECT_EQ(Red()->ArmedSystems.size(), 8u) << "four orbs of two systems";
    EXPECT_FLOAT_EQ(Red()->Position.X, -0.5f);
    p.Update(0.0f);
    ASSERT_FALSE(p.Actions.empty());
    EXPECT_EQ(p.Actions.front().kind, CTotemAction::kLaunched);
    EXPECT_EQ(p.Presses, 2);
    EXPECT_EQ(Red()->Level, 2);
    EXPECT_EQ(Red()->ShineParts().size(), 2u);

    // The power ends: home again, a standing figure in its place.
    Until([&] { return p.Selected < 0 && Red()->Mode == CTotem::kStanding; });
    EXPECT_EQ(Red()->Mode, CTotem::kStanding);
    EXPECT_FLOAT_EQ(Red()->Size[0], 48.0f);

    // A switch to an unowned colour sends the selected one home.
    p.PushRequest(2);
    p.Update(0.01f);
    Until([&] { return p.Ready == 1; });
    CSharedPtr<CTotem> selected = p.Places[2];
    p.PushRequest(5);
    p.Update(0.01f);
    EXPECT_EQ(p.Selected, -1);
    EXPECT_EQ(p.Ready, 1);
    EXPECT_EQ(selected->State, CTotem::kMoving);
    EXPECT_FLOAT_EQ(selected->MoveTarget.X, p.PlacePos[2].X);
    EXPECT_TRUE(dynamic_cast<CRedTotem&>(*selected).ArmedSystems.empty());
}

TEST_F(TotemPanelTest, RedShotsFollowTheTierTableAndLandInOneFrame) {
    struct Row {
        int32_t tier;
        std::vector<int32_t> level2, level3; // shot levels, sorted; no level 3 below tier 3
    };
    const Row rows[] = {{1, {1, 1}, {}},
                        {2, {1, 1, 1, 1}, {}},
                        {3, {1, 1, 2, 2}, {2, 2, 2, 2}},
                        {4, {2, 2, 2, 2}, {2, 2, 2, 2}},
                        {9, {2, 2, 2, 2}, {2, 2, 2, 2}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tier);
        CTotemPanel& p = *panel;
        p.Tiers[2] = row.tier;
        p.Reset();
        p.PushRequest(2);
        Until([&] { return p.Selected == 2 && p.Ready == 1; });
        p.PushRequest(2);
        // One big step: every shot waits, flies and lands within it.
        p.Update(2.0f);
        ASSERT_GE(p.Actions.size(), 2u);
        EXPECT_EQ(p.Actions.front().kind, CTotemAction::kLaunched);
        std::vector<int32_t> got = RedShotLevels();
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, row.level2);
        for (const CTotemAction& a : p.Actions)
            if (a.kind == CTotemAction::kRed) {
                // A cross is centred off the edges, so that all of it lands on
                // the board; a block may start on the last column or row.
                EXPECT_GE(std::min(a.column, a.row), a.value > 1 ? 1 : 0);
                EXPECT_LE(std::max(a.column, a.row), 7);
            }
        p.Update(0.01f);
        if (row.level3.empty()) {
            EXPECT_EQ(p.Selected, -1);
            continue;
        }
        ASSERT_EQ(Red()->State, CTotem::kRearmed);
        EXPECT_EQ(p.IsIdle(), 1);
        p.PushRequest(2);
        p.Update(2.0f);
        got = RedShotLevels();
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, row.level3);
        EXPECT_EQ(Red()->Level, 3);
        p.Update(0.01f);
        EXPECT_EQ(p.Selected, -1);
    }
}

TEST_F(TotemPanelTest, EmptySlotsAndInvisibleFiguresNeverStickOrCrash) {
    CTotemPanel& p = *panel;
    p.Tiers[2] = 1;
    p.Reset();
    p.PushRequest(2);
    p.Update(0.01f);
    Until([&] { return p.Ready == 1; });
    // Leaving the screen keeps the selection (a save stores it) but no figure.
    p.FadeOutAll(2.0f);
    EXPECT_EQ(p.Selected, 2);
    p.PushRequest(2);
    p.Update(0.1f);
    EXPECT_EQ(p.Selected, 2) << "the queued request selects anew";
    EXPECT_EQ(p.Presses, 1);
    p.FadeOutAll(2.0f);
    p.CancelActive();
    EXPECT_EQ(p.Selected, -1);
    EXPECT_EQ(p.Ready, 1);

    // A restored board asks at once: the fresh standing figure, still
    // invisible, is faded out and leaves on the first frame.
    Load("");
    panel->Tiers[2] = 1;
    panel->Reset();
    panel->PushRequest(2);
    panel->Update(0.0f);
    EXPECT_EQ(panel->Active.size(), 1u) << "only the selected figure stays";

    // A Red figure activated without orbs sends nothing and ends.
    CSharedPtr<CTotem> bare = panel->CreateTotem(2, CTotem::kSelected, 2, 0);
    bare->Activate(1);
    EXPECT_EQ(bare->Update(0.1f), 1);
    EXPECT_EQ(bare->Event, CTotem::kPowerDone);
}

TEST_F(TotemPanelTest, FiguresMoveFadeAndShineByTheirClocks) {
    CSharedPtr<CTotem> f = panel->CreateTotem(2, CTotem::kSelected, 1, 0);
    EXPECT_FLOAT_EQ(f->Size[0], 256.0f);
    EXPECT_FLOAT_EQ(f->Alpha, 0.0f);
    f->SetAlpha(1.0f, 1);
    f->SetPosition(0, 0, 0);
    struct Step {
        float dt, x;
        int32_t result;
    };
    for (const auto& [time, steps] :
         std::vector<std::pair<float, std::vector<Step>>>{{0.5f, {{0.25f, 50, 0}, {0.25f, 100, 1}}},
                                                          {0.5f, {{0.4f, 180, 0}, {0.4f, 200, 1}}},
                                                          {0.0f, {{0.0f, 300, 1}}}}) {
        const float from = f->Position.X;
        f->MoveTo(from + 100.0f, 0, 0, 64, 64, time);
        for (const Step& s : steps) {
            EXPECT_EQ(f->Update(s.dt), s.result);
            EXPECT_FLOAT_EQ(f->Position.X, s.x);
        }
        EXPECT_FLOAT_EQ(f->Size[0], 64.0f);
        EXPECT_EQ(f->Update(0.1f), 1) << "an arrived move reports again";
    }
    EXPECT_FLOAT_EQ(f->Parts()[0]->Position.X, 300.0f);

    f->Shine(2);
    f->Shine(3);
    f->Shine(1);
    EXPECT_EQ(f->ShineParts().size(), 3u);
    f->StopShine(0);
    f->Shine(2);
    EXPECT_EQ(f->ShineParts().size(), 3u);
    f->StopShine(1);
    f->Shine(2);
    EXPECT_EQ(f->ShineParts().size(), 2u);
    const int32_t key = f->Parts()[0]->Key;
    f->SetZOrder(key - 5);
    EXPECT_EQ(f->ShineParts()[0]->Key, key - 2 - 5);

    f->FadeOut(2.0f);
    EXPECT_EQ(f->Update(0.25f), 0);
    EXPECT_FLOAT_EQ(f->Alpha, 0.5f);
    EXPECT_EQ(f->Update(0.25f), 1);
    EXPECT_EQ(f->Event, CTotem::kFadedOut);
    EXPECT_FLOAT_EQ(f->Parts()[0]->Alpha, 0.0f);

    // A shop figure reports when it is fully in.
    CSharedPtr<CTotem> shop = panel->CreateTotem(2, CTotem::kShopFigure, 2, 0);
    EXPECT_EQ(shop->Update(0.2f), 0);
    EXPECT_EQ(shop->Update(0.2f), 1);
    EXPECT_EQ(shop->Event, CTotem::kFadedIn);
}

TEST_F(TotemPanelTest, ArmedVioletLightsFollowTheFiguresDepth) {
    Load("[Shared]\nMainSize=128 128\n", "", SetsOf("Violet", ""));
    CSharedPtr<CTotem> f = panel->CreateTotem(CVioletTotem::kColour, CTotem::kSelected, 2, 0);
    auto& violet = static_cast<CVioletTotem&>(*f);
    violet.SetArmed(1, 1);
    ASSERT_FALSE(violet.ReadySprites.empty());
    std::vector<int32_t> keys;
    for (const CSharedPtr<CSpriteQuad>& s : violet.ReadySprites)
        keys.push_back(s->Key);
    f->SetZOrder(f->Parts()[0]->Key - 7);
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(violet.ReadySprites[i]->Key, keys[i] - 7);
}

TEST_F(TotemPanelTest, ConfigurationReadsItsKeysAndReplacesBadValues) {
    CapturedLog log;
    Load("[Shared]\nSwitchInTime=1\nDarkTexture3=1\nDarkT3=64 0 128 0 128 64 64 64\n"
         "InTime=-1\nCenter=abc\nMainSize=0 5\n[Shop]\nZ=-10\nPic2=100 100 40 20\n"
         "QShift2=5 7\n",
         "FlySpeed=0\nColor1=300 0 0 255\nColor2=10 20 30 40\nSmall2SpritesCount=100000\n");
    const CTotemPanel& p = *panel;
    EXPECT_FLOAT_EQ(p.SwitchInTime, 1.0f);
    EXPECT_FLOAT_EQ(p.ReturnTime, 1.0f);
    EXPECT_EQ(p.BottomZOrder, 40);
    EXPECT_FLOAT_EQ(p.Dark[3].UV[1].U, 1.0f);
    EXPECT_FLOAT_EQ(p.Dark[2].UV[1].U, 254.0f / 256.0f);
    EXPECT_FLOAT_EQ(p.InTime, 0.5f);
    EXPECT_FLOAT_EQ(p.Center.X, -360.5f);
    EXPECT_FLOAT_EQ(p.Center.Y, -215.5f);
    EXPECT_FLOAT_EQ(p.MainSize[1], 128.0f);
    EXPECT_FLOAT_EQ(p.PlacePos[6].X, -492.5f);
    EXPECT_FLOAT_EQ(p.Shop[2].PicPos.X, -391.5f);
    EXPECT_FLOAT_EQ(p.Shop[2].PicPos.Y, 274.5f);
    EXPECT_FLOAT_EQ(p.Shop[2].QSignPos.X, -386.5f);
    EXPECT_FLOAT_EQ(p.Shop[2].QSignPos.Y, 267.5f);
    EXPECT_FLOAT_EQ(p.Shop[2].TotemPos.Z, -15.0f);
    const auto& red = dynamic_cast<const CRedTotemParams&>(*p.ColourParams[2]);
    EXPECT_FLOAT_EQ(red.FlySpeed, 2000.0f);
    EXPECT_EQ(red.Colour1, 0xFFFFC850u);
    EXPECT_EQ(red.Colour2, 0x280A141Eu);
    EXPECT_TRUE(p.Shapes[2]->Small[1].Positions.empty());
    EXPECT_EQ(p.Shapes[2]->Small[0].Positions.size(), 1u);
    for (const char* key :
         {"InTime", "Center", "MainSize", "FlySpeed", "Color1", "Small2SpritesCount"})
        EXPECT_NE(log.Text().find(std::string("] ") + key + ":"), std::string::npos) << key;
    // A missing file: defaults, empty sets with their warnings, a tier beyond
    // the tables clamped, and figures without parts that still work.
    log.Clear();
    panel = std::make_unique<CTotemPanel>();
    panel->LoadConfig(dir.Path("None.cfg"));
    EXPECT_EQ(panel->Shapes[4]->Shop[3].Positions.size(), 0u);
    EXPECT_NE(log.Text().find("Warning! Some Totem SpriteShape can not be loaded! Small1"),
              std::string::npos);
    CSharedPtr<CTotem> f = panel->CreateTotem(2, CTotem::kSelected, 7, 0);
    EXPECT_EQ(f->Tier, 4);
    f->Shine(3);
    EXPECT_TRUE(f->Parts().empty());
}

TEST_F(TotemPanelTest, PanelSpritesAndShopDisplaysFollowTheTiers) {
    CTotemPanel& p = *panel;
    p.Tiers = {1, 0, -1, 3, 0, 0, 2};
    EXPECT_EQ(p.CountOwnedTotems(), 3);
    p.BuildPanelSprites(0);
    ASSERT_EQ(p.PanelSprites.size(), 9u)
        << "the base, then a cover and a contour per colour not owned";
    EXPECT_FLOAT_EQ(p.PanelSprites[1]->Position.X, p.Dark[1].Pos.X);
    p.Show(1, 0.0f);
    for (const auto& s : p.PanelSprites)
        EXPECT_TRUE(s->Shown == 1 && s->Alpha == 1.0f);
    p.Show(0, 2.0f);
    for (float t = 0; t < 1.0f; t += 0.1f) {
        layer->Update(0.1f, 0);
        p.Update(0.1f);
    }
    EXPECT_EQ(p.PanelSprites[0]->Shown, 0) << "faded out, parked";

    // The shop: locked, on offer, owned; each new display retires the old one.
    // All of it lies over the shop page, a figure at its parts' frame size.
    CSharedPtr<CSpriteLayer> shopLayer(new CSpriteLayer(device, vb, ib));
    p.ShopLayer = shopLayer;
    p.Shapes[2]->ShopSize[1] = 150.0f;
    auto inShop = [&](const CSharedPtr<CSpriteQuad>& s) {
        const auto& d = shopLayer->GetDrawn();
        return std::find(d.begin(), d.end(), s) != d.end();
    };
    p.SetTier(4, -1, 4.0f);
    ASSERT_EQ(p.ShopSprites[4].size(), 3u);
    const CSharedPtr<CSpriteQuad> locked = p.ShopSprites[4][0];
    p.SetTier(4, 0, 4.0f);
    EXPECT_EQ(p.ShopSprites[4].size(), 1u);
    EXPECT_EQ(locked->LifeOn, 1);
    p.SetTier(2, 2, 4.0f);
    ASSERT_FALSE(p.ShopTotems[2].IsNull());
    EXPECT_EQ(p.ShopTotems[2]->Mode, CTotem::kShopFigure);
    EXPECT_FLOAT_EQ(p.ShopTotems[2]->Size[1], 150.0f);
    EXPECT_TRUE(!p.ShopTotems[2]->Parts().empty() && inShop(p.ShopTotems[2]->Parts()[0]) &&
                inShop(p.ShopSprites[4][0]));
    const CSharedPtr<CTotem> first = p.ShopTotems[2];
    p.SetTier(2, 3, 4.0f);
    EXPECT_EQ(first->State, CTotem::kFadingOut);
    EXPECT_EQ(p.ShopTotems[2]->Tier, 3);
}

TEST_F(TotemPanelTest, FigurePicturesSwitchToTheShopAndBackInPlace) {
    CapturedLog log;
    auto write = [&](const std::string& file, int side) {
        const std::vector<uint8_t> px(static_cast<size_t>(side * side * 4), 200);
        ASSERT_TRUE(tk::WritePng(dir.Path(file), {px.data(), side, side, 4}));
    };
    const char* names[] = {"Green", "Yellow", "Red", "Blue", "Orange", "White", "Violet"};
    for (int c = 0; c < 7; ++c) {
        const std::string name = std::string(names[c]) + "Totem";
        write(name + ".png", 4);
        if (c != 6)
            write(name + "Shop.png", 8);
        panel->ColourTextures[c] =
            device->LoadTexture(dir.Path(name + ".png"), name, 1, 0, gpu::Pool::Managed, 0);
        ASSERT_FALSE(panel->ColourTextures[c].IsNull());
    }
    const CSharedPtr<CTexture> red = panel->ColourTextures[2];
    CSharedPtr<CTotem> f = panel->CreateTotem(2, CTotem::kShopFigure, 1, 0);
    panel->RecreateTextures(1, dir.Path(""));
    EXPECT_EQ(panel->ShopTextures, 1);
    EXPECT_TRUE(panel->ColourTextures[2] == red);
    EXPECT_EQ(red->GetWidth(), 8u);
    EXPECT_TRUE(f->Parts()[1]->Texture == red);
    EXPECT_NE(log.Text().find("Error! VioletTotem Texture Recreate\n"), std::string::npos);
    panel->RecreateTextures(0, dir.Path(""));
    EXPECT_EQ(panel->ShopTextures, 0);
    EXPECT_EQ(red->GetWidth(), 4u);
    EXPECT_TRUE(panel->ColourTextures[6]->HasTexture()) << "back on its quest picture";
}

} // namespace

// Selects `colour` at `tier` and launches it; the launch frame's records stay in Actions.
static void Launch(CTotemPanel& p, int32_t colour, int32_t tier) {
    p.Tiers[static_cast<size_t>(colour)] = tier;
    p.Reset();
    p.PushRequest(colour);
    for (int i = 0; i < 100 && !(p.Selected == colour && p.Ready == 1); ++i)
        p.Update(0.05f);
    p.PushRequest(colour);
    p.Update(0.0f);
}

static int CountKind(const CTotemPanel& p, int32_t kind, CTotemAction* last = nullptr) {
    int n = 0;
    for (const CTotemAction& a : p.Actions)
        if (a.kind == kind) {
            ++n;
            if (last)
                *last = a;
        }
    return n;
}

TEST_F(TotemPanelTest, OrangeGrantsTimeExactlyOncePerLaunch) {
    struct Row {
        int32_t tier;
        float dt; // frame step through the power
        bool rearms;
        int32_t grant; // the time grant's tier: tiers above 4 grant as 4
    };
    for (const Row& row : {Row{1, 0.02f, false, 1}, Row{2, 5.0f, false, 2}, Row{3, 0.05f, true, 3},
                           Row{4, 5.0f, true, 4}, Row{8, 0.1f, true, 4}}) {
        SCOPED_TRACE(row.tier);
        CTotemPanel& p = *panel;
        Launch(p, 4, row.tier);
        for (int32_t level : {2, 3}) {
            if (level == 3) {
                if (!row.rearms)
                    break;
                ASSERT_EQ(p.Places[4]->State, CTotem::kRearmed);
                p.PushRequest(4);
                p.Update(0.0f);
            }
            int records = 0;
            CTotemAction got;
            for (int i = 0; i < 200 && p.Places[4]->State != CTotem::kRearmed &&
                            p.Places[4]->State != CTotem::kFinished;
                 ++i) {
                p.Update(row.dt);
                records += CountKind(p, CTotemAction::kOrange, &got);
            }
            EXPECT_EQ(records, 1);
            EXPECT_EQ(got.value, level);
            EXPECT_EQ(got.value2, row.grant);
            const auto* o = dynamic_cast<const COrangeTotem*>(p.Places[4].Get());
            ASSERT_NE(o, nullptr);
            EXPECT_TRUE(o->FlySprite.IsNull());
            EXPECT_TRUE(o->Systems[0].IsNull());
        }
    }
    // Without a wait the flying sprite starts at full size on the first frame.
    Load("", "", "[Orange]\nPreFlyTime=0\nFlyTime=1\n");
    Launch(*panel, 4, 1);
    const auto& o = dynamic_cast<const COrangeTotem&>(*panel->Places[4]);
    ASSERT_FALSE(o.FlySprite.IsNull());
    EXPECT_FLOAT_EQ(o.FlySprite->Width, o.Size[0] * 0.5f);
    EXPECT_FLOAT_EQ(o.FlySprite->Alpha, 1.0f);
}

TEST_F(TotemPanelTest, VioletDrawsAllowedBonusesOnceAndSkipsFailedDraws) {
    // Bonus tiers by type 2..7; -1 closes a type. Types 5 and 7 are the
    // special ones.
    struct Row {
        int32_t tier, level;
        std::vector<int32_t> bonusTiers;
        std::vector<bool> special; // per record: drawn as special
    };
    const std::vector<int32_t> all = {0, 1, 2, 3, 0, 1};
    const std::vector<int32_t> none(6, -1);
    const Row rows[] = {{1, 2, all, {false}},        {2, 2, all, {false, false}},
                        {3, 2, all, {false, false}}, {3, 3, all, {false, true}},
                        {4, 2, all, {false, true}},  {2, 2, none, {}}};
    CLevelParams rules;
    Load("", "", "[Violet]\nFlyTime=0.4\n");
    SetTotemLevelParams(&rules);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.tier << "/" << row.level);
        rules.BonusTiers = row.bonusTiers;
        CTotemPanel& p = *panel;
        Launch(p, 6, row.tier);
        if (row.level == 3) {
            for (int i = 0; i < 100 && p.Places[6]->State != CTotem::kRearmed; ++i)
                p.Update(0.1f);
            p.PushRequest(6);
            p.Update(0.0f);
        }
        const CSharedPtr<CTotem> held = p.Places[6];
        auto* v = dynamic_cast<CVioletTotem*>(held.Get());
        ASSERT_NE(v, nullptr);
        ASSERT_EQ(CountKind(p, CTotemAction::kViolet), static_cast<int>(row.special.size()));
        std::vector<CTotemAction> got;
        for (const CTotemAction& a : p.Actions)
            if (a.kind == CTotemAction::kViolet)
                got.push_back(a);
        for (size_t i = 0; i < got.size(); ++i) {
            const CTotemAction& a = got[i];
            const bool special = a.bonusType == 5 || a.bonusType == 7;
            EXPECT_EQ(special, row.special[i]) << a.bonusType;
            EXPECT_EQ(a.column, rules.TierOf(a.bonusType));
            EXPECT_EQ(a.row, v->ZOrder - static_cast<int32_t>(i) - 10);
            EXPECT_FLOAT_EQ(a.FloatWord(10), (i == 0 ? 1.25f : 0.75f) * 0.4f);
            EXPECT_FLOAT_EQ(a.toPoint[0], a.fromPoint[0] + 320.0f);
        }
        // Handed over once; the power runs its time whatever was drawn.
        int later = 0, frames = 0;
        for (; frames < 100 && (v->State == CTotem::kRunning || v->State == CTotem::kRunningLevel3);
             ++frames) {
            p.Update(0.1f);
            later += CountKind(p, CTotemAction::kViolet);
        }
        EXPECT_EQ(later, 0);
        EXPECT_NEAR(frames, 8, 1);
        // Home it goes, unless it re-arms for level 3.
        EXPECT_EQ(v->State == CTotem::kRearmed, row.tier >= 3 && row.level == 2);
        // The rays circle half an orbit apart and stay within one turn.
        EXPECT_NEAR(std::fmod(v->RayAngles[1] - v->RayAngles[0] + 6.2831853f, 6.2831853f),
                    3.1415927f, 1e-3f);
        for (float a : v->RayAngles) {
            EXPECT_GE(a, 0.0f);
            EXPECT_LT(a, 6.2831853f);
        }
    }
    SetTotemLevelParams(nullptr);
}

TEST_F(TotemPanelTest, PowerPeriodsAndSpeedsBelowZeroFallBackToDefaults) {
    struct Row {
        const char* section;
        const char* line;
        const char* key;
        float want;
        float (*read)(const CTotemColourParams&);
    };
    const Row rows[] = {
        {"Orange", "FlyTime=0", "FlyTime", 0.4f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const COrangeTotemParams&>(c).FlyTime;
         }},
        {"Orange", "PreFlyTime=-1", "PreFlyTime", 0.2f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const COrangeTotemParams&>(c).PreFlyTime;
         }},
        {"Orange", "PostFlyTime=nan", "PostFlyTime", 0.2f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const COrangeTotemParams&>(c).PostFlyTime;
         }},
        {"Orange", "DigitsSize=-3", "DigitsSize", 32.0f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const COrangeTotemParams&>(c).DigitsSize;
         }},
        {"Yellow", "FalreT=0", "FalreT", 0.08f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CYellowTotemParams&>(c).FlareT;
         }},
        {"Yellow", "NumberFadeTime=0", "NumberFadeTime", 0.25f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CYellowTotemParams&>(c).NumberFadeTime;
         }},
        {"Yellow", "SmokeFadeSpeed=-4", "SmokeFadeSpeed", 4.0f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CYellowTotemParams&>(c).SmokeFadeSpeed;
         }},
        {"Violet", "FlyTime=-0.5", "FlyTime", 0.5f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CVioletTotemParams&>(c).FlyTime;
         }},
        {"Green", "SmallFT=0", "SmallFT", 0.08f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CGreenTotemParams&>(c).SmallFT;
         }},
        {"Green", "ChainLightT=-1", "ChainLightT", 0.025f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CGreenTotemParams&>(c).ChainLightT;
         }},
        {"Green", "RaySpeed=0", "RaySpeed", 800.0f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CGreenTotemParams&>(c).RaySpeed;
         }},
        {"Blue", "BoltSpeed=0", "BoltSpeed", 2500.0f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CBlueTotemParams&>(c).BoltSpeed;
         }},
        {"Blue", "Bolt1Count=-3", "Bolt1Count", 1.0f,
         [](const CTotemColourParams& c) {
             const auto& b = dynamic_cast<const CBlueTotemParams&>(c);
             return static_cast<float>(b.BoltBegins[0].size() + b.BoltEnds[0].size()) / 2.0f;
         }},
        {"Blue", "Bolt3Count=2000000000", "Bolt3Count", 1.0f,
         [](const CTotemColourParams& c) {
             return static_cast<float>(dynamic_cast<const CBlueTotemParams&>(c).BoltEnds[2].size());
         }},
        {"White", "PaintDropSpeed=-5", "PaintDropSpeed", 800.0f,
         [](const CTotemColourParams& c) {
             return dynamic_cast<const CWhiteTotemParams&>(c).DropSpeed;
         }},
        {"White", "Strip1Count=0", "Strip1Count", 7.0f,
         [](const CTotemColourParams& c) {
             return static_cast<float>(
                 dynamic_cast<const CWhiteTotemParams&>(c).SegmentLengths[0].size());
         }},
        {"White", "Strip4Count=99999999", "Strip4Count", 8.0f,
         [](const CTotemColourParams& c) {
             return static_cast<float>(dynamic_cast<const CWhiteTotemParams&>(c).Strips[3].size());
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        CapturedLog log;
        const std::string section = row.section;
        const char* const sections[] = {"Green",  "Yellow", "Red",   "Blue",
                                        "Orange", "White",  "Violet"};
        const auto colour = static_cast<size_t>(
            std::find(std::begin(sections), std::end(sections), section) - std::begin(sections));
        Load("", "", "[" + section + "]\n" + row.line + "\n");
        EXPECT_FLOAT_EQ(row.read(*panel->ColourParams[colour]), row.want);
        EXPECT_NE(log.Text().find(std::string("[") + row.section + "] " + row.key + ":"),
                  std::string::npos)
            << log.Text();
    }
    // A multiplying flying sprite keeps its alpha and inverts its colour.
    Load("", "", "[Orange]\nFlyTwirlFilter=mul\nFlyTwirlColor=10 20 30 40\n");
    const auto& o = dynamic_cast<const COrangeTotemParams&>(*panel->ColourParams[4]);
    EXPECT_EQ(o.FlyTwirlFilter, 2);
    EXPECT_EQ(o.FlyTwirlColour, 0x28F5EBE1u);
}

TEST_F(TotemPanelTest, YellowScoresExactlyOncePerLaunchWithItsTiersPicture) {
    struct Row {
        int32_t tier;
        float dt;
        bool rearms;
        float u[2]; // left edge of the number picture at level 2 and 3
    };
    Load("", "",
         "[Yellow]\nNumberT0=0 0 8 8\nNumberT1=8 0 16 8\nNumberT2=16 0 24 8\n"
         "NumberT3=24 0 32 8\nNumberT4=32 0 40 8\nMainTextureSize=64 64\n");
    for (const Row& row :
         {Row{1, 0.03f, false, {0.0f, 0.0f}}, Row{2, 9.0f, false, {0.125f, 0.0f}},
          Row{3, 0.05f, true, {0.25f, 0.375f}}, Row{4, 9.0f, true, {0.375f, 0.5f}}}) {
        SCOPED_TRACE(row.tier);
        CTotemPanel& p = *panel;
        Launch(p, 1, row.tier);
        const CSharedPtr<CTotem> held = p.Places[1];
        auto* y = dynamic_cast<CYellowTotem*>(held.Get());
        ASSERT_NE(y, nullptr);
        for (int32_t level : {2, 3}) {
            if (level == 3) {
                if (!row.rearms)
                    break;
                ASSERT_EQ(y->State, CTotem::kRearmed);
                p.PushRequest(1);
                p.Update(0.0f);
            }
            // The first frame of the power shows the tier's number picture.
            p.Update(0.01f);
            ASSERT_FALSE(y->Number.IsNull());
            EXPECT_FLOAT_EQ(y->Number->Frames[0].U, row.u[level - 2]);
            int records = 0;
            CTotemAction got;
            for (int i = 0;
                 i < 400 && (y->State == CTotem::kRunning || y->State == CTotem::kRunningLevel3);
                 ++i) {
                p.Update(row.dt);
                records += CountKind(p, CTotemAction::kYellow, &got);
            }
            EXPECT_EQ(records, 1);
            EXPECT_EQ(got.column, row.tier);
            EXPECT_EQ(got.row, level);
            EXPECT_TRUE(y->Number.IsNull());
            EXPECT_EQ(y->State == CTotem::kRearmed, row.rearms && level == 2);
        }
    }
}

static bool Running(const CTotem& f) {
    return f.State == CTotem::kRunning || f.State == CTotem::kRunningLevel3;
}

TEST_F(TotemPanelTest, GreenHandsOverOnceAndEndsOnlyAfterTheFieldTakesItsGems) {
    Load("", "", SetsOf("Green", "UnigemFlyTime=0.5\nPauseTime=0.5\nChainTime=0.2\n"));
    CTotemPanel& p = *panel;
    Launch(p, 0, 3);
    const CSharedPtr<CTotem> held = p.Places[0];
    auto* g = dynamic_cast<CGreenTotem*>(held.Get());
    ASSERT_NE(g, nullptr);
    for (int32_t level : {2, 3}) {
        SCOPED_TRACE(level);
        if (level == 3) {
            p.PushRequest(0);
            p.Update(0.0f);
        }
        // Asked for targets every frame until they come; never over.
        CTotemAction got;
        for (int i = 0; i < 3; ++i) {
            p.Update(1.0f);
            ASSERT_EQ(CountKind(p, CTotemAction::kGreen, &got), 1);
            EXPECT_EQ(got.value, 0);
        }
        // A ray onto its own source point still has a direction; the gem
        // list is cut to the cells.
        const CVector3& s = g->Params.Points[2];
        const CVector3 source = g->Position + CVector3(s.X * g->Size[0], s.Y * g->Size[1], 0);
        std::vector<float> arrivals;
        p.SetGreenTarget({{source.X, source.Y}, {300.0f, 0.0f}}, {{10, 10}, {20, 20}}, {{4, 5}},
                         arrivals);
        ASSERT_EQ(arrivals.size(), 2u);
        EXPECT_FLOAT_EQ(arrivals[0], (g->Params.RayLen / g->Params.RaySpeed) +
                                         g->Params.PreRayTime - g->Params.RayInTermTime);
        ASSERT_EQ(g->Unigems.size(), 1u);
        EXPECT_EQ(g->Rays[0]->Direction.X, 1.0f);
        // The gems arrive once; the power waits for the field to take them.
        int arrived = 0;
        for (int i = 0; i < 40; ++i) {
            p.Update(0.1f);
            arrived += CountKind(p, CTotemAction::kGreen, &got);
        }
        EXPECT_EQ(arrived, 1);
        EXPECT_EQ(got.value, 1);
        EXPECT_TRUE(Running(*g));
        EXPECT_EQ(g->Unigems[0]->Position.X, 10.0f);
        EXPECT_EQ(g->ChainBroken, level == 3 ? 1 : 0);
        g->Unigems.clear();
        p.Update(0.1f);
        // Re-armed after level 2; after level 3 on its way home.
        EXPECT_EQ(g->State, level == 2 ? CTotem::kRearmed : CTotem::kMoving);
    }
    // The chain-less pictures go to the parts the figure has, not beyond.
    EXPECT_EQ(g->Parts().front()->Frames.size(), 8u);
}

TEST_F(TotemPanelTest, BlueAsksUntilAnsweredAndStrikesNeighboursByTier) {
    struct Row {
        int32_t tier;
        std::vector<std::pair<int32_t, int32_t>> struck; // in record order
        int32_t endState;                                // home it goes, or it stays armed
    };
    const Row rows[] = {
        {1, {{0, 0}, {3, 3}}, CTotem::kMoving},
        {3, {{0, 0}, {1, 0}, {0, 1}, {3, 3}, {2, 3}, {4, 3}, {3, 2}, {3, 4}}, CTotem::kRearmed},
        {7, {{0, 0}, {1, 0}, {0, 1}, {3, 3}, {2, 3}, {4, 3}, {3, 2}, {3, 4}}, CTotem::kRearmed}};
    Load("", "", SetsOf("Blue", "Bolt2Count=0\n"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tier);
        CTotemPanel& p = *panel;
        Launch(p, 3, row.tier);
        const CSharedPtr<CTotem> held = p.Places[3];
        auto* b = dynamic_cast<CBlueTotem*>(held.Get());
        ASSERT_NE(b, nullptr);
        // A frame past the bursts and the strike; then the request repeats.
        p.Update(1.0f);
        for (int i = 0; i < 3; ++i) {
            CTotemAction got;
            ASSERT_EQ(CountKind(p, CTotemAction::kBlue, &got), 1);
            EXPECT_EQ(got.value, 2);
            p.Update(0.02f);
        }
        // A target on the strike point itself arrives at once, without NaNs.
        float t[3];
        g_boardGrid.CellToScreen(t, 0, 0);
        const CVector3 strike = b->Position + CVector3(b->Params.Target.X * b->Size[0],
                                                       b->Params.Target.Y * b->Size[1], 0);
        p.SetBlueTarget({{strike.X, strike.Y}, {t[0], t[1]}}, {{0, 0}, {3, 3}, {6, 6}});
        std::vector<std::pair<int32_t, int32_t>> struck;
        for (int i = 0; i < 200 && Running(*b); ++i) {
            p.Update(0.02f);
            for (const CTotemAction& a : p.Actions)
                if (a.kind == CTotemAction::kBlue) {
                    EXPECT_EQ(a.value, 0);
                    EXPECT_EQ(a.spread, row.tier > 2 ? 1.0f : 0.0f);
                    struck.emplace_back(a.column, a.row);
                }
        }
        EXPECT_EQ(struck, row.struck);
        EXPECT_EQ(b->State, row.endState);
        EXPECT_EQ(b->Parts().back()->CurrentFrame, 0);
    }
    // Level 3 answered with nothing ends on its minimum time, and raises the
    // flag: rings appear, in the shop with the selected figure's picture.
    CTotemPanel& p = *panel;
    auto* b = dynamic_cast<CBlueTotem*>(p.Places[3].Get());
    p.PushRequest(3);
    p.Update(0.0f);
    p.Update(1.0f);
    EXPECT_EQ(p.BlueFlag, 1);
    p.SetBlueTarget({}, {});
    const int frames = Until([&] { return !Running(*b); }, 0.1f);
    EXPECT_NEAR(frames, (b->Params.PreTime + b->Params.StrikeTime + 1.2f - 1.0f) / 0.1f, 1.5f);
    EXPECT_FALSE(b->ShieldSprites.empty());
    CSharedPtr<CTotem> shop = p.CreateTotem(3, CTotem::kShopFigure, 2, 1);
    shop->Update(0.01f);
    auto* s = dynamic_cast<CBlueTotem*>(shop.Get());
    ASSERT_EQ(s->ShieldSprites.size(), 1u);
    EXPECT_FLOAT_EQ(s->ShieldSprites[0]->Frames[0].U, s->Params.ShieldRect[0]);
    p.SetBlueFlag(0);
    EXPECT_TRUE(s->ShieldSprites.empty());
}

TEST_F(TotemPanelTest, WhitePaintsOneColourPerLaunchAndMarksItsEnd) {
    Load("", "",
         SetsOf("White", "Main3SpritesCount=2\nMain3Sprite0=0 0 0 64 64\nMain3SpriteT0=0 0 8 8\n"
                         "Main3Sprite1=0 0 0 64 64\nMain3SpriteT1=0 0 8 8\n"
                         "Main3SpriteZOrder1=-3\nPaintDropSpeed=2000\n"));
    for (int32_t tier : {2, 3}) {
        SCOPED_TRACE(tier);
        CTotemPanel& p = *panel;
        Launch(p, 5, tier);
        const CSharedPtr<CTotem> held = p.Places[5];
        auto* w = dynamic_cast<CWhiteTotem*>(held.Get());
        ASSERT_NE(w, nullptr);
        CTotemAction got;
        for (int i = 0; i < 2; ++i) {
            p.Update(0.05f);
            ASSERT_EQ(CountKind(p, CTotemAction::kWhite, &got), 1);
            EXPECT_EQ(got.value, CLevelRules::TotemPanelValue(tier, 2));
        }
        float t[3];
        std::vector<CTotemPoint> points;
        std::vector<CTotemCell> cells;
        for (int32_t c = 0; c < 4; ++c) {
            g_boardGrid.CellToScreen(t, c, 7 - 2 * c);
            points.push_back({t[0], t[1]});
            cells.push_back({c, 7 - 2 * c});
        }
        cells.pop_back();
        p.SetWhiteTarget(points, cells);
        // The drops add their light; the fountains and the launch burst puff
        // at shares of the figure's width and rise by their lift alone.
        ASSERT_FALSE(w->FlyingDrops.empty() || w->ReadySmokes.empty());
        EXPECT_EQ(w->FlyingDrops[0]->Blobs[0]->DestBlend, gpu::Blend::One);
        const float width = w->Size[0];
        const auto* fountain = dynamic_cast<const CSmokesParticleSystem*>(w->ReadySmokes[0].Get());
        const CSmokesParticleSystem* burst = nullptr; // the last smoke added
        for (const auto& system : particles->BlendedSystems())
            if (const auto* smoke = dynamic_cast<const CSmokesParticleSystem*>(system.Get());
                smoke && (!burst || smoke->Serial > burst->Serial))
                burst = smoke;
        ASSERT_TRUE(fountain && burst);
        for (const auto& [smoke, size, lift] :
             {std::tuple{fountain, 0.03f, 0.04f}, std::tuple{burst, 0.075f, 0.4f}}) {
            EXPECT_FLOAT_EQ(smoke->Size, size * width);
            EXPECT_FLOAT_EQ(smoke->Lift, lift * width);
            EXPECT_FLOAT_EQ(smoke->Speed, 0.1f);
        }
        std::set<int32_t> colours, landed;
        int ends = 0, frames = 0, firstEnd = -1;
        for (; frames < 100 && (ends == 0 || frames < 60); ++frames) {
            p.Update(0.05f);
            for (const CTotemAction& a : p.Actions) {
                if (a.kind != CTotemAction::kWhite)
                    continue;
                ASSERT_LE(a.value, 0);
                ends += a.value < 0 ? 1 : 0;
                firstEnd = firstEnd < 0 && a.value < 0 ? frames : firstEnd;
                if (a.value == 0) {
                    colours.insert(a.value2);
                    landed.insert(a.column);
                    EXPECT_EQ(ends, 0);
                }
            }
            EXPECT_GE(w->StreamOffset, 0.0f);
            EXPECT_LT(w->StreamOffset, 1.0f);
        }
        EXPECT_EQ(landed, (std::set<int32_t>{0, 1, 2}));
        EXPECT_EQ(colours.size(), 1u);
        // Once home after tier 2; every frame while re-armed after tier 3.
        EXPECT_EQ(ends, tier == 2 ? 1 : frames - firstEnd);
        EXPECT_EQ(w->State == CTotem::kRearmed, tier == 3);
    }
    // The picture parts stack by their entries; the stream sits below them.
    const auto* w = dynamic_cast<const CWhiteTotem*>(panel->Places[5].Get());
    const auto& parts = w->Parts();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[2]->Key - parts[1]->Key, -3);
    ASSERT_FALSE(w->StreamSprites.empty());
    EXPECT_EQ(w->StreamSprites[0]->Key, w->ZOrder - 2);
}
