#include "Events.h"

#include <chrono>
#include <thread>

#include "zelclnt/platform/TPack.h"

namespace {

constexpr int kPollAttempts = 5000;

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// Once one probe arrived, the later ones still on the way are read too, so
// that none is left for the test: true when the last one sent was read.
bool ProbeArrived(TEventReceiver& receiver, std::uint64_t lastSent) {
  TEventNotice notice;
  bool arrived = false;
  while (arrived ? AwaitNotice(receiver, notice) : receiver.Next(notice, 0)) {
    arrived = arrived || (notice.kind == TEventNotice::Kind::Event && notice.data == "probe");
    if (arrived && notice.sequence == lastSent) return true;
  }
  return false;
}

}  // namespace

std::string EventHeader(int type, std::uint64_t incarnation, std::uint64_t sequence, std::uint32_t magic,
                        char version) {
  TPack pack;
  pack.AppendFixed32(static_cast<std::uint32_t>(type));
  pack.AppendFixed32(magic);
  const char versionAndReserved[4] = {version, 0, 0, 0};
  pack.Append(versionAndReserved, 4);
  pack.AppendFixed64(incarnation);
  pack.AppendFixed64(sequence);
  return std::string(pack.Contents(), pack.Length());
}

std::string HeartbeatBody(const std::vector<std::pair<int, std::uint64_t>>& lastSequences) {
  TPack pack;
  for (const auto& [type, last] : lastSequences) {
    pack.AppendFixed32(static_cast<std::uint32_t>(type));
    pack.AppendFixed64(last);
  }
  return std::string(pack.Contents(), pack.Length());
}

RawPublisher::RawPublisher(const std::string& serverName) : m_socket(m_context, zmq::socket_type::pub) {
  m_socket.set(zmq::sockopt::linger, 0);
  m_socket.bind(zelplatform::EventEndpointOf(serverName));
}

void RawPublisher::Send(const std::vector<std::string>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i)
    m_socket.send(zmq::buffer(parts[i]), i + 1 < parts.size() ? zmq::send_flags::sndmore : zmq::send_flags::none);
}

void RawPublisher::Event(int type, std::uint64_t incarnation, std::uint64_t sequence, const std::string& body) {
  Send({EventHeader(type, incarnation, sequence), body});
}

void RawPublisher::Heartbeat(std::uint64_t incarnation, std::uint64_t beat,
                             const std::vector<std::pair<int, std::uint64_t>>& last) {
  Send({EventHeader(0, incarnation, beat), HeartbeatBody(last)});
}

std::uint64_t RawPublisher::Probe(TEventReceiver& receiver, int type, std::uint64_t incarnation) {
  for (std::uint64_t sequence = 1; sequence <= kPollAttempts; ++sequence) {
    Event(type, incarnation, sequence, "probe");
    Pause();
    if (ProbeArrived(receiver, sequence)) return sequence + 1;
  }
  return 0;
}

bool AwaitNotice(TEventReceiver& receiver, TEventNotice& notice) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    if (receiver.Next(notice, 0)) return true;
    Pause();
  }
  return false;
}

std::vector<TEventNotice> NoticesThrough(TEventReceiver& receiver, int type) {
  std::vector<TEventNotice> seen;
  TEventNotice notice;
  while (AwaitNotice(receiver, notice)) {
    seen.push_back(notice);
    if (notice.kind == TEventNotice::Kind::Event && notice.eventType == type) break;
  }
  return seen;
}

bool Subscribed(TEventPublisher& publisher, TEventReceiver& receiver, int type) {
  for (std::uint64_t sent = 1; sent <= kPollAttempts; ++sent) {
    publisher.Publish(type, "probe", 5);
    Pause();
    if (ProbeArrived(receiver, sent)) return true;
  }
  return false;
}

std::string Describe(const TEventNotice& notice) {
  using Kind = TEventNotice::Kind;
  const std::string type = std::to_string(notice.eventType);
  switch (notice.kind) {
    case Kind::Event: return "Event " + type + "#" + std::to_string(notice.sequence) + " " + notice.data;
    case Kind::Lost: return "Lost " + type + " x" + std::to_string(notice.count);
    case Kind::TooLarge: return "TooLarge " + type + "#" + std::to_string(notice.sequence);
    case Kind::Restarted: return "Restarted";
    case Kind::Disconnected: return "Disconnected";
    case Kind::Reconnected: return "Reconnected";
    case Kind::AuthenticationFailed: return "AuthenticationFailed";
  }
  return "?";
}

std::vector<std::string> Describe(const std::vector<TEventNotice>& notices) {
  std::vector<std::string> texts;
  for (const TEventNotice& notice : notices) texts.push_back(Describe(notice));
  return texts;
}
