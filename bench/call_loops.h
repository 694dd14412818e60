#pragma once
// The small call as the transport and server benchmarks make it, both ways:
// through the framework's client, and as a bare DEALER sending the same
// frame. items_per_second is calls per second.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

namespace zelbench {

constexpr std::size_t kSmallCallData = 128;

void FrameworkCalls(benchmark::State& state, const std::string& endpoint);
void BareCalls(benchmark::State& state, const std::string& endpoint);

}  // namespace zelbench
