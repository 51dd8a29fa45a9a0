// Which instruction set the pixel kernels use: decided once per process from what the processor
// and the operating system support, and optionally lowered by the environment variable
// MURIVO_CPU=baseline|avx2|avx512 (to test or measure a lower path on a processor that has a
// higher one). Each kernel family reads the path once per call and passes it down to its row
// and block loops; a kernel given an explicit path takes it, which is how tests compare paths.
#pragma once

#include <string>

// Ordered: each path may use everything of the ones before it, so `path >= ProcessorPath::avx2`
// reads "AVX2 may be used".
enum class ProcessorPath {
    baseline, // SSE2, part of every x86-64 processor
    avx2,
    avx512, // AVX-512 F, BW, VL and VBMI (the byte permutes)
};

// The path the kernels take: the best the processor and the system support, capped by
// MURIVO_CPU when that names a path (an unknown value is ignored, with one diagnostic line).
// Decided on first use, safely from any thread, and the same from then on.
ProcessorPath ActiveProcessorPath();

// The best path the processor and the system support (the system must save the wider register
// state), whatever MURIVO_CPU says.
ProcessorPath SupportedProcessorPath();

// "baseline", "avx2" or "avx512".
const char* ProcessorPathName(ProcessorPath path);

// One line without a newline that names the path in use and why, e.g.
// "processor path: avx2 (supported: avx512; MURIVO_CPU=avx2)", for test and benchmark logs.
std::string ProcessorPathSummary();
