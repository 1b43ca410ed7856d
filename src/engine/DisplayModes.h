#pragma once
// The display modes of one adapter that the game can use, and the lookups that
// choose one by size, format, colour depth or aspect ratio; and the GPU class
// that rates an adapter when the game has to pick a mode by itself.
#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;  // 20..30
    uint32_t bits = 0;    // bits per pixel of the format
    uint32_t redBits = 0, redMask = 0, redShift = 0;
    uint32_t greenBits = 0, greenMask = 0, greenShift = 0;
    uint32_t blueBits = 0, blueMask = 0, blueShift = 0;
    uint32_t alphaBits = 0, alphaMask = 0, alphaShift = 0;
    uint32_t windowed = 0;       // usable as display and back-buffer format in a window
    uint32_t fullScreen = 0;     // usable in full screen
    uint32_t targetFormat = 0;   // a render-target texture format for this mode, 0 for none
};

class DisplayModeList {
public:
    DisplayModeList(gpu::Api* api, int adapter);

    // Enumerates the adapter's modes: at least 640x480, one record per size and
    // format, formats 20..30 the adapter can show and render into; sorted by
    // width, then height, then bits. Finds the desktop mode.
    void Build(gpu::Api* api, int adapter);

    // Each lookup returns a record index. Pass 1 wants the exact size; with
    // `fallback` pass 2 takes the first record at least that large, and when
    // both fail the last (largest) record. Without fallback: -1.
    int Find(uint32_t width, uint32_t height, uint32_t format, bool fallback) const;
    int FindWindowed(uint32_t width, uint32_t height, uint32_t format, bool fallback) const;
    int FindFullscreen(uint32_t width, uint32_t height, uint32_t format, bool fallback) const;
    // Pass 2 does not test the full-screen flag.
    int FindFullscreenBySize(uint32_t width, uint32_t height, bool fallback) const;
    // Bits match when equal, or when one is 24 and the other 32.
    int FindFullscreenByDepth(uint32_t width, uint32_t height, int bits, bool fallback) const;
    // A full-screen mode of matching bits whose height / width is within
    // `tolerance` of `ratio` (or below it), of the given height (or taller); -1
    // when none.
    int FindByAspect(float ratio, float tolerance, uint32_t height, int bits) const;

    int Count() const { return static_cast<int>(modes_.size()); }
    const DisplayMode& operator[](int index) const { return modes_[static_cast<size_t>(index)]; }
    const std::vector<DisplayMode>& Modes() const { return modes_; }
    // The record of the adapter's current display mode, usable in a window; -1 for none.
    int GetDesktopIndex() const { return desktopIndex_; }
    const DisplayMode* GetDesktopMode() const;
    int GetAdapter() const { return adapter_; }

private:
    int Last() const { return Count() - 1; }

    gpu::Api* api_ = nullptr;
    int adapter_ = 0;
    std::vector<DisplayMode> modes_;
    int desktopIndex_ = -1;
};

// Bits-match rule of the lookups.
bool BitsMatch(uint32_t a, uint32_t b);

// 0..5 from the adapter's capabilities: 0 unreadable, 1 basic, 2 stencil zero
// operation, 3 hardware transform and lighting, 4 vertex shaders (or pixel
// shaders on a vendor other than 0x1002), 5 pixel shaders on vendor 0x1002.
int GetGpuClass(int adapter, gpu::Api* api);
