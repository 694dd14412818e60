#pragma once
// The API through which an application talks to the presence server: it
// packs a request object, sends it to the named server and unpacks the reply
// into the same object. Each call blocks its thread until the reply comes or
// the request's time-out passes; an object may be shared between threads
// (its calls are then serialised), a request object may not. Start sends a
// request without waiting: its end comes through a ZelTCompletionQueue.

#include <string>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/ZelExport.h"

class TRPC;
class ZelTAddCapability;
class ZelTCapabilityRequest;
class ZelTCompletionQueue;
class ZelTQueryIntegratedPresence;
class ZelTQueryUserMediumStatus;
class ZelTQueryUsersPresence;
class ZelTRemoveCapability;
class ZelTRequest;
class ZelTServerStatus;

class ZELCLNT_API ZelAPresenceServer : public ZelTPresenceServer, public TFramework {
 public:
  static constexpr const char* kVersionName = "Presence ServerClientversion";
  static constexpr const char* kVersion = "V11 R0.0.0";

  ZelAPresenceServer();
  // Registers with the framework under the two names; the first such object
  // of the process records the library's version.
  ZelAPresenceServer(const std::string& first, const std::string& second);
  ZelAPresenceServer(const ZelAPresenceServer& other);
  ZelAPresenceServer& operator=(const ZelAPresenceServer& other);
  ~ZelAPresenceServer() override;

  ActionResult QueryServerStatus(const std::string& server, ZelTServerStatus& request);
  // Sends the query with action 1, whatever action it held.
  ActionResult QueryIntegratedPresence(const std::string& server, ZelTQueryIntegratedPresence& query);
  // Each sends the query with action 1, whatever action it held.
  ActionResult QueryUsersPresence(const std::string& server, ZelTQueryUsersPresence& query);
  ActionResult QueryUserMediumStatus(const std::string& server, ZelTQueryUserMediumStatus& query);
  // Only the campaign-director capability is sent; any other type gives 1
  // at once and leaves the request as it was.
  ActionResult AddCapability(const std::string& server, ZelTAddCapability& request);
  ActionResult RemoveCapability(const std::string& server, ZelTRemoveCapability& request);

  // Sends the request as it stands (its action and fields set by the
  // caller) and returns at once; queue.Next hands it back, with tag, once
  // its call ended. False when nothing was sent: the request has a call in
  // flight (LastFailure says Busy), or it could not be packed or the queue
  // is shut down (its GetCallOutcome says NotSent, and why). The request
  // must outlive its call. The call waits
  // timeoutMs for its answer; 0 or below: the request's own time-out.
  bool Start(const std::string& server, ZelTRequest& request, ZelTCompletionQueue& queue, void* tag = nullptr,
             long timeoutMs = 0);

 protected:
  // The request's action result: the server's, or 1 when the call failed
  // (the request then keeps what it had) or nothing could be packed.
  ActionResult SendRequest(const std::string& server, ZelTRequest& request, unsigned int timeout);
  bool SendRequest(const std::string& server, TRPC& rpc, unsigned int timeout);

 private:
  // Each traces the call under the method's name before sending.
  template <typename Request>
  ActionResult SendQuery(const char* method, const std::string& server, Request& request,
                         typename Request::Action action);
  ActionResult SendCapability(const char* method, const std::string& server, ZelTCapabilityRequest& request);
  // Packs the request into rpc for a call; false when it cannot go.
  bool Prepare(const std::string& server, ZelTRequest& request, TRPC& rpc);

  friend class ZelTCompletionQueue;
  // Unpacks a reply that came into the request it answers.
  static ActionResult TakeReply(ZelTRequest& request, const TRPC& rpc);
};
