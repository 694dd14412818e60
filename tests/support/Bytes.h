#pragma once
// Byte helpers for wire tests.

#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "zelclnt/platform/TPack.h"

inline std::string Written(const TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

// Two lower-case hex digits a byte: frames as the wire format lays them out.
inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char byte : bytes) text += std::string{digits[byte >> 4], digits[byte & 15]};
  return text;
}

// The values as written one after the other.
template <typename... T>
std::string BytesOf(const T&... values) {
  TPack pack;
  (pack << ... << values);
  return Written(pack);
}

// Reads target from the bytes; gives how many were left unread.
template <typename T>
unsigned long Read(const std::string& bytes, T& target) {
  TPack reader(bytes.data(), static_cast<unsigned long>(bytes.size()));
  reader >> target;
  return reader.Length();
}

// A request's body as its PackRequest writes it and its UnpackRequest reads it.
template <typename Request>
std::string Body(Request& request) {
  TPack pack;
  request.PackRequest(pack);
  return Written(pack);
}

template <typename Request>
unsigned long ReadBody(const std::string& bytes, Request& request) {
  TPack reader(bytes.data(), static_cast<unsigned long>(bytes.size()));
  request.UnpackRequest(reader);
  return reader.Length();
}

// `sent` read into a fresh record and into a copy of `reused`, which held
// other data, writes the same bytes again (a reader that kept or appended
// old data shows); no cut of the bytes breaks the reader.
template <typename Record>
void ExpectReadsBack(const Record& sent, const Record& reused) {
  const std::string bytes = BytesOf(sent);
  Record fresh;
  Record again(reused);
  EXPECT_EQ(Read(bytes, fresh), 0u);
  EXPECT_EQ(Read(bytes, again), 0u);
  EXPECT_EQ(BytesOf(fresh), bytes);
  EXPECT_EQ(BytesOf(again), bytes) << "a reused record kept or appended old data";
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    Record part(reused);
    Read(bytes.substr(0, cut), part);
  }
}
