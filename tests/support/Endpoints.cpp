#include "Endpoints.h"

#include <atomic>
#include <random>

#include <zmq.hpp>

#include "TemporaryFolder.h"

namespace {

std::atomic<unsigned> g_counter{0};

std::string Next(const std::string& stem) { return stem + "-" + std::to_string(++g_counter); }

// Below the ports the system hands out for port 0 and for outgoing
// connections (32768 up by default), so that no socket takes one but one
// that names it: `count` ports in a row, each bound at once, then freed.
std::string FreeLowPorts(int count) {
  thread_local std::mt19937 pick{std::random_device{}()};
  zmq::context_t context;
  for (int attempt = 0;; ++attempt) {
    const int port = std::uniform_int_distribution<int>(20000, 32767 - count)(pick);
    const std::string name = "tcp://127.0.0.1:" + std::to_string(port);
    std::vector<zmq::socket_t> held;
    try {
      for (int at = 0; at < count; ++at) {
        held.emplace_back(context, zmq::socket_type::router).set(zmq::sockopt::linger, 0);
        held.back().bind("tcp://127.0.0.1:" + std::to_string(port + at));
      }
      return name;
    } catch (const zmq::error_t&) {
      if (attempt == 100) return name;
    }
  }
}

}  // namespace

std::string UniqueInproc(const std::string& stem) { return "inproc://" + Next(stem); }

std::string UniqueIpc([[maybe_unused]] const std::string& stem) {
#ifdef _WIN32
  return TcpWithFreeEventsPort();
#else
  static const TemporaryFolder folder("zelclnt-tests");
  return "ipc://" + folder.Path() + "/" + Next(stem);
#endif
}

std::string ClosedTcpEndpoint() { return FreeLowPorts(1); }

std::string TcpWithFreeEventsPort() { return FreeLowPorts(2); }

std::vector<std::string> EveryTransport(const std::string& stem) {
#ifdef _WIN32
  return {UniqueInproc(stem), TcpWithFreeEventsPort()};
#else
  return {UniqueInproc(stem), TcpWithFreeEventsPort(), UniqueIpc(stem)};
#endif
}
