#pragma once
// The server status request: asks the presence server about itself. The
// reply fills the same object with the server's summary and status, when it
// started, its watchdog and administration peers, whether it is shutting
// down, whether the integration is enabled and its heartbeat interval.

#include <string>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/requests/ZelQorvServerStatus.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTServerStatus : public ZelQorvServerStatus, public ZelTRequest {
 public:
  enum Action : std::int32_t {
    ACTION_NONE = 0,
    ACTION_QUERY = 1,
  };

  static constexpr unsigned short kObjectType = 35001;
  static constexpr unsigned long kDefaultHeartbeatInterval = 10000;

  explicit ZelTServerStatus(Generic::SERVERTYPES type = Generic::SERVERTYPE_PRESENCE);
  // The third text is taken and kept nowhere.
  ZelTServerStatus(const std::string& adminAddr, const std::string& watchdogAddr, const std::string& third,
                   const std::string& name, Generic::SERVERTYPES type);
  ZelTServerStatus(const ZelTServerStatus& other);
  ZelTServerStatus& operator=(const ZelTServerStatus& other);
  ~ZelTServerStatus() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(m_action); }
  bool InitializeRequest() override { return true; }

  void SetAction(Action action) { m_action = action; }
  Action GetAction() const { return m_action; }
  // Kept as the stamp's GetDateTime(0, '/', ':', '.') text.
  void SetServerStartedAt(const TTimeStamp& startedAt);
  const std::string& GetServerStartedAt() const { return m_serverStartedAt; }
  void SetWatchdogAddr(const std::string& address) { m_watchdogAddr = address; }
  const std::string& GetWatchdogAddr() const { return m_watchdogAddr; }
  void SetAdminAddr(const std::string& address) { m_adminAddr = address; }
  const std::string& GetAdminAddr() const { return m_adminAddr; }
  void SetShutdown() { m_shutdown = true; }
  bool IsShutdown() const { return m_shutdown; }
  void SetKvlEnabled(bool enabled) { m_kvlEnabled = enabled; }
  bool IsKvlEnabled() const { return m_kvlEnabled; }
  void SetHeartbeatInterval(unsigned long interval) { m_heartbeatInterval = interval; }
  unsigned long GetHeartbeatInterval() const { return m_heartbeatInterval; }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTServerStatus& status);
  friend TPack& operator>>(TPack& pack, ZelTServerStatus& status);

  void Initialize();

  Action m_action = ACTION_NONE;
  std::string m_serverStartedAt;
  std::string m_watchdogAddr;
  std::string m_adminAddr;
  bool m_shutdown = false;
  bool m_kvlEnabled = false;
  unsigned long m_heartbeatInterval = kDefaultHeartbeatInterval;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTServerStatus& status);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTServerStatus& status);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTServerStatus::Action action);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTServerStatus::Action& action);
