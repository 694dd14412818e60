#pragma once
// What a user can do beyond its media: work at a contact-center desktop,
// and outbound campaign work over a nailed-up number. The campaign-director
// capability is local to the side that holds it: it is neither copied with
// the user capability, nor sent, nor printed.
//
// Wire forms: desktop capability, cause (raw enumerations), start time; the
// user capability is its desktop capability alone.

#include <cstdint>
#include <string>
#include <utility>

#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTDesktopCapability {
 public:
  enum enDesktopCapability : std::int32_t {
    DESKTOP_LOGOFF = 0,
    DESKTOP_LOGON = 1,
  };

  enum enDesktopCapabilityCause : std::int32_t {
    DESKTOPCAUSE_NONE = 0,
    DESKTOPCAUSE_ADMIN_SERVER_NOT_READY = 1,
    DESKTOPCAUSE_WATCHDOG_SERVER_NOT_READY = 2,
    DESKTOPCAUSE_USER_DELETED = 3,
  };

  enDesktopCapability GetCapability() const { return m_capability; }
  enDesktopCapabilityCause GetCause() const { return m_cause; }
  TTimeStamp GetStartTime() const { return m_startTime; }
  void SetCapability(enDesktopCapability capability) { m_capability = capability; }
  void SetCause(enDesktopCapabilityCause cause) { m_cause = cause; }
  void SetStartTime(const TTimeStamp& time) { m_startTime = time; }

  std::string ToString() const;
  void PrintDiag() const;

  // "Invalid" for a value without a text.
  static std::string ToString(enDesktopCapability capability);
  static std::string ToString(enDesktopCapabilityCause cause);

 private:
  friend TPack& operator<<(TPack& pack, const ZelTDesktopCapability& capability);
  friend TPack& operator>>(TPack& pack, ZelTDesktopCapability& capability);

  enDesktopCapability m_capability = DESKTOP_LOGOFF;
  enDesktopCapabilityCause m_cause = DESKTOPCAUSE_NONE;
  TTimeStamp m_startTime{1};
};

class ZELCLNT_API ZelTCampaignDirectorCapability {
 public:
  std::string GetNailUpNumber() const { return m_nailUpNumber; }
  long GetReason() const { return m_reason; }
  ZelTRoutingState::enRoutingState GetReleaseRoutingState() const { return m_releaseRoutingState; }
  bool IsEnabled() const { return m_enabled; }
  void SetNailUpNumber(std::string number) { m_nailUpNumber = std::move(number); }
  void SetReason(long reason) { m_reason = reason; }
  void SetReleaseRoutingState(ZelTRoutingState::enRoutingState state) { m_releaseRoutingState = state; }
  void SetEnabled(bool enabled) { m_enabled = enabled; }

 private:
  std::string m_nailUpNumber;
  long m_reason = 0;
  ZelTRoutingState::enRoutingState m_releaseRoutingState = ZelTRoutingState::ROUTINGSTATE_UNKNOWN;
  bool m_enabled = false;
};

class ZELCLNT_API ZelTUserCapability {
 public:
  enum enCapabilityType : std::int32_t {
    CAPABILITY_DESKTOP = 1,
    CAPABILITY_CAMPAIGN_DIRECTOR = 2,
  };

  ZelTUserCapability() = default;
  // Copies take the desktop capability only.
  ZelTUserCapability(const ZelTUserCapability& other) : m_desktop(other.m_desktop) {}
  ZelTUserCapability& operator=(const ZelTUserCapability& other);
  ~ZelTUserCapability() = default;

  const ZelTDesktopCapability& GetDesktopCapability() const { return m_desktop; }
  const ZelTCampaignDirectorCapability& GetCampaignDirectorCapability() const { return m_campaignDirector; }
  void SetDesktopCapability(const ZelTDesktopCapability& capability) { m_desktop = capability; }
  void SetCampaignDirectorCapability(const ZelTCampaignDirectorCapability& capability) {
    m_campaignDirector = capability;
  }

  std::string ToString() const;
  void PrintDiag() const;

  // "Invalid" for a value without a text, 0 included.
  static std::string ToString(enCapabilityType type);

 private:
  friend TPack& operator<<(TPack& pack, const ZelTUserCapability& capability);
  friend TPack& operator>>(TPack& pack, ZelTUserCapability& capability);

  ZelTDesktopCapability m_desktop;
  ZelTCampaignDirectorCapability m_campaignDirector;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTDesktopCapability& capability);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTDesktopCapability& capability);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTDesktopCapability::enDesktopCapability capability);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTDesktopCapability::enDesktopCapability& capability);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTDesktopCapability::enDesktopCapabilityCause cause);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTDesktopCapability::enDesktopCapabilityCause& cause);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserCapability& capability);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserCapability& capability);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTUserCapability::enCapabilityType type);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserCapability::enCapabilityType& type);
