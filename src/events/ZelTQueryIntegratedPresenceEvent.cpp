#include "zelclnt/events/ZelTQueryIntegratedPresenceEvent.h"

#include "zelclnt/platform/TPack.h"

namespace {

using SummaryColl = ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>;

}  // namespace

TPack& operator<<(TPack& pack, const ZelTQueryIntegratedPresenceEvent& event) {
  return pack << static_cast<const SummaryColl&>(event) << event.m_resourceId;
}

// The collection's reader replaces what the event held and leaves the
// cursor on the first summary.
TPack& operator>>(TPack& pack, ZelTQueryIntegratedPresenceEvent& event) {
  return pack >> static_cast<SummaryColl&>(event) >> event.m_resourceId;
}
