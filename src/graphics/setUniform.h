#pragma once

#include <cstdint>

namespace Zem::Graphics {

struct Matrix4;

// Uniform setters by name on the program in use. Program 0 (a pass whose program failed)
// is skipped, so a missing program file costs no GL error.
void setUniform(uint32_t program, const char* name, int value);
void setUniform(uint32_t program, const char* name, float value);
void setUniform(uint32_t program, const char* name, float x, float y);
// One matrix, not transposed.
void setUniform(uint32_t program, const char* name, const Matrix4& value);

} // namespace Zem::Graphics
