#pragma once
// The server's answer to an integrated presence query: one summary per
// presentity asked about, and the resource the answer belongs to. The
// summaries arrive in this event, not in the query's reply. Walk them with
// the record cursor: GoToFirstRecord(); while (IsCurrentRecordValid()) {
// GetCurrentRecord(summary); ...; GoToNextRecord(); }
//
// Wire form: the summaries in the collection form (count, maximum size,
// each summary), then the resource id (string). An event serves one thread
// at a time: its cursor lives inside it.

#include <string>

#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTQueryIntegratedPresenceEvent : public ZelTStdListPointerColl<ZelTIntegratedPresenceSummary> {
 public:
  // The collection has no maximum: one summary per presentity asked about.
  ZelTQueryIntegratedPresenceEvent() = default;
  ZelTQueryIntegratedPresenceEvent(const ZelTQueryIntegratedPresenceEvent& other) = default;
  ZelTQueryIntegratedPresenceEvent& operator=(const ZelTQueryIntegratedPresenceEvent& other) = default;
  ~ZelTQueryIntegratedPresenceEvent() override = default;

  const std::string& GetResourceId() const { return m_resourceId; }
  void SetResourceId(const std::string& resourceId) { m_resourceId = resourceId; }

  // False, and no change, when the maximum size is reached.
  bool AddRecord(const ZelTIntegratedPresenceSummary& summary) { return PushBack(summary); }
  void ClearList() { Clear(); }
  void GoToFirstRecord() { First(); }
  void GoToNextRecord() { Next(); }
  bool IsCurrentRecordValid() const { return IsCurrentValid(); }
  // False, and `summary` untouched, when the cursor is past the end.
  bool GetCurrentRecord(ZelTIntegratedPresenceSummary& summary) const { return GetCurrent(summary); }
  int GetMaxRecord() const { return GetMaxSize(); }

 private:
  friend TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresenceEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresenceEvent& event);

  std::string m_resourceId;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresenceEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresenceEvent& event);
