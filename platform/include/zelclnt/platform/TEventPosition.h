#pragma once
// A place in the one order of all the events a publisher sends: its
// incarnation (drawn anew at every start of the publisher) and the position
// of an event within it, counting from 1. A server's reply that reflects
// events tells the position of the last one it reflects: every event up to
// it, none after it. Position 0 means before the first event.

#include <cstdint>

struct TEventPosition {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;

  // Incarnation 0: nobody said where the stream stood.
  bool IsKnown() const { return incarnation != 0; }
  friend bool operator==(const TEventPosition& a, const TEventPosition& b) {
    return a.incarnation == b.incarnation && a.position == b.position;
  }
  friend bool operator!=(const TEventPosition& a, const TEventPosition& b) { return !(a == b); }
};
