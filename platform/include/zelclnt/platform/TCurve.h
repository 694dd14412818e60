#pragma once
// ZeroMQ CURVE keys: encryption of tcp and ipc connections, the server's
// authentication to its clients and the clients' to the server. Keys are Z85
// text, 40 characters each.
//
// Key pair file: the secret at `path` (owner only), the public key beside it
// at `path + ".pub"`. Both are text lines "public-key = <z85>" and
// "secret-key = <z85>" (the .pub file only the first); lines starting with
// '#' are comments. An allow file names the clients a server admits, one
// line "<client public key> read|control" each.
//
// Errors name the file and line, never the keys. Every function may be
// called from any thread.

#include <cstddef>
#include <map>
#include <string>

#include "zelclnt/ZelExport.h"

struct TCurveKeyPair {
  std::string publicKey;
  std::string secretKey;
};

// What an admitted client may do: Read queries and receives events;
// Control also changes what the server holds.
enum class TRole { Read, Control };

// A server's keys and the clients it admits, by public key.
struct TServerSecurity {
  TCurveKeyPair serverKeys;
  std::map<std::string, TRole> allowed;
};

namespace TCurve {

constexpr std::size_t kKeyLength = 40;

// False when this build of ZeroMQ has no CURVE.
ZELCLNT_API bool Available();
// Both keys empty when CURVE is not available.
ZELCLNT_API TCurveKeyPair Generate();
// 40 characters of Z85 that decode to a key.
ZELCLNT_API bool IsKey(const std::string& z85);

ZELCLNT_API bool WriteKeyPair(const std::string& path, const TCurveKeyPair& keys, std::string* error);
// Refuses a secret file that group or others may read, a missing or
// malformed key, and a public key that is not the secret key's.
ZELCLNT_API bool ReadKeyPair(const std::string& path, TCurveKeyPair& keys, std::string* error);
// Reads the public key of a .pub file (or of a key pair file).
ZELCLNT_API bool ReadPublicKey(const std::string& path, std::string& publicKey, std::string* error);
ZELCLNT_API bool ReadAllowFile(const std::string& path, std::map<std::string, TRole>& allowed, std::string* error);

}  // namespace TCurve
