#include "ui/UxFormFile.h"

#include <cmath>

#include "engine/BitmapFont.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxScroller.h"

namespace {

const char* const kBadData = "Bad FormFile data. Fatal";
// Grid snapping and half-pixel shifts work in design pixels.
constexpr float kHalf = 0.5f;
constexpr float kZOrderPerDepth = 10.0f;

void CornersOf(const CUxStateDesc& s, CTexCoord out[4]) {
    for (int i = 0; i < 4; ++i)
        out[i] = CTexCoord{s.Normalised[2 * i], s.Normalised[2 * i + 1]};
}

// What the element's texts and pictures share with every caption control.
void BuildStatic(CUxStatic& c, const CUxElementDesc& e, const CSharedPtr<CBitmapFont>& font,
                 float fontHeight, float k, const CSharedPtr<CTexture>& texture) {
    if (e.ShadowOn) {
        c.ShadowShift = CVector3(e.ShadowOffset[0], e.ShadowOffset[1], e.ShadowOffset[2]);
        c.ShadowColour = e.ShadowColour;
    }
    c.NoteShift = CVector3(e.ScaledTextShift[0], e.ScaledTextShift[1], e.ScaledTextShift[2]);
    // Both character dimensions take the first CHARSIZE number.
    const float charSize = fontHeight * e.CharSize[0];
    c.SetCaption(font, charSize, charSize, e.Text, e.ShadowOn);
    c.SetInterval(e.Interval);
    c.SetPixelGrid(k, k);
    if (e.WrapOn) {
        c.SetTextWidth(fontHeight != 0.0f ? e.ScaledWrapWidth / fontHeight : 0.0f);
        c.SetText(e.Text);
    }
    c.SetTextColour(e.TextColour);
    c.SetAlignment(e.Alignment);
    const CUxStateDesc& normal = e.States[CUxElementDesc::kNormal];
    if (normal.Defined) {
        CTexCoord corners[4];
        CornersOf(normal, corners);
        if (e.HasPictureRect)
            c.SetPictureCornersAt(texture, corners, e.PictureOffset[0], e.PictureOffset[1],
                                  e.PictureOffset[2], e.ScaledPictureSize[0],
                                  e.ScaledPictureSize[1]);
        else
            c.SetPictureCorners(texture, corners);
    }
    c.SetColour(e.Colour);
}

void BuildButtonStates(CUxButton& b, const CUxElementDesc& e, CUxCheckbox* box) {
    CTexCoord corners[4];
    const auto& s = e.States;
    if (s[CUxElementDesc::kPressed].Defined) {
        CornersOf(s[CUxElementDesc::kPressed], corners);
        b.SetPressedState(corners);
    }
    if (s[CUxElementDesc::kOver].Defined) {
        CornersOf(s[CUxElementDesc::kOver], corners);
        b.SetOverState(corners);
    }
    if (s[CUxElementDesc::kDisabled].Defined) {
        CornersOf(s[CUxElementDesc::kDisabled], corners);
        b.SetDisabledState(corners);
    }
    if (box && s[CUxElementDesc::kOverPressed].Defined) {
        CornersOf(s[CUxElementDesc::kOverPressed], corners);
        box->SetOverPressedState(corners);
    }
    if (box && s[CUxElementDesc::kPressedDisabled].Defined) {
        CornersOf(s[CUxElementDesc::kPressedDisabled], corners);
        box->SetPressedDisabledState(corners);
    }
    const auto take = [&](int32_t index, int32_t& flag, uint32_t& colour) {
        if (s[static_cast<size_t>(index)].TextColourDefined) {
            flag = 1;
            colour = s[static_cast<size_t>(index)].TextColour;
        }
    };
    take(CUxElementDesc::kPressed, b.HasPressedTextColour, b.PressedTextColour);
    take(CUxElementDesc::kOver, b.HasOverTextColour, b.OverTextColour);
    take(CUxElementDesc::kDisabled, b.HasDisabledTextColour, b.DisabledTextColour);
    if (box) {
        take(CUxElementDesc::kOverPressed, box->HasOverPressedTextColour,
             box->OverPressedTextColour);
        take(CUxElementDesc::kPressedDisabled, box->HasPressedDisabledTextColour,
             box->PressedDisabledTextColour);
    }
}

void SetFilter(CUxWindow& w, int32_t filter, bool firstOnly) {
    if (filter < CUxElementDesc::kFilterAdd || filter > CUxElementDesc::kFilterScreen)
        return;
    for (const CSharedPtr<CSpriteQuad>& p : w.Pictures) {
        if (!p.IsNull())
            p->SetBlend(1, filter);
        if (firstOnly)
            break;
    }
}

} // namespace

CUxFormFile::CUxFormFile(CSharedPtr<CRenderDevice> device) : Device(device) {}

CUxFormFile::~CUxFormFile() {
    Message.clear();
    FontHeights.clear();
    Fonts.clear();
    InterruptControl = CSharedPtr<CUxWindow>();
    Form = CSharedPtr<CUxForm>();
    Desc.Elements.clear();
    TextLayer = CSharedPtr<CTextLayer>();
    SpriteLayer = CSharedPtr<CSpriteLayer>();
    Device = CSharedPtr<CRenderDevice>();
}

int32_t CUxFormFile::Failed() {
    Message = Desc.Message;
    Detail = Desc.Detail;
    return 0;
}

int32_t CUxFormFile::Load(std::string_view path, float originX, float originY) {
    if (!Desc.Read(path) || !Desc.Check())
        return Failed();
    Scale(originX, originY);
    if (!Desc.ResolveIds())
        return Failed();
    if (!Desc.CheckTextures(Device.Get()))
        return Failed();
    return 1;
}

void CUxFormFile::Scale(float originX, float originY) {
    Desc.Scale(originX, originY);
}

int32_t CUxFormFile::CreateForm(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts,
                                const std::vector<CSharedPtr<CBitmapFont>>& fonts, int32_t layer) {
    SpriteLayer = sprites;
    TextLayer = texts;
    Form = CSharedPtr<CUxForm>(new CUxForm(sprites, texts));
    CUxForm& f = *Form;
    f.SetLayer(layer);
    f.Colour = Desc.Colour;
    f.SetBaseSize(Desc.ScaledSize[0], Desc.ScaledSize[1]);
    if (Desc.TilingOn && !Device.IsNull())
        f.SetSkin(Device->GetTextureByString(Desc.CornersName),
                  Device->GetTextureByString(Desc.SidesName),
                  Device->GetTextureByString(Desc.BackgroundName), Desc.ScaledTiling[0],
                  Desc.ScaledTiling[1], Desc.ScaledTiling[2], Desc.ScaledTiling[3]);
    f.SetZOrder(static_cast<int32_t>(std::floor(Desc.Placed[2] * kZOrderPerDepth)));
    // Half a design pixel to the left and up, so that texels meet pixels.
    const float k = Desc.TargetWidth / Desc.DesignWidth;
    f.SetOrigin(Desc.Placed[0] - k * kHalf, Desc.Placed[1] + k * kHalf, Desc.Placed[2], 0.0f, 0.0f,
                0.0f);
    Fonts = fonts;
    FontHeights.clear();
    for (const CSharedPtr<CBitmapFont>& font : Fonts)
        FontHeights.push_back(font.IsNull() ? 0.0f : static_cast<float>(font->Header3) * k);
    return 1;
}

CSharedPtr<CUxWindow> CUxFormFile::BuildControl(const CUxElementDesc& e) {
    size_t fontIndex = 0;
    if (e.FontIndex > 0 && static_cast<size_t>(e.FontIndex) < Fonts.size())
        fontIndex = static_cast<size_t>(e.FontIndex);
    const CSharedPtr<CBitmapFont> font =
        fontIndex < Fonts.size() ? Fonts[fontIndex] : CSharedPtr<CBitmapFont>();
    const float fontHeight = fontIndex < FontHeights.size() ? FontHeights[fontIndex] : 0.0f;
    const float k = Desc.TargetWidth / Desc.DesignWidth;
    const CSharedPtr<CTexture> texture =
        Device.IsNull() ? CSharedPtr<CTexture>() : Device->GetTextureByString(e.TextureName);

    CSharedPtr<CUxWindow> control;
    CUxStatic* captioned = nullptr;
    CUxButton* button = nullptr;
    CUxCheckbox* box = nullptr;
    CUxScroller* scroller = nullptr;
    CUxProgressbar* progress = nullptr;
    switch (e.Type) {
    case CUxElementDesc::kStatic:
        captioned = new CUxStatic(SpriteLayer, TextLayer);
        control = CSharedPtr<CUxWindow>(captioned);
        break;
    case CUxElementDesc::kButton:
        captioned = button = new CUxButton(SpriteLayer, TextLayer);
        control = CSharedPtr<CUxWindow>(button);
        break;
    case CUxElementDesc::kCheckbox:
        captioned = button = box = new CUxCheckbox(SpriteLayer, TextLayer);
        control = CSharedPtr<CUxWindow>(box);
        break;
    case CUxElementDesc::kScroller:
        scroller = new CUxScroller(SpriteLayer, TextLayer);
        control = CSharedPtr<CUxWindow>(scroller);
        break;
    case CUxElementDesc::kProgressbar:
        progress = new CUxProgressbar(SpriteLayer, TextLayer);
        control = CSharedPtr<CUxWindow>(progress);
        break;
    default:
        return {};
    }
    control->ZOrder = Form->ZOrder + e.ZOrder;
    control->Offset = CVector3(e.Placed[0], e.Placed[1], e.Placed[2]);
    control->SetBaseSize(e.ScaledSize[0], e.ScaledSize[1]);
    control->Id = e.ControlId;

    const auto& s = e.States;
    if (captioned) {
        BuildStatic(*captioned, e, font, fontHeight, k, texture);
        if (button)
            BuildButtonStates(*button, e, box);
        SetFilter(*captioned, e.FilterMode, true);
    } else if (scroller) {
        scroller->WidthFactor = e.WidthFactor;
        scroller->CentreShiftX = e.ScaledCentreShift[0];
        scroller->CentreShiftY = e.ScaledCentreShift[1];
        scroller->Horizontal = e.Horizontal;
        const float* a = s[CUxElementDesc::kNormal].Normalised;
        const float* b = s[CUxElementDesc::kPressed].Normalised;
        scroller->Init(texture, a[0], a[1], a[4], a[5], b[0], b[1], b[4], b[5],
                       e.ScaledThumbSize[0], e.ScaledThumbSize[1]);
        SetFilter(*scroller, e.FilterMode, false);
    } else if (progress) {
        progress->Horizontal = e.Horizontal;
        const float* a = s[CUxElementDesc::kNormal].Normalised;
        const float* b = s[CUxElementDesc::kPressed].Normalised;
        progress->Init(texture, a[0], a[1], a[4], a[5], b[0], b[1], b[4], b[5]);
        SetFilter(*progress, e.FilterMode, false);
    }
    return control;
}

int32_t CUxFormFile::CreateControls(int32_t* interrupted) {
    int32_t ignored = 0;
    if (!interrupted)
        interrupted = &ignored;
    ++NextElement;
    if (Form.IsNull()) {
        // Controls need their form: CreateForm comes first.
        Message = kBadData;
        Detail = "Form file " + Desc.Path + ": controls built before the form";
        return 0;
    }
    while (NextElement >= 0 && static_cast<size_t>(NextElement) < Desc.Elements.size()) {
        const CUxElementDesc& e = *Desc.Elements[static_cast<size_t>(NextElement)];
        CSharedPtr<CUxWindow> control = BuildControl(e);
        if (control.IsNull()) {
            Message = kBadData;
            Detail = "Form file " + Desc.Path + ", line " + std::to_string(e.Line) +
                     ": element type " + std::to_string(e.Type) + " is unknown";
            return 0;
        }
        Form->AddChild(control);
        if (e.InterruptOn) {
            *interrupted = 1;
            InterruptControl = control;
            InterruptCode = e.InterruptCode;
            return 1;
        }
        ++NextElement;
    }
    *interrupted = 0;
    return 1;
}
