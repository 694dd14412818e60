"""The records replies and the mirror hold, as immutable values."""

import dataclasses
import enum

from zelclnt._native import lib
from zelclnt._text import text_of


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


@dataclasses.dataclass(frozen=True)
class User:
    key: int
    id: str
    routing_state: RoutingState
    routing_reason: int


def user_of(record) -> User:
    return User(
        key=lib.zel_user_key(record),
        id=text_of(lib.zel_user_id, record),
        routing_state=RoutingState(lib.zel_user_routing_state(record)),
        routing_reason=lib.zel_user_routing_reason(record),
    )
