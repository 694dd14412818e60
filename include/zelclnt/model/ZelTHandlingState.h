#pragma once
// The contacts a user handles, as the presence server sees them.
//
// A ZelTHandlingState is the state manager's view of one contact plus what
// the presence server adds: when it was created and connected, when it
// became the user's primary contact, its post-processing and its reasons.
// ZelTHandlingStates is all contacts of one user, with the primary and the
// previous primary contact (each named by contact id and requeue count; an
// empty id with count -1 is none).
//
// Wire forms: a handling state is the state-manager form, the connected,
// created and primary start times, the post-processing, then the reasons
// (count, then each as long). The set is the collection of states, the
// primary contact (id, count), the old primary contact (id, count) and when
// the primary changed. The update flags and the ANI stay local.

#include <cstdint>
#include <list>
#include <string>

#include "zelclnt/model/ZelTPostProcessing.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/state/THandlingState.h"
#include "zelclnt/ZelExport.h"

class NuxDiagSummary;
class ZelTMirrorAccess;
class ZelTUserPresenceControl;

class ZELCLNT_API ZelTHandlingState : public THandlingState {
 public:
  // What removal by category takes.
  enum enCategory : std::int32_t {
    CATEGORY_MEDIUM = 0,                     // every contact of the medium
    CATEGORY_MEDIUM_NOT_POSTPROCESSING = 1,  // of the medium, not in post-processing
    CATEGORY_POSTPROCESSING = 2,             // in post-processing, any medium
  };

  enum enSummaryType : std::int32_t {
    SUMMARY_FULL = 0,
    SUMMARY_BRIEF = 1,
  };

  ZelTHandlingState() = default;
  ZelTHandlingState(const ZelTHandlingState& other) : THandlingState() { *this = other; }
  ZelTHandlingState& operator=(const ZelTHandlingState& other);
  // The state-manager part only; the presence server's fields stay.
  ZelTHandlingState& operator=(const THandlingState& state);
  ~ZelTHandlingState() = default;

  std::list<long> GetReasons() const { return m_reasons; }
  TTimeStamp GetConnectedTime() const { return m_connectedTime; }
  TTimeStamp GetCreatedTime() const { return m_createdTime; }
  TTimeStamp GetPrimaryStartTime() const { return m_primaryStartTime; }

  bool IsPrimary() const { return !m_primaryStartTime.IsNull(); }
  bool IsConnected() const { return !m_connectedTime.IsNull(); }
  // A routed contact type with a queue.
  bool IsQORVRouted() const;
  bool IsQORVHandling() const { return IsQORVRouted() && IsConnected(); }
  bool IsWrapupSubmitted() const { return m_postProcessing.IsWrapupReceived(); }
  bool IsMandatoryWrapup() const { return m_postProcessing.IsMandatoryPostProcessingActive(); }
  bool IsAutomaticWrapup() const { return m_postProcessing.IsAutoPostProcessingActive(); }
  bool IsAutomaticWrapupSuspended() const { return m_postProcessing.IsAutoPostProcessingSuspended(); }
  bool IsPostProcessingPending() const { return m_postProcessing.IsManualPostProcessingPending(); }
  long GetManualPostProcessingReason() const { return m_postProcessing.GetManualPostProcessingReason(); }
  // Read-only: only the server side changes post-processing.
  const ZelTPostProcessing& GetPostProcessingState() const { return m_postProcessing; }
  // The connected time while QORV handles the contact, otherwise null.
  TTimeStamp GetQORVHandlingStartTime() const;

  // The record's medium when it has one, else the contact type's.
  long ToMediaType(THandlingStateEnum::enContactType contactType) const;

  // Same contact id and requeue count.
  bool CompareListItem(const ZelTHandlingState& other) const;
  bool CompareListItem(long category, long media) const;

  static constexpr TDiag::enDiagType kPrintDiagType = TDiag::INFO;

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(SUMMARY_FULL, true); }
  void PrintDiag() const;

 protected:
  void SetReasons(const std::list<long>& reasons) { m_reasons = reasons; }
  void SetConnectedTime(const TTimeStamp& time) { m_connectedTime = time; }
  void SetCreatedTime(const TTimeStamp& time) { m_createdTime = time; }
  void SetPrimaryStartTime(const TTimeStamp& time) { m_primaryStartTime = time; }
  const ZelTPostProcessing& GetPostProcessing() const { return m_postProcessing; }
  ZelTPostProcessing& GetPostProcessing() { return m_postProcessing; }

 private:
  friend class ZelTMirrorAccess;
  friend class ZelTUserPresenceControl;
  friend TPack& operator<<(TPack& pack, const ZelTHandlingState& state);
  friend TPack& operator>>(TPack& pack, ZelTHandlingState& state);
  friend void ResetForReading(ZelTHandlingState& state);

  void AddPostProcessingText(NuxDiagSummary& summary) const;
  void AddTimesText(NuxDiagSummary& summary) const;

  std::list<long> m_reasons;
  TTimeStamp m_connectedTime{1};
  TTimeStamp m_createdTime{1};
  TTimeStamp m_primaryStartTime{1};
  ZelTPostProcessing m_postProcessing;
};

class ZELCLNT_API ZelTHandlingStates {
 public:
  using enSummaryType = ZelTHandlingState::enSummaryType;

  ZelTHandlingStates() = default;
  ZelTHandlingStates(const ZelTHandlingStates& other) { *this = other; }
  // Everything but the ANI.
  ZelTHandlingStates& operator=(const ZelTHandlingStates& other);
  ~ZelTHandlingStates() = default;

  virtual std::string ClassName() const { return "ZelTHandlingStates"; }
  // Exchanges everything but the ANI, without copying a handling state.
  void Swap(ZelTHandlingStates& other);

  const ZelTStdListPointerColl<ZelTHandlingState>& GetHandlingStates() const { return m_handlingStates; }
  std::string GetPrimaryContactId() const { return m_primaryContactId; }
  long GetPrimaryContactRC() const { return m_primaryContactRC; }
  std::string GetOldPrimaryContactId() const { return m_oldPrimaryContactId; }
  long GetOldPrimaryContactRC() const { return m_oldPrimaryContactRC; }
  TTimeStamp GetPrimaryContactChangedTime() const { return m_primaryContactChangedTime; }
  bool IsSendNewPrimaryUpdate() const { return m_sendNewPrimaryUpdate; }
  bool IsSendOldPrimaryUpdate() const { return m_sendOldPrimaryUpdate; }
  std::string GetANI() { return m_ani; }

  void SetPrimaryContactId(const std::string& contactId) { m_primaryContactId = contactId; }
  void SetPrimaryContactRC(long rc) { m_primaryContactRC = rc; }
  void SetSendNewPrimaryUpdate(bool send) { m_sendNewPrimaryUpdate = send; }
  void SetSendOldPrimaryUpdate(bool send) { m_sendOldPrimaryUpdate = send; }

  long Count() const { return m_handlingStates.Size(); }
  // The first stored state with the added state's key, or null when the
  // collection refused it. Duplicates are stored.
  const ZelTHandlingState* AddHandlingState(const ZelTHandlingState& state);
  bool RemoveHandlingState(const ZelTHandlingState& state);
  // Moves every state of the category into removed; false when removed
  // refused one (it then stays here).
  bool RemoveHandlingState(long media, ZelTHandlingState::enCategory category,
                           ZelTStdListPointerColl<ZelTHandlingState>& removed);
  ZelTHandlingState* GetHandlingState(const std::string& contactId, long rc) const;
  ZelTHandlingState* GetPrimaryContact() const { return GetHandlingState(m_primaryContactId, m_primaryContactRC); }
  ZelTHandlingState* GetOldPrimaryContact() const {
    return GetHandlingState(m_oldPrimaryContactId, m_oldPrimaryContactRC);
  }
  bool IsPrimaryContact(const std::string& contactId, long rc) const {
    return m_primaryContactId == contactId && m_primaryContactRC == rc;
  }

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(ZelTHandlingState::SUMMARY_FULL, true); }
  void PrintDiag() const;

 private:
  friend class ZelTMirrorAccess;
  friend class ZelTUserPresenceControl;
  friend TPack& operator<<(TPack& pack, const ZelTHandlingStates& states);
  friend TPack& operator>>(TPack& pack, ZelTHandlingStates& states);

  std::string PrimaryContact_ToString() const;

  ZelTStdListPointerColl<ZelTHandlingState> m_handlingStates;
  std::string m_primaryContactId;
  long m_primaryContactRC = -1;
  std::string m_oldPrimaryContactId;
  long m_oldPrimaryContactRC = -1;
  TTimeStamp m_primaryContactChangedTime{1};
  bool m_sendNewPrimaryUpdate = false;
  bool m_sendOldPrimaryUpdate = false;
  std::string m_ani;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTHandlingState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTHandlingState& state);
// A default state before a collection reads into it again, keeping the
// reasons' nodes for the reader, which replaces the reasons in full.
ZELCLNT_API void ResetForReading(ZelTHandlingState& state);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTHandlingStates& states);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTHandlingStates& states);
