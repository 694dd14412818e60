// presence-gateway: HTTP and JSON in front of a presence server.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <string>

#include "Gateway.h"
#include "NatsArguments.h"
#if defined(ZELGW_NATS)
#include "JetStreamSource.h"
#endif
#include "zelclnt/mirror/ZelLargeBlocks.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
  // Snapshots and the bytes queued for slow clients are large and short lived.
  ZelKeepLargeBlocksMapped();
  zelgw::GatewayOptions options;
  std::string keys;
  std::string diag;
  CLI::App app{"HTTP and JSON in front of a presence server"};
  app.add_option("--listen", options.listen, "host:port to listen on (loopback unless TLS or --insecure)")
      ->capture_default_str();
  app.add_option("--server", options.server, "the presence server")->capture_default_str();
  app.add_option("--tokens", options.tokensFile, "bearer tokens: lines '<token> read|control [key,key,...]'");
  app.add_option("--tls-cert", options.tlsCertificate, "TLS certificate chain (PEM)");
  app.add_option("--tls-key", options.tlsKey, "TLS private key (PEM)");
  app.add_flag("--insecure", options.insecure, "allow clear text on an address other than loopback");
  app.add_option("--keys", keys, "directory of this gateway's CURVE keys for a secured presence server");
  app.add_option("--timeout", options.router.timeoutMs, "milliseconds a call waits unless the caller says")
      ->capture_default_str();
  app.add_option("--workers", options.workers, "threads that read the mirror and open streams")->capture_default_str();
  app.add_option("--max-calls", options.maxCalls, "calls to the presence server waiting at once, then 503")
      ->capture_default_str();
  app.add_option("--io-threads", options.ioThreads, "threads serving connections")->capture_default_str();
  app.add_option("--diag", diag, "diagnostic types to show, e.g. INFO (one line a request)");
  std::string fromNats;
  std::string natsName;
  zelbridge::NatsOptions nats;
  app.add_option("--from-nats", fromNats,
                 "read the users and their events from NATS JetStream (as presence-bridge writes them) at this URL; "
                 "actions still go to --server");
  app.add_option("--nats-name", natsName, "the server's name in the bridge's subjects (default: from --server)");
  app.add_option("--nats-stream", nats.stream, "the bridge's stream")->capture_default_str();
  app.add_option("--nats-bucket", nats.bucket, "the bridge's key-value bucket")->capture_default_str();
  // --tls-cert and --tls-key are the gateway's own.
  zelbridge::AddNatsAccessOptions(app, nats, "--nats-tls-");
  CLI11_PARSE(app, argc, argv);
  if (const std::string mismatch = zelbridge::NkeyMismatch(nats); !mismatch.empty()) {
    std::fprintf(stderr, "presence-gateway: %s\n", mismatch.c_str());
    return 2;
  }

  if (!fromNats.empty()) {
#if defined(ZELGW_NATS)
    nats.url = fromNats;
    const std::string name = natsName.empty() ? options.server : natsName;
    options.mirrorSource = [nats, name] { return std::make_unique<zelbridge::JetStreamSource>(nats, name); };
#else
    std::fprintf(stderr, "presence-gateway: built without NATS (nats.c was not found): --from-nats is not available\n");
    return 2;
#endif
  }

  if (!diag.empty() && !TDiag::SetFilters(diag)) {
    std::fprintf(stderr, "presence-gateway: unknown diagnostic type in %s\n", diag.c_str());
    return 2;
  }
  std::string error;
  if (!keys.empty() && !TFramework::LoadKeys(keys, &error)) {
    std::fprintf(stderr, "presence-gateway: %s\n", error.c_str());
    return 2;
  }
  zelgw::Gateway gateway(options);
  if (!gateway.Start(&error)) {
    std::fprintf(stderr, "presence-gateway: %s\n", error.c_str());
    return 2;
  }
  for (const std::string& warning : gateway.Warnings())
    std::fprintf(stderr, "presence-gateway: warning: %s\n", warning.c_str());
  std::printf("presence-gateway: listening on %s (port %u), presence server %s%s%s\n", options.listen.c_str(),
              gateway.Port(), options.server.c_str(), fromNats.empty() ? "" : ", users from NATS ", fromNats.c_str());
  std::fflush(stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!g_stop) pause();
  gateway.Stop();
  return 0;
}
