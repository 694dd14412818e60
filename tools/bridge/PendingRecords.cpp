#include "PendingRecords.h"

#include <chrono>

namespace zelbridge {

void PendingRecords::Joined(std::unordered_set<std::string> held) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_latest.clear();
  m_held = std::move(held);
  m_handed.notify_one();
}

void PendingRecords::Put(const std::string& key, std::string record) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_latest[key] = std::move(record);
  // A user added since the join is not one the bucket must lose.
  if (m_held) m_held->insert(key);
  m_handed.notify_one();
}

void PendingRecords::Delete(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_latest[key] = std::nullopt;
  if (m_held) m_held->erase(key);
  m_handed.notify_one();
}

PendingRecords::Round PendingRecords::Take(long timeoutMs) {
  std::unordered_map<std::string, std::optional<std::string>> latest;
  Round round;
  {
    std::unique_lock<std::mutex> lock(m_lock);
    m_handed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_latest.empty() || m_held; });
    latest.swap(m_latest);
    round.held.swap(m_held);
  }
  for (auto& [key, record] : latest) {
    if (record)
      round.puts.emplace_back(key, std::move(*record));
    else
      round.deletes.push_back(key);
  }
  return round;
}

}  // namespace zelbridge
