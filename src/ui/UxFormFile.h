#pragma once
// Loads one form file and builds its windows. Load reads, checks and scales
// the description and makes sure every texture it names is loaded; CreateForm
// makes the form window with its skin; CreateControls makes one control per
// element, in file order, and pauses after each element that carries an
// INTERRUPT code, so that the caller can take hold of that control before
// building goes on. The loader is dropped once the form stands.
//
// Every step returns 1 or 0; after a 0 Message holds the text the caller
// logs, and Detail a line naming the file, line and reason.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SharedPtr.h"
#include "ui/UxFormDesc.h"

class CBitmapFont;
class CRenderDevice;
class CSpriteLayer;
class CTextLayer;
class CUxForm;
class CUxWindow;

class CUxFormFile {
public:
    // The form's top-left corner handed to Load by the screens: the top-left
    // corner of the virtual screen.
    static constexpr float kScreenLeft = -512.0f;
    static constexpr float kScreenTop = 384.0f;

    explicit CUxFormFile(CSharedPtr<CRenderDevice> device);
    ~CUxFormFile();
    CUxFormFile(const CUxFormFile&) = delete;
    CUxFormFile& operator=(const CUxFormFile&) = delete;

    int32_t Load(std::string_view path, float originX, float originY);
    // The description in virtual units (Load does this).
    void Scale(float originX, float originY);
    // The form window in these layers; its texts carry `layer`. The font
    // list must hold at least one font for controls with text.
    int32_t CreateForm(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts,
                       const std::vector<CSharedPtr<CBitmapFont>>& fonts, int32_t layer);
    // Builds from the next element on. *interrupted = 1 after a control with
    // an INTERRUPT code (then in InterruptControl and InterruptCode), 0 when
    // every element stands.
    int32_t CreateControls(int32_t* interrupted);

    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CSpriteLayer> SpriteLayer;
    CSharedPtr<CTextLayer> TextLayer;
    CUxFormDesc Desc;
    CSharedPtr<CUxForm> Form;
    int32_t NextElement = -1;
    CSharedPtr<CUxWindow> InterruptControl;
    int32_t InterruptCode = -1;
    std::vector<CSharedPtr<CBitmapFont>> Fonts;
    std::vector<float> FontHeights;
    std::string Message;
    std::string Detail;

private:
    int32_t Failed();
    // A control for the element, or an empty handle for an unknown type.
    CSharedPtr<CUxWindow> BuildControl(const CUxElementDesc& e);
};
