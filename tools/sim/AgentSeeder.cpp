#include "AgentSeeder.h"

#include <random>
#include <string>

#include "ZelTPostProcessingControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/platform/KRVEnum.h"

namespace zelsim {
namespace {

using Control = ZelTUserPresenceControl;
using ContactType = THandlingStateEnum::enContactType;

// std::mt19937's output is fixed by the standard; the distributions are not.
class Dice {
 public:
  explicit Dice(unsigned seed) : m_engine(seed) {}
  long Below(long n) { return static_cast<long>(m_engine() % static_cast<unsigned long>(n)); }
  bool OneIn(long n) { return Below(n) == 0; }

 private:
  std::mt19937 m_engine;
};

// A time stamp some minutes before now.
TTimeStamp MinutesAgo(const TTimeStamp& now, long minutes) {
  TTimeStamp time = now;
  time.AddSeconds(-60 * minutes);
  return time;
}

void SeedIdentity(ZelTUserPresence& user, long index, Dice& dice) {
  const long key = kFirstUserKey + index;
  user.SetUserKey(key);
  user.SetUserID("agent" + std::to_string(key));
  const long site = 1 + dice.Below(3);
  // Drawn one by one: a call's arguments are evaluated in no fixed order.
  const char group = static_cast<char>('a' + dice.Below(3));
  const long team = 10 + dice.Below(4);
  Control::SetIdentity(user, std::to_string(4000 + key), "line-" + std::to_string(key), site, 1 + site % 2, team,
                       std::string("group-") + group);
}

void SeedMedia(ZelTUserPresence& user, bool loggedOn, const TTimeStamp& now, Dice& dice) {
  for (ZelTMediaState* state : Control::MediaStates(user).GetMediaStates().GetVector()) {
    const bool voice = state->media == KRVEnum::MEDIUM_VOICE;
    if (!loggedOn) {
      state->cause = MEDIASTATECAUSE_DESKTOP_LOGOFF;
    } else if (voice || dice.OneIn(2)) {
      state->state = voice ? MEDIASTATE_AVAILABLE : static_cast<enMediaState>(MEDIASTATE_LOGON + dice.Below(3));
    }
    state->startTime = MinutesAgo(now, 30 + dice.Below(240));
  }
}

void SeedRouting(ZelTUserPresence& user, bool loggedOn, const TTimeStamp& now, Dice& dice) {
  ZelTRoutingState& routing = Control::RoutingState(user);
  routing.SetInitialRoutingStateSource(ZelTRoutingState::SOURCE_DEFAULT);
  routing.SetStartTime(MinutesAgo(now, dice.Below(60)));
  if (!loggedOn) return;
  routing.SetRoutingState(static_cast<ZelTRoutingState::enRoutingState>(dice.Below(3)));
  routing.SetRoutingStateReason(dice.Below(10));
}

ZelTHandlingState Contact(const std::string& contactId, ContactType type, long media, enContactState state,
                          const TTimeStamp& since, Dice& dice) {
  ZelTHandlingState contact;
  contact.contactId = contactId;
  contact.requeueCount = 0;
  contact.contactType = type;
  contact.media = media;
  contact.contactState = state;
  contact.queueKey = 100 + dice.Below(20);
  contact.priority = dice.Below(5);
  contact.handlingCause = HANDLINGCAUSE_ASSIGN_CONTACT;
  contact.startTime = since;
  Control::SetCreatedTime(contact, since);
  Control::SetConnectedTime(contact, since);
  return contact;
}

void SeedContacts(ZelTUserPresence& user, long index, const TTimeStamp& now, Dice& dice) {
  ZelTHandlingStates& states = Control::HandlingStates(user);
  const std::string stem = "C" + std::to_string(user.GetUserKey()) + "-";
  ZelTHandlingState voice = Contact(stem + "1", THandlingStateEnum::CONTACTTYPE_ROUTED_VOICE, KRVEnum::MEDIUM_VOICE,
                                    CONTACTSTATE_TALKING, MinutesAgo(now, 1 + dice.Below(10)), dice);
  Control::SetPrimaryStartTime(voice, voice.GetConnectedTime());
  states.AddHandlingState(voice);
  states.SetPrimaryContactId(voice.contactId);
  states.SetPrimaryContactRC(voice.requeueCount);
  Control::SetPrimaryContactChangedTime(states, voice.GetConnectedTime());
  if (index % 2 == 0) {
    ZelTHandlingState mail = Contact(stem + "2", THandlingStateEnum::CONTACTTYPE_ROUTED_EMAIL, KRVEnum::MEDIUM_EMAIL,
                                     CONTACTSTATE_POSTPROCESSING, MinutesAgo(now, 15), dice);
    ZelTPostProcessingControl::StartMandatory(Control::PostProcessing(mail));
    ZelTPostProcessingControl::StartAuto(Control::PostProcessing(mail), 60000 * (1 + dice.Below(5)));
    states.AddHandlingState(mail);
    Control::SetOldPrimaryContact(states, mail.contactId, mail.requeueCount);
  }
  if (index % 3 == 0) {
    states.AddHandlingState(Contact(stem + "3", THandlingStateEnum::CONTACTTYPE_ROUTED_WEB, KRVEnum::MEDIUM_WEBCHAT,
                                    CONTACTSTATE_PROCESSING, MinutesAgo(now, 5), dice));
  }
}

void SeedStanding(ZelTUserPresence& user, bool loggedOn, const TTimeStamp& now, Dice& dice) {
  const auto presence = loggedOn ? static_cast<ZelTPresenceState::enPresenceState>(dice.Below(4))
                                 : ZelTPresenceState::PRESENCESTATE_LOGOFF;
  for (const bool excludeDirect : {false, true}) {
    Control::PresenceState(user, excludeDirect).SetPresenceState(presence);
    Control::PresenceState(user, excludeDirect).SetStartTime(MinutesAgo(now, dice.Below(90)));
  }
  ZelTDesktopCapability desktop;
  desktop.SetCapability(loggedOn ? ZelTDesktopCapability::DESKTOP_LOGON : ZelTDesktopCapability::DESKTOP_LOGOFF);
  desktop.SetStartTime(MinutesAgo(now, 240));
  Control::UserCapability(user).SetDesktopCapability(desktop);
  ZelTUserFlags& flags = Control::UserFlags(user);
  flags.SetIsPhoneOnly(dice.OneIn(4));
  if (loggedOn && dice.OneIn(4)) {
    flags.SetIsRecoveryModeOn(true);
    flags.SetRecoveryModeStartTime(MinutesAgo(now, dice.Below(30)));
  }
}

void SeedMonitoring(ZelTUserPresence& user, long index, long count, Dice& dice) {
  const long monitors = dice.Below(3);
  for (long m = 0; m < monitors; ++m) {
    TSilentMonitoringInfo info;
    info.contactId = "C" + std::to_string(kFirstUserKey + (index + 1 + m) % count) + "-1";
    info.requeueCount = 0;
    info.extension = user.GetExtension();
    info.type = static_cast<enSilentMonitoringType>(SILENTMONITORING_SILENT + dice.Below(3));
    Control::SilentMonitoring(user).PushBack(info);
  }
}

}  // namespace

std::vector<ZelTUserPresence> SeedAgents(int count, unsigned seed) {
  Dice dice(seed);
  const TTimeStamp now(0);
  std::vector<ZelTUserPresence> agents(count > 0 ? static_cast<std::size_t>(count) : 0);
  for (long index = 0; index < static_cast<long>(agents.size()); ++index) {
    ZelTUserPresence& user = agents[static_cast<std::size_t>(index)];
    const bool loggedOn = index % 5 != 4;
    SeedIdentity(user, index, dice);
    SeedMedia(user, loggedOn, now, dice);
    SeedRouting(user, loggedOn, now, dice);
    if (loggedOn) SeedContacts(user, index, now, dice);
    SeedStanding(user, loggedOn, now, dice);
    if (loggedOn) SeedMonitoring(user, index, static_cast<long>(agents.size()), dice);
  }
  return agents;
}

}  // namespace zelsim
