#pragma once
// The gateway's one map from HTTP to the library: a plain function from a
// request to its response. Route reads and checks everything a caller sent
// (target, token, path and query parameters, body) and answers at once
// whatever needs no presence server: errors, the metrics, the OpenAPI
// document. A read of the mirror comes back for a worker to make, a call
// to the presence server for the call queue; bad input never gets that
// far.
//
// Routes (each also in openapi.json beside this file):
//   GET    /v1/status                          read
//   GET    /v1/users                           read     from the mirror
//   GET    /v1/users/{key}                     read     from the mirror
//   POST   /v1/users/{key}/actions/{action}    control
//   POST   /v1/capabilities                    control
//   DELETE /v1/capabilities/{key}              control
//   GET    /v1/stream                          read     an event stream
//   GET    /v1/openapi.json                    anyone
//   GET    /metrics                            read
//   GET    /, /{file}                          anyone   the wallboard page
// Calls take "?timeout=<ms>", up to the gateway's bound. The stream also
// takes its token as "?access_token=", since a browser's EventSource cannot
// set a header; no other route does, so tokens stay out of ordinary URLs.
//
// Without tokens every caller may do everything. Route may be called from
// any thread; the calls it hands out from any other.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "ChangeJournal.h"
#include "HttpTarget.h"
#include "Metrics.h"
#include "PendingCall.h"
#include "Replies.h"
#include "Tokens.h"
#include "UserFilter.h"

namespace zelgw {

struct RouterOptions {
  // Used when the caller names none.
  unsigned timeoutMs = 10000;
  unsigned maxTimeoutMs = 60000;
};

// An event stream asked for: which users and changes, and the id of the
// last event the client had (Last-Event-ID), if any.
struct StreamRequest {
  UserFilter filter;
  std::optional<StreamId> from;
  // The client takes gzip.
  bool gzip = false;
};

// One of: a response now, a read for a worker, a call to the presence
// server, or an event stream.
struct Routed {
  std::optional<Response> now;
  std::function<Response()> read;
  std::shared_ptr<PendingCall> call;
  std::optional<StreamRequest> stream;
};

class Router {
 public:
  // tokens null: no tokens, every caller may do everything.
  Router(Backend& backend, Metrics& metrics, const Tokens* tokens, RouterOptions options);

  Routed Route(const Request& request) const;

  // "GET /v1/users/{key}", one for each route, in the table's order.
  static std::vector<std::string> RouteNames();

 private:
  struct Call;
  struct Entry;

  Routed Status(const Call& call) const;
  Routed Users(const Call& call) const;
  Routed User(const Call& call) const;
  Routed Act(const Call& call) const;
  Routed AddCapability(const Call& call) const;
  Routed RemoveCapability(const Call& call) const;
  Routed Stream(const Call& call) const;
  Routed Document(const Call& call) const;
  Routed MetricsText(const Call& call) const;
  Routed Page(const Call& call) const;

  // The caller's rights, or the 401 or 403 reply.
  std::optional<Response> Authorize(const Call& call, const Entry& entry, std::optional<Access>& access) const;
  static const std::vector<Entry>& Table();

  Backend& m_backend;
  Metrics& m_metrics;
  const Tokens* m_tokens;
  RouterOptions m_options;
};

// The OpenAPI document of the whole interface, as kept beside this file.
extern const char* const kOpenApiDocument;

}  // namespace zelgw
