#pragma once
// The GL back end's translation of the fixed-function state: state values to
// GL enums, and the GLSL it draws with (one fragment shader per combiner key),
// compiled and linked.
#include <cstdint>
#include <string>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/StageCombiner.h"

namespace gpu {

// State values -> GL enums. Values outside the original range get a harmless choice
// (blend ONE/ZERO, compare ALWAYS, address REPEAT).
uint32_t GlBlendFactor(uint32_t blend, bool isSource);
uint32_t GlCompareFunc(uint32_t cmp);
uint32_t GlAddressMode(uint32_t address);
uint32_t GlMinFilter(uint32_t minFilter, uint32_t mipFilter);
uint32_t GlMagFilter(uint32_t magFilter);

// GLSL 3.30 sources. The vertex stage transforms with the row-vector matrix uMvp,
// moves the half-pixel sample offset by uPixelShift (NDC units) and maps the
// original 0..1 depth to GL's -1..1.
const char* CombinerVertexShader();
std::string CombinerFragmentShader(CombinerKey key);
// The present pass: the back buffer through the 3x256 gamma ramp.
const char* PresentVertexShader();
const char* PresentFragmentShader();

// A compiled shader or linked program; 0 (with the log on stderr) when GL refuses.
uint32_t CompileShader(uint32_t type, const char* src);
uint32_t LinkProgram(uint32_t vs, uint32_t fs);

} // namespace gpu
