"""A presence simulator of the tests' own, from the build tree."""

import os
import pathlib
import socket
import subprocess
import time

import pytest

BUILD = pathlib.Path(os.environ.get("ZELCLNT_BUILD", pathlib.Path(__file__).resolve().parents[2] / "build/default"))


def _free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


@pytest.fixture(scope="session")
def endpoint():
    endpoint = f"tcp://127.0.0.1:{_free_port()}"
    simulator = subprocess.Popen([str(BUILD / "tools/sim/presence-sim"), "--bind", endpoint],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Generous: it binds within milliseconds on an idle machine.
    deadline = time.monotonic() + 30
    host, port = endpoint.removeprefix("tcp://").split(":")
    while time.monotonic() < deadline:
        try:
            socket.create_connection((host, int(port)), timeout=1).close()
            break
        except OSError:
            time.sleep(0.05)
    yield endpoint
    simulator.terminate()
    simulator.wait(timeout=30)
