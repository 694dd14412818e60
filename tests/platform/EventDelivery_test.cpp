#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#ifndef _WIN32
#include <poll.h>
#endif

#include "DiagCapture.h"
#include "Endpoints.h"
#include "EventFrame.h"
#include "Events.h"
#include "PlatformReset.h"
#include "TestClock.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Kind = TEventNotice::Kind;
constexpr int kProbe = 35000;
constexpr int kWanted = 35001;
constexpr int kUnwanted = 35002;
constexpr int kMarker = 35003;

TEST(EventDeliveryTest, EndpointRule) {
  const std::pair<std::string, std::string> names[] = {
      {"sim", "inproc://sim.events"},      {"inproc://a", "inproc://a.events"},
      {"ipc:///tmp/p", "ipc:///tmp/p.events"}, {"tcp://127.0.0.1:7300", "tcp://127.0.0.1:7301"},
      {"tcp://[::1]:65534", "tcp://[::1]:65535"}, {"tcp://h:0", ""}, {"tcp://h:*", ""}, {"tcp://h:65535", ""},
      {"tcp://h", ""}, {"tcp://h:99999", ""}, {"", ""}};
  for (const auto& [name, events] : names) EXPECT_EQ(zelplatform::EventEndpointOf(name), events) << name;
  const std::string noEndpoint = " has no events endpoint (a tcp server needs a port from 1 to 65534)";
  std::string error;
  EXPECT_FALSE(TEventPublisher("tcp://127.0.0.1:0").Start(&error));
  EXPECT_EQ(error, "server tcp://127.0.0.1:0" + noEndpoint);
  EXPECT_FALSE(TEventReceiver("tcp://127.0.0.1:*").Start(&error));
  EXPECT_EQ(error, "server tcp://127.0.0.1:*" + noEndpoint);
  EXPECT_FALSE(TEventReceiver("inproc://x", {}, {42}).Start(&error));
  EXPECT_EQ(error, "a receiver of chosen users must name the event types too");
}

// A publisher busy with events still welcomes a new receiver at once: with
// the clock standing still no periodic beat falls due, so only the welcome
// can tell the receiver that its subscription took. Unwanted types are
// filtered by the publisher; the bytes arrive exactly, in order, from each
// publishing thread; Stop ends Run from another thread.
TEST(EventDeliveryTest, DeliversOnlyWantedTypesWithTheirBytes) {
  PlatformReset reset;
  TestClock clock;
  for (const std::string& name : EveryTransport("events-deliver")) {
    TEventPublisher publisher(name);
    TEventReceiver receiver(name, {kWanted});
    ASSERT_TRUE(publisher.Start()) << name;
    std::atomic<bool> churning{true};
    std::thread churn([&] {
      while (churning) {
        publisher.Publish(kUnwanted, "c", 1);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
    bool subscribed = false;
    EXPECT_TRUE(clock.FinishesWhileStill([&] { subscribed = receiver.Start() && receiver.WaitUntilSubscribed(1000); }))
        << name;
    churning = false;
    churn.join();
    ASSERT_TRUE(subscribed) << name;
    const auto publish = [&](char thread) {
      for (char i = 0; i < 50; ++i) {
        const char bytes[3] = {thread, '\0', i};
        publisher.Publish(kUnwanted, "no", 2);
        publisher.Publish(kWanted, bytes, sizeof bytes);
      }
    };
    std::thread other(publish, 1);
    publish(0);
    other.join();
    char next[2] = {0, 0};
    std::uint64_t received = 0;
    std::uint64_t position = 0;
    TEventNotice notice;
    while (received < 100 && AwaitNotice(receiver, notice)) {
      ASSERT_TRUE(notice.kind == Kind::Event && notice.eventType == kWanted && notice.data.size() == 3) << name;
      EXPECT_EQ(notice.data, std::string({notice.data[0], '\0', next[notice.data[0] & 1]++})) << name;
      EXPECT_GT(notice.position, position) << name;
      EXPECT_EQ(notice.incarnation, publisher.Incarnation()) << name;
      position = notice.position;
      ++received;
    }
    EXPECT_EQ(received, 100u) << name;
    std::thread runner([&] { receiver.Run([](const TEventNotice&) { return true; }); });
    receiver.Stop();
    runner.join();
  }
}

// Every event arrives once and in order, read as it comes or a batch at a
// time: those dropped at the high-water marks are asked for again, the last ones told by the heartbeat alone,
// which goes out each time the clock passes its interval. The clock stands
// still while a question for missed events is in flight, so that none
// times out while its answer is on the way.
TEST(EventDeliveryTest, EveryEventArrivesOnceThoughMarksDropThem) {
  PlatformReset reset;
  TestClock clock;
  int run = 0;
  for (const std::string& name : EveryTransport("events-loss")) {
    TEventPublisher publisher(name);
    TRPCServer server(name, [](TRPC&) {});
    server.ServeReplays(&publisher);
    TEventReceiver receiver(name, {kProbe, kWanted});
    publisher.SetSendHighWaterMark(5);
    receiver.SetReceiveHighWaterMark(5);
    // Every other receiver reads a batch at a time.
    receiver.SetGatheringMs(run++ % 2 == 0 ? 0 : 2);
    ASSERT_TRUE(server.Start() && publisher.Start() && receiver.Start() && Subscribed(publisher, receiver, kProbe))
        << name;
    TFramework::SetMaxMessageSize(1024);
    EXPECT_FALSE(publisher.Publish(kWanted, std::string(1025, 'b').data(), 1025)) << "above the bound";
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    constexpr std::uint64_t kEvents = 2000;
    for (std::uint64_t i = 1; i <= kEvents; ++i) {
      const std::string bytes = std::to_string(i) + std::string(1000, 'x');
      publisher.Publish(kWanted, bytes.data(), bytes.size());
    }
    std::uint64_t next = 1;
    TEventNotice notice;
    for (int idle = 0; next <= kEvents && idle < 5000;) {
      if (!receiver.Next(notice, 0)) {
        ++idle;
        if (!receiver.Asking()) clock.Advance(std::chrono::milliseconds(TEventPublisher::kDefaultHeartbeatMs));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      ASSERT_TRUE(notice.kind == Kind::Event && notice.eventType == kWanted) << Describe(notice);
      ASSERT_EQ(notice.data, std::to_string(next++) + std::string(1000, 'x')) << name;
    }
    EXPECT_EQ(next, kEvents + 1) << name;
    EXPECT_GT(receiver.Replayed(), 0u) << name;
  }
}

struct Step {
  enum What { Event, Lost, Heartbeat, Restart } what;
  int type;
  std::string body;
  std::int64_t user = kNoUser;
};

// A publisher under the test's control, and its answers to replays: each
// case's frames, then a marker event, all published before the receiver
// reads: a replay therefore brings everything after the gap, the marker too.
TEST(EventDeliveryTest, LostEventsComeAgainUnlessTheServerNoLongerHasThem) {
  using Replays = ScriptedPublisher::Replays;
  const std::string tooLarge(120, 'L');
  const struct {
    const char* name;
    std::vector<std::int64_t> users;
    Replays replays;
    std::vector<Step> steps;
    std::vector<std::string> told;
  } cases[] = {
      {"an event above the bound is told as such",
       {},
       Replays::FromLog,
       {{Step::Event, kWanted, "a"}, {Step::Event, kWanted, tooLarge}, {Step::Event, kWanted, "c"}},
       {"Event 35001 a", "TooLarge 35001", "Event 35001 c", "Event 35003 end"}},
      {"a gap is filled before the event that showed it",
       {},
       Replays::FromLog,
       {{Step::Event, kWanted, "a"}, {Step::Lost, kWanted, "b"}, {Step::Lost, kUnwanted, "u"},
        {Step::Event, kWanted, "c"}},
       {"Event 35001 a", "Replayed 35001 b", "Replayed 35001 c", "Replayed 35003 end"}},
      {"the heartbeat tells the last ones lost",
       {},
       Replays::FromLog,
       {{Step::Event, kWanted, "a"}, {Step::Lost, kWanted, "b"}, {Step::Heartbeat, 0, ""}},
       {"Event 35001 a", "Replayed 35001 b", "Replayed 35003 end"}},
      {"types not asked for are not missed",
       {},
       Replays::Gone,
       {{Step::Event, kWanted, "a"}, {Step::Lost, kUnwanted, "u"}, {Step::Heartbeat, 0, ""}},
       {"Event 35001 a", "Event 35003 end"}},
      {"a user's lost event, not another's",
       {42},
       Replays::FromLog,
       {{Step::Event, kWanted, "a", 42}, {Step::Lost, kWanted, "x", 43}, {Step::Lost, kWanted, "b", 42},
        {Step::Event, kWanted, "c", 42}},
       {"Event 35001 a", "Replayed 35001 b", "Replayed 35001 c", "Replayed 35003 end"}},
      {"events no longer held ask for a query",
       {},
       Replays::Gone,
       {{Step::Event, kWanted, "a"}, {Step::Lost, kWanted, "b"}, {Step::Event, kWanted, "c"}},
       {"Event 35001 a", "Resync", "Event 35001 c", "Event 35003 end"}},
      {"a server that serves no replays asks for a query",
       {},
       Replays::Unanswerable,
       {{Step::Event, kWanted, "a"}, {Step::Lost, kWanted, "b"}, {Step::Event, kWanted, "c"}},
       {"Event 35001 a", "Resync", "Event 35001 c", "Event 35003 end"}},
      {"after a restart, everything of the new publisher counts",
       {},
       Replays::FromLog,
       {{Step::Event, kWanted, "a"}, {Step::Restart, 0, ""}, {Step::Lost, kWanted, "b"}, {Step::Event, kWanted, "c"}},
       {"Event 35001 a", "Restarted", "Replayed 35001 b", "Replayed 35001 c", "Replayed 35003 end"}},
  };
  for (const auto& c : cases) {
    PlatformReset reset;
    const std::string name = UniqueIpc("events-replay");
    ScriptedPublisher publisher(name);
    publisher.AnswerReplays(c.replays);
    const std::int64_t about = c.users.empty() ? kNoUser : c.users.front();
    TEventReceiver receiver(name, {kProbe, kWanted, kMarker}, c.users);
    TFramework::SetMaxMessageSize(100);
    ASSERT_TRUE(receiver.Start()) << c.name;
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    ASSERT_TRUE(publisher.Probe(receiver, kProbe, about)) << c.name;
    for (const Step& step : c.steps) {
      if (step.what == Step::Event) publisher.Event(step.type, step.body, step.user);
      if (step.what == Step::Lost) publisher.Lost(step.type, step.body, step.user);
      if (step.what == Step::Heartbeat) publisher.Heartbeat();
      if (step.what == Step::Restart) publisher.Restart();
    }
    publisher.Event(kMarker, "end", about);
    EXPECT_EQ(Describe(NoticesThrough(receiver, kMarker)), c.told) << c.name;
  }
}

// A server that cannot be asked is asked again while the clock gives it
// time; after that the events it did not send count as gone.
TEST(EventDeliveryTest, AServerThatCannotBeAskedGivesUpAfterThreeSeconds) {
  PlatformReset reset;
  TestClock clock;
  const std::string name = UniqueIpc("events-unasked");
  ScriptedPublisher publisher(name, false);
  TEventReceiver receiver(name, {kProbe, kWanted});
  ASSERT_TRUE(receiver.Start() && publisher.Probe(receiver, kProbe));
  publisher.Event(kWanted, "a");
  publisher.Lost(kWanted, "b");
  publisher.Event(kWanted, "c");
  std::vector<std::string> told;
  TEventNotice notice;
  ASSERT_TRUE(clock.AdvanceUntil(std::chrono::milliseconds(20), [&] {
    while (receiver.Next(notice, 0)) told.push_back(Describe(notice));
    return told.size() >= 3;
  }));
  EXPECT_EQ(told, (std::vector<std::string>{"Event 35001 a", "Resync", "Event 35001 c"}));
  // Asked 500 ms after each failure for 3 s; the clock moves on while a
  // failure is on its way, so a slow machine asks less often, never once.
  EXPECT_GE(receiver.ReplayCalls(), 4u);
}

#ifndef _WIN32  // Windows has no descriptor that gathers others
// An owner's loop that waits on the descriptor alone sleeps while nothing is
// due and nothing arrives, and still wakes for each question for missed
// events that falls due, through to the give-up.
TEST(EventDeliveryTest, TheDescriptorWakesWhenSomethingIsDueAndOnlyThen) {
  PlatformReset reset;
  const std::string name = UniqueIpc("events-descriptor");
  ScriptedPublisher publisher(name, false);
  TEventReceiver receiver(name, {kProbe, kWanted});
  ASSERT_TRUE(receiver.Start() && publisher.Probe(receiver, kProbe));
  const int descriptor = receiver.Descriptor();
  ASSERT_GE(descriptor, 0);
  TEventNotice notice;
  while (receiver.Next(notice, 0)) {
  }
  pollfd idle{descriptor, POLLIN, 0};
  EXPECT_EQ(poll(&idle, 1, 300), 0) << "readable with nothing due: a periodic wake-up";
  publisher.Event(kWanted, "a");
  publisher.Lost(kWanted, "b");
  publisher.Event(kWanted, "c");
  std::vector<std::string> told;
  for (int round = 0; round < 1000 && told.size() < 3; ++round) {
    pollfd wanted{descriptor, POLLIN, 0};
    ASSERT_EQ(poll(&wanted, 1, 10000), 1) << "never woke for what was due; told " << told.size();
    while (receiver.Next(notice, 0)) told.push_back(Describe(notice));
  }
  EXPECT_EQ(told, (std::vector<std::string>{"Event 35001 a", "Resync", "Event 35001 c"}));
  EXPECT_GE(receiver.ReplayCalls(), 2u);
}
#endif

// A question for missed events is awaited beside the connection: a server
// slow to answer holds up neither Next, on a clock that stands still, nor
// Stop; its answer, once it comes, hands the missed events over first.
TEST(EventDeliveryTest, AQuestionForMissedEventsHoldsUpNeitherNextNorStop) {
  PlatformReset reset;
  TestClock clock;
  const std::string name = UniqueIpc("events-held");
  ScriptedPublisher publisher(name);
  TEventReceiver receiver(name, {kProbe, kWanted});
  ASSERT_TRUE(receiver.Start() && publisher.Probe(receiver, kProbe));
  publisher.AnswerReplays(ScriptedPublisher::Replays::Held);
  publisher.Event(kWanted, "a");
  publisher.Lost(kWanted, "b");
  publisher.Event(kWanted, "c");
  std::vector<std::string> told;
  TEventNotice notice;
  EXPECT_TRUE(clock.FinishesWhileStill([&] {
    for (int round = 0; round < 10000 && !receiver.Asking(); ++round) {
      if (receiver.Next(notice, 0)) told.push_back(Describe(notice));
    }
    EXPECT_FALSE(receiver.Next(notice, 0));
  }));
  EXPECT_EQ(std::make_pair(told, receiver.Asking()), std::make_pair(std::vector<std::string>{"Event 35001 a"}, true));
  publisher.AnswerReplays(ScriptedPublisher::Replays::FromLog);
  EXPECT_TRUE(clock.FinishesWhileStill([&] {
    while (told.size() < 3 && receiver.Next(notice, -1)) told.push_back(Describe(notice));
    receiver.Stop();
    EXPECT_FALSE(receiver.Next(notice, -1));
  }));
  EXPECT_EQ(told, (std::vector<std::string>{"Event 35001 a", "Replayed 35001 b", "Replayed 35001 c"}));
}

// Messages from a publisher that does not speak the frame are dropped and
// counted; they take no place in the stream.
TEST(EventDeliveryTest, MalformedMessagesAreDroppedAndCounted) {
  const std::string name = UniqueIpc("events-malformed");
  ScriptedPublisher raw(name);
  TEventReceiver receiver(name, {kWanted});
  ASSERT_TRUE(receiver.Start() && raw.Probe(receiver, kWanted));
  const std::uint64_t next = raw.Position() + 1;
  const std::string good = EventHeader(kWanted, kNoUser, 7, next, next - 1, 0);
  const std::vector<std::vector<std::string>> malformed = {
      {good}, {good, "body", "extra"}, {good.substr(0, 51), "body"}, {good + "x", "body"},
      {EventHeader(kWanted, kNoUser, 7, next, next - 1, 0, 0x5056455A, 2), "body"},
      {EventHeader(kWanted, kNoUser, 7, 0, next - 1, 0), "body"},
      {EventHeader(kWanted, kNoUser, 0, next, next - 1, 0), "body"},
      {EventHeader(0, kNoUser, 7, next, 0, 0), std::string(13, '\0')},
  };
  for (const auto& parts : malformed) raw.Send(parts);
  raw.Event(kWanted, "last");
  EXPECT_EQ(Describe(NoticesThrough(receiver, kWanted)), std::vector<std::string>{"Event 35001 last"});
  EXPECT_EQ(receiver.MalformedDropped(), malformed.size());
}

// A server that publishes, answers replays and, for its other calls, tells
// the position of the last event it published.
struct Server {
  explicit Server(const std::string& name, TEventReplayLimits limits = {})
      : publisher(name), rpc(name, [this](TRPC& call) { call.SetStatePosition(publisher.Position()); }) {
    publisher.SetReplayLimits(limits);
    publisher.SetHeartbeatInterval(0);
    rpc.ServeReplays(&publisher);
    started = rpc.Start() && publisher.Start();
  }
  // Events about users 41, 42 and 43 in turn, of types 1 and 2 in turn.
  void PublishSome(int count) {
    for (int i = 0; i < count; ++i) {
      const std::uint64_t position = publisher.Position().position + 1;
      const std::string bytes = "event " + std::to_string(position);
      publisher.Publish(static_cast<int>(1 + (position - 1) % 2), static_cast<std::int64_t>(41 + (position - 1) % 3),
                        bytes.data(), bytes.size());
    }
  }

  TEventPublisher publisher;
  TRPCServer rpc;
  bool started = false;
};

// What the receiver hands over: "position:user" for events, with "r" when
// replayed, and the kind's number for notices.
std::string Take(TEventReceiver& receiver, const std::string& expected) {
  const auto count = static_cast<std::size_t>(std::count(expected.begin(), expected.end(), ' '));
  std::string seen;
  TEventNotice notice;
  for (std::size_t i = 0; i < count && receiver.Next(notice, 5000); ++i) {
    if (notice.kind != Kind::Event) {
      seen += "notice" + std::to_string(static_cast<int>(notice.kind)) + " ";
      continue;
    }
    seen += std::to_string(notice.position) + ":" + std::to_string(notice.userKey) + (notice.replayed ? "r " : " ");
    EXPECT_EQ(notice.data, "event " + std::to_string(notice.position));
  }
  return seen;
}

// Events published before the receiver subscribed come again from the
// position the application gave, filtered as it asked; then the live ones,
// each once, in order. Only when the server no longer holds the events, or
// is not the publisher the position came from, is the application told to
// query again.
TEST(EventReplayTest, AResumedReceiverGetsWhatItMissedThenWhatFollows) {
  DiagCapture quiet("NONE");
  const TEventReplayLimits holdsThree{3, std::size_t{1} << 20, std::chrono::minutes(5)};
  struct Case {
    const char* name;
    std::vector<int> types;
    std::vector<std::int64_t> users;
    TEventReplayLimits limits;
    std::uint64_t otherIncarnation;
    std::string replayed;
    std::string live;
  };
  const Case cases[] = {
      {"every event", {}, {}, {}, 0, "5:42r 6:43r 7:41r 8:42r ", "9:43 10:41 11:42 "},
      {"one type", {2}, {}, {}, 0, "6:43r 8:42r ", "10:41 "},
      {"one user", {1, 2}, {42}, {}, 0, "5:42r 8:42r ", "11:42 "},
      {"position gone", {}, {}, holdsThree, 0, "notice3 ", ""},
      {"another incarnation", {}, {}, {}, 1, "notice2 ", ""},
  };
  for (const Case& c : cases) {
    Server server(UniqueInproc("replay-resume"), c.limits);
    ASSERT_TRUE(server.started) << c.name;
    server.PublishSome(8);
    TEventReceiver receiver(server.rpc.Endpoint(), c.types, c.users);
    ASSERT_TRUE(receiver.Start() && receiver.WaitUntilSubscribed(5000)) << c.name;
    receiver.ResumeAfter({server.publisher.Incarnation() + c.otherIncarnation, 4});
    EXPECT_EQ(Take(receiver, c.replayed), c.replayed) << c.name;
    server.PublishSome(3);
    EXPECT_EQ(Take(receiver, c.live), c.live) << c.name;
  }
}

// A receiver of the earlier version subscribes to a type's 4 bytes and gets
// its own frames, numbered per type, while it is there.
TEST(EventReplayTest, ReceiversOfTheEarlierVersionGetTheirOwnFrames) {
  zmq::context_t context;
  TEventPublisher publisher(TcpWithFreeEventsPort());
  ASSERT_TRUE(publisher.Start());
  zmq::socket_t sub(context, zmq::socket_type::sub);
  sub.set(zmq::sockopt::linger, 0);
  sub.set(zmq::sockopt::rcvtimeo, 20);
  sub.set(zmq::sockopt::subscribe, zelplatform::LegacyTypePrefix(35001));
  sub.connect(publisher.Endpoint());
  zmq::message_t header;
  zmq::message_t body;
  for (int attempt = 0; attempt < 250 && !sub.recv(header); ++attempt) publisher.Publish(35001, 42, "first", 5);
  ASSERT_TRUE(header.size() > 0 && sub.recv(body));
  const auto legacy = zelplatform::EncodeLegacyHeader(35001, publisher.Incarnation(), 1);
  EXPECT_EQ(header.to_string(), std::string(legacy.data(), legacy.size()));
  EXPECT_EQ(body.to_string(), "first");
}

}  // namespace
