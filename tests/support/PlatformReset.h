#pragma once
// Puts every process-wide setting of the platform back to its default when
// it goes, whatever the test's outcome: keys, size bound, time-out
// override, idle time. A test that changes one holds one.

#include "zelclnt/platform/TFramework.h"

class PlatformReset {
 public:
  PlatformReset() { Reset(); }
  ~PlatformReset() { Reset(); }
  PlatformReset(const PlatformReset&) = delete;
  PlatformReset& operator=(const PlatformReset&) = delete;

 private:
  static void Reset() {
    TFramework::ForgetKeys();
    TFramework::SetMaxMessageSize(TFramework::kDefaultMaxMessageSize);
    TFramework::SetTimeoutOverride(0);
    TFramework::SetIdleConnectionTimeout(0);
  }
};
