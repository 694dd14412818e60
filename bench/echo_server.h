#pragma once
// A call-frame echo as bare as ZeroMQ allows: a ROUTER on the library's own
// context that answers each call frame with a reply frame carrying the
// call's RPC type, id and data (or the same fixed reply data to every call),
// and nothing more. Library clients and bare
// DEALERs call the same server, so what differs between them is the client.
//
// Construct and destroy on one thread; the server answers on a thread of its
// own. Inproc names are recorded as the library's servers record theirs.

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

#include <zmq.hpp>

namespace zelbench {

class EchoServer {
 public:
  explicit EchoServer(const std::string& endpoint, std::string replyData = "");
  ~EchoServer();
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;

  // The bound endpoint (a tcp port "*" resolved).
  const std::string& Endpoint() const { return m_bound; }

 private:
  void Serve();

  const std::string m_replyData;
  zmq::socket_t m_router;
  std::string m_bound;
  bool m_inproc;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// The context the library's sockets live on; a bare client on inproc must
// share it with the server.
zmq::context_t& LibraryContext();

// A whole call frame, header included, with `dataBytes` of call data: what
// a bare client sends to stand beside a library call of that size.
std::string CallFrameOf(std::size_t dataBytes);

}  // namespace zelbench
