#include "zelclnt/platform/TCurve.h"

#include <zmq.h>

#include <cstdint>
#include <vector>

#include "KeyFile.h"
#include "SecretFile.h"

namespace {

using zelplatform::Fail;
using zelplatform::LineError;

constexpr const char* kPublicName = "public-key";
constexpr const char* kSecretName = "secret-key";

// "name = value", the blanks around '=' included: Z85 has '=' of its own.
bool SplitSetting(const zelplatform::KeyFileLine& line, std::string& name, std::string& value) {
  if (line.words.size() != 3 || line.words[1] != "=") return false;
  name = line.words[0];
  value = line.words[2];
  return true;
}

// Reads the "public-key" and "secret-key" settings found in the file.
bool ReadSettings(const std::string& path, std::string& publicKey, std::string& secretKey, std::string* error) {
  std::vector<zelplatform::KeyFileLine> lines;
  if (!zelplatform::ReadKeyFileLines(path, lines, error)) return false;
  for (const zelplatform::KeyFileLine& line : lines) {
    std::string name;
    std::string value;
    if (!SplitSetting(line, name, value) || (name != kPublicName && name != kSecretName))
      return Fail(error, LineError(path, line.number, "expected \"public-key = <key>\" or \"secret-key = <key>\""));
    if (!TCurve::IsKey(value))
      return Fail(error, LineError(path, line.number, name + " is not a key (40 characters of Z85)"));
    (name == kPublicName ? publicKey : secretKey) = value;
  }
  return true;
}

}  // namespace

namespace TCurve {

bool Available() { return zmq_has("curve") != 0; }

TCurveKeyPair Generate() {
  char publicKey[kKeyLength + 1] = {};
  char secretKey[kKeyLength + 1] = {};
  if (zmq_curve_keypair(publicKey, secretKey) != 0) return {};
  return {publicKey, secretKey};
}

bool IsKey(const std::string& z85) {
  std::uint8_t decoded[32];
  return z85.size() == kKeyLength && zmq_z85_decode(decoded, z85.c_str()) != nullptr;
}

bool WriteKeyPair(const std::string& path, const TCurveKeyPair& keys, std::string* error) {
  if (!IsKey(keys.publicKey) || !IsKey(keys.secretKey)) return Fail(error, "not a key pair: nothing written");
  const std::string publicLine = std::string(kPublicName) + " = " + keys.publicKey + "\n";
  return zelplatform::WriteKeyText(
             path, "# CURVE key pair: keep this file secret\n" + publicLine + kSecretName + " = " + keys.secretKey + "\n",
             true, error) &&
         zelplatform::WriteKeyText(path + ".pub", "# CURVE public key\n" + publicLine, false, error);
}

bool ReadKeyPair(const std::string& path, TCurveKeyPair& keys, std::string* error) {
  if (!zelplatform::OwnerOnly(path, error)) return false;
  TCurveKeyPair read;
  if (!ReadSettings(path, read.publicKey, read.secretKey, error)) return false;
  if (read.secretKey.empty()) return Fail(error, path + " has no secret-key line");
  char derived[kKeyLength + 1] = {};
  if (zmq_curve_public(derived, read.secretKey.c_str()) != 0)
    return Fail(error, path + ": cannot derive the public key");
  if (!read.publicKey.empty() && read.publicKey != derived)
    return Fail(error, path + ": the public key is not the secret key's");
  read.publicKey = derived;
  keys = std::move(read);
  return true;
}

bool ReadPublicKey(const std::string& path, std::string& publicKey, std::string* error) {
  std::string read;
  std::string secret;
  if (!ReadSettings(path, read, secret, error)) return false;
  if (read.empty()) return Fail(error, path + " has no public-key line");
  publicKey = std::move(read);
  return true;
}

bool ReadAllowFile(const std::string& path, std::map<std::string, TRole>& allowed, std::string* error) {
  std::vector<zelplatform::KeyFileLine> lines;
  if (!zelplatform::ReadKeyFileLines(path, lines, error)) return false;
  std::map<std::string, TRole> read;
  for (const zelplatform::KeyFileLine& line : lines) {
    const std::vector<std::string>& words = line.words;
    if (words.size() != 2 || (words[1] != "read" && words[1] != "control"))
      return Fail(error, LineError(path, line.number, "expected \"<client public key> read|control\""));
    if (!IsKey(words[0])) return Fail(error, LineError(path, line.number, "not a key (40 characters of Z85)"));
    if (!read.emplace(words[0], words[1] == "read" ? TRole::Read : TRole::Control).second)
      return Fail(error, LineError(path, line.number, "the key is listed twice"));
  }
  allowed = std::move(read);
  return true;
}

}  // namespace TCurve
