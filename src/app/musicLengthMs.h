#pragma once

#include <cstdint>
#include <string>

namespace Zem::App {

// How long the Ogg Vorbis music in the file lasts, read from its pages without decoding it; -1
// when the file cannot be read as music.
int64_t musicLengthMs(const std::string& path);

} // namespace Zem::App
