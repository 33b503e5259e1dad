// The millisecond tick count: a 32-bit counter that wraps after about 49.7 days. Time-outs
// compare differences in 32-bit arithmetic so they survive the wrap.
#pragma once
#include <cstdint>
#include <functional>

namespace movra {

uint32_t GetTickCount();
// A test may replace the clock (for instance to start just below 2^31 or 2^32);
// an empty function restores the steady clock.
void SetTickSource(std::function<uint32_t()> source);
inline uint32_t TickDiff(uint32_t later, uint32_t earlier) { return later - earlier; }

}  // namespace movra
