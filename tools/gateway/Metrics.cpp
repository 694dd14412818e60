#include "Metrics.h"

#include <cstdio>
#include <cstdlib>

namespace zelgw {

namespace {

// Whole numbers as integers ("10"), others in the shortest form that reads
// back the same ("0.0025").
std::string Number(double value) {
  char text[40];
  if (value == static_cast<double>(static_cast<long long>(value)) && value < 1e15 && value > -1e15) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    return text;
  }
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

std::string EscapeLabel(const std::string& value) {
  std::string escaped;
  for (char c : value) {
    if (c == '\\' || c == '"') escaped += '\\';
    if (c == '\n') {
      escaped += "\\n";
      continue;
    }
    escaped += c;
  }
  return escaped;
}

void Metrics::CountCall(const std::string& call, const std::string& outcome, const std::string& reason,
                        std::chrono::nanoseconds latency) {
  const double seconds = std::chrono::duration<double>(latency).count();
  std::lock_guard<std::mutex> guard(m_lock);
  ++m_calls[{call, outcome, reason}];
  Histogram& histogram = m_latency[call];
  for (std::size_t i = 0; i < kLatencyBuckets.size(); ++i)
    if (seconds <= kLatencyBuckets[i]) ++histogram.buckets[i];
  ++histogram.count;
  histogram.sum += seconds;
}

void Metrics::SetSources(std::function<ZelTMirrorCounters()> mirror, std::function<bool()> current,
                         std::function<std::size_t()> streams, std::function<std::uint64_t()> twoServing) {
  m_mirror = std::move(mirror);
  m_current = std::move(current);
  m_streams = std::move(streams);
  m_twoServing = std::move(twoServing);
}

void Metrics::CountRequest(unsigned status) {
  std::lock_guard<std::mutex> guard(m_lock);
  ++m_requests[status];
}

std::string Metrics::Exposition() const {
  std::lock_guard<std::mutex> guard(m_lock);
  std::string out;
  Family(out, "presence_gateway_calls_total", "counter", "Calls to the presence server by call, outcome and reason.");
  for (const auto& [labels, count] : m_calls)
    out += "presence_gateway_calls_total{call=\"" + EscapeLabel(std::get<0>(labels)) + "\",outcome=\"" +
           EscapeLabel(std::get<1>(labels)) + "\",reason=\"" + EscapeLabel(std::get<2>(labels)) + "\"} " +
           std::to_string(count) + "\n";
  Family(out, "presence_gateway_call_duration_seconds", "histogram", "Time a call to the presence server took.");
  for (const auto& [call, histogram] : m_latency) {
    const std::string series = "presence_gateway_call_duration_seconds";
    const std::string label = "call=\"" + EscapeLabel(call) + "\"";
    for (std::size_t i = 0; i < kLatencyBuckets.size(); ++i)
      out += series + "_bucket{" + label + ",le=\"" + Number(kLatencyBuckets[i]) + "\"} " +
             std::to_string(histogram.buckets[i]) + "\n";
    out += series + "_bucket{" + label + ",le=\"+Inf\"} " + std::to_string(histogram.count) + "\n";
    out += series + "_sum{" + label + "} " + Number(histogram.sum) + "\n";
    out += series + "_count{" + label + "} " + std::to_string(histogram.count) + "\n";
  }
  Family(out, "presence_gateway_http_requests_total", "counter", "HTTP requests answered, by status.");
  for (const auto& [status, count] : m_requests)
    out += "presence_gateway_http_requests_total{status=\"" + std::to_string(status) + "\"} " + std::to_string(count) +
           "\n";
  Family(out, "presence_gateway_open_connections", "gauge", "HTTP connections open now.");
  out += "presence_gateway_open_connections " + std::to_string(m_connections.load()) + "\n";
  Family(out, "presence_gateway_open_streams", "gauge", "Event streams open now.");
  out += "presence_gateway_open_streams " + std::to_string(m_streams ? m_streams() : 0) + "\n";
  Family(out, "presence_gateway_streams_dropped_total", "counter", "Event streams closed as their client did not keep up.");
  out += "presence_gateway_streams_dropped_total " + std::to_string(m_streamsDropped.load()) + "\n";
  const ZelTMirrorCounters mirror = m_mirror ? m_mirror() : ZelTMirrorCounters();
  const struct {
    const char* name;
    const char* type;
    const char* help;
    std::uint64_t value;
  } figures[] = {
      {"presence_gateway_events_applied_total", "counter", "Events the mirror applied to its users.",
       mirror.eventsApplied},
      {"presence_gateway_events_replayed_total", "counter", "Events lost on the way and sent again by the server.",
       mirror.eventsReplayed},
      {"presence_gateway_events_unreadable_total", "counter",
       "Events the mirror could not apply; their users were queried again.", mirror.eventsUnreadable},
      {"presence_gateway_mirror_resyncs_total", "counter",
       "Times events were lost beyond the server's replay, or it restarted, and every user was queried again.",
       mirror.resyncs},
      {"presence_gateway_mirror_users_requeried_total", "counter", "Single users queried again.",
       mirror.usersRequeried},
      {"presence_gateway_mirror_users", "gauge", "Users the mirror holds.", mirror.users},
      {"presence_gateway_mirror_current", "gauge", "1 when the mirror is joined, no user waits for a query and its server was heard from within 3 s.",
       m_current && m_current() ? 1u : 0u},
      {"presence_gateway_two_serving_total", "counter",
       "Times two servers of the presence server's list were seen serving at once.",
       m_twoServing ? m_twoServing() : 0u},
  };
  for (const auto& figure : figures) {
    Family(out, figure.name, figure.type, figure.help);
    out += std::string(figure.name) + " " + std::to_string(figure.value) + "\n";
  }
  return out;
}

}  // namespace zelgw
