"""How a call ends when it does not succeed."""

import enum


class FailureKind(enum.IntEnum):
    """Why a call got no answer: the C interface's failure statuses, negated."""

    NO_SUCH_SERVER = 1
    CONNECTION_REFUSED = 2
    TIMED_OUT = 3
    TOO_LARGE = 4
    INTERRUPTED = 5
    HANDLER_FAILED = 6
    AUTHENTICATION_FAILED = 7
    NO_USABLE_KEYS = 8
    CLOSED_IN_HANDSHAKE = 9
    NOT_PRESENCE_SERVER = 10
    OUTCOME_UNKNOWN = 11
    BUSY = 12
    CANCELLED = 13
    TWO_SERVING = 14
    NOT_SENT = 15


class ZelError(Exception):
    """Every error of this package."""


class Refused(ZelError):
    """The server answered and did not carry the call out; `server` is the one that refused."""

    def __init__(self, code: int, text: str, server: str = "") -> None:
        super().__init__(f"refused: {text} ({code})")
        self.code = code
        self.text = text
        self.server = server


class CallFailed(ZelError):
    """The call got no answer: `kind` says why, `reason` in one line, `server` the last one tried ("" for none)."""

    def __init__(self, kind: FailureKind, reason: str, server: str = "") -> None:
        super().__init__(f"{kind.name.lower()}: {reason}")
        self.kind = kind
        self.reason = reason
        self.server = server


class InterfaceError(ZelError):
    """The C interface refused the call itself (an invalid argument, say)."""
