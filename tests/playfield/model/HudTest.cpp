// The pieces around the board: gem bar targets, board shake, score popups and
// their styles, the selector and the quest field layout.
#include <cmath>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "playfield/BoardShake.h"
#include "playfield/CapSlot.h"
#include "playfield/ComboStyles.h"
#include "playfield/GemsBar.h"
#include "playfield/PopupList.h"
#include "playfield/QuestFieldLayout.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

using testsupport::TempDir;

namespace {

CSharedPtr<CSpriteLayer> NewSpriteLayer() {
    return CSharedPtr<CSpriteLayer>(new CSpriteLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}

} // namespace

// ---- Gem bar ----

TEST(GemsBar, TargetsAreTheNextFreeSlotsOfTheColour) {
    CGemsBar bar;
    bar.Place(100.0f, 200.0f, 50.0f);
    float p[3];
    bar.GemTarget(p, 0, 1);
    EXPECT_FLOAT_EQ(p[0], 100.0f - 300.0f);
    EXPECT_FLOAT_EQ(p[1], 200.0f - 72.0f);
    EXPECT_FLOAT_EQ(p[2], 49.0f);
    bar.GemTarget(p, 2, 3);  // third gem of colour 2 on its way: slot 2 of column 2
    EXPECT_FLOAT_EQ(p[0], 100.0f - 300.0f - 2.0f * 16.0f);
    EXPECT_FLOAT_EQ(p[1], 200.0f - 72.0f - 2.0f * 84.0f);

    bar.AddGem(2);
    bar.AddGem(2);
    EXPECT_EQ(bar.Collected(2), 2);
    float after[3];
    bar.GemTarget(after, 2, 1);  // two collected: the next lands in slot 2
    EXPECT_FLOAT_EQ(after[0], p[0]);
    EXPECT_FLOAT_EQ(after[1], p[1]);

    // Out-of-range colours and ordinals stay on the bar; collecting them is ignored.
    bar.GemTarget(p, 9, 0);
    EXPECT_FLOAT_EQ(p[1], 200.0f - 72.0f - 6.0f * 84.0f);
    EXPECT_FLOAT_EQ(p[0], 100.0f - 300.0f);
    bar.AddGem(-1);
    bar.AddGem(7);
    EXPECT_EQ(bar.TotalCollected(), 2);
    EXPECT_EQ(bar.Collected(9), 0);

    bar.Reset();
    EXPECT_EQ(bar.TotalCollected(), 0);
}

TEST(GemsBar, LayoutKeysAndShownGems) {
    TempDir dir;
    const std::string skin = dir.Write("Skin.cfg",
                                       "[GemsBar]\nFirstSlot=10 20\nColumnStep=5 0\n"
                                       "SlotStep=0 -10\nDepth=2\nGemSize=20\n");
    CGemsBar bar;
    bar.LoadLayout(skin);
    bar.Place(1.0f, 2.0f, 3.0f);
    float p[3];
    bar.GemTarget(p, 1, 2);
    EXPECT_FLOAT_EQ(p[0], 1.0f + 10.0f + 5.0f);
    EXPECT_FLOAT_EQ(p[1], 2.0f + 20.0f - 10.0f);
    EXPECT_FLOAT_EQ(p[2], 5.0f);

    CSharedPtr<CSpriteLayer> layer = NewSpriteLayer();
    bar.AddGem(1);  // collected before a display exists: shown once it does
    bar.SetDisplay(layer, CSharedPtr<CTexture>());
    bar.AddGem(1);
    EXPECT_EQ(layer->GetDrawn().size() + layer->GetParked().size(), 2u);
    bar.Start(1, 2.0f);
    bar.Update(0.25f);
    EXPECT_FLOAT_EQ(bar.Fade.Level, 0.5f);
    const CSharedPtr<CSpriteQuad>& second = layer->GetDrawn().back();
    EXPECT_FLOAT_EQ(second->Width, 20.0f);
    bar.Place(0.0f, 0.0f, 0.0f);  // the gems follow the bar
    bool found = false;
    for (const auto& s : layer->GetDrawn())
        found |= std::fabs(s->Position.Y - (20.0f - 10.0f)) < 1e-4f;
    EXPECT_TRUE(found);
    bar.Reset();
    EXPECT_EQ(layer->GetDrawn().size() + layer->GetParked().size(), 0u);
}

TEST(GemsBar, AFullGrooveTakesMoreGemsWithinItsLength) {
    // Nine slots of 20 from x = 0: thirty gems of a colour, landed or on
    // their way, stay between the first slot and the ninth.
    CGemsBar bar;
    CSharedPtr<CSpriteLayer> layer = NewSpriteLayer();
    bar.SetDisplay(layer, CSharedPtr<CTexture>());
    bar.FirstSlot[0] = bar.FirstSlot[1] = 0.0f;
    bar.SlotStep[0] = 20.0f;
    for (int32_t n = 0; n < 30; ++n)
        bar.AddGem(3);
    float p[3];
    bar.GemTarget(p, 3, 1);
    EXPECT_FLOAT_EQ(p[0], 160.0f);
    ASSERT_EQ(layer->GetDrawn().size() + layer->GetParked().size(), 30u);
    for (const auto* list : {&layer->GetDrawn(), &layer->GetParked()})
        for (const auto& s : *list)
            EXPECT_TRUE(s->Position.X >= 0.0f && s->Position.X <= 160.0f) << s->Position.X;
}

// ---- Board shake ----

TEST(BoardShake, AddsUpToTheMaximumDecaysAndComesToRest) {
    CBoardShake shake;
    EXPECT_EQ(shake.Update(0.1f), 0) << "at rest nothing moves";
    shake.Add(2.5f);
    EXPECT_EQ(shake.Active, 1);
    EXPECT_FLOAT_EQ(shake.Amount, 2.5f);
    shake.Add(3.25f);
    shake.Add(3.25f);
    shake.Add(3.25f);
    EXPECT_FLOAT_EQ(shake.Amount, CBoardShake::kMaximum);

    float last = shake.Amount;
    int frames = 0;
    while (shake.Active && frames < 1000) {
        EXPECT_EQ(shake.Update(1.0f / 60.0f), 1);
        float off[3];
        shake.Offset(off);
        EXPECT_LE(std::fabs(off[0]), last + 1e-4f);
        EXPECT_LE(std::fabs(off[1]), last + 1e-4f);
        EXPECT_FLOAT_EQ(off[2], 0.0f);
        EXPECT_LE(shake.Amount, last);
        last = shake.Amount;
        ++frames;
    }
    EXPECT_LT(frames, 120) << "a full shake settles within two seconds";
    EXPECT_EQ(shake.Active, 0);
    EXPECT_FLOAT_EQ(shake.OffsetX(), 0.0f);
    EXPECT_FLOAT_EQ(shake.OffsetY(), 0.0f);
    EXPECT_EQ(shake.Update(1.0f / 60.0f), 0);
}

TEST(BoardShake, StartAndClear) {
    CBoardShake shake;
    shake.Start(8.0f);
    EXPECT_EQ(shake.Active, 1);
    EXPECT_FLOAT_EQ(shake.Amount, 8.0f);
    shake.Update(0.01f);
    EXPECT_NE(shake.OffsetX() * shake.OffsetX() + shake.OffsetY() * shake.OffsetY(), 0.0f);
    shake.Start(50.0f);
    EXPECT_FLOAT_EQ(shake.Amount, CBoardShake::kMaximum);
    shake.Clear();
    EXPECT_EQ(shake.Active, 0);
    EXPECT_FLOAT_EQ(shake.Amount, 0.0f);
    EXPECT_FLOAT_EQ(shake.OffsetX(), 0.0f);
}

// ---- Popups ----

TEST(PopupList, NumbersRiseFadeAndExpire) {
    CComboStyles styles;
    CPopupList popups;
    popups.SetStyles(&styles);
    CSharedPtr<CPopup> p;
    popups.SpawnNumberPopup(p, 350, 2, 10.0f, 20.0f, styles.Depth);
    ASSERT_FALSE(p.IsNull());
    EXPECT_EQ(p->Text, "350");
    EXPECT_EQ(p->Style, 2);
    EXPECT_FLOAT_EQ(p->Position.Z, -20.0f);
    const float life = p->Lifetime;
    popups.Update(0.25f * life);
    EXPECT_GT(p->Position.Y, 20.0f);
    EXPECT_FLOAT_EQ(p->Alpha, 1.0f);
    popups.Update(0.5f * life);
    EXPECT_NEAR(p->Alpha, 0.5f, 1e-4f);
    popups.Update(0.3f * life);
    EXPECT_EQ(popups.Count(), 0u);
}

TEST(PopupList, StylesAreClampedToTheTable) {
    CComboStyles styles;
    CPopupList popups;
    popups.SetStyles(&styles);
    CSharedPtr<CPopup> low, high;
    popups.SpawnNumberPopup(low, 50, -1, 0, 0, 0);  // a single-cell removal
    popups.SpawnNumberPopup(high, 9000, 40, 0, 0, 0);
    EXPECT_EQ(low->Style, 0);
    EXPECT_EQ(high->Style, static_cast<int32_t>(styles.Styles.size()) - 1);
    EXPECT_EQ(low->Colour, styles.Styles.front().Colour);
    EXPECT_EQ(high->Colour, styles.Styles.back().Colour);
    EXPECT_EQ(&styles.StyleAt(-5), &styles.Styles.front());
}

TEST(PopupList, MultiplierPopupLabelsItsScoreBonuses) {
    CPopupList popups;
    CSharedPtr<CPopup> p;
    popups.SpawnMultiplierPopup(p, 300, 15, {{1.0f, 2.0f, 3.0f, 3}, {4.0f, 5.0f, 6.0f, 5}}, 7.0f,
                                8.0f, 9.0f);
    EXPECT_EQ(p->Text, "300 x 15");
    ASSERT_EQ(popups.Count(), 3u);
    EXPECT_EQ(popups.GetPopups()[1]->Text, "x3");
    EXPECT_FLOAT_EQ(popups.GetPopups()[2]->Position.X, 4.0f);
    popups.Clear();
    EXPECT_EQ(popups.Count(), 0u);
}

TEST(PopupList, DrawnPopupsLiveInTheTextLayer) {
    CSharedPtr<CTextLayer> layer(new CTextLayer(CSharedPtr<CRenderDevice>(),
                                                CSharedPtr<CVertexBuffer>(),
                                                CSharedPtr<CIndexBuffer>()));
    CSharedPtr<CBitmapFont> font(new CBitmapFont(CSharedPtr<CTexture>()));
    CComboStyles styles;
    {
        CPopupList popups;
        popups.SetStyles(&styles);
        popups.SetDisplay(layer, font, 3);
        CSharedPtr<CPopup> p;
        popups.SpawnNumberPopup(p, 100, 0, 5.0f, 6.0f, 7.0f);
        ASSERT_EQ(layer->Count(), 1u);
        ASSERT_FALSE(p->Sprite.IsNull());
        EXPECT_EQ(p->Sprite->GetText(), "100");
        EXPECT_EQ(p->Sprite->PassTag, 3);
        popups.Update(0.1f);
        EXPECT_FLOAT_EQ(p->Sprite->Position.Y, p->Position.Y);
        popups.Update(10.0f);
        EXPECT_EQ(layer->Count(), 0u) << "an expired popup leaves the layer";
        popups.SpawnNumberPopup(p, 100, 0, 5.0f, 6.0f, 7.0f);
        EXPECT_EQ(layer->Count(), 1u);
    }
    EXPECT_EQ(layer->Count(), 0u) << "the list takes its popups along";
}

// Drawn messages in a font whose every letter is one scale wide and high.
struct DrawnLane {
    CSharedPtr<CTextLayer> layer{new CTextLayer(CSharedPtr<CRenderDevice>(),
                                                CSharedPtr<CVertexBuffer>(),
                                                CSharedPtr<CIndexBuffer>())};
    CSharedPtr<CBitmapFont> font{new CBitmapFont(CSharedPtr<CTexture>())};
    CPopupList popups;
    CMessageLane& lane = popups.Messages;
    DrawnLane() {
        for (CFontGlyph& g : font->Glyphs)
            g = CFontGlyph{1.0f, 1.0f, 0.0f, {}, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f};
        popups.SetDisplay(layer, font, 1);
        lane.SetArea(CLaneBox{0.0f, -600.0f, 600.0f, 0.0f});
    }
    CLaneBox Ink() const { return popups.InkOf(*lane.OnScreen()); }
};

// Messages come one at a time, each in its turn; one waited for lives no
// longer than the cap (one already past half of it keeps its pace), and each
// leaves when its post said it would. One posted after the lane gives way
// shows as soon as the message on screen has faded out from where it stood,
// and those waiting are dropped. No message blinks out: it fades.
TEST(MessageLane, OneAtATimeEachInItsTurn) {
    DrawnLane d;
    constexpr float kDt = 0.0625f;  // whole steps to every time below
    const struct {
        const char* text;
        float duration;
        float posted;  // when it comes (seconds)
        float promised;  // when its post says it will have gone
        float gone;      // when it leaves (0: never shown)
        bool givenWay = false;  // the lane gives way to it
    } rows[] = {
        {"A", 3.0f, 0.0f, 3.0f, 2.0f},  // waited for when a second old: twice its age
        {"B", 2.0f, 1.0f, 4.0f, 3.5f},  // C comes: B lives the cap once shown
        {"C", 0.5f, 1.25f, 4.0f, 4.0f}, // its own half second after B
        {"D", 1.0f, 6.0f, 7.0f, 7.0f},  // alone on an empty lane, at once
        {"E", 2.0f, 7.5f, 9.5f, 8.25f}, // at full strength when it gives way to F
        {"G", 1.0f, 7.75f, 10.0f, 0.0f}, // waiting when the lane gives way: dropped
        {"F", 2.0f, 8.0f, 10.25f, 10.25f, true},
        {"H", 2.0f, 11.0f, 13.0f, 12.75f}, // half faded when it gives way to I
        {"I", 1.0f, 12.5f, 13.75f, 13.75f, true},
    };
    // The most a message's strength may fall in one step.
    const float steepest = kDt / CMessageLane::kGiveWayFade + 1e-4f;
    std::map<std::string, float> promised, shown, gone;
    float clock = 0.0f;
    for (int step = 0; clock < 14.5f; ++step, clock = static_cast<float>(step) * kDt) {
        for (const auto& r : rows)
            if (std::fabs(r.posted - clock) < kDt / 2.0f) {
                if (r.givenWay)
                    d.lane.GiveWay();
                promised[r.text] = clock + d.lane.Post(r.text, r.duration, 0xFFFFFFFFu, 40.0f);
            }
        EXPECT_LE(d.popups.Count(), 1u) << "at " << clock;
        EXPECT_EQ(d.layer->Count(), d.popups.Count());
        const CSharedPtr<CPopup> before = d.lane.OnScreen();
        const float alpha = before.IsNull() ? 0.0f : before->Alpha;
        if (!before.IsNull() && shown.count(before->Text) == 0)
            shown[before->Text] = clock;
        d.popups.Update(kDt);
        if (!before.IsNull() && d.lane.OnScreen() != before) {
            gone[before->Text] = clock + kDt;
            EXPECT_LE(alpha, steepest) << before->Text << " blinked out at " << clock;
        } else if (!before.IsNull()) {
            EXPECT_LE(alpha - before->Alpha, steepest) << before->Text << " at " << clock;
        }
    }
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_NEAR(gone[r.text], r.gone, 1.01f * kDt);
        EXPECT_NEAR(promised[r.text], r.promised, 1e-3f);
    }
    EXPECT_NEAR(shown["B"], 2.0f, 1.01f * kDt);
    EXPECT_FALSE(d.lane.Pending());
}

// A message too long for the area is drawn smaller, and it rises clear of
// the card: in the larger part of the area the card leaves free, moved there
// at once when the card comes while it is on screen.
TEST(MessageLane, FitsTheAreaAndKeepsClearOfTheCard) {
    const CLaneBox top{100.0f, -300.0f, 500.0f, -60.0f}, low{100.0f, -520.0f, 500.0f, -300.0f};
    const struct {
        std::string text;
        float scale;
        const CLaneBox* card;  // given before (or, with `late`, after) the post
        bool late;
        float width;           // of its letters
        bool below;            // rises under the card's foot
    } rows[] = {
        {"SHORT", 40.0f, nullptr, false, 200.0f, false},
        {std::string(30, 'W'), 40.0f, nullptr, false, 600.0f - 2.0f * CMessageLane::kMargin, false},
        {"SHORT", 40.0f, &top, false, 200.0f, true},
        {"SHORT", 40.0f, &low, false, 200.0f, false},
        {"SHORT", 40.0f, &top, true, 200.0f, true},
        {std::string(30, 'W'), 40.0f, &low, true, 552.0f, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text + (r.late ? " (card late)" : ""));
        DrawnLane d;
        if (r.card != nullptr && !r.late)
            d.lane.KeepClearOf(*r.card);
        d.lane.Post(r.text, 2.0f, 0xFFFFFFFFu, r.scale);
        if (r.card != nullptr && r.late)
            d.lane.KeepClearOf(*r.card);
        ASSERT_FALSE(d.lane.OnScreen().IsNull());
        CLaneBox ink = d.Ink();
        const bool under = r.card != nullptr && ink.Top <= r.card->Bottom;
        EXPECT_NEAR(ink.Right - ink.Left, r.width, 0.01f);
        EXPECT_NEAR((ink.Left + ink.Right) / 2.0f, 300.0f, 0.01f) << "centred";
        if (r.card == nullptr) {
            EXPECT_NEAR(ink.Top, -300.0f, 0.01f) << "from the middle";
            continue;
        }
        // Its whole way up, clear of the card.
        for (int i = 0; i < 60; ++i) {
            d.popups.Update(2.0f / 60.0f);
            if (d.lane.OnScreen().IsNull())
                break;
            ink = d.Ink();
            EXPECT_TRUE(ink.Top <= r.card->Bottom || ink.Bottom >= r.card->Top)
                << "over the card at " << ink.Bottom << ".." << ink.Top;
        }
        EXPECT_EQ(under, r.below);
    }
}

// No popup, score or message, rises over the ceiling; one spawned higher is
// lowered to it.
TEST(PopupList, NothingRisesOverTheCeiling) {
    DrawnLane d;
    CComboStyles styles;
    d.popups.SetStyles(&styles);
    d.popups.SetCeiling(-10.0f);
    CSharedPtr<CPopup> high, low;
    d.popups.SpawnNumberPopup(high, 500, 5, 300.0f, 0.0f, -20.0f);
    d.popups.SpawnNumberPopup(low, 50, 0, 300.0f, -200.0f, -20.0f);
    d.popups.Messages.SetArea(CLaneBox{0.0f, -100.0f, 600.0f, 0.0f});
    d.lane.Post("MESSAGE", 3.0f, 0xFFFFFFFFu, 30.0f);
    for (int i = 0; i < 100 && d.popups.Count() > 0; ++i) {
        for (const CSharedPtr<CPopup>& p : d.popups.GetPopups())
            EXPECT_LE(d.popups.InkOf(*p).Top, -10.0f + 1e-3f) << p->Text;
        d.popups.Update(0.05f);
    }
    EXPECT_GT(low->Position.Y, -200.0f) << "one under it rises";
}

TEST(ComboStyles, ReadFromTheScoreFile) {
    TempDir dir;
    const std::string path = dir.Write("Score.cfg",
                                       "[Popups]\nDepth=-5\nStyleCount=2\n"
                                       "Style1Color=10 20 30 40\nStyle1Scale=2\nStyle1Life=0\n"
                                       "MultiplierRise=99\n");
    CComboStyles s;
    EXPECT_FLOAT_EQ(s.Depth, -20.0f);
    EXPECT_EQ(s.Styles.size(), 6u);
    s.Load(path);
    EXPECT_FLOAT_EQ(s.Depth, -5.0f);
    ASSERT_EQ(s.Styles.size(), 2u);
    EXPECT_EQ(s.Styles[1].Colour, 0x280A141Eu);
    EXPECT_FLOAT_EQ(s.Styles[1].Scale, 2.0f);
    EXPECT_GT(s.Styles[1].Lifetime, 0.0f) << "a popup must expire";
    EXPECT_EQ(s.Styles[0].Colour, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(s.Multiplier.RiseSpeed, 99.0f);

    dir.Write("Many.cfg", "[Popups]\nStyleCount=500\n");
    s.Load(dir.Path("Many.cfg"));
    EXPECT_EQ(s.Styles.size(), static_cast<size_t>(CComboStyles::kMaxStyles));
}

// ---- Selector ----

TEST(CapSlot, SelectFollowAndClear) {
    CSharedPtr<CSpriteLayer> layer = NewSpriteLayer();
    CCapSlot slot;
    slot.SetDisplay(layer, CSharedPtr<CTexture>());
    EXPECT_EQ(layer->GetParked().size(), 1u);
    CSharedPtr<CCap> cap(new CCap);
    cap->Colour = 3;
    cap->Position = CVector3(10.0f, 20.0f, 0.0f);
    cap->Offset = CVector3(100.0f, 100.0f, 50.0f);
    slot.Select(cap);
    EXPECT_EQ(slot.State, CCapSlot::kHolding);
    EXPECT_EQ(slot.Colour, 3);
    EXPECT_TRUE(slot.Holds(cap));
    ASSERT_EQ(layer->GetDrawn().size(), 1u);
    cap->Position = CVector3(30.0f, 20.0f, 0.0f);
    slot.Update(0.1f);
    EXPECT_FLOAT_EQ(layer->GetDrawn().front()->Position.X, 130.0f);
    slot.Clear();
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
    EXPECT_TRUE(slot.Cap.IsNull());
    EXPECT_FALSE(slot.Holds(cap));
    EXPECT_EQ(cap.UseCount(), 1u);
    EXPECT_EQ(layer->GetDrawn().size(), 0u);
    slot.Select(CSharedPtr<CCap>());
    EXPECT_EQ(slot.State, CCapSlot::kEmpty);
}

// ---- Layout ----

TEST(QuestFieldLayout, BuiltInValues) {
    CQuestFieldLayout l;
    EXPECT_FLOAT_EQ(l.BaseOrigin[0], -194.5f);
    EXPECT_FLOAT_EQ(l.BaseOrigin[1], 340.5f);
    EXPECT_FLOAT_EQ(l.BaseOrigin[2], 50.0f);
    EXPECT_FLOAT_EQ(l.CellWidth, 83.0f);
    EXPECT_FLOAT_EQ(l.CellHeight, 83.0f);
    EXPECT_FLOAT_EQ(l.TokenSize, 39.0f);
    ASSERT_EQ(l.FrameRects.size(), 1u);
    EXPECT_EQ(l.FrameUVs.size(), 4u);
    EXPECT_EQ(l.FrameTextures, (std::vector<int32_t>{1}));
    EXPECT_EQ(l.FrameColours, (std::vector<uint32_t>{0xFFFFFFFFu}));
    EXPECT_EQ(l.SandColumns, 16);
    EXPECT_FLOAT_EQ(l.SandRect[3], 80.0f);
    EXPECT_FLOAT_EQ(l.SandboxFrontShift[0], -9.0f);
    EXPECT_FLOAT_EQ(l.SandboxFrontShift[1], 4.0f);
    EXPECT_EQ(l.SandboxGlassColour, 0xFF6CC8F7u);
    EXPECT_EQ(l.SandColour, 0xFFA09050u);
    EXPECT_FLOAT_EQ(l.SandAlpha, 1.0f);
    EXPECT_FLOAT_EQ(l.HalfDustSpeed, 40.0f);
    EXPECT_FLOAT_EQ(l.HalfDustSize, 4.0f);
    EXPECT_NEAR(l.DustAlpha, 127.0f / 255.0f, 1e-6f);
    EXPECT_EQ(l.FrenzyBarColour, 0x0001DDFFu);
    EXPECT_FLOAT_EQ(l.FrenzyBarAlpha, 1.0f);
    EXPECT_EQ(l.FrenzyBarCount, 19);
    ASSERT_EQ(l.SandPath.size(), 2u);
    EXPECT_FLOAT_EQ(l.SandPath[0].Duration, 0.0f);
    EXPECT_FLOAT_EQ(l.GreenRgb[1], 255.0f);
    EXPECT_EQ(l.AlphaByte, 63);
    EXPECT_FLOAT_EQ(l.ArrowWinSize[1], -160.0f);
    EXPECT_FLOAT_EQ(l.ArrowUpShift[1], 45.0f);
    EXPECT_FLOAT_EQ(l.FlagShift[1], 10.0f);
}

TEST(QuestFieldLayout, ReadsTheSkinFile) {
    TempDir dir;
    const std::string path = dir.Write(
        "Skin.cfg",
        "[FieldQuest]\nOrigin=-200 300 40\nCellSize=81 80\nCapSize=37\n"
        "FrameCount=30\nFrame1Rect=1 2 3 4\nFrame1UV=0.5 0 1 0.25\nFrame1Texture=0\n"
        "Frame1Color=255 0 0 128\nFrame1Method=2\n"
        "SandboxColumns=12\nSandboxPos=-310 300 44\nSandboxSize=70 500\n"
        "SandboxSandPathCount=2\nSandboxSandPathSpeed=10\n"
        "SandboxSandPathPoint0=30 40\nSandboxSandPathPoint1=30 -60\n"
        "[PanelQuest]\nSaturation=0.5\nGreen=0 200 0\nAlpha=2\n"
        "[Map]\nShadowShift=1 2\n");
    CQuestFieldLayout l;
    l.Load(path);
    EXPECT_FLOAT_EQ(l.BaseOrigin[0], -200.0f);
    EXPECT_FLOAT_EQ(l.CellWidth, 81.0f);
    EXPECT_FLOAT_EQ(l.CellHeight, 80.0f);
    EXPECT_FLOAT_EQ(l.TokenSize, 37.0f);
    ASSERT_EQ(l.FrameRects.size(), static_cast<size_t>(CQuestFieldLayout::kMaxFrameElements));
    EXPECT_FLOAT_EQ(l.FrameRects[1].Height, 4.0f);
    EXPECT_FLOAT_EQ(l.FrameUVs[4].U, 0.5f);
    EXPECT_FLOAT_EQ(l.FrameUVs[5].U, 1.0f);
    EXPECT_FLOAT_EQ(l.FrameUVs[6].V, 0.25f);
    EXPECT_FLOAT_EQ(l.FrameUVs[7].U, 0.5f);
    EXPECT_EQ(l.FrameTextures[1], 0);
    EXPECT_EQ(l.FrameColours[1], 0x80FF0000u);
    EXPECT_EQ(l.FrameMethods[1], 2);
    EXPECT_EQ(l.SandColumns, 12);
    EXPECT_FLOAT_EQ(l.SandRect[0], -310.0f);
    EXPECT_FLOAT_EQ(l.SandRect[4], 500.0f);
    // Path keys: (0,0)->(30,-40) in 5 s, then (30,-40)->(30,60) in 10 s.
    ASSERT_EQ(l.SandPath.size(), 2u);
    EXPECT_FLOAT_EQ(l.SandPath[0].End[1], -40.0f);
    EXPECT_FLOAT_EQ(l.SandPath[0].Duration, 5.0f);
    EXPECT_FLOAT_EQ(l.SandPath[1].Start[1], -40.0f);
    EXPECT_FLOAT_EQ(l.SandPath[1].End[1], 60.0f);
    EXPECT_FLOAT_EQ(l.SandPath[1].Duration, 10.0f);
    EXPECT_FLOAT_EQ(l.GreenRgb[0], 50.0f);  // lightness 100, halfway there
    EXPECT_FLOAT_EQ(l.GreenRgb[1], 150.0f);
    EXPECT_EQ(l.AlphaByte, 255);
    EXPECT_FLOAT_EQ(l.ShadowShift[1], -2.0f);
    // Loading twice gives the same values (no double negation).
    l.Load(path);
    EXPECT_FLOAT_EQ(l.ShadowShift[1], -2.0f);
    EXPECT_FLOAT_EQ(l.SandboxFrontShift[1], 4.0f);
}

// A skin value the layout cannot use is never cast as it stands, and the modder
// learns which key of which file was replaced by what.
TEST(QuestFieldLayout, UnusableSkinValuesAreReplacedWithAWarning) {
    const struct {
        const char* text;
        int32_t alphaByte;
        size_t frames;
        const char* warning;
    } cases[] = {
        {"[PanelQuest]\nAlpha=nan\n", 63, 1, "Alpha in "},
        {"[PanelQuest]\nAlpha=-inf\n", 63, 1, "Alpha in "},
        {"[PanelQuest]\nAlpha=2\n", 255, 1, "Alpha in "},
        {"[FieldQuest]\nFrameCount=-4\n", 63, 0, "FrameCount in "},
        {"[FieldQuest]\nFrameCount=99999999999\n", 63, 22, "FrameCount in "},
        {"[PanelQuest]\nAlpha=0.5\n", 127, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        testsupport::CapturedLog log(dir);
        const std::string path = dir.Write("Skin.cfg", c.text);
        CQuestFieldLayout l;
        l.Load(path);
        EXPECT_EQ(l.AlphaByte, c.alphaByte);
        EXPECT_EQ(l.FrameRects.size(), c.frames);
        if (c.warning == nullptr) {
            EXPECT_EQ(log.Text(), "");
            continue;
        }
        EXPECT_EQ(log.Text().rfind(std::string(" Warning! Bad value of ") + c.warning + path, 0),
                  0u)
            << log.Text();
        EXPECT_NE(log.Text().find(" in " + path + ", line 2: "), std::string::npos) << log.Text();
    }
}
