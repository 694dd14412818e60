// A user's handling states: pack, unpack and text for 1, 10 and 100
// contacts, and what a record's PrintDiag costs with its type switched off.
#include <benchmark/benchmark.h>

#include <string>

#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

namespace {

ZelTHandlingStates Holding(int contacts) {
  ZelTHandlingStates states;
  ZelTHandlingState state;
  state.contactType = THandlingStateEnum::CONTACTTYPE_ROUTED_VOICE;
  state.media = 1;
  state.queueKey = 12;
  state.contactState = CONTACTSTATE_TALKING;
  for (int i = 0; i < contacts; ++i) {
    state.contactId = "contact-" + std::to_string(i);
    state.requeueCount = i % 3;
    states.AddHandlingState(state);
  }
  states.SetPrimaryContactId("contact-0");
  states.SetPrimaryContactRC(0);
  return states;
}

std::string WireOf(const ZelTHandlingStates& states) {
  TPack pack;
  pack << states;
  return std::string(pack.Contents(), pack.Length());
}

void BM_PackHandlingStates(benchmark::State& state) {
  const ZelTHandlingStates states = Holding(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TPack pack;
    pack << states;
    benchmark::DoNotOptimize(pack.Contents());
  }
}

void BM_UnpackHandlingStates(benchmark::State& state) {
  const std::string wire = WireOf(Holding(static_cast<int>(state.range(0))));
  ZelTHandlingStates states;
  for (auto _ : state) {
    TPack reader(wire.data(), static_cast<unsigned long>(wire.size()));
    reader >> states;
    benchmark::DoNotOptimize(states.Count());
  }
}

void BM_HandlingStatesToString(benchmark::State& state) {
  TDiag::ResetFilters();
  const ZelTHandlingStates states = Holding(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(states.ToString());
}

void BM_PrintDiagSwitchedOff(benchmark::State& state) {
  TDiag::ResetFilters();
  const ZelTHandlingStates states = Holding(10);
  for (auto _ : state) states.PrintDiag();
}

BENCHMARK(BM_PackHandlingStates)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_UnpackHandlingStates)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_HandlingStatesToString)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_PrintDiagSwitchedOff);

}  // namespace
