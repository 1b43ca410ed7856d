#pragma once
// The window's GL 3.3 context (one at a time) for both devices that show
// their picture through GL, waiting for the vertical blank or not, and the
// read-back helper they share.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"

struct SDL_Window;

namespace gpu {

class WindowGlContext {
public:
    // The window's context, made current; null (with the reason on stderr)
    // when there is none, or while another device holds one.
    static std::unique_ptr<WindowGlContext> Create(os::Window* window);
    ~WindowGlContext();
    WindowGlContext(const WindowGlContext&) = delete;
    WindowGlContext& operator=(const WindowGlContext&) = delete;

    // Whether a device holds the one context now (a second device is refused).
    static bool InUse();
    // The window's GL driver's GL_RENDERER string; empty when no context can
    // be made (or a device holds the one). The context made for the question
    // is kept for the next Create on the window, until DropParked.
    static std::string RendererName(os::Window* window);
    static void DropParked();

    // Makes the context current if another is: asks SDL, which knows.
    void MakeCurrent();
    // What a device calls before it touches GL, hundreds of times a frame:
    // free while the last context made current through this class is this
    // one and nothing since said Forget. SDL switches contexts behind our back
    // only where it shows a window surface through a GL context of its own
    // (our surface present says so after its calls) and where it drops a
    // window (os::Window says so).
    void KeepCurrent() {
        if (current_ != this)
            MakeCurrent();
    }
    static void Forget() { current_ = nullptr; }
    // Needs the context current.
    void ApplySwapInterval(uint32_t interval);

private:
    WindowGlContext(SDL_Window* window, void* context) : window_(window), context_(context) {}

    // The context this thread last made current through this class, unless
    // a call that may have switched since said Forget.
    static inline thread_local const WindowGlContext* current_ = nullptr;

    SDL_Window* window_;
    void* context_; // SDL_GLContext
};

// The bound framebuffer's bottom-left w x h as 0xAARRGGBB words, top row first.
void ReadFramebuffer(uint32_t w, uint32_t h, std::vector<uint32_t>& argb);

} // namespace gpu
