#pragma once
// A receiver of a list of servers follows the one that serves. When its
// publisher stands by or goes away it asks the list, beside the events and
// never holding them up, until one serves; it tells when the list names
// another server, and when two were seen serving at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "PlatformClock.h"
#include "ServerList.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {

class ServingFollower {
 public:
  struct Seen {
    // Two servers of the list serve at once, newly seen.
    bool twoServing = false;
    // The list names another server than the one followed.
    bool switched = false;
  };

  ServingFollower(std::string serverName, std::shared_ptr<ServerList> list, TFramework& caller);
  ~ServingFollower();
  ServingFollower(const ServingFollower&) = delete;
  ServingFollower& operator=(const ServingFollower&) = delete;

  // Asks the list and waits for its answer (up to the probe's time-out), so
  // that a receiver starts where it should.
  void LookNow();
  // The publisher followed stands by, or went away.
  void LookFor();
  // Collects a look's answer and starts one that is due.
  Seen Check(std::size_t followed);
  // Another server is followed: nothing asked for the last one matters.
  void Reset();
  // Readable when a look in flight ended; -1 when none is.
  int Descriptor();
  // When the next look is due, while one is wanted and none is in flight.
  std::optional<Clock::time_point> DueAt() const;

 private:
  void StartLook();
  void TakeLook();
  void Looked(bool serving);
  void DropLook();

  const std::string m_serverName;
  const std::shared_ptr<ServerList> m_list;
  TFramework& m_caller;
  // The list's count of two servers seen serving at once, as last told.
  std::uint64_t m_twoServingTold = 0;
  bool m_lookingFor = false;
  Clock::time_point m_lookAt;
  // The role question in flight; it outlives its queue, which ends it first.
  std::unique_ptr<TRPC> m_look;
  TCompletionQueue m_looks;
};

}  // namespace zelplatform
