"""The enumerations of the records, named as docs/wire-format.md names their
values: each text upper-cased, with every run of other characters than
letters and digits made one underscore ("Do Not Distrub" is DO_NOT_DISTRUB,
as the server spells it). A value without a name travels as the plain int."""
import enum


class RoutingState(enum.IntEnum):
    """Whether the router may offer the user work."""
    AVAILABLE = 0
    UNAVAILABLE = 1
    WORK = 2
    LOGOFF = 3
    UNKNOWN = 4


class RoutingStateSource(enum.IntEnum):
    """Where a routing state first came from."""
    DEFAULT = 0
    CTI_QUERY = 1
    CTI_QUERY_PX9DR = 2
    UNKNOWN = 3


class PresenceState(enum.IntEnum):
    """A user's presence."""
    IDLE = 0
    AWAY = 1
    BUSY = 2
    ACTIVE = 3
    LOGOFF = 4
    UNKNOWN = 5


class DesktopCapability(enum.IntEnum):
    """Whether the user's desktop is logged on."""
    LOGOFF = 0
    LOGON = 1


class DesktopCapabilityCause(enum.IntEnum):
    """Why the desktop capability is what it is."""
    NONE = 0
    ADMIN_SERVER_NOT_READY = 1
    WATCHDOG_SERVER_NOT_READY = 2
    USER_DELETED = 3


class Medium(enum.IntEnum):
    """A medium of contact."""
    NONE = 0
    VOICE = 1
    CALLBACK = 2
    EMAIL = 3
    WEB_CHAT = 4
    OPENMEDIA = 5


class MediaState(enum.IntEnum):
    """A user's state on one medium."""
    LOGOFF = 0
    LOGON = 1
    AVAILABLE = 2
    DO_NOT_DISTRUB = 3
    UNKNOWN = 4


class MediaStateCause(enum.IntEnum):
    """Why a medium's state is what it is."""
    NONE = 0
    DESKTOP_LOGOFF = 1
    EXTENSION_OOS = 2
    LOGOFF_T_SERVER_NOT_READY = 3
    LOGOFF_CALLBACK_SERVER_NOT_READY = 4
    LOGOFF_EMAIL_SERVER_NOT_READY = 5
    LOGOFF_WEB_INTERACTION_SERVER_NOT_READY = 6
    LOGOFF_IM_SERVER_NOT_READY = 8
    LOGOFF_ADMIN_SERVER_NOT_READY = 9
    LOGOFF_WATCHDOG_SERVER_NOT_READY = 10
    LOGOFF_CORPORATE_EMAIL_SERVER_NOT_READY = 11
    LOGOFF_COMM_PLATFORM_NOT_READY = 12
    LOGOFF_USER_DELETED = 13
    LOGON_RECOVERY = 15


class ReadinessState(enum.IntEnum):
    """Whether the server can serve a medium."""
    UNKNOWN = 0
    READY = 1
    NOT_READY = 2


class ReadinessCause(enum.IntEnum):
    """Why a medium is not ready."""
    NONE = 0
    T_SERVER_DOWN = 1
    CALLBACK_SERVER_DOWN = 2
    EMAIL_SERVER_DOWN = 3
    WEB_INTERACTION_SERVER_DOWN = 4
    IM_SERVER_DOWN = 6
    ADMIN_SERVER_DOWN = 7
    WATCHDOG_SERVER_DOWN = 8
    CORPORATE_EMAIL_SERVER_DOWN = 9
    COMMUNICATION_PLATFORM_DOWN = 10
    CALLBACK_FEATURE_DISABLED = 11
    EMAIL_FEATURE_DISABLED = 12
    WEB_FEATURE_DISABLED = 13


class SilentMonitoringType(enum.IntEnum):
    """How a contact is monitored."""
    NONE = 0
    SILENT_MONITORING = 1
    BARGEIN = 2
    CONTINUOUS_SILENT_MONITORING = 3


class ReferenceType(enum.IntEnum):
    """How a contact refers to another."""
    NONE = 0
    CALLBACK = 1
    CALLBACK_VOICE_LEG = 2
    NETWORKING = 3


class ContactType(enum.IntEnum):
    """What kind of contact the user handles."""
    NONE = 0
    ROUTED_VOICE = 1
    DIRECT_INCOMING_VOICE = 2
    DIRECT_OUTGOING_VOICE = 3
    DIRECT_INTERNAL_VOICE = 4
    ROUTED_CALLBACK = 5
    ROUTED_EMAIL = 6
    DIRECT_OUTGOING_EMAIL = 7
    ROUTED_WEB = 8
    UNKNOWN_VOICE = 9
    ROUTED_OPENMEDIA = 10
    DIRECT_OUTGOING_OPENMEDIA = 11


class ContactState(enum.IntEnum):
    """Where a contact stands."""
    NONE = 0
    PENDING = 1
    DIALING = 2
    BUSY = 3
    RINGING = 4
    TALKING = 5
    QUEUED = 6
    ONHOLD = 7
    CONSULTING = 8
    PROCESSING = 9
    POSTPROCESSING = 10
    UNKNOWN = 11


class HandlingCause(enum.IntEnum):
    """Why a contact's handling changed."""
    NONE = 0
    PICKUP = 1
    CONSULT_QUEUE_OLD = 2
    CONSULT_QUEUE_NEW = 3
    EMAIL_DEFERRED = 4
    EMAIL_RESUMED = 5
    EMAIL_CONSULT_DEFERRED = 6
    EMAIL_CONSULT_RESUMED = 7
    SILENT_MONITORING = 8
    RECALLED = 9
    UNASSIGN_RNA = 10
    UNASSIGN_UNDELIVERABLE = 11
    UNASSIGN_OTHER = 12
    VOICE_BLOCKEDCALL = 13
    VOICE_TIMEDOUT_PENDING_MOVEMENT_CONFIRMATION = 14
    VOICE_NETWORK_CONGESTION = 15
    VOICE_CALLFORWARDNOANSWER = 16
    VOICE_NETWORK_REACHED = 17
    VOICE_PARKING = 18
    VOICE_CAMPING_ON = 19
    ASSIGN_CONTACT = 20
    CALLBACK_USER_DELETE = 21
    VOICE_RESET_CALLBACK = 22
    OPENMEDIA_DEFERRED = 23
    OPENMEDIA_RESUMED = 24
    OPENMEDIA_CONSULT_DEFERRED = 25
    OPENMEDIA_CONSULT_RESUMED = 26


class PostProcessingStatus(enum.IntEnum):
    """A part of a contact's post-processing."""
    INACTIVE = 0
    ACTIVE = 1
    STOPPED = 2
    PENDING = 3
    SUSPENDED = 4


class CapabilityType(enum.IntEnum):
    """A capability added or removed."""
    DESKTOP = 1
    CAMPAIGN_DIRECTOR = 2


class UsersQuery(enum.IntEnum):
    """Which users a users query answers."""
    LOGGED_ON_USERS = 0
    LOGGED_ON_VOICE_USERS = 1
    LOGGED_ON_CALLBACK_USERS = 2
    LOGGED_ON_EMAIL_USERS = 3
    LOGGED_ON_WEBCHAT_USERS = 4
    LOGGED_ON_OPENMEDIA_USERS = 5
    ALL_USERS = 6


class EventType(enum.IntEnum):
    """The type of an event the server publishes."""
    CONNECTIONEVENT = 35000
    QUERYPRESENCESTATUSEVENT = 35001
    VOICE_USER_MEDIA_EVENT = 35002
    CALLBACK_USER_MEDIA_EVENT = 35003
    EMAIL_USER_MEDIA_EVENT = 35004
    WEB_USER_MEDIA_EVENT = 35005
    IM_USER_MEDIA_EVENT = 35006
    USER_ROUTING_STATE_EVENT = 35007
    USER_CONTACT_CREATED_EVENT = 35008
    USER_CONTACT_CONNECTED_EVENT = 35009
    USER_CONTACT_COMPLETED_EVENT = 35010
    USER_HANDLING_STATE_UPDATE_EVENT = 35011
    PRIMARY_HANDLING_STATE_EVENT = 35012
    WRAPUP_SUBMITTED_EVENT = 35013
    USER_RECOVERY_MODE_EVENT = 35014
    USER_CONTACT_ASSIST_EVENT = 35015
    USER_CAPABILITY_EVENT = 35016
    USER_MEDIA_NOT_READY_EVENT = 35017
    USER_MEDIA_READY_EVENT = 35018
    USER_CAPABILITY_NOT_READY_EVENT = 35019
    CONTACT_QUEUE_CONSULTED_EVENT = 35020
    USER_ALL_MEDIA_NOT_READY_EVENT = 35021
    USER_CSM_STATE_EVENT = 35022
    OPENMEDIA_USER_MEDIA_EVENT = 35023
    QUERYEXTENSIONLISTEVENT = 35024


class ErrorCode(enum.IntEnum):
    """The server's error codes."""
    ERR_NONE = 0
    ERR_GENERIC = 35000
    ERR_RPC_TIMEOUT = 35001
    ERR_RPC_FAILED = 35002
    ERR_EXCEPTION_OCCURRED = 35003
    ERR_UNABLE_TO_ALLOCATE_MEM = 35004
    ERR_UNABLE_TO_ADD_TO_COLLECTION = 35006
    ERR_SEMPHORE_TIMEOUT = 35007
    ERR_EMPTY_OBJECT = 35010
    ERR_INVALID_DATA = 35011
    ERR_INVALID_USER = 35012
    ERR_INVALID_AGENT = 35013
    ERR_INVALID_EXTENSION = 35014
    ERR_INVALID_RESOURCE = 35016
    ERR_REQUEST_FAILED = 35018
    ERR_REQUEST_UNAUTHORIZED = 35019
    ERR_REQUEST_INVALID_RESULT = 35020
    ERR_EVENT_REGISTRATION_FAILED = 35021
    ERR_EVENT_DEREGISTRATION_FAILED = 35022
    ERR_EVENT_WAIT_TIMEOUT = 35023
    ERR_INTERFACE_NOT_STARTED = 35024
    ERR_VALIDATION = 35025
    ERR_SHUTTING_DOWN = 35026
    ERR_KVL_NOT_ENABLED = 35028
    ERR_INVALID_PARAMETERS = 35029
    ERR_INVALID_STATE = 35030
    ERR_INVALID_MEDIA = 35031
    ERR_ITEM_NOT_FOUND = 35032
    ERR_CAPABILITY_NOT_SUPPORTED = 35034
    ERR_CAPABILITY_HANDLING_NAIL_UP_CALL = 35035
    ERR_SERVER_NOT_READY = 35040
    ERR_KVL_DOWN = 35045
