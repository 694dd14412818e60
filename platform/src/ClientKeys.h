#pragma once
// The keys a client process calls with: its own key pair and, for each
// endpoint that has one, the server's public key. An endpoint with a server
// key is called with CURVE only; one without stays clear text; inproc never
// uses CURVE. The directory named by ZELCLNT_KEYS is read once, at the first
// use, unless LoadClientKeys came first.
//
// Every function may be called from any thread.

#include <cstdint>
#include <string>
#include <zmq.hpp>

#include "zelclnt/platform/TCurve.h"

namespace zelplatform {

// What a client socket to one endpoint is made with.
struct CurveSetting {
  bool enabled = false;
  std::string serverKey;
  TCurveKeyPair client;

  bool operator==(const CurveSetting& other) const {
    return enabled == other.enabled && serverKey == other.serverKey && client.publicKey == other.client.publicKey &&
           client.secretKey == other.client.secretKey;
  }
};

// False, with the reason in *error, when the endpoint must be called with
// CURVE and cannot be: no client key pair, a key that is none, or keys
// from ZELCLNT_KEYS that could not be read.
bool CurveFor(const std::string& endpoint, CurveSetting& setting, std::string* error);

// Changes whenever the keys in force change, so that what was looked up
// with them can be kept until then.
std::uint64_t KeysGeneration();

// Makes `socket` a CURVE client of the server with that key. REQUIRES:
// before it connects, and keys that CurveFor found usable.
void SecureClient(zmq::socket_t& socket, const std::string& serverKey, const TCurveKeyPair& client);

// Reads <directory>/client.key and <directory>/servers ("<endpoint> <server
// public key>" lines) and adds them to the keys in force.
bool LoadClientKeys(const std::string& directory, std::string* error);
// An empty pair forgets the client's keys.
void SetClientKeys(const TCurveKeyPair& keys);
// An empty key forgets the endpoint's.
void SetServerKey(const std::string& endpoint, const std::string& serverKey);
// Back to the process's start: no keys, and ZELCLNT_KEYS read again at the
// next use.
void ForgetKeys();

}  // namespace zelplatform
