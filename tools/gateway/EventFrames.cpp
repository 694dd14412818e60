#include "EventFrames.h"

#include "JsonValues.h"
#include "JsonWriter.h"
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

// The earliest of two times, a null one being none.
TTimeStamp Earliest(const TTimeStamp& held, const TTimeStamp& other) {
  if (other.IsNull()) return held;
  return held.IsNull() || other.MillisecondsSince1970() < held.MillisecondsSince1970() ? other : held;
}

void WriteContacts(zeljson::JsonWriter& w, const ZelTHandlingStates& handling) {
  TTimeStamp contact(1);
  TTimeStamp postProcessing(1);
  long count = 0;
  for (const ZelTHandlingState* state : handling.GetHandlingStates().GetList()) {
    if (!state) continue;
    ++count;
    const TTimeStamp since = state->IsConnected() ? state->GetConnectedTime() : TTimeStamp(state->startTime);
    if (state->contactState == CONTACTSTATE_POSTPROCESSING)
      postProcessing = Earliest(postProcessing, since);
    else
      contact = Earliest(contact, since);
  }
  w.BeginObject();
  w.Key("count");
  w.Integer(count);
  w.Key("contactSince");
  w.Time(contact);
  w.Key("postProcessingSince");
  w.Time(postProcessing);
  w.EndObject();
}

}  // namespace

std::vector<std::string> PartNames(std::uint32_t parts) {
  std::vector<std::string> names;
  for (std::uint32_t bit = 1; bit <= kContactsPart; bit <<= 1)
    if (parts & bit) names.push_back(PartName(bit));
  return names;
}

std::string StreamUserText(const ZelTUserPresence& user, std::uint32_t parts) {
  std::string text = zeljson::UserText(user, parts & ZelTPresenceChange::PART_ALL);
  if (!(parts & kContactsPart)) return text;
  text.pop_back();
  zeljson::JsonWriter w(text);
  text += ",\"contacts\":";
  WriteContacts(w, user.GetHandlingStates());
  text += '}';
  return text;
}

std::string StreamHead(unsigned retryMs, bool gzip) {
  // Delimited by the connection's end, as an event stream never ends by
  // itself; proxies are asked not to buffer it.
  return std::string("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n") +
         (gzip ? "Content-Encoding: gzip\r\nVary: Accept-Encoding\r\n" : "") +
         "X-Accel-Buffering: no\r\nConnection: close\r\n\r\nretry: " + std::to_string(retryMs) + "\n\n";
}

std::string SnapshotStart(const StreamId& id) {
  return "id: " + id.ToString() + "\nevent: snapshot\ndata: {\"users\":[";
}

std::string SnapshotEnd() { return "]}\n\n"; }

std::string ChangeFrame(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                        const ZelTUserPresence* user) {
  std::string data = zeljson::Text(zeljson::Json{{"kind", !user ? "removed" : added ? "added" : "changed"},
                                                 {"userKey", userKey},
                                                 {"parts", PartNames(parts)}});
  if (user) {
    data.pop_back();
    data += ",\"user\":" + StreamUserText(*user, parts) + "}";
  }
  return Frame(&id, "change", data);
}

ChangeTexts ChangeFrames(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                         const ZelTUserPresence& user) {
  ChangeTexts texts{ChangeFrame(id, userKey, parts, added, &user), {}};
  if (parts & ZelTPresenceChange::PART_HANDLING_STATES)
    texts.summary = ChangeFrame(id, userKey, (parts & ~ZelTPresenceChange::PART_HANDLING_STATES) | kContactsPart, added,
                                &user);
  return texts;
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
