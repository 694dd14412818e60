#include "zelclnt/model/ZelTUserFlags.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

// «<Name><Flag{T},StartTime{...}» without its closing.
void AddSwitch(NuxDiagSummary& summary, const char* name, bool on, const TTimeStamp& since) {
  summary << name << "<";
  summary.Add("Flag", NuxDiagSummary::BoolText(on), true);
  summary.Add(NuxDiagSummary::GetContentName_StartTime(), NuxDiagSummary::DateTimeText(since), false);
}

}  // namespace

std::string ZelTUserFlags::ToSummary(enSummaryType type, bool showName) const {
  NuxDiagSummary summary(showName, showName, showName, "User Flags", "{", "}");
  if (type == SUMMARY_ALL || type == SUMMARY_PHONE_ONLY) {
    summary.Add("PhoneOnly", NuxDiagSummary::BoolText(m_phoneOnly), type == SUMMARY_ALL);
  }
  if (type == SUMMARY_ALL || type == SUMMARY_RECOVERY_MODE) {
    AddSwitch(summary, "RecoveryMode", m_recoveryModeOn, m_recoveryModeStartTime);
    summary << (type == SUMMARY_ALL ? ">," : ">");
  }
  if (type == SUMMARY_ALL || type == SUMMARY_CONTACT_ASSIST) {
    AddSwitch(summary, "ContactAssist", m_contactAssist, m_contactAssistStartTime);
    summary << ">";
  }
  return summary.ToString();
}

void ZelTUserFlags::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, "ZelTUserFlags", "ZelTUserFlags", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserFlags& flags) {
  return pack << flags.m_phoneOnly << flags.m_recoveryModeOn << flags.m_contactAssist << flags.m_recoveryModeStartTime
              << flags.m_contactAssistStartTime;
}

TPack& operator>>(TPack& pack, ZelTUserFlags& flags) {
  return pack >> flags.m_phoneOnly >> flags.m_recoveryModeOn >> flags.m_contactAssist >>
         flags.m_recoveryModeStartTime >> flags.m_contactAssistStartTime;
}
