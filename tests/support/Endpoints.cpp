#include "Endpoints.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include <zmq.hpp>

namespace {

std::atomic<unsigned> g_counter{0};

std::string Next(const std::string& stem) { return stem + "-" + std::to_string(++g_counter); }

class IpcFolder {
 public:
  IpcFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelclnt-tests-XXXXXX").string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~IpcFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Bound to port 0 and closed again: the port stays free for a while.
std::string FreshTcpPort(zmq::socket_type type) {
  zmq::context_t context;
  zmq::socket_t probe(context, type);
  probe.set(zmq::sockopt::linger, 0);
  probe.bind("tcp://127.0.0.1:0");
  return probe.get(zmq::sockopt::last_endpoint);
}

}  // namespace

std::string UniqueInproc(const std::string& stem) { return "inproc://" + Next(stem); }

std::string UniqueIpc(const std::string& stem) {
  static IpcFolder folder;
  return "ipc://" + folder.Path() + "/" + Next(stem);
}

std::string ClosedTcpEndpoint() { return FreshTcpPort(zmq::socket_type::router); }

// Below the ports the system hands out for port 0 and for outgoing
// connections (32768 up by default), so that until the server binds them
// no socket takes them but one that names them; both are held at once,
// then freed.
std::string TcpWithFreeEventsPort() {
  thread_local std::mt19937 pick{std::random_device{}()};
  zmq::context_t context;
  for (int attempt = 0;; ++attempt) {
    const int port = std::uniform_int_distribution<int>(20000, 32766)(pick);
    const std::string name = "tcp://127.0.0.1:" + std::to_string(port);
    zmq::socket_t events(context, zmq::socket_type::pub);
    zmq::socket_t server(context, zmq::socket_type::router);
    events.set(zmq::sockopt::linger, 0);
    server.set(zmq::sockopt::linger, 0);
    try {
      events.bind("tcp://127.0.0.1:" + std::to_string(port + 1));
      server.bind(name);
      return name;
    } catch (const zmq::error_t&) {
      if (attempt == 100) return name;
    }
  }
}

std::vector<std::string> EveryTransport(const std::string& stem) {
  return {UniqueInproc(stem), TcpWithFreeEventsPort(), UniqueIpc(stem)};
}
