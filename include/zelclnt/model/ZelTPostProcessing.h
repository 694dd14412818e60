#pragma once
// Post-processing (wrap-up) of one contact: manual (asked for and ended by
// the user, with a reason), automatic (started by the system for a fixed
// time, can be suspended and resumed) and mandatory (until wrap-up data
// arrives), side by side. Clients read them; only the server side, through
// ZelTPostProcessingControl, changes them.
//
// Wire forms: each part is its status (raw enumeration) followed by, for
// manual, the reason (long); for automatic, the expiry time (time stamp) and
// remaining milliseconds (unsigned long); for mandatory, whether wrap-up was
// received (bool). The aggregate writes automatic, mandatory, manual.

#include <cstddef>
#include <cstdint>

#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class TPack;
class ZelTPostProcessingControl;

class ZELCLNT_API ZelTPostProcessingStatus {
 public:
  enum enPostProcessingStatus : std::int32_t {
    PP_INACTIVE = 0,
    PP_ACTIVE = 1,
    PP_STOPPED = 2,
    PP_PENDING = 3,
    PP_SUSPENDED = 4,
  };

  ZelTPostProcessingStatus(const ZelTPostProcessingStatus&) = default;
  ZelTPostProcessingStatus& operator=(const ZelTPostProcessingStatus&) = default;
  virtual ~ZelTPostProcessingStatus() = default;

  enPostProcessingStatus GetPostProcessingStatus() const { return m_status; }
  bool IsInactive() const { return m_status == PP_INACTIVE; }
  bool IsActive() const { return m_status == PP_ACTIVE; }
  bool IsStopped() const { return m_status == PP_STOPPED; }

 protected:
  ZelTPostProcessingStatus() = default;
  void SetPostProcessingStatus(enPostProcessingStatus status) { m_status = status; }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTPostProcessingStatus& status);
  friend TPack& operator>>(TPack& pack, ZelTPostProcessingStatus& status);

  enPostProcessingStatus m_status = PP_INACTIVE;
};

class ZELCLNT_API ZelTManualPostProcessing : public ZelTPostProcessingStatus {
 public:
  ZelTManualPostProcessing() = default;
  ZelTManualPostProcessing(const ZelTManualPostProcessing&) = default;
  ZelTManualPostProcessing& operator=(const ZelTManualPostProcessing&) = default;
  ~ZelTManualPostProcessing() override = default;

  long GetReason() const { return m_reason; }
  bool IsPending() const { return GetPostProcessingStatus() == PP_PENDING; }

 private:
  friend class ZelTPostProcessing;
  friend class ZelTPostProcessingControl;
  friend TPack& operator<<(TPack& pack, const ZelTManualPostProcessing& manual);
  friend TPack& operator>>(TPack& pack, ZelTManualPostProcessing& manual);

  bool Start(long reason);
  bool Start();
  bool Stop();
  bool RequestReceived(long reason);

  long m_reason = 0;
};

class ZELCLNT_API ZelTAutoPostProcessing : public ZelTPostProcessingStatus {
 public:
  ZelTAutoPostProcessing() = default;
  ZelTAutoPostProcessing(const ZelTAutoPostProcessing&) = default;
  // Copies the remaining time as well, so that a copy keeps what the server
  // sent.
  ZelTAutoPostProcessing& operator=(const ZelTAutoPostProcessing&) = default;
  ~ZelTAutoPostProcessing() override = default;

  const TTimeStamp& GetExpiryTime() const { return m_expiryTime; }
  bool IsSuspended() const { return GetPostProcessingStatus() == PP_SUSPENDED; }

 private:
  friend class ZelTPostProcessing;
  friend class ZelTPostProcessingControl;
  friend TPack& operator<<(TPack& pack, const ZelTAutoPostProcessing& automatic);
  friend TPack& operator>>(TPack& pack, ZelTAutoPostProcessing& automatic);

  static constexpr unsigned long kLeastRemainingTime = 10;

  unsigned long GetRemainingTime() const { return m_remainingTime; }
  bool Start(unsigned long milliseconds);
  bool Suspend(unsigned long milliseconds);
  bool Suspend();
  bool Resume();
  bool Stop();

  TTimeStamp m_expiryTime{1};
  unsigned long m_remainingTime = 0;
};

class ZELCLNT_API ZelTMandatoryPostProcessing : public ZelTPostProcessingStatus {
 public:
  ZelTMandatoryPostProcessing() = default;
  ZelTMandatoryPostProcessing(const ZelTMandatoryPostProcessing&) = default;
  ZelTMandatoryPostProcessing& operator=(const ZelTMandatoryPostProcessing&) = default;
  ~ZelTMandatoryPostProcessing() override = default;

  bool IsWrapupReceived() const { return m_wrapupReceived; }

 private:
  friend class ZelTPostProcessing;
  friend class ZelTPostProcessingControl;
  friend TPack& operator<<(TPack& pack, const ZelTMandatoryPostProcessing& mandatory);
  friend TPack& operator>>(TPack& pack, ZelTMandatoryPostProcessing& mandatory);

  bool Start();
  bool Stop();
  void SetWrapupReceived(bool received) { m_wrapupReceived = received; }

  bool m_wrapupReceived = false;
};

class ZELCLNT_API ZelTPostProcessing {
 public:
  ZelTPostProcessing() = default;
  ZelTPostProcessing(const ZelTPostProcessing&) = default;
  ZelTPostProcessing& operator=(const ZelTPostProcessing&) = default;
  virtual ~ZelTPostProcessing() = default;

  // Manual active, system active or automatic suspended.
  bool IsPostProcessingActive() const;
  bool IsManualPostProcessingActive() const { return m_manual.IsActive(); }
  bool IsManualPostProcessingPending() const { return m_manual.IsPending(); }
  // Mandatory or automatic active.
  bool IsSystemPostProcessingActive() const { return m_mandatory.IsActive() || m_automatic.IsActive(); }
  bool IsMandatoryPostProcessingActive() const { return m_mandatory.IsActive(); }
  bool IsWrapupReceived() const { return m_mandatory.IsWrapupReceived(); }
  bool IsAutoPostProcessingActive() const { return m_automatic.IsActive(); }
  bool IsAutoPostProcessingSuspended() const { return m_automatic.IsSuspended(); }
  long GetManualPostProcessingReason() const { return m_manual.GetReason(); }
  const TTimeStamp& GetAutoPostProcessingExpiryTime() const { return m_automatic.GetExpiryTime(); }
  // Each part whole, for readers that show every status (stopped as well).
  const ZelTManualPostProcessing& GetManual() const { return m_manual; }
  const ZelTAutoPostProcessing& GetAutomatic() const { return m_automatic; }
  const ZelTMandatoryPostProcessing& GetMandatory() const { return m_mandatory; }

  // The wire form: its fixed size, and the form written at `at` (REQUIRES
  // kWireSize bytes of room), returning where the next value goes.
  static constexpr std::size_t kWireSize = 4 + TTimeStamp::kWireSize + 4 + 4 + 1 + 4 + 4;
  char* PutWire(char* at) const;

 private:
  friend class ZelTPostProcessingControl;
  friend TPack& operator<<(TPack& pack, const ZelTPostProcessing& postProcessing);
  friend TPack& operator>>(TPack& pack, ZelTPostProcessing& postProcessing);

  ZelTManualPostProcessing& GetManualPostProcessing() { return m_manual; }
  ZelTAutoPostProcessing& GetAutoPostProcessing() { return m_automatic; }
  ZelTMandatoryPostProcessing& GetMandatoryPostProcessing() { return m_mandatory; }

  ZelTManualPostProcessing m_manual;
  ZelTAutoPostProcessing m_automatic;
  ZelTMandatoryPostProcessing m_mandatory;
};

ZELCLNT_API TPack& operator<<(TPack& pack, ZelTPostProcessingStatus::enPostProcessingStatus status);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPostProcessingStatus::enPostProcessingStatus& status);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTPostProcessingStatus& status);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPostProcessingStatus& status);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTManualPostProcessing& manual);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTManualPostProcessing& manual);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTAutoPostProcessing& automatic);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTAutoPostProcessing& automatic);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTMandatoryPostProcessing& mandatory);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTMandatoryPostProcessing& mandatory);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTPostProcessing& postProcessing);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPostProcessing& postProcessing);
