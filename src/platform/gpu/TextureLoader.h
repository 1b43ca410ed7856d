#pragma once
// Textures and surfaces from picture files, in place of the original helper
// library. Built on the Device API only, so they work with every back end.
//
// Pictures keep their own size (never rounded to powers of two). Pixels are
// packed into the texture's format level by level through LockRect; lower mip
// levels are box-filtered from the level above. Format Fmt::Unknown picks
// A8R8G8B8 for a picture with an alpha channel (or when a colour key is given)
// and X8R8G8B8 otherwise; grey pictures also become X8R8G8B8, so a reader of any
// channel sees the grey level.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gpu/Gpu.h"

namespace gpu {

// Resampling filters (low byte of a filter argument; kDefault = Box). None
// copies 1:1 without scaling (outside the picture: transparent black), Point
// takes the nearest pixel, the others average the covered area.
namespace Filter {
enum : uint32_t { None = 1, Point = 2, Linear = 3, Triangle = 4, Box = 5 };
}

// width/height 0 or kDefault: the picture's own. mipLevels 0 or kDefault: the full
// chain. colorKey != 0: pixels whose ARGB equals it become 0x00000000. mipFilter
// is accepted for the call shape; mips are always box-filtered. info (optional)
// receives the picture's own description.
// Results: kOk; kErrNotFound (missing file); kErrInvalidData (not a picture we
// can decode); kErrInvalidCall (bad arguments); or the device's failure. Each
// call here starts with no refusal, and a refusal of its own names the rule
// broken, as the device's do (LastRefusal), so the game's log says why.
Result CreateTextureFromFileEx(Device* device, const std::string& path, uint32_t width,
                               uint32_t height, uint32_t mipLevels, uint32_t usage, uint32_t format,
                               uint32_t pool, uint32_t filter, uint32_t mipFilter,
                               uint32_t colorKey, ImageInfo* info, Texture** out);

// Why the latest picture this thread tried to decode was refused (missing file,
// damaged data, ...); null when it decoded. Callers that log a failed load add it.
const char* LastDecodeError();

// The same from a picture file held in memory.
Result CreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size,
                                       uint32_t width, uint32_t height, uint32_t mipLevels,
                                       uint32_t usage, uint32_t format, uint32_t pool,
                                       uint32_t filter, uint32_t mipFilter, uint32_t colorKey,
                                       ImageInfo* info, Texture** out);

// An empty texture. width/height 0 or kDefault: 256; mipLevels 0 or kDefault: full
// chain; format Fmt::Unknown: A8R8G8B8.
Result CreateTexture(Device* device, uint32_t width, uint32_t height, uint32_t mipLevels,
                     uint32_t usage, uint32_t format, uint32_t pool, Texture** out);

// Loads the srcRect part of a picture file (null: all of it) into the dstRect
// part of a surface (null: all of it), scaled to fit.
Result LoadSurfaceFromFile(Surface* surface, const Rect* dstRect, const std::string& path,
                           const Rect* srcRect, uint32_t filter, uint32_t colorKey,
                           ImageInfo* info);

} // namespace gpu
