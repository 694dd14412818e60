#include "Churn.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

#include "AgentSeeder.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/platform/KRVEnum.h"

namespace zelsim {
namespace {

using Control = ZelTUserPresenceControl;
using PS = ZelTPresenceServer;
using Cause = ZelTEventBase;

// The churn's own contacts are told apart by this stem.
constexpr const char* kChatStem = "W";
constexpr long kMostContacts = 4;

// Each returns whether it found something to change.
bool ChangeRouting(ZelTUserPresence& user, const EventFeed& feed, std::mt19937& engine) {
  if (!user.GetMediaStates().IsLoggedOn()) return false;
  const ZelTRoutingState before = user.GetRoutingState();
  ZelTRoutingState& routing = Control::RoutingState(user);
  const long next = (static_cast<long>(before.GetRoutingState()) + 1 + static_cast<long>(engine() % 2)) % 3;
  routing.SetRoutingState(static_cast<ZelTRoutingState::enRoutingState>(next));
  routing.SetStartTime(TTimeStamp(0));
  feed.RoutingChanged(before, user);
  return true;
}

// Any medium but voice, which the seeded contacts need.
void ToggleMedium(ZelTUserPresence& user, const EventFeed& feed, std::mt19937& engine) {
  const long medium = KRVEnum::MEDIUM_CALLBACK + static_cast<long>(engine() % 4);
  ZelTMediaState state = user.GetMediaStates().GetMediaState(medium);
  const bool logOn = !state.IsLoggedOn();
  state.state = logOn ? MEDIASTATE_LOGON : MEDIASTATE_LOGOFF;
  state.cause = logOn ? MEDIASTATECAUSE_NONE : MEDIASTATECAUSE_DESKTOP_LOGOFF;
  state.startTime = TTimeStamp(0);
  Control::MediaStates(user).UpdateMediaState(state);
  feed.MediaChanged(user, medium, logOn);
}

const ZelTHandlingState* OwnContact(const ZelTUserPresence& user) {
  for (const ZelTHandlingState* contact : user.GetHandlingStatesList())
    if (contact && contact->contactId.rfind(kChatStem, 0) == 0) return contact;
  return nullptr;
}

bool TakeChat(ZelTUserPresence& user, const EventFeed& feed, unsigned long serial) {
  ZelTHandlingState chat;
  chat.contactId = kChatStem + std::to_string(user.GetUserKey()) + "-" + std::to_string(serial);
  chat.requeueCount = 0;
  chat.contactType = THandlingStateEnum::CONTACTTYPE_ROUTED_WEB;
  chat.media = KRVEnum::MEDIUM_WEBCHAT;
  chat.contactState = CONTACTSTATE_QUEUED;
  chat.handlingCause = HANDLINGCAUSE_ASSIGN_CONTACT;
  chat.startTime = TTimeStamp(0);
  Control::SetCreatedTime(chat, chat.startTime);
  ZelTHandlingStates& states = Control::HandlingStates(user);
  if (!states.AddHandlingState(chat)) return false;
  feed.ContactChanged(user, chat, PS::USER_CONTACT_CREATED_EVENT, Cause::EVENTCAUSE_CONTACT_CREATED);
  ZelTHandlingState* held = states.GetHandlingState(chat.contactId, chat.requeueCount);
  held->contactState = CONTACTSTATE_PROCESSING;
  Control::SetConnectedTime(*held, TTimeStamp(0));
  feed.ContactChanged(user, *held, PS::USER_CONTACT_CONNECTED_EVENT, Cause::EVENTCAUSE_CONTACT_CONNECTED);
  return true;
}

bool CompleteChat(ZelTUserPresence& user, const EventFeed& feed, const ZelTHandlingState& chat) {
  const ZelTHandlingState done = chat;
  Control::HandlingStates(user).RemoveHandlingState(done);
  feed.ContactChanged(user, done, PS::USER_CONTACT_COMPLETED_EVENT, Cause::EVENTCAUSE_CONTACT_DELETED);
  return true;
}

// Takes a chat while the user has room and a medium on, else completes one.
bool ChangeContacts(ZelTUserPresence& user, const EventFeed& feed, unsigned long serial) {
  const ZelTHandlingState* own = OwnContact(user);
  const bool room = user.GetHandlingStates().Count() < kMostContacts && user.GetMediaStates().IsLoggedOn();
  if (own && (!room || serial % 2 == 0)) return CompleteChat(user, feed, *own);
  return room && TakeChat(user, feed, serial);
}

}  // namespace

Churn::Churn(UserTable& users, unsigned seed, double rate)
    : m_users(users), m_seed(seed), m_rate(std::clamp(rate, 0.0, kMaxRate)) {}

Churn::~Churn() { Stop(); }

void Churn::Start() {
  if (m_thread.joinable() || m_rate <= 0 || m_users.Size() == 0) return;
  m_stopping = false;
  m_thread = std::thread(&Churn::Run, this);
}

void Churn::Stop() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void Churn::Run() {
  std::mt19937 engine(m_seed);
  const auto period =
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / m_rate));
  auto next = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(m_lock);
  for (unsigned long serial = 1; !m_wake.wait_until(lock, next += period, [this] { return m_stopping; }); ++serial) {
    const long key = kFirstUserKey + static_cast<long>(engine() % m_users.Size());
    const unsigned kind = engine() % 3;
    // A medium can always be toggled: every tick changes something.
    m_users.Apply(key, [&](ZelTUserPresence& user, const EventFeed& feed) {
      const bool changed = (kind == 0 && ChangeRouting(user, feed, engine)) ||
                           (kind == 2 && ChangeContacts(user, feed, serial));
      if (!changed) ToggleMedium(user, feed, engine);
    });
  }
}

}  // namespace zelsim
