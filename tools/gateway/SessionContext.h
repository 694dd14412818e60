#pragma once
// What every connection of a gateway shares: the router, the workers that
// read the mirror, the queue of calls to the presence server, the metrics, the mirror and hub its event streams
// read, and the limits of a connection. Owned by the gateway, which
// outlives its connections.

#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <chrono>
#include <cstddef>

#include "CallQueue.h"
#include "Metrics.h"
#include "MirrorFeed.h"
#include "Router.h"
#include "StreamHub.h"

namespace zelgw {

namespace net = boost::asio;
namespace beast = boost::beast;

struct StreamOptions {
  // How long a browser waits before it reconnects.
  unsigned retryMs = 2000;
  // Bytes a stream may hold unsent before it is closed as too slow.
  std::size_t maxQueuedBytes = 4 * 1024 * 1024;
};

struct SessionContext {
  const Router& router;
  net::thread_pool& workers;
  CallQueue& calls;
  Metrics& metrics;
  const MirrorFeed* feed = nullptr;
  StreamHub* hub = nullptr;
  StreamOptions streams;
  std::size_t headerLimit = 8 * 1024;
  std::size_t bodyLimit = 64 * 1024;
  // For a request to arrive whole, and for a response (or a stream's
  // bytes) to be taken.
  std::chrono::seconds ioTimeout{30};
};

}  // namespace zelgw
