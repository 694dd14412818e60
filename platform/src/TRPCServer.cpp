#include "zelclnt/platform/TRPCServer.h"

#include <zmq.hpp>

#include "RpcFrame.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

namespace {

constexpr auto kStopCheck = std::chrono::milliseconds(20);

}  // namespace

TRPCServer::TRPCServer(const std::string& serverName, Handler handler)
    : m_endpoint(zelplatform::EndpointOf(serverName)), m_handler(std::move(handler)) {}

TRPCServer::~TRPCServer() { Stop(); }

bool TRPCServer::Start(std::string* error) {
  if (IsRunning()) {
    if (error) *error = "already running on " + m_boundEndpoint;
    return false;
  }
  const bool inproc = zelplatform::IsInproc(m_endpoint);
  if (inproc && zelplatform::InprocGeneration(m_endpoint) != 0) {
    if (error) *error = m_endpoint + " is already bound";
    return false;
  }
  try {
    auto socket = std::make_unique<zmq::socket_t>(zelplatform::SharedContext(), zmq::socket_type::router);
    zelplatform::ConfigureSocket(*socket, m_endpoint);
    socket->bind(m_endpoint);
    m_boundEndpoint = socket->get(zmq::sockopt::last_endpoint);
    m_socket = std::move(socket);
  } catch (const zmq::error_t& failure) {
    if (error) *error = "cannot bind " + m_endpoint + ": " + failure.what();
    return false;
  }
  if (inproc) zelplatform::RegisterInproc(m_endpoint);
  m_stop = false;
  m_thread = std::thread(&TRPCServer::Serve, this);
  return true;
}

void TRPCServer::Stop() {
  if (!IsRunning()) return;
  if (zelplatform::IsInproc(m_endpoint)) zelplatform::UnregisterInproc(m_endpoint);
  m_stop = true;
  m_thread.join();
  // Closing releases the name only later, on ZeroMQ's own thread; unbinding
  // releases it now, so the same endpoint can be bound again at once.
  try {
    m_socket->unbind(m_boundEndpoint);
  } catch (const zmq::error_t&) {
  }
  m_socket.reset();
}

void TRPCServer::Serve() {
  zmq::pollitem_t item{m_socket->handle(), 0, ZMQ_POLLIN, 0};
  while (!m_stop) {
    try {
      zmq::poll(&item, 1, kStopCheck);
      if (item.revents & ZMQ_POLLIN) ServeOne();
    } catch (const zmq::error_t& failure) {
      Diag(TDiag::SEVR, __LINE__, __FILE__, "RPC server on %s: %s", m_boundEndpoint.c_str(), failure.what());
    }
  }
}

void TRPCServer::ServeOne() {
  zmq::message_t identity;
  zmq::message_t payload;
  if (!m_socket->recv(identity, zmq::recv_flags::dontwait)) return;
  if (!identity.more() || !m_socket->recv(payload, zmq::recv_flags::dontwait)) return;
  if (payload.more()) {
    zmq::message_t extra;
    while (m_socket->recv(extra, zmq::recv_flags::dontwait) && extra.more()) {
    }
    return;
  }
  zelplatform::CallFrame call;
  if (!zelplatform::DecodeCall(payload.data(), payload.size(), call)) return;
  TRPC rpc;
  rpc.SetRPCType(call.rpcType);
  rpc.SetReplyExpected(call.replyExpected ? 1 : 0);
  if (call.size > zelplatform::MaxMessageSize()) {
    rpc.SetReturnCode(TRPC::kRefusedTooLarge);
  } else {
    rpc.SetCallData(call.data, call.size);
    try {
      m_handler(rpc);
    } catch (...) {
      rpc.SetReplyData(nullptr, 0);
      rpc.SetReturnCode(TRPC::kHandlerFailed);
    }
  }
  ++m_served;
  if (!call.replyExpected) return;
  const std::string reply = zelplatform::EncodeReply(call.callId, rpc);
  m_socket->send(identity, zmq::send_flags::sndmore | zmq::send_flags::dontwait);
  m_socket->send(zmq::buffer(reply), zmq::send_flags::dontwait);
}
