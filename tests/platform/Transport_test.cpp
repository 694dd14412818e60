#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <zmq.hpp>

#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Kind = TFramework::FailureKind;

// A tcp port nobody listens on: bound once by a socket that is closed again.
std::string ClosedTcpEndpoint() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::router);
  probe.set(zmq::sockopt::linger, 0);
  probe.bind("tcp://127.0.0.1:0");
  return probe.get(zmq::sockopt::last_endpoint);
}

void Echo(TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }

int Call(TFramework& client, const std::string& server, TRPC& rpc, long timeoutMs) {
  TThreadQueue queue;
  return client.SendRPC(rpc, server.c_str(), queue, timeoutMs, 0);
}

TRPC CallOf(const std::string& data, bool replyExpected = true) {
  TRPC rpc;
  rpc.SetRPCType(77);
  rpc.SetReplyExpected(replyExpected ? 1 : 0);
  rpc.SetCallData(data.data(), data.size());
  return rpc;
}

std::string ReplyOf(const TRPC& rpc) { return std::string(rpc.GetReplyPointer(), rpc.GetReplySize()); }

milliseconds Since(Clock::time_point start) { return std::chrono::duration_cast<milliseconds>(Clock::now() - start); }

std::size_t OpenDescriptors() {
  const std::filesystem::directory_iterator entries("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

class TransportTest : public ::testing::Test {
 protected:
  DiagCapture m_diag{"NONE"};
  TFramework m_client{"transport-test", "local", 5};
};

// The RPC type travels, and the handler's return code or exception comes back.
TEST_F(TransportTest, RepliesComeBackOverEveryEndpointKind) {
  const std::pair<std::string, std::string> kinds[] = {
      {"inproc://transport-echo", ""},
      {"transport-bare-name", "inproc://transport-bare-name"},
      {"tcp://127.0.0.1:0", ""},
      {"ipc:///tmp/zelclnt-transport-test.ipc", ""},
  };
  for (const auto& [name, bound] : kinds) {
    TRPCServer server(name, [](TRPC& rpc) {
      if (rpc.GetCallSize() == 0) throw std::runtime_error("boom");
      Echo(rpc);
      rpc.SetReturnCode(rpc.GetRPCType() == 77 ? 0 : 42);
    });
    ASSERT_TRUE(server.Start()) << name;
    if (!bound.empty()) {
      EXPECT_EQ(server.Endpoint(), bound);
    }
    const std::string to = bound.empty() ? server.Endpoint() : name;
    TRPC rpc = CallOf(std::string("hello\0world", 11));
    EXPECT_EQ(Call(m_client, to, rpc, 2000), 1) << name;
    EXPECT_EQ(ReplyOf(rpc), std::string("hello\0world", 11)) << name;
    EXPECT_EQ(rpc.GetReturnCode(), 0) << name;
    TRPC coded = CallOf("x");
    coded.SetRPCType(78);
    EXPECT_EQ(Call(m_client, to, coded, 2000), 1) << name;
    EXPECT_EQ(coded.GetReturnCode(), 42) << name;
    EXPECT_EQ(TFramework::LastFailure().kind, Kind::None) << name;
    TRPC thrown = CallOf("");
    EXPECT_EQ(Call(m_client, to, thrown, 2000), 1) << name;
    EXPECT_EQ(thrown.GetReturnCode(), TRPC::kHandlerFailed) << name;
    EXPECT_EQ(TFramework::LastFailure().kind, Kind::HandlerFailed) << name;
  }
}

// They fail at once, say why, and a call reported as failed never reaches a
// server that comes up later.
TEST_F(TransportTest, CallsToAbsentServersFailForGood) {
  const std::string closedTcp = ClosedTcpEndpoint();
  const std::tuple<std::string, bool, std::string> names[] = {
      {"inproc://transport-nobody", true, "no such server: inproc://transport-nobody"},
      {closedTcp, true, "connection refused by " + closedTcp},
      {"ipc:///tmp/zelclnt-nobody.ipc", false, "connection refused by ipc:///tmp/zelclnt-nobody.ipc"}};
  for (const auto& [name, comesUp, why] : names) {
    TRPC rpc = CallOf("x");
    const auto start = Clock::now();
    EXPECT_EQ(Call(m_client, name, rpc, 5000), 0) << name;
    EXPECT_LT(Since(start), milliseconds(1000)) << name;
    EXPECT_EQ(TFramework::LastFailure().text, why);
    if (!comesUp) continue;
    std::atomic<int> calls{0};
    TRPCServer server(name, [&](TRPC&) { ++calls; });
    ASSERT_TRUE(server.Start()) << name;
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_EQ(calls.load(), 0) << name;
  }
}

// The slow call's reply is held back until that call has failed: it is
// never taken for the next call.
TEST_F(TransportTest, SlowServerFailsWithinTheTimeoutAndItsLateReplyIsDropped) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  TRPCServer server("inproc://transport-late", [&](TRPC& rpc) {
    if (std::string(rpc.GetCallPointer(), rpc.GetCallSize()) == "slow") released.wait_for(std::chrono::seconds(5));
    Echo(rpc);
  });
  ASSERT_TRUE(server.Start());
  TRPC slow = CallOf("slow");
  EXPECT_EQ(Call(m_client, server.Endpoint(), slow, 100), 0);
  EXPECT_EQ(TFramework::LastFailure().kind, Kind::TimedOut);
  release.set_value();
  TRPC fast = CallOf("fast");
  EXPECT_EQ(Call(m_client, server.Endpoint(), fast, 2000), 1);
  EXPECT_EQ(ReplyOf(fast), "fast");
}

TEST_F(TransportTest, OversizedMessagesAreRefused) {
  TFramework::SetMaxMessageSize(1024);
  const std::string big(4096, 'b');
  for (const std::string& name : {std::string("inproc://transport-big"), std::string("tcp://127.0.0.1:0")}) {
    TRPCServer server(name, [&](TRPC& rpc) {
      if (rpc.GetCallSize() == 1) rpc.SetReplyData(big.data(), big.size());
    });
    ASSERT_TRUE(server.Start()) << name;
    TRPC bigCall = CallOf(big);
    EXPECT_EQ(Call(m_client, server.Endpoint(), bigCall, 1000), 0) << name;
    EXPECT_EQ(TFramework::LastFailure().kind, Kind::RefusedTooLarge) << name;
    TRPC bigReply = CallOf("x");
    EXPECT_TRUE(Call(m_client, server.Endpoint(), bigReply, 1000) == 0 || bigReply.GetReturnCode() != 0) << name;
    EXPECT_EQ(bigReply.GetReplySize(), 0u) << name;
    TRPC small = CallOf("ok");
    EXPECT_EQ(Call(m_client, server.Endpoint(), small, 1000), 1) << name;
  }
  TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
}

// The handler waits until the one-way call has returned: a caller that
// waited for it would time out instead.
TEST_F(TransportTest, CallWithoutReplyReturnsOnceSent) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> calls{0};
  TRPCServer server("inproc://transport-oneway", [&](TRPC&) {
    released.wait();
    ++calls;
  });
  ASSERT_TRUE(server.Start());
  TRPC rpc = CallOf("x", false);
  EXPECT_EQ(Call(m_client, server.Endpoint(), rpc, 2000), 1);
  release.set_value();
  TRPC next = CallOf("y");
  EXPECT_EQ(Call(m_client, server.Endpoint(), next, 5000), 1);
  EXPECT_EQ(calls.load(), 2);
}

// The name must be free the moment Stop returns, not once ZeroMQ's own
// thread gets round to closing the socket; while bound it is nobody else's.
TEST_F(TransportTest, NameIsFreeOnceStoppedAndNeverShared) {
  const std::string name = "inproc://transport-restart";
  TRPCServer server(name, Echo);
  for (int round = 0; round < 20; ++round) {
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << round << ": " << error;
    server.Stop();
  }
  ASSERT_TRUE(server.Start());
  TRPCServer second(name, Echo);
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find(name), std::string::npos);
  TRPC rpc = CallOf("x");
  EXPECT_EQ(Call(m_client, name, rpc, 1000), 1);
}

TEST_F(TransportTest, ConcurrentCallersEachGetTheirOwnReplies) {
  TRPCServer server("inproc://transport-many", Echo);
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
        if (Call(own, server.Endpoint(), mine, 5000) != 1 || ReplyOf(mine) != text) ++wrong;
        if (Call(shared, server.Endpoint(), viaShared, 5000) != 1 || ReplyOf(viaShared) != text) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.CallsServed(), 600u);
}

// Objects own no connection: 10,000 agents calling from 8 threads share a
// few, and those close once nobody has used them for the idle time.
TEST_F(TransportTest, TenThousandObjectsShareFewConnectionsThatCloseWhenIdle) {
  zelsim::PresenceSimulator simulator;
  TRPCServer server("tcp://127.0.0.1:0", [&](TRPC& rpc) { simulator.Handle(rpc); });
  ASSERT_TRUE(server.Start());
  const std::size_t before = OpenDescriptors();
  std::vector<std::unique_ptr<ZelAUserPresence>> agents;
  for (long i = 0; i < 10000; ++i) {
    agents.push_back(std::make_unique<ZelAUserPresence>("test", "agents"));
    agents.back()->SetUserKey(42 + i % 8);
    agents.back()->SetUserID("agent" + std::to_string(42 + i % 8));
  }
  std::atomic<int> failed{0};
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = t; i < agents.size(); i += 8)
        if (agents[i]->Query(server.Endpoint()) != ZelTPresenceServer::ACTION_SUCCEEDED) ++failed;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failed.load(), 0);
  EXPECT_LE(OpenDescriptors(), before + 48);
  TFramework::SetIdleConnectionTimeout(20);
  const auto start = Clock::now();
  while (OpenDescriptors() > before && Since(start) < milliseconds(2000)) {
    std::this_thread::sleep_for(milliseconds(30));
    TRPC sweeper = CallOf("x");
    Call(m_client, "inproc://transport-sweeper", sweeper, 10);
  }
  EXPECT_LE(OpenDescriptors(), before);
  TFramework::SetIdleConnectionTimeout(TFramework::kDefaultIdleConnectionMs);
}

// A timer signal at the calling thread, its handler installed without
// SA_RESTART, interrupts every wait: no call fails and none is sent twice.
TEST_F(TransportTest, SignalsNeitherFailNorRepeatCalls) {
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = [](int) {};
  ASSERT_EQ(sigaction(SIGUSR1, &ignore, &previous), 0);
  for (const std::string name : {"inproc://transport-signals", "tcp://127.0.0.1:0"}) {
    TRPCServer server(name, [](TRPC& rpc) {
      std::this_thread::sleep_for(milliseconds(5));
      Echo(rpc);
    });
    ASSERT_TRUE(server.Start()) << name;
    std::atomic<bool> done{false};
    std::thread timer([&done, caller = pthread_self()] {
      for (; !done; std::this_thread::sleep_for(milliseconds(1))) pthread_kill(caller, SIGUSR1);
    });
    int succeeded = 0;
    for (int i = 0; i < 30; ++i) {
      TRPC rpc = CallOf("s" + std::to_string(i));
      succeeded += Call(m_client, server.Endpoint(), rpc, 2000);
    }
    done = true;
    timer.join();
    EXPECT_EQ(succeeded, 30) << name;
    EXPECT_EQ(server.CallsServed(), 30u) << name;
  }
  sigaction(SIGUSR1, &previous, nullptr);
}

// Waiting for the object shared with another caller counts: both callers
// are back by their time-out, not one after the other.
TEST_F(TransportTest, ATimeOutIsTheCallersWholeWait) {
  TRPCServer server("inproc://transport-busy", [](TRPC& rpc) {
    std::this_thread::sleep_for(milliseconds(800));
    Echo(rpc);
  });
  ASSERT_TRUE(server.Start());
  TFramework shared;
  auto caller = [&] {
    TRPC rpc = CallOf("x");
    const auto start = Clock::now();
    const int result = Call(shared, server.Endpoint(), rpc, 500);
    return std::make_tuple(result, Since(start), TFramework::LastFailure().kind);
  };
  auto first = std::async(std::launch::async, caller);
  auto second = std::async(std::launch::async, caller);
  for (auto* outcome : {&first, &second}) {
    const auto [result, waited, why] = outcome->get();
    EXPECT_EQ(result, 0);
    EXPECT_LT(waited, milliseconds(900));
    EXPECT_EQ(why, Kind::TimedOut);
  }
}

// Restarted on the same endpoint while the client was idle, or while it was
// refused: the next call goes through, and the refused ones never arrive.
TEST_F(TransportTest, RestartedServersAreCalledAgainAtOnce) {
  std::atomic<int> refusedArrived{0};
  auto handler = [&](TRPC& rpc) {
    if (std::string(rpc.GetCallPointer(), rpc.GetCallSize()) == "down") ++refusedArrived;
    Echo(rpc);
  };
  auto server = std::make_unique<TRPCServer>("tcp://127.0.0.1:0", handler);
  ASSERT_TRUE(server->Start());
  const std::string endpoint = server->Endpoint();
  for (const bool callWhileDown : {false, true}) {
    TRPC before = CallOf("up");
    EXPECT_EQ(Call(m_client, endpoint, before, 2000), 1);
    server.reset();
    for (int i = 0; callWhileDown && i < 3; ++i) {
      TRPC down = CallOf("down");
      const auto start = Clock::now();
      EXPECT_EQ(Call(m_client, endpoint, down, 2000), 0);
      EXPECT_LT(Since(start), milliseconds(500));
    }
    // The first may have gone out before the client saw the server go.
    EXPECT_TRUE(!callWhileDown || TFramework::LastFailure().kind == Kind::ConnectionRefused);
    server = std::make_unique<TRPCServer>(endpoint, handler);
    ASSERT_TRUE(server->Start());
    if (!callWhileDown) std::this_thread::sleep_for(milliseconds(150));
    TRPC after = CallOf("up");
    EXPECT_EQ(Call(m_client, endpoint, after, 2000), 1) << callWhileDown;
  }
  std::this_thread::sleep_for(milliseconds(200));
  EXPECT_EQ(refusedArrived.load(), 0);
}

}  // namespace
