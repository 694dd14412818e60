"""Strings the C interface copies into the caller's buffer."""

from zelclnt._native import ffi


def text_of(reader, *handle) -> str:
    """Asks once, and again with the size the first answer told when longer."""
    size = 128
    while True:
        buffer = ffi.new("char[]", size)
        length = reader(*handle, buffer, size)
        if length < size:
            return ffi.string(buffer, length).decode("utf-8", "replace")
        size = length + 1
