#pragma once
// A presentity names one party by its presence identifier, its user name in
// the agent system and its telephone extension. An integrated presence
// summary adds the server's answer about that party: one presence value
// combining unified-communications presence, line state and agent state,
// the source that decided it, the voice medium's state, the routing-state
// reason and the outcome of each lookup the server made.
//
// Wire forms: a presentity is its three strings (presence id, user name,
// extension); a summary follows them with presence, source, media status
// (enumerations), reason (long), reason type (enumeration) and the presence,
// user-name, extension and overall results (unsigned long).

#include <cstdint>
#include <string>

#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/ZelExport.h"

class TPack;
class ZelTIntegratedPresenceSummary;

class ZELCLNT_API ZelTPresentity {
 public:
  ZelTPresentity() = default;
  ZelTPresentity(const ZelTPresentity& other) { *this = other; }
  ZelTPresentity& operator=(const ZelTPresentity& other);
  virtual ~ZelTPresentity() = default;

  // A class that prints under another type declares its own.
  static constexpr TDiag::enDiagType kPrintDiagType = TDiag::PRGM;

  virtual std::string ToString() const;
  // Writes ToString() as one PRGM line under GetClassName().
  virtual void PrintDiag() const;
  virtual std::string GetClassName() const { return "ZelTPresentity"; }

  // All three keys equal.
  unsigned char operator==(const ZelTPresentity& other) const;

  // The list match: same presence id, exactly (case-sensitive).
  bool CompareListItem(const ZelTPresentity& other) const { return m_presenceId == other.m_presenceId; }
  // Presentities have no category: category removal never takes one.
  bool CompareListItem(long, long) const { return false; }

  std::string GetPresenceId() const { return m_presenceId; }
  std::string GetZorbUserName() const { return m_zorbUserName; }
  std::string GetExtension() const { return m_extension; }
  void SetPresenceId(const std::string& presenceId) { m_presenceId = presenceId; }
  void SetZorbUserName(const std::string& userName) { m_zorbUserName = userName; }
  void SetExtension(const std::string& extension) { m_extension = extension; }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTPresentity& presentity);
  friend TPack& operator>>(TPack& pack, ZelTPresentity& presentity);
  friend void ResetForReading(ZelTPresentity& presentity);
  // The summary writes its presentity's strings with its own values.
  friend TPack& operator<<(TPack& pack, const ZelTIntegratedPresenceSummary& summary);

  std::string m_presenceId;
  std::string m_zorbUserName;
  std::string m_extension;
};

class ZELCLNT_API ZelTIntegratedPresenceSummary : public ZelTPresentity {
 public:
  enum IntegratedPresence : std::int32_t {
    KORVAL_DoNotDisturb = 0,
    KORVAL_BeRightBack = 1,
    KORVAL_Unavailable = 2,
    KORVAL_Busy = 3,
    KORVAL_InMeeting = 4,
    KORVAL_IAmPresent = 5,
    LINE_Idle = 6,
    LINE_Dialling = 7,
    LINE_Busy = 8,
    LINE_Ringing = 9,
    LINE_Connected = 10,
    LINE_Queued = 11,
    LINE_OnHold = 12,
    LINE_Consulting = 13,
    LINE_OutOfService = 14,
    User_Idle = 15,
    User_Active = 16,
    User_Busy = 17,
    User_Away = 18,
    User_LoggedOff = 19,
    User_Unknown = 20,
    STATUS_UNKNOWN = 21,
    STATUS_ERROR = 22,
  };

  enum IntegratedPresenceSource : std::int32_t {
    SOURCE_KORVAL = 0,
    SOURCE_ZORBAGENTSTATE = 1,
    SOURCE_ZORBLINESTATE = 2,
    SOURCE_UNKNOWN = 3,
  };

  enum MediaStatus : std::int32_t {
    Unknown = 0,
    Available = 1,
    Busy = 2,
    Offline = 3,
  };

  enum RoutingStateReasonType : std::int32_t {
    ROUTINGSTATEREASON_NONE = 0,
    ROUTINGSTATEREASON_UNAVAIL = 1,
    ROUTINGSTATEREASON_WORK = 2,
    ROUTINGSTATEREASON_OTHER = 3,
  };

  ZelTIntegratedPresenceSummary() = default;
  ZelTIntegratedPresenceSummary(const ZelTIntegratedPresenceSummary& other) : ZelTPresentity() { *this = other; }
  ZelTIntegratedPresenceSummary& operator=(const ZelTIntegratedPresenceSummary& other);
  ~ZelTIntegratedPresenceSummary() override = default;

  std::string ToString() const override;
  std::string GetClassName() const override { return "ZelTIntegratedPresenceSummary"; }

  // Compares the presentity part only.
  unsigned char operator==(const ZelTIntegratedPresenceSummary& other) const {
    return ZelTPresentity::operator==(other);
  }

  void SetPresentity(const ZelTPresentity& presentity) { ZelTPresentity::operator=(presentity); }

  IntegratedPresence GetIntegratedPresence() const { return m_integratedPresence; }
  void SetIntegratedPresence(const IntegratedPresence& value) { m_integratedPresence = value; }
  IntegratedPresenceSource GetIntegratedPresenceSource() const { return m_integratedPresenceSource; }
  void SetIntegratedPresenceSource(const IntegratedPresenceSource& value) { m_integratedPresenceSource = value; }
  MediaStatus GetVoiceMediaStatus() const { return m_voiceMediaStatus; }
  void SetVoiceMediaStatus(const MediaStatus& value) { m_voiceMediaStatus = value; }
  long GetRoutingStateReason() const { return m_routingStateReason; }
  void SetRoutingStateReason(long value) { m_routingStateReason = value; }
  RoutingStateReasonType GetRoutingStateReasonType() const { return m_routingStateReasonType; }
  void SetRoutingStateReasonType(RoutingStateReasonType value) { m_routingStateReasonType = value; }
  unsigned long GetPresenceQueryResult() const { return m_presenceQueryResult; }
  void SetPresenceQueryResult(unsigned long value) { m_presenceQueryResult = value; }
  unsigned long GetZorbQueryResult() const { return m_zorbQueryResult; }
  void SetZorbQueryResult(unsigned long value) { m_zorbQueryResult = value; }
  unsigned long GetExtensionQueryResult() const { return m_extensionQueryResult; }
  void SetExtensionQueryResult(unsigned long value) { m_extensionQueryResult = value; }
  unsigned long GetResultCode() const { return m_resultCode; }
  void SetResultCode(unsigned long value) { m_resultCode = value; }

  // The enumerator's name; "UNKNOWN ENUM MEMBER" and a warning for a value
  // without one.
  static std::string ToString(IntegratedPresence value);
  static std::string ToString(IntegratedPresenceSource value);
  static std::string ToString(MediaStatus value);
  static std::string ToString(RoutingStateReasonType value);

 private:
  friend TPack& operator<<(TPack& pack, const ZelTIntegratedPresenceSummary& summary);
  friend TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary& summary);
  friend void ResetForReading(ZelTIntegratedPresenceSummary& summary);

  IntegratedPresence m_integratedPresence = STATUS_UNKNOWN;
  IntegratedPresenceSource m_integratedPresenceSource = SOURCE_UNKNOWN;
  MediaStatus m_voiceMediaStatus = Unknown;
  long m_routingStateReason = 0;
  RoutingStateReasonType m_routingStateReasonType = ROUTINGSTATEREASON_NONE;
  unsigned long m_presenceQueryResult = 0;
  unsigned long m_zorbQueryResult = 0;
  unsigned long m_extensionQueryResult = 0;
  unsigned long m_resultCode = 0;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTPresentity& presentity);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPresentity& presentity);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTIntegratedPresenceSummary& summary);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary& summary);
// Default records before a collection reads into them again, the strings
// emptied in place so that they keep their capacity.
ZELCLNT_API void ResetForReading(ZelTPresentity& presentity);
ZELCLNT_API void ResetForReading(ZelTIntegratedPresenceSummary& summary);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTIntegratedPresenceSummary::IntegratedPresence value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary::IntegratedPresence& value);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTIntegratedPresenceSummary::IntegratedPresenceSource value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary::IntegratedPresenceSource& value);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTIntegratedPresenceSummary::MediaStatus value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary::MediaStatus& value);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTIntegratedPresenceSummary::RoutingStateReasonType value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary::RoutingStateReasonType& value);

// Built once, in the library, with every member. A program that loads the
// Windows DLL builds its own: a DLL exports no inline member of a template.
#if !defined(_WIN32) || defined(ZELCLNT_BUILDING) || defined(ZELCLNT_STATIC)
extern template class ZELCLNT_API ZelTStdListPointerColl<ZelTPresentity>;
extern template class ZELCLNT_API ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>;
#endif
