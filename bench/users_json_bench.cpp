// A users-presence reply of full records as the gateway answers it: the
// records written as JSON text in one go, beside the library's own unpack
// of the same reply's bytes, so that what JSON costs reads as a ratio; and
// the same reply as a JSON value (the text read back), what a caller that
// wants to edit the JSON pays.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "JsonValues.h"
#include "RequestJson.h"
#include "full_users.h"
#include "zelclnt/platform/TPack.h"

namespace {

using zelbench::CachedUsersReply;
using zelbench::UsersReply;

void CountUsers(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * state.range(0)); }

void BM_UnpackUsersPresenceForJson(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ZelTQueryUsersPresence query;
    TPack reader(reply.body.data(), static_cast<unsigned long>(reply.body.size()));
    query.UnpackRequest(reader);
    benchmark::DoNotOptimize(query.GetUsersPresence().Size());
  }
  CountUsers(state);
}

void BM_UsersPresenceToJsonText(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = zeljson::UsersText(reply.query);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  CountUsers(state);
  state.counters["json_bytes"] = static_cast<double>(bytes);
  state.counters["wire_bytes"] = static_cast<double>(reply.body.size());
}

void BM_UsersPresenceToJsonValue(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(zeljson::ToJson(reply.query).size());
  CountUsers(state);
}

}  // namespace

BENCHMARK(BM_UnpackUsersPresenceForJson)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UsersPresenceToJsonText)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UsersPresenceToJsonValue)->Arg(10000)->Unit(benchmark::kMillisecond);
