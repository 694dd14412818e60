#pragma once
// The framework's serialisation buffer.
//
// Byte forms are fixed little-endian on every host: bool is 1 byte (nonzero
// reads as true); int, unsigned int, long and unsigned long are all 4 bytes;
// a string is a 4-byte length followed by its bytes.
//
// A pack is in one of three modes:
//  - sizing (built with an int): writes only count, BufferSizeRequired()
//    tells how many bytes a buffer must hold;
//  - writing into a caller's buffer (after SetBuffer) or into a buffer of its
//    own (default-constructed), which grows as needed;
//  - reading (built on a pointer and a length): readers only look at bytes in
//    [Contents(), Contents() + Length()).
//
// Writers throw TPackError when a value does not fit its wire form or a
// caller's buffer is full. A read that cannot be satisfied in full leaves its
// target unchanged and consumes nothing. A pack serves one thread at a time.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

class TPackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPack {
 public:
  // Writes into a growing buffer of the pack's own.
  TPack();
  // A sizing pack: no buffer, writes only count.
  explicit TPack(int sizingOnly);
  // A reading pack over bytes the caller keeps alive while the pack is used.
  TPack(const void* data, unsigned long length);

  TPack(const TPack&) = delete;
  TPack& operator=(const TPack&) = delete;

  // Gives a sizing (or any writing) pack a caller's buffer; writing restarts
  // at its beginning. REQUIRES: buffer stays alive while the pack writes.
  void SetBuffer(void* buffer, unsigned long length);

  // Writing: the written bytes. Reading: the bytes not yet consumed.
  const char* Contents() const;
  unsigned long Length() const;
  operator const void*() const { return Contents(); }

  // Bytes a buffer needs to hold everything written since the last restart.
  unsigned long BufferSizeRequired() const { return static_cast<unsigned long>(m_written); }

  void Append(const void* bytes, std::size_t n);
  void AppendFixed16(std::uint16_t value);
  void AppendFixed32(std::uint32_t value);
  void AppendFixed64(std::uint64_t value);

  int CanRemove(std::size_t n) const { return n <= m_readRemaining ? 1 : 0; }
  // REQUIRES: CanRemove(n).
  void Behead(std::size_t n);

  // Each reads a whole value or nothing; false when too few bytes remain.
  bool RemoveFixed16(std::uint16_t& value);
  bool RemoveFixed32(std::uint32_t& value);
  bool RemoveFixed64(std::uint64_t& value);

 private:
  enum class Mode { Sizing, Fixed, Growing, Reading };

  char* Reserve(std::size_t n);

  Mode m_mode;
  std::vector<char> m_own;
  char* m_buffer = nullptr;
  std::size_t m_capacity = 0;
  std::size_t m_written = 0;
  const char* m_read = nullptr;
  std::size_t m_readRemaining = 0;
};

TPack& operator<<(TPack& pack, bool value);
TPack& operator<<(TPack& pack, int value);
TPack& operator<<(TPack& pack, unsigned int value);
TPack& operator<<(TPack& pack, long value);
TPack& operator<<(TPack& pack, unsigned long value);
TPack& operator<<(TPack& pack, const std::string& value);
TPack& operator<<(TPack& pack, const char* value) = delete;

TPack& operator>>(TPack& pack, bool& value);
TPack& operator>>(TPack& pack, int& value);
TPack& operator>>(TPack& pack, unsigned int& value);
TPack& operator>>(TPack& pack, long& value);
TPack& operator>>(TPack& pack, unsigned long& value);
TPack& operator>>(TPack& pack, std::string& value);

// Every 32-bit enumeration travels as its 4 raw little-endian bytes and is
// read only when 4 bytes remain; this is the one place that form lives.
template <typename E>
TPack& PackEnum32(TPack& pack, E value) {
  static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
  pack.AppendFixed32(static_cast<std::uint32_t>(value));
  return pack;
}

// Reads a counted sequence, the one place its bounds live: read(pack) is
// called at most count times (never for 0 or below) and stops once the
// bytes run out or a call consumed none; keep(value) takes each value that
// consumed bytes. A count from the wire thus costs no more than the bytes
// could hold; nothing is reserved from it.
template <typename Read, typename Keep>
void ReadCounted(TPack& pack, int count, Read read, Keep keep) {
  for (int i = 0; i < count && pack.Length() > 0; ++i) {
    const unsigned long before = pack.Length();
    auto value = read(pack);
    if (pack.Length() == before) return;
    keep(std::move(value));
  }
}

template <typename E>
TPack& UnpackEnum32(TPack& pack, E& value) {
  static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = static_cast<E>(static_cast<std::underlying_type_t<E>>(raw));
  return pack;
}
