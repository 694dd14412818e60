#include <cerrno>
#include <cstring>
#include <fstream>

#include "KeyFile.h"
#include "SecretFile.h"

namespace zelplatform {

bool WriteKeyText(const std::string& path, const std::string& text, bool, std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!(file << text) || !file.flush()) return Fail(error, "cannot write " + path);
  return true;
}

bool OwnerOnly(const std::string& path, std::string* error) {
  if (!std::ifstream(path)) return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
  return true;
}

}  // namespace zelplatform
