#pragma once
// How one call to the presence server ended, and the lines that say so:
// the outcome line on standard output when the server did what was asked,
// one line on standard error when it did not.

#include <functional>
#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TCallOutcome.h"

namespace zelctl {

class CallReport {
 public:
  // `returned` is what the API method returned; `request`, with its
  // call's outcome, is read at once.
  CallReport(std::string call, std::string server, ZelTPresenceServer::ActionResult returned,
              const ZelTRequest& request);

  bool Succeeded() const { return m_result == ZelTPresenceServer::ACTION_SUCCEEDED; }
  ZelTPresenceServer::ErrorCode Error() const { return m_error; }
  const std::string& Call() const { return m_call; }

  // "SubmitWrapup(tcp://127.0.0.1:7300): result 0, ERR_NONE, REQUESTMODE_DEFAULT"
  std::string Line() const;
  // "SubmitWrapup refused: result 1, ERR_INVALID_STATE". A call the
  // transport failed says why: "Query failed: connection refused by
  // tcp://127.0.0.1:7399"; any other failure without an error code never had
  // a usable reply, and the line names the server.
  std::string FailureLine() const;
  // "result 1, ERR_INVALID_STATE"
  std::string ResultText() const;
  // The failure as the gateway's JSON error.
  zeljson::Json ErrorJson() const;

 private:
  std::string m_call;
  std::string m_server;
  ZelTPresenceServer::ActionResult m_result;
  ZelTPresenceServer::ErrorCode m_error;
  ZelTRequest::RequestMode m_mode;
  std::string m_transportFailure;
  TCallFailure m_failureKind;
};

// Sends the request with `send` and judges what came back. The request's
// result and error code are reset first: a call that never reaches the
// server leaves them alone, and they must not then show an earlier reply's.
CallReport Call(std::string name, const std::string& server, ZelTRequest& request,
                 const std::function<ZelTPresenceServer::ActionResult()>& send);

// The outcome line on stdout when the call succeeded, else "zelctl: " and
// the failure line on stderr; true when it succeeded.
bool Announce(const CallReport& outcome);

// "zelctl: <text>" on stderr (with --json, the JSON error, code "failed",
// on stdout too); returns the exit status of a failed command.
int Fail(const std::string& text);

// Announces the outcome and, when the call succeeded, prints `text()` after
// the outcome line; with --json, prints `json()` alone, or the call's JSON
// error beside the line on stderr. Returns the command's exit status.
int Report(const CallReport& outcome, const std::function<std::string()>& text,
           const std::function<zeljson::Json()>& json);

}  // namespace zelctl
