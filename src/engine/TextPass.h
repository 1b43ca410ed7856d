#pragma once
// The tags that say in which of the renderer's two text passes a text sprite
// is drawn: with the ordinary texts of the level, or over everything else
// (the frame counter, the shop's notes). The renderer draws each pass by its
// tag, so whoever sets a tag and the renderer must read the same numbers.
#include <cstdint>

namespace TextPass {
inline constexpr int32_t kNormal = -1;
inline constexpr int32_t kTop = 12345;
} // namespace TextPass
