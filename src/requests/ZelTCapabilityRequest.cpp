#include "zelclnt/requests/ZelTCapabilityRequest.h"

#include "zelclnt/platform/TPack.h"

TPack& ZelTCapabilityRequest::PackRequest(TPack& pack) { return pack << *this; }

TPack& ZelTCapabilityRequest::UnpackRequest(TPack& pack) { return pack >> *this; }

TPack& operator<<(TPack& pack, const ZelTCapabilityRequest& request) {
  pack << static_cast<const ZelTRequest&>(request);
  return pack << request.m_userKey << request.m_capabilityType << request.m_parameters;
}

TPack& operator>>(TPack& pack, ZelTCapabilityRequest& request) {
  pack >> static_cast<ZelTRequest&>(request);
  return pack >> request.m_userKey >> request.m_capabilityType >> request.m_parameters;
}
