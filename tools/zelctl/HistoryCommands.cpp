#include "HistoryCommands.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "Arguments.h"
#include "CallReport.h"
#include "NatsArguments.h"
#include "Output.h"
#include "TimeArguments.h"
#if defined(ZELCTL_NATS)
#include "EventJson.h"
#include "JetStream.h"
#include "Subjects.h"
#include "Watch.h"
#endif

namespace zelctl {
namespace {

constexpr int kBadArguments = 2;

struct HistoryOptions {
  zelbridge::NatsOptions nats;
  // The server's token in the bridge's subjects; empty: from --server.
  std::string name;
  std::string since;
  std::string until;
  long userKey = 0;
  bool oneUser = false;
  int kind = -1;
  bool full = false;
};

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

#if defined(ZELCTL_NATS)

// The line for a stored message: its time, then what watch prints for it.
std::string MessageLine(const zelbridge::StoredMessage& message, bool full) {
  using namespace zelbridge;
  const std::string* life = message.Find(kIncarnationHeader);
  const std::string* at = message.Find(kPositionHeader);
  const std::string* type = message.Find(kTypeHeader);
  const auto place = PlaceOf(life ? life->c_str() : nullptr, at ? at->c_str() : nullptr);
  // Anything past an int's range, or no number at all, is not an event type.
  const std::uint64_t eventType =
      type ? ParseCount(type->data(), type->size()).value_or(UINT64_MAX) : UINT64_MAX;
  const auto user = UserOfSubject(message.subject);
  const bool marker = message.Find(kMarkerHeader) != nullptr;
  const std::string where = place ? std::to_string(place->incarnation) + "-" + std::to_string(place->position) : "";
  std::string text;
  if (marker || !place || !user || eventType > 0x7fffffff) {
    text = marker && place ? "-- events were lost here for good: the stream holds every event again after " + where
                           : "-- an unreadable message at stream sequence " + std::to_string(message.sequence) +
                                 " (" + message.subject + ")";
    if (!JsonOutput()) return text;
    return zeljson::Text(zeljson::Json{{"time", UtcTimeText(message.storedNs)},
                                       {"notice", marker && place ? "resync" : "unreadable"},
                                       {"message", text.substr(3)}});
  }
  TEventNotice notice;
  notice.eventType = static_cast<int>(eventType);
  notice.userKey = *user;
  notice.incarnation = place->incarnation;
  notice.position = place->position;
  notice.data = message.payload;
  if (!JsonOutput()) return LocalTimeText(message.storedNs) + " " + NoticeLine(notice, std::string(), full, 0);
  zeljson::Json json{{"time", UtcTimeText(message.storedNs)}};
  const zeljson::Json event = NoticeJson(notice, std::string(), 0);
  for (const auto& member : event.items()) json[member.key()] = member.value();
  return zeljson::Text(json);
}

int ReadStream(const std::string& server, const HistoryOptions& options, const TimeWindow& window) {
  zelbridge::NatsOptions nats = options.nats;
  nats.create = false;
  const std::string token = zelbridge::SubjectToken(options.name.empty() ? server : options.name);
  const std::string kind = options.kind < 0 ? "*" : zelbridge::KindToken(options.kind);
  // A user or a kind alone leaves the markers out: they name neither.
  const std::string filter = !options.oneUser && options.kind < 0
                                 ? zelbridge::ServerFilter(token)
                                 : "presence." + token + "." + kind + "." +
                                       (options.oneUser ? std::to_string(options.userKey) : "*");
  zelbridge::JetStream js;
  std::string error;
  if (!js.Connect(nats, &error)) return Fail(error);
  const bool read = js.ReadWindow(window.sinceNs, window.untilNs, filter, [&](const zelbridge::StoredMessage& message) {
    std::fprintf(Out(), "%s\n", MessageLine(message, options.full).c_str());
    return true;
  }, &error);
  std::fflush(Out());
  return read ? 0 : Fail(error);
}

#endif

int History(const std::string& server, const HistoryOptions& options) {
  std::string error;
  const auto window = ParseWindow(options.since, options.until, NowNs(), &error);
  if (!window) {
    std::fprintf(Err(), "zelctl: %s\n", error.c_str());
    return kBadArguments;
  }
#if defined(ZELCTL_NATS)
  return ReadStream(server, options, *window);
#else
  (void)server;
  return Fail("this zelctl was built without NATS (nats.c was not found): history and replay are not available");
#endif
}

void AddWindowOptions(CLI::App& command, HistoryOptions& options) {
  command.add_option("--since", options.since, "From: 1h (back from now), 10:00 (local), 2026-12-09T10:00:00[Z]")
      ->required();
  command.add_option("--until", options.until, "Up to (not including), as --since (default: the stream's end)");
  command.add_option("-k,--kind", options.kind, "Only this event type (the names watch --type takes)")
      ->transform(EventTypeNames());
  command.add_flag("-f,--full", options.full, "Print the whole presence snapshot of the events that carry one");
  command.add_option("--nats", options.nats.url, "NATS server URL(s), comma-separated")->capture_default_str();
  command.add_option("--nats-name", options.name, "the server's name in the bridge's subjects (default: --server)");
  command.add_option("--nats-stream", options.nats.stream, "the bridge's stream")->capture_default_str();
  command.add_option("--nats-bucket", options.nats.bucket, "the bridge's key-value bucket")->capture_default_str();
  zelbridge::AddNatsAccessOptions(command, options.nats);
}

void Choose(CLI::App& command, Command& chosen, std::shared_ptr<HistoryOptions> options) {
  zelctl::Choose(command, chosen, options, [](ZelAPresenceServer&, const std::string& server, HistoryOptions& parsed) {
    if (const std::string mismatch = zelbridge::NkeyMismatch(parsed.nats); !mismatch.empty()) {
      std::fprintf(Err(), "zelctl: %s\n", mismatch.c_str());
      return kBadArguments;
    }
    return History(server, parsed);
  });
}

}  // namespace

void AddHistoryCommands(CLI::App& app, Command& chosen) {
  auto history = std::make_shared<HistoryOptions>();
  history->oneUser = true;
  CLI::App* command = app.add_subcommand("history", "Print one user's events from NATS JetStream (presence-bridge)");
  command->add_option("-u,--user", history->userKey, "The user key")->required()->check(WholeNumber());
  AddWindowOptions(*command, *history);
  Choose(*command, chosen, history);

  auto replay = std::make_shared<HistoryOptions>();
  command = app.add_subcommand("replay", "Print every event between two times from NATS JetStream (presence-bridge)");
  AddWindowOptions(*command, *replay);
  Choose(*command, chosen, replay);
}

}  // namespace zelctl
