#pragma once
// The server side of the framework's calls: binds an endpoint and serves the
// calls that reach it, one at a time, on a thread of its own. The handler
// gets a TRPC with the call data, RPC type and reply-expected flag, and sets
// the reply data and the return code. An exception from the handler answers
// with return code TRPC::kHandlerFailed; a call above the size bound is
// answered with TRPC::kRefusedTooLarge, unread.
//
// Server names follow TFramework::SendRPC. Start and Stop are for the owning
// thread; CallsServed may be read from any thread.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "zelclnt/platform/TRPC.h"

namespace zmq {
class socket_t;
}

class TRPCServer {
 public:
  using Handler = std::function<void(TRPC&)>;

  TRPCServer(const std::string& serverName, Handler handler);
  ~TRPCServer();
  TRPCServer(const TRPCServer&) = delete;
  TRPCServer& operator=(const TRPCServer&) = delete;

  // Binds and starts serving; false, with the reason in *error, when the
  // endpoint cannot be bound or the server already runs.
  bool Start(std::string* error = nullptr);
  void Stop();
  bool IsRunning() const { return m_thread.joinable(); }

  // The bound endpoint after a successful Start (a tcp port of 0 or "*"
  // resolved to the real one).
  const std::string& Endpoint() const { return m_boundEndpoint; }
  std::size_t CallsServed() const { return m_served; }

 private:
  void Serve();
  void ServeOne();

  std::string m_endpoint;
  std::string m_boundEndpoint;
  Handler m_handler;
  std::unique_ptr<zmq::socket_t> m_socket;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<std::size_t> m_served{0};
};
