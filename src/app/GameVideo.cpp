// The video mode the options form switches: full screen and back to the
// window the player had.
#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/Surface.h"

namespace {

constexpr const char* kCursorPicture = "Menu\\Cursor.png";
constexpr uint32_t kCursorSize = 32;

} // namespace

bool CGame::IsFullScreen() const {
    return !Renderer.IsNull() && Renderer->GetVideoSettings().fullScreen != 0;
}

bool CGame::SwitchFullScreen(bool fullScreen) {
    if (Renderer.IsNull())
        return false;
    if (fullScreen == IsFullScreen())
        return true;
    uint32_t width = 0, height = 0, format = 0;
    Renderer->GetCurrentMode(fullScreen, &width, &height, &format);
    if (fullScreen) {
        // Back from full screen the window gets its old size again.
        WindowedWidth = width;
        WindowedHeight = height;
    } else if (WindowedWidth > 0 && WindowedHeight > 0) {
        width = WindowedWidth;
        height = WindowedHeight;
    }
    if (Renderer->SwitchVideoMode(fullScreen, width, height, format))
        return true;
    LogObject(fullScreen ? "Unable to switch to full screen!\n"
                         : "Unable to switch to a window!\n");
    return false;
}

void CGame::LoadCursor() {
    if (Device.IsNull() || Renderer.IsNull())
        return;
    if (Device->FindSurface(CRenderer::kCursorSurface) < 0) {
        CSharedPtr<CSurface> surface(new CSurface);
        gpu::Device* device = Device->GetDevice();
        if (gpu::Failed(surface->Create(device, CRenderer::kCursorSurface, kCursorSize, kCursorSize,
                                        gpu::Fmt::A8R8G8B8)) ||
            gpu::Failed(surface->LoadFromFile(device, Paths.GfxPath + kCursorPicture, 1))) {
            LogObject("Unable to load the cursor picture!\n");
            return;
        }
        Device->RegisterSurface(surface);
    }
    Renderer->ApplyCursorSurface();
    ApplyCursorChoice();
}

void CGame::ApplyCursorChoice() {
    if (!Device.IsNull() && Device->GetDevice() &&
        Device->FindSurface(CRenderer::kCursorSurface) >= 0)
        Device->GetDevice()->ShowCursor(Graphics.GraphicalCursor ? 1 : 0);
}
