#pragma once
// Asks the presence server how ready each medium is: the reply fills the
// object's vector with one media readiness record per medium (state, cause,
// since when). The request names no user.
//
// Body after the common part: action (enumeration); with action 1 the
// readiness vector follows (collection form), in the call as well as in the
// reply. One object serves one call at a time.

#include <cstdint>
#include <string>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTQueryUserMediumStatus : public ZelTRequest {
 public:
  enum Action : std::int32_t {
    ACTION_NONE = 0,
    ACTION_QUERY = 1,
  };

  static constexpr unsigned short kObjectType = 35004;

  ZelTQueryUserMediumStatus() : ZelTRequest(true) {}
  ZelTQueryUserMediumStatus(const ZelTQueryUserMediumStatus& other) : ZelTRequest(true) { *this = other; }
  ZelTQueryUserMediumStatus& operator=(const ZelTQueryUserMediumStatus& other);
  ~ZelTQueryUserMediumStatus() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(m_action); }

  void SetAction(Action action) { m_action = action; }
  Action GetAction() const { return m_action; }

  // The records stay the query's.
  const ZelTStdVectorPointerColl<TMediaReadiness>& GetMediumStatus() const { return m_mediumStatus; }
  ZelTStdVectorPointerColl<TMediaReadiness>& GetMediumStatus() { return m_mediumStatus; }

  // "Query User Medium Status:  VectorDetails:{...}"
  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTQueryUserMediumStatus& query);
  friend TPack& operator>>(TPack& pack, ZelTQueryUserMediumStatus& query);

  Action m_action = ACTION_NONE;
  ZelTStdVectorPointerColl<TMediaReadiness> m_mediumStatus;
};

// The head: common part and action.
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryUserMediumStatus& query);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryUserMediumStatus& query);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryUserMediumStatus::Action& action);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryUserMediumStatus::Action& action);
