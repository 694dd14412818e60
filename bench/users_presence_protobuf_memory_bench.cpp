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

using zelbench::Footprint;

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

// What the parse holds, and what protobuf itself says the message uses.
Footprint Parse(const std::string& wire, std::size_t* spaceUsed = nullptr) {
  const zelbench::FootprintMark mark;
  auto message = std::make_unique<zelbench::pb::UsersPresence>();
  if (!message->ParseFromString(wire)) return {};
  if (spaceUsed) *spaceUsed = message->SpaceUsedLong();
  return mark.Since(message->users_size());
}

void BM_ProtobufParseMemory(benchmark::State& state) {
  const std::string wire = FullUsersWire(static_cast<int>(state.range(0)));
  Footprint footprint;
  std::size_t spaceUsed = 0;
  for (auto _ : state) footprint = Parse(wire, &spaceUsed);
  if (footprint.records != state.range(0)) state.SkipWithError("not every user was parsed");
  zelbench::ReportFootprint(state, footprint, wire.size());
  state.counters["space_used"] = static_cast<double>(spaceUsed);
}

void BM_ProtobufHostileMemory(benchmark::State& state) {
  const std::string wire = EmptyEntriesWire(static_cast<std::size_t>(state.range(0)));
  Footprint footprint;
  for (auto _ : state) footprint = Parse(wire);
  zelbench::ReportAmplification(state, footprint, wire.size());
}

BENCHMARK(BM_ProtobufParseMemory)->Arg(100000)->Iterations(1);
BENCHMARK(BM_ProtobufHostileMemory)->Arg(1 << 20)->Iterations(1);

}  // namespace
