#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"

#include <cstring>

#include "ZelTextTable.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

template class ZelTStdListPointerColl<ZelTPresentity>;
template class ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>;

namespace {

constexpr const char* kSource = "ZelTIntegratedPresenceSummary";
constexpr const char* kUnknownMember = "UNKNOWN ENUM MEMBER";

using Summary = ZelTIntegratedPresenceSummary;

template <std::size_t N>
std::string TextOrWarning(const ZelTextEntry (&table)[N], std::int32_t value, const char* message) {
  return ZelTextOrWarn(table, value, kUnknownMember, kSource, message);
}

std::string ResultText(unsigned long result) {
  return ZelTPresenceServer::ToString(static_cast<ZelTPresenceServer::ErrorCode>(static_cast<std::int32_t>(result)));
}

}  // namespace

ZelTPresentity& ZelTPresentity::operator=(const ZelTPresentity& other) {
  if (this == &other) return *this;
  m_presenceId = other.m_presenceId;
  m_extension = other.m_extension;
  m_zorbUserName = other.m_zorbUserName;
  return *this;
}

unsigned char ZelTPresentity::operator==(const ZelTPresentity& other) const {
  return m_presenceId == other.m_presenceId && m_zorbUserName == other.m_zorbUserName &&
         m_extension == other.m_extension;
}

std::string ZelTPresentity::ToString() const {
  return "PresenceId{" + m_presenceId + "} ZorbUserName{" + m_zorbUserName + "} Extension{" + m_extension + "}";
}

void ZelTPresentity::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(kPrintDiagType)) return;
  NuxDiagStream(kPrintDiagType, __LINE__, kSource, GetClassName(), "PrintDiag") << ToString();
}

ZelTIntegratedPresenceSummary& ZelTIntegratedPresenceSummary::operator=(const ZelTIntegratedPresenceSummary& other) {
  if (this == &other) return *this;
  ZelTPresentity::operator=(other);
  m_integratedPresence = other.m_integratedPresence;
  m_integratedPresenceSource = other.m_integratedPresenceSource;
  m_voiceMediaStatus = other.m_voiceMediaStatus;
  m_routingStateReason = other.m_routingStateReason;
  m_routingStateReasonType = other.m_routingStateReasonType;
  m_presenceQueryResult = other.m_presenceQueryResult;
  m_zorbQueryResult = other.m_zorbQueryResult;
  m_extensionQueryResult = other.m_extensionQueryResult;
  m_resultCode = other.m_resultCode;
  return *this;
}

std::string ZelTIntegratedPresenceSummary::ToString() const {
  return ZelTPresentity::ToString() + " IntegratedPresenceSource{" + ToString(m_integratedPresenceSource) +
         "} IntegratedPresence{" + ToString(m_integratedPresence) + "} VoiceMediaStatus{" +
         ToString(m_voiceMediaStatus) + "} RoutingStateReason{" + std::to_string(m_routingStateReason) +
         "} RoutingStateReasonType{" + ToString(m_routingStateReasonType) + "} ResultCode{" +
         ResultText(m_resultCode) + "} PresenceQueryResult{" + ResultText(m_presenceQueryResult) +
         "} ZorbQueryResult{" + ResultText(m_zorbQueryResult) + "} ExtensionQueryResult{" +
         ResultText(m_extensionQueryResult) + "}";
}

std::string ZelTIntegratedPresenceSummary::ToString(IntegratedPresence value) {
  static constexpr ZelTextEntry kTexts[] = {
      {KORVAL_DoNotDisturb, "KORVAL_DoNotDisturb"},
      {KORVAL_BeRightBack, "KORVAL_BeRightBack"},
      {KORVAL_Unavailable, "KORVAL_Unavailable"},
      {KORVAL_Busy, "KORVAL_Busy"},
      {KORVAL_InMeeting, "KORVAL_InMeeting"},
      {KORVAL_IAmPresent, "KORVAL_IAmPresent"},
      {LINE_Idle, "LINE_Idle"},
      {LINE_Dialling, "LINE_Dialling"},
      {LINE_Busy, "LINE_Busy"},
      {LINE_Ringing, "LINE_Ringing"},
      {LINE_Connected, "LINE_Connected"},
      {LINE_Queued, "LINE_Queued"},
      {LINE_OnHold, "LINE_OnHold"},
      {LINE_Consulting, "LINE_Consulting"},
      {LINE_OutOfService, "LINE_OutOfService"},
      {User_Idle, "User_Idle"},
      {User_Active, "User_Active"},
      {User_Busy, "User_Busy"},
      {User_Away, "User_Away"},
      {User_LoggedOff, "User_LoggedOff"},
      {User_Unknown, "User_Unknown"},
      {STATUS_UNKNOWN, "STATUS_UNKNOWN"},
      {STATUS_ERROR, "STATUS_ERROR"},
  };
  return TextOrWarning(kTexts, value, "ZelKvlRequest::ToString(IntegratedPresence). Invalid Enumeration: %d");
}

std::string ZelTIntegratedPresenceSummary::ToString(IntegratedPresenceSource value) {
  static constexpr ZelTextEntry kTexts[] = {
      {SOURCE_KORVAL, "SOURCE_KORVAL"},
      {SOURCE_ZORBAGENTSTATE, "SOURCE_ZORBAGENTSTATE"},
      {SOURCE_ZORBLINESTATE, "SOURCE_ZORBLINESTATE"},
      {SOURCE_UNKNOWN, "SOURCE_UNKNOWN"},
  };
  return TextOrWarning(kTexts, value, "ZelKvlRequest::ToString(IntegratedPresenceSource). Invalid Enumeration: %d");
}

std::string ZelTIntegratedPresenceSummary::ToString(MediaStatus value) {
  static constexpr ZelTextEntry kTexts[] = {
      {Unknown, "Unknown"},
      {Available, "Available"},
      {Busy, "Busy"},
      {Offline, "Offline"},
  };
  return TextOrWarning(kTexts, value, "ZelKvlRequest::ToString(MediaStatus). Invalid Enumeration: %d");
}

std::string ZelTIntegratedPresenceSummary::ToString(RoutingStateReasonType value) {
  static constexpr ZelTextEntry kTexts[] = {
      {ROUTINGSTATEREASON_NONE, "ROUTINGSTATEREASON_NONE"},
      {ROUTINGSTATEREASON_UNAVAIL, "ROUTINGSTATEREASON_UNAVAIL"},
      {ROUTINGSTATEREASON_WORK, "ROUTINGSTATEREASON_WORK"},
      {ROUTINGSTATEREASON_OTHER, "ROUTINGSTATEREASON_OTHER"},
  };
  return TextOrWarning(kTexts, value, "ZelKvlRequest::ToString(ACD Reason Type). Invalid Enumeration: %d");
}

// Sized first and claimed at once, so that a sizing pass costs little.
TPack& operator<<(TPack& pack, const ZelTPresentity& presentity) {
  const std::size_t size = StringWireSize(presentity.m_presenceId) + StringWireSize(presentity.m_zorbUserName) +
                           StringWireSize(presentity.m_extension);
  if (char* at = pack.Claim(size)) {
    at = PutString(at, presentity.m_presenceId);
    at = PutString(at, presentity.m_zorbUserName);
    PutString(at, presentity.m_extension);
  }
  return pack;
}

TPack& operator>>(TPack& pack, ZelTPresentity& presentity) {
  return pack >> presentity.m_presenceId >> presentity.m_zorbUserName >> presentity.m_extension;
}

void ResetForReading(ZelTPresentity& presentity) {
  presentity.m_presenceId.clear();
  presentity.m_zorbUserName.clear();
  presentity.m_extension.clear();
}

void ResetForReading(ZelTIntegratedPresenceSummary& summary) {
  ResetForReading(static_cast<ZelTPresentity&>(summary));
  const ZelTIntegratedPresenceSummary defaults;
  summary.m_integratedPresence = defaults.m_integratedPresence;
  summary.m_integratedPresenceSource = defaults.m_integratedPresenceSource;
  summary.m_voiceMediaStatus = defaults.m_voiceMediaStatus;
  summary.m_routingStateReason = defaults.m_routingStateReason;
  summary.m_routingStateReasonType = defaults.m_routingStateReasonType;
  summary.m_presenceQueryResult = defaults.m_presenceQueryResult;
  summary.m_zorbQueryResult = defaults.m_zorbQueryResult;
  summary.m_extensionQueryResult = defaults.m_extensionQueryResult;
  summary.m_resultCode = defaults.m_resultCode;
}

// Sized first and claimed at once, as a presentity; the nine values after
// the presentity are one fixed run, read with one bounds check when they
// are all there.
TPack& operator<<(TPack& pack, const ZelTIntegratedPresenceSummary& summary) {
  TFixed32Writer<9> run;
  run.Put(summary.m_integratedPresence).Put(summary.m_integratedPresenceSource).Put(summary.m_voiceMediaStatus);
  run.Put(summary.m_routingStateReason).Put(summary.m_routingStateReasonType);
  run.Put(summary.m_presenceQueryResult).Put(summary.m_zorbQueryResult).Put(summary.m_extensionQueryResult);
  run.Put(summary.m_resultCode);
  const std::size_t size = StringWireSize(summary.m_presenceId) + StringWireSize(summary.m_zorbUserName) +
                           StringWireSize(summary.m_extension) + run.kSize;
  if (char* at = pack.Claim(size)) {
    at = PutString(at, summary.m_presenceId);
    at = PutString(at, summary.m_zorbUserName);
    at = PutString(at, summary.m_extension);
    std::memcpy(at, run.Bytes(), run.kSize);
  }
  return pack;
}

TPack& operator>>(TPack& pack, ZelTIntegratedPresenceSummary& summary) {
  pack >> static_cast<ZelTPresentity&>(summary);
  if (!pack.CanRemove(TFixed32Writer<9>::kSize)) {
    pack >> summary.m_integratedPresence >> summary.m_integratedPresenceSource >> summary.m_voiceMediaStatus;
    pack >> summary.m_routingStateReason >> summary.m_routingStateReasonType;
    return pack >> summary.m_presenceQueryResult >> summary.m_zorbQueryResult >> summary.m_extensionQueryResult >>
           summary.m_resultCode;
  }
  TFixed32Reader run(pack.Contents());
  run.Get(summary.m_integratedPresence).Get(summary.m_integratedPresenceSource).Get(summary.m_voiceMediaStatus);
  run.Get(summary.m_routingStateReason).Get(summary.m_routingStateReasonType);
  run.Get(summary.m_presenceQueryResult).Get(summary.m_zorbQueryResult).Get(summary.m_extensionQueryResult);
  run.Get(summary.m_resultCode);
  pack.Behead(TFixed32Writer<9>::kSize);
  return pack;
}

TPack& operator<<(TPack& pack, Summary::IntegratedPresence value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, Summary::IntegratedPresence& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, Summary::IntegratedPresenceSource value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, Summary::IntegratedPresenceSource& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, Summary::MediaStatus value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, Summary::MediaStatus& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, Summary::RoutingStateReasonType value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, Summary::RoutingStateReasonType& value) { return UnpackEnum32(pack, value); }
