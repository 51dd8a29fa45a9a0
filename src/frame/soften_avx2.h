// Row kernels of the softening blur, 32 bytes a step with AVX2: called on the avx2 path and
// above only (base/processor_features.h). Each returns how many leading bytes of the row it
// wrote (a multiple of 32); the caller finishes the rest.
#pragma once

#include <cstdint>

// out[k] = sum of in[k + 4i] for i in -radius..radius, times reciprocal / 65536.
int BoxAlongRowAvx2(const uint8_t* in, uint8_t* out, int n, int radius, uint16_t reciprocal);

// sum[k] += entering[k] - leaving[k]; out[k] = sum[k] x reciprocal / 65536.
int SlideBoxAvx2(uint16_t* sum, const uint8_t* entering, const uint8_t* leaving, uint8_t* out,
                 int n, uint16_t reciprocal);

// out[k] = (side x (a[k] + c[k]) + (256 - 2 side) x b[k] + 128) / 256.
int ThreeTapsAvx2(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int n,
                  int side);
