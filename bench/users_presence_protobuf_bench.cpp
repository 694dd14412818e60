// The users-presence reply of users_presence_bench.cpp encoded and decoded
// with Protocol Buffers, what a user would otherwise pick: same records,
// same counters, so that the ratio of the two reads off one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "users_presence_message.h"

namespace {

using zelbench::CachedUsersMessage;
using zelbench::UsersMessage;

void CountWork(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["wire_bytes"] = static_cast<double>(bytes);
}

bool Parse(const std::string& wire, zelbench::pb::UsersPresence& message) {
  return message.ParseFromArray(wire.data(), static_cast<int>(wire.size()));
}

// A message read back must encode to the bytes it was read from.
bool ReadsBack(const UsersMessage& users) {
  zelbench::pb::UsersPresence message;
  return Parse(users.wire, message) && message.SerializeAsString() == users.wire;
}

// Sizing, then writing into a buffer kept across iterations, as ours.
void BM_ProtobufSerialize(benchmark::State& state) {
  const UsersMessage& users = CachedUsersMessage(static_cast<int>(state.range(0)));
  std::vector<char> buffer(users.wire.size());
  for (auto _ : state) {
    const std::size_t size = users.message.ByteSizeLong();
    if (size > buffer.size() || !users.message.SerializeToArray(buffer.data(), static_cast<int>(size))) {
      state.SkipWithError("serialisation failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  CountWork(state, users.wire.size());
}

void BM_ProtobufParseFresh(benchmark::State& state) {
  const UsersMessage& users = CachedUsersMessage(static_cast<int>(state.range(0)));
  if (!ReadsBack(users)) return state.SkipWithError("the message read back differs");
  for (auto _ : state) {
    zelbench::pb::UsersPresence message;
    benchmark::DoNotOptimize(Parse(users.wire, message));
  }
  CountWork(state, users.wire.size());
}

// Parsed once before timing: a kept message reuses what the last parse built.
void BM_ProtobufParseKept(benchmark::State& state) {
  const UsersMessage& users = CachedUsersMessage(static_cast<int>(state.range(0)));
  if (!ReadsBack(users)) return state.SkipWithError("the message read back differs");
  zelbench::pb::UsersPresence message;
  Parse(users.wire, message);
  for (auto _ : state) benchmark::DoNotOptimize(Parse(users.wire, message));
  CountWork(state, users.wire.size());
}

BENCHMARK(BM_ProtobufSerialize)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ProtobufParseFresh)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ProtobufParseKept)->Arg(1000)->Arg(100000);

}  // namespace
