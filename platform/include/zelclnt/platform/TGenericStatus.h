#pragma once
// The common library's generic server status and server types.

#include <cstdint>

#include "zelclnt/ZelExport.h"

class TPack;

namespace Generic {
// Server types. Only the numbers matter on the wire; a few carry names here.
enum SERVERTYPES : std::int32_t {
  SERVERTYPE_NONE = 0,
  SERVERTYPE_PRESENCE = 22,
  SERVERTYPE_UNSPECIFIED = 26,
};
}  // namespace Generic

class ZELCLNT_API TGenericStatus {
 public:
  enum eServerStatus : std::int32_t {
    STATUS_UNKNOWN = 0,
    STATUS_UP = 1,
    STATUS_ACTIVE = 8,
    STATUS_STANDBY = 16,
  };

  TGenericStatus() = default;
  TGenericStatus(std::uint16_t serverType, std::int16_t status, std::int32_t load, std::int32_t secondState)
      : m_serverType(serverType), m_status(status), m_load(load), m_secondState(secondState) {}

  std::uint16_t GetServerType() const { return m_serverType; }
  std::int16_t GetStatus() const { return m_status; }
  std::int32_t GetLoad() const { return m_load; }
  std::int32_t GetSecondState() const { return m_secondState; }
  bool IsServerUp() const { return m_status == STATUS_UP || m_status == STATUS_ACTIVE || m_status == STATUS_STANDBY; }

 private:
  std::uint16_t m_serverType = 0;
  std::int16_t m_status = 0;
  std::int32_t m_load = 0;
  std::int32_t m_secondState = 0;
};

ZELCLNT_API TPack& operator<<(TPack& pack, TGenericStatus::eServerStatus status);
ZELCLNT_API TPack& operator>>(TPack& pack, TGenericStatus::eServerStatus& status);
