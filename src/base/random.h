// The process-wide random generator. Everything random in the program (jitter, weather,
// picture and track order) draws from it, so tests can seed it and replay a run exactly.
#pragma once

#include <cstdint>

namespace lpc {

// Seeds from the clock.
void Randomize();
// Seeds with a fixed value.
void RandSeed(uint32_t seed);
// When fixed, Randomize() keeps the current sequence: lets tools and tests repeat runs whose
// code seeds from the clock.
void SetFixedSeed(bool fixed);
// Uniform integer 0..n-1; n <= 0 gives 0.
int32_t Random(int32_t n);
// Uniform double in [0, 1).
double RandomDouble();

}  // namespace lpc
