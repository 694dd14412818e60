"""Python client of the contact-center presence server, on zelclnt's C interface."""

from zelclnt._enums import (CapabilityType, ContactState, ContactType, DesktopCapability, DesktopCapabilityCause,
                            ErrorCode, EventType, HandlingCause, MediaState, MediaStateCause, Medium,
                            PostProcessingStatus, PresenceState, ReadinessCause, ReadinessState, ReferenceType,
                            RoutingState, RoutingStateSource, SilentMonitoringType, UsersQuery)
from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused, ZelError
from zelclnt._events import Event, Events, NoticeKind
from zelclnt._mirror import Change, ChangeKind, Mirror, Part, SyncCause
from zelclnt._records import (Contact, MediaReadiness, MediaStateRecord, Presentity, SilentMonitoring, User,
                              Users, when)
from zelclnt._server import Agent, Server, ServerStatus

__all__ = [
    "Agent", "CallFailed", "CapabilityType", "Change", "ChangeKind", "Contact", "ContactState", "ContactType",
    "DesktopCapability", "DesktopCapabilityCause", "ErrorCode", "Event", "EventType", "Events", "FailureKind",
    "HandlingCause", "InterfaceError", "MediaReadiness", "MediaState", "MediaStateCause", "MediaStateRecord",
    "Medium", "Mirror", "NoticeKind", "Part", "PostProcessingStatus", "PresenceState", "Presentity",
    "ReadinessCause", "ReadinessState", "ReferenceType", "Refused", "RoutingState", "RoutingStateSource", "Server",
    "ServerStatus", "SilentMonitoring", "SilentMonitoringType", "SyncCause", "User", "Users", "UsersQuery", "ZelError",
    "when",
]
