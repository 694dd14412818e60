#pragma once
// One open event stream (GET /v1/stream), plain or TLS: the connection a
// Session hands over once the router has read the request. It subscribes
// to the hub and builds its first bytes on a worker (a snapshot of many
// users takes a while), then writes each change the hub offers that its
// filter wants, several at once when they come faster than the client
// reads.
//
// Its send queue is bounded: a client that does not keep up is sent a last
// event saying so (as far as it can still be written) and closed, rather
// than let the queue grow. The connection is read as well, though a client
// has nothing more to say: a client that went away is let go at once, not
// at the next write.
//
// Offer, Heartbeat and Reload come from any thread; writes run on the
// connection's strand.

#include <algorithm>
#include <array>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "Compression.h"
#include "EventFrames.h"
#include "SessionContext.h"
#include "UserJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zelgw {

template <typename Stream>
class EventStream : public StreamSink, public std::enable_shared_from_this<EventStream<Stream>> {
 public:
  static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;
  static constexpr std::size_t kBatch = 64;

  EventStream(Stream stream, SessionContext& context, StreamRequest request)
      : m_stream(std::move(stream)), m_context(context), m_request(std::move(request)) {
    m_context.metrics.ConnectionOpened();
    // Fastest: each stream compresses what it sends on its own.
    if (m_request.gzip) m_gzip = std::make_unique<Gzip>(1);
  }
  ~EventStream() override { m_context.metrics.ConnectionClosed(); }

  void Start() {
    net::post(m_context.workers, [self = this->shared_from_this()] { self->Open(); });
    net::post(m_stream.get_executor(), [self = this->shared_from_this()] { self->Watch(); });
  }

  void Offer(const StreamEntry& entry) override {
    if (m_request.filter.Wants(entry.userKey, entry.parts)) Queue(entry.frame);
  }
  void Notice(const std::shared_ptr<const std::string>& frame) override { Queue(frame); }
  void Reload(const std::string& reason) override { Finish(ReloadFrame(reason)); }

 private:
  struct Queued {
    std::shared_ptr<const std::string> frame;
    // The first bytes (a snapshot, say) are not held to the bound.
    bool counted;
  };

  using Frame = std::shared_ptr<const std::string>;

  // On a worker.
  void Open() {
    if (!m_request.from && m_request.filter.Everyone() && OpenShared()) return;
    const StreamHub::Subscription subscription = m_context.hub->Subscribe(this->shared_from_this(), m_request.from);
    const Frame head = std::make_shared<const std::string>(StreamHead(m_context.streams.retryMs, m_request.gzip));
    switch (subscription.opening) {
      case StreamHub::Opening::NotReady:
        return Begin({head, Text(ReloadFrame("the gateway has not joined the presence server yet"))}, true);
      case StreamHub::Opening::Gone:
        return Begin({head, Text(ReloadFrame("the changes after " + m_request.from->ToString() + " are gone"))}, true);
      case StreamHub::Opening::Snapshot:
        return Begin(WithStatus({head, Text(Snapshot(subscription.at))}, subscription), false);
      case StreamHub::Opening::Resumed:
        return Begin(WithStatus(Missed(head, subscription.missed), subscription), false);
    }
  }

  // Every user: the recent snapshot shared with other streams, or a new
  // one to share, and what followed it. False when it is gone already.
  bool OpenShared() {
    const StreamHub::Snapshot shared =
        m_context.hub->SharedSnapshot(Parts(), [this](const StreamId& at) { return Snapshot(at); });
    const StreamHub::Subscription subscription = m_context.hub->Subscribe(this->shared_from_this(), shared.at);
    if (subscription.opening != StreamHub::Opening::Resumed) {
      m_context.hub->Unsubscribe(this);
      return false;
    }
    Begin(WithStatus(Missed(std::make_shared<const std::string>(StreamHead(m_context.streams.retryMs, m_request.gzip)),
                            subscription.missed, shared.frame),
                     subscription),
          false);
    return true;
  }

  std::vector<Frame> Missed(const Frame& head, const std::vector<StreamEntry>& missed, const Frame& snapshot = nullptr) {
    std::vector<Frame> frames{head};
    if (snapshot) frames.push_back(snapshot);
    for (const StreamEntry& entry : missed)
      if (m_request.filter.Wants(entry.userKey, entry.parts)) frames.push_back(entry.frame);
    return frames;
  }

  static std::vector<Frame> WithStatus(std::vector<Frame> frames, const StreamHub::Subscription& subscription) {
    if (subscription.status) frames.push_back(subscription.status);
    return frames;
  }

  static Frame Text(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

  // Who each user is and the parts the stream follows: a wallboard that
  // shows three parts of fifty thousand users is not sent all of them.
  std::uint32_t Parts() const { return m_request.filter.parts & ZelTPresenceChange::PART_ALL; }

  std::string Snapshot(const StreamId& at) const {
    std::vector<std::pair<long, std::string>> users;
    const std::uint32_t parts = Parts();
    m_context.feed->Users().ForEach([&](const ZelTUserPresence& user) {
      if (m_request.filter.Matches(user)) users.emplace_back(user.GetUserKey(), zeljson::UserText(user, parts));
    });
    std::sort(users.begin(), users.end());
    std::vector<std::string> texts;
    texts.reserve(users.size());
    for (auto& user : users) texts.push_back(std::move(user.second));
    return SnapshotFrame(at, texts);
  }

  void Begin(const std::vector<Frame>& first, bool last) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (last) {
      m_queue.clear();
      m_closing = true;
    }
    for (auto frame = first.rbegin(); frame != first.rend(); ++frame) m_queue.push_front(Queued{*frame, false});
    m_open = true;
    SchedulePump();
  }

  void Queue(const std::shared_ptr<const std::string>& frame) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_closing) return;
    if (m_queued + frame->size() > m_context.streams.maxQueuedBytes) {
      m_context.metrics.StreamDropped();
      // Offers come under the hub's lock: it is let go from the strand.
      net::post(m_stream.get_executor(), [self = this->shared_from_this()] { self->m_context.hub->Unsubscribe(self.get()); });
      return CloseWith(ClosedFrame("the client did not keep up: more than " +
                                   std::to_string(m_context.streams.maxQueuedBytes) + " bytes waited to be sent"));
    }
    m_queued += frame->size();
    m_queue.push_back(Queued{frame, true});
    SchedulePump();
  }

  void Finish(std::string frame) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_closing) CloseWith(std::move(frame));
  }

  // REQUIRES: m_lock held.
  void CloseWith(std::string frame) {
    // Bytes not sent yet are dropped: what the client missed is the
    // journal's, and the first bytes must still go before the last.
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), [](const Queued& q) { return q.counted; }),
                  m_queue.end());
    m_queued = 0;
    m_queue.push_back(Queued{std::make_shared<const std::string>(std::move(frame)), false});
    m_closing = true;
    SchedulePump();
  }

  // REQUIRES: m_lock held.
  void SchedulePump() {
    if (!m_open || m_writing || m_pumpPosted) return;
    m_pumpPosted = true;
    net::post(m_stream.get_executor(), [self = this->shared_from_this()] { self->Pump(); });
  }

  void Pump() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_pumpPosted = false;
    if (m_writing || m_closed) return;
    if (m_queue.empty()) {
      if (!m_closing) return;
      lock.unlock();
      return Close();
    }
    m_inFlight.clear();
    m_buffers.clear();
    while (!m_queue.empty() && m_inFlight.size() < kBatch) {
      Queued next = std::move(m_queue.front());
      m_queue.pop_front();
      if (next.counted) m_queued -= next.frame->size();
      m_buffers.emplace_back(next.frame->data(), next.frame->size());
      m_inFlight.push_back(std::move(next.frame));
    }
    m_writing = true;
    lock.unlock();
    if (m_gzip) Compress();
    beast::get_lowest_layer(m_stream).expires_after(m_context.ioTimeout);
    net::async_write(m_stream, m_buffers, [self = this->shared_from_this()](beast::error_code error, std::size_t) {
      self->OnWritten(error);
    });
  }

  // On the strand. Whatever a client sends is dropped; with no time bound
  // on the read, only the writes have one.
  void Watch() {
    m_stream.async_read_some(net::buffer(m_ignored), [self = this->shared_from_this()](beast::error_code error,
                                                                                       std::size_t) {
      if (error) return self->Close();
      beast::get_lowest_layer(self->m_stream).expires_never();
      self->Watch();
    });
  }

  // The batch, gzipped and flushed, in place of its frames; the response's
  // head, which comes first, stays as it is.
  void Compress() {
    m_packed.clear();
    for (const std::shared_ptr<const std::string>& frame : m_inFlight) {
      std::string_view bytes(*frame);
      if (!m_headSent) {
        const std::size_t body = bytes.find("\r\n\r\n") + 4;
        m_packed.append(bytes.substr(0, body));
        bytes.remove_prefix(body);
        m_headSent = true;
      }
      m_gzip->Add(bytes, m_packed);
    }
    m_gzip->Flush(m_packed);
    m_buffers.assign(1, net::const_buffer(m_packed.data(), m_packed.size()));
  }

  void OnWritten(beast::error_code error) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_writing = false;
      m_inFlight.clear();
    }
    if (error) return Close();
    Pump();
  }

  void Close() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      if (m_closed) return;
      m_closed = true;
      m_closing = true;
      m_queue.clear();
    }
    m_context.hub->Unsubscribe(this);
    beast::error_code ignored;
    auto& socket = beast::get_lowest_layer(m_stream).socket();
    socket.shutdown(net::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
  }

  Stream m_stream;
  SessionContext& m_context;
  const StreamRequest m_request;
  std::mutex m_lock;
  std::deque<Queued> m_queue;
  std::size_t m_queued = 0;
  bool m_open = false;
  bool m_writing = false;
  bool m_pumpPosted = false;
  bool m_closing = false;
  bool m_closed = false;
  std::vector<std::shared_ptr<const std::string>> m_inFlight;
  std::vector<net::const_buffer> m_buffers;
  std::array<char, 512> m_ignored;
  // The strand's, while the client takes gzip.
  std::unique_ptr<Gzip> m_gzip;
  bool m_headSent = false;
  std::string m_packed;
};

}  // namespace zelgw
