#pragma once
// Blocking HTTP/1.1 clients for the gateway's tests, on the same Beast the
// gateway serves with: one request per connection, plain or TLS (verifying
// the server against a CA file), or raw bytes for what no well-behaved
// client would send; and a client of the event streams. Failures come back
// as status 0 with the reason, never as an exception.

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
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

}  // namespace httpclient

struct SseEvent {
  std::string id;
  std::string event;
  std::string data;
};

// One GET of a stream on a connection of its own, then the events as they
// come, parsed as a browser's EventSource reads them. A read that outlasts
// its bound closes the connection; Next then says false.
class SseClient {
 public:
  // receiveBuffer above 0 shrinks the socket's buffer: a client that reads
  // slowly fills it soon.
  SseClient(unsigned short port, const std::string& target, const std::map<std::string, std::string>& headers = {},
            int receiveBuffer = 0)
      : SseClient(port, StreamRequest(target, headers), receiveBuffer) {}
  // Sends `request`'s bytes as they are.
  SseClient(unsigned short port, const std::string& request, int receiveBuffer) : m_stream(m_io) {
    namespace net = boost::asio;
    boost::beast::error_code error;
    auto& socket = m_stream.socket();
    socket.open(net::ip::tcp::v4(), error);
    if (receiveBuffer > 0) socket.set_option(net::socket_base::receive_buffer_size(receiveBuffer), error);
    socket.connect({net::ip::make_address("127.0.0.1"), port}, error);
    if (!error) net::write(socket, net::buffer(request), error);
    m_failed = static_cast<bool>(error);
  }

  // The response head, read first; status 0 when none came within 20 s.
  unsigned Status() {
    if (m_head.empty() && !ReadUntil("\r\n\r\n", std::chrono::seconds(20))) return 0;
    if (m_head.empty()) {
      const std::size_t end = m_buffer.find("\r\n\r\n");
      m_head = m_buffer.substr(0, end + 4);
      m_buffer.erase(0, end + 4);
    }
    return m_head.size() > 12 ? static_cast<unsigned>(std::stoi(m_head.substr(9, 3))) : 0;
  }
  const std::string& Head() const { return m_head; }
  // The next event (comments skipped), within `within`.
  bool Next(SseEvent& event, std::chrono::milliseconds within = std::chrono::seconds(20)) {
    if (Status() == 0) return false;
    for (;;) {
      const std::size_t end = m_buffer.find("\n\n");
      if (end == std::string::npos) {
        if (!ReadUntil("\n\n", within)) return false;
        continue;
      }
      const std::string block = m_buffer.substr(0, end + 1);
      m_buffer.erase(0, end + 2);
      event = SseEvent();
      std::size_t start = 0;
      for (std::size_t newline; (newline = block.find('\n', start)) != std::string::npos; start = newline + 1) {
        const std::string line = block.substr(start, newline - start);
        const std::size_t colon = line.find(": ");
        if (line.empty() || line[0] == ':') continue;
        const std::string field = line.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
        if (field == "id") event.id = value;
        if (field == "event") event.event = value;
        if (field == "data") event.data = value;
      }
      if (!event.event.empty()) return true;
    }
  }

  // Whether the gateway closed the connection within `within`.
  bool ClosedWithin(std::chrono::milliseconds within) {
    ReadUntil("\x01never", within);
    return m_closed;
  }
  // What came back and was not read as a head or an event.
  const std::string& Unread() const { return m_buffer; }

 private:
  static std::string StreamRequest(const std::string& target, const std::map<std::string, std::string>& headers) {
    std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n";
    for (const auto& [name, value] : headers) request += name + ": " + value + "\r\n";
    return request + "\r\n";
  }

  bool ReadUntil(const std::string& mark, std::chrono::milliseconds within) {
    if (m_failed) return false;
    const auto until = std::chrono::steady_clock::now() + within;
    while (m_buffer.find(mark) == std::string::npos) {
      if (m_closed || std::chrono::steady_clock::now() >= until) return false;
      // A read cancelled at its time leaves the connection open for the next.
      boost::asio::steady_timer timer(m_io, until);
      timer.async_wait([&](boost::beast::error_code e) {
        if (!e) m_stream.socket().cancel();
      });
      char chunk[16384];
      boost::beast::error_code error;
      std::size_t n = 0;
      m_stream.socket().async_read_some(boost::asio::buffer(chunk), [&](boost::beast::error_code e, std::size_t got) {
        error = e;
        n = got;
        timer.cancel();
      });
      m_io.restart();
      m_io.run();
      m_buffer.append(chunk, n);
      if (error == boost::asio::error::operation_aborted) return m_buffer.find(mark) != std::string::npos;
      if (error) m_closed = true;
    }
    return true;
  }

  boost::asio::io_context m_io;
  boost::beast::tcp_stream m_stream;
  std::string m_buffer;
  std::string m_head;
  bool m_failed = false;
  bool m_closed = false;
};

namespace httpclient {

// Sends bytes as they are and returns what came back until the server
// closed (at most 30 seconds).
inline std::string Raw(unsigned short port, const std::string& bytes) {
  SseClient connection(port, bytes, 0);
  connection.ClosedWithin(std::chrono::seconds(30));
  return connection.Unread();
}

}  // namespace httpclient
