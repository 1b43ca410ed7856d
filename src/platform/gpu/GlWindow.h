#pragma once
// What both devices that show their picture through GL do with the window:
// make its GL 3.3 context (one at a time), put it in the mode the present
// parameters ask for, wait for the vertical blank or not, turn an ARGB surface
// into the mouse cursor, and map the cursor onto the back buffer's pixels.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"

typedef void* SDL_GLContext;

namespace gpu {

// The window's GL 3.3 context, made current; null (with the reason on stderr)
// when there is none, or while another device holds one.
SDL_GLContext CreateWindowContext(os::Window* window);
void DestroyWindowContext(os::Window* window, SDL_GLContext context);
// Whether a device holds the one context now (a second device is refused).
bool WindowContextInUse();

// The window's GL driver's GL_RENDERER string; empty when no context can be
// made (or a device holds the one). The context made for the question is kept
// for the next CreateWindowContext on the window, until DropParkedContext.
std::string GlRendererName(os::Window* window);
void DropParkedContext();

// Fills a windowed request's missing back-buffer size from the window; false
// when the parameters cannot make a back buffer.
bool CompletePresentParams(os::Window* window, PresentParams* pp);
void ApplyWindowMode(os::Window* window, const PresentParams& pp);
void ApplySwapInterval(uint32_t interval);

// Where a back buffer of bbWidth x bbHeight lands in a drawable of
// width x height with its aspect kept: x, y (GL's bottom-left origin), w, h.
void FitPicture(int32_t width, int32_t height, uint32_t bbWidth, uint32_t bbHeight, int32_t out[4]);
// The game reads the cursor in back-buffer pixels; `shown` is where the last
// present put the picture (as FitPicture gives it).
void MapCursorToPicture(os::Window* window, const int32_t shown[4], uint32_t bbWidth,
                        uint32_t bbHeight);

// Gives the window a 32-bit ARGB surface (the back ends' GlSurface) as the
// game's own pointer picture; the window shows it while ShowSurfaceCursor says so.
Result SetSurfaceCursor(os::Window* window, uint32_t hotX, uint32_t hotY, Surface* image);
// 1 shows the picture set above, 0 the system's pointer; returns the choice before.
int32_t ShowSurfaceCursor(os::Window* window, int32_t show);

uint32_t CompileShader(uint32_t type, const char* src);
uint32_t LinkProgram(uint32_t vs, uint32_t fs);
// The bound framebuffer's bottom-left w x h as 0xAARRGGBB words, top row first.
void ReadFramebuffer(uint32_t w, uint32_t h, std::vector<uint32_t>& argb);

} // namespace gpu
