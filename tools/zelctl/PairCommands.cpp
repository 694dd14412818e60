#include "PairCommands.h"

#include <chrono>
#include <thread>

#include "AdminFrame.h"
#include "CallOutcome.h"
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

}  // namespace

void AddPairCommands(CLI::App& app, Command& chosen) {
  app.add_subcommand("failover", "Ask the server that serves to hand over to its peer, and wait until it did")
      ->callback([&chosen] { chosen = Failover; });
}

int QueryPairStatus(ZelAPresenceServer& api, const std::vector<std::string>& endpoints) {
  std::string serving;
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
    if (state.role == TServerRole::Serving && serving.empty()) serving = endpoint;
    json["role"] = ToString(state.role);
    json["term"] = TServerTerm::ToString(state.term);
    if (!JsonOutput()) std::fprintf(Out(), "%s\n", RoleLine(endpoint, state).c_str());
    // A server that does not serve refuses, but tells its status all the same.
    ZelTServerStatus status;
    if (api.QueryServerStatus(endpoint, status) == ZelTPresenceServer::ACTION_SUCCEEDED ||
        TFramework::LastFailure().kind == TFramework::FailureKind::None) {
      if (!JsonOutput()) std::fprintf(Out(), "%s", ServerStatusText(status).c_str());
      json["status"] = zeljson::ToJson(status);
    }
    servers.push_back(json);
  }
  if (JsonOutput()) {
    const zeljson::Json pair = {{"servers", servers}, {"serving", serving.empty() ? zeljson::Json() : zeljson::Json(serving)}};
    std::fprintf(Out(), "%s\n", zeljson::Text(pair).c_str());
  } else {
    std::fprintf(Out(), "serving: %s\n", serving.empty() ? "none" : serving.c_str());
  }
  return serving.empty() ? 1 : 0;
}

int Failover(ZelAPresenceServer& api, const std::string& server) {
  TRPC rpc;
  rpc.SetRPCType(zelsim::kHandOverRpcType);
  const std::string call = zelsim::EncodeAdminCall({});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  if (!api.SendRPC(rpc, server.c_str(), replies, ZelTRequest::kDefaultRpcTimeout, 0))
    return Fail("failover failed: " + TFramework::LastFailure().text);
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
