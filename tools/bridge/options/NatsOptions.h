#pragma once
// How to reach NATS, and the bridge's stream and bucket there. Free of
// nats.c, so that every tool takes the same options wherever it builds.

#include <string>

namespace zelbridge {

struct NatsOptions {
  // "nats://127.0.0.1:4222", or several joined by commas.
  std::string url = "nats://127.0.0.1:4222";
  std::string user;
  std::string password;
  // An nkey: its public key and the file holding its seed.
  std::string nkeyPublic;
  std::string nkeySeedFile;
  // A credentials (.creds) file: the user's JWT and seed.
  std::string credentialsFile;
  // TLS: the authorities to trust; a client certificate and key when the
  // server asks for one.
  std::string caFile;
  std::string certFile;
  std::string keyFile;
  long timeoutMs = 5000;

  // Sets the stream and bucket up when missing; a reader leaves that to
  // the bridge, and fails to connect without them.
  bool create = true;
  std::string stream = "PRESENCE";
  std::string bucket = "presence-users";
  int replicas = 1;
  long duplicatesWindowMs = 5 * 60 * 1000;
};

}  // namespace zelbridge
