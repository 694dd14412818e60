#ifndef ZELCLNT_ZELCLNT_C_H
#define ZELCLNT_ZELCLNT_C_H
/* The plain C interface of zelclnt, for any compiler and any language that
   can call C (MSVC, .NET P/Invoke, Java, Python's cffi): opaque handles,
   made and freed by their own functions, integers, and strings copied into
   the caller's buffers. Nothing crosses it but C types; no exception leaves
   it.

   Outcomes: every call that can fail returns a status, ZEL_OK (0) or one of
   zel_status; a request keeps the outcome of its last call (status, the
   server's error code, a one-line reason, the server, the time it took).

   Strings: a function that hands out text takes (buffer, size), writes at
   most size - 1 characters and a terminating NUL (when size > 0), and
   returns the text's whole length: a result >= size means the text was cut
   and tells the size needed, less one. A null buffer with size 0 asks for
   the length alone.

   Threads: a client may be shared (its blocking calls then take turns); a
   request, queue, receiver or mirror serves one thread at a time, except
   zel_receiver_stop, zel_mirror_stop and the mirror's look-ups (zel_mirror_get,
   zel_mirror_keys, zel_mirror_size, zel_mirror_is_current), which any thread
   may call. Server names are the C++ interface's: "tcp://host:port", a
   list "tcp://a:7300,tcp://b:7300" of servers standing in for each other,
   "ipc://path", or a bare name for an in-process server. */

#include <stddef.h>
#include <stdint.h>

#include "zelclnt/ZelExport.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_MSC_VER) && !defined(__cplusplus)
#define ZEL_INLINE static __inline
#else
#define ZEL_INLINE static inline
#endif

/* Raised only when a release breaks what callers compiled against. */
#define ZEL_ABI_VERSION 1
/* Room for a CURVE key (40 characters of Z85) and its NUL. */
#define ZEL_KEY_BUFFER 41

typedef struct zel_client zel_client;
typedef struct zel_request zel_request;
typedef struct zel_queue zel_queue;
typedef struct zel_receiver zel_receiver;
typedef struct zel_mirror zel_mirror;
/* A user's record, borrowed from the request or mirror that holds it: valid
   until that handle's next call or its end. */
typedef struct zel_user zel_user;

typedef enum zel_status {
  ZEL_OK = 0,
  ZEL_REFUSED = 1, /* the server answered and did not carry it out: see zel_request_error_code */
  ZEL_EMPTY = 2,   /* nothing came within the time-out, or nothing is held under that key */
  /* The call failed in transport; each is the C++ interface's failure kind, negated. */
  ZEL_E_NO_SUCH_SERVER = -1,
  ZEL_E_CONNECTION_REFUSED = -2,
  ZEL_E_TIMED_OUT = -3,
  ZEL_E_TOO_LARGE = -4,
  ZEL_E_INTERRUPTED = -5,
  ZEL_E_HANDLER_FAILED = -6,
  ZEL_E_AUTHENTICATION_FAILED = -7,
  ZEL_E_NO_USABLE_KEYS = -8,
  ZEL_E_CLOSED_IN_HANDSHAKE = -9,
  ZEL_E_NOT_PRESENCE_SERVER = -10,
  ZEL_E_OUTCOME_UNKNOWN = -11,
  ZEL_E_BUSY = -12,
  ZEL_E_CANCELLED = -13,
  ZEL_E_TWO_SERVING = -14,
  ZEL_E_NOT_SENT = -15,
  /* The interface's own. */
  ZEL_E_INVALID = -100,   /* a null handle or argument, or a request of another kind */
  ZEL_E_STATE = -101,     /* not now: not started, started already, or stopped */
  ZEL_E_NO_MEMORY = -102,
  ZEL_E_INTERNAL = -103,
  ZEL_E_FAILED = -104     /* it could not start; the handle's error text says why */
} zel_status;

/* ---- Versions ---- */

/* The library's version, "major.minor.patch". */
ZELCLNT_API const char* zel_version(void);
ZELCLNT_API int zel_abi_version(void);
/* Nonzero when the library loaded is the one these headers describe. */
ZEL_INLINE int zel_abi_matches(void) { return zel_abi_version() == ZEL_ABI_VERSION; }
/* "ok", "refused", "timed out", ...; "unknown status" for any other value. */
ZELCLNT_API const char* zel_status_text(int status);

/* ---- Process-wide settings and CURVE keys ---- */

/* When positive, every call waits this long instead of its own time-out. */
ZELCLNT_API void zel_set_timeout_override(long timeout_ms);
ZELCLNT_API int zel_curve_available(void);
/* Writes a fresh key pair; ZEL_E_STATE without CURVE. */
ZELCLNT_API int zel_curve_generate(char public_key[ZEL_KEY_BUFFER], char secret_key[ZEL_KEY_BUFFER]);
ZELCLNT_API int zel_curve_is_key(const char* z85);
/* Each of these reads files; ZEL_E_FAILED with the reason in error. */
ZELCLNT_API int zel_load_keys(const char* directory, char* error, size_t error_size);
ZELCLNT_API int zel_read_key_pair(const char* path, char public_key[ZEL_KEY_BUFFER], char secret_key[ZEL_KEY_BUFFER],
                                  char* error, size_t error_size);
ZELCLNT_API int zel_read_public_key(const char* path, char public_key[ZEL_KEY_BUFFER], char* error,
                                    size_t error_size);
/* Empty strings forget what was set; a call needing it then fails. */
ZELCLNT_API int zel_set_client_keys(const char* public_key, const char* secret_key);
ZELCLNT_API int zel_set_server_key(const char* endpoint, const char* server_public_key);
ZELCLNT_API void zel_forget_keys(void);

/* ---- Clients and requests ---- */

/* Null when server is null or memory ran out. */
ZELCLNT_API zel_client* zel_client_new(const char* server);
ZELCLNT_API void zel_client_free(zel_client* client);

typedef enum zel_request_kind {
  ZEL_REQUEST_SERVER_STATUS = 1,
  ZEL_REQUEST_USER = 2,
  ZEL_REQUEST_USERS = 3,
  ZEL_REQUEST_MEDIUM_STATUS = 4,
  ZEL_REQUEST_INTEGRATED_PRESENCE = 5,
  ZEL_REQUEST_ADD_CAPABILITY = 6,
  ZEL_REQUEST_REMOVE_CAPABILITY = 7
} zel_request_kind;

/* Users-presence query types. */
typedef enum zel_users_query {
  ZEL_USERS_LOGGED_ON = 0,
  ZEL_USERS_LOGGED_ON_VOICE = 1,
  ZEL_USERS_LOGGED_ON_CALLBACK = 2,
  ZEL_USERS_LOGGED_ON_EMAIL = 3,
  ZEL_USERS_LOGGED_ON_WEBCHAT = 4,
  ZEL_USERS_LOGGED_ON_OPENMEDIA = 5,
  ZEL_USERS_ALL = 6
} zel_users_query;

/* Each returns null when an argument is invalid or memory ran out. */
ZELCLNT_API zel_request* zel_server_status_new(void);
ZELCLNT_API zel_request* zel_user_new(long user_key, const char* user_id);
ZELCLNT_API zel_request* zel_users_new(int query_type);
ZELCLNT_API zel_request* zel_medium_status_new(void);
ZELCLNT_API zel_request* zel_integrated_presence_new(const char* user_id, const char* password,
                                                     const char* agent_id);
/* Up to three presentities; ZEL_E_INVALID beyond. */
ZELCLNT_API int zel_integrated_presence_add(zel_request* request, const char* presence_id, const char* user_name,
                                            const char* extension);
/* add: nonzero grants, zero takes away. Only the campaign-director type
   (2) is ever sent; any other fails as ZEL_E_NOT_SENT. */
ZELCLNT_API zel_request* zel_capability_new(int add, long user_key, int capability_type, const char* parameters);
/* Frees at once; a request still in flight on a queue is cancelled first,
   and its queue lets go of it. */
ZELCLNT_API void zel_request_free(zel_request* request);
ZELCLNT_API int zel_request_kind_of(const zel_request* request);

/* The outcome of the request's last call. */
ZELCLNT_API int zel_request_status(const zel_request* request);
/* The server's error code (35000...) of the last call's answer; 0 for
   none, and after a call that got no answer. */
ZELCLNT_API int zel_request_error_code(const zel_request* request);
/* The failure kind or refusal in one line; empty after ZEL_OK. */
ZELCLNT_API size_t zel_request_reason(const zel_request* request, char* buffer, size_t size);
/* The server that answered or refused the last call, or the last one it
   went to (of a list: the last server tried); empty when it went to none. */
ZELCLNT_API size_t zel_request_server(const zel_request* request, char* buffer, size_t size);
/* The last call's time from its start to its end, in microseconds; 0 for
   one that was not sent. */
ZELCLNT_API int64_t zel_request_elapsed_us(const zel_request* request);
/* Where the server's event stream stood when it answered (0, 0: unknown):
   hand it to zel_receiver_resume_after. */
ZELCLNT_API void zel_request_position(const zel_request* request, uint64_t* incarnation, uint64_t* position);

/* Sends the request and waits for its reply: a user request is queried,
   any other asks what its kind asks. */
ZELCLNT_API int zel_call(zel_client* client, zel_request* request);

/* The actions on a user; the request must be of kind ZEL_REQUEST_USER. */
typedef enum zel_routing_state {
  ZEL_ROUTING_AVAILABLE = 0,
  ZEL_ROUTING_UNAVAILABLE = 1,
  ZEL_ROUTING_WORK = 2,
  ZEL_ROUTING_LOGOFF = 3,
  ZEL_ROUTING_UNKNOWN = 4
} zel_routing_state;

ZELCLNT_API int zel_user_query(zel_client* client, zel_request* user);
/* synchronous nonzero sends request mode sync, which then stays. */
ZELCLNT_API int zel_user_set_routing_state(zel_client* client, zel_request* user, int state, long reason,
                                           int synchronous);
/* The ACD state, as the server's own integrations set it. */
ZELCLNT_API int zel_user_set_acd_state(zel_client* client, zel_request* user, int state, long reason);
ZELCLNT_API int zel_user_set_primary_contact(zel_client* client, zel_request* user, const char* contact_id,
                                             long requeue_count);
ZELCLNT_API int zel_user_set_recovery_mode(zel_client* client, zel_request* user, int on);
ZELCLNT_API int zel_user_set_contact_assist(zel_client* client, zel_request* user, int on);
ZELCLNT_API int zel_user_submit_wrapup(zel_client* client, zel_request* user, const char* contact_id,
                                       long requeue_count, const long* reasons, size_t reason_count, long queue_key,
                                       long sequence_number);
ZELCLNT_API int zel_user_request_post_processing(zel_client* client, zel_request* user, const char* contact_id,
                                                 long requeue_count, long reason);
ZELCLNT_API int zel_user_exit_post_processing(zel_client* client, zel_request* user, const char* contact_id,
                                              long requeue_count);
ZELCLNT_API int zel_user_cancel_mandatory_post_processing(zel_client* client, zel_request* user,
                                                          const char* contact_id, long requeue_count);

/* ---- What the replies hold ---- */

/* Server status. */
ZELCLNT_API size_t zel_status_server_name(const zel_request* status, char* buffer, size_t size);
ZELCLNT_API size_t zel_status_description(const zel_request* status, char* buffer, size_t size);
ZELCLNT_API size_t zel_status_started_at(const zel_request* status, char* buffer, size_t size);
ZELCLNT_API int zel_status_is_up(const zel_request* status);
ZELCLNT_API int zel_status_is_shutting_down(const zel_request* status);
ZELCLNT_API int zel_status_integration_enabled(const zel_request* status);
ZELCLNT_API unsigned long zel_status_heartbeat_interval(const zel_request* status);

/* A user request's record, and a users query's records in the server's
   order; null for another kind or an index past the end. */
ZELCLNT_API const zel_user* zel_request_user(const zel_request* user);
ZELCLNT_API size_t zel_users_count(const zel_request* users);
ZELCLNT_API const zel_user* zel_users_at(const zel_request* users, size_t index);

/* A record's fields; times are milliseconds since 1970 (UTC), 0 for none. */
ZELCLNT_API long zel_user_key(const zel_user* user);
ZELCLNT_API size_t zel_user_id(const zel_user* user, char* buffer, size_t size);
ZELCLNT_API size_t zel_user_extension(const zel_user* user, char* buffer, size_t size);
ZELCLNT_API size_t zel_user_group_id(const zel_user* user, char* buffer, size_t size);
ZELCLNT_API long zel_user_site_key(const zel_user* user);
ZELCLNT_API long zel_user_team_key(const zel_user* user);
ZELCLNT_API int zel_user_routing_state(const zel_user* user);
ZELCLNT_API long zel_user_routing_reason(const zel_user* user);
ZELCLNT_API int64_t zel_user_routing_since(const zel_user* user);
/* exclude_direct_contact picks the variant that leaves direct contacts out. */
ZELCLNT_API int zel_user_presence_state(const zel_user* user, int exclude_direct_contact);
ZELCLNT_API int zel_user_desktop_capability(const zel_user* user);
ZELCLNT_API int zel_user_is_phone_only(const zel_user* user);
ZELCLNT_API int zel_user_is_recovery_mode(const zel_user* user);
ZELCLNT_API int zel_user_is_contact_assist(const zel_user* user);
/* Media states: one per medium. */
ZELCLNT_API size_t zel_user_media_count(const zel_user* user);
ZELCLNT_API int zel_user_media_at(const zel_user* user, size_t index, long* medium, int* state, int* cause);
/* Contacts the user handles. */
ZELCLNT_API size_t zel_user_contact_count(const zel_user* user);
ZELCLNT_API size_t zel_user_contact_id(const zel_user* user, size_t index, char* buffer, size_t size);
ZELCLNT_API int zel_user_contact_at(const zel_user* user, size_t index, long* requeue_count, long* medium,
                                    int* contact_state);

/* The record's numbers in one call, for bindings that read every field:
   writes up to capacity values in the order of zel_user_number and returns
   how many the record has (ZEL_USER_NUMBERS in this version). Times are
   milliseconds since 1970 (UTC), 0 for none; flags are 0 or 1. */
typedef enum zel_user_number {
  ZEL_USER_KEY = 0,
  ZEL_USER_SITE_KEY = 1,
  ZEL_USER_BUSINESS_UNIT_KEY = 2,
  ZEL_USER_TEAM_KEY = 3,
  ZEL_USER_ROUTING_STATE = 4,
  ZEL_USER_ROUTING_REASON = 5,
  ZEL_USER_ROUTING_SOURCE = 6,
  ZEL_USER_ROUTING_SINCE = 7,
  ZEL_USER_PRESENCE_STATE = 8,
  ZEL_USER_PRESENCE_SINCE = 9,
  ZEL_USER_PRESENCE_EX_DIRECT_STATE = 10,
  ZEL_USER_PRESENCE_EX_DIRECT_SINCE = 11,
  ZEL_USER_DESKTOP_CAPABILITY = 12,
  ZEL_USER_DESKTOP_CAUSE = 13,
  ZEL_USER_DESKTOP_SINCE = 14,
  ZEL_USER_PHONE_ONLY = 15,
  ZEL_USER_RECOVERY_MODE = 16,
  ZEL_USER_RECOVERY_MODE_SINCE = 17,
  ZEL_USER_CONTACT_ASSIST = 18,
  ZEL_USER_CONTACT_ASSIST_SINCE = 19,
  ZEL_USER_PRIMARY_REQUEUE_COUNT = 20,
  ZEL_USER_OLD_PRIMARY_REQUEUE_COUNT = 21,
  ZEL_USER_PRIMARY_CHANGED_AT = 22,
  ZEL_USER_ANSWERED_AT = 23, /* the server's time when it answered */
  ZEL_USER_NUMBERS = 24
} zel_user_number;
ZELCLNT_API size_t zel_user_numbers(const zel_user* user, int64_t* values, size_t capacity);

/* The record's texts beside zel_user_id and zel_user_extension. */
typedef enum zel_user_text_field {
  ZEL_USER_ASSOCIATED_LINE = 0,
  ZEL_USER_PRIMARY_CONTACT_ID = 1,
  ZEL_USER_OLD_PRIMARY_CONTACT_ID = 2
} zel_user_text_field;
ZELCLNT_API size_t zel_user_text(const zel_user* user, int field, char* buffer, size_t size);
ZELCLNT_API int64_t zel_user_media_since(const zel_user* user, size_t index);
/* The record's texts in one call: id, extension, associated line, group id,
   primary contact id and old primary contact id, each ended by a NUL.
   Returns the length of the whole, NULs included, and writes it only when
   it fits (else an empty string, when size > 0). */
ZELCLNT_API size_t zel_user_texts(const zel_user* user, char* buffer, size_t size);
/* The media states in one call: medium, state, cause and start time of
   each in turn, whole states only, up to capacity values; returns how many
   values there are (four a medium). */
ZELCLNT_API size_t zel_user_media_numbers(const zel_user* user, int64_t* values, size_t capacity);

/* A contact's numbers, as zel_user_numbers hands out a record's. */
typedef enum zel_contact_number {
  ZEL_CONTACT_REQUEUE_COUNT = 0,
  ZEL_CONTACT_REFERENCE_REQUEUE_COUNT = 1,
  ZEL_CONTACT_REFERENCE_TYPE = 2,
  ZEL_CONTACT_TYPE = 3,
  ZEL_CONTACT_MEDIUM = 4,
  ZEL_CONTACT_HANDLING_CAUSE = 5,
  ZEL_CONTACT_QUEUE_KEY = 6,
  ZEL_CONTACT_PRIORITY = 7,
  ZEL_CONTACT_STATE = 8,
  ZEL_CONTACT_SINCE = 9,
  ZEL_CONTACT_CONNECTED_AT = 10,
  ZEL_CONTACT_CREATED_AT = 11,
  ZEL_CONTACT_PRIMARY_SINCE = 12,
  ZEL_CONTACT_AUTOMATIC_STATUS = 13,
  ZEL_CONTACT_AUTOMATIC_EXPIRES_AT = 14,
  ZEL_CONTACT_MANDATORY_STATUS = 15,
  ZEL_CONTACT_WRAPUP_RECEIVED = 16,
  ZEL_CONTACT_MANUAL_STATUS = 17,
  ZEL_CONTACT_MANUAL_REASON = 18,
  ZEL_CONTACT_NUMBERS = 19
} zel_contact_number;
/* 0 for an index past the end. */
ZELCLNT_API size_t zel_user_contact_numbers(const zel_user* user, size_t index, int64_t* values, size_t capacity);
ZELCLNT_API size_t zel_user_contact_reference_id(const zel_user* user, size_t index, char* buffer, size_t size);
/* The contact's post-processing reasons, up to capacity; returns how many
   there are. */
ZELCLNT_API size_t zel_user_contact_reasons(const zel_user* user, size_t index, long* reasons, size_t capacity);

/* A request's records in two calls, for bindings that build many (a users
   query of many thousands): records first to first + count - 1 (or those
   of them there are) of a users query, in the server's order, or a user
   request's one record (first 0); zel_records_count tells how many the
   request holds. Each call returns how many values (or bytes, NULs
   included) the whole has and writes only when the whole fits (texts: else
   an empty string, when size > 0); a null buffer with 0 asks for the size
   alone. 0 values means no records, or memory ran out.

   Numbers, each section column by column (a section's first column for
   every item, then its second ...):
     records:   ZEL_RECORD_COLUMNS a record, the zel_user_number order, then
                how many media states, contacts and monitored contacts it has;
     media:     ZEL_MEDIA_COLUMNS a state, as zel_user_media_numbers;
     contacts:  ZEL_CONTACT_COLUMNS a contact, the zel_contact_number order,
                then how many reasons it has;
     monitored: ZEL_MONITORING_COLUMNS a monitored contact, its requeue
                count and type;
     reasons:   every contact's reasons, one after another.
   Media states, contacts and monitored contacts come record by record, as
   the counts in the records' section tell.
   Texts, each up to its first NUL and ended by one: each record's six as
   zel_user_texts hands them out, then each contact's id and reference id,
   then each monitored contact's id and extension. */
typedef enum zel_records_layout {
  ZEL_RECORD_MEDIA_COUNT = 24,
  ZEL_RECORD_CONTACT_COUNT = 25,
  ZEL_RECORD_MONITORING_COUNT = 26,
  ZEL_RECORD_COLUMNS = 27,
  ZEL_MEDIA_COLUMNS = 4,
  ZEL_CONTACT_REASON_COUNT = 19,
  ZEL_CONTACT_COLUMNS = 20,
  ZEL_MONITORING_COLUMNS = 2
} zel_records_layout;
ZELCLNT_API size_t zel_records_count(const zel_request* request);
ZELCLNT_API size_t zel_records_numbers(const zel_request* request, size_t first, size_t count, int64_t* values,
                                       size_t capacity);
ZELCLNT_API size_t zel_records_texts(const zel_request* request, size_t first, size_t count, char* buffer,
                                     size_t size);

/* Silent monitoring of the user's contacts; field 0 is the contact id, 1
   the extension. */
ZELCLNT_API size_t zel_user_monitoring_count(const zel_user* user);
ZELCLNT_API int zel_user_monitoring_at(const zel_user* user, size_t index, long* requeue_count, int* type);
ZELCLNT_API size_t zel_user_monitoring_field(const zel_user* user, size_t index, int field, char* buffer,
                                             size_t size);

/* Medium status: one readiness record per medium. */
ZELCLNT_API size_t zel_medium_count(const zel_request* medium_status);
ZELCLNT_API int zel_medium_at(const zel_request* medium_status, size_t index, long* medium, int* state, int* cause);

/* Integrated presence: the server's copy of the presentities; field 0 is
   the presence id, 1 the user name, 2 the extension. */
ZELCLNT_API size_t zel_integrated_presence_count(const zel_request* query);
ZELCLNT_API size_t zel_integrated_presence_field(const zel_request* query, size_t index, int field, char* buffer,
                                                 size_t size);

/* ---- Calls started without waiting ---- */

ZELCLNT_API zel_queue* zel_queue_new(void);
/* Drops the calls still in flight unreported; their requests are free. */
ZELCLNT_API void zel_queue_free(zel_queue* queue);
/* Readable whenever zel_queue_next(queue, 0, ...) may have something; -1
   where the system has none (Windows). */
ZELCLNT_API int zel_queue_descriptor(zel_queue* queue);
ZELCLNT_API size_t zel_queue_in_flight(const zel_queue* queue);
/* Sends the request as zel_call would and returns at once. The request
   must not be touched until zel_queue_next hands it back. */
ZELCLNT_API int zel_start(zel_client* client, zel_request* request, zel_queue* queue, void* tag);
/* The next request whose call ended, with its tag; returns its outcome
   (as zel_request_status), or ZEL_EMPTY when none ended within timeout_ms
   (0: do not wait; below 0: wait while calls are in flight). */
ZELCLNT_API int zel_queue_next(zel_queue* queue, long timeout_ms, zel_request** request, void** tag);
/* Ends the call at once; zel_queue_next hands it back ZEL_E_CANCELLED. */
ZELCLNT_API int zel_queue_cancel(zel_queue* queue, const zel_request* request);

/* ---- Events ---- */

typedef enum zel_notice_kind {
  ZEL_NOTICE_EVENT = 0,
  ZEL_NOTICE_TOO_LARGE = 1,
  ZEL_NOTICE_RESTARTED = 2, /* query again */
  ZEL_NOTICE_RESYNC = 3,    /* events were lost for good: query again */
  ZEL_NOTICE_DISCONNECTED = 4,
  ZEL_NOTICE_RECONNECTED = 5,
  ZEL_NOTICE_AUTHENTICATION_FAILED = 6,
  ZEL_NOTICE_SWITCHED = 7, /* another server of the list serves: query again */
  ZEL_NOTICE_TWO_SERVING = 8
} zel_notice_kind;

/* The user of events about no one user. */
#define ZEL_NO_USER INT64_MIN

/* types: the event types wanted (none: every type); users: the users (none:
   every user's events and those about no user; naming users needs types). */
ZELCLNT_API zel_receiver* zel_receiver_new(const char* server, const int* types, size_t type_count,
                                           const int64_t* users, size_t user_count);
ZELCLNT_API void zel_receiver_free(zel_receiver* receiver);
/* Subscribes; the server need not be up. ZEL_E_FAILED with the reason in
   zel_receiver_error. */
ZELCLNT_API int zel_receiver_start(zel_receiver* receiver);
ZELCLNT_API size_t zel_receiver_error(const zel_receiver* receiver, char* buffer, size_t size);
/* ZEL_OK once the subscription took, ZEL_EMPTY on time-out. */
ZELCLNT_API int zel_receiver_wait_subscribed(zel_receiver* receiver, long timeout_ms);
ZELCLNT_API int zel_receiver_resume_after(zel_receiver* receiver, uint64_t incarnation, uint64_t position);
/* Takes the next event or notice, read with zel_notice_*: ZEL_OK, or
   ZEL_EMPTY when none came within timeout_ms (below 0: no limit) or once
   stopped. */
ZELCLNT_API int zel_receiver_next(zel_receiver* receiver, long timeout_ms);
/* Readable whenever zel_receiver_next(receiver, 0) may have something, and
   when one of the receiver's own timers falls due, so that they run in a
   loop that waits on it alone, and for good once stopped; quiet otherwise.
   -1 before start and where the system has none (Windows). */
ZELCLNT_API int zel_receiver_descriptor(zel_receiver* receiver);
/* Makes zel_receiver_next return at once from now on; any thread. */
ZELCLNT_API void zel_receiver_stop(zel_receiver* receiver);
ZELCLNT_API size_t zel_receiver_endpoint(const zel_receiver* receiver, char* buffer, size_t size);

/* The notice zel_receiver_next took last. */
ZELCLNT_API int zel_notice_kind_of(const zel_receiver* receiver);
ZELCLNT_API int zel_notice_event_type(const zel_receiver* receiver);
ZELCLNT_API int64_t zel_notice_user(const zel_receiver* receiver);
ZELCLNT_API void zel_notice_position(const zel_receiver* receiver, uint64_t* incarnation, uint64_t* position);
ZELCLNT_API int zel_notice_replayed(const zel_receiver* receiver);
/* The event's bytes, owned by the receiver until its next call. */
ZELCLNT_API const void* zel_notice_data(const zel_receiver* receiver, size_t* size);

/* An event's bytes read as its type's record: its text in one line (full:
   the whole snapshot where there is one), and its user. Bytes that do not
   read give what could be read. */
ZELCLNT_API size_t zel_event_text(int type, const void* data, size_t data_size, int full, char* buffer,
                                  size_t size);
/* ZEL_OK with the user, or ZEL_EMPTY for an event about no one user. */
ZELCLNT_API int zel_event_user(int type, const void* data, size_t data_size, long* user_key);

/* ---- The presence mirror ---- */

typedef enum zel_change_kind {
  ZEL_CHANGE_USER = 0,
  ZEL_CHANGE_USER_ADDED = 1,
  ZEL_CHANGE_USER_REMOVED = 2,
  ZEL_CHANGE_READINESS = 3,
  ZEL_CHANGE_SYNCED = 4,
  ZEL_CHANGE_LINK_DOWN = 5,
  ZEL_CHANGE_LINK_UP = 6,
  ZEL_CHANGE_REFUSED = 7,
  ZEL_CHANGE_TWO_SERVING = 8
} zel_change_kind;

/* Bits of zel_change_parts. */
#define ZEL_PART_IDENTITY 0x01u
#define ZEL_PART_MEDIA_STATES 0x02u
#define ZEL_PART_ROUTING_STATE 0x04u
#define ZEL_PART_HANDLING_STATES 0x08u
#define ZEL_PART_PRESENCE_STATES 0x10u
#define ZEL_PART_CAPABILITY 0x20u
#define ZEL_PART_USER_FLAGS 0x40u
#define ZEL_PART_SILENT_MONITORING 0x80u

/* Every user of the server, or (user_count > 0) only these, each named by
   key and id as a user query names one. */
ZELCLNT_API zel_mirror* zel_mirror_new(const char* server, const long* user_keys, const char* const* user_ids,
                                       size_t user_count);
ZELCLNT_API void zel_mirror_free(zel_mirror* mirror);
ZELCLNT_API int zel_mirror_start(zel_mirror* mirror);
ZELCLNT_API size_t zel_mirror_error(const zel_mirror* mirror, char* buffer, size_t size);
/* Drives the mirror until it is current: ZEL_OK, or ZEL_EMPTY when the
   time-out passed first. The changes it met wait for zel_mirror_next. */
ZELCLNT_API int zel_mirror_wait_current(zel_mirror* mirror, long timeout_ms);
/* Drives the mirror until the next change, read with zel_change_*: ZEL_OK,
   or ZEL_EMPTY when none came within timeout_ms or once stopped. */
ZELCLNT_API int zel_mirror_next(zel_mirror* mirror, long timeout_ms);
ZELCLNT_API void zel_mirror_stop(zel_mirror* mirror);
/* For the caller's own event loop: take changes with zel_mirror_next(mirror,
   0) until ZEL_EMPTY, then wait for this to be readable. It is readable when
   events or the mirror's query answers arrive, and when one of the mirror's
   own timers falls due, so that a loop waiting on it alone keeps them
   going, and for good once stopped; quiet otherwise. -1 before start and
   where the system has none (Windows). */
ZELCLNT_API int zel_mirror_descriptor(zel_mirror* mirror);
/* Any thread: copies the user's record into a user request (ZEL_EMPTY when
   the mirror holds no such user), and the keys held, up to capacity
   (returns how many there are). */
ZELCLNT_API int zel_mirror_get(const zel_mirror* mirror, long user_key, zel_request* user);
ZELCLNT_API size_t zel_mirror_keys(const zel_mirror* mirror, long* keys, size_t capacity);
ZELCLNT_API size_t zel_mirror_size(const zel_mirror* mirror);
ZELCLNT_API int zel_mirror_is_current(const zel_mirror* mirror);
ZELCLNT_API size_t zel_mirror_why_not_current(const zel_mirror* mirror, char* buffer, size_t size);

/* The change zel_mirror_next took last. */
ZELCLNT_API int zel_change_kind_of(const zel_mirror* mirror);
ZELCLNT_API long zel_change_user(const zel_mirror* mirror);
ZELCLNT_API uint32_t zel_change_parts(const zel_mirror* mirror);
ZELCLNT_API int zel_change_event_type(const zel_mirror* mirror);
ZELCLNT_API void zel_change_position(const zel_mirror* mirror, uint64_t* incarnation, uint64_t* position);
ZELCLNT_API int zel_change_replayed(const zel_mirror* mirror);
ZELCLNT_API long zel_change_medium(const zel_mirror* mirror);
ZELCLNT_API int zel_change_sync_cause(const zel_mirror* mirror);

#ifdef __cplusplus
}
#endif

#endif
