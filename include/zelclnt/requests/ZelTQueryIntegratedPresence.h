#pragma once
// The integrated presence query: asks the server about up to three
// presentities, with the credentials and agent id that travel with it. The
// reply fills the same object with the server's action result and its copy
// of the list, credentials, action and agent id; the summaries themselves
// arrive later as an event.
//
// Body after the common part: the presentity list (collection form), user
// id, user password (strings), action (enumeration), agent id (string).

#include <cstdint>
#include <string>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTQueryIntegratedPresence : public ZelTRequest, public ZelTStdListPointerColl<ZelTPresentity> {
 public:
  // The server gives the values their meaning; the client sends 1.
  enum Action : std::int32_t {};

  static constexpr unsigned short kObjectType = 35000;
  static constexpr int kMaxRecords = 3;

  explicit ZelTQueryIntegratedPresence(bool replyRequired = true);
  ZelTQueryIntegratedPresence(const ZelTQueryIntegratedPresence& other);
  ZelTQueryIntegratedPresence& operator=(const ZelTQueryIntegratedPresence& other);
  ~ZelTQueryIntegratedPresence() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(m_action); }

  // The list's text and the request mode's, side by side.
  using ZelTRequest::ToString;
  using ZelTStdListPointerColl<ZelTPresentity>::ToString;

  void SetUserId(const std::string& userId) { m_userId = userId; }
  std::string GetUserId() const { return m_userId; }
  void SetUserPassword(const std::string& password) { m_userPassword = password; }
  std::string GetUserPassword() const { return m_userPassword; }
  void SetAgentId(const std::string& agentId) { m_agentId = agentId; }
  std::string GetAgentId() const { return m_agentId; }
  void SetAction(Action action) { m_action = action; }
  Action GetAction() const { return m_action; }

  // False, and no change, when the list already holds the maximum.
  bool AddRecord(const ZelTPresentity& presentity) { return PushBack(presentity); }
  void ClearList() { Clear(); }
  void GoToFirstRecord() { First(); }
  void GoToNextRecord() { Next(); }
  bool IsCurrentRecordValid() const { return IsCurrentValid(); }
  bool GetCurrentRecord(ZelTPresentity& presentity) const { return GetCurrent(presentity); }
  // Whether a presentity with this index exists.
  bool IsRecordValid(unsigned int index) const { return index < static_cast<unsigned int>(Size()); }
  int GetMaxRecord() const { return GetMaxSize(); }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresence& query);
  friend TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresence& query);

  Action m_action = Action{0};
  std::string m_userId;
  std::string m_userPassword;
  std::string m_agentId;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresence& query);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresence& query);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresence::Action& action);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresence::Action& action);
