"""The records replies and the mirror hold, as immutable values.

Times are milliseconds since 1970 (UTC), 0 for none (`when` makes them
datetimes). A value an enumeration has no name for stays a plain int."""

from __future__ import annotations

import datetime
import enum
from typing import Dict, NamedTuple, Optional, Tuple, Type, Union

from zelclnt._enums import (ContactState, ContactType, DesktopCapability, DesktopCapabilityCause, HandlingCause,
                            MediaState, MediaStateCause, Medium, PostProcessingStatus, PresenceState, ReadinessCause,
                            ReadinessState, ReferenceType, RoutingState, RoutingStateSource, SilentMonitoringType)
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
_USER_NUMBERS = lib.ZEL_USER_NUMBERS


class RecordReader:
    """Reads records through the C interface into the types above, with
    buffers of its own: one reader serves one thread at a time."""

    _TEXT = 256
    _MEDIA = 64

    def __init__(self) -> None:
        self._numbers = ffi.new("int64_t[]", lib.ZEL_USER_NUMBERS)
        self._media_numbers = ffi.new("int64_t[]", self._MEDIA)
        self._contact = ffi.new("int64_t[]", lib.ZEL_CONTACT_NUMBERS)
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

    def user(self, record) -> User:
        # A users query of many thousands reads each record here: a few calls
        # that each hand over many fields, and tuples made without their
        # constructors' argument checks.
        if record == ffi.NULL:
            raise LookupError("no such record")
        numbers = self._numbers
        lib.zel_user_numbers(record, numbers, _USER_NUMBERS)
        n = ffi.unpack(numbers, _USER_NUMBERS)
        length = lib.zel_user_texts(record, self._text, self._TEXT)
        if length <= self._TEXT:
            texts = ffi.unpack(self._text, length).decode("utf-8", "replace").split("\0")
        else:
            texts = self._long_texts(record, length)
        contacts = lib.zel_user_contact_count(record)
        monitored = lib.zel_user_monitoring_count(record)
        return _tuple(User, (
            n[0], texts[0], texts[1], texts[2], n[1], n[2], n[3], texts[3], self._media(record),
            _ROUTING.get(n[4], n[4]), n[5], _SOURCE.get(n[6], n[6]), n[7],
            _PRESENCE.get(n[8], n[8]), n[9], _PRESENCE.get(n[10], n[10]), n[11],
            _DESKTOP.get(n[12], n[12]), _DESKTOP_CAUSE.get(n[13], n[13]), n[14],
            n[15] != 0, n[16] != 0, n[17], n[18] != 0, n[19],
            tuple([self._contact_at(record, i) for i in range(contacts)]) if contacts else (),
            texts[4], n[20], texts[5], n[21], n[22],
            tuple([self._monitoring_at(record, i) for i in range(monitored)]) if monitored else (),
            n[23]))

    @staticmethod
    def _long_texts(record, length: int) -> list:
        buffer = ffi.new("char[]", length)
        length = min(length, lib.zel_user_texts(record, buffer, length))
        return ffi.unpack(buffer, length).decode("utf-8", "replace").split("\0")

    def _media(self, record) -> Tuple[MediaStateRecord, ...]:
        values = self._media_numbers
        count = lib.zel_user_media_numbers(record, values, self._MEDIA)
        if count > self._MEDIA:
            values = ffi.new("int64_t[]", count)
            count = min(count, lib.zel_user_media_numbers(record, values, count))
        v = ffi.unpack(values, count)
        return tuple([_tuple(MediaStateRecord, (_MEDIUM.get(v[i], v[i]), _MEDIA_STATE.get(v[i + 1], v[i + 1]),
                                                _MEDIA_CAUSE.get(v[i + 2], v[i + 2]), v[i + 3]))
                      for i in range(0, count, 4)])

    def _contact_at(self, record, index: int) -> Contact:
        lib.zel_user_contact_numbers(record, index, self._contact, lib.ZEL_CONTACT_NUMBERS)
        n = ffi.unpack(self._contact, lib.ZEL_CONTACT_NUMBERS)
        reasons: Tuple[int, ...] = ()
        count = lib.zel_user_contact_reasons(record, index, ffi.NULL, 0)
        if count:
            held = ffi.new("long[]", count)
            reasons = tuple(held[0:min(count, lib.zel_user_contact_reasons(record, index, held, count))])
        return _tuple(Contact, (
            self.text(lib.zel_user_contact_id, record, index), n[0],
            self.text(lib.zel_user_contact_reference_id, record, index), n[1], _REFERENCE.get(n[2], n[2]),
            _CONTACT_TYPE.get(n[3], n[3]), _MEDIUM.get(n[4], n[4]), _HANDLING.get(n[5], n[5]), n[6], n[7],
            _CONTACT_STATE.get(n[8], n[8]), n[9], n[10], n[11], n[12], _POST.get(n[13], n[13]), n[14],
            _POST.get(n[15], n[15]), n[16] != 0, _POST.get(n[17], n[17]), n[18], reasons))

    def _monitoring_at(self, record, index: int) -> SilentMonitoring:
        lib.zel_user_monitoring_at(record, index, self._long, self._state)
        return SilentMonitoring(self.text(lib.zel_user_monitoring_field, record, index, 0), self._long[0],
                                self.text(lib.zel_user_monitoring_field, record, index, 1),
                                _MONITORING.get(self._state[0], self._state[0]))

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


def user_of(record) -> User:
    """One record, read with a reader of its own."""
    return RecordReader().user(record)
