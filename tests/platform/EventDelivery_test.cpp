#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Endpoints.h"
#include "Events.h"
#include "PlatformReset.h"
#include "TestClock.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"

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
}

// Unwanted types are filtered by the publisher; the bytes arrive exactly,
// in order, from each publishing thread; Stop ends Run from another thread.
TEST(EventDeliveryTest, DeliversOnlyWantedTypesWithTheirBytes) {
  for (const std::string& name : EveryTransport("events-deliver")) {
    TEventPublisher publisher(name);
    TEventReceiver receiver(name, {kProbe, kWanted});
    ASSERT_TRUE(publisher.Start() && receiver.Start() && Subscribed(publisher, receiver, kProbe)) << name;
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
    std::uint64_t sequence = 0;
    TEventNotice notice;
    while (sequence < 100 && AwaitNotice(receiver, notice)) {
      ASSERT_TRUE(notice.kind == Kind::Event && notice.eventType == kWanted && notice.data.size() == 3) << name;
      EXPECT_EQ(notice.data, std::string({notice.data[0], '\0', next[notice.data[0] & 1]++})) << name;
      EXPECT_EQ(notice.sequence, ++sequence) << name;
      EXPECT_EQ(notice.incarnation, publisher.Incarnation()) << name;
    }
    EXPECT_EQ(sequence, 100u) << name;
    std::thread runner([&] { receiver.Run([](const TEventNotice&) { return true; }); });
    receiver.Stop();
    runner.join();
  }
}

// Every event is delivered or told lost: dropped at the high-water marks,
// the last losses told by the heartbeat alone, which goes out each time the
// clock passes its interval.
TEST(EventDeliveryTest, EveryEventIsDeliveredOrToldLost) {
  PlatformReset reset;
  TestClock clock;
  for (const std::string& name : EveryTransport("events-loss")) {
    TEventPublisher publisher(name);
    TEventReceiver receiver(name, {kProbe, kWanted});
    publisher.SetSendHighWaterMark(5);
    receiver.SetReceiveHighWaterMark(5);
    ASSERT_TRUE(publisher.Start() && receiver.Start() && Subscribed(publisher, receiver, kProbe)) << name;
    TFramework::SetMaxMessageSize(1024);
    EXPECT_FALSE(publisher.Publish(kWanted, std::string(1025, 'b').data(), 1025)) << "above the bound";
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    // From the first event of its type on, every event counts.
    TEventNotice notice;
    ASSERT_TRUE(publisher.Publish(kWanted, "first", 5) && AwaitNotice(receiver, notice)) << name;
    ASSERT_EQ(Describe(notice), "Event 35001#1 first");
    constexpr std::uint64_t kEvents = 2000;
    const std::string bytes(1000, 'x');
    for (std::uint64_t i = 0; i < kEvents; ++i) publisher.Publish(kWanted, bytes.data(), bytes.size());
    std::uint64_t told = 0;
    std::uint64_t lost = 0;
    for (int idle = 0; told < kEvents && idle < 5000;) {
      if (!receiver.Next(notice, 0)) {
        ++idle;
        clock.Advance(std::chrono::milliseconds(TEventPublisher::kDefaultHeartbeatMs));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      ASSERT_EQ(notice.eventType, kWanted) << Describe(notice);
      EXPECT_EQ(notice.data.size(), notice.kind == Kind::Event ? bytes.size() : 0u) << name;
      lost += notice.kind == Kind::Lost ? notice.count : 0;
      told += notice.kind == Kind::Lost ? notice.count : 1;
    }
    EXPECT_EQ(told, kEvents) << name;
    EXPECT_GT(lost, 0u) << name;
  }
}

struct Send {
  enum What { Event, Heartbeat, Restart } what;
  int type;
  std::uint64_t sequence;
  std::string body;
  std::vector<std::pair<int, std::uint64_t>> last;
};

// A publisher under the test's control: each case's frames, then a marker
// event; every notice before the marker is all there will be.
TEST(EventDeliveryTest, LossesAreCountedPerWantedTypeAndIncarnation) {
  const std::string tooLarge(120, 'L');
  const struct {
    const char* name;
    std::vector<Send> sends;
    std::vector<std::string> told;
  } cases[] = {
      {"an event above the bound is told as such, not as lost",
       {{Send::Event, kWanted, 1, "a", {}},
        {Send::Event, kWanted, 2, tooLarge, {}},
        {Send::Event, kWanted, 3, "c", {}},
        {Send::Heartbeat, 0, 1, "", {{kWanted, 3}}}},
       {"Event 35001#1 a", "TooLarge 35001#2", "Event 35001#3 c"}},
      {"a gap and the heartbeat's tail are lost",
       {{Send::Event, kWanted, 4, "d", {}},
        {Send::Event, kWanted, 6, "f", {}},
        {Send::Heartbeat, 0, 1, "", {{kWanted, 9}}}},
       {"Event 35001#4 d", "Lost 35001 x1", "Event 35001#6 f", "Lost 35001 x3"}},
      {"types not asked for are not counted",
       {{Send::Event, kWanted, 1, "a", {}},
        {Send::Heartbeat, 0, 1, "", {{kUnwanted, 9}, {kWanted, 1}}},
        {Send::Heartbeat, 0, 2, "", {{kUnwanted, 12}, {kWanted, 3}}}},
       {"Event 35001#1 a", "Lost 35001 x2"}},
      {"after a heartbeat, a type's first event counts from one",
       {{Send::Heartbeat, 0, 1, "", {}}, {Send::Event, kWanted, 3, "c", {}}},
       {"Lost 35001 x2", "Event 35001#3 c"}},
      {"after a restart, everything of the new publisher counts",
       {{Send::Event, kWanted, 7, "g", {}},
        {Send::Restart, 0, 0, "", {}},
        {Send::Event, kWanted, 2, "b", {}},
        {Send::Heartbeat, 0, 1, "", {{kWanted, 3}}}},
       {"Event 35001#7 g", "Restarted", "Lost 35001 x1", "Event 35001#2 b", "Lost 35001 x1"}},
  };
  for (const auto& c : cases) {
    PlatformReset reset;
    const std::string name = UniqueIpc("events-accounting");
    RawPublisher publisher(name);
    TEventReceiver receiver(name, {kProbe, kWanted, kMarker});
    TFramework::SetMaxMessageSize(100);
    ASSERT_TRUE(receiver.Start()) << c.name;
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    std::uint64_t incarnation = 1;
    ASSERT_NE(publisher.Probe(receiver, kProbe, incarnation), 0u) << c.name;
    for (const Send& send : c.sends) {
      if (send.what == Send::Restart) ++incarnation;
      if (send.what == Send::Event) publisher.Event(send.type, incarnation, send.sequence, send.body);
      if (send.what == Send::Heartbeat) publisher.Heartbeat(incarnation, send.sequence, send.last);
    }
    publisher.Event(kMarker, incarnation, 1, "end");
    std::vector<std::string> told = Describe(NoticesThrough(receiver, kMarker));
    ASSERT_FALSE(told.empty()) << c.name;
    EXPECT_EQ(told.back(), "Event 35003#1 end") << c.name;
    told.pop_back();
    EXPECT_EQ(told, c.told) << c.name;
  }
}

// Messages from a publisher that does not speak the frame are dropped and
// counted; they take no place in the sequence.
TEST(EventDeliveryTest, MalformedMessagesAreDroppedAndCounted) {
  const std::string name = UniqueIpc("events-malformed");
  RawPublisher raw(name);
  TEventReceiver receiver(name, {kWanted});
  ASSERT_TRUE(receiver.Start());
  const std::uint64_t sequence = raw.Probe(receiver, kWanted, 7);
  ASSERT_NE(sequence, 0u);
  const std::vector<std::vector<std::string>> malformed = {
      {EventHeader(kWanted, 7, sequence)},
      {EventHeader(kWanted, 7, sequence), "body", "extra"},
      {EventHeader(kWanted, 7, sequence).substr(0, 27), "body"},
      {EventHeader(kWanted, 7, sequence) + "x", "body"},
      {EventHeader(kWanted, 7, sequence, 0x4C41435A), "body"},
      {EventHeader(kWanted, 7, sequence, 0x5456455A, 2), "body"},
      {EventHeader(kWanted, 7, 0), "body"},
      {EventHeader(kWanted, 0, sequence), "body"},
      {EventHeader(0, 7, 1), std::string(13, '\0')},
  };
  for (const auto& parts : malformed) raw.Send(parts);
  raw.Event(kWanted, 7, sequence, "last");
  EXPECT_EQ(Describe(NoticesThrough(receiver, kWanted)),
            std::vector<std::string>{"Event 35001#" + std::to_string(sequence) + " last"});
  EXPECT_EQ(receiver.MalformedDropped(), malformed.size());
}

}  // namespace
