// A users-presence query of 1,000 agents through the simulator, over inproc
// and loopback tcp, each beside a bare ZeroMQ round trip of the same bytes,
// so that the library's share of the round trip reads as a ratio.
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

constexpr int kAgents = 1000;
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
WireSizes UsersPresenceSizes() {
  ZelTQueryUsersPresence query;
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  TRPC rpc;
  query.PackRpcCall(rpc);
  for (const ZelTUserPresence& agent : zelsim::SeedAgents(kAgents, kSeed)) query.GetUsersPresence().PushBack(agent);
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  query.PackRpcReply(rpc);
  return {rpc.GetCallSize() + kCallFrame, rpc.GetReplySize() + kReplyFrame};
}

void QueryRoundTrip(benchmark::State& state, const std::string& endpoint) {
  TDiag::SetFilters("NONE");
  zelsim::SimulatorOptions options;
  options.endpoint = endpoint;
  options.agents = kAgents;
  options.seed = kSeed;
  zelsim::PresenceSimulator simulator(options);
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
  if (last->GetUsersPresence().Size() != kAgents) state.SkipWithError("not every agent came back");
  state.SetItemsProcessed(state.iterations() * kAgents);
  // The reply received, packed again: what the simulator sent.
  TRPC rpc;
  last->PackRpcReply(rpc);
  state.counters["reply_bytes"] = static_cast<double>(rpc.GetReplySize() + kReplyFrame);
  TDiag::ResetFilters();
}

void BareRoundTrip(benchmark::State& state, const std::string& endpoint) {
  const WireSizes sizes = UsersPresenceSizes();
  zelbench::BareRoundTrip(state, endpoint, sizes.call, sizes.reply);
  state.SetItemsProcessed(state.iterations() * kAgents);
  state.counters["reply_bytes"] = static_cast<double>(sizes.reply);
}

void BM_QueryUsersPresence_Inproc(benchmark::State& state) { QueryRoundTrip(state, "inproc://bench-users"); }
void BM_BareZmqUsersReply_Inproc(benchmark::State& state) { BareRoundTrip(state, "inproc://bench-users-bare"); }
void BM_QueryUsersPresence_Tcp(benchmark::State& state) { QueryRoundTrip(state, "tcp://127.0.0.1:*"); }
void BM_BareZmqUsersReply_Tcp(benchmark::State& state) { BareRoundTrip(state, "tcp://127.0.0.1:*"); }

BENCHMARK(BM_QueryUsersPresence_Inproc)->UseRealTime();
BENCHMARK(BM_BareZmqUsersReply_Inproc)->UseRealTime();
BENCHMARK(BM_QueryUsersPresence_Tcp)->UseRealTime();
BENCHMARK(BM_BareZmqUsersReply_Tcp)->UseRealTime();

}  // namespace
