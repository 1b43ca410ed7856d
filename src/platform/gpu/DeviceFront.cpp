#include "platform/gpu/DeviceFront.h"

#include "platform/os/Window.h"

namespace gpu {
namespace {

bool BackBufferFormat(uint32_t f) {
    return f == Fmt::A8R8G8B8 || f == Fmt::X8R8G8B8 || f == Fmt::R5G6B5 || f == Fmt::X1R5G5B5 ||
           f == Fmt::A1R5G5B5;
}

// D16 and the other depth formats of the original API (70-80).
bool DepthFormat(uint32_t f) {
    constexpr uint32_t kFirstDepth = 70, kLastDepth = 80;
    return f >= kFirstDepth && f <= kLastDepth;
}

} // namespace

Result PreparePresentParams(os::Window* window, PresentParams* pp) {
    os::Window* w = pp->window ? pp->window : window;
    if (pp->windowed && w && (pp->backBufferWidth == 0 || pp->backBufferHeight == 0)) {
        int cw = 0, ch = 0;
        w->GetClientSize(&cw, &ch);
        pp->backBufferWidth = static_cast<uint32_t>(cw > 0 ? cw : 0);
        pp->backBufferHeight = static_cast<uint32_t>(ch > 0 ? ch : 0);
    }
    constexpr uint32_t kMaxBackBuffers = 3;
    if (pp->backBufferWidth == 0 || pp->backBufferHeight == 0 ||
        pp->backBufferWidth > kMaxPictureSide || pp->backBufferHeight > kMaxPictureSide)
        return Refuse("present parameters: a back-buffer side of 0 or past the largest picture");
    if (!BackBufferFormat(pp->backBufferFormat))
        return Refuse("present parameters: not a back-buffer format");
    if (pp->backBufferCount > kMaxBackBuffers)
        return Refuse("present parameters: more than three back buffers");
    if (pp->swapEffect == 0)
        return Refuse("present parameters: no swap effect");
    if (pp->enableAutoDepthStencil && !DepthFormat(pp->autoDepthStencilFormat))
        return Refuse("present parameters: depth asked for without a depth format");
    return kOk;
}

uint64_t TextureBytes(uint32_t width, uint32_t height, uint32_t levels, uint32_t format) {
    uint64_t bytes = 0;
    for (uint32_t i = 0; i < levels; ++i) {
        const uint32_t w = width >> i ? width >> i : 1, h = height >> i ? height >> i : 1;
        bytes += static_cast<uint64_t>(RowPitch(w, format)) * h;
    }
    return bytes;
}

} // namespace gpu
