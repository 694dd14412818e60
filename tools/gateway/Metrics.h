#pragma once
// What the gateway counts, in the Prometheus text exposition format: calls
// to the presence server by call, outcome and reason, their latency as a
// histogram, HTTP requests by status, open connections, open streams and
// streams closed as too slow, and its mirror's figures (events applied,
// replayed and unreadable, resyncs, users queried again, users held,
// whether it is current), and how often two servers of a list were seen
// serving at once. prometheus-cpp keeps the figures and writes the text;
// the gateway serves it over its own HTTP. Series are written sorted by
// their labels, so that two scrapes of the same figures read the same.
//
// Latency is measured on the platform clock (TClock), so a test that
// installs a manual clock decides it. Any thread may count and render.

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zelclnt/mirror/ZelAPresenceMirror.h"

namespace zelgw {

class Metrics {
 public:
  static constexpr std::array<double, 12> kLatencyBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                             0.1,   0.25,   0.5,   1,    2.5,   10};

  Metrics();

  // outcome: "succeeded", "refused" or "failed"; reason: the error code's
  // name for a refusal, the transport's failure for a failed call.
  void CountCall(const std::string& call, const std::string& outcome, const std::string& reason,
                 std::chrono::nanoseconds latency);
  void CountRequest(unsigned status);
  void ConnectionOpened() { m_connections.Increment(); }
  void ConnectionClosed() { m_connections.Decrement(); }
  void StreamDropped() { m_streamsDropped.Increment(); }
  // Read when the figures are written; set before any thread renders.
  // twoServing: times two servers of the presence server's list were seen
  // serving at once (TFramework::TwoServingOf).
  void SetSources(std::function<ZelTMirrorCounters()> mirror, std::function<bool()> current,
                  std::function<std::size_t()> streams, std::function<std::uint64_t()> twoServing);

  std::string Exposition() const;

 private:
  // Figures read from their sources as the text is written.
  class Sourced;

  std::shared_ptr<prometheus::Registry> m_registry;
  prometheus::Family<prometheus::Counter>& m_calls;
  prometheus::Family<prometheus::Histogram>& m_latency;
  prometheus::Family<prometheus::Counter>& m_requests;
  prometheus::Gauge& m_connections;
  prometheus::Counter& m_streamsDropped;
  std::shared_ptr<Sourced> m_sourced;
};

}  // namespace zelgw
