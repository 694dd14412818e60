#include "PeerProbe.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

namespace zelplatform {
namespace {

// ZeroMQ's greeting: a signature, the version, then the mechanism's name in
// 20 bytes padded with zeros. A peer sends its own up to the mechanism once
// it has read this much of the other's.
constexpr unsigned char kGreetingStart[] = {0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0x7F, 3};
constexpr std::size_t kMechanismAt = 12;
constexpr std::size_t kMechanismSize = 20;
constexpr auto kSlice = std::chrono::milliseconds(20);

// Enough to judge by: anything but ZeroMQ's greeting, or that up to the mechanism.
bool Enough(const std::string& said) {
  return !said.empty() &&
         (static_cast<unsigned char>(said[0]) != kGreetingStart[0] || said.size() >= kMechanismAt + kMechanismSize);
}

// A raw socket: every message is the connection's id and then bytes, an
// empty part when the connection came or went. It reconnects as ZeroMQ
// does by default: one that would not drops what the peer sent last when
// the peer hangs up.
std::optional<zmq::socket_t> Connect(const std::string& endpoint) {
  for (;;) {
    try {
      zmq::socket_t probe(SharedContext(), zmq::socket_type::stream);
      probe.set(zmq::sockopt::linger, 0);
      probe.connect(endpoint);
      return probe;
    } catch (const zmq::error_t& error) {
      // Interrupted while ZeroMQ processed its commands: nothing was sent yet.
      if (error.num() != EINTR) return std::nullopt;
    }
  }
}

bool SendNow(zmq::socket_t& socket, const void* data, std::size_t size, int flags) {
  while (zmq_send(socket.handle(), data, size, flags | ZMQ_DONTWAIT) < 0) {
    if (zmq_errno() != EINTR) return false;
  }
  return true;
}

using RealClock = std::chrono::steady_clock;

void AwaitInput(zmq::socket_t& socket, RealClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - RealClock::now());
  zmq::pollitem_t item{socket.handle(), 0, ZMQ_POLLIN, 0};
  zmq_poll(&item, 1, static_cast<long>(std::clamp<std::chrono::milliseconds>(left, {}, kSlice).count()));
}

}  // namespace

FirstWords AskPeer(const std::string& endpoint, std::chrono::milliseconds budget) {
  const RealClock::time_point deadline = RealClock::now() + budget;
  std::optional<zmq::socket_t> probe = Connect(endpoint);
  if (!probe) return FirstWords::None;
  bool greeted = false;
  std::string said;
  zmq::message_t id;
  zmq::message_t bytes;
  while (RealClock::now() < deadline) {
    if (!ReceiveNow(*probe, id)) {
      AwaitInput(*probe, deadline);
      continue;
    }
    if (!id.more() || !ReceiveNow(*probe, bytes)) break;
    said.append(bytes.data<char>(), bytes.size());
    if (Enough(said)) break;
    if (bytes.size() != 0) continue;
    // The second empty part: the peer hung up.
    if (greeted) break;
    greeted = true;
    if (!SendNow(*probe, id.data(), id.size(), ZMQ_SNDMORE) ||
        !SendNow(*probe, kGreetingStart, sizeof kGreetingStart, 0))
      break;
  }
  return FirstWordsOf(said);
}

FirstWords FirstWordsOf(const std::string& said) {
  if (said.empty()) return FirstWords::None;
  if (static_cast<unsigned char>(said[0]) != kGreetingStart[0]) return FirstWords::Foreign;
  if (said.size() < kMechanismAt + kMechanismSize) return FirstWords::ZeroMq;
  return said.compare(kMechanismAt, 6, std::string("CURVE\0", 6)) == 0 ? FirstWords::ZeroMqCurve : FirstWords::ZeroMq;
}

}  // namespace zelplatform
