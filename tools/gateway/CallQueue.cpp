#include "CallQueue.h"

#include <poll.h>

#include <boost/asio/bind_executor.hpp>
#include <boost/asio/post.hpp>
#include <exception>
#include <utility>

namespace zelgw {

namespace net = boost::asio;

namespace {

bool Readable(int descriptor) {
  pollfd ready{descriptor, POLLIN, 0};
  return ::poll(&ready, 1, 0) > 0;
}

}  // namespace

CallQueue::CallQueue(net::io_context& io, Backend& backend, std::size_t bound)
    : m_backend(backend), m_bound(bound), m_strand(net::make_strand(io)), m_descriptor(io) {}

CallQueue::~CallQueue() { Stop(); }

bool CallQueue::Open(std::string* error) {
  const int descriptor = m_queue.Descriptor();
  if (descriptor < 0) {
    if (error) *error = "no descriptor to spare for the calls to the presence server";
    return false;
  }
  m_descriptor.assign(descriptor);
  net::post(m_strand, [this] { Watch(); });
  return true;
}

bool CallQueue::Submit(std::shared_ptr<PendingCall> call, Done done) {
  if (m_waiting.fetch_add(1) >= m_bound) {
    m_waiting.fetch_sub(1);
    return false;
  }
  net::post(m_strand, [this, call = std::move(call), done = std::move(done)]() mutable {
    Begin(std::move(call), std::move(done));
  });
  return true;
}

void CallQueue::Begin(std::shared_ptr<PendingCall> call, Done done) {
  call->started = TClock::Now();
  bool started = false;
  try {
    started = m_api.Start(m_backend.Server(), *call->request, m_queue, call.get(), static_cast<long>(call->timeoutMs));
  } catch (const std::exception& e) {
    TCallOutcome failed;
    failed.kind = TCallFailure::NotSent;
    failed.text = std::string("not sent: ") + e.what();
    return End(*call, ZelTPresenceServer::ACTION_NOT_CARRIED_OUT, failed, done);
  }
  if (!started) return End(*call, ZelTPresenceServer::ACTION_NOT_CARRIED_OUT, call->request->GetCallOutcome(), done);
  const PendingCall* key = call.get();
  m_calls.emplace(key, Entry{std::move(call), std::move(done)});
}

void CallQueue::Cancel(std::shared_ptr<PendingCall> call) {
  net::post(m_strand, [this, call = std::move(call)] {
    const auto found = m_calls.find(call.get());
    if (found == m_calls.end()) return;
    found->second.done = nullptr;
    m_queue.Cancel(*call->request);
    Collect();
  });
}

// The reactor tells of readiness that comes after the wait began: what
// came before it is looked for once the wait is set.
void CallQueue::Watch() {
  m_descriptor.async_wait(net::posix::descriptor::wait_read,
                          net::bind_executor(m_strand, [this](boost::system::error_code error) {
                            if (error) return;
                            Collect();
                            Watch();
                          }));
  if (Readable(m_descriptor.native_handle())) Collect();
}

void CallQueue::Collect() {
  ZelTCompletionQueue::Completion completion;
  while (m_queue.Next(completion, 0)) {
    const auto found = m_calls.find(static_cast<const PendingCall*>(completion.tag));
    if (found == m_calls.end()) continue;
    Entry entry = std::move(found->second);
    m_calls.erase(found);
    End(*entry.call, completion.result, completion.request->GetCallOutcome(), entry.done);
  }
}

void CallQueue::End(PendingCall& call, ZelTPresenceServer::ActionResult result, const TCallOutcome& failure,
                    const Done& done) {
  m_waiting.fetch_sub(1);
  // A reply's text may not be writable as JSON (not UTF-8, say): that costs
  // its request a 500, never the thread that drives every call.
  Response response;
  try {
    response = m_backend.Finish(call, result, failure);
  } catch (const std::exception& e) {
    response = ErrorReply(http::status::internal_server_error, "internal", std::string("failed: ") + e.what());
  }
  if (done) done(std::move(response));
}

// The queue hands back each call it ends, so that none is dropped uncounted.
void CallQueue::Stop() {
  if (m_descriptor.is_open()) m_descriptor.release();
  m_queue.Shutdown();
  for (auto& [key, entry] : m_calls) entry.done = nullptr;
  Collect();
}

}  // namespace zelgw
