#pragma once
// One open event stream (GET /v1/stream), plain or TLS: the connection a
// Session hands over once the router has read the request. It subscribes
// to the hub on a worker, then writes its first bytes and each change the
// hub offers that its filter wants, several at once when they come faster
// than the client reads.
//
// A snapshot is written a slice at a time, each read from the mirror when
// the one before is written: however many users there are, a stream holds
// a slice of them, and a client takes them as fast as it reads. A user
// read after the snapshot's id may show a change that follows the id as
// well: the client applies the change again, to the same end.
//
// The changes waiting behind are bounded: a client that does not keep up
// is sent a last event saying so (as far as it can still be written) and
// closed, rather than let the queue grow. The connection is read as well,
// though a client has nothing more to say: a client that went away is let
// go at once, not at the next write.
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
    if (m_request.filter.Wants(entry.userKey, entry.parts)) Queue(FrameOf(entry));
  }
  void Notice(const std::shared_ptr<const std::string>& frame) override { Queue(frame); }
  void Reload(const std::string& reason) override { Finish(ReloadFrame(reason)); }

 private:
  using Frame = std::shared_ptr<const std::string>;

  struct Queued {
    // Null: the snapshot, written a slice at a time.
    Frame frame;
    // The first bytes are not held to the bound.
    bool counted;
  };

  // The keys of the users a snapshot may hold, in order, and how far it is
  // written. The strand's once the stream began.
  struct PendingSnapshot {
    StreamId at;
    std::vector<long> keys;
    std::size_t next = 0;
    bool started = false;
    bool any = false;
  };

  // Bytes of users read from the mirror for a slice of a snapshot.
  static constexpr std::size_t kSliceBytes = 64 * 1024;

  // On a worker.
  void Open() {
    const StreamHub::Subscription subscription = m_context.hub->Subscribe(this->shared_from_this(), m_request.from);
    const Frame head = std::make_shared<const std::string>(StreamHead(m_context.streams.retryMs, m_request.gzip));
    switch (subscription.opening) {
      case StreamHub::Opening::NotReady:
        return Begin({head, Text(ReloadFrame("the gateway has not joined the presence server yet"))}, true);
      case StreamHub::Opening::Gone:
        return Begin({head, Text(ReloadFrame("the changes after " + m_request.from->ToString() + " are gone"))}, true);
      case StreamHub::Opening::Snapshot:
        PlanSnapshot(subscription.at);
        return Begin(WithStatus({head, nullptr}, subscription), false);
      case StreamHub::Opening::Resumed:
        return Begin(WithStatus(Missed(head, subscription.missed), subscription), false);
    }
  }

  std::vector<Frame> Missed(const Frame& head, const std::vector<StreamEntry>& missed) {
    std::vector<Frame> frames{head};
    for (const StreamEntry& entry : missed)
      if (m_request.filter.Wants(entry.userKey, entry.parts)) frames.push_back(FrameOf(entry));
    return frames;
  }

  const Frame& FrameOf(const StreamEntry& entry) const {
    return (m_request.filter.parts & kContactsPart) && entry.summary ? entry.summary : entry.frame;
  }

  static std::vector<Frame> WithStatus(std::vector<Frame> frames, const StreamHub::Subscription& subscription) {
    if (subscription.status) frames.push_back(subscription.status);
    return frames;
  }

  static Frame Text(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

  // Who each user is and the parts the stream follows: a wallboard that
  // shows three parts of fifty thousand users is not sent all of them.
  std::uint32_t Parts() const { return m_request.filter.parts & (ZelTPresenceChange::PART_ALL | kContactsPart); }

  // On a worker, before the stream begins.
  void PlanSnapshot(const StreamId& at) {
    m_snapshot.at = at;
    m_snapshot.keys = m_context.feed->Users().Keys();
    const UserFilter& filter = m_request.filter;
    m_snapshot.keys.erase(std::remove_if(m_snapshot.keys.begin(), m_snapshot.keys.end(),
                                         [&filter](long key) { return !filter.Reaches(key); }),
                          m_snapshot.keys.end());
    std::sort(m_snapshot.keys.begin(), m_snapshot.keys.end());
  }

  // On the strand: the snapshot's next slice, and whether it is the last.
  Frame NextSlice(bool& last) {
    std::string text;
    if (!m_snapshot.started) text = SnapshotStart(m_snapshot.at);
    m_snapshot.started = true;
    while (m_snapshot.next < m_snapshot.keys.size() && text.size() < kSliceBytes) {
      // A user gone since is left out; the change saying so follows.
      const ZelTUserStore::Shared user = m_context.feed->Users().Get(m_snapshot.keys[m_snapshot.next++]);
      if (!user || !m_request.filter.Matches(*user)) continue;
      if (m_snapshot.any) text += ',';
      m_snapshot.any = true;
      text += StreamUserText(*user, Parts());
    }
    last = m_snapshot.next == m_snapshot.keys.size();
    if (last) {
      text += SnapshotEnd();
      m_snapshot.keys = {};
    }
    return Text(std::move(text));
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
    // journal's, and the first bytes (the rest of a snapshot, read a slice
    // at a time as it is written) must still go before the last.
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
    bool slice = false;
    while (!m_queue.empty() && m_inFlight.size() < kBatch) {
      if (!m_queue.front().frame) {
        slice = true;
        break;
      }
      Queued next = std::move(m_queue.front());
      m_queue.pop_front();
      if (next.counted) m_queued -= next.frame->size();
      m_inFlight.push_back(std::move(next.frame));
    }
    m_writing = true;
    lock.unlock();
    // Read outside the lock: the hub offers changes meanwhile.
    if (slice) {
      bool last = false;
      m_inFlight.push_back(NextSlice(last));
      lock.lock();
      if (last && !m_queue.empty() && !m_queue.front().frame) m_queue.pop_front();
      lock.unlock();
    }
    m_buffers.clear();
    for (const Frame& frame : m_inFlight) m_buffers.emplace_back(frame->data(), frame->size());
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
  PendingSnapshot m_snapshot;
  std::vector<std::shared_ptr<const std::string>> m_inFlight;
  std::vector<net::const_buffer> m_buffers;
  std::array<char, 512> m_ignored;
  // The strand's, while the client takes gzip.
  std::unique_ptr<Gzip> m_gzip;
  bool m_headSent = false;
  std::string m_packed;
};

}  // namespace zelgw
