// The summaries of collection_bench.cpp and the handling states of
// handling_states_bench.cpp encoded and decoded with Protocol Buffers: same
// records, same counters, so that the ratios read off one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "full_users.h"
#include "users_presence_message.h"

namespace {

template <typename Message>
struct Encoded {
  Message message;
  std::string wire;
};

Encoded<zelbench::pb::PresenceSummaries> SummariesMessage(int count) {
  Encoded<zelbench::pb::PresenceSummaries> encoded;
  zelbench::FillMessage(zelbench::FullSummaries(count), encoded.message);
  encoded.wire = encoded.message.SerializeAsString();
  return encoded;
}

Encoded<zelbench::pb::HandlingStates> HandlingStatesMessage(int contacts) {
  Encoded<zelbench::pb::HandlingStates> encoded;
  zelbench::FillMessage(zelbench::FullHandlingStates(contacts), encoded.message);
  encoded.wire = encoded.message.SerializeAsString();
  return encoded;
}

template <typename Message>
bool Parse(const std::string& wire, Message& message) {
  return message.ParseFromArray(wire.data(), static_cast<int>(wire.size()));
}

// Sizing, then writing into a buffer kept across iterations, as ours.
template <typename Message>
void Encode(benchmark::State& state, const Encoded<Message>& encoded) {
  std::vector<char> buffer(encoded.wire.size());
  for (auto _ : state) {
    const std::size_t size = encoded.message.ByteSizeLong();
    if (size > buffer.size() || !encoded.message.SerializeToArray(buffer.data(), static_cast<int>(size))) {
      state.SkipWithError("serialisation failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

template <typename Message>
void ParseFresh(benchmark::State& state, const Encoded<Message>& encoded) {
  for (auto _ : state) {
    Message message;
    benchmark::DoNotOptimize(Parse(encoded.wire, message));
  }
}

// Parsed once before timing: a kept message reuses what the last parse built.
template <typename Message>
void ParseKept(benchmark::State& state, const Encoded<Message>& encoded) {
  Message message;
  if (!Parse(encoded.wire, message) || message.SerializeAsString() != encoded.wire)
    return state.SkipWithError("the message read back differs");
  for (auto _ : state) benchmark::DoNotOptimize(Parse(encoded.wire, message));
}

int Count(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void BM_ProtobufEncodeSummaries(benchmark::State& state) { Encode(state, SummariesMessage(Count(state))); }
void BM_ProtobufParseSummariesKept(benchmark::State& state) { ParseKept(state, SummariesMessage(Count(state))); }
void BM_ProtobufParseSummariesFresh(benchmark::State& state) { ParseFresh(state, SummariesMessage(Count(state))); }
void BM_ProtobufEncodeHandlingStates(benchmark::State& state) { Encode(state, HandlingStatesMessage(Count(state))); }
void BM_ProtobufParseHandlingStatesKept(benchmark::State& state) {
  ParseKept(state, HandlingStatesMessage(Count(state)));
}
void BM_ProtobufParseHandlingStatesFresh(benchmark::State& state) {
  ParseFresh(state, HandlingStatesMessage(Count(state)));
}

BENCHMARK(BM_ProtobufEncodeSummaries)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ProtobufParseSummariesKept)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ProtobufParseSummariesFresh)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ProtobufEncodeHandlingStates)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_ProtobufParseHandlingStatesKept)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_ProtobufParseHandlingStatesFresh)->Arg(1)->Arg(10)->Arg(100);

}  // namespace
