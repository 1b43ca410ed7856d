#include "platform/gpu/WindowPresent.h"

#include <algorithm>
#include <cmath>

#include "platform/os/Window.h"

namespace gpu {

void ApplyWindowMode(os::Window* window, const PresentParams& pp) {
    if (pp.windowed) {
        window->SetFullScreen(false);
        window->SetClientSize(static_cast<int>(pp.backBufferWidth),
                              static_cast<int>(pp.backBufferHeight));
    } else {
        // No real mode switch: the desktop stays as it is and the back buffer is
        // scaled into it.
        window->SetFullScreen(true);
    }
}

void FitPicture(int32_t width, int32_t height, uint32_t bbWidth, uint32_t bbHeight,
                int32_t out[4]) {
    // Keep the back buffer's aspect: bars where the window's shape differs.
    double s =
        std::min(static_cast<double>(width) / bbWidth, static_cast<double>(height) / bbHeight);
    auto w = static_cast<int32_t>(std::min<double>(width, std::floor(bbWidth * s + 0.5)));
    auto h = static_cast<int32_t>(std::min<double>(height, std::floor(bbHeight * s + 0.5)));
    out[0] = (width - w) / 2;
    out[1] = (height - h) / 2;
    out[2] = w;
    out[3] = h;
}

void MapCursorToPicture(os::Window* window, const int32_t shown[4], uint32_t bbWidth,
                        uint32_t bbHeight) {
    int dw = 0, dh = 0, cw = 0, ch = 0;
    window->GetDrawableSize(&dw, &dh);
    window->GetClientSize(&cw, &ch);
    if (dw <= 0 || dh <= 0)
        return;
    float toClientX = cw > 0 ? static_cast<float>(cw) / static_cast<float>(dw) : 1.0f;
    float toClientY = ch > 0 ? static_cast<float>(ch) / static_cast<float>(dh) : 1.0f;
    window->SetCursorMapping(
        static_cast<float>(shown[0]) * toClientX,
        static_cast<float>(dh - shown[1] - shown[3]) * toClientY,
        static_cast<float>(bbWidth) / (static_cast<float>(shown[2]) * toClientX),
        static_cast<float>(bbHeight) / (static_cast<float>(shown[3]) * toClientY),
        static_cast<int>(bbWidth), static_cast<int>(bbHeight));
}

void SetSurfaceCursor(os::Window* window, uint32_t hotX, uint32_t hotY, const SystemSurface& s) {
    // The pixel words are 0xAARRGGBB, which is SDL's packed ARGB8888.
    window->SetCursorPicture(reinterpret_cast<const uint32_t*>(s.Bits()),
                             static_cast<int>(s.Width()), static_cast<int>(s.Height()),
                             static_cast<int>(s.Pitch()), static_cast<int>(hotX),
                             static_cast<int>(hotY));
}

void ShowSurfaceCursor(os::Window* window, bool on) {
    window->ShowCursorPicture(on);
}

} // namespace gpu
