#include "Metrics.h"

#include <prometheus/collectable.h>
#include <prometheus/text_serializer.h>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace zelgw {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

MetricFamily Single(const char* name, MetricType type, const char* help, double value) {
  ClientMetric metric;
  (type == MetricType::Counter ? metric.counter.value : metric.gauge.value) = value;
  return {name, help, type, {metric}};
}

}  // namespace

class Metrics::Sourced : public prometheus::Collectable {
 public:
  void Set(std::function<ZelTMirrorCounters()> mirror, std::function<bool()> current,
           std::function<std::size_t()> streams, std::function<std::uint64_t()> twoServing) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_mirror = std::move(mirror);
    m_current = std::move(current);
    m_streams = std::move(streams);
    m_twoServing = std::move(twoServing);
  }

  std::vector<MetricFamily> Collect() const override {
    std::lock_guard<std::mutex> guard(m_lock);
    const ZelTMirrorCounters mirror = m_mirror ? m_mirror() : ZelTMirrorCounters();
    const auto counter = MetricType::Counter;
    const auto gauge = MetricType::Gauge;
    return {
        Single("presence_gateway_open_streams", gauge, "Event streams open now.",
               static_cast<double>(m_streams ? m_streams() : 0)),
        Single("presence_gateway_events_applied_total", counter, "Events the mirror applied to its users.",
               static_cast<double>(mirror.eventsApplied)),
        Single("presence_gateway_events_replayed_total", counter,
               "Events lost on the way and sent again by the server.", static_cast<double>(mirror.eventsReplayed)),
        Single("presence_gateway_events_unreadable_total", counter,
               "Events the mirror could not apply; their users were queried again.",
               static_cast<double>(mirror.eventsUnreadable)),
        Single("presence_gateway_mirror_resyncs_total", counter,
               "Times events were lost beyond the server's replay, or it restarted, and every user was queried "
               "again.",
               static_cast<double>(mirror.resyncs)),
        Single("presence_gateway_mirror_users_requeried_total", counter, "Single users queried again.",
               static_cast<double>(mirror.usersRequeried)),
        Single("presence_gateway_mirror_users", gauge, "Users the mirror holds.", static_cast<double>(mirror.users)),
        Single("presence_gateway_mirror_current", gauge,
               "1 when the mirror is joined, no user waits for a query and its server was heard from within 3 s.",
               m_current && m_current() ? 1 : 0),
        Single("presence_gateway_two_serving_total", counter,
               "Times two servers of the presence server's list were seen serving at once.",
               static_cast<double>(m_twoServing ? m_twoServing() : 0)),
    };
  }

 private:
  mutable std::mutex m_lock;
  std::function<ZelTMirrorCounters()> m_mirror;
  std::function<bool()> m_current;
  std::function<std::size_t()> m_streams;
  std::function<std::uint64_t()> m_twoServing;
};

Metrics::Metrics()
    : m_registry(std::make_shared<prometheus::Registry>()),
      m_calls(prometheus::BuildCounter()
                  .Name("presence_gateway_calls_total")
                  .Help("Calls to the presence server by call, outcome and reason.")
                  .Register(*m_registry)),
      m_latency(prometheus::BuildHistogram()
                    .Name("presence_gateway_call_duration_seconds")
                    .Help("Time a call to the presence server took.")
                    .Register(*m_registry)),
      m_requests(prometheus::BuildCounter()
                     .Name("presence_gateway_http_requests_total")
                     .Help("HTTP requests answered, by status.")
                     .Register(*m_registry)),
      m_connections(prometheus::BuildGauge()
                        .Name("presence_gateway_open_connections")
                        .Help("HTTP connections open now.")
                        .Register(*m_registry)
                        .Add({})),
      m_streamsDropped(prometheus::BuildCounter()
                           .Name("presence_gateway_streams_dropped_total")
                           .Help("Event streams closed as their client did not keep up.")
                           .Register(*m_registry)
                           .Add({})),
      m_sourced(std::make_shared<Sourced>()) {}

void Metrics::CountCall(const std::string& call, const std::string& outcome, const std::string& reason,
                        std::chrono::nanoseconds latency) {
  m_calls.Add({{"call", call}, {"outcome", outcome}, {"reason", reason}}).Increment();
  static const prometheus::Histogram::BucketBoundaries kBuckets(kLatencyBuckets.begin(), kLatencyBuckets.end());
  m_latency.Add({{"call", call}}, kBuckets).Observe(std::chrono::duration<double>(latency).count());
}

void Metrics::CountRequest(unsigned status) { m_requests.Add({{"status", std::to_string(status)}}).Increment(); }

void Metrics::SetSources(std::function<ZelTMirrorCounters()> mirror, std::function<bool()> current,
                         std::function<std::size_t()> streams, std::function<std::uint64_t()> twoServing) {
  m_sourced->Set(std::move(mirror), std::move(current), std::move(streams), std::move(twoServing));
}

std::string Metrics::Exposition() const {
  std::vector<MetricFamily> families = m_registry->Collect();
  std::vector<MetricFamily> sourced = m_sourced->Collect();
  families.insert(families.end(), std::make_move_iterator(sourced.begin()), std::make_move_iterator(sourced.end()));
  for (MetricFamily& family : families)
    std::sort(family.metric.begin(), family.metric.end(),
              [](const ClientMetric& a, const ClientMetric& b) { return a.label < b.label; });
  return prometheus::TextSerializer().Serialize(families);
}

}  // namespace zelgw
