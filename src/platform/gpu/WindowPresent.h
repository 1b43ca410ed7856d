#pragma once
// What every device that shows its picture in a window does with it: put it
// in the mode the present parameters ask for, fit the back buffer into it,
// turn an ARGB surface into the mouse cursor, and map the cursor onto the
// back buffer's pixels.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Fills a windowed request's missing back-buffer size from the window; false
// when the parameters cannot make a back buffer.
bool CompletePresentParams(os::Window* window, PresentParams* pp);
void ApplyWindowMode(os::Window* window, const PresentParams& pp);
// The parameters a reset to `asked` takes on a device showing `current` in
// `window` (what the request leaves out stays), with the window put in their
// mode; false, and the window untouched, when they cannot make a back buffer.
bool StartReset(os::Window* window, const PresentParams& current, const PresentParams& asked,
                PresentParams* out);
// Tells the caller of a reset the back buffer it got.
void ReportReset(const PresentParams& used, PresentParams* asked);
// Where a back buffer of bbWidth x bbHeight lands in a drawable of
// width x height with its aspect kept: x, y (GL's bottom-left origin), w, h.
void FitPicture(int32_t width, int32_t height, uint32_t bbWidth, uint32_t bbHeight, int32_t out[4]);
// The game reads the cursor in back-buffer pixels; `shown` is where the last
// present put the picture (as FitPicture gives it).
void MapCursorToPicture(os::Window* window, const int32_t shown[4], uint32_t bbWidth,
                        uint32_t bbHeight);

// Gives the window a 32-bit ARGB surface (the back ends' SystemSurface) as the
// game's own pointer picture; the window shows it while ShowSurfaceCursor says so.
Result SetSurfaceCursor(os::Window* window, uint32_t hotX, uint32_t hotY, Surface* image);
// 1 shows the picture set above, 0 the system's pointer; returns the choice before.
int32_t ShowSurfaceCursor(os::Window* window, int32_t show);

} // namespace gpu
