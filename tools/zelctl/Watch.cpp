#include "Watch.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "Arguments.h"
#include "CallReport.h"
#include "EnumJson.h"
#include "EventJson.h"
#include "Interrupt.h"
#include "Output.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/mirror/ZelTEventApplier.h"

namespace zelctl {
namespace {

using PS = ZelTPresenceServer;
using Kind = TEventNotice::Kind;

struct WatchOptions {
  std::vector<int> types;
  long userKey = 0;
  bool full = false;
  long count = 0;
  double seconds = 0;
};

std::string TypeText(int type) { return PS::ToString(static_cast<PS::enEvent>(type)); }

std::string EventLine(const TEventNotice& notice, bool full, long onlyUser) {
  ZelTAnyEvent event;
  if (!ZelTEventReader::Read(static_cast<PS::enEvent>(notice.eventType), notice.data.data(), notice.data.size(), event))
    return TypeText(notice.eventType) + ": " + std::to_string(notice.data.size()) + " bytes";
  long userKey = 0;
  const bool aboutUser = ZelTEventReader::UserKeyOf(event, userKey);
  if (onlyUser != 0 && (!aboutUser || userKey != onlyUser)) return std::string();
  const std::string about = aboutUser ? ", user " + std::to_string(userKey) : std::string();
  return TypeText(notice.eventType) + about + ": " + ZelTEventReader::ToString(event, full);
}

int Watch(const std::string& server, const WatchOptions& options) {
  const std::unique_ptr<TEventReceiver> events = WatchReceiver(server, options.types, options.userKey);
  TEventReceiver& receiver = *events;
  std::string error;
  if (!receiver.Start(&error)) return Fail("cannot watch " + server + ": " + error);
  if (!JsonOutput()) std::fprintf(Out(), "watching %s (Ctrl-C stops)\n", receiver.Endpoint().c_str());
  std::fflush(Out());
  const InterruptCatcher interrupt;
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
  long shown = 0;
  TEventNotice notice;
  while (!interrupt.Caught() && (options.count == 0 || shown < options.count) &&
         (options.seconds <= 0 || std::chrono::steady_clock::now() < until)) {
    if (!receiver.Next(notice, 100)) continue;
    const std::string line = JsonOutput() ? NoticeJsonLine(notice, receiver.Endpoint(), options.userKey)
                                          : NoticeLine(notice, receiver.Endpoint(), options.full, options.userKey);
    if (line.empty()) continue;
    std::fprintf(Out(), "%s\n", line.c_str());
    std::fflush(Out());
    if (notice.kind == Kind::Event) ++shown;
  }
  return 0;
}

}  // namespace

std::unique_ptr<TEventReceiver> WatchReceiver(const std::string& server, std::vector<int> types, long userKey) {
  if (userKey == 0) return std::make_unique<TEventReceiver>(server, std::move(types));
  if (types.empty()) types = ZelTEventApplier::UserEventTypes();
  return std::make_unique<TEventReceiver>(server, std::move(types), std::vector<std::int64_t>{userKey});
}

std::string NoticeLine(const TEventNotice& notice, const std::string& endpoint, bool full, long onlyUser) {
  switch (notice.kind) {
    case Kind::Event:
      return EventLine(notice, full, onlyUser);
    case Kind::Resync:
      return "-- events were lost and the server no longer holds them: query again for the current state";
    case Kind::TooLarge:
      return "-- a " + TypeText(notice.eventType) + " above the size bound was refused: query again";
    case Kind::Restarted:
      return "-- the server's publisher started afresh: events may have been lost, query again";
    case Kind::Disconnected:
      return "-- the connection to " + endpoint + " went away; waiting for it to come back";
    case Kind::Reconnected:
      return "-- connected to " + endpoint + " again; the events missed meanwhile follow";
    case Kind::AuthenticationFailed:
      return "-- authentication failed by " + endpoint + ": no events until the keys are right";
    case Kind::Switched:
      return "-- another server serves: events now come from " + endpoint + ", query again for the current state";
    case Kind::TwoServing:
      return "-- two servers serve at once: the one under the lower term stands by, and what it changed since the "
             "other took over is lost";
  }
  return std::string();
}

zeljson::Json NoticeJson(const TEventNotice& notice, const std::string& endpoint, long onlyUser) {
  static const std::map<Kind, const char*> kNames = {
      {Kind::Resync, "resync"},           {Kind::TooLarge, "tooLarge"},       {Kind::Restarted, "restarted"},
      {Kind::Disconnected, "disconnected"}, {Kind::Reconnected, "reconnected"},
      {Kind::AuthenticationFailed, "authenticationFailed"}, {Kind::Switched, "switched"},
      {Kind::TwoServing, "twoServing"},
  };
  if (notice.kind != Kind::Event)
    return zeljson::Json{{"notice", kNames.at(notice.kind)},
                         {"message", NoticeLine(notice, endpoint, false, onlyUser).substr(3)}};
  const auto type = static_cast<PS::enEvent>(notice.eventType);
  ZelTAnyEvent event;
  long userKey = 0;
  const bool read = ZelTEventReader::Read(type, notice.data.data(), notice.data.size(), event);
  if (read && onlyUser != 0 && (!ZelTEventReader::UserKeyOf(event, userKey) || userKey != onlyUser)) return nullptr;
  zeljson::Json json{{"position", std::to_string(notice.incarnation) + "-" + std::to_string(notice.position)}};
  if (!read) {
    json["type"] = zeljson::ToJson(type);
    json["unreadableBytes"] = notice.data.size();
    return json;
  }
  const zeljson::Json record = zeljson::ToJson(type, event);
  for (const auto& member : record.items()) json[member.key()] = member.value();
  return json;
}

std::string NoticeJsonLine(const TEventNotice& notice, const std::string& endpoint, long onlyUser) {
  const zeljson::Json json = NoticeJson(notice, endpoint, onlyUser);
  return json.is_null() ? std::string() : zeljson::Text(json);
}

void AddWatchCommand(CLI::App& app, Command& chosen) {
  auto options = std::make_shared<WatchOptions>();
  CLI::App* command = app.add_subcommand("watch", "Print the server's events as they arrive");
  command->add_option("-t,--type", options->types, "Event type to receive (repeatable; default: every type)")
      ->transform(EventTypeNames());
  command->add_option("-u,--user", options->userKey, "Receive only the events about this user key")
      ->check(WholeNumber());
  command->add_flag("-f,--full", options->full, "Print the whole presence snapshot of the events that carry one");
  command->add_option("-n,--count", options->count, "Stop after this many events")->check(CLI::NonNegativeNumber);
  command->add_option("--for", options->seconds, "Stop after this many seconds")->check(CLI::NonNegativeNumber);
  Choose(*command, chosen, options,
         [](ZelAPresenceServer&, const std::string& server, WatchOptions& parsed) { return Watch(server, parsed); });
}

}  // namespace zelctl
