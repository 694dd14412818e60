// The wallboard in a real browser: headless Chromium, driven through
// chromedriver's WebDriver API, opens the page a gateway serves in front of
// an embedded simulator; an action taken through the HTTP interface shows
// on the page without a reload, the token leaves the address bar, the view
// (filters, search, sort, thresholds) comes from the address and stays in
// it, and the badge says when the presence server is gone and how old the
// data is. A screenshot is kept in the build folder.
// Real time, with generous bounds. Without chromedriver the test is
// skipped, except under CI, which installs it.

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/detail/base64.hpp>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "RunningGateway.h"

extern char** environ;

namespace {

using http = boost::beast::http::verb;
using zeljson::Json;

std::string OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0, end; start <= dirs.size(); start = end + 1) {
    end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

unsigned short FreePort() {
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor acceptor(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
  return acceptor.local_endpoint().port();
}

// chromedriver as a process of its own, for the test's lifetime.
class ChromeDriver {
 public:
  explicit ChromeDriver(const std::string& program) : m_port(FreePort()) {
    const std::string port = "--port=" + std::to_string(m_port);
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(port.c_str()),
                               const_cast<char*>("--silent"), nullptr};
    if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
  }
  ~ChromeDriver() {
    if (!m_session.empty()) Call(http::delete_, "", "");
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
  }

  bool Open(const std::string& userDataDir) {
    if (m_pid <= 0 || !Eventually([&] { return httpclient::Fetch(m_port, http::get, "/status").status == 200; }))
      return false;
    Json args = Json::array({"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--window-size=1280,800", "--user-data-dir=" + userDataDir});
    const Json capabilities = {{"capabilities", {{"alwaysMatch", {{"goog:chromeOptions", {{"args", args}}}}}}}};
    const HttpResult created = httpclient::Fetch(m_port, http::post, "/session", zeljson::Text(capabilities));
    const Json reply = BodyOf(created);
    if (created.status != 200 || !reply["value"].contains("sessionId")) return false;
    m_session = reply["value"]["sessionId"].get<std::string>();
    return true;
  }

  Json Call(http method, const std::string& path, const std::string& body) {
    const HttpResult result = httpclient::Fetch(m_port, method, "/session/" + m_session + path, body);
    return result.status == 200 ? BodyOf(result)["value"] : Json();
  }
  Json Run(const std::string& script) {
    return Call(http::post, "/execute/sync", zeljson::Text(Json{{"script", script}, {"args", Json::array()}}));
  }

 private:
  unsigned short m_port;
  pid_t m_pid = -1;
  std::string m_session;
};

std::string Text(ChromeDriver& chrome, const std::string& selector) {
  const Json text = chrome.Run("const e = document.querySelector('" + selector + "'); return e ? e.textContent : '';");
  return text.is_string() ? text.get<std::string>() : "";
}

// Polls a script until it returns true; its last answer, for the failure.
bool Holds(ChromeDriver& chrome, const std::string& script, Json& last,
           std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  return Eventually([&] { return (last = chrome.Run(script)) == true; }, bound);
}

// The keys of the table's rows, top to bottom, as the page shows them.
const char* const kShownKeys =
    "const keys = [...document.querySelectorAll('#agents tbody tr[data-user-key]')]"
    ".map((r) => Number(r.dataset.userKey));";

std::string ChromeDriverOrSkip() {
  const std::string program = OnPath("chromedriver");
  if (program.empty() && std::getenv("CI")) ADD_FAILURE() << "chromedriver is not installed (scripts/install-deps installs it)";
  return program;
}

std::string Profile() {
  std::string profile = ::testing::TempDir() + "chromium-XXXXXX";
  return mkdtemp(profile.data()) ? profile : "";
}

TEST(BrowserTest, TheWallboardShowsAnActionTakenThroughTheGatewayWithoutAReload) {
  const std::string program = ChromeDriverOrSkip();
  if (program.empty()) GTEST_SKIP() << "chromedriver is not installed";
  const std::string reader = "wallboard-token-0123456789";
  const std::string control = "operator-token-0123456789";
  zelgw::GatewayOptions options;
  options.tokensFile = WriteSecret("browser-tokens", reader + " read\n" + control + " control\n");
  RunningGateway running = StartGateway(options);
  ChromeDriver chrome(program);
  ASSERT_TRUE(chrome.Open(Profile()));
  const std::string page = "http://127.0.0.1:" + std::to_string(running.port) + "/#token=" + reader;
  chrome.Call(http::post, "/url", zeljson::Text(Json{{"url", page}}));
  const std::string row42 = "tr[data-user-key=\"42\"] td.state";
  ASSERT_TRUE(Eventually([&] { return Text(chrome, row42) == "Unavailable"; })) << Text(chrome, "body");
  EXPECT_EQ(Text(chrome, "#link"), "Live");
  EXPECT_EQ(chrome.Run("return location.href;"), "http://127.0.0.1:" + std::to_string(running.port) + "/");
  EXPECT_EQ(Text(chrome, "[data-label=\"Work\"] .count"), "3");
  // From the gateway's summary of 42's contacts: on one, and an email in
  // post-processing for 15 minutes.
  EXPECT_EQ(Text(chrome, "tr[data-user-key=\"42\"] td:nth-child(8)").rfind("15:", 0), 0u)
      << Text(chrome, "tr[data-user-key=\"42\"]");
  EXPECT_FALSE(Text(chrome, "tr[data-user-key=\"42\"] td:nth-child(9)").empty());
  chrome.Run("window.sameDocument = true;");

  const HttpResult acted = httpclient::Fetch(running.port, http::post, "/v1/users/42/actions/routing-state",
                                             R"({"state": "work"})", control);
  ASSERT_EQ(acted.status, 200u) << acted.body;
  EXPECT_TRUE(Eventually([&] { return Text(chrome, row42) == "Work"; })) << Text(chrome, row42);
  EXPECT_EQ(Text(chrome, "[data-label=\"Work\"] .count"), "4");
  EXPECT_EQ(chrome.Run("return window.sameDocument === true;"), true);
  const std::string team42 = Text(chrome, "tr[data-user-key=\"42\"] td:nth-child(3)");

  // Each address is taken as the view (the page does not reload for a
  // fragment); what it asks for holds, and the address still says it.
  const struct { std::string query; std::string holds; } views[] = {
      {"team=" + team42 + "&q=AGENT42",
       std::string(kShownKeys) + "return keys.join() === '42' && document.getElementById('team').value === '" + team42 +
           "' && document.getElementById('search').value === 'agent42' && location.hash === '#team=" + team42 +
           "&q=agent42';"},
      {"sort=key&desc=1",
       std::string(kShownKeys) + "return keys.join() === '49,48,47,46,45,44,43,42' && "
                                 "document.querySelector('th[data-column=key]').getAttribute('aria-sort') === "
                                 "'descending';"},
      // A click on a column's heading sorts by it, the longest time first;
      // what the address cannot mean, it drops.
      {"sort=nonsense&desc=maybe",
       "if (location.hash === '') document.querySelector('th[data-column=time] button').click();"
       "const times = [...document.querySelectorAll('#agents tbody tr[data-user-key] td:nth-child(7)')]"
       ".map((c) => c.textContent.split(':').reduce((s, part) => s * 60 + Number(part), 0));"
       "return times.length === 8 && times.every((t, i) => i === 0 || times[i - 1] >= t) && "
       "location.hash === '#sort=time&desc=1';"},
      // The thresholds mark every agent in Work (the latest there a second
      // ago) on its tile and its row, and are kept for the next page.
      {"max-work=1&max-wrapup=-5&max-contact=x",
       "const rows = [...document.querySelectorAll('#agents tr[data-state=Work]')];"
       "return document.querySelector('[data-label=Work] .over').textContent === '4 past threshold' && "
       "rows.length === 4 && rows.every((r) => r.classList.contains('past') && "
       "r.querySelector('td.time').classList.contains('past')) && "
       "document.querySelector('[data-label=Available] .over').textContent === '' && "
       "JSON.parse(localStorage.getItem('wallboard.limits')).work === 1 && location.hash === '#max-work=1';"},
      {"", "return document.getElementById('max-work').value === '1' && location.hash === '#max-work=1';"},
  };
  const std::string base = "http://127.0.0.1:" + std::to_string(running.port) + "/";
  for (const auto& view : views) {
    chrome.Call(http::post, "/url", zeljson::Text(Json{{"url", base + "#" + view.query + "&token=" + reader}}));
    Json last;
    EXPECT_TRUE(Holds(chrome, "if (!document.querySelector('#agents tr[data-user-key]')) return false;" + view.holds,
                      last))
        << view.query << ": " << last << " " << chrome.Run("return location.hash;");
  }

  const Json shot = chrome.Call(http::get, "/screenshot", "");
  ASSERT_TRUE(shot.is_string());
  const std::string encoded = shot.get<std::string>();
  std::string png(boost::beast::detail::base64::decoded_size(encoded.size()), '\0');
  png.resize(boost::beast::detail::base64::decode(png.data(), encoded.data(), encoded.size()).first);
  std::ofstream(std::string(ZELCLNT_TEST_ARTEFACTS) + "/wallboard.png", std::ios::binary) << png;
  EXPECT_EQ(png.substr(1, 3), "PNG");

  running.simulator.reset();
  EXPECT_TRUE(Eventually([&] { return Text(chrome, "#link") == "Server unreachable"; })) << Text(chrome, "#badge");
  EXPECT_TRUE(Eventually([&] { return Text(chrome, "#age").rfind("data ", 0) == 0; })) << Text(chrome, "#badge");
  EXPECT_EQ(chrome.Run("return document.getElementById('link').getAttribute('role');"), "status");
}

// Tens of thousands of agents changing all the time: the table holds rows
// only for those in view, wherever it is scrolled to, and the tiles count
// every agent.
TEST(BrowserTest, TheWallboardKeepsOnlyTheRowsInViewOfFiftyThousandAgents) {
  const std::string program = ChromeDriverOrSkip();
  if (program.empty()) GTEST_SKIP() << "chromedriver is not installed";
  constexpr int kAgents = 50000;
  zelsim::SimulatorOptions simulator;
  simulator.agents = kAgents;
  simulator.churnRate = 200;
  RunningGateway running = StartGateway({}, simulator);
  ChromeDriver chrome(program);
  ASSERT_TRUE(chrome.Open(Profile()));
  chrome.Call(http::post, "/url", zeljson::Text(Json{{"url", "http://127.0.0.1:" + std::to_string(running.port) + "/"}}));
  const std::string counted = "return [...document.querySelectorAll('#routing-tiles .count')]"
                              ".reduce((sum, e) => sum + Number(e.textContent), 0);";
  // The first snapshot of every agent takes seconds on a loaded machine.
  ASSERT_TRUE(Eventually([&] { return chrome.Run(counted) == kAgents; }, std::chrono::seconds(90)))
      << chrome.Run(counted);
  const std::string last = "tr[data-user-key=\"" + std::to_string(42 + kAgents - 1) + "\"] td.state";
  for (const std::string scroll : {"0", "viewport.scrollHeight"}) {
    chrome.Run("const viewport = document.getElementById('viewport'); viewport.scrollTop = " + scroll + ";");
    const Json rows = chrome.Run("return document.querySelectorAll('#agents tbody tr').length;");
    EXPECT_TRUE(rows.is_number() && rows > 2 && rows < 200) << scroll << ": " << rows;
  }
  EXPECT_TRUE(Eventually([&] { return !Text(chrome, last).empty(); })) << Text(chrome, "#agents tbody");
  EXPECT_LT(chrome.Run("return document.getElementsByTagName('*').length;"), 5000);

  // Sorted the other way, the last agent heads the table; a search finds
  // one agent among them all.
  chrome.Run("document.querySelector('th[data-column=key] button').click();"
             "document.getElementById('viewport').scrollTop = 0;");
  Json shown;
  EXPECT_TRUE(Holds(chrome, std::string(kShownKeys) + "return keys[0] === " + std::to_string(42 + kAgents - 1) +
                                " && keys.length < 200;", shown)) << shown;
  chrome.Run("const search = document.getElementById('search'); search.value = '" + std::to_string(42 + kAgents - 1) +
             "'; search.dispatchEvent(new Event('input'));");
  EXPECT_TRUE(Holds(chrome, std::string(kShownKeys) + "return keys.join() === '" + std::to_string(42 + kAgents - 1) +
                                "' && document.querySelector('#routing-tiles .count') !== null;", shown)) << shown;
  EXPECT_EQ(chrome.Run(counted), 1);
}

}  // namespace
