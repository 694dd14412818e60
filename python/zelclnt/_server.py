"""A presence server, or a list of servers standing in for each other."""

from __future__ import annotations

import asyncio
import os
import threading
from typing import Dict, Iterable, NamedTuple, Optional, Sequence, Tuple, Union

from zelclnt._enums import CapabilityType, ErrorCode, RoutingState, UsersQuery
from zelclnt._errors import CallFailed, FailureKind, InterfaceError, Refused, ZelError
from zelclnt._events import Events
from zelclnt._mirror import Mirror
from zelclnt._native import ffi, lib
from zelclnt._records import MediaReadiness, Presentity, RecordReader, User, Users, record, records
from zelclnt._text import text_of

# The short names a users query also goes by.
_USERS_QUERIES = {
    "logged_on": UsersQuery.LOGGED_ON_USERS,
    "voice": UsersQuery.LOGGED_ON_VOICE_USERS,
    "callback": UsersQuery.LOGGED_ON_CALLBACK_USERS,
    "email": UsersQuery.LOGGED_ON_EMAIL_USERS,
    "webchat": UsersQuery.LOGGED_ON_WEBCHAT_USERS,
    "openmedia": UsersQuery.LOGGED_ON_OPENMEDIA_USERS,
    "all": UsersQuery.ALL_USERS,
}
_ERROR_CODES = {int(code): code for code in ErrorCode}


class ServerStatus(NamedTuple):
    """What a server says of itself."""

    name: str
    up: bool
    description: str
    started_at: str
    shutting_down: bool
    integration_enabled: bool
    heartbeat_interval_ms: int


def _failure(status: int, request) -> Optional[ZelError]:
    """What a call's status says went wrong; None when it went through."""
    if status == lib.ZEL_OK:
        return None
    reason = text_of(lib.zel_request_reason, request)
    server = text_of(lib.zel_request_server, request)
    if status == lib.ZEL_REFUSED:
        code = lib.zel_request_error_code(request)
        return Refused(code=_ERROR_CODES.get(code, code), text=reason.removeprefix("refused: "), server=server)
    if -len(FailureKind) <= status < 0:
        return CallFailed(kind=FailureKind(-status), reason=reason, server=server)
    return InterfaceError(ffi.string(lib.zel_status_text(status)).decode())


def _check(status: int, request) -> None:
    failure = _failure(status, request)
    if failure is not None:
        raise failure


def _request(made):
    if made == ffi.NULL:
        raise InterfaceError("the request could not be made")
    return ffi.gc(made, lib.zel_request_free)


def _status_of(request) -> ServerStatus:
    text = ffi.new("char[]", _STATUS_TEXT)
    return tuple.__new__(ServerStatus, (
        _status_text(lib.zel_status_server_name, request, text), lib.zel_status_is_up(request) != 0,
        _status_text(lib.zel_status_description, request, text), _status_text(lib.zel_status_started_at, request, text),
        lib.zel_status_is_shutting_down(request) != 0, lib.zel_status_integration_enabled(request) != 0,
        lib.zel_status_heartbeat_interval(request)))


_STATUS_TEXT = 256


def _status_text(reader, request, buffer) -> str:
    length = reader(request, buffer, _STATUS_TEXT)
    if length < _STATUS_TEXT:
        return ffi.unpack(buffer, length).decode("utf-8", "replace")
    return text_of(reader, request)


def _users_query(query: Union[str, UsersQuery]) -> UsersQuery:
    if isinstance(query, UsersQuery):
        return query
    if query not in _USERS_QUERIES:
        raise ValueError(f"query must be a UsersQuery or one of {', '.join(_USERS_QUERIES)}, not {query!r}")
    return _USERS_QUERIES[query]


def _text(value: str, what: str) -> bytes:
    if "\0" in value:
        raise ValueError(f"{what} holds a NUL character")
    return value.encode()


class _Calls:
    """Calls started without waiting, ended in an asyncio loop: the queue's
    descriptor wakes the loop, and no thread waits for any call."""

    def __init__(self, client, loop: asyncio.AbstractEventLoop) -> None:
        queue = lib.zel_queue_new()
        if queue == ffi.NULL:
            raise InterfaceError("the queue could not be made")
        self._queue = ffi.gc(queue, lib.zel_queue_free)
        self._client = client
        self.loop = loop
        self._descriptor = lib.zel_queue_descriptor(self._queue)
        if self._descriptor < 0:
            raise InterfaceError("this system gives the queue no descriptor to wait on")
        # Each request in flight, by its handle, with its future; the request
        # must live until its call ended.
        self._pending: Dict[int, Tuple[object, asyncio.Future]] = {}

    def call(self, request) -> asyncio.Future:
        future = self.loop.create_future()
        status = lib.zel_start(self._client, request, self._queue, ffi.NULL)
        if status != lib.ZEL_OK:
            future.set_exception(_failure(status, request))
            return future
        if not self._pending:
            self.loop.add_reader(self._descriptor, self._ended)
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
            self.loop.remove_reader(self._descriptor)


class Agent:
    """One agent: its presence, and the actions on it. An Agent serves one
    thread at a time; each action raises Refused or CallFailed when it was
    not carried out."""

    def __init__(self, server: Server, key: int, user_id: str) -> None:
        self._client = server._client
        self.key = key
        self.id = user_id
        self._request = _request(lib.zel_user_new(key, _text(user_id, "the user id")))

    def _done(self, status: int) -> None:
        _check(status, self._request)

    def query(self) -> User:
        self._done(lib.zel_user_query(self._client, self._request))
        return record(self._request)

    def set_routing_state(self, state: RoutingState, reason: int = 0, synchronous: bool = True) -> None:
        """synchronous asks the server to answer once it is carried out (request mode sync)."""
        self._done(lib.zel_user_set_routing_state(self._client, self._request, int(state), reason, synchronous))

    def set_acd_state(self, state: RoutingState, reason: int = 0) -> None:
        """The ACD state, as the server's own integrations set it."""
        self._done(lib.zel_user_set_acd_state(self._client, self._request, int(state), reason))

    def set_primary_contact(self, contact_id: str, requeue_count: int = 0) -> None:
        self._done(lib.zel_user_set_primary_contact(self._client, self._request, _text(contact_id, "the contact id"),
                                                    requeue_count))

    def set_recovery_mode(self, on: bool) -> None:
        self._done(lib.zel_user_set_recovery_mode(self._client, self._request, bool(on)))

    def set_contact_assist(self, on: bool) -> None:
        self._done(lib.zel_user_set_contact_assist(self._client, self._request, bool(on)))

    def submit_wrapup(self, contact_id: str, requeue_count: int = 0, reasons: Sequence[int] = (), queue_key: int = 0,
                      sequence_number: int = 0) -> None:
        held = list(reasons)
        self._done(lib.zel_user_submit_wrapup(self._client, self._request, _text(contact_id, "the contact id"),
                                              requeue_count, ffi.new("long[]", held) if held else ffi.NULL,
                                              len(held), queue_key, sequence_number))

    def request_post_processing(self, contact_id: str, requeue_count: int = 0, reason: int = 0) -> None:
        self._done(lib.zel_user_request_post_processing(self._client, self._request,
                                                        _text(contact_id, "the contact id"), requeue_count, reason))

    def exit_post_processing(self, contact_id: str, requeue_count: int = 0) -> None:
        self._done(lib.zel_user_exit_post_processing(self._client, self._request,
                                                     _text(contact_id, "the contact id"), requeue_count))

    def cancel_mandatory_post_processing(self, contact_id: str, requeue_count: int = 0) -> None:
        self._done(lib.zel_user_cancel_mandatory_post_processing(self._client, self._request,
                                                                 _text(contact_id, "the contact id"), requeue_count))


class Server:
    """Calls one presence server, or a list "tcp://a:7300,tcp://b:7300".

    keys: a directory of CURVE keys as zelctl --keys takes it (client.key, and
    servers naming each server's public key). Keys are the process's: once
    loaded they hold for every Server, events and mirror made after.

    A Server may be shared by threads; its blocking calls then take turns.
    Each blocking method has an awaitable twin (astatus, ausers, auser,
    amedium_status) that runs beside the loop's other work, on no thread."""

    def __init__(self, servers: str, keys: Union[str, os.PathLike, None] = None) -> None:
        if lib.zel_abi_version() != lib.ZEL_ABI_VERSION:
            raise InterfaceError("the zelclnt library loaded is not the one this package was built for")
        if keys is not None:
            error = ffi.new("char[]", 512)
            if lib.zel_load_keys(_text(os.fspath(keys), "the keys directory"), error, 512) != lib.ZEL_OK:
                raise InterfaceError(f"keys: {ffi.string(error).decode('utf-8', 'replace')}")
        client = lib.zel_client_new(_text(servers, "the server name"))
        if client == ffi.NULL:
            raise InterfaceError("the client could not be made")
        self._client = ffi.gc(client, lib.zel_client_free)
        self.servers = servers
        self._async: Optional[_Calls] = None
        self._local = threading.local()

    def _call(self, request):
        status = lib.zel_call(self._client, request)
        if status != lib.ZEL_OK:
            raise _failure(status, request)
        return request

    def _calls(self) -> _Calls:
        loop = asyncio.get_running_loop()
        if self._async is None or self._async.loop is not loop:
            self._async = _Calls(self._client, loop)
        return self._async

    def status(self) -> ServerStatus:
        # Each thread asks with a request of its own, made once: a call
        # made often costs little more than the C++ call.
        request = getattr(self._local, "status", None)
        if request is None:
            request = self._local.status = _request(lib.zel_server_status_new())
        return _status_of(self._call(request))

    async def astatus(self) -> ServerStatus:
        return _status_of(await self._calls().call(_request(lib.zel_server_status_new())))

    def users(self, query: Union[str, UsersQuery] = "all") -> Users:
        """Every user the query names, in the server's order: a sequence
        whose records are made as they are looked at."""
        return records(self._call(_request(lib.zel_users_new(int(_users_query(query))))))

    async def ausers(self, query: Union[str, UsersQuery] = "all") -> Users:
        return records(await self._calls().call(_request(lib.zel_users_new(int(_users_query(query))))))

    def user(self, key: int, user_id: Optional[str] = None) -> User:
        """One user's record (the simulator's ids are "agent<key>", the default)."""
        return self.agent(key, user_id).query()

    async def auser(self, key: int, user_id: Optional[str] = None) -> User:
        request = _request(lib.zel_user_new(key, _text(user_id or f"agent{key}", "the user id")))
        return record(await self._calls().call(request))

    def medium_status(self) -> Tuple[MediaReadiness, ...]:
        """Whether the server can serve each medium."""
        return RecordReader().readiness(self._call(_request(lib.zel_medium_status_new())))

    async def amedium_status(self) -> Tuple[MediaReadiness, ...]:
        return RecordReader().readiness(await self._calls().call(_request(lib.zel_medium_status_new())))

    def integrated_presence(self, user_id: str, password: str, agent_id: str,
                            presentities: Iterable[Union[Presentity, Tuple[str, str, str]]]) -> Tuple[Presentity, ...]:
        """Up to three presentities; the server's copy of them."""
        request = _request(lib.zel_integrated_presence_new(_text(user_id, "the user id"),
                                                           _text(password, "the password"),
                                                           _text(agent_id, "the agent id")))
        for presentity in presentities:
            presence_id, user_name, extension = presentity
            if lib.zel_integrated_presence_add(request, _text(presence_id, "the presence id"),
                                               _text(user_name, "the user name"),
                                               _text(extension, "the extension")) != lib.ZEL_OK:
                raise ValueError("an integrated presence query takes at most three presentities")
        return RecordReader().presentities(self._call(request))

    def add_capability(self, user_key: int, parameters: str,
                       capability: CapabilityType = CapabilityType.CAMPAIGN_DIRECTOR) -> None:
        """Only the campaign director's is ever sent: another fails as CallFailed(NOT_SENT)."""
        self._call(_request(lib.zel_capability_new(1, user_key, int(capability), _text(parameters, "the parameters"))))

    def remove_capability(self, user_key: int, parameters: str,
                          capability: CapabilityType = CapabilityType.CAMPAIGN_DIRECTOR) -> None:
        self._call(_request(lib.zel_capability_new(0, user_key, int(capability), _text(parameters, "the parameters"))))

    def agent(self, key: int, user_id: Optional[str] = None) -> Agent:
        return Agent(self, key, user_id if user_id is not None else f"agent{key}")

    def events(self, types: Iterable[int] = (), users: Iterable[int] = ()) -> Events:
        """Subscribes to the events of these types (none: all) about these users (none: all)."""
        return Events(self.servers, types=types, users=users)

    def mirror(self, users: Iterable[Union[int, Tuple[int, str]]] = (), timeout_ms: int = 10000) -> Mirror:
        """A live copy of every user, or of these (keys, or (key, id) pairs),
        current when returned (or InterfaceError)."""
        return Mirror(self.servers, users=users, timeout_ms=timeout_ms)
