#include "zelclnt/state/TSilentMonitoringInfo.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

std::string TSilentMonitoringInfo::ToString(int, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "SilMon Info", "{", "}");
  summary.AddContactId(contactId, requeueCount, false, true);
  summary.Add("Extension", extension, true);
  summary.Add("Type", SilentMonitoringTypeToString(type), false);
  return summary.ToString();
}

void TSilentMonitoringInfo::PrintDiag() const {
  if (TDiag::ShouldWeDiag(kPrintDiagType))
    NuxDiagStream::WriteDiag(kPrintDiagType, 190, "NUXTSilentMonitoringInfo", ToString());
}

TPack& operator<<(TPack& pack, const TSilentMonitoringInfo& info) {
  return pack << info.contactId << info.requeueCount << info.extension << info.type;
}

TPack& operator>>(TPack& pack, TSilentMonitoringInfo& info) {
  return pack >> info.contactId >> info.requeueCount >> info.extension >> info.type;
}
