#pragma once
// One HTTP/1.1 connection, plain or TLS: reads a request at a time (headers
// and body within their bounds, each read within its time), has the router
// answer it, and writes the response; keeps the connection while the
// client asks to. A read of the mirror goes to the workers, a call to the
// presence server to the call queue, and the response comes back to the
// connection's strand: the threads that serve connections never wait for
// the library. While its call is in flight the connection is watched: a
// client that hangs up has its call cancelled.
//
// A request for an event stream hands the connection over to an
// EventStream, which keeps it from then on.
//
// Every request leaves one INFO line (method, path without its query,
// status, milliseconds). Nothing a caller sent beyond that is logged: not
// its headers, so never a token.
//
// Sessions live on their strand; the listener makes them.

#include <algorithm>
#include <array>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "Compression.h"
#include "EventStream.h"
#include "SessionContext.h"
#include "zelclnt/platform/TDiag.h"

namespace zelgw {

inline bool IsHttpError(const beast::error_code& error) {
  return error.category() == http::make_error_code(http::error::bad_target).category();
}

template <typename Stream>
class Session : public std::enable_shared_from_this<Session<Stream>> {
 public:
  static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

  Session(Stream stream, SessionContext& context) : m_stream(std::move(stream)), m_context(context) {
    m_context.metrics.ConnectionOpened();
  }
  ~Session() { m_context.metrics.ConnectionClosed(); }

  void Start() {
    net::dispatch(m_stream.get_executor(), [self = this->shared_from_this()] { self->Begin(); });
  }

 private:
  void Begin() {
    if constexpr (kTls) {
      beast::get_lowest_layer(m_stream).expires_after(m_context.ioTimeout);
      m_stream.async_handshake(net::ssl::stream_base::server,
                               [self = this->shared_from_this()](beast::error_code error) {
                                 if (!error) self->Read();
                               });
    } else {
      Read();
    }
  }

  void Read() {
    m_parser.emplace();
    m_parser->header_limit(static_cast<std::uint32_t>(m_context.headerLimit));
    m_parser->body_limit(m_context.bodyLimit);
    beast::get_lowest_layer(m_stream).expires_after(m_context.ioTimeout);
    http::async_read(m_stream, m_buffer, *m_parser,
                     [self = this->shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
  }

  void OnRead(beast::error_code error) {
    if (error == http::error::body_limit)
      return Refuse(http::status::payload_too_large, "payload_too_large", "the body is larger than 64 KiB");
    if (error == http::error::header_limit)
      return Refuse(http::status::request_header_fields_too_large, "header_too_large",
                    "the header is larger than 8 KiB");
    if (error && IsHttpError(error) && error != http::error::end_of_stream)
      return Refuse(http::status::bad_request, "bad_request", "malformed HTTP request");
    if (error) return Close();
    m_request = m_parser->release();
    m_started = std::chrono::steady_clock::now();
    Routed routed = Guarded([this] { return m_context.router.Route(m_request); });
    if (routed.stream) return HandOver(std::move(*routed.stream));
    if (routed.now) return Write(std::move(*routed.now), !m_request.keep_alive());
    beast::get_lowest_layer(m_stream).expires_never();
    if (routed.call) return Call(std::move(routed.call));
    net::post(m_context.workers, [self = this->shared_from_this(), read = std::move(routed.read)] {
      Response response = Guarded([&read] { return Routed{read(), nullptr, nullptr, std::nullopt}; }).now.value();
      net::post(self->m_stream.get_executor(), [self, response = std::move(response)]() mutable {
        self->Write(std::move(response), !self->m_request.keep_alive());
      });
    });
  }

  void Call(std::shared_ptr<PendingCall> call) {
    const bool admitted = m_context.calls.Submit(call, [self = this->shared_from_this()](Response response) {
      net::post(self->m_stream.get_executor(),
                [self, response = std::move(response)]() mutable { self->Answered(std::move(response)); });
    });
    if (!admitted) return Write(Overloaded(), !m_request.keep_alive());
    m_call = std::move(call);
    // A client that sent its next request already is there, and waits.
    if (m_buffer.size() == 0) Watch();
  }

  static Response Overloaded() {
    Response response = ErrorReply(http::status::service_unavailable, "overloaded",
                                   "too many calls to the presence server are waiting; ask again shortly");
    response.set(http::field::retry_after, "1");
    return response;
  }

  void Answered(Response response) {
    m_call.reset();
    if (m_gone) return;
    Write(std::move(response), !m_request.keep_alive());
  }

  // Reads what the client sends while its call is in flight: the start of
  // its next request, kept for when this one is answered, or the end of the
  // connection, which cancels the call.
  void Watch() {
    m_watching = true;
    m_stream.async_read_some(m_buffer.prepare(kWatchBytes),
                             [self = this->shared_from_this()](beast::error_code error, std::size_t read) {
                               self->Watched(error, read);
                             });
  }

  void Watched(beast::error_code error, std::size_t read) {
    m_watching = false;
    if (m_closing) return Close();
    if (error) {
      m_gone = true;
      if (m_call) m_context.calls.Cancel(std::move(m_call));
      if (!m_response) Close();
      return;
    }
    m_buffer.commit(read);
    if (!m_call && !m_response) Read();
  }

  // The library may throw (out of memory while reading a reply, say); an
  // exception must cost one request a 500, never the process.
  template <typename Work>
  static Routed Guarded(Work work) {
    try {
      return work();
    } catch (const std::exception& e) {
      return Routed{ErrorReply(http::status::internal_server_error, "internal", std::string("failed: ") + e.what()),
                    nullptr, nullptr, std::nullopt};
    }
  }

  void HandOver(StreamRequest request) {
    Log(200);
    m_context.metrics.CountRequest(200);
    beast::get_lowest_layer(m_stream).expires_never();
    std::make_shared<EventStream<Stream>>(std::move(m_stream), m_context, std::move(request))->Start();
  }

  void Refuse(http::status status, const char* code, const char* message) {
    m_request = Request();
    m_started = std::chrono::steady_clock::now();
    Write(ErrorReply(status, code, message), true);
  }

  void Write(Response response, bool close) {
    response.version(11);
    response.keep_alive(!close);
    if (response.body().size() >= kGzipAtLeast) {
      response.set(http::field::vary, "Accept-Encoding");
      const auto accepted = m_request[http::field::accept_encoding];
      if (AcceptsGzip({accepted.data(), accepted.size()})) {
        response.body() = Gzipped(response.body());
        response.set(http::field::content_encoding, "gzip");
      }
    }
    response.prepare_payload();
    if (m_request.method() == http::verb::head) {
      // The length of what GET would send, and nothing of it.
      const std::size_t length = response.body().size();
      response.body().clear();
      response.content_length(length);
    }
    Log(response.result_int());
    m_context.metrics.CountRequest(response.result_int());
    m_response = std::make_shared<Response>(std::move(response));
    beast::get_lowest_layer(m_stream).expires_after(m_context.ioTimeout);
    http::async_write(m_stream, *m_response,
                      [self = this->shared_from_this(), close](beast::error_code error, std::size_t) {
                        self->m_response.reset();
                        if (error || close || self->m_gone) return self->Close();
                        // A watch still reading goes on to the next request when it has it.
                        if (!self->m_watching) self->Read();
                      });
  }

  void Log(unsigned status) const {
    const std::string target(m_request.target());
    const std::string path = target.substr(0, std::min<std::size_t>(target.find('?'), 200));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_started);
    Diag(TDiag::INFO, __LINE__, __FILE__, "%s %s %u %lld ms", std::string(m_request.method_string()).c_str(),
         path.c_str(), status, static_cast<long long>(ms.count()));
  }

  void Close() {
    beast::error_code ignored;
    // A watch still reading is called off first: one read at a time.
    if (m_watching) {
      m_closing = true;
      beast::get_lowest_layer(m_stream).cancel();
      return;
    }
    m_closing = false;
    if constexpr (kTls) {
      beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(5));
      m_stream.async_shutdown([self = this->shared_from_this()](beast::error_code) {
        beast::error_code unused;
        beast::get_lowest_layer(self->m_stream).socket().close(unused);
      });
    } else {
      m_stream.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
      // Closing with the client's bytes unread would reset the connection
      // and could lose the response before the client reads it: read and
      // drop them first, for a few seconds at most.
      beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(3));
      Drain();
    }
  }

  void Drain() {
    m_stream.async_read_some(net::buffer(m_drain),
                             [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                               if (!error) self->Drain();
                             });
  }

  Stream m_stream;
  SessionContext& m_context;
  beast::flat_buffer m_buffer;
  std::optional<http::request_parser<http::string_body>> m_parser;
  Request m_request;
  std::shared_ptr<Response> m_response;
  std::chrono::steady_clock::time_point m_started;
  std::array<char, 4096> m_drain;
  static constexpr std::size_t kWatchBytes = 1024;
  std::shared_ptr<PendingCall> m_call;
  bool m_watching = false;
  bool m_gone = false;
  bool m_closing = false;
};

}  // namespace zelgw
