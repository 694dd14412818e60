#pragma once
// The base of every request: the common request part and the envelope that
// turns a request object into the bytes of a call (and, on the server side,
// of its reply) and back.
//
// Call data: the request header (object type, action type low 16 bits, body
// length), then the body. Reply data: the reply header, then the body. Every
// body begins with the common part: reply-required flag, action result,
// error code, request mode. The same object that is sent receives the reply.
// A request object serves one thread at a time.
//
// The event position a reply reflects travels in the transport's frame, not
// in the body: ZelAPresenceServer keeps it on the request after each call.
// A request started without waiting is the reply buffer of its call and
// must outlive it (ZelTCompletionQueue.h).

#include <cstdint>
#include <string>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TCallOutcome.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/ZelExport.h"

class TPack;

class ZELCLNT_API TGenericRequest {
 public:
  TGenericRequest(const TGenericRequest&) = default;
  TGenericRequest& operator=(const TGenericRequest&) = default;
  virtual ~TGenericRequest() = default;

  virtual TPack& PackRequest(TPack& pack) = 0;
  virtual TPack& UnpackRequest(TPack& pack) = 0;

  void SetReplyRequired(bool required) { m_replyRequired = required; }
  bool IsReplyRequired() const { return m_replyRequired; }

 protected:
  explicit TGenericRequest(bool replyRequired = true) : m_replyRequired(replyRequired) {}

  // Each returns 0, or the ErrorCode that says why nothing was packed.
  unsigned long PackRpcCallGeneric(TRPC& rpc, unsigned short rpcType, unsigned short objectType,
                                   unsigned short actionType, bool replyRequired);
  unsigned long PackRpcReplyGeneric(TRPC& rpc, unsigned short objectType, unsigned short actionType,
                                    unsigned short returnType, unsigned short errorType);
  unsigned long UnpackRpcCallGeneric(const TRPC& rpc);
  unsigned long UnpackRpcReplyGeneric(const TRPC& rpc);

 private:
  friend TPack& operator<<(TPack& pack, const TGenericRequest& request);
  friend TPack& operator>>(TPack& pack, TGenericRequest& request);

  bool m_replyRequired;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TGenericRequest& request);
ZELCLNT_API TPack& operator>>(TPack& pack, TGenericRequest& request);

class ZELCLNT_API ZelTRequest : public TGenericRequest {
 public:
  enum RequestMode : std::int32_t {
    REQUESTMODE_DEFAULT = 0,
    REQUESTMODE_ASYNC = 1,
    REQUESTMODE_SYNC = 2,
  };

  static constexpr unsigned int kDefaultRpcTimeout = 60000;

  ZelTRequest(const ZelTRequest&) = default;
  ZelTRequest& operator=(const ZelTRequest&) = default;
  ~ZelTRequest() override = default;

  virtual unsigned short GetReturnType() const { return static_cast<unsigned short>(m_actionResult); }
  virtual unsigned short GetErrorType() const { return static_cast<unsigned short>(m_errorCode); }
  virtual unsigned int GetDefaultRpcTimeout() const { return kDefaultRpcTimeout; }
  virtual unsigned short GetObjectType() const = 0;
  virtual unsigned short GetRpcType() const = 0;
  virtual unsigned short GetActionType() const = 0;
  virtual unsigned long PackRpcCall(TRPC& rpc);
  virtual unsigned long UnpackRpcCall(const TRPC& rpc);
  virtual unsigned long PackRpcReply(TRPC& rpc);
  virtual unsigned long UnpackRpcReply(const TRPC& rpc);
  virtual bool InitializeRequest() { return true; }

  void SetActionResult(ZelTPresenceServer::ActionResult result) { m_actionResult = result; }
  ZelTPresenceServer::ActionResult GetActionResult() const { return m_actionResult; }
  void SetActionError(ZelTPresenceServer::ErrorCode code) { m_errorCode = code; }
  ZelTPresenceServer::ErrorCode GetErrorCode() const { return m_errorCode; }
  void SetRequestMode(RequestMode mode) { m_requestMode = mode; }
  RequestMode GetRequestMode() const { return m_requestMode; }

  // Where the server's event stream stood when it answered this object's
  // last call: the reply reflects every event up to that position and none
  // after it (TEventReceiver::ResumeAfter takes it). Unknown before a call,
  // when the call failed or the server told none. It never travels in the
  // request.
  const TEventPosition& GetStatePosition() const { return m_outcome.position; }
  // How this object's last call ended (None before any): the failure and
  // its reason, the server that answered or refused, where its state
  // stood, how long the call took. A call refused because the request had
  // one in flight leaves it to that call (TFramework::LastFailure tells).
  const TCallOutcome& GetCallOutcome() const { return m_outcome; }
  // From ZelAPresenceServer::Start until the completion queue hands the
  // request back; such a request takes no other call. A copy has none.
  bool IsInFlight() const { return m_inFlight.On(); }

  std::string RequestMode_ToString() const { return ToString(m_requestMode); }
  // "Unknown RequestMode{<n>}" for a value without text.
  static std::string ToString(RequestMode mode);

 protected:
  explicit ZelTRequest(bool replyRequired = true) : TGenericRequest(replyRequired) {}
  // The common part as it would be with another action result.
  TPack& PackCommonPart(TPack& pack, ZelTPresenceServer::ActionResult result) const;

 private:
  friend class ZelAPresenceServer;
  friend class ZelTCompletionQueue;
  friend TPack& operator<<(TPack& pack, const ZelTRequest& request);
  friend TPack& operator>>(TPack& pack, ZelTRequest& request);

  ZelTPresenceServer::ActionResult m_actionResult = ZelTPresenceServer::ACTION_NOT_CARRIED_OUT;
  ZelTPresenceServer::ErrorCode m_errorCode = ZelTPresenceServer::ERR_NONE;
  RequestMode m_requestMode = REQUESTMODE_DEFAULT;
  TCallOutcome m_outcome;
  TInFlightMark m_inFlight{"ZelTRequest"};
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTRequest& request);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTRequest& request);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTRequest::RequestMode mode);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTRequest::RequestMode& mode);
