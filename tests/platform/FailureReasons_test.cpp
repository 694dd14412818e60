#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "DiagCapture.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using Kind = TFramework::FailureKind;

// Every peer here fails a call within milliseconds. The call would wait far
// longer, so a failure told by the time-out instead shows.
constexpr long kCallTimeoutMs = 30000;
constexpr auto kFastEnough = std::chrono::seconds(5);

// ZeroMQ's greeting (version 3.0) naming a security mechanism.
std::string Greeting(const std::string& mechanism) {
  std::string greeting(64, '\0');
  greeting[0] = '\xFF';
  greeting[8] = '\x01';
  greeting[9] = '\x7F';
  greeting[10] = '\x03';
  greeting.replace(12, mechanism.size(), mechanism);
  return greeting;
}

// A tcp listener on loopback that does with each connection what no
// presence server would.
class RawPeer {
 public:
  // CurveLate: a CURVE server that hung up on the first connection before
  // its greeting went out, and greets later ones.
  enum class Manner { HangUp, HangUpAfterGreeting, AnswerHttp, BreakZeroMq, CurveLate };

  explicit RawPeer(Manner manner) : m_listener(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 8);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this, manner] { Serve(manner); });
  }
  ~RawPeer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
  }
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  int Port() const { return m_port; }
  std::string Endpoint() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
  int Connections() const { return m_connections; }

 private:
  void Serve(Manner manner) {
    pollfd incoming{m_listener, POLLIN, 0};
    while (!m_stop) {
      if (::poll(&incoming, 1, 20) <= 0) continue;
      const int connection = ::accept(m_listener, nullptr, nullptr);
      if (connection < 0) continue;
      Treat(connection, manner == Manner::CurveLate && m_connections == 0 ? Manner::HangUp : manner);
      ::close(connection);
      ++m_connections;
    }
  }

  static void Treat(int connection, Manner manner) {
    static const std::string http =
        "HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: 11\r\nConnection: close\r\n\r\n"
        "Bad Request";
    // A command that no clear-text handshake has.
    static const std::string nonsense = Greeting("NULL") + std::string("\x04\x06\x05HELLO", 8);
    static const std::string curve = Greeting("CURVE");
    if (manner == Manner::HangUp) return;
    if (manner == Manner::BreakZeroMq) Write(connection, nonsense);
    if (manner == Manner::CurveLate) Write(connection, curve);
    // What a client says first; and for a peer that spoke first, its hanging up.
    const bool spoke = manner == Manner::BreakZeroMq || manner == Manner::CurveLate;
    for (int reads = spoke ? 10 : 1; reads > 0 && Read(connection); --reads) {
    }
    if (manner == Manner::AnswerHttp) Write(connection, http);
  }

  // False once the peer hung up or a second passed in silence.
  static bool Read(int connection) {
    pollfd readable{connection, POLLIN, 0};
    char buffer[512];
    return ::poll(&readable, 1, 1000) > 0 && ::read(connection, buffer, sizeof buffer) > 0;
  }
  // A client gone already is no matter (and no SIGPIPE): it tells what it saw.
  static void Write(int connection, const std::string& bytes) {
    [[maybe_unused]] const ssize_t sent = ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }

  int m_listener;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connections{0};
  std::thread m_thread;
};

// A server that takes the call and goes away before it replies.
class VanishingServer {
 public:
  VanishingServer() : m_router(m_context, zmq::socket_type::router) {
    m_router.set(zmq::sockopt::linger, 0);
    m_router.bind("tcp://127.0.0.1:0");
    m_endpoint = m_router.get(zmq::sockopt::last_endpoint);
    m_thread = std::thread([this] {
      zmq::pollitem_t call{m_router.handle(), 0, ZMQ_POLLIN, 0};
      while (!m_stop && zmq::poll(&call, 1, std::chrono::milliseconds(20)) == 0) {
      }
      m_router.close();
    });
  }
  ~VanishingServer() {
    m_stop = true;
    m_thread.join();
  }
  const std::string& Endpoint() const { return m_endpoint; }

 private:
  zmq::context_t m_context;
  zmq::socket_t m_router;
  std::string m_endpoint;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// Keys are process-wide: whatever a case sets is forgotten when it ends,
// however it ends.
class KeysInForce {
 public:
  ~KeysInForce() {
    for (const std::string& endpoint : m_endpoints) TFramework::SetServerKey(endpoint, "");
    TFramework::SetClientKeys({});
  }
  void Set(const std::string& endpoint, const std::string& serverKey, const TCurveKeyPair& client) {
    m_endpoints.push_back(endpoint);
    TFramework::SetServerKey(endpoint, serverKey);
    TFramework::SetClientKeys(client);
  }

 private:
  std::vector<std::string> m_endpoints;
};

class FailureReasonsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(TCurve::Available()); }
  // A refused key shows in no diagnostic line of any type.
  void TearDown() override {
    for (const CapturedLine& line : m_diag.Lines()) {
      EXPECT_EQ(line.text.find(m_client.secretKey), std::string::npos) << line.text;
      EXPECT_EQ(line.text.find(m_server.secretKey), std::string::npos) << line.text;
    }
  }

  DiagCapture m_diag{"INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM"};
  KeysInForce m_keys;
  TCurveKeyPair m_client = TCurve::Generate();
  TCurveKeyPair m_server = TCurve::Generate();
};

// What each peer is told as, exactly; and no peer takes the time-out to tell.
TEST_F(FailureReasonsTest, EachPeerIsToldAsWhatItIs) {
  enum class Peer { HangUp, HangUpAfterGreeting, Http, BreakZeroMq, CurveLate, CurveServer, ClearServer, Vanishing };
  enum class ServerKey { None, Right, Stranger };
  const std::string closed = " during the handshake: not a presence server, or a proxy with nothing behind it";
  const std::string notServer = " does not speak its protocol";
  const struct {
    const char* name;
    Peer peer;
    ServerKey serverKey;
    bool clientKeys;
    bool admitted;
    Kind kind;
    std::string lead;
    std::string tail;
  } cases[] = {
      {"hangs up at once", Peer::HangUp, ServerKey::None, false, false, Kind::ClosedInHandshake, "closed by ", closed},
      {"hangs up on the greeting", Peer::HangUpAfterGreeting, ServerKey::None, false, false, Kind::ClosedInHandshake,
       "closed by ", closed},
      {"hangs up at once on CURVE", Peer::HangUp, ServerKey::Right, true, false, Kind::ClosedInHandshake, "closed by ",
       closed},
      {"answers HTTP", Peer::Http, ServerKey::None, false, false, Kind::NotPresenceServer,
       "not a presence server: ", notServer},
      {"answers HTTP to CURVE", Peer::Http, ServerKey::Right, true, false, Kind::NotPresenceServer,
       "not a presence server: ", notServer},
      {"breaks ZeroMQ's handshake", Peer::BreakZeroMq, ServerKey::None, false, false, Kind::NotPresenceServer,
       "not a presence server: ", notServer},
      {"client key not on the list", Peer::CurveServer, ServerKey::Right, true, false, Kind::AuthenticationFailed,
       "authentication failed by ", ""},
      {"wrong server key", Peer::CurveServer, ServerKey::Stranger, true, true, Kind::AuthenticationFailed,
       "authentication failed by ", ""},
      {"CURVE server hangs up before its greeting", Peer::CurveLate, ServerKey::None, false, false,
       Kind::AuthenticationFailed, "authentication failed by ", ""},
      {"clear text to CURVE", Peer::CurveServer, ServerKey::None, false, true, Kind::AuthenticationFailed,
       "authentication failed by ", ""},
      {"CURVE to clear text", Peer::ClearServer, ServerKey::Right, true, true, Kind::AuthenticationFailed,
       "authentication failed by ", ""},
      {"server key but no client pair", Peer::CurveServer, ServerKey::Right, false, true, Kind::NoUsableKeys,
       "no usable keys to call ", ": no client key pair (TFramework::LoadKeys or ZELCLNT_KEYS)"},
      {"goes away mid-call", Peer::Vanishing, ServerKey::None, false, false, Kind::Interrupted,
       "interrupted: ", " shut down or dropped the connection before replying"},
  };
  const TCurveKeyPair stranger = TCurve::Generate();
  for (const auto& c : cases) {
    std::unique_ptr<RawPeer> raw;
    std::unique_ptr<TRPCServer> server;
    std::unique_ptr<VanishingServer> vanishing;
    std::string endpoint;
    if (c.peer == Peer::CurveServer || c.peer == Peer::ClearServer) {
      server = std::make_unique<TRPCServer>("tcp://127.0.0.1:0", [](TRPC&) {});
      std::map<std::string, TRole> allowed;
      if (c.admitted) allowed[m_client.publicKey] = TRole::Control;
      if (c.peer == Peer::CurveServer) server->SetSecurity({m_server, allowed});
      ASSERT_TRUE(server->Start()) << c.name;
      endpoint = server->Endpoint();
    } else if (c.peer == Peer::Vanishing) {
      vanishing = std::make_unique<VanishingServer>();
      endpoint = vanishing->Endpoint();
    } else {
      // The first peers are raw ones, in the order of their manners.
      const RawPeer::Manner manners[] = {RawPeer::Manner::HangUp, RawPeer::Manner::HangUpAfterGreeting,
                                         RawPeer::Manner::AnswerHttp, RawPeer::Manner::BreakZeroMq,
                                         RawPeer::Manner::CurveLate};
      raw = std::make_unique<RawPeer>(manners[static_cast<int>(c.peer)]);
      endpoint = raw->Endpoint();
    }
    const std::string serverKeys[] = {"", m_server.publicKey, stranger.publicKey};
    m_keys.Set(endpoint, serverKeys[static_cast<int>(c.serverKey)], c.clientKeys ? m_client : TCurveKeyPair{});

    TFramework client("failure-reasons", "local", 5);
    TRPC rpc;
    rpc.SetRPCType(77);
    rpc.SetCallData("x", 1);
    TThreadQueue queue;
    const auto start = Clock::now();
    EXPECT_EQ(client.SendRPC(rpc, endpoint.c_str(), queue, kCallTimeoutMs, 0), 0) << c.name;
    EXPECT_LT(Clock::now() - start, kFastEnough) << c.name;
    EXPECT_EQ(TFramework::LastFailure().kind, c.kind) << c.name;
    EXPECT_EQ(TFramework::LastFailure().text, c.lead + endpoint + c.tail) << c.name;
    if (server) {
      EXPECT_EQ(server->CallsServed(), 0u) << c.name;
    }
  }
}

// A receiver that is told AuthenticationFailed looks for keys; only a
// publisher that demands CURVE is reason to.
TEST_F(FailureReasonsTest, AReceiverIsToldOfAuthenticationOnlyWhereThereWasSome) {
  const struct {
    const char* name;
    RawPeer::Manner manner;
    bool curvePublisher;
  } cases[] = {
      {"hangs up at once", RawPeer::Manner::HangUp, false},
      {"breaks ZeroMQ's handshake", RawPeer::Manner::BreakZeroMq, false},
      {"publisher requires CURVE", RawPeer::Manner::HangUp, true},
  };
  for (const auto& c : cases) {
    std::unique_ptr<RawPeer> raw;
    std::unique_ptr<TEventPublisher> publisher;
    std::string server = "ipc:///tmp/zelclnt-failure-reasons-" + std::to_string(getpid());
    if (c.curvePublisher) {
      publisher = std::make_unique<TEventPublisher>(server);
      publisher->SetSecurity({m_server, {}});
      ASSERT_TRUE(publisher->Start()) << c.name;
    } else {
      // The events of a tcp server are on the port after its own.
      raw = std::make_unique<RawPeer>(c.manner);
      server = "tcp://127.0.0.1:" + std::to_string(raw->Port() - 1);
    }
    TEventReceiver receiver(server);
    ASSERT_TRUE(receiver.Start()) << c.name;
    // The monitor tells within milliseconds of the peer's answer: half a
    // second after the peer was done with the receiver is generous.
    bool refused = false;
    bool reached = false;
    TEventNotice notice;
    for (auto until = Clock::now() + std::chrono::seconds(5); !refused && Clock::now() < until;) {
      if (receiver.Next(notice, 20)) refused = notice.kind == TEventNotice::Kind::AuthenticationFailed;
      if (reached || !raw || raw->Connections() == 0) continue;
      reached = true;
      until = Clock::now() + std::chrono::milliseconds(500);
    }
    EXPECT_EQ(refused, c.curvePublisher) << c.name;
    if (raw) {
      EXPECT_GT(raw->Connections(), 0) << c.name;
    }
  }
}

}  // namespace
