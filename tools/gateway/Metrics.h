#pragma once
// What the gateway counts, written in the Prometheus text exposition
// format (version 0.0.4): calls to the presence server by call, outcome and
// reason, their latency as a histogram, HTTP requests by status, open
// connections, open streams and streams closed as too slow, and its
// mirror's figures (events applied, replayed and unreadable, resyncs,
// users queried again, users held, whether it is current), and how often two
// servers of a list were seen serving at once. There is no Prometheus client library in
// Debian's archive; the format is small, and written here exactly: families
// in a fixed order, series sorted by their labels, label values escaped.
//
// Latency is measured on the platform clock (TClock), so a test that
// installs a manual clock decides it. Any thread may count and render.

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "zelclnt/mirror/ZelAPresenceMirror.h"

namespace zelgw {

class Metrics {
 public:
  static constexpr std::array<double, 12> kLatencyBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                             0.1,   0.25,   0.5,   1,    2.5,   10};

  // outcome: "succeeded", "refused" or "failed"; reason: the error code's
  // name for a refusal, the transport's failure for a failed call.
  void CountCall(const std::string& call, const std::string& outcome, const std::string& reason,
                 std::chrono::nanoseconds latency);
  void CountRequest(unsigned status);
  void ConnectionOpened() { ++m_connections; }
  void ConnectionClosed() { --m_connections; }
  void StreamDropped() { ++m_streamsDropped; }
  // Read when the figures are written; set before any thread renders.
  // twoServing: times two servers of the presence server's list were seen
  // serving at once (TFramework::TwoServingOf).
  void SetSources(std::function<ZelTMirrorCounters()> mirror, std::function<bool()> current,
                  std::function<std::size_t()> streams, std::function<std::uint64_t()> twoServing);

  std::string Exposition() const;

 private:
  struct Histogram {
    std::array<std::uint64_t, kLatencyBuckets.size()> buckets{};
    std::uint64_t count = 0;
    double sum = 0;
  };

  mutable std::mutex m_lock;
  std::map<std::tuple<std::string, std::string, std::string>, std::uint64_t> m_calls;
  std::map<std::string, Histogram> m_latency;
  std::map<unsigned, std::uint64_t> m_requests;
  std::atomic<std::int64_t> m_connections{0};
  std::atomic<std::uint64_t> m_streamsDropped{0};
  std::function<ZelTMirrorCounters()> m_mirror;
  std::function<bool()> m_current;
  std::function<std::size_t()> m_streams;
  std::function<std::uint64_t()> m_twoServing;
};

// A label value with backslash, double quote and line feed escaped.
std::string EscapeLabel(const std::string& value);

}  // namespace zelgw
