#include "totems/TotemPanel.h"

#include <algorithm>

#include "audio/SoundBank.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "totems/TotemKinds.h"

CLevelParams* g_totemLevelParams = nullptr;

void SetTotemLevelParams(CLevelParams* params) {
    g_totemLevelParams = params;
}

namespace {

constexpr size_t kActiveRoom = 24;
constexpr size_t kActionRoom = 20;
constexpr size_t kPanelSpriteRoom = 15;
constexpr size_t kShopSpriteRoom = 3;
// Depth keys of figures relative to the panel's bottom.
constexpr int32_t kSelectedBelow = 10;
constexpr int32_t kSwitchingBelow = 5;

bool ValidColour(int32_t c) {
    return c >= 0 && c < CTotemPanel::kColours;
}

} // namespace

CTotemPanel::CTotemPanel() {
    Active.reserve(kActiveRoom);
    Actions.reserve(kActionRoom);
    PanelSprites.reserve(kPanelSpriteRoom);
    for (auto& list : ShopSprites)
        list.reserve(kShopSpriteRoom);
    for (int32_t c = 0; c < kColours; ++c)
        ColourParams[static_cast<size_t>(c)] =
            CSharedPtr<CTotemColourParams>(TotemKind(c).NewParams());
}

CTotemPanel::~CTotemPanel() {
    // The sprite layers may outlive the panel: they keep none of its sprites.
    if (!SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : PanelSprites)
            SpriteLayer->Remove(s);
    DropShopSprites();
    const CSharedPtr<CSpriteLayer>& shopLayer = ShopDisplayLayer();
    for (auto& list : ShopSprites) {
        if (!shopLayer.IsNull())
            for (const CSharedPtr<CSpriteQuad>& s : list)
                shopLayer->Remove(s);
        list.clear();
    }
    PanelSprites.clear();
}

void CTotemPanel::AttachShared(CSharedPtr<CRenderDevice> device,
                               CSharedPtr<CSpriteLayer> spriteLayer,
                               CSharedPtr<CParticleSystemsManager> particles,
                               CSharedPtr<CQuadLayer> quadLayer, CLevelParams* levelParams) {
    Device = device;
    SpriteLayer = spriteLayer;
    Particles = particles;
    QuadLayer = quadLayer;
    SetTotemLevelParams(levelParams);
}

CTotemResources CTotemPanel::ResourcesOf(int32_t colour) const {
    CTotemResources r;
    r.SpriteLayer = SpriteLayer;
    r.Particles = Particles;
    r.QuadLayer = QuadLayer;
    r.Small = TexSmallTotem;
    r.Shadow = TexShadows;
    r.Lights = TexLights;
    r.Colour = ColourTextures[static_cast<size_t>(colour)];
    r.Halo = TexHalo;
    r.Spell = TexSpellFuzzy;
    r.Fire = TexFireCloud;
    r.Digits = TimeDigits;
    r.Star = TexStarParticle;
    r.Twirl = TexTwirl;
    r.Glass = TexPanelGlass;
    r.GlowRays = TexGlowRays;
    r.Bonus = TexGemFlares;
    r.Lightning = TexLightning;
    r.Unigem = TexUnigem;
    r.Chain = TexChain;
    r.ChainLight = TexChainAlt;
    r.Steel = TexSteelCaps;
    r.Spark = TexSpark;
    r.PaintStream = TexPaintStream;
    r.PaintDrop = TexPaintDrop;
    r.Cloud = TexCloud;
    return r;
}

CSharedPtr<CTotem> CTotemPanel::CreateTotem(int32_t colour, int32_t mode, int32_t tier,
                                            int32_t addToActive) {
    if (!ValidColour(colour) || !TotemKind(colour).NewFigure)
        return CSharedPtr<CTotem>();
    const auto c = static_cast<size_t>(colour);
    CSharedPtr<CTotem> figure(TotemKind(colour).NewFigure());
    figure->EffectScale = EffectScale;
    CTotemResources resources = ResourcesOf(colour);
    if (mode == CTotem::kShopFigure) {
        resources.SpriteLayer = ShopDisplayLayer();
        if (!ShopParticles.IsNull())
            resources.Particles = ShopParticles;
        if (!ShopQuadLayer.IsNull())
            resources.QuadLayer = ShopQuadLayer;
    }
    figure->SetTextures(resources);
    if (!ColourParams[c].IsNull())
        figure->SetParams(*ColourParams[c]);
    // Shop or save data may name a tier beyond the colour's tables.
    figure->Tier = std::clamp(tier, 1, figure->MaxTier());
    if (colour == 3)
        figure->SetFlag(BlueFlag);
    if (auto* green = dynamic_cast<CGreenTotem*>(figure.Get()))
        green->SoundBank = SoundBank;
    figure->Init(mode, Shapes[c]);
    if (addToActive)
        AddActive(figure);
    return figure;
}

void CTotemPanel::AddActive(CSharedPtr<CTotem> figure) {
    if (figure.IsNull())
        return;
    figure->EffectScale = EffectScale;
    Active.push_back(figure);
}

void CTotemPanel::RemoveTotem(CSharedPtr<CTotem> figure) {
    Active.erase(std::remove(Active.begin(), Active.end(), figure), Active.end());
    for (CSharedPtr<CTotem>& place : Places)
        if (place == figure)
            place = CSharedPtr<CTotem>();
}

bool CTotemPanel::HasSelection() const {
    return ValidColour(Selected) && !Places[static_cast<size_t>(Selected)].IsNull();
}

void CTotemPanel::Disarm(CTotem& figure, float fadeSpeed) {
    if (figure.Colour == 3)
        figure.SetFlag(0);
    if (figure.Mode >= CTotem::kSelected) {
        figure.StopShine(0);
        figure.SetArmed(0, 2);
    }
    figure.FadeOut(fadeSpeed);
}

void CTotemPanel::SendHome(int32_t selected) {
    CTotem& f = *Places[static_cast<size_t>(selected)];
    f.SetArmed(0, 2);
    f.SetZOrder(BottomZOrder - kSwitchingBelow);
    f.StopShine(0);
    const CVector3& home = PlacePos[static_cast<size_t>(selected)];
    f.MoveTo(home.X, home.Y, home.Z, SmallSize[0], SmallSize[1], ReturnTime);
}

void CTotemPanel::Select(int32_t colour, int32_t zOrder, float flightTime) {
    const auto c = static_cast<size_t>(colour);
    CSharedPtr<CTotem> f = CreateTotem(colour, CTotem::kSelected, Tiers[c], 1);
    if (f.IsNull()) {
        Ready = 1;
        Selected = -1;
        return;
    }
    f->SetPosition(PlacePos[c].X, PlacePos[c].Y, PlacePos[c].Z);
    f->SetSize(SmallSize[0], SmallSize[1]);
    f->SetZOrder(zOrder);
    f->FadeSpeed = kFigureFadeSpeed;
    f->MoveTo(Center.X, Center.Y, Center.Z, MainSize[0], MainSize[1], flightTime);
    if (!Places[c].IsNull())
        Places[c]->FadeOut(kFigureFadeSpeed);
    Places[c] = f;
    Ready = 0;
    Selected = colour;
    Presses = 1;
}

void CTotemPanel::PlayLaunchSample(int32_t colour) {
    if (!SoundBank.IsNull())
        SoundBank->PlaySample(SoundBank->Group(TotemKind(colour).LaunchSound), 0, 0);
}

void CTotemPanel::Reset() {
    Selected = -1;
    Presses = 0;
    Requests.clear();
    Ready = 1;
    Actions.clear();
    for (CSharedPtr<CTotem>& place : Places)
        if (!place.IsNull()) {
            const CSharedPtr<CTotem> figure = place;
            RemoveTotem(figure);
            place = CSharedPtr<CTotem>();
        }
    for (int32_t k = 0; k < kColours; ++k) {
        const auto c = static_cast<size_t>(k);
        if (Tiers[c] <= 0)
            continue;
        Places[c] = CreateTotem(k, CTotem::kStanding, Tiers[c], 1);
        if (Places[c].IsNull())
            continue;
        // The same size as a figure that comes back to its place.
        Places[c]->SetPosition(SmallPos[c].X, SmallPos[c].Y, SmallPos[c].Z);
        Places[c]->SetSize(SmallSize[0], SmallSize[1]);
        Places[c]->SetZOrder(BottomZOrder);
    }
}

void CTotemPanel::CancelActive() {
    if (HasSelection())
        SendHome(Selected);
    Ready = 1;
    Selected = -1;
}

void CTotemPanel::SetBlueFlag(int32_t flag) {
    BlueFlag = flag;
    for (const CSharedPtr<CTotem>& f : Active)
        if (f->Colour == 3)
            f->SetFlag(flag);
}

void CTotemPanel::SetGreenTarget(const std::vector<CTotemPoint>& rayTargets,
                                 const std::vector<CTotemPoint>& gemTargets,
                                 const std::vector<CTotemCell>& gemCells,
                                 std::vector<float>& arrivalTimes) {
    const CSharedPtr<CTotem> figure = Places[0];
    auto* green = dynamic_cast<CGreenTotem*>(figure.Get());
    if (!green || (green->State != CTotem::kRunning && green->State != CTotem::kRunningLevel3))
        return;
    green->SetTarget(rayTargets, gemTargets, gemCells, arrivalTimes);
    green->WantsTarget = 0;
}

void CTotemPanel::SetBlueTarget(const std::vector<CTotemPoint>& points,
                                const std::vector<CTotemCell>& cells) {
    const CSharedPtr<CTotem> figure = Places[3];
    if (!figure.IsNull() &&
        (figure->State == CTotem::kRunning || figure->State == CTotem::kRunningLevel3))
        figure->SetTarget(points, cells);
}

void CTotemPanel::SetWhiteTarget(const std::vector<CTotemPoint>& points,
                                 const std::vector<CTotemCell>& cells) {
    const CSharedPtr<CTotem> figure = Places[5];
    if (!figure.IsNull() &&
        (figure->State == CTotem::kRunning || figure->State == CTotem::kRunningLevel3))
        figure->SetTarget(points, cells);
}

int32_t CTotemPanel::Update(float dt) {
    if (!Shown && !SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& s : PanelSprites)
            if (s->Shown && s->Alpha == 0.0f)
                SpriteLayer->SetDynamic(s, 0);
    Actions.clear();
    bool orderChanged = false;

    if (Ready && !Requests.empty()) {
        const int32_t c = Requests.front();
        Requests.pop_front();
        // A selection whose figure is gone counts as none.
        if (!HasSelection())
            Selected = -1;
        if (!ValidColour(c)) {
            // Not a colour: nothing to select.
        } else if (Selected < 0) {
            if (Tiers[static_cast<size_t>(c)] > 0) {
                Select(c, BottomZOrder - kSelectedBelow, InTime);
                orderChanged = true;
            }
        } else if (c != Selected) {
            SendHome(Selected);
            orderChanged = true;
            if (Tiers[static_cast<size_t>(c)] < 1) {
                Ready = 1;
                Selected = -1;
            } else {
                Select(c, BottomZOrder - kSwitchingBelow, SwitchInTime);
            }
            Presses = 1;
        } else {
            ++Presses;
            CTotem& f = *Places[static_cast<size_t>(c)];
            f.Shine(Presses);
            f.Activate(Presses - 1);
            Ready = 0;
            PlayLaunchSample(c);
            CTotemAction launched;
            launched.kind = CTotemAction::kLaunched;
            PushAction(launched);
        }
    }

    // Figures appended during the pass are updated in the same pass; the
    // handle keeps the figure alive while the lists change under it.
    for (size_t i = 0; i < Active.size();) {
        const CSharedPtr<CTotem> f = Active[i];
        const int32_t r = f->Update(dt);
        f->EmitActions(*this);
        if (r == 0) {
            ++i;
            continue;
        }
        HandleEvent(i, orderChanged);
    }

    if (orderChanged && !SpriteLayer.IsNull())
        SpriteLayer->Resort();
    return static_cast<int32_t>(Actions.size());
}

void CTotemPanel::HandleEvent(size_t& i, bool& orderChanged) {
    const CSharedPtr<CTotem> f = Active[i];
    switch (f->Event) {
    case CTotem::kFadedOut:
        Active.erase(Active.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    case CTotem::kMoveDone:
        if (ValidColour(Selected) && Places[static_cast<size_t>(Selected)] == f) {
            // Arrived at the centre: its eye lights up and it waits for the launch.
            Presses = 1;
            f->Shine(1);
            f->State = CTotem::kIdle;
            f->SetArmed(1, 2);
            if (!SoundBank.IsNull())
                SoundBank->PlaySampleAt(SoundBank->Group(ESound::TotemEye), f->Position.X, 0, 0);
            Ready = 1;
        } else {
            // Back on its place: a standing figure takes over.
            const auto at = std::find(Places.begin(), Places.end(), f);
            if (at != Places.end()) {
                const auto k = static_cast<size_t>(at - Places.begin());
                CSharedPtr<CTotem> n =
                    CreateTotem(static_cast<int32_t>(k), CTotem::kStanding, Tiers[k], 1);
                if (!n.IsNull()) {
                    n->SetPosition(SmallPos[k].X, SmallPos[k].Y, SmallPos[k].Z);
                    n->SetSize(SmallSize[0], SmallSize[1]);
                    n->SetZOrder(BottomZOrder);
                    n->FadeSpeed = kFigureFadeSpeed;
                }
                f->FadeOut(kFigureFadeSpeed);
                Places[k] = n;
                orderChanged = true;
            } else {
                f->State = CTotem::kIdle;
            }
        }
        break;
    case CTotem::kPowerDone:
    case CTotem::kPowerDoneLevel3:
        if (f->State == CTotem::kFinished) {
            if (HasSelection())
                SendHome(Selected);
            else
                f->State = CTotem::kIdle;
            orderChanged = true;
            Selected = -1;
            Presses = 0;
        }
        Ready = 1;
        break;
    case CTotem::kFadedIn:
        f->State = CTotem::kIdle;
        if (f->Mode == CTotem::kShopFigure)
            f->SetArmed(1, 2);
        break;
    default:
        f->State = CTotem::kIdle;
        break;
    }
    ++i;
}
