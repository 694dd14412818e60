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
  out += "presence_gateway_open_streams 0\n";
  return out;
}

}  // namespace zelgw
