#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

#include "zelclnt/platform/TPack.h"

ZelTQueryIntegratedPresence::ZelTQueryIntegratedPresence(bool replyRequired) : ZelTRequest(replyRequired) {
  SetMaxSize(kMaxRecords);
}

ZelTQueryIntegratedPresence::ZelTQueryIntegratedPresence(const ZelTQueryIntegratedPresence& other)
    : ZelTRequest(true), ZelTStdListPointerColl<ZelTPresentity>() {
  *this = other;
}

ZelTQueryIntegratedPresence& ZelTQueryIntegratedPresence::operator=(const ZelTQueryIntegratedPresence& other) {
  if (this == &other) return *this;
  ZelTRequest::operator=(other);
  ZelTStdListPointerColl<ZelTPresentity>::operator=(other);
  m_action = other.m_action;
  m_userId = other.m_userId;
  m_userPassword = other.m_userPassword;
  m_agentId = other.m_agentId;
  return *this;
}

TPack& ZelTQueryIntegratedPresence::PackRequest(TPack& pack) { return pack << *this; }

TPack& ZelTQueryIntegratedPresence::UnpackRequest(TPack& pack) { return pack >> *this; }

TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresence& query) {
  pack << static_cast<const ZelTRequest&>(query) << static_cast<const ZelTStdListPointerColl<ZelTPresentity>&>(query);
  return pack << query.m_userId << query.m_userPassword << query.m_action << query.m_agentId;
}

TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresence& query) {
  pack >> static_cast<ZelTRequest&>(query) >> static_cast<ZelTStdListPointerColl<ZelTPresentity>&>(query);
  return pack >> query.m_userId >> query.m_userPassword >> query.m_action >> query.m_agentId;
}

TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresence::Action& action) { return PackEnum32(pack, action); }

TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresence::Action& action) { return UnpackEnum32(pack, action); }
