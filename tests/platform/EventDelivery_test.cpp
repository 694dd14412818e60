#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "Bytes.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Kind = TEventNotice::Kind;
constexpr int kProbe = 35000;
constexpr int kWanted = 35001;
constexpr int kUnwanted = 35002;

// Events go to the tcp port above the server's, here one that was free;
// ipc paths are the process's own, since suites may run side by side.
std::vector<std::string> ServerNames(const std::string& test) {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::pub);
  probe.bind("tcp://127.0.0.1:0");
  const std::string free = probe.get(zmq::sockopt::last_endpoint);
  return {"events-" + test, "tcp://127.0.0.1:" + std::to_string(std::stoi(free.substr(free.rfind(':') + 1)) - 1),
          "ipc:///tmp/zelclnt-" + test + "-" + std::to_string(getpid())};
}

// The notices up to the first event of those bytes, or for 5 s; the event
// goes out again whenever the receiver is idle (until the subscription takes).
std::vector<TEventNotice> Until(TEventPublisher& publisher, TEventReceiver& receiver, int type,
                                const std::string& bytes) {
  std::vector<TEventNotice> seen;
  TEventNotice notice;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline && (seen.empty() || seen.back().data != bytes)) {
    if (receiver.Next(notice, 20))
      seen.push_back(notice);
    else
      publisher.Publish(type, bytes.data(), bytes.size());
  }
  return seen;
}

bool Subscribed(TEventPublisher& publisher, TEventReceiver& receiver) {
  const std::vector<TEventNotice> seen = Until(publisher, receiver, kProbe, "probe");
  return !seen.empty() && seen.back().data == "probe";
}

bool Has(const std::vector<TEventNotice>& seen, Kind kind) {
  return std::any_of(seen.begin(), seen.end(), [kind](const TEventNotice& notice) { return notice.kind == kind; });
}

TEST(EventDeliveryTest, EndpointRule) {
  const std::pair<std::string, std::string> names[] = {
      {"sim", "inproc://sim.events"},      {"inproc://a", "inproc://a.events"},
      {"ipc:///tmp/p", "ipc:///tmp/p.events"}, {"tcp://127.0.0.1:7300", "tcp://127.0.0.1:7301"},
      {"tcp://[::1]:65534", "tcp://[::1]:65535"}, {"tcp://h:0", ""}, {"tcp://h:*", ""}, {"tcp://h:65535", ""},
      {"tcp://h", ""}, {"tcp://h:99999", ""}, {"", ""}};
  for (const auto& [name, events] : names) EXPECT_EQ(zelplatform::EventEndpointOf(name), events) << name;
  std::string error;
  EXPECT_FALSE(TEventPublisher("tcp://127.0.0.1:0").Start(&error));
  EXPECT_NE(error.find("no events endpoint"), std::string::npos);
  EXPECT_FALSE(TEventReceiver("tcp://127.0.0.1:*").Start(&error));
  EXPECT_NE(error.find("no events endpoint"), std::string::npos);
}

// Unwanted types are filtered by the publisher; the bytes arrive exactly,
// in order, from each publishing thread; Stop ends Run from another thread.
TEST(EventDeliveryTest, DeliversOnlyWantedTypesWithTheirBytes) {
  for (const std::string& name : ServerNames("deliver")) {
    TEventPublisher publisher(name);
    TEventReceiver receiver(name, {kProbe, kWanted});
    ASSERT_TRUE(publisher.Start() && receiver.Start() && Subscribed(publisher, receiver)) << name;
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
    while (received < 100 && receiver.Next(notice, 2000)) {
      if (notice.eventType == kProbe) continue;
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

// Every event is delivered, those dropped at the high-water marks (the last
// ones told by the heartbeat alone) sent again, or told refused as above
// the receiver's size bound, which is the one in force at its Start.
TEST(EventDeliveryTest, EveryEventIsDeliveredOrToldTooLarge) {
  for (const std::string& name : ServerNames("loss")) {
    TEventPublisher publisher(name);
    TRPCServer server(name, [](TRPC&) {});
    server.ServeReplays(&publisher);
    ASSERT_TRUE(server.Start()) << name;
    TEventReceiver receiver(name, {kProbe, kWanted});
    publisher.SetSendHighWaterMark(5);
    publisher.SetHeartbeatInterval(20);
    receiver.SetReceiveHighWaterMark(5);
    const std::string big(4096, 'b');
    TFramework::SetMaxMessageSize(1024);
    const bool started = publisher.Start() && receiver.Start();
    const bool refused = !publisher.Publish(kWanted, big.data(), big.size());
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    ASSERT_TRUE(started && refused && Subscribed(publisher, receiver)) << name;
    TEventNotice notice;
    while (receiver.Next(notice, 100)) {  // a heartbeat: from now on every event counts
    }
    constexpr std::uint64_t kEvents = 2000;
    ASSERT_TRUE(publisher.Publish(kWanted, big.data(), big.size())) << name;
    const std::string bytes(1000, 'x');
    for (std::uint64_t i = 1; i < kEvents; ++i) publisher.Publish(kWanted, bytes.data(), bytes.size());
    std::uint64_t told = 0;
    std::uint64_t tooLarge = 0;
    while (told < kEvents && receiver.Next(notice, 2000)) {
      if (notice.eventType != kWanted) continue;
      ASSERT_TRUE(notice.kind == Kind::Event || notice.kind == Kind::TooLarge) << name;
      EXPECT_EQ(notice.data.size(), notice.kind == Kind::Event ? bytes.size() : 0u) << name;
      tooLarge += notice.kind == Kind::TooLarge ? 1 : 0;
      ++told;
    }
    EXPECT_EQ(told, kEvents) << name;
    EXPECT_EQ(tooLarge, 1u) << name;
    EXPECT_GT(receiver.Replayed(), 0u) << name;
  }
}

TEST(EventDeliveryTest, RestartAndReconnectionAreTold) {
  for (const std::string& name : ServerNames("restart")) {
    TEventPublisher publisher(name);
    TRPCServer server(name, [](TRPC&) {});
    server.ServeReplays(&publisher);
    TEventReceiver receiver(name);
    ASSERT_TRUE(server.Start() && publisher.Start() && receiver.Start() && Subscribed(publisher, receiver)) << name;
    const std::uint64_t first = publisher.Incarnation();
    publisher.Stop();
    ASSERT_TRUE(publisher.Start()) << name;
    std::vector<TEventNotice> seen = Until(publisher, receiver, kWanted, "after");
    ASSERT_TRUE(!seen.empty() && seen.back().data == "after") << name;
    EXPECT_NE(seen.back().incarnation, first) << name;
    // Connection notices wait until the receiver has nothing else to read.
    TEventNotice notice;
    while (!Has(seen, Kind::Reconnected) && receiver.Next(notice, 500)) seen.push_back(notice);
    EXPECT_TRUE(Has(seen, Kind::Restarted) && Has(seen, Kind::Disconnected) && Has(seen, Kind::Reconnected)) << name;
  }
}

// A header as the wire-format document lays it out, of an event about no
// user whose previous one of its type was just before it.
std::string Header(int type, std::uint64_t position, std::uint32_t magic = 0x5056455A, char version = 1) {
  TPack pack;
  pack.AppendFixed32(magic);
  pack.AppendFixed32(static_cast<std::uint32_t>(type));
  pack.AppendFixed64(0x8000000000000000u);
  pack.Append(std::string({version, 0, 0, 0}).data(), 4);
  pack.AppendFixed64(7);
  pack.AppendFixed64(position);
  pack.AppendFixed64(position == 0 ? 0 : position - 1);
  pack.AppendFixed64(0);
  return Written(pack);
}

// Messages from a publisher that does not speak the frame are dropped and
// counted; they take no place in the stream.
TEST(EventDeliveryTest, MalformedMessagesAreDroppedAndCounted) {
  const std::string name = ServerNames("malformed")[1];
  zmq::context_t context;
  zmq::socket_t raw(context, zmq::socket_type::pub);
  raw.set(zmq::sockopt::linger, 0);
  raw.bind(zelplatform::EventEndpointOf(name));
  TEventReceiver receiver(name, {kWanted});
  ASSERT_TRUE(receiver.Start());
  const auto send = [&](const std::vector<std::string>& parts) {
    for (std::size_t i = 0; i < parts.size(); ++i)
      raw.send(zmq::buffer(parts[i]), i + 1 < parts.size() ? zmq::send_flags::sndmore : zmq::send_flags::none);
  };
  TEventNotice notice;
  std::uint64_t sequence = 0;
  do send({Header(kWanted, ++sequence), "probe"});
  while (!receiver.Next(notice, 20));
  const std::vector<std::vector<std::string>> malformed = {
      {Header(kWanted, sequence + 1)},
      {Header(kWanted, sequence + 1), "body", "extra"},
      {Header(kWanted, sequence + 1).substr(0, 51), "body"},
      {Header(kWanted, sequence + 1) + "x", "body"},
      {Header(kWanted, sequence + 1).replace(20, 8, 8, '\0'), "body"},
      {Header(kWanted, sequence + 1, 0x5056455A, 2), "body"},
      {Header(kWanted, 0), "body"},
      {Header(0, 1), std::string(13, '\0')},
  };
  for (const auto& parts : malformed) send(parts);
  send({Header(kWanted, sequence + 1), "last"});
  while (receiver.Next(notice, 2000) && notice.data != "last") EXPECT_EQ(notice.data, "probe");
  EXPECT_EQ(notice.data, "last");
  EXPECT_EQ(notice.position, sequence + 1);
  EXPECT_EQ(receiver.MalformedDropped(), malformed.size());
}

}  // namespace
