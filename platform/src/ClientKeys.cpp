#include "ClientKeys.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "KeyFile.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

namespace zelplatform {
namespace {

constexpr const char* kDirectoryVariable = "ZELCLNT_KEYS";

struct KeyRing {
  std::mutex lock;
  bool environmentRead = false;
  // Why the keys ZELCLNT_KEYS names could not be used; every call that
  // might have needed them fails with it rather than go out in clear text.
  std::string environmentError;
  TCurveKeyPair client;
  std::map<std::string, std::string> serverKeys;
  // Written under the lock, read without it.
  std::atomic<std::uint64_t> generation{1};
};

KeyRing& Ring() {
  static KeyRing* ring = new KeyRing;
  return *ring;
}

bool ReadServers(const std::string& path, std::map<std::string, std::string>& keys, std::string* error) {
  std::vector<KeyFileLine> lines;
  if (!ReadKeyFileLines(path, lines, error)) return false;
  for (const KeyFileLine& line : lines) {
    if (line.words.size() != 2)
      return Fail(error, LineError(path, line.number, "expected \"<endpoint> <server public key>\""));
    if (!TCurve::IsKey(line.words[1]))
      return Fail(error, LineError(path, line.number, "not a key (40 characters of Z85)"));
    keys[EndpointOf(line.words[0])] = line.words[1];
  }
  return true;
}

// REQUIRES: ring.lock held.
bool LoadInto(KeyRing& ring, const std::string& directory, std::string* error) {
  TCurveKeyPair client;
  std::map<std::string, std::string> servers;
  if (!TCurve::ReadKeyPair(directory + "/client.key", client, error) ||
      !ReadServers(directory + "/servers", servers, error))
    return false;
  ring.client = std::move(client);
  for (auto& [endpoint, key] : servers) ring.serverKeys[endpoint] = std::move(key);
  ++ring.generation;
  return true;
}

// REQUIRES: ring.lock held.
void ReadEnvironmentOnce(KeyRing& ring) {
  if (ring.environmentRead) return;
  ring.environmentRead = true;
  const char* directory = std::getenv(kDirectoryVariable);
  if (!directory || !*directory) return;
  std::string error;
  if (LoadInto(ring, directory, &error)) return;
  ++ring.generation;
  ring.environmentError = std::string(kDirectoryVariable) + ": " + error;
  Diag(TDiag::WARN, __LINE__, __FILE__, "%s; tcp and ipc calls fail until keys are loaded",
       ring.environmentError.c_str());
}

}  // namespace

bool CurveFor(const std::string& endpoint, CurveSetting& setting, std::string* error) {
  setting = CurveSetting();
  if (IsInproc(endpoint)) return true;
  KeyRing& ring = Ring();
  std::lock_guard<std::mutex> guard(ring.lock);
  ReadEnvironmentOnce(ring);
  if (!ring.environmentError.empty()) return Fail(error, ring.environmentError);
  const auto found = ring.serverKeys.find(endpoint);
  if (found == ring.serverKeys.end()) return true;
  if (!TCurve::IsKey(found->second)) return Fail(error, "the server key set for it is not a key");
  if (ring.client.secretKey.empty()) return Fail(error, "no client key pair (TFramework::LoadKeys or ZELCLNT_KEYS)");
  if (!TCurve::IsKey(ring.client.publicKey) || !TCurve::IsKey(ring.client.secretKey))
    return Fail(error, "the client key pair set is not one");
  setting.enabled = true;
  setting.serverKey = found->second;
  setting.client = ring.client;
  return true;
}

void SecureClient(zmq::socket_t& socket, const std::string& serverKey, const TCurveKeyPair& client) {
  const std::pair<int, const std::string*> keys[] = {{ZMQ_CURVE_SERVERKEY, &serverKey},
                                                     {ZMQ_CURVE_PUBLICKEY, &client.publicKey},
                                                     {ZMQ_CURVE_SECRETKEY, &client.secretKey}};
  // Z85 text with its terminating NUL.
  for (const auto& [option, key] : keys)
    if (zmq_setsockopt(socket.handle(), option, key->c_str(), key->size() + 1) != 0) throw zmq::error_t();
}

bool LoadClientKeys(const std::string& directory, std::string* error) {
  KeyRing& ring = Ring();
  std::lock_guard<std::mutex> guard(ring.lock);
  if (!LoadInto(ring, directory, error)) return false;
  // Keys loaded on purpose stand in for any that could not be read.
  ring.environmentRead = true;
  ring.environmentError.clear();
  return true;
}

void SetClientKeys(const TCurveKeyPair& keys) {
  KeyRing& ring = Ring();
  std::lock_guard<std::mutex> guard(ring.lock);
  ReadEnvironmentOnce(ring);
  ring.client = keys;
  ++ring.generation;
}

void SetServerKey(const std::string& endpoint, const std::string& serverKey) {
  KeyRing& ring = Ring();
  std::lock_guard<std::mutex> guard(ring.lock);
  ReadEnvironmentOnce(ring);
  if (serverKey.empty())
    ring.serverKeys.erase(EndpointOf(endpoint));
  else
    ring.serverKeys[EndpointOf(endpoint)] = serverKey;
  ++ring.generation;
}

void ForgetKeys() {
  KeyRing& ring = Ring();
  std::lock_guard<std::mutex> guard(ring.lock);
  ring.environmentRead = false;
  ring.environmentError.clear();
  ring.client = TCurveKeyPair();
  ring.serverKeys.clear();
  ++ring.generation;
}

std::uint64_t KeysGeneration() { return Ring().generation.load(); }

}  // namespace zelplatform
