#include "Subjects.h"

#include <cctype>
#include <cstring>
#include <limits>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace zelbridge {

namespace {

std::string Place(const TEventPosition& at) {
  return std::to_string(at.incarnation) + "-" + std::to_string(at.position);
}

bool Named(int eventType) {
  return eventType >= ZelTPresenceServer::CONNECTIONEVENT && eventType <= ZelTPresenceServer::QUERYEXTENSIONLISTEVENT;
}

}  // namespace

std::string SubjectToken(const std::string& text) {
  if (text.empty()) return "_";
  std::string token;
  token.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    token += std::isalnum(u) || c == '-' || c == '_' ? c : '_';
  }
  return token;
}

std::string KindToken(int eventType) {
  if (!Named(eventType)) return "type" + std::to_string(eventType);
  std::string token = SubjectToken(ZelTPresenceServer::ToString(static_cast<ZelTPresenceServer::enEvent>(eventType)));
  for (char& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return token;
}

std::string EventSubject(const std::string& serverToken, int eventType, std::int64_t userKey) {
  const std::string user = userKey == std::numeric_limits<std::int64_t>::min() ? "none" : std::to_string(userKey);
  return "presence." + serverToken + "." + KindToken(eventType) + "." + user;
}

std::string MarkerSubject(const std::string& serverToken) { return "presence." + serverToken + ".resync.none"; }

std::string AliveSubject(const std::string& serverToken) { return "presence-alive." + serverToken; }

std::string ServerFilter(const std::string& serverToken) { return "presence." + serverToken + ".>"; }

std::string MessageId(const TEventPosition& at) { return Place(at); }

std::string MarkerId(const TEventPosition& at) { return Place(at) + "-" + kResync; }

std::optional<std::int64_t> UserOfSubject(const std::string& subject) {
  const std::string user = subject.substr(subject.rfind('.') + 1);
  if (user == "none") return TEventNotice::kNoUser;
  const bool negative = !user.empty() && user[0] == '-';
  const auto count = ParseCount(user.data() + (negative ? 1 : 0), user.size() - (negative ? 1 : 0));
  if (!count || *count > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
  const auto key = static_cast<std::int64_t>(*count);
  return negative ? -key : key;
}

std::optional<std::uint64_t> ParseCount(const char* text, std::size_t length) {
  if (text == nullptr || length == 0 || length > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<TEventPosition> PlaceOf(const char* incarnation, const char* position) {
  if (incarnation == nullptr || position == nullptr) return std::nullopt;
  const auto life = ParseCount(incarnation, std::strlen(incarnation));
  const auto at = ParseCount(position, std::strlen(position));
  if (!life || !at || *life == 0) return std::nullopt;
  return TEventPosition{*life, *at};
}

}  // namespace zelbridge
