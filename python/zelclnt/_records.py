"""The records replies and the mirror hold, as immutable values.

Times are milliseconds since 1970 (UTC), 0 for none (`when` makes them
datetimes). A value an enumeration has no name for stays a plain int."""

from __future__ import annotations

import datetime
import enum
import gc
import operator
import threading
from collections.abc import Sequence
from itertools import islice, repeat
from typing import Dict, Iterable, Iterator, List, NamedTuple, Optional, Tuple, Type, Union, overload

from zelclnt._enums import (ContactState, ContactType, DesktopCapability, DesktopCapabilityCause, HandlingCause,
                            MediaState, MediaStateCause, Medium, PostProcessingStatus, PresenceState, ReadinessCause,
                            ReadinessState, ReferenceType, RoutingState, RoutingStateSource, SilentMonitoringType)
from zelclnt._errors import InterfaceError
from zelclnt._native import ffi, lib


def when(milliseconds: int) -> Optional[datetime.datetime]:
    """A record's time as an aware datetime in UTC; None for none (0)."""
    if milliseconds == 0:
        return None
    return datetime.datetime.fromtimestamp(milliseconds / 1000, tz=datetime.timezone.utc)


class MediaStateRecord(NamedTuple):
    """The user's state on one medium."""

    medium: Union[Medium, int]
    state: Union[MediaState, int]
    cause: Union[MediaStateCause, int]
    since_ms: int


class MediaReadiness(NamedTuple):
    """Whether the server can serve one medium (a medium status query's answer)."""

    medium: Union[Medium, int]
    state: Union[ReadinessState, int]
    cause: Union[ReadinessCause, int]


class Contact(NamedTuple):
    """A contact the user handles: its handling state and post-processing."""

    contact_id: str
    requeue_count: int
    reference_id: str
    reference_requeue_count: int
    reference_type: Union[ReferenceType, int]
    contact_type: Union[ContactType, int]
    medium: Union[Medium, int]
    handling_cause: Union[HandlingCause, int]
    queue_key: int
    priority: int
    state: Union[ContactState, int]
    since_ms: int
    connected_at_ms: int
    created_at_ms: int
    primary_since_ms: int
    automatic_status: Union[PostProcessingStatus, int]
    automatic_expires_at_ms: int
    mandatory_status: Union[PostProcessingStatus, int]
    wrapup_received: bool
    manual_status: Union[PostProcessingStatus, int]
    manual_reason: int
    reasons: Tuple[int, ...]


class SilentMonitoring(NamedTuple):
    """A contact of the user's being monitored."""

    contact_id: str
    requeue_count: int
    extension: str
    type: Union[SilentMonitoringType, int]


class Presentity(NamedTuple):
    """One presentity of an integrated presence query."""

    presence_id: str
    user_name: str
    extension: str


class User(NamedTuple):
    """A user's whole presence record."""

    key: int
    id: str
    extension: str
    associated_line: str
    site_key: int
    business_unit_key: int
    team_key: int
    group_id: str
    media_states: Tuple[MediaStateRecord, ...]
    routing_state: Union[RoutingState, int]
    routing_reason: int
    routing_source: Union[RoutingStateSource, int]
    routing_since_ms: int
    presence_state: Union[PresenceState, int]
    presence_since_ms: int
    presence_state_ex_direct_contact: Union[PresenceState, int]
    presence_ex_direct_contact_since_ms: int
    desktop_capability: Union[DesktopCapability, int]
    desktop_capability_cause: Union[DesktopCapabilityCause, int]
    desktop_capability_since_ms: int
    phone_only: bool
    recovery_mode: bool
    recovery_mode_since_ms: int
    contact_assist: bool
    contact_assist_since_ms: int
    contacts: Tuple[Contact, ...]
    primary_contact_id: str
    primary_requeue_count: int
    old_primary_contact_id: str
    old_primary_requeue_count: int
    primary_changed_at_ms: int
    silent_monitoring: Tuple[SilentMonitoring, ...]
    answered_at_ms: int


def _named(enumeration: Type[enum.IntEnum]) -> Dict[int, enum.IntEnum]:
    return {int(member): member for member in enumeration}


_ROUTING = _named(RoutingState)
_SOURCE = _named(RoutingStateSource)
_PRESENCE = _named(PresenceState)
_DESKTOP = _named(DesktopCapability)
_DESKTOP_CAUSE = _named(DesktopCapabilityCause)
_MEDIUM = _named(Medium)
_MEDIA_STATE = _named(MediaState)
_MEDIA_CAUSE = _named(MediaStateCause)
_READINESS = _named(ReadinessState)
_READINESS_CAUSE = _named(ReadinessCause)
_MONITORING = _named(SilentMonitoringType)
_REFERENCE = _named(ReferenceType)
_CONTACT_TYPE = _named(ContactType)
_CONTACT_STATE = _named(ContactState)
_HANDLING = _named(HandlingCause)
_POST = _named(PostProcessingStatus)


_tuple = tuple.__new__


def _mapped(names: Dict[int, enum.IntEnum], values: list) -> map:
    return map(names.get, values, values)


def _made(kind: type, columns: Iterable) -> list:
    # Each record straight from its column values, without its
    # constructor's argument checks.
    return list(map(_tuple, repeat(kind), zip(*columns)))


def _grouped(items: list, counts: list) -> map:
    """Items in tuples of counts[0], counts[1], ... in turn."""
    held = iter(items)
    return map(tuple, map(islice, repeat(held), counts))


class RecordReader:
    """Reads records through the C interface into the types above, with
    buffers of its own: one reader serves one thread at a time."""

    _TEXT = 256

    def __init__(self) -> None:
        self._text = ffi.new("char[]", self._TEXT)
        self._long = ffi.new("long*")
        self._state = ffi.new("int*")
        self._cause = ffi.new("int*")

    def text(self, reader, *handle) -> str:
        """Asks once into the reader's buffer, and again with the size the
        first answer told when longer."""
        length = reader(*handle, self._text, self._TEXT)
        if length < self._TEXT:
            return ffi.unpack(self._text, length).decode("utf-8", "replace")
        buffer = ffi.new("char[]", length + 1)
        length = min(length, reader(*handle, buffer, length + 1))
        return ffi.unpack(buffer, length).decode("utf-8", "replace")

    def readiness(self, request) -> Tuple[MediaReadiness, ...]:
        medium, state, cause = self._long, self._state, self._cause
        held = []
        for i in range(lib.zel_medium_count(request)):
            lib.zel_medium_at(request, i, medium, state, cause)
            held.append(MediaReadiness(_MEDIUM.get(medium[0], medium[0]), _READINESS.get(state[0], state[0]),
                                       _READINESS_CAUSE.get(cause[0], cause[0])))
        return tuple(held)

    def presentities(self, request) -> Tuple[Presentity, ...]:
        field = lib.zel_integrated_presence_field
        return tuple(Presentity(*(self.text(field, request, i, f) for f in range(3)))
                     for i in range(lib.zel_integrated_presence_count(request)))


def _numbers(request, first: int, count: int) -> List[int]:
    capacity = 128 * count
    values = _raw("int64_t[]", capacity)
    size = lib.zel_records_numbers(request, first, count, values, capacity)
    if size > capacity:
        values = _raw("int64_t[]", size)
        size = min(size, lib.zel_records_numbers(request, first, count, values, size))
    if size == 0:
        raise InterfaceError("the records could not be read: out of memory")
    return memoryview(ffi.buffer(values)).cast("q")[:size].tolist()


def _texts(request, first: int, count: int) -> list:
    size = 256 * count
    buffer = _raw("char[]", size)
    length = lib.zel_records_texts(request, first, count, buffer, size)
    if length > size:
        buffer = _raw("char[]", length)
        length = min(length, lib.zel_records_texts(request, first, count, buffer, length))
    return ffi.buffer(buffer, length)[:].decode("utf-8", "replace").split("\0")


def _columns(values: List[int], start: int, columns: int, items: int) -> List[List[int]]:
    return [values[start + column * items:start + (column + 1) * items] for column in range(columns)]


def _build(count: int, values: List[int], texts: List[str]) -> Tuple[User, ...]:
    n = _columns(values, 0, lib.ZEL_RECORD_COLUMNS, count)
    media_counts, contact_counts, monitored_counts = n[lib.ZEL_RECORD_MEDIA_COUNT:lib.ZEL_RECORD_COLUMNS]
    media, contacts, monitored = sum(media_counts), sum(contact_counts), sum(monitored_counts)
    at = lib.ZEL_RECORD_COLUMNS * count
    m = _columns(values, at, lib.ZEL_MEDIA_COLUMNS, media)
    at += lib.ZEL_MEDIA_COLUMNS * media
    c = _columns(values, at, lib.ZEL_CONTACT_COLUMNS, contacts)
    at += lib.ZEL_CONTACT_COLUMNS * contacts
    s = _columns(values, at, lib.ZEL_MONITORING_COLUMNS, monitored)
    at += lib.ZEL_MONITORING_COLUMNS * monitored
    reasons = values[at:]

    t = 6 * count
    contact_texts = texts[t:t + 2 * contacts]
    monitored_texts = texts[t + 2 * contacts:t + 2 * contacts + 2 * monitored]

    media_states = _made(MediaStateRecord, (_mapped(_MEDIUM, m[0]), _mapped(_MEDIA_STATE, m[1]),
                                            _mapped(_MEDIA_CAUSE, m[2]), m[3]))
    contact_records = _made(Contact, (
        contact_texts[0::2], c[0], contact_texts[1::2], c[1], _mapped(_REFERENCE, c[2]),
        _mapped(_CONTACT_TYPE, c[3]), _mapped(_MEDIUM, c[4]), _mapped(_HANDLING, c[5]), c[6], c[7],
        _mapped(_CONTACT_STATE, c[8]), c[9], c[10], c[11], c[12], _mapped(_POST, c[13]), c[14],
        _mapped(_POST, c[15]), map(bool, c[16]), _mapped(_POST, c[17]), c[18],
        _grouped(reasons, c[lib.ZEL_CONTACT_REASON_COUNT]) if reasons else repeat((), contacts)))
    monitored_records = _made(SilentMonitoring, (monitored_texts[0::2], s[0], monitored_texts[1::2],
                                                 _mapped(_MONITORING, s[1])))
    return tuple(_made(User, (
        n[0], texts[0:t:6], texts[1:t:6], texts[2:t:6], n[1], n[2], n[3], texts[3:t:6],
        _grouped(media_states, media_counts), _mapped(_ROUTING, n[4]), n[5], _mapped(_SOURCE, n[6]), n[7],
        _mapped(_PRESENCE, n[8]), n[9], _mapped(_PRESENCE, n[10]), n[11], _mapped(_DESKTOP, n[12]),
        _mapped(_DESKTOP_CAUSE, n[13]), n[14], map(bool, n[15]), map(bool, n[16]), n[17], map(bool, n[18]), n[19],
        _grouped(contact_records, contact_counts), texts[4:t:6], n[20], texts[5:t:6], n[21], n[22],
        _grouped(monitored_records, monitored_counts), n[23])))


def _rows(values: List[int], start: int, columns: int, items: int) -> List[List[int]]:
    return [values[start + item:start + columns * items:items] for item in range(items)]


def _one(v: List[int], texts: List[str]) -> User:
    # One record (a mirror's look-up, an agent's query) straight from its
    # values, which costs less than columns made for it.
    media, contacts, monitored = v[lib.ZEL_RECORD_MEDIA_COUNT:lib.ZEL_RECORD_COLUMNS]
    at = lib.ZEL_RECORD_COLUMNS
    states = tuple([_tuple(MediaStateRecord, (_MEDIUM.get(m[0], m[0]), _MEDIA_STATE.get(m[1], m[1]),
                                              _MEDIA_CAUSE.get(m[2], m[2]), m[3]))
                    for m in _rows(v, at, lib.ZEL_MEDIA_COLUMNS, media)])
    at += lib.ZEL_MEDIA_COLUMNS * media
    contact_rows = _rows(v, at, lib.ZEL_CONTACT_COLUMNS, contacts)
    at += lib.ZEL_CONTACT_COLUMNS * contacts
    monitored_rows = _rows(v, at, lib.ZEL_MONITORING_COLUMNS, monitored)
    reasons = iter(v[at + lib.ZEL_MONITORING_COLUMNS * monitored:])
    held = []
    for i, c in enumerate(contact_rows):
        held.append(_tuple(Contact, (
            texts[6 + 2 * i], c[0], texts[7 + 2 * i], c[1], _REFERENCE.get(c[2], c[2]),
            _CONTACT_TYPE.get(c[3], c[3]), _MEDIUM.get(c[4], c[4]), _HANDLING.get(c[5], c[5]), c[6], c[7],
            _CONTACT_STATE.get(c[8], c[8]), c[9], c[10], c[11], c[12], _POST.get(c[13], c[13]), c[14],
            _POST.get(c[15], c[15]), c[16] != 0, _POST.get(c[17], c[17]), c[18],
            tuple(islice(reasons, c[lib.ZEL_CONTACT_REASON_COUNT])))))
    t = 6 + 2 * contacts
    watched = tuple([_tuple(SilentMonitoring, (texts[t + 2 * i], s[0], texts[t + 2 * i + 1],
                                               _MONITORING.get(s[1], s[1])))
                     for i, s in enumerate(monitored_rows)])
    return _tuple(User, (
        v[0], texts[0], texts[1], texts[2], v[1], v[2], v[3], texts[3], states,
        _ROUTING.get(v[4], v[4]), v[5], _SOURCE.get(v[6], v[6]), v[7],
        _PRESENCE.get(v[8], v[8]), v[9], _PRESENCE.get(v[10], v[10]), v[11],
        _DESKTOP.get(v[12], v[12]), _DESKTOP_CAUSE.get(v[13], v[13]), v[14],
        v[15] != 0, v[16] != 0, v[17], v[18] != 0, v[19],
        tuple(held), texts[4], v[20], texts[5], v[21], v[22], watched, v[23]))


# Buffers the C interface fills whole: not cleared first.
_raw = ffi.new_allocator(should_clear_after_alloc=False)


class Users(Sequence[User]):
    """The records of a users query in the server's order, an immutable
    sequence like a tuple (and equal to one holding the same records). Each
    record is made the first time it is looked at, with the records around
    it, so that a query of fifty thousand costs little more than the call
    until its records are read. Any thread may read it."""

    _CHUNK = 256

    def __init__(self, request) -> None:
        self._request = request
        self._count = lib.zel_records_count(request)
        self._chunks: Dict[int, Tuple[User, ...]] = {}
        self._lock = threading.Lock()

    def __len__(self) -> int:
        return self._count

    def _chunk(self, chunk: int) -> Tuple[User, ...]:
        held = self._chunks.get(chunk)
        if held is None:
            with self._lock:
                held = self._chunks.get(chunk)
                if held is None:
                    held = self._chunks[chunk] = _read(self._request, chunk * self._CHUNK, self._CHUNK)
        return held

    @overload
    def __getitem__(self, index: int) -> User: ...

    @overload
    def __getitem__(self, index: slice) -> Tuple[User, ...]: ...

    def __getitem__(self, index):
        if isinstance(index, slice):
            return tuple(self[i] for i in range(*index.indices(self._count)))
        at = operator.index(index)
        if at < 0:
            at += self._count
        if not 0 <= at < self._count:
            raise IndexError("users index out of range")
        return self._chunk(at // self._CHUNK)[at % self._CHUNK]

    def __iter__(self) -> Iterator[User]:
        for chunk in range((self._count + self._CHUNK - 1) // self._CHUNK):
            yield from self._chunk(chunk)

    def __eq__(self, other: object) -> bool:
        if isinstance(other, (Users, tuple)):
            return len(self) == len(other) and all(a == b for a, b in zip(self, other))
        return NotImplemented

    def __hash__(self) -> int:
        return hash(tuple(self))

    def __repr__(self) -> str:
        return f"Users({len(self)} records)"


def _read(request, first: int, count: int) -> Tuple[User, ...]:
    # No record made here can be part of a cycle: the collector, which would
    # run many times over the thousands of tuples, waits meanwhile.
    count = min(count, lib.zel_records_count(request) - first)
    if count <= 0:
        return ()
    numbers = _numbers(request, first, count)
    texts = _texts(request, first, count)
    collecting = gc.isenabled()
    gc.disable()
    try:
        return _build(count, numbers, texts)
    finally:
        if collecting:
            gc.enable()


def records(request) -> Users:
    """Every record of a users query."""
    # The request's index of records is built now, on one thread.
    lib.zel_users_at(request, 0)
    return Users(request)


def record(request) -> User:
    """A user request's record."""
    if lib.zel_records_count(request) != 1:
        raise LookupError("no such record")
    return _one(_numbers(request, 0, 1), _texts(request, 0, 1))
