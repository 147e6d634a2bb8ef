#pragma once
// The heap of a benchmark program that links CountedHeap.cpp: every allocation is counted.

#include <cstdint>

namespace runwell::bench {

/// Bytes the program holds now.
std::int64_t HeapHeld();
/// The most it held at once since the last reset.
std::int64_t HeapPeak();
/// Starts a new peak at what is held now, and returns that.
std::int64_t ResetHeapPeak();

}  // namespace runwell::bench
