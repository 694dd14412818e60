#include "Listener.h"

#include <boost/asio/strand.hpp>
#include <utility>

namespace zelgw {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;

Listener::Listener(net::io_context& io, SessionContext& context, net::ssl::context* tls)
    : m_io(io), m_context(context), m_tls(tls), m_acceptor(net::make_strand(io)) {}

bool Listener::Open(const tcp::endpoint& endpoint, std::string* error) {
  beast::error_code failed;
  m_acceptor.open(endpoint.protocol(), failed);
  if (!failed) m_acceptor.set_option(net::socket_base::reuse_address(true), failed);
  if (!failed) m_acceptor.bind(endpoint, failed);
  if (!failed) m_acceptor.listen(net::socket_base::max_listen_connections, failed);
  if (failed && error)
    *error = "cannot listen on " + endpoint.address().to_string() + ":" + std::to_string(endpoint.port()) + ": " +
             failed.message();
  return !failed;
}

void Listener::Accept() {
  m_acceptor.async_accept(net::make_strand(m_io),
                          [self = shared_from_this()](beast::error_code error, tcp::socket socket) {
                            self->OnAccept(error, std::move(socket));
                          });
}

void Listener::OnAccept(beast::error_code error, tcp::socket socket) {
  if (error == net::error::operation_aborted || !m_acceptor.is_open()) return;
  if (!error) {
    if (m_tls)
      std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(
          beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *m_tls), m_context)
          ->Start();
    else
      std::make_shared<Session<beast::tcp_stream>>(beast::tcp_stream(std::move(socket)), m_context)->Start();
  }
  Accept();
}

void Listener::Close() {
  beast::error_code ignored;
  m_acceptor.close(ignored);
}

unsigned short Listener::Port() const {
  beast::error_code ignored;
  return m_acceptor.local_endpoint(ignored).port();
}

}  // namespace zelgw
