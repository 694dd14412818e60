#pragma once
// The command-line options that say who a tool is to NATS, the same in
// every tool that reads or writes the bridge's stream.

#include <string>

#include <CLI/CLI.hpp>

#include "NatsOptions.h"

namespace zelbridge {

// tlsPrefix names the TLS options ("--tls-", or "--nats-tls-" where the
// tool has TLS options of its own).
inline void AddNatsAccessOptions(CLI::App& app, NatsOptions& nats, const std::string& tlsPrefix = "--tls-") {
  app.add_option("--nats-user", nats.user, "NATS user");
  app.add_option("--nats-password", nats.password, "NATS password");
  app.add_option("--nkey", nats.nkeyPublic, "NATS nkey public key (with --nkey-seed)");
  app.add_option("--nkey-seed", nats.nkeySeedFile, "file holding the nkey's seed")->check(CLI::ExistingFile);
  app.add_option("--creds", nats.credentialsFile, "NATS credentials file")->check(CLI::ExistingFile);
  app.add_option(tlsPrefix + "ca", nats.caFile, "authorities to trust for NATS over TLS (PEM)")
      ->check(CLI::ExistingFile);
  app.add_option(tlsPrefix + "cert", nats.certFile, "client certificate for NATS (PEM)")->check(CLI::ExistingFile);
  app.add_option(tlsPrefix + "key", nats.keyFile, "client certificate's key (PEM)")->check(CLI::ExistingFile);
}

// An nkey needs both halves; the reason when one is missing.
inline std::string NkeyMismatch(const NatsOptions& nats) {
  return nats.nkeySeedFile.empty() != nats.nkeyPublic.empty() ? "--nkey and --nkey-seed go together" : "";
}

}  // namespace zelbridge
