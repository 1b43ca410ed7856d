// The video mode the options form switches: full screen and back to the
// window the player had.
#include "app/Game.h"
#include "engine/ObjectLog.h"
#include "engine/Renderer.h"

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
