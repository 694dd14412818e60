/* The C interface as a C program uses it, against a simulator (argv[1]) of
   8 agents, keys 42 to 49, changing by itself. Compiled as C. Prints each
   failed check and, when none failed, "capi: all checks passed". */

#define _POSIX_C_SOURCE 200809L

#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <zelclnt/zelclnt_c.h>

static int g_failed = 0;

#define CHECK(condition, ...)                                    \
  do {                                                           \
    if (!(condition)) {                                          \
      ++g_failed;                                                \
      printf("FAILED %s:%d: %s: ", __FILE__, __LINE__, #condition); \
      printf(__VA_ARGS__);                                       \
      printf("\n");                                              \
    }                                                            \
  } while (0)

enum { kRoutingStateEvent = 35007 };

static long long NowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

static const char* Reason(const zel_request* request) {
  static char text[256];
  zel_request_reason(request, text, sizeof text);
  return text;
}

static void Statuses(void) {
  static const struct {
    int status;
    const char* text;
  } table[] = {{ZEL_OK, "ok"},
               {ZEL_REFUSED, "refused"},
               {ZEL_E_NO_SUCH_SERVER, "no such server"},
               {ZEL_E_NOT_SENT, "not sent"},
               {ZEL_E_INVALID, "invalid argument"},
               {-16, "unknown status"},
               {12345, "unknown status"}};
  size_t i;
  CHECK(zel_abi_matches(), "abi %d", zel_abi_version());
  CHECK(zel_version()[0] != '\0', "no version");
  for (i = 0; i < sizeof table / sizeof table[0]; ++i)
    CHECK(strcmp(zel_status_text(table[i].status), table[i].text) == 0, "%d: %s", table[i].status,
          zel_status_text(table[i].status));
}

/* Null handles and arguments get a status, never a crash. */
static void HostileArguments(zel_client* client) {
  char text[8] = "x";
  zel_request* status = zel_server_status_new();
  CHECK(zel_call(NULL, status) == ZEL_E_INVALID, "no client");
  CHECK(zel_call(client, NULL) == ZEL_E_INVALID, "no request");
  CHECK(zel_user_query(client, status) == ZEL_E_INVALID, "a status is no user");
  CHECK(zel_user_set_routing_state(client, status, ZEL_ROUTING_WORK, 0, 0) == ZEL_E_INVALID, "a status is no user");
  CHECK(zel_user_set_primary_contact(client, NULL, "c", 0) == ZEL_E_INVALID, "no user");
  CHECK(zel_user_submit_wrapup(client, status, "c", 0, NULL, 2, 0, 0) == ZEL_E_INVALID, "reasons missing");
  CHECK(zel_user_new(1, NULL) == NULL, "user without id");
  CHECK(zel_users_new(7) == NULL && zel_users_new(-1) == NULL, "query types beyond the enumeration");
  CHECK(zel_client_new(NULL) == NULL, "client without server");
  CHECK(zel_receiver_new("x", NULL, 2, NULL, 0) == NULL, "types missing");
  CHECK(zel_mirror_new("x", NULL, NULL, 1) == NULL, "users missing");
  CHECK(zel_users_at(status, 0) == NULL && zel_request_user(status) == NULL, "records of another kind");
  CHECK(zel_user_id(NULL, text, sizeof text) == 0 && text[0] == '\0', "no user: '%s'", text);
  CHECK(zel_medium_at(status, 0, NULL, NULL, NULL) == ZEL_E_INVALID, "medium of a status");
  CHECK(zel_queue_next(NULL, 0, NULL, NULL) == ZEL_E_INVALID, "no queue");
  CHECK(zel_receiver_next(NULL, 0) == ZEL_E_INVALID, "no receiver");
  CHECK(zel_mirror_get(NULL, 42, status) == ZEL_E_INVALID, "no mirror");
  CHECK(zel_event_text(kRoutingStateEvent, NULL, 5, 0, text, sizeof text) == 0, "bytes missing");
  CHECK(zel_set_client_keys("", "x") == ZEL_E_INVALID, "half a key pair");
  CHECK(zel_set_server_key("tcp://127.0.0.1:1", "not a key") == ZEL_E_INVALID, "no key");
  CHECK(zel_user_numbers(NULL, NULL, 0) == 0 && zel_user_contact_numbers(NULL, 0, NULL, 0) == 0, "numbers of no user");
  CHECK(zel_user_monitoring_at(NULL, 0, NULL, NULL) == ZEL_E_INVALID, "monitoring of no user");
  CHECK(zel_user_text(NULL, ZEL_USER_ASSOCIATED_LINE, text, sizeof text) == 0 && text[0] == '\0', "'%s'", text);
  CHECK(zel_mirror_descriptor(NULL) == -1, "descriptor of no mirror");
  zel_request_free(status);
}

static void ServerStatus(zel_client* client) {
  char name[64];
  zel_request* status = zel_server_status_new();
  CHECK(zel_call(client, status) == ZEL_OK, "%s", Reason(status));
  CHECK(zel_status_server_name(status, name, sizeof name) == strlen("presence-sim") && strcmp(name, "presence-sim") == 0,
        "'%s'", name);
  CHECK(zel_status_is_up(status), "down");
  zel_request_free(status);
}

/* The numbers in one call agree with the accessors of one field, and a
   short array takes only what fits. */
static void RecordNumbers(const zel_user* user) {
  int64_t numbers[ZEL_USER_NUMBERS + 1];
  int64_t contact[ZEL_CONTACT_NUMBERS];
  long requeue_count = 0;
  size_t i;
  numbers[2] = -7;
  CHECK(zel_user_numbers(user, numbers, 2) == ZEL_USER_NUMBERS && numbers[ZEL_USER_KEY] == 42 && numbers[2] == -7,
        "short array: %lld", (long long)numbers[2]);
  CHECK(zel_user_numbers(user, numbers, ZEL_USER_NUMBERS + 1) == ZEL_USER_NUMBERS, "whole array");
  CHECK(numbers[ZEL_USER_TEAM_KEY] == zel_user_team_key(user) &&
            numbers[ZEL_USER_ROUTING_STATE] == zel_user_routing_state(user) &&
            numbers[ZEL_USER_ROUTING_SINCE] == zel_user_routing_since(user) &&
            numbers[ZEL_USER_PRESENCE_EX_DIRECT_STATE] == zel_user_presence_state(user, 1) &&
            numbers[ZEL_USER_RECOVERY_MODE] == zel_user_is_recovery_mode(user) && numbers[ZEL_USER_ANSWERED_AT] > 0,
        "numbers disagree");
  for (i = 0; i < zel_user_contact_count(user); ++i) {
    zel_user_contact_at(user, i, &requeue_count, NULL, NULL);
    CHECK(zel_user_contact_numbers(user, i, contact, ZEL_CONTACT_NUMBERS) == ZEL_CONTACT_NUMBERS &&
              contact[ZEL_CONTACT_REQUEUE_COUNT] == requeue_count,
          "contact %lu", (unsigned long)i);
  }
  {
    char texts[256];
    char id[16];
    char group[32];
    const size_t whole = zel_user_texts(user, texts, sizeof texts);
    zel_user_id(user, id, sizeof id);
    zel_user_group_id(user, group, sizeof group);
    CHECK(whole < sizeof texts && texts[whole - 1] == '\0' && strcmp(texts, id) == 0 &&
              strcmp(texts + strlen(id) + 1 + zel_user_extension(user, NULL, 0) + 1 +
                         zel_user_text(user, ZEL_USER_ASSOCIATED_LINE, NULL, 0) + 1,
                     group) == 0,
          "texts in one call");
    CHECK(zel_user_texts(user, texts, 4) == whole && texts[0] == '\0', "cut: nothing but an empty string");
  }
  {
    int64_t media[4 * 8];
    long medium = 0;
    int state = 0;
    const size_t values = zel_user_media_numbers(user, media, 4 * 8);
    CHECK(values == 4 * zel_user_media_count(user) && values > 4 && zel_user_media_at(user, 1, &medium, &state, NULL) == ZEL_OK &&
              media[4] == medium && media[5] == state && media[7] == zel_user_media_since(user, 1),
          "media in one call");
    media[4] = -7;
    CHECK(zel_user_media_numbers(user, media, 7) == values && media[4] == -7, "whole media states only");
  }
  CHECK(zel_user_contact_numbers(user, zel_user_contact_count(user), contact, ZEL_CONTACT_NUMBERS) == 0 &&
            zel_user_monitoring_at(user, zel_user_monitoring_count(user), NULL, NULL) == ZEL_E_INVALID,
        "past the end");
}

/* Each action either carried out or refused by the server: the server
   answered every one, and packing took every field. */
static void UserActions(zel_client* client) {
  static const long reasons[] = {4, 5};
  char id[4];
  zel_request* agent = zel_user_new(42, "agent42");
  size_t i;
  struct {
    const char* name;
    int status;
  } answered[10];
  CHECK(zel_user_query(client, agent) == ZEL_OK, "%s", Reason(agent));
  /* A buffer too small: cut, terminated, and the whole length told. */
  CHECK(zel_user_id(zel_request_user(agent), id, sizeof id) == 7 && strcmp(id, "age") == 0, "'%s'", id);
  CHECK(zel_user_id(zel_request_user(agent), NULL, 0) == 7, "length alone");

  CHECK(zel_user_set_routing_state(client, agent, ZEL_ROUTING_WORK, 3, 1) == ZEL_OK, "%s", Reason(agent));
  CHECK(zel_user_query(client, agent) == ZEL_OK, "%s", Reason(agent));
  CHECK(zel_user_routing_state(zel_request_user(agent)) == ZEL_ROUTING_WORK &&
            zel_user_routing_reason(zel_request_user(agent)) == 3,
        "state %d reason %ld", zel_user_routing_state(zel_request_user(agent)),
        zel_user_routing_reason(zel_request_user(agent)));
  CHECK(zel_user_set_routing_state(client, agent, ZEL_ROUTING_LOGOFF, 0, 1) == ZEL_REFUSED, "%s", Reason(agent));
  CHECK(zel_request_error_code(agent) == 35030 && strcmp(Reason(agent), "refused: ERR_INVALID_STATE") == 0,
        "%d '%s'", zel_request_error_code(agent), Reason(agent));

  answered[0].name = "primary contact";
  answered[0].status = zel_user_set_primary_contact(client, agent, "contact-1", 0);
  answered[1].name = "recovery mode";
  answered[1].status = zel_user_set_recovery_mode(client, agent, 1);
  answered[2].name = "contact assist";
  answered[2].status = zel_user_set_contact_assist(client, agent, 1);
  answered[3].name = "wrap-up";
  answered[3].status = zel_user_submit_wrapup(client, agent, "contact-1", 0, reasons, 2, 7, 1);
  answered[4].name = "post-processing";
  answered[4].status = zel_user_request_post_processing(client, agent, "contact-1", 0, 2);
  answered[5].name = "exit post-processing";
  answered[5].status = zel_user_exit_post_processing(client, agent, "contact-1", 0);
  answered[6].name = "cancel mandatory post-processing";
  answered[6].status = zel_user_cancel_mandatory_post_processing(client, agent, "contact-1", 0);
  answered[7].name = "recovery mode off";
  answered[7].status = zel_user_set_recovery_mode(client, agent, 0);
  answered[8].name = "ACD state";
  answered[8].status = zel_user_set_acd_state(client, agent, ZEL_ROUTING_AVAILABLE, 0);
  answered[9].name = "query";
  answered[9].status = zel_user_query(client, agent);
  for (i = 0; i < sizeof answered / sizeof answered[0]; ++i)
    CHECK(answered[i].status == ZEL_OK || answered[i].status == ZEL_REFUSED, "%s: %s", answered[i].name,
          zel_status_text(answered[i].status));
  RecordNumbers(zel_request_user(agent));
  CHECK(zel_records_count(agent) == 1 && zel_records_numbers(agent, 0, 1, NULL, 0) > ZEL_RECORD_COLUMNS &&
            zel_records_numbers(agent, 1, 1, NULL, 0) == 0 && zel_records_texts(agent, 1, 1, NULL, 0) == 0,
        "a user request's one record");
  zel_request_free(agent);
}

/* A users query's records in two calls agree with each record's own
   calls, in ranges of every kind; a short buffer takes nothing. */
static void RecordsInTwoCalls(const zel_request* users) {
  static const struct {
    size_t first, count, records;
  } ranges[] = {{0, 8, 8}, {0, 100, 8}, {3, 2, 2}, {7, 1, 1}, {8, 1, 0}, {(size_t)-1, 2, 0}, {2, (size_t)-1, 6}};
  static int64_t values[4096];
  static char texts[4096];
  size_t r;
  for (r = 0; r < sizeof ranges / sizeof ranges[0]; ++r) {
    const size_t first = ranges[r].first, n = ranges[r].records;
    const size_t size = zel_records_numbers(users, first, ranges[r].count, values, sizeof values / sizeof values[0]);
    const size_t length = zel_records_texts(users, first, ranges[r].count, texts, sizeof texts);
    size_t i, column, media = 0, contacts = 0, at = 0;
    CHECK((size == 0) == (n == 0) && size >= n * ZEL_RECORD_COLUMNS && size < sizeof values / sizeof values[0],
          "range %lu: %lu values", (unsigned long)r, (unsigned long)size);
    CHECK((length == 0) == (n == 0) && length < sizeof texts, "range %lu: %lu bytes", (unsigned long)r,
          (unsigned long)length);
    for (i = 0; i < n; ++i) {
      const zel_user* user = zel_users_at(users, first + i);
      int64_t own[ZEL_USER_NUMBERS];
      int64_t own_media[4 * 8];
      char own_texts[256];
      const size_t own_length = zel_user_texts(user, own_texts, sizeof own_texts);
      zel_user_numbers(user, own, ZEL_USER_NUMBERS);
      for (column = 0; column < ZEL_USER_NUMBERS; ++column)
        CHECK(values[column * n + i] == own[column], "record %lu column %lu", (unsigned long)(first + i),
              (unsigned long)column);
      CHECK(values[ZEL_RECORD_MEDIA_COUNT * n + i] == (int64_t)zel_user_media_count(user) &&
                values[ZEL_RECORD_CONTACT_COUNT * n + i] == (int64_t)zel_user_contact_count(user) &&
                values[ZEL_RECORD_MONITORING_COUNT * n + i] == (int64_t)zel_user_monitoring_count(user),
            "record %lu counts", (unsigned long)(first + i));
      CHECK(memcmp(texts + at, own_texts, own_length) == 0, "record %lu texts", (unsigned long)(first + i));
      at += own_length;
      media += zel_user_media_count(user);
      contacts += zel_user_contact_count(user);
      if (i == n - 1) {
        /* The last record's last media state closes the media section's columns. */
        const size_t states = zel_user_media_numbers(user, own_media, 4 * 8) / 4;
        const int64_t* section = values + n * ZEL_RECORD_COLUMNS;
        CHECK(states > 0 && section[media - 1] == own_media[4 * (states - 1)] &&
                  section[3 * media + media - 1] == own_media[4 * states - 1],
              "record %lu media", (unsigned long)(first + i));
      }
    }
    if (n > 0) {
      /* The first contact's id follows the records' texts. */
      char id[32];
      zel_user_contact_id(zel_users_at(users, first), 0, id, sizeof id);
      CHECK(contacts > 0 && strcmp(texts + at, id) == 0, "range %lu: contact '%s'", (unsigned long)r, texts + at);
      values[0] = -7;
      texts[0] = 'x';
      CHECK(zel_records_numbers(users, first, n, values, size - 1) == size && values[0] == -7,
            "range %lu: short array", (unsigned long)r);
      CHECK(zel_records_texts(users, first, n, texts, length - 1) == length && texts[0] == '\0',
            "range %lu: short buffer", (unsigned long)r);
    }
  }
  CHECK(zel_records_count(users) == 8 && zel_records_count(NULL) == 0 && zel_records_numbers(NULL, 0, 1, NULL, 0) == 0,
        "counts");
}

static void Queries(zel_client* client) {
  char id[16];
  long medium = -1;
  size_t i;
  zel_request* users = zel_users_new(ZEL_USERS_ALL);
  zel_request* readiness = zel_medium_status_new();
  zel_request* integrated = zel_integrated_presence_new("user", "secret", "agent42");
  zel_request* desktop = zel_capability_new(1, 42, 1, "");
  zel_request* director = zel_capability_new(1, 42, 2, "nail-up=555");

  CHECK(zel_call(client, users) == ZEL_OK, "%s", Reason(users));
  CHECK(zel_users_count(users) == 8 && zel_users_at(users, 8) == NULL, "%lu users", (unsigned long)zel_users_count(users));
  for (i = 0; i < zel_users_count(users); ++i) {
    const zel_user* user = zel_users_at(users, i);
    char expected[16];
    snprintf(expected, sizeof expected, "agent%ld", zel_user_key(user));
    zel_user_id(user, id, sizeof id);
    CHECK(zel_user_key(user) >= 42 && zel_user_key(user) <= 49 && strcmp(id, expected) == 0, "%ld '%s'",
          zel_user_key(user), id);
  }
  RecordsInTwoCalls(users);
  CHECK(zel_call(client, readiness) == ZEL_OK, "%s", Reason(readiness));
  CHECK(zel_medium_count(readiness) == 0 || zel_medium_at(readiness, 0, &medium, NULL, NULL) == ZEL_OK, "readiness");

  for (i = 0; i < 3; ++i) CHECK(zel_integrated_presence_add(integrated, "sip:a", "a", "100") == ZEL_OK, "%lu", (unsigned long)i);
  CHECK(zel_integrated_presence_add(integrated, "sip:d", "d", "103") == ZEL_E_INVALID, "a fourth presentity");
  CHECK(zel_call(client, integrated) >= ZEL_OK, "%s", Reason(integrated));
  CHECK(zel_integrated_presence_field(integrated, 0, 2, id, sizeof id) == 3 && strcmp(id, "100") == 0, "'%s'", id);

  CHECK(zel_call(client, desktop) == ZEL_E_NOT_SENT, "%s", Reason(desktop));
  CHECK(strcmp(Reason(desktop), "") != 0 && zel_request_server(desktop, NULL, 0) == 0 &&
            zel_request_elapsed_us(desktop) == 0,
        "no reason, or a server for a call not sent");
  CHECK(zel_call(client, director) >= ZEL_OK, "%s", Reason(director));
  zel_request_free(users);
  zel_request_free(readiness);
  zel_request_free(integrated);
  zel_request_free(desktop);
  zel_request_free(director);
}

/* No answer: a failure kind and its reason, the server tried, and no error
   code left over from the request's earlier answer. */
static void TransportFailure(zel_client* client, const char* server) {
  zel_client* nobody = zel_client_new("tcp://127.0.0.1:1");
  zel_request* agent = zel_user_new(42, "agent42");
  char answered[128];
  int outcome;
  CHECK(zel_user_set_routing_state(client, agent, ZEL_ROUTING_LOGOFF, 0, 1) == ZEL_REFUSED, "%s", Reason(agent));
  zel_request_server(agent, answered, sizeof answered);
  CHECK(strcmp(answered, server) == 0 && zel_request_elapsed_us(agent) > 0, "'%s' %lld us", answered,
        (long long)zel_request_elapsed_us(agent));
  outcome = zel_user_query(nobody, agent);
  CHECK(outcome < 0 && outcome == zel_request_status(agent) && strlen(Reason(agent)) > 0, "%s: %s",
        zel_status_text(outcome), Reason(agent));
  CHECK(zel_request_error_code(agent) == 0, "code %d", zel_request_error_code(agent));
  CHECK(zel_request_server(agent, answered, sizeof answered) == strlen("tcp://127.0.0.1:1") &&
            strcmp(answered, "tcp://127.0.0.1:1") == 0,
        "'%s'", answered);
  zel_request_free(agent);
  zel_client_free(nobody);
}

static void Queue(zel_client* client) {
  enum { kAgents = 8 };
  zel_queue* queue = zel_queue_new();
  zel_request* agents[kAgents];
  zel_request* request = NULL;
  zel_request* dropped = zel_user_new(42, "agent42");
  zel_request* cancelled = zel_user_new(43, "agent43");
  int seen[kAgents] = {0};
  int answered = 0;
  long i;
  void* tag = NULL;
  for (i = 0; i < kAgents; ++i) {
    char id[16];
    snprintf(id, sizeof id, "agent%ld", 42 + i);
    agents[i] = zel_user_new(42 + i, id);
    CHECK(zel_start(client, agents[i], queue, &seen[i]) == ZEL_OK, "%s", Reason(agents[i]));
  }
  CHECK(zel_call(client, agents[0]) == ZEL_E_BUSY, "a request in flight takes no other call");
  /* Freed in flight: the queue lets go of it, and never hands it back. */
  CHECK(zel_start(client, dropped, queue, NULL) == ZEL_OK, "%s", Reason(dropped));
  zel_request_free(dropped);
  CHECK(zel_start(client, cancelled, queue, NULL) == ZEL_OK, "%s", Reason(cancelled));
  CHECK(zel_queue_cancel(queue, cancelled) == ZEL_OK, "cancel");
  while (zel_queue_in_flight(queue) > 0) {
    struct pollfd wanted;
    int outcome;
    wanted.fd = zel_queue_descriptor(queue);
    wanted.events = POLLIN;
    if (poll(&wanted, 1, 30000) <= 0) break;
    while ((outcome = zel_queue_next(queue, 0, &request, &tag)) != ZEL_EMPTY) {
      if (request == cancelled) {
        CHECK(outcome == ZEL_E_CANCELLED, "%s", zel_status_text(outcome));
        continue;
      }
      CHECK(outcome == ZEL_OK && tag != NULL, "%s", Reason(request));
      if (tag) ++*(int*)tag;
      ++answered;
    }
  }
  CHECK(answered == kAgents, "%d answered", answered);
  for (i = 0; i < kAgents; ++i) {
    CHECK(seen[i] == 1, "agent %ld handed back %d times", 42 + i, seen[i]);
    zel_request_free(agents[i]);
  }
  zel_request_free(cancelled);
  zel_queue_free(queue);
}

/* Routing events, waited for on the receiver's descriptor as a poll loop
   would; the simulator's churn makes them. */
static void Events(const char* server) {
  static const int types[] = {kRoutingStateEvent};
  zel_receiver* events = zel_receiver_new(server, types, 1, NULL, 0);
  const long long deadline = NowMs() + 20000;
  int seen = 0;
  CHECK(zel_receiver_descriptor(events) == -1, "a descriptor before start");
  CHECK(zel_receiver_start(events) == ZEL_OK, "start");
  CHECK(zel_receiver_start(events) == ZEL_E_FAILED, "started twice");
  CHECK(zel_receiver_wait_subscribed(events, 10000) == ZEL_OK, "not subscribed");
  while (seen < 3 && NowMs() < deadline) {
    struct pollfd wanted;
    wanted.fd = zel_receiver_descriptor(events);
    wanted.events = POLLIN;
    if (poll(&wanted, 1, 1000) < 0) break;
    while (zel_receiver_next(events, 0) == ZEL_OK) {
      size_t size = 0;
      const void* data = zel_notice_data(events, &size);
      long user = 0;
      char text[512];
      if (zel_notice_kind_of(events) != ZEL_NOTICE_EVENT) continue;
      ++seen;
      CHECK(zel_notice_event_type(events) == kRoutingStateEvent, "type %d", zel_notice_event_type(events));
      CHECK(zel_event_user(kRoutingStateEvent, data, size, &user) == ZEL_OK && user == zel_notice_user(events),
            "user %ld of %lld", user, (long long)zel_notice_user(events));
      CHECK(zel_event_text(kRoutingStateEvent, data, size, 0, text, sizeof text) > 0, "no text");
    }
  }
  CHECK(seen >= 3, "%d routing events", seen);
  zel_receiver_stop(events);
  CHECK(zel_receiver_next(events, 1000) == ZEL_EMPTY, "stopped");
  zel_receiver_free(events);
}

/* Another thread looks agents up while the owner drives the mirror. */
static void* LookUp(void* mirror) {
  zel_request* agent = zel_user_new(0, "");
  long found = 0;
  int i;
  for (i = 0; i < 200; ++i) found += zel_mirror_get((const zel_mirror*)mirror, 42 + i % 8, agent) == ZEL_OK;
  zel_request_free(agent);
  return (void*)(intptr_t)found;
}

static void Mirror(const char* server) {
  zel_mirror* mirror = zel_mirror_new(server, NULL, NULL, 0);
  zel_request* agent = zel_user_new(0, "");
  long keys[4];
  char id[16];
  CHECK(zel_mirror_start(mirror) == ZEL_OK, "start");
  CHECK(zel_mirror_wait_current(mirror, 20000) == ZEL_OK, "not current");
  CHECK(zel_mirror_size(mirror) == 8 && zel_mirror_keys(mirror, keys, 4) == 8, "%lu users",
        (unsigned long)zel_mirror_size(mirror));
  CHECK(zel_mirror_get(mirror, 44, agent) == ZEL_OK, "agent 44");
  zel_user_id(zel_request_user(agent), id, sizeof id);
  CHECK(strcmp(id, "agent44") == 0, "'%s'", id);
  CHECK(zel_mirror_get(mirror, 4242, agent) == ZEL_EMPTY, "no such agent");
  CHECK(zel_mirror_next(mirror, 10000) == ZEL_OK && zel_change_kind_of(mirror) == ZEL_CHANGE_SYNCED, "first change %d",
        zel_change_kind_of(mirror));
  {
    pthread_t reader;
    void* found = NULL;
    int changes = 0;
    pthread_create(&reader, NULL, LookUp, mirror);
    while (changes < 5 && zel_mirror_next(mirror, 5000) == ZEL_OK) ++changes;
    pthread_join(reader, &found);
    CHECK(changes == 5 && (intptr_t)found == 200, "%d changes, %ld found", changes, (long)(intptr_t)found);
  }
  {
    /* Waited for in a loop of the caller's own: drained, then its descriptor. */
    struct pollfd ready;
    int changed = 0;
    const long long deadline = NowMs() + 10000;
    while (zel_mirror_next(mirror, 0) == ZEL_OK) {
    }
    ready.fd = zel_mirror_descriptor(mirror);
    ready.events = POLLIN;
    CHECK(ready.fd >= 0, "no descriptor");
    while (!changed && ready.fd >= 0 && NowMs() < deadline)
      if (poll(&ready, 1, 1000) > 0) changed = zel_mirror_next(mirror, 0) == ZEL_OK;
    CHECK(changed, "no change seen through the descriptor");
  }
  zel_request_free(agent);
  zel_mirror_free(mirror);
}

static void Keys(void) {
  char public_key[ZEL_KEY_BUFFER];
  char secret_key[ZEL_KEY_BUFFER];
  char error[256];
  CHECK(zel_curve_is_key("short") == 0 && zel_curve_is_key(NULL) == 0, "no keys");
  if (zel_curve_available()) {
    CHECK(zel_curve_generate(public_key, secret_key) == ZEL_OK && zel_curve_is_key(public_key), "generated");
    CHECK(zel_set_server_key("tcp://127.0.0.1:1", public_key) == ZEL_OK, "server key");
  }
  CHECK(zel_read_key_pair("/nonexistent/client.key", public_key, secret_key, error, sizeof error) == ZEL_E_FAILED &&
            strstr(error, "/nonexistent/client.key") != NULL,
        "'%s'", error);
  zel_forget_keys();
}

int main(int argc, char** argv) {
  const char* server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  zel_client* client = zel_client_new(server);
  Statuses();
  HostileArguments(client);
  ServerStatus(client);
  UserActions(client);
  Queries(client);
  TransportFailure(client, server);
  Queue(client);
  Events(server);
  Mirror(server);
  Keys();
  zel_client_free(client);
  if (g_failed == 0) printf("capi: all checks passed\n");
  return g_failed == 0 ? 0 : 1;
}
