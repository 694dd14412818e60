#include "zelclnt/requests/ZelTServerStatus.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TPack.h"

ZelTServerStatus::ZelTServerStatus(Generic::SERVERTYPES type) : ZelQorvServerStatus(type), ZelTRequest(true) {
  Initialize();
}

ZelTServerStatus::ZelTServerStatus(const std::string& adminAddr, const std::string& watchdogAddr,
                                   const std::string&, const std::string& name, Generic::SERVERTYPES type)
    : ZelQorvServerStatus(type), ZelTRequest(true) {
  m_adminAddr = adminAddr;
  m_watchdogAddr = watchdogAddr;
  SetServerName(name);
  Initialize();
}

ZelTServerStatus::ZelTServerStatus(const ZelTServerStatus& other) : ZelTServerStatus() { *this = other; }

ZelTServerStatus& ZelTServerStatus::operator=(const ZelTServerStatus& other) {
  if (this == &other) return *this;
  ZelTRequest::operator=(other);
  ZelQorvServerStatus::operator=(other);
  m_action = other.m_action;
  m_serverStartedAt = other.m_serverStartedAt;
  m_watchdogAddr = other.m_watchdogAddr;
  m_adminAddr = other.m_adminAddr;
  m_shutdown = other.m_shutdown;
  m_kvlEnabled = other.m_kvlEnabled;
  m_heartbeatInterval = other.m_heartbeatInterval;
  return *this;
}

void ZelTServerStatus::Initialize() {
  NuxFenx trace(__LINE__, __FILE__, "ZelTServerStatus", "Initialize");
  m_action = ACTION_NONE;
  m_shutdown = false;
  m_kvlEnabled = false;
  m_heartbeatInterval = kDefaultHeartbeatInterval;
}

void ZelTServerStatus::SetServerStartedAt(const TTimeStamp& startedAt) {
  m_serverStartedAt = startedAt.GetDateTime(0, '/', ':', '.').str();
}

TPack& ZelTServerStatus::PackRequest(TPack& pack) { return pack << *this; }

TPack& ZelTServerStatus::UnpackRequest(TPack& pack) { return pack >> *this; }

TPack& operator<<(TPack& pack, const ZelTServerStatus& status) {
  pack << static_cast<const ZelTRequest&>(status) << static_cast<const ZelQorvServerStatus&>(status);
  pack << status.m_action << status.m_serverStartedAt << status.m_watchdogAddr << status.m_adminAddr;
  return pack << status.m_shutdown << status.m_kvlEnabled << status.m_heartbeatInterval;
}

TPack& operator>>(TPack& pack, ZelTServerStatus& status) {
  pack >> static_cast<ZelTRequest&>(status) >> static_cast<ZelQorvServerStatus&>(status);
  pack >> status.m_action >> status.m_serverStartedAt >> status.m_watchdogAddr >> status.m_adminAddr;
  return pack >> status.m_shutdown >> status.m_kvlEnabled >> status.m_heartbeatInterval;
}

TPack& operator<<(TPack& pack, ZelTServerStatus::Action action) { return PackEnum32(pack, action); }

TPack& operator>>(TPack& pack, ZelTServerStatus::Action& action) { return UnpackEnum32(pack, action); }
