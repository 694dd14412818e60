// Reads arbitrary bytes as each presence record of a user, then writes,
// queries and texts what was read; handling states read into again must be
// those a fresh read makes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTUserFlags.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

namespace {

template <typename T>
void ReadAndText(const std::uint8_t* data, std::size_t size) {
  T record;
  TPack reader(data, static_cast<unsigned long>(size));
  reader >> record;
  TPack writer;
  writer << record;
  (void)record.ToString();
}

}  // namespace

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
  // States read into again must be those a fresh read makes.
  ZelTHandlingStates kept;
  TPack first(data + size / 2, static_cast<unsigned long>(size - size / 2));
  first >> kept;
  TPack second(data, static_cast<unsigned long>(size));
  second >> kept;
  TPack keptStates;
  keptStates << kept.GetHandlingStates();
  TPack freshStates;
  freshStates << states.GetHandlingStates();
  if (std::string(keptStates.Contents(), keptStates.Length()) !=
      std::string(freshStates.Contents(), freshStates.Length()))
    __builtin_trap();

  ZelTMediaStates media;
  TPack mediaReader(data, static_cast<unsigned long>(size));
  mediaReader >> media;
  (void)media.IsLoggedOnToMedia(5);
  (void)media.LoggedOnCount();

  ReadAndText<ZelTRoutingState>(data, size);
  ReadAndText<ZelTPresenceState>(data, size);
  ReadAndText<ZelTUserFlags>(data, size);
  ReadAndText<ZelTUserCapability>(data, size);

  ZelTPostProcessing postProcessing;
  TPack again(data, static_cast<unsigned long>(size));
  again >> postProcessing;
  return 0;
}
