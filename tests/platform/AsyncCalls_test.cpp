#include <gtest/gtest.h>

#ifndef _WIN32
#include <poll.h>
#endif

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DiagCapture.h"
#include "Endpoints.h"
#include "Gate.h"
#include "LinkRelay.h"
#include "PlatformReset.h"
#include "Rpc.h"
#include "TestClock.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Kind = TCallFailure;
using Completion = TCompletionQueue::Completion;

void* TagOf(std::size_t index) { return reinterpret_cast<void*>(index + 1); }
std::size_t IndexOf(const Completion& completion) { return reinterpret_cast<std::size_t>(completion.tag) - 1; }

// Every completion the queue gives within 30 s of real time, by index.
std::map<std::size_t, std::vector<Completion>> Collect(TCompletionQueue& queue, std::size_t count) {
  std::map<std::size_t, std::vector<Completion>> ended;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  Completion completion;
  for (std::size_t seen = 0; seen < count && std::chrono::steady_clock::now() < giveUp;) {
    if (!queue.Next(completion, 100)) continue;
    ended[IndexOf(completion)].push_back(completion);
    ++seen;
  }
  return ended;
}

class AsyncCallsTest : public ::testing::Test {
 protected:
  // Calls "call 0", "call 1", ... started on queue, each tagged with its
  // index; false when one was refused.
  bool StartNumbered(std::vector<TRPC>& calls, std::size_t count, const std::string& server,
                     TCompletionQueue& queue, long timeoutMs) {
    calls.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
      calls.push_back(CallOf("call " + std::to_string(index)));
      if (!m_client.StartRPC(calls.back(), server.c_str(), queue, timeoutMs, TagOf(index))) return false;
    }
    return true;
  }

  // An inproc server that answers through gate, started; null when it
  // could not start.
  static std::unique_ptr<TRPCServer> GatedServer(Gate& gate, const std::string& stem) {
    auto server = std::make_unique<TRPCServer>(UniqueInproc(stem), std::ref(gate));
    return server->Start() ? std::move(server) : nullptr;
  }

  DiagCapture m_diag{"NONE"};
  PlatformReset m_reset;
  TFramework m_client{"async-test", "local", 5};
};

// One thread, far more calls than the endpoint has connections: each ends
// once, with its own reply, whichever order the replies come in.
TEST_F(AsyncCallsTest, TenThousandCallsFromOneThreadEachEndOnceWithTheirOwnReply) {
  TRPCServer server("tcp://127.0.0.1:0", Echo);
  ASSERT_TRUE(server.Start());
  constexpr std::size_t kCalls = 10000;
  std::vector<TRPC> calls;
  TCompletionQueue queue;
  ASSERT_TRUE(StartNumbered(calls, kCalls, server.Endpoint(), queue, 60000));
  EXPECT_EQ(queue.InFlight(), kCalls);
  const auto ended = Collect(queue, kCalls);
  ASSERT_EQ(ended.size(), kCalls);
  for (const auto& [index, completions] : ended) {
    ASSERT_EQ(completions.size(), 1u) << index;
    EXPECT_EQ(completions[0].rpc->GetOutcome().kind, Kind::None) << completions[0].rpc->GetOutcome().text;
    EXPECT_EQ(completions[0].rpc, &calls[index]);
    EXPECT_EQ(ReplyOf(calls[index]), "call " + std::to_string(index));
    EXPECT_FALSE(calls[index].IsInFlight());
  }
  Completion extra;
  EXPECT_FALSE(queue.Next(extra, 0));
  EXPECT_EQ(queue.InFlight(), 0u);
}

// Calls the server holds end by their own deadlines on the test clock, each
// once; replies that come after are dropped, and the blocking calls of the
// same thread still work.
TEST_F(AsyncCallsTest, HeldCallsEndByTheirDeadlinesEachOnce) {
  // Made first, gone last: the server's threads read it until they stop.
  TestClock clock;
  Gate gate("held");
  const auto server = GatedServer(gate, "async-deadlines");
  ASSERT_TRUE(server);
  const std::string name = server->Endpoint();
  TCompletionQueue queue;
  std::vector<TRPC> calls(20, CallOf("held"));
  for (std::size_t index = 0; index < calls.size(); ++index)
    ASSERT_TRUE(m_client.StartRPC(calls[index], name.c_str(), queue, 1000 + 100 * static_cast<long>(index),
                                  TagOf(index)));
  ASSERT_TRUE(gate.AwaitHeld());
  Completion completion;
  EXPECT_FALSE(queue.Next(completion, 0));
  std::vector<int> ended(calls.size(), 0);
  for (std::size_t index = 0; index < calls.size(); ++index) {
    clock.Advance(std::chrono::milliseconds(index == 0 ? 1000 : 100));
    ASSERT_TRUE(queue.Next(completion, 0)) << index;
    EXPECT_EQ(IndexOf(completion), index);
    EXPECT_EQ(completion.rpc->GetOutcome().kind, Kind::TimedOut);
    EXPECT_EQ(completion.rpc->GetOutcome().text, "timed out waiting for " + name);
    ++ended[IndexOf(completion)];
  }
  gate.Open();
  EXPECT_FALSE(queue.Next(completion, 50));
  EXPECT_EQ(ended, std::vector<int>(calls.size(), 1));
  TRPC after = CallOf("after");
  EXPECT_EQ(Call(m_client, name, after, 5000), 1);
  EXPECT_EQ(ReplyOf(after), "after");
}

// A cancelled call ends at once as Cancelled, never as carried out, even
// when its reply comes later; the others go on, undisturbed by a second
// call refused on their TRPC, and a TRPC may be used again once its end
// was collected.
TEST_F(AsyncCallsTest, CancelledCallsEndAtOnceAndNeverAsSucceeded) {
  Gate gate("held");
  const auto server = GatedServer(gate, "async-cancel");
  ASSERT_TRUE(server);
  const std::string name = server->Endpoint();
  TCompletionQueue queue;
  TRPC held = CallOf("held");
  TRPC queued = CallOf("queued");
  TRPC kept = CallOf("kept");
  for (TRPC* rpc : {&held, &queued, &kept}) ASSERT_TRUE(m_client.StartRPC(*rpc, name.c_str(), queue, 30000, rpc));
  ASSERT_TRUE(gate.AwaitHeld());
  TCompletionQueue other;
  EXPECT_FALSE(m_client.StartRPC(kept, name.c_str(), other, 10000, nullptr));
  EXPECT_EQ(TFramework::LastFailure().text,
            "busy: the call to " + name + " was not started: the request has a call in flight");
  EXPECT_EQ(Call(m_client, name, kept, 1000), 0);
  EXPECT_EQ(TFramework::LastFailure().kind, Kind::Busy);
  EXPECT_EQ(other.InFlight(), 0u);
  EXPECT_TRUE(queue.Cancel(held));
  EXPECT_TRUE(queue.Cancel(queued));
  EXPECT_FALSE(queue.Cancel(held)) << "only once";
  Completion completion;
  for (const TRPC* rpc : {&held, &queued}) {
    ASSERT_TRUE(queue.Next(completion, 0));
    EXPECT_EQ(completion.tag, rpc);
    EXPECT_EQ(completion.rpc->GetOutcome().kind, Kind::Cancelled);
    EXPECT_EQ(completion.rpc->GetOutcome().text,
              "cancelled: the call to " + name + " was cancelled; if it was sent, it may still be carried out");
  }
  gate.Open();
  ASSERT_TRUE(queue.Next(completion, 10000));
  EXPECT_EQ(completion.tag, &kept);
  EXPECT_EQ(completion.rpc->GetOutcome().kind, Kind::None);
  const std::vector<std::string> ran = gate.Ran();
  EXPECT_EQ(std::count(ran.begin(), ran.end(), "kept"), 1) << "the refused second call was never sent";
  EXPECT_FALSE(queue.Next(completion, 50)) << "the cancelled calls' replies are dropped";
  EXPECT_FALSE(queue.Cancel(kept));
  ASSERT_TRUE(m_client.StartRPC(held, name.c_str(), queue, 10000, &held));
  ASSERT_TRUE(queue.Next(completion, 10000));
  EXPECT_EQ(completion.rpc->GetOutcome().kind, Kind::None);
  EXPECT_EQ(ReplyOf(held), "held");
}

// Shutdown ends each call in flight once, as Cancelled, whether it was
// sent or waits its turn, and the queue takes no more calls.
TEST_F(AsyncCallsTest, AQueueShutDownEndsItsCallsOnceAndTakesNoMore) {
  Gate gate;
  const auto server = GatedServer(gate, "async-shutdown");
  ASSERT_TRUE(server);
  const std::string name = server->Endpoint();
  std::vector<TRPC> calls;
  TCompletionQueue queue;
  ASSERT_TRUE(StartNumbered(calls, 3, name, queue, 30000));
  ASSERT_TRUE(gate.AwaitHeld());
  queue.Shutdown();
  TRPC late = CallOf("late");
  EXPECT_FALSE(m_client.StartRPC(late, name.c_str(), queue, 30000, nullptr));
  EXPECT_EQ(TFramework::LastFailure().text, "not sent to " + name + ": the queue is shut down");
  gate.Open();
  const auto ended = Collect(queue, 3);
  ASSERT_EQ(ended.size(), 3u);
  for (const auto& [index, completions] : ended) {
    ASSERT_EQ(completions.size(), 1u) << index;
    EXPECT_EQ(completions[0].rpc->GetOutcome().kind, Kind::Cancelled) << index;
  }
  Completion extra;
  EXPECT_FALSE(queue.Next(extra, 50)) << "their replies are dropped";
}

// A call writes into its TRPC until it ends: a debug build stops a program
// that lets go of one too early, and says which.
TEST_F(AsyncCallsTest, LettingGoOfATrpcWithACallInFlightAbortsInADebugBuild) {
#ifdef NDEBUG
  GTEST_SKIP() << "checked in debug builds only";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string nowhere = UniqueInproc("async-nowhere");
  struct Case {
    const char* what;
    void (*letGo)(std::unique_ptr<TRPC>&);
  };
  const Case cases[] = {
      {"destroyed", [](std::unique_ptr<TRPC>& rpc) { rpc.reset(); }},
      {"overwritten", [](std::unique_ptr<TRPC>& rpc) { *rpc = TRPC(); }},
      {"moved from", [](std::unique_ptr<TRPC>& rpc) { TRPC taken(std::move(*rpc)); }},
  };
  for (const Case& test : cases) {
    EXPECT_DEATH(
        {
          TCompletionQueue queue;
          auto rpc = std::make_unique<TRPC>(CallOf("x"));
          m_client.StartRPC(*rpc, nowhere.c_str(), queue, 1000, nullptr);
          test.letGo(rpc);
        },
        std::string("a TRPC \\(at .*\\) was ") + test.what + " while its call was in flight")
        << test.what;
  }
}

// The server goes away with calls in flight and comes back on the same
// endpoint. A call that reached the first server is never sent again, so
// none is reported answered that its server did not answer; calls still
// waiting their turn on the client go to the second. Each ends once.
TEST_F(AsyncCallsTest, ServerRestartedWithCallsInFlightReportsNoneItDidNotAnswer) {
  for (const std::string& endpoint : {UniqueIpc("async-restart"), UniqueInproc("async-restart")}) {
    std::mutex lock;
    std::set<std::string> ranFirst;
    auto first = std::make_unique<TRPCServer>(endpoint, [&](TRPC& rpc) {
      {
        std::lock_guard<std::mutex> guard(lock);
        ranFirst.insert(CallText(rpc));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      Echo(rpc);
    });
    ASSERT_TRUE(first->Start());
    constexpr std::size_t kCalls = 600;
    std::vector<TRPC> calls;
    TCompletionQueue queue;
    ASSERT_TRUE(StartNumbered(calls, kCalls, endpoint, queue, 20000)) << endpoint;
    Completion completion;
    ASSERT_TRUE(queue.Next(completion, 10000)) << endpoint;
    first->Stop();
    first.reset();
    TRPCServer second(endpoint, [](TRPC& rpc) { rpc.SetReplyData("second", 6); });
    ASSERT_TRUE(second.Start()) << endpoint;
    auto ended = Collect(queue, kCalls - 1);
    ended[IndexOf(completion)].push_back(completion);
    ASSERT_EQ(ended.size(), kCalls) << endpoint;
    std::map<Kind, std::size_t> kinds;
    for (const auto& [index, completions] : ended) {
      ASSERT_EQ(completions.size(), 1u) << endpoint << " " << index;
      const std::string text = CallText(calls[index]);
      const Kind kind = completions[0].rpc->GetOutcome().kind;
      ++kinds[kind];
      if (kind == Kind::None && ReplyOf(calls[index]) == "second") {
        EXPECT_EQ(ranFirst.count(text), 0u) << endpoint << ": " << text << " ran on both servers";
      } else if (kind == Kind::None) {
        EXPECT_EQ(ReplyOf(calls[index]), text) << endpoint;
        EXPECT_EQ(ranFirst.count(text), 1u) << endpoint;
      } else {
        EXPECT_EQ(kind, Kind::Interrupted) << endpoint << " " << completions[0].rpc->GetOutcome().text;
      }
    }
    EXPECT_GT(kinds[Kind::Interrupted], 0u) << endpoint;
  }
}

// A call whose server went away after taking it ends as interrupted, its
// deadline far off on the test clock, when the application collects with
// Next(…, 0) every 20 ms of its own and never asks for the descriptor
// (Windows has none). Real time: 10 s at most.
TEST_F(AsyncCallsTest, ACallWhoseServerWentAwayEndsWhenCollectedWithoutWaiting) {
  TestClock clock;
  Gate gate("held");
  TRPCServer server("tcp://127.0.0.1:0", std::ref(gate));
  ASSERT_TRUE(server.Start());
  zelsim::LinkRelay relay(server.Endpoint());
  std::string error;
  ASSERT_TRUE(relay.Start(&error)) << error;
  TRPC rpc = CallOf("held");
  TCompletionQueue queue;
  ASSERT_TRUE(m_client.StartRPC(rpc, relay.Endpoint().c_str(), queue, 30000, nullptr));
  const auto collect = [&queue, &clock](const std::function<bool()>& done) {
    Completion completion;
    for (int round = 0; round < 1000 && !done(); ++round) {
      if (queue.Next(completion, 0)) return true;
      clock.Advance(std::chrono::milliseconds(20));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  EXPECT_FALSE(collect([&gate] { return gate.Holding() != 0; }));
  ASSERT_TRUE(gate.AwaitHeld());
  relay.Cut();
  const bool ended = collect([] { return false; });
  gate.Open();
  ASSERT_TRUE(ended) << "the call waits for its deadline";
  EXPECT_EQ(rpc.GetOutcome().kind, Kind::Interrupted) << rpc.GetOutcome().text;
}

#ifndef _WIN32  // Windows has no descriptor that gathers others
// An application's own poll loop waits on the queue's descriptor and
// collects with Next(…, 0) whenever it is readable.
TEST_F(AsyncCallsTest, CompletionsComeThroughTheDescriptorInAPollLoop) {
  for (const std::string& endpoint : EveryTransport("async-descriptor")) {
    TRPCServer server(endpoint, Echo);
    ASSERT_TRUE(server.Start());
    constexpr std::size_t kCalls = 50;
    std::vector<TRPC> calls;
    TCompletionQueue queue;
    const int descriptor = queue.Descriptor();
    ASSERT_GE(descriptor, 0);
    ASSERT_TRUE(StartNumbered(calls, kCalls, server.Endpoint(), queue, 20000));
    std::vector<int> ended(kCalls, 0);
    std::size_t seen = 0;
    for (int round = 0; round < 1000 && seen < kCalls; ++round) {
      pollfd wanted{descriptor, POLLIN, 0};
      ASSERT_EQ(poll(&wanted, 1, 10000), 1) << endpoint << ": the descriptor never became readable";
      Completion completion;
      while (queue.Next(completion, 0)) {
        EXPECT_EQ(completion.rpc->GetOutcome().kind, Kind::None) << completion.rpc->GetOutcome().text;
        ++ended[IndexOf(completion)];
        ++seen;
      }
    }
    EXPECT_EQ(ended, std::vector<int>(kCalls, 1)) << endpoint;
    // With nothing in flight it stays quiet, past every wake-up it had set:
    // a loop waiting on it would otherwise spin.
    pollfd idle{descriptor, POLLIN, 0};
    EXPECT_EQ(poll(&idle, 1, 200), 0) << endpoint << ": readable with no call in flight";
  }
}

// A call the server holds wakes the descriptor when it ends, not every so
// often: an application's loop sleeps meanwhile. (Inproc is the exception:
// a server gone from it tells no descriptor, so it is looked for.)
TEST_F(AsyncCallsTest, AHeldCallLeavesTheDescriptorQuiet) {
  for (const std::string& stem : {std::string("tcp://127.0.0.1:0"), UniqueIpc("async-quiet")}) {
    Gate gate("held");
    TRPCServer server(stem, std::ref(gate));
    ASSERT_TRUE(server.Start());
    TRPC rpc = CallOf("held");
    TCompletionQueue queue;
    const int descriptor = queue.Descriptor();
    ASSERT_TRUE(m_client.StartRPC(rpc, server.Endpoint().c_str(), queue, 30000, nullptr));
    Completion completion;
    // Only Next sends, once the connection is made.
    for (int round = 0; round < 100 && gate.Ran().empty(); ++round) EXPECT_FALSE(queue.Next(completion, 100));
    ASSERT_TRUE(gate.AwaitHeld()) << stem;
    int wakes = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (std::chrono::steady_clock::now() < until) {
      pollfd wanted{descriptor, POLLIN, 0};
      if (poll(&wanted, 1, 100) != 1) continue;
      ++wakes;
      EXPECT_FALSE(queue.Next(completion, 0));
    }
    EXPECT_LE(wakes, 3) << stem << ": a periodic wake-up would give about 30";
    gate.Open();
  }
}
#endif

// A call whose end is known at once still comes through the queue.
TEST_F(AsyncCallsTest, FailuresKnownAtOnceComeThroughTheQueue) {
  const struct { const char* name; std::string server; Kind kind; } cases[] = {
      {"unbound inproc name", UniqueInproc("async-nobody"), Kind::NoSuchServer},
      {"malformed list", "tcp://127.0.0.1:1,,tcp://127.0.0.1:2", Kind::NoSuchServer},
      {"refused tcp", ClosedTcpEndpoint(), Kind::ConnectionRefused},
  };
  for (const auto& c : cases) {
    TCompletionQueue queue;
    TRPC rpc = CallOf("x");
    ASSERT_TRUE(m_client.StartRPC(rpc, c.server.c_str(), queue, 10000, &rpc)) << c.name;
    Completion completion;
    ASSERT_TRUE(queue.Next(completion, 10000)) << c.name;
    EXPECT_EQ(completion.rpc->GetOutcome().kind, c.kind) << c.name << ": " << completion.rpc->GetOutcome().text;
    EXPECT_FALSE(rpc.IsInFlight()) << c.name;
  }
}

}  // namespace
