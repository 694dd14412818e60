#include "echo_server.h"

#include <cstring>
#include <utility>

#include "ZmqTransport.h"

namespace zelbench {
namespace {

constexpr std::uint32_t kReplyMagic = 0x4C50525A;  // "ZRPL"
constexpr std::size_t kReplyHeader = 20;
constexpr auto kStopCheck = std::chrono::milliseconds(50);

std::size_t CallHeaderOf(const zmq::message_t& call) {
  const auto* bytes = static_cast<const unsigned char*>(call.data());
  return call.size() > 4 && bytes[4] == 2 ? 20 : 16;
}

// RPC type and call id sit at the same offsets in both frames.
zmq::message_t ReplyTo(const zmq::message_t& call, const std::string& fixed) {
  const std::size_t header = CallHeaderOf(call);
  const char* data = fixed.empty() ? call.data<char>() + header : fixed.data();
  const std::size_t size = fixed.empty() ? (call.size() > header ? call.size() - header : 0) : fixed.size();
  zmq::message_t reply(kReplyHeader + size);
  auto* out = static_cast<char*>(reply.data());
  std::memset(out, 0, kReplyHeader);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(kReplyMagic >> (8 * i));
  out[4] = 1;
  if (call.size() >= 16) std::memcpy(out + 6, call.data<char>() + 6, 10);
  if (size) std::memcpy(out + kReplyHeader, data, size);
  return reply;
}

}  // namespace

EchoServer::EchoServer(const std::string& endpoint, std::string replyData)
    : m_replyData(std::move(replyData)),
      m_router(LibraryContext(), zmq::socket_type::router),
      m_inproc(zelplatform::IsInproc(endpoint)) {
  m_router.set(zmq::sockopt::linger, 0);
  m_router.bind(endpoint);
  m_bound = m_router.get(zmq::sockopt::last_endpoint);
  if (m_inproc) zelplatform::RegisterInproc(m_bound);
  m_thread = std::thread(&EchoServer::Serve, this);
}

EchoServer::~EchoServer() {
  if (m_inproc) zelplatform::UnregisterInproc(m_bound);
  m_stop = true;
  m_thread.join();
}

void EchoServer::Serve() {
  zmq::pollitem_t item{m_router.handle(), 0, ZMQ_POLLIN, 0};
  while (!m_stop) {
    if (zmq::poll(&item, 1, kStopCheck) == 0) continue;
    zmq::message_t identity;
    zmq::message_t call;
    while (m_router.recv(identity, zmq::recv_flags::dontwait) && m_router.recv(call, zmq::recv_flags::dontwait)) {
      if (call.size() > 5 && (call.data<unsigned char>()[5] & 1) == 0) continue;
      m_router.send(identity, zmq::send_flags::sndmore);
      m_router.send(ReplyTo(call, m_replyData), zmq::send_flags::none);
    }
  }
}

zmq::context_t& LibraryContext() { return zelplatform::SharedContext(); }

std::string CallFrameOf(std::size_t dataBytes) {
  std::string frame(20 + dataBytes, 'c');
  const char header[8] = {'Z', 'C', 'A', 'L', 2, 1, 77, 0};
  std::memcpy(frame.data(), header, sizeof header);
  std::memset(frame.data() + 8, 0, 12);
  return frame;
}

}  // namespace zelbench
