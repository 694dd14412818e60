#include "EventFrames.h"

#include "JsonValues.h"
#include "UserFilter.h"
#include "UserJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zelgw {

namespace {

std::string Frame(const StreamId* id, const char* event, const std::string& data) {
  std::string frame;
  if (id) frame += "id: " + id->ToString() + "\n";
  frame += std::string("event: ") + event + "\ndata: " + data + "\n\n";
  return frame;
}

}  // namespace

std::vector<std::string> PartNames(std::uint32_t parts) {
  std::vector<std::string> names;
  for (std::uint32_t bit = 1; bit & ZelTPresenceChange::PART_ALL; bit <<= 1)
    if (parts & bit) names.push_back(PartName(bit));
  return names;
}

std::string StreamHead(unsigned retryMs, bool gzip) {
  // Delimited by the connection's end, as an event stream never ends by
  // itself; proxies are asked not to buffer it.
  return std::string("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n") +
         (gzip ? "Content-Encoding: gzip\r\nVary: Accept-Encoding\r\n" : "") +
         "X-Accel-Buffering: no\r\nConnection: close\r\n\r\nretry: " + std::to_string(retryMs) + "\n\n";
}

std::string SnapshotFrame(const StreamId& id, const std::vector<std::string>& users) {
  std::string data = "{\"users\":[";
  for (std::size_t i = 0; i < users.size(); ++i) {
    if (i) data += ',';
    data += users[i];
  }
  data += "]}";
  return Frame(&id, "snapshot", data);
}

std::string ChangeFrame(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                        const ZelTUserPresence* user) {
  std::string data = zeljson::Text(zeljson::Json{{"kind", !user ? "removed" : added ? "added" : "changed"},
                                                 {"userKey", userKey},
                                                 {"parts", PartNames(parts)}});
  if (user) {
    data.pop_back();
    data += ",\"user\":" + zeljson::UserText(*user, parts) + "}";
  }
  return Frame(&id, "change", data);
}

std::string ReloadFrame(const std::string& reason) {
  return Frame(nullptr, "reload", zeljson::Text(zeljson::Json{{"reason", reason}}));
}

std::string ClosedFrame(const std::string& reason) {
  return Frame(nullptr, "closed", zeljson::Text(zeljson::Json{{"reason", reason}}));
}

std::string StatusFrame(const MirrorStatus& status) {
  static const char* const kStates[] = {"live", "stale", "unreachable"};
  const bool live = status.state == MirrorStatus::State::Live;
  zeljson::Json data{{"state", kStates[static_cast<int>(status.state)]},
                     {"current", live},
                     {"heardAgoMs", status.heardAgoMs}};
  if (!live) data["reason"] = status.reason;
  return Frame(nullptr, "status", zeljson::Text(data));
}

}  // namespace zelgw
