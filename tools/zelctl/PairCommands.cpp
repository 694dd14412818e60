#include "PairCommands.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "AdminFrame.h"
#include "CallReport.h"
#include "ErrorJson.h"
#include "RequestJson.h"
#include "Output.h"
#include "ReplyText.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelctl {
namespace {

constexpr long kRoleWaitMs = 2000;
// A hand-over takes the peer at most its catch-up time, and some room.
constexpr auto kHandOverWait = std::chrono::seconds(10);
constexpr auto kLookAgain = std::chrono::milliseconds(50);

std::string RoleLine(const std::string& endpoint, const TServerState& state) {
  return endpoint + ": " + ToString(state.role) + ", term " + TServerTerm::ToString(state.term);
}

std::string FiguresLine(const TServerState& state) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", state.inRoleMs / 1000.0);
  return "role changes:     took over " + std::to_string(state.takeOvers) + ", stood down " +
         std::to_string(state.standDowns) + ", handed over " + std::to_string(state.handOvers) + "; " +
         std::to_string(state.lostChanges) + " acknowledged changes lost; " + seconds + " s in this role\n";
}

zeljson::Json FiguresJson(const TServerState& state) {
  return {{"inRoleMs", state.inRoleMs},     {"takeOvers", state.takeOvers},    {"standDowns", state.standDowns},
          {"handOvers", state.handOvers}, {"lostChanges", state.lostChanges}};
}

// Two that serve at once: the one under the lower term stands by at the
// next call of any client of the pair, which carries the higher term.
std::string TwoServingText(const std::string& lower, const TServerState& low, const std::string& higher,
                           const TServerState& high) {
  return "two servers serve at once: " + lower + " under term " + TServerTerm::ToString(low.term) + ", " + higher +
         " under term " + TServerTerm::ToString(high.term) + "; " + lower +
         ", under the lower term, stands by at the next call of a client of the pair, and what it changed since " +
         higher + " took over is lost";
}

}  // namespace

void AddPairCommands(CLI::App& app, Command& chosen) {
  app.add_subcommand("failover", "Ask the server that serves to hand over to its peer, and wait until it did")
      ->callback([&chosen] { chosen = Failover; });
}

int QueryPairStatus(ZelAPresenceServer& api, const std::vector<std::string>& endpoints) {
  std::string serving;
  TServerState servingState;
  std::string warning;
  zeljson::Json servers = zeljson::Json::array();
  for (const std::string& endpoint : endpoints) {
    zeljson::Json json = {{"endpoint", endpoint}};
    TServerState state;
    if (!api.QueryRole(endpoint.c_str(), kRoleWaitMs, state)) {
      const std::string failure = TFramework::LastFailure().text;
      if (!JsonOutput()) std::fprintf(Out(), "%s: %s\n", endpoint.c_str(), failure.c_str());
      json["error"] = zeljson::ErrorJson("unreachable", failure)["error"];
      servers.push_back(json);
      continue;
    }
    if (state.role == TServerRole::Serving && !serving.empty()) {
      const bool higher = state.term > servingState.term;
      warning = higher ? TwoServingText(serving, servingState, endpoint, state)
                       : TwoServingText(endpoint, state, serving, servingState);
    }
    if (state.role == TServerRole::Serving && (serving.empty() || state.term > servingState.term)) {
      serving = endpoint;
      servingState = state;
    }
    json["role"] = ToString(state.role);
    json["term"] = TServerTerm::ToString(state.term);
    json["figures"] = FiguresJson(state);
    if (!JsonOutput()) std::fprintf(Out(), "%s\n%s", RoleLine(endpoint, state).c_str(), FiguresLine(state).c_str());
    // A server that does not serve refuses, but tells its status all the same.
    ZelTServerStatus status;
    if (api.QueryServerStatus(endpoint, status) == ZelTPresenceServer::ACTION_SUCCEEDED ||
        !status.GetCallOutcome().Failed()) {
      if (!JsonOutput()) std::fprintf(Out(), "%s", ServerStatusText(status).c_str());
      json["status"] = zeljson::ToJson(status);
    }
    servers.push_back(json);
  }
  if (JsonOutput()) {
    zeljson::Json pair = {{"servers", servers}, {"serving", serving.empty() ? zeljson::Json() : zeljson::Json(serving)}};
    if (!warning.empty()) pair["warning"] = warning;
    std::fprintf(Out(), "%s\n", zeljson::Text(pair).c_str());
  } else {
    if (!warning.empty()) std::fprintf(Out(), "warning: %s\n", warning.c_str());
    std::fprintf(Out(), "serving: %s\n", serving.empty() ? "none" : serving.c_str());
  }
  return serving.empty() || !warning.empty() ? 1 : 0;
}

int Failover(ZelAPresenceServer& api, const std::string& server) {
  TRPC rpc;
  rpc.SetRPCType(zelsim::kHandOverRpcType);
  const std::string call = zelsim::EncodeAdminCall({});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  if (!api.SendRPC(rpc, server.c_str(), replies, ZelTRequest::kDefaultRpcTimeout, 0))
    return Fail("failover failed: " + rpc.GetOutcome().text);
  zelsim::AdminAnswer answer;
  if (!zelsim::DecodeAdminAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), answer))
    return Fail("failover failed: " + server + " does not hand over");
  if (!answer.done) return Fail("failover refused: " + answer.text);
  const std::string& peer = answer.text;
  if (!JsonOutput()) std::fprintf(Out(), "handing over to %s\n", peer.c_str());
  std::fflush(Out());
  // The peer serves under a term above the one handing over.
  const auto until = std::chrono::steady_clock::now() + kHandOverWait;
  TServerState state;
  while (std::chrono::steady_clock::now() < until) {
    if (api.QueryRole(peer.c_str(), kRoleWaitMs, state) && state.role == TServerRole::Serving &&
        state.term > answer.term) {
      const zeljson::Json json = {
          {"handedOverTo", peer}, {"role", ToString(state.role)}, {"term", TServerTerm::ToString(state.term)}};
      std::fprintf(Out(), "%s\n", JsonOutput() ? zeljson::Text(json).c_str() : RoleLine(peer, state).c_str());
      return 0;
    }
    std::this_thread::sleep_for(kLookAgain);
  }
  return Fail("the hand-over to " + peer + " did not complete: it is " + ToString(state.role));
}

}  // namespace zelctl
