#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "DiagCapture.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kUserId = "agent4711-secret-user";

std::string IpcName(const std::string& test) {
  return "ipc:///tmp/zelclnt-security-" + test + "-" + std::to_string(getpid());
}

// Echoes the call; the return code tells the caller's role.
TRPCServer EchoServer(const std::string& name) {
  return TRPCServer(name, [](TRPC& rpc) {
    rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize());
    rpc.SetReturnCode(rpc.GetCallerRole() == TRole::Control ? 2 : 1);
  });
}

// Forwards one tcp connection to `target`'s port and keeps every byte that
// passes, both ways.
class TcpRelay {
 public:
  explicit TcpRelay(int targetPort) : m_listener(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 1);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this, targetPort] { Relay(targetPort); });
  }
  ~TcpRelay() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    ::close(m_listener);
  }
  std::string Endpoint() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
  std::string Seen() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return m_seen;
  }

 private:
  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
  }

  void Relay(int targetPort) {
    pollfd accept{m_listener, POLLIN, 0};
    while (!m_stop && ::poll(&accept, 1, 20) <= 0) {
    }
    if (m_stop) return;
    const int client = ::accept(m_listener, nullptr, nullptr);
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in target = Loopback(targetPort);
    ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[4096];
    while (!m_stop) {
      if (::poll(ends, 2, 20) <= 0) continue;
      for (int from = 0; from < 2; ++from) {
        if (!(ends[from].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t count = ::read(ends[from].fd, buffer, sizeof buffer);
        if (count <= 0) m_stop = true;
        if (count <= 0) break;
        m_seen.append(buffer, static_cast<std::size_t>(count));
        if (::write(ends[1 - from].fd, buffer, static_cast<std::size_t>(count)) != count) m_stop = true;
      }
    }
    ::close(client);
    ::close(server);
  }

  int m_listener;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::string m_seen;
  std::thread m_thread;
};

class SecurityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TCurve::Available());
    TFramework::SetClientKeys(m_client);
  }
  // No key of the test's ever shows in a diagnostic line of any type.
  void TearDown() override {
    for (const CapturedLine& line : m_diag.Lines()) {
      EXPECT_EQ(line.text.find(m_client.secretKey), std::string::npos) << line.text;
      EXPECT_EQ(line.text.find(m_server.secretKey), std::string::npos) << line.text;
    }
  }

  int Call(const std::string& server, const std::string& data, TRPC& rpc) {
    rpc.SetRPCType(77);
    rpc.SetCallData(data.data(), data.size());
    TThreadQueue queue;
    return m_framework.SendRPC(rpc, server.c_str(), queue, 5000, 0);
  }

  TServerSecurity Admitting(TRole role) const { return {m_server, {{m_client.publicKey, role}}}; }

  DiagCapture m_diag{"INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM"};
  TFramework m_framework{"security-test", "local", 5};
  TCurveKeyPair m_client = TCurve::Generate();
  TCurveKeyPair m_server = TCurve::Generate();
};

TEST_F(SecurityTest, CurveRoundTripsCarryTheCallersRole) {
  const std::pair<std::string, TRole> cases[] = {{"tcp://127.0.0.1:0", TRole::Read},
                                                 {IpcName("round-trip"), TRole::Control}};
  for (const auto& [name, role] : cases) {
    TRPCServer server = EchoServer(name);
    server.SetSecurity(Admitting(role));
    ASSERT_TRUE(server.Start()) << name;
    TFramework::SetServerKey(server.Endpoint(), m_server.publicKey);
    TRPC rpc;
    EXPECT_EQ(Call(server.Endpoint(), kUserId, rpc), 1) << TFramework::LastFailure().text;
    EXPECT_EQ(std::string(rpc.GetReplyPointer(), rpc.GetReplySize()), kUserId);
    EXPECT_EQ(rpc.GetReturnCode(), role == TRole::Control ? 2 : 1) << name;
  }
}

TEST_F(SecurityTest, EventsReachAnAdmittedReceiverOnly) {
  for (const bool admitted : {true, false}) {
    const std::string name = IpcName(admitted ? "events-in" : "events-out");
    TEventPublisher publisher(name);
    publisher.SetSecurity(admitted ? Admitting(TRole::Read) : TServerSecurity{m_server, {}});
    ASSERT_TRUE(publisher.Start());
    TFramework::SetServerKey(name, m_server.publicKey);
    TEventReceiver receiver(name);
    ASSERT_TRUE(receiver.Start());
    bool delivered = false;
    bool refused = false;
    TEventNotice notice;
    for (const auto until = Clock::now() + std::chrono::seconds(3); Clock::now() < until && !delivered && !refused;) {
      publisher.Publish(7, kUserId.data(), kUserId.size());
      if (!receiver.Next(notice, 20)) continue;
      delivered = notice.kind == TEventNotice::Kind::Event && notice.data == kUserId;
      refused = notice.kind == TEventNotice::Kind::AuthenticationFailed;
    }
    EXPECT_EQ(delivered, admitted);
    EXPECT_EQ(refused, !admitted);
  }
}

// What passes a relay in the middle: the user id only in clear text.
TEST_F(SecurityTest, ARelayInTheMiddleSeesNoUserId) {
  for (const bool secure : {false, true}) {
    TRPCServer server = EchoServer("tcp://127.0.0.1:0");
    if (secure) server.SetSecurity(Admitting(TRole::Control));
    ASSERT_TRUE(server.Start());
    TcpRelay relay(std::stoi(server.Endpoint().substr(server.Endpoint().rfind(':') + 1)));
    TFramework::SetServerKey(relay.Endpoint(), secure ? m_server.publicKey : "");
    TRPC rpc;
    EXPECT_EQ(Call(relay.Endpoint(), kUserId, rpc), 1) << TFramework::LastFailure().text;
    EXPECT_EQ(relay.Seen().find(kUserId) == std::string::npos, secure);
  }
}

TEST_F(SecurityTest, KeyFilesWithWrongModeOrContentGiveAClearError) {
  const std::string path = "/tmp/zelclnt-security-keys-" + std::to_string(getpid());
  std::string error;
  ASSERT_TRUE(TCurve::WriteKeyPair(path, m_client, &error)) << error;
  TCurveKeyPair read;
  std::string publicKey;
  ASSERT_TRUE(TCurve::ReadKeyPair(path, read, &error)) << error;
  ASSERT_TRUE(TCurve::ReadPublicKey(path + ".pub", publicKey, &error)) << error;
  EXPECT_EQ(read.secretKey, m_client.secretKey);
  EXPECT_EQ(publicKey, m_client.publicKey);
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  const std::string pub = "public-key = " + m_client.publicKey + "\n";
  const std::string secret = "secret-key = " + m_client.secretKey + "\n";
  const struct {
    bool allowFile;
    std::string content;
    mode_t mode;
    std::string error;
  } cases[] = {
      {false, pub + secret, 0644, "group or others may read it"},
      {false, "# mine\n" + pub + "secret-key = tooshort\n", 0600, ":3: secret-key is not a key"},
      {false, "secret-key " + m_client.secretKey + "\n", 0600, ":1: expected \"public-key = <key>\""},
      {false, "public-key = " + m_server.publicKey + "\n" + secret, 0600, "the public key is not the secret key's"},
      {false, pub, 0600, "has no secret-key line"},
      {false, std::string(2 << 20, 'x'), 0600, "too large for a key file"},
      {true, "# clients\n" + m_client.publicKey + " write\n", 0600,
       ":2: expected \"<client public key> read|control\""},
      {true, m_client.publicKey + " read\n" + m_client.publicKey + " control\n", 0600, ":2: the key is listed twice"},
      {true, "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~ read\n", 0600, ":1: not a key"},
  };
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::trunc) << c.content;
    ::chmod(path.c_str(), c.mode);
    std::map<std::string, TRole> allowed;
    error.clear();
    EXPECT_FALSE(c.allowFile ? TCurve::ReadAllowFile(path, allowed, &error) : TCurve::ReadKeyPair(path, read, &error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(error.find(m_client.secretKey), std::string::npos) << error;
  }
  EXPECT_FALSE(TFramework::LoadKeys("/nonexistent-zelclnt-keys", &error));
  EXPECT_NE(error.find("cannot read /nonexistent-zelclnt-keys/client.key"), std::string::npos) << error;
  std::remove(path.c_str());
  std::remove((path + ".pub").c_str());
}

}  // namespace
