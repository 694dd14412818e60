#pragma once
// Users' records on their way from the bridge's mirror to the bucket: the
// latest one per user only, so a bucket slow to take them delays records,
// never the mirror (which, held up, would drop the events fed to it and
// join afresh), and holds at most one record per user.
//
// The mirror's thread hands records over; the bucket's writer takes them,
// everything pending at once. Any two threads.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zelbridge {

class PendingRecords {
 public:
  struct Round {
    std::vector<std::pair<std::string, std::string>> puts;
    std::vector<std::string> deletes;
    // After a join: every key the server holds; the bucket's others go.
    std::optional<std::unordered_set<std::string>> held;
  };

  // The mirror joined; what was pending is past. `held`: every user key.
  void Joined(std::unordered_set<std::string> held);
  void Put(const std::string& key, std::string record);
  void Delete(const std::string& key);
  // Everything pending, once there is any or timeoutMs passed.
  Round Take(long timeoutMs);

 private:
  std::mutex m_lock;
  std::condition_variable m_handed;
  // nullopt: delete.
  std::unordered_map<std::string, std::optional<std::string>> m_latest;
  std::optional<std::unordered_set<std::string>> m_held;
};

}  // namespace zelbridge
