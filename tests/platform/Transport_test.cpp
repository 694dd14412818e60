#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "DiagCapture.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string Unique(const std::string& stem) {
  static std::atomic<int> counter{0};
  return "inproc://transport-test-" + stem + "-" + std::to_string(++counter);
}

// A tcp port nobody listens on: bound once by a socket that is closed again.
std::string ClosedTcpEndpoint() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::router);
  probe.set(zmq::sockopt::linger, 0);
  probe.bind("tcp://127.0.0.1:0");
  return probe.get(zmq::sockopt::last_endpoint);
}

void Echo(TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }

struct CallResult {
  int sent;
  long elapsedMs;
};

CallResult Call(TFramework& client, const std::string& server, TRPC& rpc, long timeoutMs) {
  TThreadQueue queue;
  const auto start = Clock::now();
  const int sent = client.SendRPC(rpc, server.c_str(), queue, timeoutMs, 0);
  return {sent, static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count())};
}

TRPC CallOf(const std::string& data, bool replyExpected = true) {
  TRPC rpc;
  rpc.SetRPCType(77);
  rpc.SetReplyExpected(replyExpected ? 1 : 0);
  rpc.SetCallData(data.data(), data.size());
  return rpc;
}

std::string ReplyOf(const TRPC& rpc) { return std::string(rpc.GetReplyPointer(), rpc.GetReplySize()); }

class TransportTest : public ::testing::Test {
 protected:
  DiagCapture m_diag{"NONE"};
  TFramework m_client{"transport-test", "local", 5};
};

TEST_F(TransportTest, RepliesComeBackOverEveryEndpointKind) {
  for (const std::string& name : {Unique("echo"), std::string("tcp://127.0.0.1:0"), std::string("ipc:///tmp/zelclnt-transport-test.ipc")}) {
    TRPCServer server(name, [](TRPC& rpc) {
      Echo(rpc);
      rpc.SetReturnCode(rpc.GetRPCType() == 77 ? 0 : 9);
    });
    ASSERT_TRUE(server.Start()) << name;
    TRPC rpc = CallOf(std::string("hello\0world", 11));
    EXPECT_EQ(Call(m_client, server.Endpoint(), rpc, 2000).sent, 1) << name;
    EXPECT_EQ(ReplyOf(rpc), std::string("hello\0world", 11)) << name;
    EXPECT_EQ(rpc.GetReturnCode(), 0) << name;
  }
}

TEST_F(TransportTest, BareNameMeansInprocEndpoint) {
  TRPCServer server("transport-bare-name", Echo);
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(server.Endpoint(), "inproc://transport-bare-name");
  TRPC rpc = CallOf("x");
  EXPECT_EQ(Call(m_client, "transport-bare-name", rpc, 2000).sent, 1);
}

TEST_F(TransportTest, AbsentServersFailFast) {
  for (const std::string& name : {Unique("nobody"), ClosedTcpEndpoint(), std::string("ipc:///tmp/zelclnt-nobody.ipc")}) {
    TRPC rpc = CallOf("x");
    const CallResult result = Call(m_client, name, rpc, 5000);
    EXPECT_EQ(result.sent, 0) << name;
    EXPECT_LT(result.elapsedMs, 1000) << name;
  }
}

TEST_F(TransportTest, SilentServerFailsWithinItsTimeout) {
  zmq::context_t context;
  zmq::socket_t silent(context, zmq::socket_type::router);
  silent.set(zmq::sockopt::linger, 0);
  silent.bind("tcp://127.0.0.1:0");
  const std::string endpoint = silent.get(zmq::sockopt::last_endpoint);
  TRPC rpc = CallOf("x");
  const CallResult result = Call(m_client, endpoint, rpc, 300);
  EXPECT_EQ(result.sent, 0);
  EXPECT_GE(result.elapsedMs, 290);
  EXPECT_LT(result.elapsedMs, 800);
}

TEST_F(TransportTest, HandlerReturnCodeAndExceptionReachTheCaller) {
  TRPCServer server(Unique("codes"), [](TRPC& rpc) {
    if (rpc.GetCallSize() == 0) throw std::runtime_error("boom");
    rpc.SetReturnCode(42);
  });
  ASSERT_TRUE(server.Start());
  TRPC coded = CallOf("x");
  EXPECT_EQ(Call(m_client, server.Endpoint(), coded, 2000).sent, 1);
  EXPECT_EQ(coded.GetReturnCode(), 42);
  TRPC thrown = CallOf("");
  EXPECT_EQ(Call(m_client, server.Endpoint(), thrown, 2000).sent, 1);
  EXPECT_EQ(thrown.GetReturnCode(), TRPC::kHandlerFailed);
}

TEST_F(TransportTest, LateReplyIsNeverTakenForTheNextCall) {
  TRPCServer server(Unique("late"), [](TRPC& rpc) {
    if (std::string(rpc.GetCallPointer(), rpc.GetCallSize()) == "slow")
      std::this_thread::sleep_for(milliseconds(300));
    Echo(rpc);
  });
  ASSERT_TRUE(server.Start());
  TRPC slow = CallOf("slow");
  EXPECT_EQ(Call(m_client, server.Endpoint(), slow, 100).sent, 0);
  TRPC fast = CallOf("fast");
  EXPECT_EQ(Call(m_client, server.Endpoint(), fast, 2000).sent, 1);
  EXPECT_EQ(ReplyOf(fast), "fast");
}

TEST_F(TransportTest, FailedCallIsNotDeliveredWhenTheServerComesUp) {
  const std::string inproc = Unique("later");
  const std::string tcp = ClosedTcpEndpoint();
  for (const std::string& name : {inproc, tcp}) {
    TRPC rpc = CallOf("x");
    EXPECT_EQ(Call(m_client, name, rpc, 300).sent, 0) << name;
    std::atomic<int> calls{0};
    TRPCServer server(name, [&](TRPC&) { ++calls; });
    ASSERT_TRUE(server.Start()) << name;
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_EQ(calls.load(), 0) << name;
  }
}

TEST_F(TransportTest, OversizedMessagesAreRefused) {
  TFramework::SetMaxMessageSize(1024);
  const std::string big(4096, 'b');
  for (const std::string& name : {Unique("big"), std::string("tcp://127.0.0.1:0")}) {
    TRPCServer server(name, [&](TRPC& rpc) {
      if (rpc.GetCallSize() == 1) rpc.SetReplyData(big.data(), big.size());
    });
    ASSERT_TRUE(server.Start()) << name;
    TRPC bigCall = CallOf(big);
    EXPECT_EQ(Call(m_client, server.Endpoint(), bigCall, 1000).sent, 0) << name;
    TRPC bigReply = CallOf("x");
    const CallResult result = Call(m_client, server.Endpoint(), bigReply, 1000);
    EXPECT_TRUE(result.sent == 0 || bigReply.GetReturnCode() != 0) << name;
    EXPECT_EQ(bigReply.GetReplySize(), 0u) << name;
    TRPC small = CallOf("ok");
    EXPECT_EQ(Call(m_client, server.Endpoint(), small, 1000).sent, 1) << name;
  }
  TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
}

TEST_F(TransportTest, CallWithoutReplyReturnsOnceSent) {
  std::atomic<int> calls{0};
  TRPCServer server(Unique("oneway"), [&](TRPC&) {
    std::this_thread::sleep_for(milliseconds(200));
    ++calls;
  });
  ASSERT_TRUE(server.Start());
  TRPC rpc = CallOf("x", false);
  const CallResult result = Call(m_client, server.Endpoint(), rpc, 5000);
  EXPECT_EQ(result.sent, 1);
  EXPECT_LT(result.elapsedMs, 150);
  TRPC next = CallOf("y");
  EXPECT_EQ(Call(m_client, server.Endpoint(), next, 5000).sent, 1);
  EXPECT_EQ(calls.load(), 2);
}

TEST_F(TransportTest, ServerRestartedUnderTheSameNameIsReachedAgain) {
  // The name must be free the moment Stop returns, not once ZeroMQ's own
  // thread gets round to closing the socket.
  const std::string name = Unique("restart");
  TRPCServer server(name, Echo);
  for (int round = 0; round < 20; ++round) {
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << round << ": " << error;
    server.Stop();
  }
  ASSERT_TRUE(server.Start());
  TRPC rpc = CallOf("x");
  EXPECT_EQ(Call(m_client, name, rpc, 1000).sent, 1);
}

TEST_F(TransportTest, SecondServerCannotTakeABoundName) {
  const std::string name = Unique("taken");
  TRPCServer first(name, Echo);
  TRPCServer second(name, Echo);
  ASSERT_TRUE(first.Start());
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find(name), std::string::npos);
}

TEST_F(TransportTest, ConcurrentCallersEachGetTheirOwnReplies) {
  TRPCServer server(Unique("many"), Echo);
  ASSERT_TRUE(server.Start());
  TFramework shared;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      TFramework own;
      for (int i = 0; i < 50; ++i) {
        const std::string text = std::to_string(t) + ":" + std::to_string(i);
        TRPC mine = CallOf(text);
        TRPC viaShared = CallOf(text);
        if (Call(own, server.Endpoint(), mine, 5000).sent != 1 || ReplyOf(mine) != text) ++wrong;
        if (Call(shared, server.Endpoint(), viaShared, 5000).sent != 1 || ReplyOf(viaShared) != text) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.CallsServed(), 600u);
}

}  // namespace
