#pragma once
// Whether the router may offer the user work, why not, where the initial
// state came from and since when.
//
// Wire form: state (raw enumeration), reason (long), initial source (raw
// enumeration), start time.

#include <cstdint>
#include <string>

#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTRoutingState {
 public:
  enum enRoutingState : std::int32_t {
    ROUTINGSTATE_AVAILABLE = 0,
    ROUTINGSTATE_UNAVAILABLE = 1,
    ROUTINGSTATE_WORK = 2,
    ROUTINGSTATE_LOGOFF = 3,
    ROUTINGSTATE_UNKNOWN = 4,
  };

  enum enInitialRoutingStateSource : std::int32_t {
    SOURCE_DEFAULT = 0,
    SOURCE_CTI_QUERY = 1,
    SOURCE_CTI_QUERY_PX9DR = 2,
    SOURCE_UNKNOWN = 3,
  };

  // Full: state, reason, source and (with detail) start time; brief: no
  // source; any other: state and reason only.
  enum enSummaryType : std::int32_t {
    SUMMARY_FULL = 0,
    SUMMARY_BRIEF = 1,
    SUMMARY_STATE_ONLY = 2,
  };

  enRoutingState GetRoutingState() const { return m_routingState; }
  long GetRoutingStateReason() const { return m_routingStateReason; }
  enInitialRoutingStateSource GetInitialRoutingStateSource() const { return m_initialSource; }
  TTimeStamp GetStartTime() const { return m_startTime; }
  void SetRoutingState(enRoutingState state) { m_routingState = state; }
  void SetRoutingStateReason(long reason) { m_routingStateReason = reason; }
  void SetInitialRoutingStateSource(enInitialRoutingStateSource source) { m_initialSource = source; }
  void SetStartTime(const TTimeStamp& time) { m_startTime = time; }

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(SUMMARY_FULL, true); }
  void PrintDiag() const;

  // "Invalid" for a value without a text.
  static std::string ToString(enRoutingState state);
  static std::string ToString(enInitialRoutingStateSource source);

  static std::string GetContentName_RoutingState();
  static std::string GetContentName_RoutingStateReason() { return "Reason"; }
  static std::string GetContentName_InitRoutingStateSource() { return "Source"; }
  static std::string GetContentName_RoutingStateStartTime();

 private:
  friend TPack& operator<<(TPack& pack, const ZelTRoutingState& state);
  friend TPack& operator>>(TPack& pack, ZelTRoutingState& state);

  enRoutingState m_routingState = ROUTINGSTATE_LOGOFF;
  long m_routingStateReason = 0;
  enInitialRoutingStateSource m_initialSource = SOURCE_UNKNOWN;
  TTimeStamp m_startTime{1};
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTRoutingState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTRoutingState& state);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTRoutingState::enRoutingState state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTRoutingState::enRoutingState& state);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTRoutingState::enInitialRoutingStateSource source);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTRoutingState::enInitialRoutingStateSource& source);
