#pragma once
// The calls with which a pair of simulators hands the serving over, and
// their answers, as call and reply data of RPCs of their own:
//
//   kHandOverRpcType: to the server that serves (zelctl failover): hand over
//     to the peer. Answered at once; the hand-over follows.
//   kTakeOverRpcType: from the server that hands over to its peer: take over,
//     under a term above the caller's, once you have every event up to the
//     position. Answered once it did, or could not.
//   kTermBeganRpcType: from a server that stood down for a term above the
//     one it served under: where did your latest term begin? Answered with
//     a call's record: that term and the position of the caller's stream
//     its table reflected then (0 and 0: its table was its own, or it never
//     took over).
//
// Call:   magic "ZADM" (4 ASCII bytes), version 1 (u8), reserved (3 bytes),
//         term (u64), incarnation (u64), position (u64): 32 bytes; zeros
//         for a hand-over.
// Answer: magic "ZADA", version 1 (u8), outcome (u8: 0 done, 1 refused),
//         reserved (u16), term (u64), text length (u32, at most kMaxText),
//         text: the peer that takes over, the term it serves under (done),
//         or why not (refused).
// All little-endian; readers look only at the bytes they are given.

#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TEventPosition.h"

namespace zelsim {

constexpr unsigned short kHandOverRpcType = 65282;
constexpr unsigned short kTakeOverRpcType = 65283;
constexpr unsigned short kTermBeganRpcType = 65284;
constexpr std::size_t kMaxAdminText = 4096;

struct AdminCall {
  std::uint64_t term = 0;
  TEventPosition through;
};

struct AdminAnswer {
  bool done = false;
  std::uint64_t term = 0;
  std::string text;
};

std::string EncodeAdminCall(const AdminCall& call);
// False unless the bytes are exactly one call of this version.
bool DecodeAdminCall(const void* bytes, std::size_t size, AdminCall& call);

// The text is cut to kMaxAdminText.
std::string EncodeAdminAnswer(const AdminAnswer& answer);
// False unless the bytes are exactly one answer of this version.
bool DecodeAdminAnswer(const void* bytes, std::size_t size, AdminAnswer& answer);

}  // namespace zelsim
