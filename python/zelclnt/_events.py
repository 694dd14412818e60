"""Events a server publishes, as a receiver hands them over."""

from __future__ import annotations

import dataclasses
import enum
from typing import Iterable, Iterator, Optional, Union

from zelclnt._enums import EventType
from zelclnt._errors import InterfaceError
from zelclnt._native import ffi, lib
from zelclnt._text import text_of


class NoticeKind(enum.IntEnum):
    """What a receiver hands over: an event, or a notice about the stream."""

    EVENT = 0
    TOO_LARGE = 1
    RESTARTED = 2
    RESYNC = 3
    DISCONNECTED = 4
    RECONNECTED = 5
    AUTHENTICATION_FAILED = 6
    SWITCHED = 7
    TWO_SERVING = 8


_EVENT_TYPES = {int(member): member for member in EventType}
# The user of events about no one user.
_NO_USER = -2**63


@dataclasses.dataclass(frozen=True)
class Event:
    """An event (kind EVENT) or a notice; `text` is the event's record in a line."""

    kind: NoticeKind
    type: Union[EventType, int]
    user: Optional[int]
    incarnation: int
    position: int
    replayed: bool
    data: bytes
    text: str


class Events:
    """A subscription: iterate it, or take one with next(timeout_ms)."""

    def __init__(self, servers: str, types: Iterable[int] = (), users: Iterable[int] = (),
                 subscribe_timeout_ms: int = 5000) -> None:
        type_list = list(types)
        user_list = list(users)
        receiver = lib.zel_receiver_new(servers.encode(), ffi.new("int[]", type_list) if type_list else ffi.NULL,
                                        len(type_list), ffi.new("int64_t[]", user_list) if user_list else ffi.NULL,
                                        len(user_list))
        if receiver == ffi.NULL:
            raise InterfaceError("the receiver could not be made")
        self._receiver = ffi.gc(receiver, lib.zel_receiver_free)
        if lib.zel_receiver_start(self._receiver) != lib.ZEL_OK:
            raise InterfaceError(text_of(lib.zel_receiver_error, self._receiver))
        lib.zel_receiver_wait_subscribed(self._receiver, subscribe_timeout_ms)

    def __enter__(self) -> Events:
        return self

    def __exit__(self, *exception) -> None:
        self.close()

    def close(self) -> None:
        lib.zel_receiver_stop(self._receiver)

    def next(self, timeout_ms: int = -1) -> Optional[Event]:
        """The next event or notice; None when none came in time, or once closed."""
        if lib.zel_receiver_next(self._receiver, timeout_ms) != lib.ZEL_OK:
            return None
        return self._taken()

    def __iter__(self) -> Iterator[Event]:
        while (event := self.next(-1)) is not None:
            yield event

    def fileno(self) -> int:
        """Readable whenever next(0) may have something (-1: none on this system)."""
        return lib.zel_receiver_descriptor(self._receiver)

    def _taken(self) -> Event:
        receiver = self._receiver
        size = ffi.new("size_t*")
        data = bytes(ffi.buffer(lib.zel_notice_data(receiver, size), size[0]))
        incarnation = ffi.new("uint64_t*")
        position = ffi.new("uint64_t*")
        lib.zel_notice_position(receiver, incarnation, position)
        user = lib.zel_notice_user(receiver)
        kind = NoticeKind(lib.zel_notice_kind_of(receiver))
        event_type = lib.zel_notice_event_type(receiver)
        text = ""
        if kind == NoticeKind.EVENT:
            text = text_of(lambda buffer, length: lib.zel_event_text(event_type, data, len(data), 0, buffer, length))
        return Event(kind=kind, type=_EVENT_TYPES.get(event_type, event_type), user=None if user == _NO_USER else user,
                     incarnation=incarnation[0], position=position[0], replayed=bool(lib.zel_notice_replayed(receiver)),
                     data=data, text=text)
