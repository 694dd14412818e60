#pragma once
// A small blocking HTTP/1.1 client for the gateway's tests, on the same
// Beast the gateway serves with: one request per connection, plain or TLS
// (verifying the server against a CA file), or raw bytes for what no
// well-behaved client would send. Failures come back as status 0 with the
// reason, never as an exception.

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <map>
#include <string>

struct HttpResult {
  unsigned status = 0;
  std::string body;
  std::map<std::string, std::string> headers;
  std::string error;

  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
  }
};

namespace httpclient {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

template <typename Stream>
HttpResult Exchange(Stream& stream, http::verb method, const std::string& target, const std::string& body,
                    const std::string& token) {
  http::request<http::string_body> request(method, target, 11);
  request.set(http::field::host, "127.0.0.1");
  if (!token.empty()) request.set(http::field::authorization, "Bearer " + token);
  if (!body.empty()) {
    request.set(http::field::content_type, "application/json");
    request.body() = body;
  }
  request.prepare_payload();
  http::write(stream, request);
  beast::flat_buffer buffer;
  http::response<http::string_body> response;
  http::read(stream, buffer, response);
  HttpResult result{response.result_int(), response.body(), {}, {}};
  for (const auto& field : response) result.headers[std::string(field.name_string())] = std::string(field.value());
  return result;
}

// caFile empty: plain HTTP; otherwise TLS, trusting that CA file.
inline HttpResult Fetch(unsigned short port, http::verb method, const std::string& target, const std::string& body = "",
                        const std::string& token = "", const std::string& caFile = "") {
  try {
    net::io_context io;
    net::ip::tcp::endpoint to(net::ip::make_address("127.0.0.1"), port);
    if (caFile.empty()) {
      beast::tcp_stream stream(io);
      stream.expires_after(std::chrono::seconds(30));
      stream.connect(to);
      return Exchange(stream, method, target, body, token);
    }
    net::ssl::context tls(net::ssl::context::tls_client);
    tls.load_verify_file(caFile);
    tls.set_verify_mode(net::ssl::verify_peer);
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    beast::get_lowest_layer(stream).expires_after(std::chrono::seconds(30));
    beast::get_lowest_layer(stream).connect(to);
    stream.handshake(net::ssl::stream_base::client);
    return Exchange(stream, method, target, body, token);
  } catch (const std::exception& e) {
    return HttpResult{0, "", {}, e.what()};
  }
}

// Sends bytes as they are and returns what came back until the server
// closed (at most 30 seconds).
inline std::string Raw(unsigned short port, const std::string& bytes) {
  try {
    net::io_context io;
    beast::tcp_stream stream(io);
    stream.expires_after(std::chrono::seconds(30));
    stream.connect(net::ip::tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    net::write(stream, net::buffer(bytes));
    std::string received;
    char chunk[4096];
    beast::error_code error;
    for (;;) {
      const std::size_t n = stream.read_some(net::buffer(chunk), error);
      received.append(chunk, n);
      if (error) return received;
    }
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  }
}

}  // namespace httpclient
