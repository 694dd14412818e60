"""Python client of the contact-center presence server, on zelclnt's C interface."""

from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused, ZelError
from zelclnt._events import Event, Events, NoticeKind
from zelclnt._mirror import Change, ChangeKind, Mirror, Part
from zelclnt._records import RoutingState, User
from zelclnt._server import Agent, Server, ServerStatus

__all__ = [
    "Agent",
    "CallFailed",
    "Change",
    "ChangeKind",
    "Event",
    "Events",
    "NoticeKind",
    "Part",
    "FailureKind",
    "InterfaceError",
    "Mirror",
    "Refused",
    "RoutingState",
    "Server",
    "ServerStatus",
    "User",
    "ZelError",
]
