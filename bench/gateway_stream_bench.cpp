// Event streams through the gateway under churn: the simulator (a process
// of its own) changes 1,000 of its 10,000 agents a second, and a gateway (a
// process of its own too) serves open streams, either 1,000 agent desktops
// that each follow one agent or wallboards that follow everyone. Beside
// them, in this process, one TEventReceiver takes the same events straight
// from the simulator.
//
// Reported: the gateway's share of a core and its resident memory; the
// delay of routing changes from the simulator's stamp (its routing state's
// start time, in milliseconds) to their arrival, on the streams and
// through the receiver, median and p99; and what the gateway adds, each
// event's arrival on a stream less its arrival at the receiver (matched by
// position), median and p99.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "simulator_process.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using Steady = std::chrono::steady_clock;
using PS = ZelTPresenceServer;

constexpr long kAgents = 10000;
constexpr long kFirstKey = 42;
constexpr auto kWindow = std::chrono::seconds(10);

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// "2026-12-07T01:02:03.045Z" as milliseconds since 1970.
double IsoMs(const std::string& text) {
  std::tm tm{};
  if (text.size() < 24 || !strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S", &tm)) return 0;
  return static_cast<double>(timegm(&tm)) * 1000 + std::atof(text.c_str() + 20);
}

struct Arrival {
  std::uint64_t position;
  Steady::time_point at;
};

// One stream: reads its events and notes each one's position and arrival.
class StreamReader : public std::enable_shared_from_this<StreamReader> {
 public:
  StreamReader(net::io_context& io, std::vector<Arrival>& arrivals, std::vector<double>& delays)
      : m_socket(io), m_arrivals(arrivals), m_delays(delays) {}

  bool Open(unsigned short port, const std::string& target) {
    boost::system::error_code error;
    m_socket.connect({net::ip::make_address("127.0.0.1"), port}, error);
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (!error) net::write(m_socket, net::buffer(request), error);
    return !error;
  }
  void Read() {
    m_socket.async_read_some(net::buffer(m_chunk), [self = shared_from_this()](boost::system::error_code error,
                                                                                std::size_t n) {
      if (error) {
        self->m_closed = true;
        return;
      }
      self->m_text.append(self->m_chunk, n);
      self->Parse();
      self->Read();
    });
  }
  bool Closed() const { return m_closed; }

 private:
  // Scans only what came since the last look: a snapshot of every user
  // arrives in many reads.
  void Parse() {
    const Steady::time_point now = Steady::now();
    for (std::size_t end; (end = m_text.find("\n\n", m_scanned)) != std::string::npos;) {
      Event(m_start, end, now);
      m_start = m_scanned = end + 2;
    }
    m_scanned = m_text.size() > 0 ? m_text.size() - 1 : 0;
    if (m_start > (1u << 20) || m_start == m_text.size()) {
      m_text.erase(0, m_start);
      m_scanned -= std::min(m_scanned, m_start);
      m_start = 0;
    }
  }

  void Event(std::size_t start, std::size_t end, Steady::time_point now) {
    const std::size_t id = m_text.find("id: ", start);
    if (id >= end || m_text.compare(m_text.find('\n', id) + 1, 13, "event: change") != 0) return;
    const std::size_t dash = m_text.find('-', id);
    m_arrivals.push_back({std::strtoull(m_text.c_str() + dash + 1, nullptr, 10), now});
    const std::size_t routing = m_text.find("\"parts\":[\"routing\"]", id);
    if (routing >= end) return;
    const std::size_t stamp = m_text.find("\"startTime\":\"", m_text.find("\"routingState\":", id));
    if (stamp < end) m_delays.push_back(NowMs() - IsoMs(m_text.substr(stamp + 13, 24)));
  }

  tcp::socket m_socket;
  std::vector<Arrival>& m_arrivals;
  std::vector<double>& m_delays;
  char m_chunk[65536];
  std::string m_text;
  std::size_t m_start = 0;
  std::size_t m_scanned = 0;
  bool m_closed = false;
};

std::vector<int> UserEventTypes() {
  std::vector<int> types;
  for (int type = PS::VOICE_USER_MEDIA_EVENT; type <= PS::OPENMEDIA_USER_MEDIA_EVENT; ++type) types.push_back(type);
  return types;
}

// The receiver beside the gateway: every event's arrival by position, and
// the delay of each routing change from its stamp.
void Receive(const std::string& endpoint, Steady::time_point until, std::unordered_map<std::uint64_t, Steady::time_point>& at,
             std::vector<double>& delays) {
  TEventReceiver receiver(endpoint, UserEventTypes());
  receiver.Start();
  receiver.WaitUntilSubscribed(30000);
  TEventNotice notice;
  ZelTAnyEvent event;
  while (Steady::now() < until) {
    if (!receiver.Next(notice, 100) || notice.kind != TEventNotice::Kind::Event) continue;
    at.emplace(notice.position, Steady::now());
    if (notice.eventType != PS::USER_ROUTING_STATE_EVENT) continue;
    ZelTEventReader::Read(PS::USER_ROUTING_STATE_EVENT, notice.data.data(), notice.data.size(), event);
    if (const auto* routing = std::get_if<ZelTUserRoutingStateEvent>(&event))
      delays.push_back(NowMs() - static_cast<double>(routing->GetRoutingState().GetStartTime().MillisecondsSince1970()));
  }
}

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

unsigned short FreePort() {
  net::io_context io;
  tcp::acceptor acceptor(io, {net::ip::make_address("127.0.0.1"), 0});
  return acceptor.local_endpoint().port();
}

bool Ready(unsigned short port) {
  net::io_context io;
  tcp::socket socket(io);
  boost::system::error_code error;
  socket.connect({net::ip::make_address("127.0.0.1"), port}, error);
  if (error) return false;
  net::write(socket, net::buffer(std::string("GET /v1/users?team=-1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")),
             error);
  char head[12] = {};
  net::read(socket, net::buffer(head), error);
  return std::string(head, 12) == "HTTP/1.1 200";
}

// A figure of the gateway's /metrics.
double Metric(unsigned short port, const std::string& name) {
  net::io_context io;
  tcp::socket socket(io);
  boost::system::error_code error;
  socket.connect({net::ip::make_address("127.0.0.1"), port}, error);
  net::write(socket, net::buffer("GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"), error);
  std::string text;
  char chunk[65536];
  for (std::size_t n; (n = socket.read_some(net::buffer(chunk), error)) > 0 || !error;) text.append(chunk, n);
  const std::size_t at = text.find("\n" + name + " ");
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + name.size() + 2);
}

void Streams(benchmark::State& state, long streams, bool oneAgentEach) {
  TDiag::SetFilters("NONE");
  SimulatorProcess simulator({"--agents", std::to_string(kAgents), "--churn", "1000"});
  if (simulator.Endpoint().empty()) return state.SkipWithError("the simulator did not start");
  const unsigned short port = FreePort();
  const pid_t gateway = StartProcess({ZELCLNT_PRESENCE_GATEWAY, "--server", simulator.Endpoint(), "--listen",
                                      "127.0.0.1:" + std::to_string(port), "--diag", "NONE"});
  for (int attempt = 0; attempt < 300 && !Ready(port); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!Ready(port)) {
    StopProcess(gateway);
    return state.SkipWithError("the gateway did not start");
  }
  net::io_context io;
  std::vector<Arrival> arrivals;
  std::vector<double> streamDelays;
  std::vector<std::shared_ptr<StreamReader>> readers;
  for (long i = 0; i < streams; ++i) {
    const std::string target =
        oneAgentEach ? "/v1/stream?users=" + std::to_string(kFirstKey + (i * kAgents) / streams) : "/v1/stream";
    readers.push_back(std::make_shared<StreamReader>(io, arrivals, streamDelays));
    if (!readers.back()->Open(port, target)) {
      StopProcess(gateway);
      return state.SkipWithError("a stream did not open");
    }
    readers.back()->Read();
  }
  std::unordered_map<std::uint64_t, Steady::time_point> direct;
  std::vector<double> directDelays;
  double cpu = 0;
  long resident = 0;
  for (auto _ : state) {
    // Settle: every snapshot read before the window opens.
    io.run_for(std::chrono::seconds(3));
    arrivals.clear();
    streamDelays.clear();
    const Steady::time_point until = Steady::now() + kWindow;
    std::thread receiver([&] { Receive(simulator.Endpoint(), until, direct, directDelays); });
    const double before = ProcessCpuSeconds(gateway);
    io.run_until(until);
    cpu = ProcessCpuSeconds(gateway) - before;
    resident = ProcessResidentBytes(gateway);
    receiver.join();
  }
  std::vector<double> added;
  for (const Arrival& arrival : arrivals) {
    const auto found = direct.find(arrival.position);
    if (found != direct.end())
      added.push_back(std::chrono::duration<double, std::micro>(arrival.at - found->second).count());
  }
  const double seconds = std::chrono::duration<double>(kWindow).count();
  long open = 0;
  for (const auto& reader : readers) open += reader->Closed() ? 0 : 1;
  state.counters["streams_dropped"] = Metric(port, "presence_gateway_streams_dropped_total");
  StopProcess(gateway);
  state.counters["gateway_cpu_pct"] = 100 * cpu / seconds;
  state.counters["gateway_rss_mb"] = static_cast<double>(resident) / (1024 * 1024);
  state.counters["streams_open"] = static_cast<double>(open);
  state.counters["deliveries_s"] = static_cast<double>(arrivals.size()) / seconds;
  state.counters["stream_delay_ms_p50"] = Quantile(streamDelays, 0.5);
  state.counters["stream_delay_ms_p99"] = Quantile(streamDelays, 0.99);
  state.counters["receiver_delay_ms_p50"] = Quantile(directDelays, 0.5);
  state.counters["receiver_delay_ms_p99"] = Quantile(directDelays, 0.99);
  state.counters["gateway_adds_us_p50"] = Quantile(added, 0.5);
  state.counters["gateway_adds_us_p99"] = Quantile(added, 0.99);
  TDiag::ResetFilters();
}

void BM_GatewayStreams_OneAgentEach(benchmark::State& state) { Streams(state, state.range(0), true); }
void BM_GatewayStreams_Everything(benchmark::State& state) { Streams(state, state.range(0), false); }

BENCHMARK(BM_GatewayStreams_OneAgentEach)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_GatewayStreams_Everything)->Arg(10)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
