#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "KeyFile.h"
#include "SecretFile.h"

namespace zelplatform {
namespace {

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

// Made owner-only (or readable by all), and set so if the file was there
// already.
bool WriteKeyText(const std::string& path, const std::string& text, bool secret, std::string* error) {
  const mode_t mode = secret ? S_IRUSR | S_IWUSR : S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return Fail(error, "cannot write " + path + ": " + std::strerror(errno));
  const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text);
  const int savedErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed)
    return Fail(error, "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno));
  return true;
}

bool OwnerOnly(const std::string& path, std::string* error) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
  if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    return Fail(error, path + " holds a secret key but group or others may read it; chmod 600 it");
  return true;
}

}  // namespace zelplatform
