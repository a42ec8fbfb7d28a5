#pragma once

namespace Zem::Main {

// Milliseconds of the steady clock, with their fraction: the time frames, turns and the music
// layer measure real time by.
double steadyMs();

} // namespace Zem::Main
