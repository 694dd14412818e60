// Reads arbitrary bytes as collections of presentities and of summaries in
// both collection forms, then writes and texts what was read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/platform/TPack.h"

namespace {

template <typename Coll>
void ReadAndWrite(const std::uint8_t* data, std::size_t size) {
  Coll collection;
  TPack reader(data, static_cast<unsigned long>(size));
  reader >> collection;
  TPack writer;
  writer << collection;
  (void)collection.ToString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAndWrite<ZelTStdListPointerColl<ZelTPresentity>>(data, size);
  ReadAndWrite<ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>>(data, size);
  ReadAndWrite<ZelTStdVectorPointerColl<ZelTIntegratedPresenceSummary>>(data, size);
  return 0;
}
