// presence-bridge: a presence server's events and records into NATS JetStream.

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <string>

#include "Bridge.h"
#include "JetStream.h"
#include "NatsArguments.h"
#include "zelclnt/mirror/ZelLargeBlocks.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

namespace {

zelbridge::Bridge* g_bridge = nullptr;

void OnSignal(int) {
  if (g_bridge) g_bridge->Stop();
}

}  // namespace

int main(int argc, char** argv) {
  // The mirror's replays and resyncs, and the bucket's whole writes.
  ZelKeepLargeBlocksMapped();
  zelbridge::NatsOptions nats;
  zelbridge::BridgeOptions bridging;
  bridging.server = "tcp://127.0.0.1:7300";
  std::string keys;
  std::string diag;
  long duplicatesSeconds = nats.duplicatesWindowMs / 1000;
  CLI::App app{"Writes a presence server's events and users' records to NATS JetStream"};
  app.add_option("--server", bridging.server, "the presence server, or a pair: tcp://a:7300,tcp://b:7300")
      ->capture_default_str();
  app.add_option("--name", bridging.name, "the server's token in subjects (default: from --server)");
  app.add_option("--nats", nats.url, "NATS server URL(s), comma-separated")->capture_default_str();
  app.add_option("--stream", nats.stream, "JetStream stream")->capture_default_str();
  app.add_option("--bucket", nats.bucket, "key-value bucket of the users' records")->capture_default_str();
  app.add_option("--replicas", nats.replicas, "replicas of the stream and bucket when created")
      ->check(CLI::Range(1, 5))
      ->capture_default_str();
  app.add_option("--duplicates-window", duplicatesSeconds, "seconds JetStream remembers message ids")
      ->check(CLI::Range(1L, 7L * 24 * 3600))
      ->capture_default_str();
  zelbridge::AddNatsAccessOptions(app, nats);
  app.add_option("--nats-timeout", nats.timeoutMs, "milliseconds a NATS call waits")
      ->check(CLI::Range(100L, 600000L))
      ->capture_default_str();
  app.add_option("--queue", bridging.highWaterMark, "events held while NATS does not take them")
      ->check(CLI::Range(100, 10000000))
      ->capture_default_str();
  app.add_option("--keys", keys, "directory of the bridge's CURVE keys for a secured presence server");
  app.add_option("--diag", diag, "diagnostic types to show, e.g. INFO");
  CLI11_PARSE(app, argc, argv);
  if (const std::string mismatch = zelbridge::NkeyMismatch(nats); !mismatch.empty()) {
    std::fprintf(stderr, "presence-bridge: %s\n", mismatch.c_str());
    return 2;
  }
  nats.duplicatesWindowMs = duplicatesSeconds * 1000;

  if (!diag.empty() && !TDiag::SetFilters(diag)) {
    std::fprintf(stderr, "presence-bridge: unknown diagnostic type in %s\n", diag.c_str());
    return 2;
  }
  std::string error;
  if (!keys.empty() && !TFramework::LoadKeys(keys, &error)) {
    std::fprintf(stderr, "presence-bridge: %s\n", error.c_str());
    return 2;
  }
  zelbridge::JetStream events;
  zelbridge::JetStream records;
  bridging.log = [](const std::string& line) {
    std::fprintf(stderr, "presence-bridge: %s\n", line.c_str());
    std::fflush(stderr);
  };
  zelbridge::Bridge bridge(events, records, bridging);
  g_bridge = &bridge;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  if (!bridge.StartOn(nats, &error)) {
    std::fprintf(stderr, "presence-bridge: %s\n", error.c_str());
    return 1;
  }
  std::printf("presence-bridge: %s into stream %s and bucket %s at %s (subjects presence.%s.>)\n",
              bridging.server.c_str(), nats.stream.c_str(), nats.bucket.c_str(), nats.url.c_str(),
              bridge.Token().c_str());
  std::fflush(stdout);
  bridge.Run();
  g_bridge = nullptr;
  const zelbridge::BridgeCounters counters = bridge.Counters();
  std::printf("presence-bridge: %llu events, %llu markers, %llu records written\n",
              static_cast<unsigned long long>(counters.events), static_cast<unsigned long long>(counters.markers),
              static_cast<unsigned long long>(counters.recordsPut));
  return 0;
}
