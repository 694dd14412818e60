#pragma once
// presence-gateway: HTTP/1.1 and JSON in front of one presence server (or
// pair). A few threads serve every connection on an io_context, which also
// drives every call to the presence server on one completion queue, so
// that thousands of open connections and calls cost no thread each and a
// slow presence server never stalls the connections. A mirror of every
// user, driven by a thread of its own from Start on, answers the reads of
// users (made by a small pool of workers, never behind a call) and feeds
// the event streams.
//
// It listens on loopback unless told otherwise; any other address needs
// TLS (a certificate and key) or `insecure`, which it then warns about, as
// the presence simulator does. It reaches a secured presence server with
// the keys in force for the process (TFramework::LoadKeys).
//
// Start and Stop belong to the owner's thread; Stop cancels the calls in
// flight instead of waiting for them.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/thread_pool.hpp>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Backend.h"
#include "CallQueue.h"
#include "Listener.h"
#include "Metrics.h"
#include "MirrorFeed.h"
#include "Router.h"
#include "SessionContext.h"
#include "StreamHub.h"
#include "Tokens.h"

namespace zelgw {

struct GatewayOptions {
  // host:port; an IP address or localhost, [::1]:port for IPv6. Port 0
  // takes a free one (see Port()).
  std::string listen = "127.0.0.1:8080";
  std::string server = "tcp://127.0.0.1:7300";
  // Empty: no tokens, every caller may do everything (it warns).
  std::string tokensFile;
  std::string tlsCertificate;
  std::string tlsKey;
  bool insecure = false;
  RouterOptions router;
  StreamHubOptions hub;
  StreamOptions streams;
  // Threads that read the mirror (whole tables of users) and open streams.
  int workers = 4;
  int ioThreads = 1;
  // Calls to the presence server waiting at once; past it a call is
  // answered 503 (overloaded) at once.
  std::size_t maxCalls = 1024;
  // Where the mirror takes the users and their events from instead of the
  // presence server (which still takes the actions); empty: the server.
  std::function<std::unique_ptr<ZelTMirrorSource>()> mirrorSource;
};

// False for an address other than loopback; false too for one it cannot read.
bool IsLoopbackListen(const std::string& listen);

class Gateway {
 public:
  explicit Gateway(GatewayOptions options);
  ~Gateway();
  Gateway(const Gateway&) = delete;
  Gateway& operator=(const Gateway&) = delete;

  // False, with the reason in *error, when an option is refused or the
  // address cannot be bound.
  bool Start(std::string* error);
  void Stop();

  unsigned short Port() const { return m_listener ? m_listener->Port() : 0; }
  // The mirror joined the presence server: users and streams are served.
  bool Ready() const { return m_feed.Joined(); }
  // Calls to the presence server sent or about to be, not yet ended.
  std::size_t CallsWaiting() const { return m_calls.Waiting(); }
  // What an operator should know: clear text off loopback, no tokens.
  const std::vector<std::string>& Warnings() const { return m_warnings; }
  Metrics& GetMetrics() { return m_metrics; }

 private:
  bool SetUpTls(std::string* error);

  GatewayOptions m_options;
  std::vector<std::string> m_warnings;
  Metrics m_metrics;
  Tokens m_tokens;
  StreamHub m_hub;
  MirrorFeed m_feed;
  Backend m_backend;
  std::unique_ptr<Router> m_router;
  std::unique_ptr<boost::asio::ssl::context> m_tls;
  boost::asio::thread_pool m_workers;
  std::unique_ptr<SessionContext> m_context;
  // Goes before what its sessions use: destroying it destroys the sessions
  // still waiting on it.
  boost::asio::io_context m_io;
  CallQueue m_calls;
  std::shared_ptr<Listener> m_listener;
  std::vector<std::thread> m_threads;
};

}  // namespace zelgw
