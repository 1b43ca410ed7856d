#pragma once
// The GPU device API the engine draws through. It keeps the numbering of the
// original fixed-function 3D API the game was written for (render-state numbers,
// stage states, formats, result codes), because the engine's state caches index
// by those numbers and its decisions test those codes. Three back ends implement it:
// OpenGL 3.3 (the game on a GPU), our own rasteriser presenting through GL (the
// game without one) and a recording back end (tests, headless tools).
//
// Ownership: every object is owned by whoever created it and destroyed by
// Release(). The device keeps no reference to what is bound: releasing a bound
// texture or buffer unbinds it first.
#include <cstddef>
#include <cstdint>
#include <string>

namespace os {
class Window;
}

namespace gpu {

using Result = int32_t;

constexpr Result kOk = 0;
constexpr Result kErrDeviceLost = static_cast<int32_t>(0x88760868u);
constexpr Result kErrDeviceNotReset = static_cast<int32_t>(0x88760869u);
constexpr Result kErrNotAvailable = static_cast<int32_t>(0x8876086Au);
constexpr Result kErrInvalidCall = static_cast<int32_t>(0x8876086Cu);
constexpr Result kErrOutOfVideoMemory = static_cast<int32_t>(0x8876017Cu);
constexpr Result kErrOutOfMemory = static_cast<int32_t>(0x8007000Eu);
constexpr Result kErrFail = static_cast<int32_t>(0x80004005u);
constexpr Result kErrInvalidData = static_cast<int32_t>(0x88760B59u);  // undecodable picture
constexpr Result kErrNotFound = static_cast<int32_t>(0x88760B5Au);     // missing file

inline bool Failed(Result r) { return r < 0; }

// "Use the default" for sizes, mip counts and filters of the texture helpers.
constexpr uint32_t kDefault = 0xFFFFFFFFu;

namespace Fmt {
enum : uint32_t {
    Unknown = 0,
    R8G8B8 = 20, A8R8G8B8 = 21, X8R8G8B8 = 22, R5G6B5 = 23, X1R5G5B5 = 24, A1R5G5B5 = 25,
    A4R4G4B4 = 26, R3G3B2 = 27, A8 = 28, A8R3G3B2 = 29, X4R4G4B4 = 30, A2B10G10R10 = 31,
    L8 = 50, A8L8 = 51, A4L4 = 52,
    D16 = 80, Index16 = 101, Index32 = 102,
};
}

// Render states: the cache holds 174 entries indexed by these numbers.
constexpr uint32_t kRenderStateCount = 174;
namespace Rs {
enum : uint32_t {
    ZEnable = 7, FillMode = 8, ShadeMode = 9, ZWriteEnable = 14, AlphaTestEnable = 15,
    LastPixel = 16, SrcBlend = 19, DestBlend = 20, CullMode = 22, ZFunc = 23, AlphaRef = 24,
    AlphaFunc = 25, DitherEnable = 26, AlphaBlendEnable = 27, FogEnable = 28,
    SpecularEnable = 29, FogColor = 34, FogTableMode = 35, TextureFactor = 60, Wrap0 = 128,
    Lighting = 137, Ambient = 139, ColorVertex = 141,
};
}
namespace Cmp {
enum : uint32_t { Never = 1, Less = 2, Equal = 3, LessEqual = 4, Greater = 5, NotEqual = 6, GreaterEqual = 7, Always = 8 };
}
namespace Cull {
enum : uint32_t { None = 1, CW = 2, CCW = 3 };
}
namespace Blend {
enum : uint32_t {
    Zero = 1, One = 2, SrcColor = 3, InvSrcColor = 4, SrcAlpha = 5, InvSrcAlpha = 6,
    DestAlpha = 7, InvDestAlpha = 8, DestColor = 9, InvDestColor = 10,
};
}

// Texture-stage states: stages 0..7, states 1..28.
constexpr uint32_t kStageCount = 8;
constexpr uint32_t kStageStateCount = 29;  // index 0 unused
namespace Tss {
enum : uint32_t {
    ColorOp = 1, ColorArg1 = 2, ColorArg2 = 3, AlphaOp = 4, AlphaArg1 = 5, AlphaArg2 = 6,
    TexCoordIndex = 11, AddressU = 13, AddressV = 14, MagFilter = 16, MinFilter = 17,
    MipFilter = 18,
};
}
namespace Top {
enum : uint32_t { Disable = 1, SelectArg1 = 2, SelectArg2 = 3, Modulate = 4, Modulate2x = 5, Modulate4x = 6, Add = 7 };
}
namespace Ta {
enum : uint32_t { Diffuse = 0, Current = 1, Texture = 2, TFactor = 3 };
}
namespace Tf {
enum : uint32_t { None = 0, Point = 1, Linear = 2 };
}
namespace Tadr {
enum : uint32_t { Wrap = 1, Mirror = 2, Clamp = 3 };
}
namespace Ts {
enum : uint32_t { View = 2, Projection = 3, World = 256 };
}
namespace ClearFlag {
enum : uint32_t { Target = 1, ZBuffer = 2, Stencil = 4 };
}
namespace Prim {
enum : uint32_t { TriangleList = 4, TriangleStrip = 5 };
}
namespace Usage {
enum : uint32_t { RenderTarget = 1, WriteOnly = 8, Dynamic = 0x200 };
}
namespace Pool {
enum : uint32_t { Default = 0, Managed = 1, SystemMem = 2 };
}
// Lock flags of buffers and texture levels. A read-only lock promises to
// change nothing: nothing is uploaded or looked at again at its unlock.
namespace Lock {
enum : uint32_t { ReadOnly = 0x10, NoOverwrite = 0x1000, Discard = 0x2000 };
}
namespace Rtype {
enum : uint32_t { Surface = 1, Texture = 3, VertexBuffer = 6, IndexBuffer = 7 };
}
constexpr uint32_t kDeviceHal = 1;
constexpr uint32_t kCreateSoftwareVertexProcessing = 0x20;
constexpr uint32_t kCreateHardwareVertexProcessing = 0x40;
constexpr uint32_t kPresentIntervalDefault = 0;
constexpr uint32_t kPresentIntervalImmediate = 0x80000000u;
constexpr uint32_t kSwapEffectDiscard = 1;
constexpr uint32_t kDevCapsHwTransformAndLight = 0x10000;
constexpr uint32_t kStencilCapsZero = 0x2;

// The one vertex format: position xyz, diffuse ARGB word, two uv pairs; 32 bytes.
constexpr uint32_t kFvfXyz = 0x2, kFvfDiffuse = 0x40, kFvfTex2 = 0x200;
constexpr uint32_t kFvfGame = 0x242;
struct Vertex {
    float x, y, z;
    uint32_t diffuse;  // 0xAARRGGBB
    float u0, v0, u1, v1;
};
static_assert(sizeof(Vertex) == 32);

struct DisplayMode {
    uint32_t width = 0, height = 0, refreshRate = 0, format = 0;
};
struct Caps {
    uint32_t pixelShaderVersion = 0, vertexShaderVersion = 0;
    uint32_t devCaps = 0, stencilCaps = 0;
    uint32_t maxVertexIndex = 0, maxPrimitiveCount = 0;
    uint32_t maxTextureWidth = 0, maxTextureHeight = 0;
};
struct AdapterIdentifier {
    std::string driver, description;
    uint32_t vendorId = 0, deviceId = 0;
};
struct PresentParams {
    uint32_t backBufferWidth = 0, backBufferHeight = 0, backBufferFormat = 0;
    uint32_t backBufferCount = 1, multiSampleType = 0, swapEffect = kSwapEffectDiscard;
    os::Window* window = nullptr;
    int32_t windowed = 1;
    int32_t enableAutoDepthStencil = 1;
    uint32_t autoDepthStencilFormat = Fmt::D16;
    uint32_t flags = 0, fullScreenRefreshRate = 0, presentationInterval = 0;
};
struct SurfaceDesc {
    uint32_t format = 0, type = 0, usage = 0, pool = 0, size = 0, multiSampleType = 0;
    uint32_t width = 0, height = 0;
};
struct BufferDesc {
    uint32_t format = 0, type = 0, usage = 0, pool = 0, size = 0, fvf = 0;
};
struct LockedRect {
    int32_t pitch = 0;
    void* bits = nullptr;
};
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct Viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};
// Row-vector convention: v' = v * M, translation in row 3.
struct Matrix {
    float m[4][4];
    static Matrix Identity() {
        Matrix r{};
        r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
        return r;
    }
};
struct GammaRamp {
    uint16_t red[256], green[256], blue[256];
};
struct ImageInfo {
    uint32_t width = 0, height = 0, depth = 0, mipLevels = 0, format = 0, resourceType = 0,
             imageFileFormat = 0;
};

class Object {
public:
    virtual ~Object() = default;
    // Destroys the object (the creator's one reference).
    void Release() { delete this; }
};

class Texture : public Object {
public:
    virtual uint32_t GetLevelCount() = 0;
    virtual Result GetLevelDesc(uint32_t level, SurfaceDesc* out) = 0;
    // Locks a level for CPU access in the texture's own format. rect null = whole.
    virtual Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) = 0;
    virtual Result UnlockRect(uint32_t level) = 0;
};

// A system-memory picture (the cursor image).
class Surface : public Object {
public:
    virtual Result GetDesc(SurfaceDesc* out) = 0;
    virtual Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) = 0;
    virtual Result UnlockRect() = 0;
};

class VertexBuffer : public Object {
public:
    virtual Result GetDesc(BufferDesc* out) = 0;
    // sizeBytes 0 locks nothing (an empty range), unlike the original API.
    virtual Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
};

class IndexBuffer : public Object {
public:
    virtual Result GetDesc(BufferDesc* out) = 0;
    virtual Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
};

class Device : public Object {
public:
    virtual Result GetDeviceCaps(Caps* out) = 0;
    virtual Result TestCooperativeLevel() = 0;
    virtual Result Reset(PresentParams* pp) = 0;
    virtual Result Present() = 0;
    virtual Result BeginScene() = 0;
    virtual Result EndScene() = 0;
    virtual Result Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                         uint32_t stencil) = 0;

    virtual Result SetRenderState(uint32_t state, uint32_t value) = 0;
    virtual Result GetRenderState(uint32_t state, uint32_t* value) = 0;
    virtual Result SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) = 0;
    virtual Result GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) = 0;
    virtual Result SetTexture(uint32_t stage, Texture* texture) = 0;
    virtual Result SetStreamSource(uint32_t stream, VertexBuffer* vb, uint32_t stride) = 0;
    virtual Result SetIndices(IndexBuffer* ib, uint32_t baseVertexIndex) = 0;
    virtual Result SetVertexShader(uint32_t fvf) = 0;
    virtual Result SetTransform(uint32_t which, const Matrix* m) = 0;
    virtual Result GetTransform(uint32_t which, Matrix* m) = 0;
    virtual Result SetViewport(const Viewport* vp) = 0;
    virtual Result GetViewport(Viewport* vp) = 0;
    // Indices are absolute (added to the base vertex index of SetIndices).
    virtual Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                        uint32_t startIndex, uint32_t primCount) = 0;

    virtual Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                 uint32_t format, uint32_t pool, Texture** out) = 0;
    virtual Result CreateVertexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t fvf,
                                      uint32_t pool, VertexBuffer** out) = 0;
    virtual Result CreateIndexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t format,
                                     uint32_t pool, IndexBuffer** out) = 0;
    virtual Result CreateImageSurface(uint32_t width, uint32_t height, uint32_t format,
                                      Surface** out) = 0;

    virtual void SetGammaRamp(uint32_t flags, const GammaRamp* ramp) = 0;
    virtual void GetGammaRamp(GammaRamp* ramp) = 0;
    // A 32-bit ARGB surface becomes the mouse cursor with the given hot spot.
    virtual Result SetCursorProperties(uint32_t hotX, uint32_t hotY, Surface* image) = 0;
    // Non-zero: that surface is the pointer over the window; zero: the
    // system's pointer. Returns the previous choice. A back end without a
    // pointer of its own keeps the system's.
    virtual int32_t ShowCursor(int32_t /*show*/) { return 0; }

    // A caller that can draw a scene twice lets the back end take guesses
    // from the scenes before (far cheaper on a software rasteriser): no depth
    // buffer while their depth tests could not fail, no pixels under what
    // covered them. When a guess failed, RedrawScene says so once after
    // EndScene: the caller draws the scene again, and the back end guesses no
    // more for that scene (and uses depth until the tests are safe again).
    virtual void SetDepthOnDemand(bool) {}
    virtual bool RedrawScene() { return false; }

    // Rectangles of back-buffer pixels (right and bottom exclusive) that
    // opaque draws later in the scene paint over: a back end that takes them
    // (TakesHiddenRects) may leave the following draws' pixels inside them
    // unshaded, and shades every other pixel exactly as without them. They
    // hold until the next call; a count of 0 ends them. Others ignore them.
    virtual bool TakesHiddenRects() const { return false; }
    virtual void SetHiddenRects(const Rect* /*rects*/, uint32_t /*count*/) {}
};

// The adapter level: displays, their modes and capabilities; creates the device.
class Api : public Object {
public:
    virtual uint32_t GetAdapterCount() = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter) = 0;
    virtual Result EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out) = 0;
    virtual Result GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) = 0;
    virtual Result GetAdapterIdentifier(uint32_t adapter, uint32_t flags, AdapterIdentifier* out) = 0;
    virtual Result CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                                   uint32_t backBufferFormat, int32_t windowed) = 0;
    virtual Result CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                                     uint32_t usage, uint32_t resourceType, uint32_t format) = 0;
    virtual Result GetDeviceCaps(uint32_t adapter, uint32_t deviceType, Caps* out) = 0;
    virtual Result CreateDevice(uint32_t adapter, uint32_t deviceType, os::Window* focusWindow,
                                uint32_t behaviorFlags, PresentParams* pp, Device** out) = 0;
};

// Back ends. The GL one needs SDL's video subsystem initialised (the window
// layer does that) and returns null when it is not.
Api* CreateGlApi();
// Our own rasteriser for machines without a GPU; it presents through GL, or
// through the window's surface where the window has no GL context or
// `onSurface` asks for it. Null where it cannot run.
Api* CreateSoftApi(bool onSurface = false);
// The back end the game draws with (see ApiChoice): GLORVANE_RENDERER=gl or
// soft decides; otherwise the GL driver of `window` is asked for its renderer
// (through a context that the device made next on the window takes over; no
// device may hold the window's context yet). `logLine` (optional) receives
// the line that says which back end runs, why, and how its frames are shown.
// Where the window has no GL (see os::Window::Create), or GLORVANE_PRESENT is
// "surface", our rasteriser runs and presents through the window's surface.
Api* CreateApi(os::Window* window, std::string* logLine = nullptr);

}  // namespace gpu
