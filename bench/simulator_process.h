#pragma once
// A presence-sim process of its own, so that its CPU is measured apart from
// the clients' in the same run.

#include <sys/types.h>

#include <string>
#include <vector>

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
  double CpuSeconds() const;
  // Resident memory, in bytes.
  long ResidentBytes() const;

 private:
  pid_t m_pid = -1;
  std::string m_endpoint;
};
