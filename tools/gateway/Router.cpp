#include "Router.h"

#include <algorithm>

#include "Compression.h"
#include "JsonInput.h"
#include "RequestJson.h"
#include "StaticFiles.h"

namespace zelgw {

struct Router::Call {
  const Request& request;
  HttpTarget target;
  // The path's {key} and {action}, when the route has them.
  std::vector<std::string> parameters;
  // Null without tokens.
  std::optional<Access> access;
  unsigned timeoutMs;
};

struct Router::Entry {
  http::verb method;
  const char* pattern;
  // Null: anyone, with or without a token.
  const Role* role;
  Routed (Router::*handler)(const Call&) const;
  // The token may come as ?access_token= too.
  bool tokenInQuery = false;
};

namespace {

const Role kRead = Role::Read;
const Role kControl = Role::Control;

std::vector<std::string> Split(const std::string& pattern) {
  HttpTarget target;
  ParseTarget(pattern, target, nullptr);
  return target.segments;
}

// The path's values for the pattern's {...} segments, or false.
bool Matches(const std::vector<std::string>& pattern, const std::vector<std::string>& path,
             std::vector<std::string>& parameters) {
  if (pattern.size() != path.size()) return false;
  std::vector<std::string> values;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i].front() == '{')
      values.push_back(path[i]);
    else if (pattern[i] != path[i])
      return false;
  }
  parameters = std::move(values);
  return true;
}

Routed Now(Response response) { return Routed{std::move(response), nullptr, nullptr, std::nullopt}; }

Routed Read(std::function<Response()> read) { return Routed{std::nullopt, std::move(read), nullptr, std::nullopt}; }

Routed Send(std::shared_ptr<PendingCall> call) { return Routed{std::nullopt, nullptr, std::move(call), std::nullopt}; }

Routed NotReady() {
  Response response = ErrorReply(http::status::service_unavailable, "not_ready",
                                 "the gateway has not joined the presence server yet");
  response.set(http::field::retry_after, "1");
  return Now(std::move(response));
}

Routed BadRequest(const std::string& message) {
  return Now(ErrorReply(http::status::bad_request, "bad_request", message));
}

void Allow(std::vector<http::verb>& methods, http::verb method) {
  if (std::find(methods.begin(), methods.end(), method) == methods.end()) methods.push_back(method);
}

std::string AllowHeader(const std::vector<http::verb>& methods) {
  std::string allow;
  for (http::verb method : methods) allow += (allow.empty() ? "" : ", ") + std::string(http::to_string(method));
  return allow;
}

Routed Forbidden(const std::string& message) { return Now(ErrorReply(http::status::forbidden, "forbidden", message)); }

bool UserKey(const std::string& text, long& key) { return ParseInt32(text, key); }

bool ParseBody(const Request& request, zeljson::Json& body, std::string& error) {
  const auto type = request[http::field::content_type];
  if (type.substr(0, 16) != "application/json") {
    error = "the body must be application/json";
    return false;
  }
  return zeljson::Parse(request.body(), body, &error);
}

// Only the parameters a route takes: a misspelt one is a mistake to tell.
bool OnlyParameters(const HttpTarget& target, std::initializer_list<const char*> allowed, std::string& error) {
  for (const auto& [name, value] : target.query) {
    bool known = false;
    for (const char* allowedName : allowed) known = known || name == allowedName;
    if (!known) {
      error = "unknown query parameter \"" + name + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace

Router::Router(Backend& backend, Metrics& metrics, const Tokens* tokens, RouterOptions options)
    : m_backend(backend), m_metrics(metrics), m_tokens(tokens), m_options(options) {}

const std::vector<Router::Entry>& Router::Table() {
  static const std::vector<Entry> kTable = {
      {http::verb::get, "/v1/status", &kRead, &Router::Status},
      {http::verb::get, "/v1/users", &kRead, &Router::Users},
      {http::verb::get, "/v1/users/{key}", &kRead, &Router::User},
      {http::verb::post, "/v1/users/{key}/actions/{action}", &kControl, &Router::Act},
      {http::verb::post, "/v1/capabilities", &kControl, &Router::AddCapability},
      {http::verb::delete_, "/v1/capabilities/{key}", &kControl, &Router::RemoveCapability},
      {http::verb::get, "/v1/stream", &kRead, &Router::Stream, true},
      {http::verb::get, "/v1/openapi.json", nullptr, &Router::Document},
      {http::verb::get, "/metrics", &kRead, &Router::MetricsText},
      {http::verb::get, "/", nullptr, &Router::Page},
      {http::verb::get, "/{file}", nullptr, &Router::Page},
  };
  return kTable;
}

std::vector<std::string> Router::RouteNames() {
  std::vector<std::string> names;
  for (const Entry& entry : Table()) names.push_back(std::string(http::to_string(entry.method)) + " " + entry.pattern);
  return names;
}

std::optional<Response> Router::Authorize(const Call& call, const Entry& entry, std::optional<Access>& access) const {
  if (!m_tokens || !entry.role) return std::nullopt;
  std::string token;
  const auto header = call.request[http::field::authorization];
  const auto queried = call.target.query.find("access_token");
  const bool inQuery = entry.tokenInQuery && header.empty() && queried != call.target.query.end();
  const bool given = !header.empty() || inQuery;
  if (inQuery) token = queried->second;
  if (!given || (!inQuery && !BearerToken(std::string(header), token)) || !(access = m_tokens->Find(token))) {
    Response response = ErrorReply(http::status::unauthorized, "unauthorized",
                                   given ? "the bearer token is not known" : "a bearer token is required");
    response.set(http::field::www_authenticate, "Bearer realm=\"presence-gateway\"");
    return response;
  }
  if (!access->Allows(*entry.role)) return ErrorReply(http::status::forbidden, "forbidden", "the token may only read");
  return std::nullopt;
}

Routed Router::Route(const Request& request) const {
  Call call{request, {}, {}, std::nullopt, m_options.timeoutMs};
  std::string error;
  if (!ParseTarget(std::string(request.target()), call.target, &error)) return BadRequest(error);
  // Which of two would be the caller's?
  if (request.count(http::field::authorization) > 1) return BadRequest("the Authorization header is given twice");
  const Entry* matched = nullptr;
  std::vector<http::verb> allowed;
  for (const Entry& entry : Table()) {
    std::vector<std::string> parameters;
    if (!Matches(Split(entry.pattern), call.target.segments, parameters)) continue;
    // HEAD is GET without its body; a stream has none to leave out.
    const bool head = entry.method == http::verb::get && entry.handler != &Router::Stream;
    Allow(allowed, entry.method);
    if (head) Allow(allowed, http::verb::head);
    if (matched || (entry.method != request.method() && !(head && request.method() == http::verb::head))) continue;
    matched = &entry;
    call.parameters = std::move(parameters);
  }
  if (!matched) {
    if (allowed.empty()) return Now(ErrorReply(http::status::not_found, "not_found", "no such resource"));
    Response response =
        ErrorReply(http::status::method_not_allowed, "method_not_allowed", "the resource has no such method");
    response.set(http::field::allow, AllowHeader(allowed));
    return Now(std::move(response));
  }
  if (auto refused = Authorize(call, *matched, call.access)) return Now(std::move(*refused));
  const auto timeout = call.target.query.find("timeout");
  if (timeout != call.target.query.end()) {
    long ms = 0;
    if (!ParseInt32(timeout->second, ms) || ms < 1 || static_cast<unsigned long>(ms) > m_options.maxTimeoutMs)
      return BadRequest("timeout must be 1 to " + std::to_string(m_options.maxTimeoutMs) + " milliseconds");
    call.timeoutMs = static_cast<unsigned>(ms);
  }
  return (this->*matched->handler)(call);
}

Routed Router::Status(const Call& call) const {
  std::string error;
  if (!OnlyParameters(call.target, {"timeout"}, error)) return BadRequest(error);
  return Send(m_backend.Status(call.timeoutMs));
}

Routed Router::Users(const Call& call) const {
  std::string error;
  UserFilter filter;
  if (!ReadUsersFilter(call.target, filter, error)) return BadRequest(error);
  if (call.access) filter.users = call.access->users;
  if (!m_backend.Joined()) return NotReady();
  Backend& backend = m_backend;
  return Read([&backend, filter] { return backend.Users(filter); });
}

Routed Router::User(const Call& call) const {
  std::string error;
  long key = 0;
  if (!OnlyParameters(call.target, {"timeout"}, error)) return BadRequest(error);
  if (!UserKey(call.parameters[0], key)) return BadRequest("the user key must be a 32-bit number");
  if (call.access && !call.access->Reaches(key)) return Forbidden("the token may not reach user " + call.parameters[0]);
  if (!m_backend.Joined()) return NotReady();
  Backend& backend = m_backend;
  return Read([&backend, key] { return backend.User(key); });
}

Routed Router::Act(const Call& call) const {
  std::string error;
  long key = 0;
  ZelTUserPresence::Action action = ZelTUserPresence::ACTION_NONE;
  if (!OnlyParameters(call.target, {"timeout"}, error)) return BadRequest(error);
  if (!UserKey(call.parameters[0], key)) return BadRequest("the user key must be a 32-bit number");
  if (!zeljson::ActionFromPathName(call.parameters[1], action))
    return Now(ErrorReply(http::status::not_found, "not_found", "no such action: " + call.parameters[1]));
  if (call.access && !call.access->Reaches(key))
    return Forbidden("the token may not act on user " + call.parameters[0]);
  zeljson::Json body;
  zeljson::UserAction userAction;
  if (!ParseBody(call.request, body, error) || !zeljson::FromJson(action, body, userAction, &error))
    return BadRequest(error);
  if (!m_backend.Joined()) return NotReady();
  Response refused;
  std::shared_ptr<PendingCall> act = m_backend.Act(key, userAction, call.timeoutMs, refused);
  return act ? Send(std::move(act)) : Now(std::move(refused));
}

Routed Router::AddCapability(const Call& call) const {
  std::string error;
  zeljson::Json body;
  ZelTAddCapability request;
  if (!OnlyParameters(call.target, {"timeout"}, error)) return BadRequest(error);
  if (!ParseBody(call.request, body, error) || !zeljson::FromJson(body, request, &error)) return BadRequest(error);
  if (request.GetCapabilityTypeValue() != ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR)
    return BadRequest("only the Campaign Director capability can be added");
  if (call.access && !call.access->Reaches(request.GetUserKey()))
    return Forbidden("the token may not act on user " + std::to_string(request.GetUserKey()));
  return Send(m_backend.AddCapability(request, call.timeoutMs));
}

Routed Router::RemoveCapability(const Call& call) const {
  std::string error;
  long key = 0;
  if (!OnlyParameters(call.target, {"timeout", "parameters"}, error)) return BadRequest(error);
  if (!UserKey(call.parameters[0], key)) return BadRequest("the user key must be a 32-bit number");
  if (call.access && !call.access->Reaches(key))
    return Forbidden("the token may not act on user " + call.parameters[0]);
  ZelTRemoveCapability request;
  request.SetUserKey(key);
  request.SetCapabilityType(ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR);
  const auto parameters = call.target.query.find("parameters");
  if (parameters != call.target.query.end()) {
    if (parameters->second.size() > zeljson::kMaxStringBytes) return BadRequest("parameters longer than 1024 bytes");
    request.SetParameters(parameters->second);
  }
  return Send(m_backend.RemoveCapability(request, call.timeoutMs));
}

Routed Router::Stream(const Call& call) const {
  std::string error;
  StreamRequest stream;
  if (!ReadStreamFilter(call.target, stream.filter, error)) return BadRequest(error);
  if (!Narrow(stream.filter, call.access)) return Forbidden("the token may not reach every user asked for");
  const auto last = call.request.find("Last-Event-ID");
  if (last != call.request.end()) {
    StreamId from;
    if (!StreamId::Parse(std::string(last->value()), from))
      return BadRequest("Last-Event-ID must be an id this gateway sent, such as 7-1234");
    stream.from = from;
  }
  const auto accepted = call.request[http::field::accept_encoding];
  stream.gzip = AcceptsGzip({accepted.data(), accepted.size()});
  if (!m_backend.Joined()) return NotReady();
  return Routed{std::nullopt, nullptr, nullptr, std::move(stream)};
}

Routed Router::Document(const Call&) const {
  return Now(TextReply(http::status::ok, "application/json", kOpenApiDocument));
}

Routed Router::MetricsText(const Call&) const {
  return Now(TextReply(http::status::ok, "text/plain; version=0.0.4; charset=utf-8", m_metrics.Exposition()));
}

Routed Router::Page(const Call& call) const {
  std::string error;
  if (!OnlyParameters(call.target, {}, error)) return BadRequest(error);
  const StaticFile* file = FindStaticFile(call.parameters.empty() ? "index.html" : call.parameters[0]);
  if (!file) return Now(ErrorReply(http::status::not_found, "not_found", "no such resource"));
  Response response = TextReply(http::status::ok, file->contentType, file->body);
  response.set(http::field::cache_control, "no-cache");
  response.set("Content-Security-Policy", "default-src 'self'");
  response.set("X-Content-Type-Options", "nosniff");
  return Now(std::move(response));
}

}  // namespace zelgw
