#include "Gateway.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/address.hpp>

namespace zelgw {

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

bool ParseListen(const std::string& listen, tcp::endpoint& endpoint, std::string* error) {
  const std::size_t colon = listen.rfind(':');
  long port = -1;
  if (colon == std::string::npos || !ParseInt32(listen.substr(colon + 1), port) || port < 0 || port > 65535) {
    if (error) *error = "listen address must be host:port: " + listen;
    return false;
  }
  std::string host = listen.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host == "localhost") host = "127.0.0.1";
  boost::system::error_code failed;
  const net::ip::address address = net::ip::make_address(host, failed);
  if (failed) {
    if (error) *error = "listen host must be an IP address or localhost: " + host;
    return false;
  }
  endpoint = tcp::endpoint(address, static_cast<unsigned short>(port));
  return true;
}

}  // namespace

bool IsLoopbackListen(const std::string& listen) {
  tcp::endpoint endpoint;
  return ParseListen(listen, endpoint, nullptr) && endpoint.address().is_loopback();
}

Gateway::Gateway(GatewayOptions options)
    : m_options(std::move(options)),
      m_hub(m_options.hub),
      m_feed(m_options.mirrorSource ? m_options.mirrorSource() : nullptr, m_options.server, m_hub,
             static_cast<long>(m_options.router.timeoutMs)),
      m_backend(m_options.server, m_metrics, m_feed),
      m_workers(static_cast<std::size_t>(std::max(1, m_options.workers))),
      m_calls(m_io, m_backend, std::max<std::size_t>(1, m_options.maxCalls)) {}

Gateway::~Gateway() { Stop(); }

bool Gateway::SetUpTls(std::string* error) {
  const bool certificate = !m_options.tlsCertificate.empty();
  if (certificate != !m_options.tlsKey.empty()) {
    if (error) *error = "a TLS certificate and its key go together";
    return false;
  }
  if (!certificate) return true;
  if (!PrivateFile(m_options.tlsKey, "the TLS key", error)) return false;
  m_tls = std::make_unique<net::ssl::context>(net::ssl::context::tls_server);
  m_tls->set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                     net::ssl::context::no_sslv3 | net::ssl::context::no_tlsv1 | net::ssl::context::no_tlsv1_1);
  boost::system::error_code failed;
  m_tls->use_certificate_chain_file(m_options.tlsCertificate, failed);
  if (failed) {
    if (error) *error = "cannot use the TLS certificate " + m_options.tlsCertificate + ": " + failed.message();
    return false;
  }
  m_tls->use_private_key_file(m_options.tlsKey, net::ssl::context::pem, failed);
  if (failed) {
    if (error) *error = "cannot use the TLS key " + m_options.tlsKey + ": " + failed.message();
    return false;
  }
  return true;
}

bool Gateway::Start(std::string* error) {
  tcp::endpoint endpoint;
  if (!ParseListen(m_options.listen, endpoint, error) || !SetUpTls(error)) return false;
  if (!endpoint.address().is_loopback() && !m_tls) {
    if (!m_options.insecure) {
      if (error) *error = "listening on " + m_options.listen + " needs TLS (a certificate and key) or --insecure";
      return false;
    }
    m_warnings.push_back("serving clear text on " + m_options.listen + ": tokens and agents' data travel unprotected");
  }
  if (m_options.tokensFile.empty())
    m_warnings.push_back("no tokens: every caller may read and act on every agent");
  else if (!m_tokens.Load(m_options.tokensFile, error))
    return false;
  m_router = std::make_unique<Router>(m_backend, m_metrics, m_options.tokensFile.empty() ? nullptr : &m_tokens,
                                      m_options.router);
  m_context = std::make_unique<SessionContext>(
      SessionContext{*m_router, m_workers, m_calls, m_metrics, &m_feed, &m_hub, m_options.streams});
  m_metrics.SetSources([this] { return m_feed.Counters(); }, [this] { return m_feed.IsCurrent(); },
                       [this] { return m_hub.Subscribers(); },
                       [this] { return TFramework::TwoServingOf(m_options.server).seen; });
  if (!m_calls.Open(error)) return false;
  m_listener = std::make_shared<Listener>(m_io, *m_context, m_tls.get());
  if (!m_listener->Open(endpoint, error)) {
    m_listener.reset();
    return false;
  }
  if (!m_feed.Start(error)) {
    m_listener->Close();
    m_listener.reset();
    return false;
  }
  m_listener->Accept();
  for (int i = 0; i < std::max(1, m_options.ioThreads); ++i) m_threads.emplace_back([this] { m_io.run(); });
  return true;
}

// The streams are let go twice: once before the connections stop, and
// once after the workers, which may still have been opening one.
void Gateway::Stop() {
  m_feed.Stop();
  m_hub.Clear();
  m_io.stop();
  for (std::thread& thread : m_threads) thread.join();
  m_threads.clear();
  m_calls.Stop();
  if (m_listener) m_listener->Close();
  m_workers.join();
  m_hub.Clear();
}

}  // namespace zelgw
