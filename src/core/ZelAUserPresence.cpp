#include "zelclnt/core/ZelAUserPresence.h"

ZelAUserPresence::ZelAUserPresence(const std::string& first, const std::string& second)
    : ZelTUserPresence(), ZelAPresenceServer(first, second) {}

ZelAUserPresence::ZelAUserPresence(const ZelAUserPresence& other)
    : ZelTUserPresence(other), ZelAPresenceServer(other) {}

ZelAUserPresence& ZelAUserPresence::operator=(const ZelAUserPresence& other) {
  ZelTUserPresence::operator=(other);
  TFramework::operator=(other);
  return *this;
}

ZelTPresenceServer::ActionResult ZelAUserPresence::Query(const std::string& server) {
  return Send(server, ACTION_QUERY);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SetRoutingState(const std::string& server,
                                                                   ZelTRoutingState::enRoutingState state, long reason,
                                                                   bool synchronous) {
  SetState(state);
  SetRoutingStateReason(reason);
  if (synchronous) SetRequestMode(REQUESTMODE_SYNC);
  return Send(server, ACTION_SET_ROUTING_STATE);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SetPrimaryContact(const std::string& server, std::string contactId,
                                                                     long requeueCount) {
  return SendForContact(server, ACTION_SET_PRIMARY_CONTACT, contactId, requeueCount);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SetRecoveryMode(const std::string& server, bool on) {
  SetRecoveryModeFlag(on);
  return Send(server, ACTION_SET_RECOVERY_MODE);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SetContactAssist(const std::string& server, bool on) {
  SetContactAssistFlag(on);
  return Send(server, ACTION_SET_CONTACT_ASSIST);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SubmitWrapup(const std::string& server, std::string contactId,
                                                                long requeueCount, std::list<long> reasons,
                                                                long queueKey, long sqNum) {
  reasons.push_front(sqNum);
  reasons.push_front(queueKey);
  SetReasons(reasons);
  return SendForContact(server, ACTION_SUBMIT_WRAPUP, contactId, requeueCount);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::RequestPostProcessing(const std::string& server,
                                                                         std::string contactId, long requeueCount,
                                                                         long reason) {
  SetReasons({reason});
  return SendForContact(server, ACTION_REQUEST_POST_PROCESSING, contactId, requeueCount);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::ExitPostProcessing(const std::string& server,
                                                                      std::string contactId, long requeueCount) {
  return SendForContact(server, ACTION_EXIT_POST_PROCESSING, contactId, requeueCount);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::CancelMandatoryPostProcessing(const std::string& server,
                                                                                 std::string contactId,
                                                                                 long requeueCount) {
  return SendForContact(server, ACTION_CANCEL_MANDATORY_POST_PROCESSING, contactId, requeueCount);
}

ZelTPresenceServer::ActionResult ZelAUserPresence::Send(const std::string& server, Action action) {
  SetAction(action);
  return SendRequest(server, *this, GetDefaultRpcTimeout());
}

ZelTPresenceServer::ActionResult ZelAUserPresence::SendForContact(const std::string& server, Action action,
                                                                  const std::string& contactId, long requeueCount) {
  SetContactID(contactId);
  SetRequeueCount(requeueCount);
  return Send(server, action);
}
