#include "RpcFrame.h"

#include <limits>

#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {
namespace {

constexpr std::uint32_t kCallMagic = 0x4C41435A;   // "ZCAL"
constexpr std::uint32_t kReplyMagic = 0x4C50525A;  // "ZRPL"
constexpr std::uint8_t kCallVersionV1 = 1;
constexpr std::uint8_t kCallVersionV2 = 2;
constexpr std::uint8_t kCallVersionV3 = 3;
constexpr std::uint8_t kReplyVersionV1 = 1;
constexpr std::uint8_t kReplyVersionV2 = 2;
constexpr std::uint8_t kReplyVersionV3 = 3;
constexpr std::uint8_t kReplyExpected = 1;
constexpr std::uint8_t kReadsPosition = 2;
constexpr std::uint8_t kReadsRole = 4;
constexpr std::uint8_t kNotServing = 1;
constexpr std::uint8_t kShuttingDown = 2;

std::string Finish(TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

void AppendPrefix(TPack& pack, std::uint32_t magic, std::uint8_t version, std::uint8_t flags,
                  std::uint16_t rpcType, std::uint64_t callId) {
  pack.AppendFixed32(magic);
  const std::uint8_t prefix[2] = {version, flags};
  pack.Append(prefix, 2);
  pack.AppendFixed16(rpcType);
  pack.AppendFixed64(callId);
}

bool ReadPrefix(TPack& pack, std::uint32_t magic, std::uint8_t& version, std::uint8_t& flags,
                std::uint16_t& rpcType, std::uint64_t& callId) {
  std::uint32_t seen = 0;
  if (!pack.RemoveFixed32(seen) || seen != magic || !pack.CanRemove(2)) return false;
  version = static_cast<std::uint8_t>(pack.Contents()[0]);
  flags = static_cast<std::uint8_t>(pack.Contents()[1]);
  pack.Behead(2);
  return pack.RemoveFixed16(rpcType) && pack.RemoveFixed64(callId);
}

void AppendCallHeader(TPack& pack, std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs,
                      const ListCall& list) {
  const std::uint8_t flags =
      (rpc.GetReplyExpected() ? kReplyExpected : 0) | kReadsPosition | (list.member ? kReadsRole : 0);
  const bool termed = list.member && list.term != 0;
  AppendPrefix(pack, kCallMagic, termed ? kCallVersionV3 : kCallVersionV2, flags, rpc.GetRPCType(), callId);
  pack.AppendFixed32(remainingMs);
  if (termed) pack.AppendFixed64(list.term);
}

std::uint8_t RoleFlags(TServerRole role) {
  if (role == TServerRole::Serving) return 0;
  return role == TServerRole::ShuttingDown ? kNotServing | kShuttingDown : kNotServing;
}

void AppendReplyHeader(TPack& pack, std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition,
                       bool callerReadsRole) {
  const TEventPosition& state = rpc.GetStatePosition();
  const bool positioned = callerReadsRole || (callerReadsPosition && state.IsKnown());
  const std::uint8_t version = callerReadsRole ? kReplyVersionV3 : positioned ? kReplyVersionV2 : kReplyVersionV1;
  AppendPrefix(pack, kReplyMagic, version, RoleFlags(rpc.GetServerRole()), rpc.GetRPCType(), callId);
  const long code = rpc.GetReturnCode();
  const bool fits = code >= std::numeric_limits<std::int32_t>::min() && code <= std::numeric_limits<std::int32_t>::max();
  pack.AppendFixed32(static_cast<std::uint32_t>(fits ? code : TRPC::kHandlerFailed));
  if (positioned) {
    pack.AppendFixed64(state.incarnation);
    pack.AppendFixed64(state.position);
  }
  if (callerReadsRole) pack.AppendFixed64(rpc.GetServerTerm());
}

TServerRole RoleOf(std::uint8_t flags) {
  if (flags & kShuttingDown) return TServerRole::ShuttingDown;
  return flags & kNotServing ? TServerRole::Standby : TServerRole::Serving;
}

}  // namespace

std::size_t CallHeaderSize(const ListCall& list) {
  return list.member && list.term != 0 ? kCallHeaderSizeV3 : kCallHeaderSizeV2;
}

void WriteCallHeader(char* into, std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs,
                     const ListCall& list) {
  TPack pack;
  pack.SetBuffer(into, static_cast<unsigned long>(CallHeaderSize(list)));
  AppendCallHeader(pack, callId, rpc, remainingMs, list);
}

std::string EncodeCall(std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs, const ListCall& list) {
  TPack pack;
  AppendCallHeader(pack, callId, rpc, remainingMs, list);
  pack.Append(rpc.GetCallPointer(), rpc.GetCallSize());
  return Finish(pack);
}

std::size_t ReplyHeaderSize(const TRPC& rpc, bool callerReadsPosition, bool callerReadsRole) {
  if (callerReadsRole) return kReplyHeaderSizeV3;
  return callerReadsPosition && rpc.GetStatePosition().IsKnown() ? kReplyHeaderSizeV2 : kReplyHeaderSize;
}

void WriteReplyHeader(char* into, std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition,
                      bool callerReadsRole) {
  TPack pack;
  pack.SetBuffer(into, static_cast<unsigned long>(ReplyHeaderSize(rpc, callerReadsPosition, callerReadsRole)));
  AppendReplyHeader(pack, callId, rpc, callerReadsPosition, callerReadsRole);
}

std::string EncodeReply(std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition, bool callerReadsRole) {
  TPack pack;
  AppendReplyHeader(pack, callId, rpc, callerReadsPosition, callerReadsRole);
  pack.Append(rpc.GetReplyPointer(), rpc.GetReplySize());
  return Finish(pack);
}

bool DecodeCall(const void* bytes, std::size_t size, CallFrame& frame) {
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint8_t version = 0;
  std::uint8_t flags = 0;
  if (!ReadPrefix(pack, kCallMagic, version, flags, frame.rpcType, frame.callId)) return false;
  frame.remainingMs = 0;
  frame.term = 0;
  if (version == kCallVersionV2 || version == kCallVersionV3) {
    if (!pack.RemoveFixed32(frame.remainingMs)) return false;
    if (version == kCallVersionV3 && !pack.RemoveFixed64(frame.term)) return false;
  } else if (version != kCallVersionV1) {
    return false;
  }
  frame.replyExpected = (flags & kReplyExpected) != 0;
  frame.readsPosition = version != kCallVersionV1 && (flags & kReadsPosition) != 0;
  frame.readsRole = version != kCallVersionV1 && (flags & kReadsRole) != 0;
  frame.data = pack.Contents();
  frame.size = pack.Length();
  return true;
}

bool DecodeReply(const void* bytes, std::size_t size, ReplyFrame& frame) {
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint8_t version = 0;
  std::uint8_t flags = 0;
  std::uint32_t code = 0;
  if (!ReadPrefix(pack, kReplyMagic, version, flags, frame.rpcType, frame.callId) || version < kReplyVersionV1 ||
      version > kReplyVersionV3 || !pack.RemoveFixed32(code))
    return false;
  frame.returnCode = static_cast<std::int32_t>(code);
  frame.role = RoleOf(flags);
  frame.state = TEventPosition{};
  frame.term = 0;
  if (version != kReplyVersionV1 &&
      (!pack.RemoveFixed64(frame.state.incarnation) || !pack.RemoveFixed64(frame.state.position)))
    return false;
  // A v2 reply exists only to tell a position.
  if (version == kReplyVersionV2 && !frame.state.IsKnown()) return false;
  if (version == kReplyVersionV3 && !pack.RemoveFixed64(frame.term)) return false;
  frame.data = pack.Contents();
  frame.size = pack.Length();
  return true;
}

}  // namespace zelplatform
