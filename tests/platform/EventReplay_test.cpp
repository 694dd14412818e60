#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "DiagCapture.h"
#include "Endpoints.h"
#include "EventFrame.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Kind = TEventNotice::Kind;

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
// each once, in order.
TEST(EventReplayTest, AResumedReceiverGetsWhatItMissedThenWhatFollows) {
  DiagCapture quiet("NONE");
  struct Case {
    const char* name;
    std::vector<int> types;
    std::vector<std::int64_t> users;
    std::string replayed;
    std::string live;
  };
  const Case cases[] = {
      {"every event", {}, {}, "5:42r 6:43r 7:41r 8:42r ", "9:43 10:41 11:42 "},
      {"one type", {2}, {}, "6:43r 8:42r ", "10:41 "},
      {"one user", {1, 2}, {42}, "5:42r 8:42r ", "11:42 "},
  };
  for (const Case& c : cases) {
    Server server(UniqueInproc("replay-resume"));
    ASSERT_TRUE(server.started) << c.name;
    server.PublishSome(8);
    TEventReceiver receiver(server.rpc.Endpoint(), c.types, c.users);
    ASSERT_TRUE(receiver.Start() && receiver.WaitUntilSubscribed(5000)) << c.name;
    receiver.ResumeAfter({server.publisher.Incarnation(), 4});
    EXPECT_EQ(Take(receiver, c.replayed), c.replayed) << c.name;
    server.PublishSome(3);
    EXPECT_EQ(Take(receiver, c.live), c.live) << c.name;
  }
}

// Only when the server no longer holds the events, or is not the publisher
// the position came from, is the application told to query again.
TEST(EventReplayTest, APositionGoneOrOfAnotherIncarnationAsksForAQuery) {
  DiagCapture quiet("NONE");
  Server server(UniqueInproc("replay-gone"), {3, std::size_t{1} << 20, std::chrono::minutes(5)});
  ASSERT_TRUE(server.started);
  server.PublishSome(10);
  const auto resumed = [&](std::uint64_t incarnation) {
    TEventReceiver receiver(server.rpc.Endpoint());
    if (!receiver.Start() || !receiver.WaitUntilSubscribed(5000)) return std::string("not subscribed");
    receiver.ResumeAfter({incarnation, 2});
    return Take(receiver, "x ");
  };
  EXPECT_EQ(resumed(server.publisher.Incarnation()), "notice3 ");
  EXPECT_EQ(resumed(server.publisher.Incarnation() + 1), "notice2 ");
}

// The position a reply reflects travels to callers that read it.
TEST(EventReplayTest, RepliesTellThePositionTheyReflect) {
  Server server(UniqueInproc("replay-reply"));
  ASSERT_TRUE(server.started);
  server.PublishSome(3);
  TFramework client("replay-test", "local", 5);
  TRPC rpc;
  rpc.SetRPCType(77);
  TThreadQueue queue;
  ASSERT_TRUE(client.SendRPC(rpc, server.rpc.Endpoint().c_str(), queue, 5000, 0));
  EXPECT_EQ(rpc.GetStatePosition(), (TEventPosition{server.publisher.Incarnation(), 3}));
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
