#pragma once
// Calls as the transport tests make them: RPC type 77, data given as text.

#include <string>

#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPC.h"

inline void Echo(TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }

inline TRPC CallOf(const std::string& data, bool replyExpected = true) {
  TRPC rpc;
  rpc.SetRPCType(77);
  rpc.SetReplyExpected(replyExpected ? 1 : 0);
  rpc.SetCallData(data.data(), data.size());
  return rpc;
}

inline std::string CallText(const TRPC& rpc) { return std::string(rpc.GetCallPointer(), rpc.GetCallSize()); }
inline std::string ReplyOf(const TRPC& rpc) { return std::string(rpc.GetReplyPointer(), rpc.GetReplySize()); }

inline int Call(TFramework& client, const std::string& server, TRPC& rpc, long timeoutMs) {
  TThreadQueue queue;
  return client.SendRPC(rpc, server.c_str(), queue, timeoutMs, 0);
}
