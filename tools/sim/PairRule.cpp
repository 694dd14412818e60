#include "PairRule.h"

namespace zelsim {

bool InCharge(TServerRole role) { return role != TServerRole::Standby; }

bool ShouldTakeOver(const PairView& view) {
  if (view.role != TServerRole::Standby) return false;
  if (view.peerHeard && InCharge(view.peerRole)) return false;
  if (view.primary && view.firstLook) return true;
  if (view.sinceInCharge < view.takeover) return false;
  return !(view.peerHeard && view.peerId > view.id);
}

}  // namespace zelsim
