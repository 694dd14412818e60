#include "zelclnt/core/ZelTCompletionQueue.h"

#include <utility>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/diag/NuxDiagStream.h"

ZelTCompletionQueue::~ZelTCompletionQueue() {
  for (auto& entry : m_calls) entry.second->request->m_inFlight.Release();
}

bool ZelTCompletionQueue::Next(Completion& completion, long timeoutMs) {
  TCompletionQueue::Completion ended;
  if (!m_queue.Next(ended, timeoutMs)) return false;
  ZelTRequest& request = *static_cast<Call*>(ended.tag)->request;
  const auto found = m_calls.find(&request);
  const std::unique_ptr<Call> call = std::move(found->second);
  m_calls.erase(found);
  request.m_inFlight.Release();
  completion.request = &request;
  completion.tag = call->tag;
  completion.failure = std::move(ended.failure);
  if (completion.failure.kind != TFramework::FailureKind::None || call->rpc.GetReturnCode() != 0) {
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, "ZelTCompletionQueue", "Next") << "Send RPC Failed";
    completion.result = ZelTPresenceServer::ACTION_NOT_CARRIED_OUT;
  } else {
    completion.result = ZelAPresenceServer::TakeReply(request, call->rpc);
  }
  return true;
}

bool ZelTCompletionQueue::Cancel(const ZelTRequest& request) {
  const auto found = m_calls.find(&request);
  return found != m_calls.end() && m_queue.Cancel(found->second->rpc);
}
