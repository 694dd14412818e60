#pragma once
// Byte helpers for wire tests.

#include <string>

#include "zelclnt/platform/TPack.h"

inline std::string Written(const TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

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
