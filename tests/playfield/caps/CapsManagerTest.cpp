// The draw list: sprites ordered by layer, then grouped by texture, through
// creation, release, dark switching and layer changes; the kind table.
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "CapsTestSupport.h"

namespace capstest {
namespace {

using Sprite = CSharedPtr<CCapSprite>;

class CapsManagerTest : public CapsFixture {
protected:
    void SetUp() override {
        CapsFixture::SetUp();
        LoadAll();
    }

    const std::vector<Sprite>& List() const { return caps_->GetDrawList(); }

    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const auto& s : List())
            kinds.push_back(s->Kind);
        return kinds;
    }

    // Layers never rise along the list, and within a layer every texture forms
    // one unbroken run.
    ::testing::AssertionResult Ordered() const {
        const auto& list = List();
        std::set<std::pair<int, const CTexture*>> closed;
        for (size_t i = 0; i < list.size(); ++i) {
            if (i > 0 && list[i]->Layer > list[i - 1]->Layer)
                return ::testing::AssertionFailure() << "layer rises at " << i;
            if (i > 0 && (list[i]->Layer != list[i - 1]->Layer ||
                          list[i]->SpriteTexture.Get() != list[i - 1]->SpriteTexture.Get()))
                closed.insert({list[i - 1]->Layer, list[i - 1]->SpriteTexture.Get()});
            if (closed.count({list[i]->Layer, list[i]->SpriteTexture.Get()}))
                return ::testing::AssertionFailure() << "texture run split at " << i;
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(CapsManagerTest, KindTableGivesTexturesAndAnimations) {
    struct Row {
        int kind, sprite, light, animation;
    };
    const Row rows[] = {
        {0, 0, 2, 0},   {6, 0, 2, 6},    {16, 0, 2, 16},  {20, 3, 6, 8},   {22, 3, 6, 10},
        {23, 4, 7, 11}, {28, 5, 8, 16},  {50, 1, 2, 0},   {56, 1, 2, 6},   {66, 1, 2, 16},
        {100, 0, 2, 7}, {101, 0, 2, 7},  {17, 0, 2, -1},  {29, 6, 9, -1},  {49, 12, 15, -1},
        {67, 1, 2, -1}, {99, 1, 2, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(CCapsManager::SpriteTextureIndexOf(r.kind), r.sprite);
        EXPECT_EQ(CCapsManager::LightTextureIndexOf(r.kind), r.light);
        EXPECT_EQ(CCapsManager::AnimationIndexOf(r.kind), r.animation);
        EXPECT_EQ(CCapsManager::IsDrawableKind(r.kind), r.animation >= 0);
        const Sprite s = Make(r.kind);
        EXPECT_TRUE(s->SpriteTexture == caps_->GetCapsTexture(r.sprite));
        EXPECT_TRUE(s->LightTexture == caps_->GetCapsTexture(r.light));
        // Kinds past the memory atlases get no texture at all.
        EXPECT_EQ(s->SpriteTexture.IsNull(), r.sprite >= caps::kTextureCount);
    }
    EXPECT_EQ(CCapsManager::AnimationIndexOf(-1), -1);
    EXPECT_EQ(CCapsManager::SpriteTextureIndexOf(-1), -1);
    EXPECT_TRUE(Make(-3)->SpriteTexture.IsNull());
}

TEST_F(CapsManagerTest, CreateCapSharesTheSpriteWithTheList) {
    CSharedPtr<CCapSprite> s;
    caps_->CreateCap(s, 4, 10.0f, 20.0f, 0.25f, 24.0f, 3);
    ASSERT_FALSE(s.IsNull());
    EXPECT_EQ(s.UseCount(), 2u);
    EXPECT_EQ(s->Kind, 4);
    EXPECT_EQ(s->Layer, 3);
    EXPECT_FLOAT_EQ(s->HalfSize, 24.0f);
    EXPECT_FLOAT_EQ(s->SavedPosition[1], 20.0f);
    EXPECT_TRUE(List().front() == s);
}

TEST_F(CapsManagerTest, SameTextureGoesInFrontOfItsFirstSprite) {
    const Sprite a = Make(0);
    const Sprite dark = Make(55);
    const Sprite b = Make(0);
    ASSERT_EQ(List().size(), 3u);
    EXPECT_TRUE(List()[0] == b);
    EXPECT_TRUE(List()[1] == a);
    EXPECT_TRUE(List()[2] == dark);
    EXPECT_EQ(Kinds(), (std::vector<int>{0, 0, 55}));
}

TEST_F(CapsManagerTest, HigherLayersStandFirst) {
    const Sprite low = Make(0, 0);
    const Sprite lowDark = Make(52, 0);
    const Sprite high = Make(3, 2);
    const Sprite middle = Make(51, 1);
    const Sprite lowest = Make(1, -1);
    ASSERT_EQ(List().size(), 5u);
    EXPECT_TRUE(List()[0] == high);
    EXPECT_TRUE(List()[1] == middle);
    EXPECT_TRUE(List()[2] == low);
    EXPECT_TRUE(List()[3] == lowDark);
    EXPECT_TRUE(List()[4] == lowest);
    // A texture new to its layer joins the end of that layer's run.
    const Sprite memory = Make(21, 0);
    EXPECT_TRUE(List()[4] == memory);
    EXPECT_TRUE(Ordered());
}

TEST_F(CapsManagerTest, ReleaseCapTakesTheSpriteOutOnce) {
    const Sprite a = Make(0);
    const Sprite b = Make(55);
    EXPECT_EQ(caps_->ReleaseCap(b), 1);
    EXPECT_EQ(b.UseCount(), 1u);  // only the owner's handle is left
    EXPECT_EQ(caps_->ReleaseCap(b), -1);
    EXPECT_EQ(caps_->ReleaseCap(Sprite()), -1);
    EXPECT_EQ(caps_->ReleaseCap(Sprite(new CCapSprite)), -1);
    EXPECT_EQ(List().size(), 1u);
    EXPECT_EQ(caps_->ReleaseCap(a), 0);
    EXPECT_TRUE(List().empty());
    // An empty handle is never listed.
    EXPECT_EQ(caps_->InsertSprite(Sprite()), -1);
    EXPECT_TRUE(List().empty());
}

TEST_F(CapsManagerTest, SetDarkSwitchesTheColourKindsOnly) {
    const Sprite a = Make(2);
    const Sprite steel = Make(100);
    const Sprite card = Make(24);
    caps_->SetDark(a, true);
    caps_->SetDark(a, true);
    EXPECT_EQ(a->Kind, 52);
    EXPECT_TRUE(a->SpriteTexture == caps_->GetCapsTexture(caps::kDarkTexture));
    EXPECT_TRUE(a->LightTexture == caps_->GetCapsTexture(caps::kLightTexture));
    caps_->SetDark(a, false);
    caps_->SetDark(a, false);
    EXPECT_EQ(a->Kind, 2);
    EXPECT_TRUE(a->SpriteTexture == caps_->GetCapsTexture(caps::kCapsTexture));

    // Steel has no dark twin, and switching it off must not turn it into a colour.
    caps_->SetDark(steel, true);
    EXPECT_EQ(steel->Kind, 100);
    caps_->SetDark(steel, false);
    EXPECT_EQ(steel->Kind, 100);
    caps_->SetDark(card, true);
    EXPECT_EQ(card->Kind, 24);
    caps_->SetDark(Sprite(), true);  // nothing to do
}

TEST_F(CapsManagerTest, SetDarkRegroupsTheSprite) {
    // Layer 0: four normal tokens and one dark one.
    std::vector<Sprite> tokens;
    for (int i = 0; i < 4; ++i)
        tokens.push_back(Make(i));
    const Sprite dark = Make(54);
    ASSERT_TRUE(Ordered());

    // Darkening a token in the middle of the normal run moves it beside the
    // dark one; lightening it moves it back into the normal run.
    const Sprite middle = List()[1];
    caps_->SetDark(middle, true);
    EXPECT_TRUE(Ordered());
    EXPECT_EQ(Kinds(), (std::vector<int>{3, 1, 0, 52, 54}));
    caps_->SetDark(middle, false);
    EXPECT_TRUE(Ordered());

    // The only dark sprite of its layer is not left splitting the normal run.
    caps_->ReleaseCap(dark);
    caps_->SetDark(List()[1], true);
    EXPECT_TRUE(Ordered());
    EXPECT_GE(List().back()->Kind, 50);
}

TEST_F(CapsManagerTest, ResortFollowsLayerChanges) {
    const Sprite a = Make(0, 0);
    const Sprite b = Make(1, 0);
    const Sprite c = Make(51, 0);
    const Sprite top = Make(2, 1);
    // The swap raises the first cap by one layer, the landing lowers it again.
    c->Layer = 1;
    caps_->ResortSprite(c);
    EXPECT_TRUE(Ordered());
    EXPECT_EQ(c->Layer, List()[0]->Layer);
    c->Layer = 0;
    caps_->ResortSprite(c);
    EXPECT_TRUE(Ordered());
    EXPECT_TRUE(List()[0] == top);
    EXPECT_TRUE(List().back() == c);

    b->Layer = -2;
    caps_->ResortSprite(b);
    EXPECT_TRUE(List().back() == b);
    EXPECT_TRUE(Ordered());

    // A sprite that is not listed is ignored.
    const Sprite stray(new CCapSprite);
    stray->Layer = 9;
    caps_->ResortSprite(stray);
    EXPECT_EQ(List().size(), 4u);
    caps_->ResortSprite(Sprite());
    (void)a;
}

TEST_F(CapsManagerTest, RandomEditsKeepTheOrder) {
    std::mt19937 rng(1234);
    std::vector<Sprite> owned;
    const int kinds[] = {0, 3, 6, 52, 55, 100, 20, 24, 27};
    for (int step = 0; step < 2000; ++step) {
        const int op = static_cast<int>(rng() % 5);
        if (op == 0 || owned.empty()) {
            owned.push_back(Make(kinds[rng() % 9], static_cast<int>(rng() % 4) - 1));
        } else {
            Sprite& s = owned[rng() % owned.size()];
            if (op == 1) {
                ASSERT_GE(caps_->ReleaseCap(s), 0);
                std::swap(s, owned.back());
                owned.pop_back();
            } else if (op == 2) {
                caps_->SetDark(s, (rng() & 1) != 0);
            } else if (op == 3) {
                s->Layer += (rng() & 1) ? 1 : -1;
                caps_->ResortSprite(s);
            } else {
                caps_->SetKind(s, kinds[rng() % 9]);
            }
        }
        ASSERT_TRUE(Ordered()) << "step " << step;
        ASSERT_EQ(List().size(), owned.size());
    }
}

TEST_F(CapsManagerTest, SharedAsTheRenderersCapsLayer) {
    CSharedPtr<ICapsLayer> layer = caps_;
    EXPECT_EQ(caps_.UseCount(), 2u);
    EXPECT_TRUE(layer->IsFieldShown());
    caps_->SetFieldShown(0);
    EXPECT_FALSE(layer->IsFieldShown());
    layer = CSharedPtr<ICapsLayer>();
    EXPECT_EQ(caps_.UseCount(), 1u);
}

TEST(CapsManagerLifeTest, WorksWithoutDeviceOrData) {
    CCapsManager caps{CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(),
                      CSharedPtr<CIndexBuffer>()};
    EXPECT_EQ(caps.GetTextureMode(), -1);
    EXPECT_EQ(caps.SetTextureMode(1), 0);
    CSharedPtr<CCapSprite> s;
    caps.CreateCap(s, 0, 0.0f, 0.0f, 0.0f, 8.0f, 0);
    s->ChainLevel = 1;
    EXPECT_TRUE(s->SpriteTexture.IsNull());
    EXPECT_EQ(caps.RenderCaps(), 0);
    EXPECT_EQ(caps.RenderCapChains(), -1);
    EXPECT_EQ(caps.LoadTextures("nowhere/"), 0);
}

} // namespace
} // namespace capstest
