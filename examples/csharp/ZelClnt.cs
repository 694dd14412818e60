// P/Invoke declarations of zelclnt's C interface (include/zelclnt/zelclnt_c.h)
// for .NET 6 or later, as an example to start from. NOT TESTED: no build of
// this repository compiles or runs it; check each declaration against the
// header before relying on it.
//
// The header's rules hold here as in C: handles are IntPtr, made and freed
// by their own functions; a function that hands out text fills a byte
// buffer with UTF-8 and a NUL, and returns the whole length (call again
// with a larger buffer when the result is not less than its size). C's long
// is 32 bits on Windows and 64 on Linux, hence CLong; size_t is nuint.
//
//   IntPtr client = ZelClnt.zel_client_new("tcp://127.0.0.1:7300");
//   IntPtr status = ZelClnt.zel_server_status_new();
//   if (ZelClnt.zel_call(client, status) == (int)ZelClnt.Status.ZEL_OK) {
//     var name = new byte[256];
//     nuint length = ZelClnt.zel_status_server_name(status, name, (nuint)name.Length);
//     Console.WriteLine(Encoding.UTF8.GetString(name, 0, (int)Math.Min(length, (nuint)name.Length - 1)));
//   }
//   ZelClnt.zel_request_free(status);
//   ZelClnt.zel_client_free(client);

using System;
using System.Runtime.InteropServices;

public static class ZelClnt {
  // zelclnt.dll on Windows, libzelclnt.so on Linux.
  public const string Library = "zelclnt";

  public const int ZEL_ABI_VERSION = 1;
  public const int ZEL_KEY_BUFFER = 41;
  public const uint ZEL_PART_IDENTITY = 0x01;
  public const uint ZEL_PART_MEDIA_STATES = 0x02;
  public const uint ZEL_PART_ROUTING_STATE = 0x04;
  public const uint ZEL_PART_HANDLING_STATES = 0x08;
  public const uint ZEL_PART_PRESENCE_STATES = 0x10;
  public const uint ZEL_PART_CAPABILITY = 0x20;
  public const uint ZEL_PART_USER_FLAGS = 0x40;
  public const uint ZEL_PART_SILENT_MONITORING = 0x80;
  public const long ZEL_NO_USER = long.MinValue;

  public enum Status {
    ZEL_OK = 0,
    ZEL_REFUSED = 1,
    ZEL_EMPTY = 2,
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
    ZEL_E_INVALID = -100,
    ZEL_E_STATE = -101,
    ZEL_E_NO_MEMORY = -102,
    ZEL_E_INTERNAL = -103,
    ZEL_E_FAILED = -104,
  }

  public enum RequestKind {
    ZEL_REQUEST_SERVER_STATUS = 1,
    ZEL_REQUEST_USER = 2,
    ZEL_REQUEST_USERS = 3,
    ZEL_REQUEST_MEDIUM_STATUS = 4,
    ZEL_REQUEST_INTEGRATED_PRESENCE = 5,
    ZEL_REQUEST_ADD_CAPABILITY = 6,
    ZEL_REQUEST_REMOVE_CAPABILITY = 7,
  }

  public enum UsersQuery {
    ZEL_USERS_LOGGED_ON = 0,
    ZEL_USERS_LOGGED_ON_VOICE = 1,
    ZEL_USERS_LOGGED_ON_CALLBACK = 2,
    ZEL_USERS_LOGGED_ON_EMAIL = 3,
    ZEL_USERS_LOGGED_ON_WEBCHAT = 4,
    ZEL_USERS_LOGGED_ON_OPENMEDIA = 5,
    ZEL_USERS_ALL = 6,
  }

  public enum RoutingState {
    ZEL_ROUTING_AVAILABLE = 0,
    ZEL_ROUTING_UNAVAILABLE = 1,
    ZEL_ROUTING_WORK = 2,
    ZEL_ROUTING_LOGOFF = 3,
    ZEL_ROUTING_UNKNOWN = 4,
  }

  public enum UserNumber {
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
    ZEL_USER_ANSWERED_AT = 23,
    ZEL_USER_NUMBERS = 24,
  }

  public enum RecordsLayout {
    ZEL_RECORD_MEDIA_COUNT = 24,
    ZEL_RECORD_CONTACT_COUNT = 25,
    ZEL_RECORD_MONITORING_COUNT = 26,
    ZEL_RECORD_COLUMNS = 27,
    ZEL_MEDIA_COLUMNS = 4,
    ZEL_CONTACT_REASON_COUNT = 19,
    ZEL_CONTACT_COLUMNS = 20,
    ZEL_MONITORING_COLUMNS = 2,
  }

  public enum UserTextField {
    ZEL_USER_ASSOCIATED_LINE = 0,
    ZEL_USER_PRIMARY_CONTACT_ID = 1,
    ZEL_USER_OLD_PRIMARY_CONTACT_ID = 2,
  }

  public enum ContactNumber {
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
    ZEL_CONTACT_NUMBERS = 19,
  }

  public enum NoticeKind {
    ZEL_NOTICE_EVENT = 0,
    ZEL_NOTICE_TOO_LARGE = 1,
    ZEL_NOTICE_RESTARTED = 2,
    ZEL_NOTICE_RESYNC = 3,
    ZEL_NOTICE_DISCONNECTED = 4,
    ZEL_NOTICE_RECONNECTED = 5,
    ZEL_NOTICE_AUTHENTICATION_FAILED = 6,
    ZEL_NOTICE_SWITCHED = 7,
    ZEL_NOTICE_TWO_SERVING = 8,
  }

  public enum ChangeKind {
    ZEL_CHANGE_USER = 0,
    ZEL_CHANGE_USER_ADDED = 1,
    ZEL_CHANGE_USER_REMOVED = 2,
    ZEL_CHANGE_READINESS = 3,
    ZEL_CHANGE_SYNCED = 4,
    ZEL_CHANGE_LINK_DOWN = 5,
    ZEL_CHANGE_LINK_UP = 6,
    ZEL_CHANGE_REFUSED = 7,
    ZEL_CHANGE_TWO_SERVING = 8,
  }

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_version();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_abi_version();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_status_text(int status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_set_timeout_override(CLong timeout_ms);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_curve_available();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_curve_generate(byte[] public_key, byte[] secret_key);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_curve_is_key([MarshalAs(UnmanagedType.LPUTF8Str)] string z85);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_load_keys([MarshalAs(UnmanagedType.LPUTF8Str)] string directory, byte[] error, nuint error_size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_read_key_pair([MarshalAs(UnmanagedType.LPUTF8Str)] string path, byte[] public_key, byte[] secret_key, byte[] error, nuint error_size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_read_public_key([MarshalAs(UnmanagedType.LPUTF8Str)] string path, byte[] public_key, byte[] error, nuint error_size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_set_client_keys([MarshalAs(UnmanagedType.LPUTF8Str)] string public_key, [MarshalAs(UnmanagedType.LPUTF8Str)] string secret_key);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_set_server_key([MarshalAs(UnmanagedType.LPUTF8Str)] string endpoint, [MarshalAs(UnmanagedType.LPUTF8Str)] string server_public_key);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_forget_keys();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_client_new([MarshalAs(UnmanagedType.LPUTF8Str)] string server);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_client_free(IntPtr client);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_server_status_new();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_user_new(CLong user_key, [MarshalAs(UnmanagedType.LPUTF8Str)] string user_id);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_users_new(int query_type);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_medium_status_new();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_integrated_presence_new([MarshalAs(UnmanagedType.LPUTF8Str)] string user_id, [MarshalAs(UnmanagedType.LPUTF8Str)] string password, [MarshalAs(UnmanagedType.LPUTF8Str)] string agent_id);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_integrated_presence_add(IntPtr request, [MarshalAs(UnmanagedType.LPUTF8Str)] string presence_id, [MarshalAs(UnmanagedType.LPUTF8Str)] string user_name, [MarshalAs(UnmanagedType.LPUTF8Str)] string extension);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_capability_new(int add, CLong user_key, int capability_type, [MarshalAs(UnmanagedType.LPUTF8Str)] string parameters);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_request_free(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_request_kind_of(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_request_status(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_request_error_code(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_request_reason(IntPtr request, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_request_server(IntPtr request, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern long zel_request_elapsed_us(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_request_position(IntPtr request, out ulong incarnation, out ulong position);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_call(IntPtr client, IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_query(IntPtr client, IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_set_routing_state(IntPtr client, IntPtr user, int state, CLong reason, int synchronous);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_set_acd_state(IntPtr client, IntPtr user, int state, CLong reason);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_set_primary_contact(IntPtr client, IntPtr user, [MarshalAs(UnmanagedType.LPUTF8Str)] string contact_id, CLong requeue_count);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_set_recovery_mode(IntPtr client, IntPtr user, int on);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_set_contact_assist(IntPtr client, IntPtr user, int on);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_submit_wrapup(IntPtr client, IntPtr user, [MarshalAs(UnmanagedType.LPUTF8Str)] string contact_id, CLong requeue_count, CLong[] reasons, nuint reason_count, CLong queue_key, CLong sequence_number);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_request_post_processing(IntPtr client, IntPtr user, [MarshalAs(UnmanagedType.LPUTF8Str)] string contact_id, CLong requeue_count, CLong reason);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_exit_post_processing(IntPtr client, IntPtr user, [MarshalAs(UnmanagedType.LPUTF8Str)] string contact_id, CLong requeue_count);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_cancel_mandatory_post_processing(IntPtr client, IntPtr user, [MarshalAs(UnmanagedType.LPUTF8Str)] string contact_id, CLong requeue_count);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_status_server_name(IntPtr status, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_status_description(IntPtr status, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_status_started_at(IntPtr status, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_status_is_up(IntPtr status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_status_is_shutting_down(IntPtr status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_status_integration_enabled(IntPtr status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CULong zel_status_heartbeat_interval(IntPtr status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_request_user(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_users_count(IntPtr users);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_users_at(IntPtr users, nuint index);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_user_key(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_id(IntPtr user, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_extension(IntPtr user, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_group_id(IntPtr user, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_user_site_key(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_user_team_key(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_routing_state(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_user_routing_reason(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern long zel_user_routing_since(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_presence_state(IntPtr user, int exclude_direct_contact);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_desktop_capability(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_is_phone_only(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_is_recovery_mode(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_is_contact_assist(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_media_count(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_media_at(IntPtr user, nuint index, out CLong medium, out int state, out int cause);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_contact_count(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_contact_id(IntPtr user, nuint index, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_contact_at(IntPtr user, nuint index, out CLong requeue_count, out CLong medium, out int contact_state);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_numbers(IntPtr user, long[] values, nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_texts(IntPtr user, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_media_numbers(IntPtr user, long[] values, nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_records_count(IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_records_numbers(IntPtr request, nuint first, nuint count, long[] values,
                                                  nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_records_texts(IntPtr request, nuint first, nuint count, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_text(IntPtr user, int field, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern long zel_user_media_since(IntPtr user, nuint index);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_contact_numbers(IntPtr user, nuint index, long[] values, nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_contact_reference_id(IntPtr user, nuint index, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_contact_reasons(IntPtr user, nuint index, CLong[] reasons, nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_monitoring_count(IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_user_monitoring_at(IntPtr user, nuint index, out CLong requeue_count, out int type);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_user_monitoring_field(IntPtr user, nuint index, int field, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_medium_count(IntPtr medium_status);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_medium_at(IntPtr medium_status, nuint index, out CLong medium, out int state, out int cause);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_integrated_presence_count(IntPtr query);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_integrated_presence_field(IntPtr query, nuint index, int field, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_queue_new();

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_queue_free(IntPtr queue);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_queue_descriptor(IntPtr queue);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_queue_in_flight(IntPtr queue);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_start(IntPtr client, IntPtr request, IntPtr queue, IntPtr tag);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_queue_next(IntPtr queue, CLong timeout_ms, out IntPtr request, out IntPtr tag);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_queue_cancel(IntPtr queue, IntPtr request);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_receiver_new([MarshalAs(UnmanagedType.LPUTF8Str)] string server, int[] types, nuint type_count, long[] users, nuint user_count);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_receiver_free(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_receiver_start(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_receiver_error(IntPtr receiver, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_receiver_wait_subscribed(IntPtr receiver, CLong timeout_ms);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_receiver_resume_after(IntPtr receiver, ulong incarnation, ulong position);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_receiver_next(IntPtr receiver, CLong timeout_ms);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_receiver_descriptor(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_receiver_stop(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_receiver_endpoint(IntPtr receiver, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_notice_kind_of(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_notice_event_type(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern long zel_notice_user(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_notice_position(IntPtr receiver, out ulong incarnation, out ulong position);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_notice_replayed(IntPtr receiver);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_notice_data(IntPtr receiver, out nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_event_text(int type, byte[] data, nuint data_size, int full, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_event_user(int type, byte[] data, nuint data_size, out CLong user_key);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern IntPtr zel_mirror_new([MarshalAs(UnmanagedType.LPUTF8Str)] string server, CLong[] user_keys, [MarshalAs(UnmanagedType.LPArray, ArraySubType = UnmanagedType.LPUTF8Str)] string[] user_ids, nuint user_count);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_mirror_free(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_start(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_mirror_error(IntPtr mirror, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_wait_current(IntPtr mirror, CLong timeout_ms);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_next(IntPtr mirror, CLong timeout_ms);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_mirror_stop(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_descriptor(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_get(IntPtr mirror, CLong user_key, IntPtr user);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_mirror_keys(IntPtr mirror, CLong[] keys, nuint capacity);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_mirror_size(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_mirror_is_current(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern nuint zel_mirror_why_not_current(IntPtr mirror, byte[] buffer, nuint size);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_change_kind_of(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_change_user(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern uint zel_change_parts(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_change_event_type(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern void zel_change_position(IntPtr mirror, out ulong incarnation, out ulong position);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_change_replayed(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern CLong zel_change_medium(IntPtr mirror);

  [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
  public static extern int zel_change_sync_cause(IntPtr mirror);
}
