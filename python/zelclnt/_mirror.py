"""A live copy of every agent's presence, kept by the library's mirror."""

from __future__ import annotations

import asyncio
import enum
from typing import AsyncIterator, Dict, Iterable, Iterator, NamedTuple, Optional, Tuple, Union

from zelclnt._enums import EventType, Medium
from zelclnt._errors import InterfaceError
from zelclnt._native import ffi, lib
from zelclnt._records import User, record
from zelclnt._text import text_of


class ChangeKind(enum.IntEnum):
    """What a change tells."""

    USER = 0            # parts of a user's record changed
    USER_ADDED = 1      # the server has a user the mirror did not hold
    USER_REMOVED = 2    # the server no longer knows the user
    READINESS = 3       # the readiness of `medium` changed
    SYNCED = 4          # the mirror joined the stream (see SyncCause): every user is held
    LINK_DOWN = 5       # the event connection went away; what is missed is asked for again
    LINK_UP = 6         # and came back
    REFUSED = 7         # the server refused this client's keys for its events
    TWO_SERVING = 8     # two servers of the list serve at once


class SyncCause(enum.IntEnum):
    """Why the mirror joined the stream again."""

    FIRST = 0
    RESTARTED = 1   # the server's publisher started afresh
    LOST = 2        # events were lost beyond what the server still held
    SWITCHED = 3    # another server of the list serves now


class Part(enum.IntFlag):
    """The parts of a user's record a change touched."""

    IDENTITY = 0x01
    MEDIA_STATES = 0x02
    ROUTING_STATE = 0x04
    HANDLING_STATES = 0x08
    PRESENCE_STATES = 0x10
    CAPABILITY = 0x20
    USER_FLAGS = 0x40
    SILENT_MONITORING = 0x80


class Change(NamedTuple):
    kind: ChangeKind
    user: int
    parts: Part
    event_type: Union[EventType, int]
    incarnation: int
    position: int
    replayed: bool
    medium: Union[Medium, int]
    sync_cause: SyncCause


_EVENT_TYPES = {int(member): member for member in EventType}
_KINDS = {int(member): member for member in ChangeKind}
_SYNC_CAUSES = {int(member): member for member in SyncCause}
# Each combination of parts met so far (at most 256).
_PARTS: Dict[int, Part] = {}
_MEDIA = {int(member): member for member in Medium}


class Mirror:
    """mirror[key] is a user's record, len(mirror) how many are held.

    The application drives it with changes() on one thread, or achanges()
    in an asyncio loop (the mirror's descriptor wakes the loop; no thread
    waits), and any thread may look users up meanwhile."""

    def __init__(self, servers: str, users: Iterable[Union[int, Tuple[int, str]]] = (),
                 timeout_ms: int = 10000) -> None:
        chosen = [(user, f"agent{user}") if isinstance(user, int) else user for user in users]
        ids = [ffi.new("char[]", user_id.encode()) for _, user_id in chosen]
        mirror = lib.zel_mirror_new(servers.encode(), ffi.new("long[]", [key for key, _ in chosen]) if chosen else ffi.NULL,
                                    ffi.new("char*[]", ids) if chosen else ffi.NULL, len(chosen))
        if mirror == ffi.NULL:
            raise InterfaceError("the mirror could not be made")
        self._mirror = ffi.gc(mirror, lib.zel_mirror_free)
        self._closed = False
        if lib.zel_mirror_start(self._mirror) != lib.ZEL_OK:
            raise InterfaceError(text_of(lib.zel_mirror_error, self._mirror))
        if lib.zel_mirror_wait_current(self._mirror, timeout_ms) != lib.ZEL_OK:
            raise InterfaceError("not current: " + text_of(lib.zel_mirror_why_not_current, self._mirror))
        self._incarnation = ffi.new("uint64_t*")
        self._position = ffi.new("uint64_t*")

    def __len__(self) -> int:
        return lib.zel_mirror_size(self._mirror)

    def __getitem__(self, key: int) -> User:
        held = ffi.gc(lib.zel_user_new(0, b""), lib.zel_request_free)
        if lib.zel_mirror_get(self._mirror, key, held) != lib.ZEL_OK:
            raise KeyError(key)
        return record(held)

    def get(self, key: int) -> Optional[User]:
        try:
            return self[key]
        except KeyError:
            return None

    def __contains__(self, key: object) -> bool:
        return isinstance(key, int) and self.get(key) is not None

    def keys(self) -> Tuple[int, ...]:
        while True:
            capacity = len(self) + 16
            keys = ffi.new("long[]", capacity)
            held = lib.zel_mirror_keys(self._mirror, keys, capacity)
            if held <= capacity:
                return tuple(sorted(keys[0:held]))

    def __iter__(self) -> Iterator[int]:
        return iter(self.keys())

    @property
    def current(self) -> bool:
        """Exact as far as it can know; why_not_current() says why not."""
        return bool(lib.zel_mirror_is_current(self._mirror))

    def why_not_current(self) -> str:
        return text_of(lib.zel_mirror_why_not_current, self._mirror)

    def changes(self, timeout_ms: int = -1) -> Iterator[Change]:
        """Drives the mirror and yields each change; ends when none came within
        timeout_ms (below 0: never) or once closed."""
        while (change := self.next(timeout_ms)) is not None:
            yield change

    async def achanges(self) -> AsyncIterator[Change]:
        """changes(), in an asyncio loop: ends once closed."""
        loop = asyncio.get_running_loop()
        descriptor = lib.zel_mirror_descriptor(self._mirror)
        if descriptor < 0:
            raise InterfaceError("this system gives the mirror no descriptor to wait on")
        ready = asyncio.Event()
        loop.add_reader(descriptor, ready.set)
        try:
            while not self._closed:
                change = self.next(0)
                if change is not None:
                    yield change
                    continue
                ready.clear()
                await ready.wait()
        finally:
            loop.remove_reader(descriptor)

    def next(self, timeout_ms: int = -1) -> Optional[Change]:
        """The next change; None when none came within timeout_ms, or once closed."""
        mirror = self._mirror
        if lib.zel_mirror_next(mirror, timeout_ms) != lib.ZEL_OK:
            return None
        lib.zel_change_position(mirror, self._incarnation, self._position)
        event_type = lib.zel_change_event_type(mirror)
        medium = lib.zel_change_medium(mirror)
        parts = _PARTS.get(lib.zel_change_parts(mirror))
        if parts is None:
            parts = _PARTS.setdefault(lib.zel_change_parts(mirror), Part(lib.zel_change_parts(mirror)))
        # Members looked up, not made: thousands of changes a second.
        return tuple.__new__(Change, (
            _KINDS[lib.zel_change_kind_of(mirror)], lib.zel_change_user(mirror),
            parts, _EVENT_TYPES.get(event_type, event_type),
            self._incarnation[0], self._position[0], lib.zel_change_replayed(mirror) != 0,
            _MEDIA.get(medium, medium), _SYNC_CAUSES[lib.zel_change_sync_cause(mirror)]))

    def close(self) -> None:
        """Ends changes() and achanges(), from any thread; look-ups still answer."""
        self._closed = True
        lib.zel_mirror_stop(self._mirror)

    def __enter__(self) -> Mirror:
        return self

    def __exit__(self, *exception) -> None:
        self.close()
