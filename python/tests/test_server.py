import dataclasses
import subprocess
import sys

import pytest

from zelclnt import CallFailed, FailureKind, Refused, RoutingState, Server


def test_status_and_users(endpoint):
    server = Server(endpoint)
    status = server.status()
    assert (status.name, status.up) == ("presence-sim", True)
    users = server.users(query="all")
    assert [(user.key, user.id) for user in users] == [(key, f"agent{key}") for key in range(42, 50)]
    with pytest.raises(dataclasses.FrozenInstanceError):
        users[0].key = 1
    with pytest.raises(ValueError):
        server.users(query="everyone")


def test_actions_done_and_refused(endpoint):
    agent = Server(endpoint).agent(42)
    agent.set_routing_state(RoutingState.WORK, reason=3)
    user = agent.query()
    assert (user.routing_state, user.routing_reason) == (RoutingState.WORK, 3)
    with pytest.raises(Refused) as refused:
        agent.set_routing_state(RoutingState.LOGOFF)
    assert (refused.value.code, refused.value.text) == (35030, "ERR_INVALID_STATE")


def test_no_answer():
    with pytest.raises(CallFailed) as failed:
        Server("tcp://127.0.0.1:1").status()
    assert failed.value.kind == FailureKind.CONNECTION_REFUSED
    assert "tcp://127.0.0.1:1" in failed.value.reason


def test_command_line(endpoint):
    answer = subprocess.run([sys.executable, "-m", "zelclnt", "status", "--server", endpoint],
                            capture_output=True, text=True, timeout=60)
    assert answer.returncode == 0 and "presence-sim is up" in answer.stdout
