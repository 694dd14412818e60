#pragma once
// What a parsed command line asks zelctl to do. The parser only picks the
// command; it runs once the global options (diagnostics) have taken effect.

#include <functional>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

class ZelAPresenceServer;

namespace zelctl {

// How zelctl names itself to the framework.
constexpr const char* kClientName = "zelctl";
constexpr const char* kClientNode = "command line";

// Runs against the named server and returns the exit status: 0 when the
// server did what was asked, 1 when it refused or could not be reached.
using Command = std::function<int(ZelAPresenceServer& api, const std::string& server)>;

// Once `command` is parsed, chooses `run` with the options the parser
// filled in; the options live as long as the choice.
template <typename Options, typename Run>
void Choose(CLI::App& command, Command& chosen, std::shared_ptr<Options> options, Run run) {
  command.callback([&chosen, options, run] {
    chosen = [options, run](ZelAPresenceServer& api, const std::string& server) { return run(api, server, *options); };
  });
}

}  // namespace zelctl
