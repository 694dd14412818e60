// CURVE keys through the C interface: the process's keys as TFramework
// holds them, and key files as TCurve reads them. Never a key in an error.

#include "Handles.h"
#include "zelclnt/platform/TCurve.h"

using zelclnt::capi::CopyKey;
using zelclnt::capi::CopyOut;
using zelclnt::capi::Guarded;

namespace {

int Failed(const std::string& why, char* error, std::size_t size) {
  CopyOut(why, error, size);
  return ZEL_E_FAILED;
}

}  // namespace

extern "C" {

int zel_curve_available(void) { return TCurve::Available() ? 1 : 0; }

int zel_curve_generate(char public_key[ZEL_KEY_BUFFER], char secret_key[ZEL_KEY_BUFFER]) {
  if (!public_key || !secret_key) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    const TCurveKeyPair keys = TCurve::Generate();
    if (keys.publicKey.empty()) return ZEL_E_STATE;
    CopyKey(keys.publicKey, public_key);
    CopyKey(keys.secretKey, secret_key);
    return ZEL_OK;
  });
}

int zel_curve_is_key(const char* z85) {
  return z85 && Guarded([&]() -> int { return TCurve::IsKey(z85) ? 1 : 0; }) == 1 ? 1 : 0;
}

int zel_load_keys(const char* directory, char* error, size_t error_size) {
  if (!directory) return Failed("no directory named", error, error_size);
  return Guarded([&]() -> int {
    std::string why;
    if (!TFramework::LoadKeys(directory, &why)) return Failed(why, error, error_size);
    CopyOut(std::string(), error, error_size);
    return ZEL_OK;
  });
}

int zel_read_key_pair(const char* path, char public_key[ZEL_KEY_BUFFER], char secret_key[ZEL_KEY_BUFFER],
                      char* error, size_t error_size) {
  if (!path || !public_key || !secret_key) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    TCurveKeyPair keys;
    std::string why;
    if (!TCurve::ReadKeyPair(path, keys, &why)) return Failed(why, error, error_size);
    CopyKey(keys.publicKey, public_key);
    CopyKey(keys.secretKey, secret_key);
    return ZEL_OK;
  });
}

int zel_read_public_key(const char* path, char public_key[ZEL_KEY_BUFFER], char* error, size_t error_size) {
  if (!path || !public_key) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    std::string key;
    std::string why;
    if (!TCurve::ReadPublicKey(path, key, &why)) return Failed(why, error, error_size);
    CopyKey(key, public_key);
    return ZEL_OK;
  });
}

int zel_set_client_keys(const char* public_key, const char* secret_key) {
  if (!public_key || !secret_key) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    const std::string pub = public_key;
    const std::string secret = secret_key;
    // A half pair, or text that is no key, would only fail later, at a call.
    if ((pub.empty() != secret.empty()) || (!pub.empty() && (!TCurve::IsKey(pub) || !TCurve::IsKey(secret))))
      return ZEL_E_INVALID;
    TFramework::SetClientKeys(TCurveKeyPair{pub, secret});
    return ZEL_OK;
  });
}

int zel_set_server_key(const char* endpoint, const char* server_public_key) {
  if (!endpoint || !server_public_key) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    const std::string key = server_public_key;
    if (!key.empty() && !TCurve::IsKey(key)) return ZEL_E_INVALID;
    TFramework::SetServerKey(endpoint, key);
    return ZEL_OK;
  });
}

void zel_forget_keys(void) {
  Guarded([]() -> int {
    TFramework::ForgetKeys();
    return ZEL_OK;
  });
}

}  // extern "C"
