#include "MirrorDemo.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "CallReport.h"
#include "Command.h"
#include "LinkRelay.h"
#include "Output.h"
#include "PresenceSimulator.h"
#include "StoreComparison.h"
#include "TopView.h"
#include "UserClient.h"
#include "UserText.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelctl {
namespace {

using Clock = std::chrono::steady_clock;
using Change = ZelTPresenceChange;
using User = ZelTUserPresence;

// Every wait of the chapter, far above what a loaded machine needs.
constexpr auto kBound = std::chrono::seconds(20);
constexpr long kWatchedAgent = 42;

void Say(const char* who, const std::string& text) { std::fprintf(Out(), "%-9s%s\n", who, text.c_str()); }

bool Failed(const std::string& text) {
  Fail(text);
  return false;
}

struct Action {
  long userKey;
  const char* what;
  UserAction action;
};

UserAction Routing(ZelTRoutingState::enRoutingState state, long reason) {
  UserAction action;
  action.action = User::ACTION_SET_ROUTING_STATE;
  action.routingState = state;
  action.reason = reason;
  return action;
}

UserAction RecoveryOn() {
  UserAction action;
  action.action = User::ACTION_SET_RECOVERY_MODE;
  action.on = true;
  return action;
}

class Chapter {
 public:
  Chapter() : m_simulator(Options()) {}

  bool Play() {
    std::string error;
    if (!m_simulator.Start(&error)) return Failed("cannot start the chapter's simulator: " + error);
    m_relay = std::make_unique<zelsim::LinkRelay>(m_simulator.Endpoint());
    if (!m_relay->Start(&error)) return Failed(error);
    std::fprintf(Out(),
                 "A second simulator serves %zu agents on %s; a mirror of every agent follows it through a "
                 "relay on %s, whose link is cut.\n",
                 m_simulator.Users().Size(), m_simulator.Endpoint().c_str(), m_relay->Endpoint().c_str());
    return Join() && Cut() && ChangeWhileCut() && Restore() && Check();
  }

 private:
  static zelsim::SimulatorOptions Options() {
    zelsim::SimulatorOptions options;
    options.endpoint = "tcp://127.0.0.1:0";
    return options;
  }

  // Polls the mirror until `done` holds or the bound passes, telling what
  // the mirror tells.
  bool Follow(const std::function<bool()>& done, const std::string& waitingFor) {
    const auto told = [this](const Change& change) {
      if (change.kind == Change::CHANGE_LINK_DOWN) m_linkDown = true;
      if (change.kind == Change::CHANGE_SYNCED && change.syncCause == Change::SYNC_FIRST) return;
      const std::string notice = TopNoticeLine(change);
      Say("mirror:", notice.empty() ? change.ToString() : notice);
    };
    for (const auto until = Clock::now() + kBound; Clock::now() < until;) {
      if (done()) return true;
      m_mirror->Poll(20, told);
    }
    if (done()) return true;
    return Failed("the mirror never " + waitingFor);
  }

  void ShowWatchedAgent(const char* when) {
    User agent;
    if (m_mirror->Users().Copy(kWatchedAgent, agent))
      Say("mirror:", "agent " + std::to_string(kWatchedAgent) + " " + when + ": " + RoutingStateText(agent));
  }

  bool Join() {
    m_mirror = std::make_unique<ZelAPresenceMirror>(m_relay->Endpoint());
    std::string error;
    if (!m_mirror->Start(&error)) return Failed("cannot start the mirror: " + error);
    if (!Follow([this] { return m_mirror->IsCurrent(); }, "joined")) return false;
    Say("mirror:", "joined at position " + std::to_string(m_mirror->Position().position) + ": " +
                       std::to_string(m_mirror->Users().Size()) + " agents held");
    ShowWatchedAgent("as held");
    return true;
  }

  bool Cut() {
    m_relay->Cut();
    Say("link:", "cut");
    return Follow([this] { return m_linkDown; }, "noticed the cut");
  }

  bool ChangeWhileCut() {
    const Action actions[] = {
        {kWatchedAgent, "goes to work", Routing(ZelTRoutingState::ROUTINGSTATE_WORK, 3)},
        {43, "becomes unavailable", Routing(ZelTRoutingState::ROUTINGSTATE_UNAVAILABLE, 2)},
        {44, "switches recovery mode on", RecoveryOn()},
    };
    for (const Action& action : actions) {
      std::string userId;
      m_mirror->Users().UserIdOf(action.userKey, userId);
      UserClient client(m_simulator.Endpoint(), action.userKey, userId);
      const CallReport outcome = client.Run(action.action);
      if (!outcome.Succeeded()) return Failed(outcome.FailureLine());
      Say("changed:", "agent " + std::to_string(action.userKey) + " " + action.what + ", " + outcome.Line());
    }
    m_mirror->Poll(200);
    ShowWatchedAgent("as held still");
    return true;
  }

  bool Restore() {
    m_relay->Restore();
    Say("link:", "restored");
    ZelAPresenceServer api(kClientName, kClientNode);
    m_fresh.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    const CallReport outcome = Call("QueryUsersPresence", m_simulator.Endpoint(), m_fresh,
                                     [&] { return api.QueryUsersPresence(m_simulator.Endpoint(), m_fresh); });
    if (!outcome.Succeeded()) return Failed(outcome.FailureLine());
    const std::uint64_t published = m_fresh.GetStatePosition().position;
    if (!Follow([&] { return m_mirror->IsCurrent() && m_mirror->Position().position >= published; },
                "caught up with position " + std::to_string(published)))
      return false;
    ShowWatchedAgent("as held now");
    return true;
  }

  bool Check() {
    const zelsim::StoreComparison comparison =
        zelsim::CompareStore(m_mirror->Users(), m_fresh.GetUsersPresence(), m_fresh.GetStatePosition());
    const ZelTMirrorCounters counters = m_mirror->Counters();
    const std::uint64_t queries = counters.resyncs + counters.usersRequeried;
    for (const std::string& difference : comparison.differences) Say("differs:", difference);
    if (comparison.differences.empty())
      Say("check:", "the mirror equals a fresh query of every agent, part by part: " +
                        std::to_string(comparison.compared) + " agents compared");
    Say("counted:", std::to_string(counters.eventsReplayed) + " events replayed, " + std::to_string(queries) +
                        " queries made since the first");
    if (!comparison.differences.empty()) return Failed("the mirror differs from the server");
    if (queries != 0) return Failed("the mirror queried again what the events should have told");
    return true;
  }

  zelsim::PresenceSimulator m_simulator;
  std::unique_ptr<zelsim::LinkRelay> m_relay;
  std::unique_ptr<ZelAPresenceMirror> m_mirror;
  ZelTQueryUsersPresence m_fresh;
  bool m_linkDown = false;
};

}  // namespace

int RunMirrorChapter() {
  std::fprintf(Out(), "\n== A mirror of every agent through a lost connection ==\n");
  Chapter chapter;
  return chapter.Play() ? 0 : 1;
}

}  // namespace zelctl
