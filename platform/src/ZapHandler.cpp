#include "ZapHandler.h"

#include <array>
#include <iterator>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>
#include <zmq_addon.hpp>

#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

namespace zelplatform {
namespace {

constexpr const char* kZapEndpoint = "inproc://zeromq.zap.01";
constexpr const char* kReadUser = "read";
constexpr const char* kControlUser = "control";
// version, request id, domain, address, routing id, mechanism, credentials
constexpr std::size_t kRequestParts = 7;
constexpr std::size_t kCurveKeyBytes = 32;

class ZapHandler {
 public:
  static ZapHandler& Instance() {
    static ZapHandler* handler = new ZapHandler;
    return *handler;
  }

  std::string Register(std::map<std::string, TRole> allowed) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_socket) Start();
    const std::string name = "zelclnt-" + std::to_string(++m_lastDomain);
    m_domains[name] = std::move(allowed);
    return name;
  }

  void Unregister(const std::string& name) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_domains.erase(name);
  }

 private:
  // REQUIRES: m_lock held.
  void Start() {
    auto socket = std::make_unique<zmq::socket_t>(SharedContext(), zmq::socket_type::rep);
    socket->set(zmq::sockopt::linger, 0);
    socket->bind(kZapEndpoint);
    m_socket = std::move(socket);
    std::thread(&ZapHandler::Serve, this).detach();
  }

  void Serve() {
    std::vector<zmq::message_t> request;
    for (;;) {
      request.clear();
      try {
        if (!zmq::recv_multipart(*m_socket, std::back_inserter(request))) continue;
        Answer(request);
      } catch (const zmq::error_t& failure) {
        if (failure.num() != EINTR) Diag(TDiag::SEVR, __LINE__, __FILE__, "Authentication handler: %s", failure.what());
      }
    }
  }

  void Answer(const std::vector<zmq::message_t>& request) {
    const std::string requestId = request.size() > 1 ? request[1].to_string() : std::string();
    const char* user = request.size() == kRequestParts ? UserOf(request[2].to_string(), request[6]) : nullptr;
    const std::string_view parts[] = {
        "1.0", requestId, user ? "200" : "400", user ? "OK" : "not admitted", user ? user : "", ""};
    std::array<zmq::const_buffer, std::size(parts)> reply;
    for (std::size_t part = 0; part < reply.size(); ++part) reply[part] = zmq::buffer(parts[part]);
    zmq::send_multipart(*m_socket, reply);
  }

  // The ZAP user id of an admitted client; null for any other.
  const char* UserOf(const std::string& domain, const zmq::message_t& credentials) {
    if (credentials.size() != kCurveKeyBytes) return nullptr;
    char z85[TCurve::kKeyLength + 1] = {};
    if (!zmq_z85_encode(z85, credentials.data<std::uint8_t>(), kCurveKeyBytes)) return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_domains.find(domain);
    if (found == m_domains.end()) return nullptr;
    const auto role = found->second.find(z85);
    if (role == found->second.end()) return nullptr;
    return role->second == TRole::Control ? kControlUser : kReadUser;
  }

  std::mutex m_lock;
  // The socket is the serving thread's alone once it runs.
  std::unique_ptr<zmq::socket_t> m_socket;
  std::map<std::string, std::map<std::string, TRole>> m_domains;
  unsigned long m_lastDomain = 0;
};

}  // namespace

ZapDomain::ZapDomain(std::map<std::string, TRole> allowed)
    : m_name(ZapHandler::Instance().Register(std::move(allowed))) {}

ZapDomain::~ZapDomain() { ZapHandler::Instance().Unregister(m_name); }

std::string SecurityError(const std::optional<TServerSecurity>& security) {
  if (!security) return "";
  if (!TCurve::Available()) return "this build of ZeroMQ has no CURVE";
  if (!TCurve::IsKey(security->serverKeys.secretKey))
    return "the server's secret key is not a key (40 characters of Z85)";
  return "";
}

std::unique_ptr<ZapDomain> Secure(zmq::socket_t& socket, const std::string& endpoint,
                                  const std::optional<TServerSecurity>& security) {
  if (!security || IsInproc(endpoint)) return nullptr;
  auto domain = std::make_unique<ZapDomain>(security->allowed);
  socket.set(zmq::sockopt::curve_server, true);
  const std::string& secret = security->serverKeys.secretKey;
  if (zmq_setsockopt(socket.handle(), ZMQ_CURVE_SECRETKEY, secret.c_str(), secret.size() + 1) != 0)
    throw zmq::error_t();
  socket.set(zmq::sockopt::zap_domain, domain->Name());
  return domain;
}

TRole RoleOf(const zmq::message_t& message) {
  const char* user = zmq_msg_gets(message.handle(), "User-Id");
  return user && std::string_view(user) == kControlUser ? TRole::Control : TRole::Read;
}

}  // namespace zelplatform
