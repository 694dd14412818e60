// A users-presence query of 1,000 and 50,000 agents through the simulator,
// over inproc and loopback tcp, beside its floor: the server's pack of the
// reply from its table, the client's unpack of it, and a bare ZeroMQ round
// trip of the same bytes. The round trip over the sum of the three reads as
// the library's share.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "AgentSeeder.h"
#include "PresenceSimulator.h"
#include "bare_round_trip.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

constexpr unsigned kSeed = 1;
constexpr std::size_t kCallFrame = 20;
constexpr std::size_t kReplyFrame = 20;

struct WireSizes {
  std::size_t call;
  std::size_t reply;
};

// The simulator's table is seeded as SeedAgents seeds it, so the same agents
// packed here give its call and reply sizes, transport frames included (the
// query's reply_bytes, taken from what it received, shows the same).
WireSizes UsersPresenceSizes(int agents) {
  ZelTQueryUsersPresence query;
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  TRPC rpc;
  query.PackRpcCall(rpc);
  for (const ZelTUserPresence& agent : zelsim::SeedAgents(agents, kSeed)) query.GetUsersPresence().PushBack(agent);
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  query.PackRpcReply(rpc);
  return {rpc.GetCallSize() + kCallFrame, rpc.GetReplySize() + kReplyFrame};
}

zelsim::SimulatorOptions Seeded(const std::string& endpoint, int agents) {
  zelsim::SimulatorOptions options;
  options.endpoint = endpoint;
  options.agents = agents;
  options.seed = kSeed;
  return options;
}

void QueryRoundTrip(benchmark::State& state, const std::string& endpoint) {
  TDiag::SetFilters("NONE");
  const int agents = static_cast<int>(state.range(0));
  zelsim::PresenceSimulator simulator(Seeded(endpoint, agents));
  std::string error;
  if (!simulator.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  ZelAPresenceServer api;
  auto last = std::make_unique<ZelTQueryUsersPresence>();
  for (auto _ : state) {
    // A query holding a successful reply would send its records back in
    // the call, so each call starts from a fresh one, as most callers do.
    auto query = std::make_unique<ZelTQueryUsersPresence>();
    query->SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    if (api.QueryUsersPresence(simulator.Endpoint(), *query) != ZelTPresenceServer::ACTION_SUCCEEDED) {
      state.SkipWithError("query failed");
      break;
    }
    last = std::move(query);
  }
  simulator.Stop();
  if (last->GetUsersPresence().Size() != agents)
    state.SkipWithError("not every agent came back");
  state.SetItemsProcessed(state.iterations() * agents);
  // The reply received, packed again: what the simulator sent.
  TRPC rpc;
  last->PackRpcReply(rpc);
  state.counters["reply_bytes"] = static_cast<double>(rpc.GetReplySize() + kReplyFrame);
  TDiag::ResetFilters();
}

void BareRoundTrip(benchmark::State& state, const std::string& endpoint) {
  const WireSizes sizes = UsersPresenceSizes(static_cast<int>(state.range(0)));
  zelbench::BareRoundTrip(state, endpoint, sizes.call, sizes.reply);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["reply_bytes"] = static_cast<double>(sizes.reply);
}

TRPC QueryCall() {
  ZelTQueryUsersPresence query;
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  TRPC rpc;
  query.PackRpcCall(rpc);
  return rpc;
}

// The floor's server part: the simulator's answer, packed from its table,
// as its handler gives it (no transport).
void BM_SimulatorPacksUsersReply(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator simulator(Seeded("inproc://bench-users-pack", static_cast<int>(state.range(0))));
  TRPC rpc = QueryCall();
  for (auto _ : state) {
    simulator.Handle(rpc);
    benchmark::DoNotOptimize(rpc.GetReplyPointer());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["reply_bytes"] = static_cast<double>(rpc.GetReplySize() + kReplyFrame);
  TDiag::ResetFilters();
}

// The floor's client part: that reply read into a fresh query, as the
// round trip's caller reads it.
void BM_ClientUnpacksUsersReply(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator simulator(Seeded("inproc://bench-users-unpack", static_cast<int>(state.range(0))));
  TRPC rpc = QueryCall();
  simulator.Handle(rpc);
  for (auto _ : state) {
    ZelTQueryUsersPresence query;
    query.UnpackRpcReply(rpc);
    if (query.GetUsersPresence().Size() != state.range(0)) {
      state.SkipWithError("not every agent read");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  TDiag::ResetFilters();
}

void BM_QueryUsersPresence_Inproc(benchmark::State& state) { QueryRoundTrip(state, "inproc://bench-users"); }
void BM_BareZmqUsersReply_Inproc(benchmark::State& state) { BareRoundTrip(state, "inproc://bench-users-bare"); }
void BM_QueryUsersPresence_Tcp(benchmark::State& state) { QueryRoundTrip(state, "tcp://127.0.0.1:*"); }
void BM_BareZmqUsersReply_Tcp(benchmark::State& state) { BareRoundTrip(state, "tcp://127.0.0.1:*"); }

BENCHMARK(BM_SimulatorPacksUsersReply)->Arg(1000)->Arg(50000);
BENCHMARK(BM_ClientUnpacksUsersReply)->Arg(1000)->Arg(50000);
BENCHMARK(BM_QueryUsersPresence_Inproc)->Arg(1000)->Arg(50000)->UseRealTime();
BENCHMARK(BM_BareZmqUsersReply_Inproc)->Arg(1000)->Arg(50000)->UseRealTime();
BENCHMARK(BM_QueryUsersPresence_Tcp)->Arg(1000)->Arg(50000)->UseRealTime();
BENCHMARK(BM_BareZmqUsersReply_Tcp)->Arg(1000)->Arg(50000)->UseRealTime();

}  // namespace
