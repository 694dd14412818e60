"""A presence server, or a list of servers standing in for each other."""

from __future__ import annotations

import asyncio
import dataclasses
from typing import Dict, Iterable, Optional, Tuple

from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused, ZelError
from zelclnt._events import Events
from zelclnt._mirror import Mirror
from zelclnt._native import ffi, lib
from zelclnt._records import RoutingState, User, user_of
from zelclnt._text import text_of


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


def _failure(status: int, request) -> Optional[ZelError]:
    """What a call's status says went wrong; None when it went through."""
    if status == lib.ZEL_OK:
        return None
    reason = text_of(lib.zel_request_reason, request)
    if status == lib.ZEL_REFUSED:
        return Refused(code=lib.zel_request_error_code(request), text=reason.removeprefix("refused: "))
    if -15 <= status < 0:
        return CallFailed(kind=FailureKind(-status), reason=reason)
    return InterfaceError(ffi.string(lib.zel_status_text(status)).decode())


def _check(status: int, request) -> None:
    failure = _failure(status, request)
    if failure is not None:
        raise failure


def _status_of(request) -> ServerStatus:
    return ServerStatus(
        name=text_of(lib.zel_status_server_name, request),
        up=bool(lib.zel_status_is_up(request)),
        description=text_of(lib.zel_status_description, request),
        started_at=text_of(lib.zel_status_started_at, request),
        heartbeat_interval_ms=lib.zel_status_heartbeat_interval(request),
    )


class _Calls:
    """Calls started without waiting, ended in an asyncio loop: the queue's
    descriptor wakes the loop, and no thread waits for any call."""

    def __init__(self, client, loop: asyncio.AbstractEventLoop) -> None:
        queue = lib.zel_queue_new()
        if queue == ffi.NULL:
            raise InterfaceError("the queue could not be made")
        self._queue = ffi.gc(queue, lib.zel_queue_free)
        self._client = client
        self._loop = loop
        self._descriptor = lib.zel_queue_descriptor(self._queue)
        if self._descriptor < 0:
            raise InterfaceError("this system gives the queue no descriptor to wait on")
        # Each request in flight, by its handle, with its future; the request
        # must live until its call ended.
        self._pending: Dict[int, Tuple[object, asyncio.Future]] = {}

    def call(self, request) -> asyncio.Future:
        future = self._loop.create_future()
        status = lib.zel_start(self._client, request, self._queue, ffi.NULL)
        if status != lib.ZEL_OK:
            future.set_exception(_failure(status, request))
            return future
        if not self._pending:
            self._loop.add_reader(self._descriptor, self._ended)
        self._pending[int(ffi.cast("uintptr_t", request))] = (request, future)
        return future

    def _ended(self) -> None:
        handed = ffi.new("zel_request**")
        while (status := lib.zel_queue_next(self._queue, 0, handed, ffi.NULL)) != lib.ZEL_EMPTY:
            request, future = self._pending.pop(int(ffi.cast("uintptr_t", handed[0])))
            if not future.cancelled():
                failure = _failure(status, request)
                if failure is None:
                    future.set_result(request)
                else:
                    future.set_exception(failure)
        if not self._pending:
            self._loop.remove_reader(self._descriptor)


def _users_query(query: str) -> int:
    if query not in _USERS_QUERIES:
        raise ValueError(f"query must be one of {', '.join(_USERS_QUERIES)}, not {query!r}")
    return _USERS_QUERIES[query]


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
        return user_of(lib.zel_request_user(self._request))

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
        self._async: Optional[_Calls] = None

    def status(self) -> ServerStatus:
        request = _request(lib.zel_server_status_new())
        _check(lib.zel_call(self._client, request), request)
        return _status_of(request)

    async def astatus(self) -> ServerStatus:
        """status(), awaited: the call runs beside the loop's other work."""
        return _status_of(await self._calls().call(_request(lib.zel_server_status_new())))

    async def ausers(self, query: str = "all") -> Tuple[User, ...]:
        request = await self._calls().call(_request(lib.zel_users_new(_users_query(query))))
        return tuple(user_of(lib.zel_users_at(request, i)) for i in range(lib.zel_users_count(request)))

    def _calls(self) -> _Calls:
        loop = asyncio.get_running_loop()
        if self._async is None or self._async._loop is not loop:
            self._async = _Calls(self._client, loop)
        return self._async

    def users(self, query: str = "all") -> Tuple[User, ...]:
        request = _request(lib.zel_users_new(_users_query(query)))
        _check(lib.zel_call(self._client, request), request)
        return tuple(user_of(lib.zel_users_at(request, i)) for i in range(lib.zel_users_count(request)))

    def events(self, types: Iterable[int] = (), users: Iterable[int] = ()) -> Events:
        """Subscribes to the events of these types (none: all) about these users (none: all)."""
        return Events(self.servers, types=types, users=users)

    def mirror(self, timeout_ms: int = 10000) -> Mirror:
        """A live copy of every user, current when returned (or InterfaceError)."""
        return Mirror(self.servers, timeout_ms)

    def agent(self, key: int, user_id: str | None = None) -> Agent:
        return Agent(self, key, user_id if user_id is not None else f"agent{key}")
