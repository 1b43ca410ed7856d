#pragma once
// The window's GL 3.3 context (one at a time) for both devices that show
// their picture through GL, waiting for the vertical blank or not, and the
// shader and read-back helpers they share.
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

void ApplySwapInterval(uint32_t interval);

uint32_t CompileShader(uint32_t type, const char* src);
uint32_t LinkProgram(uint32_t vs, uint32_t fs);
// The bound framebuffer's bottom-left w x h as 0xAARRGGBB words, top row first.
void ReadFramebuffer(uint32_t w, uint32_t h, std::vector<uint32_t>& argb);

} // namespace gpu
