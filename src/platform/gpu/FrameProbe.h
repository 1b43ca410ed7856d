#pragma once
// What tests, tools and benchmarks read from a drawing device besides the
// device API: the picture, what presenting makes of it, and counters. Both back
// ends that draw for real offer it.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Why a back end drawing by damage drew a tile: its signature changed; its
// colour, or its depth, depends on what the last frame left there; it was
// tinted in the last frame (GLORVANE_DAMAGE_SHOW=1) and is drawn untinted; or
// the whole frame was drawn, on the first frame, a new back buffer, drawing
// by damage switched or off, a reset, a flush before the frame's end, or
// while resting after frames that changed nearly everywhere.
enum DrawnCause : uint32_t {
    kDrawnChanged,
    kDrawnLastColor,
    kDrawnLastDepth,
    kDrawnTinted,
    kWholeFirst,
    kWholeNewTarget,
    kWholeSwitched,
    kWholeOff,
    kWholeReset,
    kWholeFlushed,
    kWholeResting,
    kDrawnCauses
};
inline constexpr std::array<const char*, kDrawnCauses> kDrawnCauseNames = {
    "changed",      "last_colour", "last_depth", "tinted",  "whole_first",  "whole_target",
    "whole_switch", "whole_off",   "whole_reset", "whole_flush", "whole_rest"};
using DrawnTiles = std::array<uint64_t, kDrawnCauses>;

class FrameProbe {
public:
    // "GL" or "software": which back end draws.
    virtual const char* BackEndName() const = 0;
    virtual uint32_t BackBufferWidth() const = 0;
    virtual uint32_t BackBufferHeight() const = 0;
    // The back buffer as 0xAARRGGBB words, top row first.
    virtual void ReadBackBuffer(std::vector<uint32_t>& argb) = 0;
    // The present pass into an offscreen target of width x height (as if the
    // window's drawable had that size), read back like ReadBackBuffer.
    virtual void ReadPresented(uint32_t width, uint32_t height, std::vector<uint32_t>& argb) = 0;
    // Draw calls so far (clears and present passes included).
    virtual uint64_t DrawCalls() const = 0;
    // Frames handed to the window so far (a present whose frame changed
    // nothing it shows may hand over none).
    virtual uint64_t FramesShown() const = 0;
    // State changes handed to the driver so far (none where there is none).
    virtual uint64_t StateCalls() const = 0;
    // Scenes so far that had to be drawn again.
    virtual uint64_t SceneRedraws() const = 0;
    // Pixels (at most) left out of draws so far, where they would have changed nothing.
    virtual uint64_t SkippedPixels() const = 0;
    // Pixels drawn where frames could differ from the ones before (all of
    // them where a back end draws every frame whole: none counted).
    virtual uint64_t DamagedPixels() const { return 0; }
    // The tiles drawn by damage so far, by cause (none counted where a back
    // end draws every frame whole).
    virtual DrawnTiles TilesDrawn() const { return {}; }
    // Whether the current (or last) scene is drawn without depth tests or writes.
    virtual bool DrawsWithoutDepth() const = 0;
    // Bytes the live textures hold in CPU memory now.
    virtual uint64_t TextureCopyBytes() const = 0;
    // Returns once every issued command has taken effect.
    virtual void Finish() = 0;
    // The next back buffer the device makes fails as if memory ran out, so
    // tests can see what a refused reset leaves behind.
    virtual void FailNextBackBuffer() = 0;

protected:
    ~FrameProbe() = default;
};

// The inspection of a device that offers one; null for the recording back end.
FrameProbe* ProbeOf(Device* device);

} // namespace gpu
