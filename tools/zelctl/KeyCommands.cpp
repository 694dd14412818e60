#include "KeyCommands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "JsonValues.h"
#include "Output.h"
#include "zelclnt/platform/TCurve.h"

namespace zelctl {
namespace {

struct KeygenOptions {
  std::string path;
  bool force = false;
};

bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

// A key pair already in use is not overwritten by accident: its clients or
// server would be locked out.
int Keygen(const KeygenOptions& options) {
  if (!TCurve::Available()) {
    std::fprintf(Err(), "zelctl: this build of ZeroMQ has no CURVE\n");
    return 1;
  }
  if (!options.force && (Exists(options.path) || Exists(options.path + ".pub"))) {
    std::fprintf(Err(), "zelctl: %s or its .pub exists; --force replaces them\n", options.path.c_str());
    return 1;
  }
  const TCurveKeyPair keys = TCurve::Generate();
  std::string error;
  if (!TCurve::WriteKeyPair(options.path, keys, &error)) {
    std::fprintf(Err(), "zelctl: %s\n", error.c_str());
    return 1;
  }
  if (JsonOutput()) {
    const zeljson::Json json{
        {"secretKeyFile", options.path}, {"publicKeyFile", options.path + ".pub"}, {"publicKey", keys.publicKey}};
    std::fprintf(Out(), "%s\n", zeljson::Text(json).c_str());
    return 0;
  }
  std::fprintf(Out(), "secret key: %s (owner only)\npublic key: %s.pub\n%s\n", options.path.c_str(),
               options.path.c_str(), keys.publicKey.c_str());
  return 0;
}

}  // namespace

void AddKeyCommands(CLI::App& app, Command& chosen) {
  auto options = std::make_shared<KeygenOptions>();
  CLI::App* keygen = app.add_subcommand("keygen", "Write a CURVE key pair: the secret to PATH, the public to PATH.pub");
  keygen->add_option("path", options->path, "File of the secret key")->required();
  keygen->add_flag("--force", options->force, "Replace a key pair that is there");
  Choose(*keygen, chosen, options, [](ZelAPresenceServer&, const std::string&, const KeygenOptions& keygenOptions) {
    return Keygen(keygenOptions);
  });
}

}  // namespace zelctl
