// A stream of 100,000 mixed events as a watcher receives it (type and
// bytes, made by the simulator's own event feed from seeded agents): read
// into their records, read and printed, beside a memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "AgentSeeder.h"
#include "EventFeed.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/platform/TDiag.h"

namespace {

using PS = ZelTPresenceServer;

struct WireEvent {
  PS::enEvent type;
  std::string bytes;
};

constexpr int kStreamLength = 100000;

// Routing, media, contact and mode events in turn, about 50 agents.
void FeedOne(const zelsim::EventFeed& feed, const ZelTUserPresence& user, int i) {
  const ZelTHandlingState* contact =
      user.GetHandlingStatesList().empty() ? nullptr : user.GetHandlingStatesList().front();
  ZelTUserPresence call;
  switch (i % 6) {
    case 0:
      return feed.RoutingChanged(ZelTRoutingState(), user);
    case 1:
      return feed.MediaChanged(user, 1 + i % 5, i % 2 == 0);
    case 2:
    case 3:
      if (contact)
        return feed.ContactChanged(user, *contact, PS::USER_CONTACT_CONNECTED_EVENT,
                                   ZelTEventBase::EVENTCAUSE_CONTACT_CONNECTED);
      return feed.RoutingChanged(ZelTRoutingState(), user);
    case 4:
      call.SetAction(ZelTUserPresence::ACTION_SET_RECOVERY_MODE);
      break;
    default:
      call.SetAction(ZelTUserPresence::ACTION_SET_CONTACT_ASSIST);
      break;
  }
  feed.UserActed(user, user, call);
}

const std::vector<WireEvent>& Stream() {
  static const std::vector<WireEvent> stream = [] {
    std::vector<WireEvent> events;
    events.reserve(kStreamLength);
    const zelsim::EventFeed feed(
        [&events](PS::enEvent type, long, const char* data, std::size_t size) {
          events.push_back({type, std::string(data, size)});
        },
        [] { return TEventPosition(); });
    const std::vector<ZelTUserPresence> agents = zelsim::SeedAgents(50, 1);
    for (int i = 0; static_cast<int>(events.size()) < kStreamLength; ++i) FeedOne(feed, agents[i % agents.size()], i);
    return events;
  }();
  return stream;
}

std::size_t BytesOf(const std::vector<WireEvent>& stream) {
  std::size_t bytes = 0;
  for (const WireEvent& event : stream) bytes += event.bytes.size();
  return bytes;
}

void Report(benchmark::State& state, const std::vector<WireEvent>& stream) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BytesOf(stream)));
}

void BM_EventStreamMemcpy(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  std::vector<char> copy(BytesOf(stream));
  for (auto _ : state) {
    char* into = copy.data();
    for (const WireEvent& event : stream) {
      std::memcpy(into, event.bytes.data(), event.bytes.size());
      into += event.bytes.size();
    }
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  Report(state, stream);
}

void BM_EventStreamRead(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  ZelTAnyEvent record;
  for (auto _ : state) {
    for (const WireEvent& event : stream)
      ZelTEventReader::Read(event.type, event.bytes.data(), event.bytes.size(), record);
    benchmark::DoNotOptimize(record.index());
  }
  Report(state, stream);
}

void BM_EventStreamReadAndPrint(benchmark::State& state) {
  TDiag::ResetFilters();
  const std::vector<WireEvent>& stream = Stream();
  ZelTAnyEvent record;
  for (auto _ : state) {
    for (const WireEvent& event : stream) {
      ZelTEventReader::Read(event.type, event.bytes.data(), event.bytes.size(), record);
      benchmark::DoNotOptimize(ZelTEventReader::ToString(record, false));
    }
  }
  Report(state, stream);
}

BENCHMARK(BM_EventStreamMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventStreamRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventStreamReadAndPrint)->Unit(benchmark::kMillisecond);

}  // namespace
