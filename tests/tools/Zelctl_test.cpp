#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "Agents.h"
#include "Callers.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "JsonInput.h"
#include "PlatformReset.h"
#include "Simulators.h"
#include "StoreComparison.h"
#include "TemporaryFolder.h"
#include "TopView.h"
#include "Watch.h"
#include "ZelctlRun.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

// zelctl top (not given --for), run in this process until `enough` holds
// for a line it printed, then stopped once as Ctrl-C stops it. It prints a
// view at every interval: 20 s without a line is far beyond what it needs,
// and stops it too.
Ran TopUntil(const std::vector<std::string>& args, const std::function<bool(const std::string&)>& enough) {
  int ends[2];
  if (::pipe(ends) != 0) return {};
  auto running = std::async(std::launch::async, [&args, out = ::fdopen(ends[1], "w")] { return Zelctl(args, out); });
  std::string text;
  bool interrupted = false;
  for (std::size_t looked = 0;;) {
    pollfd readable{ends[0], POLLIN, 0};
    char chunk[4096];
    const ssize_t got = ::poll(&readable, 1, 20000) > 0 ? ::read(ends[0], chunk, sizeof chunk) : -1;
    if (got == 0 || (got < 0 && interrupted)) break;
    bool done = got < 0;
    if (done) ADD_FAILURE() << "top printed nothing for 20 s after: " << text;
    if (got > 0) text.append(chunk, static_cast<std::size_t>(got));
    for (std::size_t end; !interrupted && !done && (end = text.find('\n', looked)) != std::string::npos;
         looked = end + 1)
      done = enough(text.substr(looked, end - looked));
    if (done && !interrupted) {
      std::raise(SIGINT);
      interrupted = true;
    }
  }
  ::close(ends[0]);
  Ran ran = running.get();
  ran.out = text;
  return ran;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

class ZelctlTest : public ::testing::Test {
 protected:
  const std::string& Server() const { return m_simulator->Endpoint(); }

  DiagCapture m_quiet{"NONE"};
  PlatformReset m_reset;
  std::unique_ptr<zelsim::PresenceSimulator> m_simulator = StartedSimulator(UniqueInproc("zelctl-test"));
};

// Done: 0 and the outcome line; refused or unreachable: 1 and one line
// saying why; wrong arguments: 2. With --json the outcome is the gateway's
// JSON of the same records and errors, one document a command, and the
// failure's line is still on standard error.
TEST_F(ZelctlTest, ExitStatusAndTheLineThatSaysWhyPlainOrJson) {
  const std::string s = Server();
  const std::string nobody = UniqueInproc("zelctl-nobody");
  TRPCServer mute(UniqueInproc("zelctl-mute"), [](TRPC& rpc) { rpc.SetReplyData("?", 1); });
  ASSERT_TRUE(mute.Start());
  const std::string ok = ": result 0, ERR_NONE, REQUESTMODE_DEFAULT";
  const std::string done = R"("outcome":{"actionResult":{"name":"Succeeded","value":0},)"
                           R"("errorCode":{"name":"ERR_NONE","value":0},)"
                           R"("requestMode":{"name":"REQUESTMODE_DEFAULT","value":0}}})";
  const struct { std::vector<std::string> args; int status; std::string firstOut; std::string err; } cases[] = {
      {{"--server", s, "status"}, 0, "QueryServerStatus(" + s + ")" + ok, ""},
      {{"--server", s, "user", "42", "set-routing", "work", "--reason", "3"}, 0, "SetRoutingState(" + s + ")" + ok, ""},
      {{"--server", s, "user", "42", "set-routing", "logoff"},
       1,
       "",
       "zelctl: SetRoutingState refused: result 1, ERR_INVALID_STATE\n"},
      {{"--server", s, "user", "42", "wrapup", "C42-1", "0", "--reasons", "7"},
       1,
       "",
       "zelctl: SubmitWrapup refused: result 1, ERR_INVALID_STATE\n"},
      {{"--server", s, "user", "9999", "query"}, 1, "", "zelctl: no user with key 9999 on " + s + "\n"},
      {{"--server", s, "top", "--users", "42,9999"}, 1, "", "zelctl: no user with key 9999 on " + s + "\n"},
      {{"--server", nobody, "status"}, 1, "", "zelctl: QueryServerStatus failed: no such server: " + nobody + "\n"},
      {{"--server", mute.Endpoint(), "media-status"},
       1,
       "",
       "zelctl: QueryUserMediumStatus failed: result 1, ERR_NONE (no usable reply from " + mute.Endpoint() + ")\n"},
      {{"--server", s, "capability", "add", "42", "--type", "desktop", "--param", "1"},
       1,
       "",
       "zelctl: AddCapability not sent: result 1, ERR_NONE (the library sends the Campaign Director capability, "
       "type 2, only)\n"},
      {{"--server", s, "--diag", "LOUD", "status"}, 2, "", "zelctl: unknown diagnostic type in \"LOUD\"\n"},
      {{"--keys", "/nonexistent-zelctl-keys", "status"},
       2,
       "",
       "zelctl: cannot read /nonexistent-zelctl-keys/client.key: No such file or directory\n"},
      {{"--server", s, "--json", "user", "42", "recovery", "on"},
       0,
       R"({"request":{"action":{"name":"Set Recovery Mode","value":4},"userKey":42,"userId":"agent42","on":true},)" +
           done,
       ""},
      {{"--server", s, "--json", "capability", "add", "42", "-p", "+49 30"},
       0,
       R"({"request":{"userKey":42,"type":{"name":"Campaign Director","value":2},"parameters":"+49 30"},)" + done,
       ""},
      {{"--server", s, "--json", "capability", "add", "42", "-p", "+49 30"},
       1,
       R"({"error":{"code":"ERR_INVALID_STATE","message":"AddCapability refused: result 1, ERR_INVALID_STATE",)"
       R"("errorCode":{"name":"ERR_INVALID_STATE","value":35030}}})",
       "zelctl: AddCapability refused: result 1, ERR_INVALID_STATE\n"},
      {{"--server", nobody, "--json", "status"},
       1,
       R"({"error":{"code":"no_such_server","message":"QueryServerStatus failed: no such server: )" + nobody + R"("}})",
       "zelctl: QueryServerStatus failed: no such server: " + nobody + "\n"},
      {{"--json", "demo"}, 2, "", "zelctl: demo tells a story for people; --json serves every other command\n"},
  };
  for (const auto& c : cases) {
    const Ran ran = Zelctl(c.args);
    const std::string line = c.args.back();
    EXPECT_EQ(ran.status, c.status) << line << ": " << ran.err;
    EXPECT_EQ(FirstLine(ran.out), c.firstOut) << line;
    EXPECT_EQ(ran.err, c.err) << line;
    if (std::find(c.args.begin(), c.args.end(), "--json") != c.args.end()) {
      EXPECT_EQ(ran.out, c.firstOut.empty() ? "" : c.firstOut + "\n") << line;
    }
  }
  const Ran user = Zelctl({"--server", s, "--json", "user", "43", "query"});
  EXPECT_EQ(user.out.substr(0, 62), R"({"userKey":43,"userId":"agent43","extension":"4043","associate)");
}

// What the parser refuses never reaches a server: 2, and CLI11's own
// message naming the argument.
TEST_F(ZelctlTest, ArgumentsAreCheckedBeforeAnyCall) {
  const std::string s = Server();
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "A subcommand is required"},
      {{"--server", s, "--timeout", "0", "status"}, "--timeout"},
      {{"--server", s, "user", "forty-two", "query"}, "\"forty-two\" is not a whole number within the range of a long"},
      {{"--server", s, "user", "99999999999999999999", "query"}, "is not a whole number within the range of a long"},
      {{"--server", s, "user", "42", "set-routing", "busy"}, "busy"},
      {{"--server", s, "user", "42", "wrapup", "C42-2"}, "rc is required"},
      {{"--server", s, "user", "42", "wrapup", "C42-2", "0", "--reasons", "7,x"}, "\"x\" is not a whole number"},
      {{"--server", s, "users", "--type", "everyone"}, "everyone"},
      {{"--server", s, "watch", "--type", "weather"}, "weather"},
      {{"--server", s, "top", "--users", "42,x"}, "\"x\" is not a whole number"},
      {{"--server", s, "top", "--interval", "10"}, "--interval"},
      {{"--server", s, "presence"}, "--presentity is required"},
      {{"--server", s, "keygen"}, "path is required"},
  };
  const std::size_t before = m_simulator->CallsServed();
  for (const auto& [args, said] : cases) {
    const Ran ran = Zelctl(args);
    EXPECT_EQ(ran.status, 2) << said;
    EXPECT_NE(ran.err.find(said), std::string::npos) << ran.err;
  }
  EXPECT_EQ(m_simulator->CallsServed(), before);
  EXPECT_EQ(Zelctl({"--help"}).status, 0);
}

// A key pair in use is replaced only when asked to.
TEST_F(ZelctlTest, KeygenRefusesToOverwriteWithoutForce) {
  const TemporaryFolder folder("zelctl-keys");
  const std::string path = folder.Path() + "/client.key";
  const std::string lead = "secret key: " + path + " (owner only)\npublic key: " + path + ".pub\n";
  TCurveKeyPair kept;
  std::string error;
  const Ran first = Zelctl({"keygen", path});
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_TRUE(TCurve::ReadKeyPair(path, kept, &error)) << error;
  EXPECT_EQ(first.out, lead + kept.publicKey + "\n");
  const std::string publicKey = kept.publicKey;
  const Ran again = Zelctl({"keygen", path});
  EXPECT_EQ(std::make_pair(again.status, again.err),
            std::make_pair(1, "zelctl: " + path + " or its .pub exists; --force replaces them\n"));
  ASSERT_TRUE(TCurve::ReadKeyPair(path, kept, &error)) << error;
  EXPECT_EQ(kept.publicKey, publicKey);
  const Ran forced = Zelctl({"keygen", path, "--force"});
  ASSERT_TRUE(TCurve::ReadKeyPair(path, kept, &error)) << error;
  EXPECT_NE(kept.publicKey, publicKey);
  EXPECT_EQ(std::make_pair(forced.status, forced.out), std::make_pair(0, lead + kept.publicKey + "\n"));
}

TEST(ZelctlWatchTest, NoticeLines) {
  DiagCapture quiet{"NONE"};
  using Kind = TEventNotice::Kind;
  const std::string endpoint = "tcp://127.0.0.1:7301";
  const struct { Kind kind; int type; std::string line; } cases[] = {
      {Kind::Resync, 0, "-- events were lost and the server no longer holds them: query again for the current state"},
      {Kind::TooLarge, ZelTPresenceServer::WRAPUP_SUBMITTED_EVENT,
       "-- a Wrapup Submitted Event above the size bound was refused: query again"},
      {Kind::Restarted, 0, "-- the server's publisher started afresh: events may have been lost, query again"},
      {Kind::Disconnected, 0, "-- the connection to tcp://127.0.0.1:7301 went away; waiting for it to come back"},
      {Kind::Reconnected, 0, "-- connected to tcp://127.0.0.1:7301 again; the events missed meanwhile follow"},
      {Kind::AuthenticationFailed, 0,
       "-- authentication failed by tcp://127.0.0.1:7301: no events until the keys are right"},
      {Kind::TwoServing, 0,
       "-- two servers serve at once: the one under the lower term stands by, and what it changed since the other "
       "took over is lost"},
      {Kind::Event, ZelTPresenceServer::CONNECTIONEVENT, "CONNECTIONEVENT: 3 bytes"},
  };
  for (const auto& c : cases) {
    TEventNotice notice;
    notice.kind = c.kind;
    notice.eventType = c.type;
    notice.data = c.kind == Kind::Event ? "bad" : "";
    EXPECT_EQ(zelctl::NoticeLine(notice, endpoint, false, 0), c.line);
    EXPECT_EQ(zelctl::NoticeLine(notice, endpoint, false, 42), c.line)
        << "neither notices nor events without a record are filtered by user";
  }
}

// Watching one user's events of one type: only those are shown, each on a
// line of its own, after the line saying what is watched. The server
// filters: the receiver a watch of one user subscribes with gets nothing
// about others.
TEST_F(ZelctlTest, WatchShowsTheUsersEventsOnlyAndTheServerFiltersThem) {
  const std::string s = Server();
  const std::unique_ptr<TEventReceiver> events = zelctl::WatchReceiver(s, {}, 42);
  ASSERT_TRUE(events->Start() && events->WaitUntilSubscribed(10000));
  auto watched = std::async(std::launch::async, [s] {
    return Zelctl({"--server", s, "watch", "--type", "contact-assist", "--user", "42", "--count", "2"});
  });
  ZelAUserPresence other = AgentOf(43);
  ZelAUserPresence watchedUser = AgentOf(42);
  bool on = false;
  std::size_t rounds = 0;
  for (; rounds < 5000 && watched.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready; ++rounds) {
    on = !on;
    other.SetContactAssist(s, on);
    other.SetRoutingState(s, ZelTRoutingState::ROUTINGSTATE_WORK, static_cast<long>(rounds), false);
    watchedUser.SetContactAssist(s, on);
  }
  const Ran ran = watched.get();
  EXPECT_EQ(ran.status, 0);
  EXPECT_EQ(ran.err, "");
  const std::vector<std::string> lines = Lines(ran.out);
  ASSERT_EQ(lines.size(), 3u) << ran.out;
  EXPECT_EQ(lines[0], "watching " + s + ".events (Ctrl-C stops)");
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].rfind("User Contact Assist Event, user 42: ", 0), 0u) << lines[i];
  std::vector<std::int64_t> users;
  TEventNotice notice;
  while (events->Next(notice, users.size() < rounds ? 10000 : 300))
    if (notice.kind == TEventNotice::Kind::Event) users.push_back(notice.userKey);
  EXPECT_EQ(users, std::vector<std::int64_t>(rounds, 42));
}

// The plain view, at every interval and at the end, counts what the server
// holds; chosen users are all it counts. Top runs until the view shows what
// the test waits for; only a server that never answers is left to top's own
// --for.
TEST_F(ZelctlTest, TopPrintsThePlainViewOfItsMirror) {
  const std::string s = Server();
  const auto joined = [](const std::string& line) { return line.rfind("Position ", 0) == 0; };
  const auto current = [&joined](const std::string& line) {
    return joined(line) && line.size() > 9 && line.substr(line.size() - 9) == ", current";
  };
  const Ran all = TopUntil({"--server", s, "top", "--interval", "50", "--rows", "3"}, current);
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.err, "");
  ZelAPresenceServer api("test", "zelctl");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  ASSERT_EQ(api.QueryUsersPresence(s, query), ZelTPresenceServer::ACTION_SUCCEEDED);
  zelctl::TopTally tally(3);
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) tally.Add(*user);
  const std::vector<std::string> expected = tally.Lines(zelctl::TopStatus{}, TTimeStamp().MillisecondsSince1970());
  std::vector<std::string> view = Lines(all.out);
  ASSERT_GE(view.size(), expected.size() + 1) << all.out;
  view.erase(view.begin(), view.end() - static_cast<long>(expected.size()));
  // The longest agents' times go on; their rows and the status line aside,
  // the last view is what the server holds.
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(view[i], expected[i]) << all.out;
  EXPECT_TRUE(current(view.back())) << all.out;

  const Ran chosen = TopUntil({"--server", s, "top", "--users", "43,42,43", "--interval", "50"}, joined);
  EXPECT_EQ(chosen.status, 0);
  const std::size_t last = chosen.out.rfind("Presence of ");
  ASSERT_NE(last, std::string::npos) << chosen.out;
  EXPECT_EQ(Lines(chosen.out.substr(last))[1], "Agents 2, logged on 2") << chosen.out;
  zeljson::Json json;
  const Ran one = TopUntil({"--server", s, "--json", "top", "--users", "42", "--interval", "50"},
                           [&json](const std::string& line) {
                             return zeljson::Parse(line, json, nullptr) && json["mirror"]["joined"] == true;
                           });
  ASSERT_TRUE(zeljson::Parse(Lines(one.out).back(), json, nullptr)) << one.out;
  EXPECT_EQ(json["agents"], 1);
  EXPECT_EQ(json["mirror"]["joined"], true);

  // A restart once top joined makes the mirror query again; top says so on
  // a line of its own.
  const std::string resynced = "-- resynchronised after the server restarted: its users were queried again";
  bool restarted = false;
  const Ran again = TopUntil({"--server", s, "top", "--interval", "50"}, [&](const std::string& line) {
    if (!restarted && joined(line)) {
      m_simulator->Stop();
      restarted = m_simulator->Start();
    }
    return line == resynced;
  });
  EXPECT_TRUE(restarted);
  const std::vector<std::string> told = Lines(again.out);
  EXPECT_EQ(std::count(told.begin(), told.end(), resynced), 1) << again.out;

  const std::string nobody = UniqueInproc("zelctl-nobody");
  const Ran never = Zelctl({"--server", nobody, "top", "--for", "0.3"});
  EXPECT_EQ(never.status, 1);
  EXPECT_EQ(never.err, "zelctl: never joined " + nobody + ": no events came\n");
}

// Status shows both servers of a pair and which serves; failover hands
// over while callers act, none of whose calls fails, and each server takes
// over the very table the other handed over.
TEST_F(ZelctlTest, StatusAndFailoverOfAPair) {
  const std::string ends[2] = {UniqueInproc("zelctl-pair-a"), UniqueInproc("zelctl-pair-b")};
  const std::unique_ptr<zelsim::PresenceSimulator> halves[2] = {StartedHalf(ends[0], ends[1], true),
                                                                 StartedHalf(ends[1], ends[0], false)};
  // Until the first serves and the second has heard of it.
  ASSERT_TRUE(Eventually([&] {
    return halves[0]->State().role == TServerRole::Serving && halves[1]->State().term == halves[0]->State().term;
  }));
  const std::string list = ends[0] + "," + ends[1];
  const Ran status = Zelctl({"--server", list, "status"});
  EXPECT_EQ(status.status, 0);
  const std::string term = TServerTerm::ToString(halves[0]->State().term);
  EXPECT_EQ(FirstLine(status.out), ends[0] + ": serving, term " + term);
  EXPECT_NE(status.out.find("\n" + ends[1] + ": standby, term " + term +
                            "\nrole changes:     took over 0, stood down 0, handed over 0; 0 acknowledged changes lost; "),
            std::string::npos)
      << status.out;
  EXPECT_EQ(status.out.substr(status.out.rfind("serving: ")), "serving: " + ends[0] + "\n");
  zeljson::Json pair;
  ASSERT_TRUE(zeljson::Parse(Zelctl({"--server", list, "--json", "status"}).out, pair, nullptr));
  EXPECT_EQ(pair["serving"], ends[0]);
  EXPECT_EQ(pair["servers"][1]["role"], "standby");
  EXPECT_EQ(pair["servers"][1]["status"]["currentStatus"]["name"], "Standby");

  Callers callers(list);
  for (const int from : {0, 1}) {
    const Ran failover = Zelctl({"--server", list, "failover"});
    EXPECT_EQ(failover.status, 0) << failover.err;
    EXPECT_EQ(failover.out, "handing over to " + ends[1 - from] + "\n" + ends[1 - from] + ": serving, term " +
                                TServerTerm::ToString(halves[1 - from]->State().term) + "\n");
    callers.Stop();
  }
  EXPECT_EQ(callers.Failed(), std::vector<std::string>{});
  for (long key = 42; key < 50; ++key)
    EXPECT_EQ(zelsim::DifferingPartNames(*halves[0]->Users().Find(key), *halves[1]->Users().Find(key)), std::vector<std::string>{})
        << key;
}

// Two servers that never met (each names a peer that is not there) both
// serve: the status says so, and which one yields.
TEST_F(ZelctlTest, StatusWarnsOfTwoServersServingAtOnce) {
  const std::unique_ptr<zelsim::PresenceSimulator> strays[2] = {
      StartedHalf(UniqueInproc("zelctl-stray"), UniqueInproc("zelctl-nobody"), true),
      StartedHalf(UniqueInproc("zelctl-stray"), UniqueInproc("zelctl-nobody"), true)};
  ASSERT_TRUE(Eventually([&] {
    return strays[0]->State().role == TServerRole::Serving && strays[1]->State().role == TServerRole::Serving;
  }));
  const bool firstLow = strays[0]->State().term < strays[1]->State().term;
  const auto& low = *strays[firstLow ? 0 : 1];
  const auto& high = *strays[firstLow ? 1 : 0];
  const Ran status = Zelctl({"--server", strays[0]->Endpoint() + "," + strays[1]->Endpoint(), "status"});
  EXPECT_EQ(status.status, 1);
  const std::string tail = "warning: two servers serve at once: " + low.Endpoint() + " under term " +
                           TServerTerm::ToString(low.State().term) + ", " + high.Endpoint() + " under term " +
                           TServerTerm::ToString(high.State().term) + "; " + low.Endpoint() +
                           ", under the lower term, stands by at the next call of a client of the pair, and what it "
                           "changed since " + high.Endpoint() + " took over is lost\nserving: " + high.Endpoint() + "\n";
  ASSERT_GE(status.out.size(), tail.size()) << status.out;
  EXPECT_EQ(status.out.substr(status.out.size() - tail.size()), tail);
}

}  // namespace
