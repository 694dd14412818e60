"""Presence simulators of the tests' own, from the build tree."""

import os
import pathlib
import socket
import subprocess
import time
from typing import Callable, Iterator, List

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("ZELCLNT_BUILD", ROOT / "build/default"))


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def _wait_listening(process: subprocess.Popen, port: int) -> None:
    # Generous: it binds within milliseconds on an idle machine.
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError(f"presence-sim ended at once ({process.returncode})")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.02)
    raise RuntimeError("presence-sim did not listen within 30 s")


@pytest.fixture
def simulator() -> Iterator[Callable[..., str]]:
    """Starts a simulator with these arguments; returns its endpoint."""
    started: List[subprocess.Popen] = []

    def start(*arguments: str) -> str:
        port = free_port()
        endpoint = f"tcp://127.0.0.1:{port}"
        process = subprocess.Popen([str(BUILD / "tools/sim/presence-sim"), "--bind", endpoint, *arguments],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        started.append(process)
        _wait_listening(process, port)
        return endpoint

    yield start
    for process in started:
        process.terminate()
    for process in started:
        process.wait(timeout=30)


@pytest.fixture
def endpoint(simulator) -> str:
    """A simulator of 8 agents, keys 42 to 49, that changes only when told."""
    return simulator()
