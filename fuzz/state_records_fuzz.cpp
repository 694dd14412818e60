// Reads arbitrary bytes as each state-manager record, then writes and texts
// what was read at every level.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/state/THandlingState.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"

namespace {

template <typename T>
void ReadWriteAndText(const std::uint8_t* data, std::size_t size) {
  T record;
  TPack reader(data, static_cast<unsigned long>(size));
  reader >> record;
  TPack writer;
  writer << record;
  for (const int level : {0, 1, 2}) (void)record.ToString(level, true, true, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Detail on for odd first bytes, so both text forms are exercised.
  TDiag::SetFilter(TDiag::INFO, size > 0 && (data[0] & 1));
  ReadWriteAndText<THandlingState>(data, size);
  ReadWriteAndText<TMediaState>(data, size);
  ReadWriteAndText<TMediaReadiness>(data, size);
  ReadWriteAndText<TSilentMonitoringInfo>(data, size);
  return 0;
}
