#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

struct Sent {
  std::uint8_t version;
  std::uint32_t remainingMs;
  std::string data;
};

// A call frame as a peer of either version writes it, with RPC type 77.
std::string FrameOf(const Sent& call, std::uint64_t callId) {
  TPack pack;
  pack.AppendFixed32(0x4C41435A);
  const std::uint8_t prefix[2] = {call.version, 1};
  pack.Append(prefix, 2);
  pack.AppendFixed16(77);
  pack.AppendFixed64(callId);
  if (call.version == 2) pack.AppendFixed32(call.remainingMs);
  pack.Append(call.data.data(), call.data.size());
  return Written(pack);
}

// Sends the calls with ids 1, 2, ... and gives "id:data" of each reply, up
// to the last call's. Replies keep the calls' order, so one missing between
// others was never sent.
std::vector<std::string> Exchange(const std::string& endpoint, const std::vector<Sent>& calls) {
  zmq::context_t context;
  zmq::socket_t dealer(context, zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.set(zmq::sockopt::rcvtimeo, 3000);
  dealer.connect(endpoint);
  for (std::size_t i = 0; i < calls.size(); ++i) dealer.send(zmq::buffer(FrameOf(calls[i], i + 1)));
  std::vector<std::string> replies;
  zmq::message_t reply;
  std::uint64_t callId = 0;
  while (callId != calls.size() && dealer.recv(reply)) {
    TPack reader(reply.data(), static_cast<unsigned long>(reply.size()));
    reader.Behead(8);
    reader.RemoveFixed64(callId);
    reader.Behead(4);
    replies.push_back(std::to_string(callId) + ":" + std::string(reader.Contents(), reader.Length()));
  }
  return replies;
}

void Echo(TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }

// Frames without the remaining time, or with none given, are served as
// ever; an unknown version is ignored and the next call still served.
TEST(RpcServerTest, ServesBothFrameVersionsAndIgnoresOthers) {
  TRPCServer server("tcp://127.0.0.1:0", Echo);
  ASSERT_TRUE(server.Start());
  const auto replies = Exchange(server.Endpoint(), {{1, 0, "v1"}, {3, 0, "v3"}, {2, 0, "v2"}, {2, 5000, "timed"}});
  EXPECT_EQ(replies, (std::vector<std::string>{"1:v1", "3:v2", "4:timed"}));
  EXPECT_EQ(server.CallsServed(), 3u);
  EXPECT_EQ(server.CallsDropped(), 0u);
}

// The late call waits behind the slow one inside the server, not on the
// wire: only stamping it on arrival shows that its caller gave up.
TEST(RpcServerTest, DropsCallsWhoseCallerStoppedWaitingWhileQueued) {
  DiagCapture diag;
  std::mutex lock;
  std::vector<std::string> ran;
  TRPCServer server("tcp://127.0.0.1:0", [&](TRPC& rpc) {
    const std::string data(rpc.GetCallPointer(), rpc.GetCallSize());
    if (data == "slow") std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::lock_guard<std::mutex> guard(lock);
    ran.push_back(data);
    Echo(rpc);
  });
  ASSERT_TRUE(server.Start());
  const auto replies =
      Exchange(server.Endpoint(), {{2, 0, "slow"}, {2, 100, "late"}, {2, 5000, "patient"}, {1, 0, "old"}});
  EXPECT_EQ(replies, (std::vector<std::string>{"1:slow", "3:patient", "4:old"}));
  EXPECT_EQ(server.CallsServed(), 3u);
  EXPECT_EQ(server.CallsDropped(), 1u);
  const auto warnings = diag.Texts(TDiag::WARN);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("call 2 (RPC type 77) dropped unserved"), std::string::npos) << warnings[0];
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_EQ(ran, (std::vector<std::string>{"slow", "patient", "old"}));
}

// A tcp port just released may still be held by ZeroMQ's own thread.
TEST(RpcServerTest, RestartsOnTheSameTcpEndpoint) {
  TRPCServer first("tcp://127.0.0.1:0", Echo);
  ASSERT_TRUE(first.Start());
  const std::string endpoint = first.Endpoint();
  first.Stop();
  for (int round = 0; round < 5; ++round) {
    TRPCServer again(endpoint, Echo);
    std::string error;
    ASSERT_TRUE(again.Start(&error)) << round << ": " << error;
    EXPECT_EQ(Exchange(endpoint, {{2, 5000, "up"}}), std::vector<std::string>{"1:up"}) << round;
  }
}

}  // namespace
