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
//
// Every value of a record passes through here, twice when packing (sizing,
// then writing), so the common case is inline: a write that fits, a read of
// bytes that are there.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <list>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "zelclnt/ZelExport.h"

class ZELCLNT_API TPackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ZELCLNT_API TPack {
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
  const char* Contents() const { return m_mode == Mode::Reading ? m_read : m_buffer; }
  unsigned long Length() const {
    return static_cast<unsigned long>(m_mode == Mode::Reading ? m_readRemaining : m_mode == Mode::Sizing ? 0 : m_written);
  }
  operator const void*() const { return Contents(); }

  // Bytes a buffer needs to hold everything written since the last restart.
  unsigned long BufferSizeRequired() const { return static_cast<unsigned long>(m_written); }

  void Append(const void* bytes, std::size_t n) {
    char* at = Claim(n);
    if (at && n) std::memcpy(at, bytes, n);
  }
  // Room for the next n bytes, which the caller writes in full before any
  // other write: one bounds check for a whole record. Null while sizing,
  // where the bytes are only counted.
  char* Claim(std::size_t n) {
    if (n > m_capacity - m_written) return ClaimBeyond(n);
    char* at = m_buffer ? m_buffer + m_written : nullptr;
    m_written += n;
    return at;
  }
  void AppendFixed16(std::uint16_t value) { AppendLE(value); }
  void AppendFixed32(std::uint32_t value) { AppendLE(value); }
  void AppendFixed64(std::uint64_t value) { AppendLE(value); }

  int CanRemove(std::size_t n) const { return n <= m_readRemaining ? 1 : 0; }
  // REQUIRES: CanRemove(n).
  void Behead(std::size_t n) {
    if (n > m_readRemaining) n = m_readRemaining;
    m_read += n;
    m_readRemaining -= n;
  }

  // Each reads a whole value or nothing; false when too few bytes remain.
  bool RemoveFixed16(std::uint16_t& value) { return RemoveLE(value); }
  bool RemoveFixed32(std::uint32_t& value) { return RemoveLE(value); }
  bool RemoveFixed64(std::uint64_t& value) { return RemoveLE(value); }
  // Reads without consuming.
  bool PeekFixed32(std::uint32_t& value) const {
    if (4 > m_readRemaining) return false;
    std::uint32_t wire;
    std::memcpy(&wire, m_read, 4);
    value = LittleEndian(wire);
    return true;
  }

  // The wire's byte order from the host's and back (the same swap).
  template <typename U>
  static U LittleEndian(U value) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    U swapped = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) swapped = static_cast<U>((swapped << 8) | ((value >> (8 * i)) & 0xFF));
    return swapped;
#else
    return value;
#endif
  }

 private:
  enum class Mode { Sizing, Fixed, Growing, Reading };

  template <typename U>
  void AppendLE(U value) {
    const U wire = LittleEndian(value);
    Append(&wire, sizeof(U));
  }

  template <typename U>
  bool RemoveLE(U& value) {
    if (sizeof(U) > m_readRemaining) return false;
    U wire;
    std::memcpy(&wire, m_read, sizeof(U));
    value = LittleEndian(wire);
    Behead(sizeof(U));
    return true;
  }

  // Writes that do not fit: a growing buffer grows; anything else throws.
  char* ClaimBeyond(std::size_t n);

  Mode m_mode;
  std::vector<char> m_own;
  // Writing: m_buffer holds m_capacity bytes (none while sizing, which has
  // no limit), of which m_written are written.
  char* m_buffer = nullptr;
  std::size_t m_capacity = 0;
  std::size_t m_written = 0;
  const char* m_read = nullptr;
  std::size_t m_readRemaining = 0;
};

// Values wider than their 4-byte wire form are a packing error, never cut.
[[noreturn]] ZELCLNT_API void ThrowDoesNotFit(long long value);

inline std::uint32_t Fixed32Of(long value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    ThrowDoesNotFit(value);
  return static_cast<std::uint32_t>(value);
}

inline std::uint32_t Fixed32Of(unsigned long value) {
  if (value > std::numeric_limits<std::uint32_t>::max()) ThrowDoesNotFit(static_cast<long long>(value));
  return static_cast<std::uint32_t>(value);
}

// A record's run of 4-byte values of fixed size N, written with one append
// and read with one bounds check: Put each value in wire order, then
// pack.Append(run.Bytes(), run.kSize); or, when pack.CanRemove(kSize), Get
// each from a run over pack.Contents(), then Behead(kSize).
template <std::size_t N>
class TFixed32Writer {
 public:
  static constexpr std::size_t kSize = 4 * N;

  TFixed32Writer& Put(std::uint32_t value) {
    const std::uint32_t wire = TPack::LittleEndian(value);
    std::memcpy(m_bytes + m_at, &wire, 4);
    m_at += 4;
    return *this;
  }
  TFixed32Writer& Put(std::int32_t value) { return Put(static_cast<std::uint32_t>(value)); }
  TFixed32Writer& Put(long value) { return Put(Fixed32Of(value)); }
  TFixed32Writer& Put(unsigned long value) { return Put(Fixed32Of(value)); }
  // Enumerations travel as their 4 raw bytes.
  template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>>
  TFixed32Writer& Put(E value) {
    static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
    return Put(static_cast<std::uint32_t>(value));
  }

  // REQUIRES: all N values put.
  const char* Bytes() const { return m_bytes; }

 private:
  char m_bytes[kSize];
  std::size_t m_at = 0;
};

class ZELCLNT_API TFixed32Reader {
 public:
  // REQUIRES: bytes holds as many 4-byte values as are got.
  explicit TFixed32Reader(const char* bytes) : m_at(bytes) {}

  // Signed types sign-extend, as their single reads do.
  template <typename T>
  TFixed32Reader& Get(T& value) {
    std::uint32_t wire;
    std::memcpy(&wire, m_at, 4);
    m_at += 4;
    const std::uint32_t raw = TPack::LittleEndian(wire);
    if constexpr (std::is_enum_v<T>) {
      static_assert(sizeof(T) == 4, "wire enumerations are 32-bit");
      value = static_cast<T>(static_cast<std::underlying_type_t<T>>(raw));
    } else {
      using Wire = std::conditional_t<std::is_signed_v<T>, std::int32_t, std::uint32_t>;
      value = static_cast<T>(static_cast<Wire>(raw));
    }
    return *this;
  }

 private:
  const char* m_at;
};

// A string's wire form for writers that claim a record's room at once:
// its size (throws when the length does not fit), then its bytes at `at`,
// returning where the next value goes.
inline std::size_t StringWireSize(const std::string& value) {
  if (value.size() > std::numeric_limits<std::uint32_t>::max()) ThrowDoesNotFit(static_cast<long long>(value.size()));
  return 4 + value.size();
}

inline char* PutString(char* at, const std::string& value) {
  const std::uint32_t length = TPack::LittleEndian(static_cast<std::uint32_t>(value.size()));
  std::memcpy(at, &length, 4);
  if (!value.empty()) std::memcpy(at + 4, value.data(), value.size());
  return at + 4 + value.size();
}

// Writes a whole record into room claimed for it at once (TPack::Claim), so
// that the record costs one bounds check and, while sizing, none of its
// values is written: size the record, claim, and when the claim gives room,
// Put every value in wire order. Each value takes its usual wire form.
class ZELCLNT_API TRecordWriter {
 public:
  // REQUIRES: at holds every value put.
  explicit TRecordWriter(char* at) : m_at(at) {}

  TRecordWriter& Put(std::uint32_t value) { return PutLE(value); }
  TRecordWriter& Put(std::int32_t value) { return PutLE(static_cast<std::uint32_t>(value)); }
  TRecordWriter& Put(long value) { return PutLE(Fixed32Of(value)); }
  TRecordWriter& Put(unsigned long value) { return PutLE(Fixed32Of(value)); }
  TRecordWriter& Put(bool value) {
    *m_at++ = value ? 1 : 0;
    return *this;
  }
  template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>>
  TRecordWriter& Put(E value) {
    static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
    return PutLE(static_cast<std::uint32_t>(value));
  }
  // REQUIRES: the size was counted with StringWireSize, which refuses a
  // string too long for its length.
  TRecordWriter& Put(const std::string& value) {
    PutLE(static_cast<std::uint32_t>(value.size()));
    if (!value.empty()) std::memcpy(m_at, value.data(), value.size());
    m_at += value.size();
    return *this;
  }
  TRecordWriter& Put(const std::list<long>& values) {
    Put(static_cast<long>(values.size()));
    for (const long value : values) Put(value);
    return *this;
  }
  // A value that writes its own wire form: value.PutWire(at) returns where
  // the next value goes.
  template <typename V>
  TRecordWriter& PutWire(const V& value) {
    m_at = value.PutWire(m_at);
    return *this;
  }

  char* At() const { return m_at; }

 private:
  template <typename U>
  TRecordWriter& PutLE(U value) {
    const U wire = TPack::LittleEndian(value);
    std::memcpy(m_at, &wire, sizeof(U));
    m_at += sizeof(U);
    return *this;
  }

  char* m_at;
};

inline TPack& operator<<(TPack& pack, bool value) {
  const char byte = value ? 1 : 0;
  pack.Append(&byte, 1);
  return pack;
}

inline TPack& operator<<(TPack& pack, int value) {
  pack.AppendFixed32(static_cast<std::uint32_t>(value));
  return pack;
}

inline TPack& operator<<(TPack& pack, unsigned int value) {
  pack.AppendFixed32(value);
  return pack;
}

inline TPack& operator<<(TPack& pack, long value) {
  pack.AppendFixed32(Fixed32Of(value));
  return pack;
}

inline TPack& operator<<(TPack& pack, unsigned long value) {
  pack.AppendFixed32(Fixed32Of(value));
  return pack;
}

inline TPack& operator<<(TPack& pack, const std::string& value) {
  if (value.size() > std::numeric_limits<std::uint32_t>::max()) ThrowDoesNotFit(static_cast<long long>(value.size()));
  pack.AppendFixed32(static_cast<std::uint32_t>(value.size()));
  pack.Append(value.data(), value.size());
  return pack;
}

TPack& operator<<(TPack& pack, const char* value) = delete;

inline TPack& operator>>(TPack& pack, bool& value) {
  if (pack.CanRemove(1)) {
    value = *pack.Contents() != 0;
    pack.Behead(1);
  }
  return pack;
}

// The 4-byte forms read back into each type, signed ones sign-extended.
template <typename T>
TPack& UnpackFixed32(TPack& pack, T& value) {
  using Wire = std::conditional_t<std::is_signed_v<T>, std::int32_t, std::uint32_t>;
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = static_cast<Wire>(raw);
  return pack;
}

inline TPack& operator>>(TPack& pack, int& value) { return UnpackFixed32(pack, value); }
inline TPack& operator>>(TPack& pack, unsigned int& value) { return UnpackFixed32(pack, value); }
inline TPack& operator>>(TPack& pack, long& value) { return UnpackFixed32(pack, value); }
inline TPack& operator>>(TPack& pack, unsigned long& value) { return UnpackFixed32(pack, value); }

// A length beyond the bytes left reads nothing and allocates nothing. The
// string's own capacity is reused; a string that must grow takes exactly its
// length, rather than the doubling an assignment would allocate.
inline TPack& operator>>(TPack& pack, std::string& value) {
  std::uint32_t length = 0;
  if (!pack.PeekFixed32(length) || !pack.CanRemove(4 + static_cast<std::size_t>(length))) return pack;
  const char* bytes = pack.Contents() + 4;
  if (length <= value.capacity()) {
    value.assign(bytes, length);
  } else {
    value = std::string(bytes, length);
  }
  pack.Behead(4 + static_cast<std::size_t>(length));
  return pack;
}

// Every 32-bit enumeration travels as its 4 raw little-endian bytes and is
// read only when 4 bytes remain; this is the one place that form lives.
template <typename E>
TPack& PackEnum32(TPack& pack, E value) {
  static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
  pack.AppendFixed32(static_cast<std::uint32_t>(value));
  return pack;
}

// Reads a counted sequence: read(pack) is called at most count times (never
// for 0 or below) and stops once the bytes run out or a call consumed none;
// keep(value) takes each value that consumed bytes. A count from the wire
// thus costs no more than the bytes could hold; nothing is reserved from it.
template <typename Read, typename Keep>
void ReadCounted(TPack& pack, int count, Read read, Keep keep) {
  for (int i = 0; i < count && pack.Length() > 0; ++i) {
    const unsigned long before = pack.Length();
    auto value = read(pack);
    if (pack.Length() == before) return;
    keep(std::move(value));
  }
}

// A counted list of longs (reasons, mostly): the count (4 bytes), then each
// value. The reader replaces what the list held.
inline TPack& PackLongs(TPack& pack, const std::list<long>& values) {
  pack << static_cast<long>(values.size());
  for (const long value : values) pack << value;
  return pack;
}

// The nodes held are written over before new ones are made; the count
// bounds the reading as in ReadCounted.
inline TPack& UnpackLongs(TPack& pack, std::list<long>& values) {
  int count = 0;
  pack >> count;
  auto next = values.begin();
  std::uint32_t raw = 0;
  for (int i = 0; i < count && pack.RemoveFixed32(raw); ++i) {
    const long value = static_cast<std::int32_t>(raw);
    if (next == values.end()) {
      values.push_back(value);
    } else {
      *next++ = value;
    }
  }
  values.erase(next, values.end());
  return pack;
}

template <typename E>
TPack& UnpackEnum32(TPack& pack, E& value) {
  static_assert(sizeof(E) == 4, "wire enumerations are 32-bit");
  std::uint32_t raw = 0;
  if (pack.RemoveFixed32(raw)) value = static_cast<E>(static_cast<std::underlying_type_t<E>>(raw));
  return pack;
}
