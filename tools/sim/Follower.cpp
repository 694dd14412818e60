#include "Follower.h"

namespace zelsim {

Follower::Follower(const std::string& peer) : m_mirror(peer) {
  m_mirror.SetQueryTimeout(kQueryTimeoutMs);
  m_thread = std::thread(&Follower::Run, this);
}

Follower::~Follower() { Finish(); }

bool Follower::CaughtUpTo(const TEventPosition& through) const {
  const TEventPosition at = m_mirror.Position();
  return m_joined && m_mirror.IsCurrent() && at.incarnation == through.incarnation && at.position >= through.position;
}

std::vector<ZelTUserPresence> Follower::Finish() {
  if (!m_thread.joinable()) return {};
  m_mirror.Stop();
  m_thread.join();
  return m_joined ? m_mirror.Users().CopyAll() : std::vector<ZelTUserPresence>();
}

void Follower::Run() {
  std::string error;
  if (!m_mirror.Start(&error)) return;
  m_mirror.Poll(-1, [this](const ZelTPresenceChange& change) {
    if (change.kind == ZelTPresenceChange::CHANGE_SYNCED) m_joined = true;
  });
}

}  // namespace zelsim
