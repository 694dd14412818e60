#include "simulator_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <zmq.hpp>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

// A server port whose events port above it is free too.
std::string FreePair() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::pub);
  probe.bind("tcp://127.0.0.1:0");
  const std::string bound = probe.get(zmq::sockopt::last_endpoint);
  return "tcp://127.0.0.1:" + std::to_string(std::stoi(bound.substr(bound.rfind(':') + 1)) - 1);
}

bool Answers(const std::string& endpoint) {
  ZelAPresenceServer api("bench", "localhost");
  ZelTServerStatus status;
  api.QueryServerStatus(endpoint, status);
  return TFramework::LastFailure().kind == TFramework::FailureKind::None;
}

}  // namespace

std::string SimulatorProcess::FreeEndpoint() { return FreePair(); }

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& options, const std::string& given) {
  const std::string endpoint = given.empty() ? FreePair() : given;
  std::vector<std::string> arguments = {ZELCLNT_PRESENCE_SIM, "--bind", endpoint, "--diag", "NONE"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  m_pid = fork();
  if (m_pid == 0) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  for (int attempt = 0; attempt < 100 && m_pid > 0; ++attempt) {
    if (Answers(endpoint)) {
      m_endpoint = endpoint;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

SimulatorProcess::~SimulatorProcess() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  waitpid(m_pid, nullptr, 0);
}

void SimulatorProcess::Kill() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

double SimulatorProcess::CpuSeconds() const {
  std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command's closing parenthesis; utime and stime are the
  // 12th and 13th of them.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int index = 1; index <= 13 && fields >> field; ++index)
    if (index >= 12) ticks += std::stod(field);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long SimulatorProcess::ResidentBytes() const {
  std::ifstream statm("/proc/" + std::to_string(m_pid) + "/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}
