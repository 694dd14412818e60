// Runs one example program against a presence simulator of its own, as a
// user would: starts the simulator on an ephemeral tcp port, runs the
// program with the simulator's endpoint as its first argument, and passes
// when the program exits with 0 having printed every expected text.
//
//   example_runner [--churn RATE] [--secured] --expect TEXT [--expect TEXT...] -- PROGRAM [ARG...]
//
// "{keys}" in an ARG stands for a temporary directory. With --secured it
// holds a server key pair (server.key, server.key.pub) and a client key
// pair (client.key), and the simulator serves with CURVE, admitting that
// client with the control role.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PresenceSimulator.h"
#include "TemporaryFolder.h"
#include "zelclnt/platform/TCurve.h"

extern char** environ;

namespace {

struct Options {
  double churn = 0;
  bool secured = false;
  std::vector<std::string> expect;
  std::vector<std::string> command;
};

bool Parse(int argc, char** argv, Options& options) {
  int at = 1;
  for (; at < argc && std::string(argv[at]) != "--"; ++at) {
    const std::string option = argv[at];
    if (option == "--secured") {
      options.secured = true;
    } else if (option == "--churn" && at + 1 < argc) {
      options.churn = std::atof(argv[++at]);
    } else if (option == "--expect" && at + 1 < argc) {
      options.expect.push_back(argv[++at]);
    } else {
      return false;
    }
  }
  for (++at; at < argc; ++at) options.command.push_back(argv[at]);
  return !options.command.empty() && !options.expect.empty();
}

bool WriteKeys(const std::string& directory, TServerSecurity& security, std::string& error) {
  const TCurveKeyPair server = TCurve::Generate();
  const TCurveKeyPair client = TCurve::Generate();
  if (!TCurve::WriteKeyPair(directory + "/server.key", server, &error) ||
      !TCurve::WriteKeyPair(directory + "/client.key", client, &error))
    return false;
  security.serverKeys = server;
  security.allowed[client.publicKey] = TRole::Control;
  return true;
}

std::string Replaced(std::string text, const std::string& placeholder, const std::string& value) {
  for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
    text.replace(at, placeholder.size(), value);
  return text;
}

// Runs the command with its standard output collected; its exit status, or
// -1 when it did not exit by itself.
int Run(const std::vector<std::string>& command, std::string& output) {
  std::vector<char*> argv;
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (got > 0) output.append(buffer, static_cast<std::size_t>(got));
    if (got == 0 || (got < 0 && errno != EINTR)) break;
  }
  ::close(pipeEnds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: example_runner [--churn RATE] [--secured] --expect TEXT [--expect TEXT...] -- PROGRAM "
                 "[ARG...]\n");
    return 2;
  }
  const TemporaryFolder keys("zelclnt-example");
  zelsim::SimulatorOptions simulatorOptions;
  simulatorOptions.endpoint = "tcp://127.0.0.1:0";
  simulatorOptions.churnRate = options.churn;
  std::string error;
  if (options.secured) {
    TServerSecurity security;
    if (keys.Path().empty() || !WriteKeys(keys.Path(), security, error)) {
      std::fprintf(stderr, "example_runner: no keys: %s\n", error.c_str());
      return 1;
    }
    simulatorOptions.security = std::move(security);
  }
  zelsim::PresenceSimulator simulator(simulatorOptions);
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "example_runner: %s\n", error.c_str());
    return 1;
  }

  std::vector<std::string> command{options.command.front(), simulator.Endpoint()};
  for (auto argument = options.command.begin() + 1; argument != options.command.end(); ++argument)
    command.push_back(Replaced(*argument, "{keys}", keys.Path()));
  std::string output;
  const int status = Run(command, output);
  std::printf("%s", output.c_str());
  if (status != 0) {
    std::fprintf(stderr, "example_runner: %s exited with %d\n", command.front().c_str(), status);
    return 1;
  }
  for (const std::string& expected : options.expect) {
    if (output.find(expected) != std::string::npos) continue;
    std::fprintf(stderr, "example_runner: %s did not print \"%s\"\n", command.front().c_str(), expected.c_str());
    return 1;
  }
  return 0;
}
