#include "zelclnt/platform/TFramework.h"

#include "RpcFrame.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

using zelplatform::ClientChannel;
using zelplatform::Clock;

TFramework::TFramework() = default;

TFramework::TFramework(const char* clientName, const char* clientNode, unsigned short clientType)
    : m_clientName(clientName ? clientName : ""), m_clientNode(clientNode ? clientNode : ""), m_clientType(clientType) {}

TFramework::TFramework(const TFramework& other)
    : m_clientName(other.m_clientName), m_clientNode(other.m_clientNode), m_clientType(other.m_clientType) {}

TFramework& TFramework::operator=(const TFramework& other) {
  if (this != &other) {
    m_clientName = other.m_clientName;
    m_clientNode = other.m_clientNode;
    m_clientType = other.m_clientType;
  }
  return *this;
}

TFramework::~TFramework() = default;

void TFramework::SetMaxMessageSize(std::size_t bytes) { zelplatform::SetMaxMessageSize(bytes); }

std::size_t TFramework::GetMaxMessageSize() { return zelplatform::MaxMessageSize(); }

int TFramework::SendRPC(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, long timeoutMs, TASKTYPE) {
  const std::string endpoint = zelplatform::EndpointOf(serverName ? serverName : "");
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs);
  std::lock_guard<std::mutex> guard(m_callLock);
  try {
    if (rpc.GetCallSize() > GetMaxMessageSize()) return 0;
    if (!m_channel || m_channel->Endpoint() != endpoint || !m_channel->IsUsable())
      m_channel = std::make_unique<ClientChannel>(endpoint);
    const std::uint64_t callId = ++m_nextCallId;
    if (!m_channel->Send(zelplatform::EncodeCall(callId, rpc), deadline)) {
      m_channel.reset();
      return 0;
    }
    if (!rpc.GetReplyExpected()) return 1;
    while (auto message = m_channel->Receive(deadline)) {
      zelplatform::ReplyFrame reply;
      if (!zelplatform::DecodeReply(message->data(), message->size(), reply) || reply.callId != callId) {
        replyQueue.CountStale();
        continue;
      }
      rpc.SetReplyData(reply.data, reply.size);
      rpc.SetReturnCode(reply.returnCode);
      return 1;
    }
  } catch (const zmq::error_t& error) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Transport error on %s: %s", endpoint.c_str(), error.what());
  }
  m_channel.reset();
  return 0;
}
