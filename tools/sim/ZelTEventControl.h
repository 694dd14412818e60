#pragma once
// The producer's hand on event records: their Copy operations, which
// applications never call (they read events from the wire).

#include <utility>

class ZelTEventControl {
 public:
  template <typename Event, typename... Args>
  static void Copy(Event& event, Args&&... args) {
    event.Copy(std::forward<Args>(args)...);
  }
};
