#pragma once
// The gateway's calls to the presence server, all in flight at once on one
// completion queue that the io_context drives through the queue's
// descriptor: no thread waits for a call, a call whose client hung up is
// cancelled, and Stop ends every call there is at once. Calls waiting are
// bounded: past the bound Submit refuses and the client is asked to come
// back (503), so a silent server costs memory in proportion to the bound,
// never to the clients' patience.
//
// The queue serves one thread at a time, so everything that touches it
// runs on a strand of the io_context. Submit and Cancel may be called from
// any thread; Open and Stop from the owner's, Stop once the io_context
// stopped running.

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/strand.hpp>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "Backend.h"
#include "PendingCall.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTCompletionQueue.h"

namespace zelgw {

class CallQueue {
 public:
  // Runs on the queue's strand with the call's response.
  using Done = std::function<void(Response)>;

  CallQueue(boost::asio::io_context& io, Backend& backend, std::size_t bound);
  ~CallQueue();
  CallQueue(const CallQueue&) = delete;
  CallQueue& operator=(const CallQueue&) = delete;

  // False, with why in *error, when the system has no descriptor to spare.
  bool Open(std::string* error);
  // False when `bound` calls are waiting already: nothing is sent.
  bool Submit(std::shared_ptr<PendingCall> call, Done done);
  // The call ends at once as cancelled, counted, and done is not run.
  void Cancel(std::shared_ptr<PendingCall> call);
  // Ends every call still in flight as cancelled; done runs for none.
  void Stop();

  std::size_t Waiting() const { return m_waiting.load(); }

 private:
  struct Entry {
    std::shared_ptr<PendingCall> call;
    Done done;
  };

  void Begin(std::shared_ptr<PendingCall> call, Done done);
  void Watch();
  void Collect();
  void End(PendingCall& call, ZelTPresenceServer::ActionResult result, const TCallOutcome& failure,
           const Done& done);

  Backend& m_backend;
  const std::size_t m_bound;
  std::atomic<std::size_t> m_waiting{0};
  boost::asio::strand<boost::asio::io_context::executor_type> m_strand;
  ZelAPresenceServer m_api{"presence-gateway", "calls"};
  // Before the queue, which lets go of their requests when it ends first.
  std::unordered_map<const PendingCall*, Entry> m_calls;
  ZelTCompletionQueue m_queue;
  // The queue's own descriptor, let go of (never closed) at Stop.
  boost::asio::posix::stream_descriptor m_descriptor;
};

}  // namespace zelgw
