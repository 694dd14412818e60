#pragma once
// Asks every server of a list its role, once each kInterval while the list
// is in use, so that the list learns the role and term of each
// (ServerList::NoteAnswer), not only of the one its calls go to. Every
// question carries the highest term the list knows, as a call does: a
// server serving under a lower one stands by at once.
//
// It has no thread: whoever uses the list (a call that starts, an event
// receiver that looks) drives it with Step, which sends the questions due,
// reads the answers that came and never waits; a caller that finds another
// at it goes on. A question not answered within the interval is dropped
// with its connection; connections of answered ones go back to the
// endpoint's pool.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "PlatformClock.h"

namespace zelplatform {

class ConnectionLease;
class ServerList;

class ListProbe {
 public:
  static constexpr std::chrono::milliseconds kInterval{500};

  explicit ListProbe(ServerList& list);
  ~ListProbe();
  ListProbe(const ListProbe&) = delete;
  ListProbe& operator=(const ListProbe&) = delete;

  // Any thread.
  void Step();
  // The next Step asks every server again: what it knows changed. Any
  // thread, even within Step.
  void AskSoon();

 private:
  struct Question;
  class Answers;

  // REQUIRES: m_lock held, for all below.
  void Ask(Clock::time_point now);
  void Send(std::size_t index, Clock::time_point now);
  void Collect(std::size_t index, Clock::time_point now);
  void Drop(std::size_t index);

  ServerList& m_list;
  std::mutex m_lock;
  std::vector<Question> m_questions;
  Clock::time_point m_askedAt;
  Clock::time_point m_nextRound;
  // When Step has something to do again (clock ticks).
  std::atomic<Clock::rep> m_lookAt{0};
  std::atomic<bool> m_askSoon{false};
};

}  // namespace zelplatform
