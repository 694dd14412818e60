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

// Any reply will do: one of a pair that stands by refuses.
bool Answers(const std::string& endpoint) {
  ZelAPresenceServer api("bench", "localhost");
  ZelTServerStatus status;
  TFramework::SetTimeoutOverride(500);
  api.QueryServerStatus(endpoint, status);
  TFramework::SetTimeoutOverride(0);
  return TFramework::LastFailure().kind == TCallFailure::None;
}

}  // namespace

pid_t StartProcess(std::vector<std::string> arguments) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

void StopProcess(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

std::string SimulatorProcess::FreeEndpoint() { return FreePair(); }

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& options, const std::string& given) {
  const std::string endpoint = given.empty() ? FreePair() : given;
  std::vector<std::string> arguments = {ZELCLNT_PRESENCE_SIM, "--bind", endpoint, "--diag", "NONE"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  m_pid = StartProcess(std::move(arguments));
  for (int attempt = 0; attempt < 100 && m_pid > 0; ++attempt) {
    if (Answers(endpoint)) {
      m_endpoint = endpoint;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

SimulatorProcess::~SimulatorProcess() { StopProcess(m_pid); }

void SimulatorProcess::Kill() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
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

long ProcessResidentBytes(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}
