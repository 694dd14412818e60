#include "zelclnt/core/ZelAPresenceServer.h"

#include <memory>
#include <string>
#include <mutex>

#include "zelclnt/core/ZelTCompletionQueue.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

constexpr unsigned short kFrameworkClientType = 5;
constexpr const char* kClass = "ZelAPresenceServer";
constexpr auto kQueryIntegratedPresenceAction = ZelTQueryIntegratedPresence::Action{1};

// Calls that change nothing: a list of servers may send them to the next
// server after a time-out (TRPC::SetIdempotent).
bool IsQuery(const ZelTRequest& request) {
  switch (request.GetObjectType()) {
    case ZelTServerStatus::kObjectType:
    case ZelTQueryIntegratedPresence::kObjectType:
    case ZelTQueryUsersPresence::kObjectType:
    case ZelTQueryUserMediumStatus::kObjectType:
      return true;
    case ZelTUserPresence::kObjectType:
      return request.GetActionType() == ZelTUserPresence::ACTION_QUERY;
    default:
      return false;
  }
}

void RecordVersionOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const TVersionDiagHelper version(ZelAPresenceServer::kVersionName, ZelAPresenceServer::kVersion);
  });
}

}  // namespace

ZelAPresenceServer::ZelAPresenceServer() = default;

ZelAPresenceServer::ZelAPresenceServer(const std::string& first, const std::string& second)
    : TFramework(first.c_str(), second.c_str(), kFrameworkClientType) {
  RecordVersionOnce();
}

ZelAPresenceServer::ZelAPresenceServer(const ZelAPresenceServer& other) : ZelTPresenceServer(other), TFramework(other) {}

ZelAPresenceServer& ZelAPresenceServer::operator=(const ZelAPresenceServer& other) {
  TFramework::operator=(other);
  return *this;
}

ZelAPresenceServer::~ZelAPresenceServer() = default;

ZelTPresenceServer::ActionResult ZelAPresenceServer::QueryServerStatus(const std::string& server,
                                                                       ZelTServerStatus& request) {
  return SendQuery("QueryServerStatus", server, request, ZelTServerStatus::ACTION_QUERY);
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::QueryIntegratedPresence(const std::string& server,
                                                                             ZelTQueryIntegratedPresence& query) {
  return SendQuery("QueryIntegratedPresence", server, query, kQueryIntegratedPresenceAction);
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::QueryUsersPresence(const std::string& server,
                                                                        ZelTQueryUsersPresence& query) {
  return SendQuery("QueryUsersPresence", server, query, ZelTQueryUsersPresence::ACTION_QUERY);
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::QueryUserMediumStatus(const std::string& server,
                                                                           ZelTQueryUserMediumStatus& query) {
  return SendQuery("QueryUserMediumStatus", server, query, ZelTQueryUserMediumStatus::ACTION_QUERY);
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::AddCapability(const std::string& server,
                                                                   ZelTAddCapability& request) {
  return SendCapability("AddCapability", server, request);
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::RemoveCapability(const std::string& server,
                                                                      ZelTRemoveCapability& request) {
  return SendCapability("RemoveCapability", server, request);
}

template <typename Request>
ZelTPresenceServer::ActionResult ZelAPresenceServer::SendQuery(const char* method, const std::string& server,
                                                               Request& request, typename Request::Action action) {
  NuxFenx trace(__LINE__, __FILE__, kClass, method);
  request.SetAction(action);
  return SendRequest(server, request, request.GetDefaultRpcTimeout());
}

// The whole value decides: a type such as 65538 is not campaign director.
ZelTPresenceServer::ActionResult ZelAPresenceServer::SendCapability(const char* method, const std::string& server,
                                                                    ZelTCapabilityRequest& request) {
  NuxFenx trace(__LINE__, __FILE__, kClass, method);
  if (request.GetCapabilityTypeValue() != ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR) {
    RefuseAsNotSent(server.c_str(),
                    "capability type " + std::to_string(static_cast<long>(request.GetCapabilityTypeValue())) +
                        " is not one the server changes",
                    request.m_outcome);
    return ACTION_NOT_CARRIED_OUT;
  }
  return SendRequest(server, request, request.GetDefaultRpcTimeout());
}

ZelTPresenceServer::ActionResult ZelAPresenceServer::SendRequest(const std::string& server, ZelTRequest& request,
                                                                 unsigned int timeout) {
  NuxFenx trace(__LINE__, __FILE__, kClass, "SendRequest");
  TRPC rpc;
  if (!Prepare(server, request, rpc)) return ACTION_NOT_CARRIED_OUT;
  // The request's outcome lends the call its storage, and takes the call's back.
  rpc.SwapOutcome(request.m_outcome);
  const bool answered = SendRequest(server, rpc, timeout);
  rpc.SwapOutcome(request.m_outcome);
  return answered ? TakeReply(request, rpc) : ACTION_NOT_CARRIED_OUT;
}

bool ZelAPresenceServer::Start(const std::string& server, ZelTRequest& request, ZelTCompletionQueue& queue,
                               void* tag, long timeoutMs) {
  NuxFenx trace(__LINE__, __FILE__, kClass, "Start");
  ZelTCompletionQueue::Call& call = queue.NewCall();
  if (timeoutMs <= 0) timeoutMs = static_cast<long>(request.GetDefaultRpcTimeout());
  const bool started = Prepare(server, request, call.rpc);
  if (!started || !StartRPC(call.rpc, server.c_str(), queue.m_queue, timeoutMs, &call)) {
    if (started) request.m_outcome = call.rpc.GetOutcome();
    queue.m_free.push_back(&call);
    return false;
  }
  call.request = &request;
  call.tag = tag;
  request.m_inFlight.Hold(&call);
  return true;
}

bool ZelAPresenceServer::Prepare(const std::string& server, ZelTRequest& request, TRPC& rpc) {
  if (request.IsInFlight()) {
    RefuseAsBusy(server.c_str());
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, kClass, "SendRequest") << "Request In Flight";
    return false;
  }
  rpc.SetIdempotent(IsQuery(request));
  request.InitializeRequest();
  // A call that could not be packed is not sent; the SEVR line said why.
  if (request.PackRpcCall(rpc) == ERR_NONE) return true;
  RefuseAsNotSent(server.c_str(), "the request could not be packed", request.m_outcome);
  return false;
}

// A reply without the common part must not report an earlier success.
ZelTPresenceServer::ActionResult ZelAPresenceServer::TakeReply(ZelTRequest& request, const TRPC& rpc) {
  request.SetActionResult(ACTION_NOT_CARRIED_OUT);
  request.UnpackRpcReply(rpc);
  return request.GetActionResult();
}

bool ZelAPresenceServer::SendRequest(const std::string& server, TRPC& rpc, unsigned int timeout) {
  TThreadQueue replies;
  if (!SendRPC(rpc, server.c_str(), replies, static_cast<long>(timeout), 0)) {
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, kClass, "SendRequest") << "Send RPC Failed";
    return false;
  }
  if (rpc.GetReturnCode() != 0) {
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, kClass, "SendRequest") << "RPC Return Error";
    return false;
  }
  return true;
}
