#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TPack.h"

ZelTQueryUserMediumStatus& ZelTQueryUserMediumStatus::operator=(const ZelTQueryUserMediumStatus& other) {
  if (this == &other) return *this;
  ZelTRequest::operator=(other);
  m_action = other.m_action;
  m_mediumStatus = other.m_mediumStatus;
  return *this;
}

TPack& ZelTQueryUserMediumStatus::PackRequest(TPack& pack) {
  pack << *this;
  if (m_action == ACTION_QUERY) pack << m_mediumStatus;
  return pack;
}

TPack& ZelTQueryUserMediumStatus::UnpackRequest(TPack& pack) {
  pack >> *this;
  if (m_action == ACTION_QUERY) pack >> m_mediumStatus;
  return pack;
}

std::string ZelTQueryUserMediumStatus::ToString() const {
  return "Query User Medium Status:  " + m_mediumStatus.ToString();
}

void ZelTQueryUserMediumStatus::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 208, "..\\..\\src\\ZelTQueryUserMediumStatus", "ZelTQueryUserMediumStatus", "PrintDiag")
      << ToString();
}

TPack& operator<<(TPack& pack, const ZelTQueryUserMediumStatus& query) {
  return pack << static_cast<const ZelTRequest&>(query) << query.m_action;
}

TPack& operator>>(TPack& pack, ZelTQueryUserMediumStatus& query) {
  return pack >> static_cast<ZelTRequest&>(query) >> query.m_action;
}

TPack& operator<<(TPack& pack, const ZelTQueryUserMediumStatus::Action& action) { return PackEnum32(pack, action); }

TPack& operator>>(TPack& pack, ZelTQueryUserMediumStatus::Action& action) { return UnpackEnum32(pack, action); }
