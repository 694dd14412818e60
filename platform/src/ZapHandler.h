#pragma once
// The process's ZeroMQ authentication handler (ZAP) for its CURVE servers,
// on inproc://zeromq.zap.01 in the shared context. Each server has a domain
// of its own with its own allow list: a client whose public key is listed
// there is admitted with its role as the ZAP user id ("read" or "control",
// the "User-Id" property of every message it sends); any other is refused
// at the handshake. Started with the first domain, the handler then runs
// for the life of the process, like the context, so that no CURVE socket
// ever finds it gone and admits a client unchecked.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <zmq.hpp>

#include "zelclnt/platform/TCurve.h"

namespace zelplatform {

// A server's domain, registered while the object lives.
class ZapDomain {
 public:
  // Throws zmq::error_t when the handler cannot be started.
  explicit ZapDomain(std::map<std::string, TRole> allowed);
  ~ZapDomain();
  ZapDomain(const ZapDomain&) = delete;
  ZapDomain& operator=(const ZapDomain&) = delete;

  const std::string& Name() const { return m_name; }

 private:
  std::string m_name;
};

// Why the security cannot serve: empty when it can (or is not given).
std::string SecurityError(const std::optional<TServerSecurity>& security);

// With security given and an endpoint other than inproc, makes `socket` a
// CURVE server with the keys, checked in a domain of its own, which must
// live as long as the socket; null otherwise. REQUIRES: before the socket
// binds, and SecurityError found nothing.
std::unique_ptr<ZapDomain> Secure(zmq::socket_t& socket, const std::string& endpoint,
                                  const std::optional<TServerSecurity>& security);

// The role a server socket's message was sent with: the ZAP user id, Read
// when it has none it knows.
TRole RoleOf(const zmq::message_t& message);

}  // namespace zelplatform
