// Packing and unpacking a users-presence reply of full user records, beside
// a plain memcpy of the same bytes, so that the cost per byte and per user
// reads as a ratio of figures measured in one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "full_users.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using zelbench::CachedUsersReply;
using zelbench::UsersReply;

void CountWork(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["wire_bytes"] = static_cast<double>(bytes);
}

void ReadInto(const std::string& body, ZelTQueryUsersPresence& query) {
  TPack reader(body.data(), static_cast<unsigned long>(body.size()));
  query.UnpackRequest(reader);
}

// A reply read back must pack to the bytes it was read from, or the
// timings would be of some other work.
bool ReadsBack(const UsersReply& reply) {
  ZelTQueryUsersPresence query;
  ReadInto(reply.body, query);
  return query.GetUsersPresence().Size() == reply.query.GetUsersPresence().Size() &&
         zelbench::BodyOf(query) == reply.body;
}

// The server's way: a sizing pass, then a writing pass into a buffer of
// exactly that size (kept across iterations, as protobuf's is).
void BM_PackUsersPresence(benchmark::State& state) {
  UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  std::vector<char> buffer(reply.body.size());
  for (auto _ : state) {
    TPack sizing(0);
    reply.query.PackRequest(sizing);
    TPack writer;
    writer.SetBuffer(buffer.data(), sizing.BufferSizeRequired());
    reply.query.PackRequest(writer);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  CountWork(state, reply.body.size());
}

// The whole envelope, as the simulator answers: its own buffer and the copy
// into the call's reply.
void BM_PackUsersPresenceReply(benchmark::State& state) {
  UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TRPC rpc;
    benchmark::DoNotOptimize(reply.query.PackRpcReply(rpc));
    benchmark::DoNotOptimize(rpc.GetReplyPointer());
  }
  CountWork(state, reply.body.size());
}

void BM_UnpackUsersPresenceFresh(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  if (!ReadsBack(reply)) return state.SkipWithError("the records read back differ");
  for (auto _ : state) {
    ZelTQueryUsersPresence query;
    ReadInto(reply.body, query);
    benchmark::DoNotOptimize(query.GetUsersPresence().Size());
  }
  CountWork(state, reply.body.size());
}

// Read once before timing, so that every iteration also releases the
// records of the one before, as a query kept for a caller's next reply does.
void BM_UnpackUsersPresenceKept(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  if (!ReadsBack(reply)) return state.SkipWithError("the records read back differ");
  ZelTQueryUsersPresence query;
  ReadInto(reply.body, query);
  for (auto _ : state) {
    ReadInto(reply.body, query);
    benchmark::DoNotOptimize(query.GetUsersPresence().Size());
  }
  CountWork(state, reply.body.size());
}

void BM_MemcpyUsersPresence(benchmark::State& state) {
  const UsersReply& reply = CachedUsersReply(static_cast<int>(state.range(0)));
  std::vector<char> target(reply.body.size());
  for (auto _ : state) {
    std::memcpy(target.data(), reply.body.data(), reply.body.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  CountWork(state, reply.body.size());
}

BENCHMARK(BM_PackUsersPresence)->Arg(1000)->Arg(100000);
BENCHMARK(BM_PackUsersPresenceReply)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnpackUsersPresenceFresh)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnpackUsersPresenceKept)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MemcpyUsersPresence)->Arg(1000)->Arg(100000);

}  // namespace
