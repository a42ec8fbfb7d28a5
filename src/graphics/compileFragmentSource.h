#pragma once

#include <cstdint>
#include <string>

namespace Zem::Graphics {

// A fragment shader object made from source the engine writes itself (a program's companion
// that defines its switches); 0 without GLSL or when it does not compile.
uint32_t compileFragmentSource(const std::string& source);

} // namespace Zem::Graphics
