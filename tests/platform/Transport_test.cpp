#include <gtest/gtest.h>

#include <pthread.h>
#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "DiagCapture.h"
#include "Endpoints.h"
#include "Gate.h"
#include "PlatformReset.h"
#include "Rpc.h"
#include "TestClock.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using std::chrono::milliseconds;
using Kind = TCallFailure;

// A call on its own thread, timed on the platform's clock.
struct Outcome {
  int result = 0;
  Kind kind = Kind::None;
  TClock::duration waited{};
  std::thread::id thread;
};

std::future<Outcome> CallAsync(TFramework& client, const std::string& server, long timeoutMs,
                               std::promise<std::thread::id>& started) {
  return std::async(std::launch::async, [&client, server, timeoutMs, &started] {
    Outcome outcome;
    outcome.thread = std::this_thread::get_id();
    started.set_value(outcome.thread);
    TRPC rpc = CallOf("x");
    const auto start = TClock::Now();
    outcome.result = Call(client, server, rpc, timeoutMs);
    outcome.waited = TClock::Now() - start;
    outcome.kind = TFramework::LastFailure().kind;
    return outcome;
  });
}

// The call's outcome, or a failure when it did not end within 10 s of real
// time: the gate then opens and the clock moves an hour on, so that no call
// outlives the test.
Outcome Await(std::future<Outcome>& call, Gate& gate, TestClock& clock) {
  if (call.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the call did not end";
    gate.Open();
    clock.Advance(std::chrono::hours(1));
  }
  return call.get();
}

class TransportTest : public ::testing::Test {
 protected:
  DiagCapture m_diag{"NONE"};
  PlatformReset m_reset;
  TFramework m_client{"transport-test", "local", 5};
};

// The RPC type travels, and the handler's return code or exception comes back.
TEST_F(TransportTest, RepliesComeBackOverEveryEndpointKind) {
  const std::string bare = UniqueInproc("transport-bare").substr(std::string("inproc://").size());
  const std::pair<std::string, std::string> kinds[] = {
      {UniqueInproc("transport-echo"), ""},
      {bare, "inproc://" + bare},
      {"tcp://127.0.0.1:0", ""},
      {UniqueIpc("transport-echo"), ""},
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
    const auto call = [&](const std::string& data, int type) {
      TRPC rpc = CallOf(data);
      rpc.SetRPCType(type);
      const int result = Call(m_client, to, rpc, 5000);
      return std::make_tuple(result, ReplyOf(rpc), rpc.GetReturnCode(), TFramework::LastFailure().kind,
                             TFramework::LastFailure().text);
    };
    const std::string data("hello\0world", 11);
    EXPECT_EQ(call(data, 77), std::make_tuple(1, data, 0L, Kind::None, std::string())) << name;
    EXPECT_EQ(call("x", 78), std::make_tuple(1, std::string("x"), 42L, Kind::None, std::string())) << name;
    EXPECT_EQ(call("", 77), std::make_tuple(1, std::string(), TRPC::kHandlerFailed, Kind::HandlerFailed,
                                            "the handler of " + server.Endpoint() + " failed"))
        << name;
  }
}

// They fail while the clock stands still, say why, and a call reported as
// failed never reaches a server that comes up later: the next call on the
// same path is the first the server sees.
TEST_F(TransportTest, CallsToAbsentServersFailAtOnceAndForGood) {
  TestClock clock;
  const std::string closedTcp = ClosedTcpEndpoint();
  const std::string inproc = UniqueInproc("transport-nobody");
  const std::string ipc = UniqueIpc("transport-nobody");
  const std::pair<std::string, std::string> names[] = {{inproc, "no such server: " + inproc},
                                                       {closedTcp, "connection refused by " + closedTcp},
                                                       {ipc, "connection refused by " + ipc}};
  for (const auto& [name, why] : names) {
    std::pair<int, std::string> failed;
    EXPECT_TRUE(clock.FinishesWhileStill([&, name = name] {
      TRPC rpc = CallOf("refused");
      failed.first = Call(m_client, name, rpc, 5000);
      failed.second = TFramework::LastFailure().text;
    })) << name << " waited for its time-out";
    EXPECT_EQ(failed, std::make_pair(0, why));
    Gate journal("none held");
    TRPCServer server(name, std::ref(journal));
    ASSERT_TRUE(server.Start()) << name;
    TRPC next = CallOf("next");
    EXPECT_EQ(Call(m_client, name, next, 5000), 1) << name;
    EXPECT_EQ(journal.Ran(), std::vector<std::string>{"next"}) << name;
  }
}

// The slow call's reply is held back until that call has failed: it is
// never taken for the next call.
TEST_F(TransportTest, SlowServerFailsAtTheTimeoutAndItsLateReplyIsDropped) {
  TestClock clock;
  Gate gate("x");
  TRPCServer server(UniqueInproc("transport-late"), std::ref(gate));
  ASSERT_TRUE(server.Start());
  std::promise<std::thread::id> started;
  auto slow = CallAsync(m_client, server.Endpoint(), 100, started);
  const std::thread::id caller = started.get_future().get();
  EXPECT_TRUE(gate.AwaitHeld(1));
  clock.Advance(milliseconds(99));
  // Looked at the clock twice since: it saw 99 ms pass and waits on.
  EXPECT_TRUE(clock.AwaitReads(caller, clock.Reads(caller) + 2)) << "gave up before its time-out";
  clock.Advance(milliseconds(1));
  const Outcome outcome = Await(slow, gate, clock);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.kind, Kind::TimedOut);
  EXPECT_EQ(outcome.waited, milliseconds(100));
  gate.Open();
  TRPC fast = CallOf("fast");
  EXPECT_EQ(Call(m_client, server.Endpoint(), fast, 5000), 1);
  EXPECT_EQ(ReplyOf(fast), "fast");
}

// Over inproc the client refuses the reply itself; over tcp ZeroMQ drops
// the connection, which the client sees as interrupted.
TEST_F(TransportTest, OversizedMessagesAreRefused) {
  TFramework::SetMaxMessageSize(1024);
  const std::string big(4096, 'b');
  const std::pair<std::string, Kind> cases[] = {{UniqueInproc("transport-big"), Kind::RefusedTooLarge},
                                                {"tcp://127.0.0.1:0", Kind::Interrupted}};
  for (const auto& [name, bigReplyKind] : cases) {
    TRPCServer server(name, [&](TRPC& rpc) {
      if (rpc.GetCallSize() == 1) rpc.SetReplyData(big.data(), big.size());
    });
    ASSERT_TRUE(server.Start()) << name;
    TRPC bigCall = CallOf(big);
    EXPECT_EQ(Call(m_client, server.Endpoint(), bigCall, 5000), 0) << name;
    EXPECT_EQ(TFramework::LastFailure().text, "message to or from " + server.Endpoint() + " refused as too large");
    TRPC bigReply = CallOf("x");
    EXPECT_EQ(Call(m_client, server.Endpoint(), bigReply, 5000), 0) << name;
    EXPECT_EQ(TFramework::LastFailure().kind, bigReplyKind) << name;
    EXPECT_EQ(bigReply.GetReplySize(), 0u) << name;
    TRPC small = CallOf("ok");
    EXPECT_EQ(Call(m_client, server.Endpoint(), small, 5000), 1) << name;
    EXPECT_EQ(server.CallsServed(), 2u) << name << ": the big call reached the handler";
  }
}

// The handler waits until the one-way call has returned: a caller that
// waited for it would never return.
TEST_F(TransportTest, CallWithoutReplyReturnsOnceSent) {
  Gate gate;
  TRPCServer server(UniqueInproc("transport-oneway"), std::ref(gate));
  ASSERT_TRUE(server.Start());
  TRPC rpc = CallOf("x", false);
  EXPECT_EQ(Call(m_client, server.Endpoint(), rpc, 5000), 1);
  gate.Open();
  TRPC next = CallOf("y");
  EXPECT_EQ(Call(m_client, server.Endpoint(), next, 5000), 1);
  EXPECT_EQ(server.CallsServed(), 2u);
}

// The name must be free the moment Stop returns, not once ZeroMQ's own
// thread gets round to closing the socket; while bound it is nobody else's.
TEST_F(TransportTest, NameIsFreeOnceStoppedAndNeverShared) {
  const std::string name = UniqueInproc("transport-restart");
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
  EXPECT_EQ(error, name + " is already bound");
  TRPC rpc = CallOf("x");
  EXPECT_EQ(Call(m_client, name, rpc, 5000), 1);
}

TEST_F(TransportTest, ConcurrentCallersEachGetTheirOwnReplies) {
  TRPCServer server(UniqueInproc("transport-many"), Echo);
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
        if (Call(own, server.Endpoint(), mine, 10000) != 1 || ReplyOf(mine) != text) ++wrong;
        if (Call(shared, server.Endpoint(), viaShared, 10000) != 1 || ReplyOf(viaShared) != text) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.CallsServed(), 600u);
}

// A caller waits for the object it shares with another caller, a ninth for
// one of the eight connections an endpoint has: those that time out
// meanwhile, each by its whole wait, never reach the server; one that waits
// long enough goes through once a connection comes free.
TEST_F(TransportTest, CallersWaitingTheirTurnDoSoWithinTheirTimeOuts) {
  TestClock clock;
  Gate gate;
  TRPCServer server(UniqueInproc("transport-pool"), std::ref(gate));
  ASSERT_TRUE(server.Start());
  std::vector<std::unique_ptr<TFramework>> clients;
  std::vector<std::promise<std::thread::id>> started(11);
  std::vector<std::future<Outcome>> calls;
  for (std::size_t i = 0; i < 10; ++i) clients.push_back(std::make_unique<TFramework>());
  for (std::size_t i = 0; i < 8; ++i) calls.push_back(CallAsync(*clients[i], server.Endpoint(), 60000, started[i]));
  // Each has sent and waits for its reply.
  for (std::size_t i = 0; i < 8; ++i) EXPECT_TRUE(clock.AwaitReads(started[i].get_future().get(), 6));
  std::future<Outcome> impatient[] = {CallAsync(*clients[0], server.Endpoint(), 500, started[10]),
                                      CallAsync(*clients[8], server.Endpoint(), 500, started[8])};
  auto patient = CallAsync(*clients[9], server.Endpoint(), 60000, started[9]);
  // Its deadline set, the first waits for the object, the others for a connection.
  EXPECT_TRUE(clock.AwaitReads(started[10].get_future().get(), 3));
  EXPECT_TRUE(clock.AwaitReads(started[8].get_future().get(), 6));
  EXPECT_TRUE(clock.AwaitReads(started[9].get_future().get(), 6));
  clock.Advance(milliseconds(500));
  for (auto& call : impatient) {
    const Outcome timedOut = Await(call, gate, clock);
    EXPECT_EQ(std::make_tuple(timedOut.result, timedOut.kind, timedOut.waited),
              std::make_tuple(0, Kind::TimedOut, TClock::duration(milliseconds(500))));
  }
  gate.Open();
  calls.push_back(std::move(patient));
  for (auto& call : calls) EXPECT_EQ(Await(call, gate, clock).result, 1);
  EXPECT_EQ(server.CallsServed(), 9u) << "an impatient call was sent after its caller gave up";
  EXPECT_EQ(server.CallsDropped(), 0u) << "an impatient call was sent";
}

// Thirty calls over each transport while `interrupt` hits the calling
// thread every millisecond: none fails and none is sent twice.
void CallThroughInterruptions(TFramework& client, const std::function<void()>& interrupt) {
  for (const std::string& name : {UniqueInproc("transport-interrupted"), std::string("tcp://127.0.0.1:0")}) {
    TRPCServer server(name, [](TRPC& rpc) {
      std::this_thread::sleep_for(milliseconds(5));
      Echo(rpc);
    });
    ASSERT_TRUE(server.Start()) << name;
    std::atomic<bool> done{false};
    std::thread interrupter([&done, &interrupt] {
      for (; !done; std::this_thread::sleep_for(milliseconds(1))) interrupt();
    });
    int succeeded = 0;
    for (int i = 0; i < 30; ++i) {
      TRPC rpc = CallOf("i" + std::to_string(i));
      succeeded += Call(client, server.Endpoint(), rpc, 30000);
    }
    done = true;
    interrupter.join();
    EXPECT_EQ(succeeded, 30) << name;
    EXPECT_EQ(server.CallsServed(), 30u) << name;
  }
}

#ifndef _WIN32  // where a signal can interrupt a wait
// A signal's handler installed without SA_RESTART interrupts every wait.
TEST_F(TransportTest, SignalsNeitherFailNorRepeatCalls) {
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = [](int) {};
  ASSERT_EQ(sigaction(SIGUSR1, &ignore, &previous), 0);
  const pthread_t caller = pthread_self();
  CallThroughInterruptions(m_client, [caller] { pthread_kill(caller, SIGUSR1); });
  sigaction(SIGUSR1, &previous, nullptr);
}
#else
// Windows' nearest to a signal, an APC queued at the calling thread, runs
// where the thread waits alertably.
TEST_F(TransportTest, QueuedApcsNeitherFailNorRepeatCalls) {
  HANDLE caller = ::OpenThread(THREAD_SET_CONTEXT, FALSE, ::GetCurrentThreadId());
  ASSERT_NE(caller, nullptr);
  CallThroughInterruptions(m_client, [caller] { ::QueueUserAPC([](ULONG_PTR) {}, caller, 0); });
  // The APCs still queued run here, not in a later test's wait.
  ::SleepEx(0, TRUE);
  ::CloseHandle(caller);
}
#endif

}  // namespace
