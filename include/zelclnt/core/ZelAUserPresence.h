#pragma once
// Acts on one user: set the user key and id on the object, then call one of
// its methods. Each stores its arguments and action in the object itself,
// sends the object to the named server and unpacks the reply into it, so
// that after Query the object holds the user's whole presence. Every other
// field stays as the last call left it (a request mode of REQUESTMODE_SYNC
// stays for later calls, for one).
//
// An object serves one thread at a time; threads acting on users at once
// use an object each.

#include <list>
#include <string>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelAUserPresence : public ZelTUserPresence, public ZelAPresenceServer {
 public:
  ZelAUserPresence() = default;
  // Registers with the framework under the two names, as ZelAPresenceServer.
  ZelAUserPresence(const std::string& first, const std::string& second);
  ZelAUserPresence(const ZelAUserPresence& other);
  ZelAUserPresence& operator=(const ZelAUserPresence& other);
  ~ZelAUserPresence() override = default;

  // The texts of both bases' enumerations, side by side.
  using ZelTPresenceServer::ToString;
  using ZelTRequest::ToString;

  ActionResult Query(const std::string& server);
  // With synchronous false the request mode stays as it was.
  ActionResult SetRoutingState(const std::string& server, ZelTRoutingState::enRoutingState state, long reason,
                               bool synchronous);
  ActionResult SetPrimaryContact(const std::string& server, std::string contactId, long requeueCount);
  ActionResult SetRecoveryMode(const std::string& server, bool on);
  ActionResult SetContactAssist(const std::string& server, bool on);
  // The reasons travel as [queueKey, sqNum, reasons...]; see GetSubmitWrapupInfo.
  ActionResult SubmitWrapup(const std::string& server, std::string contactId, long requeueCount,
                            std::list<long> reasons, long queueKey, long sqNum);
  ActionResult RequestPostProcessing(const std::string& server, std::string contactId, long requeueCount, long reason);
  ActionResult ExitPostProcessing(const std::string& server, std::string contactId, long requeueCount);
  ActionResult CancelMandatoryPostProcessing(const std::string& server, std::string contactId, long requeueCount);

 private:
  ActionResult Send(const std::string& server, Action action);
  ActionResult SendForContact(const std::string& server, Action action, const std::string& contactId,
                              long requeueCount);
};
