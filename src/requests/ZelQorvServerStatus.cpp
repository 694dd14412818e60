#include "zelclnt/requests/ZelQorvServerStatus.h"

#include "zelclnt/platform/TPack.h"

namespace {

TTimeStamp NowInGMT() {
  TTimeStamp now(0);
  now.ConvertToGMT();
  return now;
}

std::int32_t DownCodeOf(std::uint16_t serverType) {
  switch (serverType) {
    case 0: return 7;
    case 1: return 1;
    case 5: return 2;
    case 7: return 4;
    case 11: return 8;
    case 17: return 3;
    default: return 0;
  }
}

}  // namespace

ZelQorvServerStatus::ZelQorvServerStatus(Generic::SERVERTYPES type)
    : ZelQorvServerSummary(type), m_statusChangedAt(NowInGMT()), m_secondStateChangedAt(NowInGMT()) {}

void ZelQorvServerStatus::SetCurrentStatus(TGenericStatus::eServerStatus status) {
  if (status == m_currentStatus) return;
  m_previousStatus = m_currentStatus;
  m_currentStatus = status;
  m_statusChangedAt = NowInGMT();
}

void ZelQorvServerStatus::SetSecondState(std::int32_t state) {
  if (state == m_secondState) return;
  m_secondState = state;
  m_secondStateChangedAt = NowInGMT();
}

void ZelQorvServerStatus::TakeOver(const TGenericStatus& status) {
  SetServerType(static_cast<Generic::SERVERTYPES>(status.GetServerType()));
  SetCurrentStatus(static_cast<TGenericStatus::eServerStatus>(status.GetStatus()));
  SetValueB(status.GetLoad());
  SetSecondState(status.GetSecondState());
  if (!status.IsServerUp()) m_downCode = DownCodeOf(status.GetServerType());
}

bool ZelQorvServerStatus::IsUp() const {
  switch (static_cast<std::int32_t>(GetServerType())) {
    case 1: return m_currentStatus == TGenericStatus::STATUS_ACTIVE;
    case 11: return m_currentStatus == TGenericStatus::STATUS_UP || m_currentStatus == TGenericStatus::STATUS_STANDBY;
    default: return m_currentStatus == TGenericStatus::STATUS_UP;
  }
}

std::int64_t ZelQorvServerStatus::MillisecondsSinceStatusChange() const {
  return NowInGMT().dif(m_statusChangedAt).GetTimeAsMilliseconds();
}

std::int64_t ZelQorvServerStatus::MillisecondsSinceSecondStateChange() const {
  return NowInGMT().dif(m_secondStateChangedAt).GetTimeAsMilliseconds();
}

TPack& operator<<(TPack& pack, const ZelQorvServerSummary& summary) {
  pack << summary.m_serverName;
  PackEnum32(pack, summary.m_serverType);
  pack << summary.m_description << summary.m_port << summary.m_host;
  return pack << static_cast<int>(summary.m_valueA) << static_cast<int>(summary.m_valueB);
}

TPack& operator>>(TPack& pack, ZelQorvServerSummary& summary) {
  pack >> summary.m_serverName;
  UnpackEnum32(pack, summary.m_serverType);
  pack >> summary.m_description >> summary.m_port >> summary.m_host;
  long valueA = summary.m_valueA;
  long valueB = summary.m_valueB;
  pack >> valueA >> valueB;
  summary.m_valueA = static_cast<std::int32_t>(valueA);
  summary.m_valueB = static_cast<std::int32_t>(valueB);
  return pack;
}

TPack& operator<<(TPack& pack, const ZelQorvServerStatus& status) {
  pack << static_cast<const ZelQorvServerSummary&>(status);
  return pack << status.m_currentStatus << status.m_previousStatus << status.m_statusChangedAt << status.m_flag
              << status.m_secondStateChangedAt;
}

TPack& operator>>(TPack& pack, ZelQorvServerStatus& status) {
  pack >> static_cast<ZelQorvServerSummary&>(status);
  return pack >> status.m_currentStatus >> status.m_previousStatus >> status.m_statusChangedAt >> status.m_flag >>
         status.m_secondStateChangedAt;
}
