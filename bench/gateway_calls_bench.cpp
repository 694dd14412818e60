// The gateway in front of a presence server that answers no call: reads of
// users while as many calls as asked are left hanging, beside the same
// reads with none, and how long Stop takes with the calls still in flight.
// All in this process: a simulator of 2,000 agents whose answers are held
// once the gateway joined, the gateway, and HTTP clients on loopback.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Gateway.h"
#include "answer_hold.h"
#include "PresenceSimulator.h"
#include "zelclnt/platform/TDiag.h"

namespace {

namespace net = boost::asio;
namespace http = boost::beast::http;
using tcp = net::ip::tcp;
using Steady = std::chrono::steady_clock;

constexpr int kAgents = 2000;
constexpr int kReads = 200;

// One keep-alive connection making GETs one after the other.
class Client {
 public:
  explicit Client(unsigned short port) : m_socket(m_io) { net::connect(m_socket, Endpoints(port)); }

  // Milliseconds for the whole response; below 0 when it failed.
  double Get(const std::string& target) {
    const Steady::time_point started = Steady::now();
    http::request<http::empty_body> request(http::verb::get, target, 11);
    request.set(http::field::host, "127.0.0.1");
    boost::beast::error_code error;
    http::write(m_socket, request, error);
    http::response<http::string_body> response;
    if (!error) http::read(m_socket, m_buffer, response, error);
    if (error || response.result() != http::status::ok) return -1;
    return std::chrono::duration<double, std::milli>(Steady::now() - started).count();
  }

 private:
  static std::vector<tcp::endpoint> Endpoints(unsigned short port) {
    return {tcp::endpoint(net::ip::make_address("127.0.0.1"), port)};
  }

  net::io_context m_io;
  tcp::socket m_socket;
  boost::beast::flat_buffer m_buffer;
};

// A status call that is sent and never read from: it waits on the gateway.
std::unique_ptr<tcp::socket> Hang(net::io_context& io, unsigned short port) {
  auto socket = std::make_unique<tcp::socket>(io);
  socket->connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
  net::write(*socket, net::buffer(std::string("GET /v1/status?timeout=60000 HTTP/1.1\r\nHost: x\r\n\r\n")));
  return socket;
}

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

bool Await(const std::function<bool()>& done) {
  for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

void BM_GatewayReadsBesideHangingCalls(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const auto hanging = static_cast<std::size_t>(state.range(0));
  AnswerHold hold;
  std::atomic<bool> silent{false};
  zelsim::SimulatorOptions simulator;
  simulator.endpoint = "inproc://gateway-calls-bench";
  simulator.agents = kAgents;
  simulator.beforeAnswer = [&](const TRPC&) {
    if (silent) hold.Pass();
  };
  zelsim::PresenceSimulator server(simulator);
  if (!server.Start()) return state.SkipWithError("the simulator did not start");
  zelgw::GatewayOptions options;
  options.listen = "127.0.0.1:0";
  options.server = server.Endpoint();
  options.maxCalls = hanging + 1;
  zelgw::Gateway gateway(options);
  std::string error;
  if (!gateway.Start(&error) || !Await([&] { return gateway.Ready(); }))
    return state.SkipWithError(("the gateway did not join: " + error).c_str());
  silent = true;
  hold.Close();
  net::io_context io;
  std::vector<std::unique_ptr<tcp::socket>> calls;
  for (std::size_t i = 0; i < hanging; ++i) calls.push_back(Hang(io, gateway.Port()));
  if (!Await([&] { return gateway.CallsWaiting() == hanging; })) return state.SkipWithError("the calls did not wait");
  Client client(gateway.Port());
  std::vector<double> one;
  std::vector<double> all;
  for (auto _ : state) {
    for (int i = 0; i < kReads; ++i) {
      one.push_back(client.Get("/v1/users/" + std::to_string(42 + i % kAgents)));
      if (i % 10 == 0) all.push_back(client.Get("/v1/users"));
    }
  }
  const Steady::time_point stopping = Steady::now();
  gateway.Stop();
  state.counters["stop_ms"] = std::chrono::duration<double, std::milli>(Steady::now() - stopping).count();
  hold.Open();
  state.counters["user_ms_p50"] = Quantile(one, 0.5);
  state.counters["user_ms_p99"] = Quantile(one, 0.99);
  state.counters["all_users_ms_p50"] = Quantile(all, 0.5);
  state.counters["all_users_ms_p99"] = Quantile(all, 0.99);
  state.counters["failed_reads"] = static_cast<double>(std::count(one.begin(), one.end(), -1.0) +
                                                       std::count(all.begin(), all.end(), -1.0));
  TDiag::ResetFilters();
}

BENCHMARK(BM_GatewayReadsBesideHangingCalls)->Arg(0)->Arg(500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
