#include "ui/UxStatic.h"

#include "engine/BitmapFont.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"

CUxStatic::CUxStatic(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxWindow(sprites, texts) {
    Type = kStaticWindow;
}

CTextSprite* CUxStatic::MainText() const {
    const size_t main = HasShadow ? 1 : 0;
    return main < Texts.size() ? Texts[main].Get() : nullptr;
}

void CUxStatic::ColourMainText(uint32_t argb) {
    if (CTextSprite* t = MainText()) {
        t->Colour = argb;
        t->ApplyColour();
    }
}

void CUxStatic::SetTextColour(uint32_t argb) {
    for (size_t i = HasShadow ? 1 : 0; i < Texts.size(); ++i) {
        Texts[i]->Colour = argb;
        Texts[i]->ApplyColour();
    }
}

void CUxStatic::SetTextSprites(CSharedPtr<CTextSprite> main, CSharedPtr<CTextSprite> shadow) {
    // A replaced caption leaves the layer first; the lists are then built
    // afresh, which also covers a caption that gains or loses its shadow.
    if (!TextLayer.IsNull())
        for (const CSharedPtr<CTextSprite>& t : Texts)
            TextLayer->Remove(t);
    Texts.clear();
    TextWidths.clear();
    TextCharSizes.clear();
    TextOffsets.clear();
    for (const CSharedPtr<CTextSprite>& item : {shadow, main}) {
        if (item.IsNull())
            continue;
        Texts.push_back(item);
        TextWidths.push_back(item->BoxWidth);
        TextCharSizes.push_back(CUxSize{item->ScaleX, item->ScaleY});
        TextOffsets.push_back(CVector3());
    }
    for (size_t i = 0; i < Texts.size(); ++i) {
        CTextSprite& t = *Texts[i];
        if (!TextLayer.IsNull())
            TextLayer->Add(Texts[i]);
        t.PassTag = TextGroup();
        t.Visible = Visible;
        const float cw = TextCharSizes[i].W;
        TextWidths[i] = cw != 0.0f ? BaseWidth / cw : 0.0f;
        t.BoxWidth = TextWidths[i];
    }
    AnchorTexts();
    for (size_t i = 0; i < Texts.size(); ++i) {
        Texts[i]->BoxWidth = TextWidths[i] * ScaleX;
        Texts[i]->Build(TextCharSizes[i].W * ScaleX, TextCharSizes[i].H * ScaleY);
    }
}

void CUxStatic::SetNoteShift(float x, float y) {
    NoteShift.X = x;
    NoteShift.Y = y;
    AnchorTexts();
}

void CUxStatic::AnchorTexts() {
    if (Texts.empty())
        return;
    // Offsets are local (x right, y up, z towards the viewer negative): the
    // reference line stands half a character above the centre, the text a
    // little in front of the picture.
    CVector3 anchor(0.0f, 0.5f * TextCharSizes[0].H, -TextDepth);
    switch (Texts[0]->Alignment) {
    case CTextSprite::AlignLeft:
    case CTextSprite::AlignJustify:
        anchor.X -= 0.5f * BaseWidth;
        break;
    case CTextSprite::AlignRight:
        anchor.X += 0.5f * BaseWidth;
        break;
    default:
        break;
    }
    TextOffsets[0] = anchor + NoteShift;
    if (HasShadow && Texts.size() > 1)
        TextOffsets[1] = TextOffsets[0] + ShadowShift;
    for (size_t i = 0; i < Texts.size(); ++i)
        Texts[i]->Position = PlaceOf(TextOffsets[i]);
}

void CUxStatic::SetCaption(CSharedPtr<CBitmapFont> font, float sx, float sy, std::string_view text,
                           int32_t shadow) {
    CSharedPtr<CTextSprite> main(new CTextSprite(font));
    main->Build(sx, sy);
    HasShadow = shadow;
    CSharedPtr<CTextSprite> shadowItem;
    if (shadow) {
        shadowItem = CSharedPtr<CTextSprite>(new CTextSprite(font));
        shadowItem->Build(sx, sy);
        shadowItem->Colour = ShadowColour;
        shadowItem->ApplyColour();
    }
    SetTextSprites(main, shadowItem);
    SetText(text);
}

void CUxStatic::SetAlignment(int32_t code) {
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        t->Alignment = code;
        t->Rebuild();
    }
    AnchorTexts();
}

void CUxStatic::SetInterval(float interval) {
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        t->LineSpacing = interval;
        t->Rebuild();
    }
}

void CUxStatic::SetPixelGrid(float gx, float gy) {
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        t->SetSnapGrid(gx, gy);
        t->Rebuild();
    }
}

void CUxStatic::SetTextWidth(float width) {
    for (size_t i = 0; i < Texts.size(); ++i) {
        Texts[i]->BoxWidth = width;
        TextWidths[i] = width;
        Texts[i]->Rebuild();
    }
}

void CUxStatic::SetText(std::string_view text) {
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        if (Wrap)
            t->WrapText(text, Wrapped);
        else
            Wrapped.assign(text);
        t->SetText(Wrapped);
    }
}

void CUxStatic::ReservePicture(size_t index, const CVector3& offset, const CUxSize& size) {
    if (Pictures.size() <= index) {
        Pictures.resize(index + 1);
        PictureOffsets.resize(index + 1);
        PictureSizes.resize(index + 1, CUxSize{1.0f, 1.0f});
    } else if (!SpriteLayer.IsNull() && !Pictures[index].IsNull()) {
        SpriteLayer->Remove(Pictures[index]);
    }
    PictureOffsets[index] = offset;
    PictureSizes[index] = size;
}

CSharedPtr<CSpriteQuad> CUxStatic::MakePicture(size_t index, CSharedPtr<CTexture> texture,
                                               const CTexCoord corners[4], int32_t key) {
    const CVector3 at = PlaceOf(PictureOffsets[index]);
    CSharedPtr<CSpriteQuad> quad(new CSpriteQuad(at.X, at.Y, at.Z, PictureSizes[index].W * ScaleX,
                                                 PictureSizes[index].H * ScaleY, Colour, texture,
                                                 1));
    quad->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
    quad->SetFrameCorners(0, corners);
    quad->Key = key;
    if (OverTexts)
        quad->PassTag = kOverTextsPass;
    quad->Shown = Visible;
    Pictures[index] = quad;
    if (!SpriteLayer.IsNull())
        SpriteLayer->Add(quad);
    return quad;
}

void CUxStatic::SetPicture(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB) {
    const CTexCoord corners[4] = {{uL, vT}, {uR, vT}, {uR, vB}, {uL, vB}};
    SetPictureCorners(texture, corners);
}

void CUxStatic::SetPictureCorners(CSharedPtr<CTexture> texture, const CTexCoord corners[4]) {
    ReservePicture(0, CVector3(), CUxSize{BaseWidth, BaseHeight});
    MakePicture(0, texture, corners, ZOrder);
}

void CUxStatic::SetPictureAt(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                             float ox, float oy, float oz, float w, float h) {
    const CTexCoord corners[4] = {{uL, vT}, {uR, vT}, {uR, vB}, {uL, vB}};
    SetPictureCornersAt(texture, corners, ox, oy, oz, w, h);
}

void CUxStatic::SetPictureCornersAt(CSharedPtr<CTexture> texture, const CTexCoord corners[4],
                                    float ox, float oy, float oz, float w, float h) {
    ReservePicture(0, CVector3(ox, oy, oz), CUxSize{w, h});
    MakePicture(0, texture, corners, ZOrder);
}

void CUxStatic::ShowFrame(int32_t frame) {
    if (Pictures.empty() || Pictures[0].IsNull() || frame < 0)
        return;
    CSpriteQuad& p = *Pictures[0];
    if (static_cast<size_t>(frame) * 4 < p.Frames.size())
        p.CurrentFrame = frame;
}

int32_t CUxStatic::AddPictureFrame(const CTexCoord corners[4]) {
    if (Pictures.empty() || Pictures[0].IsNull())
        return -1;
    return Pictures[0]->AddFrameCorners(corners);
}
