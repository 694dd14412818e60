#include "zelclnt/platform/TPack.h"

#include <cstring>
#include <limits>

namespace {

template <typename T>
void StoreLE(char* out, T value, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
}

std::uint64_t LoadLE(const char* in, std::size_t n) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < n; ++i) value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  return value;
}

template <typename T>
std::int32_t CheckedInt32(T value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    throw TPackError("value does not fit in 32 bits: " + std::to_string(value));
  return static_cast<std::int32_t>(value);
}

template <typename T>
std::uint32_t CheckedUInt32(T value) {
  if (value > std::numeric_limits<std::uint32_t>::max())
    throw TPackError("value does not fit in 32 bits: " + std::to_string(value));
  return static_cast<std::uint32_t>(value);
}

}  // namespace

TPack::TPack() : m_mode(Mode::Growing) {}

TPack::TPack(int) : m_mode(Mode::Sizing) {}

TPack::TPack(const void* data, unsigned long length)
    : m_mode(Mode::Reading), m_read(static_cast<const char*>(data)), m_readRemaining(data ? length : 0) {}

void TPack::SetBuffer(void* buffer, unsigned long length) {
  m_mode = Mode::Fixed;
  m_own.clear();
  m_buffer = static_cast<char*>(buffer);
  m_capacity = buffer ? length : 0;
  m_written = 0;
}

const char* TPack::Contents() const {
  switch (m_mode) {
    case Mode::Reading: return m_read;
    case Mode::Growing: return m_own.data();
    case Mode::Fixed: return m_buffer;
    case Mode::Sizing: break;
  }
  return nullptr;
}

unsigned long TPack::Length() const {
  if (m_mode == Mode::Reading) return static_cast<unsigned long>(m_readRemaining);
  return m_mode == Mode::Sizing ? 0 : static_cast<unsigned long>(m_written);
}

char* TPack::Reserve(std::size_t n) {
  switch (m_mode) {
    case Mode::Reading:
      throw TPackError("write to a reading pack");
    case Mode::Sizing:
      m_written += n;
      return nullptr;
    case Mode::Fixed:
      if (n > m_capacity - m_written) throw TPackError("pack buffer full");
      m_written += n;
      return m_buffer + m_written - n;
    case Mode::Growing:
      m_own.resize(m_written + n);
      m_written += n;
      return m_own.data() + m_written - n;
  }
  return nullptr;
}

void TPack::Append(const void* bytes, std::size_t n) {
  char* out = Reserve(n);
  if (out && n) std::memcpy(out, bytes, n);
}

void TPack::AppendFixed16(std::uint16_t value) {
  if (char* out = Reserve(2)) StoreLE(out, value, 2);
}

void TPack::AppendFixed32(std::uint32_t value) {
  if (char* out = Reserve(4)) StoreLE(out, value, 4);
}

void TPack::AppendFixed64(std::uint64_t value) {
  if (char* out = Reserve(8)) StoreLE(out, value, 8);
}

void TPack::Behead(std::size_t n) {
  if (n > m_readRemaining) n = m_readRemaining;
  m_read += n;
  m_readRemaining -= n;
}

bool TPack::RemoveFixed16(std::uint16_t& value) {
  if (!CanRemove(2)) return false;
  value = static_cast<std::uint16_t>(LoadLE(m_read, 2));
  Behead(2);
  return true;
}

bool TPack::RemoveFixed32(std::uint32_t& value) {
  if (!CanRemove(4)) return false;
  value = static_cast<std::uint32_t>(LoadLE(m_read, 4));
  Behead(4);
  return true;
}

bool TPack::RemoveFixed64(std::uint64_t& value) {
  if (!CanRemove(8)) return false;
  value = LoadLE(m_read, 8);
  Behead(8);
  return true;
}

TPack& operator<<(TPack& pack, bool value) {
  const char byte = value ? 1 : 0;
  pack.Append(&byte, 1);
  return pack;
}

TPack& operator<<(TPack& pack, int value) {
  pack.AppendFixed32(static_cast<std::uint32_t>(value));
  return pack;
}

TPack& operator<<(TPack& pack, unsigned int value) {
  pack.AppendFixed32(value);
  return pack;
}

TPack& operator<<(TPack& pack, long value) {
  pack.AppendFixed32(static_cast<std::uint32_t>(CheckedInt32(value)));
  return pack;
}

TPack& operator<<(TPack& pack, unsigned long value) {
  pack.AppendFixed32(CheckedUInt32(value));
  return pack;
}

TPack& operator<<(TPack& pack, const std::string& value) {
  pack.AppendFixed32(CheckedUInt32(value.size()));
  pack.Append(value.data(), value.size());
  return pack;
}

TPack& operator>>(TPack& pack, bool& value) {
  if (pack.CanRemove(1)) {
    value = *pack.Contents() != 0;
    pack.Behead(1);
  }
  return pack;
}

TPack& operator>>(TPack& pack, int& value) {
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = static_cast<std::int32_t>(raw);
  return pack;
}

TPack& operator>>(TPack& pack, unsigned int& value) {
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = raw;
  return pack;
}

TPack& operator>>(TPack& pack, long& value) {
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = static_cast<std::int32_t>(raw);
  return pack;
}

TPack& operator>>(TPack& pack, unsigned long& value) {
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = raw;
  return pack;
}

TPack& operator>>(TPack& pack, std::string& value) {
  if (!pack.CanRemove(4)) return pack;
  const std::uint32_t length = static_cast<std::uint32_t>(LoadLE(pack.Contents(), 4));
  if (!pack.CanRemove(4 + static_cast<std::size_t>(length))) return pack;
  value.assign(pack.Contents() + 4, length);
  pack.Behead(4 + static_cast<std::size_t>(length));
  return pack;
}
