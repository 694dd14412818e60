#include "zelclnt/platform/TPack.h"

#include <algorithm>
#include <limits>

namespace {

// The first room a growing pack takes, so that small packs grow once.
constexpr std::size_t kFirstRoom = 256;

}  // namespace

TPack::TPack() : m_mode(Mode::Growing) {}

TPack::TPack(int) : m_mode(Mode::Sizing), m_capacity(std::numeric_limits<std::size_t>::max()) {}

TPack::TPack(const void* data, unsigned long length)
    : m_mode(Mode::Reading), m_read(static_cast<const char*>(data)), m_readRemaining(data ? length : 0) {}

void TPack::SetBuffer(void* buffer, unsigned long length) {
  m_mode = Mode::Fixed;
  m_own.clear();
  m_own.shrink_to_fit();
  m_buffer = static_cast<char*>(buffer);
  m_capacity = buffer ? length : 0;
  m_written = 0;
}

char* TPack::ClaimBeyond(std::size_t n) {
  if (m_mode == Mode::Reading) throw TPackError("write to a reading pack");
  if (m_mode != Mode::Growing) throw TPackError("pack buffer full");
  m_own.resize(std::max({kFirstRoom, 2 * m_own.size(), m_written + n}));
  m_buffer = m_own.data();
  m_capacity = m_own.size();
  return Claim(n);
}

void ThrowDoesNotFit(long long value) {
  throw TPackError("value does not fit in 32 bits: " + std::to_string(value));
}
