// Reads arbitrary bytes as an event: the first byte picks the event type,
// the second whether detailed texts are on; the rest are the event's bytes,
// read into a fresh record and then once more into the one that holds them.
// Then texts and packs again what was read.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "QuietDiagnostics.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr int kEventTypes = 25;

void ReadAgainAndPack(ZelTAnyEvent& event, const std::uint8_t* data, std::size_t size) {
  std::visit(
      [data, size](auto& record) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(record)>, std::monostate>) {
          TPack again(data, static_cast<unsigned long>(size));
          again >> record;
          TPack writer;
          writer << record;
        }
      },
      event);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto type =
      static_cast<ZelTPresenceServer::enEvent>(ZelTPresenceServer::CONNECTIONEVENT + data[0] % kEventTypes);
  TDiag::SetFilters(data[1] % 2 ? "INFO,PRGM" : "");
  ZelTAnyEvent event;
  ZelTEventReader::Read(type, data + 2, size - 2, event);
  (void)ZelTEventReader::ToString(event, true);
  ReadAgainAndPack(event, data + 2, size - 2);
  (void)ZelTEventReader::ToString(event, false);
  long userKey = 0;
  (void)ZelTEventReader::UserKeyOf(event, userKey);
  return 0;
}
