#include "zelclnt/core/ZelTCompletionQueue.h"

#include <utility>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/diag/NuxDiagStream.h"

ZelTCompletionQueue::~ZelTCompletionQueue() {
  for (const auto& call : m_records)
    if (call->request) call->request->m_inFlight.Release();
}

ZelTCompletionQueue::Call& ZelTCompletionQueue::NewCall() {
  if (m_free.empty()) {
    m_records.push_back(std::make_unique<Call>());
    m_free.reserve(m_records.size());
    m_records.back()->queue = this;
    return *m_records.back();
  }
  Call& call = *m_free.back();
  m_free.pop_back();
  call.rpc.Reset();
  return call;
}

bool ZelTCompletionQueue::Next(Completion& completion, long timeoutMs) {
  TCompletionQueue::Completion ended;
  if (!m_queue.Next(ended, timeoutMs)) return false;
  Call& call = *static_cast<Call*>(ended.tag);
  ZelTRequest& request = *call.request;
  request.m_inFlight.Release();
  call.request = nullptr;
  m_free.push_back(&call);
  completion.request = &request;
  completion.tag = call.tag;
  request.m_outcome = call.rpc.GetOutcome();
  if (request.m_outcome.Failed() || call.rpc.GetReturnCode() != 0) {
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, "ZelTCompletionQueue", "Next") << "Send RPC Failed";
    completion.result = ZelTPresenceServer::ACTION_NOT_CARRIED_OUT;
  } else {
    completion.result = ZelAPresenceServer::TakeReply(request, call.rpc);
  }
  return true;
}

bool ZelTCompletionQueue::Cancel(const ZelTRequest& request) {
  const auto* call = static_cast<const Call*>(request.m_inFlight.Holder());
  return call && call->queue == this && m_queue.Cancel(call->rpc);
}
