#pragma once
// A change of a user's continuous silent monitoring: why (added, removed,
// participation updated or removed), every silent-monitoring participation
// the user now has, and those the change affected.
//
// The producer fills the event with Copy (ZelTEventControl); applications
// read it from the wire. The collections own their entries; copies are
// deep. An event serves one thread at a time.
//
// Wire form: the event base, the state cause (raw enumeration), then the
// participations and the affected ones, each as a list collection.

#include <list>
#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"
#include "zelclnt/state/TStateEnums.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserCSMStateEvent : public ZelTEventBase {
 public:
  using SilentMonitoringColl = ZelTStdListPointerColl<TSilentMonitoringInfo>;

  ZelTUserCSMStateEvent() = default;

  TMediaServerCommonEnum::enCSMStateCause GetCSMStateCause() const { return m_csmStateCause; }
  const SilentMonitoringColl& GetSilentMonitoringColl() const { return m_silentMonitoring; }
  const SilentMonitoringColl& GetAffectedSilentMonitoringColl() const { return m_affectedSilentMonitoring; }
  // The entries stay the event's; the caller must not delete them.
  const std::list<TSilentMonitoringInfo*>& GetSilentMonitoringInfoList() const { return m_silentMonitoring.GetList(); }
  const std::list<TSilentMonitoringInfo*>& GetAffectedSilentMonitoringInfoList() const {
    return m_affectedSilentMonitoring.GetList();
  }

  // All participations only with PRGM diagnostics on; the affected always.
  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTUserCSMStateEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserCSMStateEvent& event);

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
            TMediaServerCommonEnum::enCSMStateCause csmCause, const SilentMonitoringColl& affected);

  TMediaServerCommonEnum::enCSMStateCause m_csmStateCause = TMediaServerCommonEnum::CSM_NONE;
  SilentMonitoringColl m_silentMonitoring;
  SilentMonitoringColl m_affectedSilentMonitoring;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserCSMStateEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserCSMStateEvent& event);
