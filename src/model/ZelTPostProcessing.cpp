#include "zelclnt/model/ZelTPostProcessing.h"

#include "zelclnt/platform/TPack.h"

bool ZelTManualPostProcessing::Start(long reason) {
  SetPostProcessingStatus(PP_ACTIVE);
  m_reason = reason;
  return true;
}

bool ZelTManualPostProcessing::Start() {
  SetPostProcessingStatus(PP_ACTIVE);
  return true;
}

bool ZelTManualPostProcessing::Stop() {
  SetPostProcessingStatus(PP_STOPPED);
  m_reason = 0;
  return true;
}

bool ZelTManualPostProcessing::RequestReceived(long reason) {
  SetPostProcessingStatus(PP_PENDING);
  m_reason = reason;
  return true;
}

bool ZelTAutoPostProcessing::Start(unsigned long milliseconds) {
  SetPostProcessingStatus(PP_ACTIVE);
  m_expiryTime.Update(0);
  m_expiryTime.AddMilliseconds(static_cast<long>(milliseconds % 1000));
  m_expiryTime.AddSeconds(static_cast<long>(milliseconds / 1000));
  m_remainingTime = milliseconds;
  return true;
}

bool ZelTAutoPostProcessing::Suspend(unsigned long milliseconds) {
  SetPostProcessingStatus(PP_SUSPENDED);
  m_remainingTime = milliseconds;
  return true;
}

// What is left until expiry is kept; a suspension at or past expiry keeps
// the least remaining time, so that a resume still starts.
bool ZelTAutoPostProcessing::Suspend() {
  if (!IsActive()) return false;
  const std::int64_t left = m_expiryTime.dif(TTimeStamp(0)).GetTimeAsMilliseconds();
  SetPostProcessingStatus(PP_SUSPENDED);
  m_remainingTime = left > 0 ? static_cast<unsigned long>(left) : kLeastRemainingTime;
  m_expiryTime.Update(1);
  return true;
}

bool ZelTAutoPostProcessing::Resume() {
  if (!IsSuspended()) return false;
  return Start(m_remainingTime);
}

bool ZelTAutoPostProcessing::Stop() {
  SetPostProcessingStatus(PP_STOPPED);
  m_expiryTime.Update(1);
  m_remainingTime = 0;
  return true;
}

bool ZelTMandatoryPostProcessing::Start() {
  SetPostProcessingStatus(PP_ACTIVE);
  return true;
}

bool ZelTMandatoryPostProcessing::Stop() {
  SetPostProcessingStatus(PP_STOPPED);
  return true;
}

bool ZelTPostProcessing::IsPostProcessingActive() const {
  return IsManualPostProcessingActive() || IsSystemPostProcessingActive() || IsAutoPostProcessingSuspended();
}

TPack& operator<<(TPack& pack, ZelTPostProcessingStatus::enPostProcessingStatus status) {
  return PackEnum32(pack, status);
}

TPack& operator>>(TPack& pack, ZelTPostProcessingStatus::enPostProcessingStatus& status) {
  return UnpackEnum32(pack, status);
}

TPack& operator<<(TPack& pack, const ZelTPostProcessingStatus& status) { return pack << status.m_status; }

TPack& operator>>(TPack& pack, ZelTPostProcessingStatus& status) { return pack >> status.m_status; }

TPack& operator<<(TPack& pack, const ZelTManualPostProcessing& manual) {
  return pack << static_cast<const ZelTPostProcessingStatus&>(manual) << manual.m_reason;
}

TPack& operator>>(TPack& pack, ZelTManualPostProcessing& manual) {
  return pack >> static_cast<ZelTPostProcessingStatus&>(manual) >> manual.m_reason;
}

TPack& operator<<(TPack& pack, const ZelTAutoPostProcessing& automatic) {
  return pack << static_cast<const ZelTPostProcessingStatus&>(automatic) << automatic.m_expiryTime
              << automatic.m_remainingTime;
}

TPack& operator>>(TPack& pack, ZelTAutoPostProcessing& automatic) {
  return pack >> static_cast<ZelTPostProcessingStatus&>(automatic) >> automatic.m_expiryTime >>
         automatic.m_remainingTime;
}

TPack& operator<<(TPack& pack, const ZelTMandatoryPostProcessing& mandatory) {
  return pack << static_cast<const ZelTPostProcessingStatus&>(mandatory) << mandatory.m_wrapupReceived;
}

TPack& operator>>(TPack& pack, ZelTMandatoryPostProcessing& mandatory) {
  return pack >> static_cast<ZelTPostProcessingStatus&>(mandatory) >> mandatory.m_wrapupReceived;
}

char* ZelTPostProcessing::PutWire(char* at) const {
  TRecordWriter writer(at);
  writer.Put(m_automatic.GetPostProcessingStatus()).PutWire(m_automatic.m_expiryTime).Put(m_automatic.m_remainingTime);
  writer.Put(m_mandatory.GetPostProcessingStatus()).Put(m_mandatory.m_wrapupReceived);
  writer.Put(m_manual.GetPostProcessingStatus()).Put(m_manual.m_reason);
  return writer.At();
}

TPack& operator<<(TPack& pack, const ZelTPostProcessing& postProcessing) {
  if (char* at = pack.Claim(ZelTPostProcessing::kWireSize)) postProcessing.PutWire(at);
  return pack;
}

TPack& operator>>(TPack& pack, ZelTPostProcessing& postProcessing) {
  return pack >> postProcessing.m_automatic >> postProcessing.m_mandatory >> postProcessing.m_manual;
}
