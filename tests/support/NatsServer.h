#pragma once
// A real nats-server with JetStream for a test: its own store in a folder
// of its own (removed with it), a loopback port that was free, started as
// a child process and waited for until it takes connections (up to 10 s),
// killed with SIGKILL when the test says so or ends. Available() is false
// where nats-server is not installed: such tests skip. It takes anyone,
// or only a user and password given before Start.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class NatsServer {
 public:
  NatsServer() : m_binary(Find()) {}
  ~NatsServer() {
    Kill();
    if (!m_folder.empty()) std::filesystem::remove_all(m_folder);
  }
  NatsServer(const NatsServer&) = delete;
  NatsServer& operator=(const NatsServer&) = delete;

  bool Available() const { return !m_binary.empty(); }
  void RequireUser(const std::string& user, const std::string& password) {
    m_user = user;
    m_password = password;
  }

  // Starts it, on the port it had before if it ran already (a restart).
  bool Start() {
    if (m_binary.empty() || m_pid > 0) return false;
    if (m_folder.empty()) {
      std::string pattern = (std::filesystem::temp_directory_path() / "zel-nats-XXXXXX").string();
      if (!mkdtemp(pattern.data())) return false;
      m_folder = pattern;
      m_port = FreePort();
    }
    const std::string port = std::to_string(m_port);
    const std::string store = m_folder + "/store";
    m_pid = fork();
    if (m_pid == 0) {
      // Its log beside its store, out of the test's output.
      const int log = open((m_folder + "/log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
      }
      std::vector<const char*> args{m_binary.c_str(), "-a", "127.0.0.1", "-p", port.c_str(), "-js", "-sd", store.c_str()};
      if (!m_user.empty()) args.insert(args.end(), {"--user", m_user.c_str(), "--pass", m_password.c_str()});
      args.push_back(nullptr);
      execv(m_binary.c_str(), const_cast<char* const*>(args.data()));
      _exit(127);
    }
    return m_pid > 0 && AwaitListening();
  }
  void Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }
  std::string Url() const { return "nats://127.0.0.1:" + std::to_string(m_port); }

 private:
  static std::string Find() {
    for (const char* path : {"/usr/sbin/nats-server", "/usr/bin/nats-server", "/usr/local/bin/nats-server"})
      if (access(path, X_OK) == 0) return path;
    return std::string();
  }
  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }
  static int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
  }
  bool AwaitListening() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      const int s = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address = Loopback(m_port);
      const bool up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      close(s);
      if (up) return true;
      if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::string m_binary;
  std::string m_folder;
  std::string m_user;
  std::string m_password;
  int m_port = 0;
  pid_t m_pid = -1;
};
