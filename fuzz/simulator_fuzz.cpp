// Hands arbitrary bytes to the simulator as calls of each request type (the
// first byte picks it); with its second byte odd the call gets a header that
// fits the body, so that the answers and the actions behind them are reached.
#include <cstddef>
#include <cstdint>

#include "PresenceSimulator.h"
#include "QuietDiagnostics.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"

namespace {

constexpr std::size_t kPicks = 2;

zelsim::PresenceSimulator& Simulator() {
  static zelsim::PresenceSimulator simulator;
  return simulator;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kPicks) return 0;
  const auto type = static_cast<unsigned short>(35000 + data[0] % 8);
  TPack call;
  if (data[1] & 1) call << TMsgRequestHdr(11, 0, size - kPicks, type, 0, 0, 0);
  call.Append(data + kPicks, size - kPicks);
  TRPC rpc;
  rpc.SetRPCType(type);
  rpc.SetCallData(call.Contents(), call.Length());
  Simulator().Handle(rpc);
  TMsgReplyHdr header;
  TPack reply(rpc.GetReplyPointer(), rpc.GetReplySize());
  reply >> header;
  return 0;
}
