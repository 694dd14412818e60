// The gateway through a real HTTP client, in front of an embedded presence
// simulator: every route, every error status, tokens, TLS and the bind
// rule, and the limits of a connection.

#include "Gateway.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DiagCapture.h"
#include "Gate.h"
#include "RunningGateway.h"
#include "StaticFiles.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using http = boost::beast::http::verb;
using zeljson::Json;

std::string RoutingStateOf(unsigned short port, int key, const std::string& token = "") {
  return BodyOf(httpclient::Fetch(port, http::get, "/v1/users/" + std::to_string(key), "", token))["routingState"]
      .dump();
}

// In order: the calls that change the simulator's table come before the
// ones that read the change. "reaches" says whether the presence server is
// called at all: bad input never gets there, and users are read from the
// gateway's mirror.
TEST(GatewayTest, EveryRouteAndEveryErrorStatusThroughARealClient) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  const struct {
    http method;
    std::string target;
    std::string body;
    unsigned status;
    std::string code;
    bool reaches;
  } cases[] = {
      {http::get, "/v1/status", "", 200, "", true},
      {http::get, "/v1/users/42", "", 200, "", false},
      {http::post, "/v1/users/42/actions/routing-state", R"({"state": "work", "reason": 3})", 200, "", true},
      {http::post, "/v1/users/42/actions/routing-state", R"({"state": "logoff"})", 409, "ERR_INVALID_STATE", true},
      {http::post, "/v1/users/46/actions/routing-state", R"({"state": "work"})", 409, "ERR_INVALID_MEDIA", true},
      {http::post, "/v1/users/42/actions/post-processing-exit", R"({"contactId": "nope"})", 409, "ERR_ITEM_NOT_FOUND",
       true},
      {http::post, "/v1/users/42/actions/recovery-mode", R"({"on": true})", 200, "", true},
      {http::post, "/v1/users/42/actions/post-processing-request", R"({"contactId": "C42-2", "reason": 5})", 200, "",
       true},
      {http::post, "/v1/capabilities", R"({"userKey": 42, "parameters": "+49 30 1234567"})", 200, "", true},
      {http::post, "/v1/capabilities", R"({"userKey": 42, "parameters": "+49 30 1234567"})", 409, "ERR_INVALID_STATE",
       true},
      {http::delete_, "/v1/capabilities/42", "", 200, "", true},
      {http::delete_, "/v1/capabilities/42", "", 409, "ERR_ITEM_NOT_FOUND", true},
      {http::delete_, "/v1/capabilities/99", "", 404, "ERR_INVALID_USER", true},
      {http::get, "/v1/users/99", "", 404, "ERR_INVALID_USER", false},
      {http::post, "/v1/users/99/actions/recovery-mode", R"({"on": true})", 404, "ERR_INVALID_USER", false},
      {http::post, "/v1/capabilities", R"({"userKey": 42, "type": "desktop"})", 400, "bad_request", false},
      {http::post, "/v1/users/42/actions/routing-state", R"({"state": "busy"})", 400, "bad_request", false},
      {http::post, "/v1/users/42/actions/routing-state", "{\"state\": ", 400, "bad_request", false},
      {http::post, "/v1/users/42/actions/routing-state", R"({"state": "work", "state": "logoff"})", 400, "bad_request",
       false},
      {http::post, "/v1/users/42/actions/wrapup", R"({"contactId": "C42-2", "extra": 1})", 400, "bad_request", false},
      {http::post, "/v1/users/42/actions/fly", R"({})", 404, "not_found", false},
      {http::get, "/v1/users/abc", "", 400, "bad_request", false},
      {http::get, "/v1/users/4294967338", "", 400, "bad_request", false},
      {http::get, "/v1/users/42?timeout=0", "", 400, "bad_request", false},
      {http::get, "/v1/users/42?colour=red", "", 400, "bad_request", false},
      {http::get, "/v1//users", "", 400, "bad_request", false},
      {http::get, "/v1/users/%4", "", 400, "bad_request", false},
      {http::put, "/v1/status", "", 405, "method_not_allowed", false},
      {http::get, "/v2/status", "", 404, "not_found", false},
  };
  for (const auto& c : cases) {
    const std::size_t before = running.simulator->CallsServed();
    const HttpResult result = httpclient::Fetch(running.port, c.method, c.target, c.body);
    const std::string what = std::string(boost::beast::http::to_string(c.method)) + " " + c.target + " " + c.body;
    EXPECT_EQ(result.status, c.status) << what << ": " << result.body << result.error;
    EXPECT_EQ(ErrorCodeOf(result), c.code) << what;
    EXPECT_EQ(result.Header("Content-Type"), "application/json") << what;
    EXPECT_EQ(running.simulator->CallsServed() > before, c.reaches) << what;
  }
  // The mirror follows the server's events: real time, within 20 s.
  Json user;
  EXPECT_TRUE(Eventually([&] {
    user = BodyOf(httpclient::Fetch(running.port, http::get, "/v1/users/42"));
    return user["flags"]["recoveryMode"] == true;
  }));
  EXPECT_EQ(user["routingState"]["state"], zeljson::Named(2, "Work"));
  EXPECT_EQ(user["routingState"]["reason"], 3);
  const HttpResult metrics = httpclient::Fetch(running.port, http::get, "/metrics");
  EXPECT_NE(metrics.body.find("presence_gateway_calls_total{call=\"SetRoutingState\",outcome=\"refused\","
                              "reason=\"ERR_INVALID_MEDIA\"} 1\n"),
            std::string::npos)
      << metrics.body;
  EXPECT_EQ(metrics.Header("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
}

// A server that never answers, one that is not there, and a secured one
// reached with the gateway's own CURVE keys: a read key may query and is
// refused acting, an unknown key fails at the handshake. A gateway whose
// mirror never joined says so of what it would read from it.
TEST(GatewayTest, EachServerFailureHasItsStatusAndCode) {
  DiagCapture quiet;
  std::mutex lock;
  std::condition_variable released;
  bool release = false;
  TRPCServer silent("inproc://" + UniqueName("gateway-silent"), [&](TRPC&) {
    std::unique_lock<std::mutex> guard(lock);
    released.wait(guard, [&] { return release; });
  });
  ASSERT_TRUE(silent.Start());
  ASSERT_TRUE(TCurve::Available());
  const TCurveKeyPair server = TCurve::Generate();
  const TCurveKeyPair reader = TCurve::Generate();
  zelsim::SimulatorOptions options;
  options.endpoint = "tcp://127.0.0.1:0";
  options.security = TServerSecurity{server, {{reader.publicKey, TRole::Read}}};
  zelsim::PresenceSimulator secured(options);
  ASSERT_TRUE(secured.Start());
  TFramework::SetServerKey(secured.Endpoint(), server.publicKey);
  const struct {
    std::string server;
    TCurveKeyPair keys;
    http method;
    std::string target;
    unsigned status;
    std::string code;
  } cases[] = {
      {silent.Endpoint(), {}, http::get, "/v1/status?timeout=200", 504, "timed_out"},
      {"inproc://" + UniqueName("gateway-nobody"), {}, http::get, "/v1/status?timeout=200", 502, "no_such_server"},
      {"tcp://127.0.0.1:1", {}, http::get, "/v1/status?timeout=200", 502, "connection_refused"},
      {secured.Endpoint(), reader, http::get, "/v1/status?timeout=5000", 200, ""},
      {secured.Endpoint(), reader, http::post, "/v1/users/42/actions/recovery-mode?timeout=5000", 403,
       "ERR_REQUEST_UNAUTHORIZED"},
      {secured.Endpoint(), TCurve::Generate(), http::get, "/v1/status?timeout=5000", 502, "authentication_failed"},
  };
  for (const auto& c : cases) {
    TFramework::SetClientKeys(c.keys);
    zelgw::GatewayOptions gatewayOptions;
    gatewayOptions.listen = "127.0.0.1:0";
    gatewayOptions.server = c.server;
    zelgw::Gateway gateway(gatewayOptions);
    std::string error;
    ASSERT_TRUE(gateway.Start(&error)) << error;
    // An action takes the user's id from the mirror, which must have joined.
    if (c.method == http::post) {
      ASSERT_TRUE(Eventually([&] { return gateway.Ready(); }));
    }
    // Real time: time-outs within the client's 30 s.
    const HttpResult result = httpclient::Fetch(gateway.Port(), c.method, c.target,
                                                c.method == http::post ? R"({"on": true})" : "");
    EXPECT_EQ(result.status, c.status) << c.server << " " << c.target << " " << result.body;
    EXPECT_EQ(ErrorCodeOf(result), c.code) << c.server << " " << c.target;
    for (const std::string target : {"/v1/users", "/v1/users/42", "/v1/stream"}) {
      if (c.status != 502 && c.status != 504) break;
      const HttpResult unready = httpclient::Fetch(gateway.Port(), http::get, target);
      EXPECT_EQ(unready.status, 503u) << target;
      EXPECT_EQ(ErrorCodeOf(unready), "not_ready") << target;
      EXPECT_EQ(unready.Header("Retry-After"), "1") << target;
    }
  }
  TFramework::SetClientKeys({});
  TFramework::SetServerKey(secured.Endpoint(), "");
  {
    std::lock_guard<std::mutex> guard(lock);
    release = true;
  }
  released.notify_all();
}

// A scoped token acting on another agent is refused and nothing changes;
// a stream takes its token from the query too, nothing else does, and it
// sees only the token's users; no token appears in any diagnostic line,
// however the request went.
TEST(GatewayTest, TokensGrantTheirRoleAndReachOnlyTheirUsers) {
  const std::string reader = "reader-token-0123456789";
  const std::string operator_ = "control-token-0123456789";
  const std::string desk = "desk-42-token-0123456789";
  const std::string unknown = "unknown-token-0123456789";
  zelgw::GatewayOptions options;
  options.tokensFile = WriteSecret(
      "tokens", "# who may do what\n" + reader + " read\n" + operator_ + " control\n" + desk + " control 42\n");
  DiagCapture lines("INFO,FENX,EVNT,RQST,CAFL,PRGM");
  RunningGateway running = StartGateway(options);
  const std::string before43 = RoutingStateOf(running.port, 43, reader);
  const std::string work = R"({"state": "work"})";
  const std::vector<long> everyone = {42, 43, 44, 45, 46, 47, 48, 49};
  const struct {
    std::string token;
    http method;
    std::string target;
    unsigned status;
    std::vector<long> snapshot;
  } cases[] = {
      {"", http::get, "/v1/status", 401, {}}, {unknown, http::get, "/v1/status", 401, {}},
      {"", http::get, "/v1/openapi.json", 200, {}}, {"", http::get, "/metrics", 401, {}},
      {reader, http::get, "/metrics", 200, {}}, {reader, http::get, "/v1/users/43", 200, {}},
      {reader, http::post, "/v1/users/43/actions/routing-state", 403, {}},
      {desk, http::get, "/v1/status", 200, {}},
      {desk, http::get, "/v1/users/43", 403, {}},
      {desk, http::post, "/v1/users/43/actions/routing-state", 403, {}},
      {desk, http::delete_, "/v1/capabilities/43", 403, {}},
      {desk, http::post, "/v1/users/42/actions/routing-state", 200, {}},
      {operator_, http::post, "/v1/users/44/actions/routing-state", 200, {}},
      {"", http::get, "/v1/status?access_token=" + reader, 401, {}},
      {"", http::get, "/v1/users/42?access_token=" + reader, 401, {}},
      {"", http::get, "/v1/stream", 401, {}},
      {"", http::get, "/v1/stream?access_token=" + unknown, 401, {}},
      {"", http::get, "/v1/stream?access_token=" + reader, 200, everyone},
      {"", http::get, "/v1/stream?access_token=" + desk, 200, {42}},
      {"", http::get, "/v1/stream?users=43&access_token=" + desk, 403, {}},
      {reader, http::get, "/v1/stream?users=44,45", 200, {44, 45}},
      {reader, http::get, "/v1/stream?users=44&kinds=ROUTING,Media,silentmonitoring", 200, {44}},
  };
  for (const auto& c : cases) {
    if (c.target.rfind("/v1/stream", 0) == 0) {
      std::map<std::string, std::string> headers;
      if (!c.token.empty()) headers["Authorization"] = "Bearer " + c.token;
      SseClient stream(running.port, c.target, headers);
      EXPECT_EQ(stream.Status(), c.status) << c.target;
      SseEvent event;
      if (c.status == 200 && stream.Next(event)) {
        EXPECT_EQ(KeysOf(DataOf(event)["users"]), c.snapshot) << c.target;
      }
      continue;
    }
    const HttpResult result =
        httpclient::Fetch(running.port, c.method, c.target, c.method == http::post ? work : "", c.token);
    EXPECT_EQ(result.status, c.status) << c.token << " " << c.target << " " << result.body;
    EXPECT_EQ(result.Header("WWW-Authenticate"), c.status == 401 ? "Bearer realm=\"presence-gateway\"" : "");
  }
  EXPECT_EQ(RoutingStateOf(running.port, 43, reader), before43);
  EXPECT_EQ(
      BodyOf(httpclient::Fetch(running.port, http::get, "/v1/users/42", "", desk))["routingState"]["state"]["name"],
      "Work");
  running.gateway->Stop();
  EXPECT_FALSE(lines.Texts(TDiag::INFO).empty());
  for (const CapturedLine& line : lines.Lines())
    for (const std::string& token : {reader, operator_, desk, unknown})
      EXPECT_EQ(line.text.find(token), std::string::npos) << line.text;
}

TEST(GatewayTest, TokenFilesAreReadStrictlyAndFaultsNeverRepeatAToken) {
  const std::string token = "secret-token-0123456789";
  const struct {
    std::string text;
    std::string error;  // empty: read
    std::size_t tokens;
  } cases[] = {
      {"", "", 0},
      {"# comment\r\n\n  \t\n" + token + " read\r\n", "", 1},
      {token + " control 42,43,-7\n", "", 1},
      {token + " write\n", "line 1: the role must be read or control", 0},
      {"\n" + token + " read 42,\n", "line 2: the user keys must be 32-bit numbers, comma-separated", 0},
      {token + " read 4294967338\n", "line 1: the user keys must be 32-bit numbers, comma-separated", 0},
      {token + " read 42 43\n", "line 1: more than a token, a role and a list of keys", 0},
      {"short read\n", "line 1: a token must be 16 to 256 printable characters", 0},
      {std::string(257, 'x') + " read\n", "line 1: a token must be 16 to 256 printable characters", 0},
      {token + "\x01 read\n", "line 1: a token must be 16 to 256 printable characters", 0},
      {token + " read\n" + token + " control\n", "line 2: a token given twice", 0},
      {token + "\n", "line 1: the role must be read or control", 0},
  };
  for (const auto& c : cases) {
    zelgw::Tokens tokens;
    std::string error;
    EXPECT_EQ(tokens.Parse(c.text, &error), c.error.empty()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_EQ(tokens.Size(), c.tokens) << c.text;
  }
  zelgw::Tokens tokens;
  ASSERT_TRUE(tokens.Parse(token + " control 42\n", nullptr));
  ASSERT_TRUE(tokens.Find(token));
  EXPECT_TRUE(tokens.Find(token)->Reaches(42) && !tokens.Find(token)->Reaches(43));
  EXPECT_FALSE(tokens.Find(token + "x"));
  std::string bearer;
  EXPECT_TRUE(zelgw::BearerToken("bEaReR   " + token + " ", bearer) && bearer == token);
  for (const std::string header : {"Basic abc", "Bearer", "Bearer ", "Bearer a b", "Bearertoken"})
    EXPECT_FALSE(zelgw::BearerToken(header, bearer)) << header;
  // A file others may read is refused, whatever it holds.
  const struct { mode_t mode; std::string error; } files[] = {
      {0600, ""},
      {0400, ""},
      {0640, " may be read or written by group or others (mode 0640): chmod 600 "},
      {0604, " may be read or written by group or others (mode 0604): chmod 600 "},
      {0620, " may be read or written by group or others (mode 0620): chmod 600 "},
  };
  for (const auto& c : files) {
    const std::string path = WriteSecret("tokens-mode", token + " read\n");
    chmod(path.c_str(), c.mode);
    std::string error;
    EXPECT_EQ(tokens.Load(path, &error), c.error.empty()) << c.mode;
    EXPECT_EQ(error, c.error.empty() ? "" : "the tokens file " + path + c.error + path) << c.mode;
    chmod(path.c_str(), 0600);
  }
}

// Off loopback the gateway serves TLS, or clear text only when told, and
// then warns.
TEST(GatewayTest, AnAddressOtherThanLoopbackNeedsTlsOrInsecureAndTlsServes) {
  const std::string dir = ::testing::TempDir();
  const std::string certificate = dir + "gateway-cert.pem";
  const std::string key = dir + "gateway-key.pem";
  const std::string make =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj "
      "/CN=localhost -addext subjectAltName=IP:127.0.0.1 -keyout " +
      key + " -out " + certificate + " 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
  const std::string shared = dir + "gateway-shared-key.pem";
  ASSERT_EQ(std::system(("cp " + key + " " + shared + " && chmod 644 " + shared).c_str()), 0);
  const struct {
    std::string listen, certificate, key;
    bool insecure;
    std::string error;
    std::size_t warnings;
  } cases[] = {
      {"0.0.0.0:0", "", "", false, "listening on 0.0.0.0:0 needs TLS (a certificate and key) or --insecure", 0},
      {"0.0.0.0:0", "", "", true, "", 2},
      {"0.0.0.0:0", certificate, key, false, "", 1},
      {"127.0.0.1:0", certificate, "", false, "a TLS certificate and its key go together", 0},
      {"127.0.0.1:0", key, key, false, "cannot use the TLS certificate " + key, 0},
      {"127.0.0.1:0", certificate, shared, false,
       "the TLS key " + shared + " may be read or written by group or others (mode 0644): chmod 600 " + shared, 0},
      {"example.com:80", "", "", false, "listen host must be an IP address or localhost: example.com", 0},
      {"127.0.0.1", "", "", false, "listen address must be host:port: 127.0.0.1", 0},
      {"[::1]:0", "", "", false, "", 1},
  };
  for (const auto& c : cases) {
    zelgw::GatewayOptions options;
    options.listen = c.listen;
    options.tlsCertificate = c.certificate;
    options.tlsKey = c.key;
    options.insecure = c.insecure;
    zelgw::Gateway gateway(options);
    std::string error;
    // A machine without IPv6 cannot bind [::1]; the rule is all this tests.
    const bool started = gateway.Start(&error);
    if (c.listen == "[::1]:0" && !started) continue;
    EXPECT_EQ(started, c.error.empty()) << c.listen << ": " << error;
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.listen;
    EXPECT_EQ(gateway.Warnings().size(), c.warnings) << c.listen;
  }
  EXPECT_TRUE(zelgw::IsLoopbackListen("localhost:1") && zelgw::IsLoopbackListen("127.9.9.9:1"));
  EXPECT_FALSE(zelgw::IsLoopbackListen("10.0.0.1:1"));

  zelgw::GatewayOptions options;
  options.tlsCertificate = certificate;
  options.tlsKey = key;
  DiagCapture quiet;
  RunningGateway running = StartGateway(options);
  const HttpResult secured = httpclient::Fetch(running.port, http::get, "/v1/status", "", "", certificate);
  EXPECT_EQ(secured.status, 200u) << secured.error;
  EXPECT_EQ(BodyOf(secured)["serverName"], "presence-sim");
  EXPECT_EQ(httpclient::Fetch(running.port, http::get, "/v1/status").status, 0u);
}

TEST(GatewayTest, AConnectionKeepsAliveWithinItsLimitsAndMalformedHttpIsRefused) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  const std::string get = "GET /v1/openapi.json HTTP/1.1\r\nHost: x\r\n\r\n";
  const std::string twice =
      httpclient::Raw(running.port, get + "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_NE(twice.find("\"openapi\""), std::string::npos);
  EXPECT_NE(twice.find("presence_gateway_open_connections 1"), std::string::npos);
  const std::string close = "Host: x\r\nConnection: close\r\n\r\n";
  const std::string page(zelgw::FindStaticFile("index.html")->body);
  const struct { std::string request; std::string status; std::string holds; std::string lacks; } cases[] = {
      {"POST /v1/capabilities HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 70000\r\n\r\n" +
           std::string(70000, ' '),
       "HTTP/1.1 413", "", ""},
      {"GET /v1/status HTTP/1.1\r\nHost: x\r\nX-Padding: " + std::string(9000, 'p') + "\r\n\r\n", "HTTP/1.1 431", "",
       ""},
      {"NONSENSE\r\n\r\n", "HTTP/1.1 400", "", ""},
      {"GET /v1/status HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "HTTP/1.1 400", "", ""},
      {"GET relative HTTP/1.1\r\n" + close, "HTTP/1.1 400", "", ""},
      {"HEAD / HTTP/1.1\r\n" + close, "HTTP/1.1 200", "Content-Length: " + std::to_string(page.size()) + "\r\n",
       "<!DOCTYPE"},
      {"HEAD /v1/users/42 HTTP/1.1\r\n" + close, "HTTP/1.1 200", "Content-Type: application/json", "userKey"},
      {"PUT / HTTP/1.1\r\n" + close, "HTTP/1.1 405", "Allow: GET, HEAD\r\n", ""},
      {"GET /v1/capabilities HTTP/1.1\r\n" + close, "HTTP/1.1 405", "Allow: POST\r\n", ""},
      {"HEAD /v1/stream HTTP/1.1\r\n" + close, "HTTP/1.1 405", "Allow: GET\r\n", ""},
      {"GET /v1/users/42 HTTP/1.1\r\nAuthorization: Bearer a\r\nAuthorization: Bearer b\r\n" + close, "HTTP/1.1 400",
       "the Authorization header is given twice", ""},
      {"GET /v1/users/99 HTTP/1.1\r\n" + close, "HTTP/1.1 404", "no user with key 99", "inproc:"},
      {"GET /v1/openapi.json HTTP/1.1\r\nAccept-Encoding: gzip\r\n" + close, "HTTP/1.1 200",
       "Content-Encoding: gzip\r\n", "\"openapi\""},
      {"GET /v1/openapi.json HTTP/1.1\r\nAccept-Encoding: br, gzip;q=0\r\n" + close, "HTTP/1.1 200",
       "Vary: Accept-Encoding\r\n", "Content-Encoding"},
  };
  for (const auto& c : cases) {
    const std::string answer = httpclient::Raw(running.port, c.request);
    EXPECT_EQ(answer.substr(0, c.status.size()), c.status)
        << c.request.substr(0, 60) << " -> " << answer.substr(0, 200);
    EXPECT_NE(answer.find(c.holds), std::string::npos) << c.request.substr(0, 60) << " -> " << answer;
    if (!c.lacks.empty()) {
      EXPECT_EQ(answer.find(c.lacks), std::string::npos) << c.request.substr(0, 60) << " -> " << answer;
    }
  }
}

// Many clients at once: every request answered, and counted once.
TEST(GatewayTest, ConcurrentClientsAreAllAnsweredAndCounted) {
  DiagCapture quiet;
  RunningGateway running = StartGateway();
  constexpr int kClients = 8;
  constexpr int kRequests = 25;
  std::atomic<int> answered{0};
  std::vector<std::thread> clients;
  for (int client = 0; client < kClients; ++client)
    clients.emplace_back([&, client] {
      for (int i = 0; i < kRequests; ++i) {
        const bool act = i % 2 == 1;
        const std::string user = "/v1/users/" + std::to_string(42 + client % 4);
        const HttpResult result = act ? httpclient::Fetch(running.port, http::post, user + "/actions/contact-assist",
                                                          i % 4 == 1 ? R"({"on": true})" : R"({"on": false})")
                                      : httpclient::Fetch(running.port, http::get, user);
        if (result.status == 200) ++answered;
      }
    });
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(answered.load(), kClients * kRequests);
  const std::string metrics = httpclient::Fetch(running.port, http::get, "/metrics").body;
  EXPECT_NE(
      metrics.find("presence_gateway_http_requests_total{status=\"200\"} " + std::to_string(kClients * kRequests)),
      std::string::npos)
      << metrics;
}

// Pipelined requests behind a call are answered in turn. A presence
// server that answers nothing: calls wait on the gateway's queue up to its
// bound, past it they are refused at once; reads of the
// mirror never wait behind them; a client that hangs up has its call
// cancelled; Stop ends the rest at once, not after their minute. Real
// time, generous bounds.
TEST(GatewayTest, CallsToASilentServerAreBoundedCancelledOnHangUpAndNeverDelayReads) {
  DiagCapture quiet;
  Gate gate;
  std::atomic<bool> silent{false};
  zelsim::SimulatorOptions simulator;
  simulator.beforeAnswer = [&](const TRPC&) { gate.Pass("call", silent.load()); };
  zelgw::GatewayOptions options;
  options.maxCalls = 2;
  RunningGateway running = StartGateway(options, simulator);
  // A request that came behind a call waits for it, then is answered too.
  const std::string both = httpclient::Raw(running.port,
                                           "GET /v1/status HTTP/1.1\r\nHost: x\r\n\r\n"
                                           "GET /v1/users/42 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(both.find("HTTP/1.1 200"), 0u) << both;
  EXPECT_NE(both.find("HTTP/1.1 200", 1), std::string::npos) << both;
  silent = true;
  const std::string status = "GET /v1/status?timeout=60000 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  auto hangsUp = std::make_unique<SseClient>(running.port, status, 0);
  SseClient waits(running.port, status, 0);
  ASSERT_TRUE(Eventually([&] { return running.gateway->CallsWaiting() == 2; }));
  const HttpResult refused = httpclient::Fetch(running.port, http::get, "/v1/status");
  EXPECT_EQ(refused.status, 503u) << refused.body;
  EXPECT_EQ(ErrorCodeOf(refused), "overloaded");
  EXPECT_EQ(refused.Header("Retry-After"), "1");
  EXPECT_EQ(httpclient::Fetch(running.port, http::get, "/v1/users").status, 200u);

  hangsUp.reset();
  EXPECT_TRUE(Eventually([&] { return running.gateway->CallsWaiting() == 1; }));
  const std::string metrics = httpclient::Fetch(running.port, http::get, "/metrics").body;
  EXPECT_NE(metrics.find("presence_gateway_calls_total{call=\"QueryServerStatus\",outcome=\"failed\","
                         "reason=\"cancelled\"} 1\n"),
            std::string::npos)
      << metrics;

  const auto stopping = std::chrono::steady_clock::now();
  running.gateway->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(20));
  EXPECT_EQ(running.gateway->CallsWaiting(), 0u);
  gate.Open();
}

}  // namespace
