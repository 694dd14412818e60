#pragma once
// A presence-sim process of its own, so that its CPU is measured apart from
// the clients' in the same run.

#include <sys/types.h>

#include <string>
#include <vector>

// A program of the build started with these arguments, its output dropped;
// -1 when it could not be.
pid_t StartProcess(std::vector<std::string> arguments);
void StopProcess(pid_t pid);
double ProcessCpuSeconds(pid_t pid);
long ProcessResidentBytes(pid_t pid);

class SimulatorProcess {
 public:
  // Starts presence-sim on a free loopback port (or on `endpoint`) with these
  // extra options and waits until it answers, refusing or not (one of a
  // pair that stands by refuses); Endpoint() is empty when it did not.
  explicit SimulatorProcess(const std::vector<std::string>& options, const std::string& endpoint = "");
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // A loopback endpoint whose port and the one above it (the events') are free.
  static std::string FreeEndpoint();

  const std::string& Endpoint() const { return m_endpoint; }
  // SIGKILL: gone at once, without a word to anyone.
  void Kill();
  // Seconds of CPU the process used so far, user and system.
  double CpuSeconds() const { return ProcessCpuSeconds(m_pid); }
  // Resident memory, in bytes.
  long ResidentBytes() const { return ProcessResidentBytes(m_pid); }

 private:
  pid_t m_pid = -1;
  std::string m_endpoint;
};
