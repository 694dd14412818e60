#include "CallReport.h"

#include <cstdio>
#include <utility>

#include "ErrorJson.h"
#include "Output.h"

namespace zelctl {

CallReport::CallReport(std::string call, std::string server, ZelTPresenceServer::ActionResult returned,
                         const ZelTRequest& request)
    : m_call(std::move(call)),
      m_server(std::move(server)),
      m_result(returned),
      m_error(request.GetErrorCode()),
      m_mode(request.GetRequestMode()),
      m_transportFailure(returned == ZelTPresenceServer::ACTION_SUCCEEDED ? "" : request.GetCallOutcome().text),
      m_failureKind(returned == ZelTPresenceServer::ACTION_SUCCEEDED ? TCallFailure::None
                                                                     : request.GetCallOutcome().kind) {}

std::string CallReport::Line() const {
  return m_call + "(" + m_server + "): " + ResultText() + ", " + ZelTRequest::ToString(m_mode);
}

std::string CallReport::FailureLine() const {
  if (!m_transportFailure.empty()) return m_call + " failed: " + m_transportFailure;
  if (m_error == ZelTPresenceServer::ERR_NONE)
    return m_call + " failed: " + ResultText() + " (no usable reply from " + m_server + ")";
  return m_call + " refused: " + ResultText();
}

std::string CallReport::ResultText() const {
  return "result " + std::to_string(static_cast<int>(m_result)) + ", " + ZelTPresenceServer::ToString(m_error);
}

zeljson::Json CallReport::ErrorJson() const {
  return zeljson::CallErrorJson(m_failureKind, m_error, FailureLine());
}

CallReport Call(std::string name, const std::string& server, ZelTRequest& request,
                 const std::function<ZelTPresenceServer::ActionResult()>& send) {
  request.SetActionResult(ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
  request.SetActionError(ZelTPresenceServer::ERR_NONE);
  const ZelTPresenceServer::ActionResult returned = send();
  return CallReport(std::move(name), server, returned, request);
}

bool Announce(const CallReport& outcome) {
  if (!outcome.Succeeded()) {
    Fail(outcome.FailureLine());
    return false;
  }
  std::fprintf(Out(), "%s\n", outcome.Line().c_str());
  return true;
}

int Report(const CallReport& outcome, const std::function<std::string()>& text,
           const std::function<zeljson::Json()>& json) {
  if (JsonOutput()) {
    if (!outcome.Succeeded()) {
      std::fprintf(Out(), "%s\n", zeljson::Text(outcome.ErrorJson()).c_str());
      std::fflush(Out());
      std::fprintf(Err(), "zelctl: %s\n", outcome.FailureLine().c_str());
      return 1;
    }
    std::fprintf(Out(), "%s\n", zeljson::Text(json()).c_str());
    return 0;
  }
  if (!Announce(outcome)) return 1;
  std::fprintf(Out(), "%s", text().c_str());
  return 0;
}

int Fail(const std::string& text) {
  if (JsonOutput()) std::fprintf(Out(), "%s\n", zeljson::Text(zeljson::ErrorJson("failed", text)).c_str());
  std::fflush(Out());
  std::fprintf(Err(), "zelctl: %s\n", text.c_str());
  return 1;
}

}  // namespace zelctl
