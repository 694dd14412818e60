/* The C interface from a C program: the server's status, one action on an
   agent, then a few routing events. Any language that calls C does the
   same through these functions.

     c_client [server] [events]   (default tcp://127.0.0.1:7300 3)

   Exits with 0 when the server answered and that many events came, 1
   otherwise. */

#include <stdio.h>
#include <stdlib.h>

#include <zelclnt/zelclnt_c.h>

enum { kRoutingStateEvent = 35007 };

/* Carried out, refused (the server said why), or no answer (the transport
   said why): 1 when the server answered. */
static int Tell(const char* call, int status, const zel_request* request) {
  char reason[256];
  zel_request_reason(request, reason, sizeof reason);
  if (status == ZEL_OK)
    printf("%s: done\n", call);
  else if (status == ZEL_REFUSED)
    printf("%s: %s\n", call, reason);
  else
    printf("%s: no answer (%s): %s\n", call, zel_status_text(status), reason);
  return status == ZEL_OK || status == ZEL_REFUSED;
}

static int ShowStatus(zel_client* client) {
  char name[128];
  zel_request* status = zel_server_status_new();
  int answered = status && Tell("server status", zel_call(client, status), status);
  if (answered) {
    zel_status_server_name(status, name, sizeof name);
    printf("%s is %s\n", name, zel_status_is_up(status) ? "up" : "down");
  }
  zel_request_free(status);
  return answered;
}

static int SetToWork(zel_client* client) {
  char id[64];
  zel_request* agent = zel_user_new(42, "agent42");
  int answered = agent && Tell("set routing state work",
                               zel_user_set_routing_state(client, agent, ZEL_ROUTING_WORK, 3, 1), agent);
  answered = answered && Tell("query", zel_user_query(client, agent), agent);
  if (answered) {
    const zel_user* record = zel_request_user(agent);
    zel_user_id(record, id, sizeof id);
    printf("%s: routing state %d, reason %ld\n", id, zel_user_routing_state(record), zel_user_routing_reason(record));
  }
  zel_request_free(agent);
  return answered;
}

/* An event loop would wait on zel_receiver_descriptor; this one waits in
   zel_receiver_next. */
static int WatchRouting(const char* server, long wanted) {
  static const int types[] = {kRoutingStateEvent};
  zel_receiver* events = zel_receiver_new(server, types, 1, NULL, 0);
  char text[512];
  long seen = 0;
  int quiet = 0;
  if (!events || zel_receiver_start(events) != ZEL_OK || zel_receiver_wait_subscribed(events, 5000) != ZEL_OK) {
    zel_receiver_error(events, text, sizeof text);
    printf("cannot watch %s: %s\n", server, text[0] ? text : "no answer");
    zel_receiver_free(events);
    return 0;
  }
  while (seen < wanted && quiet < 20) {
    const void* data;
    size_t size = 0;
    if (zel_receiver_next(events, 500) != ZEL_OK) {
      ++quiet;
      continue;
    }
    quiet = 0;
    if (zel_notice_kind_of(events) != ZEL_NOTICE_EVENT) continue;
    data = zel_notice_data(events, &size);
    zel_event_text(zel_notice_event_type(events), data, size, 0, text, sizeof text);
    printf("event: %s\n", text);
    ++seen;
  }
  printf("%ld routing events seen\n", seen);
  zel_receiver_free(events);
  return seen == wanted;
}

int main(int argc, char** argv) {
  const char* server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const long wanted = argc > 2 ? strtol(argv[2], NULL, 10) : 3;
  zel_client* client;
  int ok;
  if (!zel_abi_matches()) {
    printf("zelclnt %s does not match these headers\n", zel_version());
    return 1;
  }
  client = zel_client_new(server);
  ok = client && ShowStatus(client) && SetToWork(client) && WatchRouting(server, wanted);
  zel_client_free(client);
  return ok ? 0 : 1;
}
