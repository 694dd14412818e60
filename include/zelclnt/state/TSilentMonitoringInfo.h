#pragma once
// One silent-monitoring participation: the monitored contact, the
// monitoring extension and the kind of monitoring.
//
// Wire form: contact id (string), requeue count (long), extension (string),
// type (raw enumeration).

#include <string>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/state/TStateEnums.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API TSilentMonitoringInfo {
 public:
  static constexpr TDiag::enDiagType kPrintDiagType = TDiag::INFO;

  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  std::string contactId;
  long requeueCount = -1;
  std::string extension;
  enSilentMonitoringType type = SILENTMONITORING_NONE;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TSilentMonitoringInfo& info);
ZELCLNT_API TPack& operator>>(TPack& pack, TSilentMonitoringInfo& info);
