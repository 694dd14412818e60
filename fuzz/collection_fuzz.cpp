// Reads arbitrary bytes as collections of presentities and of summaries in
// both collection forms, then writes and texts what was read. A collection
// read into again must hold what a fresh one reads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/platform/TPack.h"

namespace {

template <typename Coll>
void Read(Coll& collection, const std::uint8_t* data, std::size_t size) {
  TPack reader(data, static_cast<unsigned long>(size));
  reader >> collection;
}

template <typename Seq>
std::string Packed(const Seq& elements) {
  TPack writer;
  for (const auto* element : elements) writer << *element;
  return std::string(writer.Contents(), writer.Length());
}

template <typename T>
std::string Elements(const ZelTStdListPointerColl<T>& collection) {
  return Packed(collection.GetList());
}

template <typename T>
std::string Elements(const ZelTStdVectorPointerColl<T>& collection) {
  return Packed(collection.GetVector());
}

template <typename Coll>
void ReadAndWrite(const std::uint8_t* data, std::size_t size) {
  Coll collection;
  Read(collection, data, size);
  TPack writer;
  writer << collection;
  (void)collection.ToString();

  Coll kept;
  Read(kept, data + size / 2, size - size / 2);
  Read(kept, data, size);
  if (Elements(kept) != Elements(collection)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAndWrite<ZelTStdListPointerColl<ZelTPresentity>>(data, size);
  ReadAndWrite<ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>>(data, size);
  ReadAndWrite<ZelTStdVectorPointerColl<ZelTIntegratedPresenceSummary>>(data, size);
  return 0;
}
