#pragma once
// A medium became not ready (or all media at once) or ready again for the
// users of a site. The medium, readiness state and readiness cause are the
// public fields of the readiness part; the resource id is the medium as
// decimal text. The producer fills them with the setters. An event serves
// one thread at a time.
//
// Wire forms: the readiness part (medium, state, cause), the event cause
// (raw enumeration); the not-ready event adds the all-media flag (bool).

#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserMediaNotReadyEvent : public TMediaReadinessBase {
 public:
  ZelTUserMediaNotReadyEvent() { state = READINESS_NOT_READY; }

  ZelTEventBase::enEventCause GetEventCause() const { return m_eventCause; }
  void SetEventCause(ZelTEventBase::enEventCause cause) { m_eventCause = cause; }
  bool IsAllMediaNotReady() const { return m_allMediaNotReady; }
  void SetAllMediaNotReady(bool all) { m_allMediaNotReady = all; }
  std::string GetResourceId() const;

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTUserMediaNotReadyEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserMediaNotReadyEvent& event);

  ZelTEventBase::enEventCause m_eventCause = ZelTEventBase::EVENTCAUSE_NONE;
  bool m_allMediaNotReady = false;
};

class ZELCLNT_API ZelTUserMediaReadyEvent : public TMediaReadinessBase {
 public:
  ZelTUserMediaReadyEvent() { state = READINESS_READY; }

  ZelTEventBase::enEventCause GetEventCause() const { return m_eventCause; }
  void SetEventCause(ZelTEventBase::enEventCause cause) { m_eventCause = cause; }
  std::string GetResourceId() const;

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTUserMediaReadyEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserMediaReadyEvent& event);

  ZelTEventBase::enEventCause m_eventCause = ZelTEventBase::EVENTCAUSE_NONE;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserMediaNotReadyEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserMediaNotReadyEvent& event);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserMediaReadyEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserMediaReadyEvent& event);
