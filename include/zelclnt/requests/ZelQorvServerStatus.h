#pragma once
// The server summary and status records shared with the server side. This
// library constructs, copies and transports them; the meaning of most fields
// is the server's. Plain values: one thread at a time.

#include <cstdint>
#include <string>

#include "zelclnt/platform/TGenericStatus.h"
#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class TPack;

class ZELCLNT_API ZelQorvServerSummary {
 public:
  explicit ZelQorvServerSummary(Generic::SERVERTYPES type = Generic::SERVERTYPE_UNSPECIFIED) : m_serverType(type) {}
  virtual ~ZelQorvServerSummary() = default;
  ZelQorvServerSummary(const ZelQorvServerSummary&) = default;
  ZelQorvServerSummary& operator=(const ZelQorvServerSummary&) = default;

  const std::string& GetServerName() const { return m_serverName; }
  void SetServerName(const std::string& name) { m_serverName = name; }
  Generic::SERVERTYPES GetServerType() const { return m_serverType; }
  void SetServerType(Generic::SERVERTYPES type) { m_serverType = type; }
  const std::string& GetDescription() const { return m_description; }
  void SetDescription(const std::string& text) { m_description = text; }
  int GetPort() const { return m_port; }
  void SetPort(int port) { m_port = port; }
  const std::string& GetHost() const { return m_host; }
  void SetHost(const std::string& host) { m_host = host; }
  std::int32_t GetValueA() const { return m_valueA; }
  void SetValueA(std::int32_t value) { m_valueA = value; }
  std::int32_t GetValueB() const { return m_valueB; }
  void SetValueB(std::int32_t value) { m_valueB = value; }

  // "<number>@<address>", for 8080 and "srv" "8080@srv".
  std::string GetAddress() const { return std::to_string(m_port) + "@" + m_host; }

 private:
  friend TPack& operator<<(TPack& pack, const ZelQorvServerSummary& summary);
  friend TPack& operator>>(TPack& pack, ZelQorvServerSummary& summary);

  std::string m_serverName;
  Generic::SERVERTYPES m_serverType;
  std::string m_description;
  int m_port = 0;
  std::string m_host;
  std::int32_t m_valueA = 0;
  std::int32_t m_valueB = 0;
};

class ZELCLNT_API ZelQorvServerStatus : public ZelQorvServerSummary {
 public:
  explicit ZelQorvServerStatus(Generic::SERVERTYPES type = Generic::SERVERTYPE_UNSPECIFIED);
  ~ZelQorvServerStatus() override = default;
  ZelQorvServerStatus(const ZelQorvServerStatus&) = default;
  ZelQorvServerStatus& operator=(const ZelQorvServerStatus&) = default;

  TGenericStatus::eServerStatus GetCurrentStatus() const { return m_currentStatus; }
  TGenericStatus::eServerStatus GetPreviousStatus() const { return m_previousStatus; }
  // A new value moves the current one to previous and stamps the change.
  void SetCurrentStatus(TGenericStatus::eServerStatus status);
  const TTimeStamp& GetStatusChangedAt() const { return m_statusChangedAt; }
  bool GetFlag() const { return m_flag; }
  void SetFlag(bool flag) { m_flag = flag; }
  std::int32_t GetDownCode() const { return m_downCode; }
  std::int32_t GetSecondState() const { return m_secondState; }
  void SetSecondState(std::int32_t state);
  const TTimeStamp& GetSecondStateChangedAt() const { return m_secondStateChangedAt; }

  void TakeOver(const TGenericStatus& status);
  bool IsUp() const;
  std::int64_t MillisecondsSinceStatusChange() const;
  std::int64_t MillisecondsSinceSecondStateChange() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelQorvServerStatus& status);
  friend TPack& operator>>(TPack& pack, ZelQorvServerStatus& status);

  TGenericStatus::eServerStatus m_currentStatus = TGenericStatus::STATUS_UNKNOWN;
  TGenericStatus::eServerStatus m_previousStatus = TGenericStatus::STATUS_UNKNOWN;
  TTimeStamp m_statusChangedAt;
  bool m_flag = false;
  std::int32_t m_downCode = 0;
  std::int32_t m_secondState = 2;
  TTimeStamp m_secondStateChangedAt;
};

// Name, server type, description, number, address, values A and B (written
// as int, read as long).
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelQorvServerSummary& summary);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelQorvServerSummary& summary);
// The summary, then current and previous status, status change time, flag
// and second-state change time. The down code and the second state itself
// stay local.
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelQorvServerStatus& status);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelQorvServerStatus& status);
