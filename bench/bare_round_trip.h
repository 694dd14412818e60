#pragma once
// A bare ZeroMQ round trip: a ROUTER on its own context that answers every
// call with a reply of fixed size, and a DEALER that calls it. It is the
// floor any library on ZeroMQ could reach for those sizes; give it the
// sizes of a real call and reply, transport frames included.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

namespace zelbench {

void BareRoundTrip(benchmark::State& state, const std::string& endpoint, std::size_t callBytes, std::size_t replyBytes);

}  // namespace zelbench
