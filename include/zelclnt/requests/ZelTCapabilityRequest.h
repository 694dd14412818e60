#pragma once
// The two requests that grant a user a capability or take it away. Each
// names the user by key, the capability by type and carries one free-text
// parameter string for the server. Only the campaign-director capability is
// ever sent (ZelAPresenceServer::AddCapability and RemoveCapability refuse
// any other type before sending).
//
// Body after the common part: user key (long), capability type
// (enumeration), parameters (string). The action type is always 0.

#include <string>
#include <utility>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/ZelExport.h"

// What the two requests share; they differ in identity and setter name.
class ZELCLNT_API ZelTCapabilityRequest : public ZelTRequest {
 public:
  ZelTCapabilityRequest(const ZelTCapabilityRequest&) = default;
  ZelTCapabilityRequest& operator=(const ZelTCapabilityRequest&) = default;
  ~ZelTCapabilityRequest() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  unsigned short GetActionType() const override { return 0; }

  void SetCapabilityType(ZelTUserCapability::enCapabilityType type) { m_capabilityType = type; }
  // The low 16 bits, as callers have always read it.
  unsigned short GetCapabilityType() const { return static_cast<unsigned short>(m_capabilityType); }
  // The whole value, as the wire carries it.
  ZelTUserCapability::enCapabilityType GetCapabilityTypeValue() const { return m_capabilityType; }
  void SetUserKey(long userKey) { m_userKey = userKey; }
  long GetUserKey() const { return m_userKey; }
  std::string GetParameters() const { return m_parameters; }

 protected:
  ZelTCapabilityRequest() : ZelTRequest(true) {}
  void StoreParameters(std::string parameters) { m_parameters = std::move(parameters); }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTCapabilityRequest& request);
  friend TPack& operator>>(TPack& pack, ZelTCapabilityRequest& request);

  ZelTUserCapability::enCapabilityType m_capabilityType = ZelTUserCapability::enCapabilityType{0};
  long m_userKey = 0;
  std::string m_parameters;
};

class ZELCLNT_API ZelTAddCapability : public ZelTCapabilityRequest {
 public:
  static constexpr unsigned short kObjectType = 35005;

  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  void SetParameter(std::string parameters) { StoreParameters(std::move(parameters)); }
};

class ZELCLNT_API ZelTRemoveCapability : public ZelTCapabilityRequest {
 public:
  static constexpr unsigned short kObjectType = 35006;

  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  void SetParameters(std::string parameters) { StoreParameters(std::move(parameters)); }
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTCapabilityRequest& request);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTCapabilityRequest& request);
