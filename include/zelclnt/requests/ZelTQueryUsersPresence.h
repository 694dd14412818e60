#pragma once
// Asks the presence server for the presence of a whole set of users: all of
// them, those logged on, or those logged on to one medium. The reply fills
// the object's list with one ZelTUserPresence per user, in the server's
// order; walk it with its cursor, starting with First().
//
// Body after the common part: action (enumeration); with action 1 the query
// type (enumeration) follows, and, when the action result is 0, the number
// of users (int) and for each its user key, user id and its presence as a
// successful Query reply carries it. One object serves one call at a time.

#include <cstdint>
#include <string>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTQueryUsersPresence : public ZelTRequest {
 public:
  enum Action : std::int32_t {
    ACTION_NONE = 0,
    ACTION_QUERY = 1,
  };

  enum enQueryType : std::int32_t {
    QUERYTYPE_LOGGED_ON_USERS = 0,
    QUERYTYPE_LOGGED_ON_VOICE_USERS = 1,
    QUERYTYPE_LOGGED_ON_CALLBACK_USERS = 2,
    QUERYTYPE_LOGGED_ON_EMAIL_USERS = 3,
    QUERYTYPE_LOGGED_ON_WEBCHAT_USERS = 4,
    QUERYTYPE_LOGGED_ON_OPENMEDIA_USERS = 5,
    QUERYTYPE_ALL_USERS = 6,
  };

  static constexpr unsigned short kObjectType = 35003;

  ZelTQueryUsersPresence() : ZelTRequest(true) {}
  ZelTQueryUsersPresence(const ZelTQueryUsersPresence& other) : ZelTRequest(true) { *this = other; }
  ZelTQueryUsersPresence& operator=(const ZelTQueryUsersPresence& other);
  ~ZelTQueryUsersPresence() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  // A call asks; it never carries the users of an earlier reply back, even
  // when the query is sent again after a success.
  unsigned long PackRpcCall(TRPC& rpc) override;
  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(m_action); }

  void SetAction(Action action) { m_action = action; }
  Action GetAction() const { return m_action; }
  void SetQueryType(enQueryType type) { m_queryType = type; }
  enQueryType GetQueryType() const { return m_queryType; }

  // The records stay the query's; a maximum size set on the list caps how
  // many a reply keeps.
  const ZelTStdListPointerColl<ZelTUserPresence>& GetUsersPresence() const { return m_usersPresence; }
  ZelTStdListPointerColl<ZelTUserPresence>& GetUsersPresence() { return m_usersPresence; }

  // "Invalid" for a value without a text.
  static std::string QueryType_ToString(enQueryType type);

 private:
  friend TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence& query);
  friend TPack& operator>>(TPack& pack, ZelTQueryUsersPresence& query);

  void PackUsers(TPack& pack) const;
  void UnpackUsers(TPack& pack);

  Action m_action = ACTION_NONE;
  enQueryType m_queryType = QUERYTYPE_LOGGED_ON_USERS;
  ZelTStdListPointerColl<ZelTUserPresence> m_usersPresence;
};

// The head: common part and action.
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence& query);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryUsersPresence& query);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence::Action& action);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryUsersPresence::Action& action);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence::enQueryType& type);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryUsersPresence::enQueryType& type);
