#pragma once
// What the simulator tells watchers: the events a change of a user's record
// yields, each filled with the event record's own Copy from the record as
// it now stands and handed, packed, to a sink (the simulator's publisher)
// with the user it is about. Called under the user table's lock, so events
// go out in the order of the changes, and the position the feed tells under
// that lock is that of the last change made.

#include <cstddef>
#include <functional>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelsim {

class EventFeed {
 public:
  using Sink =
      std::function<void(ZelTPresenceServer::enEvent type, long userKey, const char* data, std::size_t size)>;
  using Where = std::function<TEventPosition()>;

  EventFeed() = default;
  EventFeed(Sink sink, Where where) : m_sink(std::move(sink)), m_where(std::move(where)) {}

  // Without a sink nobody listens: callers need not build anything.
  bool IsOn() const { return static_cast<bool>(m_sink); }
  // The position of the last event published; unknown without a sink.
  TEventPosition Position() const { return m_where ? m_where() : TEventPosition(); }
  // Whether carrying out the call yields events: if not (a query, say),
  // the caller need not keep the record as it was before.
  bool Tells(const ZelTUserPresence& call) const;

  // The events of a user action carried out: `before` and `after` are the
  // user's record around it, `call` the request.
  void UserActed(const ZelTUserPresence& before, const ZelTUserPresence& after, const ZelTUserPresence& call) const;
  // A routing state set, or only its reason.
  void RoutingChanged(const ZelTRoutingState& before, const ZelTUserPresence& after) const;
  void MediaChanged(const ZelTUserPresence& user, long medium, bool loggedOn) const;
  // A contact created, connected, completed or updated (the event type),
  // with the contact as it stood.
  void ContactChanged(const ZelTUserPresence& user, const ZelTHandlingState& contact, ZelTPresenceServer::enEvent type,
                      ZelTEventBase::enEventCause cause) const;

 private:
  void PrimaryChanged(const ZelTUserPresence& before, const ZelTUserPresence& after) const;
  void WrapupSubmitted(const ZelTUserPresence& before, const ZelTUserPresence& after,
                       const ZelTUserPresence& call) const;
  void PostProcessingChanged(const ZelTUserPresence& before, const ZelTUserPresence& after,
                             const ZelTUserPresence& call) const;
  template <typename Event>
  void Publish(ZelTPresenceServer::enEvent type, const Event& event) const;

  Sink m_sink;
  Where m_where;
};

}  // namespace zelsim
