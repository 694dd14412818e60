"""A presence server, or a list of servers standing in for each other."""

from __future__ import annotations

import dataclasses
import enum
from typing import Tuple

from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused
from zelclnt._native import ffi, lib


class RoutingState(enum.IntEnum):
    """Whether the router may offer the user work, as the wire names it."""

    ROUTINGSTATE_AVAILABLE = 0
    ROUTINGSTATE_UNAVAILABLE = 1
    ROUTINGSTATE_WORK = 2
    ROUTINGSTATE_LOGOFF = 3
    ROUTINGSTATE_UNKNOWN = 4

    # The short names read as Python reads enumerations.
    AVAILABLE = 0
    UNAVAILABLE = 1
    WORK = 2
    LOGOFF = 3
    UNKNOWN = 4


_USERS_QUERIES = {
    "logged_on": 0,
    "voice": 1,
    "callback": 2,
    "email": 3,
    "webchat": 4,
    "openmedia": 5,
    "all": 6,
}


@dataclasses.dataclass(frozen=True)
class ServerStatus:
    name: str
    up: bool
    description: str
    started_at: str
    heartbeat_interval_ms: int


@dataclasses.dataclass(frozen=True)
class User:
    key: int
    id: str
    routing_state: RoutingState
    routing_reason: int


def _text(reader, *handle) -> str:
    """A string the C interface copies out: asked once, again when longer."""
    size = 128
    while True:
        buffer = ffi.new("char[]", size)
        length = reader(*handle, buffer, size)
        if length < size:
            return ffi.string(buffer, length).decode("utf-8", "replace")
        size = length + 1


def _check(status: int, request) -> None:
    if status == lib.ZEL_OK:
        return
    reason = _text(lib.zel_request_reason, request)
    if status == lib.ZEL_REFUSED:
        raise Refused(code=lib.zel_request_error_code(request), text=reason.removeprefix("refused: "))
    if -15 <= status < 0:
        raise CallFailed(kind=FailureKind(-status), reason=reason)
    raise InterfaceError(ffi.string(lib.zel_status_text(status)).decode())


def _user(record) -> User:
    return User(
        key=lib.zel_user_key(record),
        id=_text(lib.zel_user_id, record),
        routing_state=RoutingState(lib.zel_user_routing_state(record)),
        routing_reason=lib.zel_user_routing_reason(record),
    )


def _request(made):
    if made == ffi.NULL:
        raise InterfaceError("the request could not be made")
    return ffi.gc(made, lib.zel_request_free)


class Agent:
    """One agent: its presence, and the actions on it."""

    def __init__(self, server: Server, key: int, user_id: str) -> None:
        self._server = server
        self._request = _request(lib.zel_user_new(key, user_id.encode()))

    def query(self) -> User:
        _check(lib.zel_user_query(self._server._client, self._request), self._request)
        return _user(lib.zel_request_user(self._request))

    def set_routing_state(self, state: RoutingState, reason: int = 0, synchronous: bool = True) -> None:
        status = lib.zel_user_set_routing_state(self._server._client, self._request, int(state), reason, synchronous)
        _check(status, self._request)


class Server:
    """Calls one presence server, or a list "tcp://a:7300,tcp://b:7300"."""

    def __init__(self, servers: str) -> None:
        if lib.zel_abi_version() != lib.ZEL_ABI_VERSION:
            raise InterfaceError("the zelclnt library loaded is not the one this package was built for")
        client = lib.zel_client_new(servers.encode())
        if client == ffi.NULL:
            raise InterfaceError("the client could not be made")
        self._client = ffi.gc(client, lib.zel_client_free)
        self.servers = servers

    def status(self) -> ServerStatus:
        request = _request(lib.zel_server_status_new())
        _check(lib.zel_call(self._client, request), request)
        return ServerStatus(
            name=_text(lib.zel_status_server_name, request),
            up=bool(lib.zel_status_is_up(request)),
            description=_text(lib.zel_status_description, request),
            started_at=_text(lib.zel_status_started_at, request),
            heartbeat_interval_ms=lib.zel_status_heartbeat_interval(request),
        )

    def users(self, query: str = "all") -> Tuple[User, ...]:
        if query not in _USERS_QUERIES:
            raise ValueError(f"query must be one of {', '.join(_USERS_QUERIES)}, not {query!r}")
        request = _request(lib.zel_users_new(_USERS_QUERIES[query]))
        _check(lib.zel_call(self._client, request), request)
        return tuple(_user(lib.zel_users_at(request, i)) for i in range(lib.zel_users_count(request)))

    def agent(self, key: int, user_id: str | None = None) -> Agent:
        return Agent(self, key, user_id if user_id is not None else f"agent{key}")
