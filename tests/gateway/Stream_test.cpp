// Users read from the gateway's mirror, and its event streams, through real
// clients: filters, snapshot and changes, resuming after the last id, the
// reload when that id is gone, a client too slow to keep, and the
// wallboard's files. Real time, with generous bounds.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "DiagCapture.h"
#include "Eventually.h"
#include "RunningGateway.h"
#include "TestClock.h"

namespace {

using http = boost::beast::http::verb;
using zeljson::Json;

HttpResult Act(const RunningGateway& running, int key, const std::string& action, const std::string& body) {
  return httpclient::Fetch(running.port, http::post,
                           "/v1/users/" + std::to_string(key) + "/actions/" + action, body);
}

TEST(GatewayUsersTest, UsersAreReadFromTheMirrorWithFiltersAndNeverCallTheServer) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  const struct { std::string query; unsigned status; std::vector<long> keys; } cases[] = {
      {"", 200, {42, 43, 44, 45, 46, 47, 48, 49}}, {"?team=10", 200, {42, 44}}, {"?site=1", 200, {46, 49}},
      {"?state=work", 200, {44, 47, 49}}, {"?state=2", 200, {44, 47, 49}}, {"?state=UNAVAILABLE", 200, {42, 48}},
      {"?medium=webchat", 200, {45, 49}}, {"?medium=Web%20Chat", 200, {45, 49}}, {"?medium=4", 200, {45, 49}},
      {"?medium=voice&site=2", 200, {42, 45, 47, 48}}, {"?team=12&state=available", 200, {45}}, {"?team=99", 200, {}},
      {"?team=ten", 400, {}}, {"?state=busy", 400, {}}, {"?state=9", 400, {}}, {"?medium=fax", 400, {}},
      {"?medium=0", 400, {}}, {"?colour=red", 400, {}}, {"?team=1&team=2", 400, {}},
  };
  for (const auto& c : cases) {
    const HttpResult result = httpclient::Fetch(running.port, http::get, "/v1/users" + c.query);
    EXPECT_EQ(result.status, c.status) << c.query << " " << result.body.substr(0, 200);
    if (c.status == 200) {
      EXPECT_EQ(KeysOf(BodyOf(result)["users"]), c.keys) << c.query;
    }
    if (c.status == 400) {
      EXPECT_EQ(ErrorCodeOf(result), "bad_request") << c.query;
    }
  }
  // The gateway's own calls, apart from what its mirror asks in the background.
  const HttpResult metrics = httpclient::Fetch(running.port, http::get, "/metrics");
  EXPECT_EQ(metrics.body.find("presence_gateway_calls_total{"), std::string::npos) << metrics.body;

  // Users held from a server that went away are not called current.
  const std::string server = running.simulator->Endpoint();
  running.simulator.reset();
  Json users;
  EXPECT_TRUE(Eventually([&] {
    users = BodyOf(httpclient::Fetch(running.port, http::get, "/v1/users"));
    return users["current"] == false;
  })) << users.dump();
  EXPECT_EQ(std::make_tuple(users["reason"], users["users"].size()),
            std::make_tuple(Json("the connection to " + server + " is down"), std::size_t{8}));
  EXPECT_NE(httpclient::Fetch(running.port, http::get, "/metrics").body.find("presence_gateway_mirror_current 0\n"),
            std::string::npos);
}

// One stream follows routing changes of everyone, one every change of 43;
// a third resumes after the id of a change the first got.
TEST(GatewayStreamTest, AStreamSendsASnapshotThenEachChangeItAsksForAndResumesAfterTheLastId) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  SseClient routing(running.port, "/v1/stream?kinds=routing");
  SseClient only43(running.port, "/v1/stream?users=43");
  SseEvent event;
  ASSERT_TRUE(routing.Next(event));
  EXPECT_EQ(routing.Head().find("Content-Type: text/event-stream"), 17u) << routing.Head();
  EXPECT_EQ(event.event, "snapshot");
  EXPECT_EQ(KeysOf(DataOf(event)["users"]).size(), 8u);
  // Only the parts the stream follows.
  EXPECT_EQ(std::make_tuple(DataOf(event)["users"][0].contains("routingState"),
                            DataOf(event)["users"][0].contains("media")),
            std::make_tuple(true, false));
  const std::string snapshotId = event.id;
  ASSERT_TRUE(only43.Next(event));
  EXPECT_EQ(KeysOf(DataOf(event)["users"]), std::vector<long>{43});
  for (SseClient* stream : {&routing, &only43}) {
    ASSERT_TRUE(stream->Next(event));
    EXPECT_EQ(std::make_tuple(event.event, event.id, DataOf(event)["state"]), std::make_tuple("status", "", "live"));
  }

  ASSERT_EQ(Act(running, 42, "routing-state", R"({"state": "work"})").status, 200u);
  ASSERT_EQ(Act(running, 43, "contact-assist", R"({"on": true})").status, 200u);
  ASSERT_EQ(Act(running, 43, "routing-state", R"({"state": "unavailable", "reason": 4})").status, 200u);

  ASSERT_TRUE(routing.Next(event));
  Json change = DataOf(event);
  EXPECT_EQ(std::make_tuple(event.event, change["kind"], change["userKey"], change["parts"],
                            change["user"]["routingState"]["state"]["name"], change["user"]["teamKey"],
                            change["user"].contains("media")),
            std::make_tuple("change", "changed", 42, Json::array({"routing"}), "Work", 10, false));
  const std::string first = event.id;
  ASSERT_TRUE(routing.Next(event));
  EXPECT_EQ(DataOf(event)["userKey"], 43);
  EXPECT_EQ(DataOf(event)["user"]["routingState"]["reason"], 4);
  const std::string second = event.id;

  ASSERT_TRUE(only43.Next(event));
  EXPECT_EQ(DataOf(event)["parts"], Json::array({"flags"}));
  ASSERT_TRUE(only43.Next(event));
  EXPECT_EQ(event.id, second);

  const struct { std::string from; std::string firstId; } resumed[] = {{snapshotId, first}, {first, second}};
  for (const auto& c : resumed) {
    SseClient again(running.port, "/v1/stream?kinds=routing", {{"Last-Event-ID", c.from}});
    ASSERT_TRUE(again.Next(event)) << c.from;
    EXPECT_EQ(event.event, "change") << c.from;
    EXPECT_EQ(event.id, c.firstId) << c.from;
  }
}

// The contacts kind sums up the handling part: how many contacts, since
// when on one and since when in post-processing, the earliest of each;
// null for none. 42 has a voice call and a web chat (C42-1, C42-3) and an
// email in post-processing (C42-2); a wrap-up ends the email.
TEST(GatewayStreamTest, TheContactsKindSendsASummaryOfTheHandlingPartInItsPlace) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  const Json handling = BodyOf(httpclient::Fetch(running.port, http::get, "/v1/users/42"))["handling"]["contacts"];
  ASSERT_EQ(handling.size(), 3u) << handling.dump();
  const auto connected = [&](int i) { return handling[i]["connectedTime"].get<std::string>(); };
  const std::string onContact = std::min(connected(0), connected(2));
  SseClient contacts(running.port, "/v1/stream?users=42&kinds=routing,contacts");
  SseClient whole(running.port, "/v1/stream?users=42&kinds=handling");
  SseEvent event;
  ASSERT_TRUE(contacts.Next(event));
  const Json user = DataOf(event)["users"][0];
  EXPECT_EQ(user["contacts"], (Json{{"count", 3}, {"contactSince", onContact}, {"postProcessingSince", connected(1)}}));
  EXPECT_EQ(std::make_tuple(user.contains("handling"), user.contains("routingState")), std::make_tuple(false, true));
  ASSERT_TRUE(whole.Next(event));
  EXPECT_EQ(DataOf(event)["users"][0]["handling"]["contacts"], handling);

  const HttpResult done = Act(running, 42, "wrapup", R"({"contactId": "C42-2", "reasons": [1, 2, 3]})");
  ASSERT_EQ(done.status, 200u) << done.body;
  const struct { SseClient* stream; std::string part; std::string at; Json value; std::string absent; } cases[] = {
      {&contacts, "contacts", "/user/contacts",
       Json{{"count", 2}, {"contactSince", onContact}, {"postProcessingSince", nullptr}}, "handling"},
      {&whole, "handling", "/user/handling/contacts", Json::array({handling[0], handling[2]}), "contacts"},
  };
  for (const auto& c : cases) {
    // The wrap-up is taken, then the email leaves.
    Json change;
    do {
      ASSERT_TRUE(c.stream->Next(event)) << c.part << " " << change.dump();
      change = event.event == "change" ? DataOf(event) : Json();
    } while (change.is_null() || !change.contains(Json::json_pointer(c.at)) || change.at(Json::json_pointer(c.at)) != c.value);
    EXPECT_EQ(change["parts"], Json::array({c.part}));
    EXPECT_FALSE(change["user"].contains(c.absent)) << c.part;
  }
  SseClient both(running.port, "/v1/stream?kinds=handling,contacts");
  EXPECT_EQ(both.Status(), 400u);
}

// On the test clock: a server gone silent makes the streams stale once the
// mirror's bound passed, a word from it live again, and its loss
// unreachable.
TEST(GatewayStreamTest, StreamsAreToldWhenTheMirrorTurnsStaleLiveOrUnreachable) {
  DiagCapture quiet;
  TestClock clock;
  zelsim::SimulatorOptions silent;
  silent.eventHeartbeatMs = 0;
  RunningGateway running = StartGateway({}, silent);
  const std::string server = running.simulator->Endpoint();
  SseClient stream(running.port, "/v1/stream?kinds=routing");
  SseEvent event;
  const auto status = [&](const char* state) {
    return clock.AdvanceUntil(std::chrono::milliseconds(100), [&] {
      return stream.Next(event, std::chrono::milliseconds(20)) && event.event == "status" &&
             DataOf(event)["state"] == state;
    });
  };
  ASSERT_TRUE(stream.Next(event) && stream.Next(event));
  EXPECT_EQ(DataOf(event), (Json{{"state", "live"}, {"current", true}, {"heardAgoMs", 0}}));
  // Within the mirror's bound and a slice of the feed's loop.
  ASSERT_TRUE(status("stale"));
  const long ago = DataOf(event)["heardAgoMs"];
  EXPECT_TRUE(ago > 3000 && ago <= 3200) << ago;
  EXPECT_EQ(DataOf(event), (Json{{"state", "stale"},
                                 {"current", false},
                                 {"heardAgoMs", ago},
                                 {"reason", "nothing heard from " + server + " for 3." +
                                                std::to_string(ago / 100 % 10) + " s"}}));
  ASSERT_EQ(Act(running, 43, "routing-state", R"({"state": "work"})").status, 200u);
  ASSERT_TRUE(stream.Next(event));
  EXPECT_EQ(event.event, "change");
  ASSERT_TRUE(status("live"));
  EXPECT_LE(DataOf(event)["heardAgoMs"], 200);
  running.simulator.reset();
  ASSERT_TRUE(status("unreachable"));
  EXPECT_EQ(DataOf(event)["reason"], "the connection to " + server + " is down");
}

TEST(GatewayStreamTest, AStreamWhoseIdIsGoneIsToldToReloadAndClosed) {
  DiagCapture quiet;
  zelgw::GatewayOptions options;
  options.hub.journalEntries = 1;
  RunningGateway running = StartGateway(options);
  SseEvent event;
  SseClient watching(running.port, "/v1/stream");
  ASSERT_TRUE(watching.Next(event));
  const std::string snapshotId = event.id;
  ASSERT_EQ(Act(running, 42, "recovery-mode", R"({"on": true})").status, 200u);
  ASSERT_EQ(Act(running, 42, "recovery-mode", R"({"on": false})").status, 200u);
  // Both changes are in: the journal holds the second alone.
  for (int changes = 0; changes < 2; changes += event.event == "change") ASSERT_TRUE(watching.Next(event));
  // The hub's own test holds each way an id is gone; here the reload and
  // the close reach the client.
  SseClient late(running.port, "/v1/stream", {{"Last-Event-ID", snapshotId}});
  ASSERT_TRUE(late.Next(event));
  EXPECT_EQ(event.event, "reload");
  EXPECT_EQ(DataOf(event)["reason"], "the changes after " + snapshotId + " are gone");
  EXPECT_TRUE(late.ClosedWithin(std::chrono::seconds(20)));
  SseClient malformed(running.port, "/v1/stream", {{"Last-Event-ID", "seven"}});
  EXPECT_EQ(malformed.Status(), 400u);
}

// A client that leaves is let go at once, long before a heartbeat would
// find it gone. The slow client reads nothing while the simulator churns:
// its queue fills, the gateway gives up on it, and once it reads again the
// last event says why.
TEST(GatewayStreamTest, AClientThatLeavesIsLetGoAndOneThatDoesNotKeepUpIsClosedWithAFinalEvent) {
  DiagCapture quiet;
  zelgw::GatewayOptions options;
  options.streams.maxQueuedBytes = 16 * 1024;
  options.hub.heartbeat = std::chrono::hours(1);
  zelsim::SimulatorOptions simulator;
  simulator.agents = 50;
  simulator.churnRate = 1000;
  RunningGateway running = StartGateway(options, simulator);
  auto metric = [&](const std::string& line) {
    return httpclient::Fetch(running.port, http::get, "/metrics").body.find("\n" + line + "\n") != std::string::npos;
  };
  {
    // A snapshot many times the bound arrives whole to a client that reads:
    // only the changes behind it are held to the bound.
    SseClient reading(running.port, "/v1/stream");
    SseEvent snapshot;
    ASSERT_TRUE(reading.Next(snapshot));
    EXPECT_EQ(std::make_tuple(snapshot.event, DataOf(snapshot)["users"].size(), snapshot.data.size() > 100 * 1024),
              std::make_tuple("snapshot", std::size_t{50}, true));
  }
  {
    SseClient leaving(running.port, "/v1/stream?users=42&kinds=flags");
    SseEvent snapshot;
    ASSERT_TRUE(leaving.Next(snapshot));
    ASSERT_TRUE(metric("presence_gateway_open_streams 1"));
  }
  EXPECT_TRUE(Eventually([&] { return metric("presence_gateway_open_streams 0"); }));
  // A slow (sanitised) build may have dropped the reading client too, when
  // the changes behind its snapshot outgrew the bound before it read them.
  const auto dropped = [&] {
    const std::string body = httpclient::Fetch(running.port, http::get, "/metrics").body;
    const std::string name = "\npresence_gateway_streams_dropped_total ";
    const std::size_t at = body.find(name);
    return at == std::string::npos ? -1L : std::atol(body.c_str() + at + name.size());
  };
  const long droppedBefore = dropped();
  SseClient slow(running.port, "/v1/stream", {}, 4096);
  ASSERT_EQ(slow.Status(), 200u);
  ASSERT_TRUE(Eventually([&] { return dropped() == droppedBefore + 1; }));
  EXPECT_TRUE(Eventually([&] { return metric("presence_gateway_open_streams 0"); }));
  SseEvent event;
  SseEvent last;
  while (slow.Next(event)) last = event;
  EXPECT_EQ(last.event, "closed");
  EXPECT_EQ(DataOf(last)["reason"], "the client did not keep up: more than 16384 bytes waited to be sent");
}

TEST(GatewayPageTest, TheWallboardsFilesAreServedToAnyoneWithTheirTypesAndPolicy) {
  zelgw::GatewayOptions options;
  options.tokensFile = WriteSecret("page-tokens", "reader-token-0123456789 read\n");
  DiagCapture quiet;
  RunningGateway running = StartGateway(options);
  const struct { std::string target; unsigned status; std::string type; std::string holds; } cases[] = {
      {"/", 200, "text/html; charset=utf-8", "<script src=\"wallboard.js\"></script>"},
      {"/index.html", 200, "text/html; charset=utf-8", "<table id=\"agents\">"},
      {"/wallboard.js", 200, "text/javascript; charset=utf-8", "new Worker('wallboard-worker.js')"},
      {"/wallboard-worker.js", 200, "text/javascript; charset=utf-8", "new EventSource(url)"},
      {"/wallboard.css", 200, "text/css; charset=utf-8", ".badge[data-state=\"unreachable\"]"},
      {"/favicon.ico", 200, "image/svg+xml", "<svg"},
      {"/missing.js", 404, "application/json", "not_found"},
      {"/index.html?x=1", 400, "application/json", "unknown query parameter"},
  };
  for (const auto& c : cases) {
    const HttpResult result = httpclient::Fetch(running.port, http::get, c.target);
    EXPECT_EQ(result.status, c.status) << c.target;
    EXPECT_EQ(result.Header("Content-Type"), c.type) << c.target;
    EXPECT_NE(result.body.find(c.holds), std::string::npos) << c.target;
    if (c.status == 200) {
      EXPECT_EQ(result.Header("Content-Security-Policy"), "default-src 'self'") << c.target;
    }
  }
}

}  // namespace
