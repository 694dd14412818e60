#include "Events.h"

#include <chrono>
#include <functional>
#include <thread>

#include "EventFrame.h"
#include "ReplayFrame.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr int kPollAttempts = 5000;

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// Sends probes (`send` gives the position of the one it sent) until one
// arrived; the later ones still on the way are read too, so that none is
// left for the test: true when the last one sent was read.
bool ProbeUntilArrived(TEventReceiver& receiver, const std::function<std::uint64_t()>& send) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    const std::uint64_t lastSent = send();
    Pause();
    TEventNotice notice;
    bool arrived = false;
    while (arrived ? AwaitNotice(receiver, notice) : receiver.Next(notice, 0)) {
      arrived = arrived || (notice.kind == TEventNotice::Kind::Event && notice.data == "probe");
      if (arrived && notice.position == lastSent) return true;
    }
  }
  return false;
}

}  // namespace

std::string EventHeader(int type, std::int64_t user, std::uint64_t incarnation, std::uint64_t position,
                        std::uint64_t typePrevious, std::uint64_t userPrevious, std::uint32_t magic, char version) {
  TPack pack;
  pack.AppendFixed32(magic);
  pack.AppendFixed32(static_cast<std::uint32_t>(type));
  pack.AppendFixed64(static_cast<std::uint64_t>(user));
  const char versionAndFlags[4] = {version, 0, 0, 0};
  pack.Append(versionAndFlags, 4);
  pack.AppendFixed64(incarnation);
  pack.AppendFixed64(position);
  pack.AppendFixed64(typePrevious);
  pack.AppendFixed64(userPrevious);
  return std::string(pack.Contents(), pack.Length());
}

ScriptedPublisher::ScriptedPublisher(const std::string& serverName, bool serveReplays)
    : m_socket(m_context, zmq::socket_type::pub) {
  m_socket.set(zmq::sockopt::linger, 0);
  m_socket.bind(zelplatform::EventEndpointOf(serverName));
  if (!serveReplays) return;
  m_server = std::make_unique<TRPCServer>(serverName, [this](TRPC& rpc) { Answer(rpc); });
  m_server->Start();
}

ScriptedPublisher::~ScriptedPublisher() {
  AnswerReplays(Replays::Unanswerable);
  if (m_server) m_server->Stop();
}

void ScriptedPublisher::AnswerReplays(Replays how) {
  {
    std::lock_guard<std::mutex> guard(m_replaysLock);
    m_replays = how;
  }
  m_replaysChanged.notify_all();
}

void ScriptedPublisher::Send(const std::vector<std::string>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i)
    m_socket.send(zmq::buffer(parts[i]), i + 1 < parts.size() ? zmq::send_flags::sndmore : zmq::send_flags::none);
}

std::string ScriptedPublisher::Next(int type, std::int64_t user, const std::string& body) {
  ++m_position;
  std::uint64_t& typeLast = m_types[type];
  std::uint64_t userPrevious = 0;
  if (user != kNoUser) {
    userPrevious = m_users[user];
    m_users[user] = m_position;
  }
  const std::string header = EventHeader(type, user, m_incarnation, m_position, typeLast, userPrevious);
  typeLast = m_position;
  m_log.Add(m_position, type, user, body.data(), body.size(), body.size(), std::chrono::steady_clock::time_point());
  return header;
}

void ScriptedPublisher::Event(int type, const std::string& body, std::int64_t user) {
  Send({Next(type, user, body), body});
}

void ScriptedPublisher::Lost(int type, const std::string& body, std::int64_t user) { Next(type, user, body); }

void ScriptedPublisher::Heartbeat() {
  TPack marks;
  for (const auto& [type, last] : m_types) {
    marks.AppendFixed32(static_cast<std::uint32_t>(type));
    marks.AppendFixed64(last);
  }
  Send({EventHeader(0, kNoUser, m_incarnation, m_position, 0, 0), std::string(marks.Contents(), marks.Length())});
}

void ScriptedPublisher::Restart() {
  ++m_incarnation;
  m_position = 0;
  m_types.clear();
  m_users.clear();
  m_log.Clear();
}

void ScriptedPublisher::Answer(TRPC& rpc) {
  Replays how = Replays::Held;
  {
    std::unique_lock<std::mutex> lock(m_replaysLock);
    m_replaysChanged.wait(lock, [this] { return m_replays != Replays::Held; });
    how = m_replays;
  }
  zelplatform::ReplayRequest request;
  if (how == Replays::Unanswerable ||
      !zelplatform::DecodeReplayRequest(rpc.GetCallPointer(), rpc.GetCallSize(), request)) {
    rpc.SetReplyData("no", 2);
    return;
  }
  using Status = zelplatform::ReplayStatus;
  const bool ours = request.incarnation == m_incarnation;
  zelplatform::ReplayAnswerWriter answer(ours ? Status::Events : Status::OtherIncarnation, m_incarnation, m_position);
  std::uint64_t through = 0;
  if (ours && (how == Replays::Gone || !m_log.Answer(request, 1 << 20, 100, answer, through)))
    answer = zelplatform::ReplayAnswerWriter(Status::PositionGone, m_incarnation, m_position);
  const std::string bytes = answer.Finish(through);
  rpc.SetReplyData(bytes.data(), bytes.size());
}

bool ScriptedPublisher::Probe(TEventReceiver& receiver, int type, std::int64_t user) {
  return ProbeUntilArrived(receiver, [&] {
    Event(type, "probe", user);
    return m_position;
  });
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
  return ProbeUntilArrived(receiver, [&] {
    publisher.Publish(type, "probe", 5);
    return publisher.Position().position;
  });
}

std::string Describe(const TEventNotice& notice) {
  using Kind = TEventNotice::Kind;
  const std::string type = std::to_string(notice.eventType);
  switch (notice.kind) {
    case Kind::Event: return (notice.replayed ? "Replayed " : "Event ") + type + " " + notice.data;
    case Kind::TooLarge: return "TooLarge " + type;
    case Kind::Restarted: return "Restarted";
    case Kind::Resync: return "Resync";
    case Kind::Disconnected: return "Disconnected";
    case Kind::Reconnected: return "Reconnected";
    case Kind::AuthenticationFailed: return "AuthenticationFailed";
    case Kind::Switched: return "Switched";
    case Kind::TwoServing: return "TwoServing";
  }
  return "?";
}

std::vector<std::string> Describe(const std::vector<TEventNotice>& notices) {
  std::vector<std::string> texts;
  for (const TEventNotice& notice : notices) texts.push_back(Describe(notice));
  return texts;
}
