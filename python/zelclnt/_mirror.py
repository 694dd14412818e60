"""A live copy of every agent's presence, kept by the library's mirror."""

from __future__ import annotations

import dataclasses
import enum
from typing import Iterator, Optional, Tuple

from zelclnt._errors import InterfaceError
from zelclnt._native import ffi, lib
from zelclnt._records import User, user_of
from zelclnt._text import text_of


class ChangeKind(enum.IntEnum):
    CHANGE_USER = 0
    CHANGE_USER_ADDED = 1
    CHANGE_USER_REMOVED = 2
    CHANGE_READINESS = 3
    CHANGE_SYNCED = 4
    CHANGE_LINK_DOWN = 5
    CHANGE_LINK_UP = 6
    CHANGE_REFUSED = 7
    CHANGE_TWO_SERVING = 8


class Part(enum.IntFlag):
    """The parts of a user's record a change touched."""

    PART_IDENTITY = 0x01
    PART_MEDIA_STATES = 0x02
    PART_ROUTING_STATE = 0x04
    PART_HANDLING_STATES = 0x08
    PART_PRESENCE_STATES = 0x10
    PART_CAPABILITY = 0x20
    PART_USER_FLAGS = 0x40
    PART_SILENT_MONITORING = 0x80


@dataclasses.dataclass(frozen=True)
class Change:
    kind: ChangeKind
    user: int
    parts: Part
    event_type: int
    incarnation: int
    position: int
    replayed: bool


class Mirror:
    """mirror[key] is a user's record, len(mirror) how many are held; the
    application drives it with changes() on one thread, and any thread may
    look users up meanwhile."""

    def __init__(self, servers: str, timeout_ms: int = 10000) -> None:
        mirror = lib.zel_mirror_new(servers.encode(), ffi.NULL, ffi.NULL, 0)
        if mirror == ffi.NULL:
            raise InterfaceError("the mirror could not be made")
        self._mirror = ffi.gc(mirror, lib.zel_mirror_free)
        if lib.zel_mirror_start(self._mirror) != lib.ZEL_OK:
            raise InterfaceError(text_of(lib.zel_mirror_error, self._mirror))
        if lib.zel_mirror_wait_current(self._mirror, timeout_ms) != lib.ZEL_OK:
            raise InterfaceError("not current: " + text_of(lib.zel_mirror_why_not_current, self._mirror))

    def __len__(self) -> int:
        return lib.zel_mirror_size(self._mirror)

    def __getitem__(self, key: int) -> User:
        record = ffi.gc(lib.zel_user_new(0, b""), lib.zel_request_free)
        if lib.zel_mirror_get(self._mirror, key, record) != lib.ZEL_OK:
            raise KeyError(key)
        return user_of(lib.zel_request_user(record))

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
        return bool(lib.zel_mirror_is_current(self._mirror))

    def changes(self, timeout_ms: int = -1) -> Iterator[Change]:
        """Drives the mirror and yields each change; ends when none came within
        timeout_ms (below 0: never) or once closed."""
        while (change := self.next(timeout_ms)) is not None:
            yield change

    def next(self, timeout_ms: int = -1) -> Optional[Change]:
        if lib.zel_mirror_next(self._mirror, timeout_ms) != lib.ZEL_OK:
            return None
        incarnation = ffi.new("uint64_t*")
        position = ffi.new("uint64_t*")
        lib.zel_change_position(self._mirror, incarnation, position)
        return Change(kind=ChangeKind(lib.zel_change_kind_of(self._mirror)), user=lib.zel_change_user(self._mirror),
                      parts=Part(lib.zel_change_parts(self._mirror)), event_type=lib.zel_change_event_type(self._mirror),
                      incarnation=incarnation[0], position=position[0],
                      replayed=bool(lib.zel_change_replayed(self._mirror)))

    def close(self) -> None:
        lib.zel_mirror_stop(self._mirror)

    def __enter__(self) -> Mirror:
        return self

    def __exit__(self, *exception) -> None:
        self.close()
