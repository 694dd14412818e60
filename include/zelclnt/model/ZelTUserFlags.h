#pragma once
// Three switches of a user: phone-only working, recovery mode and contact
// assistance, with when the last two were switched on. Setting a flag does
// not stamp its time; the server supplies both.
//
// Wire form: the three flags (bool), then the recovery-mode and
// contact-assist start times.

#include <cstdint>
#include <string>

#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserFlags {
 public:
  // Which groups the summary shows.
  enum enSummaryType : std::int32_t {
    SUMMARY_ALL = 0,
    SUMMARY_PHONE_ONLY = 1,
    SUMMARY_RECOVERY_MODE = 2,
    SUMMARY_CONTACT_ASSIST = 3,
  };

  bool IsPhoneOnly() const { return m_phoneOnly; }
  bool IsRecoveryModeOn() const { return m_recoveryModeOn; }
  bool IsContactAssist() const { return m_contactAssist; }
  TTimeStamp GetRecoveryModeStartTime() const { return m_recoveryModeStartTime; }
  TTimeStamp GetContactAssistStartTime() const { return m_contactAssistStartTime; }
  void SetIsPhoneOnly(bool on) { m_phoneOnly = on; }
  void SetIsRecoveryModeOn(bool on) { m_recoveryModeOn = on; }
  void SetIsContactAssist(bool on) { m_contactAssist = on; }
  void SetRecoveryModeStartTime(const TTimeStamp& time) { m_recoveryModeStartTime = time; }
  void SetContactAssistStartTime(const TTimeStamp& time) { m_contactAssistStartTime = time; }

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(SUMMARY_ALL, true); }
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTUserFlags& flags);
  friend TPack& operator>>(TPack& pack, ZelTUserFlags& flags);

  bool m_phoneOnly = false;
  bool m_recoveryModeOn = false;
  bool m_contactAssist = false;
  TTimeStamp m_recoveryModeStartTime{1};
  TTimeStamp m_contactAssistStartTime{1};
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserFlags& flags);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserFlags& flags);
