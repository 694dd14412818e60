#include "PairRule.h"

namespace zelsim {

bool InCharge(TServerRole role) { return role != TServerRole::Standby; }

TakeOverCause ShouldTakeOver(const PairView& view) {
  if (view.role != TServerRole::Standby) return TakeOverCause::None;
  const bool answeredInCharge = view.peer == PeerHeard::Answered && InCharge(view.peerRole);
  if (answeredInCharge) return TakeOverCause::None;
  if (view.replaced && view.peer != PeerHeard::Answered)
    return view.sinceInCharge >= view.takeover && view.turningAway >= view.takeover ? TakeOverCause::CallersTurnedAway
                                                                                    : TakeOverCause::None;
  if (view.primary && view.starting && view.peer != PeerHeard::Silent) return TakeOverCause::Primary;
  switch (view.peer) {
    case PeerHeard::Gone:
      return view.sinceInCharge >= view.takeover ? TakeOverCause::PeerGone : TakeOverCause::None;
    case PeerHeard::Answered:
      return view.sinceInCharge >= view.takeover && view.id > view.peerId ? TakeOverCause::PeerStandsBy
                                                                          : TakeOverCause::None;
    case PeerHeard::Silent:
      break;
  }
  return view.sinceInCharge >= view.silence ? TakeOverCause::PeerSilent : TakeOverCause::None;
}

}  // namespace zelsim
