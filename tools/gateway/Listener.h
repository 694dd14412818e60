#pragma once
// Accepts connections on one address and hands each to a session of its
// own, over TLS when the listener has a context for it. Open and Close
// belong to the owner, Close once nothing runs the io_context; the
// accepting runs on the io_context.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <memory>
#include <string>

#include "Session.h"

namespace zelgw {

class Listener : public std::enable_shared_from_this<Listener> {
 public:
  // tls null: plain HTTP.
  Listener(boost::asio::io_context& io, SessionContext& context, boost::asio::ssl::context* tls);

  // Binds and listens; false, with the reason in *error, when it cannot.
  bool Open(const boost::asio::ip::tcp::endpoint& endpoint, std::string* error);
  void Accept();
  void Close();
  unsigned short Port() const;

 private:
  void OnAccept(boost::system::error_code error, boost::asio::ip::tcp::socket socket);

  boost::asio::io_context& m_io;
  SessionContext& m_context;
  boost::asio::ssl::context* m_tls;
  boost::asio::ip::tcp::acceptor m_acceptor;
};

}  // namespace zelgw
