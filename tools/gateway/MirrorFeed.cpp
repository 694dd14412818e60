#include "MirrorFeed.h"

#include "EventFrames.h"
#include "zelclnt/platform/TDiag.h"

namespace zelgw {

namespace {

using Change = ZelTPresenceChange;

// How long one Poll works before the hub's time is looked at.
constexpr long kSliceMs = 200;

}  // namespace

MirrorFeed::MirrorFeed(std::unique_ptr<ZelTMirrorSource> source, const std::string& server, StreamHub& hub,
                       long queryTimeoutMs)
    : m_mirror(source ? std::make_unique<ZelAPresenceMirror>(std::move(source))
                      : std::make_unique<ZelAPresenceMirror>(server)),
      m_hub(hub) {
  m_mirror->SetQueryTimeout(queryTimeoutMs);
  // Each change carries the record after it: the store's own, which never
  // changes, formatted on this thread without the store's lock.
  m_mirror->SetChangeCopies(true);
}

MirrorFeed::~MirrorFeed() { Stop(); }

bool MirrorFeed::Start(std::string* error) {
  if (!m_mirror->Start(error)) return false;
  m_thread = std::thread([this] { Run(); });
  return true;
}

void MirrorFeed::Stop() {
  m_stop = true;
  m_mirror->Stop();
  if (m_thread.joinable()) m_thread.join();
}

void MirrorFeed::Run() {
  const ZelAPresenceMirror::Callback tell = [this](const Change& change) { OnChange(change); };
  while (!m_stop) {
    m_mirror->Poll(kSliceMs, tell);
    StreamQueried();
    TellStatus();
    m_hub.Tick();
  }
}

void MirrorFeed::TellStatus() {
  if (!m_joined) return;
  MirrorStatus status;
  const bool current = m_mirror->IsCurrent();
  status.state = current                ? MirrorStatus::State::Live
                 : !m_mirror->LinkUp() ? MirrorStatus::State::Unreachable
                                      : MirrorStatus::State::Stale;
  if (m_statusTold && status.state == m_state) return;
  status.reason = current ? std::string() : m_mirror->WhyNotCurrent();
  status.heardAgoMs = m_mirror->HeardAgoMs();
  m_statusTold = true;
  m_state = status.state;
  m_hub.Status(StatusFrame(status));
}

void MirrorFeed::OnChange(const Change& change) {
  const bool user = change.kind == Change::CHANGE_USER || change.kind == Change::CHANGE_USER_ADDED ||
                    change.kind == Change::CHANGE_USER_REMOVED;
  if (user && change.eventType == 0) {
    m_queried.emplace_back(change, m_mirror->Position());
    return;
  }
  if (change.kind == Change::CHANGE_SYNCED) {
    m_queried.clear();
    m_hub.Joined(change.position, change.syncCause != Change::SYNC_FIRST);
    m_joined = true;
    return TellStatus();
  }
  StreamQueried();
  if (user) return Stream(change, m_mirror->Position());
  if (change.kind == Change::CHANGE_REFUSED)
    Diag(TDiag::WARN, __LINE__, __FILE__, "the presence server refused this gateway's keys for its events");
}

void MirrorFeed::StreamQueried() {
  for (const auto& [change, mirrorAt] : m_queried) Stream(change, mirrorAt);
  m_queried.clear();
}

void MirrorFeed::Stream(const Change& change, const TEventPosition& mirrorAt) {
  if (change.kind == Change::CHANGE_USER_REMOVED) {
    return m_hub.Publish(mirrorAt, change.userKey, 0, [&](const StreamId& id) {
      return ChangeFrame(id, change.userKey, 0, false, nullptr);
    });
  }
  const bool added = change.kind == Change::CHANGE_USER_ADDED;
  const ZelTUserPresence* user = change.after.get();
  if (!user) return;
  const std::uint32_t parts = added ? Change::PART_ALL : change.parts;
  m_hub.Publish(mirrorAt, change.userKey, added ? 0 : parts, [&](const StreamId& id) {
    return ChangeFrames(id, change.userKey, parts, added, *user);
  });
}

}  // namespace zelgw
