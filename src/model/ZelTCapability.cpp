#include "zelclnt/model/ZelTCapability.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "ZelTCapability";

}  // namespace

std::string ZelTDesktopCapability::ToString() const {
  NuxDiagSummary summary(true, true, true, "Desktop Capability", "{", "}");
  summary.Add("Capability", ToString(m_capability), true);
  summary.Add("Cause", ToString(m_cause), true);
  summary.Add(NuxDiagSummary::GetContentName_StartTime(), NuxDiagSummary::DateTimeText(m_startTime), false);
  return summary.ToString();
}

void ZelTDesktopCapability::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, kSource, "ZelTDesktopCapability", "PrintDiag") << ToString();
}

std::string ZelTDesktopCapability::ToString(enDesktopCapability capability) {
  static constexpr ZelTextEntry kTexts[] = {{DESKTOP_LOGOFF, "Logoff"}, {DESKTOP_LOGON, "Logon"}};
  return ZelTextOrInvalid(kTexts, capability);
}

std::string ZelTDesktopCapability::ToString(enDesktopCapabilityCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {DESKTOPCAUSE_NONE, "None"},
      {DESKTOPCAUSE_ADMIN_SERVER_NOT_READY, "Admin Server Not Ready"},
      {DESKTOPCAUSE_WATCHDOG_SERVER_NOT_READY, "Watchdog Server Not Ready"},
      {DESKTOPCAUSE_USER_DELETED, "User Deleted"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

ZelTUserCapability& ZelTUserCapability::operator=(const ZelTUserCapability& other) {
  m_desktop = other.m_desktop;
  return *this;
}

std::string ZelTUserCapability::ToString() const {
  NuxDiagSummary summary(true, true, true, "User Capability", "{", "}");
  summary << m_desktop.ToString();
  return summary.ToString();
}

void ZelTUserCapability::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, kSource, "ZelTUserCapability", "PrintDiag") << ToString();
}

std::string ZelTUserCapability::ToString(enCapabilityType type) {
  static constexpr ZelTextEntry kTexts[] = {{CAPABILITY_DESKTOP, "Desktop"},
                                            {CAPABILITY_CAMPAIGN_DIRECTOR, "Campaign Director"}};
  return ZelTextOrInvalid(kTexts, type);
}

TPack& operator<<(TPack& pack, const ZelTDesktopCapability& capability) {
  return pack << capability.m_capability << capability.m_cause << capability.m_startTime;
}

TPack& operator>>(TPack& pack, ZelTDesktopCapability& capability) {
  return pack >> capability.m_capability >> capability.m_cause >> capability.m_startTime;
}

TPack& operator<<(TPack& pack, ZelTDesktopCapability::enDesktopCapability capability) {
  return PackEnum32(pack, capability);
}

TPack& operator>>(TPack& pack, ZelTDesktopCapability::enDesktopCapability& capability) {
  return UnpackEnum32(pack, capability);
}

TPack& operator<<(TPack& pack, ZelTDesktopCapability::enDesktopCapabilityCause cause) {
  return PackEnum32(pack, cause);
}

TPack& operator>>(TPack& pack, ZelTDesktopCapability::enDesktopCapabilityCause& cause) {
  return UnpackEnum32(pack, cause);
}

TPack& operator<<(TPack& pack, const ZelTUserCapability& capability) { return pack << capability.m_desktop; }

TPack& operator>>(TPack& pack, ZelTUserCapability& capability) { return pack >> capability.m_desktop; }

TPack& operator<<(TPack& pack, ZelTUserCapability::enCapabilityType type) { return PackEnum32(pack, type); }

TPack& operator>>(TPack& pack, ZelTUserCapability::enCapabilityType& type) { return UnpackEnum32(pack, type); }
