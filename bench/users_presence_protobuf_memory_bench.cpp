// The figures of users_presence_memory_bench.cpp for Protocol Buffers'
// parse of the same data, and of a reply of empty user entries, to compare.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <string>

#include "allocation_meter.h"
#include "full_users.h"
#include "users_presence_message.h"

namespace {

using zelbench::BytesInUse;
using zelbench::PeakBytesInUse;

struct Footprint {
  std::size_t peak;
  std::size_t held;
  std::size_t allocations;
  std::size_t spaceUsed;
  int users;
};

// Only the encoding stays: the records and the message would count.
std::string FullUsersWire(int users) {
  ZelTQueryUsersPresence query;
  zelbench::FillAnsweredQuery(query, users);
  zelbench::pb::UsersPresence message;
  zelbench::FillMessage(query, message);
  return message.SerializeAsString();
}

// An empty entry is 2 bytes: its tag and a zero length.
std::string EmptyEntriesWire(std::size_t bytes) {
  zelbench::pb::UsersPresence message;
  message.set_query_type(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  const std::size_t entries = (bytes - message.ByteSizeLong()) / 2;
  for (std::size_t i = 0; i < entries; ++i) message.add_users();
  return message.SerializeAsString();
}

Footprint Parse(const std::string& wire) {
  const std::size_t base = BytesInUse();
  const std::size_t allocations = zelbench::AllocationCount();
  zelbench::ResetPeak();
  auto message = std::make_unique<zelbench::pb::UsersPresence>();
  if (!message->ParseFromString(wire)) return {};
  return {PeakBytesInUse() - base, BytesInUse() - base, zelbench::AllocationCount() - allocations,
          message->SpaceUsedLong(), message->users_size()};
}

void BM_ProtobufParseMemory(benchmark::State& state) {
  const std::string wire = FullUsersWire(static_cast<int>(state.range(0)));
  Footprint footprint{};
  for (auto _ : state) footprint = Parse(wire);
  if (footprint.users != state.range(0)) state.SkipWithError("not every user was parsed");
  state.counters["wire_bytes"] = static_cast<double>(wire.size());
  state.counters["peak_bytes"] = static_cast<double>(footprint.peak);
  state.counters["held_bytes"] = static_cast<double>(footprint.held);
  state.counters["space_used"] = static_cast<double>(footprint.spaceUsed);
  state.counters["peak_per_held"] = static_cast<double>(footprint.peak) / static_cast<double>(footprint.held);
  state.counters["held_per_wire"] = static_cast<double>(footprint.held) / static_cast<double>(wire.size());
  state.counters["held_per_user"] = static_cast<double>(footprint.held) / static_cast<double>(footprint.users);
  state.counters["allocations_per_user"] =
      static_cast<double>(footprint.allocations) / static_cast<double>(footprint.users);
}

void BM_ProtobufHostileMemory(benchmark::State& state) {
  const std::string wire = EmptyEntriesWire(static_cast<std::size_t>(state.range(0)));
  Footprint footprint{};
  for (auto _ : state) footprint = Parse(wire);
  state.counters["wire_bytes"] = static_cast<double>(wire.size());
  state.counters["records"] = static_cast<double>(footprint.users);
  state.counters["held_bytes"] = static_cast<double>(footprint.held);
  state.counters["amplification"] = static_cast<double>(footprint.held) / static_cast<double>(wire.size());
}

BENCHMARK(BM_ProtobufParseMemory)->Arg(100000)->Iterations(1);
BENCHMARK(BM_ProtobufHostileMemory)->Arg(1 << 20)->Iterations(1);

}  // namespace
