#pragma once
// What a form file (".uxf") says, before any window exists: the form's
// geometry, colour, optional tiled skin and symbolic ids, and one record per
// element. Reading fills the design values (pixels of a SCREENWIDTH-wide
// screen, from the top-left corner, y down); scaling turns them into
// virtual-screen units (origin at the centre, y up), element positions
// relative to their form's centre.
//
// Failures leave one of the fixed messages in Message, and in Detail a
// second line for the log that names the file, the line and the reason.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SharedPtr.h"

class CRenderDevice;

struct CUxStateDesc {
    int32_t Defined = 0;
    // Top-left, top-right, bottom-right, bottom-left; texels, then 0..1.
    float Corners[8] = {0.0f, 0.0f, 256.0f, 0.0f, 256.0f, 256.0f, 0.0f, 256.0f};
    float Normalised[8] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
    int32_t TextColourDefined = 0;
    uint32_t TextColour = 0xFFFFFFFFu;
};

class CUxElementDesc {
public:
    enum ElementType : int32_t {
        kStatic = 2,
        kButton = 3,
        kCheckbox = 4,
        kScroller = 5,
        kProgressbar = 6
    };
    // Indices of the state table.
    enum StateIndex : int32_t {
        kNormal = 0,
        kPressed = 1, // also the scroller's thumb and the progress filling
        kOver = 2,
        kDisabled = 3,
        kOverPressed = 4,
        kPressedDisabled = 5,
        kStateCount = 6
    };
    enum Filter : int32_t { kFilterNone = 0, kFilterAdd = 1, kFilterMul = 2, kFilterScreen = 3 };
    static constexpr float kShadowDepth = 0.0005f;

    // Design units to virtual units: `designWidth` is the file's SCREENWIDTH,
    // (ox, oy) the form's top-left corner in its own centred coordinates.
    void Scale(float designWidth, float ox, float oy);

    float TargetWidth = 1024.0f;
    int32_t Type = kStatic;
    std::string IdName;
    int32_t ControlId = 0;
    float Position[3] = {0.0f, 0.0f, 0.0f};
    float Placed[3] = {0.0f, 0.0f, 0.0f};
    float Size[2] = {0.0f, 0.0f};
    float ScaledSize[2] = {0.0f, 0.0f};
    int32_t ZOrder = 0;
    int32_t HasPictureRect = 0;
    float PicturePosition[3] = {0.0f, 0.0f, 0.0f};
    float PictureOffset[3] = {0.0f, 0.0f, 0.0f};
    float PictureSize[2] = {0.0f, 0.0f};
    float ScaledPictureSize[2] = {0.0f, 0.0f};
    std::string Text;
    float TextShift[3] = {0.0f, 0.0f, 0.0f};
    float ScaledTextShift[3] = {0.0f, 0.0f, 0.0f};
    uint32_t TextColour = 0xFFFFFFFFu;
    float CharSize[2] = {1.0f, 1.0f};
    int32_t Alignment = 0;
    int32_t WrapOn = 0;
    float WrapWidth = 512.0f;
    float ScaledWrapWidth = 512.0f;
    float Interval = 1.5f;
    int32_t FontIndex = 0;
    int32_t ShadowOn = 0;
    float ShadowShift[2] = {2.0f, -2.0f};
    float ShadowOffset[3] = {1.0f / 256.0f, -1.0f / 256.0f, kShadowDepth};
    uint32_t ShadowColour = 0x80000000u;
    std::string TextureName;
    float TextureSize[2] = {256.0f, 256.0f};
    uint32_t Colour = 0xFFFFFFFFu;
    std::vector<CUxStateDesc> States = std::vector<CUxStateDesc>(kStateCount);
    int32_t FilterMode = kFilterNone;
    int32_t InterruptOn = 0;
    int32_t InterruptCode = -1;
    float ThumbSize[2] = {0.0f, 0.0f};
    float ScaledThumbSize[2] = {0.0f, 0.0f};
    float CentreShift[2] = {0.0f, 0.0f};
    float ScaledCentreShift[2] = {0.0f, 0.0f};
    float WidthFactor = 0.9f;
    int32_t Horizontal = 1;
    std::string Message;
    int32_t Line = 0; // where the element begins in its file
};

class CUxFormDesc {
public:
    // Reads the file; 1 on success, 0 with Message and Detail set.
    int32_t Read(std::string_view path);
    // Checks of the tiling names, every element's states and texture, and the
    // design width; 1 when all pass.
    int32_t Check();
    // Design units to virtual units, the form's top-left corner at (ox, oy).
    void Scale(float ox, float oy);
    // Every element's ID name through the define table; 1 when all resolve.
    int32_t ResolveIds();
    // Every texture the form names is registered with the device (none is
    // without a device); 1 when so.
    int32_t CheckTextures(const CRenderDevice* device);
    // The first DEFINE of that exact name; false when there is none.
    bool FindDefine(std::string_view name, int32_t& value) const;

    float TargetWidth = 1024.0f;
    float DesignWidth = 1024.0f;
    std::vector<std::string> DefineNames;
    std::vector<int32_t> DefineValues;
    float Position[3] = {0.0f, 0.0f, 0.0f};
    float Placed[3] = {0.0f, 0.0f, 0.0f};
    float Size[2] = {0.0f, 0.0f};
    float ScaledSize[2] = {0.0f, 0.0f};
    std::vector<CSharedPtr<CUxElementDesc>> Elements;
    uint32_t Colour = 0xFFFFFFFFu;
    int32_t TilingOn = 0;
    std::string CornersName, SidesName, BackgroundName;
    float Tiling[4] = {512.0f, 512.0f, 512.0f, 512.0f};
    float ScaledTiling[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string Message;
    // For the log: "Form file <path>, line <n>: <reason>".
    std::string Detail;
    std::string Path;
    int32_t TilingLine = 0;

private:
    int32_t Fail(std::string message, int32_t line, const std::string& reason);
};
