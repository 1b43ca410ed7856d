// The shop between two quest levels, as a player meets it: a won level opens
// it, a Golden Star buys the red totem (Buy with an empty bank is refused, Sell
// gives the star back), the caption over the bank counts the stars held all
// along, the totem stands on the panel in the next level, and nothing the
// shop showed stays behind on the map. Standing still, the level, the shop
// and the map redraw only what moves on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "app/flow/ScriptedPlayer.h"
#include "bonuses/BonusDrawn.h"
#include "bonuses/BonusManager.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/Texture.h"
#include "platform/gpu/FrameProbe.h"
#include "playerdata/ProfileSettings.h"
#include "playerdata/QuestState.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "screens/ShopStar.h"
#include "totems/Totem.h"
#include "ui/UxForm.h"

using namespace flowtest;

namespace {

// A second of frames drawn 1/60 s apart with nothing clicked (after a few to
// settle): the share of the
// window redrawn (by damage on our rasteriser; GL draws whole and counts none).
// The backdrops' and the shop's slow drifts step four times a second, the
// rest stands or moves in a corner, and a picture over the window hides what
// moves under it.
double StandingRedraw(CGame& g) {
    gpu::FrameProbe& probe = *g.Renderer->Probe();
    const char* damage = std::getenv("GLORVANE_DAMAGE");
    if (damage && std::strcmp(damage, "0") == 0)
        return 0;
    constexpr int kFrames = 60;
    const auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) {
            g.Update(1.0f / kFrames);
            g.Render();
        }
    };
    // What the last click started settles first, and the frames that changed
    // everywhere (the flow draws only now and then) are over.
    for (int i = 0; i < 90; ++i)
        g.Update(1.0f / 30);
    frames(kFrames / 2 + 10);
    const uint64_t before = probe.DamagedPixels();
    frames(kFrames);
    return static_cast<double>(probe.DamagedPixels() - before) /
           (kFrames * static_cast<double>(probe.BackBufferWidth()) * probe.BackBufferHeight());
}

// The live particles of one of the game's particle layers.
int32_t LiveParticles(CGame& g, size_t layer) {
    int32_t n = 0;
    for (const auto* list :
         {&g.Particles[layer]->BlendedSystems(), &g.Particles[layer]->AlphaTestedSystems()})
        for (const CSharedPtr<CParticleSystem>& p : *list)
            n += p->LiveCount;
    return n;
}

// The pixels inside the window's box (its rim aside) that change when the
// top particle layer is not drawn.
int32_t TopParticlesOver(FlowHarness& h, const CUxWindow& w) {
    CRenderer& r = *h.Game().Renderer;
    const FlowHarness::Picture with = h.Drawn();
    r.SetSkippedLayers(1u << (CRenderer::kLayerParticles0 + CGame::kParticleManagers - 1));
    const FlowHarness::Picture without = h.Drawn();
    r.SetSkippedLayers(0);
    const FlowHarness::PixelBox b =
        h.PixelsOf(w.Position.X, w.Position.Y, w.Width - 16.0f, w.Height - 16.0f);
    int32_t changed = 0;
    for (int row = b.row0; row <= b.row1; ++row)
        for (int col = b.col0; col <= b.col1; ++col)
            changed += with.At(col, row) != without.At(col, row) ? 1 : 0;
    return changed;
}

} // namespace

TEST(ShopFlow, AWonLevelBuysARedTotemThatStandsInTheNextLevel) {
    FlowHarness h(11);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    EXPECT_LT(StandingRedraw(g), 0.1) << "level 1";
    constexpr int32_t kRedItem = 5, kRedColour = 2;
    // The caption over the bank: how many stars the player holds.
    const auto countShown = [&] {
        return CScreensManager::WindowText(s.ShopStarCount) ==
               FormatText(GetString(CShopScreen::kTxtStars), {g.GoldenStars()});
    };

    // Level 3 won: its star pays for the red totem, on sale from level 4.
    ASSERT_TRUE(h.WinIntoShop(3));
    EXPECT_EQ(g.GoldenStars(), 1);
    EXPECT_TRUE(countShown()) << CScreensManager::WindowText(s.ShopStarCount);
    ASSERT_FALSE(s.ShopStarCount.IsNull());
    const CUxWindow& count = *s.ShopStarCount;
    EXPECT_TRUE(h.SeenAt(FlowHarness::DrawFlagsOf(*s.ShopStarCount), count.Position.X,
                         count.Position.Y, count.Width, count.Height))
        << "the count of stars is hidden";
    EXPECT_EQ(g.SubState, kSubShop);
    EXPECT_EQ(g.Shop->upgrades.offered[kRedItem], 1) << "the offers of level 4 are revealed";
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 0);
    // The shop's tip came with them: its pointer is on a "+" that sells.
    ASSERT_EQ(g.TipOpen, kTipShown);
    int32_t onSale = 0;
    for (int32_t i = 0; i < CShopScreen::kItems; ++i)
        if (auto c = s.ShopForm->FindChild(CShopScreen::kIdFirstBuy + i);
            !c.IsNull() && c->Visible && CShopScreen::Hit(c, s.TutorialX, s.TutorialY))
            onSale += c->Enabled ? 1 : -1;
    EXPECT_EQ(onSale, 1);
    EXPECT_LT(StandingRedraw(g), 0.4) << "the shop";

    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + kRedItem));
    EXPECT_EQ(g.GoldenStars(), 0) << "the star left the bank";
    EXPECT_TRUE(countShown()) << CScreensManager::WindowText(s.ShopStarCount);
    ASSERT_TRUE(h.RunUntil([&] { return g.Shop->upgrades.tier[kRedItem] == 1; }, 3.0f));
    EXPECT_EQ(g.Field->Totems.Tiers[kRedColour], 1);

    // With the bank empty, Buy on another item on sale says so and moves nothing.
    int32_t other = -1;
    for (int32_t i = 0; i < CShopScreen::kItems && other < 0; ++i)
        if (i != kRedItem && g.Shop->upgrades.tier[i] >= 0 &&
            g.Shop->upgrades.tier[i] < g.Shop->upgrades.offered[i])
            other = i;
    ASSERT_GE(other, 0);
    const int32_t otherTier = g.Shop->upgrades.tier[other];
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + other));
    ASSERT_TRUE(h.WaitForForm(s.MsgBoxForm));
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 200) && h.WaitForForm(s.ShopForm));
    EXPECT_EQ(g.Shop->upgrades.tier[other], otherTier);
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 1);

    // Sell takes the red totem back at once and its star home; Buy again.
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstSell + kRedItem));
    EXPECT_EQ(g.Shop->upgrades.tier[kRedItem], 0) << "sold";
    ASSERT_TRUE(h.RunUntil([&] { return g.GoldenStars() == 1; }, 3.0f));
    EXPECT_TRUE(countShown()) << "back in the bank: "
                              << CScreensManager::WindowText(s.ShopStarCount);
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdFirstBuy + kRedItem));
    ASSERT_TRUE(h.RunUntil([&] { return g.Shop->upgrades.tier[kRedItem] == 1; }, 3.0f));
    EXPECT_TRUE(countShown()) << CScreensManager::WindowText(s.ShopStarCount);

    // No star left: "done" leaves at once, and the map leads to level 4.
    std::vector<CSharedPtr<CBonus>> previews;
    for (const CSharedPtr<CBonus>& b : g.Shop->bonusPreviews)
        if (!b.IsNull())
            previews.push_back(b);
    EXPECT_EQ(previews.size(), 2u) << "the TNT and Solidarity bonuses are owned from level 3 on";
    EXPECT_FALSE(g.Field->Totems.Active.empty()) << "the red totem's figure";
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdDone));
    EXPECT_EQ(g.Quest->Upgrades[kRedItem], 1) << "the record took the purchase";
    // What leaving started ends on the map: nothing of the shop stays over it.
    h.Frames(static_cast<int>(2.0f / FlowHarness::kDt));
    ASSERT_EQ(g.Mode, kModeMenu);
    EXPECT_LT(StandingRedraw(g), 0.05) << "the map";
    const std::vector<CSharedPtr<CBonus>>& listed = g.Field->Bonuses->Bonuses;
    for (const CSharedPtr<CBonus>& b : previews)
        EXPECT_EQ(std::count(listed.begin(), listed.end(), b), 0) << "a bonus preview stayed";
    EXPECT_TRUE(g.Field->Totems.Active.empty()) << "a totem figure stayed";
    ASSERT_TRUE(h.PlayOnFromMap());
    EXPECT_EQ(g.Level, 4);
    EXPECT_FALSE(g.Shop->IsOpen());
    EXPECT_TRUE(g.Shop->stars.empty());
    EXPECT_EQ(g.Field->Totems.Tiers[kRedColour], 1);
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    EXPECT_FALSE(g.Field->Totems.Places[kRedColour].IsNull()) << "the red totem stands ready";
    EXPECT_EQ(g.Field->Totems.CountOwnedTotems(), 1);
    // The shop's tip and, in the first level with a totem, its pages were
    // read; then the level's board comes back.
    const auto seen = [&](int32_t tip) {
        return g.Profile->Switch(CProfileSettings::kFirstTipSwitch + tip - 1) == 1;
    };
    EXPECT_TRUE(seen(10));
    ASSERT_TRUE(h.RunUntil([&] { return seen(7) && ScriptedPlayer(h).BoardReady(); }, 10.0f));
}

// "Done" with a star still to spend asks first; under the question the
// shop stays as it was, only shaded: the bonuses owned, the totem bought and
// the bank's star are still there, and still there after "No".
TEST(ShopFlow, TheShopStaysUnderItsQuestion) {
    FlowHarness h(13);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    constexpr int32_t kRedItem = 5;
    ASSERT_TRUE(h.WinIntoShop(3));
    g.Shop->upgrades.tier[kRedItem] = 1;
    g.Shop->SetItemTier(kRedItem, 1, 0);
    h.Frames(static_cast<int>(1.0f / FlowHarness::kDt));
    // Each picture's draw flags and where it stands, as they are now (a
    // bonus makes and drops sprites as it plays).
    struct Shown {
        const char* what;
        std::vector<int32_t*> flags;
        float x, y, size;
    };
    const auto pictures = [&] {
        std::vector<Shown> all;
        for (size_t slot = 0; slot < g.Shop->bonusPreviews.size(); ++slot)
            if (auto* preview = dynamic_cast<CBonusDrawn*>(g.Shop->bonusPreviews[slot].Get())) {
                const CUxWindow& bed =
                    *s.ShopItemList200[static_cast<size_t>(CUpgradeState::kFirstBonusItem) + slot];
                Shown p{"a bonus", {}, bed.Position.X, bed.Position.Y, bed.Height - 12.0f};
                for (const CSharedPtr<CSpriteQuad>& q : preview->Layers.Current.Sprites->GetDrawn())
                    p.flags.push_back(&q->Shown);
                all.push_back(p);
            }
        for (const CSharedPtr<CTotem>& totem : g.Field->Totems.Active) {
            Shown p{"a totem", {}, 0.0f, 0.0f, 8.0f};
            for (const CSharedPtr<CSpriteQuad>& q : totem->Parts()) {
                p.flags.push_back(&q->Shown);
                p.x = q->Position.X;
                p.y = q->Position.Y;
            }
            all.push_back(p);
        }
        for (const CSharedPtr<CShopStar>& star : g.Shop->stars)
            if (star->state == CShopStar::kInBank && !star->sprite.IsNull())
                all.push_back({"the bank's star", {&star->sprite->Shown}, star->x, star->y, 8.0f});
        return all;
    };
    const auto allSeen = [&](const char* when) {
        const std::vector<Shown> all = pictures();
        EXPECT_GE(all.size(), 4u) << "two bonuses, a totem and a star " << when;
        for (const Shown& p : all)
            EXPECT_TRUE(h.SeenAt(p.flags, p.x, p.y, p.size, p.size)) << p.what << " is gone " << when;
    };
    allSeen("in the shop");
    ASSERT_TRUE(h.ClickControl(s.ShopForm, CShopScreen::kIdDone) && h.WaitForForm(s.MsgBoxForm));
    allSeen("under the question");
    ASSERT_TRUE(h.ClickControl(s.MsgBoxForm, 203) && h.WaitForForm(s.ShopForm));
    allSeen("after no");
}

// A player who already owns every tier the shop offers: no "+" sells, and the
// shop's tip points at the Golden Stars instead.
TEST(ShopFlow, WithNothingOnSaleTheTipPointsAtTheGoldenStars) {
    FlowHarness h(11);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    ASSERT_TRUE(h.RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f));
    CUpgradeState owned = g.Shop->upgrades;
    owned.SetOfferedTiers(4);
    for (int32_t i = 0; i < CShopScreen::kItems; ++i)
        g.Quest->Upgrades[size_t(i)] = g.Shop->upgrades.tier[size_t(i)] =
            owned.offered[size_t(i)];

    ASSERT_TRUE(h.WinIntoShop(3));
    ASSERT_EQ(g.TipOpen, kTipShown);
    for (int32_t i = 0; i < CShopScreen::kItems; ++i) {
        const auto buy = s.ShopForm->FindChild(CShopScreen::kIdFirstBuy + i);
        EXPECT_FALSE(!buy.IsNull() && buy->Visible && buy->Enabled) << "item " << i << " sells";
    }
    const CVector3 bank = g.Shop->BankSlot(0);
    EXPECT_FLOAT_EQ(s.TutorialX, bank.X);
    EXPECT_FLOAT_EQ(s.TutorialY, bank.Y);
    ASSERT_FALSE(s.TutorialGroups[4].Windows.empty());
    EXPECT_TRUE(s.TutorialGroups[4].Windows.front()->Visible) << "the pointer shows";
}

// A bonus not yet on sale shows its own picture, locked; every bonus the shop
// shows, at every tier, stands on the floor of its bed: inside the bed's
// picture less the gold rim the art paints around the floor, and in front of
// it, seen.
TEST(ShopFlow, EveryBonusPreviewStandsInsideItsBed) {
    FlowHarness h(11);
    START_GAME(h);
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    constexpr float kRim = 5.0f; // the rim and its margin, in pixels of the page
    // Mean difference of light (0 to 255) a locked picture makes on its bed.
    constexpr float kLockedContrast = 4.5f;
    ASSERT_TRUE(h.WinIntoShop(1));

    // Those not yet on sale show, each in its bed, a picture of its own.
    std::set<std::vector<std::tuple<const CTexture*, float, float>>> looks;
    int32_t locked = 0;
    for (int32_t slot = 0; slot < CUpgradeState::kBonusItems; ++slot) {
        if (g.Shop->upgrades.tier[static_cast<size_t>(CUpgradeState::kFirstBonusItem + slot)] >= 0)
            continue;
        ++locked;
        std::vector<std::tuple<const CTexture*, float, float>> look;
        std::vector<int32_t*> drawn;
        for (const CSharedPtr<CUxWindow>& w : s.ShopGroups60[static_cast<size_t>(slot)].Windows)
            if (w->Visible)
                for (const CSharedPtr<CSpriteQuad>& q : w->Pictures) {
                    look.emplace_back(q->Texture.Get(), q->Frames[0].U, q->Frames[0].V);
                    drawn.push_back(&q->Shown);
                }
        EXPECT_TRUE(looks.insert(look).second) << "bonus " << slot << " looks like another";
        const CUxWindow& bed =
            *s.ShopItemList200[static_cast<size_t>(CUpgradeState::kFirstBonusItem + slot)];
        EXPECT_TRUE(h.SeenAt(drawn, bed.Position.X, bed.Position.Y, 8.0f, 8.0f))
            << "bonus " << slot << " shows nothing";
        // Readable: over the picture's square, its light (the chain left on)
        // differs from the bare bed's by a clear margin on average.
        std::vector<int32_t*> art;
        const CUxWindow& picture = *s.ShopGroups60[static_cast<size_t>(slot)].Windows.front();
        for (const CSharedPtr<CSpriteQuad>& q : picture.Pictures)
            art.push_back(&q->Shown);
        const FlowHarness::Picture shown = h.Drawn(), bare = h.Drawn(art);
        const FlowHarness::PixelBox b = h.PixelsOf(bed.Position.X, bed.Position.Y, 60.0f, 60.0f);
        const auto light = [](uint32_t argb) {
            return 0.3f * float((argb >> 16) & 0xFFu) + 0.59f * float((argb >> 8) & 0xFFu) +
                   0.11f * float(argb & 0xFFu);
        };
        float sum = 0.0f;
        int pixels = 0;
        for (int row = b.row0; row <= b.row1 && !shown.argb.empty(); ++row)
            for (int col = b.col0; col <= b.col1; ++col, ++pixels)
                sum += std::fabs(light(shown.At(col, row)) - light(bare.At(col, row)));
        EXPECT_TRUE(pixels == 0 || sum / float(pixels) > kLockedContrast)
            << "bonus " << slot << " is too faint to read: " << sum / float(pixels);
    }
    EXPECT_GE(locked, 2);

    for (int32_t tier = 0; tier < 3; ++tier) {
        for (int32_t slot = 0; slot < CUpgradeState::kBonusItems; ++slot)
            g.Shop->SetItemTier(CUpgradeState::kFirstBonusItem + slot, tier, 0);
        h.Frames(static_cast<int>(1.0f / FlowHarness::kDt));
        for (int32_t slot = 0; slot < CUpgradeState::kBonusItems; ++slot) {
            const int32_t item = CUpgradeState::kFirstBonusItem + slot;
            auto* preview = dynamic_cast<CBonusDrawn*>(g.Shop->bonusPreviews[slot].Get());
            ASSERT_NE(preview, nullptr) << "bonus " << slot << " tier " << tier;
            ASSERT_FALSE(preview->Layers.Current.Sprites.IsNull());
            const CUxWindow& bed = *s.ShopItemList200[static_cast<size_t>(item)];
            // Half the floor's width and height: the bed less its rim.
            const float fw = bed.Width / 2 - kRim, fh = bed.Height / 2 - kRim;
            int32_t inBed = 0;
            std::vector<int32_t*> drawn;
            for (const CSharedPtr<CSpriteQuad>& q : preview->Layers.Current.Sprites->GetDrawn()) {
                drawn.push_back(&q->Shown);
                const float dx = std::fabs(q->Position.X - bed.Position.X),
                            dy = std::fabs(q->Position.Y - bed.Position.Y);
                if (q->Alpha <= 0.0f || dx > bed.Width / 2 || dy > bed.Height / 2)
                    continue;
                ++inBed;
                const float c = std::fabs(std::cos(q->Angle)), n = std::fabs(std::sin(q->Angle));
                EXPECT_TRUE(dx + (c * q->Width + n * q->Height) / 2 <= fw &&
                            dy + (n * q->Width + c * q->Height) / 2 <= fh)
                    << "bonus " << slot << " tier " << tier << ": a " << q->Width << " x "
                    << q->Height << " picture leaves the bed's floor";
            }
            EXPECT_GT(inBed, 0) << "bonus " << slot << " shows nothing in its bed";
            EXPECT_TRUE(h.SeenAt(drawn, bed.Position.X, bed.Position.Y, 2 * fw, 2 * fh))
                << "bonus " << slot << " tier " << tier << " is hidden";
        }
    }
}

// Leaving as soon as the new offers show, or after a look at them: the
// question shades the covers' pieces still falling and puts out the light of
// "Done" under the pointer; the offers' pictures still fading in or out, the
// sand box's dust and the pieces go with the page, none lies over the map.
TEST(ShopFlow, LeavingAtOnceTakesTheFadingOffersAndTheDustAlong) {
    for (const bool look : {false, true}) {
        SCOPED_TRACE(look ? "after a look" : "at once");
        FlowHarness h(11);
        START_GAME(h);
        CGame& g = h.Game();
        ASSERT_TRUE(h.WinIntoShop(3));
        ASSERT_EQ(g.Shop->upgrades.tier[5], 0) << "the red totem, newly on sale, fades in";
        if (look)
            h.Frames(static_cast<int>((CShopScreen::kSlowTime + 0.5f) / FlowHarness::kDt));
        const CSharedPtr<CUxWindow> done = g.Screens->ShopForm->FindChild(CShopScreen::kIdDone);
        ASSERT_FALSE(done.IsNull());
        h.MoveTo(done->Position.X, done->Position.Y);
        h.Frames(1);
        ASSERT_NE(done->Pictures[0]->CurrentFrame, 0) << "\"Done\" lights under the pointer";
        ASSERT_TRUE(h.ClickControl(g.Screens->ShopForm, CShopScreen::kIdDone));
        // Under the question, with the pointer still on "Done": its light is
        // out, and the covers' pieces still falling are shaded with the shop.
        ASSERT_TRUE(h.WaitForForm(g.Screens->MsgBoxForm));
        h.Frames(1);
        EXPECT_EQ(done->Pictures[0]->CurrentFrame, 0) << "\"Done\" lit under the question";
        if (!look) {
            ASSERT_TRUE(h.RunUntil([&] { return LiveParticles(g, 5) > 0; }, 4.0f))
                << "the new offers' covers crumble";
        }
        int32_t over = 0;
        for (int i = 0; i < 8; ++i, h.Frames(3))
            over += TopParticlesOver(h, *g.Screens->MsgBoxForm);
        EXPECT_EQ(over, 0) << "pixels of the covers' pieces drawn over the question";
        ASSERT_TRUE(h.ClickControl(g.Screens->MsgBoxForm, 202)) << "leave with the star unspent";
        ASSERT_TRUE(h.RunUntil([&] { return !g.Shop->IsOpen(); }, 2.0f));
        h.Frames(2);
        // (The slots' pulses, a look's own, fade out with their short life.)
        if (!look)
            EXPECT_EQ(g.SpriteLayers[2]->GetDrawn().size(), 0u) << "the shop's layer draws on";
        for (const size_t shop : {4u, 5u})
            EXPECT_EQ(LiveParticles(g, shop), 0)
                << "the shop's particles (layer " << shop << ") hang over the map";
    }
}
