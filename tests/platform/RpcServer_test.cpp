#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "Bytes.h"
#include "DiagCapture.h"
#include "Gate.h"
#include "Rpc.h"
#include "TestClock.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

struct Sent {
  std::uint8_t version;
  std::uint32_t remainingMs;
  std::string data;
  // Followed by a second frame, which no peer of the transport writes.
  bool split = false;
  bool replyExpected = true;
};

// A call frame as a peer of either version writes it, with RPC type 77.
std::string FrameOf(const Sent& call, std::uint64_t callId) {
  TPack pack;
  pack.AppendFixed32(0x4C41435A);
  const std::uint8_t prefix[2] = {call.version, call.replyExpected ? std::uint8_t{1} : std::uint8_t{0}};
  pack.Append(prefix, 2);
  pack.AppendFixed16(77);
  pack.AppendFixed64(callId);
  if (call.version == 2) pack.AppendFixed32(call.remainingMs);
  pack.Append(call.data.data(), call.data.size());
  return Written(pack);
}

// Sends the calls with ids 1, 2, ... and gives "id:data" of each reply, up
// to the last call's, which must expect one. Replies keep the calls' order, so one missing between
// others was never sent. Waits up to 10 s of real time for a reply.
std::vector<std::string> Exchange(const std::string& endpoint, const std::vector<Sent>& calls) {
  zmq::context_t context;
  zmq::socket_t dealer(context, zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.set(zmq::sockopt::rcvtimeo, 10000);
  dealer.set(zmq::sockopt::sndhwm, 0);
  dealer.connect(endpoint);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const std::string frame = FrameOf(calls[i], i + 1);
    if (calls[i].split) dealer.send(zmq::buffer(frame), zmq::send_flags::sndmore);
    dealer.send(zmq::buffer(calls[i].split ? std::string("extra") : frame));
  }
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

// Frames without the remaining time, or with none given, are served as
// ever; an unknown version and a call in two frames are ignored and the
// next call still served.
TEST(RpcServerTest, ServesBothFrameVersionsAndIgnoresOthers) {
  TRPCServer server("tcp://127.0.0.1:0", Echo);
  ASSERT_TRUE(server.Start());
  const auto replies = Exchange(
      server.Endpoint(), {{1, 0, "v1"}, {3, 0, "v3"}, {2, 0, "v2"}, {2, 0, "split", true}, {2, 5000, "timed"}});
  EXPECT_EQ(replies, (std::vector<std::string>{"1:v1", "3:v2", "5:timed"}));
  EXPECT_EQ(server.CallsServed(), 3u);
  EXPECT_EQ(server.CallsDropped(), 0u);
}

// The late call waits behind the held one inside the server, not on the
// wire: only stamping it on arrival shows that its caller gave up.
TEST(RpcServerTest, DropsCallsWhoseCallerStoppedWaitingWhileQueued) {
  DiagCapture diag;
  TestClock clock;
  Gate handler("hold");
  TRPCServer server("tcp://127.0.0.1:0", std::ref(handler));
  ASSERT_TRUE(server.Start());
  auto replies = std::async(std::launch::async, Exchange, server.Endpoint(),
                            std::vector<Sent>{{2, 0, "hold"}, {2, 100, "late"}, {2, 101, "patient"}, {1, 0, "old"}});
  EXPECT_TRUE(handler.AwaitHeld());
  // The server reads the clock once per call it takes off its socket.
  EXPECT_TRUE(clock.AwaitTotalReads(4));
  clock.Advance(std::chrono::milliseconds(100));
  handler.Open();
  EXPECT_EQ(replies.get(), (std::vector<std::string>{"1:hold", "3:patient", "4:old"}));
  EXPECT_EQ(server.CallsServed(), 3u);
  EXPECT_EQ(server.CallsDropped(), 1u);
  EXPECT_EQ(diag.Texts(TDiag::WARN),
            std::vector<std::string>{"RPC server on " + server.Endpoint() +
                                     ": call 2 (RPC type 77) dropped unserved, 0 ms after its caller stopped waiting"});
  EXPECT_EQ(handler.Ran(), (std::vector<std::string>{"hold", "patient", "old"}));
}

// While its handler is busy the server takes at most a thousand calls off
// its socket; the rest wait in ZeroMQ's queue, unstamped, and are served in
// order once there is room: a call past the bound is stamped when taken.
TEST(RpcServerTest, QueuesAThousandCallsAndLeavesTheRestToTheSocket) {
  TestClock clock;
  Gate handler("hold");
  TRPCServer server("tcp://127.0.0.1:0", std::ref(handler));
  ASSERT_TRUE(server.Start());
  std::vector<Sent> calls{{2, 0, "hold", false, false}};
  // One-way but the last: a peer that pipelines more replies than ZeroMQ
  // holds for it loses some.
  for (int i = 0; i < 1000; ++i) calls.push_back({2, 0, "queued", false, false});
  for (int i = 0; i < 199; ++i) calls.push_back({2, 100, "beyond", false, false});
  calls.push_back({2, 100, "last"});
  auto replies = std::async(std::launch::async, Exchange, server.Endpoint(), calls);
  EXPECT_TRUE(handler.AwaitHeld());
  EXPECT_TRUE(clock.AwaitTotalReads(1001));
  clock.Advance(std::chrono::seconds(1));
  handler.Open();
  EXPECT_EQ(replies.get(), std::vector<std::string>{"1201:last"});
  EXPECT_EQ(server.CallsServed(), calls.size());
  EXPECT_EQ(server.CallsDropped(), 0u) << "calls past the bound were taken and stamped early";
}

// A held call holds up only its own handler thread; a stand-by asked by a
// handler on another thread waits for it, as one asked from outside does.
TEST(RpcServerTest, HandlerThreadsServeAroundAHeldCallAndStandByWaitsForIt) {
  Gate gate("hold");
  TRPCServer* self = nullptr;
  TRPCServer server("tcp://127.0.0.1:0", [&](TRPC& rpc) {
    if (CallText(rpc) != "stand by") return gate(rpc);
    self->StandBy(TServerRole::Standby);
    Echo(rpc);
  });
  self = &server;
  server.SetHandlerThreads(2);
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(Exchange(server.Endpoint(), {{2, 0, "hold", false, false}, {2, 0, "free"}}),
            std::vector<std::string>{"2:free"});
  EXPECT_TRUE(gate.AwaitHeld());
  auto standingBy = std::async(std::launch::async, Exchange, server.Endpoint(), std::vector<Sent>{{2, 0, "stand by"}});
  EXPECT_EQ(standingBy.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  auto fromOutside = std::async(std::launch::async, [&] { server.StandBy(TServerRole::Standby); });
  EXPECT_EQ(fromOutside.wait_for(std::chrono::milliseconds(10)), std::future_status::timeout);
  gate.Open();
  EXPECT_EQ(standingBy.get(), std::vector<std::string>{"1:stand by"});
  fromOutside.get();
  // The held call is counted once its handler has returned, a moment
  // after the server let the stand-by go on.
  for (int wait = 0; wait < 1000 && server.CallsServed() < 3u; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(server.CallsServed(), 3u);
}

}  // namespace
