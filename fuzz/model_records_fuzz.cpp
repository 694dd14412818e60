// Reads arbitrary bytes as a user's handling states, media states and one
// post-processing record, then writes, queries and texts what was read.
#include <cstddef>
#include <cstdint>

#include "QuietDiagnostics.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Detail on for odd first bytes, so both text forms are exercised.
  TDiag::SetFilter(TDiag::INFO, size > 0 && (data[0] & 1));

  ZelTHandlingStates states;
  TPack reader(data, static_cast<unsigned long>(size));
  reader >> states;
  TPack writer;
  writer << states;
  (void)states.ToSummary(ZelTHandlingState::SUMMARY_FULL, true);
  (void)states.ToSummary(ZelTHandlingState::SUMMARY_BRIEF, false);

  ZelTMediaStates media;
  TPack mediaReader(data, static_cast<unsigned long>(size));
  mediaReader >> media;
  (void)media.IsLoggedOnToMedia(5);
  (void)media.LoggedOnCount();

  ZelTPostProcessing postProcessing;
  TPack again(data, static_cast<unsigned long>(size));
  again >> postProcessing;
  return 0;
}
