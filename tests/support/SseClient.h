#pragma once
// A client of the gateway's event streams for its tests: one GET on a
// connection of its own, then the events as they come, parsed as a
// browser's EventSource reads them. A read that outlasts its bound closes
// the connection; Next then says false.

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <chrono>
#include <map>
#include <string>

struct SseEvent {
  std::string id;
  std::string event;
  std::string data;
};

class SseClient {
 public:
  // receiveBuffer above 0 shrinks the socket's buffer: a client that reads
  // slowly fills it soon.
  SseClient(unsigned short port, const std::string& target, const std::map<std::string, std::string>& headers = {},
            int receiveBuffer = 0)
      : m_stream(m_io) {
    namespace net = boost::asio;
    boost::beast::error_code error;
    auto& socket = m_stream.socket();
    socket.open(net::ip::tcp::v4(), error);
    if (receiveBuffer > 0) socket.set_option(net::socket_base::receive_buffer_size(receiveBuffer), error);
    socket.connect({net::ip::make_address("127.0.0.1"), port}, error);
    std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n";
    for (const auto& [name, value] : headers) request += name + ": " + value + "\r\n";
    request += "\r\n";
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

 private:
  bool ReadUntil(const std::string& mark, std::chrono::milliseconds within) {
    if (m_failed) return false;
    const auto until = std::chrono::steady_clock::now() + within;
    while (m_buffer.find(mark) == std::string::npos) {
      if (m_closed || std::chrono::steady_clock::now() >= until) return false;
      // Beast bounds only asynchronous reads.
      m_stream.expires_at(until);
      char chunk[16384];
      boost::beast::error_code error;
      std::size_t n = 0;
      m_stream.async_read_some(boost::asio::buffer(chunk), [&](boost::beast::error_code e, std::size_t got) {
        error = e;
        n = got;
      });
      m_io.restart();
      m_io.run();
      m_buffer.append(chunk, n);
      if (error == boost::beast::error::timeout) return m_buffer.find(mark) != std::string::npos;
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
