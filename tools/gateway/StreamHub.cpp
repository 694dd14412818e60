#include "StreamHub.h"

#include <algorithm>

namespace zelgw {

StreamHub::StreamHub(StreamHubOptions options)
    : m_options(options),
      m_journal(options.journalEntries, options.journalAge),
      m_heartbeat(std::make_shared<const std::string>(": heartbeat\n\n")) {}

void StreamHub::Joined(const TEventPosition& at, bool again) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (again) ReloadAll("the gateway's mirror joined the presence server again");
  m_journal.Restart(at);
  m_lastHeartbeat = TClock::Now();
}

void StreamHub::Fill(StreamEntry& entry, std::string frame) {
  entry.frame = std::make_shared<const std::string>(std::move(frame));
}

void StreamHub::Fill(StreamEntry& entry, ChangeTexts texts) {
  entry.frame = std::make_shared<const std::string>(std::move(texts.frame));
  if (!texts.summary.empty()) entry.summary = std::make_shared<const std::string>(std::move(texts.summary));
}

void StreamHub::Deliver(StreamEntry entry) {
  for (const auto& sink : m_sinks) sink->Offer(entry);
  m_journal.Append(std::move(entry));
}

void StreamHub::ReloadAll(const std::string& reason) {
  std::vector<std::shared_ptr<StreamSink>> sinks;
  sinks.swap(m_sinks);
  for (const auto& sink : sinks) sink->Reload(reason);
}

void StreamHub::Tick() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_journal.Trim();
  const TClock::time_point now = TClock::Now();
  if (now - m_lastHeartbeat < m_options.heartbeat) return;
  m_lastHeartbeat = now;
  for (const auto& sink : m_sinks) sink->Notice(m_heartbeat);
}

void StreamHub::Status(std::string frame) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_status = std::make_shared<const std::string>(std::move(frame));
  for (const auto& sink : m_sinks) sink->Notice(m_status);
}

StreamHub::Subscription StreamHub::Subscribe(const std::shared_ptr<StreamSink>& sink,
                                             const std::optional<StreamId>& from) {
  std::lock_guard<std::mutex> guard(m_lock);
  Subscription subscription;
  if (!m_journal.Started()) return subscription;
  if (from) {
    if (!m_journal.After(*from, subscription.missed)) {
      subscription.opening = Opening::Gone;
      return subscription;
    }
    subscription.opening = Opening::Resumed;
  } else {
    subscription.opening = Opening::Snapshot;
    subscription.at = m_journal.Last();
  }
  subscription.status = m_status;
  m_sinks.push_back(sink);
  return subscription;
}

void StreamHub::Unsubscribe(const StreamSink* sink) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_sinks.erase(std::remove_if(m_sinks.begin(), m_sinks.end(), [sink](const auto& held) { return held.get() == sink; }),
                m_sinks.end());
}

void StreamHub::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_sinks.clear();
}

std::size_t StreamHub::Subscribers() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_sinks.size();
}

bool StreamHub::Ready() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_journal.Started();
}

}  // namespace zelgw
