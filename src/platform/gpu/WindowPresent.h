#pragma once
// What every device that shows its picture in a window does with it: put it
// in the mode the present parameters ask for, fit the back buffer into it,
// turn an ARGB surface into the mouse cursor, and map the cursor onto the
// back buffer's pixels.
#include <cstdint>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/SystemSurface.h"

namespace gpu {

// Puts the window in the mode the (checked) present parameters ask for.
void ApplyWindowMode(os::Window* window, const PresentParams& pp);
// Where a back buffer of bbWidth x bbHeight lands in a drawable of
// width x height with its aspect kept: x, y (GL's bottom-left origin), w, h.
void FitPicture(int32_t width, int32_t height, uint32_t bbWidth, uint32_t bbHeight, int32_t out[4]);
// The game reads the cursor in back-buffer pixels; `shown` is where the last
// present put the picture (as FitPicture gives it).
void MapCursorToPicture(os::Window* window, const int32_t shown[4], uint32_t bbWidth,
                        uint32_t bbHeight);

// Gives the window a 32-bit ARGB surface (checked by the device front) as
// the game's own pointer picture; the window shows it while told to.
void SetSurfaceCursor(os::Window* window, uint32_t hotX, uint32_t hotY, const SystemSurface& s);
// On: the picture set above is the pointer over the window; off: the system's.
void ShowSurfaceCursor(os::Window* window, bool on);

} // namespace gpu
