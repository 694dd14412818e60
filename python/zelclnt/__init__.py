"""Python client of the contact-center presence server, on zelclnt's C interface."""

from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused, ZelError
from zelclnt._events import Event, Events, NoticeKind
from zelclnt._server import Agent, RoutingState, Server, ServerStatus, User

__all__ = [
    "Agent",
    "CallFailed",
    "Event",
    "Events",
    "NoticeKind",
    "FailureKind",
    "InterfaceError",
    "Refused",
    "RoutingState",
    "Server",
    "ServerStatus",
    "User",
    "ZelError",
]
